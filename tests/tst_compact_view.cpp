// The compact view: five rows from the clock, status LEDs, its own pass counter, the
// place and stacking it keeps in the settings file, and the ways in and out of it.

#include "compact_position.h"
#include "form1.h"
#include "frm_condensed.h"
#include "frm_splash.h"
#include "main_window_fixture.h"
#include "monitor_controller.h"
#include "schedule_clock.h"
#include "pc_time_text.h"
#include "platform_choice.h"
#include "program.h"

#include <QAction>
#include <QDateTime>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QtTest>

using namespace halvion;
using halvion::test::allStations;
using halvion::test::statusLines;

namespace {

// A compact window over a temporary settings file and a clock the test sets.
struct CompactFixture {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("Halvion.ini"));
    std::unique_ptr<SettingsFile> settings;
    AppState state;
    std::unique_ptr<StatusStore> status;
    FakeClockSource clock{12, 0, 43};
    std::unique_ptr<frmCondensed> view;

    explicit CompactFixture(const QByteArray &ini = {}, bool passCounterOn = true, BandIndex tracked = 1)
    {
        if (!ini.isNull()) {
            QFile f(path);
            if (f.open(QIODevice::WriteOnly))
                f.write(ini);
        }
        settings = std::make_unique<SettingsFile>(path.toStdString());
        status = std::make_unique<StatusStore>(*settings);
        status->ReadBeaconStatus();
        state.PassCounterOn = passCounterOn;
        state.GaugeRunning = true;
        if (tracked >= 0)
            state.BandSelected[static_cast<std::size_t>(tracked)] = true;
        view = std::make_unique<frmCondensed>(state, *status, *settings, clock);
        view->Form_Load();
    }

    QString value(std::string_view key) const
    {
        return QString::fromStdString(settings->readText({key, "<missing>", 255}));
    }

    void tickAt(int hour, int minute, int second, int millisecond = 0)
    {
        clock.set(hour, minute, second, millisecond);
        view->Timer4_Timer();
    }

    QStringList rows() const
    {
        QStringList out;
        for (QLabel *m : view->Callsigns)
            out << m->text();
        return out;
    }

    // Which LED the row shows: "OK", "OFF", "ON" or "" for none.
    QString led(BandIndex b) const
    {
        const auto i = static_cast<std::size_t>(b);
        QStringList shown;
        if (!view->OKLED[i]->isHidden())
            shown << QStringLiteral("OK");
        if (!view->OffLED[i]->isHidden())
            shown << QStringLiteral("OFF");
        if (!view->OnLED[i]->isHidden())
            shown << QStringLiteral("ON");
        return shown.join(QLatin1Char('+'));
    }
};

struct ProgramFixture {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("Halvion.ini"));
    FakeClockSource clock{12, 0, 25};
    std::unique_ptr<Program> program;

    ProgramFixture() { restart(); }

    void restart()
    {
        program.reset();
        program = std::make_unique<Program>(path.toStdString(), clock);
        program->start();
        program->splash()->Timer1_Timer();
    }

    Form1 *form() const { return program->mainWindow(); }

    QString value(std::string_view key) const
    {
        return QString::fromStdString(SettingsFile(path.toStdString()).readText({key, "<missing>", 255}));
    }

    QByteArray file() const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

QColor systemColour(QPalette::ColorRole role)
{
    return QApplication::palette().color(role);
}

} // namespace

class TestCompactView : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void rows_data();
    void rows();
    void leds();
    void counter();
    void highlightRestartsCounter();
    void load_data();
    void load();
    void offScreenPlaceKept();
    void placeOnScreens_data();
    void placeOnScreens();
    void sizeSettledBeforeShown();
    void counterOffShortensWindow();
    void stackingMenu();
    void extraToolTip();
    void rowLevels();
    void monitorLevelsInRows();
    void enterAndLeave();
    void rowDoubleClickAndCloseBox();
    void exitAndRestart();
    void platformChoice_data();
    void platformChoice();
};

void TestCompactView::rows_data()
{
    QTest::addColumn<QTime>("time");
    QTest::addColumn<bool>("gaugeRunning");
    QTest::addColumn<QStringList>("callsigns");
    QTest::addColumn<int>("gauge");

    QTest::newRow("14:12:35 slot 3") << QTime(14, 12, 35) << true
                                     << QStringList{"KH6WO", "W6WX", "VE8AT", "4U1UN", "YV5B"} << 5;
    QTest::newRow("09:02:59 slot 17") << QTime(9, 2, 59) << true
                                      << QStringList{"YV5B", "OA4B", "LU4AA", "CS3B", "OH2B"} << 9;
    QTest::newRow("09:03:00 new cycle") << QTime(9, 3, 0) << true
                                        << QStringList{"4U1UN", "YV5B", "OA4B", "LU4AA", "CS3B"} << 0;
    QTest::newRow("00:00:00 hour plays no part") << QTime(0, 0, 0) << true
                                                 << QStringList{"4U1UN", "YV5B", "OA4B", "LU4AA", "CS3B"} << 0;
    QTest::newRow("12:01:17 slot 7") << QTime(12, 1, 17) << true
                                     << QStringList{"RR9O", "JA2IGY", "VK6RBP", "ZL6B", "KH6WO"} << 7;
    QTest::newRow("23:59:58 gauge off") << QTime(23, 59, 58) << false
                                        << QStringList{"YV5B", "OA4B", "LU4AA", "CS3B", "OH2B"} << 0;
}

void TestCompactView::rows()
{
    QFETCH(QTime, time);
    QFETCH(bool, gaugeRunning);
    QFETCH(QStringList, callsigns);
    QFETCH(int, gauge);

    CompactFixture f;
    // Before the first tick: design captions, no LEDs, "Syncing Beacons".
    QCOMPARE(f.rows(), QStringList(5, QStringLiteral("?")));
    QCOMPARE(f.view->Label6->text(), QStringLiteral("Syncing Beacons"));
    for (BandIndex b = 0; b < BandCount; ++b)
        QCOMPARE(f.led(b), QString());
    QCOMPARE(f.view->Timer4->interval(), 250);
    QVERIFY(f.view->Timer4->isActive());

    f.state.GaugeRunning = gaugeRunning;
    f.tickAt(time.hour(), time.minute(), time.second());
    QCOMPARE(f.rows(), callsigns);
    QCOMPARE(f.view->Gauge2->value(), gauge);
    const QLocale locale = QLocale::system();
    const int hour12 = time.hour() % 12 == 0 ? 12 : time.hour() % 12;
    QCOMPARE(f.view->Label6->text(),
             QStringLiteral("PC Time %1:%2 %3")
                 .arg(hour12, 2, 10, QLatin1Char('0'))
                 .arg(time.toString(QStringLiteral("mm:ss")))
                 .arg(time.hour() < 12 ? locale.amText() : locale.pmText()));
    // The same text as the main window's clock line.
    QCOMPARE(f.view->Label6->text(), pcTimeText({time.hour(), time.minute(), time.second(), 0}));
}

void TestCompactView::leds()
{
    // 4U1UN OK, YV5B on the air with problems, OA4B off the air; everyone else has no status.
    CompactFixture f("[Halvion]\n" + statusLines({0}, {16}, {17}));
    f.tickAt(14, 12, 35); // 12 m 4U1UN, 10 m YV5B; 20, 17, 15 m carry stations with no status
    QCOMPARE(f.led(3), QStringLiteral("OK"));
    QCOMPARE(f.led(4), QStringLiteral("ON"));
    QCOMPARE(f.led(0), QString());
    // At the row's right end (1920 twips into a 2175-twip row at the design's width).
    QCOMPARE(f.view->OKLED[3]->geometry(), QRect(f.view->Rows[3]->width() - 17, 0, 16, 16));

    f.tickAt(9, 3, 0); // 20 m 4U1UN, 17 m YV5B, 15 m OA4B; 12 m LU4AA and 10 m CS3B have none
    QCOMPARE(f.led(0), QStringLiteral("OK"));
    QCOMPARE(f.led(1), QStringLiteral("ON"));
    QCOMPARE(f.led(2), QStringLiteral("OFF"));
    // Rows whose station has no status keep the LED shown there before.
    QCOMPARE(f.led(3), QStringLiteral("OK"));
    QCOMPARE(f.led(4), QStringLiteral("ON"));

    // A status changed by the editor shows at the next tick.
    f.status->select(15, BeaconStatus::OFF);
    f.tickAt(9, 3, 1);
    QCOMPARE(f.led(3), QStringLiteral("OFF"));
}

void TestCompactView::counter()
{
    // Opened at second 43; ticks come late, early, twice and not at all for a while.
    CompactFixture f;
    QCOMPARE(f.view->ConPassLabel->text(), QStringLiteral("Pass 1, Beacon 1 of 18"));
    const struct {
        int minute, second, millisecond;
        const char *text;
    } ticks[] = {
        {0, 43, 900, "Pass 1, Beacon 1 of 18"},
        {0, 49, 999, "Pass 1, Beacon 1 of 18"},
        {0, 50, 10, "Pass 1, Beacon 2 of 18"},
        {0, 50, 10, "Pass 1, Beacon 2 of 18"}, // the same instant twice
        {0, 50, 700, "Pass 1, Beacon 2 of 18"},
        {0, 51, 200, "Pass 1, Beacon 2 of 18"},
        {1, 0, 300, "Pass 1, Beacon 3 of 18"},
        {1, 21, 0, "Pass 1, Beacon 5 of 18"},  // the tick at second 10 never came
        {1, 20, 900, "Pass 1, Beacon 5 of 18"}, // a tick out of order
        {3, 30, 100, "Pass 1, Beacon 18 of 18"},
        {3, 39, 999, "Pass 1, Beacon 18 of 18"},
        {3, 40, 0, "Pass 2, Beacon 1 of 18"}, // the eighteenth slot start after opening
        {3, 50, 0, "Pass 2, Beacon 2 of 18"},
    };
    for (const auto &t : ticks) {
        f.tickAt(12, t.minute, t.second, t.millisecond);
        QCOMPARE(f.view->ConPassLabel->text(), QLatin1String(t.text));
    }
    QCOMPARE(f.view->CompactPassNumber(), 2);
    QCOMPARE(f.view->CompactBeaconInPass(), 2);
}

void TestCompactView::highlightRestartsCounter()
{
    CompactFixture f; // tracking 17 m
    QCOMPARE(f.view->highlightedRow(), 1);
    QCOMPARE(f.view->Rows[1]->palette().color(QPalette::Window), systemColour(QPalette::ToolTipBase));
    QCOMPARE(f.view->Rows[0]->palette().color(QPalette::Window), systemColour(QPalette::Button));
    f.tickAt(12, 1, 0, 100);
    f.tickAt(12, 1, 10, 100);
    QCOMPARE(f.view->ConPassLabel->text(), QStringLiteral("Pass 1, Beacon 4 of 18"));

    // The highlighted row again: nothing restarts.
    f.view->Picture17_Click();
    QCOMPARE(f.view->ConPassLabel->text(), QStringLiteral("Pass 1, Beacon 4 of 18"));

    // Another row, in the first second of a slot already counted: the count starts
    // over and that slot is not counted again.
    f.view->Picture12_Click();
    QCOMPARE(f.view->ConPassLabel->text(), QStringLiteral("Pass 1, Beacon 1 of 18"));
    f.tickAt(12, 1, 10, 600);
    QCOMPARE(f.view->ConPassLabel->text(), QStringLiteral("Pass 1, Beacon 1 of 18"));
    f.tickAt(12, 1, 20, 0);
    QCOMPARE(f.view->ConPassLabel->text(), QStringLiteral("Pass 1, Beacon 2 of 18"));
    QCOMPARE(f.state.BandSelected, (std::array<bool, 5>{false, false, false, true, false}));
    for (BandIndex b = 0; b < BandCount; ++b)
        QCOMPARE(f.view->Rows[static_cast<std::size_t>(b)]->palette().color(QPalette::Window) == systemColour(QPalette::Button),
                 b != 3);

    // With the counter off a click only moves the highlight.
    CompactFixture off({}, false);
    off.view->Picture10_Click();
    QCOMPARE(off.view->ConPassLabel->text(), QString());
    QCOMPARE(off.state.BandSelected, (std::array<bool, 5>{false, false, false, false, true}));
}

void TestCompactView::load_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<bool>("onTop");
    QTest::addColumn<QPoint>("place");
    QTest::addColumn<QString>("aotAfter");

    // A place off the screen opens on it; (0, -1) stands for the bottom-left corner.
    const QPoint bottomLeft(0, -1);
    QTest::newRow("no file") << QByteArray() << false << QPoint(0, 0) << "False";
    QTest::newRow("AOT True, stored place") << QByteArray("[Halvion]\nAOT=True\nCompactWinTop= 2850\nCompactWinLeft= 4500\n")
                                            << true << QPoint(300, 190) << "True";
    QTest::newRow("AOT False") << QByteArray("[Halvion]\nAOT=False\n") << false << QPoint(0, 0) << "False";
    QTest::newRow("AOT yes") << QByteArray("[Halvion]\nAOT=yes\n") << true << QPoint(0, 0) << "True";
    QTest::newRow("AOT false in lower case") << QByteArray("[Halvion]\nAOT=false\n") << true << QPoint(0, 0)
                                             << "True";
    QTest::newRow("left -120, top abc: partly visible, kept")
        << QByteArray("[Halvion]\nAOT=False\nCompactWinTop=abc\nCompactWinLeft=-120\n") << false << QPoint(-8, 0)
        << "False";
    QTest::newRow("far off: onto the screen")
        << QByteArray("[Halvion]\nAOT=False\nCompactWinTop= 300000\nCompactWinLeft=-45000.5\n") << false
        << bottomLeft << "False";
    QTest::newRow("huge: onto the screen") << QByteArray("[Halvion]\nAOT=False\nCompactWinTop= 99999999999999999999999\n"
                                                         "CompactWinLeft=-1e400\n")
                                           << false << bottomLeft << "False";
    QTest::newRow("overflowing int: onto the screen") << QByteArray("[Halvion]\nAOT=False\nCompactWinTop= 40000000000\n"
                                                                    "CompactWinLeft=-40000000000\n")
                                                      << false << bottomLeft << "False";
}

void TestCompactView::load()
{
    QFETCH(QByteArray, ini);
    QFETCH(bool, onTop);
    QFETCH(QPoint, place);
    QFETCH(QString, aotAfter);

    CompactFixture f(ini);
    QCOMPARE(f.view->AlwaysOnTop->isChecked(), onTop);
    QCOMPARE(f.view->Normal->isChecked(), !onTop);
    QCOMPARE(f.view->windowFlags().testFlag(Qt::WindowStaysOnTopHint), onTop);
    if (place.y() < 0) {
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        place = QPoint(screen.left(), screen.bottom() + 1 - f.view->height());
    }
    QCOMPARE(f.view->pos(), place);
    QCOMPARE(f.value("AOT"), aotAfter);
    // The load reads the place but writes none.
    if (ini.isNull())
        QCOMPARE(f.value("CompactWinTop"), QStringLiteral("<missing>"));
}

// A window brought back onto the screen leaves the stored place alone until the user
// moves it.
void TestCompactView::offScreenPlaceKept()
{
    const QByteArray ini("[Halvion]\nAOT=False\nCompactWinTop= 300000\nCompactWinLeft=-45000\n");
    CompactFixture left(ini);
    left.view->close();
    QCOMPARE(left.value("CompactWinTop"), QStringLiteral("300000"));
    QCOMPARE(left.value("CompactWinLeft"), QStringLiteral("-45000"));

    CompactFixture moved(ini);
    moved.view->move(10, 20);
    moved.view->ExitProgram->trigger();
    QCOMPARE(moved.value("CompactWinTop"), QStringLiteral(" 300"));
    QCOMPARE(moved.value("CompactWinLeft"), QStringLiteral(" 150"));
}

// Two screens side by side, the right one shorter and with a panel along its top.
void TestCompactView::placeOnScreens_data()
{
    QTest::addColumn<QRect>("frame");
    QTest::addColumn<QPoint>("place");

    QTest::newRow("on the left screen") << QRect(100, 100, 163, 185) << QPoint(100, 100);
    QTest::newRow("on the right screen") << QRect(2000, 500, 163, 185) << QPoint(2000, 500);
    QTest::newRow("astride both") << QRect(1850, 300, 163, 185) << QPoint(1850, 300);
    QTest::newRow("one pixel left on screen") << QRect(-162, 300, 163, 185) << QPoint(-162, 300);
    QTest::newRow("under the panel, still on screen") << QRect(2000, 5, 163, 185) << QPoint(2000, 5);
    QTest::newRow("off to the left") << QRect(-500, 300, 163, 185) << QPoint(0, 300);
    QTest::newRow("off to the right") << QRect(4000, 300, 163, 185) << QPoint(3200 - 163, 300);
    QTest::newRow("above the right screen") << QRect(2500, -900, 163, 185) << QPoint(2500, 30);
    QTest::newRow("below the right screen, beside the left") << QRect(2100, 1030, 163, 185)
                                                              << QPoint(2100, 1024 - 185);
    QTest::newRow("below and left of everything") << QRect(-3000, 20000, 163, 185) << QPoint(0, 1080 - 185);
    QTest::newRow("larger than the nearest screen") << QRect(5000, 0, 1500, 1200) << QPoint(1920, 30);
}

void TestCompactView::placeOnScreens()
{
    QFETCH(QRect, frame);
    QFETCH(QPoint, place);
    const QList<CompactPosition::ScreenArea> screens{
        {QRect(0, 0, 1920, 1080), QRect(0, 0, 1920, 1080)},
        {QRect(1920, 0, 1280, 1024), QRect(1920, 30, 1280, 994)},
    };
    QCOMPARE(CompactPosition::placeOnScreens(frame, screens), place);
    QCOMPARE(CompactPosition::placeOnScreens(frame, {}), frame.topLeft());
}

// The window's size is final before it is shown: a window resized while it is being
// shown has the stored place taken for its client area's, not its frame's.
void TestCompactView::sizeSettledBeforeShown()
{
    for (bool counterOn : {true, false}) {
        CompactFixture f({}, counterOn);
        const QSize loaded = f.view->size();
        f.view->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.view.get()));
        QCOMPARE(f.view->size(), loaded);
        QCOMPARE(f.view->pos(), QPoint(0, 0));
    }
}

void TestCompactView::counterOffShortensWindow()
{
    CompactFixture on;
    CompactFixture off({}, false);
    // 2415 x 2160 twips, wider where the desktop's font needs room for the counter.
    QCOMPARE(on.view->Client->height(), 144);
    QVERIFY(on.view->Client->width() >= 161);
    QCOMPARE(on.view->ConPassLabel->text(), QStringLiteral("Pass 1, Beacon 1 of 18"));
    QCOMPARE(off.view->Client->height(), 122); // 330 twips less
    QCOMPARE(off.view->ConPassLabel->text(), QString());
    on.view->show();
    off.view->show();
    QCOMPARE(on.view->height() - off.view->height(), 22);
    // Ticks leave the counter line empty.
    off.tickAt(12, 0, 50);
    QCOMPARE(off.view->ConPassLabel->text(), QString());
}

void TestCompactView::stackingMenu()
{
    CompactFixture f;
    f.view->move(200, 150);
    f.view->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.view.get()));
    const QPoint place = f.view->pos();

    const struct {
        QAction *item;
        bool onTop;
    } choices[] = {{f.view->AlwaysOnTop, true}, {f.view->AlwaysOnTop, true}, {f.view->Normal, false},
                   {f.view->AlwaysOnTop, true}};
    for (const auto &choice : choices) {
        choice.item->trigger();
        QCOMPARE(f.view->windowFlags().testFlag(Qt::WindowStaysOnTopHint), choice.onTop);
        QVERIFY(f.view->isVisible());
        QCOMPARE(f.view->pos(), place);
        QCOMPARE(f.view->AlwaysOnTop->isChecked(), choice.onTop);
        QCOMPARE(f.view->Normal->isChecked(), !choice.onTop);
        QCOMPARE(f.value("AOT"), choice.onTop ? QStringLiteral("True") : QStringLiteral("False"));
        QVERIFY(f.view->windowHandle());
        QCOMPARE(f.view->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint), choice.onTop);
    }
}

void TestCompactView::extraToolTip()
{
    CompactFixture f;
    QCOMPARE(f.view->toolTip(), QString());
    f.view->setExtraToolTip(QStringLiteral("radio"), QStringLiteral("Radio: 14.100 MHz"));
    f.view->setExtraToolTip(QStringLiteral("clock"), QStringLiteral("Clock offset 0.02 s"));
    QCOMPARE(f.view->toolTip(), QStringLiteral("Clock offset 0.02 s\nRadio: 14.100 MHz"));
    f.view->setExtraToolTip(QStringLiteral("radio"), QStringLiteral("Radio: 18.110 MHz"));
    QCOMPARE(f.view->toolTip(), QStringLiteral("Clock offset 0.02 s\nRadio: 18.110 MHz"));
    f.view->setExtraToolTip(QStringLiteral("clock"), QString());
    QCOMPARE(f.view->toolTip(), QStringLiteral("Radio: 18.110 MHz"));
    // Rows are there by name for a level indicator of their own.
    QCOMPARE(f.view->findChild<QFrame *>(QStringLiteral("Picture12")), f.view->Rows[3]);
    QCOMPARE(f.view->findChild<QLabel *>(QStringLiteral("M10")), f.view->Callsigns[4]);
    QCOMPARE(f.view->findChild<QLabel *>(QStringLiteral("Label9"))->text(), QStringLiteral("21150, 15M"));
}

// A level beside a row's callsign stays with the station: a new slot clears every
// row and tells the program, ticks within a slot do neither.
void TestCompactView::rowLevels()
{
    CompactFixture f;
    QSignalSpy changed(f.view.get(), &frmCondensed::rowsChanged);
    f.tickAt(12, 0, 43);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.last().at(0).toInt(), 4);
    QCOMPARE(f.view->shownSlot(), 4);

    auto *level = f.view->findChild<QLabel *>(QStringLiteral("Level_2"));
    QVERIFY(level);
    QVERIFY(level->isHidden());
    f.view->setRowLevel(2, QStringLiteral("10 W"));
    QVERIFY(!level->isHidden());
    QCOMPARE(level->text(), QStringLiteral("10 W"));
    QVERIFY(f.view->Levels[0]->isHidden());
    f.view->setRowLevel(7, QStringLiteral("1 W")); // no such row: nothing happens

    f.tickAt(12, 0, 45);
    f.tickAt(12, 0, 49, 750);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(level->text(), QStringLiteral("10 W"));

    f.tickAt(12, 0, 50);
    QCOMPARE(changed.count(), 2);
    QCOMPARE(changed.last().at(0).toInt(), 5);
    QVERIFY(level->isHidden());
    QCOMPARE(level->text(), QString());
}

// Through the program: what the monitor measured shows in the row of that station
// and band whenever it is on the air, and nothing shows where it measured nothing.
void TestCompactView::monitorLevelsInRows()
{
    ProgramFixture f;
    QTemporaryDir logDir;
    f.program->setMonitorLogPath(logDir.filePath(QStringLiteral("monitor.sqlite")));
    f.form()->BandButtons[1]->click();
    QTest::mouseDClick(f.form()->Image1, Qt::LeftButton, {}, QPoint(200, 100));
    frmCondensed *view = f.program->compactView();
    QVERIFY(view);
    f.clock.set(12, 0, 25);
    view->Timer4_Timer();
    const int slotIndex = view->shownSlot();
    QCOMPARE(slotIndex, 2);
    for (QLabel *level : view->Levels)
        QVERIFY(level->isHidden());

    // The 15-m station of this slot was heard down to 1 W a minute ago; the 20-m
    // one was measured and not heard.
    const qint64 lastSlot = QDateTime::currentMSecsSinceEpoch() / 10000 - 6;
    SlotMeasurement m;
    m.slotNumber = lastSlot;
    m.band = 2;
    m.expected = ScheduleClock::beaconOn(2, slotIndex);
    m.identified = m.expected;
    m.dashesHeard = 3;
    Q_EMIT f.program->monitor().engine().measured(m);
    m.band = 0;
    m.expected = ScheduleClock::beaconOn(0, slotIndex);
    m.identified = m.expected;
    m.dashesHeard = 0;
    Q_EMIT f.program->monitor().engine().measured(m);
    QCOMPARE(view->Levels[2]->text(), QStringLiteral("1 W"));
    QVERIFY(!view->Levels[2]->isHidden());
    QCOMPARE(view->Levels[0]->text(), QStringLiteral("-"));
    QVERIFY(view->Levels[1]->isHidden());

    // The next slot has other stations; a cycle later the same ones come back.
    f.clock.set(12, 0, 35);
    view->Timer4_Timer();
    for (QLabel *level : view->Levels)
        QVERIFY(level->isHidden());
    f.clock.set(12, 3, 25);
    view->Timer4_Timer();
    QCOMPARE(view->Levels[2]->text(), QStringLiteral("1 W"));
    QVERIFY(!view->Levels[2]->isHidden());
}

void TestCompactView::enterAndLeave()
{
    ProgramFixture f;
    Form1 *form = f.form();
    QVERIFY(form->CondensedDisplayMode->isVisible());
    QCOMPARE(form->CondensedDisplayMode->text(), QStringLiteral("Display All Bands - Beacon Compact View"));

    // A double click on the map before any band is chosen does nothing.
    QTest::mouseDClick(form->Image1, Qt::LeftButton, {}, QPoint(200, 100));
    QVERIFY(!f.program->compactView());
    QVERIFY(form->isVisible());

    form->BandButtons[1]->click(); // 17 m
    QTest::mouseDClick(form->Image1, Qt::LeftButton, {}, QPoint(200, 100));
    frmCondensed *view = f.program->compactView();
    QVERIFY(view && view->isVisible());
    QVERIFY(!form->isVisible());
    QCOMPARE(view->highlightedRow(), 1);
    QCOMPARE(f.program->state().BandSelected, (std::array<bool, 5>{false, true, false, false, false}));

    // Highlight 12 m, move the window, go back to the map.
    view->Picture12_Click();
    view->move(300, 190);
    view->ExitCompactDisplay->trigger();
    QVERIFY(form->isVisible());
    QTRY_VERIFY(!f.program->compactView());
    QCOMPARE(f.value("CompactWinTop"), QStringLiteral(" 2850"));
    QCOMPARE(f.value("CompactWinLeft"), QStringLiteral(" 4500"));
    QCOMPARE(f.value("AOT"), QStringLiteral("False"));
    QCOMPARE(f.program->state().BandSelected, (std::array<bool, 5>{false, false, false, true, false}));
    QCOMPARE(form->focusWidget(), form->BandButtons[3]);
    QCOMPARE(form->BandButtons[3]->text(), QStringLiteral("   12 Meters"));
    QCOMPARE(form->Label5->text(), QStringLiteral("Beacon 1 of 18"));
    form->Timer3_Timer(); // 12:00:25, slot 2: on 12 m the station one slot behind 4U1UN
    QCOMPARE(form->CurrentCallsign(), std::string("YV5B"));
}

void TestCompactView::rowDoubleClickAndCloseBox()
{
    ProgramFixture f;
    Form1 *form = f.form();
    form->BandButtons[0]->click();
    form->CondensedDisplayMode->trigger();
    frmCondensed *view = f.program->compactView();
    QVERIFY(view && view->isVisible());
    QCOMPARE(view->highlightedRow(), 0);

    // A double click on the 10 m row, as the window system delivers it: a click, then
    // the double click. The click highlights the row, the double click leaves.
    QTest::mouseClick(view->Rows[4], Qt::LeftButton);
    QCOMPARE(view->highlightedRow(), 4);
    QTest::mouseDClick(view->Rows[4], Qt::LeftButton);
    QVERIFY(form->isVisible());
    QTRY_VERIFY(!f.program->compactView());
    QCOMPARE(f.program->state().BandSelected, (std::array<bool, 5>{false, false, false, false, true}));
    QCOMPARE(form->focusWidget(), form->BandButtons[4]);

    // The close box does what "Return To Full Size (Map) View" does.
    form->CondensedDisplayMode->trigger();
    view = f.program->compactView();
    view->Picture15_Click();
    view->AlwaysOnTop->trigger();
    view->close();
    QVERIFY(form->isVisible());
    QTRY_VERIFY(!f.program->compactView());
    QCOMPARE(f.program->state().BandSelected, (std::array<bool, 5>{false, false, true, false, false}));
    QCOMPARE(f.value("AOT"), QStringLiteral("True"));
}

void TestCompactView::exitAndRestart()
{
    ProgramFixture f;
    QSignalSpy finished(f.program.get(), &Program::finished);
    Form1 *form = f.form();
    form->BandButtons[2]->click();
    form->CondensedDisplayMode->trigger();
    frmCondensed *view = f.program->compactView();
    view->move(-8, 40);
    view->ExitProgram->trigger();
    QCOMPARE(finished.count(), 1);
    QVERIFY(!form->isVisible());
    QTRY_VERIFY(!f.program->compactView());
    QCOMPARE(f.value("CompactWinTop"), QStringLiteral(" 600"));
    QCOMPARE(f.value("CompactWinLeft"), QStringLiteral("-120"));
    QCOMPARE(f.value("AOT"), QStringLiteral("False"));

    // The next start opens the compact view where it was.
    f.restart();
    f.form()->BandButtons[2]->click();
    f.form()->CondensedDisplayMode->trigger();
    QCOMPARE(f.program->compactView()->pos(), QPoint(-8, 40));
}

void TestCompactView::platformChoice_data()
{
    QTest::addColumn<QString>("qpa");
    QTest::addColumn<QString>("session");
    QTest::addColumn<QString>("wayland");
    QTest::addColumn<QString>("display");
    QTest::addColumn<bool>("x11");

    QTest::newRow("wayland session with XWayland") << "" << "wayland" << "wayland-0" << ":0" << true;
    QTest::newRow("wayland display only") << "" << "" << "wayland-0" << ":1" << true;
    QTest::newRow("user chose wayland") << "wayland" << "wayland" << "wayland-0" << ":0" << false;
    QTest::newRow("user chose offscreen") << "offscreen" << "wayland" << "wayland-0" << ":0" << false;
    QTest::newRow("no X server") << "" << "wayland" << "wayland-0" << "" << false;
    QTest::newRow("X11 session") << "" << "x11" << "" << ":0" << false;
}

void TestCompactView::platformChoice()
{
    QFETCH(QString, qpa);
    QFETCH(QString, session);
    QFETCH(QString, wayland);
    QFETCH(QString, display);
    QFETCH(bool, x11);
    QCOMPARE(preferX11Platform(qpa.toStdString(), session.toStdString(), wayland.toStdString(), display.toStdString()),
             x11);
}

QTEST_MAIN(TestCompactView)
#include "tst_compact_view.moc"
