#include "page.h"

#include <algorithm>

#include "contents_file.h"
#include "game_executable.h"

namespace murn {

const PageProfile MainPageProfile{
    "MURNcontents.txt",
    22,
    22,
    true,
    {&OxygenInBoatScale, &CompressedOxygenScale},
    L"Cannot locate MURNcontents.txt file",
    L"Incorrect no. of entries in file MURNcontents.txt.",
    L"Non numeric or defective file position as first entry in file MURNcontents.txt.",
    L"Non numeric or defective slider position as third entry in file MURNcontents.txt.",
    L"Cannot find your switches in file SH3.exe.",
    L"Version number in SH3.exe does not match version in file MURNcontents.txt.",
};

const PageProfile ModsPageProfile{
    "Zarvolincontents.txt",
    13,
    12,
    false,
    {&MinimumTcScale, &NotUsedScale},
    L"Cannot locate Zarvolincontents.txt file",
    L"Incorrect no. of entries in file Zarvolincontents.txt.",
    L"Non numeric or defective file position as first entry in file Zarvolincontents.txt.",
    L"Non numeric or defective slider position as third entry in file Zarvolincontents.txt.",
    L"Cannot find your Zarvolin switches in file SH3.exe.",
    nullptr,
};

namespace {

constexpr std::uint8_t kSwitchOn = 0xFF;
constexpr std::uint8_t kSwitchOff = 0x00;

char UpperAsciiLetter(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

const wchar_t* ContentsMessage(const PageProfile& profile, ContentsOutcome outcome) {
    switch (outcome) {
        case ContentsOutcome::ContentsMissing: return profile.missingContentsMessage;
        case ContentsOutcome::WrongRowCount: return profile.rowCountMessage;
        case ContentsOutcome::BadSwitchPosition: return profile.switchPositionMessage;
        case ContentsOutcome::BadSliderPosition: return profile.sliderPositionMessage;
        case ContentsOutcome::ContentsOk: break;
    }
    return nullptr;
}

const wchar_t* ReadMessage(ExeOutcome outcome) {
    switch (outcome) {
        case ExeOutcome::ExeCannotOpen: return kExeMissingMessage;
        case ExeOutcome::ExeUnpatched: return kExeUnpatchedMessage;
        case ExeOutcome::ExeLacksSwitches: return kExeLacksSwitchesMessage;
        case ExeOutcome::ExeReadFailed: return kReadFailedMessage;
        default: return nullptr;
    }
}

const wchar_t* WriteMessage(ExeOutcome outcome) {
    switch (outcome) {
        case ExeOutcome::ExeOk: return kUpdatedMessage;
        case ExeOutcome::ExeCannotOpen: return kNotUpdatedMessage;
        case ExeOutcome::ExeAreasOutsideFile: return kAreasOutsideFileMessage;
        case ExeOutcome::ExeWriteUndone: return kWriteUndoneMessage;
        default: return kWriteFailedMessage;
    }
}

// The window-free half of a load: reads both files and fills the state.
// Returns false with pageMessage set at the first failure; the sliders'
// positions come back through sliderPositions.
bool ReadPage(const PageProfile& profile, OptionState& state, PageView& view, FileSystem& files) {
    const ContentsResult contents = ReadContentsFile(profile.contentsFileName, profile.rowCount,
                                                     profile.stopAboveRows, files);
    if (const wchar_t* message = ContentsMessage(profile, contents.outcome)) {
        state.pageMessage = message;
        return false;
    }
    state.switchPosition = contents.file.switchPosition;
    state.sliderPosition = contents.file.sliderPosition;

    PatchAreaLayout layout;
    layout.switchCount = profile.rowCount;
    layout.switchPosition = contents.file.switchPosition;
    layout.sliderPosition = contents.file.sliderPosition;
    layout.versionPosition = contents.file.versionPosition;
    layout.mainPageAreas = profile.mainPageAreas;
    const ExeReadResult read = GameExecutable(files).ReadPatchAreas(layout);
    if (const wchar_t* message = ReadMessage(read.outcome)) {
        state.pageMessage = message;
        return false;
    }
    const PatchAreaValues& values = read.values;

    if (profile.mainPageAreas) {
        state.versionDisplay = view.WidenAnsiText(VersionDisplayText(values.versionText));
        if (!VersionTextsMatch(values.versionText, contents.file.expectedVersion)) {
            state.pageMessage = profile.versionMismatchMessage;
            return false;
        }
    }

    if (std::count(values.switchBytes.begin(), values.switchBytes.end(), kSwitchOn) == 0) {
        state.pageMessage = std::wstring(profile.noSwitchOnMessage) + kNoSwitchOnSuffix;
        return false;
    }
    for (std::size_t i = 0; i < state.switchFlags.size(); ++i)
        state.switchFlags[i] = values.switchBytes[i] == kSwitchOn ? 1 : 0;
    if (profile.mainPageAreas) state.largeAddressFlag = values.largeAddressAware ? 1 : 0;

    for (std::size_t s = 0; s < 2; ++s)
        state.sliderPositions[s] = profile.sliderScales[s]->IndexOf(values.sliderValues[s]);

    for (std::size_t i = 0; i < state.rowLabels.size(); ++i)
        state.rowLabels[i] = view.WidenAnsiText(contents.file.labels[i]);
    return true;
}

}  // namespace

bool VersionTextsMatch(std::string_view fromExe, std::string_view expected) {
    return std::equal(fromExe.begin(), fromExe.end(), expected.begin(), expected.end(),
                      [](char a, char b) { return UpperAsciiLetter(a) == UpperAsciiLetter(b); });
}

void LoadPage(const PageProfile& profile, OptionState& state, PageView& view, FileSystem& files) {
    state.pageMessage.clear();
    state.switchPosition = 0;
    if (ReadPage(profile, state, view, files)) {
        for (int s = 0; s < 2; ++s) {
            const SliderScale& scale = *profile.sliderScales[static_cast<std::size_t>(s)];
            view.SetSliderRange(s, scale.MaxPosition());
            view.SetSliderPosition(s, state.sliderPositions[static_cast<std::size_t>(s)]);
            view.SetSliderValueText(s, scale.ValueText(view.GetSliderPosition(s)));
        }
        view.PushStateToControls();
    }
    if (!state.pageMessage.empty()) {
        view.ShowPageMessage(state.pageMessage);
        view.CloseAsCancelled();
    }
}

void ApplyPage(const PageProfile& profile, OptionState& state, PageView& view, FileSystem& files) {
    PatchAreaValues values;
    for (const std::int32_t flag : state.switchFlags)
        values.switchBytes.push_back(flag == 1 ? kSwitchOn : kSwitchOff);
    values.largeAddressAware = profile.mainPageAreas && state.largeAddressFlag == 1;
    for (std::size_t s = 0; s < 2; ++s) {
        state.sliderPositions[s] = view.GetSliderPosition(static_cast<int>(s));
        values.sliderValues[s] = profile.sliderScales[s]->FileValueAt(state.sliderPositions[s]);
    }
    state.pageMessage.clear();

    PatchAreaLayout layout;
    layout.switchCount = profile.rowCount;
    layout.switchPosition = state.switchPosition;
    layout.sliderPosition = state.sliderPosition;
    layout.mainPageAreas = profile.mainPageAreas;
    state.pageMessage = WriteMessage(GameExecutable(files).WritePatchAreas(layout, values));

    view.ShowPageMessage(state.pageMessage);
    view.FinishWithOk();
}

}  // namespace murn
