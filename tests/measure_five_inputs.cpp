// Five receivers at once, for measuring: listens to the sound inputs named on the command
// line, one per band from 20 m, through the monitor's band inputs and engine into a log in
// a temporary folder, for a number of seconds of real time; then prints the rows logged
// per band and any trouble an input reported. scripts/measure_five_inputs.sh runs it
// against a sound server of its own and watches its processor time and memory.
//
// measure_five_inputs SECONDS INPUT_ID...

#include "band_inputs.h"
#include "monitor_engine.h"
#include "monitor_log.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <map>

using namespace halvion;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: measure_five_inputs SECONDS INPUT_ID...\n");
        return 2;
    }
    const int seconds = std::atoi(argv[1]);
    QTemporaryDir dir;
    MonitorLog log;
    if (!log.open(dir.filePath(QStringLiteral("monitor.sqlite")))) {
        std::fprintf(stderr, "%s\n", qPrintable(log.errorText()));
        return 1;
    }
    MonitorEngine engine(log);
    BandInputs inputs(engine, [] { return QDateTime::currentMSecsSinceEpoch(); });
    for (int i = 2; i < argc && i - 2 < BandCount; ++i)
        inputs.setLine(i - 2, {QByteArray(argv[i]), 0, 600});
    QObject::connect(&inputs, &BandInputs::statusChanged, &app, [](BandIndex band, const QString &text) {
        if (!text.isEmpty())
            std::fprintf(stderr, "band %d: %s\n", band, qPrintable(text));
    });
    if (!inputs.start())
        return 1;
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    app.exec();
    inputs.stop();
    engine.waitForIdle();
    std::map<int, int> rows, heard;
    for (const SlotMeasurement &m : log.history(0, -1, -1)) {
        ++rows[m.band];
        heard[m.band] += m.heard() ? 1 : 0;
    }
    for (BandIndex b = 0; b < BandCount; ++b)
        std::printf("band %d: %d slots measured, %d heard\n", b, rows[b], heard[b]);
    return 0;
}
