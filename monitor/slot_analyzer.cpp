#include "slot_analyzer.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>
#include <numbers>
#include <utility>
#include <vector>

namespace halvion {

namespace {

// FFTW's planner is not thread-safe; executing a plan is.
std::mutex &plannerMutex()
{
    static std::mutex m;
    return m;
}

int floorPow2(int n)
{
    int p = 1;
    while (p * 2 <= n)
        p *= 2;
    return p;
}

int ceilPow2(int n)
{
    int p = 1;
    while (p < n)
        p *= 2;
    return p;
}

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    const auto mid = v.begin() + std::ptrdiff_t(v.size() / 2);
    std::nth_element(v.begin(), mid, v.end());
    return *mid;
}

// The 10-W dash is taken where the narrow envelope shows it, and sets the dashes' period,
// when its box (1 s of a 0.1-s moving sum: about ten independent readings) holds this
// many times the noise's power above the noise. Noise alone spreads the box's mean by a third of the noise power; the
// strongest of the ~50 starts tried reaches about +0.45 and hardly ever +1: a dash found
// this way stands at least 0 dB in 10 Hz (-24 dB in 2.5 kHz).
constexpr double LocatedFactor = 1.0;

// Beacon keyers are not all set to the same speed: over a two-second callsign 5 % is a
// whole element, enough to halve the correlation. Each callsign is tried at these speeds
// relative to 22 wpm.
constexpr double KeyingSpeeds[] = {0.94, 0.97, 1.0, 1.03, 1.06};

// Offset of a peak from its middle sample, by a parabola through three log powers.
double parabolicDelta(double left, double centre, double right)
{
    const double ym1 = std::log(std::max(left, 1e-30)), y0 = std::log(std::max(centre, 1e-30)),
                 yp1 = std::log(std::max(right, 1e-30));
    const double denom = ym1 - 2 * y0 + yp1;
    if (!(denom < 0))
        return 0;
    return std::clamp(0.5 * (ym1 - yp1) / denom, -0.5, 0.5);
}

// Solves the symmetric positive definite system a x = b of size n by Cholesky; false when
// it is not positive definite.
bool solveSymmetric(std::vector<double> a, std::vector<double> b, int n, std::vector<double> &x)
{
    for (int j = 0; j < n; ++j) {
        double d = a[std::size_t(j * n + j)];
        for (int k = 0; k < j; ++k)
            d -= a[std::size_t(j * n + k)] * a[std::size_t(j * n + k)];
        if (!(d > 1e-12 * std::max(1.0, std::abs(a[std::size_t(j * n + j)]))))
            return false;
        const double l = std::sqrt(d);
        a[std::size_t(j * n + j)] = l;
        for (int i = j + 1; i < n; ++i) {
            double v = a[std::size_t(i * n + j)];
            for (int k = 0; k < j; ++k)
                v -= a[std::size_t(i * n + k)] * a[std::size_t(j * n + k)];
            a[std::size_t(i * n + j)] = v / l;
        }
    }
    for (int i = 0; i < n; ++i) {
        double v = b[std::size_t(i)];
        for (int k = 0; k < i; ++k)
            v -= a[std::size_t(i * n + k)] * b[std::size_t(k)];
        b[std::size_t(i)] = v / a[std::size_t(i * n + i)];
    }
    for (int i = n - 1; i >= 0; --i) {
        double v = b[std::size_t(i)];
        for (int k = i + 1; k < n; ++k)
            v -= a[std::size_t(k * n + i)] * b[std::size_t(k)];
        b[std::size_t(i)] = v / a[std::size_t(i * n + i)];
    }
    x = std::move(b);
    return true;
}

} // namespace

struct SlotAnalyzer::Plan {
    int size;
    float *in;
    fftwf_complex *out;
    fftwf_plan plan;

    explicit Plan(int n) : size(n)
    {
        std::lock_guard lock(plannerMutex());
        in = fftwf_alloc_real(std::size_t(n));
        out = fftwf_alloc_complex(std::size_t(n / 2 + 1));
        plan = fftwf_plan_dft_r2c_1d(n, in, out, FFTW_ESTIMATE);
    }
    ~Plan()
    {
        std::lock_guard lock(plannerMutex());
        fftwf_destroy_plan(plan);
        fftwf_free(in);
        fftwf_free(out);
    }
    void execute() { fftwf_execute(plan); }
    double power(int k) const { return double(out[k][0]) * out[k][0] + double(out[k][1]) * out[k][1]; }
};

SlotAnalyzer::SlotAnalyzer(ToneSearch search, BeaconCallsigns callsigns)
    : search_(search), callsigns_(std::move(callsigns))
{
}
SlotAnalyzer::~SlotAnalyzer() = default;

SlotAnalyzer::Plan &SlotAnalyzer::plan(int size)
{
    auto &p = plans_[size];
    if (!p)
        p = std::make_unique<Plan>(size);
    return *p;
}

SlotMeasurement SlotAnalyzer::analyze(const SlotWindow &window)
{
    SlotMeasurement m;
    lastFit_ = {};
    m.slotNumber = window.slotNumber;
    m.band = window.band;
    m.expected = window.expected;

    const double fs = window.sampleRate;
    const std::vector<float> &x = window.samples;
    const int n = int(x.size());
    const double lead = SlotWindow::LeadSeconds;
    if (!(fs >= 2 * (search_.pitchHz + search_.rangeHz + 300)) || n < int(SlotWindow::SpanSeconds * fs) - 1)
        return m;

    // 1. Short-time spectrum, ~30 ms frames half overlapped, kept only around the search range.
    const int frameLen = floorPow2(int(0.035 * fs));
    const int hop = frameLen / 2;
    const int frames = (n - frameLen) / hop + 1;
    const double df = fs / frameLen;
    const int lo = std::max(2, int(std::floor((search_.pitchHz - search_.rangeHz) / df)));
    const int hi = std::min(frameLen / 2 - 2, int(std::ceil((search_.pitchHz + search_.rangeHz) / df)));
    const int c0 = lo - 1, c1 = hi + 1, width = c1 - c0 + 1;
    std::vector<float> hann(static_cast<std::size_t>(frameLen));
    double hannSq = 0;
    for (int i = 0; i < frameLen; ++i) {
        hann[std::size_t(i)] = float(0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / frameLen));
        hannSq += double(hann[std::size_t(i)]) * hann[std::size_t(i)];
    }
    std::vector<double> spectrum(std::size_t(frames) * std::size_t(width));
    std::vector<double> average(std::size_t(width), 0.0);
    Plan &stft = plan(frameLen);
    for (int k = 0; k < frames; ++k) {
        const float *src = x.data() + std::ptrdiff_t(k) * hop;
        for (int i = 0; i < frameLen; ++i)
            stft.in[i] = src[i] * hann[std::size_t(i)];
        stft.execute();
        for (int b = c0; b <= c1; ++b) {
            const double p = stft.power(b);
            spectrum[std::size_t(k) * std::size_t(width) + std::size_t(b - c0)] = p;
            average[std::size_t(b - c0)] += p / frames;
        }
    }
    const auto avg = [&](int b) { return average[std::size_t(b - c0)]; };

    // 2. The tone: the strongest bin of the averaged spectrum in the search range.
    int toneBin = lo;
    for (int b = lo; b <= hi; ++b)
        if (avg(b) > avg(toneBin))
            toneBin = b;
    const double coarseHz = (toneBin + parabolicDelta(avg(toneBin - 1), avg(toneBin), avg(toneBin + 1))) * df;
    m.toneHz = coarseHz;

    // 3. The noise floor beside it, and the tone's envelope above that floor.
    std::vector<double> beside;
    for (int b = lo; b <= hi; ++b)
        if (std::abs(b - toneBin) > 2)
            beside.push_back(avg(b));
    const double floorPerBin = median(beside);
    if (!(floorPerBin > 0))
        return m;
    const double noisePerSample = floorPerBin / hannSq; // the noise's variance in one sample

    // The tone to a fraction of a hertz from a transform of the whole window, where the
    // beacon's seconds of keying stand far above the noise; then the signal mixed down by
    // it, as running sums, so the power in any stretch around the tone is two lookups.
    {
        Plan &whole = plan(ceilPow2(n));
        std::copy(x.begin(), x.end(), whole.in);
        std::fill(whole.in + n, whole.in + whole.size, 0.0f);
        whole.execute();
        const double binHz = fs / whole.size;
        const int from = std::max(2, int((coarseHz - 2 * df) / binHz)), to = std::min(whole.size / 2 - 2, int((coarseHz + 2 * df) / binHz));
        int peak = from;
        for (int k = from; k <= to; ++k)
            if (whole.power(k) > whole.power(peak))
                peak = k;
        m.toneHz = (peak + parabolicDelta(whole.power(peak - 1), whole.power(peak), whole.power(peak + 1))) * binHz;
    }
    std::vector<double> mixedRe(std::size_t(n) + 1, 0.0), mixedIm(std::size_t(n) + 1, 0.0);
    {
        const double w = 2 * std::numbers::pi * m.toneHz / fs;
        for (int i = 0; i < n; ++i) {
            mixedRe[std::size_t(i) + 1] = mixedRe[std::size_t(i)] + x[std::size_t(i)] * std::cos(w * i);
            mixedIm[std::size_t(i) + 1] = mixedIm[std::size_t(i)] - x[std::size_t(i)] * std::sin(w * i);
        }
    }
    // Power of the mixed signal summed over `length` samples centred on sample `centre`.
    const auto tonePower = [&](int centre, int length) {
        const int from = std::clamp(centre - length / 2, 0, n), to = std::clamp(centre - length / 2 + length, 0, n);
        const double a = mixedRe[std::size_t(to)] - mixedRe[std::size_t(from)], b = mixedIm[std::size_t(to)] - mixedIm[std::size_t(from)];
        return a * a + b * b;
    };
    // The keying's envelope: 40 ms sums (an 25 Hz wide filter, matched to a 54 ms element)
    // at every frame's centre, above the noise's share.
    const int keyLen = int(std::lround(0.04 * fs));
    std::vector<double> envelope(static_cast<std::size_t>(frames));
    for (int k = 0; k < frames; ++k)
        envelope[std::size_t(k)] = tonePower(k * hop + frameLen / 2, keyLen) - noisePerSample * keyLen;

    // 4. Identification: normalised correlation of the envelope with each callsign's
    //    keying at every start. Frame k stands for the stretch of time around its centre,
    //    [k - 0.5, k + 0.5) in frames; a key's edges fall anywhere within a frame, so the
    //    sums over a key take the part of the edge frames it covers. Rounding the edges
    //    to whole frames would move every start found by up to half a frame.
    std::vector<double> sum(std::size_t(frames) + 1, 0.0), sumSq(std::size_t(frames) + 1, 0.0);
    for (int k = 0; k < frames; ++k) {
        sum[std::size_t(k) + 1] = sum[std::size_t(k)] + envelope[std::size_t(k)];
        sumSq[std::size_t(k) + 1] = sumSq[std::size_t(k)] + envelope[std::size_t(k)] * envelope[std::size_t(k)];
    }
    const double framesPerSecond = fs / hop;
    // Fractional frame position of a time in seconds from the slot's start.
    const auto framePos = [&](double t) { return ((t + lead) * fs - frameLen / 2.0) / hop; };
    struct Edge {
        int whole;   // frames before it counted in full
        double part; // share of frame `whole` counted
    };
    const auto edgeOf = [](double pos) {
        const double cell = pos + 0.5;
        const int whole = int(std::floor(cell));
        return Edge{whole, cell - whole};
    };
    const auto cumulative = [&](const std::vector<double> &prefix, const std::vector<double> *values, Edge e, int shift) {
        const int k = e.whole + shift;
        const double partValue = values ? (*values)[std::size_t(k)] : envelope[std::size_t(k)] * envelope[std::size_t(k)];
        return prefix[std::size_t(k)] + e.part * partValue;
    };
    const auto C = [&](Edge e, int shift) { return cumulative(sum, &envelope, e, shift); };
    const auto C2 = [&](Edge e, int shift) { return cumulative(sumSq, nullptr, e, shift); };

    struct Candidate {
        BeaconIndex station = 0;
        std::string callsign;
        double speed = 1.0;
        double callsignSeconds = 0; // start of the first element to end of the last
        double score = -2;      // best within MaxOffsetSeconds
        int shift = 0;
        double scoreAnywhere = -2; // best anywhere in the window
        int shiftAnywhere = 0;
        std::vector<double> scores; // within MaxOffsetSeconds, for the peak's interpolation
    };
    std::vector<Candidate> candidates;
    const int maxShift = int(std::ceil(MaxOffsetSeconds * framesPerSecond));
    for (const BeaconCallsigns::Entry &entry : callsigns_.entries()) {
        for (double speed : KeyingSpeeds) {
            const auto keys = BeaconKeying::callsignKeying(entry.callsign, BeaconKeying::ElementSeconds / speed);
            if (keys.empty())
                continue;
            Candidate cand;
            cand.station = entry.station;
            cand.callsign = entry.callsign;
            cand.callsignSeconds = keys.back().end;
            cand.speed = speed;
            struct Run {
                Edge from, to;
            };
            std::vector<Run> runs;
            double sumP = 0;
            for (const auto &key : keys) {
                runs.push_back({edgeOf(framePos(key.start)), edgeOf(framePos(key.end))});
                sumP += framePos(key.end) - framePos(key.start);
            }
            const Edge spanFrom = edgeOf(framePos(-0.25)), spanTo = edgeOf(framePos(keys.back().end + 0.25));
            const double spanLen = framePos(keys.back().end + 0.25) - framePos(-0.25);
            const double meanP = sumP / spanLen;
            const double normT = std::sqrt(std::max(sumP - sumP * meanP, 1e-30));
            cand.scores.assign(std::size_t(2 * maxShift + 1), -2.0);
            const int firstShift = -spanFrom.whole;
            const int lastShift = frames - 1 - spanTo.whole;
            for (int j = firstShift; j <= lastShift; ++j) {
                const double se = C(spanTo, j) - C(spanFrom, j);
                const double see = C2(spanTo, j) - C2(spanFrom, j);
                const double normE = std::sqrt(std::max(see - se * se / spanLen, 1e-30));
                double dot = -meanP * se;
                for (const Run &run : runs)
                    dot += C(run.to, j) - C(run.from, j);
                const double r = dot / (normT * normE);
                if (r > cand.scoreAnywhere) {
                    cand.scoreAnywhere = r;
                    cand.shiftAnywhere = j;
                }
                if (std::abs(j) <= maxShift) {
                    cand.scores[std::size_t(j + maxShift)] = r;
                    if (r > cand.score) {
                        cand.score = r;
                        cand.shift = j;
                    }
                }
            }
            candidates.push_back(std::move(cand));
        }
    }
    if (candidates.empty())
        return m;

    // The schedule's station unless another one's callsign matched clearly better.
    const auto bestOf = [&](auto better) {
        const Candidate *best = nullptr;
        for (const Candidate &c : candidates)
            if (better(c) && (!best || c.score > best->score))
                best = &c;
        return best;
    };
    const Candidate *overall = bestOf([](const Candidate &) { return true; });
    const Candidate *scheduled = bestOf([&](const Candidate &c) { return c.station == window.expected; });
    const Candidate &chosen = scheduled && scheduled->score >= overall->score - OtherStationMargin ? *scheduled : *overall;
    m.identified = chosen.station;
    m.callsign = chosen.callsign;
    // The callsign's start at a shift of the chosen keying, between frames by a parabola
    // through the scores either side.
    const auto offsetAt = [&](int shift) {
        double delta = 0;
        const std::size_t at = std::size_t(shift + maxShift);
        if (at > 0 && at + 1 < chosen.scores.size() && chosen.scores[at - 1] > -2 && chosen.scores[at + 1] > -2) {
            const double denom = chosen.scores[at - 1] - 2 * chosen.scores[at] + chosen.scores[at + 1];
            if (denom < 0)
                delta = std::clamp(0.5 * (chosen.scores[at - 1] - chosen.scores[at + 1]) / denom, -0.5, 0.5);
        }
        return (shift + delta) / framesPerSecond;
    };
    m.offsetSeconds = offsetAt(chosen.shift);

    // Where the window's clock stands by the best callsign anywhere in it: a station sends
    // in the slots the schedule gives it on this band, the nearest one is taken.
    const Candidate *anywhere = nullptr;
    for (const Candidate &c : candidates)
        if (!anywhere || c.scoreAnywhere > anywhere->scoreAnywhere)
            anywhere = &c;
    if (anywhere->scoreAnywhere >= ClockScore) {
        qint64 slotsAway = (qint64(window.expected) - anywhere->station) % BeaconCount; // this slot minus its slot
        if (slotsAway > BeaconCount / 2)
            slotsAway -= BeaconCount;
        if (slotsAway <= -BeaconCount / 2)
            slotsAway += BeaconCount;
        m.clockErrorSeconds = double(slotsAway) * SlotTiming::SlotMs / 1000.0 + anywhere->shiftAnywhere / framesPerSecond;
    }

    // 5. The dashes, found in the tone's narrow envelope: a 0.1-s moving sum of the
    //    signal mixed down by the tone, every 10 ms. The 100-W dash is sought after the
    //    callsign, each lower one after the dash before it, so a station that leaves a
    //    longer gap, or keys a little slower, is measured where its dashes really are.
    const int step = std::max(1, int(std::lround(fs / 100)));
    const int avgLen = int(std::lround(0.1 * fs));
    std::vector<double> narrow(std::size_t(n / step + 1)); // 0.1-s sums centred every 10 ms
    for (std::size_t k = 0; k < narrow.size(); ++k)
        narrow[k] = tonePower(int(k) * step, avgLen);
    const double narrowNoise = noisePerSample * avgLen; // mean power of noise alone in `narrow`
    const auto indexOf = [&](double t) { return int(std::lround((t + lead) * fs / step)); };
    // Mean power above the noise over [t, t + length).
    const auto boxMean = [&](double t, double length) {
        const int from = std::max(0, indexOf(t)), to = std::min(int(narrow.size()), indexOf(t + length));
        if (to - from < 10)
            return 0.0;
        double s = 0;
        for (int k = from; k < to; ++k)
            s += narrow[std::size_t(k)];
        return s / (to - from) - narrowNoise;
    };
    // The start in [from, to] whose box holds the most power, and that power.
    const auto strongestStart = [&](double from, double to, double length) {
        double best = from, bestPower = -1e300;
        for (double t = from; t <= to + 1e-9; t += double(step) / fs) {
            const double p = boxMean(t, length);
            if (p > bestPower) {
                bestPower = p;
                best = t;
            }
        }
        return std::pair{best, bestPower};
    };

    // Where a strong dash's amplitude crosses half its level, nearest to `near` within
    // `reach` seconds: a moving sum's amplitude ramps linearly through a key's edge and is
    // half way up at the edge itself, whatever the sum's length. `rising` for its start.
    const auto edgeNear = [&](double near, double reach, double level, bool rising) {
        const double half = 0.5 * std::sqrt(std::max(level, 0.0));
        const auto amp = [&](int k) { return std::sqrt(std::max(narrow[std::size_t(k)] - narrowNoise, 0.0)); };
        const int from = std::max(1, indexOf(near - reach)), to = std::min(int(narrow.size()) - 1, indexOf(near + reach));
        double best = near, bestDistance = 1e300;
        for (int k = from; k <= to; ++k) {
            const double a = amp(k - 1), b = amp(k);
            if (rising ? (a < half && b >= half) : (a >= half && b < half)) {
                const double t = (k - 1 + (half - a) / (b - a)) * step / fs - lead;
                if (std::abs(t - near) < bestDistance) {
                    bestDistance = std::abs(t - near);
                    best = t;
                }
            }
        }
        return best;
    };
    // A dash this far above the noise in the narrow envelope (20 dB in 10 Hz, -4 dB in
    // 2.5 kHz) has edges sharp enough to time it by them.
    constexpr double SharpFactor = 100.0;
    constexpr double MinGap = 0.05, MaxFirstGap = 1.0; // callsign to 100-W dash
    constexpr double MinDashGap = 0.08, MaxDashGap = 0.6;
    constexpr double Margin = 0.05; // left out at either end of a dash's transform
    // Where the dashes are and how the whole transmission fits, for the callsign starting
    // at `offset`.
    struct Located {
        std::array<double, BeaconKeying::DashCount> starts{};
        double dashLength = BeaconKeying::DashSeconds;
        double period = BeaconKeying::DashSeconds + 3 * BeaconKeying::ElementSeconds; // 100-W dash to 10-W dash
        KeyingFit fit;
    };
    const auto locate = [&](double offset) {
        Located found;
        auto &starts = found.starts;
        double &dashLength = found.dashLength;
        double &period = found.period;
        const double callsignEnd = offset + chosen.callsignSeconds;
        {
            // The 100-W dash first in the short-time envelope, which holds the tone wherever
            // it is in its bin; the narrow envelope waits for the dash to tell the tone.
            double bestPower = -1e300;
            starts[0] = callsignEnd + MinGap;
            for (double t = callsignEnd + MinGap; t <= callsignEnd + MaxFirstGap; t += 1 / framesPerSecond) {
                const Edge a = edgeOf(framePos(t)), b = edgeOf(framePos(t + dashLength));
                if (a.whole < 0 || b.whole >= frames)
                    break;
                const double p = C(b, 0) - C(a, 0);
                if (p > bestPower) {
                    bestPower = p;
                    starts[0] = t;
                }
            }
        }
        // The 100-W dash's edges when it is strong give its start and length; the 10-W dash
        // gives the period of the dashes, which a keyer keeps: the 1-W and 0.1-W dashes,
        // often in the noise, are measured a period and two after it.
        {
            const double level = boxMean(starts[0] + 0.1, dashLength - 0.2);
            if (level > SharpFactor * narrowNoise) {
                const double rise = edgeNear(starts[0], 0.1, level, true);
                const double fall = edgeNear(starts[0] + dashLength, 0.15, level, false);
                starts[0] = rise;
                dashLength = std::clamp(fall - rise, 0.85, 1.15);
            }
            const double after = starts[0] + dashLength;
            auto [t, power] = strongestStart(after + MinDashGap, after + MaxDashGap, dashLength);
            if (power > LocatedFactor * narrowNoise) {
                if (power > SharpFactor * narrowNoise)
                    t = edgeNear(t, 0.08, power, true);
                period = t - starts[0];
            }
            for (int d = 1; d < BeaconKeying::DashCount; ++d)
                starts[std::size_t(d)] = starts[0] + d * period;
        }
        // The keying found is a beacon's when the whole transmission as the station sends it
        // (callsign, the four dashes where they were found, the silences between) accounts for
        // all that stands above the noise in the envelope. The strength may wander along it as
        // the path fades, so it is free at knots a second apart and straight between them.
        // What the pattern leaves unexplained is compared with what noise alone would leave:
        // a square-law envelope's spread is the noise's power, widened by the signal where it
        // stands (N0^2 + 2 N0 S). So a weak beacon, whose envelope is mostly noise, still fits
        // as well as a strong one, while a carrier, other CW or static, whatever their level,
        // leave keying of their own that the pattern cannot explain.
        {
            const auto keys = BeaconKeying::callsignKeying(chosen.callsign, BeaconKeying::ElementSeconds / chosen.speed);
            const double spanStart = offset - 0.25, spanEnd = starts[3] + dashLength + 0.25;
            // The envelope a keyed tone leaves in a frame: its 40 ms sum adds the tone's
            // amplitude over the stretch keyed down, so the power ramps up and down through
            // each key's edge rather than stepping.
            const double halfSum = 0.5 * keyLen / fs;
            const auto pattern = [&](double t) {
                const auto overlap = [&](double from, double to) {
                    return std::max(0.0, std::min(to, t + halfSum) - std::max(from, t - halfSum));
                };
                double amplitude = 0;
                for (int d = 0; d < BeaconKeying::DashCount; ++d)
                    amplitude += std::sqrt(BeaconKeying::DashPowerRatio[std::size_t(d)]) *
                                 overlap(starts[std::size_t(d)], starts[std::size_t(d)] + dashLength);
                for (const auto &key : keys)
                    amplitude += overlap(key.start + offset, key.end + offset);
                amplitude /= 2 * halfSum;
                return amplitude * amplitude;
            };
            // Knots from the callsign's start to the 10-W dash's end; the dashes below it are too
            // weak for their strength to matter, and take the last knot's.
            constexpr double KnotSpacing = 1.0;
            // The first knot at the callsign's start: before it the pattern is silent.
            const double keyedEnd = starts[1] + dashLength;
            const int knots = std::max(2, int(std::ceil((keyedEnd - offset) / KnotSpacing)) + 1);
            const double spacing = (keyedEnd - offset) / (knots - 1);
            const int dim = knots + 1; // a constant and the pattern's strength at each knot
            const int kFrom = std::max(0, int(std::ceil(framePos(spanStart)))),
                      kTo = std::min(frames - 1, int(std::floor(framePos(spanEnd))));
            // Each frame's regressors are the constant and the pattern shared by two knots.
            struct Row {
                int knot;         // the knot before the frame
                double p0, p1;    // the pattern's share on that knot and the next
                double e;         // the envelope
            };
            std::vector<Row> rows;
            std::vector<double> xtx(std::size_t(dim * dim), 0.0), xty(std::size_t(dim), 0.0);
            double se = 0, see = 0;
            for (int k = kFrom; k <= kTo; ++k) {
                const double t = (k * hop + frameLen / 2.0) / fs - lead;
                const double p = pattern(t), e = envelope[std::size_t(k)];
                const double u = std::clamp((t - offset) / spacing, 0.0, double(knots - 1));
                const int j = std::min(knots - 2, int(u));
                const Row row{j, p * (1 - (u - j)), p * (u - j), e};
                const std::pair<int, double> xs[] = {{0, 1.0}, {j + 1, row.p0}, {j + 2, row.p1}};
                for (const auto &[i, xi] : xs) {
                    xty[std::size_t(i)] += xi * e;
                    for (const auto &[l, xl] : xs)
                        xtx[std::size_t(i * dim + l)] += xi * xl;
                }
                se += e;
                see += e * e;
                rows.push_back(row);
            }
            const double count = double(rows.size());
            const double noisePower = noisePerSample * keyLen; // the envelope's noise share
            const double sst = see - se * se / std::max(count, 1.0);
            std::vector<double> coef;
            if (count > 10 && sst > 0 && solveSymmetric(xtx, xty, dim, coef)) {
                double rss = 0, expected = 0, strengthSum = 0;
                for (const Row &row : rows) {
                    const double signal = row.p0 * coef[std::size_t(row.knot + 1)] + row.p1 * coef[std::size_t(row.knot + 2)];
                    const double fit = coef[0] + signal;
                    rss += (row.e - fit) * (row.e - fit);
                    expected += noisePower * noisePower + 2 * noisePower * std::max(fit, 0.0);
                }
                for (int l = 1; l < dim; ++l)
                    strengthSum += coef[std::size_t(l)];
                const double explained = std::max(0.0, sst - rss);
                // Of what stands above the noise (all variance less the noise's share), the part
                // the pattern explains; a pattern that must be turned upside down to fit is none.
                const double aboveNoise = explained + (rss - expected);
                if (strengthSum > 0 && explained > 0) {
                    found.fit.fit = aboveNoise > explained ? std::sqrt(explained / aboveNoise) : 1.0;
                    found.fit.strength = explained / expected;
                }
            }
        }
        return found;
    };
    const auto passes = [](const KeyingFit &f) { return f.fit >= KeyingFitThreshold && f.strength >= KeyingStrengthThreshold; };
    const Located found = locate(m.offsetSeconds);
    lastFit_ = found.fit;
    // Another station's callsign is taken as heard only when it also matched with the
    // confidence that tells a clock's error, the scheduled one's only when no other
    // callsign matched much better; in between, the slot is neither station's.
    m.keyingFound = passes(found.fit) && (chosen.station == window.expected ? overall->score - chosen.score <= ScheduledLead
                                                                            : chosen.score >= ClockScore);
    std::array<double, BeaconKeying::DashCount> starts = found.starts;
    double dashLength = found.dashLength;
    // The slot's score, logged with it: how well the callsign, the 100-W dash after it and
    // the drop to the 10-W dash, as one pattern, fit the envelope. The pattern's strength
    // may drift across it (a fade of 10 dB in a few seconds is common), so the fit is
    // envelope = a + (b + c t) pattern, and the score is its multiple correlation. Noise
    // lowers it: a beacon scores 0.91 in the median at +6 dB and 0.52 at -15 dB. Whether
    // the keying is a beacon's is decided further on, against the noise.
    {
        const double spanStart = m.offsetSeconds - 0.25, dashEnd = starts[0] + dashLength, spanEnd = dashEnd + 0.6;
        const auto keys = BeaconKeying::callsignKeying(chosen.callsign, BeaconKeying::ElementSeconds / chosen.speed);
        const auto pattern = [&](double t) {
            if (t >= starts[0] && t < dashEnd)
                return 1.0;
            if (t >= dashEnd + 3 * BeaconKeying::ElementSeconds)
                return BeaconKeying::DashPowerRatio[1];
            for (const auto &key : keys)
                if (t >= key.start + m.offsetSeconds && t < key.end + m.offsetSeconds)
                    return 1.0;
            return 0.0;
        };
        const int kFrom = std::max(0, int(std::ceil(framePos(spanStart)))), kTo = std::min(frames - 1, int(std::floor(framePos(spanEnd))));
        const double mid = 0.5 * (spanStart + spanEnd), halfSpan = 0.5 * (spanEnd - spanStart);
        // Normal equations of e = a + b p + c p tau, tau = -1..1 across the span.
        double n0 = 0, sp = 0, spt = 0, spp = 0, sppt = 0, spptt = 0, se = 0, sep = 0, sept = 0, see = 0;
        for (int k = kFrom; k <= kTo; ++k) {
            const double t = (k * hop + frameLen / 2.0) / fs - lead;
            const double p = pattern(t), tau = (t - mid) / halfSpan, e = envelope[std::size_t(k)];
            n0 += 1;
            sp += p;
            spt += p * tau;
            spp += p * p;
            sppt += p * p * tau;
            spptt += p * p * tau * tau;
            se += e;
            sep += e * p;
            sept += e * p * tau;
            see += e * e;
        }
        double score = 0;
        const double sst = see - se * se / std::max(n0, 1.0);
        if (n0 > 10 && sst > 0) {
            // Centre the two regressors on their means and solve the 2x2 system.
            const double x11 = spp - sp * sp / n0, x12 = sppt - sp * spt / n0, x22 = spptt - spt * spt / n0;
            const double y1 = sep - se * sp / n0, y2 = sept - se * spt / n0;
            const double det = x11 * x22 - x12 * x12;
            if (det > 0) {
                const double b1 = (y1 * x22 - y2 * x12) / det, c1 = (x11 * y2 - x12 * y1) / det;
                const double explained = b1 * y1 + c1 * y2;
                // The pattern's mean strength over the span must be positive: a + b p with
                // b > 0 where tau = 0.
                if (b1 > 0 && explained > 0)
                    score = std::sqrt(std::min(1.0, explained / sst));
            }
        }
        m.identityScore = score;
    }
    double dashHz = m.toneHz;
    double searchHz = 3.0;
    bool stillHeard = true;
    for (int d = 0; d < BeaconKeying::DashCount; ++d) {
        const int from = std::max(0, int(std::lround((starts[std::size_t(d)] + Margin + lead) * fs)));
        const int to = std::min(n, int(std::lround((starts[std::size_t(d)] + dashLength - Margin + lead) * fs)));
        const int len = to - from;
        if (len < fs / 4)
            break;
        Plan &dft = plan(ceilPow2(2 * len));
        std::copy(x.begin() + from, x.begin() + to, dft.in);
        std::fill(dft.in + len, dft.in + dft.size, 0.0f);
        dft.execute();
        const double binHz = fs / dft.size;
        const int half = dft.size / 2;
        const auto binOf = [&](double hz) { return std::clamp(int(std::lround(hz / binHz)), 1, half - 1); };

        std::vector<double> noise;
        for (int k = binOf(dashHz - 250); k <= binOf(dashHz + 250); ++k)
            if (std::abs(k * binHz - dashHz) >= 40)
                noise.push_back(dft.power(k));
        const double noisePerBin = median(noise) / std::numbers::ln2; // exponential: mean = median / ln 2
        if (!(noisePerBin > 0))
            break;
        int peak = binOf(dashHz - searchHz);
        for (int k = peak; k <= binOf(dashHz + searchHz); ++k)
            if (dft.power(k) > dft.power(peak))
                peak = k;
        const double dd = parabolicDelta(dft.power(peak - 1), dft.power(peak), dft.power(peak + 1));
        const double y0 = std::log(dft.power(peak)), ym1 = std::log(std::max(dft.power(peak - 1), 1e-30)),
                     yp1 = std::log(std::max(dft.power(peak + 1), 1e-30));
        const double peakPower = std::exp(y0 - 0.25 * (ym1 - yp1) * dd);
        const double ratioDb = 10 * std::log10(dft.power(peak) / noisePerBin);
        const double excess = peakPower / noisePerBin - 1;
        const std::size_t di = std::size_t(d);
        if (d == 0)
            m.noiseDb = 10 * std::log10(noisePerBin / len * 5000.0 / fs);
        if (!m.keyingFound)
            break; // no callsign, no beacon: there are no dashes to read
        m.dashSnrDb[di] = excess > 0 ? 10 * std::log10(excess * (fs / len) / 2500.0) : NAN;
        // Each dash is sent 10 dB below the one before; one read within 2 dB of it has
        // caught the dash before it, and is not heard (a fast deep fade can lift a dash by
        // up to 7 dB over the second between two, never by 8).
        const bool caughtTheOneBefore = d > 0 && std::isfinite(m.dashSnrDb[di - 1]) && std::isfinite(m.dashSnrDb[di]) &&
                                        m.dashSnrDb[di] > m.dashSnrDb[di - 1] - 2.0;
        if (caughtTheOneBefore)
            m.dashSnrDb[di] = NAN;
        const bool heard = ratioDb >= HeardThresholdDb && !caughtTheOneBefore;
        if (heard && stillHeard) {
            ++m.dashesHeard;
            dashHz = (peak + dd) * binHz;
            searchHz = 1.5;
            if (d == 0)
                m.toneHz = dashHz;
        } else {
            stillHeard = false;
        }
    }
    return m;
}

} // namespace halvion
