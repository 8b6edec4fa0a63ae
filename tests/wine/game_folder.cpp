#include "game_folder.h"

#include <windows.h>

#include <cstring>

namespace murn_wine {

const std::array<const char*, kMainRows> kMainLabels = {
    "Realistic sensors",     "No map contacts",      "Hard torpedo reloads", "Longer patrol grids",
    "Slow deck gun crews",   "Manual depth readouts", "Night lookout penalty", "Escort radar sweeps",
    "Convoy zig-zag",        "Dud torpedo chance",   "Battery drain boost",  "Crew fatigue model",
    "Harbour traffic",       "Storm wave height",    "Aircraft patrols",     "Sonar blind arcs",
    "Snorkel noise",         "Hull stress limits",   "Fuel burn at flank speed",
    "Radio intercepts",      "Minefield warnings",   "Weather reports",
};

const std::array<const char*, kModsRows> kModsLabels = {
    "Extra harbour lights", "Wolfpack contacts",  "Quiet running bonus", "Depth charge spread",
    "Flak crew training",   "Deck cargo",         "Port repair times",   "Radar detector",
    "Periscope glare",      "Target speed guess", "Longer nights",       "Ice floes",
    "Rough seas at night",
};

const std::array<std::uint8_t, kMainRows> kMainSwitchBytes = {
    0xFF, 0x00, 0xFF, 0x01, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0x00, 0xFF,
    0xFF, 0x00, 0x01, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0x00,
};

const std::array<std::uint8_t, kModsRows> kModsSwitchBytes = {
    0x00, 0xFF, 0x01, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 0x00, 0x01, 0xFF, 0x00,
};

std::string MakeContents(const std::vector<std::string>& labels, const std::string& switchEntry,
                         const std::string& versionEntry, const std::string& sliderEntry) {
    std::string text = "/ Option switches of the patch\n";
    text += ":" + switchEntry + "\n";
    text += ":" + versionEntry + "\n";
    text += ":" + sliderEntry + "\n";
    for (const std::string& label : labels) text += label + "\n";
    text += "-2\n";
    return text;
}

std::vector<std::string> MainLabels() { return {kMainLabels.begin(), kMainLabels.end()}; }
std::vector<std::string> ModsLabels() { return {kModsLabels.begin(), kModsLabels.end()}; }

Bytes FloatBytes(float value) {
    Bytes bytes(4);
    std::memcpy(bytes.data(), &value, 4);  // x86 is little-endian, as the file is
    return bytes;
}

void PutBytes(Bytes& exe, std::size_t offset, const Bytes& bytes) {
    std::memcpy(exe.data() + offset, bytes.data(), bytes.size());
}

void PutFloat(Bytes& exe, std::size_t offset, float value) { PutBytes(exe, offset, FloatBytes(value)); }

GameFiles StandardGame() {
    GameFiles game;
    game.mainContents = MakeContents(MainLabels(), std::to_string(kMainSwitchPosition),
                                     std::to_string(kVersionPosition) + ":v1.6B",
                                     std::to_string(kMainSliderPosition));
    game.modsContents = MakeContents(ModsLabels(), std::to_string(kModsSwitchPosition), "",
                                     std::to_string(kModsSliderPosition));
    // Bytes that no area uses are a pseudo-random pattern, so that a stray
    // write anywhere shows in the comparison.
    game.exe.resize(kExeSize);
    std::uint32_t state = 0x2545F491u;
    for (auto& byte : game.exe) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    game.exe[0] = 'M';
    game.exe[1] = 'Z';
    game.exe[kLargeAddressOffset] = 0x2F;
    PutBytes(game.exe, kMainSwitchPosition, Bytes(kMainSwitchBytes.begin(), kMainSwitchBytes.end()));
    PutBytes(game.exe, kModsSwitchPosition, Bytes(kModsSwitchBytes.begin(), kModsSwitchBytes.end()));
    PutFloat(game.exe, kMainSliderPosition, 2.5f);
    PutFloat(game.exe, kMainSliderPosition + 4, 1.0f);
    PutFloat(game.exe, kModsSliderPosition, 128.0f);
    PutFloat(game.exe, kModsSliderPosition + 4, 2.5f);
    PutBytes(game.exe, kVersionPosition, Bytes{'v', '1', '.', '6', 'B', 0, 0, 0, 0, 0});
    return game;
}

namespace {

bool WriteWholeFile(const std::wstring& path, const void* data, std::size_t size) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr);
    CloseHandle(file);
    return ok && written == size;
}

bool CreateFolders(const std::wstring& folder) {
    for (std::size_t i = 3; i <= folder.size(); ++i) {
        if (i == folder.size() || folder[i] == L'\\') {
            const std::wstring part = folder.substr(0, i);
            if (!CreateDirectoryW(part.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
        }
    }
    return true;
}

bool PlaceFile(const std::wstring& path, bool present, const void* data, std::size_t size) {
    if (present) return WriteWholeFile(path, data, size);
    return DeleteFileW(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

}  // namespace

std::wstring WriteGame(const std::wstring& folder, const GameFiles& files) {
    if (!CreateFolders(folder)) return L"cannot create " + folder;
    if (!PlaceFile(folder + L"\\MURNcontents.txt", files.hasMainContents, files.mainContents.data(),
                   files.mainContents.size()) ||
        !PlaceFile(folder + L"\\Zarvolincontents.txt", files.hasModsContents, files.modsContents.data(),
                   files.modsContents.size()) ||
        !PlaceFile(folder + L"\\SH3.exe", files.hasExe, files.exe.data(), files.exe.size())) {
        return L"cannot write the game files in " + folder;
    }
    return {};
}

bool ReadWholeFile(const std::wstring& path, Bytes& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file, &size) != 0;
    if (ok) {
        bytes.resize(static_cast<std::size_t>(size.QuadPart));
        DWORD read = 0;
        ok = bytes.empty() || (ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
                               read == bytes.size());
    }
    CloseHandle(file);
    return ok;
}

std::wstring FirstDifference(const Bytes& actual, const Bytes& expected) {
    if (actual.size() != expected.size()) {
        return L"SH3.exe is " + std::to_wstring(actual.size()) + L" bytes long, expected " +
               std::to_wstring(expected.size());
    }
    for (std::size_t i = 0; i < actual.size(); ++i) {
        if (actual[i] != expected[i]) {
            wchar_t text[120];
            swprintf(text, 120, L"SH3.exe byte %zu is 0x%02X, expected 0x%02X", i, actual[i], expected[i]);
            return text;
        }
    }
    return {};
}

std::wstring Widen(const std::string& text) {
    if (text.empty()) return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

}  // namespace murn_wine
