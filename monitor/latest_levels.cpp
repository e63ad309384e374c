#include "latest_levels.h"

namespace halvion {

void LatestLevels::record(const SlotMeasurement &m)
{
    const BeaconIndex station = m.station(); // another station heard in the slot is that station's
    if (station < 0 || station >= BeaconCount || m.band < 0 || m.band >= BandCount)
        return;
    Entry &e = entries_[std::size_t(station * BandCount + m.band)];
    if (m.slotNumber < e.slotNumber)
        return;
    e = {m.slotNumber, m.dashesHeard};
}

QString LatestLevels::text(BeaconIndex station, BandIndex band, qint64 nowUtcMs) const
{
    if (station < 0 || station >= BeaconCount || band < 0 || band >= BandCount)
        return {};
    const Entry &e = entries_[std::size_t(station * BandCount + band)];
    if (e.slotNumber < 0)
        return {};
    const qint64 age = nowUtcMs - e.slotNumber * 10000;
    if (age < 0 || age > MaxAgeMs)
        return {};
    if (e.dashesHeard <= 0)
        return QStringLiteral("-");
    return QString::fromLatin1(BeaconKeying::dashPowerText(e.dashesHeard - 1));
}

} // namespace halvion
