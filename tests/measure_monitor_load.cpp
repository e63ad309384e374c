// How much processor time live monitoring takes: feeds synthetic receiver audio at a
// sound card's rate, in the 100 ms blocks a sound input delivers, through the monitor's
// engine (slot cutting, measuring on its worker, the log) as fast as it goes, and
// reports the processor time it took against the audio's own length.
//
// measure_monitor_load [MINUTES of audio, default 10] [SAMPLE_RATE, default 48000]

#include "monitor_engine.h"
#include "monitor_log.h"
#include "monitor_signal.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>

using namespace halvion;

namespace {

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int minutes = argc > 1 ? std::atoi(argv[1]) : 10;
    const int rate = argc > 2 ? std::atoi(argv[2]) : 48000;
    QTemporaryDir dir;
    MonitorLog log;
    if (!log.open(dir.filePath(QStringLiteral("monitor.sqlite"))))
        return 1;
    MonitorEngine engine(log);
    engine.setBandForSlot([](qint64) { return BandIndex(0); });

    // One minute of audio, made beforehand and played over and over.
    const qint64 start = 1'800'000'000'000;
    std::vector<float> minute(std::size_t(rate) * 60, 0.0f);
    testsignal::Noise noise(1);
    for (qint64 slot = start / 10000 - 1; slot <= start / 10000 + 6; ++slot)
        testsignal::addBeacon(minute, rate, double(start - slot * 10000) / 1000.0,
                              {SlotTiming::expectedStation(slot, 0), 0.0, 600, 0.05});
    testsignal::addNoise(minute, rate, noise);

    int slots = 0;
    QObject::connect(&engine, &MonitorEngine::measured, &engine, [&slots] { ++slots; });
    const std::size_t block = std::size_t(rate) / 10;
    const double before = cpuSeconds();
    for (int m = 0; m < minutes; ++m) {
        for (std::size_t at = 0; at < minute.size(); at += block) {
            const qint64 t = start + qint64(m) * 60000 + qint64(at * 1000 / std::size_t(rate));
            engine.pushSamples(minute.data() + at, qsizetype(block), rate, t);
        }
        engine.waitForIdle();
    }
    const double used = cpuSeconds() - before;
    std::printf("%d slots from %d min of %d Hz audio: %.2f s of processor time, %.1f ms a slot, "
                "%.2f %% of one core\n",
                slots, minutes, rate, used, 1000 * used / std::max(slots, 1), 100 * used / (minutes * 60.0));
    return 0;
}
