// Not a test: a feed server on 127.0.0.1 for trying the whole program by hand and for
// its screenshots. It asks for a call like the network's server, then plays generated
// spots stamped with the current UTC minute, a few lines at a time: other callsigns,
// malformed and overlong lines, and the beacons a band is open for (about half the
// stations on 20 m, fewer on the higher bands). It listens on a port the system picks
// and prints it; point the program's "Reverse Beacon Network..." dialog at 127.0.0.1
// and that port.

#include "spot_stream.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <random>

using namespace halvion;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0)) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1\n");
        return 1;
    }
    std::printf("%d\n", int(server.serverPort()));
    std::fflush(stdout);

    unsigned seed = 1;
    const auto minuteNow = [] {
        const QTime t = QDateTime::currentDateTimeUtc().time();
        return t.hour() * 60 + t.minute();
    };
    auto gen = std::make_unique<test::SpotStreamGenerator>(seed, minuteNow());
    QPointer<QTcpSocket> client;
    // Which stations each band is open for, and the skimmers that hear them.
    const auto open = [](BeaconIndex station, BandIndex band) { return (station * 7 + band * 5) % 18 < 9 - 2 * band; };
    const char *const skimmers[] = {"KM3T-2", "W3OA", "G0LUJ", "DK9IP-2", "VE6WZ", "OH6BG", "JA1XYZ", "K1TTT",
                                    "W1NT-6", "N6TV", "DL8LAS", "EA5WU", "VK4CT", "ZL3X", "ZS6RH", "PY2MT"};
    std::mt19937 rng(7);
    const auto heard = [&](int count) {
        QByteArray out;
        while (count > 0) {
            const auto station = BeaconIndex(rng() % BeaconCount);
            const auto band = BandIndex(rng() % BandCount);
            if (!open(station, band))
                continue;
            out += gen->beacon(station, band, skimmers[rng() % std::size(skimmers)], 3 + int(rng() % 30),
                               (int(rng() % 7) - 3) / 10.0, rng() % 3 == 0 ? "/B" : "");
            --count;
        }
        return out;
    };
    // The generator's other lines, without the beacons of closed bands.
    const auto noise = [&](int count) {
        QByteArray out;
        SpotLine spot;
        for (const QByteArray &line : gen->mixed(count).split('\n')) {
            if (line.isEmpty())
                continue;
            const QByteArray text = QByteArray(line).replace('\a', "").trimmed();
            if (readSpotLine(std::string_view(text.constData(), std::size_t(text.size())), spot) == SpotLineKind::Spot)
                if (const auto b = beaconSpotFrom(spot); b && !open(b->station, b->band))
                    continue;
            out += line + '\n';
        }
        return out;
    };
    QTimer pace;
    pace.setInterval(300);
    QObject::connect(&server, &QTcpServer::newConnection, &server, [&] {
        client = server.nextPendingConnection();
        client->write("Please enter your call: ");
        QObject::connect(client, &QTcpSocket::readyRead, client, [&] {
            if (client->readAll().contains('\n')) {
                client->write("\r\nHello, this is the local player\r\n");
                client->write(heard(150)); // a burst, as after a login to a busy feed
                pace.start();
            }
        });
    });
    QObject::connect(&pace, &QTimer::timeout, &server, [&] {
        if (!client)
            return;
        if (++seed % 100 == 0) // the minute moves on
            gen = std::make_unique<test::SpotStreamGenerator>(seed, minuteNow());
        client->write(heard(2) + noise(6));
    });
    return app.exec();
}
