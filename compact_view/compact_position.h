#pragma once
// The compact window's place on the screen is kept in twips in the settings file, as
// the top-left corner of its outer frame. These turn a stored number into a window
// position a window system can take, a window position back into the number that is
// stored, and bring a window that would open out of sight back onto a screen.

#include <QList>
#include <QPoint>
#include <QRect>

namespace halvion::CompactPosition {

// X11 window coordinates are 16-bit: a position beyond this cannot be placed at all.
inline constexpr int LargestPixel = 32767;

// A stored position in twips as pixels, to the nearest pixel. Far-off positions are
// kept as they are; only what no window can be placed at is clamped (and a value that
// is not a number at all counts as 0).
int toPixels(double twips);

// A window position in pixels as twips, for storing.
double toTwips(int pixels);

// One screen: all of it, and the part windows may use (without panels and docks).
struct ScreenArea {
    QRect whole;
    QRect available;
};

// Where a window whose outer frame would cover `frame` opens: where it is while any
// part of it lies on a screen; otherwise on the screen nearest to it, whole where it
// fits (top-left corner first where it does not), as close to `frame` as that screen
// allows. With no screens at all, where it is.
QPoint placeOnScreens(const QRect &frame, const QList<ScreenArea> &screens);

} // namespace halvion::CompactPosition
