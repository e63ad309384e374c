// The beacon monitor without windows: keying, slot cutting, detection and
// identification against generated signals, the scan rotation, WAV reading and the log.

#include "band_inputs.h"
#include "beacon_callsigns.h"
#include "beacon_keying.h"
#include "callsign_file.h"
#include "clock_offset_tracker.h"
#include "decimator.h"
#include "audio_input.h"
#include "latest_levels.h"
#include "monitor_engine.h"
#include "monitor_log.h"
#include "monitor_signal.h"
#include "recording_start.h"
#include "sample_stream.h"
#include "scan_rotation.h"
#include "slot_analyzer.h"
#include "wav_reader.h"

#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <map>
#include <set>

using namespace halvion;
namespace ts = halvion::testsignal;

namespace {

// A WAV file as bytes: the header fields can be spoiled by the caller.
struct WavLayout {
    quint16 format = 1;
    quint16 channels = 1;
    quint32 rate = 8000;
    quint16 bits = 16;
    bool extensible = false;
};

QByteArray wavBytes(const WavLayout &layout, const std::vector<double> &frames /* one value per frame */)
{
    QByteArray data;
    const int bytes = layout.bits / 8;
    for (double v : frames) {
        for (int c = 0; c < layout.channels; ++c) {
            char b[8] = {};
            if (layout.format == 3 && layout.bits == 32) {
                const float f = float(v);
                std::memcpy(b, &f, 4);
            } else if (layout.format == 3) {
                std::memcpy(b, &v, 8);
            } else if (layout.bits == 8) {
                b[0] = char(quint8(std::clamp(std::lround(v * 128), -128L, 127L) + 128));
            } else {
                const qint64 full = std::llround(v * double((1ll << (layout.bits - 1)) - 1));
                for (int i = 0; i < bytes; ++i)
                    b[i] = char((full >> (8 * i)) & 0xFF);
            }
            data.append(b, bytes);
        }
    }
    QByteArray fmt(layout.extensible ? 40 : 16, '\0');
    qToLittleEndian<quint16>(layout.extensible ? 0xFFFE : layout.format, fmt.data());
    qToLittleEndian<quint16>(layout.channels, fmt.data() + 2);
    qToLittleEndian<quint32>(layout.rate, fmt.data() + 4);
    qToLittleEndian<quint32>(layout.rate * layout.channels * bytes, fmt.data() + 8);
    qToLittleEndian<quint16>(quint16(layout.channels * bytes), fmt.data() + 12);
    qToLittleEndian<quint16>(layout.bits, fmt.data() + 14);
    if (layout.extensible) {
        qToLittleEndian<quint16>(22, fmt.data() + 16);
        qToLittleEndian<quint16>(layout.bits, fmt.data() + 18);
        qToLittleEndian<quint16>(layout.format, fmt.data() + 24);
    }
    QByteArray out("RIFF");
    QByteArray tail("WAVE");
    auto chunk = [&tail](const char *id, const QByteArray &body) {
        char size[4];
        qToLittleEndian<quint32>(quint32(body.size()), size);
        tail += QByteArray(id, 4) + QByteArray(size, 4) + body;
    };
    chunk("LIST", QByteArray("INFOISFT\4\0\0\0abc\0", 16)); // an unknown chunk is skipped
    chunk("fmt ", fmt);
    chunk("data", data);
    char size[4];
    qToLittleEndian<quint32>(quint32(tail.size()), size);
    return out + QByteArray(size, 4) + tail;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

SlotMeasurement row(qint64 slot, BandIndex band, int heard, double snr = 3.0)
{
    SlotMeasurement m;
    m.slotNumber = slot;
    m.band = band;
    m.expected = SlotTiming::expectedStation(slot, band);
    m.identified = m.expected;
    m.identityScore = 0.9;
    m.toneHz = 612.5;
    m.offsetSeconds = -0.021;
    m.dashSnrDb = {snr, snr - 10, NAN, NAN};
    m.dashesHeard = heard;
    m.noiseDb = -60;
    return m;
}

constexpr const char *KillChildVariable = "HALVION_TST_MONITOR_LOG_WRITER";

} // namespace

class TestMonitor : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void keyingFitsTheSlot();
    void assemblerCutsSlots();
    void identityOfEveryStation_data();
    void identityOfEveryStation();
    void detectionAgainstSnr();
    void falseAlarmsInNoise();
    void clockOffsetTracker();
    void latestLevels_data();
    void latestLevels();
    void scanRotationCoversEveryPair();
    void wavFormats_data();
    void wavFormats();
    void badWav_data();
    void badWav();
    void recordingThroughTheEngine();
    void soundCardSamplesAsFloats_data();
    void soundCardSamplesAsFloats();
    void decimatorKeepsToneAndTime_data();
    void decimatorKeepsToneAndTime();
    void decimatedSlotMeasuresAlike_data();
    void decimatedSlotMeasuresAlike();
    void severalInputsAtOnce();
    void olderLogGainsTheInputColumn();
    void twoChannelInputSplitIntoTwoBands();
    void failingInputIsShownAndRetried();
    void recordingStartFromTheFile_data();
    void recordingStartFromTheFile();
    void logRowsQueriesAndCsv();
    void logSurvivesKill();
    void callsignTable_data();
    void callsignTable();
    void callsignFileInTheDataFolder();
    void notABeaconIsNeverHeard_data();
    void notABeaconIsNeverHeard();
    void weakAndStrongBeaconsAreHeard_data();
    void weakAndStrongBeaconsAreHeard();
    void dashesWhereverTheyAre_data();
    void dashesWhereverTheyAre();
    void callsignsReallySent_data();
    void callsignsReallySent();
    void otherStationIsLoggedAsItself();
    void weakOtherStationIsNeverTheScheduledOne_data();
    void weakOtherStationIsNeverTheScheduledOne();
    void recordingClockError_data();
    void recordingClockError();
};

void TestMonitor::keyingFitsTheSlot()
{
    for (BeaconIndex s = 0; s < BeaconCount; ++s) {
        const auto keys = BeaconKeying::transmission(s);
        QCOMPARE(keys.front().start, 0.0);
        // found even a second late, with the margin the correlation looks at
        QVERIFY2(keys.back().end + SlotAnalyzer::MaxOffsetSeconds + 0.2 <= SlotWindow::SpanSeconds - SlotWindow::LeadSeconds,
                 BeaconCatalogue::beacon(s).callsign.data());
        for (int d = 0; d < 4; ++d) {
            const auto &dash = keys[keys.size() - 4 + std::size_t(d)];
            QCOMPARE(dash.dash, d);
            QCOMPARE(dash.end - dash.start, 1.0);
        }
        // a word space before the dashes, letter spaces between them
        QVERIFY(qAbs(keys[keys.size() - 4].start - keys[keys.size() - 5].end - 7 * 0.054) < 1e-9);
        QVERIFY(qAbs(keys[keys.size() - 3].start - keys[keys.size() - 4].end - 3 * 0.054) < 1e-9);
    }
    // JA2IGY, the longest callsign: 73 elements, a word space of 7, then 4 dashes and 3 letter spaces.
    QVERIFY(qAbs(BeaconKeying::transmission(6).back().end - (80 * 0.054 + 4 + 9 * 0.054)) < 1e-9);
    QCOMPARE(BeaconKeying::morse('K'), std::string_view("-.-"));
    QCOMPARE(BeaconKeying::morse('6'), std::string_view("-...."));
}

// Blocks of uneven size, a stream that starts mid-slot and a gap that restarts it.
void TestMonitor::assemblerCutsSlots()
{
    const double rate = 8000;
    std::vector<qint64> bandsAsked;
    SlotAssembler a([&](qint64 slot) {
        bandsAsked.push_back(slot);
        return slot % 2 == 0 ? BandIndex(3) : BandIndex(-1);
    });
    const qint64 t0 = 1'800'000'000'000 + 4'300; // 4.3 s into a slot
    std::vector<float> ramp(std::size_t(rate * 60));
    for (std::size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = float(i);
    std::vector<SlotWindow> got;
    std::size_t at = 0;
    for (int size : {1, 999, 4000, 12345, 70000, 200000, 192655}) {
        for (auto &w : a.push(ramp.data() + at, size, rate, t0 + qint64(at * 1000 / rate)))
            got.push_back(std::move(w));
        at += std::size_t(size);
    }
    QCOMPARE(at, ramp.size());
    // Windows need 1.25 s before the slot: the first whole one is the next slot.
    const qint64 first = t0 / 10000 + 1;
    QCOMPARE(bandsAsked.front(), first);
    QCOMPARE(int(bandsAsked.size()), 5); // up to 64.3 s: the windows of slots +1..+5 are whole
    for (const SlotWindow &w : got) {
        QCOMPARE(w.slotNumber % 2, 0);
        QCOMPARE(w.band, 3);
        QCOMPARE(w.expected, SlotTiming::expectedStation(w.slotNumber, 3));
        QCOMPARE(qint64(w.samples.size()), qint64(SlotWindow::SpanSeconds * rate));
        const double startMs = double(w.slotStartUtcMs()) - 1250.0;
        QCOMPARE(double(w.samples.front()), std::round((startMs - double(t0)) * rate / 1000.0));
    }
    QCOMPARE(int(got.size()), 2);

    // A two-second gap: the stream starts again and no window straddles the gap.
    bandsAsked.clear();
    const qint64 later = t0 + 62'000;
    std::vector<float> quiet(std::size_t(rate * 30), 0.0f);
    const auto after = a.push(quiet.data(), qsizetype(quiet.size()), rate, later);
    QVERIFY(!bandsAsked.empty());
    QVERIFY(bandsAsked.front() * 10000 - 1250 >= later);
    for (const SlotWindow &w : after)
        QVERIFY(std::all_of(w.samples.begin(), w.samples.end(), [](float v) { return v == 0.0f; }));
    QCOMPARE(SlotTiming::expectedStation(0, 4), 14); // 00:00:00 on 10 m: CS3B
}

void TestMonitor::identityOfEveryStation_data()
{
    QTest::addColumn<int>("station");
    for (BeaconIndex s = 0; s < BeaconCount; ++s)
        QTest::newRow(BeaconCatalogue::beacon(s).callsign.data()) << s;
}

// At +6 dB every callsign is named and its start found within 50 ms, anywhere in the
// tone range and at offsets up to half a second either way.
void TestMonitor::identityOfEveryStation()
{
    QFETCH(int, station);
    ts::Noise noise(std::uint64_t(1000 + station));
    SlotAnalyzer analyzer;
    for (double offset : {-0.5, -0.137, 0.0, 0.29, 0.5}) {
        const ts::Beacon b{station, 6.0, 300 + 600 * noise.uniform(), offset};
        const SlotWindow w = ts::slot(b, noise, BandIndex(station % 5));
        const SlotMeasurement m = analyzer.analyze(w);
        QCOMPARE(m.expected, station);
        QCOMPARE(m.identified, station);
        QVERIFY2(qAbs(m.offsetSeconds - offset) < 0.05,
                 qPrintable(QStringLiteral("offset %1 measured %2").arg(offset).arg(m.offsetSeconds)));
        QVERIFY2(qAbs(m.toneHz - b.toneHz) < 1.0, qPrintable(QString::number(m.toneHz - b.toneHz)));
        QVERIFY(m.dashesHeard >= 3);
        QVERIFY2(qAbs(m.dashSnrDb[0] - 6.0) < 1.5, qPrintable(QString::number(m.dashSnrDb[0])));
        QVERIFY2(qAbs(m.dashSnrDb[1] + 4.0) < 1.5, qPrintable(QString::number(m.dashSnrDb[1])));
    }
}

// Detection and identity against SNR in 2.5 kHz, reported as a table.
void TestMonitor::detectionAgainstSnr()
{
    ts::Noise noise(77);
    SlotAnalyzer analyzer;
    qInfo("  SNR dB | slots | 100 W | 10 W | 1 W | 0.1 W | identity | offset rms ms");
    for (double snr : {6.0, 0.0, -6.0, -10.0, -15.0, -20.0, -25.0}) {
        const int slots = snr >= 0 ? 200 : 60;
        std::array<int, 4> heard{};
        int named = 0;
        double offsetSq = 0;
        for (int i = 0; i < slots; ++i) {
            const ts::Beacon b{BeaconIndex(i % BeaconCount), snr, 300 + 600 * noise.uniform(),
                               -0.5 + noise.uniform()};
            const SlotMeasurement m = analyzer.analyze(ts::slot(b, noise, BandIndex(i % 5)));
            for (int d = 0; d < m.dashesHeard; ++d)
                ++heard[std::size_t(d)];
            if (m.identified == b.station) {
                ++named;
                offsetSq += (m.offsetSeconds - b.offsetSeconds) * (m.offsetSeconds - b.offsetSeconds);
            }
        }
        const auto pct = [slots](int n) { return 100.0 * n / slots; };
        qInfo("  %+6.0f | %5d | %4.0f%% | %3.0f%% | %2.0f%% | %4.0f%% | %7.1f%% | %6.1f", snr, slots, pct(heard[0]),
              pct(heard[1]), pct(heard[2]), pct(heard[3]), pct(named), named ? 1000 * std::sqrt(offsetSq / named) : 0.0);
        if (snr == 0.0)
            QVERIFY2(pct(heard[0]) >= 95.0, "the 100-W dash at 0 dB");
        if (snr == 6.0)
            QVERIFY2(pct(named) >= 99.0, "identity at +6 dB");
    }
}

// Noise alone over a thousand slots: what the heard threshold was chosen from.
void TestMonitor::falseAlarmsInNoise()
{
    ts::Noise noise(4242);
    SlotAnalyzer analyzer;
    const int slots = 1000;
    int alarms = 0;
    for (int i = 0; i < slots; ++i) {
        const SlotMeasurement m = analyzer.analyze(ts::slot({-1, 0, 600, 0}, noise));
        alarms += m.heard() ? 1 : 0;
    }
    qInfo("  noise alone: %d of %d slots heard (%.2f %%), threshold %.1f dB in the dash's bin", alarms, slots,
          100.0 * alarms / slots, SlotAnalyzer::HeardThresholdDb);
    QVERIFY(alarms <= slots / 100);
}

// The level a window shows for a station and band: the lowest power heard in the last
// slot measured, only while that slot is less than a quarter of an hour old.
void TestMonitor::latestLevels_data()
{
    QTest::addColumn<int>("heardFirst");
    QTest::addColumn<int>("heardLater"); // -1: no later slot; recorded after the first
    QTest::addColumn<qint64>("laterSlotDelta");
    QTest::addColumn<qint64>("ageMs");   // from the start of the first slot
    QTest::addColumn<QString>("text");

    QTest::newRow("100 W only") << 1 << -1 << qint64(0) << qint64(20000) << QStringLiteral("100 W");
    QTest::newRow("down to 0.1 W") << 4 << -1 << qint64(0) << qint64(20000) << QStringLiteral("0.1 W");
    QTest::newRow("measured, not heard") << 0 << -1 << qint64(0) << qint64(20000) << QStringLiteral("-");
    QTest::newRow("just under 15 min") << 2 << -1 << qint64(0) << qint64(15 * 60000) << QStringLiteral("10 W");
    QTest::newRow("older than 15 min") << 2 << -1 << qint64(0) << qint64(15 * 60000 + 1) << QString();
    QTest::newRow("later slot replaces") << 1 << 3 << qint64(18) << qint64(200000) << QStringLiteral("1 W");
    QTest::newRow("earlier slot arriving late is ignored") << 3 << 1 << qint64(-18) << qint64(20000)
                                                           << QStringLiteral("1 W");
}

void TestMonitor::latestLevels()
{
    QFETCH(int, heardFirst);
    QFETCH(int, heardLater);
    QFETCH(qint64, laterSlotDelta);
    QFETCH(qint64, ageMs);
    QFETCH(QString, text);

    const qint64 slot = 176000000;
    const BandIndex band = 2;
    LatestLevels levels;
    const SlotMeasurement first = row(slot, band, heardFirst);
    QCOMPARE(levels.text(first.expected, band, first.slotStartUtcMs() + ageMs), QString());
    levels.record(first);
    if (heardLater >= 0)
        levels.record(row(slot + laterSlotDelta, band, heardLater));
    QCOMPARE(levels.text(first.expected, band, first.slotStartUtcMs() + ageMs), text);
    // Other bands and stations know nothing of it.
    QCOMPARE(levels.text(first.expected, band + 1, first.slotStartUtcMs() + ageMs), QString());
    QCOMPARE(levels.text((first.expected + 1) % BeaconCount, band, first.slotStartUtcMs() + ageMs), QString());
}

void TestMonitor::clockOffsetTracker()
{
    ClockOffsetTracker t;
    auto add = [&t](qint64 slot, double offset, bool heard = true, bool match = true) {
        SlotMeasurement m = row(slot, 0, heard ? 2 : 0);
        m.offsetSeconds = offset;
        if (!match)
            m.identified = (m.expected + 1) % BeaconCount;
        t.add(m);
    };
    for (int i = 0; i < 4; ++i)
        add(100 + i, 0.42);
    QVERIFY(!t.offsetSeconds());
    add(104, 0.9, false);       // not heard: ignored
    add(105, -0.9, true, false); // another station: ignored
    QVERIFY(!t.offsetSeconds());
    add(106, 0.35);
    QCOMPARE(*t.offsetSeconds(), 0.42);
    QVERIFY(t.clockIsOff());
    add(107, 0.1); // one slot within the tolerance: not off any more
    QVERIFY(!t.clockIsOff());
    QCOMPARE(*t.offsetSeconds(), 0.42);
    add(300, -0.5); // an hour later, the old slots no longer count
    QVERIFY(!t.offsetSeconds());
}

void TestMonitor::scanRotationCoversEveryPair()
{
    for (qint64 start : {qint64(0), qint64(177'777'777), qint64(-7)}) {
        std::set<std::pair<int, int>> pairs;
        for (qint64 k = start; k < start + ScanRotation::SlotsPerRotation; ++k) {
            const BandIndex band = ScanRotation::bandForSlot(k);
            QVERIFY(band >= 0 && band < BandCount);
            pairs.insert({SlotTiming::expectedStation(k, band), band});
        }
        QCOMPARE(int(pairs.size()), 90);
    }
    // One station climbs the five bands in five slots.
    const qint64 k = 90 * 1000; // 20 m at the start of a rotation
    QCOMPARE(ScanRotation::bandForSlot(k), 0);
    for (int i = 1; i < 5; ++i)
        QCOMPARE(SlotTiming::expectedStation(k + i, ScanRotation::bandForSlot(k + i)),
                 SlotTiming::expectedStation(k, 0));
}

void TestMonitor::wavFormats_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("channels");
    QTest::addColumn<bool>("extensible");
    QTest::addColumn<double>("tolerance");
    QTest::newRow("8-bit PCM") << 1 << 8 << 1 << false << 0.01;
    QTest::newRow("16-bit PCM") << 1 << 16 << 1 << false << 1e-4;
    QTest::newRow("16-bit stereo") << 1 << 16 << 2 << false << 1e-4;
    QTest::newRow("24-bit PCM") << 1 << 24 << 1 << false << 1e-6;
    QTest::newRow("32-bit PCM") << 1 << 32 << 1 << false << 1e-6;
    QTest::newRow("32-bit float") << 3 << 32 << 1 << false << 1e-7;
    QTest::newRow("64-bit float") << 3 << 64 << 1 << false << 1e-7;
    QTest::newRow("extensible 24-bit") << 1 << 24 << 2 << true << 1e-6;
}

void TestMonitor::wavFormats()
{
    QFETCH(int, format);
    QFETCH(int, bits);
    QFETCH(int, channels);
    QFETCH(bool, extensible);
    QFETCH(double, tolerance);
    std::vector<double> values;
    for (int i = 0; i < 1000; ++i)
        values.push_back(0.9 * std::sin(i * 0.37) * (i % 3 == 0 ? -1 : 1));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("r.wav"));
    QVERIFY(writeFile(path, wavBytes({quint16(format), quint16(channels), 11025, quint16(bits), extensible}, values)));
    WavReader r;
    QVERIFY2(r.open(path), qPrintable(r.errorText()));
    QCOMPARE(r.sampleRate(), 11025.0);
    QCOMPARE(r.frameCount(), qint64(values.size()));
    std::vector<float> all;
    for (;;) {
        const auto block = r.read(333);
        if (block.empty())
            break;
        all.insert(all.end(), block.begin(), block.end());
    }
    QCOMPARE(all.size(), values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        QVERIFY2(qAbs(all[i] - values[i]) <= tolerance, qPrintable(QString::number(i)));
}

void TestMonitor::badWav_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    const std::vector<double> one(100, 0.1);
    const QByteArray good = wavBytes({}, one);
    QByteArray noData = good.left(good.indexOf("data"));
    QByteArray badAlign = good;
    qToLittleEndian<quint16>(3, badAlign.data() + good.indexOf("fmt ") + 8 + 12);
    QTest::newRow("empty") << QByteArray() << QStringLiteral("it is not a WAV file (no RIFF/WAVE header).");
    QTest::newRow("garbage") << QByteArray(5000, 'x') << QStringLiteral("it is not a WAV file (no RIFF/WAVE header).");
    QTest::newRow("MP3 renamed") << QByteArray("ID3\3\0\0\0\0\0\0garbage") << QStringLiteral("it is not a WAV file");
    QTest::newRow("ADPCM") << wavBytes({2, 1, 8000, 4}, {}) << QStringLiteral("its encoding (format 2) is neither PCM nor floating point");
    QTest::newRow("12-bit") << wavBytes({1, 1, 8000, 12}, {}) << QStringLiteral("12-bit PCM samples are not supported.");
    QTest::newRow("telephone rate") << wavBytes({1, 1, 2000, 16}, one) << QStringLiteral("its sample rate of 2000 Hz is outside");
    QTest::newRow("no data chunk") << noData << QStringLiteral("it holds no sound (no \"data\" chunk).");
    QTest::newRow("header only") << good.left(12) << QStringLiteral("it has no format (\"fmt \") chunk.");
    QTest::newRow("damaged layout") << badAlign << QStringLiteral("its channel layout is damaged");
    QTest::newRow("empty data") << wavBytes({}, {}) << QStringLiteral("it holds no sound.");
}

void TestMonitor::badWav()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bad.wav"));
    QVERIFY(writeFile(path, bytes));
    WavReader r;
    QVERIFY(!r.open(path));
    QVERIFY2(r.errorText().startsWith(QStringLiteral("bad.wav cannot be analysed: ")), qPrintable(r.errorText()));
    QVERIFY2(r.errorText().contains(message), qPrintable(r.errorText()));
    QVERIFY(r.read(100).empty());

    // The engine passes the reason on and stays ready for the next recording.
    MonitorLog log;
    QVERIFY(log.open(dir.filePath(QStringLiteral("log.sqlite"))));
    MonitorEngine engine(log);
    QString error;
    QVERIFY(!engine.analyzeRecording(path, 0, 0, error));
    QCOMPARE(error, r.errorText());
    QVERIFY(!engine.recordingBusy());
    QVERIFY(!engine.analyzeRecording(dir.filePath(QStringLiteral("missing.wav")), 0, 0, error));
    QVERIFY2(error.contains(QStringLiteral("cannot be read")), qPrintable(error));
}

// A 16-bit recording of 15 m, starting 3.4 s into a slot: every whole slot in it is
// measured through the same path as live audio and written to the log.
void TestMonitor::recordingThroughTheEngine()
{
    const double rate = 8000;
    const qint64 start = 1'800'000'000'000 + 123'400; // slot ...12, 3.4 s in
    const int seconds = 64;
    std::vector<float> audio(std::size_t(rate * seconds), 0.0f);
    ts::Noise noise(9);
    const BandIndex band = 2;
    for (qint64 slot = start / 10000; slot <= (start + seconds * 1000) / 10000; ++slot) {
        const BeaconIndex station = SlotTiming::expectedStation(slot, band);
        ts::addBeacon(audio, rate, double(start - slot * 10000) / 1000.0, {station, 3.0, 700, 0.12});
    }
    ts::addNoise(audio, rate, noise);
    std::vector<double> frames(audio.begin(), audio.end());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("15m.wav"));
    QVERIFY(writeFile(path, wavBytes({}, frames)));

    MonitorLog log;
    QVERIFY(log.open(dir.filePath(QStringLiteral("log.sqlite"))));
    MonitorEngine engine(log);
    QSignalSpy finished(&engine, &MonitorEngine::recordingFinished);
    QSignalSpy measured(&engine, &MonitorEngine::measured);
    QString error;
    QVERIFY2(engine.analyzeRecording(path, start, band, error), qPrintable(error));
    QVERIFY(engine.recordingBusy());
    QVERIFY(!engine.analyzeRecording(path, start, band, error));
    QVERIFY(finished.wait(20000));
    QCOMPARE(finished.at(0).at(2).toString(), QString());
    // Slots 13 (its window opens at 128.75 s) to 17 (closes at 180.25 s, before 187.4 s).
    QCOMPARE(finished.at(0).at(0).toInt(), 5);
    QCOMPARE(finished.at(0).at(1).toInt(), 5);
    QCOMPARE(measured.count(), 5);
    QCOMPARE(log.count(), 5);
    for (const SlotMeasurement &m : log.history(0, -1, -1)) {
        QCOMPARE(m.band, band);
        QCOMPARE(m.identified, m.expected);
        QVERIFY(qAbs(m.offsetSeconds - 0.12) < 0.05);
        QVERIFY(qAbs(m.toneHz - 700) < 1);
    }
    // Analysing it again replaces the rows instead of doubling them.
    QVERIFY(engine.analyzeRecording(path, start, band, error));
    QVERIFY(finished.wait(20000));
    QCOMPARE(log.count(), 5);

    // Digital silence (a muted input, a gap in a recording) has no noise floor to measure
    // against: it is no measurement, not a slot where nothing was heard.
    const QString silent = dir.filePath(QStringLiteral("silent.wav"));
    QVERIFY(writeFile(silent, wavBytes({}, std::vector<double>(frames.size(), 0.0))));
    QVERIFY(engine.analyzeRecording(silent, start + 3'600'000, band, error));
    QVERIFY(finished.wait(20000));
    QCOMPARE(finished.last().at(0).toInt(), 0);
    QCOMPARE(log.count(), 5);
}

// Every sample format a sound input may offer, at its extremes and in between.
void TestMonitor::soundCardSamplesAsFloats_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<float>>("expected");
    const auto bytesOf = [](const auto &values) {
        return QByteArray(reinterpret_cast<const char *>(values.data()), qsizetype(values.size() * sizeof(values[0])));
    };
    QTest::newRow("unsigned 8 bits") << int(QAudioFormat::UInt8) << bytesOf(std::array<quint8, 4>{0, 64, 128, 255})
                                     << QList<float>{-1.0f, -0.5f, 0.0f, 127.0f / 128};
    QTest::newRow("16 bits") << int(QAudioFormat::Int16) << bytesOf(std::array<qint16, 4>{-32768, -16384, 0, 32767})
                             << QList<float>{-1.0f, -0.5f, 0.0f, 32767.0f / 32768};
    QTest::newRow("32 bits") << int(QAudioFormat::Int32)
                             << bytesOf(std::array<qint32, 4>{std::numeric_limits<qint32>::min(), -(1 << 30), 0, 1 << 30})
                             << QList<float>{-1.0f, -0.5f, 0.0f, 0.5f};
    QTest::newRow("float") << int(QAudioFormat::Float) << bytesOf(std::array<float, 4>{-1.0f, -0.25f, 0.0f, 0.75f})
                           << QList<float>{-1.0f, -0.25f, 0.0f, 0.75f};
}

void TestMonitor::soundCardSamplesAsFloats()
{
    QFETCH(int, format);
    QFETCH(QByteArray, bytes);
    QFETCH(QList<float>, expected);
    std::vector<float> out(std::size_t(expected.size()), 9.0f);
    // Read from an odd address, as a block may start anywhere in the sound server's buffer.
    const QByteArray shifted = QByteArray(1, '\0') + bytes;
    convertSamples(shifted.constData() + 1, expected.size(), QAudioFormat::SampleFormat(format), out.data());
    for (qsizetype i = 0; i < expected.size(); ++i)
        QVERIFY2(std::abs(out[std::size_t(i)] - expected[i]) < 1e-6f, qPrintable(QString::number(i)));
}

// A sound card's rate is cut to the analysis rate by a power of two. Fed in blocks of
// uneven size with a gap that restarts it, the output carries a tone in the tone's range
// unchanged in level and phase at the times it says its samples were taken, and nothing
// of a tone that would fold back onto the tone's range.
void TestMonitor::decimatorKeepsToneAndTime_data()
{
    QTest::addColumn<double>("rate");
    QTest::addColumn<int>("factor");
    QTest::newRow("48 kHz") << 48000.0 << 4;
    QTest::newRow("44.1 kHz") << 44100.0 << 4;
    QTest::newRow("96 kHz") << 96000.0 << 8;
    QTest::newRow("22.05 kHz") << 22050.0 << 2;
    QTest::newRow("16 kHz: left as it is") << 16000.0 << 1;
    QTest::newRow("8 kHz: left as it is") << 8000.0 << 1;
}

void TestMonitor::decimatorKeepsToneAndTime()
{
    QFETCH(double, rate);
    QFETCH(int, factor);
    QCOMPARE(Decimator::factorFor(rate), factor);
    Decimator d;
    d.setup(rate, 2);
    QCOMPARE(d.outputRate(), rate / factor);
    // Left: a 1.8 kHz tone; right: a tone that folds onto 1 kHz after the cut (or, left
    // as it is, another tone in range), both at half scale.
    const double kept = 1800, folding = factor > 1 ? rate / factor - 1000 : 1000;
    const double start = 1.7e12; // ms; the signal is worked out from ms since then
    const auto signal = [](double hz, double ms) { return 0.5 * std::sin(2 * std::numbers::pi * hz * ms / 1000.0); };
    const int sizes[] = {1, 37, 480, 4097, 13, 2400};
    double maxLeftError = 0, foldedPower = 0;
    qint64 at = 0, outputs = 0;
    std::vector<float> in, out;
    for (int b = 0; b < 60; ++b) {
        const qint64 frames = sizes[b % std::size(sizes)];
        // A second missing after block 30: the filter starts afresh.
        const double blockMs = double(at) * 1000.0 / rate + (b >= 30 ? 1000.0 : 0.0);
        in.resize(std::size_t(2 * frames));
        for (qint64 i = 0; i < frames; ++i) {
            const double ms = blockMs + double(i) * 1000.0 / rate;
            in[std::size_t(2 * i)] = float(signal(kept, ms));
            in[std::size_t(2 * i + 1)] = float(signal(folding, ms));
        }
        at += frames;
        const double firstMs = d.process(in.data(), frames, start + blockMs, out) - start;
        QCOMPARE(out.size() % 2, std::size_t(0));
        for (std::size_t j = 0; j < out.size() / 2; ++j) {
            const double ms = firstMs + double(j) * factor * 1000.0 / rate;
            maxLeftError = std::max(maxLeftError, std::abs(double(out[2 * j]) - signal(kept, ms)));
            if (factor > 1)
                foldedPower += double(out[2 * j + 1]) * out[2 * j + 1];
        }
        outputs += qint64(out.size() / 2);
    }
    // Every input frame comes out once, less the filter's length at the start and after the gap.
    const double lost = factor > 1 ? 2 * 16.0 : 0.0; // the filter spans 16 output samples
    QVERIFY2(std::abs(double(outputs) - (double(at) / factor - lost)) <= 2, qPrintable(QString::number(outputs)));
    QVERIFY2(maxLeftError < 0.005, qPrintable(QString::number(maxLeftError)));
    if (factor > 1)
        QVERIFY2(10 * std::log10(foldedPower / double(outputs) / 0.125 + 1e-30) < -60, qPrintable(QString::number(foldedPower)));
}

// A slot heard at 48 kHz and the same audio cut to 12 kHz measure alike: the same
// station, the same dashes heard and each dash's SNR within half a dB (noise from above
// the new rate's half folding back would raise the floor and lower them).
void TestMonitor::decimatedSlotMeasuresAlike_data()
{
    QTest::addColumn<double>("snrDb");
    QTest::addColumn<double>("toneHz");
    QTest::addColumn<double>("pitchHz");
    QTest::newRow("+10 dB at 600 Hz") << 10.0 << 640.0 << 600.0;
    QTest::newRow("-5 dB at 600 Hz") << -5.0 << 560.0 << 600.0;
    QTest::newRow("+3 dB at 1.5 kHz, the highest pitch") << 3.0 << 1700.0 << 1500.0;
}

void TestMonitor::decimatedSlotMeasuresAlike()
{
    QFETCH(double, snrDb);
    QFETCH(double, toneHz);
    QFETCH(double, pitchHz);
    const double rate = 48000;
    ts::Noise noise(4242);
    const BandIndex band = 2;
    const ts::Beacon beacon{7, snrDb, toneHz, 0.2};
    // Half a second more on either side than a window, so the cut one can be taken from it.
    const double pad = 0.5;
    std::vector<float> full(std::size_t(std::lround((SlotWindow::SpanSeconds + 2 * pad) * rate)), 0.0f);
    ts::addBeacon(full, rate, -SlotWindow::LeadSeconds - pad, beacon);
    ts::addNoise(full, rate, noise);

    SlotWindow wide = ts::emptySlot(beacon.station + band, band, rate);
    std::copy_n(full.begin() + std::lround(pad * rate), wide.samples.size(), wide.samples.begin());

    Decimator d;
    d.setup(rate, 1);
    std::vector<float> cut;
    const double firstMs = d.process(full.data(), qsizetype(full.size()), -pad * 1000.0, cut);
    SlotWindow narrow = ts::emptySlot(wide.slotNumber, band, d.outputRate());
    const auto skip = std::lround(-firstMs * d.outputRate() / 1000.0);
    QVERIFY(skip >= 0 && std::size_t(skip) + narrow.samples.size() <= cut.size());
    std::copy_n(cut.begin() + skip, narrow.samples.size(), narrow.samples.begin());

    SlotAnalyzer analyzer({pitchHz, 300});
    const SlotMeasurement a = analyzer.analyze(wide), b = analyzer.analyze(narrow);
    QCOMPARE(a.identified, beacon.station);
    QCOMPARE(b.identified, a.identified);
    QCOMPARE(b.dashesHeard, a.dashesHeard);
    for (std::size_t i = 0; i < a.dashSnrDb.size(); ++i) {
        if (std::isnan(a.dashSnrDb[i])) {
            QVERIFY(std::isnan(b.dashSnrDb[i]));
            continue;
        }
        QVERIFY2(std::abs(a.dashSnrDb[i] - b.dashSnrDb[i]) < 0.5,
                 qPrintable(QStringLiteral("dash %1: %2 dB at 48 kHz, %3 dB at 12 kHz").arg(i).arg(a.dashSnrDb[i]).arg(b.dashSnrDb[i])));
    }
    QVERIFY(std::abs(a.offsetSeconds - b.offsetSeconds) < 0.005);
}

// Five receivers at once, one per band, their blocks arriving interleaved, for two whole
// cycles: every pair of station and band is logged with its station, band and all four
// dashes, from the input that heard it. One input going quiet for twenty seconds (its
// device gone) holds up none of the others, and its stream starts afresh by itself when
// the audio comes back.
void TestMonitor::severalInputsAtOnce()
{
    const double rate = 8000;
    const qint64 start = 1'800'000'000'000 + 3'400; // 3.4 s into a cycle's first slot
    const int seconds = 2 * 180 + 12;
    const double tones[] = {520, 700, 610, 450, 760};
    QTemporaryDir dir;
    MonitorLog log;
    QVERIFY(log.open(dir.filePath(QStringLiteral("log.sqlite"))));
    MonitorEngine engine(log);
    std::vector<std::vector<float>> audio;
    for (BandIndex band = 0; band < BandCount; ++band) {
        std::vector<float> a(std::size_t(rate * seconds), 0.0f);
        ts::Noise noise(std::uint64_t(20 + band));
        for (qint64 slot = start / 10000; slot <= (start + seconds * 1000) / 10000; ++slot)
            ts::addBeacon(a, rate, double(start - slot * 10000) / 1000.0,
                          {SlotTiming::expectedStation(slot, band), 15.0, tones[band], 0.12});
        ts::addNoise(a, rate, noise);
        audio.push_back(std::move(a));
        engine.setBandForSlot(band, [band](qint64) { return band; });
    }
    const int block = int(rate / 10);
    const int goneFrom = 1000, goneTo = 1200; // input 1, from 100 s to 120 s
    for (int b = 0; b < seconds * 10; ++b)
        for (int i = 0; i < BandCount; ++i)
            if (i != 1 || b < goneFrom || b >= goneTo)
                engine.pushSamples(i, audio[std::size_t(i)].data() + qsizetype(b) * block, block, rate, start + b * 100);
    engine.waitForIdle();

    std::set<std::pair<BeaconIndex, BandIndex>> pairs;
    std::map<int, std::set<qint64>> slotsOf;
    for (const SlotMeasurement &m : log.history(0, -1, -1)) {
        QVERIFY(m.input >= 0 && m.input < BandCount);
        QCOMPARE(m.band, m.input);
        QCOMPARE(m.identified, m.expected);
        QCOMPARE(m.dashesHeard, 4);
        QVERIFY(qAbs(m.toneHz - tones[m.input]) < 1);
        QVERIFY(qAbs(m.offsetSeconds - 0.12) < 0.05);
        pairs.insert({m.station(), m.band});
        slotsOf[m.input].insert(m.slotNumber - start / 10000);
    }
    QCOMPARE(int(pairs.size()), BeaconCount * BandCount);
    // Slots 1 to 36 (slot 0's window opened before the audio; 36's closes at 370.25 s).
    for (int i : {0, 2, 3, 4})
        QCOMPARE(int(slotsOf[i].size()), 36);
    // Input 1 loses the slots whose windows reach into 100..120 s: 10 to 12 (9 closes at
    // 100.25 s but is cut short too, as the gap starts before its end).
    std::set<qint64> expected;
    for (qint64 n = 1; n <= 36; ++n)
        if (n * 10000 + 10'250 - 3'400 <= goneFrom * 100 || n * 10000 - 1'250 - 3'400 >= goneTo * 100)
            expected.insert(n);
    QCOMPARE(slotsOf[1], expected);
}

// A log written before the inputs were told apart keeps every row and takes the new ones.
void TestMonitor::olderLogGainsTheInputColumn()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("monitor.sqlite"));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("older"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec(QStringLiteral(
            "CREATE TABLE slot_measurements (slot INTEGER NOT NULL, band INTEGER NOT NULL, station INTEGER NOT NULL,"
            " identified INTEGER, identity_score REAL, tone_hz REAL, offset_s REAL,"
            " snr_100w REAL, snr_10w REAL, snr_1w REAL, snr_01w REAL,"
            " dashes_heard INTEGER NOT NULL, noise_db REAL, source TEXT, scheduled INTEGER, callsign TEXT,"
            " PRIMARY KEY (slot, band))")));
        QVERIFY(q.exec(QStringLiteral("INSERT INTO slot_measurements VALUES "
                                      "(180000000, 0, 3, 3, 0.9, 600, 0.1, 10, 0, NULL, NULL, 2, -60, 'live', NULL, NULL)")));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("older"));

    MonitorLog log;
    QVERIFY2(log.open(path), qPrintable(log.errorText()));
    QCOMPARE(log.count(), 1);
    SlotMeasurement m = row(180'000'001, 0, 1);
    m.input = 4;
    QVERIFY(log.append(m));
    const auto rows = log.history(0, -1, -1);
    QCOMPARE(int(rows.size()), 2);
    QCOMPARE(rows[0].dashesHeard, 2);
    QCOMPARE(rows[0].input, -1);
    QCOMPARE(rows[1].input, 4);
}

// A two-channel card with a receiver on each channel: the left one is 20 m, the right
// one 12 m. Each band's line takes its own channel and nothing of the other's; a line
// asking for a channel the card does not have says so.
void TestMonitor::twoChannelInputSplitIntoTwoBands()
{
    const double rate = 8000;
    const qint64 start = 1'800'000'000'000 + 123'400;
    const int seconds = 40;
    const BandIndex left = 0, right = 3;
    QTemporaryDir dir;
    MonitorLog log;
    QVERIFY(log.open(dir.filePath(QStringLiteral("log.sqlite"))));
    MonitorEngine engine(log);
    BandInputs inputs(engine, [] { return qint64(0); });
    inputs.setLine(left, {"card", 1, 600});
    inputs.setLine(right, {"card", 2, 600});
    inputs.setLine(1, {"card", 5, 600});
    QSignalSpy levels(&inputs, &BandInputs::levelChanged);

    std::vector<float> frames(std::size_t(rate * seconds) * 2, 0.0f);
    for (int c = 0; c < 2; ++c) {
        const BandIndex band = c == 0 ? left : right;
        std::vector<float> a(std::size_t(rate * seconds), 0.0f);
        ts::Noise noise(std::uint64_t(40 + c));
        for (qint64 slot = start / 10000; slot <= (start + seconds * 1000) / 10000; ++slot)
            ts::addBeacon(a, rate, double(start - slot * 10000) / 1000.0,
                          {SlotTiming::expectedStation(slot, band), 3.0, 600, 0.12});
        ts::addNoise(a, rate, noise);
        for (std::size_t i = 0; i < a.size(); ++i)
            frames[2 * i + std::size_t(c)] = a[i];
    }
    const std::size_t block = std::size_t(rate / 10);
    for (std::size_t b = 0; b < std::size_t(seconds * 10); ++b)
        inputs.takeFrames("card", std::vector<float>(frames.begin() + long(2 * b * block), frames.begin() + long(2 * (b + 1) * block)),
                          2, rate, start + qint64(b) * 100);
    engine.waitForIdle();

    const auto rows = log.history(0, -1, -1);
    QCOMPARE(int(rows.size()), 2 * 3); // slots 13 to 15 on each channel
    for (const SlotMeasurement &m : rows) {
        QVERIFY(m.band == left || m.band == right);
        QCOMPARE(m.input, m.band);
        QCOMPARE(m.identified, m.expected);
        QVERIFY(m.heard());
    }
    QVERIFY2(inputs.status(1).contains(QStringLiteral("no channel 5")), qPrintable(inputs.status(1)));
    QVERIFY(inputs.status(left).isEmpty());
    QCOMPARE(levels.count(), 2 * seconds * 10);
}

// An input that cannot be opened (unplugged, gone) is shown on its line and tried again
// every few seconds by the watch timer; a line on another input is not held up.
void TestMonitor::failingInputIsShownAndRetried()
{
    QTemporaryDir dir;
    MonitorLog log;
    QVERIFY(log.open(dir.filePath(QStringLiteral("log.sqlite"))));
    MonitorEngine engine(log);
    qint64 now = 1'800'000'000'000;
    BandInputs inputs(engine, [&now] { return now; });
    QVERIFY(!inputs.start()); // no line names an input
    inputs.setLine(2, {"no-such-input", 0, 700});
    inputs.setLine(4, {"other", 0, 600});
    QSignalSpy status(&inputs, &BandInputs::statusChanged);
    QVERIFY(inputs.start());
    QVERIFY(inputs.running());
    QVERIFY2(inputs.status(2).contains(QStringLiteral("Trying again every 5 s.")), qPrintable(inputs.status(2)));
    const int failures = int(status.count());
    QVERIFY(failures >= 1);

    // Not yet due: nothing is tried. Due: it is tried again (and fails again here).
    now += BandInputs::RetryMs - 1000;
    inputs.WatchTimer_Timer();
    QCOMPARE(int(status.count()), failures);
    // The other input delivering is its own affair.
    inputs.takeFrames("other", std::vector<float>(800, 0.01f), 1, 8000, now);
    QVERIFY(inputs.status(4).isEmpty());
    now += 1000;
    inputs.WatchTimer_Timer();
    QVERIFY(!inputs.status(2).isEmpty());
    inputs.stop();
    QVERIFY(inputs.status(2).isEmpty());
    QVERIFY(!inputs.running());
}

void TestMonitor::recordingStartFromTheFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("band");
    const QString fromFileTime = QStringLiteral("2026-12-10T10:09:30Z"); // modified 10:19:30, 600 s long
    QTest::newRow("stamp and Hz") << "SDR_20261210_101500Z_14100000Hz_AF.wav" << "2026-12-10T10:15:00Z" << 0;
    QTest::newRow("kHz off by the pitch") << "HDSDR_20261210_101500Z_18110kHz_AF.wav" << "2026-12-10T10:15:00Z" << 1;
    QTest::newRow("MHz with decimals") << "rec 20261210T235959Z 28.2006 MHz.wav" << "2026-12-10T23:59:59Z" << 4;
    QTest::newRow("not a beacon frequency") << "x_20261210_101500Z_7030000Hz.wav" << "2026-12-10T10:15:00Z" << -1;
    QTest::newRow("no stamp") << "beacons-15m-21150kHz.wav" << fromFileTime << 2;
    QTest::newRow("no date in it at all") << "recording.wav" << fromFileTime << -1;
    QTest::newRow("impossible date") << "r_20261340_101500Z.wav" << fromFileTime << -1;
    QTest::newRow("too many digits") << "r_2026121010150012.wav" << fromFileTime << -1;
}

void TestMonitor::recordingStartFromTheFile()
{
    QFETCH(QString, name);
    QFETCH(QString, start);
    QFETCH(int, band);
    const qint64 modified = QDateTime::fromString(QStringLiteral("2026-12-10T10:19:30Z"), Qt::ISODate).toMSecsSinceEpoch();
    const RecordingStartGuess g = guessRecordingStart(QStringLiteral("/some/folder/") + name, modified, 600.0);
    QCOMPARE(QDateTime::fromMSecsSinceEpoch(g.startUtcMs, Qt::UTC).toString(Qt::ISODate), start);
    QCOMPARE(g.fromName, start != QLatin1String("2026-12-10T10:09:30Z"));
    QCOMPARE(g.band, band);
}

void TestMonitor::logRowsQueriesAndCsv()
{
    QTemporaryDir dir;
    MonitorLog log;
    QVERIFY(log.open(dir.filePath(QStringLiteral("sub/folder/monitor.sqlite"))));
    const qint64 base = 180'000'000; // a slot number: 2027-01-15
    QVERIFY(log.append({row(base, 0, 4, 12.0), row(base, 1, 0), row(base + 5, 0, 1), row(base + 18, 0, 2)},
                       QStringLiteral("recording")));
    SlotMeasurement third = row(base + 5, 0, 3);
    third.input = 2; // heard live on the third input
    QVERIFY(log.append(third));   // the same slot and band again: replaced
    QCOMPARE(log.count(), 4);

    const auto latest = log.latestPerPair();
    QCOMPARE(int(latest.size()), 3); // (station of base on 0) twice in 18 slots -> one pair
    for (const auto &m : latest)
        if (m.band == 0 && m.expected == SlotTiming::expectedStation(base, 0))
            QCOMPARE(m.slotNumber, base + 18);
    const auto band0 = log.history(0, -1, 0);
    QCOMPARE(int(band0.size()), 3);
    QCOMPARE(band0[1].dashesHeard, 3);
    QCOMPARE(band0[1].input, 2);
    QCOMPARE(band0[0].input, -1);
    QCOMPARE(int(log.history((base + 1) * 10000, -1, -1).size()), 2);
    QCOMPARE(int(log.history(0, SlotTiming::expectedStation(base, 1), -1).size()), 1);
    QVERIFY(std::isnan(band0[0].dashSnrDb[2]));

    const QString csv = dir.filePath(QStringLiteral("log.csv"));
    QVERIFY2(log.exportCsv(csv), qPrintable(log.errorText()));
    QFile f(csv);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    QCOMPARE(lines.size(), 6);
    QCOMPARE(lines[0], QByteArray("utc,band_m,frequency_mhz,station,identified,identity_score,tone_hz,offset_s,"
                                  "snr_100w_db,snr_10w_db,snr_1w_db,snr_01w_db,heard_at,noise_db,source,input"));
    const QString first = QStringLiteral("2027-01-15T08:00:00Z,20,14.100,%1,%1,0.900,612.5,-0.021,12.0,2.0,,,0.1 W,-60.0,recording,")
                              .arg(QLatin1String(BeaconCatalogue::beacon(SlotTiming::expectedStation(base, 0)).callsign.data()));
    QCOMPARE(QString::fromUtf8(lines[1]), first);
    QVERIFY(lines[2].startsWith("2027-01-15T08:00:00Z,17,18.110,"));
    QVERIFY(lines[3].endsWith(",1 W,-60.0,live,3"));
    QVERIFY(lines[4].endsWith(",10 W,-60.0,recording,"));
    QVERIFY(!log.exportCsv(dir.filePath(QStringLiteral("no/such/folder/x.csv"))));
    QVERIFY(log.errorText().contains(QStringLiteral("cannot be written")));
}

// A writer killed with SIGKILL in the middle of its writes leaves a whole log behind:
// every row it committed, none half written.
void TestMonitor::logSurvivesKill()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("monitor.sqlite"));
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QLatin1String(KillChildVariable), path);
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForReadyRead(20000)); // the child says when it has written a good many rows
    child.kill();
    QVERIFY(child.waitForFinished(10000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);

    MonitorLog log;
    QVERIFY(log.open(path));
    const qint64 rows = log.count();
    QVERIFY2(rows >= 200, qPrintable(QString::number(rows)));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
    {
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec(QStringLiteral("PRAGMA integrity_check")) && q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("ok"));
        // Rows go in batches of ten: a killed batch leaves none of its rows.
        QVERIFY(q.exec(QStringLiteral("SELECT COUNT(*), MIN(slot), MAX(slot) FROM slot_measurements")) && q.next());
        QCOMPARE(q.value(0).toLongLong() % 10, 0);
        QCOMPARE(q.value(2).toLongLong() - q.value(1).toLongLong() + 1, q.value(0).toLongLong());
        db.close();
    }
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
}

// The child of logSurvivesKill: writes batches until it is killed.
static int logWriterChild(const QString &path)
{
    MonitorLog log;
    if (!log.open(path))
        return 2;
    for (qint64 slot = 0;; slot += 10) {
        std::vector<SlotMeasurement> batch;
        for (int i = 0; i < 10; ++i)
            batch.push_back(row(slot + i, 0, 1));
        if (!log.append(batch, QStringLiteral("live")))
            return 3;
        if (slot == 200) {
            std::fputs("ready\n", stdout);
            std::fflush(stdout);
        }
    }
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet(KillChildVariable))
        return logWriterChild(qEnvironmentVariable(KillChildVariable));
    TestMonitor test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_monitor.moc"

// The callsigns a station may send: the catalogue's, the known others, and a user's file
// whose bad lines are reported by number and left out while the good ones count.
void TestMonitor::callsignTable_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("added");   // "station:CALL" taken from the text
    QTest::addColumn<QList<int>>("badLines");

    QTest::newRow("empty") << QString() << QStringList() << QList<int>();
    QTest::newRow("comments and blanks") << QStringLiteral("# mine\n\n   \n# more\n") << QStringList() << QList<int>();
    QTest::newRow("by catalogue callsign and number")
        << QStringLiteral("ZS6DN zs6xyz\n  5   ZL6BB  \r\n") << QStringList{QStringLiteral("10:ZS6XYZ"), QStringLiteral("4:ZL6BB")}
        << QList<int>();
    QTest::newRow("bad lines by number")
        << QStringLiteral("# a comment\nKH6WO\nXX1XX AB1CD\n19 AB1CD\n4U1UN W6WX\nOH2B KH6RS\nYV5B A*B\nCS3B CS3BB extra\nYV5B YV5BB\n")
        << QStringList{QStringLiteral("17:YV5BB")} << QList<int>{2, 3, 4, 5, 6, 7, 8};
}

void TestMonitor::callsignTable()
{
    QFETCH(QString, text);
    QFETCH(QStringList, added);
    QFETCH(QList<int>, badLines);
    BeaconCallsigns table = BeaconCallsigns::standard();
    QCOMPARE(table.stationOf("KH6RS"), std::optional<BeaconIndex>(3));
    QCOMPARE(table.stationOf(" kh6wo "), std::optional<BeaconIndex>(3));
    QCOMPARE(table.callsignsOf(3), (std::vector<std::string>{"KH6WO", "KH6RS"}));
    const std::size_t before = table.entries().size();
    const QByteArray utf8 = text.toUtf8();
    const auto errors = table.parse(std::string_view(utf8.constData(), std::size_t(utf8.size())));
    QList<int> lines;
    for (const auto &e : errors) {
        lines << e.line;
        QVERIFY(!e.message.empty());
    }
    QCOMPARE(lines, badLines);
    QCOMPARE(table.entries().size(), before + std::size_t(added.size()));
    for (const QString &a : added) {
        const auto parts = a.split(QLatin1Char(':'));
        QCOMPARE(table.stationOf(parts[1].toStdString()), std::optional<BeaconIndex>(parts[0].toInt()));
    }
}

// The controller reads the user's file from the data folder; a missing file adds nothing.
void TestMonitor::callsignFileInTheDataFolder()
{
    QTemporaryDir dir;
    QStringList problems;
    const QString path = dir.filePath(QLatin1String(BeaconCallsigns::FileName));
    QCOMPARE(loadBeaconCallsigns(path, problems).entries().size(), BeaconCallsigns::standard().entries().size());
    QVERIFY(problems.isEmpty());
    QVERIFY(writeFile(path, "# my additions\nVE8AT VE8EV\nnonsense here and there\n"));
    const BeaconCallsigns table = loadBeaconCallsigns(path, problems);
    QCOMPARE(table.stationOf("VE8EV"), std::optional<BeaconIndex>(1));
    QCOMPARE(problems.size(), 1);
    QVERIFY2(problems[0].startsWith(QStringLiteral("line 3: ")), qPrintable(problems[0]));
}

// Things on a beacon frequency that are not a beacon are never logged as one heard: a
// carrier has no callsign's keying, other CW's keying is not followed by the dashes.
void TestMonitor::notABeaconIsNeverHeard_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<double>("levelDb");
    for (auto kind : {ts::NotABeacon::SteadyCarrier, ts::NotABeacon::RandomCarrier, ts::NotABeacon::OtherCw,
                      ts::NotABeacon::NoiseBursts})
        for (double level : {-15.0, -5.0, 10.0})
            QTest::addRow("%s at %+.0f dB", ts::notABeaconName(kind), level) << int(kind) << level;
}

void TestMonitor::notABeaconIsNeverHeard()
{
    QFETCH(int, kind);
    QFETCH(double, levelDb);
    ts::Noise random(std::uint64_t(31 * kind + int(levelDb) + 100));
    SlotAnalyzer analyzer;
    const int slots = 100;
    int heard = 0;
    double bestFit = 0, bestStrength = 0;
    for (int i = 0; i < slots; ++i) {
        SlotWindow w = ts::emptySlot(qint64(i), BandIndex(i % BandCount), 8000);
        ts::addNotABeacon(w.samples, 8000, -SlotWindow::LeadSeconds, ts::NotABeacon(kind), levelDb, 420 + 360 * random.uniform(), random);
        ts::addNoise(w.samples, 8000, random);
        const SlotMeasurement m = analyzer.analyze(w);
        QVERIFY(m.hasSound());
        heard += m.heard() ? 1 : 0;
        bestFit = std::max(bestFit, analyzer.lastKeyingFit().fit);
        bestStrength = std::max(bestStrength, analyzer.lastKeyingFit().strength);
        if (!m.keyingFound) {
            QCOMPARE(m.dashesHeard, 0);
            QVERIFY(std::isnan(m.dashSnrDb[0]));
        }
    }
    qInfo("  %d of %d slots heard, highest fit %.2f (threshold %.2f), highest strength %.2f (threshold %.2f)", heard, slots,
          bestFit, SlotAnalyzer::KeyingFitThreshold, bestStrength, SlotAnalyzer::KeyingStrengthThreshold);
    QVERIFY2(heard <= slots / 100, qPrintable(QString::number(heard)));
}

// Beacons as the air brings them (any gap before the dashes, keying 5 % off 22 wpm, slow
// fades up to 10 dB deep) are heard and named from very strong down to -15 dB, where the
// noise in 2.5 kHz stands 15 dB above the callsign; a slot is never given to another
// station on a guess.
void TestMonitor::weakAndStrongBeaconsAreHeard_data()
{
    QTest::addColumn<double>("snr");
    QTest::addColumn<double>("minHeardPct");
    QTest::addColumn<double>("maxOffsetMissPct"); // heard and named, start more than 80 ms off
    QTest::addRow("+20 dB") << 20.0 << 100.0 << 0.0;
    QTest::addRow("+6 dB") << 6.0 << 100.0 << 0.0;
    QTest::addRow("-10 dB") << -10.0 << 94.0 << 0.0;
    QTest::addRow("-12 dB") << -12.0 << 85.0 << 3.0;
    QTest::addRow("-15 dB") << -15.0 << 70.0 << 5.0;
}

void TestMonitor::weakAndStrongBeaconsAreHeard()
{
    QFETCH(double, snr);
    QFETCH(double, minHeardPct);
    QFETCH(double, maxOffsetMissPct);
    ts::Noise random(std::uint64_t(900 + snr));
    SlotAnalyzer analyzer;
    const int slots = 108;
    int heard = 0, named = 0, others = 0, offsetMisses = 0;
    for (int i = 0; i < slots; ++i) {
        ts::Beacon b{BeaconIndex(i % BeaconCount), snr, 420 + 360 * random.uniform(), -0.5 + random.uniform()};
        b.timing.elementSeconds = BeaconKeying::ElementSeconds * (0.95 + 0.1 * random.uniform());
        b.timing.wordGapSeconds = 0.1 + 0.4 * random.uniform();
        b.timing.dashGapSeconds = 3 * b.timing.elementSeconds;
        if (i % 2) {
            b.fadeDb = 10 * random.uniform();
            b.fadePeriodSeconds = 4 + 12 * random.uniform();
            b.fadePhase = 2 * std::numbers::pi * random.uniform();
        }
        const SlotMeasurement m = analyzer.analyze(ts::slot(b, random, BandIndex(i % BandCount)));
        heard += m.heard() ? 1 : 0;
        named += m.identified == b.station ? 1 : 0;
        others += m.otherStation() ? 1 : 0;
        if (m.heard() && m.identified == b.station && qAbs(m.offsetSeconds - b.offsetSeconds) >= 0.08) {
            ++offsetMisses;
            qInfo("  slot %d: start read at %+.3f s, sent at %+.3f s", i, m.offsetSeconds, b.offsetSeconds);
        }
    }
    qInfo("  %d of %d heard, %d named right, %d as another station, %d started elsewhere", heard, slots, named, others,
          offsetMisses);
    QVERIFY2(100.0 * offsetMisses / slots <= maxOffsetMissPct, qPrintable(QString::number(offsetMisses)));
    QVERIFY2(100.0 * heard / slots >= minHeardPct, qPrintable(QString::number(heard)));
    QVERIFY2(100.0 * named / slots >= 97.0, qPrintable(QString::number(named)));
    QCOMPARE(others, 0);
}

// The dashes are found where the station sends them, whatever its gap after the callsign
// and its keying speed: at +3 dB the 100-, 10- and 1-W dashes (+3, -7, -17 dB) are heard,
// the 0.1-W one (-27 dB) is not, and the 10-W dash is read at its own level.
void TestMonitor::dashesWhereverTheyAre_data()
{
    QTest::addColumn<double>("gap");
    QTest::addColumn<double>("speed");
    for (double gap : {0.1, 0.25, 0.4, 0.5})
        for (double speed : {0.95, 1.0, 1.05})
            QTest::addRow("gap %.2f s, speed %.2f", gap, speed) << gap << speed;
}

void TestMonitor::dashesWhereverTheyAre()
{
    QFETCH(double, gap);
    QFETCH(double, speed);
    ts::Noise noise(std::uint64_t(gap * 1000 + speed * 100));
    SlotAnalyzer analyzer;
    for (int i = 0; i < BeaconCount; ++i) {
        ts::Beacon b{BeaconIndex(i), 3.0, 420 + 360 * noise.uniform(), -0.5 + noise.uniform()};
        b.timing.elementSeconds = BeaconKeying::ElementSeconds / speed;
        b.timing.wordGapSeconds = gap;
        b.timing.dashGapSeconds = 3 * b.timing.elementSeconds;
        const SlotMeasurement m = analyzer.analyze(ts::slot(b, noise, BandIndex(i % BandCount)));
        const QByteArray where = QByteArray(BeaconCatalogue::beacon(b.station).callsign.data()) + " at " +
                                 QByteArray::number(b.offsetSeconds, 'f', 2) + " s";
        QCOMPARE(m.identified, b.station);
        QVERIFY2(m.dashesHeard == 3, where + ": " + QByteArray::number(m.dashesHeard) + " dashes heard");
        QVERIFY2(qAbs(m.dashSnrDb[1] + 7.0) < 1.5, where + ": 10 W at " + QByteArray::number(m.dashSnrDb[1]));
        QVERIFY2(qAbs(m.dashSnrDb[2] + 17.0) < 2.5, where + ": 1 W at " + QByteArray::number(m.dashSnrDb[2]));
        QVERIFY2(qAbs(m.offsetSeconds - b.offsetSeconds) < 0.03, where + ": offset " + QByteArray::number(m.offsetSeconds));
    }
}

// A station that signs another callsign than the catalogue's is the same station: the
// Hawaii beacon as KH6RS, and a callsign the user added.
void TestMonitor::callsignsReallySent_data()
{
    QTest::addColumn<int>("station");
    QTest::addColumn<QString>("sent");
    QTest::addColumn<QString>("userFile");
    QTest::newRow("KH6RS for KH6WO") << 3 << QStringLiteral("KH6RS") << QString();
    QTest::newRow("catalogue KH6WO") << 3 << QStringLiteral("KH6WO") << QString();
    QTest::newRow("user's VE8EV for VE8AT") << 1 << QStringLiteral("VE8EV") << QStringLiteral("VE8AT VE8EV\n");
    QTest::newRow("user's 5Z4KB for 5Z4B") << 11 << QStringLiteral("5Z4KB") << QStringLiteral("12 5Z4KB\n");
}

void TestMonitor::callsignsReallySent()
{
    QFETCH(int, station);
    QFETCH(QString, sent);
    QFETCH(QString, userFile);
    BeaconCallsigns table = BeaconCallsigns::standard();
    QVERIFY(table.parse(userFile.toStdString()).empty());
    SlotAnalyzer analyzer({}, table);
    ts::Noise noise(std::uint64_t(station) + 7);
    for (double snr : {6.0, 0.0, -6.0}) {
        ts::Beacon b{station, snr, 560, 0.21};
        b.callsign = sent.toStdString();
        b.timing.wordGapSeconds = 0.3;
        const SlotMeasurement m = analyzer.analyze(ts::slot(b, noise, BandIndex(station % BandCount)));
        QCOMPARE(m.identified, station);
        QCOMPARE(QString::fromStdString(m.callsign), sent);
        QVERIFY(!m.otherStation());
        QVERIFY2(m.dashesHeard >= (snr > 0 ? 3 : 2), qPrintable(QString::number(m.dashesHeard)));
        QVERIFY2(qAbs(m.dashSnrDb[0] - snr) < 1.5, qPrintable(QString::number(m.dashSnrDb[0])));
        QVERIFY2(qAbs(m.dashSnrDb[1] - snr + 10) < 1.5, qPrintable(QString::number(m.dashSnrDb[1])));
    }
}

// A callsign that is clearly another station's is that station heard, logged as it and
// never as the station the schedule put in the slot.
void TestMonitor::otherStationIsLoggedAsItself()
{
    ts::Noise noise(55);
    SlotAnalyzer analyzer;
    const BandIndex band = 2;
    SlotWindow w = ts::emptySlot(1'800'000'000 / 10 + 5, band, 8000);
    const BeaconIndex scheduled = w.expected;
    const BeaconIndex sending = (scheduled + 4) % BeaconCount;
    ts::addBeacon(w.samples, 8000, -SlotWindow::LeadSeconds, {sending, 3.0, 640, 0.05});
    ts::addNoise(w.samples, 8000, noise);
    const SlotMeasurement m = analyzer.analyze(w);
    QCOMPARE(m.expected, scheduled);
    QCOMPARE(m.identified, sending);
    QVERIFY(m.heard());
    QVERIFY(m.otherStation());
    QCOMPARE(m.station(), sending);

    QTemporaryDir dir;
    MonitorLog log;
    QVERIFY(log.open(dir.filePath(QStringLiteral("log.sqlite"))));
    QVERIFY(log.append(m, QStringLiteral("recording")));
    QVERIFY(log.history(0, scheduled, band).empty());
    const auto rows = log.history(0, sending, band);
    QCOMPARE(rows.size(), std::size_t(1));
    QCOMPARE(rows[0].expected, scheduled);
    QCOMPARE(rows[0].station(), sending);
    QVERIFY(rows[0].otherStation());
    QCOMPARE(QString::fromStdString(rows[0].callsign), QString::fromLatin1(BeaconCatalogue::beacon(sending).callsign.data()));
    const auto latest = log.latestPerPair();
    QCOMPARE(latest.size(), std::size_t(1));
    QCOMPARE(latest[0].station(), sending);
    // Windows that show a level beside a callsign show it beside the station heard.
    LatestLevels levels;
    levels.record(m);
    QCOMPARE(levels.text(sending, band, m.slotStartUtcMs() + 20000), QString::fromLatin1(m.heardAtText()));
    QCOMPARE(levels.text(scheduled, band, m.slotStartUtcMs() + 20000), QString());
}

// Another station heard weakly in a slot is never credited to the station the schedule
// put there: it is logged as itself when its callsign matched clearly, otherwise not at all.
void TestMonitor::weakOtherStationIsNeverTheScheduledOne_data()
{
    QTest::addColumn<double>("snr");
    for (double snr : {-6.0, -10.0, -12.0, -15.0})
        QTest::addRow("%+.0f dB", snr) << snr;
}

void TestMonitor::weakOtherStationIsNeverTheScheduledOne()
{
    QFETCH(double, snr);
    ts::Noise noise(std::uint64_t(300 - snr));
    SlotAnalyzer analyzer;
    int asItself = 0;
    const int slots = 54;
    for (int i = 0; i < slots; ++i) {
        const BandIndex band = BandIndex(i % BandCount);
        SlotWindow w = ts::emptySlot(1'800'000'000 / 10 + i, band, 8000);
        const BeaconIndex sending = (w.expected + 1 + i % (BeaconCount - 1)) % BeaconCount;
        ts::addBeacon(w.samples, 8000, -SlotWindow::LeadSeconds, {sending, snr, 420 + 360 * noise.uniform(), -0.5 + noise.uniform()});
        ts::addNoise(w.samples, 8000, noise);
        const SlotMeasurement m = analyzer.analyze(w);
        QVERIFY2(!(m.heard() && m.station() == w.expected),
                 qPrintable(QStringLiteral("slot %1: %2 sent, credited to %3").arg(i).arg(sending).arg(w.expected)));
        if (m.heard()) {
            QCOMPARE(m.station(), sending);
            ++asItself;
        }
    }
    qInfo("  %d of %d slots logged as the station heard, the rest not heard", asItself, slots);
    if (snr >= -6)
        QCOMPARE(asItself, slots);
}

// A recording whose start time was given wrong: the slots tell its clock error, and
// analysed again with the start corrected it logs the right stations.
void TestMonitor::recordingClockError_data()
{
    QTest::addColumn<double>("startError"); // the start given minus the true start, s
    QTest::newRow("0.73 s late") << 0.73;
    QTest::newRow("4 s late") << 4.0;
    QTest::newRow("4 s early") << -4.0;
    QTest::newRow("on time") << 0.0;
}

void TestMonitor::recordingClockError()
{
    QFETCH(double, startError);
    const double rate = 8000;
    const qint64 trueStart = 1'800'000'000'000 + 3'000;
    const int seconds = 120;
    const BandIndex band = 1;
    std::vector<float> audio(std::size_t(rate * seconds), 0.0f);
    ts::Noise noise(std::uint64_t(100 + startError * 10));
    for (qint64 slot = trueStart / 10000 - 1; slot <= (trueStart + seconds * 1000) / 10000; ++slot)
        ts::addBeacon(audio, rate, double(trueStart - slot * 10000) / 1000.0,
                      {SlotTiming::expectedStation(slot, band), 4.0, 610, 0.0});
    ts::addNoise(audio, rate, noise);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("17m.wav"));
    QVERIFY(writeFile(path, wavBytes({}, std::vector<double>(audio.begin(), audio.end()))));

    MonitorLog log;
    QVERIFY(log.open(dir.filePath(QStringLiteral("log.sqlite"))));
    MonitorEngine engine(log);
    QSignalSpy finished(&engine, &MonitorEngine::recordingFinished);
    QString error;
    const qint64 givenStart = trueStart + qint64(std::llround(startError * 1000));
    QVERIFY(engine.analyzeRecording(path, givenStart, band, error));
    QVERIFY(finished.wait(20000));
    const auto clockError = engine.recordingClockError();
    QVERIFY(clockError.has_value());
    QVERIFY2(qAbs(*clockError - startError) < 0.03, qPrintable(QString::number(*clockError)));
    // Wrong by more than the clock's tolerance, no slot may credit the scheduled station
    // with a transmission that was not its own.
    for (const SlotMeasurement &m : log.history(0, -1, -1))
        if (m.heard() && qAbs(startError) > 0.3)
            QVERIFY2(m.otherStation() || qAbs(m.offsetSeconds - startError) < 0.05,
                     qPrintable(QStringLiteral("slot %1 heard as %2").arg(m.slotNumber).arg(m.station())));

    const qint64 corrected = givenStart - qint64(std::llround(*clockError * 1000));
    MonitorLog again;
    QVERIFY(again.open(dir.filePath(QStringLiteral("again.sqlite"))));
    MonitorEngine second(again);
    QSignalSpy secondFinished(&second, &MonitorEngine::recordingFinished);
    QVERIFY(second.analyzeRecording(path, corrected, band, error));
    QVERIFY(secondFinished.wait(20000));
    QVERIFY(second.recordingClockError().has_value());
    QVERIFY(qAbs(*second.recordingClockError()) < 0.03);
    const auto rows = again.history(0, -1, -1);
    QVERIFY(rows.size() >= 10);
    for (const SlotMeasurement &m : rows) {
        QVERIFY2(m.heard() && m.identityMatch() && !m.otherStation(),
                 qPrintable(QStringLiteral("slot %1: %2 heard %3").arg(m.slotNumber).arg(m.identified).arg(m.dashesHeard)));
        QVERIFY(qAbs(m.offsetSeconds) < 0.03);
    }
}
