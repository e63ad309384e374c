// Several receivers at once, live: a PulseAudio server of the test's own (in a temporary
// folder) with three pipe sources, each fed in real time with the beacons of one band on
// the slots of the clock, and a two-channel source at 48 kHz with 10 m on the left and
// 12 m on the right: five bands heard at once. Every band's line must log the stations
// the schedule puts there with their dashes, on time (the two-channel input split into
// its two bands); a source removed mid-run is shown on its line while the other four go
// on logging, even with the lines changed (and every input opened again) the moment it
// went; a source removed between being found and being opened does not hold the program
// up.
// Skipped where pulseaudio is missing.
//
// The audio comes through the sound server and Qt Multimedia at the pace of the clock, so
// it cannot be fed faster than real time. Every pair of station and band being met in a
// cycle is the schedule's affair, tested without a sound server (tst_monitor); here a
// few slots per band show that five live streams run side by side and stay apart
// (about two minutes).

#include "beacon_feeder.h"
#include "monitor_controller.h"
#include "monitor_signal.h"
#include "pulse_server.h"
#include "settings_file.h"

#include <QApplication>
#include <QDateTime>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>

using namespace halvion;

namespace {

constexpr int Rate = 8000;
// The two-channel source runs at a sound card's rate, which the program brings down
// before the analysis.
constexpr int StereoRate = 48000;
constexpr const char *GoneChildVariable = "HALVION_TST_MONITOR_FIVE_GONE_SOURCE";


} // namespace

class TestMonitorFive : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void fiveReceiversAtOnce();
    void sourceGoneBeforeItOpens();

private:
    QByteArray source(const QString &name) const;
    QTemporaryDir dir_;
    test::PulseServer server_;
};

void TestMonitorFive::initTestCase()
{
    if (test::PulseServer::program().isEmpty())
        QSKIP("pulseaudio is not installed (scripts/setup.sh installs it)");
    QVERIFY(dir_.isValid());
    std::signal(SIGPIPE, SIG_IGN); // a source unloaded under its writer is an error, not the end
    QString configuration;
    for (BandIndex b = 0; b < 3; ++b)
        configuration += QStringLiteral("load-module module-pipe-source source_name=halvion_band%1 file=%2 format=s16le rate=%3 channels=1\n")
                             .arg(b)
                             .arg(dir_.filePath(QStringLiteral("band%1.fifo").arg(b)))
                             .arg(Rate);
    // Removed by sourceGoneBeforeItOpens.
    configuration += QStringLiteral("load-module module-pipe-source source_name=halvion_gone file=%1 format=s16le rate=%2 channels=1\n")
                         .arg(dir_.filePath(QStringLiteral("gone.fifo")))
                         .arg(Rate);
    const QString stereo = dir_.filePath(QStringLiteral("stereo.fifo"));
    configuration += QStringLiteral("load-module module-pipe-source source_name=halvion_stereo file=%1 format=s16le rate=%2 channels=2\n")
                         .arg(stereo)
                         .arg(StereoRate);
    QString why;
    QVERIFY2(server_.start(dir_.path(), configuration, stereo, &why), qPrintable(why));
}

void TestMonitorFive::cleanupTestCase() { server_.stop(); }

QByteArray TestMonitorFive::source(const QString &name) const
{
    for (const QAudioDevice &d : AudioInput::devices())
        if (d.id() == name.toUtf8())
            return d.id();
    return {};
}

void TestMonitorFive::fiveReceiversAtOnce()
{
    std::vector<std::unique_ptr<test::BeaconFeeder>> feeders;
    for (BandIndex b = 0; b < 3; ++b)
        feeders.push_back(std::make_unique<test::BeaconFeeder>(dir_.filePath(QStringLiteral("band%1.fifo").arg(b)),
                                                               std::vector<BandIndex>{b}, std::uint64_t(100 + b), Rate));
    // The two-channel source: 10 m on the left, 12 m on the right.
    feeders.push_back(std::make_unique<test::BeaconFeeder>(dir_.filePath(QStringLiteral("stereo.fifo")),
                                                           std::vector<BandIndex>{4, 3}, 200, StereoRate));
    for (const auto &f : feeders)
        QVERIFY(f->ok());

    AppState state;
    SettingsFile settings{dir_.filePath(QStringLiteral("Halvion.ini")).toStdString()};
    RecordingMessageSink sink;
    MonitorController monitor{state, settings, dir_.filePath(QStringLiteral("data/monitor.sqlite")),
                              [] { return QDateTime::currentMSecsSinceEpoch(); }, sink};
    QVERIFY(monitor.ensureLog());
    monitor.setPerBandMode(true);
    for (BandIndex b = 0; b < 3; ++b) {
        const QByteArray id = source(QStringLiteral("halvion_band%1").arg(b));
        QVERIFY2(!id.isEmpty(), "a pipe source of the test server is not offered as a sound input");
        monitor.setBandLine(b, {id, 0, 640});
    }
    // One two-channel input split into two bands: 10 m from the left, 12 m from the right.
    const QByteArray stereo = source(QStringLiteral("halvion_stereo"));
    QVERIFY(!stereo.isEmpty());
    monitor.setBandLine(4, {stereo, 1, 640});
    monitor.setBandLine(3, {stereo, 2, 640});
    QVERIFY2(monitor.startListening({}), sink.messages.empty() ? "" : qPrintable(sink.messages.back().text));
    QVERIFY(monitor.listening());

    // Rows per band since a slot; every one must be the band's own station with its
    // dashes, from the band's own input (a wrong one is noted for the checks below).
    QStringList wrong;
    const auto rowsSince = [&](qint64 slot) {
        std::map<BandIndex, int> rows;
        for (const SlotMeasurement &m : monitor.log().history(slot * 10000, -1, -1)) {
            // The audio reaches the program through the server's buffers: late, never early.
            const bool onTime = m.offsetSeconds > -0.05 && m.offsetSeconds < 0.6;
            if (!(m.identityMatch() && !m.otherStation() && m.dashesHeard >= 3 && m.input == m.band && onTime))
                wrong << QStringLiteral("slot %1 band %2: %3 heard as %4, %5 dashes, input %6, offset %7 s")
                             .arg(m.slotNumber)
                             .arg(m.band)
                             .arg(m.expected)
                             .arg(m.identified)
                             .arg(m.dashesHeard)
                             .arg(m.input)
                             .arg(m.offsetSeconds);
            ++rows[m.band];
        }
        return rows;
    };
    // What each band has logged since a slot and what its line says, for a failure's message.
    const auto report = [&](qint64 slot) {
        QStringList out;
        const std::map<BandIndex, int> rows = rowsSince(slot);
        for (BandIndex b = 0; b < BandCount; ++b)
            out << QStringLiteral("band %1: %2 rows %3").arg(b).arg(rows.count(b) ? rows.at(b) : 0).arg(monitor.bandInputs().status(b));
        return out.join(QLatin1Char('\n')).toUtf8();
    };
    const auto allHave = [&](qint64 slot, const std::vector<BandIndex> &bands, int count) {
        const std::map<BandIndex, int> rows = rowsSince(slot);
        for (BandIndex b : bands)
            if (rows.count(b) == 0 || rows.at(b) < count)
                return false;
        return true;
    };
    const std::vector<BandIndex> all{0, 1, 2, 3, 4};
    QTRY_VERIFY2_WITH_TIMEOUT(allHave(0, all, 2), report(0).constData(), 80000);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1Char('\n'))));

    qInfo("all five bands logging");
    // 15 m's source is removed: its line says so, the other four go on logging.
    feeders[2]->stop();
    QVERIFY(test::PulseServer::unloadSource(QStringLiteral("halvion_band2")));
    qInfo("15 m's source removed");
    // A line changed as soon as the source is gone from the list, most likely before its
    // line has noticed: every input is opened again, the one just removed among them (channel 1 of
    // a one-channel input is the same sound, so 20 m goes on as before). A source still
    // in the list when it is opened is sourceGoneBeforeItOpens' affair.
    QTRY_VERIFY_WITH_TIMEOUT(source(QStringLiteral("halvion_band2")).isEmpty(), 20000);
    monitor.setBandLine(0, {source(QStringLiteral("halvion_band0")), 1, 640});
    qInfo("20 m's line changed");
    const qint64 removed = SlotTiming::slotNumberAt(QDateTime::currentMSecsSinceEpoch()) + 1;
    QTRY_VERIFY2_WITH_TIMEOUT(!monitor.bandInputs().status(2).isEmpty(), report(removed).constData(), 20000);
    // And again once the removal is known.
    monitor.setBandLine(1, {source(QStringLiteral("halvion_band1")), 1, 640});
    QVERIFY(!monitor.bandInputs().status(2).isEmpty());
    const std::vector<BandIndex> others{0, 1, 3, 4};
    QTRY_VERIFY2_WITH_TIMEOUT(allHave(removed, others, 2), report(removed).constData(), 80000);
    QCOMPARE(rowsSince(removed).count(2), std::size_t(0));
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1Char('\n'))));
    QVERIFY(!monitor.bandInputs().status(2).isEmpty()); // still shown, still tried
    for (BandIndex b : others)
        QVERIFY2(monitor.bandInputs().status(b).isEmpty(), qPrintable(monitor.bandInputs().status(b)));

    monitor.stopListening();
    QVERIFY(!monitor.listening());
}

// An input found in the list that the sound server removes before it is opened: the open
// gives up within its time instead of waiting for ever (Qt Multimedia's PulseAudio back end
// waits for the stream to be ready, and one for a source that is gone never is). In a
// child process, which says how the open ended: the thread left waiting cannot be ended,
// and the sound library cannot be torn down around it at exit.
void TestMonitorFive::sourceGoneBeforeItOpens()
{
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QLatin1String(GoneChildVariable), QStringLiteral("halvion_gone"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForStarted());
    const bool ended = child.waitForFinished(60000);
    if (!ended) {
        child.kill();
        child.waitForFinished();
    }
    const QString out = QString::fromUtf8(child.readAll());
    QVERIFY2(ended, qPrintable(QStringLiteral("the open of a source that is gone never ended\n") + out));
    QVERIFY2(out.contains(QStringLiteral("refused: The sound input")) && out.contains(QStringLiteral("does not answer")),
             qPrintable(out));
}

namespace {

// The child of sourceGoneBeforeItOpens: finds the source, has the server remove it, waits
// until the list no longer offers it, then opens the device found before.
int goneSourceChild(const QByteArray &id)
{
    QAudioDevice device;
    for (const QAudioDevice &d : AudioInput::devices())
        if (d.id() == id)
            device = d;
    if (device.isNull()) {
        std::printf("no source %s\n", id.constData());
        return 1;
    }
    if (!test::PulseServer::unloadSource(QString::fromUtf8(id))) {
        std::printf("cannot remove %s\n", id.constData());
        return 1;
    }
    const auto offered = [&] {
        const QList<QAudioDevice> all = AudioInput::devices();
        return std::any_of(all.begin(), all.end(), [&](const QAudioDevice &d) { return d.id() == id; });
    };
    QDeadlineTimer deadline(20000);
    while (offered() && !deadline.hasExpired())
        QTest::qWait(50);
    AudioInput input;
    const bool opened = input.start(device, true);
    std::printf("%s: %s\n", opened ? "opened" : "refused", qPrintable(input.errorText()));
    std::fflush(stdout);
    std::_Exit(0);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsSet(GoneChildVariable)) {
        QCoreApplication app(argc, argv);
        return goneSourceChild(qgetenv(GoneChildVariable));
    }
    QApplication app(argc, argv);
    TestMonitorFive test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_monitor_five.moc"
