// The main window: tracking tick, markers, gauge and pass counter, display options,
// start-up and band selection, driven with a clock the test sets.

#include "main_window_fixture.h"

#include <QAction>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

using namespace halvion;
using namespace halvion::test;

namespace {

const QByteArray AllOk = statusLines(allStations());

QString text(const QLabel *l) { return l->text(); }

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void layoutAtLoad();
    void trackingTick_data();
    void trackingTick();
    void slotChangeHidesPredecessor();
    void minimisedTitle();
    void blinking_data();
    void blinking();
    void statusMarkers_data();
    void statusMarkers();
    void markerRoutinesOrder();
    void allMarkersShowDimInFront();
    void legendAndCallsignClears();
    void optionKeys_data();
    void optionKeys();
    void firstRunFile();
    void secondStartAddsNothing();
    void statusProbeOnly();
    void addressKeys();
    void reminderSequence();
    void bandSelection();
    void bandSelectionOptions();
    void pcTimeAndGauge_data();
    void pcTimeAndGauge();
    void gaugeFilledToValue_data();
    void gaugeFilledToValue();
    void secondTickPaintsInOnePass();
    void passCounterTicks();
    void passCounterSwitch();
    void singleTrackTrail();
    void displayOptions();
    void kh6woOffAirQuirk();
    void blinkRates_data();
    void blinkRates();
};

void TestMainWindow::layoutAtLoad()
{
    MainWindowFixture f(AllOk);
    Form1 &w = *f.form;
    QCOMPARE(w.windowTitle(), QStringLiteral("Halvion"));
    QCOMPARE(w.centralWidget()->size(), QSize(601, 418));
    QCOMPARE(w.Picture1->geometry(), QRect(8, 56, 584, 241));
    QCOMPARE(w.Image1->geometry(), QRect(0, -2, 580, 244));
    QVERIFY(!w.Image1->pixmap().isNull());
    // Markers: 16 px spots from the twips table (4U1UN at 2220, 1095; ZL6B at 8310, 2970).
    QCOMPARE(w.OnLed[0]->geometry(), QRect(148, 73, 16, 16));
    QCOMPARE(w.OffAirDim[4]->geometry(), QRect(554, 198, 16, 16));
    QVERIFY(w.findChild<QLabel *>(QStringLiteral("OnBlueLedDim_17")));
    QVERIFY(w.findChild<QLabel *>(QStringLiteral("LabelVK6RBP")));
    for (const Form1::MarkerArray *a : {&w.OnLed, &w.OffLed, &w.OnLEDBlue, &w.OnBlueLedDim, &w.BeaconOffAir,
                                        &w.OffAirDim})
        for (QLabel *m : *a)
            QVERIFY(m->isHidden());
    for (BeaconIndex i = 0; i < BeaconCount; ++i)
        QVERIFY(f.label(i)->isHidden());
    QVERIFY(w.Image2->isHidden() && w.Label10->isHidden());
    QCOMPARE(w.Frame1->title(), QStringLiteral("Select Frequency Band To Monitor "));
    QCOMPARE(w.findChild<QPushButton *>(QStringLiteral("Command4"))->text(), QStringLiteral("17 Meters"));
    QCOMPARE(w.Label1->text(),
             QStringLiteral("Important! Syncronize Your PC Clock To The Exact Minute and Second With WWV"));
    QStringList menus;
    for (QAction *a : w.menuBar()->actions())
        menus << a->text();
    QCOMPARE(menus, (QStringList{"&File", "&Display", "&Beacon Status", "&Radio", "&Internet Time", "Internet &HAM Info",
                                 "I&nstructions", "&About..."}));
    QStringList display;
    for (QAction *a : w.MenuDisplay->actions())
        display << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(display, (QStringList{"Display All Bands - Beacon Compact View", "-",
                                   "Turn Beacon Marker Legend On/Off", "-",
                                   "Turn 10-Second Beacon Activity Gauge On/Off", "-",
                                   "Turn Single-track Beacon Markers On/Off", "Turn All Beacon Markers On/Off", "-",
                                   "Turn Beacon Callsigns On/Off", "Turn Beacon Pass Counter On/Off", "-",
                                   "Set Beacon Marker Blink Rate - None", "Set Beacon Marker Blink Rate - Slow",
                                   "Set Beacon Marker Blink Rate - Medium", "Set Beacon Marker Blink Rate - Fast",
                                   "-", "Greyline (Day/Night)", "-", "Show Times In UTC", "Start On Last Band"}));
    QCOMPARE(w.UpdateBeaconStatus->text(), QStringLiteral("Update Halvion -  Beacon Marker Status"));
}

void TestMainWindow::trackingTick_data()
{
    QTest::addColumn<int>("band");
    QTest::addColumn<int>("minute");
    QTest::addColumn<int>("second");
    QTest::addColumn<int>("active");
    QTest::addColumn<QString>("site");
    QTest::addColumn<QString>("lat");
    QTest::addColumn<QString>("lon");
    QTest::newRow("20 m, 4U1UN") << 0 << 0 << 5 << 0 << "United Nations - New York City"
                                 << "Latitude 40deg. 45min. North" << "Longitude 73deg. 58min. West";
    QTest::newRow("10 m, CS3B") << 4 << 0 << 5 << 14 << "Madeira - Santo da Serra"
                                << "Latitude 32deg. 43min. North" << "Longitude 16deg. 48min. West";
    QTest::newRow("20 m, VE8AT") << 0 << 3 << 10 << 1 << "Canada - Eureka, Nunavut"
                                 << "Latitude 79deg. 59min. North" << "Longitude 85deg. 57min. West";
    QTest::newRow("12 m, W6WX") << 3 << 0 << 55 << 2 << "United States - Mt. Umunhum"
                                        << "Latitude 37deg. 09min. North" << "Longitude 121deg. 54min. West";
    QTest::newRow("15 m, cycle wraps") << 2 << 59 << 59 << 15 << "Argentina - Buenos Aires"
                                       << "Latitude 34deg. 37min. South" << "Longitude 58deg. 21min. West";
}

void TestMainWindow::trackingTick()
{
    QFETCH(int, band);
    QFETCH(int, minute);
    QFETCH(int, second);
    QFETCH(int, active);
    QFETCH(QString, site);
    QFETCH(QString, lat);
    QFETCH(QString, lon);

    MainWindowFixture f(AllOk);
    Form1 &w = *f.form;
    const int previous = (active + 17) % 18;
    w.SelectBand(band);
    // Leave the predecessor's label and lit markers up, as a tick in its slot would.
    f.label(previous)->show();
    w.OnLed[previous]->show();
    w.BeaconOffAir[previous]->show();

    f.trackAt(minute, second);
    QCOMPARE(text(w.Label3), site);
    QCOMPARE(text(w.Label4), QStringLiteral("NCDXF Beacon Station ") + f.label(active)->text());
    QCOMPARE(text(w.Lat), lat);
    QCOMPARE(text(w.Lon), lon);
    QCOMPARE(QString::fromStdString(w.CurrentCallsign()), f.label(active)->text());
    QVERIFY(f.shown(f.label(active)));
    QVERIFY(f.label(previous)->isHidden());
    QVERIFY(w.OnLed[previous]->isHidden());
    QVERIFY(w.BeaconOffAir[previous]->isHidden());
    QCOMPARE(w.MarkerIndex, active);
    QCOMPARE(w.windowTitle(), QStringLiteral("Halvion"));
}

void TestMainWindow::slotChangeHidesPredecessor()
{
    MainWindowFixture f(AllOk);
    Form1 &w = *f.form;
    w.SetBlinkRate(BlinkRate::Medium);
    w.SelectBand(0);
    f.trackAt(0, 8); // 4U1UN, blink hides the lit LED
    f.trackAt(0, 9); // blink shows it again
    QVERIFY(f.shown(w.OnLed[0]));
    f.trackAt(0, 10); // VE8AT
    QVERIFY(w.OnLed[0]->isHidden());
    QVERIFY(f.label(0)->isHidden());
    QVERIFY(f.shown(f.label(1)));
    QCOMPARE(text(w.Label4), QStringLiteral("NCDXF Beacon Station VE8AT"));
    // With callsigns off no label appears; turned on, it comes back at the next tick.
    w.ToggleCallsign_Click();
    QVERIFY(f.label(1)->isHidden());
    f.trackAt(0, 11);
    QVERIFY(f.label(1)->isHidden());
    w.ToggleCallsign_Click();
    QVERIFY(f.label(1)->isHidden());
    f.trackAt(0, 12);
    QVERIFY(f.shown(f.label(1)));
}

void TestMainWindow::minimisedTitle()
{
    MainWindowFixture f(AllOk);
    Form1 &w = *f.form;
    w.SelectBand(3);
    w.setWindowState(Qt::WindowMinimized);
    f.trackAt(1, 5); // slot 6 on 12 m: KH6WO
    QCOMPARE(w.windowTitle(), QStringLiteral("KH6WO 12M Beacon"));
    f.trackAt(1, 25); // slot 8: VK6RBP
    QCOMPARE(w.windowTitle(), QStringLiteral("VK6RBP 12M Beacon"));
    w.setWindowState(Qt::WindowNoState);
    f.trackAt(1, 26);
    QCOMPARE(w.windowTitle(), QStringLiteral("Halvion"));
    // Hidden but not minimised counts as not minimised.
    w.hide();
    f.trackAt(1, 27);
    QCOMPARE(w.windowTitle(), QStringLiteral("Halvion"));
}

void TestMainWindow::blinking_data()
{
    QTest::addColumn<QByteArray>("rate");
    QTest::addColumn<QList<bool>>("litAfterTicks");
    QTest::newRow("Medium") << QByteArray("Medium") << QList<bool>{false, true, false, true};
    QTest::newRow("Fast") << QByteArray("Fast") << QList<bool>{false, true, false, true};
    QTest::newRow("None") << QByteArray("None") << QList<bool>{true, true, true, true};
}

void TestMainWindow::blinking()
{
    QFETCH(QByteArray, rate);
    QFETCH(QList<bool>, litAfterTicks);
    MainWindowFixture f("[Halvion]\n" + AllOk + "LEDSpeed=" + rate + "\n");
    Form1 &w = *f.form;
    // Before any band there is nothing to blink and the phase does not move.
    f.trackAt(0, 1);
    QVERIFY(!w.BlinkPhase());
    w.SelectBand(0);
    for (int k = 0; k < litAfterTicks.size(); ++k) {
        f.trackAt(0, 2);
        QCOMPARE(f.shown(w.OnLed[0]), litAfterTicks[k]);
    }
}

void TestMainWindow::statusMarkers_data()
{
    QTest::addColumn<QByteArray>("statusKeys");
    QTest::addColumn<bool>("redLit");
    QTest::addColumn<bool>("xLit");
    QTest::addColumn<bool>("blueLit");
    QTest::addColumn<bool>("blinkShowsRed");
    QTest::addColumn<bool>("blinkShowsBlue");
    // Station 0 is active on 20 m at second 5 of minute 0.
    QTest::newRow("OK") << statusLines({0}) << true << false << false << true << false;
    QTest::newRow("OFF") << statusLines({}, {0}) << false << true << false << false << false;
    QTest::newRow("ON") << statusLines({}, {}, {0}) << false << false << true << false << true;
    QTest::newRow("OK and ON") << statusLines({0}, {}, {0}) << false << false << true << true << true;
    QTest::newRow("no status") << statusLines() << false << false << false << false << false;
    QTest::newRow("lower-case true") << QByteArray("OK 0=true\n") << false << false << false << false << false;
}

void TestMainWindow::statusMarkers()
{
    QFETCH(QByteArray, statusKeys);
    QFETCH(bool, redLit);
    QFETCH(bool, xLit);
    QFETCH(bool, blueLit);
    QFETCH(bool, blinkShowsRed);
    QFETCH(bool, blinkShowsBlue);
    MainWindowFixture f("[Halvion]\n" + statusKeys + "MarkersLED=False\n");
    Form1 &w = *f.form;
    w.SelectBand(0);
    f.trackAt(0, 5); // display, then the blink hides the flagged lit LEDs
    f.trackAt(0, 5); // display again, then the blink shows them
    QCOMPARE(f.shown(w.OnLed[0]), redLit || blinkShowsRed);
    QCOMPARE(f.shown(w.BeaconOffAir[0]), xLit);
    QCOMPARE(f.shown(w.OnLEDBlue[0]), blueLit || blinkShowsBlue);
    for (const Form1::MarkerArray *dims : {&w.OffLed, &w.OnBlueLedDim, &w.OffAirDim})
        QVERIFY((*dims)[0]->isHidden());
    // Details are shown whatever the status.
    QCOMPARE(text(w.Label4), QStringLiteral("NCDXF Beacon Station 4U1UN"));
}

void TestMainWindow::markerRoutinesOrder()
{
    MainWindowFixture f(AllOk);
    Form1 &w = *f.form;
    w.MarkerIndex = 7;
    f.state.AllMarkersOn = true;
    w.DisplayLedOff();
    w.DisplayLedOn(); // OFF turned ON: only the blue pictures remain
    QVERIFY(f.shown(w.OnLEDBlue[7]) && f.shown(w.OnBlueLedDim[7]));
    QVERIFY(w.BeaconOffAir[7]->isHidden() && w.OffAirDim[7]->isHidden());
    QVERIFY(w.OnLed[7]->isHidden() && w.OffLed[7]->isHidden());
    QVERIFY(f.depth(w.OnLEDBlue[7]) > f.depth(w.OnBlueLedDim[7]));
    QVERIFY(f.depth(w.OnBlueLedDim[7]) > f.depth(w.Image1));
    QVERIFY(f.depth(w.OffAirDim[7]) < f.depth(w.Image1)); // sent behind the map

    const QObjectList before = w.Picture1->children();
    w.DisplayLedOn();
    QCOMPARE(w.Picture1->children(), before); // idempotent

    // Without dims only the lit LED is drawn.
    f.state.AllMarkersOn = false;
    f.state.SingleTrackOn = false;
    w.DisplayLedOK();
    QVERIFY(f.shown(w.OnLed[7]) && w.OffLed[7]->isHidden() && w.OnLEDBlue[7]->isHidden()
            && w.OnBlueLedDim[7]->isHidden());
    f.state.SingleTrackOn = true;
    w.DisplayLedOK();
    QVERIFY(f.shown(w.OffLed[7]) && f.depth(w.OnLed[7]) > f.depth(w.OffLed[7]));
}

void TestMainWindow::allMarkersShowDimInFront()
{
    MainWindowFixture f("[Halvion]\n" + statusLines({0, 1, 2}, {3, 4}, {5, 1}));
    Form1 &w = *f.form;
    w.DisplayAllBeaconMarkers();
    for (int i : {0, 2}) {
        QVERIFY(f.shown(w.OffLed[i]) && f.shown(w.OnLed[i]));
        QVERIFY(f.depth(w.OffLed[i]) > f.depth(w.OnLed[i]));
    }
    for (int i : {3, 4})
        QVERIFY(f.shown(w.OffAirDim[i]) && f.depth(w.OffAirDim[i]) > f.depth(w.BeaconOffAir[i]));
    for (int i : {1, 5}) { // ON wins over OK
        QVERIFY(f.shown(w.OnBlueLedDim[i]) && w.OffLed[i]->isHidden());
        QVERIFY(f.depth(w.OnBlueLedDim[i]) > f.depth(w.OnLEDBlue[i]));
    }
    for (int i = 6; i < 18; ++i) // no status: nothing drawn
        QVERIFY(w.OffLed[i]->isHidden() && w.OnLed[i]->isHidden() && w.OffAirDim[i]->isHidden());

    w.ClearAllMarkers();
    for (const Form1::MarkerArray *a : {&w.OnLed, &w.OffLed, &w.OnLEDBlue, &w.OnBlueLedDim, &w.BeaconOffAir,
                                        &w.OffAirDim})
        for (QLabel *m : *a)
            QVERIFY(m->isHidden());
}

void TestMainWindow::legendAndCallsignClears()
{
    MainWindowFixture f(AllOk);
    Form1 &w = *f.form;
    const QList<QWidget *> legend{w.Image2, w.Label7, w.LegendRed, w.Label9, w.LegendBlue, w.Label8, w.LegendX,
                                  w.Label10};
    w.OnLegend();
    w.OnLegend();
    for (QWidget *part : legend)
        QVERIFY(f.shown(part));
    QCOMPARE(w.Label9->text(), QStringLiteral("OK- On Air"));
    QCOMPARE(w.Label8->text(), QStringLiteral("ON - Problems"));
    QCOMPARE(w.Label10->text(), QStringLiteral("OFF - Off Air"));
    w.ClearLegend();
    w.ClearLegend();
    for (QWidget *part : legend)
        QVERIFY(part->isHidden());
    f.label(3)->show();
    f.label(17)->show();
    w.ClearBeaconCallsigns();
    QVERIFY(f.label(3)->isHidden() && f.label(17)->isHidden());
}

// Option keys as found in the file, and what start-up makes of them.
void TestMainWindow::optionKeys_data()
{
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<QString>("checkedRate"); // empty: none
    QTest::addColumn<int>("interval");
    QTest::addColumn<bool>("callsigns");
    QTest::addColumn<bool>("passCounter");
    QTest::addColumn<bool>("gauge");
    QTest::addColumn<bool>("allMarkers");
    QTest::addColumn<bool>("singleTrack");
    QTest::addColumn<bool>("legend");
    QTest::addColumn<QStringList>("fileAfter"); // key=value pairs the file must then hold

    QTest::newRow("all missing") << QByteArray() << "LEDBlinkRateMedium" << 500 << true << true << true << true
                                 << false << false
                                 << QStringList{"LEDSpeed=Medium", "PassFlag=True", "ActGauge=True",
                                                "MarkersLED=True", "SatTrack=False", "Legend=False",
                                                "Toggle=<missing>"};
    QTest::newRow("all off words") << QByteArray("LEDSpeed=None\nToggle=False\nPassFlag=False\nActGauge=False\n"
                                                 "MarkersLED=False\nSatTrack=False\nLegend=False\n")
                                   << "LEDBlinkRateNone" << 1000 << false << false << false << false << false
                                   << false << QStringList{"LEDSpeed=None", "MarkersLED=False", "PassFlag=False"};
    QTest::newRow("both marker modes") << QByteArray("LEDSpeed=Fast\nMarkersLED=True\nSatTrack=True\nLegend=True\n")
                                       << "LEDBlinkRateFast" << 150 << true << true << true << true << true << true
                                       << QStringList{"SatTrack=True", "MarkersLED=True", "Legend=True"};
    QTest::newRow("wrong case") << QByteArray("LEDSpeed=medium\nToggle=false\nPassFlag=FALSE\nMarkersLED=false\n"
                                              "SatTrack=true\nLegend=true\n")
                                << "" << 250 << true << true << true << true << false << false
                                << QStringList{"LEDSpeed=medium", "MarkersLED=True", "SatTrack=False",
                                               "Legend=true"};
    QTest::newRow("slow") << QByteArray("LEDSpeed=Slow\n") << "LEDBlinkRateSlow" << 1100 << true << true << true
                          << true << false << false << QStringList{"LEDSpeed=Slow"};
    // Judged by the first 15 characters only.
    QTest::newRow("16 characters") << QByteArray("Toggle=FalseFalseFalseX\nSatTrack=TrueXXXXXXXXXXXXX\n"
                                                 "LEDSpeed=Medium         X\n")
                                   << "" << 250 << true << true << true << true << false << false
                                   << QStringList{"SatTrack=False"};
    QTest::newRow("exact words") << QByteArray("PassFlag=False\nLegend=True\n")
                                                 << "LEDBlinkRateMedium" << 500 << true << false << true << true
                                                 << false << true << QStringList{"PassFlag=False"};
}

void TestMainWindow::optionKeys()
{
    QFETCH(QByteArray, lines);
    QFETCH(QString, checkedRate);
    QFETCH(int, interval);
    QFETCH(bool, callsigns);
    QFETCH(bool, passCounter);
    QFETCH(bool, gauge);
    QFETCH(bool, allMarkers);
    QFETCH(bool, singleTrack);
    QFETCH(bool, legend);
    QFETCH(QStringList, fileAfter);

    MainWindowFixture f("[Halvion]\n" + AllOk + lines);
    Form1 &w = *f.form;
    for (QAction *rate : {w.LEDBlinkRateNone, w.LEDBlinkRateSlow, w.LEDBlinkRateMedium, w.LEDBlinkRateFast})
        QCOMPARE(rate->isChecked(), rate->objectName() == checkedRate);
    QCOMPARE(w.Timer3->interval(), interval);
    QCOMPARE(w.ToggleCallsign->isChecked(), callsigns);
    QCOMPARE(f.state.CallsignsOn, callsigns);
    QCOMPARE(w.BeaconPassCounter->isChecked(), passCounter);
    QCOMPARE(f.state.PassCounterOn, passCounter);
    QCOMPARE(w.ActivityPeriodMenu->isChecked(), gauge);
    QVERIFY(!f.state.GaugeRunning); // the gauge waits for a band
    QCOMPARE(w.MarkersLED->isChecked(), allMarkers);
    QCOMPARE(f.state.AllMarkersOn, allMarkers);
    QCOMPARE(w.SatTrackMenu->isChecked(), singleTrack);
    QCOMPARE(f.state.SingleTrackOn, singleTrack);
    QCOMPARE(w.LegendMenu->isChecked(), legend);
    QCOMPARE(f.state.LegendOn, legend);
    QVERIFY(w.Image2->isHidden()); // the legend waits for a band too
    for (const QString &pair : fileAfter) {
        const QString key = pair.section(QLatin1Char('='), 0, 0);
        QCOMPARE(key + QLatin1Char('=') + f.value(key.toStdString()), pair);
    }
}

void TestMainWindow::firstRunFile()
{
    MainWindowFixture f;
    QByteArray expected = "[Halvion]\n";
    for (int i = 0; i < 18; ++i) {
        const QByteArray n = QByteArray::number(i);
        expected += "OK " + n + "=True\nOFF " + n + "=False\nON " + n + "=False\n";
    }
    expected += "LEDSpeed=Medium\nPassFlag=True\nActGauge=True\nMarkersLED=True\nSatTrack=False\nLegend=False\n";
    expected += "Time NIST IP=129.6.15.28\n";
    QByteArray file = f.file().replace("\r\n", "\n");
    QVERIFY2(file.startsWith(expected), file.constData());
    const QList<QByteArray> rest = file.mid(expected.size()).split('\n');
    QCOMPARE(rest.size(), 7); // six page keys and the final line end
    const char *pageKeys[] = {"NCDXFweb=https://", "GreylineWEB=https://", "PropWEB=https://", "WWVweb=https://",
                              "DXPeditionsWEB=https://", "Bulletin425WEB=https://"};
    for (int k = 0; k < 6; ++k)
        QVERIFY2(rest[k].startsWith(pageKeys[k]), rest[k].constData());
    for (int i = 0; i < 18; ++i)
        QCOMPARE(f.status->SelectedStatus(i), BeaconStatus::OK);
}

void TestMainWindow::secondStartAddsNothing()
{
    MainWindowFixture f;
    const QByteArray first = f.file();
    MainWindowFixture g(first);
    QCOMPARE(g.file(), first);
}

void TestMainWindow::statusProbeOnly()
{
    // "OK 0" present but station 5's keys missing: nothing is written and 5 has no status.
    QByteArray lines = "[Halvion]\n" + statusLines(allStations());
    lines.replace("OK 5=True\n", "");
    MainWindowFixture f(lines);
    QCOMPARE(f.status->SelectedStatus(5), BeaconStatus::None);
    QCOMPARE(f.value("OK 5"), QStringLiteral("<missing>"));
}

void TestMainWindow::addressKeys()
{
    const QByteArray longAddress = "http://example.org/" + QByteArray(300, 'a');
    MainWindowFixture f("[Halvion]\n" + AllOk + "Time NIST IP=\nWWVweb=" + longAddress + "\n");
    QCOMPARE(f.state.NistServerAddress, std::string()); // present but empty: kept
    QCOMPARE(f.state.WwvWebAddress, longAddress.left(254).toStdString());
    QCOMPARE(f.value("Time NIST IP"), QString());
    QCOMPARE(f.value("WWVweb").size(), 254); // read cut; the file keeps what it had
    QVERIFY(f.file().contains(longAddress));
    QVERIFY(!f.state.NcdxfWebAddress.empty());
}

void TestMainWindow::reminderSequence()
{
    MainWindowFixture f(AllOk);
    Form1 &w = *f.form;
    QVERIFY(w.Timer2->isActive());
    QCOMPARE(w.Timer2->interval(), 1500);
    const QString internetTime =
        QStringLiteral("Important!  Syncronize Your PC Clock With WWV or Click On \"Internet Time\" Menu");
    const QString prompt = QStringLiteral("Click Frequency Band Below To Track Beacons");
    for (int round = 0; round < 2; ++round) {
        w.Timer2_Timer();
        QCOMPARE(w.Label1->text(), internetTime);
        QCOMPARE(w.Timer2->interval(), 6000);
        w.Timer2_Timer();
        QCOMPARE(w.Label1->text(), prompt);
        QCOMPARE(w.Timer2->interval(), 4000);
    }
    w.SelectBand(1);
    QVERIFY(!w.Timer2->isActive());
    QCOMPARE(w.Label1->text(), QStringLiteral("17 Meter Band Selected - Tune Receiver To 18.110 MHz (CW Mode)"));
}

void TestMainWindow::bandSelection()
{
    MainWindowFixture f(AllOk);
    Form1 &w = *f.form;
    QVERIFY(!w.MenuDisplay->isEnabled());
    QVERIFY(f.state.NoBandChosen);
    auto button = [&](const char *name) { return w.findChild<QPushButton *>(QLatin1String(name)); };

    button("Command4")->click();
    QCOMPARE(button("Command4")->text(), QStringLiteral("   17 Meters"));
    QCOMPARE(button("Command1")->text(), QStringLiteral("20 Meters"));
    QCOMPARE(button("Command5")->text(), QStringLiteral("15 Meters"));
    QCOMPARE(button("Command3")->text(), QStringLiteral("12 Meters"));
    QCOMPARE(button("Command2")->text(), QStringLiteral("10 Meters"));
    for (int b = 0; b < 5; ++b)
        QCOMPARE(f.shown(w.Picture2[b]), b == 1);
    QCOMPARE(w.Label1->palette().color(QPalette::WindowText), QColor(Qt::black));
    QVERIFY(w.MenuDisplay->isEnabled());
    QVERIFY(!f.state.NoBandChosen);
    QCOMPARE(f.state.BandSelected, (std::array<bool, 5>{false, true, false, false, false}));

    button("Command2")->click();
    QCOMPARE(button("Command4")->text(), QStringLiteral("17 Meters"));
    QCOMPARE(button("Command2")->text(), QStringLiteral("   10 Meters"));
    QCOMPARE(f.state.BandSelected, (std::array<bool, 5>{false, false, false, false, true}));
    QCOMPARE(f.state.trackedBand(), 4);
}

void TestMainWindow::bandSelectionOptions()
{
    MainWindowFixture f("[Halvion]\n" + AllOk + "Legend=True\n");
    Form1 &w = *f.form;
    QVERIFY(w.Image2->isHidden());
    f.at(0, 25);
    w.SelectBand(0);
    QVERIFY(f.shown(w.Image2) && f.shown(w.Label10));
    QVERIFY(f.state.GaugeRunning);
    QCOMPARE(w.Label6->text(), QStringLiteral("Pass 1"));
    QCOMPARE(w.Label5->text(), QStringLiteral("Beacon 1 of 18"));
    // All markers on: every station's dim LED and no callsign label.
    for (int i = 0; i < 18; ++i) {
        QVERIFY(f.shown(w.OffLed[i]));
        QVERIFY(f.label(i)->isHidden());
    }
    // The same band again restarts from a clean map and pass 1.
    f.at(0, 45);
    w.Timer1_Timer();
    QCOMPARE(w.Label5->text(), QStringLiteral("Beacon 3 of 18"));
    f.trackAt(0, 45);
    w.SelectBand(0);
    QCOMPARE(w.Label5->text(), QStringLiteral("Beacon 1 of 18"));
    QVERIFY(f.label(4)->isHidden());

    // With all markers off the map stays empty until the next tick, and a counter that
    // is off leaves both texts empty.
    w.MarkersLED_Click();
    w.BeaconPassCounter_Click();
    w.SelectBand(2);
    for (int i = 0; i < 18; ++i)
        QVERIFY(w.OffLed[i]->isHidden() && w.OnLed[i]->isHidden());
    QVERIFY(w.Label5->text().isEmpty() && w.Label6->text().isEmpty());
}

void TestMainWindow::pcTimeAndGauge_data()
{
    QTest::addColumn<int>("hour");
    QTest::addColumn<int>("minute");
    QTest::addColumn<int>("second");
    QTest::addColumn<QString>("time");
    QTest::newRow("afternoon") << 15 << 7 << 9 << "PC Time 03:07:09 PM";
    QTest::newRow("after midnight") << 0 << 30 << 0 << "PC Time 12:30:00 AM";
    QTest::newRow("noon") << 12 << 0 << 59 << "PC Time 12:00:59 PM";
    QTest::newRow("morning") << 9 << 59 << 41 << "PC Time 09:59:41 AM";
}

void TestMainWindow::pcTimeAndGauge()
{
    QFETCH(int, hour);
    QFETCH(int, minute);
    QFETCH(int, second);
    QFETCH(QString, time);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    MainWindowFixture f(AllOk);
    Form1 &w = *f.form;
    f.clock.set(hour, minute, second);
    w.Timer1_Timer();
    if (QLocale::system().amText() == QStringLiteral("AM"))
        QCOMPARE(w.Label2->text(), time);
    else
        QVERIFY(w.Label2->text().startsWith(time.left(16)));
    QCOMPARE(w.Gauge1->value(), 0); // no band yet
    w.SelectBand(0);
    for (int s = 0; s < 12; ++s) {
        f.clock.set(hour, minute, s);
        w.Timer1_Timer();
        QCOMPARE(w.Gauge1->value(), s % 10);
    }
    w.ActivityPeriodMenu_Click();
    QCOMPARE(f.value("ActGauge"), QStringLiteral("False"));
    w.Timer1_Timer();
    QCOMPARE(w.Gauge1->value(), 0);
    // The next tick is lined up with just after the coming second.
    f.clock.set(hour, minute, second, 300);
    w.Timer1_Timer();
    QCOMPARE(w.Timer1->interval(), 720);
}

void TestMainWindow::passCounterTicks()
{
    MainWindowFixture f(AllOk);
    Form1 &w = *f.form;
    // Before a band nothing counts.
    f.at(0, 20);
    w.Timer1_Timer();
    QVERIFY(w.Label5->text().isEmpty());
    f.at(0, 25);
    w.SelectBand(0);
    // Ticks late, doubled and skipping whole seconds across the end of the pass.
    const QList<int> offsets{1, 5, 5, 7, 16, 29, 64, 100, 149, 165, 172, 175, 176, 186};
    const QList<int> beacons{1, 2, 2, 2, 3, 4, 7, 11, 16, 18, 18, 1, 1, 2};
    for (int k = 0; k < offsets.size(); ++k) {
        FakeClockSource t(12, 0, 25);
        t.advance(offsets[k]);
        f.clock.set(t.now().hour, t.now().minute, t.now().second);
        w.Timer1_Timer();
        QCOMPARE(w.Label5->text(), QStringLiteral("Beacon %1 of 18").arg(beacons[k]));
        QCOMPARE(w.Label6->text(), offsets[k] >= 175 ? QStringLiteral("Pass 2") : QStringLiteral("Pass 1"));
    }
}

void TestMainWindow::passCounterSwitch()
{
    MainWindowFixture f(AllOk);
    Form1 &w = *f.form;
    w.SelectBand(0);
    w.BeaconPassCounter_Click();
    QVERIFY(!w.BeaconPassCounter->isChecked());
    QVERIFY(w.Label5->text().isEmpty() && w.Label6->text().isEmpty());
    QCOMPARE(f.value("PassFlag"), QStringLiteral("False"));
    f.at(0, 30);
    w.Timer1_Timer();
    QVERIFY(w.Label5->text().isEmpty());
    w.BeaconPassCounter_Click();
    QCOMPARE(w.Label6->text(), QStringLiteral("Pass 1"));
    QCOMPARE(w.Label5->text(), QStringLiteral("Beacon 1 of 18"));
    QCOMPARE(f.value("PassFlag"), QStringLiteral("True"));
}

void TestMainWindow::singleTrackTrail()
{
    MainWindowFixture f("[Halvion]\n" + AllOk + "MarkersLED=False\nSatTrack=True\n");
    Form1 &w = *f.form;
    f.at(0, 0);
    w.SelectBand(0);
    for (int s : {0, 10, 20}) {
        f.trackAt(0, s);
        f.trackAt(0, s); // second tick: blink shows the lit LED again
    }
    // Three slots: two dim LEDs of the trail, one lit over its own dim LED.
    QVERIFY(f.shown(w.OffLed[0]) && f.shown(w.OffLed[1]) && f.shown(w.OffLed[2]));
    QVERIFY(w.OnLed[0]->isHidden() && w.OnLed[1]->isHidden() && f.shown(w.OnLed[2]));
    QVERIFY(w.OffLed[3]->isHidden());
    // A new pass clears the trail.
    f.at(2, 59);
    w.Timer1_Timer();
    QVERIFY(f.shown(w.OffLed[1]));
    f.at(3, 0);
    w.Timer1_Timer();
    QCOMPARE(w.Label6->text(), QStringLiteral("Pass 2"));
    QVERIFY(w.OffLed[0]->isHidden() && w.OffLed[1]->isHidden() && w.OnLed[2]->isHidden());
}

void TestMainWindow::displayOptions()
{
    MainWindowFixture f("[Halvion]\n" + statusLines({0, 1, 2, 4}, {5}) + "MarkersLED=False\nSatTrack=True\n");
    Form1 &w = *f.form;
    f.at(0, 25);
    w.SelectBand(0);
    f.at(0, 35);
    w.Timer1_Timer();
    QCOMPARE(w.Label5->text(), QStringLiteral("Beacon 2 of 18"));

    // All markers on over single-track.
    w.MarkersLED_Click();
    QVERIFY(w.MarkersLED->isChecked() && f.state.AllMarkersOn);
    QVERIFY(!w.SatTrackMenu->isChecked() && !f.state.SingleTrackOn);
    QCOMPARE(f.value("SatTrack"), QStringLiteral("False"));
    QCOMPARE(f.value("MarkersLED"), QStringLiteral("True"));
    QCOMPARE(w.Label5->text(), QStringLiteral("Beacon 1 of 18"));
    QVERIFY(f.shown(w.OffLed[4]) && f.shown(w.OffAirDim[5]) && w.OffLed[3]->isHidden());

    // Single-track on over all markers empties the map.
    w.SatTrackMenu_Click();
    QVERIFY(w.SatTrackMenu->isChecked() && !w.MarkersLED->isChecked() && !f.state.AllMarkersOn);
    QCOMPARE(f.value("MarkersLED"), QStringLiteral("False"));
    QCOMPARE(f.value("SatTrack"), QStringLiteral("True"));
    QVERIFY(w.OffLed[4]->isHidden() && w.OffAirDim[5]->isHidden());
    w.SatTrackMenu_Click();
    QVERIFY(!w.SatTrackMenu->isChecked() && !f.state.SingleTrackOn);
    QCOMPARE(f.value("SatTrack"), QStringLiteral("False"));

    // Legend and callsigns.
    w.LegendMenu_Click();
    QVERIFY(f.shown(w.Image2) && w.LegendMenu->isChecked());
    QCOMPARE(f.value("Legend"), QStringLiteral("True"));
    w.LegendMenu_Click();
    QVERIFY(w.Image2->isHidden());
    QCOMPARE(f.value("Legend"), QStringLiteral("False"));
    f.trackAt(0, 35);
    QVERIFY(f.shown(f.label(3)));
    w.ToggleCallsign_Click();
    QVERIFY(f.label(3)->isHidden() && !w.ToggleCallsign->isChecked());
    QCOMPARE(f.value("Toggle"), QStringLiteral("False"));
    w.ToggleCallsign_Click();
    QCOMPARE(f.value("Toggle"), QStringLiteral("True"));
}

void TestMainWindow::kh6woOffAirQuirk()
{
    MainWindowFixture f("[Halvion]\n" + AllOk + "MarkersLED=False\n");
    Form1 &w = *f.form;
    w.SelectBand(1); // 17 m
    w.MarkersLED_Click();
    QVERIFY(f.shown(w.OffAirDim[3]) && w.OffLed[3]->isHidden());
    QVERIFY(f.depth(w.OffAirDim[3]) > f.depth(w.BeaconOffAir[3]));
    // Its own slot draws it by its real status again (slot 4 on 17 m is KH6WO).
    f.trackAt(0, 45);
    QVERIFY(f.shown(w.OffLed[3]) && w.OffAirDim[3]->isHidden());
    // On 20 m the option draws KH6WO by its status.
    w.SelectBand(0);
    w.MarkersLED_Click();
    w.MarkersLED_Click();
    QVERIFY(f.shown(w.OffLed[3]) && w.OffAirDim[3]->isHidden());
}

void TestMainWindow::blinkRates_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<QString>("word");
    QTest::addColumn<int>("interval");
    QTest::newRow("None") << int(BlinkRate::None) << "None" << 1000;
    QTest::newRow("Slow") << int(BlinkRate::Slow) << "Slow" << 1100;
    QTest::newRow("Medium") << int(BlinkRate::Medium) << "Medium" << 500;
    QTest::newRow("Fast") << int(BlinkRate::Fast) << "Fast" << 150;
}

void TestMainWindow::blinkRates()
{
    QFETCH(int, rate);
    QFETCH(QString, word);
    QFETCH(int, interval);
    MainWindowFixture f("[Halvion]\n" + AllOk + "LEDSpeed=Bogus\n");
    Form1 &w = *f.form;
    QCOMPARE(w.Timer3->interval(), 250);
    w.SelectBand(0);
    w.findChild<QAction *>(QStringLiteral("LEDBlinkRate") + word)->trigger();
    QCOMPARE(w.Timer3->interval(), interval);
    QVERIFY(w.Timer3->isActive());
    QCOMPARE(f.value("LEDSpeed"), word);
    int checked = 0;
    for (QAction *a : {w.LEDBlinkRateNone, w.LEDBlinkRateSlow, w.LEDBlinkRateMedium, w.LEDBlinkRateFast})
        checked += a->isChecked() ? 1 : 0;
    QCOMPARE(checked, 1);
    QVERIFY(w.findChild<QAction *>(QStringLiteral("LEDBlinkRate") + word)->isChecked());
    // Choosing it again writes it again and changes nothing else.
    w.SetBlinkRate(BlinkRate(rate));
    QVERIFY(w.findChild<QAction *>(QStringLiteral("LEDBlinkRate") + word)->isChecked());
}

// The gauge shows its value as a bar in the highlight colour over that part of its
// inner width (two pixels in from each side), and nothing of it at 0.
void TestMainWindow::gaugeFilledToValue_data()
{
    QTest::addColumn<int>("value");
    for (int value : {0, 1, 5, 9})
        QTest::addRow("%d s into the slot", value) << value;
}

void TestMainWindow::gaugeFilledToValue()
{
    QFETCH(int, value);
    MainWindowFixture f(AllOk);
    QProgressBar *gauge = f.form->Gauge1;
    gauge->setValue(value);
    const QImage image = gauge->grab().toImage();
    const QColor highlight = gauge->palette().color(QPalette::Highlight);
    int lit = 0;
    for (int x = 0; x < image.width(); ++x)
        lit += image.pixelColor(x, image.height() / 2) == highlight ? 1 : 0;
    const qreal ratio = image.devicePixelRatio();
    const int expected = qRound((gauge->width() - 4) * value / 9 * ratio);
    QVERIFY2(std::abs(lit - expected) <= qCeil(ratio), qPrintable(QStringLiteral("%1 of %2 px lit").arg(lit).arg(expected)));
}

namespace {

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget *watched) { watched->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

} // namespace

// The second's tick changes the gauge and the PC time written over it; both are drawn
// in the one drawing pass that follows, not the gauge at once on its own (a second
// pass, and a second trip to the X server, every second).
void TestMainWindow::secondTickPaintsInOnePass()
{
    MainWindowFixture f(AllOk);
    Form1 &w = *f.form;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.SelectBand(0);
    PaintCounter gauge(w.Gauge1);
    PaintCounter time(w.Label2);
    for (int s = 1; s <= 3; ++s) {
        f.clock.set(12, 0, s);
        gauge.paints = time.paints = 0;
        w.Timer1_Timer();
        QCOMPARE(w.Gauge1->value(), s);
        QCOMPARE(gauge.paints, 0);
        QTRY_VERIFY(time.paints > 0);
        QCOMPARE(gauge.paints, time.paints);
    }
}

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
