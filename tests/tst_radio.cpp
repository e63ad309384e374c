// Radio control: the follow-mode plan and the retune timer over a simulated clock, the
// radio keys of the settings file, the checks on radio settings, the radio line's texts,
// and the radio worker against Hamlib's dummy rig in this process and against a real
// rigctld on a loopback port.

#include "follow_mode.h"
#include "follow_planner.h"
#include "hamlib_rig.h"
#include "numeric_locale.h"
#include "radio_control.h"
#include "radio_settings.h"
#include "retune_timer.h"
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

constexpr qint64 DayMs = 24 * 3600 * 1000;

void setDayMs(FakeClockSource &clock, qint64 ms)
{
    ms = (ms % DayMs + DayMs) % DayMs;
    clock.set(int(ms / 3'600'000), int(ms / 60'000 % 60), int(ms / 1000 % 60), int(ms % 1000));
}

QString dayText(qint64 ms)
{
    ms = (ms % DayMs + DayMs) % DayMs;
    return QStringLiteral("%1:%2:%3.%4")
        .arg(ms / 3'600'000, 2, 10, QLatin1Char('0'))
        .arg(ms / 60'000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

QString bandText(BandIndex band) { return QString::fromLatin1(BeaconCatalogue::band(band).bandLabel.data(), 2); }

// A clock that is set once while a run goes on: from `atMs` of the run on, the wall
// clock reads `byMs` more (or less) than the time that passed.
struct ClockJump {
    qint64 atMs = -1;
    qint64 byMs = 0;
};

// A round trip through the worker's queue: all that was asked of it before is done.
void drain(RadioControl &radio)
{
    QMetaObject::invokeMethod(radio.workerContext(), [] {}, Qt::BlockingQueuedConnection);
    QCoreApplication::processEvents();
}

} // namespace

Q_DECLARE_METATYPE(ClockJump)

class TestRadio : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();

    void followSteps_data();
    void followSteps();
    void followText();
    void retuneTimerLeads_data();
    void retuneTimerLeads();
    void followRetunesAheadAtEveryBlinkRate_data();
    void followRetunesAheadAtEveryBlinkRate();
    void stateTexts_data();
    void stateTexts();

    void settingsKeys();
    void settingsProblems_data();
    void settingsProblems();

    void bandChoiceTunesDummyRig();
    void onlyLatestRequestCounts();
    void radioThatCannotWorkTunesNothing();
    void rigctldFollowStopAndReturn();
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

// The retune timer against a simulated clock: the timer wakes when it planned to (or a
// little late), and the clock may be set while it waits. Every slot is asked for once,
// between 0.5 and 0.2 s before it starts; after the clock was set the slot then due is
// asked for at the next wake, at most a second later.
void TestRadio::retuneTimerLeads_data()
{
    QTest::addColumn<qint64>("startMs");
    QTest::addColumn<bool>("timeOfDay"); // the wall clock starts again at midnight
    QTest::addColumn<qint64>("lateMs");  // how late each wake comes
    QTest::addColumn<qint64>("jumpAtMs");
    QTest::addColumn<qint64>("jumpByMs");

    const qint64 utc = 1'800'000'003'200; // 3.2 s into a slot
    QTest::newRow("on time") << utc << false << qint64(0) << qint64(-1) << qint64(0);
    QTest::newRow("every wake 40 ms late") << utc << false << qint64(40) << qint64(-1) << qint64(0);
    QTest::newRow("every wake 240 ms late") << utc << false << qint64(240) << qint64(-1) << qint64(0);
    QTest::newRow("clock set 17 s back") << utc << false << qint64(0) << qint64(95'300) << qint64(-17'000);
    QTest::newRow("clock set 17 s forward") << utc << false << qint64(3) << qint64(95'300) << qint64(17'000);
    QTest::newRow("clock set 3 s back just after a retune")
        << utc << false << qint64(0) << qint64(6'400) << qint64(-3'000);
    QTest::newRow("local time across midnight") << DayMs - 61'234 << true << qint64(7) << qint64(-1) << qint64(0);
}

void TestRadio::retuneTimerLeads()
{
    QFETCH(qint64, startMs);
    QFETCH(bool, timeOfDay);
    QFETCH(qint64, lateMs);
    QFETCH(qint64, jumpAtMs);
    QFETCH(qint64, jumpByMs);

    qint64 wall = startMs; // as time passes, before any wrap at midnight
    RetuneTimer timer([&] { return timeOfDay ? wall % DayMs : wall; });
    struct Ask {
        qint64 wall;
        qint64 slot;
    };
    QList<Ask> asked;
    connect(&timer, &RetuneTimer::slotDue, this, [&](qint64 slot) {
        // Slot numbers of the time of day start again at midnight.
        if (timeOfDay && slot < (wall - 30'000) / 10'000)
            slot += DayMs / 10'000;
        asked << Ask{wall, slot};
    });

    timer.start();
    QVERIFY(timer.timer()->isActive());
    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked[0].slot, RetuneTimer::dueSlotAt(startMs));

    qint64 jumpedAt = -1; // the wall clock right after it was set
    int jumpIndex = -1;    // the first request after that
    const qint64 runMs = 200'000;
    qint64 elapsed = 0;
    while (elapsed < runMs) {
        const qint64 step = timer.timer()->interval() + lateMs;
        QVERIFY(step <= RetuneTimer::CheckMs + lateMs);
        if (jumpAtMs >= 0 && jumpedAt < 0 && elapsed + step >= jumpAtMs) {
            wall += jumpAtMs - elapsed + jumpByMs;
            jumpedAt = wall;
            jumpIndex = int(asked.size());
            wall += elapsed + step - jumpAtMs;
        } else {
            wall += step;
        }
        elapsed += step;
        timer.Timer_Timer();
    }

    for (int i = 1; i < asked.size(); ++i) {
        const Ask &a = asked[i];
        if (i == jumpIndex) {
            // The first request after the clock was set: the slot due then, within a second.
            QVERIFY2(a.wall - jumpedAt <= RetuneTimer::CheckMs + lateMs, qPrintable(QString::number(a.wall - jumpedAt)));
            QCOMPARE(a.slot, RetuneTimer::dueSlotAt(a.wall));
            continue;
        }
        const qint64 leadMs = a.slot * 10'000 - a.wall;
        QVERIFY2(leadMs >= 200 && leadMs <= 500,
                 qPrintable(QStringLiteral("slot %1 asked %2 ms before it starts").arg(a.slot).arg(leadMs)));
        QCOMPARE(a.slot, asked[i - 1].slot + 1);
    }
    if (jumpAtMs >= 0) {
        QVERIFY(jumpIndex > 0);
        // Back or forward, the slot asked for is the one the clock now says.
        QVERIFY(asked[jumpIndex].slot != asked[jumpIndex - 1].slot);
    }
    QVERIFY(asked.size() >= int(runMs / 10'000) - 1);

    // Stopped, it asks nothing more, however late a wake may come.
    timer.stop();
    QVERIFY(!timer.timer()->isActive());
    const qsizetype count = asked.size();
    wall += 10'000;
    timer.Timer_Timer();
    QCOMPARE(asked.size(), count);
}

// Follow mode moves the radio on its timer, whatever the tracking tick's rate: the same
// retunes, each 450 ms before its step begins, at every blink rate, including the drop
// back to 20 m; the display follows at the step's first tick. A clock set while
// following is acted on at the timer's next wake.
void TestRadio::followRetunesAheadAtEveryBlinkRate_data()
{
    QTest::addColumn<int>("station");
    QTest::addColumn<qint64>("startMs"); // local time of day
    QTest::addColumn<int>("tickMs");     // the tracking tick's interval
    QTest::addColumn<ClockJump>("jump");
    QTest::addColumn<QStringList>("tunes");

    const qint64 noon = 12 * 3'600'000;
    const QStringList zs6dn{"12:01:30.000 20", "12:01:39.550 20", "12:01:49.550 17", "12:01:59.550 15",
                            "12:02:09.550 12", "12:02:19.550 10", "12:02:29.550 20", "12:04:39.550 20",
                            "12:04:49.550 17"};
    for (int tick : {150, 500, 1000, 1100, 250})
        QTest::addRow("ZS6DN, tick %d ms", tick) << 10 << noon + 90'000 << tick << ClockJump{} << zs6dn;

    QTest::newRow("clock set 17 s back during the run")
        << 10 << noon + 90'000 << 500 << ClockJump{22'000, -17'000}
        << QStringList{"12:01:30.000 20", "12:01:39.550 20", "12:01:49.550 17", "12:01:35.550 20",
                       "12:01:39.550 20", "12:01:49.550 17", "12:01:59.550 15"};
    QTest::newRow("clock set 15 s forward during the run")
        << 10 << noon + 90'000 << 1100 << ClockJump{22'000, 15'000}
        << QStringList{"12:01:30.000 20", "12:01:39.550 20", "12:01:49.550 17", "12:02:07.550 15",
                       "12:02:09.550 12", "12:02:19.550 10", "12:02:29.550 20"};
    QTest::newRow("4U1UN across midnight")
        << 0 << DayMs - 30'000 << 150 << ClockJump{}
        << QStringList{"23:59:30.000 20", "23:59:59.550 20", "00:00:09.550 17", "00:00:19.550 15",
                       "00:00:29.550 12", "00:00:39.550 10", "00:00:49.550 20"};
}

void TestRadio::followRetunesAheadAtEveryBlinkRate()
{
    QFETCH(int, station);
    QFETCH(qint64, startMs);
    QFETCH(int, tickMs);
    QFETCH(ClockJump, jump);
    QFETCH(QStringList, tunes);

    FakeClockSource clock;
    qint64 wall = startMs;
    setDayMs(clock, wall);
    FollowMode follow(clock);
    QStringList tuned;
    qint64 lastTune = -1;
    connect(&follow, &FollowMode::tuneDue, this, [&](BandIndex band) {
        tuned << dayText(wall) + QLatin1Char(' ') + bandText(band);
        lastTune = wall;
    });
    // The display moves at the first tick of each step, never before the step begins.
    QStringList shown;
    connect(&follow, &FollowMode::bandDue, this, [&](BandIndex band) {
        shown << bandText(band);
        if (lastTune >= 0 && shown.size() > 1) {
            const qint64 intoSlot = (wall % 10'000 + 10'000) % 10'000;
            QVERIFY2(intoSlot < tickMs || jump.atMs >= 0, qPrintable(dayText(wall)));
        }
    });

    follow.follow(station);
    QCOMPARE(tuned.size(), 1);
    QCOMPARE(shown.size(), 1);
    QVERIFY(follow.retuneTimer().isActive());

    // Two timers side by side: the tracking tick at its rate, and the retune timer's wakes.
    qint64 elapsed = 0, nextTick = tickMs, nextWake = follow.retuneTimer().timer()->interval();
    bool jumped = false;
    while (tuned.size() < tunes.size() && elapsed < 400'000) {
        const qint64 next = std::min(nextTick, nextWake);
        if (jump.atMs >= 0 && !jumped && next >= jump.atMs) {
            jumped = true;
            wall += jump.byMs;
        }
        wall += next - elapsed;
        elapsed = next;
        setDayMs(clock, wall);
        if (next == nextWake) {
            follow.retuneTimer().Timer_Timer();
            nextWake = elapsed + follow.retuneTimer().timer()->interval();
        }
        if (next == nextTick) {
            follow.onTrackingTick(ScheduleClock::sample(clock));
            nextTick += tickMs;
        }
    }
    QCOMPARE(tuned, tunes);

    follow.stop();
    QVERIFY(!follow.retuneTimer().isActive());
    const int count = int(tuned.size());
    wall += 10'000;
    setDayMs(clock, wall);
    follow.retuneTimer().Timer_Timer();
    QCOMPARE(tuned.size(), count);
}

void TestRadio::stateTexts_data()
{
    QTest::addColumn<RadioState>("state");
    QTest::addColumn<bool>("scanning");
    QTest::addColumn<QString>("text");

    RadioState s;
    QTest::newRow("off") << s << false << "Radio not configured";
    s.kind = RadioState::Kind::Ready;
    s.model = QStringLiteral("Hamlib NET rigctl");
    QTest::newRow("ready") << s << false << "Radio ready: Hamlib NET rigctl";
    s.kind = RadioState::Kind::Connected;
    s.frequencyHz = 21150000;
    s.mode = QStringLiteral("CW");
    QTest::newRow("connected") << s << false << "Radio connected to Hamlib NET rigctl - 21.150 MHz CW";
    QTest::newRow("scanning") << s << true << "Radio scanning with Hamlib NET rigctl - 21.150 MHz CW";
    s.mode.clear();
    s.frequencyHz = 14100500;
    QTest::newRow("no mode, a dial between kilohertz") << s << false << "Radio connected to Hamlib NET rigctl - 14.1005 MHz";
    s = RadioState{};
    s.model = QStringLiteral("Hamlib NET rigctl");
    s.port = QStringLiteral("127.0.0.1:4532");
    s.kind = RadioState::Kind::NotAnswering;
    QTest::newRow("not answering") << s << true << "Radio not answering (127.0.0.1:4532)";
    s.kind = RadioState::Kind::Unreachable;
    s.error = QStringLiteral("connection refused. Is rigctld running?");
    QTest::newRow("refused") << s << false << "No radio answered at 127.0.0.1:4532: connection refused. Is rigctld running?";
    s.kind = RadioState::Kind::Error;
    s.error = QStringLiteral("Protocol error");
    QTest::newRow("other error") << s << false << "Radio error: Protocol error (127.0.0.1:4532)";
    s.port.clear();
    s.kind = RadioState::Kind::NotAnswering;
    QTest::newRow("not answering, no port") << s << false << "Radio not answering";
}

void TestRadio::stateTexts()
{
    QFETCH(RadioState, state);
    QFETCH(bool, scanning);
    QFETCH(QString, text);
    QCOMPARE(radioStateText(state, scanning), text);
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

// A real rigctld: follow mode tunes it ahead of each step; its loss says what happened
// and what to check; a rigctld that stops answering (stopped with SIGSTOP) is reported as
// such, and when it answers again the radio carries on with the latest request, with no
// late reply from the abandoned connection taken for a new one. Every wait is for a
// condition, never for time to pass.
void TestRadio::rigctldFollowStopAndReturn()
{
    test::RigctldProcess rigctld;
    QVERIFY(rigctld.port() != 0);
    QVERIFY2(rigctld.start(), "rigctld did not start (package libhamlib-utils)");

    RadioControl radio;
    radio.setTiming(100, 400, 200);
    radio.configure(netRig(rigctld.address()));
    QStringList states;
    connect(&radio, &RadioControl::stateChanged, this, [&] { states << radio.stateText(); });

    FakeClockSource clock;
    qint64 wall = 12 * 3'600'000 + 99'000; // 12:01:39
    setDayMs(clock, wall);
    FollowMode follow(clock);
    connect(&follow, &FollowMode::tuneDue, &radio, &RadioControl::tuneBand);
    follow.follow(10);
    QVERIFY2(rigctld.reaches(QStringLiteral("14.100 MHz CW"), 20000), qPrintable(rigctld.lastReading()));

    // ZS6DN's run: the timer's wakes, 450 ms before each slot; the rig is on the band
    // before the slot begins.
    const QStringList run{"14.100 MHz CW", "18.110 MHz CW", "21.150 MHz CW", "24.930 MHz CW", "28.200 MHz CW",
                          "14.100 MHz CW"};
    for (int step = 0; step < run.size(); ++step) {
        wall = 12 * 3'600'000 + 100'000 + step * 10'000 - RetuneTimer::LeadMs;
        setDayMs(clock, wall);
        follow.retuneTimer().Timer_Timer();
        QVERIFY2(rigctld.reaches(run[step], 20000), qPrintable(rigctld.lastReading()));
    }
    QCOMPARE(waitForState(radio, RadioState::Kind::Connected, 20000).model, QStringLiteral("Hamlib NET rigctl"));

    // Gone: the connection is refused, and the radio line says so and what to check.
    rigctld.kill();
    QTRY_COMPARE_WITH_TIMEOUT(radio.stateText(),
                              QStringLiteral("No radio answered at %1: connection refused. Is rigctld running?")
                                  .arg(rigctld.address()),
                              20000);

    // Back on the same port, having forgotten everything (the dummy rig starts on 145 MHz):
    // reconnected by the retries and put back on 20 m, where follow mode waits.
    QVERIFY(rigctld.start());
    QCOMPARE(waitForState(radio, RadioState::Kind::Connected, 20000).frequencyHz, 14100000.0);
    QVERIFY2(rigctld.reaches(QStringLiteral("14.100 MHz CW"), 20000), qPrintable(rigctld.lastReading()));

    // Stopped: it takes connections and answers nothing. The next reading runs into the
    // rig's timeout.
    states.clear();
    rigctld.freeze(true);
    QTRY_COMPARE_WITH_TIMEOUT(radio.stateText(), QStringLiteral("Radio not answering (%1)").arg(rigctld.address()), 20000);

    // Asked for 12 m meanwhile: that is what the rig gets when it answers again.
    radio.tuneBand(3);
    rigctld.freeze(false);
    QVERIFY2(rigctld.reaches(QStringLiteral("24.930 MHz CW"), 20000), qPrintable(rigctld.lastReading()));
    QTRY_COMPARE_WITH_TIMEOUT(radio.state().kind, RadioState::Kind::Connected, 20000);
    QTRY_COMPARE_WITH_TIMEOUT(radio.state().frequencyHz, 24930000.0, 20000);
    for (const QString &text : std::as_const(states))
        QVERIFY2(text.startsWith(QStringLiteral("Radio connected")) || text.startsWith(QStringLiteral("Radio not answering")),
                 qPrintable(text));
    QVERIFY(radio.shutdown(5000));
}

QTEST_GUILESS_MAIN(TestRadio)
#include "tst_radio.moc"
