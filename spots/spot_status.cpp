#include "spot_status.h"

namespace halvion {

namespace {

qint64 recentSince(qint64 nowUtcMs) { return nowUtcMs - qint64(RecentSpotMinutes) * SpotStore::MinuteMs; }

} // namespace

SpottedStations stationsSpottedOn(const SpotStore &store, BandIndex band, qint64 nowUtcMs)
{
    SpottedStations spotted{};
    if (band < 0 || band >= BandCount)
        return spotted;
    for (BeaconIndex i = 0; i < BeaconCount; ++i)
        spotted[std::size_t(i)] = store.spottedOn(i, band, recentSince(nowUtcMs)).spotted();
    return spotted;
}

bool spottedLately(const SpotStore &store, BeaconIndex station, BandIndex band, qint64 nowUtcMs)
{
    return band >= 0 && band < BandCount && store.spottedOn(station, band, recentSince(nowUtcMs)).spotted();
}

QString recentSpotText(const SpotStore &store, BeaconIndex station, BandIndex band, qint64 nowUtcMs)
{
    if (band < 0 || band >= BandCount)
        return {};
    return spottedText(band, RecentSpotMinutes, store.spottedOn(station, band, recentSince(nowUtcMs)));
}

} // namespace halvion
