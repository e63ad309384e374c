#pragma once
// What the skimmers heard, as a window that only reads it sees it: the beacon monitor's
// results window, in a module of its own, asks the program's spot store through this
// and links nothing of the feed.

#include "stored_spot.h"

#include <QString>

#include <array>
#include <vector>

namespace halvion {

// The answer for one station (and band, or any band) over a span.
struct SpotSummary {
    int skimmers = 0;          // distinct skimmers that heard it
    int spots = 0;             // spots counted
    int bestSnrDb = 0;         // the strongest report; only when spotted()
    QString bestSkimmer;       // who made it, as on the feed: "KM3T-2"
    qint64 bestSpotUtcMs = 0;  // the skimmer's time for it (whole minute)
    BandIndex bestBand = -1;   // the band of the best report
    qint64 lastHeardUtcMs = 0; // the newest spot counted

    bool spotted() const { return spots > 0; }
};

using SpotGrid = std::array<std::array<SpotSummary, BandCount>, BeaconCount>;

// Read-only questions about the spots (SpotStore answers them).
class SpotView {
public:
    virtual ~SpotView() = default;
    // Every station on every band since a UTC time.
    virtual SpotGrid grid(qint64 sinceUtcMs) const = 0;
    // Every spot since a UTC time, oldest first; station or band -1 for any.
    virtual std::vector<StoredSpot> history(qint64 sinceUtcMs, BeaconIndex station, BandIndex band) const = 0;
};

} // namespace halvion
