// The beacon catalogue, the schedule clock and the pass counter.

#include "beacon_catalogue.h"
#include "clock_source.h"
#include "pass_counter.h"
#include "schedule_clock.h"

#include <QtTest>

#include <set>

using namespace halvion;

class TestCore : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void catalogueTexts_data();
    void catalogueTexts();
    void findByCallsign_data();
    void findByCallsign();
    void everySecondOfTheCycle();
    void tellingRows_data();
    void tellingRows();
    void readingIsOneInstant();
    void fakeClockWrapsMidnight();
    void passCounter_data();
    void passCounter();
};

void TestCore::catalogueTexts_data()
{
    QTest::addColumn<QString>("actual");
    QTest::addColumn<QString>("expected");
    auto row = [](const char *name, const std::string &a, const char *e) {
        QTest::newRow(name) << QString::fromStdString(a) << QString::fromUtf8(e);
    };
    using namespace BeaconCatalogue;
    row("heading 5Z4B", stationHeading(11), "NCDXF Beacon Station 5Z4B");
    row("heading 4U1UN", stationHeading(0), "NCDXF Beacon Station 4U1UN");
    row("title OA4B 20m", minimisedTitle(16, 0), "OA4B 20M Beacon");
    row("title W6WX 10m", minimisedTitle(2, 4), "W6WX 10M Beacon");
    row("title VK6RBP 12m", minimisedTitle(5, 3), "VK6RBP 12M Beacon");
    row("label first", mapLabelName(0), "Label4U1UN");
    row("label last", mapLabelName(17), "LabelYV5B");
    row("W6WX latitude", std::string(beacon(2).latitudeText), "Latitude 37deg. 09min. North");
    row("W6WX longitude", std::string(beacon(2).longitudeText), "Longitude 121deg. 54min. West");
    row("4S7B two-digit degrees", std::string(beacon(9).latitudeText), "Latitude 06deg. 54min. North");
    row("ZS6DN longitude as it comes", std::string(beacon(10).longitudeText), "Longitude 28deg. 16min. East");
    row("selected caption keeps blanks", std::string(band(1).selectedCaption), "   17 Meters");
    row("button caption has none", std::string(band(1).buttonCaption), "17 Meters");
    row("17 m button", std::string(band(1).buttonControl), "Command4");
    row("10 m button", std::string(band(4).buttonControl), "Command2");
    row("10 m hint", std::string(band(4).tuningHint), "10 Meter Band Selected - Tune Receiver To 28.200 MHz (CW Mode)");

    std::set<std::string_view> calls;
    for (const auto &b : Beacons) {
        calls.insert(b.callsign);
        QVERIFY(b.latitudeText.starts_with("Latitude ") && b.latitudeText.find("Latitude", 1) == std::string_view::npos);
        QVERIFY(b.longitudeText.starts_with("Longitude "));
        QVERIFY(b.site.find(" - ") != std::string_view::npos);
    }
    QCOMPARE(calls.size(), std::size_t(BeaconCount));
}

void TestCore::catalogueTexts()
{
    QFETCH(QString, actual);
    QFETCH(QString, expected);
    QCOMPARE(actual, expected);
}

void TestCore::findByCallsign_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("index"); // -1: none
    QTest::newRow("VK6RBP") << "VK6RBP" << 5;
    QTest::newRow("first") << "4U1UN" << 0;
    QTest::newRow("last") << "YV5B" << 17;
    QTest::newRow("lower case") << "vk6rbp" << -1;
    QTest::newRow("leading blank") << " VK6RBP" << -1;
    QTest::newRow("trailing blank") << "VK6RBP " << -1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("prefix") << "VK6" << -1;
}

void TestCore::findByCallsign()
{
    QFETCH(QString, text);
    QFETCH(int, index);
    const auto found = BeaconCatalogue::findByCallsign(text.toStdString());
    QCOMPARE(found.value_or(-1), index);
}

// Every second of the three-minute cycle against the slot rule, on all five bands:
// station i is on band b in slot (i + b) mod 18.
void TestCore::everySecondOfTheCycle()
{
    for (int minute = 0; minute < 60; ++minute) {
        for (int second = 0; second < 60; ++second) {
            const ScheduleTime t = ScheduleClock::fromMinuteSecond(minute, second);
            const int cycleSecond = (minute % 3) * 60 + second;
            QCOMPARE(t.minute, minute);
            QCOMPARE(t.second, second);
            QCOMPARE(t.MinuteOfCycle, minute % 3);
            QCOMPARE(t.SlotInMinute, second / 10);
            QCOMPARE(t.SlotIndex, cycleSecond / 10);
            QCOMPARE(t.SecondInSlot, second % 10);
            for (int b = 0; b < BandCount; ++b) {
                const int i = ScheduleClock::beaconOn(b, t.SlotIndex);
                QVERIFY(i >= 0 && i < BeaconCount);
                QCOMPARE((i + b) % 18, t.SlotIndex);
            }
        }
    }
}

void TestCore::tellingRows_data()
{
    QTest::addColumn<int>("minute");
    QTest::addColumn<int>("second");
    QTest::addColumn<int>("slot");
    QTest::addColumn<QStringList>("stations"); // 20, 17, 15, 12, 10 m
    QTest::newRow("12:00:00") << 0 << 0 << 0 << QStringList{"4U1UN", "YV5B", "OA4B", "LU4AA", "CS3B"};
    QTest::newRow("slot 1") << 3 << 15 << 1 << QStringList{"VE8AT", "4U1UN", "YV5B", "OA4B", "LU4AA"};
    QTest::newRow("slot 5") << 57 << 59 << 5 << QStringList{"VK6RBP", "ZL6B", "KH6WO", "W6WX", "VE8AT"};
    QTest::newRow("slot 6") << 1 << 0 << 6 << QStringList{"JA2IGY", "VK6RBP", "ZL6B", "KH6WO", "W6WX"};
    QTest::newRow("07:31:45") << 31 << 45 << 10 << QStringList{"ZS6DN", "4S7B", "VR2B", "RR9O", "JA2IGY"};
    QTest::newRow("slot 12") << 59 << 9 << 12 << QStringList{"4X6TU", "5Z4B", "ZS6DN", "4S7B", "VR2B"};
    QTest::newRow("23:59:59") << 59 << 59 << 17 << QStringList{"YV5B", "OA4B", "LU4AA", "CS3B", "OH2B"};
}

void TestCore::tellingRows()
{
    QFETCH(int, minute);
    QFETCH(int, second);
    QFETCH(int, slot);
    QFETCH(QStringList, stations);
    const ScheduleTime t = ScheduleClock::fromMinuteSecond(minute, second);
    QCOMPARE(t.SlotIndex, slot);
    for (int b = 0; b < BandCount; ++b)
        QCOMPARE(QString::fromUtf8(BeaconCatalogue::beacon(ScheduleClock::beaconOn(b, slot)).callsign), stations[b]);
}

void TestCore::readingIsOneInstant()
{
    // The hour plays no part; minute and second come from the same reading.
    FakeClockSource clock(7, 31, 45);
    ScheduleTime t = ScheduleClock::sample(clock);
    QCOMPARE(t.MinuteOfCycle, 1);
    QCOMPARE(t.SlotInMinute, 4);
    QCOMPARE(t.SlotIndex, 10);
    QCOMPARE(t.SecondInSlot, 5);
    clock.set(19, 31, 45);
    QCOMPARE(ScheduleClock::sample(clock).SlotIndex, 10);

    clock.set(23, 59, 59);
    t = ScheduleClock::sample(clock);
    QCOMPARE(t.SlotIndex, 17);
    QCOMPARE(t.SecondInSlot, 9);
    clock.advance(1);
    QCOMPARE(ScheduleClock::sample(clock).SlotIndex, 0);

    const ClockReading r = SystemClockSource().now();
    QVERIFY(r.hour >= 0 && r.hour < 24 && r.minute >= 0 && r.minute < 60);
    QVERIFY(r.second >= 0 && r.second < 60 && r.millisecond >= 0 && r.millisecond < 1000);
}

void TestCore::fakeClockWrapsMidnight()
{
    FakeClockSource clock(23, 59, 50);
    clock.advance(15);
    QCOMPARE(clock.now().hour, 0);
    QCOMPARE(clock.now().minute, 0);
    QCOMPARE(clock.now().second, 5);
    clock.advance(-10);
    QCOMPARE(clock.now().hour, 23);
    QCOMPARE(clock.now().second, 55);
}

// The counter over a simulated clock: reset at a given second, then ticks at the
// given offsets (seconds after the reset); the expected pass and beacon after the last.
void TestCore::passCounter_data()
{
    QTest::addColumn<int>("startSecond");
    QTest::addColumn<QList<int>>("ticks");
    QTest::addColumn<int>("pass");
    QTest::addColumn<int>("beacon");
    QTest::addColumn<int>("wraps");

    QList<int> regular;
    for (int s = 1; s <= 175; ++s)
        regular << s;
    QList<int> wholeHour;
    for (int s = 1; s <= 3600; ++s)
        wholeHour << s;
    // Chosen at second 25: the slot start at second 30 makes beacon 2.
    QTest::newRow("one slot start") << 25 << QList<int>{1, 2, 3, 4, 5} << 1 << 2 << 0;
    QTest::newRow("not yet") << 25 << QList<int>{1, 2, 3, 4} << 1 << 1 << 0;
    // Seventeen slot starts after the choice: beacon 18, still pass 1.
    QTest::newRow("beacon 18") << 25 << QList<int>{5 + 16 * 10} << 1 << 18 << 0;
    // One more: pass 2, beacon 1 — never 19.
    QTest::newRow("wrap") << 25 << QList<int>{5 + 17 * 10} << 2 << 1 << 1;
    QTest::newRow("regular ticks across the wrap") << 25 << regular << 2 << 1 << 1;
    // Ticks landing late, doubled and skipping the second ending in 0.
    QTest::newRow("late ticks") << 25 << QList<int>{6, 6, 17, 29, 41} << 1 << 5 << 0;
    QTest::newRow("skipped whole slots") << 25 << QList<int>{36} << 1 << 5 << 0;
    // Chosen in the first second of a slot: that slot is beacon 1, not 2.
    QTest::newRow("chosen at a slot start") << 30 << QList<int>{0, 1, 1, 9} << 1 << 1 << 0;
    QTest::newRow("two passes at once") << 0 << QList<int>{360} << 3 << 1 << 2;
    // A clock set back a few seconds counts nothing and goes on from there.
    QTest::newRow("clock set back") << 25 << QList<int>{5, -20, -9} << 1 << 3 << 0;
    // The clock jumping by an hour or half an hour between two ticks (summer time, a new
    // time zone): five seconds really passed, one slot start, and no pass was completed.
    QTest::newRow("summer time starts") << 25 << QList<int>{1, 2, 3, 4, 3600 + 5} << 1 << 2 << 0;
    QTest::newRow("summer time ends") << 25 << QList<int>{1, 2, 3, 4, -3600 + 5} << 1 << 2 << 0;
    QTest::newRow("half hour on") << 25 << QList<int>{1, 2, 3, 1800 + 4, 1800 + 5} << 1 << 2 << 0;
    QTest::newRow("half hour back") << 25 << QList<int>{1, 2, 3, -1800 + 4, -1800 + 5} << 1 << 2 << 0;
    QTest::newRow("two hours on, then ticks") << 25 << QList<int>{7200 + 5, 7200 + 15} << 1 << 3 << 0;
    // A real hour of ticks counts every one of its 360 slot starts.
    QTest::newRow("a whole hour of ticks") << 25 << wholeHour << 21 << 1 << 20;
}

void TestCore::passCounter()
{
    QFETCH(int, startSecond);
    QFETCH(QList<int>, ticks);
    QFETCH(int, pass);
    QFETCH(int, beacon);
    QFETCH(int, wraps);

    FakeClockSource clock(12, 0, startSecond);
    PassCounter counter;
    counter.reset(clock.now());
    QCOMPARE(counter.passNumber(), 1);
    QCOMPARE(counter.beaconInPass(), 1);
    int totalWraps = 0;
    for (int offset : ticks) {
        FakeClockSource at(12, 0, startSecond);
        at.advance(offset);
        totalWraps += counter.advance(at.now());
        QVERIFY(counter.beaconInPass() >= 1 && counter.beaconInPass() <= 18);
    }
    QCOMPARE(counter.passNumber(), pass);
    QCOMPARE(counter.beaconInPass(), beacon);
    QCOMPARE(totalWraps, wraps);
}

QTEST_GUILESS_MAIN(TestCore)
#include "tst_core.moc"
