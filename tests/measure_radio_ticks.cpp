// Measures how steadily the main window's tracking tick runs while the radio is in
// trouble: connected, then rigctld gone (connections refused), then rigctld frozen
// (connections accepted, nothing answered, every call runs into NET rigctl's timeout),
// then back, and last closes while a call hangs. Follow mode is on and a band is asked for every second on top. Prints the
// longest and mean gap between ticks in each phase, and when the radio's state changed
// (so also how long it took to notice that rigctld was gone or frozen).
// Not a test: it asserts nothing and takes about a minute and a half. Run scripts/measure_radio_ticks.sh.

#include "follow_mode.h"
#include "form1.h"
#include "numeric_locale.h"
#include "radio_control.h"
#include "rigctld_process.h"
#include "settings_file.h"
#include "status_store.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

using namespace halvion;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    useCNumericLocale();
    QTemporaryDir dir;
    SettingsFile settings(dir.filePath(QStringLiteral("Halvion.ini")).toStdString());
    StatusStore status(settings);
    AppState state;
    SystemClockSource clock;
    Form1 form(state, status, settings, clock);
    form.Form_Load();
    form.SetBlinkRate(BlinkRate::Fast); // 150 ms: the tick at its most frequent
    form.show();

    test::RigctldProcess rigctld;
    if (!rigctld.start()) {
        std::fprintf(stderr, "rigctld did not start\n");
        return 1;
    }
    RadioControl radio;
    RadioSettings net;
    net.enabled = true;
    net.model = NetRigctlModel;
    net.port = rigctld.address().toStdString();
    radio.configure(net);
    FollowMode follow(clock);
    QObject::connect(&form, &Form1::trackingTick, &follow, &FollowMode::onTrackingTick);
    QObject::connect(&follow, &FollowMode::bandDue, &form, &Form1::FollowBand);
    QObject::connect(&follow, &FollowMode::tuneDue, &radio, &RadioControl::tuneBand);
    follow.follow(ScheduleClock::beaconOn(0, ScheduleClock::sample(clock).SlotIndex));

    QElapsedTimer run;
    run.start();
    QObject::connect(&radio, &RadioControl::stateChanged, &form, [&] {
        std::printf("  %6.1f s  %s\n", run.elapsed() / 1000.0, qPrintable(radio.stateText()));
    });

    struct Phase {
        const char *name;
        int seconds;
        std::function<void()> begin;
    };
    const Phase phases[] = {
        {"connected", 10, [] {}},
        {"rigctld gone (refused)", 15, [&] { rigctld.kill(); }},
        {"rigctld back", 15, [&] { rigctld.start(); }},
        {"rigctld frozen (timeouts)", 30, [&] { rigctld.freeze(true); }},
        {"rigctld thawed", 12, [&] { rigctld.freeze(false); }},
    };

    QElapsedTimer sinceTick;
    qint64 longest = 0, total = 0;
    int gaps = 0;
    QObject::connect(form.Timer3, &QTimer::timeout, &form, [&] {
        if (sinceTick.isValid()) {
            const qint64 gap = sinceTick.elapsed();
            longest = std::max(longest, gap);
            total += gap;
            ++gaps;
        }
        sinceTick.start();
    });
    QTimer everySecond;
    int band = 0;
    QObject::connect(&everySecond, &QTimer::timeout, &radio, [&] { radio.tuneBand(band++ % BandCount); });
    everySecond.start(1000);

    std::printf("Tracking tick interval %d ms; a band asked of the radio every second, follow mode on.\n",
                form.Timer3->interval());
    for (const Phase &phase : phases) {
        std::printf("%s (from %.1f s)\n", phase.name, run.elapsed() / 1000.0);
        phase.begin();
        longest = total = 0;
        gaps = 0;
        sinceTick.invalidate();
        QElapsedTimer inPhase;
        inPhase.start();
        while (inPhase.elapsed() < phase.seconds * 1000)
            app.processEvents(QEventLoop::WaitForMoreEvents, 50);
        std::printf("  ticks %d, longest gap %lld ms, mean gap %.1f ms\n", gaps, static_cast<long long>(longest),
                    gaps ? double(total) / gaps : 0.0);
    }
    everySecond.stop();
    // Closing while a call hangs in the frozen daemon: the program must not wait for it.
    rigctld.freeze(true);
    radio.tuneBand(2);
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 1000)
        app.processEvents(QEventLoop::WaitForMoreEvents, 50);
    QElapsedTimer closing;
    closing.start();
    const bool ended = radio.shutdown(1500);
    std::printf("shutdown: worker %s after %lld ms\n", ended ? "ended" : "still in a rig call, left to the process end",
                static_cast<long long>(closing.elapsed()));
    return 0;
}
