#include "decimator.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace halvion {

int Decimator::factorFor(double sampleRate)
{
    int k = 1;
    while (sampleRate / (2 * k) >= MinimumRate && k < 64)
        k *= 2;
    return k;
}

// A windowed-sinc low-pass (Blackman window, 16 taps per step of the cut) with its cut-off
// at 0.4 of the new rate: flat to about 0.23 of it, down by more than 70 dB from 0.57
// of it, so what folds back into the tone's range (below 0.2 of the new rate) comes
// from at least 0.8 of it and is gone.
void Decimator::setup(double sampleRate, int channels)
{
    rate_ = sampleRate;
    channels_ = std::max(1, channels);
    factor_ = factorFor(sampleRate);
    taps_.clear();
    if (factor_ > 1) {
        const int n = 16 * factor_;
        const double cutoff = 0.4 / factor_; // of the input rate
        taps_.resize(std::size_t(n));
        double sum = 0;
        for (int i = 0; i < n; ++i) {
            const double x = i - (n - 1) / 2.0;
            const double sinc = 2 * cutoff * (x == 0 ? 1.0 : std::sin(2 * std::numbers::pi * cutoff * x) / (2 * std::numbers::pi * cutoff * x));
            const double w = 0.42 - 0.5 * std::cos(2 * std::numbers::pi * i / (n - 1)) + 0.08 * std::cos(4 * std::numbers::pi * i / (n - 1));
            taps_[std::size_t(i)] = float(sinc * w);
            sum += sinc * w;
        }
        for (float &t : taps_)
            t = float(t / sum);
    }
    reset();
}

void Decimator::reset()
{
    pending_.clear();
    nextInputMs_ = 0;
}

double Decimator::process(const float *interleaved, qsizetype frames, double startUtcMs, std::vector<float> &out)
{
    out.clear();
    if (frames <= 0 || rate_ <= 0)
        return startUtcMs;
    const std::size_t ch = std::size_t(channels_);
    if (factor_ == 1) {
        out.assign(interleaved, interleaved + std::size_t(frames) * ch);
        return startUtcMs;
    }
    if (!pending_.empty() && std::abs(startUtcMs - nextInputMs_) > 250.0)
        pending_.clear();
    nextInputMs_ = startUtcMs + double(frames) * 1000.0 / rate_;
    // pending_[0] was taken this long before the block's first frame.
    const std::size_t held = pending_.size() / ch;
    pending_.insert(pending_.end(), interleaved, interleaved + std::size_t(frames) * ch);
    const std::size_t have = pending_.size() / ch;
    const std::size_t n = taps_.size(), k = std::size_t(factor_);
    const double firstMs = startUtcMs + ((double(n) - 1) / 2.0 - double(held)) * 1000.0 / rate_;
    std::size_t pos = 0;
    if (have >= n) {
        const std::size_t outFrames = (have - n) / k + 1;
        out.resize(outFrames * ch);
        const float *h = taps_.data();
        for (std::size_t c = 0; c < ch; ++c) {
            const float *x = pending_.data() + c;
            for (std::size_t j = 0; j < outFrames; ++j) {
                const float *xj = x + j * k * ch;
                // Eight sums side by side (the taps are a multiple of eight), so they
                // run in parallel.
                float acc[8] = {};
                if (ch == 1) {
                    for (std::size_t i = 0; i < n; i += 8)
                        for (std::size_t a = 0; a < 8; ++a)
                            acc[a] += h[i + a] * xj[i + a];
                } else {
                    for (std::size_t i = 0; i < n; i += 8)
                        for (std::size_t a = 0; a < 8; ++a)
                            acc[a] += h[i + a] * xj[(i + a) * ch];
                }
                out[j * ch + c] = ((acc[0] + acc[1]) + (acc[2] + acc[3])) + ((acc[4] + acc[5]) + (acc[6] + acc[7]));
            }
        }
        pos = outFrames * k;
    }
    pending_.erase(pending_.begin(), pending_.begin() + std::ptrdiff_t(pos * ch));
    return firstMs;
}

} // namespace halvion
