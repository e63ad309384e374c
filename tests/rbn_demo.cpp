// Not a test: the "Reverse Beacon Network..." dialog wired to the feed and the store,
// with the server pointed at a feed server on 127.0.0.1 that plays the login prompt and
// a generated spot stream, a few lines at a time, to try the dialog by hand. The
// settings file and the spot log live in a temporary folder.

#include "feed_clock.h"
#include "frm_rbn.h"
#include "rbn_feed.h"
#include "spot_store.h"
#include "spot_stream.h"

#include <QApplication>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

using namespace halvion;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    QTemporaryDir dir;
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    test::SpotStreamGenerator gen(9);
    QPointer<QTcpSocket> client;
    QTimer pace;
    pace.setInterval(200);
    QObject::connect(&server, &QTcpServer::newConnection, &server, [&] {
        client = server.nextPendingConnection();
        client->write("Please enter your call: ");
        QObject::connect(client, &QTcpSocket::readyRead, client, [&] {
            if (client->readAll().contains('\n')) {
                client->write("\r\nHello, this is the local demonstration feed\r\n");
                pace.start();
            }
        });
    });
    QObject::connect(&pace, &QTimer::timeout, &server, [&] {
        if (client)
            client->write(gen.mixed(8));
    });

    SettingsFile settings(dir.filePath(QStringLiteral("Halvion.ini")).toStdString());
    RbnSettings preset;
    preset.server = QStringLiteral("127.0.0.1:%1").arg(server.serverPort()).toStdString();
    saveRbnSettings(settings, preset);

    SystemFeedClock clock;
    SpotStore store(clock);
    openSpotLog(store, dir.filePath(QStringLiteral("monitor.sqlite")));
    RbnFeed feed(store, clock);
    frmRbn dialog(settings);
    dialog.Form_Load();
    dialog.showStatus(feed.statusText());
    QObject::connect(&dialog, &frmRbn::saved, &feed, &RbnFeed::apply);
    QObject::connect(&feed, &RbnFeed::statusChanged, &dialog, &frmRbn::showStatus);
    QObject::connect(&store, &SpotStore::spotsChanged, &store, [&] {
        const SpotSummary s = store.spottedOn(14, -1, clock.utcMs() - 15 * 60 * 1000);
        if (s.spotted()) {
            const SpotSummary onBand = store.spottedOn(14, s.bestBand, clock.utcMs() - 15 * 60 * 1000);
            std::printf("CS3B: %s\n", qPrintable(spottedText(s.bestBand, 15, onBand)));
            std::fflush(stdout);
        }
    });
    // The dialog closes on Ok; the feed goes on until the window is closed again.
    QObject::connect(&dialog, &QDialog::finished, &dialog, [&](int result) {
        if (result == QDialog::Accepted)
            QTimer::singleShot(800, &dialog, [&] {
                dialog.Form_Load();
                dialog.show();
            });
        else
            app.quit();
    });
    dialog.show();
    return app.exec();
}
