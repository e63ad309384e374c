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

StatusSuggestion suggestStatus(const SpotStore &store, qint64 nowUtcMs)
{
    StatusSuggestion s;
    for (BeaconIndex i = 0; i < BeaconCount; ++i)
        s.heardLately[std::size_t(i)] = store.spottedOn(i, -1, nowUtcMs - 60 * SpotStore::MinuteMs).spotted();
    const qint64 since = store.connectedSince(nowUtcMs, SpotStore::DayMs);
    if (since < 0) {
        const qint64 minutes = store.connectedMs(nowUtcMs - SpotStore::DayMs, nowUtcMs) / SpotStore::MinuteMs;
        s.note = QStringLiteral("Connected %1 h %2 min of the last 24 h: a station is called unheard after a whole "
                                "day of listening.")
                     .arg(minutes / 60)
                     .arg(minutes % 60);
        return s;
    }
    for (BeaconIndex i = 0; i < BeaconCount; ++i)
        s.unheard[std::size_t(i)] = !store.spottedOn(i, -1, since).spotted();
    return s;
}

} // namespace halvion
