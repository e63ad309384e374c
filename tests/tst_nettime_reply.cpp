// Reading NIST daytime replies and the clock record made from them: pure text and
// calendar work, no network and no windows.

#include "daytime_reply.h"

#include <QtTest>

using namespace halvion;

namespace {

// A reply in the server's layout: line feed, MJD, date, time, codes, the advance in
// characters 33-37, trailing marks.
QByteArray reply(const char *mjd, const char *date, const char *time, char health = '0',
                 const char *advance = " 50.0")
{
    return QByteArray("\n") + mjd + ' ' + date + ' ' + time + " 00 0 " + health + ' ' + advance
        + " UTC(NIST) * \n";
}

QString text(const UtcDateTime &t)
{
    if (t.isZero())
        return QStringLiteral("zero");
    return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
}

QString text(const std::optional<SystemTimeRecord> &r)
{
    if (!r)
        return QStringLiteral("none");
    return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d.%03d", r->year, r->month, r->day, r->hour, r->minute,
                             r->second, r->milliseconds);
}

} // namespace

Q_DECLARE_METATYPE(ReplyVerdict)
Q_DECLARE_METATYPE(SystemTimeRecord)

class TestDaytimeReply : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsReply_data();
    void readsReply();
    void advanceNumber_data();
    void advanceNumber();
    void systemTimeChecks_data();
    void systemTimeChecks();
    void unixTime();
};

void TestDaytimeReply::readsReply_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<ReplyVerdict>("verdict");
    QTest::addColumn<QString>("stated");
    QTest::addColumn<int>("advance");
    QTest::addColumn<QString>("record"); // what the clock would be set to

    using V = ReplyVerdict;
    const char *good = "54174"; // 15 March 2007
    QTest::newRow("advance 50.0") << reply(good, "07-03-15", "12:34:56") << V::Good << "2007-03-15 12:34:56" << 500
                                  << "2007-03-15 12:34:55.950";
    QTest::newRow("health 1") << reply(good, "07-03-15", "12:34:56", '1') << V::Unhealthy << "2007-03-15 12:34:56"
                              << 500 << "2007-03-15 12:34:55.950";
    QTest::newRow("health blank") << reply(good, "07-03-15", "12:34:56", ' ') << V::Unhealthy
                                  << "2007-03-15 12:34:56" << 500 << "2007-03-15 12:34:55.950";
    QTest::newRow("advance 0.0") << reply(good, "07-03-15", "12:34:56", '0', "  0.0") << V::Good
                                 << "2007-03-15 12:34:56" << 0 << "2007-03-15 12:34:56.000";
    QTest::newRow("advance 123.4") << reply(good, "07-03-15", "12:34:56", '0', "123.4") << V::Good
                                   << "2007-03-15 12:34:56" << 1234 << "2007-03-15 12:34:55.877";
    // (10000 - 15) / 10 = 998.5 and (10000 - 25) / 10 = 997.5 both round to the even 998.
    QTest::newRow("ms half to even down") << reply(good, "07-03-15", "12:34:56", '0', "  1.5") << V::Good
                                          << "2007-03-15 12:34:56" << 15 << "2007-03-15 12:34:55.998";
    QTest::newRow("ms half to even up") << reply(good, "07-03-15", "12:34:56", '0', "  2.5") << V::Good
                                        << "2007-03-15 12:34:56" << 25 << "2007-03-15 12:34:55.998";
    // 999.7 ms rounds to a whole second: the stated second itself, not a refused 1000 ms.
    QTest::newRow("advance 0.3") << reply(good, "07-03-15", "12:34:56", '0', "  0.3") << V::Good
                                 << "2007-03-15 12:34:56" << 3 << "2007-03-15 12:34:56.000";
    // A negative advance gives more than 999 ms: the clock setter refuses it.
    QTest::newRow("negative advance") << reply(good, "07-03-15", "12:34:56", '0', "-50.0") << V::Good
                                      << "2007-03-15 12:34:56" << -500 << "2007-03-15 12:34:55.1050";
    // Characters 33-35 and 37, the point at 36 left out, read leniently.
    QTest::newRow("advance blanks inside") << reply(good, "07-03-15", "12:34:56", '0', "1 2.3") << V::Good
                                           << "2007-03-15 12:34:56" << 123 << "2007-03-15 12:34:55.988";
    QTest::newRow("advance 2.5 read as a number") << reply(good, "07-03-15", "12:34:56", '0', "2.5x ")
                                                  << V::Good << "2007-03-15 12:34:56" << 2
                                                  << "2007-03-15 12:34:56.000";
    QTest::newRow("advance garbage") << reply(good, "07-03-15", "12:34:56", '0', "abc.d") << V::Good
                                     << "2007-03-15 12:34:56" << 0 << "2007-03-15 12:34:56.000";
    QTest::newRow("advance 1E4") << reply(good, "07-03-15", "12:34:56", '0', "1E .4") << V::Good
                                 << "2007-03-15 12:34:56" << 10000 << "2007-03-15 12:34:55.000";
    QTest::newRow("advance overflows") << reply(good, "07-03-15", "12:34:56", '1', "9E9.9") << V::AdvanceOverflow
                                       << "2007-03-15 12:34:56" << 0 << "none";
    QTest::newRow("10000 - advance overflows") << reply(good, "07-03-15", "12:34:56", '0', "-3E.4") << V::Good
                                               << "2007-03-15 12:34:56" << -30000 << "none";

    // Calendar arithmetic of the one-second step back.
    QTest::newRow("new year") << reply("61041", "26-01-01", "00:00:00") << V::Good << "2026-01-01 00:00:00" << 500
                              << "2025-12-31 23:59:59.950";
    QTest::newRow("leap day") << reply("60370", "24-03-01", "00:00:00") << V::Good << "2024-03-01 00:00:00" << 500
                              << "2024-02-29 23:59:59.950";

    // The date and time check.
    QTest::newRow("30 February") << reply(good, "07-02-30", "12:34:56") << V::BadDateTime << "zero" << 0 << "none";
    QTest::newRow("leap second") << reply(good, "07-03-15", "23:59:60") << V::BadDateTime << "zero" << 0 << "none";
    QTest::newRow("hour 24") << reply(good, "07-03-15", "24:00:00") << V::BadDateTime << "zero" << 0 << "none";
    QTest::newRow("month 13") << reply(good, "07-13-15", "12:34:56") << V::BadDateTime << "zero" << 0 << "none";
    QTest::newRow("missing zero") << reply(good, "07-3-15 ", "12:34:56") << V::BadDateTime << "zero" << 0 << "none";
    QTest::newRow("slashes") << reply(good, "07/03/15", "12:34:56") << V::BadDateTime << "zero" << 0 << "none";
    QTest::newRow("empty") << QByteArray() << V::BadDateTime << "zero" << 0 << "none";
    QTest::newRow("line feed only") << QByteArray("\n") << V::BadDateTime << "zero" << 0 << "none";
    QTest::newRow("cut in the time") << QByteArray("\n54174 07-03-15 12:34") << V::BadDateTime << "zero" << 0
                                     << "none";
    // Cut after the time: no health code, so not healthy.
    QTest::newRow("cut after the time") << QByteArray("\n54174 07-03-15 12:34:56") << V::Unhealthy
                                        << "2007-03-15 12:34:56" << 0 << "2007-03-15 12:34:56.000";
    QTest::newRow("html") << QByteArray("HTTP/1.1 200 OK\r\n<html><body>12:34:56</body></html>\r\n")
                          << V::BadDateTime << "zero" << 0 << "none";

    // Two-digit years are this century's, and the MJD must agree when it is a number.
    QTest::newRow("year 29") << reply("62288", "29-06-01", "10:00:00") << V::Good << "2029-06-01 10:00:00" << 500
                             << "2029-06-01 09:59:59.950";
    QTest::newRow("year 30 is 2030") << reply("62653", "30-06-01", "10:00:00") << V::Good << "2030-06-01 10:00:00"
                                     << 500 << "2030-06-01 09:59:59.950";
    QTest::newRow("MJD disagrees") << reply("54175", "07-03-15", "12:34:56") << V::BadDateTime << "zero" << 0
                                   << "none";
    QTest::newRow("MJD of 1930") << reply("26128", "30-06-01", "10:00:00") << V::BadDateTime << "zero" << 0
                                 << "none";
    QTest::newRow("MJD not a number") << reply("5417x", "07-03-15", "12:34:56") << V::Good << "2007-03-15 12:34:56"
                                      << 500 << "2007-03-15 12:34:55.950";
    QTest::newRow("MJD blank") << reply("     ", "07-03-15", "12:34:56") << V::Good << "2007-03-15 12:34:56" << 500
                               << "2007-03-15 12:34:55.950";
}

void TestDaytimeReply::readsReply()
{
    QFETCH(QByteArray, reply);
    QFETCH(ReplyVerdict, verdict);
    QFETCH(QString, stated);
    QFETCH(int, advance);
    QFETCH(QString, record);

    const DaytimeReply r = ReadDaytimeReply(std::string_view(reply.constData(), static_cast<std::size_t>(reply.size())));
    QCOMPARE(r.verdict, verdict);
    QCOMPARE(text(r.stated), stated);
    QCOMPARE(int(r.advanceTenths), advance);
    const auto made = r.verdict == ReplyVerdict::BadDateTime || r.verdict == ReplyVerdict::AdvanceOverflow
        ? std::nullopt
        : clockRecordFor(r.stated, r.advanceTenths);
    QCOMPARE(text(made), record);
    if (made)
        QCOMPARE(made->dayOfWeek, 0);
}

void TestDaytimeReply::advanceNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("tenths"); // -99999: does not fit

    QTest::newRow("empty") << "" << 0;
    QTest::newRow("no number") << "abcd" << 0;
    QTest::newRow("right-aligned") << " 500" << 500;
    QTest::newRow("plus") << "+12" << 12;
    QTest::newRow("minus") << "-500" << -500;
    QTest::newRow("blanks between digits") << "1 2 3 4" << 1234;
    QTest::newRow("stops at a second point") << "1..2" << 1;
    QTest::newRow("stops at a letter") << "12x4" << 12;
    QTest::newRow("half to even, down") << "12.5" << 12;
    QTest::newRow("half to even, up") << "13.5" << 14;
    QTest::newRow("exponent") << "1e4" << 10000;
    QTest::newRow("D exponent") << "3D2" << 300;
    QTest::newRow("exponent without digits") << "7E" << 7;
    QTest::newRow("tiny") << "1E-9" << 0;
    QTest::newRow("largest") << "32767" << 32767;
    QTest::newRow("rounds past the largest") << "32767.5" << -99999;
    QTest::newRow("smallest") << "-32768" << -32768;
    QTest::newRow("too large") << "9E99" << -99999;
    QTest::newRow("far too large") << "1E999999" << -99999;
}

void TestDaytimeReply::advanceNumber()
{
    QFETCH(QString, text);
    QFETCH(int, tenths);
    const std::string s = text.toStdString();
    const auto read = readAdvanceTenths(s);
    QCOMPARE(read ? int(*read) : -99999, tenths);
}

void TestDaytimeReply::systemTimeChecks_data()
{
    QTest::addColumn<SystemTimeRecord>("record");
    QTest::addColumn<bool>("valid");

    const SystemTimeRecord ok{2007, 3, 0, 15, 12, 34, 55, 950};
    auto with = [&](auto change) {
        SystemTimeRecord r = ok;
        change(r);
        return r;
    };
    QTest::newRow("good") << ok << true;
    QTest::newRow("999 ms") << with([](auto &r) { r.milliseconds = 999; }) << true;
    QTest::newRow("1000 ms") << with([](auto &r) { r.milliseconds = 1000; }) << false;
    QTest::newRow("wrapped ms") << with([](auto &r) { r.milliseconds = 65036; }) << false;
    QTest::newRow("29 Feb 2024") << with([](auto &r) { r.year = 2024, r.month = 2, r.day = 29; }) << true;
    QTest::newRow("29 Feb 2023") << with([](auto &r) { r.year = 2023, r.month = 2, r.day = 29; }) << false;
    QTest::newRow("month 0") << with([](auto &r) { r.month = 0; }) << false;
    QTest::newRow("day 0") << with([](auto &r) { r.day = 0; }) << false;
    QTest::newRow("hour 24") << with([](auto &r) { r.hour = 24; }) << false;
    QTest::newRow("second 60") << with([](auto &r) { r.second = 60; }) << false;
    QTest::newRow("year 1600") << with([](auto &r) { r.year = 1600; }) << false;
}

void TestDaytimeReply::systemTimeChecks()
{
    QFETCH(SystemTimeRecord, record);
    QFETCH(bool, valid);
    QCOMPARE(isValidSystemTime(record), valid);
}

void TestDaytimeReply::unixTime()
{
    QCOMPARE(unixMicroseconds({2007, 3, 0, 15, 12, 34, 55, 950}), Q_INT64_C(1173962095950000));
    QCOMPARE(unixMicroseconds({1970, 1, 0, 1, 0, 0, 0, 0}), Q_INT64_C(0));
    QCOMPARE(modifiedJulianDate(1858, 11, 17), Q_INT64_C(0));
}

QTEST_APPLESS_MAIN(TestDaytimeReply)
#include "tst_nettime_reply.moc"
