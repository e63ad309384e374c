#pragma once
// Brings a receiver's audio down to a rate the slot analysis can work at: the tone is
// looked for below 2.1 kHz, so a sound card's 48 kHz is cut by a power of two to 12 kHz
// (44.1 kHz to 11.025 kHz) through a low-pass filter that keeps everything up to about
// 2.7 kHz flat and lets nothing from above the new rate's half fold back below it.
// A power of two keeps the analysis' short-time frames the same length in time as at
// the full rate. Interleaved frames go in and come out, every channel filtered on its
// own; the filter's state runs from one block to the next, and each block that comes
// out carries the time of its first frame.

#include <QtGlobal>

#include <vector>

namespace halvion {

class Decimator {
public:
    // Rates are not cut below this.
    static constexpr double MinimumRate = 11025;
    // The power of two a stream at this rate is cut by (1: left as it is).
    static int factorFor(double sampleRate);

    // A stream of `channels` interleaved channels at sampleRate, cut by factorFor(rate).
    void setup(double sampleRate, int channels);
    int factor() const { return factor_; }
    double outputRate() const { return rate_ / factor_; }

    // Filters one block whose first frame was taken at startUtcMs into `out` (replaced),
    // and returns the time of out's first frame. A block that does not follow the one
    // before (more than a quarter second off) starts the filter afresh.
    double process(const float *interleaved, qsizetype frames, double startUtcMs, std::vector<float> &out);
    void reset();

private:
    double rate_ = 0;
    int channels_ = 1;
    int factor_ = 1;
    std::vector<float> taps_;
    std::vector<float> pending_; // input frames not yet used up, interleaved
    double nextInputMs_ = 0;      // when the next block should start, to tell a gap
};

} // namespace halvion
