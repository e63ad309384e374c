// Radio control: the follow-mode plan over a simulated clock, the radio keys of the
// settings file, the checks on radio settings, and the radio worker against Hamlib's
// dummy rig in this process and against a real rigctld on a loopback port.

#include "follow_mode.h"
#include "follow_planner.h"
#include "hamlib_rig.h"
#include "numeric_locale.h"
#include "radio_control.h"
#include "radio_settings.h"
#include "rigctld_process.h"

#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace halvion;

namespace {

QString clockText(int secondsAfterNoon)
{
    return QStringLiteral("12:%1:%2")
        .arg(secondsAfterNoon / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(secondsAfterNoon % 60, 2, 10, QLatin1Char('0'));
}

ScheduleTime at(int secondsAfterNoon)
{
    return ScheduleClock::fromMinuteSecond(secondsAfterNoon / 60 % 60, secondsAfterNoon % 60);
}

// Ticks from `from` to `to` seconds after noon, `perSecond` of them in each second.
QList<int> ticks(int from, int to, int perSecond = 1)
{
    QList<int> out;
    for (int s = from; s <= to; ++s)
        for (int k = 0; k < perSecond; ++k)
            out << s;
    return out;
}

// Waits for the radio to report a state of this kind; the last state seen.
RadioState waitForState(RadioControl &radio, RadioState::Kind kind, int timeoutMs)
{
    QSignalSpy spy(&radio, &RadioControl::stateChanged);
    QDeadlineTimer deadline(timeoutMs);
    while (radio.state().kind != kind && !deadline.hasExpired())
        spy.wait(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
    return radio.state();
}

RadioSettings dummyRig()
{
    RadioSettings s;
    s.enabled = true;
    s.model = 1;
    return s;
}

RadioSettings netRig(const QString &address)
{
    RadioSettings s;
    s.enabled = true;
    s.model = NetRigctlModel;
    s.port = address.toStdString();
    return s;
}

// The main window's tracking tick, once a second of the simulated clock.
void tickEverySecond(FollowMode &follow, FakeClockSource &clock, int seconds)
{
    for (int s = 0; s < seconds; ++s) {
        clock.advance(1);
        follow.onTrackingTick(ScheduleClock::sample(clock));
    }
}

// A round trip through the worker's queue: all that was asked of it before is done.
void drain(RadioControl &radio)
{
    QMetaObject::invokeMethod(radio.workerContext(), [] {}, Qt::BlockingQueuedConnection);
    QCoreApplication::processEvents();
}

} // namespace

class TestRadio : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();

    void followSteps_data();
    void followSteps();
    void followText();

    void settingsKeys();
    void settingsProblems_data();
    void settingsProblems();

    void bandChoiceTunesDummyRig();
    void onlyLatestRequestCounts();
    void radioThatCannotWorkTunesNothing();
    void followCycleOnDummyRig();
    void rigctldFollowLossAndReturn();
};

void TestRadio::initTestCase()
{
    useCNumericLocale();
    QVERIFY2(!rigModels().empty(), "Hamlib lists no rig models");
}

// Which band is tuned when, for ticks the test chooses: on time, late, stalled, twice a second.
void TestRadio::followSteps_data()
{
    QTest::addColumn<int>("station");
    QTest::addColumn<QList<int>>("tickTimes");
    QTest::addColumn<QStringList>("steps");

    // ZS6DN is on 20 m in slot 10 (minute 1 of the cycle, second 40) and climbs to 10 m by
    // second 20 of the next minute; from second 30 the radio waits on 20 m.
    const QStringList zs6dnCycle{"12:01:40 20", "12:01:50 17", "12:02:00 15", "12:02:10 12", "12:02:20 10",
                                 "12:02:30 20"};
    QStringList twoCycles{"12:00:00 20"};
    twoCycles << zs6dnCycle;
    twoCycles << QStringList{"12:04:40 20", "12:04:50 17", "12:05:00 15", "12:05:10 12", "12:05:20 10",
                             "12:05:30 20"};
    QTest::newRow("ZS6DN, four ticks a second, two cycles") << 10 << ticks(0, 359, 4) << twoCycles;

    QList<int> late;
    for (int s = 3; s < 180; s += 10)
        late << s;
    QTest::newRow("every tick three seconds late")
        << 10 << late
        << QStringList{"12:00:03 20", "12:01:43 20", "12:01:53 17", "12:02:03 15", "12:02:13 12",
                       "12:02:23 10", "12:02:33 20"};

    QTest::newRow("stalled over the 17 m and the 10 m slots: never a slot already gone")
        << 10 << QList<int>{101, 125, 131, 179}
        << QStringList{"12:01:41 20", "12:02:05 15", "12:02:11 12", "12:02:59 20"};

    // YV5B's run starts in the cycle's last slot and ends in the next cycle.
    QTest::newRow("YV5B across the cycle boundary")
        << 17 << ticks(165, 230)
        << QStringList{"12:02:45 20", "12:02:50 20", "12:03:00 17", "12:03:10 15", "12:03:20 12",
                       "12:03:30 10", "12:03:40 20"};
}

void TestRadio::followSteps()
{
    QFETCH(int, station);
    QFETCH(QList<int>, tickTimes);
    QFETCH(QStringList, steps);

    FollowPlanner planner;
    QVERIFY(!planner.step(at(0)));
    planner.start(station);
    QStringList seen;
    for (int s : tickTimes)
        if (const auto band = planner.step(at(s)))
            seen << clockText(s) + QLatin1Char(' ') + QString::fromUtf8(BeaconCatalogue::band(*band).bandLabel.data(), 2);
    QCOMPARE(seen, steps);

    planner.stop();
    QVERIFY(!planner.step(at(tickTimes.last() + 10)));
}

void TestRadio::followText()
{
    QCOMPARE(FollowPlan::followText(10, at(115)), std::string("Following ZS6DN on 17 m"));
    QCOMPARE(FollowPlan::followText(10, at(150)), std::string("Following ZS6DN - next on 20 m in 2:10"));
    QCOMPARE(FollowPlan::followText(10, at(99)), std::string("Following ZS6DN - next on 20 m in 0:01"));
    QCOMPARE(FollowPlan::followText(10, at(1)), std::string("Following ZS6DN - next on 20 m in 1:39"));
}

void TestRadio::settingsKeys()
{
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("Halvion.ini")).toStdString();
    SettingsFile settings(path);

    // Nothing stored: off, NET rigctl on this machine's usual port, the rig's own speed.
    const RadioSettings defaults = readRadioSettings(settings);
    QCOMPARE(defaults, RadioSettings{});
    QCOMPARE(defaults.model, NetRigctlModel);
    QCOMPARE(defaults.port, std::string("localhost:4532"));

    // Saving what is already in force writes no key and makes no file.
    saveRadioSettings(settings, defaults);
    QVERIFY(!QFile::exists(QString::fromStdString(path)));

    RadioSettings on = defaults;
    on.enabled = true;
    on.model = 1;
    saveRadioSettings(settings, on);
    QFile file(QString::fromStdString(path));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("[Halvion]\nRadio=True\nRadioModel=1\n"));
    file.close();
    QCOMPARE(readRadioSettings(settings), on);

    // Switching off keeps the rest as stored.
    RadioSettings off = on;
    off.enabled = false;
    off.model = 3073;
    saveRadioSettings(settings, off);
    QCOMPARE(readRadioSettings(settings).model, 1);
    QVERIFY(!readRadioSettings(settings).enabled);

    // Hand-edited values: only "True" switches on, a model that is no number is no model.
    settings.write("Radio", "true");
    settings.write("RadioModel", "12a");
    settings.write("RadioSpeed", "fast");
    const RadioSettings odd = readRadioSettings(settings);
    QVERIFY(!odd.enabled);
    QCOMPARE(odd.model, NoRigModel);
    QCOMPARE(odd.serialSpeed, 0);

    QCOMPARE(beaconFrequencyHz(0), 14100000.0);
    QCOMPARE(beaconFrequencyHz(3), 24930000.0);
    // Back from the dial: a beacon frequency, give or take 1 kHz, names its band.
    QCOMPARE(bandAtFrequency(14100000.0), 0);
    QCOMPARE(bandAtFrequency(28201000.0), 4);
    QCOMPARE(bandAtFrequency(18108500.0), -1);
    QCOMPARE(bandAtFrequency(7030000.0), -1);
    QCOMPARE(bandAtFrequency(0.0), -1);
}

void TestRadio::settingsProblems_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<QString>("port");
    QTest::addColumn<int>("speed");
    QTest::addColumn<QString>("problem"); // part of the message; empty: no problem

    QTest::newRow("dummy rig needs no port") << 1 << "" << 0 << "";
    QTest::newRow("NET rigctl host:port") << 2 << "localhost:4532" << 0 << "";
    QTest::newRow("NET rigctl IPv6") << 2 << "[::1]:4532" << 0 << "";
    QTest::newRow("unknown model") << 999999 << "" << 0 << "is not one Hamlib knows";
    QTest::newRow("model not a number") << NoRigModel << "" << 0 << "No rig model is chosen";
    QTest::newRow("port without a number") << 2 << "localhost" << 0 << "with a port number";
    QTest::newRow("port number not a number") << 2 << "localhost:abc" << 0 << "with a port number";
    QTest::newRow("port number too large") << 2 << "localhost:70000" << 0 << "with a port number";
    QTest::newRow("no host") << 2 << ":4532" << 0 << "with a port number";
    QTest::newRow("missing serial device") << 3073 << "/nonexistent/ttyUSB9" << 0 << "There is no serial device";
    QTest::newRow("serial device empty") << 3073 << "" << 0 << "Enter the serial device";
    QTest::newRow("serial speed the rig cannot do") << 3073 << "/dev/null" << 300 << "baud";
    QTest::newRow("serial device present") << 3073 << "/dev/null" << 0 << "";
}

void TestRadio::settingsProblems()
{
    QFETCH(int, model);
    QFETCH(QString, port);
    QFETCH(int, speed);
    QFETCH(QString, problem);

    RadioSettings s;
    s.enabled = true;
    s.model = model;
    s.port = port.toStdString();
    s.serialSpeed = speed;
    const auto found = radioSettingsProblem(s);
    if (problem.isEmpty()) {
        QVERIFY2(!found, found ? found->c_str() : "");
    } else {
        QVERIFY(found);
        QVERIFY2(QString::fromStdString(*found).contains(problem), found->c_str());
    }
}

void TestRadio::bandChoiceTunesDummyRig()
{
    RadioControl radio;
    radio.configure(dummyRig());
    QCOMPARE(waitForState(radio, RadioState::Kind::Ready, 5000).model, QStringLiteral("Hamlib Dummy"));

    QSignalSpy tuned(&radio, &RadioControl::tuned);
    radio.tuneBand(2);
    QVERIFY(tuned.wait(5000));
    // The state carries what the rig reads back, not what was asked of it.
    const RadioState state = waitForState(radio, RadioState::Kind::Connected, 5000);
    QCOMPARE(state.frequencyHz, 21150000.0);
    QCOMPARE(state.mode, QStringLiteral("CW"));
    QCOMPARE(radio.stateText(), QStringLiteral("Radio connected to Hamlib Dummy - 21.150 MHz CW"));

    radio.tuneBand(4);
    QVERIFY(tuned.wait(5000));
    drain(radio);
    QCOMPARE(radio.state().frequencyHz, 28200000.0);
    QVERIFY(radio.shutdown(5000));
}

void TestRadio::onlyLatestRequestCounts()
{
    RadioControl radio;
    radio.configure(dummyRig());
    QSignalSpy tuned(&radio, &RadioControl::tuned);

    // Hold the worker busy while three requests come in.
    QSemaphore hold;
    QMetaObject::invokeMethod(radio.workerContext(), [&hold] { hold.acquire(); }, Qt::QueuedConnection);
    radio.tuneBand(0);
    radio.tuneBand(1);
    radio.tuneBand(3);
    hold.release();
    drain(radio);

    QCOMPARE(tuned.count(), 1);
    QCOMPARE(tuned.first().first().toDouble(), 24930000.0);
}

void TestRadio::radioThatCannotWorkTunesNothing()
{
    RadioControl radio;
    RadioSettings off = dummyRig();
    off.enabled = false;
    radio.configure(off);
    QSignalSpy tuned(&radio, &RadioControl::tuned);
    radio.tuneBand(1);
    drain(radio);
    QCOMPARE(tuned.count(), 0);
    QCOMPARE(radio.stateText(), QStringLiteral("Radio not configured"));

    // Settings edited by hand into something that cannot work are shown, never tried.
    RadioSettings bad = netRig(QStringLiteral("localhost"));
    radio.configure(bad);
    radio.tuneBand(1);
    drain(radio);
    QCOMPARE(tuned.count(), 0);
    QCOMPARE(radio.state().kind, RadioState::Kind::Error);
    QVERIFY(radio.stateText().contains(QStringLiteral("with a port number")));

    // A serial radio unplugged at start is no such case: it is tried, and tried again.
    RadioSettings unplugged;
    unplugged.enabled = true;
    unplugged.model = 3073;
    unplugged.port = "/nonexistent/ttyUSB9";
    radio.configure(unplugged);
    QCOMPARE(waitForState(radio, RadioState::Kind::Ready, 5000).model, QStringLiteral("Icom IC-7300"));
    radio.tuneBand(1);
    QCOMPARE(waitForState(radio, RadioState::Kind::Error, 5000).kind, RadioState::Kind::Error);
    QVERIFY2(radio.stateText().endsWith(QStringLiteral(" (/nonexistent/ttyUSB9)")), qPrintable(radio.stateText()));
}

// Follow mode end to end over a simulated clock: the frequencies the dummy rig was set to,
// and the clock time at which each was asked for.
void TestRadio::followCycleOnDummyRig()
{
    FakeClockSource clock(12, 1, 30);
    FollowMode follow(clock);
    RadioControl radio;
    radio.configure(dummyRig());
    QStringList seen;
    QSignalSpy tuned(&radio, &RadioControl::tuned);
    connect(&follow, &FollowMode::bandDue, &radio, [&](BandIndex band) {
        radio.tuneBand(band);
        QVERIFY(tuned.wait(5000));
        drain(radio);
        seen << QStringLiteral("%1:%2 %3")
                    .arg(clock.now().minute, 2, 10, QLatin1Char('0'))
                    .arg(clock.now().second, 2, 10, QLatin1Char('0'))
                    .arg(megahertzText(radio.state().frequencyHz));
    });

    follow.follow(10);
    tickEverySecond(follow, clock, 120);
    QCOMPARE(seen, (QStringList{"01:30 14.100 MHz", "01:40 14.100 MHz", "01:50 18.110 MHz", "02:00 21.150 MHz",
                                "02:10 24.930 MHz", "02:20 28.200 MHz", "02:30 14.100 MHz"}));
    QCOMPARE(follow.text(), QStringLiteral("Following ZS6DN - next on 20 m in 1:10"));
    QCOMPARE(radio.state().mode, QStringLiteral("CW"));
}

// A real rigctld: follow mode tunes it, its loss shows as an error at once, and when it
// comes back on the same port the radio reconnects and gets the latest request.
void TestRadio::rigctldFollowLossAndReturn()
{
    test::RigctldProcess rigctld;
    QVERIFY(rigctld.port() != 0);
    QVERIFY2(rigctld.start(), "rigctld did not start (package libhamlib-utils)");

    RadioControl radio;
    radio.setTiming(100, 400, 200);
    radio.configure(netRig(rigctld.address()));
    QSignalSpy tuned(&radio, &RadioControl::tuned);

    FakeClockSource clock(12, 1, 39);
    FollowMode follow(clock);
    QStringList seen;
    connect(&follow, &FollowMode::bandDue, &radio, [&](BandIndex band) {
        radio.tuneBand(band);
        QVERIFY(tuned.wait(10000));
        const auto [hz, mode] = rigctld.frequencyAndMode();
        seen << QStringLiteral("%1 %2").arg(megahertzText(hz), mode);
    });
    follow.follow(10);
    tickEverySecond(follow, clock, 60);
    QCOMPARE(seen, (QStringList{"14.100 MHz CW", "14.100 MHz CW", "18.110 MHz CW", "21.150 MHz CW",
                                "24.930 MHz CW", "28.200 MHz CW", "14.100 MHz CW"}));
    QCOMPARE(waitForState(radio, RadioState::Kind::Connected, 5000).model, QStringLiteral("Hamlib NET rigctl"));

    // Gone while nothing is tuned: the next reading of the rig ends in the error state well
    // within NET rigctl's timeout (the connection is refused, not left hanging).
    rigctld.kill();
    QCOMPARE(waitForState(radio, RadioState::Kind::Error, 10000).kind, RadioState::Kind::Error);
    QCOMPARE(radio.stateText(), QStringLiteral("Radio error: IO error (%1)").arg(rigctld.address()));

    // Back on the same port, having forgotten everything (the dummy rig starts on 145 MHz):
    // reconnected by the retries and put back on 20 m, where follow mode waits.
    QVERIFY(rigctld.start());
    QCOMPARE(waitForState(radio, RadioState::Kind::Connected, 10000).frequencyHz, 14100000.0);
    QCOMPARE(rigctld.frequencyAndMode(), std::make_pair(14100000.0, QStringLiteral("CW")));

    // Gone again, and asked for 12 m meanwhile: that request is what it gets on its return.
    rigctld.kill();
    radio.tuneBand(3);
    QCOMPARE(waitForState(radio, RadioState::Kind::Error, 10000).kind, RadioState::Kind::Error);
    QVERIFY(rigctld.start());
    const RadioState back = waitForState(radio, RadioState::Kind::Connected, 10000);
    QCOMPARE(back.kind, RadioState::Kind::Connected);
    QCOMPARE(back.frequencyHz, 24930000.0);
    QCOMPARE(rigctld.frequencyAndMode().first, 24930000.0);
    QVERIFY(radio.shutdown(5000));
}

QTEST_GUILESS_MAIN(TestRadio)
#include "tst_radio.moc"
