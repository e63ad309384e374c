// The program as a whole: the splash hands over to the main window, the status
// editor takes the main window's place and gives it back, closing ends everything; the
// beacon monitor's module is opened only when the user first asks for the monitor.

#include "form1.h"
#include "frm_condensed.h"
#include "frm_sel_status.h"
#include "frm_splash.h"
#include "monitor_loader.h"
#include "program.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
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

// The libraries only the beacon monitor needs that this process has mapped.
QStringList monitorLibrariesMapped()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return {QStringLiteral("(no /proc/self/maps)")};
    static const QRegularExpression monitorOnly(QStringLiteral("/(lib(Qt6Multimedia|Qt6Charts|Qt6Sql|fftw3f?)[^/]*)$"));
    QStringList found;
    for (const QByteArray &line : maps.readAll().split('\n')) {
        const auto m = monitorOnly.match(QString::fromLocal8Bit(line.trimmed()));
        if (m.hasMatch() && !found.contains(m.captured(1)))
            found << m.captured(1);
    }
    return found;
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
};

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

// The module is found where the build and the install rules put it, seen from the
// program's folder; a missing or foreign file is refused with the places tried.
void TestProgram::monitorModuleFound_data()
{
    QTest::addColumn<QString>("put"); // what is at the module's place: "module", "junk" or ""
    QTest::addColumn<bool>("loads");
    QTest::newRow("built beside the tests") << "module" << true;
    QTest::newRow("missing") << "" << false;
    QTest::newRow("not a module") << "junk" << false;
}

void TestProgram::monitorModuleFound()
{
    QFETCH(QString, put);
    QFETCH(bool, loads);
    QString programFolder = QCoreApplication::applicationDirPath();
    QTemporaryDir dir;
    if (put != QLatin1String("module")) {
        programFolder = dir.filePath(QStringLiteral("bin"));
        const QString folder = QDir(programFolder).filePath(MonitorLoader::folderFromProgram());
        QVERIFY(QDir().mkpath(folder));
        if (put == QLatin1String("junk")) {
            QFile junk(QDir(folder).filePath(MonitorLoader::fileName()));
            QVERIFY(junk.open(QIODevice::WriteOnly));
            junk.write("not a shared object\n");
        }
    }
    QString why;
    MonitorModuleFactory *factory = MonitorLoader::load(programFolder, &why);
    QCOMPARE(factory != nullptr, loads);
    if (!loads) {
        // every place tried is named
        for (const QString &place : MonitorLoader::candidates(programFolder))
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

QTEST_MAIN(TestProgram)
#include "tst_program.moc"
