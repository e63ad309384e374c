#pragma once
// The running PC time as the windows show it: local 12-hour time, as the program has
// always shown it, or UTC in 24-hour time once the user asks for times in UTC. The
// choice is one for the whole program, so every time text follows it.

#include "clock_source.h"

#include <QString>
#include <QtGlobal>

namespace halvion {

// The program-wide choice (local time until the user chooses UTC).
void setTimesInUtc(bool utc);
bool timesInUtc();

// An instant (ms since 1970, UTC) as the windows show it, following the choice:
// "15:07:09 UTC" or "03:07:09 PM" ...
QString instantTimeText(qint64 utcMs);
// ... and with its date: "2026-12-10 15:07:09 UTC" or "2026-12-10 03:07:09 PM".
QString instantDateTimeText(qint64 utcMs);

// "PC Time 03:07:09 PM" (12-hour clock, two digits each, the system's AM/PM
// designators), or "UTC 15:07:09".
QString pcTimeText(const ClockReading &reading);
// The same clock time alone: "03:07:09 PM", or "15:07:09".
QString clockTimeText(const ClockReading &reading);
// Both forms whatever the choice.
QString localTimeText(const ClockReading &reading);
QString utcTimeText(const ClockReading &reading);
// The reading's time of day in UTC (its local time less its offset from UTC).
ClockReading toUtc(const ClockReading &reading);

} // namespace halvion
