// The time dialog against a real daytime server on 127.0.0.1: the stored server, the
// attempt's states, every message, the busy pointer and the timers after every end.
// The clock setter records instead of setting, the message boxes are recorded.

#include "clock_setter.h"
#include "message_sink.h"
#include "set_time_form.h"
#include "settings_file.h"

#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace halvion;

namespace {

const QByteArray GoodReply = "\n54174 07-03-15 12:34:56 00 0 0  50.0 UTC(NIST) * \n";
const SystemTimeRecord GoodRecord{2007, 3, 0, 15, 12, 34, 55, 950};

const QString SetErrorTitle = QStringLiteral("Halvion - NIST Time Set Error");
const QString FormattingError = QStringLiteral(
    "The Data Returned From This Server Caused A Time or Date Formatting Error.\r\n"
    "As A Result, The System Time Was Not Set.\r\n\r\nPlease Try Another Server, or Try Again Later.");
const QString HealthWarning = QStringLiteral(
    "This Time Server Reports Its Time May Not Be Accurate At The Moment.\r\n"
    "As A Result, The System Time Was Not Set.\r\n\r\nPlease Try Another Server, or Try Again Later.");
const QString SetFailed = QStringLiteral("There Was An Error While Setting The Time.  Please Try Again.");

QString successText(const QByteArray &reply)
{
    return QStringLiteral("PC Time (Minutes & Seconds) Updated Successfully\r\rThe Server Returned The Following "
                          "Information:\r")
        + QString::fromLatin1(reply) + QStringLiteral("\r\rClick OK To Continue Using Halvion");
}

// A daytime server on 127.0.0.1: on each connection it sends `greeting` (if any) and
// hangs up when told to; the test sends more through send().
class LocalDaytimeServer : public QObject {
public:
    explicit LocalDaytimeServer(QByteArray greeting = {}, bool hangUp = false)
        : greeting_(std::move(greeting)), hangUp_(hangUp)
    {
        server_.listen(QHostAddress::LocalHost, 0);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = server_.nextPendingConnection()) {
                ++connections;
                client = s;
                if (!greeting_.isEmpty())
                    s->write(greeting_);
                if (hangUp_)
                    s->disconnectFromHost();
            }
        });
    }
    quint16 port() const { return server_.serverPort(); }
    void send(const QByteArray &bytes) { client->write(bytes); }
    void hangUp() { client->disconnectFromHost(); }

    int connections = 0;
    QPointer<QTcpSocket> client;

private:
    QTcpServer server_;
    QByteArray greeting_;
    bool hangUp_;
};

bool pointerIsDefault() { return QGuiApplication::overrideCursor() == nullptr; }

struct DialogFixture {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("Halvion.ini"));
    std::unique_ptr<SettingsFile> settings;
    AppState state;
    FakeClockSource clock{15, 7, 9};
    RecordingClockSetter setter;
    RecordingMessageSink messages;
    std::int64_t monotonic = 1000000;
    TimeService service{TimeServerTable::builtIn(), &setter, &messages, QueryPacer([this] { return monotonic; })};
    std::unique_ptr<SetTimeForm> form;

    // With a port: six servers on this machine answering there. Without: the servers
    // the program ships with (nothing is sent to them).
    explicit DialogFixture(std::optional<quint16> localPort = std::nullopt, const QByteArray &ini = {})
    {
        if (localPort) {
            service.table.servers.clear();
            for (int i = 1; i <= 6; ++i)
                service.table.servers.push_back({"local-" + std::to_string(i), "127.0.0." + std::to_string(i)});
            service.table.port = *localPort;
        }
        if (!ini.isNull()) {
            QFile f(path);
            if (f.open(QIODevice::WriteOnly))
                f.write(ini);
        }
        settings = std::make_unique<SettingsFile>(path.toStdString());
        form = std::make_unique<SetTimeForm>(service, state, *settings, clock);
        form->Form_Load();
    }

    QString stored() const
    {
        return QString::fromStdString(settings->readText(SettingsKeys::TimeNistIP));
    }

    // The attempt is over: default pointer, no timer waiting, connection closed.
    void verifyIdle() const
    {
        QVERIFY(pointerIsDefault());
        QVERIFY(!form->Timer1->isActive());
        QCOMPARE(form->Timer1->interval(), 0);
        QVERIFY(!form->QueryPacingTimer->isActive());
        QCOMPARE(form->Winsock1->state(), QAbstractSocket::UnconnectedState);
    }
};

} // namespace

class TestSetTimeForm : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void opening_data();
    void opening();
    void choosingServerWritesAtOnce();
    void clockDisplay();
    void goodReply_data();
    void goodReply();
    void replyInSegments();
    void replyNotSet_data();
    void replyNotSet();
    void silentServer();
    void hangUpWithoutReply();
    void refusedPort();
    void unusableAddress();
    void cancelWhileWaiting();
    void secondPressEndsAttempt();
    void queriesAreSpaced();
    void cancelIgnoredWhileSetting();
    void messageBoxes();
};

void TestSetTimeForm::opening_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("addressLine");
    QTest::addColumn<QString>("stored");

    QTest::newRow("first use") << QByteArray() << 0 << "Server 1 Addr: 129.6.15.28" << "129.6.15.28";
    QTest::newRow("stored fifth") << QByteArray("[Halvion]\nTime NIST IP=132.163.97.2\n") << 4
                                  << "Server 5 Addr: 132.163.97.2" << "132.163.97.2";
    QTest::newRow("unknown address") << QByteArray("[Halvion]\nTime NIST IP=10.1.2.3\n") << 0
                                     << "NIST Server Addr: 129.6.15.28" << "129.6.15.28";
    QTest::newRow("empty address") << QByteArray("[Halvion]\nTime NIST IP=\n") << 0
                                   << "NIST Server Addr: 129.6.15.28" << "129.6.15.28";
}

void TestSetTimeForm::opening()
{
    QFETCH(QByteArray, ini);
    QFETCH(int, entry);
    QFETCH(QString, addressLine);
    QFETCH(QString, stored);

    DialogFixture f(std::nullopt, ini);
    SetTimeForm &d = *f.form;
    QCOMPARE(d.windowTitle(), QStringLiteral("Internet Time - Set PC Time"));
    QCOMPARE(d.Combo1->count(), 6);
    QCOMPARE(d.Combo1->itemText(0), QStringLiteral("Server 1  -  time-a-g.nist.gov"));
    QCOMPARE(d.Combo1->itemText(5), QStringLiteral("Server 6  -  utcnist.colorado.edu"));
    QCOMPARE(d.Combo1->currentIndex(), entry);
    QCOMPARE(d.Text1->text(), addressLine);
    QCOMPARE(f.stored(), stored);
    QCOMPARE(QString::fromStdString(f.state.NistServerAddress), stored);
    QCOMPARE(d.SelectedServerAddress(), stored);
    QCOMPARE(d.Command1->text(), QStringLiteral("&Set Time"));
    QCOMPARE(d.Command2->text(), QStringLiteral("&Cancel"));
    QVERIFY(d.Label4->text().isEmpty());
    QVERIFY(d.Timer2->isActive());
    QCOMPARE(d.Timer2->interval(), 500);
    f.verifyIdle();
    QVERIFY(f.messages.messages.empty());
}

void TestSetTimeForm::choosingServerWritesAtOnce()
{
    DialogFixture f;
    f.form->Combo1->setCurrentIndex(2);
    Q_EMIT f.form->Combo1->activated(2);
    QCOMPARE(f.stored(), QStringLiteral("129.6.15.30"));
    QCOMPARE(f.form->Text1->text(), QStringLiteral("Server 3 Addr: 129.6.15.30"));
    QCOMPARE(f.form->SelectedServerAddress(), QStringLiteral("129.6.15.30"));

    // The next opening selects it again.
    SetTimeForm again(f.service, f.state, *f.settings, f.clock);
    again.Form_Load();
    QCOMPARE(again.Combo1->currentIndex(), 2);
}

void TestSetTimeForm::clockDisplay()
{
    DialogFixture f;
    f.form->Timer2_Timer();
    QCOMPARE(f.form->Label4->text(), QStringLiteral("PC Time 03:07:09 ") + QLocale::system().pmText());
    f.clock.set(0, 0, 1);
    f.form->Timer2_Timer();
    QCOMPARE(f.form->Label4->text(), QStringLiteral("PC Time 12:00:01 ") + QLocale::system().amText());
}

void TestSetTimeForm::goodReply_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<bool>("hangUp");
    QTest::addColumn<QByteArray>("shown"); // the reply as the success message shows it

    QTest::newRow("one line") << GoodReply << false << GoodReply;
    QTest::newRow("more after the line") << GoodReply + "trailing junk\n" << false << GoodReply;
    QTest::newRow("no line end, then hang-up") << GoodReply.chopped(1) << true << GoodReply.chopped(1);
    QTest::newRow("markup shown as sent") << QByteArray("\n54174 07-03-15 12:34:56 00 0 0  50.0 <b>UTC</b>\n")
                                          << true << QByteArray("\n54174 07-03-15 12:34:56 00 0 0  50.0 <b>UTC</b>\n");
}

void TestSetTimeForm::goodReply()
{
    QFETCH(QByteArray, sent);
    QFETCH(bool, hangUp);
    QFETCH(QByteArray, shown);

    LocalDaytimeServer server(sent, hangUp);
    DialogFixture f(server.port());
    QSignalSpy set(f.form.get(), &SetTimeForm::clockSet);
    f.form->show();
    QTest::mouseClick(f.form->Command1, Qt::LeftButton);
    QVERIFY(!pointerIsDefault());
    QCOMPARE(f.form->Timer1->interval(), 5000);
    QVERIFY(f.form->Timer1->isActive());
    QCOMPARE(f.form->TimeSetArmed, 1);

    QTRY_COMPARE(f.messages.messages.size(), std::size_t{1});
    QCOMPARE(f.setter.records.size(), std::size_t{1});
    QCOMPARE(f.setter.records[0], GoodRecord);
    const auto &m = f.messages.messages[0];
    QCOMPARE(m.icon, MessageIcon::Information);
    QCOMPARE(m.title, QStringLiteral("Halvion - NIST Time Set"));
    QCOMPARE(m.text, successText(shown));
    QCOMPARE(set.count(), 1);
    QCOMPARE(f.form->AdvanceTenths, 500);
    QCOMPARE(f.form->TimeSetArmed, 0);
    // The dialog has closed.
    QVERIFY(!f.form->isVisible());
    QCOMPARE(f.form->result(), int(QDialog::Rejected));
    QVERIFY(!f.form->Timer2->isActive());
    f.verifyIdle();
    QCOMPARE(server.connections, 1);
}

void TestSetTimeForm::replyInSegments()
{
    LocalDaytimeServer server;
    DialogFixture f(server.port());
    f.form->Command1_Click();
    QTRY_VERIFY(server.client);
    const QList<QByteArray> pieces{GoodReply.left(10), GoodReply.mid(10, 20), GoodReply.mid(30)};
    QByteArray sent;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        server.send(pieces[i]);
        sent += pieces[i];
        if (i + 1 < pieces.size()) {
            QTRY_COMPARE(f.form->receivedSoFar(), sent);
            QVERIFY(f.messages.messages.empty());
            QVERIFY(f.form->Timer1->isActive());
        }
    }
    QTRY_COMPARE(f.messages.messages.size(), std::size_t{1});
    QCOMPARE(f.messages.messages[0].text, successText(GoodReply));
    QCOMPARE(f.setter.records.size(), std::size_t{1});
    QCOMPARE(f.setter.records[0], GoodRecord);
    f.verifyIdle();
}

void TestSetTimeForm::replyNotSet_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<bool>("setterAnswers");
    QTest::addColumn<QString>("message"); // empty: none
    QTest::addColumn<int>("setterCalls");

    QTest::newRow("health 1") << QByteArray("\n54174 07-03-15 12:34:56 00 0 1  50.0 UTC(NIST) * \n") << true
                              << HealthWarning << 0;
    QTest::newRow("30 February") << QByteArray("\n54174 07-02-30 12:34:56 00 0 0  50.0 UTC(NIST) * \n") << true
                                 << FormattingError << 0;
    QTest::newRow("html") << QByteArray("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<html><body>hi</body></html>")
                          << true << FormattingError << 0;
    QTest::newRow("10 MB flood") << QByteArray(10 * 1024 * 1024, 'x') << true << FormattingError << 0;
    QTest::newRow("clock refused") << GoodReply << false << SetFailed << 1;
    QTest::newRow("advance overflows") << QByteArray("\n54174 07-03-15 12:34:56 00 0 0 9E9.9 UTC(NIST) * \n") << true
                                       << QString() << 0;
    QTest::newRow("10000 - advance overflows")
        << QByteArray("\n54174 07-03-15 12:34:56 00 0 0 -3E.4 UTC(NIST) * \n") << true << QString() << 0;
}

void TestSetTimeForm::replyNotSet()
{
    QFETCH(QByteArray, sent);
    QFETCH(bool, setterAnswers);
    QFETCH(QString, message);
    QFETCH(int, setterCalls);

    LocalDaytimeServer server(sent);
    DialogFixture f(server.port());
    f.setter.result = setterAnswers;
    QSignalSpy set(f.form.get(), &SetTimeForm::clockSet);
    f.form->show();
    f.form->Command1_Click();
    if (message.isEmpty()) {
        QTRY_COMPARE(f.form->Winsock1->state(), QAbstractSocket::UnconnectedState);
        QTRY_VERIFY(pointerIsDefault());
    } else {
        QTRY_COMPARE(f.messages.messages.size(), std::size_t{1});
        QCOMPARE(f.messages.messages[0].icon, MessageIcon::Exclamation);
        QCOMPARE(f.messages.messages[0].title, SetErrorTitle);
        QCOMPARE(f.messages.messages[0].text, message);
    }
    QCOMPARE(f.setter.records.size(), std::size_t(setterCalls));
    QCOMPARE(set.count(), 0);
    QCOMPARE(f.form->TimeSetArmed, 0);
    // The dialog stays open for another try, and nothing more comes of this one.
    QVERIFY(f.form->isVisible());
    QVERIFY(f.form->Timer2->isActive());
    f.verifyIdle();
    QTest::qWait(50);
    QCOMPARE(f.messages.messages.size(), std::size_t(message.isEmpty() ? 0 : 1));
    QVERIFY(f.form->receivedSoFar().isEmpty());
}

void TestSetTimeForm::silentServer()
{
    LocalDaytimeServer server;
    DialogFixture f(server.port());
    f.form->Command1_Click();
    QTRY_VERIFY(server.client);
    QTRY_COMPARE(f.form->Winsock1->state(), QAbstractSocket::ConnectedState);
    QVERIFY(!pointerIsDefault());
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    QVERIFY(f.form->Timer1->isActive());

    f.form->Timer1_Timer(); // five seconds have passed
    QCOMPARE(f.messages.messages.size(), std::size_t{1});
    QCOMPARE(f.messages.messages[0].title, SetErrorTitle);
    QCOMPARE(f.messages.messages[0].text, QStringLiteral("There Was No Response From The NIST Time Server.\r Please "
                                                         "Try Again, or Choose Another Server."));
    QCOMPARE(f.messages.messages[0].icon, MessageIcon::Exclamation);
    f.verifyIdle();
    QTRY_COMPARE(server.client->state(), QAbstractSocket::UnconnectedState);
    QVERIFY(f.setter.records.empty());
}

void TestSetTimeForm::hangUpWithoutReply()
{
    LocalDaytimeServer server({}, true);
    DialogFixture f(server.port());
    f.form->Command1_Click();
    QTRY_VERIFY(pointerIsDefault());
    QVERIFY(!f.form->Timer1->isActive());
    QVERIFY(f.messages.messages.empty());

    // The next press only closes what is left of the connection...
    f.monotonic += 10000;
    f.form->Command1_Click();
    f.verifyIdle();
    QTest::qWait(20);
    QCOMPARE(server.connections, 1);
    // ...and the one after that connects again.
    f.form->Command1_Click();
    QTRY_COMPARE(server.connections, 2);
    QTRY_VERIFY(pointerIsDefault());
    QVERIFY(f.messages.messages.empty());
}

void TestSetTimeForm::refusedPort()
{
    quint16 closedPort = 0;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        closedPort = probe.serverPort();
    }
    DialogFixture f(closedPort);
    f.form->Command1_Click();
    QTRY_COMPARE(f.messages.messages.size(), std::size_t{1});
    QCOMPARE(f.messages.messages[0].title, QStringLiteral("Halvion - Time Set Failure"));
    QCOMPARE(f.messages.messages[0].text,
             QStringLiteral("An Error Occurred During An Attempt To Set The System Time.\r\nYour Dial-up or High "
                            "Speed Modem May Not Be Connected.\r\n\r\nPlease Verify Your Connected To The Internet "
                            "And Try Again."));
    QCOMPARE(f.form->TimeSetArmed, 0);
    f.verifyIdle();
}

void TestSetTimeForm::unusableAddress()
{
    DialogFixture f(quint16{13});
    f.service.table.servers[0].address = "time.example";
    f.form->Form_Load();
    f.form->Command1_Click();
    QCOMPARE(f.messages.messages.size(), std::size_t{1});
    QCOMPARE(f.messages.messages[0].title, QStringLiteral("Halvion - Winsock Error Reported"));
    QCOMPARE(f.messages.messages[0].text,
             QStringLiteral("The Winsock Connection Is Unavailable.\rPlease Check Your PC Internet Connections."));
    QCOMPARE(f.form->TimeSetArmed, 0);
    f.verifyIdle();
}

void TestSetTimeForm::cancelWhileWaiting()
{
    LocalDaytimeServer server;
    DialogFixture f(server.port());
    f.form->show();
    f.form->Command1_Click();
    QTRY_VERIFY(server.client);
    QTest::mouseClick(f.form->Command2, Qt::LeftButton);
    QVERIFY(!f.form->isVisible());
    QVERIFY(!f.form->Timer2->isActive());
    QCOMPARE(f.form->Timer2->interval(), 0);
    f.verifyIdle();
    QTRY_COMPARE(server.client->state(), QAbstractSocket::UnconnectedState);
    QVERIFY(f.messages.messages.empty());
}

void TestSetTimeForm::secondPressEndsAttempt()
{
    LocalDaytimeServer server;
    DialogFixture f(server.port());
    f.form->Command1_Click();
    QTRY_VERIFY(server.client);
    f.form->Command1_Click();
    f.verifyIdle();
    QVERIFY(f.messages.messages.empty());
    QTRY_COMPARE(server.client->state(), QAbstractSocket::UnconnectedState);
}

void TestSetTimeForm::queriesAreSpaced()
{
    LocalDaytimeServer server("\n54174 07-03-15 12:34:56 00 0 1  50.0 UTC(NIST) * \n");
    DialogFixture f(server.port());
    f.form->Command1_Click();
    QTRY_COMPARE(f.messages.messages.size(), std::size_t{1});

    // One second later: the query waits out the other three, busy meanwhile.
    f.monotonic += 1000;
    f.form->Command1_Click();
    QVERIFY(f.form->QueryPacingTimer->isActive());
    QCOMPARE(f.form->QueryPacingTimer->interval(), 3000);
    QVERIFY(!pointerIsDefault());
    QCOMPARE(f.form->Winsock1->state(), QAbstractSocket::UnconnectedState);
    QVERIFY(!f.form->Timer1->isActive());

    f.monotonic += 3000;
    f.form->QueryPacingTimer_Timer();
    QTRY_COMPARE(f.messages.messages.size(), std::size_t{2});
    QCOMPARE(server.connections, 2);
    f.verifyIdle();

    // A press while waiting ends the attempt like any other second press.
    f.form->Command1_Click();
    QVERIFY(f.form->QueryPacingTimer->isActive());
    f.form->Command1_Click();
    f.verifyIdle();
    QCOMPARE(server.connections, 2);

    // The spacing holds across openings of the dialog.
    SetTimeForm again(f.service, f.state, *f.settings, f.clock);
    again.Form_Load();
    again.Command1_Click();
    QVERIFY(again.QueryPacingTimer->isActive());
    again.Command2_Click();
    QVERIFY(pointerIsDefault());
}

// While the clock setter waits (for a password), the dialog cannot be closed under it.
void TestSetTimeForm::cancelIgnoredWhileSetting()
{
    class ImpatientSetter final : public ClockSetter {
    public:
        bool set(const SystemTimeRecord &) override
        {
            form->Command2_Click();
            form->close();
            stillOpen = form->isVisible();
            return true;
        }
        SetTimeForm *form = nullptr;
        bool stillOpen = false;
    } impatient;

    LocalDaytimeServer server(GoodReply);
    DialogFixture f(server.port());
    f.service.setter = &impatient;
    impatient.form = f.form.get();
    f.form->show();
    f.form->Command1_Click();
    QTRY_COMPARE(f.messages.messages.size(), std::size_t{1});
    QVERIFY(impatient.stillOpen);
    QCOMPARE(f.messages.messages[0].title, QStringLiteral("Halvion - NIST Time Set"));
    QVERIFY(!f.form->isVisible());
}

void TestSetTimeForm::messageBoxes()
{
    QCOMPARE(messageLines(QStringLiteral("a\r\nb\rc\nd\r\r")), QStringLiteral("a\nb\nc\nd\n\n"));
    std::unique_ptr<QMessageBox> box(
        makeMessageBox(nullptr, MessageIcon::Exclamation, QStringLiteral("Title"), QStringLiteral("<b>x</b>\ry")));
    QCOMPARE(box->textFormat(), Qt::PlainText);
    QCOMPARE(box->text(), QStringLiteral("<b>x</b>\ny"));
    QCOMPARE(box->icon(), QMessageBox::Warning);
    QCOMPARE(box->windowTitle(), QStringLiteral("Title"));
    QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
    std::unique_ptr<QMessageBox> info(makeMessageBox(nullptr, MessageIcon::Information, {}, {}));
    QCOMPARE(info->icon(), QMessageBox::Information);
}

QTEST_MAIN(TestSetTimeForm)
#include "tst_nettime_dialog.moc"
