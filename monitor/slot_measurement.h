#pragma once
// What the monitor made of one slot on one band: the tone, the station it heard and
// when, and how far above the noise each of the four dashes came through.

#include "beacon_catalogue.h"
#include "beacon_keying.h"

#include <QtGlobal>

#include <array>
#include <cmath>
#include <string>

namespace halvion {

struct SlotMeasurement {
    qint64 slotNumber = 0;      // slots since 1970-01-01 00:00:00 UTC
    BandIndex band = 0;
    BeaconIndex expected = 0;   // the station the schedule puts there
    BeaconIndex identified = -1; // the station whose callsign's keying matched best
    std::string callsign;       // the callsign that matched, as sent ("KH6RS")
    double identityScore = 0;   // correlation of the envelope with that keying, -1..1
    bool keyingFound = false;   // the score says a callsign was really keyed there
    double toneHz = 0;
    double offsetSeconds = 0;   // transmission start minus slot start by the PC clock
    // Each dash's signal-to-noise ratio in a 2.5 kHz bandwidth, dB; NaN when the
    // dash stood no higher than the noise.
    std::array<double, BeaconKeying::DashCount> dashSnrDb{NAN, NAN, NAN, NAN};
    // How many dashes were heard, counted from the 100-W dash down (0: not heard).
    int dashesHeard = 0;
    double noiseDb = NAN;       // noise in 2.5 kHz, dB relative to full scale
    // How far the clock that cut this slot is off the beacons' clock, from the one
    // callsign in the whole window that matched with confidence (in this slot or, when
    // the clock is off by seconds, a neighbour's); NaN when none did.
    double clockErrorSeconds = NAN;
    // Which of the live inputs measured the slot (0 when there is one); -1 for a
    // recording and for rows written before the inputs were told apart.
    int input = -1;

    qint64 slotStartUtcMs() const { return slotNumber * 10000; }
    bool heard() const { return dashesHeard > 0; }
    bool identityMatch() const { return identified == expected; }
    // Heard, but the callsign was clearly another station's: it is logged as that
    // station heard, never as the scheduled one.
    bool otherStation() const { return heard() && identified >= 0 && identified != expected; }
    // The station the slot's reading belongs to.
    BeaconIndex station() const { return otherStation() ? identified : expected; }
    // False when the slot held no sound at all (a muted input, a gap in a recording): with
    // no noise floor there is nothing to measure against, so it is not a measurement.
    bool hasSound() const { return !std::isnan(noiseDb); }
    // "0.1 W": the lowest power heard; empty when not heard.
    const char *heardAtText() const { return BeaconKeying::dashPowerText(dashesHeard - 1); }
};

} // namespace halvion
