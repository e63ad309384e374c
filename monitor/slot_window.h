#pragma once
// The audio of one beacon slot on one band, cut from the receiver's sample stream:
// from a little before the slot starts by the PC clock to its end, long enough to find
// a transmission that arrives up to a second early or late.

#include "beacon_catalogue.h"

#include <QtGlobal>

#include <vector>

namespace halvion {

struct SlotWindow {
    qint64 slotNumber = 0;   // slots since 1970-01-01 00:00:00 UTC; starts at slotNumber * 10 s
    BandIndex band = 0;
    BeaconIndex expected = 0; // the station the schedule puts on this band in this slot
    double sampleRate = 0;
    std::vector<float> samples; // mono; samples[0] lies LeadSeconds before the slot starts

    static constexpr double LeadSeconds = 1.25;
    static constexpr double SpanSeconds = 11.5; // to a quarter second past the slot's end

    qint64 slotStartUtcMs() const { return slotNumber * 10000; }
};

namespace SlotTiming {
inline constexpr qint64 SlotMs = 10000;
// The slot running at a UTC instant, and the station on a band in it, from the schedule.
qint64 slotNumberAt(qint64 utcMs);
BeaconIndex expectedStation(qint64 slotNumber, BandIndex band);
} // namespace SlotTiming

} // namespace halvion
