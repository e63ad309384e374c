// The program as a whole: the splash hands over to the main window, the status
// editor takes the main window's place and gives it back, closing ends everything; the
// beacon monitor's module is opened only when the user first asks for the monitor. The
// skimmers' feed sends nothing until it is turned on, then shows what it heard on the
// map, in its tooltips and in the compact view.

#include "form1.h"
#include "frm_condensed.h"
#include "frm_sel_status.h"
#include "frm_rbn.h"
#include "frm_splash.h"
#include "monitor_loader.h"
#include "program.h"
#include "rbn_feed.h"
#include "rbn_settings.h"
#include "rig_module_loader.h"
#include "spot_store.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace halvion;

namespace {

struct ProgramFixture {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("Halvion.ini"));
    FakeClockSource clock{12, 0, 25};
    Program program{path.toStdString(), clock};

    QByteArray file() const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

// The libraries matching the pattern (their file name) that this process has mapped.
QStringList librariesMapped(const QRegularExpression &names)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return {QStringLiteral("(no /proc/self/maps)")};
    QStringList found;
    for (const QByteArray &line : maps.readAll().split('\n')) {
        const auto m = names.match(QString::fromLocal8Bit(line.trimmed()));
        if (m.hasMatch() && !found.contains(m.captured(1)))
            found << m.captured(1);
    }
    return found;
}

// The libraries only the beacon monitor needs that this process has mapped.
QStringList monitorLibrariesMapped()
{
    static const QRegularExpression monitorOnly(QStringLiteral("/(lib(Qt6Multimedia|Qt6Charts|Qt6Sql|fftw3f?)[^/]*)$"));
    return librariesMapped(monitorOnly);
}

// Hamlib and the libraries only it brings, and the module that links them.
QStringList radioLibrariesMapped()
{
    static const QRegularExpression radioOnly(QStringLiteral("/((libhamlib|libindiclient|libusb-1\\.0|halvion_hamlib)[^/]*)$"));
    return librariesMapped(radioOnly);
}

// Whether this process has a thread of that name.
bool threadRunning(const QString &name)
{
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task + QStringLiteral("/comm")));
        if (comm.open(QIODevice::ReadOnly) && QString::fromLocal8Bit(comm.readAll().trimmed()) == name)
            return true;
    }
    return false;
}

// A skimmer network's telnet server on 127.0.0.1: asks for a call, records what the
// client sends, and sends the lines it is given once the call came.
struct FakeRbnServer {
    QTcpServer server;
    QPointer<QTcpSocket> client;
    QByteArray received;
    QByteArray spots; // sent after the login
    int connections = 0;

    FakeRbnServer()
    {
        server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this] {
            client = server.nextPendingConnection();
            ++connections;
            client->write("Welcome to the test server\r\n\r\nPlease enter your call: ");
            QObject::connect(client, &QTcpSocket::readyRead, client, [this] {
                received += client->readAll();
                if (received.endsWith("\r\n"))
                    client->write(QByteArray("\r\nHello, you are logged in\r\n") + spots);
            });
        });
    }
    std::string address() const { return "127.0.0.1:" + std::to_string(server.serverPort()); }
};

QByteArray spotLine(const char *skimmer, const char *khz, const char *call, int snr, const char *time)
{
    return QStringLiteral("DX de %1-#:  %2  %3  CW    %4 dB  22 WPM  NCDXF B %5\r\n")
        .arg(QLatin1String(skimmer), QLatin1String(khz), QString::fromLatin1(call).leftJustified(11))
        .arg(snr, 2)
        .arg(QLatin1String(time))
        .toLatin1();
}

QWidget *shownWindow(const QString &name)
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == name && w->isVisible())
            return w;
    return nullptr;
}

} // namespace

class TestProgram : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void radioLoadedOnFirstUse();
    // First: once opened, the module stays in the process.
    void monitorLoadedOnFirstUse();
    void eachMonitorMenuOpensItsWindow_data();
    void eachMonitorMenuOpensItsWindow();
    void monitorModuleFound_data();
    void monitorModuleFound();
    void splashHandsOver();
    void splashClosedAtOnce();
    void statusEditorOkRedrawsMap();
    void statusEditorCancelAndCloseBox();
    void okBeforeAnyBand();
    void closingEndsEverything();
    void anotherStartRaisesTheWindowInUse();
    void rbnSendsNothingWhileOff();
    void rbnSpotsReachTheMapAndCompactView();
};

// A user who leaves radio control off loads neither Hamlib nor what it brings, and
// starts no radio thread: the map, a band and the radio line do without them.
// Switching the radio on opens the rig module.
void TestProgram::radioLoadedOnFirstUse()
{
    QCOMPARE(radioLibrariesMapped(), QStringList()); // not linked into the program
    ProgramFixture f;
    f.program.start();
    f.program.splash()->Timer1_Timer();
    Form1 *form = f.program.mainWindow();
    form->BandButtons[1]->click();
    form->Timer3_Timer();
    form->Timer1_Timer();
    QCoreApplication::processEvents();
    QCOMPARE(f.program.radio().state().kind, RadioState::Kind::NotConfigured);
    QCOMPARE(radioLibrariesMapped(), QStringList());
    QVERIFY(!threadRunning(QStringLiteral("Radio")));

    RadioSettings dummy;
    dummy.enabled = true;
    dummy.model = 1; // Hamlib's dummy rig
    f.program.radio().configure(dummy);
    f.program.radio().tuneBand(1);
    QTRY_COMPARE(f.program.radio().state().kind, RadioState::Kind::Connected);
    QVERIFY(threadRunning(QStringLiteral("Radio")));
    const QStringList mapped = radioLibrariesMapped();
    QVERIFY2(mapped.filter(QStringLiteral("libhamlib")).size() == 1, qPrintable(mapped.join(u' ')));
    QVERIFY2(mapped.filter(QStringLiteral("halvion_hamlib")).size() == 1, qPrintable(mapped.join(u' ')));
}

// A user who never opens the beacon monitor loads none of its libraries: the map, a
// band, the compact view and the clock badge do without them. The first monitor menu
// item opens the module.
void TestProgram::monitorLoadedOnFirstUse()
{
    QCOMPARE(monitorLibrariesMapped(), QStringList()); // not linked into the program
    ProgramFixture f;
    const QString log = f.dir.filePath(QStringLiteral("data/monitor.sqlite"));
    f.program.setMonitorLogPath(log);
    f.program.start();
    f.program.splash()->Timer1_Timer();
    Form1 *form = f.program.mainWindow();
    form->BandButtons[1]->click();
    form->Timer3_Timer();
    form->Timer1_Timer();
    form->CondensedDisplayMode_Click();
    QVERIFY(f.program.compactView());
    f.program.compactView()->Timer4_Timer();
    QVERIFY(f.program.clockBadge());
    f.program.compactView()->close();
    QVERIFY(form->isVisible());
    QVERIFY(!f.program.monitorLoaded());
    QCOMPARE(monitorLibrariesMapped(), QStringList());
    QVERIFY(!QFile::exists(log));

    form->MonitorResultsMenu->trigger();
    QVERIFY(f.program.monitorLoaded());
    QVERIFY(shownWindow(QStringLiteral("frmMonitorResults")));
    const QStringList mapped = monitorLibrariesMapped();
    for (const char *library : {"libQt6Multimedia.so", "libQt6Charts.so", "libQt6Sql.so", "libfftw3f.so"})
        QVERIFY2(mapped.filter(QLatin1String(library)).size() == 1, qPrintable(mapped.join(QLatin1Char(' '))));
    form->close(); // ends the program, the monitor's windows with it
    QVERIFY(!shownWindow(QStringLiteral("frmMonitorResults")));
}

void TestProgram::eachMonitorMenuOpensItsWindow_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("window");
    QTest::newRow("Beacon Monitor") << "BeaconMonitorMenu" << "frmBeaconMonitor";
    QTest::newRow("Analyze Recording") << "AnalyzeRecordingMenu" << "frmAnalyzeRecording";
    QTest::newRow("Monitor Results") << "MonitorResultsMenu" << "frmMonitorResults";
}

void TestProgram::eachMonitorMenuOpensItsWindow()
{
    QFETCH(QString, menu);
    QFETCH(QString, window);
    ProgramFixture f;
    f.program.setMonitorLogPath(f.dir.filePath(QStringLiteral("data/monitor.sqlite")));
    f.program.start();
    f.program.splash()->Timer1_Timer();
    Form1 *form = f.program.mainWindow();
    QVERIFY(!f.program.monitorLoaded());
    auto *item = form->findChild<QAction *>(menu);
    QVERIFY(item);
    item->trigger();
    QVERIFY(f.program.monitorLoaded());
    QVERIFY(shownWindow(window));
    form->close();
    QVERIFY(!shownWindow(window));
}

// Each module is found where the build and the install rules put it, seen from the
// program's folder; a missing or foreign file is refused with the places tried.
void TestProgram::monitorModuleFound_data()
{
    QTest::addColumn<QString>("module"); // "monitor" or "rig"
    QTest::addColumn<QString>("put"); // what is at the module's place: "module", "junk" or ""
    QTest::addColumn<bool>("loads");
    for (const char *module : {"monitor", "rig"}) {
        QTest::addRow("%s: built beside the tests", module) << module << "module" << true;
        QTest::addRow("%s: missing", module) << module << "" << false;
        QTest::addRow("%s: not a module", module) << module << "junk" << false;
    }
}

void TestProgram::monitorModuleFound()
{
    QFETCH(QString, module);
    QFETCH(QString, put);
    QFETCH(bool, loads);
    const bool rig = module == QLatin1String("rig");
    const QString fileName = rig ? RigModuleLoader::fileName() : MonitorLoader::fileName();
    const QString fromProgram = rig ? RigModuleLoader::folderFromProgram() : MonitorLoader::folderFromProgram();
    QString programFolder = QCoreApplication::applicationDirPath();
    QTemporaryDir dir;
    if (put != QLatin1String("module")) {
        programFolder = dir.filePath(QStringLiteral("bin"));
        const QString folder = QDir(programFolder).filePath(fromProgram);
        QVERIFY(QDir().mkpath(folder));
        if (put == QLatin1String("junk")) {
            QFile junk(QDir(folder).filePath(fileName));
            QVERIFY(junk.open(QIODevice::WriteOnly));
            junk.write("not a shared object\n");
        }
    }
    QString why;
    const bool loaded = rig ? RigModuleLoader::load(programFolder, &why) != nullptr
                            : MonitorLoader::load(programFolder, &why) != nullptr;
    QCOMPARE(loaded, loads);
    if (!loads) {
        // every place tried is named
        for (const QString &place : rig ? RigModuleLoader::candidates(programFolder) : MonitorLoader::candidates(programFolder))
            QVERIFY2(why.contains(place), qPrintable(why));
    }
}

void TestProgram::splashHandsOver()
{
    ProgramFixture f;
    f.program.start();
    frmSplash *splash = f.program.splash();
    QVERIFY(splash && splash->isVisible());
    Form1 *form = f.program.mainWindow();
    QVERIFY(form);
    QVERIFY(!form->isVisible());
    // The main window's start-up has already run behind the splash.
    QVERIFY(f.file().contains("LEDSpeed=Medium"));
    QCOMPARE(form->Timer3->interval(), 500);
    QVERIFY(f.program.statusEditor() && !f.program.statusEditor()->isVisible());
    auto *handOver = splash->findChild<QTimer *>(QStringLiteral("Timer1"));
    QVERIFY(handOver && handOver->isActive());
    QCOMPARE(handOver->interval(), 4000);

    splash->Timer1_Timer();
    QVERIFY(form->isVisible());
    QTRY_VERIFY(!f.program.splash()); // closed and gone
}

// A splash closed before its hand-over (the window manager's close, Alt+F4) must not
// leave a process running with no window: the main window comes up at once.
void TestProgram::splashClosedAtOnce()
{
    ProgramFixture f;
    f.program.start();
    Form1 *form = f.program.mainWindow();
    QVERIFY(!form->isVisible());
    f.program.splash()->close();
    QVERIFY(form->isVisible());
    QTRY_VERIFY(!f.program.splash());
    QVERIFY(form->isVisible());
}

void TestProgram::statusEditorOkRedrawsMap()
{
    ProgramFixture f;
    f.program.start();
    f.program.splash()->Timer1_Timer();
    Form1 *form = f.program.mainWindow();
    form->SelectBand(2); // 15 m
    f.clock.set(12, 0, 45);
    form->Timer1_Timer();
    QCOMPARE(form->Label5->text(), QStringLiteral("Beacon 3 of 18"));

    form->UpdateBeaconStatus->trigger();
    frmSelStatus *editor = f.program.statusEditor();
    QVERIFY(editor->isVisible());
    QVERIFY(!form->isVisible());
    editor->findChild<QRadioButton *>(QStringLiteral("Option2_7"))->click(); // RR9O off the air
    editor->findChild<QPushButton *>(QStringLiteral("Command1"))->click();
    QVERIFY(!editor->isVisible());
    QVERIFY(form->isVisible());
    QVERIFY(f.file().contains("OFF 7=True"));
    QVERIFY(f.file().contains("OK 7=False"));
    // 15 m selected again: a fresh map with the new status and the counter restarted.
    QCOMPARE(f.program.state().BandSelected, (std::array<bool, 5>{false, false, true, false, false}));
    QCOMPARE(form->Label5->text(), QStringLiteral("Beacon 1 of 18"));
    QVERIFY(!form->OffAirDim[7]->isHidden());
    QVERIFY(form->OffLed[7]->isHidden());
    QCOMPARE(f.program.status().SelectedStatus(7), BeaconStatus::OFF);
}

void TestProgram::statusEditorCancelAndCloseBox()
{
    ProgramFixture f;
    f.program.start();
    f.program.splash()->Timer1_Timer();
    Form1 *form = f.program.mainWindow();
    form->SelectBand(0);
    const QByteArray before = f.file();

    form->UpdateBeaconStatus->trigger();
    frmSelStatus *editor = f.program.statusEditor();
    editor->findChild<QRadioButton *>(QStringLiteral("Option3_2"))->click();
    QCOMPARE(f.program.status().SelectedStatus(2), BeaconStatus::ON);
    editor->findChild<QPushButton *>(QStringLiteral("Command2"))->click();
    QCOMPARE(f.program.status().SelectedStatus(2), BeaconStatus::OK);
    QCOMPARE(f.file(), before);
    QVERIFY(form->isVisible() && !editor->isVisible());

    // The close box works like Cancel and destroys the editor; the next opening makes a new one.
    form->UpdateBeaconStatus->trigger();
    editor->findChild<QRadioButton *>(QStringLiteral("Option2_2"))->click();
    editor->close();
    QVERIFY(form->isVisible());
    QCOMPARE(f.program.status().SelectedStatus(2), BeaconStatus::OK);
    QTRY_VERIFY(!f.program.statusEditor());
    form->UpdateBeaconStatus->trigger();
    QVERIFY(f.program.statusEditor() && f.program.statusEditor()->isVisible());
    QCOMPARE(f.file(), before);
}

void TestProgram::okBeforeAnyBand()
{
    ProgramFixture f;
    f.program.start();
    f.program.splash()->Timer1_Timer();
    Form1 *form = f.program.mainWindow();
    form->UpdateBeaconStatus->trigger();
    f.program.statusEditor()->Command1_Click();
    QVERIFY(form->isVisible());
    for (QLabel *m : form->OffLed)
        QVERIFY(m->isHidden());
    QVERIFY(f.program.state().NoBandChosen);
}

void TestProgram::closingEndsEverything()
{
    ProgramFixture f;
    f.program.start();
    QSignalSpy finished(&f.program, &Program::finished);
    f.program.splash()->Timer1_Timer();
    Form1 *form = f.program.mainWindow();
    form->SelectBand(1);
    form->UpdateBeaconStatus->trigger();
    QVERIFY(f.program.statusEditor()->isVisible());
    form->ExitMenu->trigger();
    QCOMPARE(finished.count(), 1);
    QVERIFY(!form->isVisible()); // the editor's close does not bring the map back
    QTRY_VERIFY(!f.program.statusEditor());
}

// A second start of the program asks this copy to come to the front: the window the user
// works in is raised, restored first when it was minimised; the hidden ones stay hidden.
void TestProgram::anotherStartRaisesTheWindowInUse()
{
    ProgramFixture f;
    f.program.start();
    f.program.bringToFront(); // the splash is all there is yet
    QTRY_COMPARE(QApplication::activeWindow(), f.program.splash());
    QVERIFY(!f.program.mainWindow()->isVisible());

    f.program.splash()->Timer1_Timer();
    Form1 *form = f.program.mainWindow();
    form->showMinimized();
    f.program.bringToFront();
    QVERIFY(!form->isMinimized());
    QTRY_COMPARE(QApplication::activeWindow(), form);

    form->UpdateBeaconStatus->trigger();
    f.program.bringToFront();
    QTRY_COMPARE(QApplication::activeWindow(), f.program.statusEditor());
    QVERIFY(!form->isVisible());
}

// With the feed off (the first start's settings) nothing connects, the map's line
// stays empty and no SQL is loaded; the menu item opens the dialog.
void TestProgram::rbnSendsNothingWhileOff()
{
    FakeRbnServer server;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Halvion.ini"));
    {
        SettingsFile settings(path.toStdString());
        RbnSettings s;
        s.server = server.address();
        s.callsign = "N0CALL";
        saveRbnSettings(settings, s); // everything but the switch
    }
    FakeClockSource clock{12, 0, 25};
    FakeFeedClock feedClock(QDateTime(QDate(2026, 12, 10), QTime(23, 0), Qt::UTC).toMSecsSinceEpoch());
    Program program(path.toStdString(), clock);
    program.setFeedClock(feedClock);
    program.setMonitorLogPath(dir.filePath(QStringLiteral("data/monitor.sqlite")));
    program.start();
    program.splash()->Timer1_Timer();
    Form1 *form = program.mainWindow();
    QVERIFY(program.rbnFeed());
    QCOMPARE(program.rbnFeed()->state(), RbnFeed::State::Off);
    QVERIFY(!program.spotTimer()->isActive());
    QVERIFY(!program.statusEditor()->SuggestFromSpots->isEnabled());
    QVERIFY(form->RbnState->text().isEmpty());
    QVERIFY(form->FileMenu->actions().contains(form->ReverseBeaconNetwork));
    form->ReverseBeaconNetwork->trigger();
    QVERIFY(program.rbnDialog());
    QTRY_VERIFY(program.rbnDialog()->isVisible());
    QCOMPARE(program.rbnDialog()->RbnStatus->text(), program.rbnFeed()->statusText());
    program.rbnDialog()->CancelButton_Click();
    QCoreApplication::processEvents();
    QCOMPARE(server.connections, 0);
    QVERIFY(!server.server.hasPendingConnections());
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("data/monitor.sqlite"))));
}

// Turned on in the dialog, the program logs in, and a station heard on the tracked
// band gets its ring and tooltip line; fifteen minutes later both are gone. The compact
// view marks the rows whose station was heard on that band.
void TestProgram::rbnSpotsReachTheMapAndCompactView()
{
    FakeRbnServer server;
    // CS3B on 20 m by twelve skimmers, the best KM3T-2; W6WX (on 20 m in the compact
    // view's slot) once; VE8AT only on 15 m; a spot off the beacon frequency.
    const char *skimmers[] = {"W3OA", "G0LUJ", "DK9IP", "VE6WZ", "OH6BG", "JA1XYZ", "K1TTT", "W1NT-6", "N6TV",
                              "DL8LAS", "EA5WU"};
    int snr = 5;
    for (const char *skimmer : skimmers)
        server.spots += spotLine(skimmer, "14100.0", "CS3B", snr++, "2258Z");
    server.spots += spotLine("KM3T-2", "14100.1", "CS3B", 24, "2259Z");
    server.spots += spotLine("W3OA", "14100.0", "W6WX/B", 9, "2259Z");
    server.spots += spotLine("W3OA", "21150.0", "VE8AT", 9, "2259Z");
    server.spots += spotLine("W3OA", "14102.5", "4U1UN", 30, "2259Z");

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Halvion.ini"));
    FakeClockSource clock{12, 0, 25}; // slot 2: W6WX on 20 m, VE8AT on 17 m
    FakeFeedClock feedClock(QDateTime(QDate(2026, 12, 10), QTime(23, 0), Qt::UTC).toMSecsSinceEpoch());
    Program program(path.toStdString(), clock);
    program.setFeedClock(feedClock);
    const QString log = dir.filePath(QStringLiteral("data/monitor.sqlite"));
    program.setMonitorLogPath(log);
    program.start();
    program.splash()->Timer1_Timer();
    Form1 *form = program.mainWindow();
    form->BandButtons[0]->click();
    form->Timer3_Timer();

    form->ReverseBeaconNetwork->trigger();
    frmRbn *dialog = program.rbnDialog();
    QVERIFY(dialog);
    dialog->RbnOn->setChecked(true);
    dialog->RbnServer->setText(QString::fromStdString(server.address()));
    dialog->RbnCallsign->setText(QStringLiteral("n0call"));
    QVERIFY(dialog->OkButton_Click());
    QVERIFY(program.spotTimer()->isActive());
    QCOMPARE(program.spotTimer()->interval(), 1000);
    QVERIFY(program.statusEditor()->SuggestFromSpots->isEnabled());

    QTRY_COMPARE(program.rbnFeed()->counters().spots, quint64(15));
    QCOMPARE(server.received, QByteArray("N0CALL\r\n"));
    QCOMPARE(server.connections, 1);
    QCOMPARE(program.rbnFeed()->counters().beaconSpots, quint64(14));
    QVERIFY2(form->RbnState->toolTip().startsWith(QStringLiteral("Connected to %1: 14 beacon spots")
                                                      .arg(QString::fromStdString(server.address()))),
             qPrintable(form->RbnState->toolTip()));
    QCOMPARE(form->RbnState->text(), QStringLiteral("Reverse Beacon Network: 14 beacon spots"));
    QVERIFY(QFile::exists(log)); // the log came with the feed

    const auto ring = [form](BeaconIndex i) {
        QWidget *w = form->findChild<QWidget *>(QStringLiteral("SpotRing_%1").arg(i));
        return w && w->isVisibleTo(form->Picture1);
    };
    QVERIFY(ring(14));
    QVERIFY(ring(2));
    QVERIFY(!ring(1));  // heard on another band
    QVERIFY(!ring(0));  // off frequency
    QVERIFY(!ring(13));
    const QStringList tip = form->StationToolTip(14).split(QLatin1Char('\n'));
    QCOMPARE(tip.last(), QStringLiteral("Spotted on 20 m by 12 skimmers in the last 15 min, best 24 dB (KM3T, 22:59 UTC)"));
    QVERIFY(!form->StationToolTip(1).contains(QStringLiteral("Spotted")));
    form->BandButtons[2]->click(); // 15 m: the ring moves with the band at the next second
    program.spotTimer()->timeout({});
    QVERIFY(ring(1));
    QVERIFY(!ring(14));
    QVERIFY(form->StationToolTip(1).endsWith(QStringLiteral("Spotted on 15 m by 1 skimmer in the last 15 min, best 9 dB (W3OA, 22:59 UTC)")));
    form->BandButtons[0]->click();
    program.showSpots();

    form->CondensedDisplayMode_Click();
    frmCondensed *compact = program.compactView();
    QVERIFY(compact);
    compact->Timer4_Timer();
    const auto mark = [compact](BandIndex b) {
        QWidget *w = compact->findChild<QWidget *>(QStringLiteral("SpotMark_%1").arg(b));
        return w && w->isVisibleTo(compact);
    };
    QVERIFY(mark(0));  // W6WX on 20 m
    QVERIFY(!mark(1)); // VE8AT, heard on 15 m only
    QVERIFY(!mark(2));
    compact->close();

    // Sixteen minutes on, nothing is recent any more.
    feedClock.advance(16 * 60 * 1000);
    program.spotTimer()->timeout({});
    QVERIFY(!ring(14));
    QVERIFY(!ring(2));
    QVERIFY(!form->StationToolTip(14).contains(QStringLiteral("Spotted")));

    // Turned off again: the feed hangs up and the line under the map is cleared.
    form->ReverseBeaconNetwork->trigger();
    program.rbnDialog()->RbnOn->setChecked(false);
    QVERIFY(program.rbnDialog()->OkButton_Click());
    QCOMPARE(program.rbnFeed()->state(), RbnFeed::State::Off);
    QVERIFY(form->RbnState->text().isEmpty());
    QVERIFY(!program.spotTimer()->isActive());
    QVERIFY(!program.statusEditor()->SuggestFromSpots->isEnabled());
    QTRY_VERIFY(!server.client || server.client->state() != QAbstractSocket::ConnectedState);
}

QTEST_MAIN(TestProgram)
#include "tst_program.moc"
