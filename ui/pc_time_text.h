#pragma once
// The running PC time as the windows show it.

#include "clock_source.h"

#include <QString>

namespace halvion {

// "PC Time 03:07:09 PM": 12-hour clock, two digits each, the system's AM/PM designators.
QString pcTimeText(const ClockReading &reading);
// The same clock time alone: "03:07:09 PM".
QString clockTimeText(const ClockReading &reading);

} // namespace halvion
