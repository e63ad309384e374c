// The main window at any size: one scale factor for the whole layout, markers where
// the design puts them times that factor, the map scaled once per size, the size kept
// only once the user gives one; times in UTC; the keys; starting on the last band.

#include "clock_badge.h"
#include "frm_condensed.h"
#include "main_window_fixture.h"
#include "pc_time_text.h"
#include "twips.h"

#include <QAction>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QWindow>
#include <QtTest>

#include <ctime>

using namespace halvion;
using namespace halvion::test;

namespace {

const QByteArray AllOk = statusLines(allStations());

// Gives the window a client area of the design's size times `s`.
void showAtScale(Form1 &form, double s)
{
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QSize client(scaled(Form1::DesignClientSize.width(), s), scaled(Form1::DesignClientSize.height(), s));
    form.resize(client + QSize(0, form.height() - form.centralWidget()->height()));
    QTRY_COMPARE(form.centralWidget()->size(), client);
}

} // namespace

class TestMainWindowScale : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { setTimesInUtc(false); }
    void scaleFactor_data();
    void scaleFactor();
    void markersScale_data();
    void markersScale();
    void mapScaledOncePerSize();
    void mapPicturesLetGoAtRest();
    void sizeKeptOnlyWhenUserResizes();
    void timeTexts_data();
    void timeTexts();
    void instantTexts_data();
    void instantTexts();
    void utcEverywhere();
    void badgeScales();
    void keys();
    void startOnLastBand();
};

void TestMainWindowScale::scaleFactor_data()
{
    QTest::addColumn<QSize>("client");
    QTest::addColumn<double>("factor");

    QTest::newRow("design size") << QSize(601, 418) << 1.0;
    QTest::newRow("smaller than the design") << QSize(400, 300) << 1.0;
    QTest::newRow("twice") << QSize(1202, 836) << 2.0;
    QTest::newRow("wider: height decides") << QSize(1800, 836) << 2.0;
    QTest::newRow("taller: width decides") << QSize(901, 1200) << 901.0 / 601;
    QTest::newRow("three times") << QSize(1803, 1254) << 3.0;
    QTest::newRow("full HD client") << QSize(1920, 1050) << 1050.0 / 418;
    QTest::newRow("empty design") << QSize(0, 0) << 1.0;
}

void TestMainWindowScale::scaleFactor()
{
    QFETCH(QSize, client);
    QFETCH(double, factor);
    QCOMPARE(layoutScale(client, Form1::DesignClientSize), factor);
}

void TestMainWindowScale::markersScale_data()
{
    QTest::addColumn<double>("s");
    QTest::newRow("1x") << 1.0;
    QTest::newRow("1.5x") << 1.5;
    QTest::newRow("3x") << 3.0;
}

// Every marker and callsign label lies at its design place times the factor, within a
// pixel; the fonts and LED pictures grow by the same factor.
void TestMainWindowScale::markersScale()
{
    QFETCH(double, s);
    MainWindowFixture base(AllOk);
    MainWindowFixture f(AllOk);
    showAtScale(*f.form, s);
    QCOMPARE(f.form->LayoutScale(), s);

    const auto near = [s](const QRect &design, const QRect &now) {
        return std::abs(now.x() - design.x() * s) <= 1 && std::abs(now.y() - design.y() * s) <= 1 &&
               std::abs(now.width() - design.width() * s) <= 1 && std::abs(now.height() - design.height() * s) <= 1;
    };
    for (BeaconIndex i = 0; i < BeaconCount; ++i) {
        const auto at = static_cast<std::size_t>(i);
        QVERIFY2(near(base.form->OnLed[at]->geometry(), f.form->OnLed[at]->geometry()), qPrintable(QString::number(i)));
        QVERIFY(near(base.form->OffAirDim[at]->geometry(), f.form->OffAirDim[at]->geometry()));
        QCOMPARE(f.form->OnLed[at]->pixmap().deviceIndependentSize().toSize(), f.form->OnLed[at]->size());
    }
    QVERIFY(near(base.form->Picture1->geometry(), f.form->Picture1->geometry()));
    QVERIFY(near(base.form->Image1->geometry(), f.form->Image1->geometry()));
    QVERIFY(near(base.form->BandButtons[4]->geometry(), f.form->BandButtons[4]->geometry()));
    QCOMPARE(f.form->Label4->font().pointSizeF(), 11 * s);
    QCOMPARE(f.form->Label2->font().pointSizeF(), base.form->Label2->font().pointSizeF() * s);
    // The map is drawn for the label's size, to the next 16 device pixels up.
    const QSize map = f.form->Image1->pixmap().size();
    const QSize needed = f.form->Image1->size() * f.form->devicePixelRatio();
    QVERIFY(map.width() >= needed.width() && map.width() < needed.width() + 16);
    QVERIFY(map.height() >= needed.height() && map.height() < needed.height() + 16);
}

// A drag passes through many sizes: each is scaled once, and a size seen before is
// taken from the cache.
void TestMainWindowScale::mapScaledOncePerSize()
{
    MainWindowFixture f(AllOk);
    showAtScale(*f.form, 2.0);
    const int afterTwo = f.form->MapScalings();
    showAtScale(*f.form, 1.5);
    QCOMPARE(f.form->MapScalings(), afterTwo + 1);
    showAtScale(*f.form, 2.0);
    showAtScale(*f.form, 1.5);
    QCOMPARE(f.form->MapScalings(), afterTwo + 1);
}

// Once the size stays put only the picture shown is kept (a size left behind is drawn
// again when it comes back), and the design's size at pixel ratio 1 is the 1x source
// itself, shown without stretching.
void TestMainWindowScale::mapPicturesLetGoAtRest()
{
    MainWindowFixture f(AllOk);
    showAtScale(*f.form, 1.0);
    if (f.form->devicePixelRatio() == 1)
        QCOMPARE(f.form->Image1->pixmap().size(), QSize(580, 244));
    showAtScale(*f.form, 2.0);
    showAtScale(*f.form, 1.5);
    const int scalings = f.form->MapScalings();
    const auto *release = f.form->findChild<QTimer *>(QStringLiteral("MapReleaseTimer"));
    QVERIFY(release && release->isActive());
    f.form->releaseMapSources(); // what the timer does
    showAtScale(*f.form, 1.5);
    QCOMPARE(f.form->MapScalings(), scalings);
    showAtScale(*f.form, 2.0);
    QCOMPARE(f.form->MapScalings(), scalings + 1);
}

void TestMainWindowScale::sizeKeptOnlyWhenUserResizes()
{
    MainWindowFixture f(AllOk);
    const QByteArray firstRun = f.file();
    showAtScale(*f.form, 1.5);
    QVERIFY(!f.form->findChild<QTimer *>(QStringLiteral("SizeSaveTimer"))->isActive());
    f.form->close();
    QCOMPARE(f.file(), firstRun); // the program's own resizes store nothing

    // The user's resize arrives from the window system; a moment later it is stored.
    f.form->show();
    f.form->windowHandle()->resize(QSize(700, 560));
    QTRY_COMPARE(f.form->size(), QSize(700, 560));
    QVERIFY(f.form->findChild<QTimer *>(QStringLiteral("SizeSaveTimer"))->isActive());
    f.form->saveWindowSize();
    QCOMPARE(f.value("MainWinSize"), QStringLiteral("%1x%2").arg(f.form->width()).arg(f.form->height()));

    // The next start opens at that size; one larger than the screen is fitted to it.
    MainWindowFixture again(f.file());
    QCOMPARE(again.form->sizeHint(), f.form->size());
    MainWindowFixture huge(AllOk + "MainWinSize=20000x15000\n");
    const QSize screen = huge.form->screen()->availableGeometry().size();
    QVERIFY(huge.form->sizeHint().width() <= screen.width());
    QVERIFY(huge.form->sizeHint().height() <= screen.height());
    QVERIFY(huge.form->sizeHint().width() >= 601);
}

void TestMainWindowScale::timeTexts_data()
{
    QTest::addColumn<int>("hour");
    QTest::addColumn<int>("minute");
    QTest::addColumn<int>("second");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("utc");

    QTest::newRow("afternoon, UTC+1") << 16 << 26 << 40 << 3600 << "UTC 15:26:40";
    QTest::newRow("back over midnight, UTC+2") << 0 << 30 << 0 << 7200 << "UTC 22:30:00";
    QTest::newRow("on to the next day, UTC-5") << 23 << 30 << 9 << -18000 << "UTC 04:30:09";
    QTest::newRow("New Year's first seconds, UTC+1") << 0 << 0 << 5 << 3600 << "UTC 23:00:05";
    QTest::newRow("New Year's Eve, UTC-10") << 14 << 59 << 59 << -36000 << "UTC 00:59:59";
    QTest::newRow("quarter-hour zone, UTC+5:45") << 5 << 44 << 59 << 20700 << "UTC 23:59:59";
    QTest::newRow("UTC itself") << 12 << 0 << 0 << 0 << "UTC 12:00:00";
}

void TestMainWindowScale::timeTexts()
{
    QFETCH(int, hour);
    QFETCH(int, minute);
    QFETCH(int, second);
    QFETCH(int, offset);
    QFETCH(QString, utc);
    const ClockReading reading{hour, minute, second, 0, offset};
    QCOMPARE(pcTimeText(reading), QStringLiteral("PC Time ") + localTimeText(reading));
    setTimesInUtc(true);
    QCOMPARE(pcTimeText(reading), utc);
    QCOMPARE(clockTimeText(reading), utc.mid(4));
}

// Instants the monitor windows show, in the zone's local time or in UTC.
void TestMainWindowScale::instantTexts_data()
{
    QTest::addColumn<QString>("utc");
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QString>("local");

    QTest::newRow("New Year in Berlin") << "2026-12-31T23:00:05Z" << QByteArray("Europe/Berlin") << "2027-01-01 12:00:05 AM";
    QTest::newRow("still the old year in Honolulu") << "2027-01-01T00:59:59Z" << QByteArray("Pacific/Honolulu")
                                                    << "2026-12-31 02:59:59 PM";
    QTest::newRow("Kathmandu's quarter hour") << "2026-06-15T18:15:00Z" << QByteArray("Asia/Kathmandu")
                                              << "2026-06-16 12:00:00 AM"; // +5:45
    QTest::newRow("summer time in New York") << "2026-07-04T16:00:00Z" << QByteArray("America/New_York")
                                             << "2026-07-04 12:00:00 PM";
}

void TestMainWindowScale::instantTexts()
{
    QFETCH(QString, utc);
    QFETCH(QByteArray, zone);
    QFETCH(QString, local);
    const QByteArray before = qgetenv("TZ");
    qputenv("TZ", zone);
    tzset();
    const qint64 ms = QDateTime::fromString(utc, Qt::ISODate).toMSecsSinceEpoch() + 999;
    const QString shownLocal = instantDateTimeText(ms);
    const QString shownLocalTime = instantTimeText(ms);
    setTimesInUtc(true);
    const QString shownUtc = instantDateTimeText(ms);
    const QString shownUtcTime = instantTimeText(ms);
    before.isNull() ? qunsetenv("TZ") : qputenv("TZ", before);
    tzset();
    // The system's AM/PM designators are those of the C locale here.
    QCOMPARE(shownLocal, local);
    QCOMPARE(shownLocalTime, local.mid(11));
    const QString expectedUtc = utc.left(10) + QLatin1Char(' ') + utc.mid(11, 8) + QStringLiteral(" UTC");
    QCOMPARE(shownUtc, expectedUtc);
    QCOMPARE(shownUtcTime, expectedUtc.mid(11));
}

// The menu item switches every time text the windows show, and is written only when
// the user changes it.
void TestMainWindowScale::utcEverywhere()
{
    MainWindowFixture f(AllOk);
    f.clock.setUtcOffset(7200);
    f.at(0, 30); // 12:00:30 local
    QCOMPARE(f.value("UtcTimes"), QStringLiteral("<missing>"));
    QVERIFY(!f.form->ShowTimesInUtc->isChecked());
    f.form->ShowTimesInUtc->trigger();
    QCOMPARE(f.value("UtcTimes"), QStringLiteral("True"));
    f.form->Timer1_Timer();
    QCOMPARE(f.form->Label2->text(), QStringLiteral("UTC 10:00:30"));

    f.form->SelectBand(0);
    f.form->Timer3_Timer();
    QVERIFY(f.form->StationToolTip(5).contains(QStringLiteral("Next on 20 m at 10:")));

    frmCondensed compact(f.state, *f.status, *f.settings, f.clock);
    compact.Form_Load();
    compact.Timer4_Timer();
    QCOMPARE(compact.Label6->text(), QStringLiteral("UTC 10:00:30"));

    // The next start reads the choice; turned off, local time again.
    MainWindowFixture again(f.file());
    QVERIFY(again.form->ShowTimesInUtc->isChecked());
    again.form->ShowTimesInUtc->trigger();
    again.form->Timer1_Timer();
    QVERIFY(again.form->Label2->text().startsWith(QStringLiteral("PC Time ")));
}

// The clock badge grows with the window and keeps its corner on the PC time box.
void TestMainWindowScale::badgeScales()
{
    MainWindowFixture f(AllOk);
    auto *badge = new ClockBadge;
    ClockBadgeView view;
    view.level = BadgeLevel::Amber;
    view.measured = true;
    view.text = QStringLiteral("+2.4 s");
    badge->display(view);
    f.form->placeClockBadge(badge);
    const QSize atOne = badge->size();
    showAtScale(*f.form, 2.0);
    QTRY_COMPARE(f.form->LayoutScale(), 2.0);
    QCOMPARE(badge->height(), 2 * atOne.height());
    QVERIFY2(badge->width() >= 2 * atOne.width() - 6 && badge->width() <= 2 * atOne.width() + 6,
             qPrintable(QStringLiteral("%1 at 1x, %2 at 2x").arg(atOne.width()).arg(badge->width())));
    const QRect box = f.form->Gauge1->geometry();
    QCOMPARE(badge->geometry().right(), box.right() + 10 - 1);
    QCOMPARE(badge->geometry().bottom(), box.top() + 8 - 1);
}

// Keys go through the same handlers as the clicks.
void TestMainWindowScale::keys()
{
    MainWindowFixture f(AllOk);
    f.form->show();
    f.form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
    QSignalSpy chosen(f.form.get(), &Form1::bandChosen);
    QSignalSpy follow(f.form.get(), &Form1::followRequested);

    QTest::keyClick(f.form.get(), Qt::Key_F); // nothing on the air is followed before a band is chosen
    QCOMPARE(follow.count(), 0);
    QTest::keyClick(f.form.get(), Qt::Key_3);
    QCOMPARE(chosen.count(), 1);
    QCOMPARE(chosen.at(0).at(0).value<BandIndex>(), 2);
    QCOMPARE(f.state.BandSelected, (std::array<bool, 5>{false, false, true, false, false}));
    QCOMPARE(f.form->BandButtons[2]->text(), QStringLiteral("   15 Meters"));
    QCOMPARE(f.form->focusWidget(), f.form->BandButtons[2]);

    f.trackAt(0, 25); // slot 2 on 15 m: the station two slots behind
    QTest::keyClick(f.form.get(), Qt::Key_F);
    QCOMPARE(follow.count(), 1);
    QCOMPARE(follow.at(0).at(0).value<BeaconIndex>(), ScheduleClock::beaconOn(2, 2));

    QTest::keyClick(f.form.get(), Qt::Key_5);
    QCOMPARE(f.state.BandSelected, (std::array<bool, 5>{false, false, false, false, true}));

    // In the compact view the keys pick a row as a click on it does.
    frmCondensed compact(f.state, *f.status, *f.settings, f.clock);
    compact.Form_Load();
    compact.show();
    compact.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&compact));
    QSignalSpy rows(&compact, &frmCondensed::rowChosen);
    QTest::keyClick(&compact, Qt::Key_2);
    QCOMPARE(compact.highlightedRow(), 1);
    QCOMPARE(rows.count(), 1);
    QCOMPARE(f.state.BandSelected, (std::array<bool, 5>{false, true, false, false, false}));
}

void TestMainWindowScale::startOnLastBand()
{
    // Off by default: the first start waits for a band, as it always has.
    MainWindowFixture first(AllOk);
    QVERIFY(first.state.NoBandChosen);
    QVERIFY(!first.form->StartOnLastBandMenu->isChecked());
    first.form->SelectBand(3);
    first.form->close();
    QCOMPARE(first.value("LastBand"), QStringLiteral("<missing>"));
    QCOMPARE(first.value("StartOnLastBand"), QStringLiteral("<missing>"));

    first.form->StartOnLastBandMenu->trigger();
    QCOMPARE(first.value("StartOnLastBand"), QStringLiteral("True"));
    first.form->close();
    QCOMPARE(first.value("LastBand"), QStringLiteral("12"));

    MainWindowFixture next(first.file());
    QCOMPARE(next.state.BandSelected, (std::array<bool, 5>{false, false, false, true, false}));
    QVERIFY(!next.state.NoBandChosen);
    QCOMPARE(next.form->BandButtons[3]->text(), QStringLiteral("   12 Meters"));
    QVERIFY(!next.form->Timer2->isActive()); // the reminder has stopped

    // Turned off again: the next start waits for a band.
    next.form->StartOnLastBandMenu->trigger();
    MainWindowFixture after(next.file());
    QVERIFY(after.state.NoBandChosen);
}

QTEST_MAIN(TestMainWindowScale)
#include "tst_main_window_scale.moc"
