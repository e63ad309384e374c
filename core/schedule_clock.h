#pragma once
// Turns a reading of the PC clock into the beacon schedule: which ten-second slot
// of the three-minute cycle is running and which station is on each band in it.
// Only the minute and second matter; hour, date and time zone play no part.

#include "beacon_catalogue.h"
#include "clock_source.h"

namespace halvion {

struct ScheduleTime {
    int minute = 0;
    int second = 0;
    int MinuteOfCycle = 0; // 0..2
    int SlotInMinute = 0;  // 0..5
    int SlotIndex = 0;     // 0..17
    int SecondInSlot = 0;  // 0..9
};

namespace ScheduleClock {

inline constexpr int SlotsPerCycle = 18;
inline constexpr int SecondsPerSlot = 10;

constexpr ScheduleTime fromMinuteSecond(int minute, int second)
{
    ScheduleTime t;
    t.minute = minute;
    t.second = second;
    t.MinuteOfCycle = minute % 3;
    t.SlotInMinute = second / SecondsPerSlot;
    t.SlotIndex = 6 * t.MinuteOfCycle + t.SlotInMinute;
    t.SecondInSlot = second % SecondsPerSlot;
    return t;
}

// One reading of the clock; every field comes from that single instant.
inline ScheduleTime sample(const ClockSource &clock)
{
    const ClockReading r = clock.now();
    return fromMinuteSecond(r.minute, r.second);
}

// The station on band b in slot n: each band runs one slot behind the band below it.
constexpr BeaconIndex beaconOn(BandIndex band, int slot)
{
    return (slot - band + SlotsPerCycle) % SlotsPerCycle;
}

} // namespace ScheduleClock
} // namespace halvion
