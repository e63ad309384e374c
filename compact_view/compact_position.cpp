#include "compact_position.h"

#include <cmath>

namespace halvion::CompactPosition {

namespace {
constexpr double TwipsPerPixel = 15.0;
}

int toPixels(double twips)
{
    if (std::isnan(twips))
        return 0;
    const double pixels = std::round(twips / TwipsPerPixel);
    if (pixels > LargestPixel)
        return LargestPixel;
    if (pixels < -LargestPixel)
        return -LargestPixel;
    return static_cast<int>(pixels);
}

double toTwips(int pixels)
{
    return pixels * TwipsPerPixel;
}

} // namespace halvion::CompactPosition
