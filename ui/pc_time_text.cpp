#include "pc_time_text.h"

#include <QLocale>

namespace halvion {

QString pcTimeText(const ClockReading &reading)
{
    return QStringLiteral("PC Time ") + clockTimeText(reading);
}

QString clockTimeText(const ClockReading &reading)
{
    // 12-hour clock with the system's AM/PM designators, two digits each: "03:07:09 PM".
    const QLocale locale = QLocale::system();
    const int hour12 = reading.hour % 12 == 0 ? 12 : reading.hour % 12;
    const QString designator = reading.hour < 12 ? locale.amText() : locale.pmText();
    return QStringLiteral("%1:%2:%3 %4")
        .arg(hour12, 2, 10, QLatin1Char('0'))
        .arg(reading.minute, 2, 10, QLatin1Char('0'))
        .arg(reading.second, 2, 10, QLatin1Char('0'))
        .arg(designator);
}

} // namespace halvion
