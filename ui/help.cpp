#include "help.h"

#include <windows.h>
#include <htmlhelp.h>

#include <string>

namespace {

using HtmlHelpAFunction = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);

class ScopedRegKey {
public:
    ScopedRegKey() = default;
    ~ScopedRegKey() {
        if (key_ != nullptr) RegCloseKey(key_);
    }
    ScopedRegKey(const ScopedRegKey&) = delete;
    ScopedRegKey& operator=(const ScopedRegKey&) = delete;
    HKEY* Receive() { return &key_; }
    HKEY Get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

bool IsAbsolutePath(const std::wstring& path) {
    return (path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/')) ||
           path.starts_with(L"\\\\");
}

// Where the HTML Help control's class is registered, or empty. A relative
// path would be searched for in the game folder too, so only a full path
// counts.
std::wstring RegisteredHelpControl() {
    ScopedRegKey key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32", 0,
                      KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS)
        return {};
    wchar_t value[MAX_PATH + 1]{};
    DWORD type = 0;
    DWORD size = sizeof value - sizeof value[0];  // room for a terminator the value may lack
    if (RegQueryValueExW(key.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
        ERROR_SUCCESS)
        return {};
    std::wstring path(value);
    if (type == REG_EXPAND_SZ) {
        wchar_t expanded[MAX_PATH]{};
        const DWORD length = ExpandEnvironmentStringsW(path.c_str(), expanded, MAX_PATH);
        path = length > 0 && length <= MAX_PATH ? expanded : L"";
    } else if (type != REG_SZ) {
        return {};
    }
    return IsAbsolutePath(path) ? path : std::wstring();
}

HMODULE LoadHelpControl() {
    const std::wstring registered = RegisteredHelpControl();
    if (!registered.empty()) {
        if (HMODULE module = LoadLibraryExW(registered.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH))
            return module;
    }
    // Never by its bare name, which would look in the game folder first.
    wchar_t system[MAX_PATH]{};
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    const std::wstring path = std::wstring(system, length) + L"\\hhctrl.ocx";
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// Loaded on first use and kept for the rest of the run; tried again next
// time when it could not be loaded.
HtmlHelpAFunction HtmlHelpEntry() {
    static HtmlHelpAFunction entry = nullptr;
    if (entry == nullptr) {
        if (HMODULE module = LoadHelpControl()) {
            // Through a plain function pointer type: GetProcAddress's own
            // type has a different signature.
            const auto address = reinterpret_cast<void (*)()>(GetProcAddress(module, "HtmlHelpA"));
            entry = reinterpret_cast<HtmlHelpAFunction>(address);
        }
    }
    return entry;
}

}  // namespace

void OpenHelpFile() {
    char fileName[16] = "MURNoptions.chm";
    // No owner: the help window stays apart from the dialogs, which stay usable.
    if (HtmlHelpAFunction htmlHelp = HtmlHelpEntry()) htmlHelp(nullptr, fileName, HH_DISPLAY_TOPIC, 0);
}
