#pragma once
// Where the store keeps its beacon spots beyond memory, so the charts and the last
// day's counts survive a restart. The store knows only this; the SQLite log behind it
// lives in a library of its own, which the program reaches through the beacon
// monitor's module, so that nothing of SQL is loaded while the feed is off.

#include "stored_spot.h"

#include <QString>

#include <utility>
#include <vector>

namespace halvion {

class SpotArchive {
public:
    virtual ~SpotArchive() = default;

    virtual bool isOpen() const = 0;
    // Why it cannot be used; empty while it can.
    virtual QString errorText() const = 0;

    virtual bool append(const std::vector<StoredSpot> &rows) = 0;
    // Spots heard since a UTC time, oldest first; station or band -1 for any.
    virtual std::vector<StoredSpot> history(qint64 sinceUtcMs, BeaconIndex station, BandIndex band) const = 0;
    virtual qint64 count() const = 0;
    // Removes the spots and connected spans that ended before the given time.
    virtual bool trim(qint64 beforeUtcMs) = 0;

    // One connected span, keyed by its start: written again as it grows.
    virtual bool saveConnected(qint64 startUtcMs, qint64 endUtcMs) = 0;
    // The spans that end at or after the given time, oldest first.
    virtual std::vector<std::pair<qint64, qint64>> connectedSpans(qint64 sinceUtcMs) const = 0;
};

} // namespace halvion
