// How well the beacon monitor reads the air, on the project's own generated slots: per
// signal-to-noise ratio the share of slots naming the right station, the 100-W dash
// found, the dashes that break the rule "a dash at -18 dB or more is heard, one at -25 dB
// or less is not", the start-time bias; the same rule split by the gap stations leave
// before their dashes; how often things that are not a beacon are logged as heard; and
// the processing time per hour of audio. Stations vary as on the air: tone 420-780 Hz,
// gap before the dashes 0.1-0.5 s, keying 5 % either side of 22 wpm, start +-0.5 s,
// slow fades in half of them, the Hawaii beacon signing KH6RS in half of its slots.
//
// measure_monitor [SLOTS per row, default 180] [--scores] [--seed N, default 2026]

#include "monitor_signal.h"
#include "slot_analyzer.h"

#include <QCoreApplication>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace halvion;
namespace ts = halvion::testsignal;

namespace {

struct Truth {
    ts::Beacon beacon;
    std::array<double, BeaconKeying::DashCount> dashSnrDb{}; // with the fade over each dash
    double gapSeconds = 0;
};

Truth randomBeacon(ts::Noise &r, double snr, BeaconIndex station)
{
    Truth t;
    ts::Beacon &b = t.beacon;
    b.station = station;
    b.snrDb = snr;
    b.toneHz = 420 + 360 * r.uniform();
    b.offsetSeconds = -0.5 + r.uniform();
    b.timing.elementSeconds = BeaconKeying::ElementSeconds * (0.95 + 0.1 * r.uniform());
    b.timing.wordGapSeconds = 0.1 + 0.4 * r.uniform();
    b.timing.dashGapSeconds = 3 * b.timing.elementSeconds;
    t.gapSeconds = b.timing.wordGapSeconds;
    if (station == 3 && r.uniform() < 0.5)
        b.callsign = "KH6RS";
    if (r.uniform() < 0.5) {
        b.fadeDb = 10 * r.uniform();
        b.fadePeriodSeconds = 4 + 12 * r.uniform();
        b.fadePhase = 2 * std::numbers::pi * r.uniform();
    }
    const std::string_view call = b.callsign.empty() ? BeaconCatalogue::beacon(station).callsign : b.callsign;
    for (const auto &key : BeaconKeying::transmission(call, b.timing)) {
        if (key.dash < 0)
            continue;
        double power = 0;
        const int steps = 100;
        for (int i = 0; i < steps; ++i) {
            const double at = key.start + b.offsetSeconds + (i + 0.5) / steps * (key.end - key.start);
            const double db = b.fadeDb <= 0 ? 0
                : -0.5 * b.fadeDb * (1 - std::cos(2 * std::numbers::pi * at / b.fadePeriodSeconds + b.fadePhase));
            power += std::pow(10, db / 10) / steps;
        }
        t.dashSnrDb[std::size_t(key.dash)] = snr + 10 * std::log10(power * key.powerRatio);
    }
    return t;
}

SlotWindow windowFor(const Truth &t, ts::Noise &noise, double rate)
{
    const BandIndex band = BandIndex(std::uint64_t(noise.uniform() * 5) % 5);
    return ts::slot(t.beacon, noise, band, rate);
}

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return NAN;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, std::size_t(p * double(v.size())))];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int slots = argc > 1 && std::atoi(argv[1]) > 0 ? std::atoi(argv[1]) : 180;
    bool scores = false;
    std::uint64_t seed = 2026;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--scores") == 0)
            scores = true;
        else if (std::strcmp(argv[i], "--seed") == 0 && i + 1 < argc)
            seed = std::strtoull(argv[++i], nullptr, 10);
    }
    const double rate = 8000;
    SlotAnalyzer analyzer;
    ts::Noise r(seed);

    std::printf("Beacons, %d slots a row, %.0f Hz, seed %llu\n", slots, rate, (unsigned long long)seed);
    std::printf("| SNR dB | identity | 100 W found | rule breaks | other station | offset bias ms | offset sd ms |"
                " score median |\n|---|---|---|---|---|---|---|---|\n");
    // Heard share of dashes at -21.5 to -18 dB, by the gap before the dashes.
    int edgeShort = 0, edgeShortHeard = 0, edgeLong = 0, edgeLong2Heard = 0;
    int ruleShort = 0, ruleLong = 0, ruleShortBreaks = 0, ruleLongBreaks = 0;
    for (double snr : {6.0, 3.0, 0.0, -3.0, -6.0, -10.0, -12.0, -15.0}) {
        int named = 0, found = 0, breaks = 0, dashesJudged = 0, others = 0;
        std::vector<double> offsetErrors, slotScores;
        for (int i = 0; i < slots; ++i) {
            const Truth t = randomBeacon(r, snr, BeaconIndex(i % BeaconCount));
            const SlotMeasurement m = analyzer.analyze(windowFor(t, r, rate));
            named += m.identified == t.beacon.station ? 1 : 0;
            if (std::getenv("MEASURE_MONITOR_MISSES") && snr >= 3 && !m.heard())
                std::printf("miss: %s score %.2f offset %.2f gap %.2f speed %.3f fade %.1f dB/%.1f s tone %.0f\n",
                            BeaconCatalogue::beacon(t.beacon.station).callsign.data(), m.identityScore, t.beacon.offsetSeconds,
                            t.gapSeconds, BeaconKeying::ElementSeconds / t.beacon.timing.elementSeconds, t.beacon.fadeDb,
                            t.beacon.fadePeriodSeconds, t.beacon.toneHz);
            found += m.heard() ? 1 : 0;
            others += m.otherStation() ? 1 : 0;
            slotScores.push_back(m.identityScore);
            if (m.identified == t.beacon.station && m.heard())
                offsetErrors.push_back(m.offsetSeconds - t.beacon.offsetSeconds);
            for (int d = 0; d < BeaconKeying::DashCount; ++d) {
                const double truth = t.dashSnrDb[std::size_t(d)];
                const bool heard = m.dashesHeard > d;
                const bool longGap = t.gapSeconds > 0.25;
                if (truth >= -18 || truth <= -25) {
                    ++dashesJudged;
                    const bool broke = (truth >= -18) != heard;
                    if (broke && std::getenv("MEASURE_MONITOR_MISSES") && snr >= 3)
                        std::printf("break: %s dash %d truth %.1f read %.1f heard %d score %.2f gap %.2f fade %.1f dB/%.1f s offset %.2f;"
                                    " truths %.1f %.1f %.1f %.1f, reads %.1f %.1f %.1f %.1f\n",
                                    BeaconCatalogue::beacon(t.beacon.station).callsign.data(), d, truth, m.dashSnrDb[std::size_t(d)],
                                    m.dashesHeard, m.identityScore, t.gapSeconds, t.beacon.fadeDb, t.beacon.fadePeriodSeconds,
                                    t.beacon.offsetSeconds, t.dashSnrDb[0], t.dashSnrDb[1], t.dashSnrDb[2], t.dashSnrDb[3],
                                    m.dashSnrDb[0], m.dashSnrDb[1], m.dashSnrDb[2], m.dashSnrDb[3]);
                    breaks += broke ? 1 : 0;
                    (longGap ? ruleLong : ruleShort) += 1;
                    (longGap ? ruleLongBreaks : ruleShortBreaks) += broke ? 1 : 0;
                }
                if (truth > -21.5 && truth < -18 && m.dashesHeard >= d) {
                    (longGap ? edgeLong : edgeShort) += 1;
                    (longGap ? edgeLong2Heard : edgeShortHeard) += heard ? 1 : 0;
                }
            }
        }
        double bias = 0, sd = 0;
        for (double e : offsetErrors)
            bias += e / double(std::max<std::size_t>(offsetErrors.size(), 1));
        for (double e : offsetErrors)
            sd += (e - bias) * (e - bias) / double(std::max<std::size_t>(offsetErrors.size(), 2) - 1);
        std::printf("| %+4.0f | %5.1f %% | %5.1f %% | %d of %d dashes | %d | %+5.1f | %4.1f | %.2f |\n", snr,
                    100.0 * named / slots, 100.0 * found / slots, breaks, dashesJudged, others, 1000 * bias,
                    1000 * std::sqrt(sd), percentile(slotScores, 0.5));
    }
    std::printf("\nRule breaks by gap before the dashes: %d of %d dashes (gap 0.10-0.25 s), %d of %d (0.25-0.50 s)\n",
                ruleShortBreaks, ruleShort, ruleLongBreaks, ruleLong);
    std::printf("Dashes at -21.5 to -18 dB heard: %.0f %% of %d (gap 0.10-0.25 s), %.0f %% of %d (0.25-0.50 s)\n",
                100.0 * edgeShortHeard / std::max(edgeShort, 1), edgeShort, 100.0 * edgeLong2Heard / std::max(edgeLong, 1),
                edgeLong);

    std::printf("\nNot a beacon, %d slots a row\n", slots);
    // The keying thresholds are chosen from this table: for each signal the fit and the
    // strength at the 99th percentile and at most, and the highest fit among slots strong
    // enough to pass.
    std::printf("| signal | level dB | heard | fit 99th pct | fit highest | strength 99th pct | strength highest |"
                " highest fit with strength >= %.2f |\n|---|---|---|---|---|---|---|---|\n",
                SlotAnalyzer::KeyingStrengthThreshold);
    const auto notABeaconRow = [&](const char *name, const char *level, const auto &makeWindow) {
        int heard = 0;
        std::vector<double> fits, strengths;
        double strongFit = 0;
        for (int i = 0; i < slots; ++i) {
            const SlotMeasurement m = analyzer.analyze(makeWindow(i));
            const SlotAnalyzer::KeyingFit f = analyzer.lastKeyingFit();
            heard += m.heard() ? 1 : 0;
            fits.push_back(f.fit);
            strengths.push_back(f.strength);
            if (f.strength >= SlotAnalyzer::KeyingStrengthThreshold)
                strongFit = std::max(strongFit, f.fit);
        }
        std::printf("| %s | %s | %d (%.1f %%) | %.2f | %.2f | %.2f | %.2f | %.2f |\n", name, level, heard, 100.0 * heard / slots,
                    percentile(fits, 0.99), percentile(fits, 1.0), percentile(strengths, 0.99), percentile(strengths, 1.0),
                    strongFit);
    };
    const ts::NotABeacon kinds[] = {ts::NotABeacon::SteadyCarrier, ts::NotABeacon::RandomCarrier, ts::NotABeacon::OtherCw,
                                    ts::NotABeacon::NoiseBursts};
    for (const ts::NotABeacon kind : kinds) {
        for (double level : {-15.0, -10.0, -5.0, 5.0, 15.0}) {
            char levelText[16];
            std::snprintf(levelText, sizeof levelText, "%+.0f", level);
            notABeaconRow(ts::notABeaconName(kind), levelText, [&](int i) {
                SlotWindow w = ts::emptySlot(qint64(i), BandIndex(i % 5), rate);
                ts::addNotABeacon(w.samples, rate, -SlotWindow::LeadSeconds, kind, level, 420 + 360 * r.uniform(), r);
                ts::addNoise(w.samples, rate, r);
                return w;
            });
        }
    }
    notABeaconRow("noise alone", "", [&](int i) { return ts::slot({-1, 0, 600, 0}, r, BandIndex(i % 5), rate); });

    std::printf("\nProcessor time (one thread, this machine)\n| sample rate | ms a slot | s per hour of audio on one band |\n|---|---|---|\n");
    for (double fs : {8000.0, 48000.0}) {
        std::vector<SlotWindow> windows;
        for (int i = 0; i < 36; ++i)
            windows.push_back(windowFor(randomBeacon(r, -3, BeaconIndex(i % BeaconCount)), r, fs));
        SlotAnalyzer timed;
        timed.analyze(windows.front()); // plans made once
        // Processor time, not elapsed time: the machine may be busy with other work.
        const std::clock_t t0 = std::clock();
        for (const SlotWindow &w : windows)
            timed.analyze(w);
        const double ms = 1000.0 * double(std::clock() - t0) / CLOCKS_PER_SEC / double(windows.size());
        std::printf("| %.0f Hz | %.1f | %.1f |\n", fs, ms, ms * 360 / 1000);
    }
    if (scores) {
        std::printf("\nBeacons' keying fit and strength\n| SNR dB | fit lowest | fit 1st pct | fit 10th pct | fit median |"
                    " strength 1st pct | strength 10th pct | strength median |\n|---|---|---|---|---|---|---|---|\n");
        for (double snr : {20.0, 12.0, 6.0, 0.0, -6.0, -10.0, -12.0, -15.0, -18.0}) {
            std::vector<double> fits, strengths;
            for (int i = 0; i < slots; ++i) {
                analyzer.analyze(windowFor(randomBeacon(r, snr, BeaconIndex(i % BeaconCount)), r, rate));
                fits.push_back(analyzer.lastKeyingFit().fit);
                strengths.push_back(analyzer.lastKeyingFit().strength);
            }
            std::printf("| %+.0f | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f |\n", snr, percentile(fits, 0.0), percentile(fits, 0.01), percentile(fits, 0.1),
                        percentile(fits, 0.5), percentile(strengths, 0.01), percentile(strengths, 0.1), percentile(strengths, 0.5));
        }
    }
    return 0;
}
