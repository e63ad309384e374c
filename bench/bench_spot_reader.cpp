// Measures the spot feed's reading: floods through a local server on 127.0.0.1 into the
// feed client and the store, as fast as loopback carries them, with the process's
// resident memory after each flood; then the line splitter, spot-line reader and
// beacon-spot filter alone over a generated stream in memory (lines, spots and
// megabytes per second). The sender makes its lines as the socket drains,
// so what the process holds is the receiver's.
//
// Usage: bench_spot_reader [megabytes per flood, default 10] [floods, default 5] [folder]
// With a folder, the store writes its spots to a log in a fresh folder below it.

#include "beacon_spot.h"
#include "feed_clock.h"
#include "rbn_feed.h"
#include "spot_line.h"
#include "spot_line_splitter.h"
#include "spot_log.h"
#include "spot_store.h"
#include "spot_stream.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace halvion;

namespace {

// Resident and peak resident memory of this process, in KiB.
std::pair<long, long> memoryKiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    long rss = -1, hwm = -1;
    if (f.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : f.readAll().split('\n')) {
            if (line.startsWith("VmRSS:"))
                rss = line.mid(6).trimmed().split(' ').first().toLong();
            else if (line.startsWith("VmHWM:"))
                hwm = line.mid(6).trimmed().split(' ').first().toLong();
        }
    }
    return {rss, hwm};
}

void readerAlone()
{
    test::SpotStreamGenerator gen(1);
    const std::string stream = gen.flood(64 * 1024 * 1024).toStdString();
    std::vector<double> seconds;
    quint64 spots = 0, beacons = 0, lines = 0;
    for (int round = 0; round < 5; ++round) {
        SpotLineSplitter splitter;
        SpotLine spot;
        spots = beacons = lines = 0;
        QElapsedTimer t;
        t.start();
        splitter.feed(stream, [&](std::string_view line) {
            ++lines;
            if (readSpotLine(line, spot) == SpotLineKind::Spot) {
                ++spots;
                beacons += beaconSpotFrom(spot).has_value();
            }
        });
        seconds.push_back(double(t.nsecsElapsed()) / 1e9);
    }
    std::sort(seconds.begin(), seconds.end());
    const double s = seconds[seconds.size() / 2];
    std::printf("reader alone: %.1f MB, %llu lines, %llu spots (%llu beacon spots), median of 5: %.3f s\n",
                double(stream.size()) / 1e6, (unsigned long long)lines, (unsigned long long)spots,
                (unsigned long long)beacons, s);
    std::printf("  %.0f lines/s, %.0f spots/s, %.1f MB/s\n", double(lines) / s, double(spots) / s,
                double(stream.size()) / 1e6 / s);
}

// Sends `bytes` of generated feed to whoever connects, topping the socket up as it drains.
class FloodServer : public QObject {
public:
    FloodServer()
    {
        server_.listen(QHostAddress::LocalHost, 0);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            client_ = server_.nextPendingConnection();
            client_->write("Please enter your call: ");
            connect(client_, &QTcpSocket::readyRead, this, [this] {
                if (client_->readAll().contains('\n'))
                    client_->write("\r\nHello, this is the flood\r\n");
            });
            connect(client_, &QTcpSocket::bytesWritten, this, [this] { topUp(); });
        });
    }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(server_.serverPort()); }
    void flood(qint64 bytes)
    {
        left_ += bytes;
        topUp();
    }
    qint64 left() const { return left_; }
    const test::SpotTally &tally() const { return gen_.tally(); }

private:
    void topUp()
    {
        while (client_ && left_ > 0 && client_->bytesToWrite() < 256 * 1024) {
            const QByteArray chunk = gen_.flood(std::min<qint64>(left_, 64 * 1024));
            left_ -= chunk.size();
            client_->write(chunk);
        }
    }
    QTcpServer server_;
    QPointer<QTcpSocket> client_;
    test::SpotStreamGenerator gen_{2};
    qint64 left_ = 0;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const qint64 megabytes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const int floods = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    FloodServer server;
    SystemFeedClock clock;
    SpotStore store(clock);
    QTemporaryDir dir((argc > 3 ? QString::fromLocal8Bit(argv[3]) : QDir::tempPath()) + QStringLiteral("/halvion-bench-XXXXXX"));
    if (argc > 3) {
        if (!dir.isValid() || !openSpotLog(store, dir.filePath(QStringLiteral("monitor.sqlite")))) {
            std::fprintf(stderr, "cannot open a spot log below %s\n", argv[3]);
            return 1;
        }
        std::printf("spot log in %s\n", qPrintable(dir.path()));
    }
    RbnFeed feed(store, clock);
    RbnSettings settings;
    settings.enabled = true;
    settings.server = server.address().toStdString();
    settings.callsign = "N0CALL";
    const auto [rssBefore, hwmBefore] = memoryKiB();
    std::printf("feed and store: resident %ld KiB before the first flood\n", rssBefore);
    feed.apply(settings);
    // Logged in, and the prompt's line and the greeting read: the flood starts on a fresh line.
    while (feed.counters().lines < 2)
        app.processEvents(QEventLoop::WaitForMoreEvents);
    for (int f = 1; f <= floods; ++f) {
        const quint64 linesBefore = feed.counters().lines, spotsBefore = feed.counters().spots;
        QElapsedTimer t;
        t.start();
        server.flood(megabytes * 1024 * 1024);
        while (server.left() > 0 || feed.counters().lines < server.tally().lines + 2)
            app.processEvents(QEventLoop::WaitForMoreEvents);
        const double s = double(t.nsecsElapsed()) / 1e9;
        const auto [rss, hwm] = memoryKiB();
        std::printf("flood %d: %lld MB in %.2f s, %.0f spots/s, %.0f lines/s; resident %ld KiB, peak %ld KiB; "
                    "feed held at most %zu bytes; store holds %zu spots\n",
                    f, (long long)megabytes, s, double(feed.counters().spots - spotsBefore) / s,
                    double(feed.counters().lines - linesBefore) / s, rss, hwm, feed.mostBufferedBytes(),
                    store.spotsHeld());
    }
    if (store.log()) {
        store.flush();
        std::printf("spot log: %lld rows\n", (long long)store.log()->count());
    }
    readerAlone();
    std::printf("counts: %llu lines, %llu spots, %llu beacon spots, %llu malformed, %llu overlong\n",
                (unsigned long long)feed.counters().lines, (unsigned long long)feed.counters().spots,
                (unsigned long long)feed.counters().beaconSpots, (unsigned long long)feed.counters().malformed,
                (unsigned long long)feed.counters().overlong);
    return 0;
}
