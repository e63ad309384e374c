#pragma once
// A beacon signal generator for the monitor's tests and measurements: one slot window of
// a station's transmission in CW (22 wpm unless told), the four dashes at 0, -10, -20 and
// -30 dB, a chosen tone, start offset, callsign as sent, gap before the dashes, keying
// speed, slow fading and signal-to-noise ratio in 2.5 kHz of white noise; and the things
// on a beacon frequency that are not a beacon: a steady carrier, a carrier keyed on and
// off at random, CW sending other text, bursts of static.

#include "beacon_keying.h"
#include "sample_stream.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <string_view>

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
    std::string callsign = {};              // as sent; empty: the catalogue's
    BeaconKeying::Timing timing = {};       // gap before the dashes, keying speed
    double fadeDb = 0;                      // depth of a slow fade, peak to trough
    double fadePeriodSeconds = 7;
    double fadePhase = 0;                   // radians
};

inline constexpr double NoiseIn2500 = 0.001; // noise power in 2.5 kHz, well below full scale

// Adds key-down stretches of a tone (without noise) to samples whose first one lies
// `startSeconds` after the slot starts; `level` gives the amplitude at a time.
template <typename Level>
void addKeys(std::vector<float> &out, double rate, double startSeconds, const std::vector<BeaconKeying::KeyDown> &keys,
             double offsetSeconds, double toneHz, Level level)
{
    const double ramp = 0.005;
    for (const auto &key : keys) {
        const double t0 = key.start + offsetSeconds, t1 = key.end + offsetSeconds;
        const long from = std::max(0L, long(std::ceil((t0 - ramp / 2 - startSeconds) * rate)));
        const long to = std::min(long(out.size()), long(std::ceil((t1 + ramp / 2 - startSeconds) * rate)));
        for (long i = from; i < to; ++i) {
            const double t = startSeconds + double(i) / rate;
            // Raised-cosine edges centred on the key's times: the keying's times are where
            // the amplitude is half way up or down.
            const double e = std::clamp(0.5 + std::min(t - t0, t1 - t) / ramp, 0.0, 1.0);
            const double shape = 0.5 - 0.5 * std::cos(std::numbers::pi * e);
            out[std::size_t(i)] += float(level(t) * std::sqrt(key.powerRatio) * shape *
                                         std::sin(2 * std::numbers::pi * toneHz * t));
        }
    }
}

inline double amplitudeFor(double snrDb) { return std::sqrt(2 * NoiseIn2500 * std::pow(10, snrDb / 10)); }

// Adds the beacon (without noise) to samples whose first one lies `startSeconds` after
// the slot starts.
inline void addBeacon(std::vector<float> &out, double rate, double startSeconds, const Beacon &b)
{
    if (b.station < 0)
        return;
    const double amplitude = amplitudeFor(b.snrDb);
    const std::string_view call = b.callsign.empty() ? BeaconCatalogue::beacon(b.station).callsign : b.callsign;
    addKeys(out, rate, startSeconds, BeaconKeying::transmission(call, b.timing), b.offsetSeconds, b.toneHz,
            [&](double t) {
                if (b.fadeDb <= 0)
                    return amplitude;
                const double db = -0.5 * b.fadeDb * (1 - std::cos(2 * std::numbers::pi * t / b.fadePeriodSeconds + b.fadePhase));
                return amplitude * std::pow(10, db / 20);
            });
}

// Text in Morse at a speed, as key-down stretches from 0; words separated by blanks.
inline std::vector<BeaconKeying::KeyDown> textKeying(std::string_view text, double wpm)
{
    const double element = 1.2 / wpm;
    std::vector<BeaconKeying::KeyDown> keys;
    double t = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find(' ', at), text.size());
        for (const auto &k : BeaconKeying::callsignKeying(text.substr(at, end - at), element))
            keys.push_back({k.start + t, k.end + t, 1.0, -1});
        if (!keys.empty())
            t = keys.back().end + 7 * element;
        at = end + 1;
    }
    return keys;
}

// What else a beacon frequency carries, each at `snrDb` against the noise in 2.5 kHz.
enum class NotABeacon { SteadyCarrier, RandomCarrier, OtherCw, NoiseBursts };

inline const char *notABeaconName(NotABeacon kind)
{
    switch (kind) {
    case NotABeacon::SteadyCarrier: return "steady carrier";
    case NotABeacon::RandomCarrier: return "carrier on/off at random";
    case NotABeacon::OtherCw: return "CW, other text, 15-30 wpm";
    case NotABeacon::NoiseBursts: return "noise bursts";
    }
    return "";
}

// Fills a window of `seconds` from `startSeconds` with one kind of non-beacon signal.
inline void addNotABeacon(std::vector<float> &out, double rate, double startSeconds, NotABeacon kind, double snrDb,
                          double toneHz, Noise &random)
{
    const double amplitude = amplitudeFor(snrDb);
    const double seconds = double(out.size()) / rate;
    std::vector<BeaconKeying::KeyDown> keys;
    switch (kind) {
    case NotABeacon::SteadyCarrier:
        keys.push_back({startSeconds - 1, startSeconds + seconds + 1, 1.0, -1});
        break;
    case NotABeacon::RandomCarrier: {
        double t = startSeconds - random.uniform();
        bool on = random.uniform() < 0.5;
        while (t < startSeconds + seconds) {
            const double length = 0.04 + 1.2 * random.uniform() * random.uniform();
            if (on)
                keys.push_back({t, t + length, 1.0, -1});
            on = !on;
            t += length;
        }
        break;
    }
    case NotABeacon::OtherCw: {
        static constexpr std::string_view Texts[] = {
            "CQ CQ CQ DE DL1ABC DL1ABC K", "TNX FER CALL UR RST 599 599 NAME HANS QTH BERLIN",
            "VVV VVV DE W1AW", "CQ TEST EA8XYZ EA8XYZ TEST", "R R 5NN 14 TU", "QRZ DE JA1XYZ",
            "PSE QSL VIA BURO 73 ES GL", "CQ DX DE VK2ABC VK2ABC PSE K", "599 05 BK", "RIG HR IS 100 W ANT DIPOLE",
        };
        const double wpm = 15 + 15 * random.uniform();
        std::string text;
        while (text.size() < 60) {
            text += Texts[std::size_t(random.uniform() * std::size(Texts)) % std::size(Texts)];
            text += ' ';
        }
        const auto sent = textKeying(text, wpm);
        const double shift = startSeconds - (sent.back().end - seconds) * random.uniform();
        for (const auto &k : sent)
            keys.push_back({k.start + shift, k.end + shift, 1.0, -1});
        break;
    }
    case NotABeacon::NoiseBursts: {
        // Static crashes: 20-300 ms of broadband noise 3-20 dB above the background.
        for (double t = startSeconds + 0.3 * random.uniform(); t < startSeconds + seconds; t += 0.2 + 1.5 * random.uniform()) {
            const double length = 0.02 + 0.28 * random.uniform();
            const double sigma = std::sqrt(NoiseIn2500 * rate / 5000.0 * std::pow(10, (snrDb + 3 + 17 * random.uniform()) / 10));
            const long from = std::max(0L, long((t - startSeconds) * rate));
            const long to = std::min(long(out.size()), long((t + length - startSeconds) * rate));
            for (long i = from; i < to; ++i)
                out[std::size_t(i)] += float(sigma * random.gaussian());
        }
        return;
    }
    }
    addKeys(out, rate, startSeconds, keys, 0.0, toneHz, [amplitude](double) { return amplitude; });
}

inline void addNoise(std::vector<float> &out, double rate, Noise &noise)
{
    const double sigma = std::sqrt(NoiseIn2500 * rate / 5000.0);
    for (float &v : out)
        v += float(sigma * noise.gaussian());
}

inline SlotWindow emptySlot(qint64 slotNumber, BandIndex band, double rate)
{
    SlotWindow w;
    w.slotNumber = slotNumber;
    w.band = band;
    w.expected = SlotTiming::expectedStation(w.slotNumber, band);
    w.sampleRate = rate;
    w.samples.assign(std::size_t(std::lround(SlotWindow::SpanSeconds * rate)), 0.0f);
    return w;
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
