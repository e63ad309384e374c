#pragma once
// The user's own additions to the callsigns the beacons may send, read from
// beacon_callsigns.txt in the program's data folder (beside the monitor's log) when the
// monitor starts. Its lines are described in BeaconCallsigns::parse(); a line that cannot
// be used is left out and reported with its number, the others still count.

#include "beacon_callsigns.h"

#include <QString>
#include <QStringList>

namespace halvion {

// The standard table plus the file's entries; a missing file adds nothing. `problems`
// gets one text per line left out ("line 3: ...") or the reason the file cannot be read.
BeaconCallsigns loadBeaconCallsigns(const QString &path, QStringList &problems);

} // namespace halvion
