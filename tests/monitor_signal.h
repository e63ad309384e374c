#pragma once
// A beacon signal generator for the monitor's tests: one slot window of a station's
// transmission in CW at 22 wpm, the four dashes at 0, -10, -20 and -30 dB, a chosen tone,
// start offset and signal-to-noise ratio in 2.5 kHz of white noise.

#include "beacon_keying.h"
#include "sample_stream.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace halvion::testsignal {

// xoshiro256** with Box-Muller: fast enough for a thousand slots in a test.
class Noise {
public:
    explicit Noise(std::uint64_t seed)
    {
        for (auto &v : s_) {
            seed += 0x9E3779B97F4A7C15ull;
            std::uint64_t z = seed;
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            v = z ^ (z >> 31);
        }
    }
    double uniform() { return double(next() >> 11) * 0x1.0p-53; }
    double gaussian()
    {
        if (haveSpare_) {
            haveSpare_ = false;
            return spare_;
        }
        const double u = std::max(uniform(), 1e-300), v = uniform();
        const double r = std::sqrt(-2 * std::log(u));
        spare_ = r * std::sin(2 * std::numbers::pi * v);
        haveSpare_ = true;
        return r * std::cos(2 * std::numbers::pi * v);
    }

private:
    static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    std::uint64_t next()
    {
        const std::uint64_t result = rotl(s_[1] * 5, 7) * 9, t = s_[1] << 17;
        s_[2] ^= s_[0];
        s_[3] ^= s_[1];
        s_[1] ^= s_[2];
        s_[0] ^= s_[3];
        s_[2] ^= t;
        s_[3] = rotl(s_[3], 45);
        return result;
    }
    std::uint64_t s_[4];
    double spare_ = 0;
    bool haveSpare_ = false;
};

struct Beacon {
    BeaconIndex station = 0; // -1: noise alone
    double snrDb = 0;        // callsign and 100-W dash against the noise in 2.5 kHz
    double toneHz = 600;
    double offsetSeconds = 0;
};

inline constexpr double NoiseIn2500 = 0.001; // noise power in 2.5 kHz, well below full scale

// Adds the beacon (without noise) to samples whose first one lies `startSeconds` after
// the slot starts.
inline void addBeacon(std::vector<float> &out, double rate, double startSeconds, const Beacon &b)
{
    if (b.station < 0)
        return;
    const double amplitude = std::sqrt(2 * NoiseIn2500 * std::pow(10, b.snrDb / 10));
    const double ramp = 0.005;
    for (const auto &key : BeaconKeying::transmission(b.station)) {
        const double a = amplitude * std::sqrt(key.powerRatio);
        const double t0 = key.start + b.offsetSeconds, t1 = key.end + b.offsetSeconds;
        const long from = std::max(0L, long(std::ceil((t0 - startSeconds) * rate)));
        const long to = std::min(long(out.size()), long(std::ceil((t1 - startSeconds) * rate)));
        for (long i = from; i < to; ++i) {
            const double t = startSeconds + double(i) / rate;
            const double edge = std::min({1.0, (t - t0) / ramp, (t1 - t) / ramp});
            const double shape = 0.5 - 0.5 * std::cos(std::numbers::pi * std::max(0.0, edge));
            out[std::size_t(i)] += float(a * shape * std::sin(2 * std::numbers::pi * b.toneHz * t));
        }
    }
}

inline void addNoise(std::vector<float> &out, double rate, Noise &noise)
{
    const double sigma = std::sqrt(NoiseIn2500 * rate / 5000.0);
    for (float &v : out)
        v += float(sigma * noise.gaussian());
}

inline SlotWindow slot(const Beacon &b, Noise &noise, BandIndex band = 0, double rate = 8000)
{
    SlotWindow w;
    w.slotNumber = b.station >= 0 ? b.station + band : 0; // puts the station on the band
    w.band = band;
    w.expected = SlotTiming::expectedStation(w.slotNumber, band);
    w.sampleRate = rate;
    w.samples.assign(std::size_t(std::lround(SlotWindow::SpanSeconds * rate)), 0.0f);
    addBeacon(w.samples, rate, -SlotWindow::LeadSeconds, b);
    addNoise(w.samples, rate, noise);
    return w;
}

} // namespace halvion::testsignal
