#include "slider_scale.h"

#include <limits>

#include <gtest/gtest.h>

#include "game_executable.h"
#include "test_support.h"

namespace murn::test {
namespace {

struct ScaleCase {
    const char* name;
    const SliderScale* scale;
    int maxPosition;
    int defaultIndex;
    std::vector<const char*> texts;
};

const ScaleCase kScales[] = {
    {"OxygenInBoat", &OxygenInBoatScale, 6, 0, {"1.0", "2.0", "2.5", "3.0", "3.5", "4.0", "4.5"}},
    {"CompressedOxygen", &CompressedOxygenScale, 6, 1, {"0.5", "1.0", "1.5", "2.0", "2.5", "3.0", "5.0"}},
    {"MinimumTc", &MinimumTcScale, 3, 0, {"32.0", "64.0", "128.0", "256.0"}},
    {"NotUsed", &NotUsedScale, 6, 1, {"0.5", "1.0", "1.5", "2.0", "2.5", "3.0", "5.0"}},
};

TEST(SliderScale, RangeTextsAndRoundTrip) {
    for (const ScaleCase& c : kScales) {
        EXPECT_EQ(c.scale->MaxPosition(), c.maxPosition) << c.name;
        ASSERT_EQ(c.texts.size(), static_cast<std::size_t>(c.maxPosition + 1)) << c.name;
        for (int p = 0; p <= c.maxPosition; ++p) {
            EXPECT_EQ(Narrow(c.scale->ValueText(p)), c.texts[static_cast<std::size_t>(p)]) << c.name << p;
            // A value written at a position, read back and rounded, selects that position again.
            const float written = c.scale->FileValueAt(p);
            EXPECT_EQ(static_cast<double>(written), c.scale->ValueAt(p));
            EXPECT_EQ(c.scale->IndexOf(RoundToOneDecimal(written)), p) << c.name << p;
        }
    }
}

TEST(SliderScale, UnmatchedValuesGiveTheDefault) {
    const float kNaN = std::numeric_limits<float>::quiet_NaN();
    for (const ScaleCase& c : kScales) {
        for (float v : {0.0f, -1.0f, kNaN, 1000.0f, 2.7f})
            EXPECT_EQ(c.scale->IndexOf(RoundToOneDecimal(v)), c.defaultIndex) << c.name << " " << v;
    }
}

TEST(SliderScale, LookupsAfterRounding) {
    struct LookupCase {
        const SliderScale* scale;
        float stored;
        int position;
    };
    const LookupCase cases[] = {
        {&OxygenInBoatScale, 1.0f, 0},       {&OxygenInBoatScale, 4.5f, 6},
        {&OxygenInBoatScale, 5.0f, 0},       {&OxygenInBoatScale, 4.45f, 0},  // rounds to 4.4
        {&CompressedOxygenScale, 5.0f, 6},   {&CompressedOxygenScale, 4.0f, 1},
        {&CompressedOxygenScale, 1.04f, 1},  {&CompressedOxygenScale, 1.05f, 1},
        {&CompressedOxygenScale, 0.95f, 1},  // rounds to 0.9: no entry, so the default
        {&CompressedOxygenScale, 2.45f, 4},  {&MinimumTcScale, 256.0f, 3},
        {&MinimumTcScale, 128.0f, 2},        {&MinimumTcScale, 100.0f, 0},
        {&NotUsedScale, 3.0f, 5},
    };
    for (const LookupCase& c : cases)
        EXPECT_EQ(c.scale->IndexOf(RoundToOneDecimal(c.stored)), c.position) << c.stored;
}

TEST(SliderScale, PositionsOutsideTheRangeStayInTheTable) {
    EXPECT_EQ(MinimumTcScale.ValueAt(-1), 32.0);
    EXPECT_EQ(MinimumTcScale.ValueAt(4), 256.0);
}

}  // namespace
}  // namespace murn::test
