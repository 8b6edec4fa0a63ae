#pragma once
// The fixed value tables behind the four sliders; a slider position is an
// index into its table.

#include <cstddef>
#include <span>
#include <string>

namespace murn {

class SliderScale {
public:
    constexpr SliderScale(std::span<const double> values, int defaultIndex)
        : values_(values), defaultIndex_(defaultIndex) {}

    int MaxPosition() const { return static_cast<int>(values_.size()) - 1; }
    int DefaultIndex() const { return defaultIndex_; }
    // The first position whose value equals v exactly, else the default.
    int IndexOf(float v) const;
    // Positions come from a slider whose range is this scale's; one outside
    // it is still kept to the table.
    double ValueAt(int position) const {
        const int kept = position < 0 ? 0 : position > MaxPosition() ? MaxPosition() : position;
        return values_[static_cast<std::size_t>(kept)];
    }
    // "%3.1f" of the value, as shown beside the slider.
    std::wstring ValueText(int position) const;
    float FileValueAt(int position) const { return static_cast<float>(ValueAt(position)); }

private:
    std::span<const double> values_;
    int defaultIndex_;
};

extern const SliderScale OxygenInBoatScale;      // main page, slider 1
extern const SliderScale CompressedOxygenScale;  // main page, slider 2
extern const SliderScale MinimumTcScale;         // mods page, slider 1
extern const SliderScale NotUsedScale;           // mods page, slider 2

}  // namespace murn
