// The demo game: a small window that shows the patch options this "SH3.exe"
// holds, read from its own file at start-up, and whether its own header marks
// it large-address-aware. make_game puts the areas into the file after the
// build; MURNoptions.exe changes them.
//
// Every value is a static text control with a fixed ID, so that a test can
// read what a player sees:
//   kMainSwitchIds + i, kModsSwitchIds + i   "on", "off" or "0x01 (not a switch value)"
//   kValueIds + 0..3                          "2.5 (00 00 20 40)": main page's two values, then the mods page's
//   kVersionId                                "v1.6B", or "(none)"
//   kLargeAddressId                           "yes" or "no"

#include <windows.h>

#include <cstring>
#include <cwchar>

#include "areas.h"
#include "demo_ids.h"

namespace {

using namespace demo_game;

const wchar_t* const kWindowClass = kWindowClassName;

// What this file holds in its areas, or what could not be read.
struct Options {
    std::uint8_t mainSwitches[kMainSwitches]{};
    std::uint8_t modsSwitches[kModsSwitches]{};
    std::uint8_t values[4][4]{};
    char version[kVersionBytes + 1]{};
    bool read = false;
};

bool ReadAt(HANDLE file, std::int32_t offset, void* into, DWORD size) {
    LARGE_INTEGER at{};
    at.QuadPart = offset;
    DWORD got = 0;
    return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && ReadFile(file, into, size, &got, nullptr) &&
           got == size;
}

Options ReadOwnFile() {
    Options options;
    wchar_t path[MAX_PATH]{};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return options;
    // Shared for everything: the game only looks, and must not stand in the way.
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return options;
    options.read = ReadAt(file, kMainSwitchPosition, options.mainSwitches, kMainSwitches) &&
                   ReadAt(file, kModsSwitchPosition, options.modsSwitches, kModsSwitches) &&
                   ReadAt(file, kMainSliderPosition, options.values, 8) &&
                   ReadAt(file, kModsSliderPosition, options.values[2], 8) &&
                   ReadAt(file, kVersionPosition, options.version, kVersionBytes);
    CloseHandle(file);
    return options;
}

// The header that the loader mapped: the one this run was started with.
bool LargeAddressAware() {
    const auto* base = reinterpret_cast<const BYTE*>(GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    return (nt->FileHeader.Characteristics & IMAGE_FILE_LARGE_ADDRESS_AWARE) != 0;
}

void SwitchText(std::uint8_t byte, wchar_t* text, std::size_t size) {
    if (byte == kOn) {
        std::swprintf(text, size, L"on");
    } else if (byte == kOff) {
        std::swprintf(text, size, L"off");
    } else {
        std::swprintf(text, size, L"0x%02X (not a switch value)", byte);
    }
}

void ValueText(const std::uint8_t (&bytes)[4], wchar_t* text, std::size_t size) {
    float value = 0;
    std::memcpy(&value, bytes, sizeof value);
    std::swprintf(text, size, L"%.1f (%02X %02X %02X %02X)", static_cast<double>(value), bytes[0], bytes[1], bytes[2],
                  bytes[3]);
}

class Layout {
public:
    Layout(HWND window, HFONT font, HFONT bold, int rowHeight)
        : window_(window), font_(font), bold_(bold), rowHeight_(rowHeight) {}

    void Heading(int x, int y, const wchar_t* text) { Static(x, y, 380, text, 0, bold_); }
    void Row(int x, int y, const wchar_t* label, const wchar_t* value, int id) {
        Static(x, y, 190, label, 0, font_);
        Static(x + 195, y, 180, value, id, font_);
    }
    int Line(int n) const { return 10 + n * rowHeight_; }

private:
    void Static(int x, int y, int width, const wchar_t* text, int id, HFONT font) {
        HWND control = CreateWindowExW(0, L"STATIC", text, WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, x, y, width,
                                       rowHeight_, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                       nullptr, nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }

    HWND window_;
    HFONT font_;
    HFONT bold_;
    int rowHeight_;
};

void Widen(const char* text, wchar_t* wide, int size) {
    if (MultiByteToWideChar(CP_ACP, 0, text, -1, wide, size) == 0) wide[0] = L'\0';
}

HFONT g_font = nullptr;
HFONT g_bold = nullptr;

int CreateControls(HWND window) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    g_font = CreateFontIndirectW(&metrics.lfMessageFont);
    LOGFONTW boldFont = metrics.lfMessageFont;
    boldFont.lfWeight = FW_BOLD;
    g_bold = CreateFontIndirectW(&boldFont);

    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, g_font);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    Layout layout(window, g_font, g_bold, tm.tmHeight + 4);

    const Options options = ReadOwnFile();
    wchar_t label[64];
    wchar_t value[64];
    const int left = 12, right = 412;

    layout.Heading(left, layout.Line(0), L"This SH3.exe");
    if (options.read) {
        char version[kVersionBytes + 1]{};
        std::memcpy(version, options.version, kVersionBytes);
        Widen(version[0] != '\0' ? version : "(none)", value, 64);
    } else {
        std::swprintf(value, 64, L"(its patch areas cannot be read)");
    }
    layout.Row(left, layout.Line(1), L"Patch version", value, kVersionId);
    layout.Row(left, layout.Line(2), L"Large-address-aware (4 GB)", LargeAddressAware() ? L"yes" : L"no",
               kLargeAddressId);

    layout.Heading(left, layout.Line(4), L"Main options");
    for (std::size_t i = 0; i < kMainSwitches; ++i) {
        Widen(kMainSwitchTable[i].label, label, 64);
        if (options.read) SwitchText(options.mainSwitches[i], value, 64);
        layout.Row(left, layout.Line(5 + static_cast<int>(i)), label, options.read ? value : L"?",
                   kMainSwitchIds + static_cast<int>(i));
    }

    layout.Heading(right, layout.Line(4), L"Mod options");
    for (std::size_t i = 0; i < kModsSwitches; ++i) {
        Widen(kModsSwitchTable[i].label, label, 64);
        if (options.read) SwitchText(options.modsSwitches[i], value, 64);
        layout.Row(right, layout.Line(5 + static_cast<int>(i)), label, options.read ? value : L"?",
                   kModsSwitchIds + static_cast<int>(i));
    }

    layout.Heading(right, layout.Line(19), L"Values");
    const Value* names[4] = {&kMainValues[0], &kMainValues[1], &kModsValues[0], &kModsValues[1]};
    for (int i = 0; i < 4; ++i) {
        Widen(names[i]->name, label, 64);
        if (options.read) ValueText(options.values[i], value, 64);
        layout.Row(right, layout.Line(20 + i), label, options.read ? value : L"?", kValueIds + i);
    }
    return layout.Line(28);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kWindowClass;
    if (!RegisterClassExW(&windowClass)) return 1;

    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    HWND window = CreateWindowExW(0, kWindowClass, L"SH3 demo game", style, CW_USEDEFAULT, CW_USEDEFAULT, 800, 600,
                                  nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 1;
    const int height = CreateControls(window);
    RECT frame{0, 0, 800, height};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(window, show);
    UpdateWindow(window);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    DeleteObject(g_font);
    DeleteObject(g_bold);
    return static_cast<int>(message.wParam);
}
