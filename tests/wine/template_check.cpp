// Checks the resources inside MURNoptions.exe against what the tool promises:
// the two page templates and the About box template (dialog caption, size,
// font and styles, then every control in template order with its class, style
// bits, text and rectangle), the About entry's string, icon 128, the manifest,
// the version resource as Windows reads it back, and the language of every
// resource.
//
//   murn_template_check PATH\MURNoptions.exe
//
// The program is loaded as a data file only, so nothing of it runs.

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

// What a control is, as far as the template can tell: its window class and
// the style bits that make it that kind of control.
enum class Kind {
    CheckBox,        // auto check box, tab stop
    LabelEdit,       // border, tab stop, read-only, auto-scroll
    DefPushButton,   // default push button, tab stop
    GroupDefPushButton, // default push button, tab stop, starts a group
    PushButton,      // push button, tab stop
    GroupBox,        // group box
    Text,            // left-aligned static text
    NoPrefixText,    // left-aligned static text that shows "&" as it is
    Icon,            // static icon; its text names the icon resource
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
    bool visible;   // WS_VISIBLE in the template
    DWORD exStyle;  // the whole extended style
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

// Template 100, the About box.
constexpr ControlRow kAboutControls[] = {
    {kNone, Kind::Icon, L"#128", 11, 17, 20, 20},
    {kNone, Kind::NoPrefixText, L"Murn Option Selector, version 1.6", 40, 10, 119, 8},
    {kNone, Kind::Text, L"Copyright (C) 2006-2026 the Murn authors", 40, 25, 135, 8},
    {1, Kind::GroupDefPushButton, L"OK", 178, 7, 50, 16},
};

// The pages have a taskbar button each; the About box is shown by the
// platform and has none.
constexpr DialogRow kDialogs[] = {
    {100, L"About Murn Option Selector", 235, 55, false, 0, kAboutControls, std::size(kAboutControls)},
    {102, kCaption, 299, 240, true, WS_EX_APPWINDOW, kMainControls, std::size(kMainControls)},
    {103, kCaption, 299, 168, true, WS_EX_APPWINDOW, kModsControls, std::size(kModsControls)},
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
    case Kind::GroupDefPushButton: return {L"Button", BS_TYPEMASK, BS_DEFPUSHBUTTON, WS_TABSTOP | WS_GROUP};
    case Kind::PushButton: return {L"Button", BS_TYPEMASK, BS_PUSHBUTTON, WS_TABSTOP};
    case Kind::GroupBox: return {L"Button", BS_TYPEMASK, BS_GROUPBOX, 0};
    case Kind::Text: return {L"Static", SS_TYPEMASK, SS_LEFT, 0};
    case Kind::NoPrefixText: return {L"Static", SS_TYPEMASK, SS_LEFT, SS_NOPREFIX};
    case Kind::Icon: return {L"Static", SS_TYPEMASK, SS_ICON, 0};
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
    const DWORD visible = expected.visible ? WS_VISIBLE : 0;
    const DWORD required = DS_SETFONT | DS_FIXEDSYS | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | visible;
    const DWORD forbidden =
        WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME | WS_CHILD | WS_DISABLED | (WS_VISIBLE & ~visible);
    if ((dialog.style & required) != required) ExpectEqual(name, L"missing style bits", required & ~dialog.style, 0);
    if (dialog.style & forbidden) ExpectEqual(name, L"unwanted style bits", dialog.style & forbidden, 0);
    ExpectEqual(name, L"extended style", dialog.exStyle, expected.exStyle);
    if (dialog.menu.isOrdinal || !dialog.menu.text.empty()) Fail(name, L"has a menu");
    if (dialog.windowClass.isOrdinal || !dialog.windowClass.text.empty()) Fail(name, L"has a window class of its own");

    ExpectEqual(name, L"control count", static_cast<long long>(dialog.controls.size()),
                static_cast<long long>(expected.controlCount));
    const std::size_t n = std::min(dialog.controls.size(), expected.controlCount);
    for (std::size_t i = 0; i < n; ++i) CheckControl(name, i, dialog.controls[i], expected.controls[i]);
}

// ---------------------------------------------------------------------------
// The other resources.

constexpr WORD kUsEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);  // 0x0409
constexpr WORD kIconId = 128;
constexpr WORD kAboutStringId = 101;
constexpr const wchar_t* kAboutEntry = L"&About Murn...";

// A resource's bytes under exactly that language; empty when there is none.
std::vector<BYTE> ResourceBytes(HMODULE module, LPCWSTR type, WORD id, WORD language) {
    HRSRC resource = FindResourceExW(module, type, MAKEINTRESOURCEW(id), language);
    if (!resource) return {};
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module, resource)));
    if (!data) return {};
    return std::vector<BYTE>(data, data + SizeofResource(module, resource));
}

template <typename T>
T ReadAt(const std::vector<BYTE>& bytes, std::size_t offset) {
    T value{};
    if (offset + sizeof(T) <= bytes.size()) std::memcpy(&value, bytes.data() + offset, sizeof(T));
    return value;
}

// A string table block holds 16 strings, each a length and that many UTF-16
// units. Block 7 holds strings 96 to 111; 101 is the only one the tool has.
void CheckStrings(HMODULE module) {
    const std::wstring name = L"string table";
    const WORD block = kAboutStringId / 16 + 1;
    const std::vector<BYTE> bytes = ResourceBytes(module, RT_STRING, block, kUkEnglish);
    if (bytes.empty()) return Fail(name, L"no block " + std::to_wstring(block) + L" under language 0x0809");
    std::size_t offset = 0;
    for (WORD i = 0; i < 16; ++i) {
        const WORD length = ReadAt<WORD>(bytes, offset);
        offset += sizeof(WORD);
        if (offset + length * sizeof(wchar_t) > bytes.size()) return Fail(name, L"block 7 is cut short");
        std::wstring text(length, L'\0');
        std::memcpy(text.data(), bytes.data() + offset, length * sizeof(wchar_t));
        offset += length * sizeof(wchar_t);
        const WORD id = static_cast<WORD>((block - 1) * 16 + i);
        ExpectText(name, (L"string " + std::to_wstring(id)).c_str(), text, id == kAboutStringId ? kAboutEntry : L"");
    }
}

// The icon group names its images; icon 128 has one, 48 by 48 with 8 bits
// per pixel. Returns the image's resource ID, or 0.
WORD CheckIcon(HMODULE module) {
    const std::wstring name = L"icon 128";
    const std::vector<BYTE> group = ResourceBytes(module, RT_GROUP_ICON, kIconId, kUkEnglish);
    if (group.size() < 6) {
        Fail(name, L"no icon group 128 under language 0x0809");
        return 0;
    }
    ExpectEqual(name, L"group type", ReadAt<WORD>(group, 2), 1);
    const WORD count = ReadAt<WORD>(group, 4);
    ExpectEqual(name, L"image count", count, 1);
    constexpr std::size_t kEntry = 6;  // GRPICONDIRENTRY: 14 bytes, the image ID last
    if (count < 1 || group.size() < kEntry + 14) {
        Fail(name, L"the group has no image entry");
        return 0;
    }
    ExpectEqual(name, L"width", ReadAt<BYTE>(group, kEntry), 48);
    ExpectEqual(name, L"height", ReadAt<BYTE>(group, kEntry + 1), 48);
    ExpectEqual(name, L"bits per pixel", ReadAt<WORD>(group, kEntry + 6), 8);
    const DWORD imageSize = ReadAt<DWORD>(group, kEntry + 8);
    const WORD imageId = ReadAt<WORD>(group, kEntry + 12);

    const std::vector<BYTE> image = ResourceBytes(module, RT_ICON, imageId, kUkEnglish);
    if (image.empty()) {
        Fail(name, L"no image " + std::to_wstring(imageId) + L" under language 0x0809");
        return imageId;
    }
    ExpectEqual(name, L"image size", static_cast<long long>(image.size()), imageSize);
    BITMAPINFOHEADER header{};
    if (image.size() < sizeof header) {
        Fail(name, L"the image is no bitmap");
        return imageId;
    }
    std::memcpy(&header, image.data(), sizeof header);
    ExpectEqual(name, L"bitmap header size", header.biSize, sizeof header);
    ExpectEqual(name, L"bitmap width", header.biWidth, 48);
    ExpectEqual(name, L"bitmap height (image and mask)", header.biHeight, 96);
    ExpectEqual(name, L"bitmap bits per pixel", header.biBitCount, 8);
    if (header.biClrUsed != 0 && header.biClrUsed != 256) ExpectEqual(name, L"colours", header.biClrUsed, 256);
    return imageId;
}

void CheckManifest(HMODULE module) {
    const std::wstring name = L"manifest";
    const std::vector<BYTE> bytes = ResourceBytes(module, MAKEINTRESOURCEW(24), 1, kUsEnglish);
    if (bytes.empty()) return Fail(name, L"no manifest 1 under language 0x0409");
    const std::string text(bytes.begin(), bytes.end());
    auto count = [&](const std::string& what) {
        std::size_t n = 0;
        for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    };
    ExpectEqual(name, L"dependencies", static_cast<long long>(count("<dependentAssembly>")), 1);
    for (const char* attribute :
         {"type=\"win32\"", "name=\"Microsoft.Windows.Common-Controls\"", "version=\"6.0.0.0\"",
          "processorArchitecture=\"x86\"", "publicKeyToken=\"6595b64144ccf1df\"", "language=\"*\""}) {
        if (count(attribute) != 1) Fail(name, L"the dependency lacks " + std::wstring(attribute, attribute + std::strlen(attribute)));
    }
}

// The version resource as a tree of keys, to see that it holds exactly the
// blocks and values listed and nothing else.
struct VersionNode {
    std::wstring key;
    std::vector<VersionNode> children;
};

// Each node: length, value length, type (1: text, value length in UTF-16
// units), key, padding to 4 bytes, value, padding, children. Nodes below the
// string tables are values and have no children.
bool ParseVersionNode(const std::vector<BYTE>& data, std::size_t offset, int depth, VersionNode& node) {
    if (offset + 6 > data.size()) return false;
    const std::size_t end = offset + ReadAt<WORD>(data, offset);
    const std::size_t valueBytes = ReadAt<WORD>(data, offset + 2) * (ReadAt<WORD>(data, offset + 4) == 1 ? 2u : 1u);
    if (end > data.size() || end < offset + 6) return false;
    std::size_t at = offset + 6;
    for (wchar_t c = ReadAt<wchar_t>(data, at); at < end && c != 0; c = ReadAt<wchar_t>(data, at)) {
        node.key.push_back(c);
        at += 2;
    }
    at = ((at + 2) + 3) & ~std::size_t{3};
    at = ((at + valueBytes) + 3) & ~std::size_t{3};
    if (depth >= 3) return true;
    while (at < end) {
        VersionNode child;
        if (!ParseVersionNode(data, at, depth + 1, child)) return false;
        const std::size_t length = ReadAt<WORD>(data, at);
        if (length == 0) return false;
        node.children.push_back(std::move(child));
        at = (at + length + 3) & ~std::size_t{3};
    }
    return true;
}

std::set<std::wstring> Keys(const VersionNode& node) {
    std::set<std::wstring> keys;
    for (const VersionNode& child : node.children) keys.insert(child.key);
    return keys;
}

std::wstring Joined(const std::set<std::wstring>& keys) {
    std::wstring text;
    for (const std::wstring& key : keys) text += (text.empty() ? L"" : L", ") + key;
    return L"{" + text + L"}";
}

struct VersionString {
    const wchar_t* key;
    const wchar_t* text;  // null: the maker's own wording, which must not be empty
};

constexpr VersionString kVersionStrings[] = {
    {L"CompanyName", nullptr},
    {L"FileDescription", nullptr},
    {L"FileVersion", L"1.6"},
    {L"InternalName", nullptr},
    {L"LegalCopyright", nullptr},
    {L"OriginalFilename", L"MURNoptions.exe"},
    {L"ProductName", nullptr},
    {L"ProductVersion", L"1.6C"},
};

void CheckVersion(const std::wstring& path) {
    const std::wstring name = L"version resource";
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    std::vector<BYTE> data(size);
    if (size == 0 || !GetFileVersionInfoW(path.c_str(), 0, size, data.data())) {
        return Fail(name, L"Windows finds none (error " + std::to_wstring(GetLastError()) + L")");
    }

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || length < sizeof *fixed) {
        return Fail(name, L"no fixed file information");
    }
    const struct {
        const wchar_t* field;
        DWORD actual, expected;
    } fields[] = {
        {L"signature", fixed->dwSignature, VS_FFI_SIGNATURE},
        {L"file version 1.6", fixed->dwFileVersionMS, MAKELONG(6, 1)},
        {L"file version .0.0", fixed->dwFileVersionLS, MAKELONG(0, 0)},
        {L"product version 1.6", fixed->dwProductVersionMS, MAKELONG(6, 1)},
        {L"product version .0.4", fixed->dwProductVersionLS, MAKELONG(4, 0)},
        {L"file flags", fixed->dwFileFlags, 0},
        {L"operating system", fixed->dwFileOS, VOS__WINDOWS32},
        {L"file type", fixed->dwFileType, VFT_APP},
        {L"file subtype", fixed->dwFileSubtype, VFT2_UNKNOWN},
    };
    for (const auto& field : fields) ExpectEqual(name, field.field, field.actual, field.expected);

    WORD* translation = nullptr;
    if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) ||
        length != 2 * sizeof(WORD)) {
        Fail(name, L"not exactly one translation");
    } else {
        ExpectEqual(name, L"translation language", translation[0], 0x0409);
        ExpectEqual(name, L"translation code page", translation[1], 0x04E4);
    }

    for (const VersionString& row : kVersionStrings) {
        const std::wstring query = std::wstring(L"\\StringFileInfo\\040904e4\\") + row.key;
        wchar_t* text = nullptr;
        if (!VerQueryValueW(data.data(), query.c_str(), reinterpret_cast<void**>(&text), &length) || !text) {
            Fail(name, std::wstring(row.key) + L" is missing");
        } else if (row.text) {
            ExpectText(name, row.key, text, row.text);
        } else if (*text == L'\0') {
            Fail(name, std::wstring(row.key) + L" is empty");
        }
    }

    VersionNode root;
    data.resize(std::min<std::size_t>(data.size(), ReadAt<WORD>(data, 0)));
    if (!ParseVersionNode(data, 0, 0, root)) return Fail(name, L"not a well-formed version resource");
    ExpectText(name, L"root key", root.key, L"VS_VERSION_INFO");
    ExpectText(name, L"blocks", Joined(Keys(root)), L"{StringFileInfo, VarFileInfo}");
    std::set<std::wstring> expectedKeys;
    for (const VersionString& row : kVersionStrings) expectedKeys.insert(row.key);
    for (const VersionNode& block : root.children) {
        if (block.key == L"StringFileInfo") {
            ExpectText(name, L"string tables", Joined(Keys(block)), L"{040904e4}");
            for (const VersionNode& table : block.children) {
                ExpectText(name, L"values of 040904e4", Joined(Keys(table)), Joined(expectedKeys));
            }
        } else if (block.key == L"VarFileInfo") {
            ExpectText(name, L"VarFileInfo", Joined(Keys(block)), L"{Translation}");
        }
    }
}

std::wstring TypeName(LPCWSTR type) {
    if (!IS_INTRESOURCE(type)) return type;
    switch (reinterpret_cast<ULONG_PTR>(type)) {
    case 3: return L"icon image";
    case 5: return L"dialog";
    case 6: return L"string block";
    case 14: return L"icon group";
    case 16: return L"version";
    case 24: return L"manifest";
    default: return L"type " + std::to_wstring(reinterpret_cast<ULONG_PTR>(type));
    }
}

std::wstring ResourceName(LPCWSTR type, LPCWSTR name) {
    return TypeName(type) + L" " +
           (IS_INTRESOURCE(name) ? std::to_wstring(reinterpret_cast<ULONG_PTR>(name)) : std::wstring(name));
}

using LanguagesByResource = std::map<std::wstring, std::vector<WORD>>;

BOOL CALLBACK OnResourceLanguage(HMODULE, LPCWSTR type, LPCWSTR name, WORD language, LONG_PTR param) {
    (*reinterpret_cast<LanguagesByResource*>(param))[ResourceName(type, name)].push_back(language);
    return TRUE;
}

BOOL CALLBACK OnResourceName(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR param) {
    EnumResourceLanguagesW(module, type, name, OnResourceLanguage, param);
    return TRUE;
}

BOOL CALLBACK OnResourceType(HMODULE module, LPWSTR type, LONG_PTR param) {
    EnumResourceNamesW(module, type, OnResourceName, param);
    return TRUE;
}

// Every resource of the program, each under exactly one language: British
// English, but for the manifest.
void CheckResourceLanguages(HMODULE module, WORD iconImageId) {
    const std::wstring name = L"resource languages";
    LanguagesByResource found;
    EnumResourceTypesW(module, OnResourceType, reinterpret_cast<LONG_PTR>(&found));
    LanguagesByResource expected;
    for (const DialogRow& dialog : kDialogs) {
        expected[ResourceName(RT_DIALOG, MAKEINTRESOURCEW(dialog.templateId))] = {kUkEnglish};
    }
    expected[ResourceName(RT_STRING, MAKEINTRESOURCEW(kAboutStringId / 16 + 1))] = {kUkEnglish};
    expected[ResourceName(RT_GROUP_ICON, MAKEINTRESOURCEW(kIconId))] = {kUkEnglish};
    if (iconImageId != 0) expected[ResourceName(RT_ICON, MAKEINTRESOURCEW(iconImageId))] = {kUkEnglish};
    expected[ResourceName(RT_VERSION, MAKEINTRESOURCEW(1))] = {kUkEnglish};
    expected[ResourceName(MAKEINTRESOURCEW(24), MAKEINTRESOURCEW(1))] = {kUsEnglish};

    auto languages = [](const std::vector<WORD>& list) {
        std::wstring text;
        for (WORD language : list) text += L" " + std::to_wstring(language);
        return L"{" + text + L" }";
    };
    for (const auto& [resource, list] : found) {
        const auto wanted = expected.find(resource);
        if (wanted == expected.end()) {
            Fail(name, L"unexpected resource: " + resource);
        } else if (list != wanted->second) {
            Fail(name, resource + L" has languages " + languages(list) + L", expected " + languages(wanted->second));
        }
    }
    for (const auto& [resource, list] : expected) {
        if (!found.contains(resource)) Fail(name, L"missing resource: " + resource);
    }
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
    WORD iconImageId = 0;
    struct NamedCheck {
        std::wstring name;
        std::function<void()> run;
    };
    std::vector<NamedCheck> checks;
    for (const DialogRow& dialog : kDialogs) {
        checks.push_back({L"template " + std::to_wstring(dialog.templateId) + L": " +
                              std::to_wstring(dialog.controlCount) + L" controls",
                          [&] { CheckDialog(module, dialog); }});
    }
    checks.push_back({L"string 101 alone in its block", [&] { CheckStrings(module); }});
    checks.push_back({L"icon 128: one 48x48 image, 8 bits per pixel", [&] { iconImageId = CheckIcon(module); }});
    checks.push_back({L"manifest: common controls 6.0.0.0", [&] { CheckManifest(module); }});
    checks.push_back({L"version resource reads back as listed", [&] { CheckVersion(argv[1]); }});
    checks.push_back({L"every resource under its language", [&] { CheckResourceLanguages(module, iconImageId); }});
    int passed = 0;
    for (const NamedCheck& check : checks) {
        const int before = g_failures;
        check.run();
        if (g_failures == before) {
            ++passed;
            std::fwprintf(stdout, L"PASS %ls\n", check.name.c_str());
        }
    }
    FreeLibrary(module);
    const int failed = static_cast<int>(checks.size()) - passed;
    std::fwprintf(stdout, L"%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
