// The "Reverse Beacon Network..." dialog: what it shows from the settings file, what
// Ok writes (only what changed, and nothing that cannot work), and its status line
// following a feed that logs in to a local server on 127.0.0.1.

#include "feed_clock.h"
#include "frm_rbn.h"
#include "rbn_feed.h"
#include "spot_store.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

using namespace halvion;

namespace {

const QByteArray FirstRunFile = "[Halvion]\r\nLEDSpeed=Medium\r\nToggle=True\r\n";

struct DialogFixture {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("Halvion.ini"));
    std::unique_ptr<SettingsFile> settings;
    std::unique_ptr<frmRbn> dialog;

    explicit DialogFixture(const QByteArray &ini = FirstRunFile)
    {
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(ini);
        f.close();
        settings = std::make_unique<SettingsFile>(path.toStdString());
        dialog = std::make_unique<frmRbn>(*settings);
        dialog->Form_Load();
    }
    QByteArray file() const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    template <typename T> T *control(const char *name) const
    {
        return dialog->findChild<T *>(QString::fromLatin1(name));
    }
};

} // namespace

class TestSpotsWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void showsTheStoredSettings();
    void untouchedOkWritesNothing();
    void noConnectionWithoutACallsign_data();
    void noConnectionWithoutACallsign();
    void okSavesAndTheStatusLineFollowsTheFeed();
};

void TestSpotsWindow::showsTheStoredSettings()
{
    DialogFixture f(FirstRunFile + "RbnEnabled=True\r\nRbnCallsign=n0call\r\nRbnSkimmers=km3t,w3oa\r\n");
    QVERIFY(f.control<QCheckBox>("RbnOn")->isChecked());
    QCOMPARE(f.control<QLineEdit>("RbnServer")->text(), QStringLiteral("telnet.reversebeacon.net:7000"));
    QCOMPARE(f.control<QLineEdit>("RbnCallsign")->text(), QStringLiteral("N0CALL"));
    QCOMPARE(f.control<QLineEdit>("RbnSkimmers")->text(), QStringLiteral("KM3T W3OA"));
    QVERIFY(f.control<QLineEdit>("RbnCallsign")->isEnabled());

    DialogFixture off;
    QVERIFY(!off.control<QCheckBox>("RbnOn")->isChecked());
    QVERIFY(!off.control<QLineEdit>("RbnServer")->isEnabled());
    QVERIFY(!off.control<QLineEdit>("RbnCallsign")->isEnabled());
    off.control<QCheckBox>("RbnOn")->click();
    QVERIFY(off.control<QLineEdit>("RbnCallsign")->isEnabled());
}

void TestSpotsWindow::untouchedOkWritesNothing()
{
    DialogFixture f;
    QSignalSpy saved(f.dialog.get(), &frmRbn::saved);
    f.control<QPushButton>("OkButton")->click();
    QCOMPARE(saved.count(), 1);
    QCOMPARE(f.dialog->result(), int(QDialog::Accepted));
    QCOMPARE(f.file(), FirstRunFile);
    // Cancel after changes writes nothing either.
    DialogFixture g;
    g.control<QCheckBox>("RbnOn")->click();
    g.control<QLineEdit>("RbnCallsign")->setText(QStringLiteral("N0CALL"));
    g.control<QPushButton>("CancelButton")->click();
    QCOMPARE(g.file(), FirstRunFile);
}

void TestSpotsWindow::noConnectionWithoutACallsign_data()
{
    QTest::addColumn<QString>("callsign");
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("message");
    QTest::newRow("none") << "" << "" << "Your callsign is needed: the server asks for it before it sends any spots. Nothing was saved.";
    QTest::newRow("not a call") << "N0 CALL" << "" << "\"N0 CALL\" is not a callsign. Nothing was saved.";
    QTest::newRow("no port") << "N0CALL" << "telnet.reversebeacon.net"
                             << "The server must be given as host:port, for example telnet.reversebeacon.net:7000. "
                                "Nothing was saved.";
}

void TestSpotsWindow::noConnectionWithoutACallsign()
{
    QFETCH(QString, callsign);
    QFETCH(QString, server);
    DialogFixture f;
    QSignalSpy saved(f.dialog.get(), &frmRbn::saved);
    f.control<QCheckBox>("RbnOn")->click();
    f.control<QLineEdit>("RbnCallsign")->setText(callsign);
    f.control<QLineEdit>("RbnServer")->setText(server);
    QVERIFY(!f.dialog->OkButton_Click());
    QTEST(f.control<QLabel>("RbnMessage")->text(), "message");
    QCOMPARE(saved.count(), 0);
    QCOMPARE(f.file(), FirstRunFile);
}

void TestSpotsWindow::okSavesAndTheStatusLineFollowsTheFeed()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    QByteArray received;
    QPointer<QTcpSocket> client;
    connect(&server, &QTcpServer::newConnection, this, [&] {
        client = server.nextPendingConnection();
        connect(client, &QTcpSocket::readyRead, this, [&] { received += client->readAll(); });
        client->write("Please enter your call: ");
    });
    const QString address = QStringLiteral("127.0.0.1:%1").arg(server.serverPort());

    DialogFixture f;
    FakeFeedClock clock(0);
    SpotStore store(clock);
    RbnFeed feed(store, clock);
    connect(f.dialog.get(), &frmRbn::saved, &feed, &RbnFeed::apply);
    connect(&feed, &RbnFeed::statusChanged, f.dialog.get(), &frmRbn::showStatus);
    f.dialog->showStatus(feed.statusText());
    QCOMPARE(f.control<QLabel>("RbnStatus")->text(),
             QStringLiteral("Off: nothing is sent to the Reverse Beacon Network."));

    f.control<QCheckBox>("RbnOn")->click();
    f.control<QLineEdit>("RbnServer")->setText(address);
    f.control<QLineEdit>("RbnCallsign")->setText(QStringLiteral(" n0call "));
    f.control<QLineEdit>("RbnSkimmers")->setText(QStringLiteral("km3t, w3oa"));
    f.control<QPushButton>("OkButton")->click();
    QCOMPARE(f.file(), FirstRunFile + "RbnEnabled=True\r\nRbnServer=" + address.toLatin1()
                           + "\r\nRbnCallsign=N0CALL\r\nRbnSkimmers=KM3T W3OA\r\n");
    QCOMPARE(store.watchList(), (std::vector<std::string>{"KM3T", "W3OA"}));
    QTRY_COMPARE(received, QByteArray("N0CALL\r\n"));
    client->write("\r\nDX de KM3T-2-#:  14100.0  CS3B         CW    24 dB  22 WPM  NCDXF B 2259Z\r\n");
    QTRY_COMPARE(f.control<QLabel>("RbnStatus")->text(),
                 QStringLiteral("Connected to %1: 1 beacon spot (1 spot read)").arg(address));
    client->disconnectFromHost();
    QTRY_COMPARE(f.control<QLabel>("RbnStatus")->text(),
                 QStringLiteral("Not connected: the server closed the connection. Trying again in 2 s."));
}

QTEST_MAIN(TestSpotsWindow)
#include "tst_spots_window.moc"
