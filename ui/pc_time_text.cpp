#include "pc_time_text.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLocale>
#include <QVariant>

namespace halvion {

namespace {
// The choice is kept on the application object while there is one: the beacon monitor
// module carries its own copy of this code and must read the same choice.
constexpr char UtcProperty[] = "halvionTimesInUtc";
bool utcFallback = false;

QString twoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}
} // namespace

void setTimesInUtc(bool utc)
{
    utcFallback = utc;
    if (QCoreApplication *app = QCoreApplication::instance())
        app->setProperty(UtcProperty, utc);
}

bool timesInUtc()
{
    if (QCoreApplication *app = QCoreApplication::instance()) {
        const QVariant chosen = app->property(UtcProperty);
        if (chosen.isValid())
            return chosen.toBool();
    }
    return utcFallback;
}

QString instantTimeText(qint64 utcMs)
{
    const QDateTime utc = QDateTime::fromMSecsSinceEpoch(utcMs, Qt::UTC);
    if (timesInUtc())
        return utc.toString(QStringLiteral("HH:mm:ss")) + QStringLiteral(" UTC");
    const QDateTime local = utc.toLocalTime();
    ClockReading reading;
    reading.hour = local.time().hour();
    reading.minute = local.time().minute();
    reading.second = local.time().second();
    return localTimeText(reading);
}

QString instantDateTimeText(qint64 utcMs)
{
    const QDateTime utc = QDateTime::fromMSecsSinceEpoch(utcMs, Qt::UTC);
    const QDateTime shown = timesInUtc() ? utc : utc.toLocalTime();
    return shown.date().toString(QStringLiteral("yyyy-MM-dd ")) + instantTimeText(utcMs);
}

QString pcTimeText(const ClockReading &reading)
{
    if (timesInUtc())
        return QStringLiteral("UTC ") + utcTimeText(reading);
    return QStringLiteral("PC Time ") + localTimeText(reading);
}

QString clockTimeText(const ClockReading &reading)
{
    return timesInUtc() ? utcTimeText(reading) : localTimeText(reading);
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
