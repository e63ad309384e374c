// The live path, live: a real PulseAudio server of its own (in a temporary folder, no
// system or user daemon touched) with a pipe source fed, in real time, with generated
// beacon audio on the slots of the clock; "Start Listening" on that source must log the
// stations the schedule puts there with their dashes, through Qt Multimedia's capture,
// its timing, and a stop and start of the stream. Skipped where pulseaudio is missing.

#include "beacon_feeder.h"
#include "monitor_controller.h"
#include "monitor_signal.h"
#include "pulse_server.h"
#include "settings_file.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QtTest>

using namespace halvion;

namespace {

constexpr int Rate = 8000;
constexpr BandIndex FedBand = 3; // 12 m


} // namespace

class TestMonitorLive : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void listeningToAPulseAudioSource();

private:
    QTemporaryDir dir_;
    test::PulseServer server_;
};

void TestMonitorLive::initTestCase()
{
    if (test::PulseServer::program().isEmpty())
        QSKIP("pulseaudio is not installed (scripts/setup.sh installs it)");
    QVERIFY(dir_.isValid());
    const QString fifo = dir_.filePath(QStringLiteral("beacons.fifo"));
    QString why;
    QVERIFY2(server_.start(dir_.path(),
                           QStringLiteral("load-module module-pipe-source source_name=halvion_beacons file=%1 format=s16le "
                                          "rate=%2 channels=1\n"
                                          "set-default-source halvion_beacons\n")
                               .arg(fifo)
                               .arg(Rate),
                           fifo, &why),
             qPrintable(why));
}

void TestMonitorLive::cleanupTestCase() { server_.stop(); }

void TestMonitorLive::listeningToAPulseAudioSource()
{
    test::BeaconFeeder feeder(dir_.filePath(QStringLiteral("beacons.fifo")), {FedBand}, 2027, Rate);
    QVERIFY(feeder.ok());
    AppState state;
    state.BandSelected[std::size_t(FedBand)] = true;
    SettingsFile settings{dir_.filePath(QStringLiteral("Halvion.ini")).toStdString()};
    RecordingMessageSink sink;
    MonitorController monitor{state, settings, dir_.filePath(QStringLiteral("data/monitor.sqlite")),
                              [] { return QDateTime::currentMSecsSinceEpoch(); }, sink};
    QVERIFY(monitor.ensureLog());

    QByteArray source;
    for (const QAudioDevice &d : AudioInput::devices())
        if (d.id().contains("halvion_beacons"))
            source = d.id();
    QVERIFY2(!source.isEmpty(), "the test server's pipe source is not offered as a sound input");
    QVERIFY2(monitor.startListening(source), sink.messages.empty() ? "" : qPrintable(sink.messages.back().text));
    QVERIFY(monitor.listening());

    const auto checkRows = [&](qint64 count) {
        QTRY_VERIFY_WITH_TIMEOUT(monitor.log().count() >= count, 60000);
        for (const SlotMeasurement &m : monitor.log().history(0, -1, -1)) {
            const QString row = QStringLiteral("slot %1: %2 heard as %3, %4 dashes, offset %5 s")
                                    .arg(m.slotNumber)
                                    .arg(m.expected)
                                    .arg(m.identified)
                                    .arg(m.dashesHeard)
                                    .arg(m.offsetSeconds);
            qInfo("  %s", qPrintable(row));
            QVERIFY2(m.band == FedBand && m.identityMatch() && !m.otherStation(), qPrintable(row));
            QVERIFY2(m.dashesHeard >= 3, qPrintable(row));
            QVERIFY2(qAbs(m.dashSnrDb[0] - 10.0) < 2.0, qPrintable(row));
            // The audio reaches the program through the server's and Qt's buffers: late
            // by those, never early.
            QVERIFY2(m.offsetSeconds > -0.05 && m.offsetSeconds < 0.6, qPrintable(row));
        }
    };
    checkRows(2);

    // The stream stopped and started again goes on logging.
    monitor.stopListening();
    QVERIFY(!monitor.listening());
    const qint64 before = monitor.log().count();
    QVERIFY(monitor.startListening(source));
    checkRows(before + 1);
    monitor.stopListening();
    QVERIFY(sink.messages.empty());
}

QTEST_MAIN(TestMonitorLive)
#include "tst_monitor_live.moc"
