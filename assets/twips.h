#pragma once
// Window geometry is laid out in twips, 15 to a pixel at normal screen scale (rounded
// to the nearest pixel); Qt's own high-DPI scaling does the rest.

#include <QRect>

namespace halvion {

constexpr int twipsToPixels(int twips)
{
    return twips >= 0 ? (twips + 7) / 15 : -((-twips + 7) / 15);
}

constexpr QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}

} // namespace halvion
