#include "monitor_colours.h"

#include <algorithm>

namespace halvion::MonitorColours {

QColor forResult(int dashesHeard)
{
    switch (std::clamp(dashesHeard, 0, 4)) {
    case 1: return QColor(0xf0, 0x8a, 0x24); // 100 W
    case 2: return QColor(0xe8, 0xc5, 0x2a); // 10 W
    case 3: return QColor(0x7b, 0xc0, 0x43); // 1 W
    case 4: return QColor(0x1b, 0x8e, 0x3a); // 0.1 W
    default: return QColor(0xa0, 0xa0, 0xa0); // measured, not heard
    }
}

double strength(qint64 ageMs)
{
    if (ageMs <= FreshMs)
        return 1.0;
    if (ageMs >= FadedMs)
        return 0.3;
    return 1.0 - 0.7 * double(ageMs - FreshMs) / double(FadedMs - FreshMs);
}

QColor cell(int dashesHeard, qint64 ageMs, const QColor &background)
{
    const QColor c = forResult(dashesHeard);
    const double s = strength(ageMs);
    const auto mix = [s](int a, int b) { return int(a * s + b * (1 - s) + 0.5); };
    return QColor(mix(c.red(), background.red()), mix(c.green(), background.green()), mix(c.blue(), background.blue()));
}

} // namespace halvion::MonitorColours
