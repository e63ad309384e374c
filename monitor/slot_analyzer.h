#pragma once
// Measures one slot window: finds the CW tone near the pitch, takes the noise floor
// beside it, identifies the station by the keying of its callsign and the time the
// transmission started, finds the four dashes where they are in the tone's envelope
// and measures each. Runs on a worker thread; one analyzer serves one thread at a time.

#include "beacon_callsigns.h"
#include "slot_measurement.h"
#include "slot_window.h"

#include <map>
#include <memory>

namespace halvion {

struct ToneSearch {
    double pitchHz = 600;  // the receiver's CW pitch
    double rangeHz = 300;  // searched either side of it
};

class SlotAnalyzer {
public:
    // A dash counts as heard when its tone stands this far above the noise in its own
    // ~1 Hz bin (about -21.5 dB in a 2.5 kHz bandwidth). Chosen from noise alone: over
    // 5,000 slots the strongest bin where the 100-W dash would be stood 7.2 dB up in the
    // median, 11.2 dB in one slot of a thousand and above 12 dB once, never 12.5 dB: fewer
    // than one false "heard" in 5,000 slots (a day of listening has 8,640).
    static constexpr double HeardThresholdDb = 12.5;
    // A slot is heard only when a callsign's keying was found: the envelope fits the
    // callsign, the 100-W dash after it and the drop to the 10-W dash (strength free to
    // drift across them) with a multiple correlation of at least this. Chosen from
    // signals that are not a beacon (bench/measure_monitor, its "not a beacon" table,
    // 360 slots each at -5, +5 and +15 dB): the score stayed at or below 0.42 for a
    // steady carrier, 0.37 for noise alone, 0.48 for bursts of static and 0.60 for CW
    // sending other text at 15-30 wpm; a carrier keyed on and off at random, the
    // hardest, reached 0.65 at the 99th percentile and 0.71 at most, so at 0.68 it passes
    // in 0.3-0.6 % of slots. A beacon scores 0.91 in the median at +6 dB (0.70 in one
    // slot of a hundred, in a deep fast fade), 0.74 at -10 dB and 0.52 at -15 dB: the
    // weakest beacons are given up to keep carriers out of the log.
    static constexpr double KeyingThreshold = 0.68;
    // Another station's callsign names the slot only when it beats the scheduled
    // station's by this much: the schedule says which station is by far the likeliest,
    // and in the same noise two callsigns' scores differ by up to 0.15 at -15 dB.
    static constexpr double OtherStationMargin = 0.15;
    // A callsign anywhere in the window that matched this well (callsign alone) tells
    // where the clock stands, even seconds off: over the whole window the best
    // non-beacon callsign score reached 0.6, a beacon's is 0.8 and more from 0 dB up.
    static constexpr double ClockScore = 0.72;
    // How far a transmission may start from the slot's start by the PC clock.
    static constexpr double MaxOffsetSeconds = 1.0;

    explicit SlotAnalyzer(ToneSearch search = {}, BeaconCallsigns callsigns = BeaconCallsigns::standard());
    ~SlotAnalyzer();
    SlotAnalyzer(const SlotAnalyzer &) = delete;
    SlotAnalyzer &operator=(const SlotAnalyzer &) = delete;

    SlotMeasurement analyze(const SlotWindow &window);

private:
    struct Plan;
    Plan &plan(int size);

    ToneSearch search_;
    BeaconCallsigns callsigns_;
    std::map<int, std::unique_ptr<Plan>> plans_;
};

} // namespace halvion
