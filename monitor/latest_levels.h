#pragma once
// The last level the monitor measured for each station and band, for windows that
// show it beside a callsign: the lowest power heard ("10 W"), or a dash when the
// slot was measured and nothing came through. A measurement older than a quarter of
// an hour says nothing about the band now and is not shown.

#include "slot_measurement.h"

#include <QString>

#include <array>

namespace halvion {

class LatestLevels {
public:
    static constexpr qint64 MaxAgeMs = 15 * 60 * 1000;

    // Keeps the measurement unless a later slot of the same station and band is kept.
    void record(const SlotMeasurement &m);
    // "10 W", "-" (measured, not heard) or empty (nothing measured within MaxAgeMs
    // before nowUtcMs).
    QString text(BeaconIndex station, BandIndex band, qint64 nowUtcMs) const;

private:
    struct Entry {
        qint64 slotNumber = -1;
        int dashesHeard = 0;
    };
    std::array<Entry, BeaconCount * BandCount> entries_{};
};

} // namespace halvion
