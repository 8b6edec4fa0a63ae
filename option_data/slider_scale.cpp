#include "slider_scale.h"

#include <cstdio>

namespace murn {
namespace {

constexpr double kOxygenInBoatValues[] = {1, 2, 2.5, 3, 3.5, 4, 4.5};
// 5 follows 3 directly on these two.
constexpr double kCompressedOxygenValues[] = {0.5, 1, 1.5, 2, 2.5, 3, 5};
constexpr double kMinimumTcValues[] = {32, 64, 128, 256};
constexpr double kNotUsedValues[] = {0.5, 1, 1.5, 2, 2.5, 3, 5};

}  // namespace

const SliderScale OxygenInBoatScale{kOxygenInBoatValues, 0};
const SliderScale CompressedOxygenScale{kCompressedOxygenValues, 1};
const SliderScale MinimumTcScale{kMinimumTcValues, 0};
const SliderScale NotUsedScale{kNotUsedValues, 1};

int SliderScale::IndexOf(float v) const {
    // Exact comparison: the value has already been rounded to one decimal.
    const double wide = v;
    for (std::size_t p = 0; p < values_.size(); ++p) {
        if (wide == values_[p]) return static_cast<int>(p);
    }
    return defaultIndex_;
}

std::wstring SliderScale::ValueText(int position) const {
    char text[32];
    const int size = std::snprintf(text, sizeof text, "%3.1f", ValueAt(position));
    // The text is digits and a point only, so it widens byte by byte.
    return std::wstring(text, text + (size > 0 ? size : 0));
}

}  // namespace murn
