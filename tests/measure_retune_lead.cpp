// Runs the whole program against a rigctld given on the command line, with the radio
// switched on, the blink rate chosen and follow mode (or the five-band scan) running
// on the PC clock, for a number of seconds; scripts/measure_radio_ticks.sh reads the
// rigctld log afterwards and works out how long before each slot start every retune
// reached the rig. Not a test: it asserts nothing.
//
//   measure_retune_lead host:port Slow|Medium|None|Fast follow|scan seconds

#include "form1.h"
#include "monitor_controller.h"
#include "program.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QAction>
#include <QTimer>

#include <cstdio>

using namespace halvion;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s host:port Slow|Medium|None|Fast follow|scan seconds\n", argv[0]);
        return 2;
    }
    const QString address = QString::fromLocal8Bit(argv[1]);
    const QString rateName = QString::fromLocal8Bit(argv[2]);
    const bool scan = QByteArray(argv[3]) == "scan";
    const int seconds = QByteArray(argv[4]).toInt();
    const std::map<QString, BlinkRate> rates{
        {"Slow", BlinkRate::Slow}, {"Medium", BlinkRate::Medium}, {"None", BlinkRate::None}, {"Fast", BlinkRate::Fast}};
    if (!rates.count(rateName) || seconds <= 0) {
        std::fprintf(stderr, "unknown blink rate or length\n");
        return 2;
    }

    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("Halvion.ini"));
    QFile file(ini);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write("[Halvion]\nRadio=True\nRadioModel=2\nRadioPort=" + address.toUtf8() + "\n");
    file.close();

    SystemClockSource clock;
    Program program(ini.toStdString(), clock);
    program.setMonitorLogPath(dir.filePath(QStringLiteral("monitor.sqlite")));
    program.start();
    Form1 *form = program.mainWindow();
    form->SetBlinkRate(rates.at(rateName));
    // Starts once radio control reports that the worker has taken the settings.
    QTimer begin;
    begin.start(100);
    QObject::connect(&begin, &QTimer::timeout, form, [&] {
        if (program.radio().state().kind == RadioState::Kind::NotConfigured)
            return;
        begin.stop();
        form->BandButtons[0]->click();
        if (scan) {
            form->ScanAllBands->trigger();
            std::printf("scan %s\n", program.monitor().scanMode() ? "on" : "refused");
        } else {
            // The station on 20 m a minute from now: its run begins within the measurement.
            const ScheduleTime t = ScheduleClock::sample(clock);
            const BeaconIndex station = ScheduleClock::beaconOn(0, (t.SlotIndex + 6) % ScheduleClock::SlotsPerCycle);
            form->FollowItems[std::size_t(station)]->trigger();
            std::printf("following %d\n", station);
        }
        std::printf("start %s\n", qPrintable(QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)));
        std::fflush(stdout);
    });
    QTimer::singleShot(1000 + seconds * 1000, &app, [&] {
        std::printf("timer interval %d ms\n", form->Timer3->interval());
        form->close();
    });
    QObject::connect(&program, &Program::finished, &app, &QApplication::quit);
    return app.exec();
}
