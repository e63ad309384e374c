// Radio control in the windows: the radio settings dialog, the main window's Radio menu
// and map right-click, and follow mode driven through the whole program by its ticks.

#include "form1.h"
#include "frm_condensed.h"
#include "frm_radio.h"
#include "hamlib_rig.h"
#include "main_window_fixture.h"
#include "monitor_controller.h"
#include "numeric_locale.h"
#include "program.h"
#include "radio_control.h"
#include "retune_timer.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

using namespace halvion;

namespace {

struct DialogFixture {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("Halvion.ini"));
    std::unique_ptr<SettingsFile> settings;
    std::unique_ptr<frmRadio> dialog;

    explicit DialogFixture(const QByteArray &ini = {})
    {
        if (!ini.isNull()) {
            QFile f(path);
            if (f.open(QIODevice::WriteOnly))
                f.write(ini);
        }
        settings = std::make_unique<SettingsFile>(path.toStdString());
        dialog = std::make_unique<frmRadio>(*settings);
        dialog->Form_Load();
    }

    QByteArray file() const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Picks the model in the list as the user does: search, then click.
    void chooseModel(const QString &search, int model)
    {
        dialog->RigSearch->setText(search);
        for (int row = 0; row < dialog->RigList->count(); ++row) {
            QListWidgetItem *item = dialog->RigList->item(row);
            if (item->data(Qt::UserRole).toInt() == model) {
                QVERIFY(!item->isHidden());
                dialog->RigList->setCurrentItem(item);
                dialog->RigList_Click();
                return;
            }
        }
        QFAIL("model not in the list");
    }
};

// The whole program, started, with Hamlib's dummy rig switched on in its settings file.
struct ProgramWithDummyRig {
    static inline const QByteArray Ini = "[Halvion]\nRadio=True\nRadioModel=1\n";
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("Halvion.ini"));
    FakeClockSource clock;
    std::unique_ptr<Program> program;

    ProgramWithDummyRig(int minute, int second) : clock(12, minute, second)
    {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(Ini);
        file.close();
        program = std::make_unique<Program>(path.toStdString(), clock);
        program->start();
    }

    // The dummy rig's frequency once the radio has done all it was asked.
    double rigFrequency()
    {
        QMetaObject::invokeMethod(program->radio().workerContext(), [] {}, Qt::BlockingQueuedConnection);
        QCoreApplication::processEvents();
        return program->radio().state().frequencyHz;
    }
};

QStringList visibleRows(const QListWidget *list)
{
    QStringList rows;
    for (int row = 0; row < list->count(); ++row)
        if (!list->item(row)->isHidden())
            rows << list->item(row)->text();
    return rows;
}

} // namespace

class TestRadioWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { useCNumericLocale(); } // before the radio thread opens a rig
    void dialogShowsStoredSettings();
    void dialogSavesOnlyWhatChanged();
    void dialogRefusesBadSettings_data();
    void dialogRefusesBadSettings();
    void dialogTestButton();

    void radioMenuAndMapRightClick();
    void followBandKeepsPassCounter();
    void followThroughTheProgram();
    void compactViewRowTunesTheRadio();
    void scanFromTheRadioMenu();
};

void TestRadioWindow::dialogShowsStoredSettings()
{
    {
        DialogFixture f;
        frmRadio &d = *f.dialog;
        QCOMPARE(d.windowTitle(), QStringLiteral("Halvion - Radio Control"));
        QVERIFY(!d.RadioOn->isChecked());
        QVERIFY(!d.RigList->isEnabled() && !d.TestButton->isEnabled());
        QCOMPARE(d.RigList->currentItem()->text(), QStringLiteral("Hamlib NET rigctl (2)"));
        QCOMPARE(d.RigPort->text(), QStringLiteral("localhost:4532"));
        QCOMPARE(d.RigSpeed->currentText(), QStringLiteral("Rig default"));
        QCOMPARE(d.RigList->count(), static_cast<int>(rigModels().size()));

        // The search narrows the list on every word, letter case aside.
        d.RigSearch->setText(QStringLiteral("icom 7300"));
        QCOMPARE(visibleRows(d.RigList), QStringList{QStringLiteral("Icom IC-7300 (3073)")});
        d.RigSearch->clear();
        QCOMPARE(visibleRows(d.RigList).size(), d.RigList->count());
    }
    {
        DialogFixture f("[Halvion]\nRadio=True\nRadioModel=3073\nRadioPort=/dev/null\nRadioSpeed=19200\n");
        frmRadio &d = *f.dialog;
        QVERIFY(d.RadioOn->isChecked());
        QCOMPARE(d.RigList->currentItem()->text(), QStringLiteral("Icom IC-7300 (3073)"));
        QCOMPARE(d.RigPort->text(), QStringLiteral("/dev/null"));
        QVERIFY(d.RigSpeed->isEnabled());
        QCOMPARE(d.RigSpeed->currentData().toInt(), 19200);
        QVERIFY(d.RadioMessage->text().isEmpty());
        // A rig without a port of its own takes none.
        f.chooseModel(QStringLiteral("dummy"), 1);
        QVERIFY(!d.RigPort->isEnabled() && !d.RigSpeed->isEnabled());
    }
}

void TestRadioWindow::dialogSavesOnlyWhatChanged()
{
    DialogFixture f;
    QVERIFY(f.dialog->OkButton_Click());
    QVERIFY(f.file().isEmpty()); // nothing changed, nothing written, no file made

    DialogFixture g;
    QSignalSpy saved(g.dialog.get(), &frmRadio::saved);
    g.dialog->RadioOn->setChecked(true);
    g.dialog->RadioOn_Click();
    g.chooseModel(QStringLiteral("Hamlib dummy"), 1);
    QVERIFY(g.dialog->OkButton_Click());
    QCOMPARE(g.file(), QByteArray("[Halvion]\nRadio=True\nRadioModel=1\n"));
    QCOMPARE(g.dialog->result(), int(QDialog::Accepted));
    QCOMPARE(saved.count(), 1);
    QCOMPARE(saved.first().first().value<RadioSettings>().model, 1);
}

void TestRadioWindow::dialogRefusesBadSettings_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<int>("model"); // 0: leave the stored one
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("message");

    const QByteArray on = "[Halvion]\nRadio=True\n";
    QTest::newRow("unknown model") << on + "RadioModel=99999\n" << 0 << "localhost:4532" << "Rig model 99999 is not one Hamlib knows";
    QTest::newRow("missing device") << on << 3073 << "/nonexistent/ttyUSB9" << "There is no serial device /nonexistent/ttyUSB9";
    QTest::newRow("port without a number") << on << 2 << "localhost" << "\"localhost\" is not a network address with a port number";
    QTest::newRow("port number not a number") << on << 2 << "rig.lan:port" << "with a port number";
}

void TestRadioWindow::dialogRefusesBadSettings()
{
    QFETCH(QByteArray, ini);
    QFETCH(int, model);
    QFETCH(QString, port);
    QFETCH(QString, message);

    DialogFixture f(ini);
    if (model)
        f.chooseModel(QString(), model);
    f.dialog->RigPort->setText(port);
    QSignalSpy saved(f.dialog.get(), &frmRadio::saved);
    QSignalSpy tests(f.dialog.get(), &frmRadio::testRequested);

    QVERIFY(!f.dialog->OkButton_Click());
    QVERIFY2(f.dialog->RadioMessage->text().contains(message), qPrintable(f.dialog->RadioMessage->text()));
    QVERIFY(f.dialog->RadioMessage->text().endsWith(QStringLiteral("Nothing was saved.")));
    QCOMPARE(f.file(), ini);
    QCOMPARE(saved.count(), 0);
    QCOMPARE(f.dialog->result(), int(QDialog::Rejected));

    // The Test button says the same and does not try the radio.
    f.dialog->TestButton_Click();
    QCOMPARE(tests.count(), 0);
    QVERIFY(f.dialog->RadioMessage->text().contains(message));
}

void TestRadioWindow::dialogTestButton()
{
    DialogFixture f("[Halvion]\nRadio=True\nRadioModel=1\n");
    RadioControl radio;
    connect(f.dialog.get(), &frmRadio::testRequested, &radio, &RadioControl::test);
    connect(&radio, &RadioControl::testFinished, f.dialog.get(), &frmRadio::showTestResult);
    QSignalSpy finished(&radio, &RadioControl::testFinished);

    f.dialog->TestButton_Click();
    QVERIFY(!f.dialog->TestButton->isEnabled());
    QVERIFY(finished.wait(5000));
    QCOMPARE(f.dialog->RadioMessage->text(), QStringLiteral("The Hamlib Dummy reports 145.000 MHz FM."));
    QVERIFY(f.dialog->TestButton->isEnabled());

    // Nobody listening on the port: the error, not a success.
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 port = probe.serverPort();
    probe.close();
    f.chooseModel(QStringLiteral("NET rigctl"), 2);
    f.dialog->RigPort->setText(QStringLiteral("127.0.0.1:%1").arg(port));
    f.dialog->TestButton_Click();
    QVERIFY(finished.wait(10000));
    QVERIFY2(f.dialog->RadioMessage->text().startsWith(QStringLiteral("The Hamlib NET rigctl did not answer: ")),
             qPrintable(f.dialog->RadioMessage->text()));
    QCOMPARE(f.file(), QByteArray("[Halvion]\nRadio=True\nRadioModel=1\n"));
}

void TestRadioWindow::radioMenuAndMapRightClick()
{
    test::MainWindowFixture f;
    Form1 &w = *f.form;
    QCOMPARE(w.RadioMenu->title(), QStringLiteral("&Radio"));
    QStringList items;
    for (QAction *a : w.RadioMenu->actions())
        items << a->text();
    QCOMPARE(items, (QStringList{"Radio Control...", "Follow A Station", "Stop Following", "Scan All Five Bands"}));
    QVERIFY(w.ScanAllBands->isCheckable() && !w.ScanAllBands->isEnabled());
    QCOMPARE(w.FollowStation->actions().size(), 18);
    QCOMPARE(w.FollowItems[10]->text(), QStringLiteral("ZS6DN  -  South Africa - Pretoria"));
    QVERIFY(!w.StopFollowing->isEnabled());
    QCOMPARE(w.RadioState->text(), QStringLiteral("Radio not configured"));

    QSignalSpy follow(&w, &Form1::followRequested);
    QSignalSpy stop(&w, &Form1::stopFollowingRequested);
    QSignalSpy dialog(&w, &Form1::radioDialogRequested);
    w.FollowItems[3]->trigger();
    w.RadioControl->trigger();
    QCOMPARE(follow.count(), 1);
    QCOMPARE(follow.first().first().toInt(), 3);
    QCOMPARE(dialog.count(), 1);

    w.setFollowedStation(3);
    QVERIFY(w.FollowItems[3]->isChecked() && w.StopFollowing->isEnabled());

    // A right click on ZS6DN's marker, hidden or shown, offers to follow it.
    const QPoint zs6dn = w.OnLed[10]->geometry().center();
    QCOMPARE(w.stationAtMapPoint(zs6dn), std::optional<BeaconIndex>(10));
    QCOMPARE(w.stationAtMapPoint(zs6dn + QPoint(w.OnLed[10]->width() / 2 + 2, 0)), std::optional<BeaconIndex>(10));
    QCOMPARE(w.stationAtMapPoint(QPoint(300, 20)), std::nullopt); // the Arctic Ocean
    QVERIFY(!w.mapMenu(QPoint(300, 20)));
    std::unique_ptr<QMenu> menu(w.mapMenu(zs6dn));
    QVERIFY(menu);
    QStringList offered;
    for (QAction *a : menu->actions())
        offered << a->text();
    QCOMPARE(offered, (QStringList{"Follow ZS6DN", "Stop Following"}));
    menu->actions().at(0)->trigger();
    menu->actions().at(1)->trigger();
    QCOMPARE(follow.last().first().toInt(), 10);
    QCOMPARE(stop.count(), 1);

    w.setFollowedStation(-1);
    QVERIFY(!w.FollowItems[3]->isChecked() && !w.StopFollowing->isEnabled());
    menu.reset(w.mapMenu(zs6dn));
    QCOMPARE(menu->actions().size(), 1);
}

void TestRadioWindow::followBandKeepsPassCounter()
{
    test::MainWindowFixture f;
    Form1 &w = *f.form;
    f.at(0, 0);
    w.SelectBand(0);
    f.at(0, 25);
    w.Timer1_Timer();
    QCOMPARE(w.Label5->text(), QStringLiteral("Beacon 3 of 18"));

    w.FollowBand(1);
    QCOMPARE(w.BandButtons[1]->text(), QStringLiteral("   17 Meters"));
    QCOMPARE(w.Label1->text(), QStringLiteral("17 Meter Band Selected - Tune Receiver To 18.110 MHz (CW Mode)"));
    QCOMPARE(w.Label5->text(), QStringLiteral("Beacon 3 of 18"));
    QVERIFY(f.state.BandSelected[1] && !f.state.BandSelected[0]);

    // The band already shown is not reset.
    f.trackAt(0, 26);
    QVERIFY(f.shown(f.label(1)));
    QSignalSpy chosen(&w, &Form1::bandChosen);
    w.FollowBand(1);
    QVERIFY(f.shown(f.label(1)));
    QCOMPARE(chosen.count(), 0);
    w.BandButtons[4]->click();
    QCOMPARE(chosen.count(), 1);
    QCOMPARE(w.Label5->text(), QStringLiteral("Beacon 1 of 18")); // a click starts the count again
}

// The program as the user drives it: follow ZS6DN from the menu, the ticks move the main
// window's band at the slot starts, a band button ends follow mode.
void TestRadioWindow::followThroughTheProgram()
{
    ProgramWithDummyRig f(1, 35);
    FakeClockSource &clock = f.clock;
    Program &program = *f.program;
    Form1 *w = program.mainWindow();
    QVERIFY(w);

    w->FollowItems[10]->trigger();
    QVERIFY(w->StopFollowing->isEnabled());
    QVERIFY(program.state().BandSelected[0]);
    QCOMPARE(w->FollowState->text(), QStringLiteral("Following ZS6DN - next on 20 m in 0:05"));

    // The follow timer wakes when it planned to and the tracking tick runs once a second;
    // both see the same clock.
    QStringList seen;
    RetuneTimer &retune = program.followMode().retuneTimer();
    for (int s = 0; s < 60; ++s) {
        clock.advance(1);
        w->Timer3_Timer();
        retune.Timer_Timer();
        const BandIndex band = program.state().trackedBand();
        const QString line = QStringLiteral("%1 %2 %3")
                                 .arg(BeaconCatalogue::band(band).bandLabel.data())
                                 .arg(w->Label4->text().section(QLatin1Char(' '), -1), w->FollowState->text());
        if (seen.isEmpty() || !seen.last().endsWith(line))
            seen << QStringLiteral("%1:%2 ").arg(clock.now().minute).arg(clock.now().second, 2, 10, QLatin1Char('0')) + line;
        if (clock.now().second == 49) {
            // The radio moves to 17 m ahead of the slot, while the map still shows 20 m.
            const ClockReading r = clock.now();
            clock.set(r.hour, r.minute, r.second, 1000 - int(RetuneTimer::LeadMs));
            retune.Timer_Timer();
            QCOMPARE(f.rigFrequency(), 18110000.0);
            QVERIFY(program.state().BandSelected[0]);
            clock.set(r.hour, r.minute, r.second);
        }
    }
    QCOMPARE(seen.mid(0, 7),
             (QStringList{"1:36 20 4S7B Following ZS6DN - next on 20 m in 0:04",
                          "1:37 20 4S7B Following ZS6DN - next on 20 m in 0:03",
                          "1:38 20 4S7B Following ZS6DN - next on 20 m in 0:02",
                          "1:39 20 4S7B Following ZS6DN - next on 20 m in 0:01",
                          "1:40 20 ZS6DN Following ZS6DN on 20 m",
                          "1:50 17 ZS6DN Following ZS6DN on 17 m",
                          "2:00 15 ZS6DN Following ZS6DN on 15 m"}));
    QCOMPARE(seen.mid(7, 3), (QStringList{"2:10 12 ZS6DN Following ZS6DN on 12 m", "2:20 10 ZS6DN Following ZS6DN on 10 m",
                                          "2:30 20 LU4AA Following ZS6DN - next on 20 m in 2:10"}));

    QCOMPARE(f.rigFrequency(), 14100000.0);

    // The user picks a band: follow mode ends there, and the radio goes to that band.
    w->BandButtons[2]->click();
    QCOMPARE(f.rigFrequency(), 21150000.0);
    QVERIFY(!program.followMode().active());
    QVERIFY(!w->StopFollowing->isEnabled());
    QVERIFY(w->FollowState->text().isEmpty());
    clock.set(12, 4, 40);
    w->Timer3_Timer();
    QVERIFY(program.state().BandSelected[2]);
    QCOMPARE(program.radio().stateText(), QStringLiteral("Radio connected to Hamlib Dummy - 21.150 MHz CW"));
    QCOMPARE(w->RadioState->text(), program.radio().stateText());

    // None of this wrote a radio key.
    QFile file(f.path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().startsWith(ProgramWithDummyRig::Ini + "OK 0=True\n"));
}

// Scanning all five bands from the Radio menu: the same switch as the Beacon Monitor
// window's, kept in step both ways, usable only with radio control, shown in the radio
// line, and stoppable from the menu with the monitor window never opened.
void TestRadioWindow::scanFromTheRadioMenu()
{
    ProgramWithDummyRig f(0, 25);
    Program &program = *f.program;
    Form1 *w = program.mainWindow();
    qint64 utc = 1'800'000'000'000 + 25'000; // 08:00:25 UTC: slot 2 of the hour, as on the local clock
    program.setUtcClock([&utc] { return utc; });
    program.setMonitorLogPath(f.dir.filePath(QStringLiteral("data/monitor.sqlite")));
    QTRY_VERIFY(w->ScanAllBands->isEnabled());
    QVERIFY(!w->ScanAllBands->isChecked());

    w->ScanAllBands->trigger();
    QVERIFY(w->ScanAllBands->isChecked());
    QVERIFY(program.monitor().scanMode());
    QVERIFY(!program.monitor().monitorWindow()); // no window was opened for it
    QCOMPARE(f.rigFrequency(), 21150000.0);      // slot 2 of the hour: 15 m
    QTRY_COMPARE(w->RadioState->text(), QStringLiteral("Radio scanning with Hamlib Dummy - 21.150 MHz CW"));
    QVERIFY(w->FollowState->text().startsWith(QStringLiteral("Scanning all bands: ")));

    // The monitor's own switch turns it off: the menu follows, and the radio line.
    program.monitor().setScanMode(false);
    QVERIFY(!w->ScanAllBands->isChecked());
    QCOMPARE(w->RadioState->text(), QStringLiteral("Radio connected to Hamlib Dummy - 21.150 MHz CW"));
    program.monitor().setScanMode(true);
    QVERIFY(w->ScanAllBands->isChecked());

    // Off from the menu.
    w->ScanAllBands->trigger();
    QVERIFY(!program.monitor().scanMode());
    QVERIFY(!program.monitor().ScanTimer->isActive());
    QVERIFY(!w->ScanAllBands->isChecked());
    QVERIFY(w->FollowState->text().isEmpty());

    // Radio control switched off: the scan ends and the item cannot be checked.
    w->ScanAllBands->trigger();
    QVERIFY(program.monitor().scanMode());
    RadioSettings off;
    program.radio().configure(off);
    QTRY_VERIFY(!w->ScanAllBands->isEnabled());
    QVERIFY(!program.monitor().scanMode());
    QVERIFY(!w->ScanAllBands->isChecked());
    QCOMPARE(w->RadioState->text(), QStringLiteral("Radio not configured"));
}

// In the compact view a row the user highlights tunes the radio and ends follow mode;
// opening the view (which restores the highlight) does neither. The tooltip carries the
// radio's state and the followed station.
void TestRadioWindow::compactViewRowTunesTheRadio()
{
    ProgramWithDummyRig f(1, 52);
    Program &program = *f.program;
    Form1 *w = program.mainWindow();

    w->FollowItems[10]->trigger();
    QCOMPARE(f.rigFrequency(), 18110000.0);
    w->CondensedDisplayMode_Click();
    frmCondensed *compact = program.compactView();
    QVERIFY(compact);
    QCOMPARE(compact->highlightedRow(), 1);
    QVERIFY(program.followMode().active());
    // Other parts of the program (the clock check) may add lines of their own before these.
    QVERIFY2(compact->toolTip().endsWith(QStringLiteral("Following ZS6DN on 17 m\nRadio connected to Hamlib Dummy - 18.110 MHz CW")),
             qPrintable(compact->toolTip()));

    compact->Picture12_Click();
    QCOMPARE(f.rigFrequency(), 24930000.0);
    QVERIFY(!program.followMode().active());
    QVERIFY(compact->toolTip().endsWith(QStringLiteral("\nRadio connected to Hamlib Dummy - 24.930 MHz CW")) ||
            compact->toolTip() == QStringLiteral("Radio connected to Hamlib Dummy - 24.930 MHz CW"));
    QVERIFY(!compact->toolTip().contains(QStringLiteral("Following")));
}

QTEST_MAIN(TestRadioWindow)
#include "tst_radio_window.moc"
