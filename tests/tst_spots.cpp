// The skimmer network's feed: the spot-line reader, the beacon-spot filter, the line
// splitter, the store and its log, the settings, and the telnet client against a local
// server on 127.0.0.1 that plays the login prompt and a generated spot stream (with a
// 10 MB flood, drops and reconnects). Time comes from a fake clock throughout.

#include "beacon_spot.h"
#include "feed_clock.h"
#include "rbn_feed.h"
#include "rbn_settings.h"
#include "spot_line.h"
#include "spot_line_splitter.h"
#include "spot_log.h"
#include "spot_status.h"
#include "spot_store.h"
#include "spot_stream.h"

#include <QDateTime>
#include <QFile>
#include <QPointer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace halvion;
using halvion::test::SpotStreamGenerator;
using halvion::test::SpotTally;

namespace {

const qint64 Start = QDateTime(QDate(2026, 12, 10), QTime(23, 0), Qt::UTC).toMSecsSinceEpoch();
constexpr qint64 Minute = 60 * 1000;

// A feed server on 127.0.0.1: greets every connection with the prompt, keeps what the
// client sends, and sends or hangs up when the test says so.
class LocalRbnServer : public QObject {
public:
    explicit LocalRbnServer(QByteArray prompt = "Please enter your call: ") : prompt_(std::move(prompt))
    {
        server_.listen(QHostAddress::LocalHost, 0);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = server_.nextPendingConnection()) {
                ++connections;
                client = s;
                received.clear();
                connect(s, &QTcpSocket::readyRead, this, [this, s] {
                    if (s == client)
                        received += s->readAll();
                });
                if (!prompt_.isEmpty())
                    s->write(prompt_);
            }
        });
    }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(server_.serverPort()); }
    void send(const QByteArray &bytes) { client->write(bytes); }
    void hangUp() { client->disconnectFromHost(); }

    int connections = 0;
    QPointer<QTcpSocket> client;
    QByteArray received;

private:
    QTcpServer server_;
    QByteArray prompt_;
};

RbnSettings feedSettings(const QString &server, const std::string &callsign = "N0CALL")
{
    RbnSettings s;
    s.enabled = true;
    s.server = server.toStdString();
    s.callsign = callsign;
    return s;
}

BeaconSpot spot(BeaconIndex station, BandIndex band, const std::string &skimmer, int snr, int minute = 22 * 60 + 59)
{
    return test::beaconSpot(station, band, skimmer, snr, minute);
}

// Every station and band of the store against the generator's tally.
void compareWithTally(const SpotStore &store, const SpotTally &tally, qint64 since)
{
    for (BeaconIndex s = 0; s < BeaconCount; ++s) {
        for (BandIndex b = 0; b < BandCount; ++b) {
            const SpotTally::Cell &want = tally.cells[std::size_t(s)][std::size_t(b)];
            const SpotSummary got = store.spottedOn(s, b, since);
            const QByteArray where = QByteArray::number(s) + "/" + QByteArray::number(b);
            QVERIFY2(got.spots == want.spots, where);
            QVERIFY2(got.skimmers == int(want.skimmers.size()), where);
            if (want.spots > 0) {
                QVERIFY2(got.bestSnrDb == want.bestSnr, where);
                QVERIFY2(got.bestSkimmer == QString::fromStdString(want.bestSkimmer), where);
            }
        }
    }
}

} // namespace

class TestSpots : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsSpots_data();
    void readsSpots();
    void notSpots_data();
    void notSpots();
    void formattedLinesReadBack();
    void beaconFilter_data();
    void beaconFilter();
    void splitterCapsLinesAndStripsTelnet();
    void splitterSameLinesWhateverTheChunks();
    void loginPrompt_data();
    void loginPrompt();

    void spotTime_data();
    void spotTime();
    void storeCountsPerStationAndBand();
    void storeWatchList();
    void storeBoundedPerCell();
    void storeTextForTheMap();
    void logSurvivesRestartAndTrimsOnceADay();
    void connectedSpans();
    void statusSuggestion();

    void settingsWrittenOnlyWhenChanged();
    void settingsProblems_data();
    void settingsProblems();

    void nothingSentUntilTurnedOn();
    void loginAndStream_data();
    void loginAndStream();
    void rejectedCallsignIsADrop();
    void reconnectPausesGrow();
    void heldConnectionStartsPausesAfresh();
    void silentServerIsADrop();
    void floodStaysBounded();
};

// ---- the reader -------------------------------------------------------------------

void TestSpots::readsSpots_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("skimmer");
    QTest::addColumn<double>("khz");
    QTest::addColumn<QString>("spotted");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("snr");
    QTest::addColumn<int>("speed");
    QTest::addColumn<QString>("comment");
    QTest::addColumn<int>("minute");

    QTest::newRow("feed layout") << QByteArray("DX de KM3T-2-#:  14100.0  CS3B         CW    24 dB  22 WPM  NCDXF B 2259Z")
                                 << "KM3T-2" << 14100.0 << "CS3B" << "CW" << 24 << 22 << "NCDXF B" << 22 * 60 + 59;
    QTest::newRow("beacon suffix") << QByteArray("DX de KM3T-2-#:  28263.9  AB8Z/B       CW    15 dB  18 WPM  BEACON    2259Z")
                                   << "KM3T-2" << 28263.9 << "AB8Z/B" << "CW" << 15 << 18 << "BEACON" << 22 * 60 + 59;
    QTest::newRow("rtty bauds") << QByteArray("DX de W3OA-#:    14084.0  K1ABC        RTTY  12 dB  45 BPS  CQ        0004Z")
                                << "W3OA" << 14084.0 << "K1ABC" << "RTTY" << 12 << 45 << "CQ" << 4;
    QTest::newRow("negative, no speed") << QByteArray("DX de VE6WZ-#:  14074.0  JA1XYZ  FT8  -12 dB  CQ  0102Z")
                                        << "VE6WZ" << 14074.0 << "JA1XYZ" << "FT8" << -12 << 0 << "CQ" << 62;
    QTest::newRow("tabs, dB joined, bells") << QByteArray("DX de\tOH6BG-#:\t21150.1\t4x6tu\tCW\t7dB\t19WPM\tNCDXF B\t1200Z\a\a")
                                            << "OH6BG" << 21150.1 << "4X6TU" << "CW" << 7 << 19 << "NCDXF B" << 720;
    QTest::newRow("two decimals, no comment") << QByteArray("DX de LZ3CB-#: 7018.20 RW1M CW 10 dB 18 WPM 2359Z   ")
                                              << "LZ3CB" << 7018.2 << "RW1M" << "CW" << 10 << 18 << "" << 23 * 60 + 59;
    QTest::newRow("long skimmer, no blank after colon")
        << QByteArray("DX de DL8LAS-12-#:24930.0  ZS6DN/B      CW     9 dB  22 WPM  NCDXF B 1500Z")
        << "DL8LAS-12" << 24930.0 << "ZS6DN/B" << "CW" << 9 << 22 << "NCDXF B" << 900;
    QTest::newRow("no mode, no -#") << QByteArray("DX de G0LUJ: 18110.0 OH2B 3 dB 0000Z")
                                    << "G0LUJ" << 18110.0 << "OH2B" << "" << 3 << 0 << "" << 0;
}

void TestSpots::readsSpots()
{
    QFETCH(QByteArray, line);
    SpotLine s;
    QCOMPARE(readSpotLine(line.toStdString(), s), SpotLineKind::Spot);
    QTEST(QString::fromStdString(s.skimmer), "skimmer");
    QTEST(s.frequencyKhz, "khz");
    QTEST(QString::fromStdString(s.spotted), "spotted");
    QTEST(QString::fromStdString(s.mode), "mode");
    QTEST(s.snrDb, "snr");
    QTEST(s.speed, "speed");
    QTEST(QString::fromStdString(s.comment), "comment");
    QTEST(s.minuteOfDay, "minute");
}

void TestSpots::notSpots_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<SpotLineKind>("kind");
    const QByteArray good = "DX de KM3T-#:  14100.0  CS3B  CW  24 dB  22 WPM  NCDXF B 2259Z";
    QTest::newRow("greeting") << QByteArray("Hello N0CALL, this is the relay") << SpotLineKind::Text;
    QTest::newRow("prompt") << QByteArray("Please enter your call:") << SpotLineKind::Text;
    QTest::newRow("DX without de") << QByteArray("DX KM3T-#: 14100.0 CS3B CW 24 dB 2259Z") << SpotLineKind::Text;
    QTest::newRow("cut short") << QByteArray("DX de KM3T-#:  14100.0  CS3B") << SpotLineKind::Malformed;
    QTest::newRow("hour 24") << QByteArray(good).replace("2259Z", "2400Z") << SpotLineKind::Malformed;
    QTest::newRow("minute 60") << QByteArray(good).replace("2259Z", "2260Z") << SpotLineKind::Malformed;
    QTest::newRow("no time") << QByteArray(good).replace(" 2259Z", "") << SpotLineKind::Malformed;
    QTest::newRow("exponent") << QByteArray(good).replace("14100.0", "1.41e4") << SpotLineKind::Malformed;
    QTest::newRow("nan") << QByteArray(good).replace("14100.0", "nan") << SpotLineKind::Malformed;
    QTest::newRow("below 100 kHz") << QByteArray(good).replace("14100.0", "99.9") << SpotLineKind::Malformed;
    QTest::newRow("four decimals") << QByteArray(good).replace("14100.0", "14100.0001") << SpotLineKind::Malformed;
    QTest::newRow("snr out of range") << QByteArray(good).replace("24 dB", "200 dB") << SpotLineKind::Malformed;
    QTest::newRow("no dB") << QByteArray(good).replace("24 dB", "24") << SpotLineKind::Malformed;
    QTest::newRow("markup in call") << QByteArray(good).replace("CS3B", "CS<b>3B") << SpotLineKind::Malformed;
    QTest::newRow("double slash") << QByteArray(good).replace("CS3B", "CS3B//B") << SpotLineKind::Malformed;
    QTest::newRow("call without digit") << QByteArray(good).replace("CS3B", "CSBB") << SpotLineKind::Malformed;
    QTest::newRow("skimmer too long") << QByteArray(good).replace("KM3T", "KM3TKM3TKM3TKM3T") << SpotLineKind::Malformed;
    QTest::newRow("no colon") << QByteArray(good).replace("KM3T-#:", "KM3T-#") << SpotLineKind::Malformed;
    QTest::newRow("control byte") << QByteArray(good).replace("CW", "C\x1bW") << SpotLineKind::Malformed;
    QTest::newRow("high byte") << QByteArray(good).replace("NCDXF", "NC\xc3\xa9XF") << SpotLineKind::Malformed;
    QTest::newRow("NUL inside") << QByteArray(good).replace("NCDXF", QByteArray("NC\0XF", 5)) << SpotLineKind::Malformed;
}

void TestSpots::notSpots()
{
    QFETCH(QByteArray, line);
    SpotLine s;
    s.skimmer = "UNTOUCHED";
    QTEST(readSpotLine(std::string_view(line.constData(), std::size_t(line.size())), s), "kind");
    QCOMPARE(s.skimmer, std::string("UNTOUCHED"));
}

// Whatever the generator writes, in each of its layouts, reads back to what it meant.
void TestSpots::formattedLinesReadBack()
{
    SpotLine s;
    s.skimmer = "DL8LAS-1";
    s.frequencyKhz = 24930.3;
    s.spotted = "ZS6DN/B";
    s.mode = "CW";
    s.snrDb = -3;
    s.speed = 22;
    s.comment = "NCDXF B";
    s.minuteOfDay = 5;
    SpotLine back;
    QCOMPARE(readSpotLine(formatSpotLine(s), back), SpotLineKind::Spot);
    QCOMPARE(back, s);

    SpotStreamGenerator gen(7);
    const QByteArray stream = gen.mixed(3000);
    SpotLineSplitter splitter;
    SpotTally seen;
    splitter.feed(stream.toStdString(), [&](std::string_view line) {
        ++seen.lines;
        SpotLine l;
        switch (readSpotLine(line, l)) {
        case SpotLineKind::Spot:
            ++seen.spots;
            seen.beaconSpots += beaconSpotFrom(l).has_value();
            break;
        case SpotLineKind::Malformed: ++seen.malformed; break;
        case SpotLineKind::Text: break;
        }
    });
    QCOMPARE(seen.lines, gen.tally().lines);
    QCOMPARE(seen.spots, gen.tally().spots);
    QCOMPARE(seen.beaconSpots, gen.tally().beaconSpots);
    QCOMPARE(seen.malformed, gen.tally().malformed);
    QCOMPARE(splitter.overlongLines(), gen.tally().overlong);
    QVERIFY(gen.tally().overlong > 0 && gen.tally().malformed > 0 && gen.tally().beaconSpots > 0);
}

void TestSpots::beaconFilter_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<double>("khz");
    QTest::addColumn<int>("station");
    QTest::addColumn<int>("band");
    QTest::addColumn<QString>("userFile"); // the user's own callsign table
    QTest::newRow("on frequency") << "CS3B" << 14100.0 << 14 << 0 << QString();
    QTest::newRow("1 kHz up") << "4U1UN" << 28201.0 << 0 << 4 << QString();
    QTest::newRow("1 kHz down") << "YV5B" << 18109.0 << 17 << 1 << QString();
    QTest::newRow("1.1 kHz up") << "YV5B" << 18111.1 << -1 << -1 << QString();
    QTest::newRow("between bands") << "OH2B" << 14110.0 << -1 << -1 << QString();
    QTest::newRow("/B suffix") << "VE8AT/B" << 21150.4 << 1 << 2 << QString();
    QTest::newRow("lower case") << "vk6rbp" << 24930.0 << 5 << 3 << QString();
    QTest::newRow("Hawaii's other call") << "KH6RS" << 14100.2 << 3 << 0 << QString();
    QTest::newRow("Hawaii's catalogue call") << "KH6WO/B" << 14100.2 << 3 << 0 << QString();
    QTest::newRow("a longer call") << "CS3BB" << 14100.0 << -1 << -1 << QString();
    QTest::newRow("a prefix of one") << "W6W" << 14100.0 << -1 << -1 << QString();
    QTest::newRow("other beacon") << "AB8Z/B" << 28200.0 << -1 << -1 << QString();
    QTest::newRow("added by the user") << "VE8XX" << 21150.0 << 1 << 2 << "VE8AT VE8XX\n";
    QTest::newRow("added with its suffix") << "R9OX/B" << 14100.0 << 7 << 0 << "# mine\n8 R9OX/B\n";
    QTest::newRow("not in the user's file") << "VE8XY" << 21150.0 << -1 << -1 << "VE8AT VE8XX\n";
}

void TestSpots::beaconFilter()
{
    QFETCH(QString, call);
    QFETCH(double, khz);
    QFETCH(int, station);
    QFETCH(int, band);
    QFETCH(QString, userFile);
    BeaconCallsigns table = BeaconCallsigns::standard();
    QVERIFY(table.parse(userFile.toStdString()).empty());
    SpotLine s;
    s.skimmer = "KM3T-2";
    s.spotted = call.toStdString();
    s.frequencyKhz = khz;
    s.snrDb = 24;
    s.minuteOfDay = 100;
    const auto b = beaconSpotFrom(s, table);
    QCOMPARE(b.has_value(), station >= 0);
    if (b) {
        QCOMPARE(b->station, station);
        QCOMPARE(b->band, band);
        QCOMPARE(b->skimmer, std::string("KM3T-2"));
        QCOMPARE(b->snrDb, 24);
    }
}

void TestSpots::splitterCapsLinesAndStripsTelnet()
{
    SpotLineSplitter splitter;
    std::vector<std::string> lines;
    auto collect = [&](std::string_view l) { lines.emplace_back(l); };
    const std::string exact(SpotLineSplitter::MaxLineBytes, 'a');
    const std::string over(SpotLineSplitter::MaxLineBytes + 1, 'b');
    // The overlong line arrives in pieces: everything up to its end goes, the next line stays.
    splitter.feed(exact + "\r\n" + over.substr(0, 700), collect);
    splitter.feed(over.substr(700) + std::string(5000, 'c'), collect);
    QVERIFY(splitter.bufferedBytes() <= SpotLineSplitter::MaxLineBytes);
    QVERIFY(splitter.partialLine().empty());
    splitter.feed("still the long one\nnext\r\n\r\n", collect);
    // Telnet option talk and NULs are not text; an escaped 255 is.
    splitter.feed(std::string("he\xff\xfb\x01ll\xff\xfa\x18\x01\xff\xf0o\0!\xff\xff\n", 19), collect);
    splitter.feed("Please enter your call: ", collect);
    QCOMPARE(lines.size(), std::size_t(3));
    QCOMPARE(lines[0], exact);
    QCOMPARE(lines[1], std::string("next"));
    QCOMPARE(lines[2], std::string("hello!\xff"));
    QCOMPARE(splitter.overlongLines(), quint64(1));
    QCOMPARE(splitter.partialLine(), std::string_view("Please enter your call: "));
}

void TestSpots::splitterSameLinesWhateverTheChunks()
{
    SpotStreamGenerator gen(11);
    const std::string stream = gen.mixed(400).toStdString();
    std::vector<std::string> whole, pieces;
    SpotLineSplitter a, b;
    a.feed(stream, [&](std::string_view l) { whole.emplace_back(l); });
    std::mt19937 rng(3);
    for (std::size_t at = 0; at < stream.size();) {
        const std::size_t n = std::min<std::size_t>(stream.size() - at, 1 + rng() % 97);
        b.feed(std::string_view(stream).substr(at, n), [&](std::string_view l) { pieces.emplace_back(l); });
        at += n;
    }
    QCOMPARE(pieces, whole);
    QCOMPARE(b.overlongLines(), a.overlongLines());
}

void TestSpots::loginPrompt_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("prompt");
    QTest::newRow("network's") << QByteArray("Please enter your call: ") << true;
    QTest::newRow("callsign") << QByteArray("Please enter your callsign:") << true;
    QTest::newRow("login") << QByteArray("login: ") << true;
    QTest::newRow("greeting") << QByteArray("Hello N0CALL, this is the relay") << false;
    QTest::newRow("mentions call, no colon") << QByteArray("Your call was accepted") << false;
    QTest::newRow("spot") << QByteArray("DX de KM3T-#:  14100.0  CS3B  CW  24 dB 2259Z") << false;
}

void TestSpots::loginPrompt()
{
    QFETCH(QByteArray, text);
    QTEST(looksLikeLoginPrompt(text.toStdString()), "prompt");
}

// ---- the store --------------------------------------------------------------------

void TestSpots::spotTime_data()
{
    QTest::addColumn<QTime>("heard");
    QTest::addColumn<int>("minute");
    QTest::addColumn<int>("dayShift");
    QTest::newRow("same day") << QTime(12, 0, 30) << 11 * 60 + 58 << 0;
    QTest::newRow("yesterday's 23:59") << QTime(0, 0, 20) << 23 * 60 + 59 << -1;
    QTest::newRow("tomorrow's 00:00") << QTime(23, 59, 50) << 0 << 1;
}

void TestSpots::spotTime()
{
    QFETCH(QTime, heard);
    QFETCH(int, minute);
    QFETCH(int, dayShift);
    const QDate day(2026, 12, 31);
    const qint64 heardMs = QDateTime(day, heard, Qt::UTC).toMSecsSinceEpoch();
    const QDateTime want(day.addDays(dayShift), QTime(minute / 60, minute % 60), Qt::UTC);
    QCOMPARE(SpotStore::spotTimeUtcMs(minute, heardMs), want.toMSecsSinceEpoch());
}

void TestSpots::storeCountsPerStationAndBand()
{
    FakeFeedClock clock(Start);
    SpotStore store(clock);
    QSignalSpy changed(&store, &SpotStore::spotsChanged);
    store.add({spot(14, 0, "KM3T-2", 24, 22 * 60 + 40), spot(14, 0, "G0LUJ", 18)}, Start - 20 * Minute);
    store.add({spot(14, 0, "KM3T-2", 12), spot(14, 0, "W3OA", 24, 22 * 60 + 59), spot(14, 4, "W3OA", 30),
               spot(3, 0, "DL8LAS", 5)},
              Start - 5 * Minute);
    QCOMPARE(changed.count(), 2);

    const SpotSummary last15 = store.spottedOn(14, 0, Start - 15 * Minute);
    QCOMPARE(last15.skimmers, 2);
    QCOMPARE(last15.spots, 2);
    QCOMPARE(last15.bestSnrDb, 24);
    QCOMPARE(last15.bestSkimmer, QStringLiteral("W3OA"));
    QCOMPARE(last15.bestSpotUtcMs, QDateTime(QDate(2026, 12, 10), QTime(22, 59), Qt::UTC).toMSecsSinceEpoch());
    QCOMPARE(last15.lastHeardUtcMs, Start - 5 * Minute);

    const SpotSummary last30 = store.spottedOn(14, 0, Start - 30 * Minute);
    QCOMPARE(last30.skimmers, 3); // KM3T-2 twice counts once
    QCOMPARE(last30.spots, 4);
    QCOMPARE(last30.bestSkimmer, QStringLiteral("W3OA")); // equal to KM3T-2's 24 dB, and later

    const SpotSummary anyBand = store.spottedOn(14, -1, Start - 15 * Minute);
    QCOMPARE(anyBand.skimmers, 2);
    QCOMPARE(anyBand.spots, 3);
    QCOMPARE(anyBand.bestSnrDb, 30);
    QCOMPARE(anyBand.bestBand, 4);

    const SpotGrid grid = store.grid(Start - 15 * Minute);
    int spotted = 0;
    for (const auto &row : grid)
        for (const SpotSummary &cell : row)
            spotted += cell.spotted();
    QCOMPARE(spotted, 3);
    QCOMPARE(grid[3][0].bestSkimmer, QStringLiteral("DL8LAS"));
    QVERIFY(!store.spottedOn(14, 1, Start - 60 * Minute).spotted());
    QCOMPARE(store.lastHeardUtcMs(14), Start - 5 * Minute);
    QCOMPARE(store.lastHeardUtcMs(0), 0);
    QCOMPARE(store.history(Start - 10 * Minute, 14, -1).size(), std::size_t(3));
}

void TestSpots::storeWatchList()
{
    FakeFeedClock clock(Start);
    SpotStore store(clock);
    store.add({spot(0, 0, "KM3T-2", 10), spot(0, 0, "KM3T-3", 20), spot(0, 0, "W3OA", 30), spot(1, 0, "W3OA", 9)},
              Start);
    store.setWatchList({"KM3T"});
    SpotSummary s = store.spottedOn(0, 0, Start);
    QCOMPARE(s.skimmers, 2);
    QCOMPARE(s.bestSkimmer, QStringLiteral("KM3T-3"));
    QVERIFY(!store.spottedOn(1, 0, Start).spotted());
    QCOMPARE(store.history(Start, -1, -1).size(), std::size_t(2));
    store.setWatchList({"KM3T-2", "W3OA"});
    s = store.spottedOn(0, 0, Start);
    QCOMPARE(s.skimmers, 2);
    QCOMPARE(s.bestSkimmer, QStringLiteral("W3OA"));
    store.setWatchList({});
    QCOMPARE(store.spottedOn(0, 0, Start).skimmers, 3);
}

void TestSpots::storeBoundedPerCell()
{
    FakeFeedClock clock(Start);
    SpotStore store(clock, nullptr, 4);
    for (int i = 0; i < 10; ++i)
        store.add({spot(2, 1, "SK" + std::to_string(i) + "A", i)}, Start + i);
    QCOMPARE(store.spotsHeld(), std::size_t(4));
    const SpotSummary s = store.spottedOn(2, 1, Start);
    QCOMPARE(s.skimmers, 4);
    QCOMPARE(s.bestSkimmer, QStringLiteral("SK9A")); // the newest are the ones kept
    QCOMPARE(store.spottedOn(2, 1, Start + 6).spots, 4);

    // With the log, a span reaching back past what was let go is counted whole.
    QTemporaryDir dir;
    SpotStore logged(clock, nullptr, 4);
    QVERIFY(openSpotLog(logged, dir.filePath(QStringLiteral("monitor.sqlite"))));
    for (int i = 0; i < 10; ++i) {
        logged.add({spot(2, 1, "SK" + std::to_string(i) + "A", 20 - i)}, Start + i);
        if (i == 4)
            logged.flush(); // some written, some still pending
    }
    QCOMPARE(logged.spotsHeld(), std::size_t(4));
    const SpotSummary whole = logged.spottedOn(2, 1, Start);
    QCOMPARE(whole.spots, 10);
    QCOMPARE(whole.skimmers, 10);
    QCOMPARE(whole.bestSkimmer, QStringLiteral("SK0A"));
    QCOMPARE(logged.spottedOn(2, 1, Start + 6).spots, 4);
    QCOMPARE(logged.spottedOn(2, -1, Start + 3).spots, 7);
    // A day and a quarter later nothing of it is held.
    clock.advance(SpotStore::MemoryWindowMs + 10);
    store.flush();
    QCOMPARE(store.spotsHeld(), std::size_t(0));
}

void TestSpots::storeTextForTheMap()
{
    FakeFeedClock clock(Start);
    SpotStore store(clock);
    std::vector<BeaconSpot> spots{spot(14, 0, "KM3T-2", 24)};
    for (int i = 0; i < 11; ++i)
        spots.push_back(spot(14, 0, "K" + std::to_string(i) + "XX", 3 + i, 22 * 60 + 50));
    store.add(spots, Start);
    QCOMPARE(spottedText(0, 15, store.spottedOn(14, 0, Start - 15 * Minute)),
             QStringLiteral("Spotted on 20 m by 12 skimmers in the last 15 min, best 24 dB (KM3T, 22:59 UTC)"));
    store.add({spot(0, 3, "W3OA", -2, 5)}, Start);
    QCOMPARE(spottedText(3, 15, store.spottedOn(0, 3, Start - 15 * Minute)),
             QStringLiteral("Spotted on 12 m by 1 skimmer in the last 15 min, best -2 dB (W3OA, 00:05 UTC)"));
    QCOMPARE(spottedText(1, 15, store.spottedOn(0, 1, Start - 15 * Minute)), QString());
}

void TestSpots::logSurvivesRestartAndTrimsOnceADay()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data/monitor.sqlite"));
    FakeFeedClock clock(Start);
    {
        SpotStore store(clock);
        QVERIFY2(openSpotLog(store, path), qPrintable(store.logError()));
        store.add({spot(14, 0, "KM3T-2", 24), spot(14, 0, "G0LUJ", 18), spot(5, 2, "W3OA", 7)}, Start);
        QCOMPARE(store.pendingRows(), std::size_t(3));
        store.flush();
        QCOMPARE(store.pendingRows(), std::size_t(0));
        QCOMPARE(store.log()->count(), qint64(3));
        store.add({spot(5, 2, "VE6WZ", 9)}, Start + 1000); // written as the store closes
    }
    clock.advance(10 * Minute);
    {
        SpotStore store(clock);
        QVERIFY(openSpotLog(store, path));
        const SpotSummary s = store.spottedOn(14, 0, Start - Minute);
        QCOMPARE(s.skimmers, 2);
        QCOMPARE(s.bestSkimmer, QStringLiteral("KM3T-2"));
        QCOMPARE(store.spottedOn(5, 2, Start - Minute).skimmers, 2);
        const std::vector<StoredSpot> h = store.history(0, 5, 2);
        QCOMPARE(h.size(), std::size_t(2));
        QCOMPARE(h[0].skimmer, std::string("W3OA"));
        QCOMPARE(h[1].heardUtcMs, Start + 1000);

        // A spot 31 days old stays until the day's trim comes round, then goes.
        store.add({spot(7, 4, "OLD1", 1)}, clock.utcMs() - 31 * SpotStore::DayMs);
        store.flush();
        QCOMPARE(store.log()->count(), qint64(5));
        clock.advance(SpotStore::DayMs - Minute);
        store.flush();
        QCOMPARE(store.log()->count(), qint64(5));
        clock.advance(Minute);
        store.flush();
        QCOMPARE(store.log()->count(), qint64(4));
        // Thirty days on, the rest goes too; nothing older than a day is held in memory.
        clock.advance(30 * SpotStore::DayMs);
        store.flush();
        QCOMPARE(store.log()->count(), qint64(0));
        QCOMPARE(store.spotsHeld(), std::size_t(0));
    }
}

void TestSpots::connectedSpans()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("monitor.sqlite"));
    FakeFeedClock clock(Start);
    {
        SpotStore store(clock);
        QVERIFY(openSpotLog(store, path));
        store.connectionStarted(Start);
        store.connectionEnded(Start + 60 * Minute);
        store.connectionStarted(Start + 90 * Minute);
        QCOMPARE(store.connectedMs(Start, Start + 100 * Minute), 70 * Minute);
        QCOMPARE(store.connectedMs(Start + 30 * Minute, Start + 100 * Minute), 40 * Minute);
        clock.setUtc(Start + 120 * Minute);
        store.flush(); // the open span is written as far as it goes
    }
    SpotStore store(clock);
    QVERIFY(openSpotLog(store, path));
    QCOMPARE(store.connectedMs(Start, Start + 200 * Minute), 90 * Minute);
}

// What the status editor is offered: the stations heard in the last hour, and those
// not heard through the last 24 hours of connection, counted over gaps; not before the
// feed has listened for a day.
void TestSpots::statusSuggestion()
{
    const qint64 Hour = 60 * Minute;
    FakeFeedClock clock(Start);
    SpotStore store(clock);
    // Connected 30 h to 20 h ago and from 18 h ago on: the last day of listening
    // reaches back to 26 h ago.
    store.connectionStarted(Start - 30 * Hour);
    store.connectionEnded(Start - 20 * Hour);
    store.connectionStarted(Start - 18 * Hour);
    QCOMPARE(store.connectedSince(Start, SpotStore::DayMs), Start - 26 * Hour);
    QCOMPARE(store.connectedSince(Start, 29 * Hour), qint64(-1));
    const auto heard = [&](BeaconIndex station, BandIndex band, qint64 at) {
        store.add({spot(station, band, "KM3T-2", 10)}, at);
    };
    heard(0, 0, Start - 30 * Minute); // on the air now
    heard(1, 3, Start - 5 * Hour);    // heard today
    heard(2, 4, Start - 25 * Hour);   // within the day of listening
    heard(3, 1, Start - 27 * Hour);   // before it
    const StatusSuggestion s = suggestStatus(store, Start);
    QVERIFY(s.note.isEmpty());
    for (BeaconIndex i = 0; i < BeaconCount; ++i) {
        QCOMPARE(s.heardLately[std::size_t(i)], i == 0);
        QCOMPARE(s.unheard[std::size_t(i)], i >= 3);
    }

    // Five hours of listening call nobody unheard.
    FakeFeedClock fresh(Start);
    SpotStore brief(fresh);
    brief.connectionStarted(Start - 5 * Hour);
    brief.add({spot(7, 2, "W3OA", 10)}, Start - 10 * Minute);
    const StatusSuggestion b = suggestStatus(brief, Start);
    QCOMPARE(b.heardLately[7], true);
    QCOMPARE(std::count(b.unheard.begin(), b.unheard.end(), true), 0);
    QVERIFY2(b.note.startsWith(QStringLiteral("Connected 5 h 0 min of the last 24 h")), qPrintable(b.note));
}

// ---- the settings -----------------------------------------------------------------

void TestSpots::settingsWrittenOnlyWhenChanged()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Halvion.ini"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[Halvion]\r\nLEDSpeed=Fast\r\n");
    f.close();
    SettingsFile settings(path.toStdString());
    const RbnSettings defaults = readRbnSettings(settings);
    QCOMPARE(defaults, RbnSettings{});
    QCOMPARE(defaults.server, std::string("telnet.reversebeacon.net:7000"));
    saveRbnSettings(settings, defaults);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("[Halvion]\r\nLEDSpeed=Fast\r\n"));
    f.close();

    RbnSettings mine = defaults;
    mine.callsign = "N0CALL";
    mine.skimmers = parseSkimmerList("km3t, w3oa  KM3T;ve6wz-2");
    saveRbnSettings(settings, mine);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(),
             QByteArray("[Halvion]\r\nLEDSpeed=Fast\r\nRbnCallsign=N0CALL\r\nRbnSkimmers=KM3T W3OA VE6WZ-2\r\n"));
    f.close();
    QCOMPARE(readRbnSettings(settings), mine);
    mine.enabled = true;
    saveRbnSettings(settings, mine);
    QCOMPARE(QString::fromStdString(settings.readText(RbnKeys::RbnEnabled)), QStringLiteral("True"));
    QVERIFY(!settings.read(RbnKeys::RbnServer));
}

void TestSpots::settingsProblems_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("callsign");
    QTest::addColumn<QString>("skimmers");
    QTest::addColumn<bool>("usable");
    QTest::newRow("defaults and a call") << "telnet.reversebeacon.net:7000" << "N0CALL" << "" << true;
    QTest::newRow("portable call, IPv6") << "[::1]:7000" << "EA8/N0CALL" << "KM3T-2 W3OA" << true;
    QTest::newRow("no callsign") << "telnet.reversebeacon.net:7000" << "" << "" << false;
    QTest::newRow("line break in call") << "telnet.reversebeacon.net:7000" << "N0CALL\r\nSH/DX" << "" << false;
    QTest::newRow("blank in call") << "telnet.reversebeacon.net:7000" << "N0 CALL" << "" << false;
    QTest::newRow("no port") << "telnet.reversebeacon.net" << "N0CALL" << "" << false;
    QTest::newRow("port 0") << "telnet.reversebeacon.net:0" << "N0CALL" << "" << false;
    QTest::newRow("bad skimmer") << "telnet.reversebeacon.net:7000" << "N0CALL" << "KM3T-#" << false;
}

void TestSpots::settingsProblems()
{
    QFETCH(QString, server);
    QFETCH(QString, callsign);
    QFETCH(QString, skimmers);
    QFETCH(bool, usable);
    RbnSettings s;
    s.server = server.toStdString();
    s.callsign = callsign.toStdString();
    s.skimmers = parseSkimmerList(skimmers.toStdString());
    QCOMPARE(!rbnSettingsProblem(s).has_value(), usable);
}

// ---- the feed ---------------------------------------------------------------------

void TestSpots::nothingSentUntilTurnedOn()
{
    LocalRbnServer server;
    FakeFeedClock clock(Start);
    SpotStore store(clock);
    RbnFeed feed(store, clock);
    RbnSettings s = feedSettings(server.address());
    s.enabled = false;
    feed.apply(s);
    QCOMPARE(feed.state(), RbnFeed::State::Off);
    QVERIFY(feed.findChildren<QTcpSocket *>().isEmpty());
    QCOMPARE(feed.statusText(), QStringLiteral("Off: nothing is sent to the Reverse Beacon Network."));

    s.enabled = true;
    s.callsign.clear();
    feed.apply(s);
    QCOMPARE(feed.state(), RbnFeed::State::Off);
    QVERIFY(feed.findChildren<QTcpSocket *>().isEmpty());
    QVERIFY(!feed.reconnectTimer()->isActive());
    QVERIFY(feed.statusText().startsWith(QStringLiteral("Not connected: Your callsign is needed")));

    s.callsign = "N0CALL";
    feed.apply(s);
    QTRY_COMPARE(server.received, QByteArray("N0CALL\r\n"));
    QCOMPARE(server.connections, 1);
    s.enabled = false;
    feed.apply(s);
    QTRY_VERIFY(!server.client || server.client->state() != QAbstractSocket::ConnectedState);
    QCOMPARE(feed.state(), RbnFeed::State::Off);
}

void TestSpots::loginAndStream_data()
{
    QTest::addColumn<QByteArray>("greeting");
    QTest::addColumn<QByteArray>("prompt");
    QTest::newRow("network's prompt") << QByteArray() << QByteArray("Please enter your call: ");
    QTest::newRow("banner first, prompt line") << QByteArray("Welcome to the relay\r\n\xff\xfb\x01")
                                               << QByteArray("Please enter your callsign:\r\n");
    QTest::newRow("login prompt") << QByteArray("DX de KM3T-#:  14100.0  CS3B  CW  24 dB  22 WPM  NCDXF B 2259Z\r\n")
                                  << QByteArray("login: ");
}

void TestSpots::loginAndStream()
{
    QFETCH(QByteArray, greeting);
    QFETCH(QByteArray, prompt);
    LocalRbnServer server(greeting + prompt);
    FakeFeedClock clock(Start);
    SpotStore store(clock);
    RbnFeed feed(store, clock);
    QSignalSpy status(&feed, &RbnFeed::statusChanged);
    feed.apply(feedSettings(server.address()));
    QCOMPARE(feed.state(), RbnFeed::State::Connecting);
    QTRY_COMPARE(server.received, QByteArray("N0CALL\r\n"));
    QCOMPARE(feed.state(), RbnFeed::State::Connected);

    // The server ends the prompt's line and greets, then the spots flow.
    SpotStreamGenerator gen(5);
    const QByteArray stream = gen.mixed(2000);
    server.send("\r\nHello N0CALL, this is the relay\r\n" + stream);
    SpotTally tally = gen.tally();
    const quint64 greetingLines = quint64(greeting.count('\n')) + 2;
    QTRY_COMPARE(feed.counters().lines, tally.lines + greetingLines);
    const quint64 greetingSpots = greeting.startsWith("DX de") ? 1 : 0;
    QCOMPARE(feed.counters().spots, tally.spots + greetingSpots);
    QCOMPARE(feed.counters().beaconSpots, tally.beaconSpots + greetingSpots);
    QCOMPARE(feed.counters().malformed, tally.malformed);
    QCOMPARE(feed.counters().overlong, tally.overlong);
    if (greetingSpots) {
        auto &c = tally.cells[14][0];
        c.skimmers.insert("KM3T");
        ++c.spots;
        if (c.spots == 1 || 24 > c.bestSnr) { // the greeting came first: only a stronger one replaces it
            c.bestSnr = 24;
            c.bestSkimmer = "KM3T";
        }
    }
    compareWithTally(store, tally, Start - 15 * Minute);
    QCOMPARE(store.spotsHeld(), std::size_t(tally.beaconSpots + greetingSpots));
    QCOMPARE(feed.statusText(), QStringLiteral("Connected to %1: %2 beacon spots (%3 spots read), %4 malformed lines ignored")
                                    .arg(server.address())
                                    .arg(feed.counters().beaconSpots)
                                    .arg(feed.counters().spots)
                                    .arg(feed.counters().malformed));
    QVERIFY(status.count() >= 3);

    // A drop, and the next attempt logs in again.
    server.hangUp();
    QTRY_COMPARE(feed.state(), RbnFeed::State::Waiting);
    QVERIFY(feed.reconnectTimer()->isActive());
    QCOMPARE(feed.reconnectTimer()->interval(), 2000);
    QCOMPARE(feed.statusText(),
             QStringLiteral("Not connected: the server closed the connection. Trying again in 2 s."));
    QCOMPARE(store.connectedMs(Start - Minute, Start + Minute), qint64(0)); // the clock stood still
    feed.reconnectTimer()->stop();
    feed.reconnect();
    QTRY_COMPARE(server.connections, 2);
    QTRY_COMPARE(server.received, QByteArray("N0CALL\r\n"));
}

void TestSpots::rejectedCallsignIsADrop()
{
    LocalRbnServer server;
    FakeFeedClock clock(Start);
    SpotStore store(clock);
    RbnFeed feed(store, clock);
    feed.apply(feedSettings(server.address(), "N0CALL"));
    QTRY_COMPARE(server.received, QByteArray("N0CALL\r\n"));
    server.send("\r\nSorry, that is not a valid call.\r\nPlease enter your call: ");
    QTRY_COMPARE(feed.state(), RbnFeed::State::Waiting);
    QCOMPARE(feed.statusText(), QStringLiteral("Not connected: the server did not accept the callsign N0CALL. "
                                               "Trying again in 2 s."));
    QCOMPARE(server.received, QByteArray("N0CALL\r\n")); // sent once, not again and again
}

void TestSpots::reconnectPausesGrow()
{
    quint16 closedPort = 0;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        closedPort = probe.serverPort();
    }
    FakeFeedClock clock(Start);
    SpotStore store(clock);
    RbnFeed feed(store, clock);
    feed.apply(feedSettings(QStringLiteral("127.0.0.1:%1").arg(closedPort)));
    const int want[] = {2000, 4000, 8000, 16000, 32000, 64000, 128000, 256000, 300000, 300000};
    for (int pause : want) {
        QTRY_COMPARE(feed.state(), RbnFeed::State::Waiting);
        QCOMPARE(feed.reconnectTimer()->interval(), pause);
        QVERIFY(feed.reconnectTimer()->isSingleShot() && feed.reconnectTimer()->isActive());
        feed.reconnectTimer()->stop();
        clock.advance(pause);
        feed.reconnect();
    }
    QTRY_COMPARE(feed.state(), RbnFeed::State::Waiting);
    QVERIFY(feed.statusText().endsWith(QStringLiteral("Trying again in 5 min.")));
    // Turning the feed off and on starts the pauses afresh.
    RbnSettings off = feedSettings(QStringLiteral("127.0.0.1:%1").arg(closedPort));
    off.enabled = false;
    feed.apply(off);
    QVERIFY(!feed.reconnectTimer()->isActive());
    off.enabled = true;
    feed.apply(off);
    QTRY_COMPARE(feed.state(), RbnFeed::State::Waiting);
    QCOMPARE(feed.reconnectTimer()->interval(), 2000);
}

void TestSpots::heldConnectionStartsPausesAfresh()
{
    LocalRbnServer server;
    FakeFeedClock clock(Start);
    SpotStore store(clock);
    RbnFeed feed(store, clock);
    feed.apply(feedSettings(server.address()));
    // Two short connections: the pause grows.
    for (int round = 1; round <= 2; ++round) {
        QTRY_COMPARE(server.connections, round);
        QTRY_COMPARE(server.received, QByteArray("N0CALL\r\n"));
        clock.advance(RbnFeed::HeldConnectionMs - 1000);
        server.hangUp();
        QTRY_COMPARE(feed.state(), RbnFeed::State::Waiting);
        QCOMPARE(feed.reconnectTimer()->interval(), 2000 * round);
        feed.reconnectTimer()->stop();
        feed.reconnect();
    }
    // One that held for a minute: back to the first pause.
    QTRY_COMPARE(server.connections, 3);
    QTRY_COMPARE(server.received, QByteArray("N0CALL\r\n"));
    clock.advance(RbnFeed::HeldConnectionMs);
    server.hangUp();
    QTRY_COMPARE(feed.state(), RbnFeed::State::Waiting);
    QCOMPARE(feed.reconnectTimer()->interval(), 2000);
    QCOMPARE(store.connectedMs(Start, clock.utcMs()), 3 * RbnFeed::HeldConnectionMs - 2000);
}

void TestSpots::silentServerIsADrop()
{
    LocalRbnServer server;
    FakeFeedClock clock(Start);
    SpotStore store(clock);
    RbnFeed feed(store, clock);
    feed.apply(feedSettings(server.address()));
    QVERIFY(feed.watchTimer()->isActive());
    QTRY_COMPARE(server.received, QByteArray("N0CALL\r\n"));
    clock.advance(RbnFeed::SilenceLimitMs - 1);
    feed.watch();
    QCOMPARE(feed.state(), RbnFeed::State::Connected);
    clock.advance(1);
    feed.watch();
    QCOMPARE(feed.state(), RbnFeed::State::Waiting);
    QVERIFY(feed.statusText().startsWith(QStringLiteral("Not connected: no data from the server for 5 minutes.")));
    QTRY_VERIFY(!server.client || server.client->state() != QAbstractSocket::ConnectedState);
}

// 10 MB of feed as fast as loopback goes: every line is read and counted, and what the
// feed holds at any moment stays within its read buffer and one line; the store holds
// no more than its cap per station and band.
void TestSpots::floodStaysBounded()
{
    LocalRbnServer server;
    FakeFeedClock clock(Start);
    constexpr int Cap = 50;
    SpotStore store(clock, nullptr, Cap);
    RbnFeed feed(store, clock);
    feed.apply(feedSettings(server.address()));
    QTRY_COMPARE(server.received, QByteArray("N0CALL\r\n"));

    SpotStreamGenerator gen(23);
    const QByteArray flood = gen.flood(10 * 1024 * 1024);
    server.send("\r\n" + flood); // the prompt's line ends, then the flood
    QTRY_COMPARE_WITH_TIMEOUT(feed.counters().lines, gen.tally().lines + 1, 60000);
    QCOMPARE(feed.counters().spots, gen.tally().spots);
    QCOMPARE(feed.counters().beaconSpots, gen.tally().beaconSpots);
    QCOMPARE(feed.counters().malformed, gen.tally().malformed);
    QCOMPARE(feed.counters().overlong, gen.tally().overlong);
    QVERIFY(feed.mostBufferedBytes() > 0);
    QVERIFY2(feed.mostBufferedBytes() <= std::size_t(RbnFeed::ReadBufferBytes) + SpotLineSplitter::MaxLineBytes,
             QByteArray::number(qulonglong(feed.mostBufferedBytes())));
    QCOMPARE(store.spotsHeld(), std::size_t(BeaconCount * BandCount * Cap));
    QCOMPARE(feed.state(), RbnFeed::State::Connected);
}

QTEST_GUILESS_MAIN(TestSpots)
#include "tst_spots.moc"
