#include "compact_position.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace halvion::CompactPosition {

namespace {
constexpr double TwipsPerPixel = 15.0;

// Squared distance between two rectangles; 0 when they touch or overlap.
long long gap(const QRect &a, const QRect &b)
{
    const long long dx = std::max({0, b.left() - a.right() - 1, a.left() - b.right() - 1});
    const long long dy = std::max({0, b.top() - a.bottom() - 1, a.top() - b.bottom() - 1});
    return dx * dx + dy * dy;
}

// The start of a span of `length` moved into [low, low + room), the low end first when
// it cannot fit.
int clampSpan(int start, int length, int low, int room)
{
    return std::max(low, std::min(start, low + room - length));
}
} // namespace

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

QPoint placeOnScreens(const QRect &frame, const QList<ScreenArea> &screens)
{
    const ScreenArea *nearest = nullptr;
    long long nearestGap = std::numeric_limits<long long>::max();
    for (const ScreenArea &screen : screens) {
        if (screen.whole.intersects(frame))
            return frame.topLeft();
        const QRect target = screen.available.isValid() ? screen.available : screen.whole;
        if (const long long d = gap(frame, target); d < nearestGap) {
            nearest = &screen;
            nearestGap = d;
        }
    }
    if (!nearest)
        return frame.topLeft();
    const QRect target = nearest->available.isValid() ? nearest->available : nearest->whole;
    return QPoint(clampSpan(frame.left(), frame.width(), target.left(), target.width()),
                  clampSpan(frame.top(), frame.height(), target.top(), target.height()));
}

} // namespace halvion::CompactPosition
