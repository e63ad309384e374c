#include "slot_analyzer.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>
#include <numbers>
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

SlotAnalyzer::SlotAnalyzer(ToneSearch search) : search_(search) {}
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
    for (int i = 0; i < frameLen; ++i)
        hann[std::size_t(i)] = float(0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / frameLen));
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
    std::vector<double> envelope(static_cast<std::size_t>(frames));
    for (int k = 0; k < frames; ++k) {
        double e = 0;
        for (int b = toneBin - 1; b <= toneBin + 1; ++b)
            e += spectrum[std::size_t(k) * std::size_t(width) + std::size_t(b - c0)] - floorPerBin;
        envelope[std::size_t(k)] = e;
    }

    // 4. Identification: normalised correlation of the envelope with each callsign's
    //    keying (in power, the dashes at their own levels) over every offset.
    std::vector<double> sum(std::size_t(frames) + 1, 0.0), sumSq(std::size_t(frames) + 1, 0.0);
    for (int k = 0; k < frames; ++k) {
        sum[std::size_t(k) + 1] = sum[std::size_t(k)] + envelope[std::size_t(k)];
        sumSq[std::size_t(k) + 1] = sumSq[std::size_t(k)] + envelope[std::size_t(k)] * envelope[std::size_t(k)];
    }
    const auto frameAt = [&](double t) { return int(std::ceil(((t + lead) * fs - frameLen / 2.0) / hop)); };
    const int maxShift = int(std::ceil(MaxOffsetSeconds * fs / hop));
    BeaconIndex best = -1;
    int bestShift = 0;
    double bestScore = -2;
    std::vector<double> bestScores;
    for (BeaconIndex c = 0; c < BeaconCount; ++c) {
        const auto keys = BeaconKeying::transmission(c);
        struct Run {
            int from, to;
            double w;
        };
        std::vector<Run> runs;
        double sumP = 0, sumP2 = 0;
        for (const auto &key : keys) {
            const Run run{frameAt(key.start), frameAt(key.end), key.powerRatio};
            runs.push_back(run);
            sumP += run.w * (run.to - run.from);
            sumP2 += run.w * run.w * (run.to - run.from);
        }
        const int spanFrom = frameAt(keys.front().start - 0.2), spanTo = frameAt(keys.back().end + 0.2);
        const double spanLen = spanTo - spanFrom;
        const double meanP = sumP / spanLen;
        const double normT = std::sqrt(std::max(sumP2 - sumP * meanP, 1e-30));
        std::vector<double> scores(std::size_t(2 * maxShift + 1), -2.0);
        for (int j = -maxShift; j <= maxShift; ++j) {
            if (spanFrom + j < 0 || spanTo + j > frames)
                continue;
            const auto S = [&](int k) { return sum[std::size_t(k + j)]; };
            const double se = S(spanTo) - S(spanFrom);
            const double see = sumSq[std::size_t(spanTo + j)] - sumSq[std::size_t(spanFrom + j)];
            const double normE = std::sqrt(std::max(see - se * se / spanLen, 1e-30));
            double dot = -meanP * se;
            for (const Run &run : runs)
                dot += run.w * (S(run.to) - S(run.from));
            const double r = dot / (normT * normE);
            scores[std::size_t(j + maxShift)] = r;
            if (r > bestScore) {
                bestScore = r;
                best = c;
                bestShift = j;
            }
        }
        if (best == c)
            bestScores = scores;
    }
    if (best < 0)
        return m;
    m.identified = best;
    m.identityScore = bestScore;
    double delta = 0;
    const std::size_t at = std::size_t(bestShift + maxShift);
    if (at > 0 && at + 1 < bestScores.size() && bestScores[at - 1] > -2 && bestScores[at + 1] > -2) {
        const double denom = bestScores[at - 1] - 2 * bestScores[at] + bestScores[at + 1];
        if (denom < 0)
            delta = std::clamp(0.5 * (bestScores[at - 1] - bestScores[at + 1]) / denom, -0.5, 0.5);
    }
    m.offsetSeconds = (bestShift + delta) * hop / fs;

    // 5. Each dash on its own: a long transform of the dash gives ~1 Hz bins, so the tone
    //    stands far above the noise beside it.
    const auto keys = BeaconKeying::transmission(best);
    double dashHz = coarseHz;
    double searchHz = 12.0;
    bool stillHeard = true;
    for (const auto &key : keys) {
        if (key.dash < 0)
            continue;
        const int from = std::max(0, int(std::lround((key.start + m.offsetSeconds + 0.03 + lead) * fs)));
        const int to = std::min(n, int(std::lround((key.end + m.offsetSeconds - 0.03 + lead) * fs)));
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
        const double d = parabolicDelta(dft.power(peak - 1), dft.power(peak), dft.power(peak + 1));
        const double y0 = std::log(dft.power(peak)), ym1 = std::log(std::max(dft.power(peak - 1), 1e-30)),
                     yp1 = std::log(std::max(dft.power(peak + 1), 1e-30));
        const double peakPower = std::exp(y0 - 0.25 * (ym1 - yp1) * d);
        const double ratioDb = 10 * std::log10(dft.power(peak) / noisePerBin);
        const double excess = peakPower / noisePerBin - 1;
        const std::size_t di = std::size_t(key.dash);
        m.dashSnrDb[di] = excess > 0 ? 10 * std::log10(excess * (fs / len) / 2500.0) : NAN;
        if (key.dash == 0)
            m.noiseDb = 10 * std::log10(noisePerBin / len * 5000.0 / fs);
        const bool heard = ratioDb >= HeardThresholdDb;
        if (heard && stillHeard) {
            ++m.dashesHeard;
            dashHz = (peak + d) * binHz;
            searchHz = 1.5;
            if (key.dash == 0)
                m.toneHz = dashHz;
        } else {
            stillHeard = false;
        }
    }
    return m;
}

} // namespace halvion
