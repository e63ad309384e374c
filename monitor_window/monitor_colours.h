#pragma once
// The colours of the monitor's station-and-band grid: one per result, from "measured,
// not heard" (grey) to "heard down to the 0.1-W dash" (deep green), fading towards the
// window's background as the measurement grows old.

#include <QColor>
#include <QtGlobal>

namespace halvion::MonitorColours {

// Full colour for a quarter of an hour (one scan rotation), then fading to 30 % at
// three hours old and staying there.
inline constexpr qint64 FreshMs = 15 * 60 * 1000;
inline constexpr qint64 FadedMs = 3 * 60 * 60 * 1000;

QColor forResult(int dashesHeard);
// How much of the result's colour is left at this age, 0.3..1.
double strength(qint64 ageMs);
QColor cell(int dashesHeard, qint64 ageMs, const QColor &background);

} // namespace halvion::MonitorColours
