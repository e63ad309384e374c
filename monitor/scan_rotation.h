#pragma once
// Which band a single receiver listens to in each slot while scanning, so that every
// one of the 90 station-and-band pairs is measured once in five three-minute cycles
// (90 slots, the least possible with one band per slot), and then again.
//
// The rotation: in slot k (counted from 1970-01-01 00:00:00 UTC) the receiver is on band
// k mod 5. Since 5 and 18 share no factor, the 90 slots of a rotation meet every pair
// (slot of the cycle, band) exactly once. Moving up one band each slot follows the
// beacons themselves: one station is heard on 20, 17, 15, 12 and 10 m in five
// consecutive slots, so its five-band picture is 50 seconds old at most; then the
// receiver drops back to 20 m and takes up the station five places further on. A
// rotation starts at minutes 00, 15, 30 and 45 of every hour.

#include "beacon_catalogue.h"
#include "schedule_clock.h"

#include <QtGlobal>

namespace halvion::ScanRotation {

inline constexpr int SlotsPerRotation = BeaconCount * BandCount; // 90

constexpr BandIndex bandForSlot(qint64 slotNumber)
{
    return BandIndex(((slotNumber % BandCount) + BandCount) % BandCount);
}

// The same band from a reading of the local clock, as the main window's tick takes it.
// An hour holds 360 slots and every time zone is a whole number of quarter hours (90
// slots) away from UTC, both multiples of five, so the minute and second are enough.
constexpr BandIndex bandAt(const ScheduleTime &t)
{
    return bandForSlot(qint64(t.minute) * 6 + t.SlotInMinute);
}

} // namespace halvion::ScanRotation
