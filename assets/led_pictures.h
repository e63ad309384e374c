#pragma once
// The LED pictures of the map, the legend, the band indicators and the status
// editor: a red LED (OK), a blue LED (on the air with problems) and a red LED with
// an X (off the air), each lit or dark. Drawn, not loaded, so they are crisp at any
// screen scale.

#include <QPixmap>

namespace halvion {

enum class LedColour { Red, Blue, RedX };

// A square LED picture of the given size in device-independent pixels, drawn for
// the given device pixel ratio (so 16 px is drawn with 32 real pixels on a 2x screen).
QPixmap ledPixmap(LedColour colour, bool lit, int size = 16, qreal devicePixelRatio = 0);

} // namespace halvion
