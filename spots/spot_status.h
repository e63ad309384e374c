#pragma once
// What the windows show of the skimmers' spots: the stations heard lately on a band
// (the map's rings, the compact view's marks), the line a station's tooltip gains, and
// the status editor's suggestions. Asked when the spots change and at most once a
// second, never from a tick.

#include "spot_store.h"
#include "status_suggestion.h"

#include <QString>

#include <array>

namespace halvion {

// How far back "spotted lately" reaches on the map and in the compact view.
inline constexpr int RecentSpotMinutes = 15;

using SpottedStations = std::array<bool, BeaconCount>;

// The stations spotted on the band in the last 15 minutes; none for band -1.
SpottedStations stationsSpottedOn(const SpotStore &store, BandIndex band, qint64 nowUtcMs);

bool spottedLately(const SpotStore &store, BeaconIndex station, BandIndex band, qint64 nowUtcMs);

// "Spotted on 20 m by 12 skimmers in the last 15 min, best 24 dB (KM3T, 22:59 UTC)";
// empty when the station was not spotted on the band in that time.
QString recentSpotText(const SpotStore &store, BeaconIndex station, BandIndex band, qint64 nowUtcMs);

// The status editor's suggestion: the stations spotted on any band in the last hour,
// and those not spotted through the last 24 hours the feed was connected (none while
// it has not been connected that long; the note says so).
StatusSuggestion suggestStatus(const SpotStore &store, qint64 nowUtcMs);

} // namespace halvion
