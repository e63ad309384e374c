// The main window's map aids: the greyline switch and overlay, the user's station,
// the distance line and the marker tooltips, driven with clocks the test sets.

#include "main_window_fixture.h"

#include "beacon_place.h"
#include "greyline.h"
#include "map_projection.h"
#include "my_station_dialog.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

using namespace halvion;
using namespace halvion::test;

namespace {

const QByteArray AllOk = "[Halvion]\n" + statusLines(allStations());
constexpr BandIndex FifteenMetres = 2;
constexpr BeaconIndex ZS6DN = 10;

struct GeoFixture : MainWindowFixture {
    FakeUtcClock utc{utcFromCivil(2026, 6, 21, 12, 5, 0)};

    explicit GeoFixture(const QByteArray &ini = AllOk) : MainWindowFixture(ini, false)
    {
        form->setUtcClock(utc);
        form->Form_Load();
    }

    QImage overlay() const { return form->MapOverlay->pixmap().toImage(); }
    // The overlay's alpha where a place lies on the map.
    int alphaAt(double latitude, double longitude) const
    {
        const QPoint p(qRound(WorldMap::x(longitude) + form->Image1->x()),
                       qRound(WorldMap::y(latitude) + form->Image1->y()));
        return qAlpha(overlay().pixel(p));
    }
    QPoint markerCentre(BeaconIndex i) const { return form->OffLed[static_cast<std::size_t>(i)]->geometry().center(); }
};

} // namespace

class TestMainWindowGeo : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void firstRunWritesNoNewKey();
    void greylineSwitch();
    void overlayOncePerMinute();
    void stationPlacesMatchMarkers();
    void myStationDialog_data();
    void myStationDialog();
    void myStationSavedAndRemoved();
    void pathLineFollowsStation();
    void markerToolTips();
};

void TestMainWindowGeo::firstRunWritesNoNewKey()
{
    GeoFixture f(QByteArray{});
    QVERIFY(!f.form->GreylineMenu->isChecked());
    QVERIFY(!f.form->MyStation().valid());
    QVERIFY(!f.form->MapOverlay->isVisible() && f.form->MapOverlay->isHidden());
    const QByteArray file = f.file();
    QVERIFY(!file.contains("GreylineMap"));
    QVERIFY(!file.contains("MyLocator"));
    QVERIFY(file.trimmed().split('\n').last().startsWith("Bulletin425WEB="));
    QCOMPARE(f.form->MyStationMenu->text(), QStringLiteral("My Station..."));
    QVERIFY(f.form->FileMenu->actions().indexOf(f.form->MyStationMenu)
            < f.form->FileMenu->actions().indexOf(f.form->ExitMenu));
    QVERIFY(f.form->MenuDisplay->actions().contains(f.form->GreylineMenu));
    QCOMPARE(f.form->GreylineMenu->text(), QStringLiteral("Greyline (Day/Night)"));
}

void TestMainWindowGeo::greylineSwitch()
{
    GeoFixture f;
    QVERIFY(!f.form->GreylineMenu->isChecked());
    f.form->GreylineMenu->trigger();
    QVERIFY(f.form->GreylineMenu->isChecked());
    QCOMPARE(f.value("GreylineMap"), QStringLiteral("True"));
    QVERIFY(!f.form->MapOverlay->isHidden());
    // 21 June, 12:05 UTC: Australia lies in the night, the Sahara under the sun,
    // the Arctic in the midnight sun.
    QCOMPARE(f.alphaAt(-25.0, 135.0), qRound(NightOpacity * 255));
    QCOMPARE(f.alphaAt(15.0, 10.0), 0);
    QCOMPARE(f.alphaAt(82.0, 100.0), 0);

    // Six months later the same hour leaves the Arctic dark.
    f.utc.set(utcFromCivil(2026, 12, 21, 12, 5, 0));
    f.form->Timer1_Timer();
    QCOMPARE(f.alphaAt(82.0, 100.0), qRound(NightOpacity * 255));

    f.form->GreylineMenu->trigger();
    QCOMPARE(f.value("GreylineMap"), QStringLiteral("False"));
    QVERIFY(f.form->MapOverlay->isHidden());

    // The switch is read back at the next start.
    f.settings->writeSwitch("GreylineMap", true);
    GeoFixture again(f.file());
    QVERIFY(again.form->GreylineMenu->isChecked());
}

void TestMainWindowGeo::overlayOncePerMinute()
{
    GeoFixture f(AllOk + "GreylineMap=True\n");
    f.form->SetBlinkRate(BlinkRate::Fast);
    f.form->SelectBand(FifteenMetres);
    const int atStart = f.form->MapOverlayRenders();
    QVERIFY(atStart >= 1);

    // Fifty seconds of ticks at the fastest blink rate and the one-second tick: no new picture.
    for (int tenths = 0; tenths < 500; ++tenths) {
        if (tenths % 10 == 0) {
            f.utc.advance(1);
            f.clock.advance(1);
            f.form->Timer1_Timer();
        }
        f.form->Timer3_Timer();
    }
    QCOMPARE(f.form->MapOverlayRenders(), atStart);
    f.utc.advance(10); // 12:06:00
    f.form->Timer1_Timer();
    QCOMPARE(f.form->MapOverlayRenders(), atStart + 1);
    f.form->Timer1_Timer();
    QCOMPARE(f.form->MapOverlayRenders(), atStart + 1);
}

// The map's projection puts every station where its marker is drawn.
void TestMainWindowGeo::stationPlacesMatchMarkers()
{
    GeoFixture f;
    MapOverlaySpec params;
    params.mapOffset = QPointF(-f.form->Image1->x(), -f.form->Image1->y());
    for (BeaconIndex i = 0; i < BeaconCount; ++i) {
        const QPointF onMap = overlayPoint(params, beaconPlace(i));
        const QPointF d = onMap - QPointF(f.markerCentre(i));
        QVERIFY2(std::hypot(d.x(), d.y()) < 8.0,
                 qPrintable(QStringLiteral("station %1 off by %2, %3").arg(i).arg(d.x()).arg(d.y())));
    }
}

void TestMainWindowGeo::myStationDialog_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("saved"); // empty: refused, nothing saved

    QTest::newRow("square") << "jo62" << "JO62";
    QTest::newRow("subsquare") << " fn31PR " << "FN31pr";
    QTest::newRow("Null Island's square") << "JJ00" << "JJ00";
    QTest::newRow("field only") << "AA" << "";
    QTest::newRow("three characters") << "FN3" << "";
    QTest::newRow("beyond the alphabet") << "ZZ99zz" << "";
    QTest::newRow("blanks only") << "   " << "";
}

void TestMainWindowGeo::myStationDialog()
{
    QFETCH(QString, text);
    QFETCH(QString, saved);

    GeoFixture f;
    f.form->MyStationMenu->trigger();
    MyStationDialog *dialog = f.form->myStationDialog();
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->RemoveButton->isEnabled());
    dialog->LocatorText->setText(text);
    const bool accepted = dialog->OkButton_Click();
    QCOMPARE(accepted, !saved.isEmpty());
    if (saved.isEmpty()) {
        QVERIFY(dialog->isVisible());
        QVERIFY(!dialog->PositionText->text().isEmpty());
        QVERIFY(!f.file().contains("MyLocator"));
        QVERIFY(!f.form->MyStation().valid());
    } else {
        QVERIFY(!dialog->isVisible());
        QCOMPARE(f.value("MyLocator"), saved);
        QCOMPARE(QString::fromStdString(f.form->MyStation().text), saved);
    }
}

void TestMainWindowGeo::myStationSavedAndRemoved()
{
    GeoFixture f;
    f.form->SetMyStation(QStringLiteral("JO62"));
    QVERIFY(!f.form->MapOverlay->isHidden());
    // The home mark stands on Berlin, over a map that otherwise shows through.
    QCOMPARE(f.alphaAt(52.5, 13.0), 255);
    QCOMPARE(f.alphaAt(-25.0, 135.0), 0);

    f.form->MyStationMenu->trigger();
    MyStationDialog *dialog = f.form->myStationDialog();
    QCOMPARE(dialog->LocatorText->text(), QStringLiteral("JO62"));
    QVERIFY(dialog->PositionText->text().contains(QStringLiteral("Latitude 52deg. 30min. North")));
    QVERIFY(dialog->RemoveButton->isEnabled());
    dialog->RemoveButton_Click();
    QVERIFY(!f.form->MyStation().valid());
    QCOMPARE(f.value("MyLocator"), QString());
    QVERIFY(f.form->MapOverlay->isHidden());

    // A damaged stored locator counts as none and is left as it is.
    GeoFixture damaged(AllOk + "MyLocator=JO6\n");
    QVERIFY(!damaged.form->MyStation().valid());
    QCOMPARE(damaged.value("MyLocator"), QStringLiteral("JO6"));
}

void TestMainWindowGeo::pathLineFollowsStation()
{
    GeoFixture f;
    f.form->SelectBand(FifteenMetres);
    f.trackAt(5, 3); // minute 2 of the cycle: ZS6DN on 15 m
    QCOMPARE(f.form->Label3->text(), QStringLiteral("South Africa - Pretoria"));
    QVERIFY(f.form->PathLine->isHidden()); // no station of one's own yet

    f.form->SetMyStation(QStringLiteral("JO62"));
    QVERIFY(!f.form->PathLine->isHidden());
    QCOMPARE(f.form->PathLine->text(),
             QStringLiteral("Short path 8,810 km at 166\u00b0  \u00b7  Long path 31,200 km at 346\u00b0"));
    // It sits under the latitude and longitude, inside the map.
    QVERIFY(f.form->Picture1->rect().contains(f.form->PathLine->geometry()));

    f.trackAt(5, 13); // 5Z4B
    QCOMPARE(f.form->PathLine->text(),
             QStringLiteral("Short path 6,340 km at 151\u00b0  \u00b7  Long path 33,670 km at 331\u00b0"));
    QVERIFY(f.form->Picture1->rect().contains(f.form->PathLine->geometry()));
}

void TestMainWindowGeo::markerToolTips()
{
    GeoFixture f(AllOk + "MyLocator=JO62\n");
    f.at(3, 5); // ZS6DN is next on 15 m at 12:05:00
    QString tip = f.form->StationToolTip(ZS6DN);
    QCOMPARE(tip, QStringLiteral("ZS6DN: South Africa - Pretoria\n"
                                 "Short path 8,810 km at 166\u00b0  \u00b7  Long path 31,200 km at 346\u00b0"));
    f.form->SelectBand(FifteenMetres);
    tip = f.form->StationToolTip(ZS6DN);
    QVERIFY2(tip.endsWith(QStringLiteral("\nNext on 15 m at ") + clockTimeText({12, 5, 0, 0})), qPrintable(tip));
    f.at(5, 4);
    tip = f.form->StationToolTip(ZS6DN);
    QVERIFY2(tip.endsWith(QStringLiteral("\nOn the air on 15 m now; next at ") + clockTimeText({12, 8, 0, 0})),
             qPrintable(tip));

    // The tooltip belongs to the marker under the mouse; empty map has none.
    f.form->Timer3_Timer();
    QVERIFY(f.form->MapToolTipAt(f.markerCentre(ZS6DN)).startsWith(QStringLiteral("ZS6DN: ")));
    QVERIFY(f.form->MapToolTipAt(QPoint(300, 230)).isEmpty());
    const QPoint home(qRound(WorldMap::x(13.0) + f.form->Image1->x()), qRound(WorldMap::y(52.5) + f.form->Image1->y()));
    QVERIFY(f.form->MapToolTipAt(home).startsWith(QStringLiteral("My station, JO62")));
}

QTEST_MAIN(TestMainWindowGeo)
#include "tst_main_window_geo.moc"
