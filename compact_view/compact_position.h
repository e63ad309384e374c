#pragma once
// The compact window's place on the screen is kept in twips in the settings file.
// These turn a stored number into a window position a window system can take, and a
// window position back into the number that is stored.

namespace halvion::CompactPosition {

// X11 window coordinates are 16-bit: a position beyond this cannot be placed at all.
inline constexpr int LargestPixel = 32767;

// A stored position in twips as pixels, to the nearest pixel. Far-off positions are
// kept as they are; only what no window can be placed at is clamped (and a value that
// is not a number at all counts as 0).
int toPixels(double twips);

// A window position in pixels as twips, for storing.
double toTwips(int pixels);

} // namespace halvion::CompactPosition
