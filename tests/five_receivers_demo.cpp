// Not a test: the Beacon Monitor and Monitor Results windows with five receivers at once,
// to look at them and take their picture (scripts/make_five_receivers_shot.sh). Listens
// to the sound inputs named on the command line, one per band from 20 m, with the
// settings file and the log in a temporary folder, and shows the results of the latest
// cycle alone ("Last 3 minutes only"). Each time that cycle fills all 90 cells it
// prints "full" and the cycle's first slot.
//
// five_receivers_demo INPUT_ID...

#include "frm_beacon_monitor.h"
#include "frm_monitor_results.h"
#include "monitor_controller.h"
#include "settings_file.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

using namespace halvion;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: five_receivers_demo INPUT_ID...\n");
        return 2;
    }
    QTemporaryDir dir;
    AppState state;
    SettingsFile settings{dir.filePath(QStringLiteral("Halvion.ini")).toStdString()};
    RecordingMessageSink sink;
    MonitorController monitor{state, settings, dir.filePath(QStringLiteral("data/monitor.sqlite")),
                              [] { return QDateTime::currentMSecsSinceEpoch(); }, sink};
    if (!monitor.ensureLog())
        return 1;
    monitor.setPerBandMode(true);
    for (int i = 1; i < argc && i - 1 < BandCount; ++i)
        monitor.setBandLine(i - 1, {QByteArray(argv[i]), 0, 600});
    monitor.openMonitor();
    if (!monitor.startListening({})) {
        std::fprintf(stderr, "cannot listen: %s\n", sink.messages.empty() ? "" : qPrintable(sink.messages.back().text));
        return 1;
    }
    monitor.openResults();
    frmMonitorResults *results = monitor.resultsWindow();
    results->LastCycleOnly->setChecked(true);
    results->refresh();
    // Side by side, title bars in view, once the window manager has framed them.
    frmBeaconMonitor *listening = monitor.monitorWindow();
    QTimer::singleShot(1000, &app, [listening, results] {
        listening->move(0, 0);
        const int titleBar = listening->geometry().top() - listening->frameGeometry().top();
        results->setGeometry(QRect(QPoint(listening->frameGeometry().right() + 2, titleBar), results->size()));
    });

    qint64 reported = -1;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &app, [&] {
        const std::vector<SlotMeasurement> cycle = results->latestCycle();
        if (cycle.size() < std::size_t(BeaconCount * BandCount))
            return;
        const qint64 first = std::min_element(cycle.begin(), cycle.end(), [](const auto &a, const auto &b) {
                                 return a.slotNumber < b.slotNumber;
                             })->slotNumber;
        if (first == reported)
            return;
        reported = first;
        std::printf("full %lld\n", static_cast<long long>(first));
        std::fflush(stdout);
    });
    check.start(1000);
    return app.exec();
}
