#pragma once
// Window geometry is laid out in twips, 15 to a pixel at normal screen scale (rounded
// to the nearest pixel); Qt's own high-DPI scaling does the rest. A window that grows
// with its frame multiplies the whole layout by one scale factor, applied here, so
// every control grows by the same measure and edges that meet stay together.

#include <QRect>
#include <QSize>

#include <algorithm>
#include <cmath>

namespace halvion {

constexpr int twipsToPixels(int twips)
{
    return twips >= 0 ? (twips + 7) / 15 : -((-twips + 7) / 15);
}

constexpr QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}

// The factor a layout made for `design` grows by in a client area of `available`: the
// smaller of the width and height ratios, so proportions stay; never below 1.
inline double layoutScale(QSize available, QSize design)
{
    if (design.isEmpty())
        return 1.0;
    const double scale = std::min(double(available.width()) / design.width(),
                                  double(available.height()) / design.height());
    return std::max(1.0, scale);
}

// A pixel coordinate of the design at a scale, to the nearest pixel.
inline int scaled(int pixels, double scale)
{
    return int(std::lround(pixels * scale));
}

// A rectangle of the design at a scale: its edges are scaled, not its size, so two
// controls that touch at scale 1 still touch.
inline QRect scaledRect(const QRect &design, double scale)
{
    const int left = scaled(design.left(), scale);
    const int top = scaled(design.top(), scale);
    return QRect(left, top, scaled(design.left() + design.width(), scale) - left,
                 scaled(design.top() + design.height(), scale) - top);
}

} // namespace halvion
