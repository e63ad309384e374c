// The beacon monitor's windows, headless: the results grid and chart over a log with an
// injected clock, the skimmers' grid and chart beside it, the listening dialog without
// a sound card, a recording analysed from its dialog, and the menu items of the main
// window.

#include "form1.h"
#include "frm_analyze_recording.h"
#include "frm_beacon_monitor.h"
#include "frm_monitor_results.h"
#include "frm_splash.h"
#include "monitor_colours.h"
#include "monitor_controller.h"
#include "monitor_signal.h"
#include "numeric_locale.h"
#include "pc_time_text.h"
#include "clock_check.h"
#include "program.h"
#include "radio_control.h"
#include "scan_rotation.h"
#include "settings_file.h"
#include "skimmer_results.h"
#include "spot_store.h"
#include "spot_stream.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QDateTimeEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScatterSeries>
#include <QSpinBox>
#include <QTableWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QValueAxis>
#include <QtEndian>
#include <QtTest>

#include <set>

using namespace halvion;
namespace ts = halvion::testsignal;

namespace {

struct MonitorFixture {
    QTemporaryDir dir;
    AppState state;
    SettingsFile settings{dir.filePath(QStringLiteral("Halvion.ini")).toStdString()};
    qint64 now = 1'800'000'000'000; // 2027-01-15 08:00:00 UTC
    RecordingMessageSink sink;
    std::vector<RecordingMessageSink::Message> &messages = sink.messages;
    MonitorController monitor{state, settings, dir.filePath(QStringLiteral("data/monitor.sqlite")),
                              [this] { return now; }, sink};

    QByteArray settingsText() const
    {
        QFile f(QString::fromStdString(settings.path()));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

SlotMeasurement measured(qint64 slot, BandIndex band, int heard, double snr)
{
    SlotMeasurement m;
    m.slotNumber = slot;
    m.band = band;
    m.expected = SlotTiming::expectedStation(slot, band);
    m.identified = m.expected;
    m.toneHz = 600;
    m.dashSnrDb = {snr, snr - 10, snr - 20, snr - 30};
    m.dashesHeard = heard;
    return m;
}

// A 16-bit mono WAV of the given samples.
QByteArray wav(const std::vector<float> &samples, quint32 rate)
{
    QByteArray data(qsizetype(samples.size() * 2), '\0');
    for (std::size_t i = 0; i < samples.size(); ++i)
        qToLittleEndian<qint16>(qint16(std::lround(std::clamp(samples[i], -1.0f, 1.0f) * 32767)), data.data() + 2 * i);
    QByteArray fmt(16, '\0');
    qToLittleEndian<quint16>(1, fmt.data());
    qToLittleEndian<quint16>(1, fmt.data() + 2);
    qToLittleEndian<quint32>(rate, fmt.data() + 4);
    qToLittleEndian<quint32>(rate * 2, fmt.data() + 8);
    qToLittleEndian<quint16>(2, fmt.data() + 12);
    qToLittleEndian<quint16>(16, fmt.data() + 14);
    auto le = [](quint32 v) {
        QByteArray b(4, '\0');
        qToLittleEndian<quint32>(v, b.data());
        return b;
    };
    return "RIFF" + le(quint32(36 + data.size())) + "WAVEfmt " + le(16) + fmt + "data" + le(quint32(data.size())) + data;
}

// Audio from the sound input (8 kHz) in 100 ms blocks, the first sample at fromMs (UTC),
// as the live input delivers it; `before(t)` runs ahead of the block that starts at t.
void feed(MonitorController &monitor, const std::vector<float> &audio, qint64 fromMs,
          const std::function<void(qint64)> &before = {})
{
    constexpr double Rate = 8000;
    constexpr std::size_t Block = 800;
    for (std::size_t i = 0; i + Block <= audio.size(); i += Block) {
        const qint64 t = fromMs + qint64(i * 1000 / std::size_t(Rate));
        if (before)
            before(t);
        const auto from = audio.begin() + std::ptrdiff_t(i);
        Q_EMIT monitor.audio().samplesReady(std::vector<float>(from, from + Block), Rate, t);
    }
}

void feedSilence(MonitorController &monitor, qint64 fromMs, qint64 toMs, const std::function<void(qint64)> &before = {})
{
    feed(monitor, std::vector<float>(std::size_t((toMs - fromMs) * 8), 0.0f), fromMs, before);
}

// A round trip through the radio's worker: all that was asked of it before is done.
void drain(RadioControl &radio)
{
    QMetaObject::invokeMethod(radio.workerContext(), [] {}, Qt::BlockingQueuedConnection);
    QCoreApplication::processEvents();
}

// Presses Enter in a widget as the user would; true if a modal window (a file chooser)
// opened meanwhile. It is closed again at once so that the test goes on.
bool enterOpensModalWindow(QWidget *widget)
{
    bool opened = false;
    QTimer watch;
    watch.setInterval(0);
    QObject::connect(&watch, &QTimer::timeout, &watch, [&opened] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            opened = true;
            modal->close();
        }
    });
    watch.start();
    QTest::keyClick(widget, Qt::Key_Return);
    return opened;
}

} // namespace

class TestMonitorWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { useCNumericLocale(); } // before the radio thread opens a rig
    void colours_data();
    void colours();
    void gridShowsLatestByAge();
    void cellAges_data();
    void cellAges();
    void lastCycleOnly();
    void chartForStationAndBand();
    void listeningWithoutSoundCard();
    void oneReceiverPerBand();
    void analyzeRecordingDialog();
    void badRecordingInDialog();
    void scanModeTunesAheadOfEverySlot();
    void scanningMeasuresEverySlotOnItsBand();
    void bandChangeWithinASlot_data();
    void bandChangeWithinASlot();
    void scanWithTheRadioInTheProgram();
    void menuOpensTheWindows();
    void chartSpanAndLooks();
    void otherStationInTheGrid();
    void recordingWithItsClockOff_data();
    void recordingWithItsClockOff();
    void audioDelayTakenOffLiveTimes();
    void callsignFileProblemsReported();
    void skimmerGridCountsInTheSpan_data();
    void skimmerGridCountsInTheSpan();
    void skimmerChartAndRefresh();
};

void TestMonitorWindow::colours_data()
{
    QTest::addColumn<qint64>("ageMs");
    QTest::addColumn<double>("strength");
    QTest::newRow("new") << qint64(0) << 1.0;
    QTest::newRow("a rotation old") << qint64(15 * 60000) << 1.0;
    QTest::newRow("halfway") << qint64((15 + 180) * 60000 / 2) << 0.65;
    QTest::newRow("three hours") << qint64(180 * 60000) << 0.3;
    QTest::newRow("a day") << qint64(24 * 3600000) << 0.3;
}

void TestMonitorWindow::colours()
{
    QFETCH(qint64, ageMs);
    QFETCH(double, strength);
    QCOMPARE(MonitorColours::strength(ageMs), strength);
    const QColor white(Qt::white);
    for (int d = 0; d <= 4; ++d) {
        const QColor c = MonitorColours::cell(d, ageMs, white);
        const QColor full = MonitorColours::forResult(d);
        QVERIFY(qAbs(c.red() - (full.red() * strength + 255 * (1 - strength))) <= 1);
        for (int e = 0; e < d; ++e)
            QVERIFY(MonitorColours::forResult(e) != full);
    }
}

void TestMonitorWindow::gridShowsLatestByAge()
{
    MonitorFixture f;
    QVERIFY(f.monitor.ensureLog());
    const qint64 nowSlot = f.now / 10000;
    // 4U1UN on 20 m: heard at 100 W four hours ago, down to 1 W a minute ago.
    const qint64 fresh = nowSlot - 6 - (nowSlot - 6) % 18; // a slot where 4U1UN is on 20 m
    QVERIFY(f.monitor.log().append({measured(fresh - 18 * 80, 0, 1, -5), measured(fresh, 0, 3, 8),
                                    measured(fresh + 1, 1, 0, NAN), measured(fresh - 18 * 30, 4, 4, 20),
                                    measured(fresh + 2, 2, 1, 3)},
                                   QStringLiteral("live")));
    f.monitor.openResults();
    frmMonitorResults *w = f.monitor.resultsWindow();
    QVERIFY(w && w->isVisible());
    const QColor base = w->palette().color(QPalette::Base);
    QTableWidgetItem *cell = w->ResultsGrid->item(0, 0);
    QCOMPARE(cell->text(), QStringLiteral("1 W ") + frmMonitorResults::cellAgeText(f.now - fresh * 10000));
    QCOMPARE(cell->background().color(), MonitorColours::forResult(3));
    QVERIFY2(cell->toolTip().startsWith(QStringLiteral("4U1UN on 20 m: heard at 1 W\n")), qPrintable(cell->toolTip()));
    QVERIFY(cell->toolTip().contains(QStringLiteral("100 W 8.0 dB, 10 W -2.0 dB")));
    // "100 W" in a cell is the weakest dash heard, which its tip says before anything else.
    const BeaconIndex loud = SlotTiming::expectedStation(fresh + 2, 2);
    QCOMPARE(w->ResultsGrid->item(loud, 2)->text(), QStringLiteral("100 W ") + frmMonitorResults::cellAgeText(f.now - (fresh + 2) * 10000));
    QVERIFY2(w->ResultsGrid->item(loud, 2)->toolTip().startsWith(w->ResultsGrid->verticalHeaderItem(loud)->text()
                                                                 + QStringLiteral(" on 15 m: heard at 100 W\n")),
             qPrintable(w->ResultsGrid->item(loud, 2)->toolTip()));
    QCOMPARE(w->ResultsGrid->item(0, 1)->text(), QStringLiteral("- ") + frmMonitorResults::cellAgeText(f.now - (fresh + 1) * 10000)); // measured, not heard
    QVERIFY(w->ResultsGrid->item(0, 1)->toolTip().startsWith(QStringLiteral("4U1UN on 17 m: not heard\n")));
    QCOMPARE(w->ResultsGrid->item(0, 1)->background().color(), MonitorColours::cell(0, f.now - (fresh + 1) * 10000, base));
    // 0.1 W on 10 m, an hour and a half ago: faded.
    const BeaconIndex tenMetre = SlotTiming::expectedStation(fresh - 18 * 30, 4);
    QTableWidgetItem *old = w->ResultsGrid->item(tenMetre, 4);
    QCOMPARE(old->text(), QStringLiteral("0.1 W ") + frmMonitorResults::cellAgeText(f.now - (fresh - 18 * 30) * 10000));
    QVERIFY(old->background().color() != MonitorColours::forResult(4));
    QVERIFY(old->toolTip().contains(QStringLiteral("h ago")) || old->toolTip().contains(QStringLiteral("min ago")));
    QCOMPARE(w->ResultsGrid->item(5, 2)->text(), QString());
    QVERIFY(w->ResultsGrid->item(5, 2)->toolTip().contains(QStringLiteral("not measured yet")));

    // Slot times follow the program's choice of local time or UTC, the monitor's
    // module included.
    const QString freshLocal = instantDateTimeText(fresh * 10000);
    QVERIFY2(cell->toolTip().contains(QStringLiteral("\n") + freshLocal + QStringLiteral(" (")), qPrintable(cell->toolTip()));
    QVERIFY(!freshLocal.endsWith(QStringLiteral("UTC")));
    setTimesInUtc(true);
    w->showGrid();
    QVERIFY2(cell->toolTip().contains(QStringLiteral("\n") + instantDateTimeText(fresh * 10000) + QStringLiteral(" (")),
             qPrintable(cell->toolTip()));
    QVERIFY(cell->toolTip().contains(QStringLiteral(" UTC (")));
    setTimesInUtc(false);

    // Time passes: the age timer fades the fresh cell without a new measurement.
    QCOMPARE(w->AgeTimer->interval(), 60000);
    f.now += 2 * 3600 * 1000;
    w->showGrid();
    QVERIFY(cell->background().color() != MonitorColours::forResult(3));
    QCOMPARE(cell->background().color(), MonitorColours::cell(3, f.now - fresh * 10000, base));
}

void TestMonitorWindow::cellAges_data()
{
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<QString>("text");
    QTest::newRow("seconds") << qint64(59'999) << "now";
    QTest::newRow("a minute") << qint64(60'000) << "1m";
    QTest::newRow("two hours less a minute") << qint64(119 * 60'000) << "119m";
    QTest::newRow("two hours") << qint64(120 * 60'000) << "2h";
    QTest::newRow("two days") << qint64(48 * 3'600'000) << "2d";
    QTest::newRow("clock stepped back") << qint64(-5000) << "now";
}

void TestMonitorWindow::cellAges()
{
    QFETCH(qint64, ms);
    QFETCH(QString, text);
    QCOMPARE(frmMonitorResults::cellAgeText(ms), text);
}

// Two whole cycles on all five bands, the older one heard down to 0.1 W, the latest at
// 100 W with one pair missing: "Last 3 minutes only" shows the latest cycle's 89 pairs
// and leaves the missing one blank, where the plain grid shows its older reading.
void TestMonitorWindow::lastCycleOnly()
{
    MonitorFixture f;
    QVERIFY(f.monitor.ensureLog());
    const qint64 newest = f.now / 10000 - 1;
    std::vector<SlotMeasurement> rows;
    for (qint64 slot = newest - 35; slot <= newest; ++slot)
        for (BandIndex b = 0; b < BandCount; ++b)
            if (!(slot == newest - 3 && b == 2))
                rows.push_back(measured(slot, b, slot > newest - 18 ? 1 : 4, 5));
    QVERIFY(f.monitor.log().append(rows, QStringLiteral("live")));
    const BeaconIndex missing = SlotTiming::expectedStation(newest - 3, 2);
    f.monitor.openResults();
    frmMonitorResults *w = f.monitor.resultsWindow();
    QVERIFY(!w->LastCycleOnly->isChecked());
    QVERIFY(w->ResultsGrid->item(missing, 2)->text().startsWith(QStringLiteral("0.1 W ")));
    w->LastCycleOnly->click();
    QCOMPARE(int(w->latestCycle().size()), 89);
    int filled = 0;
    for (BeaconIndex s = 0; s < BeaconCount; ++s)
        for (BandIndex b = 0; b < BandCount; ++b)
            if (w->ResultsGrid->item(s, b)->text().startsWith(QStringLiteral("100 W ")))
                ++filled;
    QCOMPARE(filled, 89);
    QCOMPARE(w->ResultsGrid->item(missing, 2)->text(), QString());
    w->LastCycleOnly->click();
    QVERIFY(w->ResultsGrid->item(missing, 2)->text().startsWith(QStringLiteral("0.1 W ")));
    QVERIFY(f.settingsText().isEmpty());
}

void TestMonitorWindow::chartForStationAndBand()
{
    MonitorFixture f;
    QVERIFY(f.monitor.ensureLog());
    const qint64 nowSlot = f.now / 10000;
    std::vector<SlotMeasurement> rows;
    for (qint64 slot = nowSlot - 8000; slot < nowSlot; ++slot) // a day: 8,640 slots
        rows.push_back(measured(slot, BandIndex(slot % 5), slot % 7 == 0 ? 0 : 2, -10 + double(slot % 17)));
    QVERIFY(f.monitor.log().append(rows, QStringLiteral("live")));
    f.monitor.openResults();
    frmMonitorResults *w = f.monitor.resultsWindow();
    QCOMPARE(w->ChartSubject->count(), 23);
    w->chooseStation(5);
    QChart *chart = w->HistoryChart->chart();
    QCOMPARE(chart->series().size(), 5);
    QVERIFY(chart->title().startsWith(QStringLiteral("VK6RBP")));
    int points = 0;
    for (QAbstractSeries *s : chart->series())
        points += int(static_cast<QScatterSeries *>(s)->count());
    int expected = 0;
    for (const auto &m : rows)
        expected += m.expected == 5 && m.heard() ? 1 : 0;
    QCOMPARE(points, expected);

    w->chooseBand(3);
    QCOMPARE(chart->series().size(), 18);
    QVERIFY(chart->title().startsWith(QStringLiteral("12 m")));
    // A cell or a station's name charts the station, a band's heading the band.
    w->ResultsGrid_Click(7, 1);
    QCOMPARE(w->ChartSubject->currentIndex(), 7);
    Q_EMIT w->ResultsGrid->horizontalHeader()->sectionClicked(4);
    QCOMPARE(w->ChartSubject->currentIndex(), 18 + 4);
    Q_EMIT w->ResultsGrid->verticalHeader()->sectionClicked(17);
    QCOMPARE(w->ChartSubject->currentIndex(), 17);
    QVERIFY(chart->title().startsWith(QStringLiteral("YV5B")));
}

void TestMonitorWindow::listeningWithoutSoundCard()
{
    MonitorFixture f;
    f.state.BandSelected[2] = true;
    f.monitor.openMonitor();
    frmBeaconMonitor *w = f.monitor.monitorWindow();
    QVERIFY(w && w->isVisible());
    QCOMPARE(w->PitchHz->value(), 600);
    QVERIFY(w->BandInfo->text().contains(QStringLiteral("15 Meters (21.150 MHz)")));
    QVERIFY(f.settingsText().isEmpty()); // opening it writes no setting
    if (AudioInput::devices().isEmpty()) {
        QVERIFY(!w->StartButton->isEnabled());
        QCOMPARE(w->MonitorStatus->text(), AudioInput::noDeviceMessage());
        w->StartButton_Click();
        QCOMPARE(int(f.messages.size()), 1);
        QCOMPARE(f.messages[0].title, QStringLiteral("Halvion - Beacon Monitor Error"));
        QVERIFY(f.messages[0].text.startsWith(QStringLiteral("No sound input was found on this computer.")));
        QVERIFY(!f.monitor.listening());
        QVERIFY(!f.monitor.startListening({}));
        QCOMPARE(int(f.messages.size()), 2);
    }
    w->showLevel(-12.4);
    QCOMPARE(w->LevelMeter->value(), -12);
    QCOMPARE(w->LevelMeter->format(), QStringLiteral("-12 dBFS"));

    w->PitchHz->setValue(700);
    QCOMPARE(f.settingsText(), QByteArray("[Halvion]\nMonitorPitch=700\n"));
    QCOMPARE(f.monitor.engine().toneSearch().pitchHz, 700.0);
    w->PitchHz->setValue(2000); // beyond the range: the box holds it at 1500
    QCOMPARE(f.monitor.pitchHz(), 1500);
}

// The lines of several receivers: hidden until chosen, each band's input, channel and
// pitch kept in keys of their own written only when changed, an input that is not there
// shown on its line (and kept, to be tried again), the level on the line's meter.
void TestMonitorWindow::oneReceiverPerBand()
{
    MonitorFixture f;
    f.monitor.openMonitor();
    frmBeaconMonitor *w = f.monitor.monitorWindow();
    QVERIFY(!w->PerBandInputs->isChecked());
    QVERIFY(!w->BandLines->isVisible());
    QVERIFY(w->SingleInput->isVisible());
    w->PerBandInputs->click();
    QVERIFY(f.monitor.perBandMode());
    QVERIFY(w->BandLines->isVisible());
    QVERIFY(!w->SingleInput->isVisible());
    QCOMPARE(f.settingsText(), QByteArray("[Halvion]\nMonitorPerBand=True\n"));
    QVERIFY(!w->StartButton->isEnabled()); // no band has an input yet

    auto *input = w->findChild<QComboBox *>(QStringLiteral("BandInput3"));
    auto *channel = w->findChild<QComboBox *>(QStringLiteral("BandChannel3"));
    auto *pitch = w->findChild<QSpinBox *>(QStringLiteral("BandPitch3"));
    QVERIFY(input && channel && pitch);
    QCOMPARE(input->currentText(), QStringLiteral("(none)"));
    input->addItem(QStringLiteral("Receiver 2"), QByteArray("halvion-test-card"));
    input->setCurrentIndex(input->count() - 1);
    Q_EMIT input->activated(input->currentIndex());
    channel->setCurrentIndex(channel->findText(QStringLiteral("right")));
    Q_EMIT channel->activated(channel->currentIndex());
    pitch->setValue(720);
    QVERIFY(f.settingsText().contains("MonitorBandInput12=2,720,halvion-test-card\n"));
    QVERIFY(!f.settingsText().contains("MonitorBandInput20"));
    QVERIFY(w->StartButton->isEnabled());

    // Started, the input is not there: the line says so, the monitor keeps trying.
    w->StartButton_Click();
    QVERIFY(f.monitor.listening());
    auto *status = w->findChild<QLabel *>(QStringLiteral("BandStatus3"));
    QVERIFY(status && status->isVisible());
    QVERIFY2(status->text().contains(QStringLiteral("Trying again")), qPrintable(status->text()));
    QVERIFY(!w->findChild<QLabel *>(QStringLiteral("BandStatus0"))->isVisible());
    Q_EMIT f.monitor.bandInputs().levelChanged(3, -20.2);
    QCOMPARE(w->findChild<QProgressBar *>(QStringLiteral("BandLevel3"))->value(), -20);
    w->StartButton_Click();
    QVERIFY(!f.monitor.listening());
    QVERIFY(!status->isVisible());

    // Opened again: the line as it was left, the missing input named as such.
    w->Form_Load();
    QCOMPARE(input->currentData().toByteArray(), QByteArray("halvion-test-card"));
    QVERIFY(input->currentText().contains(QStringLiteral("not connected")));
    QCOMPARE(channel->currentText(), QStringLiteral("right"));
    QCOMPARE(pitch->value(), 720);
    const QByteArray before = f.settingsText();
    w->Form_Load();
    QCOMPARE(f.settingsText(), before); // loading writes nothing
}

void TestMonitorWindow::analyzeRecordingDialog()
{
    MonitorFixture f;
    const double rate = 8000;
    const qint64 start = 1'800'000'000'000 - 40'000; // 07:59:20 UTC
    std::vector<float> audio(std::size_t(rate * 40), 0.0f);
    ts::Noise noise(5);
    for (qint64 slot = start / 10000; slot <= f.now / 10000; ++slot)
        ts::addBeacon(audio, rate, double(start - slot * 10000) / 1000.0,
                      {SlotTiming::expectedStation(slot, 1), 5.0, 650, 0.0});
    ts::addNoise(audio, rate, noise);
    const QString path = f.dir.filePath(QStringLiteral("rx_20270115_075920Z_18110600Hz_AF.wav"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(wav(audio, quint32(rate))) > 0);
    file.close();

    f.monitor.openAnalyzeRecording();
    frmAnalyzeRecording *w = f.monitor.analyzeWindow();
    QVERIFY(w && w->isVisible());
    QVERIFY(!w->AnalyzeButton->isEnabled());
    w->setRecordingPath(path);
    QCOMPARE(w->RecordingStart->dateTime().toMSecsSinceEpoch(), start);
    QCOMPARE(w->RecordingBand->currentIndex(), 1);
    QVERIFY2(w->RecordingInfo->text().startsWith(QStringLiteral("0 min 40 s at 8000 Hz, 1 channel(s).")),
             qPrintable(w->RecordingInfo->text()));
    QVERIFY(w->AnalyzeButton->isEnabled());

    QSignalSpy done(&f.monitor.engine(), &MonitorEngine::recordingFinished);
    w->AnalyzeButton_Click();
    QVERIFY(!w->AnalyzeButton->isEnabled());
    QCOMPARE(w->CancelButton->text(), QStringLiteral("Cancel"));
    QVERIFY(done.wait(20000));
    // Slots from 07:59:30 (window from 07:59:28.75) to 07:59:40 (closes at 07:59:50.25).
    QCOMPARE(int(f.messages.size()), 1);
    QCOMPARE(f.messages[0].title, QStringLiteral("Halvion - Analyze Recording"));
    QCOMPARE(f.messages[0].text, QStringLiteral("2 slots measured, the beacon heard in 2 of them."));
    QCOMPARE(f.messages[0].icon, MessageIcon::Information);
    QCOMPARE(w->AnalysisProgress->value(), 100);
    QCOMPARE(w->CancelButton->text(), QStringLiteral("Close"));
    frmMonitorResults *results = f.monitor.resultsWindow();
    QVERIFY(results && results->isVisible());
    const BeaconIndex heard = SlotTiming::expectedStation(start / 10000 + 2, 1);
    QVERIFY(results->ResultsGrid->item(heard, 1)->text().startsWith(QStringLiteral("1 W ")));

    // A recording of nothing at all says so, rather than "0 slots measured".
    const QString silent = f.dir.filePath(QStringLiteral("silent.wav"));
    QFile silentFile(silent);
    QVERIFY(silentFile.open(QIODevice::WriteOnly) && silentFile.write(wav(std::vector<float>(audio.size(), 0.0f), quint32(rate))) > 0);
    silentFile.close();
    // Typed into the path field, Enter takes the file and starts its analysis.
    w->RecordingPath->setFocus();
    w->RecordingPath->setText(silent);
    QVERIFY(!enterOpensModalWindow(w->RecordingPath));
    QCOMPARE(w->CancelButton->text(), QStringLiteral("Cancel"));
    QVERIFY(done.wait(20000));
    QCOMPARE(int(f.messages.size()), 2);
    QCOMPARE(f.messages[1].text, QStringLiteral("No slot could be measured: the recording holds no whole slot with sound in it."));
    QCOMPARE(f.messages[1].icon, MessageIcon::Exclamation);
}

void TestMonitorWindow::badRecordingInDialog()
{
    MonitorFixture f;
    const QString path = f.dir.filePath(QStringLiteral("notes.wav"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("These are my notes, not a recording.") > 0);
    file.close();
    f.monitor.openAnalyzeRecording();
    frmAnalyzeRecording *w = f.monitor.analyzeWindow();
    w->setRecordingPath(path);
    QCOMPARE(w->RecordingInfo->text(), QStringLiteral("notes.wav cannot be analysed: it is not a WAV file (no RIFF/WAVE header)."));
    QVERIFY(!w->AnalyzeButton->isEnabled());
    // Asked anyway (the path typed and Analyze pressed at once): a clear message, no analysis.
    w->AnalyzeButton_Click();
    QCOMPARE(int(f.messages.size()), 1);
    QCOMPARE(f.messages[0].title, QStringLiteral("Halvion - Analyze Recording Error"));
    QCOMPARE(f.messages[0].icon, MessageIcon::Exclamation);
    QVERIFY(!f.monitor.engine().recordingBusy());

    // Enter in the path field neither opens the file chooser nor analyses what cannot be,
    // also after Browse had the focus for a while.
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
    w->BrowseButton->setFocus();
    QVERIFY(w->BrowseButton->hasFocus());
    w->RecordingPath->setFocus();
    for (const QString &typed : {path, f.dir.filePath(QStringLiteral("missing.wav"))}) {
        w->RecordingPath->setText(typed);
        QVERIFY2(!enterOpensModalWindow(w->RecordingPath), qPrintable(typed));
        QVERIFY(!f.monitor.engine().recordingBusy());
        QVERIFY(!w->AnalyzeButton->isEnabled());
    }
    QVERIFY(w->RecordingInfo->text().startsWith(QStringLiteral("missing.wav cannot be analysed: the file cannot be read")));
    w->RecordingPath->setText(QString());
    QVERIFY(!enterOpensModalWindow(w->RecordingPath));
    QCOMPARE(w->RecordingInfo->text(), QStringLiteral("Choose a WAV recording of one beacon frequency."));
    QCOMPARE(int(f.messages.size()), 1);
}

void TestMonitorWindow::scanModeTunesAheadOfEverySlot()
{
    MonitorFixture f;
    QVERIFY(f.monitor.ensureLog());
    f.state.BandSelected[1] = true;
    QSignalSpy tune(&f.monitor, &MonitorController::tuneRequested);
    const qint64 slot = f.now / 10000;
    f.now += 3'200; // 3.2 s into the slot

    // Without radio control there is nothing to move.
    f.monitor.setScanMode(true);
    QVERIFY(!f.monitor.scanMode());
    QCOMPARE(tune.count(), 0);

    f.monitor.setRadioAvailable(true);
    f.monitor.setScanMode(true);
    QCOMPARE(tune.count(), 1);
    QCOMPARE(tune.at(0).at(0).value<BandIndex>(), ScanRotation::bandForSlot(slot));
    QVERIFY(f.monitor.ScanTimer->isActive());
    f.monitor.ScanTimer_Timer(); // a wake that finds the same slot due asks nothing again
    QCOMPARE(tune.count(), 1);
    f.now += 10'000 - 3'200 - RetuneTimer::LeadMs; // the lead before the next slot
    f.monitor.ScanTimer_Timer();
    QCOMPARE(tune.count(), 2);
    QCOMPARE(tune.at(1).at(0).value<BandIndex>(), ScanRotation::bandForSlot(slot + 1));

    // With a radio that follows at once, the slots heard while scanning are measured on
    // the rotation's band, whatever the main window shows.
    const auto follows = connect(&f.monitor, &MonitorController::tuneRequested, &f.monitor,
                                 &MonitorController::setReceiverBand);
    f.monitor.setReceiverBand(ScanRotation::bandForSlot(slot + 1)); // as the timer asked above
    const auto scanTimer = [&f](qint64 t) {
        f.now = t;
        f.monitor.ScanTimer_Timer();
    };
    QSignalSpy measured(&f.monitor.engine(), &MonitorEngine::measured);
    feedSilence(f.monitor, (slot + 1) * 10000, (slot + 4) * 10000, scanTimer);
    for (int i = 1; i < 4; ++i)
        QCOMPARE(f.monitor.bandForSlot(slot + i), ScanRotation::bandForSlot(slot + i));
    QCOMPARE(f.monitor.bandForSlot(slot + 4), -1); // not heard yet
    // A radio that stops following puts nothing in the log under a band it was not on.
    QObject::disconnect(follows);
    feedSilence(f.monitor, (slot + 4) * 10000, (slot + 6) * 10000, scanTimer);
    QCOMPARE(f.monitor.bandForSlot(slot + 4), ScanRotation::bandForSlot(slot + 4)); // tuned before it stopped
    QCOMPARE(f.monitor.bandForSlot(slot + 5), -1);
    // Several slot windows were complete, but a silent input is no measurement.
    f.monitor.engine().waitForIdle();
    QCOMPARE(measured.count(), 0);
    QCOMPARE(f.monitor.log().count(), 0);

    // Radio control switched off ends the scan.
    QSignalSpy mode(&f.monitor, &MonitorController::scanModeChanged);
    f.monitor.setRadioAvailable(false);
    QVERIFY(!f.monitor.scanMode());
    QVERIFY(!f.monitor.ScanTimer->isActive());
    QCOMPARE(mode.count(), 1);
    QCOMPARE(mode.at(0).at(0).toBool(), false);
}

// Beacons heard through the live path while the radio scans: each slot is logged on the
// band the rotation put the receiver on, with the station the schedule puts there.
void TestMonitorWindow::scanningMeasuresEverySlotOnItsBand()
{
    MonitorFixture f;
    QVERIFY(f.monitor.ensureLog());
    connect(&f.monitor, &MonitorController::tuneRequested, &f.monitor, &MonitorController::setReceiverBand);
    f.monitor.setRadioAvailable(true);
    const qint64 first = f.now / 10000 + 1;
    const qint64 from = first * 10000 - 2000; // listening from 2 s before the first slot
    f.now = from;
    f.monitor.setScanMode(true);

    const double rate = 8000;
    std::vector<float> audio(std::size_t(rate * 32.5), 0.0f);
    ts::Noise noise(11);
    for (qint64 k = first; k < first + 3; ++k)
        ts::addBeacon(audio, rate, double(from - k * 10000) / 1000.0,
                      {SlotTiming::expectedStation(k, ScanRotation::bandForSlot(k)), 10.0, 650, 0.0});
    ts::addNoise(audio, rate, noise);
    feed(f.monitor, audio, from, [&f](qint64 t) {
        f.now = t;
        f.monitor.ScanTimer_Timer();
    });
    f.monitor.engine().waitForIdle();

    const std::vector<SlotMeasurement> rows = f.monitor.log().history(0, -1, -1);
    QCOMPARE(int(rows.size()), 3);
    for (const SlotMeasurement &m : rows) {
        QCOMPARE(m.band, ScanRotation::bandForSlot(m.slotNumber));
        QCOMPARE(m.identified, m.expected);
        QVERIFY(m.heard());
    }
}

// Follow mode moves the main window at the first tracking tick of a slot, which may come
// a second late: that is the retune for the slot, not a change in its middle.
void TestMonitorWindow::bandChangeWithinASlot_data()
{
    QTest::addColumn<int>("changeMs"); // from the start of the middle slot
    QTest::addColumn<QList<int>>("bands"); // measured band of the slot before, the slot, the slot after
    QTest::newRow("just before the slot") << -200 << QList<int>{0, 1, 1};
    QTest::newRow("at the first tick") << 300 << QList<int>{0, 1, 1};
    QTest::newRow("a slow tick") << 1'100 << QList<int>{0, 1, 1};
    QTest::newRow("during the dashes") << 5'000 << QList<int>{0, -1, 1};
    QTest::newRow("after the last dash") << 9'700 << QList<int>{0, 0, 1};
}

void TestMonitorWindow::bandChangeWithinASlot()
{
    QFETCH(int, changeMs);
    QFETCH(QList<int>, bands);
    MonitorFixture f;
    QVERIFY(f.monitor.ensureLog());
    const qint64 slot = f.now / 10000 + 1;
    f.state.BandSelected[0] = true;
    feedSilence(f.monitor, (slot - 1) * 10000, (slot + 2) * 10000, [&](qint64 t) {
        if (t == slot * 10000 + changeMs) {
            f.state.BandSelected.fill(false);
            f.state.BandSelected[1] = true;
        }
    });
    for (int i = 0; i < 3; ++i)
        QCOMPARE(f.monitor.bandForSlot(slot - 1 + i), bands[i]);
}

// The whole of it in the real program: the switch in the Beacon Monitor window, the radio
// (Hamlib's dummy rig), the main window moving with the scan, and what ends it.
void TestMonitorWindow::scanWithTheRadioInTheProgram()
{
    QTemporaryDir dir;
    FakeClockSource clock{12, 0, 25};
    qint64 utc = 1'800'000'000'000 + 25'000; // 08:00:25 UTC: slot 2 of the hour, as on the local clock
    Program program{dir.filePath(QStringLiteral("Halvion.ini")).toStdString(), clock};
    program.setMonitorLogPath(dir.filePath(QStringLiteral("data/monitor.sqlite")));
    program.setUtcClock([&utc] { return utc; });
    program.start();
    Form1 *form = program.mainWindow();
    RadioControl &radio = program.radio();
    form->BeaconMonitorMenu->trigger();
    frmBeaconMonitor *w = program.monitor().monitorWindow();
    QVERIFY(w);
    QVERIFY(!w->ScanBands->isEnabled()); // radio control is off

    RadioSettings rig;
    rig.enabled = true;
    rig.model = 1; // Hamlib's dummy rig
    radio.configure(rig);
    drain(radio);
    QTRY_VERIFY(w->ScanBands->isEnabled());

    // Scanning takes over from follow mode, moves the radio and the main window.
    program.followMode().follow(7);
    drain(radio);
    QSignalSpy tuned(&radio, &RadioControl::tuned);
    w->ScanBands->click();
    QVERIFY(program.monitor().scanMode());
    QVERIFY(!program.followMode().active());
    drain(radio);
    QCOMPARE(tuned.count(), 1);
    QCOMPARE(tuned.at(0).at(0).toDouble(), beaconFrequencyHz(2));
    QTRY_COMPARE(program.monitor().receiverBand(), 2); // as the rig reads back
    QVERIFY(program.state().BandSelected[2]);
    QCOMPARE(form->FollowState->text(), QStringLiteral("Scanning all bands: %1 on 15 m")
                                            .arg(QString::fromLatin1(BeaconCatalogue::beacon(ScheduleClock::beaconOn(2, 2)).callsign.data())));
    QVERIFY(w->BandInfo->text().startsWith(QStringLiteral("Scanning")));

    // Half a second before the next slot the radio moves on; the map follows at the slot start.
    utc += 4'500;
    program.monitor().ScanTimer_Timer();
    drain(radio);
    QCOMPARE(tuned.at(1).at(0).toDouble(), beaconFrequencyHz(3));
    QVERIFY(program.state().BandSelected[2]);
    clock.set(12, 0, 30);
    utc += 500;
    form->Timer3_Timer();
    QVERIFY(program.state().BandSelected[3]);
    QVERIFY(form->FollowState->text().endsWith(QStringLiteral(" on 12 m")));

    // A band button ends the scan and tunes there.
    form->BandButtons[0]->click();
    QVERIFY(!program.monitor().scanMode());
    QVERIFY(!w->ScanBands->isChecked());
    QVERIFY(!program.monitor().ScanTimer->isActive());
    QCOMPARE(form->FollowState->text(), QString());
    drain(radio);
    QCOMPARE(tuned.last().at(0).toDouble(), beaconFrequencyHz(0));

    // So does following a station, whose line then shows.
    w->ScanBands->click();
    QVERIFY(program.monitor().scanMode());
    form->FollowItems[4]->trigger();
    QVERIFY(!program.monitor().scanMode());
    QVERIFY(form->FollowState->text().startsWith(QStringLiteral("Following ")));

    // And radio control switched off.
    w->ScanBands->click();
    QVERIFY(program.monitor().scanMode());
    rig.enabled = false;
    radio.configure(rig);
    drain(radio);
    QTRY_VERIFY(!program.monitor().scanMode());
    QVERIFY(!w->ScanBands->isEnabled());
    QCOMPARE(program.monitor().receiverBand(), -1);
    QCOMPARE(form->FollowState->text(), QString());

    // The PC clock's error heard from the air is shown only while the monitor listens.
    program.clockCheck()->setAirOffset(ClockCheckFacts::AirMeasurement{0.42, 5});
    QVERIFY(program.clockCheck()->badge().toolTip.contains(QStringLiteral("from the beacons")));
    program.monitor().stopListening();
    QVERIFY(!program.clockCheck()->badge().toolTip.contains(QStringLiteral("from the beacons")));
    form->close();
}

void TestMonitorWindow::menuOpensTheWindows()
{
    QTemporaryDir dir;
    FakeClockSource clock{12, 0, 25};
    Program program{dir.filePath(QStringLiteral("Halvion.ini")).toStdString(), clock};
    const QString log = dir.filePath(QStringLiteral("data/monitor.sqlite"));
    program.setMonitorLogPath(log);
    program.start();
    Form1 *form = program.mainWindow();
    QVERIFY(form);
    // the NCDXF web site, the status editor, a separator, the monitor's three
    QCOMPARE(form->BeaconStatus->actions().size(), 6);
    QCOMPARE(form->BeaconStatus->actions().at(3), form->BeaconMonitorMenu);
    QCOMPARE(form->BeaconMonitorMenu->text(), QStringLiteral("Beacon Monitor..."));
    QVERIFY(!QFile::exists(log)); // no log until the monitor is used
    form->AnalyzeRecordingMenu->trigger();
    QVERIFY(program.monitor().analyzeWindow() && program.monitor().analyzeWindow()->isVisible());
    QVERIFY(QFile::exists(log));
    // The results open over the main window, as far as the screen allows.
    program.splash()->Timer1_Timer(); // the splash hands over to the map
    QVERIFY(form->isVisible());
    form->move(120, 250);
    form->MonitorResultsMenu->trigger();
    QWidget *results = program.monitor().resultsWindow();
    QVERIFY(results->isVisible());
    const QRect screen = form->screen()->availableGeometry();
    const QRect placed = results->frameGeometry();
    QVERIFY2(placed.contains(form->frameGeometry().center()), qPrintable(QStringLiteral("%1,%2").arg(placed.x()).arg(placed.y())));
    QVERIFY(std::abs(placed.center().y() - form->frameGeometry().center().y()) <= 1);
    if (placed.width() <= screen.width())
        QVERIFY(std::abs(placed.center().x() - form->frameGeometry().center().x()) <= 1);
    QVERIFY(screen.contains(placed.topLeft()));
    form->BeaconMonitorMenu->trigger();
    QVERIFY(program.monitor().monitorWindow()->isVisible());
    form->close(); // ending the program closes the monitor's windows too
    QVERIFY(!program.monitor().resultsWindow());
}

namespace {

// The skimmers' spots at the fixture's time: CS3B on 20 m by twelve skimmers in the
// last ten minutes (the best KM3T-2, 24 dB, four minutes ago), W6WX on 15 m by three
// skimmers 40 minutes ago, VE8AT on 10 m once five hours ago.
struct SkimmerFixture : MonitorFixture {
    FakeFeedClock feedClock{now};
    SpotStore store{feedClock};
    QString status = QStringLiteral("Connected to 127.0.0.1:7000: 16 beacon spots (16 spots read)");

    SkimmerFixture()
    {
        const auto spot = test::beaconSpot;
        const int minute = int((now / 60000) % (24 * 60)); // 08:00 UTC
        store.add({spot(1, 4, "ZS6RH", 5, minute - 300)}, now - 300 * 60000);
        store.add({spot(2, 2, "W3OA", 8, minute - 40), spot(2, 2, "G0LUJ", 11, minute - 40),
                   spot(2, 2, "DK9IP-2", 6, minute - 40)},
                  now - 40 * 60000);
        std::vector<BeaconSpot> cs3b;
        for (int i = 0; i < 11; ++i)
            cs3b.push_back(spot(14, 0, ("SK" + std::to_string(i) + "XX").c_str(), 3 + i, minute - 10));
        store.add(cs3b, now - 10 * 60000);
        store.add({spot(14, 0, "KM3T-2", 24, minute - 4)}, now - 4 * 60000);
        monitor.setSpotSource([this]() -> const SpotView * { return &store; }, [this] { return status; });
    }

    SkimmerResults *openPage()
    {
        monitor.openResults();
        frmMonitorResults *w = monitor.resultsWindow();
        w->ResultsTabs->setCurrentWidget(w->Skimmers);
        return w->Skimmers;
    }
};

} // namespace

void TestMonitorWindow::skimmerGridCountsInTheSpan_data()
{
    QTest::addColumn<int>("span");
    QTest::addColumn<QString>("cs3b");  // CS3B on 20 m
    QTest::addColumn<QString>("w6wx");  // W6WX on 15 m
    QTest::addColumn<QString>("ve8at"); // VE8AT on 10 m
    QTest::newRow("15 minutes") << 0 << "12 / 24 dB" << "" << "";
    QTest::newRow("hour") << 1 << "12 / 24 dB" << "3 / 11 dB" << "";
    QTest::newRow("6 hours") << 2 << "12 / 24 dB" << "3 / 11 dB" << "1 / 5 dB";
    QTest::newRow("24 hours") << 3 << "12 / 24 dB" << "3 / 11 dB" << "1 / 5 dB";
}

void TestMonitorWindow::skimmerGridCountsInTheSpan()
{
    QFETCH(int, span);
    QFETCH(QString, cs3b);
    QFETCH(QString, w6wx);
    QFETCH(QString, ve8at);
    SkimmerFixture f;
    SkimmerResults *page = f.openPage();
    QVERIFY(page->isVisible());
    auto *grid = page->findChild<QTableWidget *>(QStringLiteral("SkimmerGrid"));
    auto *spanBox = page->findChild<QComboBox *>(QStringLiteral("SkimmerSpan"));
    QVERIFY(grid && spanBox);
    QCOMPARE(grid->rowCount(), 18);
    QCOMPARE(grid->columnCount(), 5);
    spanBox->setCurrentIndex(span);
    Q_EMIT spanBox->activated(span);
    QCOMPARE(grid->item(14, 0)->text(), cs3b);
    QCOMPARE(grid->item(2, 2)->text(), w6wx);
    QCOMPARE(grid->item(1, 4)->text(), ve8at);
    int filled = 0;
    for (int r = 0; r < 18; ++r)
        for (int c = 0; c < 5; ++c)
            filled += !grid->item(r, c)->text().isEmpty();
    QCOMPARE(filled, 1 + !w6wx.isEmpty() + !ve8at.isEmpty());
    QVERIFY2(grid->item(14, 0)->toolTip().contains(QStringLiteral("Best 24 dB by KM3T-2")),
             qPrintable(grid->item(14, 0)->toolTip()));
    QVERIFY(grid->item(14, 0)->background().color() != grid->item(0, 0)->background().color());
    QCOMPARE(page->findChild<QLabel *>(QStringLiteral("SkimmerStatus"))->text(),
             QStringLiteral("Reverse Beacon Network: ") + f.status);
}

// The chart shows a station's spots by band or a band's by station over the last day;
// a busy feed redraws the page once a second at most, and without the feed the page
// says how to turn it on.
void TestMonitorWindow::skimmerChartAndRefresh()
{
    SkimmerFixture f;
    SkimmerResults *page = f.openPage();
    auto *view = page->findChild<QChartView *>(QStringLiteral("SkimmerChart"));
    QVERIFY(view);
    page->SkimmerGrid_Click(14, 3);
    QChart *chart = view->chart();
    QCOMPARE(chart->series().size(), 1);
    auto *series = static_cast<QScatterSeries *>(chart->series().first());
    QCOMPARE(series->name(), QStringLiteral("20 m"));
    QCOMPARE(series->count(), 12);
    auto *snr = qobject_cast<QValueAxis *>(chart->axes(Qt::Vertical).value(0));
    QVERIFY(snr && snr->max() >= 24);
    // The time axis spans the day's spots, not the whole day: 15 minutes at least, from
    // a minute before the oldest spot.
    const auto shownMinutes = [chart] {
        auto *time = qobject_cast<QDateTimeAxis *>(chart->axes(Qt::Horizontal).value(0));
        return time ? (time->max().toMSecsSinceEpoch() - time->min().toMSecsSinceEpoch()) / 60000.0 : -1.0;
    };
    QCOMPARE(shownMinutes(), 15.0);
    page->chooseBand(2);
    QCOMPARE(chart->series().size(), 1);
    QCOMPARE(chart->series().first()->name(), QStringLiteral("W6WX"));
    QVERIFY2(shownMinutes() >= 41 && shownMinutes() < 42, qPrintable(QString::number(shownMinutes())));
    page->chooseBand(3);
    QVERIFY(chart->series().isEmpty());
    QVERIFY(chart->title().endsWith(QStringLiteral("no spots")));
    QCOMPARE(shownMinutes(), 24 * 60.0);

    // New spots: one redraw after the refresh timer, however many batches came.
    auto *grid = page->findChild<QTableWidget *>(QStringLiteral("SkimmerGrid"));
    BeaconSpot b;
    b.station = 0;
    b.band = 0;
    b.skimmer = "VE6WZ";
    b.snrDb = 17;
    b.frequencyKhz = 14100;
    b.minuteOfDay = int((f.now / 60000) % (24 * 60));
    f.store.add({b}, f.now);
    for (int i = 0; i < 5; ++i)
        Q_EMIT f.monitor.spotsChanged();
    QVERIFY(page->SkimmerRefreshTimer->isActive());
    QCOMPARE(page->SkimmerRefreshTimer->interval(), 1000);
    QVERIFY(grid->item(0, 0)->text().isEmpty());
    page->SkimmerRefreshTimer->stop();
    Q_EMIT page->SkimmerRefreshTimer->timeout({});
    QCOMPARE(grid->item(0, 0)->text(), QStringLiteral("1 / 17 dB"));

    f.monitor.setSpotSource({}, {});
    page->refresh();
    QVERIFY(page->SkimmerStatus->text().startsWith(QStringLiteral("The Reverse Beacon Network is off")));
    QVERIFY(grid->item(14, 0)->text().isEmpty());
}

QTEST_MAIN(TestMonitorWindow)
#include "tst_monitor_window.moc"

// The chart spans what the data spans unless a fixed span is chosen, and tells its
// series apart by colour and shape.
void TestMonitorWindow::chartSpanAndLooks()
{
    MonitorFixture f;
    QVERIFY(f.monitor.ensureLog());
    // A 20-minute recording made three days ago.
    const qint64 recorded = (f.now - 3 * 24 * 3600 * 1000) / 10000;
    std::vector<SlotMeasurement> rows;
    for (qint64 slot = recorded; slot < recorded + 120; ++slot)
        rows.push_back(measured(slot, 2, 1 + int(slot % 4), -5 + double(slot % 9)));
    QVERIFY(f.monitor.log().append(rows, QStringLiteral("recording")));
    f.monitor.openResults();
    frmMonitorResults *w = f.monitor.resultsWindow();
    QCOMPARE(w->ChartSpan->currentIndex(), 0);
    w->chooseBand(2);
    QChart *chart = w->HistoryChart->chart();
    QCOMPARE(chart->series().size(), 18);
    auto *axis = qobject_cast<QDateTimeAxis *>(chart->axes(Qt::Horizontal).value(0));
    QVERIFY(axis);
    const qint64 shown = axis->max().toMSecsSinceEpoch() - axis->min().toMSecsSinceEpoch();
    QVERIFY2(shown >= 20 * 60000 && shown <= 25 * 60000, qPrintable(QString::number(shown)));
    QCOMPARE(axis->format(), QStringLiteral("HH:mm"));
    std::set<std::pair<QRgb, int>> looks;
    for (QAbstractSeries *a : chart->series()) {
        auto *series = static_cast<QScatterSeries *>(a);
        looks.insert({series->color().rgb(), int(series->markerShape())});
    }
    QCOMPARE(looks.size(), std::size_t(18));

    w->ChartSpan->setCurrentIndex(3);
    w->ChartSpan_Click(3);
    QVERIFY(chart->series().isEmpty());
    QVERIFY(chart->title().contains(QStringLiteral("the last 24 hours")));
    QVERIFY(chart->title().endsWith(QStringLiteral("nothing heard yet")));

    // The first minutes of listening: ticks less than a minute apart show their seconds,
    // else every minute would be written twice.
    MonitorFixture first;
    QVERIFY(first.monitor.ensureLog());
    for (qint64 slot = first.now / 10000 - 4; slot < first.now / 10000 - 1; ++slot)
        QVERIFY(first.monitor.log().append(measured(slot, 2, 2, 3.0), QStringLiteral("live")));
    first.monitor.openResults();
    first.monitor.resultsWindow()->chooseBand(2);
    auto *minutes = qobject_cast<QDateTimeAxis *>(first.monitor.resultsWindow()->HistoryChart->chart()->axes(Qt::Horizontal).value(0));
    QVERIFY(minutes);
    QCOMPARE(minutes->format(), QStringLiteral("HH:mm:ss"));
}

// A slot in which another station's callsign was heard is that station's, marked.
void TestMonitorWindow::otherStationInTheGrid()
{
    MonitorFixture f;
    QVERIFY(f.monitor.ensureLog());
    SlotMeasurement m = measured(f.now / 10000 - 3, 1, 2, 4.0);
    m.identified = (m.expected + 5) % BeaconCount;
    m.callsign = BeaconCatalogue::beacon(m.identified).callsign;
    QVERIFY(f.monitor.log().append(m, QStringLiteral("live")));
    f.monitor.openResults();
    frmMonitorResults *w = f.monitor.resultsWindow();
    QTableWidgetItem *other = w->ResultsGrid->item(m.identified, 1);
    QVERIFY(other->text().startsWith(QStringLiteral("10 W * ")));
    QVERIFY(other->font().italic());
    QVERIFY(other->toolTip().contains(QStringLiteral("Other station: heard in %1's slot")
                                          .arg(QLatin1String(BeaconCatalogue::beacon(m.expected).callsign.data()))));
    QCOMPARE(w->ResultsGrid->item(m.expected, 1)->text(), QString());
}

// A recording whose start time is off: the dialog says so and analyses it again with the
// start corrected, after which the right stations are in the grid.
void TestMonitorWindow::recordingWithItsClockOff_data()
{
    QTest::addColumn<double>("startError");
    QTest::addColumn<QString>("said");
    QTest::newRow("0.73 s late") << 0.73 << QStringLiteral("seems 0.7");
    QTest::newRow("4 s early") << -4.0 << QStringLiteral("seems 4.00 s early");
}

void TestMonitorWindow::recordingWithItsClockOff()
{
    QFETCH(double, startError);
    QFETCH(QString, said);
    MonitorFixture f;
    const double rate = 8000;
    const qint64 start = f.now - 90'000;
    std::vector<float> audio(std::size_t(rate * 90), 0.0f);
    ts::Noise noise(8);
    for (qint64 slot = start / 10000 - 1; slot <= f.now / 10000; ++slot)
        ts::addBeacon(audio, rate, double(start - slot * 10000) / 1000.0, {SlotTiming::expectedStation(slot, 4), 6.0, 700, 0.0});
    ts::addNoise(audio, rate, noise);
    const QString path = f.dir.filePath(QStringLiteral("ten.wav"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(wav(audio, quint32(rate))) > 0);
    file.close();

    f.monitor.openAnalyzeRecording();
    frmAnalyzeRecording *w = f.monitor.analyzeWindow();
    w->setRecordingPath(path);
    const qint64 given = start + qint64(std::llround(startError * 1000));
    w->RecordingStart->setDateTime(QDateTime::fromMSecsSinceEpoch(given, Qt::UTC));
    w->RecordingBand->setCurrentIndex(4);
    QSignalSpy done(&f.monitor.engine(), &MonitorEngine::recordingFinished);
    w->AnalyzeButton_Click();
    QVERIFY(done.wait(30000));
    QCOMPARE(int(f.messages.size()), 1);
    QVERIFY2(f.messages[0].text.contains(said), qPrintable(f.messages[0].text));
    QCOMPARE(f.messages[0].icon, MessageIcon::Exclamation);
    QVERIFY(!w->ClockErrorInfo->isHidden());
    QVERIFY(!w->ReanalyzeButton->isHidden());
    QVERIFY(f.monitor.resultsWindow()->ClockOffsetLabel->text().contains(QStringLiteral("Last recording's start time:")));

    w->ReanalyzeButton_Click();
    QVERIFY(qAbs(w->RecordingStart->dateTime().toMSecsSinceEpoch() - start) <= 30);
    QVERIFY(done.wait(30000));
    QCOMPARE(int(f.messages.size()), 2);
    // 07:58:40 to 07:59:40: the 07:59:50 slot's window ends after the recording.
    QCOMPARE(f.messages[1].text, QStringLiteral("7 slots measured, the beacon heard in 7 of them."));
    QVERIFY(w->ClockErrorInfo->isHidden());
    QVERIFY(w->ReanalyzeButton->isHidden());
    // Every slot's row is the scheduled station's, at the corrected time.
    for (qint64 slot = start / 10000 + 1; slot < start / 10000 + 8; ++slot) {
        const auto rows = f.monitor.log().history(slot * 10000, SlotTiming::expectedStation(slot, 4), 4);
        QVERIFY2(!rows.empty() && rows.front().slotNumber == slot && rows.front().heard() && !rows.front().otherStation(),
                 qPrintable(QString::number(slot)));
        QVERIFY(qAbs(rows.front().offsetSeconds) < 0.04);
    }
}

// The live audio path's delay, entered once, is taken off the times of the samples.
void TestMonitorWindow::audioDelayTakenOffLiveTimes()
{
    MonitorFixture f;
    f.state.BandSelected[0] = true;
    f.monitor.openMonitor();
    frmBeaconMonitor *w = f.monitor.monitorWindow();
    QCOMPARE(w->AudioDelay->value(), 0);
    w->AudioDelay->setValue(250);
    QCOMPARE(f.settingsText(), QByteArray("[Halvion]\nMonitorAudioDelay=250\n"));
    QCOMPARE(f.monitor.audioDelayMs(), 250);

    // Audio heard on time reaches the program a quarter second late.
    const qint64 first = f.now / 10000 + 1;
    const qint64 from = first * 10000 - 2000;
    const double rate = 8000;
    std::vector<float> audio(std::size_t(rate * 24), 0.0f);
    ts::Noise noise(3);
    for (qint64 k = first - 1; k < first + 3; ++k)
        ts::addBeacon(audio, rate, double(from - k * 10000) / 1000.0, {SlotTiming::expectedStation(k, 0), 8.0, 600, 0.0});
    ts::addNoise(audio, rate, noise);
    feed(f.monitor, audio, from + 250);
    f.monitor.engine().waitForIdle();
    const auto rows = f.monitor.log().history(0, -1, -1);
    QVERIFY(!rows.empty());
    for (const SlotMeasurement &m : rows) {
        QVERIFY(m.heard() && m.identityMatch());
        QVERIFY2(qAbs(m.offsetSeconds) < 0.03, qPrintable(QString::number(m.offsetSeconds)));
    }
}

// Bad lines of the user's callsign file are reported by number when the monitor starts;
// the good ones count.
void TestMonitorWindow::callsignFileProblemsReported()
{
    MonitorFixture f;
    QVERIFY(QDir().mkpath(f.dir.filePath(QStringLiteral("data"))));
    QFile file(f.dir.filePath(QStringLiteral("data/beacon_callsigns.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("# station, callsign sent\nZL6B ZL6XYZ\nZL6B\n");
    file.close();
    QVERIFY(f.monitor.ensureLog());
    QCOMPARE(int(f.messages.size()), 1);
    QCOMPARE(f.messages[0].title, QStringLiteral("Halvion - Beacon Callsigns"));
    QVERIFY2(f.messages[0].text.contains(QStringLiteral("line 3: ")), qPrintable(f.messages[0].text));
    QCOMPARE(f.monitor.engine().callsigns().stationOf("ZL6XYZ"), std::optional<BeaconIndex>(4));
}
