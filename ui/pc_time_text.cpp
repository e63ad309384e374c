#include "pc_time_text.h"

#include <QLocale>

namespace halvion {

namespace {
bool utcChosen = false;

QString twoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}
} // namespace

void setTimesInUtc(bool utc) { utcChosen = utc; }
bool timesInUtc() { return utcChosen; }

QString pcTimeText(const ClockReading &reading)
{
    if (utcChosen)
        return QStringLiteral("UTC ") + utcTimeText(reading);
    return QStringLiteral("PC Time ") + localTimeText(reading);
}

QString clockTimeText(const ClockReading &reading)
{
    return utcChosen ? utcTimeText(reading) : localTimeText(reading);
}

QString localTimeText(const ClockReading &reading)
{
    // 12-hour clock with the system's AM/PM designators, two digits each: "03:07:09 PM".
    const QLocale locale = QLocale::system();
    const int hour12 = reading.hour % 12 == 0 ? 12 : reading.hour % 12;
    const QString designator = reading.hour < 12 ? locale.amText() : locale.pmText();
    return QStringLiteral("%1:%2:%3 %4")
        .arg(twoDigits(hour12), twoDigits(reading.minute), twoDigits(reading.second), designator);
}

QString utcTimeText(const ClockReading &reading)
{
    const ClockReading utc = toUtc(reading);
    return QStringLiteral("%1:%2:%3").arg(twoDigits(utc.hour), twoDigits(utc.minute), twoDigits(utc.second));
}

ClockReading toUtc(const ClockReading &reading)
{
    constexpr int Day = 24 * 3600;
    const int local = reading.hour * 3600 + reading.minute * 60 + reading.second;
    const int utc = ((local - reading.utcOffsetSeconds) % Day + Day) % Day;
    ClockReading out = reading;
    out.hour = utc / 3600;
    out.minute = utc / 60 % 60;
    out.second = utc % 60;
    out.utcOffsetSeconds = 0;
    return out;
}

} // namespace halvion
