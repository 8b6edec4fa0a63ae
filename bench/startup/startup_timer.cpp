// Times how long a dialog program takes from its start until its dialog is
// shown, for MURNoptions.exe in a game folder and for the bare dialog
// program, run after run in alternating order, and prints the medians.
//
//   murn_startup_timer RUNS FOLDER TOOL_EXE BARE_EXE
//
// FOLDER becomes a game folder (the two contents files and a patched
// SH3.exe, as the Wine tests make it); both programs are copied into it and
// started there, as a player starts the tool. A run is timed from just
// before CreateProcess until a visible top-level window of the new process
// holds the control that only the awaited dialog has: the version box of the
// tool's main page, the OK button of the bare dialog. The program is then
// ended. One untimed run of each comes first.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "game_folder.h"

namespace {

constexpr int kVersionBoxId = 1033;  // only the tool's main page has it
constexpr int kMessageTextId = 0xFFFF;
constexpr DWORD kPollMs = 2;

struct Program {
    const char* name;
    std::wstring exe;
    int dialogControlId;
};

std::string Narrow(const std::wstring& text) {
    std::string narrow;
    for (const wchar_t c : text) narrow.push_back(c < 128 ? static_cast<char>(c) : '?');
    return narrow;
}

double TimeoutScale() {
    const char* scale = std::getenv("MURN_WINE_TIMEOUT_SCALE");
    const double value = scale != nullptr ? std::atof(scale) : 1.0;
    return value >= 1.0 ? value : 1.0;
}

struct Search {
    DWORD processId;
    int controlId;
    bool found = false;
    bool messageBox = false;
};

BOOL CALLBACK FindShownDialog(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId != search->processId || !IsWindowVisible(window)) return TRUE;
    if (GetDlgItem(window, search->controlId) != nullptr) {
        search->found = true;
        return FALSE;
    }
    if (GetDlgItem(window, kMessageTextId) != nullptr) search->messageBox = true;
    return TRUE;
}

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 /
           static_cast<double>(frequency.QuadPart);
}

// One start of the program; the milliseconds until its dialog was shown, or
// a negative number after printing what went wrong.
double TimeOneStart(const Program& program, const std::wstring& folder) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::wstring commandLine = L"\"" + program.exe + L"\"";
    const DWORD timeoutMs = static_cast<DWORD>(60000 * TimeoutScale());

    LARGE_INTEGER start{};
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(program.exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &process)) {
        std::printf("startup: cannot start %s (error %lu)\n", Narrow(program.exe).c_str(), GetLastError());
        return -1;
    }
    double result = -1;
    const DWORD began = GetTickCount();
    for (;;) {
        Search search{process.dwProcessId, program.dialogControlId};
        EnumWindows(FindShownDialog, reinterpret_cast<LPARAM>(&search));
        if (search.found) {
            LARGE_INTEGER shown{};
            QueryPerformanceCounter(&shown);
            result = Milliseconds(start, shown);
            break;
        }
        if (search.messageBox) {
            std::printf("startup: %s showed a message box instead of its dialog\n", program.name);
            break;
        }
        if (WaitForSingleObject(process.hProcess, 0) != WAIT_TIMEOUT) {
            std::printf("startup: %s ended before its dialog was shown\n", program.name);
            break;
        }
        if (GetTickCount() - began > timeoutMs) {
            std::printf("startup: %s showed no dialog within %lu ms\n", program.name, timeoutMs);
            break;
        }
        Sleep(kPollMs);
    }
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, timeoutMs);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return result;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::wstring FileName(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 5 || _wtoi(argv[1]) < 1) {
        std::printf("usage: murn_startup_timer RUNS FOLDER TOOL_EXE BARE_EXE\n");
        return 2;
    }
    const int runs = _wtoi(argv[1]);
    const std::wstring folder = argv[2];

    const std::wstring problem = murn_wine::WriteGame(folder, murn_wine::StandardGame());
    if (!problem.empty()) {
        std::printf("startup: %s\n", Narrow(problem).c_str());
        return 1;
    }
    Program programs[2] = {{"tool", folder + L"\\" + FileName(argv[3]), kVersionBoxId},
                           {"bare dialog", folder + L"\\" + FileName(argv[4]), IDOK}};
    for (int p = 0; p < 2; ++p) {
        if (!CopyFileW(argv[3 + p], programs[p].exe.c_str(), FALSE)) {
            std::printf("startup: cannot copy %s into the game folder\n", Narrow(argv[3 + p]).c_str());
            return 1;
        }
    }

    for (const Program& program : programs) {
        if (TimeOneStart(program, folder) < 0) return 1;
    }
    std::vector<double> times[2];
    std::vector<double> ratios;
    for (int run = 0; run < runs; ++run) {
        // Alternating which goes first, so that neither always follows the other.
        const int first = run % 2;
        double ms[2] = {0, 0};
        for (int k = 0; k < 2; ++k) {
            const int p = (first + k) % 2;
            ms[p] = TimeOneStart(programs[p], folder);
            if (ms[p] < 0) return 1;
            times[p].push_back(ms[p]);
        }
        ratios.push_back(ms[0] / ms[1]);
        std::printf("run %d: tool %.1f ms, bare dialog %.1f ms, ratio %.2f\n", run + 1, ms[0], ms[1],
                    ms[0] / ms[1]);
        std::fflush(stdout);
    }
    const double tool = Median(times[0]);
    const double bare = Median(times[1]);
    std::printf("median of %d runs: tool %.1f ms, bare dialog %.1f ms; ratio of the medians %.2f, "
                "median of the runs' ratios %.2f\n",
                runs, tool, bare, tool / bare, Median(ratios));
    return 0;
}
