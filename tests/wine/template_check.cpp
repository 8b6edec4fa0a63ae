// Checks the two page templates inside MURNoptions.exe against the layout
// that the tool promises: dialog caption, size, font and styles, then every
// control in template order with its class, style bits, text and rectangle.
//
//   murn_template_check PATH\MURNoptions.exe
//
// The program is loaded as a data file only, so nothing of it runs.

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// What a control is, as far as the template can tell: its window class and
// the style bits that make it that kind of control.
enum class Kind {
    CheckBox,        // auto check box, tab stop
    LabelEdit,       // border, tab stop, read-only, auto-scroll
    DefPushButton,   // default push button, tab stop
    PushButton,      // push button, tab stop
    GroupBox,        // group box
    Text,            // left-aligned static text
    CentredText,     // SS_CENTER
    RightCentredText,// SS_RIGHT with SS_CENTERIMAGE
    Trackbar,        // horizontal, auto ticks, selection range, tab stop
};

constexpr int kNone = -1;  // a control without an ID of its own

struct ControlRow {
    int id;
    Kind kind;
    const wchar_t* text;
    short x, y, cx, cy;
};

struct DialogRow {
    int templateId;
    const wchar_t* caption;
    short cx, cy;
    const ControlRow* controls;
    std::size_t controlCount;
};

constexpr const wchar_t* kCaption = L"Murn Option Selector (v1.6B) for SH3";

// Template 102, in template order (the Tab order).
constexpr ControlRow kMainControls[] = {
    {1, Kind::DefPushButton, L"OK", 16, 214, 50, 16},
    {2, Kind::PushButton, L"Cancel", 81, 214, 50, 16},
    {1001, Kind::LabelEdit, L"", 33, 24, 104, 13},
    {1000, Kind::CheckBox, L"Check2", 17, 25, 8, 10},
    {1002, Kind::LabelEdit, L"", 33, 38, 104, 13},
    {1003, Kind::CheckBox, L"Check2", 17, 39, 8, 10},
    {1004, Kind::LabelEdit, L"", 33, 52, 104, 13},
    {1005, Kind::CheckBox, L"Check2", 17, 53, 8, 10},
    {1006, Kind::LabelEdit, L"", 33, 66, 104, 13},
    {1007, Kind::CheckBox, L"Check2", 17, 67, 8, 10},
    {1008, Kind::LabelEdit, L"", 33, 80, 104, 13},
    {1009, Kind::CheckBox, L"Check2", 17, 81, 8, 10},
    {1010, Kind::LabelEdit, L"", 33, 94, 104, 13},
    {1011, Kind::CheckBox, L"Check2", 17, 95, 8, 10},
    {1012, Kind::LabelEdit, L"", 33, 108, 104, 13},
    {1013, Kind::CheckBox, L"Check2", 17, 109, 8, 10},
    {1014, Kind::LabelEdit, L"", 33, 122, 104, 13},
    {1015, Kind::CheckBox, L"Check2", 17, 123, 8, 10},
    {1016, Kind::LabelEdit, L"", 33, 138, 104, 13},
    {1017, Kind::CheckBox, L"Check2", 17, 139, 8, 10},
    {1018, Kind::LabelEdit, L"", 33, 152, 104, 13},
    {1019, Kind::CheckBox, L"Check2", 17, 153, 8, 10},
    {1020, Kind::LabelEdit, L"", 33, 166, 104, 13},
    {1021, Kind::CheckBox, L"Check2", 17, 167, 8, 10},
    {1022, Kind::LabelEdit, L"", 177, 26, 104, 13},
    {1023, Kind::CheckBox, L"Check2", 160, 27, 8, 10},
    {1024, Kind::LabelEdit, L"", 177, 40, 104, 13},
    {1025, Kind::CheckBox, L"Check2", 160, 41, 8, 10},
    {1026, Kind::LabelEdit, L"", 177, 54, 104, 13},
    {1027, Kind::CheckBox, L"Check2", 160, 55, 8, 10},
    {1028, Kind::LabelEdit, L"", 177, 68, 104, 13},
    {1029, Kind::CheckBox, L"Check2", 160, 69, 8, 10},
    {1030, Kind::LabelEdit, L"", 177, 82, 104, 13},
    {1031, Kind::CheckBox, L"Check2", 160, 83, 8, 10},
    {kNone, Kind::GroupBox, L"", 7, 18, 285, 164},
    {1032, Kind::PushButton, L"Help", 228, 214, 50, 16},
    {1033, Kind::LabelEdit, L"", 56, 7, 59, 12},
    {kNone, Kind::RightCentredText, L"Murn Version", 7, 7, 49, 11},
    {1034, Kind::CheckBox, L"4 GByte version? (64-bit computers only)", 138, 7, 149, 10},
    {1036, Kind::CheckBox, L"Check2", 160, 97, 8, 10},
    {1037, Kind::LabelEdit, L"", 177, 110, 104, 13},
    {1038, Kind::CheckBox, L"Check2", 160, 111, 8, 10},
    {1039, Kind::LabelEdit, L"", 177, 124, 104, 13},
    {1040, Kind::CheckBox, L"Check2", 160, 125, 8, 10},
    {1041, Kind::LabelEdit, L"", 177, 138, 104, 13},
    {1042, Kind::CheckBox, L"Check2", 160, 139, 8, 10},
    {1043, Kind::LabelEdit, L"", 177, 152, 104, 13},
    {1044, Kind::CheckBox, L"Check2", 160, 153, 8, 10},
    {1045, Kind::LabelEdit, L"", 177, 166, 104, 13},
    {1064, Kind::LabelEdit, L"", 177, 96, 104, 13},
    {1065, Kind::CheckBox, L"Check2", 160, 167, 8, 10},
    {1035, Kind::Trackbar, L"", 14, 194, 100, 15},
    {1046, Kind::Trackbar, L"", 141, 194, 123, 15},
    {kNone, Kind::Text, L"Oxygen in boat", 19, 185, 90, 9},
    {kNone, Kind::Text, L"Compressed Oxygen", 146, 185, 90, 9},
    {1047, Kind::Text, L"Static", 114, 194, 19, 13},
    {1048, Kind::Text, L"Static", 263, 194, 19, 13},
    {3, Kind::PushButton, L"Zarvolin Mods", 155, 214, 50, 16},
};

// Template 103, in template order.
constexpr ControlRow kModsControls[] = {
    {1, Kind::DefPushButton, L"OK", 19, 145, 50, 16},
    {2, Kind::PushButton, L"Cancel", 125, 145, 50, 16},
    {1032, Kind::PushButton, L"Help", 231, 145, 50, 16},
    {1000, Kind::CheckBox, L"Check1", 17, 27, 8, 10},
    {1003, Kind::CheckBox, L"Check2", 17, 39, 8, 10},
    {1005, Kind::CheckBox, L"Check2", 17, 53, 8, 10},
    {1007, Kind::CheckBox, L"Check2", 17, 67, 8, 10},
    {1009, Kind::CheckBox, L"Check2", 17, 81, 8, 10},
    {1011, Kind::CheckBox, L"Check2", 17, 96, 8, 10},
    {1013, Kind::CheckBox, L"Check2", 161, 28, 8, 10},
    {1015, Kind::CheckBox, L"Check2", 161, 41, 8, 10},
    {1017, Kind::CheckBox, L"Check2", 161, 54, 8, 10},
    {1019, Kind::CheckBox, L"Check2", 161, 67, 8, 10},
    {1021, Kind::CheckBox, L"Check2", 161, 80, 8, 10},
    {1023, Kind::CheckBox, L"Check2", 161, 93, 8, 10},
    {1024, Kind::CheckBox, L"Check2", 161, 106, 8, 10},
    {1035, Kind::Trackbar, L"", 27, 127, 100, 15},
    {1046, Kind::Trackbar, L"", 154, 127, 123, 15},
    {1001, Kind::LabelEdit, L"", 33, 27, 104, 13},
    {1002, Kind::LabelEdit, L"", 33, 39, 104, 13},
    {1004, Kind::LabelEdit, L"", 33, 53, 104, 13},
    {1006, Kind::LabelEdit, L"", 33, 67, 104, 13},
    {1008, Kind::LabelEdit, L"", 33, 81, 104, 13},
    {1010, Kind::LabelEdit, L"", 33, 96, 104, 13},
    {1012, Kind::LabelEdit, L"", 181, 27, 104, 13},
    {1014, Kind::LabelEdit, L"", 181, 40, 104, 13},
    {1016, Kind::LabelEdit, L"", 181, 53, 104, 13},
    {1018, Kind::LabelEdit, L"", 181, 66, 104, 13},
    {1020, Kind::LabelEdit, L"", 181, 79, 104, 13},
    {1022, Kind::LabelEdit, L"", 181, 92, 104, 13},
    {kNone, Kind::GroupBox, L"", 7, 18, 285, 147},
    {kNone, Kind::Text, L"Minimum TC (32-128)", 31, 118, 90, 9},
    {kNone, Kind::Text, L"**Not Used**", 159, 118, 90, 9},
    {1047, Kind::Text, L"Static", 119, 119, 19, 13},
    {1048, Kind::Text, L"Static", 259, 119, 19, 13},
    {kNone, Kind::CentredText, L"ZARVOLIN MODS", 7, 7, 285, 15},
    {1025, Kind::LabelEdit, L"", 181, 105, 104, 13},
};

constexpr DialogRow kDialogs[] = {
    {102, kCaption, 299, 240, kMainControls, std::size(kMainControls)},
    {103, kCaption, 299, 168, kModsControls, std::size(kModsControls)},
};

constexpr WORD kUkEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_UK);  // 0x0809

int g_failures = 0;

void Fail(const std::wstring& where, const std::wstring& what) {
    ++g_failures;
    std::fwprintf(stdout, L"FAIL %ls: %ls\n", where.c_str(), what.c_str());
}

void ExpectEqual(const std::wstring& where, const wchar_t* field, long long actual, long long expected) {
    if (actual != expected) {
        Fail(where, std::wstring(field) + L" is " + std::to_wstring(actual) + L", expected " +
                        std::to_wstring(expected));
    }
}

void ExpectText(const std::wstring& where, const wchar_t* field, const std::wstring& actual,
                const std::wstring& expected) {
    if (actual != expected) {
        Fail(where, std::wstring(field) + L" is \"" + actual + L"\", expected \"" + expected + L"\"");
    }
}

// Reads a dialog template field by field; every read is bounds-checked so
// that a broken resource gives a failure, not a crash.
class TemplateReader {
public:
    TemplateReader(const BYTE* data, std::size_t size) : data_(data), size_(size) {}

    bool ok() const { return ok_; }

    template <typename T>
    T Read() {
        T value{};
        if (pos_ + sizeof(T) > size_) {
            ok_ = false;
            return value;
        }
        std::memcpy(&value, data_ + pos_, sizeof(T));
        pos_ += sizeof(T);
        return value;
    }

    // A string or an ordinal (0xFFFF followed by the number).
    struct SzOrOrd {
        bool isOrdinal = false;
        WORD ordinal = 0;
        std::wstring text;
    };

    SzOrOrd ReadSzOrOrd() {
        SzOrOrd result;
        WORD first = Read<WORD>();
        if (first == 0xFFFF) {
            result.isOrdinal = true;
            result.ordinal = Read<WORD>();
            return result;
        }
        for (WORD c = first; ok_ && c != 0; c = Read<WORD>()) {
            result.text.push_back(static_cast<wchar_t>(c));
        }
        return result;
    }

    std::wstring ReadString() { return ReadSzOrOrd().text; }

    void Skip(std::size_t n) {
        if (pos_ + n > size_) ok_ = false;
        pos_ += n;
    }

    void AlignToDword() { pos_ = (pos_ + 3) & ~static_cast<std::size_t>(3); }

private:
    const BYTE* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

struct ParsedControl {
    DWORD exStyle = 0;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;
    TemplateReader::SzOrOrd windowClass;
    TemplateReader::SzOrOrd title;
};

struct ParsedDialog {
    WORD version = 0, signature = 0;
    DWORD exStyle = 0, style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    TemplateReader::SzOrOrd menu, windowClass;
    std::wstring caption;
    WORD pointSize = 0;
    std::wstring typeface;
    std::vector<ParsedControl> controls;
};

bool Parse(const BYTE* data, std::size_t size, ParsedDialog& dialog) {
    TemplateReader in(data, size);
    dialog.version = in.Read<WORD>();
    dialog.signature = in.Read<WORD>();
    if (dialog.version != 1 || dialog.signature != 0xFFFF) return false;  // not DLGTEMPLATEEX
    in.Read<DWORD>();  // help ID
    dialog.exStyle = in.Read<DWORD>();
    dialog.style = in.Read<DWORD>();
    const WORD count = in.Read<WORD>();
    dialog.x = in.Read<short>();
    dialog.y = in.Read<short>();
    dialog.cx = in.Read<short>();
    dialog.cy = in.Read<short>();
    dialog.menu = in.ReadSzOrOrd();
    dialog.windowClass = in.ReadSzOrOrd();
    dialog.caption = in.ReadString();
    if (dialog.style & DS_SETFONT) {
        dialog.pointSize = in.Read<WORD>();
        in.Read<WORD>();   // weight
        in.Read<BYTE>();   // italic
        in.Read<BYTE>();   // charset
        dialog.typeface = in.ReadString();
    }
    for (WORD i = 0; i < count && in.ok(); ++i) {
        in.AlignToDword();
        ParsedControl control;
        in.Read<DWORD>();  // help ID
        control.exStyle = in.Read<DWORD>();
        control.style = in.Read<DWORD>();
        control.x = in.Read<short>();
        control.y = in.Read<short>();
        control.cx = in.Read<short>();
        control.cy = in.Read<short>();
        control.id = in.Read<DWORD>();
        control.windowClass = in.ReadSzOrOrd();
        control.title = in.ReadSzOrOrd();
        in.Skip(in.Read<WORD>());  // creation data
        dialog.controls.push_back(control);
    }
    return in.ok();
}

// Predefined classes are stored as ordinals in templates.
constexpr WORD kButtonClass = 0x0080;
constexpr WORD kEditClass = 0x0081;
constexpr WORD kStaticClass = 0x0082;

std::wstring ClassName(const TemplateReader::SzOrOrd& c) {
    if (!c.isOrdinal) return c.text;
    switch (c.ordinal) {
    case kButtonClass: return L"Button";
    case kEditClass: return L"Edit";
    case kStaticClass: return L"Static";
    default: return L"#" + std::to_wstring(c.ordinal);
    }
}

struct KindRule {
    const wchar_t* className;
    DWORD typeMask;     // the style field that holds the control's type
    DWORD type;         // its value
    DWORD requiredBits; // further bits that must be set
};

KindRule RuleFor(Kind kind) {
    switch (kind) {
    case Kind::CheckBox: return {L"Button", BS_TYPEMASK, BS_AUTOCHECKBOX, WS_TABSTOP};
    case Kind::LabelEdit: return {L"Edit", 0, 0, WS_BORDER | WS_TABSTOP | ES_READONLY | ES_AUTOHSCROLL};
    case Kind::DefPushButton: return {L"Button", BS_TYPEMASK, BS_DEFPUSHBUTTON, WS_TABSTOP};
    case Kind::PushButton: return {L"Button", BS_TYPEMASK, BS_PUSHBUTTON, WS_TABSTOP};
    case Kind::GroupBox: return {L"Button", BS_TYPEMASK, BS_GROUPBOX, 0};
    case Kind::Text: return {L"Static", SS_TYPEMASK, SS_LEFT, 0};
    case Kind::CentredText: return {L"Static", SS_TYPEMASK, SS_CENTER, 0};
    case Kind::RightCentredText: return {L"Static", SS_TYPEMASK, SS_RIGHT, SS_CENTERIMAGE};
    case Kind::Trackbar:
        return {L"msctls_trackbar32", TBS_VERT, TBS_HORZ, TBS_AUTOTICKS | TBS_ENABLESELRANGE | WS_TABSTOP};
    }
    return {L"?", 0, 0, 0};
}

void CheckControl(const std::wstring& dialogName, std::size_t index, const ParsedControl& actual,
                  const ControlRow& expected) {
    const std::wstring where = dialogName + L" control " + std::to_wstring(index) + L" (ID " +
                               std::to_wstring(expected.id) + L", \"" + expected.text + L"\")";
    // A control without an ID of its own carries -1, stored as a 16-bit or a
    // 32-bit all-ones value depending on the resource compiler.
    const bool idMatches = expected.id == kNone
                               ? (actual.id == 0xFFFFFFFFu || actual.id == 0xFFFFu)
                               : actual.id == static_cast<DWORD>(expected.id);
    if (!idMatches) ExpectEqual(where, L"ID", actual.id, expected.id);

    const KindRule rule = RuleFor(expected.kind);
    const std::wstring className = ClassName(actual.windowClass);
    if (_wcsicmp(className.c_str(), rule.className) != 0) ExpectText(where, L"class", className, rule.className);
    if ((actual.style & rule.typeMask) != rule.type) {
        ExpectEqual(where, L"type bits", actual.style & rule.typeMask, rule.type);
    }
    if ((actual.style & rule.requiredBits) != rule.requiredBits) {
        ExpectEqual(where, L"missing style bits", rule.requiredBits & ~actual.style, 0);
    }
    if ((actual.style & (WS_CHILD | WS_VISIBLE | WS_DISABLED)) != (WS_CHILD | WS_VISIBLE)) {
        Fail(where, L"not a visible, enabled child window");
    }
    ExpectText(where, L"text", actual.title.isOrdinal ? L"#" + std::to_wstring(actual.title.ordinal)
                                                        : actual.title.text,
               expected.text);
    ExpectEqual(where, L"x", actual.x, expected.x);
    ExpectEqual(where, L"y", actual.y, expected.y);
    ExpectEqual(where, L"width", actual.cx, expected.cx);
    ExpectEqual(where, L"height", actual.cy, expected.cy);
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) {
    reinterpret_cast<std::vector<WORD>*>(param)->push_back(language);
    return TRUE;
}

void CheckDialog(HMODULE module, const DialogRow& expected) {
    const std::wstring name = L"template " + std::to_wstring(expected.templateId);
    const wchar_t* resourceName = MAKEINTRESOURCEW(expected.templateId);

    std::vector<WORD> languages;
    EnumResourceLanguagesW(module, MAKEINTRESOURCEW(5) /* RT_DIALOG */, resourceName, CollectLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
    if (languages.size() != 1 || languages[0] != kUkEnglish) {
        std::wstring found;
        for (WORD l : languages) found += L" " + std::to_wstring(l);
        Fail(name, L"languages are {" + found + L" }, expected only 2057 (0x0809)");
    }

    HRSRC resource = FindResourceExW(module, MAKEINTRESOURCEW(5), resourceName, kUkEnglish);
    if (!resource) {
        Fail(name, L"no RT_DIALOG resource");
        return;
    }
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module, resource)));
    const DWORD size = SizeofResource(module, resource);
    ParsedDialog dialog;
    if (!data || !Parse(data, size, dialog)) {
        Fail(name, L"not a well-formed extended dialog template");
        return;
    }

    ExpectText(name, L"caption", dialog.caption, expected.caption);
    ExpectEqual(name, L"x", dialog.x, 0);
    ExpectEqual(name, L"y", dialog.y, 0);
    ExpectEqual(name, L"width", dialog.cx, expected.cx);
    ExpectEqual(name, L"height", dialog.cy, expected.cy);
    ExpectText(name, L"font", dialog.typeface, L"MS Shell Dlg");
    ExpectEqual(name, L"font size", dialog.pointSize, 8);
    const DWORD required = DS_SETFONT | DS_FIXEDSYS | DS_MODALFRAME | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU;
    const DWORD forbidden = WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME | WS_CHILD | WS_DISABLED;
    if ((dialog.style & required) != required) ExpectEqual(name, L"missing style bits", required & ~dialog.style, 0);
    if (dialog.style & forbidden) ExpectEqual(name, L"unwanted style bits", dialog.style & forbidden, 0);
    ExpectEqual(name, L"extended style", dialog.exStyle, WS_EX_APPWINDOW);
    if (dialog.menu.isOrdinal || !dialog.menu.text.empty()) Fail(name, L"has a menu");
    if (dialog.windowClass.isOrdinal || !dialog.windowClass.text.empty()) Fail(name, L"has a window class of its own");

    ExpectEqual(name, L"control count", static_cast<long long>(dialog.controls.size()),
                static_cast<long long>(expected.controlCount));
    const std::size_t n = std::min(dialog.controls.size(), expected.controlCount);
    for (std::size_t i = 0; i < n; ++i) CheckControl(name, i, dialog.controls[i], expected.controls[i]);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fwprintf(stderr, L"usage: murn_template_check PATH\\MURNoptions.exe\n");
        return 2;
    }
    HMODULE module = LoadLibraryExW(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) {
        std::fwprintf(stdout, L"FAIL cannot load %ls as a data file (error %lu)\n", argv[1], GetLastError());
        return 1;
    }
    int passed = 0;
    for (const DialogRow& dialog : kDialogs) {
        const int before = g_failures;
        CheckDialog(module, dialog);
        if (g_failures == before) {
            ++passed;
            std::fwprintf(stdout, L"PASS template %d: %zu controls\n", dialog.templateId, dialog.controlCount);
        }
    }
    FreeLibrary(module);
    const int failed = static_cast<int>(std::size(kDialogs)) - passed;
    std::fwprintf(stdout, L"%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
