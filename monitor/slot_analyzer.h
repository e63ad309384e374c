#pragma once
// Measures one slot window: finds the CW tone near the pitch, takes the noise floor
// beside it, identifies the station by the keying of its callsign and the time the
// transmission started, and measures each of the four dashes. Runs on a worker
// thread; one analyzer serves one thread at a time.

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
    // How far a transmission may start from the slot's start by the PC clock.
    static constexpr double MaxOffsetSeconds = 1.0;

    explicit SlotAnalyzer(ToneSearch search = {});
    ~SlotAnalyzer();
    SlotAnalyzer(const SlotAnalyzer &) = delete;
    SlotAnalyzer &operator=(const SlotAnalyzer &) = delete;

    SlotMeasurement analyze(const SlotWindow &window);

private:
    struct Plan;
    Plan &plan(int size);

    ToneSearch search_;
    std::map<int, std::unique_ptr<Plan>> plans_;
};

} // namespace halvion
