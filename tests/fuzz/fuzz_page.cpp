// A whole page, loaded and applied over a fuzzed contents file and a fuzzed
// SH3.exe, once as the main page and once as the mods page. The executable is
// sparse: a 512-byte head that holds the large-address byte, zeros, and the
// fuzzed tail at 1,000,000, where the contents file's positions can reach it.
// Whatever the files hold and whichever file operation fails, the player sees
// one of the tool's messages, a load never writes, an apply changes nothing
// but the page's areas and never the file's length, and "updated" is said
// only when the areas hold what the page meant to write.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "contents_file.h"
#include "fuzz_check.h"
#include "game_executable.h"
#include "memory_file_system.h"
#include "page.h"
#include "page_input.h"
#include "test_support.h"

namespace murn::fuzz {
namespace {

constexpr std::int64_t kTailStart = 1000000;
constexpr std::size_t kHeadBytes = 512;

using test::RecordingView;

std::string Narrow(const std::wstring& text) { return test::Narrow(text); }

bool OneOf(const std::wstring& text, std::initializer_list<std::wstring> texts) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

std::wstring NoSwitchOnMessage(const PageProfile& profile) {
    return std::wstring(profile.noSwitchOnMessage) + kNoSwitchOnSuffix;
}

bool IsContentsMessage(const PageProfile& profile, const std::wstring& text) {
    return OneOf(text, {profile.missingContentsMessage, profile.rowCountMessage, profile.switchPositionMessage,
                        profile.sliderPositionMessage});
}

bool IsExeReadMessage(const std::wstring& text) {
    return OneOf(text, {kExeMissingMessage, kExeUnpatchedMessage, kExeLacksSwitchesMessage, kReadFailedMessage});
}

bool IsLoadMessage(const PageProfile& profile, const std::wstring& text) {
    return IsContentsMessage(profile, text) || IsExeReadMessage(text) || text == NoSwitchOnMessage(profile) ||
           (profile.versionMismatchMessage != nullptr && text == profile.versionMismatchMessage);
}

bool IsApplyMessage(const std::wstring& text) {
    return OneOf(text, {kUpdatedMessage, kNotUpdatedMessage, kAreasOutsideFileMessage, kWriteUndoneMessage,
                        kWriteFailedMessage});
}

// What the tool should find at offset: bytes past the end are not there.
std::uint8_t ByteAt(const MemoryImage& exe, std::int64_t offset) {
    return offset < exe.OriginalLength() ? exe.OriginalAt(offset) : 0;
}

std::uint8_t SwitchByte(const MemoryImage& exe, const OptionState& state, int row) {
    return ByteAt(exe, static_cast<std::int64_t>(state.switchPosition) + row);
}

// The version text as the format stores it: up to 9 bytes, a line feed
// included as the last, ended before a zero byte.
std::string VersionAt(const MemoryImage& exe, std::int64_t position) {
    std::string text;
    for (std::int64_t offset = position; offset < position + 9 && offset < exe.OriginalLength(); ++offset) {
        const auto byte = static_cast<char>(exe.OriginalAt(offset));
        if (byte == '\0') break;
        text.push_back(byte);
        if (byte == '\n') break;
    }
    return text;
}

struct Setting {
    PageInput in;
    MemoryImage exe;
    std::string contents;
    // Where the placed entry lines point; meaningful with in.placeEntries.
    std::int32_t switchPosition = 0;
    std::int32_t sliderPosition = 0;
    std::int32_t versionPosition = 0;
    // With placed entries: whether the version check must pass, fail, or is
    // left open because the expected text holds bytes a contents file cannot carry.
    enum { VersionOpen, VersionMatches, VersionDiffers } version = VersionOpen;
};

Setting MakeSetting(std::span<const std::uint8_t> data) {
    Setting s;
    s.in = DecodePageInput(data);
    const PageInput& in = s.in;

    std::vector<std::uint8_t> head(kHeadBytes, 0);
    head[static_cast<std::size_t>(kLargeAddressOffset)] = in.largeAddressByte;
    s.exe.Place(0, head);
    s.exe.Place(kTailStart, in.exeTail);
    s.exe.SetLength(in.unpatchedLength ? kUnpatchedLength
                                       : kTailStart + static_cast<std::int64_t>(in.exeTail.size()));
    s.exe.Seal();

    if (in.placeEntries) {
        // A little beyond the tail too, so that areas also run past the end.
        const auto inTail = [&](std::uint16_t raw) {
            return static_cast<std::int32_t>(kTailStart) + static_cast<std::int32_t>(raw % (in.exeTail.size() + 64));
        };
        s.switchPosition = inTail(in.switchOffset);
        s.sliderPosition = inTail(in.sliderOffset);
        s.versionPosition = in.versionOffset == 0 ? static_cast<std::int32_t>(kTailStart) : inTail(in.versionOffset);
        const std::string inExe =
            s.versionPosition > kLowestAreaPosition ? VersionAt(s.exe, s.versionPosition) : std::string();
        const std::string expected = in.versionFromExe ? inExe : std::string();
        s.contents = ":" + std::to_string(s.switchPosition) + "\n:" + std::to_string(s.versionPosition) + ":" +
                     expected + "\n:" + std::to_string(s.sliderPosition) + "\n";
        if (expected.find_first_of("\r\n\x1A") == std::string::npos)
            s.version = inExe == expected ? Setting::VersionMatches : Setting::VersionDiffers;
    }
    s.contents += in.contents;
    return s;
}

struct Area {
    std::int64_t offset;
    std::vector<std::uint8_t> bytes;
    bool Covers(std::int64_t at) const {
        return at >= offset && at < offset + static_cast<std::int64_t>(bytes.size());
    }
};

std::vector<std::uint8_t> FloatBytes(float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
            static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
}

// The page's areas with what an apply of this state means to put there, in
// the order of writing.
std::vector<Area> MeantAreas(const PageProfile& profile, const OptionState& state, const RecordingView& view) {
    std::vector<Area> areas;
    Area switches{state.switchPosition, {}};
    for (const std::int32_t flag : state.switchFlags) switches.bytes.push_back(flag == 1 ? 0xFF : 0x00);
    areas.push_back(switches);
    if (profile.mainPageAreas)
        areas.push_back({kLargeAddressOffset, {state.largeAddressFlag == 1 ? kLargeAddressSet : kLargeAddressClear}});
    for (std::size_t s = 0; s < 2; ++s) {
        const float value = profile.sliderScales[s]->FileValueAt(view.sliderPos[s]);
        areas.push_back({state.sliderPosition + 4 * static_cast<std::int64_t>(s), FloatBytes(value)});
    }
    return areas;
}

void CheckLoad(const Setting& s, const PageProfile& profile, const MemoryFileSystem& files, const OptionState& state,
               const RecordingView& view) {
    const std::string page = profile.mainPageAreas ? "main page: " : "mods page: ";
    FUZZ_REQUIRE(files.OpenFiles() == 0 && files.CallsAfterClose() == 0, page);
    FUZZ_REQUIRE(std::count(files.Log().begin(), files.Log().end(), MemoryOp::Write) == 0, page + "a load wrote");
    const auto& opened = files.Opened();
    FUZZ_REQUIRE(!opened.empty() && opened.size() <= 2, page);
    FUZZ_REQUIRE(opened[0].first == profile.contentsFileName && opened[0].second == OpenMode::ReadOnly, page);
    const bool exeOpened = opened.size() == 2;
    if (exeOpened) FUZZ_REQUIRE(opened[1].first == kGameExecutableName && opened[1].second == OpenMode::ReadOnly, page);

    const bool loaded = view.messages.empty();
    const std::wstring message = loaded ? std::wstring() : view.messages[0];
    const std::string where = page + Narrow(message);
    FUZZ_REQUIRE(state.pageMessage == message, where);
    if (!loaded) {
        FUZZ_REQUIRE(view.messages.size() == 1, where);
        FUZZ_REQUIRE(view.calls == std::vector<std::string>({"ShowPageMessage", "CloseAsCancelled"}), where);
        FUZZ_REQUIRE(IsLoadMessage(profile, message), where);
        // SH3.exe is opened only once the contents file has passed.
        FUZZ_REQUIRE(IsContentsMessage(profile, message) == !exeOpened, where);
    }

    const std::int64_t length = s.exe.OriginalLength();
    if (!files.Injected()) {
        FUZZ_REQUIRE(message != profile.missingContentsMessage && message != kReadFailedMessage, where);
        if (exeOpened && s.in.placeEntries) {
            FUZZ_REQUIRE(state.switchPosition == s.switchPosition && state.sliderPosition == s.sliderPosition, where);
        }
        if (exeOpened) {
            // Decide the load's end again from the files themselves.
            bool anyOn = false;
            for (int i = 0; i < profile.rowCount; ++i) anyOn |= SwitchByte(s.exe, state, i) == 0xFF;
            const bool main = profile.mainPageAreas;
            std::vector<std::wstring> allowed;
            if (s.in.exeMissing) {
                allowed = {kExeMissingMessage};
            } else if (main && length == kUnpatchedLength) {
                allowed = {kExeUnpatchedMessage};
            } else if (main && length < state.switchPosition) {
                allowed = {kExeLacksSwitchesMessage};
            } else {
                const std::wstring afterVersion = anyOn ? std::wstring() : NoSwitchOnMessage(profile);
                if (!main || (s.in.placeEntries && s.version == Setting::VersionMatches))
                    allowed = {afterVersion};
                else if (s.in.placeEntries && s.version == Setting::VersionDiffers)
                    allowed = {profile.versionMismatchMessage};
                else
                    allowed = {afterVersion, profile.versionMismatchMessage};
            }
            FUZZ_REQUIRE(std::find(allowed.begin(), allowed.end(), message) != allowed.end(),
                         where + " where " + Narrow(allowed[0]) + " was due");
        }
    }

    if (!loaded) return;
    FUZZ_REQUIRE(exeOpened, page);
    FUZZ_REQUIRE(state.switchPosition >= kLowestAreaPosition && state.sliderPosition >= kLowestAreaPosition, page);
    // A read that came up short without an error looks like the end of the
    // file: what the page then shows cannot be held against the file.
    if (files.Injected() && files.Quiet()) return;
    // The flags and positions come from the bytes at the contents file's positions.
    bool anyOn = false;
    for (int i = 0; i < profile.rowCount; ++i) {
        const bool on = SwitchByte(s.exe, state, i) == 0xFF;
        FUZZ_REQUIRE(state.switchFlags[static_cast<std::size_t>(i)] == (on ? 1 : 0), page + "row " + std::to_string(i));
        anyOn |= on;
    }
    FUZZ_REQUIRE(anyOn, page);
    if (profile.mainPageAreas)
        FUZZ_REQUIRE(state.largeAddressFlag == (s.in.largeAddressByte == kLargeAddressSet ? 1 : 0), page);
    std::vector<std::string> presented;
    for (std::size_t k = 0; k < 2; ++k) {
        const std::int64_t at = state.sliderPosition + 4 * static_cast<std::int64_t>(k);
        float stored = 0.0f;
        if (at + 4 <= length) {
            const std::uint32_t bits = static_cast<std::uint32_t>(ByteAt(s.exe, at)) |
                                       static_cast<std::uint32_t>(ByteAt(s.exe, at + 1)) << 8 |
                                       static_cast<std::uint32_t>(ByteAt(s.exe, at + 2)) << 16 |
                                       static_cast<std::uint32_t>(ByteAt(s.exe, at + 3)) << 24;
            std::memcpy(&stored, &bits, sizeof stored);
        }
        const SliderScale& scale = *profile.sliderScales[k];
        const int position = scale.IndexOf(RoundToOneDecimal(stored));
        FUZZ_REQUIRE(state.sliderPositions[k] == position, page + "slider " + std::to_string(k));
        FUZZ_REQUIRE(view.sliderPos[k] == position && view.valueText[k] == scale.ValueText(position), page);
        const std::string slider = std::to_string(k);
        presented.push_back("SetSliderRange(" + slider + "," + std::to_string(scale.MaxPosition()) + ")");
        presented.push_back("SetSliderPosition(" + slider + "," + std::to_string(position) + ")");
        presented.push_back("GetSliderPosition(" + slider + ")");
        presented.push_back("SetSliderValueText(" + slider + "," + Narrow(scale.ValueText(position)) + ")");
    }
    presented.push_back("PushStateToControls");
    FUZZ_REQUIRE(view.calls == presented, page);
    for (const std::wstring& label : state.rowLabels) FUZZ_REQUIRE(!label.empty() && label.size() <= 31, page);
    if (profile.mainPageAreas) {
        const std::wstring& shown = state.versionDisplay;
        FUZZ_REQUIRE(shown == L"Unknown" || (!shown.empty() && (shown[0] == L'v' || shown[0] == L'V')), page);
    }
}

void CheckApply(const Setting& s, const PageProfile& profile, const MemoryFileSystem& files, const OptionState& state,
                const RecordingView& view, const std::vector<Area>& meant, bool faultInApply) {
    const MemoryImage& exe = s.exe;
    const std::string page = profile.mainPageAreas ? "main page: " : "mods page: ";
    FUZZ_REQUIRE(files.OpenFiles() == 0 && files.CallsAfterClose() == 0, page);
    FUZZ_REQUIRE(view.messages.size() == 1, page);
    const std::wstring& message = view.messages[0];
    const std::string where = page + Narrow(message);
    FUZZ_REQUIRE(state.pageMessage == message, where);
    FUZZ_REQUIRE(IsApplyMessage(message), where);
    FUZZ_REQUIRE(view.calls == std::vector<std::string>({"GetSliderPosition(0)", "GetSliderPosition(1)",
                                                          "ShowPageMessage", "FinishWithOk"}),
                 where);

    const MemoryImage& now = *files.Find(kGameExecutableName);
    FUZZ_REQUIRE(now.Length() == exe.OriginalLength(), where + ": the length changed");
    bool changed = false;
    for (const auto& written : now.Written()) {
        const std::int64_t offset = written.first;
        if (written.second == now.OriginalAt(offset)) continue;
        changed = true;
        const bool inArea = std::any_of(meant.begin(), meant.end(), [&](const Area& a) { return a.Covers(offset); });
        FUZZ_REQUIRE(inArea, where + ": byte " + std::to_string(offset) + " changed");
    }
    if (OneOf(message, {kNotUpdatedMessage, kAreasOutsideFileMessage, kWriteUndoneMessage}))
        FUZZ_REQUIRE(!changed, where + " yet the file changed");

    const bool inside = std::all_of(meant.begin(), meant.end(), [&](const Area& a) {
        return a.offset + static_cast<std::int64_t>(a.bytes.size()) <= exe.OriginalLength();
    });
    if (message == kUpdatedMessage) {
        // A lost write of bytes that the file already held does no harm; any
        // other fault must keep the page from saying it updated the file.
        FUZZ_REQUIRE(!faultInApply || files.Quiet(), where + " after a fault");
        // Later areas win where two overlap, as they were written last.
        for (const Area& area : meant) {
            for (std::size_t i = 0; i < area.bytes.size(); ++i) {
                const std::int64_t offset = area.offset + static_cast<std::int64_t>(i);
                std::uint8_t due = 0;
                for (const Area& any : meant)
                    if (any.Covers(offset)) due = any.bytes[static_cast<std::size_t>(offset - any.offset)];
                FUZZ_REQUIRE(now.At(offset) == due, where + " but byte " + std::to_string(offset) + " is not as meant");
            }
        }
    }
    if (!faultInApply) {
        const std::wstring due =
            s.in.exeReadOnly ? kNotUpdatedMessage : inside ? kUpdatedMessage : kAreasOutsideFileMessage;
        FUZZ_REQUIRE(message == due, where + " where " + Narrow(due) + " was due");
    }
}

void RunPage(const Setting& s, const PageProfile& profile) {
    const PageInput& in = s.in;
    MemoryFileSystem files;
    const std::vector<std::uint8_t> text(s.contents.begin(), s.contents.end());
    files.Add(profile.contentsFileName, MemoryImage(text));
    if (!in.exeMissing) files.Add(kGameExecutableName, s.exe, !in.exeReadOnly);
    const int failAt = in.faultAt + 1;
    if (in.injectFault) files.FailAt(failAt, in.faultSticky, in.faultQuiet);

    OptionState state(profile);
    RecordingView view;
    LoadPage(profile, state, view, files);
    CheckLoad(s, profile, files, state, view);
    if (!view.messages.empty()) return;

    // The player's changes between the load and OK.
    if (in.editBeforeApply) {
        for (std::size_t i = 0; i < state.switchFlags.size(); ++i)
            state.switchFlags[i] = static_cast<std::int32_t>((in.switchMask >> i) & 1);
        if (profile.mainPageAreas) state.largeAddressFlag = in.largeAddressFlag ? 1 : 0;
        view.SetSliderPosition(0, in.sliderPositions & 15);
        view.SetSliderPosition(1, in.sliderPositions >> 4);
    }
    view.calls.clear();
    const std::size_t loadOps = files.Log().size();
    const std::vector<Area> meant = MeantAreas(profile, state, view);
    ApplyPage(profile, state, view, files);
    const bool faultInApply = in.injectFault && files.Log().size() >= static_cast<std::size_t>(failAt) &&
                              (static_cast<std::size_t>(failAt) > loadOps || in.faultSticky);
    CheckApply(s, profile, files, state, view, meant, faultInApply);
}

}  // namespace
}  // namespace murn::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const murn::fuzz::Setting setting = murn::fuzz::MakeSetting({data, size});
    murn::fuzz::RunPage(setting, murn::MainPageProfile);
    murn::fuzz::RunPage(setting, murn::ModsPageProfile);
    return 0;
}
