// The clock check: the time server packets and their judging, the rules for when to
// ask, the badge's colours and texts, and the whole check against a real time server
// on 127.0.0.1 written here, with a chosen offset and delay and every kind of bad reply.

#include "clock_badge.h"
#include "clock_check.h"
#include "form1.h"
#include "frm_condensed.h"
#include "program.h"
#include "set_time_form.h"
#include "settings_file.h"
#include "sntp_arrival.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QNetworkDatagram>
#include <QProgressBar>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QUdpSocket>
#include <QtTest>

#include <cmath>

using namespace halvion;
using sntp::Timestamp;

namespace {

constexpr std::int64_t Minute = 60 * 1000;

// NTP seconds in the high half, fraction in the low half.
constexpr Timestamp stampOf(std::uint32_t seconds, double fraction = 0)
{
    return (Timestamp{seconds} << 32) | static_cast<std::uint32_t>(fraction * 4294967296.0);
}

void put32(QByteArray &b, int at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<char>((v >> (24 - 8 * i)) & 0xff);
}

void put64(QByteArray &b, int at, Timestamp v)
{
    put32(b, at, static_cast<std::uint32_t>(v >> 32));
    put32(b, at + 4, static_cast<std::uint32_t>(v));
}

Timestamp get64(const QByteArray &b, int at)
{
    Timestamp v = 0;
    for (int i = 0; i < 8; ++i)
        v = (v << 8) | static_cast<std::uint8_t>(b[at + i]);
    return v;
}

// A server reply written by hand, field by field.
struct Reply {
    int leap = 0, version = 4, mode = 4, stratum = 1;
    std::uint32_t rootDelay = 0, rootDispersion = 0;
    QByteArray refId = "GPS";
    Timestamp origin = 0, receive = 0, transmit = 0;

    QByteArray bytes() const
    {
        QByteArray b(48, '\0');
        b[0] = static_cast<char>((leap << 6) | (version << 3) | mode);
        b[1] = static_cast<char>(stratum);
        put32(b, 4, rootDelay);
        put32(b, 8, rootDispersion);
        for (int i = 0; i < 4 && i < refId.size(); ++i)
            b[12 + i] = refId[i];
        put64(b, 24, origin);
        put64(b, 32, receive);
        put64(b, 40, transmit);
        return b;
    }
    sntp::Packet packet() const
    {
        const QByteArray b = bytes();
        return *sntp::readPacket(reinterpret_cast<const std::uint8_t *>(b.constData()), 48);
    }
};

// Both clocks of the check, standing still until told; the PC clock can also be stepped.
class FakeClocks final : public ClockCheckClocks {
public:
    std::int64_t wall = 1'780'000'000'000'000; // microseconds since 1970
    std::int64_t steady = 5000;
    std::int64_t wallMicros() const override { return wall; }
    std::int64_t steadyMillis() const override { return steady; }
    // The fake clock moves only when told: any recent instant reads as now.
    std::int64_t wallMicrosAt(std::int64_t) const override { return wall; }
    void advance(std::int64_t ms)
    {
        wall += ms * 1000;
        steady += ms;
    }
    void stepWall(double seconds) { wall += static_cast<std::int64_t>(seconds * 1e6); }
};

class FakeKernel final : public KernelClockReader {
public:
    KernelClockState state;
    KernelClockState read() const override { return state; }
};

// A time server on 127.0.0.1 with a port of its own. It counts the requests it gets
// and answers each the way the test asks: with its clock plus an offset after a
// delay, or with one of the faults a client must survive.
class Responder : public QObject {
public:
    enum class Mode {
        Good,
        WrongOrigin,
        Truncated,
        Kiss,
        Leap3,
        Silent,
        Flood,
        NoReceiveStamp,
        NoTransmitStamp,
        SentBeforeReceived, // transmit stamp 1 s before the receive stamp
        ReceivedLongBefore, // receive stamp 600 s before the transmit stamp
    };

    // With fake clocks the delay is the path, made by moving them on and split evenly
    // both ways. With real ones it is the server holding the request: its stamps are
    // the request's arrival and the reply's departure, so a slow test machine shows
    // as a longer hold, which the client subtracts, never as an uneven path.
    Responder(const ClockCheckClocks &clocks, FakeClocks *fake) : clocks_(clocks), fake_(fake)
    {
        QVERIFY(socket_.bind(QHostAddress::LocalHost, 0));
        QVERIFY(stranger_.bind(QHostAddress::LocalHost, 0));
        if (!fake_)
            sntp::enableArrivalStamps(socket_.socketDescriptor());
        connect(&socket_, &QUdpSocket::readyRead, this, &Responder::serve);
    }

    quint16 port() const { return socket_.localPort(); }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(port()); }

    Mode mode = Mode::Good;
    double offset = 0;   // seconds the server is ahead of the PC clock
    int delayMs = 40;    // round trip, split evenly both ways
    QByteArray kiss;
    int requests = 0;
    int answered = 0;
    // The PC clock just before and just after the last reply was handed to the system.
    std::int64_t sendBegan = 0, sendEnded = 0;
    // Milliseconds the thread stays busy after each reply, as a user interface at work.
    int busyAfterSend = 0;

private:
    Timestamp serverAt(std::int64_t wallMicros) const
    {
        return sntp::fromUnixMicros(wallMicros + static_cast<std::int64_t>(offset * 1e6));
    }
    Timestamp serverNow() const { return serverAt(clocks_.wallMicros()); }

    void serve()
    {
        while (socket_.hasPendingDatagrams()) {
            const auto arrival = sntp::peekArrivalStamp(socket_.socketDescriptor());
            const QNetworkDatagram request = socket_.receiveDatagram();
            ++requests;
            const QByteArray bytes = request.data();
            if (bytes.size() != 48 || (bytes[0] & 7) != 3)
                continue;
            const Timestamp origin = get64(bytes, 40);
            const QHostAddress peer = request.senderAddress();
            const quint16 peerPort = static_cast<quint16>(request.senderPort());
            if (fake_) {
                fake_->advance(delayMs / 2);
                answer(origin, peer, peerPort, serverNow());
            } else {
                const Timestamp received = serverAt(arrival ? clocks_.wallMicrosAt(*arrival) : clocks_.wallMicros());
                QTimer::singleShot(delayMs, Qt::PreciseTimer, this, [this, origin, peer, peerPort, received] {
                    answer(origin, peer, peerPort, received);
                });
            }
        }
    }

    void answer(Timestamp origin, const QHostAddress &peer, quint16 peerPort, Timestamp received)
    {
        Reply r;
        r.origin = origin;
        r.receive = received;
        r.transmit = fake_ ? received : serverNow();
        auto sendOut = [this, peer, peerPort](const QByteArray &packet) {
            ++answered;
            sendBegan = clocks_.wallMicros();
            socket_.writeDatagram(packet, peer, peerPort);
            sendEnded = clocks_.wallMicros();
            if (busyAfterSend > 0)
                QThread::msleep(static_cast<unsigned long>(busyAfterSend));
        };
        auto later = [this](auto &&send) {
            if (fake_)
                fake_->advance(delayMs - delayMs / 2);
            send();
        };
        switch (mode) {
        case Mode::Good:
            later([=] { sendOut(r.bytes()); });
            return;
        case Mode::WrongOrigin: {
            Reply wrong = r;
            wrong.origin = origin + 1;
            later([=] { sendOut(wrong.bytes()); });
            return;
        }
        case Mode::Truncated:
            later([=] { sendOut(r.bytes().left(47)); });
            return;
        case Mode::Kiss: {
            Reply k = r;
            k.stratum = 0;
            k.leap = 3;
            k.refId = kiss;
            later([=] { sendOut(k.bytes()); });
            return;
        }
        case Mode::Leap3: {
            Reply l = r;
            l.leap = 3;
            later([=] { sendOut(l.bytes()); });
            return;
        }
        case Mode::NoReceiveStamp:
            r.receive = 0;
            later([=] { sendOut(r.bytes()); });
            return;
        case Mode::NoTransmitStamp:
            r.transmit = 0;
            later([=] { sendOut(r.bytes()); });
            return;
        case Mode::SentBeforeReceived:
            r.transmit = r.receive - stampOf(1);
            later([=] { sendOut(r.bytes()); });
            return;
        case Mode::ReceivedLongBefore:
            r.receive = r.transmit - stampOf(600);
            later([=] { sendOut(r.bytes()); });
            return;
        case Mode::Silent:
            return;
        case Mode::Flood: {
            // Garbage, replies to someone else's question, and a perfect refusal
            // forged from another port; then the real answer.
            auto *rng = QRandomGenerator::global();
            for (int i = 0; i < 30; ++i) {
                QByteArray junk(static_cast<int>(rng->bounded(1, 120)), '\0');
                for (char &c : junk)
                    c = static_cast<char>(rng->bounded(256));
                sendOut(junk);
            }
            for (int i = 0; i < 30; ++i) {
                Reply other = r;
                other.origin = rng->generate64();
                sendOut(other.bytes());
            }
            Reply forged = r;
            forged.stratum = 0;
            forged.refId = "DENY";
            for (int i = 0; i < 30; ++i)
                stranger_.writeDatagram(forged.bytes(), peer, peerPort);
            later([=] { sendOut(r.bytes()); });
            return;
        }
        }
    }

    const ClockCheckClocks &clocks_;
    FakeClocks *fake_;
    QUdpSocket socket_, stranger_;
};

// A clock check on fake clocks with its own settings file, pointed at a responder.
struct CheckFixture {
    QTemporaryDir dir;
    SettingsFile settings{dir.filePath(QStringLiteral("Halvion.ini")).toStdString()};
    FakeClocks clocks;
    FakeKernel kernel;
    Responder responder{clocks, &clocks};
    ClockCheck check{settings, clocks, kernel};

    explicit CheckFixture(bool on = true)
    {
        settings.write("ClockCheckServer", responder.address().toStdString());
        if (on)
            settings.write("ClockCheck", "True");
    }
    QByteArray file() const
    {
        QFile f(QString::fromStdString(settings.path()));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

bool sameBadge(const ClockBadgeView &a, const ClockBadgeView &b)
{
    return a.level == b.level && a.text == b.text && a.measured == b.measured;
}

} // namespace

Q_DECLARE_METATYPE(sntp::Verdict)
Q_DECLARE_METATYPE(sntp::Kiss)
Q_DECLARE_METATYPE(BadgeLevel)
Q_DECLARE_METATYPE(KernelClockState::Sync)
Q_DECLARE_METATYPE(Responder::Mode)

class TestClockCheck : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Packets
    void timestamps();
    void requestLayout();
    void judgeReply_data();
    void judgeReply();
    void measureFromFourStamps_data();
    void measureFromFourStamps();
    void serverText_data();
    void serverText();
    void kernelState_data();
    void kernelState();

    // Rules
    void offUntilTurnedOn();
    void fourSecondsWhateverTheUserDoes();
    void backOffWhileSilentAndOnRate();
    void refusalStopsUntilAnotherServer();
    void measureAgainAfterClockSetInFlight();

    // Badge
    void badgeLevels_data();
    void badgeLevels();
    void badgeOffsetTexts_data();
    void badgeOffsetTexts();
    void badgeViews();
    void airMeasurementOnBadge_data();
    void airMeasurementOnBadge();
    void airOffsetUntilClockSet();
    void badgeWidgetGrowsLeft();

    // Against a responder
    void measuresChosenOffsetRealTime_data();
    void measuresChosenOffsetRealTime();
    void arrivalDatedWhenItArrives();
    void badRepliesMoveNothing_data();
    void badRepliesMoveNothing();
    void floodIsIgnored();
    void kissOfDeath_data();
    void kissOfDeath();
    void stepOfPcClockShowsAtOnce();
    void settingsKeys();

    // In the program
    void menuItemAndBadgeInMainWindow();
};

void TestClockCheck::timestamps()
{
    QCOMPARE(sntp::fromUnixMicros(0), stampOf(2208988800u));
    QCOMPARE(sntp::fromUnixMicros(1'500'000), stampOf(2208988801u, 0.5));
    QCOMPARE(sntp::fromUnixMicros(-500'000), stampOf(2208988799u, 0.5));
    // 7 February 2036: the seconds wrap to 0, differences across it stay right.
    const std::int64_t wrap = 2085978496LL * 1'000'000;
    QCOMPARE(sntp::fromUnixMicros(wrap), stampOf(0));
    QCOMPARE(sntp::secondsBetween(sntp::fromUnixMicros(wrap + 250'000), sntp::fromUnixMicros(wrap - 750'000)), 1.0);
    QCOMPARE(sntp::secondsBetween(stampOf(10), stampOf(12, 0.5)), -2.5);
}

void TestClockCheck::requestLayout()
{
    const auto packet = sntp::requestPacket(0x0123456789abcdefULL);
    QCOMPARE(packet[0], std::uint8_t{0x23}); // version 4, client
    for (std::size_t i = 1; i < 40; ++i)
        QCOMPARE(packet[i], std::uint8_t{0});
    const QByteArray b(reinterpret_cast<const char *>(packet.data()), 48);
    QCOMPARE(get64(b, 40), Timestamp{0x0123456789abcdefULL});

    QVERIFY(!sntp::readPacket(packet.data(), 47));
    QVERIFY(!sntp::readPacket(nullptr, 48));
    const auto read = sntp::readPacket(packet.data(), packet.size());
    QVERIFY(read);
    QCOMPARE(read->mode, 3);
    QCOMPARE(read->version, 4);
}

void TestClockCheck::judgeReply_data()
{
    QTest::addColumn<Reply>("reply");
    QTest::addColumn<sntp::Verdict>("verdict");
    QTest::addColumn<sntp::Kiss>("kiss");

    Reply good;
    good.origin = 777;
    good.receive = good.transmit = stampOf(3900000000u);
    good.rootDelay = 0x00000800; // 31 ms
    good.rootDispersion = 0x0000ffff;
    auto with = [&](auto change) {
        Reply r = good;
        change(r);
        return r;
    };
    using V = sntp::Verdict;
    using K = sntp::Kiss;
    QTest::newRow("good") << good << V::Accepted << K::None;
    QTest::newRow("version 3") << with([](Reply &r) { r.version = 3; }) << V::Accepted << K::None;
    QTest::newRow("wrong origin") << with([](Reply &r) { r.origin = 778; }) << V::NotOurs << K::None;
    QTest::newRow("forged refusal") << with([](Reply &r) { r.origin = 1; r.stratum = 0; r.refId = "DENY"; })
                                    << V::NotOurs << K::None;
    QTest::newRow("client mode") << with([](Reply &r) { r.mode = 3; }) << V::Malformed << K::None;
    QTest::newRow("broadcast mode") << with([](Reply &r) { r.mode = 5; }) << V::Malformed << K::None;
    QTest::newRow("version 0") << with([](Reply &r) { r.version = 0; }) << V::Malformed << K::None;
    QTest::newRow("version 5") << with([](Reply &r) { r.version = 5; }) << V::Malformed << K::None;
    QTest::newRow("RATE") << with([](Reply &r) { r.stratum = 0; r.leap = 3; r.refId = "RATE"; }) << V::KissOfDeath
                          << K::Rate;
    QTest::newRow("DENY") << with([](Reply &r) { r.stratum = 0; r.refId = "DENY"; }) << V::KissOfDeath << K::Deny;
    QTest::newRow("RSTR") << with([](Reply &r) { r.stratum = 0; r.refId = "RSTR"; }) << V::KissOfDeath
                          << K::Restricted;
    QTest::newRow("other code") << with([](Reply &r) { r.stratum = 0; r.refId = "INIT"; }) << V::KissOfDeath
                                << K::Other;
    QTest::newRow("leap 3") << with([](Reply &r) { r.leap = 3; }) << V::Unsynchronised << K::None;
    QTest::newRow("stratum 15") << with([](Reply &r) { r.stratum = 15; }) << V::Accepted << K::None;
    QTest::newRow("stratum 16") << with([](Reply &r) { r.stratum = 16; }) << V::BadStratum << K::None;
    QTest::newRow("no transmit time") << with([](Reply &r) { r.transmit = 0; }) << V::MissingStamp << K::None;
    QTest::newRow("no receive time") << with([](Reply &r) { r.receive = 0; }) << V::MissingStamp << K::None;
    QTest::newRow("sent before received") << with([](Reply &r) { r.transmit = r.receive - 1; }) << V::StampsReversed
                                          << K::None;
    QTest::newRow("held 600 s") << with([](Reply &r) { r.receive = r.transmit - stampOf(600); }) << V::Accepted
                                << K::None; // only the round trip can tell
    QTest::newRow("held across the 2036 wrap") << with([](Reply &r) {
        r.receive = stampOf(0xffffffffu, 0.999);
        r.transmit = stampOf(0, 0.001);
    }) << V::Accepted << K::None;
    QTest::newRow("root delay 1 s") << with([](Reply &r) { r.rootDelay = 0x00010000; }) << V::BadRootDelay
                                    << K::None;
    QTest::newRow("root delay negative") << with([](Reply &r) { r.rootDelay = 0xffff0000; }) << V::BadRootDelay
                                         << K::None;
    QTest::newRow("root dispersion 2 s") << with([](Reply &r) { r.rootDispersion = 0x00020000; })
                                         << V::BadRootDelay << K::None;
}

void TestClockCheck::judgeReply()
{
    QFETCH(Reply, reply);
    QFETCH(sntp::Verdict, verdict);
    QFETCH(sntp::Kiss, kiss);
    const sntp::Judgement j = sntp::judgeReply(reply.packet(), 777);
    QCOMPARE(j.verdict, verdict);
    QCOMPARE(j.kiss, kiss);
    if (verdict == sntp::Verdict::KissOfDeath)
        QCOMPARE(QByteArray::fromStdString(j.kissCode), reply.refId);
}

void TestClockCheck::measureFromFourStamps_data()
{
    QTest::addColumn<Timestamp>("t1");
    QTest::addColumn<double>("offset");
    QTest::addColumn<double>("there");
    QTest::addColumn<double>("serverHold");
    QTest::addColumn<double>("back");
    QTest::addColumn<sntp::Verdict>("verdict"); // with a 5-s wait for the reply

    using V = sntp::Verdict;
    QTest::newRow("server ahead 3 s") << stampOf(3900000000u) << 3.0 << 0.02 << 0.001 << 0.02 << V::Accepted;
    QTest::newRow("server behind 0.25 s") << stampOf(3900000000u, 0.9) << -0.25 << 0.05 << 0.0 << 0.05
                                          << V::Accepted;
    QTest::newRow("uneven paths") << stampOf(3900000000u) << 0.0 << 0.08 << 0.0 << 0.02 << V::Accepted;
    QTest::newRow("across the 2036 wrap") << stampOf(0xffffffffu, 0.99) << 1.5 << 0.01 << 0.002 << 0.01
                                          << V::Accepted;
    QTest::newRow("a year off") << stampOf(3900000000u) << -31536000.0 << 0.01 << 0.0 << 0.01 << V::Accepted;
    QTest::newRow("round trip all of the wait") << stampOf(3900000000u) << 0.3 << 2.5 << 1.0 << 2.5 << V::Accepted;
    // The server held the request longer than we waited for it, or our clock went
    // back while the question was out.
    QTest::newRow("round trip below zero") << stampOf(3900000000u) << 0.0 << -0.01 << 600.0 << 0.0
                                           << V::BadRoundTrip;
    QTest::newRow("round trip beyond the wait") << stampOf(3900000000u) << 0.0 << 2.6 << 0.0 << 2.5
                                                << V::BadRoundTrip;
}

void TestClockCheck::measureFromFourStamps()
{
    QFETCH(Timestamp, t1);
    QFETCH(double, offset);
    QFETCH(double, there);
    QFETCH(double, serverHold);
    QFETCH(double, back);
    QFETCH(sntp::Verdict, verdict);
    auto plus = [](Timestamp t, double s) { return t + static_cast<Timestamp>(static_cast<std::int64_t>(s * 4294967296.0)); };
    const Timestamp t2 = plus(t1, there + offset);
    const Timestamp t3 = plus(t2, serverHold);
    const Timestamp t4 = plus(t3, back - offset);
    const sntp::Measurement m = sntp::measure(t1, t2, t3, t4);
    // Uneven paths put half their difference into the offset; that is the method's limit.
    QVERIFY2(std::fabs(m.offset - (offset + (there - back) / 2)) < 1e-6, qPrintable(QString::number(m.offset)));
    QVERIFY(std::fabs(m.delay - (there + back)) < 1e-6);
    QCOMPARE(sntp::judgeRoundTrip(m, ClockCheckPolicy::ReplyTimeout / 1000.0), verdict);
}

void TestClockCheck::serverText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::newRow("name") << "time.nist.gov" << "time.nist.gov" << 123;
    QTest::newRow("name and port") << " time.nist.gov:1123 " << "time.nist.gov" << 1123;
    QTest::newRow("v4 and port") << "127.0.0.1:5123" << "127.0.0.1" << 5123;
    QTest::newRow("bare v6") << "::1" << "::1" << 123;
    QTest::newRow("bracketed v6 and port") << "[::1]:5123" << "::1" << 5123;
    QTest::newRow("empty") << "" << "" << 123;
    QTest::newRow("port 0") << "127.0.0.1:0" << "" << 123;
    QTest::newRow("port too big") << "127.0.0.1:65536" << "" << 123;
    QTest::newRow("port not a number") << "host:ntp" << "" << 123;
    QTest::newRow("blank inside") << "time nist gov" << "" << 123;
    QTest::newRow("open bracket") << "[::1:5123" << "" << 123;
}

void TestClockCheck::serverText()
{
    QFETCH(QString, text);
    QFETCH(QString, host);
    QFETCH(int, port);
    const SntpServer s = parseSntpServer(text);
    QCOMPARE(s.host, host);
    if (s.valid())
        QCOMPARE(int(s.port), port);
}

void TestClockCheck::kernelState_data()
{
    QTest::addColumn<int>("rc");
    QTest::addColumn<int>("status");
    QTest::addColumn<KernelClockState::Sync>("sync");
    QTest::addColumn<double>("estimated");
    using S = KernelClockState::Sync;
    QTest::newRow("synchronised") << 0 << 0x2001 << S::Synchronised << 0.0005;
    QTest::newRow("clock error") << 5 << 0 << S::Unsynchronised << 0.0005;
    QTest::newRow("unsync bit") << 0 << 0x40 << S::Unsynchronised << 0.0005;
    QTest::newRow("read failed") << -1 << 0 << S::Unknown << -1.0;
}

void TestClockCheck::kernelState()
{
    QFETCH(int, rc);
    QFETCH(int, status);
    QFETCH(KernelClockState::Sync, sync);
    QFETCH(double, estimated);
    const KernelClockState s = interpretKernelClock(rc, status, 500, 16000000);
    QCOMPARE(s.sync, sync);
    QCOMPARE(s.estimatedError, estimated);
#if defined(__linux__)
    QVERIFY(SystemKernelClockReader().read().sync != KernelClockState::Sync::Unknown);
#endif
}

void TestClockCheck::offUntilTurnedOn()
{
    ClockCheckPolicy p;
    QVERIFY(!p.nextQueryIn(0));
    p.requestSoon(0);
    QVERIFY(!p.nextQueryIn(10 * Minute));
    p.setEnabled(true, 1000);
    QCOMPARE(p.nextQueryIn(1000).value_or(-1), std::int64_t{0});
    p.querySent(1000);
    QVERIFY(!p.nextQueryIn(2000)); // one question at a time
    p.replyAccepted(1100);
    QCOMPARE(p.nextQueryIn(1100).value_or(-1), std::int64_t{15 * Minute - 100});
    p.setEnabled(false, 2000);
    QVERIFY(!p.nextQueryIn(20 * Minute));
}

void TestClockCheck::fourSecondsWhateverTheUserDoes()
{
    ClockCheckPolicy p;
    p.setEnabled(true, 0);
    p.querySent(0);
    p.replyAccepted(50);
    for (int i = 0; i < 10; ++i) {
        p.setEnabled(false, 100 + i);
        p.setEnabled(true, 100 + i);
        p.requestSoon(100 + i);
        p.serverChanged(100 + i);
    }
    QCOMPARE(p.nextQueryIn(200).value_or(-1), std::int64_t{3800});
    QVERIFY(!p.mayQueryNow(3999));
    QVERIFY(p.mayQueryNow(4000));
    // A question dropped by turning the check off still counts.
    p.querySent(4000);
    p.setEnabled(false, 4100);
    p.setEnabled(true, 4100);
    QCOMPARE(p.nextQueryIn(4100).value_or(-1), std::int64_t{3900});
}

void TestClockCheck::backOffWhileSilentAndOnRate()
{
    ClockCheckPolicy p;
    p.setEnabled(true, 0);
    std::int64_t now = 0;
    QList<std::int64_t> pauses;
    for (int i = 0; i < 6; ++i) {
        now += *p.nextQueryIn(now);
        p.querySent(now);
        p.queryFailed(now + 5000);
        pauses << *p.nextQueryIn(now + 5000) + 5000;
    }
    QCOMPARE(pauses, (QList<std::int64_t>{15 * Minute, 30 * Minute, 60 * Minute, 120 * Minute, 120 * Minute,
                                           120 * Minute}));
    p.querySent(now += *p.nextQueryIn(now));
    p.replyAccepted(now);
    QCOMPARE(p.interval(), 15 * Minute);

    // Each RATE doubles the pause, and a good reply does not undo it.
    p.querySent(now += *p.nextQueryIn(now));
    p.kissOfDeath(sntp::Kiss::Rate, now);
    QCOMPARE(p.interval(), 30 * Minute);
    p.requestSoon(now); // not even a clock setting hurries a server that asked for less
    QCOMPARE(p.nextQueryIn(now).value_or(-1), std::int64_t{30 * Minute});
    p.querySent(now += 30 * Minute);
    p.kissOfDeath(sntp::Kiss::Rate, now);
    p.querySent(now += 60 * Minute);
    p.replyAccepted(now);
    QCOMPARE(p.interval(), 60 * Minute);
    for (int i = 0; i < 20; ++i)
        p.kissOfDeath(sntp::Kiss::Rate, now);
    QCOMPARE(p.interval(), ClockCheckPolicy::LongestRateInterval);
    p.serverChanged(now);
    QCOMPARE(p.interval(), 15 * Minute);
}

void TestClockCheck::refusalStopsUntilAnotherServer()
{
    for (sntp::Kiss kiss : {sntp::Kiss::Deny, sntp::Kiss::Restricted}) {
        ClockCheckPolicy p;
        p.setEnabled(true, 0);
        p.querySent(0);
        p.kissOfDeath(kiss, 10);
        QVERIFY(p.refused());
        p.requestSoon(20);
        p.setEnabled(false, 30);
        p.setEnabled(true, 30);
        QVERIFY(!p.nextQueryIn(365LL * 24 * 60 * Minute));
        p.serverChanged(5000);
        QCOMPARE(p.nextQueryIn(5000).value_or(-1), std::int64_t{0});
    }
}

void TestClockCheck::measureAgainAfterClockSetInFlight()
{
    ClockCheckPolicy p;
    p.setEnabled(true, 0);
    p.querySent(0);
    p.requestSoon(1000); // the clock was set while the question was out
    p.replyAccepted(1500);
    QCOMPARE(p.nextQueryIn(1500).value_or(-1), std::int64_t{2500});
    p.querySent(4000);
    p.replyAccepted(4100);
    QCOMPARE(p.nextQueryIn(4100).value_or(-1), std::int64_t{15 * Minute - 100});
}

void TestClockCheck::badgeLevels_data()
{
    QTest::addColumn<double>("pcAhead");
    QTest::addColumn<BadgeLevel>("level");
    QTest::newRow("on time") << 0.0 << BadgeLevel::Calm;
    QTest::newRow("0.2 behind") << -0.2 << BadgeLevel::Calm;
    QTest::newRow("0.21 ahead") << 0.21 << BadgeLevel::Amber;
    QTest::newRow("0.5 behind") << -0.5 << BadgeLevel::Amber;
    QTest::newRow("0.51 ahead") << 0.51 << BadgeLevel::Red;
    QTest::newRow("3 s behind") << -3.0 << BadgeLevel::Red;
}

void TestClockCheck::badgeLevels()
{
    QFETCH(double, pcAhead);
    QFETCH(BadgeLevel, level);
    QCOMPARE(levelForOffset(pcAhead), level);
}

void TestClockCheck::badgeOffsetTexts_data()
{
    QTest::addColumn<double>("pcAhead");
    QTest::addColumn<QString>("text");
    QTest::newRow("3.02 ahead") << 3.02 << "+3.0 s";
    QTest::newRow("0.6 behind") << -0.6 << "-0.6 s";
    QTest::newRow("9.96 ahead") << 9.96 << "+10 s";
    QTest::newRow("42.4 behind") << -42.4 << "-42 s";
    QTest::newRow("999 ahead") << 999.0 << "+999 s";
    QTest::newRow("17 minutes") << 17 * 60.0 << "+17 min";
    QTest::newRow("5 hours behind") << -5 * 3600.0 << "-5 h";
    QTest::newRow("a year") << 365 * 86400.0 << "+365 d";
}

void TestClockCheck::badgeOffsetTexts()
{
    QFETCH(double, pcAhead);
    QFETCH(QString, text);
    QCOMPARE(badgeOffsetText(pcAhead), text);
}

void TestClockCheck::badgeViews()
{
    ClockCheckFacts off;
    off.kernel = interpretKernelClock(0, 0, 400, 1000);
    ClockBadgeView v = clockBadgeView(off);
    QCOMPARE(v.level, BadgeLevel::Calm);
    QVERIFY(!v.measured);
    QVERIFY(v.text.isEmpty());
    QVERIFY(v.toolTip.contains(QStringLiteral("synchronised, estimated error 0.4 ms")));
    QVERIFY(v.toolTip.contains(QStringLiteral("Check PC Clock Against Internet Time is off")));
    off.kernel = interpretKernelClock(5, 0x40, 16000000, 16000000);
    QCOMPARE(clockBadgeView(off).level, BadgeLevel::Amber);
    off.kernel = {};
    QCOMPARE(clockBadgeView(off).level, BadgeLevel::Unknown);

    ClockCheckFacts on;
    on.enabled = true;
    on.server = QStringLiteral("time.nist.gov");
    on.kernel = interpretKernelClock(5, 0x40, 16000000, 16000000);
    on.measurement = ClockCheckFacts::Measurement{3.021, 0.042, QStringLiteral("11:45:02 AM"), false};
    v = clockBadgeView(on);
    QCOMPARE(v.level, BadgeLevel::Red);
    QVERIFY(v.measured);
    QCOMPARE(v.text, QStringLiteral("+3.0 s"));
    for (const char *part : {"Time server: time.nist.gov", "PC clock 3.021 s ahead", "Round trip: 42 ms",
                             "Last check: 11:45:02 AM", "not synchronised", "Internet Time"})
        QVERIFY2(v.toolTip.contains(QLatin1String(part)), part);

    on.measurement->pcAhead = -0.05;
    v = clockBadgeView(on);
    QCOMPARE(v.level, BadgeLevel::Calm);
    QVERIFY(v.text.isEmpty());
    QVERIFY(v.toolTip.contains(QStringLiteral("PC clock 0.050 s behind")));
    QVERIFY(!v.toolTip.contains(QStringLiteral("Internet Time")));

    // An old measurement no longer vouches: the system's state shows again.
    on.measurement->pcAhead = 3.0;
    on.measurement->stale = true;
    v = clockBadgeView(on);
    QCOMPARE(v.level, BadgeLevel::Amber);
    QVERIFY(!v.measured);
    QVERIFY(v.toolTip.contains(QStringLiteral("too long ago")));
}

// The beacons' word on the clock decides the badge only where no fresh answer from a
// time server does; the tooltip always tells it, with the number of slots behind it.
void TestClockCheck::airMeasurementOnBadge_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<double>("sntpAhead"); // NaN: no fresh answer
    QTest::addColumn<double>("airAhead");
    QTest::addColumn<BadgeLevel>("level");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("summary");

    QTest::newRow("check off, air amber") << false << qQNaN() << 0.42 << BadgeLevel::Amber << QString()
                                         << QStringLiteral("PC clock 0.420 s ahead, measured from the beacons (5 slots)");
    QTest::newRow("check off, air red behind") << false << qQNaN() << -1.26 << BadgeLevel::Red << QStringLiteral("-1.3 s")
                                              << QStringLiteral("PC clock 1.260 s behind, measured from the beacons (5 slots)");
    QTest::newRow("no answer yet, air red") << true << qQNaN() << 2.0 << BadgeLevel::Red << QStringLiteral("+2.0 s")
                                           << QStringLiteral("PC clock 2.000 s ahead, measured from the beacons (5 slots)");
    QTest::newRow("fresh answer wins") << true << 0.01 << 0.42 << BadgeLevel::Calm << QString()
                                      << QStringLiteral("PC clock 0.010 s ahead of Internet time (checked 11:45:02 AM)");
}

void TestClockCheck::airMeasurementOnBadge()
{
    QFETCH(bool, enabled);
    QFETCH(double, sntpAhead);
    QFETCH(double, airAhead);
    QFETCH(BadgeLevel, level);
    QFETCH(QString, text);
    QFETCH(QString, summary);

    ClockCheckFacts f;
    f.enabled = enabled;
    f.server = QStringLiteral("time.nist.gov");
    f.kernel = interpretKernelClock(0, 0, 400, 1000); // synchronised: calm on its own
    if (!qIsNaN(sntpAhead))
        f.measurement = ClockCheckFacts::Measurement{sntpAhead, 0.042, QStringLiteral("11:45:02 AM"), false};
    QCOMPARE(clockBadgeView(f).level, BadgeLevel::Calm);
    QVERIFY(!clockBadgeView(f).toolTip.contains(QStringLiteral("beacons")));

    f.air = ClockCheckFacts::AirMeasurement{airAhead, 5};
    const ClockBadgeView v = clockBadgeView(f);
    QCOMPARE(v.level, level);
    QVERIFY(v.measured);
    QCOMPARE(v.text, text);
    QCOMPARE(v.summary, summary);
    const QString amount = QString::number(std::fabs(airAhead), 'f', 3);
    QVERIFY2(v.toolTip.contains(QStringLiteral("Measured from the beacons: PC clock %1").arg(amount)), qPrintable(v.toolTip));
    QVERIFY(v.toolTip.contains(QStringLiteral("(median of 5 slots)")));
}

void TestClockCheck::airOffsetUntilClockSet()
{
    CheckFixture f(false);
    f.check.load();
    QSignalSpy changed(&f.check, &ClockCheck::badgeChanged);
    f.check.setAirOffset(ClockCheckFacts::AirMeasurement{0.8, 5});
    QCOMPARE(changed.count(), 1);
    QCOMPARE(f.check.badge().text, QStringLiteral("+0.8 s"));
    f.check.setAirOffset(ClockCheckFacts::AirMeasurement{0.8, 5}); // the same word again: quiet
    QCOMPARE(changed.count(), 1);

    // Setting the clock makes the old measurement untrue, even with the check off.
    f.check.clockWasSet();
    QCOMPARE(changed.count(), 2);
    QVERIFY(!f.check.badge().measured);
    QVERIFY(!f.check.badge().toolTip.contains(QStringLiteral("beacons")));

    f.check.setAirOffset(ClockCheckFacts::AirMeasurement{-0.4, 5});
    QCOMPARE(f.check.badge().level, BadgeLevel::Amber);
    f.check.setAirOffset(std::nullopt); // the monitor finds the clock right again
    QVERIFY(!f.check.badge().measured);
    QCOMPARE(changed.count(), 4);
}

void TestClockCheck::badgeWidgetGrowsLeft()
{
    QWidget host;
    host.resize(300, 100);
    ClockBadge badge(&host);
    badge.move(200, 10);
    const int right = badge.geometry().right();
    ClockBadgeView red{BadgeLevel::Red, true, QStringLiteral("+3.0 s"), QStringLiteral("tip"), QString()};
    badge.display(red);
    QVERIFY(badge.width() > badge.height() * 2);
    QCOMPARE(badge.geometry().right(), right);
    QCOMPARE(badge.toolTip(), QStringLiteral("tip"));
    badge.display({BadgeLevel::Calm, true, QString(), QStringLiteral("calm"), QString()});
    QCOMPARE(badge.width(), badge.height());
    QCOMPARE(badge.geometry().right(), right);
    QVERIFY(ClockBadge::colour(BadgeLevel::Red) != ClockBadge::colour(BadgeLevel::Calm));
}

void TestClockCheck::measuresChosenOffsetRealTime_data()
{
    QTest::addColumn<double>("serverAhead");
    QTest::addColumn<BadgeLevel>("level");
    QTest::addColumn<QString>("text");
    QTest::newRow("PC 3 s slow") << 3.0 << BadgeLevel::Red << "-3.0 s";
    QTest::newRow("PC 0.35 s fast") << -0.35 << BadgeLevel::Amber << "";
    QTest::newRow("PC right") << 0.05 << BadgeLevel::Calm << "";
}

// The real clocks and a real wait for the round trip: the stamps are taken where they must be.
void TestClockCheck::measuresChosenOffsetRealTime()
{
    QFETCH(double, serverAhead);
    QFETCH(BadgeLevel, level);
    QFETCH(QString, text);
    QTemporaryDir dir;
    SettingsFile settings(dir.filePath(QStringLiteral("Halvion.ini")).toStdString());
    SystemClockCheckClocks clocks;
    FakeKernel kernel;
    Responder responder(clocks, nullptr);
    responder.offset = serverAhead;
    responder.delayMs = 60;
    settings.write("ClockCheck", "True");
    settings.write("ClockCheckServer", responder.address().toStdString());
    ClockCheck check(settings, clocks, kernel);
    QSignalSpy changed(&check, &ClockCheck::badgeChanged);
    check.load();
    QCOMPARE(responder.requests, 0); // nothing goes before the event loop runs
    QTRY_VERIFY(check.badge().measured);
    QCOMPARE(responder.requests, 1);
    QVERIFY2(std::fabs(*check.pcAhead() + serverAhead) < 0.020, qPrintable(QString::number(*check.pcAhead())));
    QCOMPARE(check.badge().level, level);
    QCOMPARE(check.badge().text, text);
    QVERIFY(check.badge().toolTip.contains(QStringLiteral("Round trip:")));
    QVERIFY(check.badge().toolTip.contains(QRegularExpression(QStringLiteral("Last check: \\d\\d:\\d\\d:\\d\\d \\S"))));
    QVERIFY(!changed.isEmpty());
    QCOMPARE(changed.last().at(0).value<ClockBadgeView>(), check.badge());
}

// The reply is dated when it reaches the PC, not when the program's thread gets to it:
// the responder answers and then keeps the thread busy, like a user interface at work,
// yet the arrival the client reports lies inside the responder's send call, and the
// busy time is neither round trip nor offset.
void TestClockCheck::arrivalDatedWhenItArrives()
{
#if !defined(__linux__)
    QSKIP("Only Linux dates arrivals for the program");
#endif
    SystemClockCheckClocks clocks;
    Responder responder(clocks, nullptr);
    responder.delayMs = 0;
    responder.busyAfterSend = 50;
    SntpClient client(clocks);
    std::optional<SntpResult> result;
    connect(&client, &SntpClient::measured, this, [&result](const SntpResult &r) { result = r; });
    QVERIFY(client.query(parseSntpServer(responder.address())));
    QTRY_VERIFY(result.has_value());
    QCOMPARE(responder.requests, 1);
    QVERIFY(result->stampedOnArrival);
    QVERIFY2(responder.sendBegan <= result->receivedWallMicros && result->receivedWallMicros <= responder.sendEnded,
             qPrintable(QStringLiteral("arrival %1 us after the send began, which took %2 us")
                            .arg(result->receivedWallMicros - responder.sendBegan)
                            .arg(responder.sendEnded - responder.sendBegan)));
    QVERIFY2(result->measurement.delay < responder.busyAfterSend / 1000.0,
             qPrintable(QString::number(result->measurement.delay)));
}

void TestClockCheck::badRepliesMoveNothing_data()
{
    QTest::addColumn<Responder::Mode>("mode");
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<bool>("refused"); // the reply ends the question; otherwise it is dropped
    QTest::addColumn<QString>("trouble");
    using M = Responder::Mode;
    QTest::newRow("wrong origin") << M::WrongOrigin << 40 << false << "No reply";
    QTest::newRow("truncated") << M::Truncated << 40 << false << "No reply";
    QTest::newRow("silence") << M::Silent << 40 << false << "No reply";
    QTest::newRow("leap indicator 3") << M::Leap3 << 40 << true << "not synchronised";
    const QString missing = QStringLiteral("The time server's reply was not usable: server time stamp missing (");
    QTest::newRow("no receive stamp") << M::NoReceiveStamp << 40 << true << missing;
    QTest::newRow("no transmit stamp") << M::NoTransmitStamp << 40 << true << missing;
    QTest::newRow("sent before received") << M::SentBeforeReceived << 40 << true
                                          << "not usable: server sent the reply before it got the request (";
    const QString roundTrip = QStringLiteral("The time server's reply was not usable: round trip out of range (");
    QTest::newRow("received 600 s before sent") << M::ReceivedLongBefore << 40 << true << roundTrip;
    QTest::newRow("round trip longer than the wait") << M::Good << 5100 << true << roundTrip;
}

void TestClockCheck::badRepliesMoveNothing()
{
    QFETCH(Responder::Mode, mode);
    QFETCH(int, delayMs);
    QFETCH(bool, refused);
    QFETCH(QString, trouble);
    CheckFixture f;
    f.responder.offset = -3.0;
    f.check.load();
    QTRY_VERIFY(f.check.badge().measured);
    const ClockBadgeView before = f.check.badge();
    QCOMPARE(before.text, QStringLiteral("+3.0 s"));

    f.responder.mode = mode;
    f.responder.delayMs = delayMs;
    f.clocks.advance(15 * Minute);
    f.check.poll();
    f.check.client().replyTimer()->stop(); // the test says when the wait is over
    QTRY_COMPARE(f.responder.requests, 2);
    if (refused) {
        QTRY_VERIFY(!f.check.client().busy());
    } else {
        // Whatever came was dropped; only the reply timeout ends the question.
        QTRY_COMPARE(f.responder.answered, mode == Responder::Mode::Silent ? 1 : 2);
        QCoreApplication::processEvents();
        QVERIFY(f.check.client().busy());
        f.check.client().replyTimedOut();
    }
    QVERIFY(!f.check.client().busy());
    QVERIFY(sameBadge(f.check.badge(), before));
    QVERIFY2(f.check.badge().toolTip.contains(trouble), qPrintable(f.check.badge().toolTip));
    // No second try before the regular pause, however often the check looks.
    for (int i = 0; i < 5; ++i) {
        f.clocks.advance(Minute);
        f.check.poll();
        f.check.watch();
    }
    QCoreApplication::processEvents();
    QCOMPARE(f.responder.requests, 2);
}

void TestClockCheck::floodIsIgnored()
{
    CheckFixture f;
    f.responder.mode = Responder::Mode::Flood;
    f.responder.offset = 0.7;
    f.check.load();
    QTRY_VERIFY(!f.check.client().busy());
    QCOMPARE(f.responder.requests, 1);
    QVERIFY(!f.check.policy().refused()); // the forged refusal came from another port
    QCOMPARE(f.check.badge().text, QStringLiteral("-0.7 s"));
    QVERIFY(std::fabs(*f.check.pcAhead() + 0.7) < 1e-3);
}

void TestClockCheck::kissOfDeath_data()
{
    QTest::addColumn<QByteArray>("code");
    QTest::addColumn<bool>("stops");
    QTest::addColumn<qint64>("pause");
    QTest::addColumn<QString>("shown");
    QTest::newRow("RATE") << QByteArray("RATE") << false << qint64{30 * Minute}
                          << "asked for fewer checks (RATE): next check in 30 min";
    QTest::newRow("DENY") << QByteArray("DENY") << true << qint64{0} << "refused the check (DENY)";
    QTest::newRow("RSTR") << QByteArray("RSTR") << true << qint64{0} << "refused the check (RSTR)";
    QTest::newRow("unknown code") << QByteArray("XQQQ") << false << qint64{15 * Minute}
                                  << "reply was not usable: refusal code XQQQ (";
    QTest::newRow("no code") << QByteArray() << false << qint64{15 * Minute}
                             << "reply was not usable: refusal with no code (";
}

void TestClockCheck::kissOfDeath()
{
    QFETCH(QByteArray, code);
    QFETCH(bool, stops);
    QFETCH(qint64, pause);
    QFETCH(QString, shown);
    CheckFixture f;
    f.check.load();
    QTRY_VERIFY(f.check.badge().measured);
    const ClockBadgeView before = f.check.badge();

    f.responder.mode = Responder::Mode::Kiss;
    f.responder.kiss = code;
    f.clocks.advance(15 * Minute);
    const std::int64_t sentAt = f.clocks.steady;
    f.check.poll();
    QTRY_VERIFY(!f.check.client().busy());
    QCOMPARE(f.responder.requests, 2);
    QVERIFY(sameBadge(f.check.badge(), before));
    QVERIFY2(f.check.badge().toolTip.contains(shown), qPrintable(f.check.badge().toolTip));
    QCOMPARE(f.check.policy().refused(), stops);

    f.responder.mode = Responder::Mode::Good;
    if (stops) {
        f.clocks.advance(24 * 60 * Minute);
        f.check.clockWasSet();
        f.check.poll();
        f.check.setEnabled(false);
        f.check.setEnabled(true); // the same server: still no
        QCoreApplication::processEvents();
        QCOMPARE(f.responder.requests, 2);
        // Another server lifts the refusal.
        Responder other(f.clocks, &f.clocks);
        f.settings.write("ClockCheckServer", other.address().toStdString());
        f.check.setEnabled(false);
        f.check.setEnabled(true);
        QTRY_COMPARE(other.requests, 1);
        return;
    }
    f.clocks.advance(sentAt + pause - 1 - f.clocks.steady);
    f.check.poll();
    QCoreApplication::processEvents();
    QCOMPARE(f.responder.requests, 2);
    f.clocks.advance(1);
    f.check.poll();
    QTRY_COMPARE(f.responder.requests, 3);
}

// A step of the PC clock shows on the badge at once, and a new measurement follows
// once the 4-second rule allows; the time dialog's "clock set" does the same.
void TestClockCheck::stepOfPcClockShowsAtOnce()
{
    CheckFixture f;
    f.check.load();
    QTRY_VERIFY(f.check.badge().measured);
    QCOMPARE(f.check.badge().level, BadgeLevel::Calm);

    f.clocks.stepWall(3.0);
    f.check.watch();
    QCOMPARE(f.check.badge().level, BadgeLevel::Red);
    QCOMPARE(f.check.badge().text, QStringLiteral("+3.0 s"));
    QCoreApplication::processEvents();
    QCOMPARE(f.responder.requests, 1); // within 4 s of the last question
    f.clocks.advance(4000);
    f.check.poll();
    QTRY_COMPARE(f.responder.requests, 2);
    QTRY_VERIFY(!f.check.client().busy());
    // The server still says the PC is right, because the responder follows the PC clock.
    QCOMPARE(f.check.badge().level, BadgeLevel::Calm);
    f.check.watch();
    f.clocks.advance(4000);
    f.check.poll();
    QCoreApplication::processEvents();
    QCOMPARE(f.responder.requests, 2); // the step was answered once

    f.check.clockWasSet();
    f.check.poll();
    QTRY_COMPARE(f.responder.requests, 3);
}

void TestClockCheck::settingsKeys()
{
    CheckFixture f(false);
    const QByteArray before = f.file();
    f.check.load();
    f.check.watch();
    QCoreApplication::processEvents();
    QCOMPARE(f.responder.requests, 0); // off until the user turns it on
    QCOMPARE(f.file(), before);
    QVERIFY(f.check.badge().toolTip.contains(QStringLiteral("is off")));

    f.check.setEnabled(true);
    QVERIFY(f.file().contains("ClockCheck=True"));
    QTRY_COMPARE(f.responder.requests, 1);
    f.check.setEnabled(false);
    QVERIFY(f.file().contains("ClockCheck=False"));
    QVERIFY(!f.check.badge().measured);
    QCOMPARE(f.file().count("ClockCheckServer"), 1); // never written by the check itself

    // An unusable server text sends nothing.
    f.settings.write("ClockCheckServer", "bad host name");
    f.clocks.advance(Minute);
    f.check.setEnabled(true);
    QCoreApplication::processEvents();
    QCOMPARE(f.responder.requests, 1);
    QVERIFY(f.check.badge().toolTip.contains(QStringLiteral("No time server")));
}

void TestClockCheck::menuItemAndBadgeInMainWindow()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Halvion.ini"));
    FakeClockSource clock(12, 0, 25);
    Program program(path.toStdString(), clock);
    program.start();
    Form1 *form = program.mainWindow();
    QVERIFY(form);
    auto *item = form->findChild<QAction *>(QStringLiteral("CheckPCClock"));
    QVERIFY(item);
    QCOMPARE(item->text(), QStringLiteral("Check PC Clock Against Internet Time"));
    QVERIFY(item->isCheckable() && !item->isChecked());
    QVERIFY(form->SetPCclock->actions().contains(item));

    auto *badge = form->findChild<ClockBadge *>(QStringLiteral("ClockBadge"));
    QVERIFY(badge);
    QCOMPARE(badge, program.clockBadge());
    const QRect box = form->Gauge1->geometry();
    QVERIFY(badge->geometry().intersects(box));
    QVERIFY(badge->geometry().bottom() < box.top() + 8); // on the edge, clear of the text
    QVERIFY(badge->toolTip().contains(QStringLiteral("is off")));
    QVERIFY(!program.clockCheck()->enabled());
    // The first-run file holds nothing of the check.
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(!f.readAll().contains("ClockCheck"));
    f.close();

    // The menu item turns the check on, and the badge shows what it measured.
    SystemClockCheckClocks clocks;
    Responder responder(clocks, nullptr);
    responder.offset = -3.0;
    SettingsFile(path.toStdString()).write("ClockCheckServer", responder.address().toStdString());
    const int badgeRight = badge->geometry().right();
    item->trigger();
    QVERIFY(program.clockCheck()->enabled());
    QTRY_VERIFY(badge->view().measured);
    QCOMPARE(badge->view().level, BadgeLevel::Red);
    QCOMPARE(badge->view().text, QStringLiteral("+3.0 s"));
    QCOMPARE(badge->geometry().right(), badgeRight); // grown to the left
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.readAll().contains("ClockCheck=True"));
    QCOMPARE(responder.requests, 1);

    // The time dialog's "clock set" asks for a new measurement as soon as the
    // 4-second rule allows, not at the next regular check.
    const ClockCheckPolicy &policy = program.clockCheck()->policy();
    QVERIFY(policy.nextQueryIn(clocks.steadyMillis()).value_or(0) > 60 * 1000);
    form->NISTtimeserver->trigger();
    QVERIFY(program.timeDialog());
    Q_EMIT program.timeDialog()->clockSet();
    QVERIFY(policy.nextQueryIn(clocks.steadyMillis()).value_or(-1) <= ClockCheckPolicy::MinimumSpacing);
    program.timeDialog()->Command2_Click();

    // The compact view's tooltip carries the same news in one line.
    Q_EMIT form->compactViewRequested();
    QVERIFY(program.compactView());
    QVERIFY2(program.compactView()->toolTip().contains(
                 QRegularExpression(QStringLiteral("PC clock (2\\.9[89]|3\\.0[0-2])\\d s ahead of Internet time \\(checked "))),
             qPrintable(program.compactView()->toolTip()));
}

QTEST_MAIN(TestClockCheck)
#include "tst_clock_check.moc"
