// Every label whose text the program sets shows its longest text whole, in the
// desktop's default font: the text's advance fits the label, no window part cuts it
// off, and labels that share a line keep their texts apart. CTest runs this program
// at device pixel ratio 1 and again at 2 (QT_SCALE_FACTOR=2).

#include "beacon_catalogue.h"
#include "callsign_label.h"
#include "clock_badge.h"
#include "clock_check_badge.h"
#include "follow_planner.h"
#include "frm_condensed.h"
#include "main_window_fixture.h"
#include "pc_time_text.h"
#include "radio_state.h"
#include "schedule_clock.h"

#include <QProgressBar>
#include <QStyle>
#include <QtTest>

using namespace halvion;
using namespace halvion::test;

namespace {

QString qs(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// Both windows over one settings file, laid out and styled as they are shown.
struct Windows {
    MainWindowFixture main{statusLines(allStations())};
    std::unique_ptr<frmCondensed> compact;

    Windows()
    {
        main.state.PassCounterOn = true;
        compact = std::make_unique<frmCondensed>(main.state, *main.status, *main.settings, main.clock);
        compact->Form_Load();
        main.form->ensurePolished();
        compact->ensurePolished();
    }

    QLabel *label(const QString &window, const QString &name) const
    {
        QWidget *w = window == QLatin1String("compact") ? static_cast<QWidget *>(compact.get()) : main.form.get();
        return w->findChild<QLabel *>(name);
    }
};

// Two pictures of a label that differ only by rounding: text blended over a clear
// picture and then over the background lands a unit or two off text blended straight
// over it.
bool drawnAlike(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return false;
    const QImage x = a.convertToFormat(QImage::Format_ARGB32), y = b.convertToFormat(QImage::Format_ARGB32);
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row), q = y.pixel(col, row);
            for (int shift : {0, 8, 16, 24})
                if (std::abs(int((p >> shift) & 0xff) - int((q >> shift) & 0xff)) > 3)
                    return false;
        }
    return true;
}

QStringList stationTexts(std::string_view Beacon::*field)
{
    QStringList out;
    for (BeaconIndex i = 0; i < BeaconCount; ++i)
        out << qs(BeaconCatalogue::beacon(i).*field);
    return out;
}

QStringList headings()
{
    QStringList out;
    for (BeaconIndex i = 0; i < BeaconCount; ++i)
        out << QString::fromStdString(BeaconCatalogue::stationHeading(i));
    return out;
}

QStringList statusLineTexts()
{
    QStringList out{QStringLiteral("Important! Syncronize Your PC Clock To The Exact Minute and Second With WWV"),
                    QStringLiteral("Important!  Syncronize Your PC Clock With WWV or Click On \"Internet Time\" Menu"),
                    QStringLiteral("Click Frequency Band To Track Beacons")};
    for (BandIndex b = 0; b < BandCount; ++b)
        out << qs(BeaconCatalogue::band(b).tuningHint);
    return out;
}

// Every hour, with the digits that run widest in proportional fonts.
QStringList clockLines()
{
    QStringList out;
    for (int hour = 0; hour < 24; ++hour)
        for (int minSec : {0, 8, 44, 58, 59})
            out << pcTimeText({hour, minSec, minSec, 0});
    return out;
}

QStringList beaconTexts()
{
    QStringList out;
    for (int beacon = 1; beacon <= 18; ++beacon)
        out << QStringLiteral("Beacon %1 of 18").arg(beacon);
    return out;
}

QStringList compactCounterTexts()
{
    QStringList out;
    for (int beacon = 1; beacon <= 18; ++beacon)
        out << QStringLiteral("Pass 9999, Beacon %1 of 18").arg(beacon);
    return out;
}

// "Following VK6RBP on 12 m", "Following JA2IGY - next on 20 m in 2:50", at every
// second of the cycle.
QStringList followTexts()
{
    QStringList out;
    for (BeaconIndex i = 0; i < BeaconCount; ++i)
        for (int minute = 0; minute < 3; ++minute)
            for (int second = 0; second < 60; ++second)
                out << QString::fromStdString(FollowPlan::followText(i, ScheduleClock::fromMinuteSecond(minute, second)));
    out.removeDuplicates();
    return out;
}

QStringList radioTexts()
{
    QStringList out;
    RadioState s;
    out << radioStateText(s);
    for (const char *model : {"Hamlib NET rigctl", "Hamlib Dummy", "Yaesu FT-991", "Kenwood TS-2000"}) {
        s.model = QLatin1String(model);
        s.kind = RadioState::Kind::Ready;
        out << radioStateText(s);
        s.kind = RadioState::Kind::Connected;
        s.frequencyHz = 28'200'000;
        for (const char *mode : {"CW", "CWR", "USB", "PKTUSB"}) {
            s.mode = QLatin1String(mode);
            out << radioStateText(s);
        }
        s.frequencyHz = 24'930'500.5;
        out << radioStateText(s);
    }
    s.kind = RadioState::Kind::Error;
    for (const char *error : {"IO error", "Protocol error", "Radio not answering (127.0.0.1:4532)",
                              "No radio answered at 127.0.0.1:4532: connection refused. Is rigctld running?"}) {
        s.error = QLatin1String(error);
        out << radioStateText(s);
    }
    return out;
}

// The feed's line under the map, with a day's worth of spots and more.
QStringList feedTexts()
{
    return {QStringLiteral("Reverse Beacon Network: connecting..."), QStringLiteral("Reverse Beacon Network: not connected"),
            QStringLiteral("Reverse Beacon Network: 999999 beacon spots")};
}

QString widest(const QLabel *label, const QStringList &texts)
{
    const QFontMetrics metrics = label->fontMetrics();
    QString best;
    for (const QString &t : texts)
        if (metrics.horizontalAdvance(t) > metrics.horizontalAdvance(best))
            best = t;
    return best;
}

// Where the label draws this text, in its window's coordinates.
QRect drawnText(const QLabel *label, const QString &text)
{
    const QFontMetrics metrics = label->fontMetrics();
    const int m = label->margin();
    const QRect room = label->contentsRect().adjusted(m, m, -m, -m);
    // A label that wraps breaks the text at blanks within its width; a word longer than
    // that still runs over.
    const QRect inLabel = label->wordWrap()
        ? metrics.boundingRect(room, static_cast<int>(label->alignment()) | Qt::TextWordWrap, text)
        : QStyle::alignedRect(label->layoutDirection(), label->alignment(),
                              QSize(metrics.horizontalAdvance(text), metrics.height()), room);
    return inLabel.translated(label->mapTo(label->window(), QPoint(0, 0)));
}

// The part of the window the label can be seen in: each parent cuts off what lies
// outside it.
QRect visiblePart(const QLabel *label)
{
    QRect visible = label->rect().translated(label->mapTo(label->window(), QPoint(0, 0)));
    for (const QWidget *w = label->parentWidget(); w; w = w->parentWidget())
        visible &= w->rect().translated(w->isWindow() ? QPoint(0, 0) : w->mapTo(w->window(), QPoint(0, 0)));
    return visible;
}

QString describe(const QLabel *label, const QString &text, const QRect &drawn)
{
    return QStringLiteral("\"%1\" needs %2 x %3 at (%4, %5); %6 shows (%7, %8) %9 x %10")
        .arg(text)
        .arg(drawn.width())
        .arg(drawn.height())
        .arg(drawn.x())
        .arg(drawn.y())
        .arg(label->objectName())
        .arg(visiblePart(label).x())
        .arg(visiblePart(label).y())
        .arg(visiblePart(label).width())
        .arg(visiblePart(label).height());
}

} // namespace

class TestMainWindowLabels : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void longestTextWhole_data();
    void longestTextWhole();
    void neighboursApart_data();
    void neighboursApart();
    void clockBadgeClear();
    void callsignPictureLooksAsDrawn();

private:
    // One pair of windows for all rows: each row sets the texts it measures.
    std::unique_ptr<Windows> w_;
};

void TestMainWindowLabels::initTestCase()
{
    qInfo("device pixel ratio %g, font %s", qApp->devicePixelRatio(), qPrintable(QApplication::font().toString()));
    w_ = std::make_unique<Windows>();
}

void TestMainWindowLabels::longestTextWhole_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QStringList>("texts");

    QTest::newRow("heading") << "main" << "Label4" << headings();
    QTest::newRow("site") << "main" << "Label3" << stationTexts(&Beacon::site);
    QTest::newRow("latitude") << "main" << "Lat" << stationTexts(&Beacon::latitudeText);
    QTest::newRow("longitude") << "main" << "Lon" << stationTexts(&Beacon::longitudeText);
    QTest::newRow("status line") << "main" << "Label1" << statusLineTexts();
    QTest::newRow("PC time") << "main" << "Label2" << clockLines();
    QTest::newRow("pass") << "main" << "Label6" << QStringList{QStringLiteral("Pass 9999")};
    QTest::newRow("beacon in pass") << "main" << "Label5" << beaconTexts();
    QTest::newRow("follow line") << "main" << "FollowState" << followTexts();
    QTest::newRow("radio line") << "main" << "RadioState" << radioTexts();
    QTest::newRow("feed line") << "main" << "RbnState" << feedTexts();
    QTest::newRow("legend title") << "main" << "Label7" << QStringList{QStringLiteral("Beacon Markers")};
    QTest::newRow("legend OK") << "main" << "Label9" << QStringList{QStringLiteral("OK- On Air")};
    QTest::newRow("legend ON") << "main" << "Label8" << QStringList{QStringLiteral("ON - Problems")};
    QTest::newRow("legend OFF") << "main" << "Label10" << QStringList{QStringLiteral("OFF - Off Air")};
    for (BeaconIndex i = 0; i < BeaconCount; ++i) {
        const QString name = QString::fromStdString(BeaconCatalogue::mapLabelName(i));
        QTest::newRow(qPrintable(QStringLiteral("map ") + name))
            << "main" << name << QStringList{qs(BeaconCatalogue::beacon(i).callsign)};
    }

    QTest::newRow("compact clock line") << "compact" << "Label6" << clockLines();
    for (const char *row : {"M20", "M17", "M15", "M12", "M10"})
        QTest::newRow(qPrintable(QStringLiteral("compact %1").arg(QLatin1String(row))))
            << "compact" << row << stationTexts(&Beacon::callsign);
    for (const char *row : {"Label7", "Label8", "Label9", "Label10", "Label11"})
        QTest::newRow(qPrintable(QStringLiteral("compact %1").arg(QLatin1String(row))))
            << "compact" << row << QStringList{w_->label(QStringLiteral("compact"), QLatin1String(row))->text()};
    QTest::newRow("compact counter") << "compact" << "ConPassLabel" << compactCounterTexts();
}

void TestMainWindowLabels::longestTextWhole()
{
    QFETCH(QString, window);
    QFETCH(QString, label);
    QFETCH(QStringList, texts);

    QLabel *l = w_->label(window, label);
    QVERIFY(l);
    const QString text = widest(l, texts);
    const QRect drawn = drawnText(l, text);
    QVERIFY2(visiblePart(l).contains(drawn), qPrintable(describe(l, text, drawn)));
}

// Labels on one line, each with its longest text at once.
void TestMainWindowLabels::neighboursApart_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("left");
    QTest::addColumn<QStringList>("leftTexts");
    QTest::addColumn<QString>("right");
    QTest::addColumn<QStringList>("rightTexts");

    QTest::newRow("heading and latitude") << "main" << "Label4" << headings() << "Lat"
                                          << stationTexts(&Beacon::latitudeText);
    QTest::newRow("site and longitude") << "main" << "Label3" << stationTexts(&Beacon::site) << "Lon"
                                        << stationTexts(&Beacon::longitudeText);
    QTest::newRow("pass counter") << "main" << "Label6" << QStringList{QStringLiteral("Pass 9999")} << "Label5"
                                  << beaconTexts();
    QTest::newRow("follow and radio") << "main" << "FollowState" << followTexts() << "RadioState" << radioTexts();
    QTest::newRow("feed and radio") << "main" << "RbnState" << feedTexts() << "RadioState" << radioTexts();
    QTest::newRow("compact callsign and band") << "compact" << "M12" << stationTexts(&Beacon::callsign) << "Label10"
                                               << QStringList{QStringLiteral("24930, 12M")};
}

void TestMainWindowLabels::neighboursApart()
{
    QFETCH(QString, window);
    QFETCH(QString, left);
    QFETCH(QStringList, leftTexts);
    QFETCH(QString, right);
    QFETCH(QStringList, rightTexts);

    QLabel *a = w_->label(window, left);
    QLabel *b = w_->label(window, right);
    const QString textA = widest(a, leftTexts);
    const QString textB = widest(b, rightTexts);
    a->setText(textA);
    b->setText(textB);
    const QRect drawnA = drawnText(a, textA);
    const QRect drawnB = drawnText(b, textB);
    QVERIFY2(visiblePart(a).contains(drawnA), qPrintable(describe(a, textA, drawnA)));
    QVERIFY2(visiblePart(b).contains(drawnB), qPrintable(describe(b, textB, drawnB)));
    QVERIFY2(!drawnA.intersects(drawnB), qPrintable(describe(a, textA, drawnA) + QStringLiteral(" / ") +
                                                    describe(b, textB, drawnB)));
}

// The clock badge with its longest offset stays in the window and off the texts of the
// PC time and the status line.
void TestMainWindowLabels::clockBadgeClear()
{
    Form1 &form = *w_->main.form;
    auto *badge = new ClockBadge;
    form.placeClockBadge(badge);
    ClockBadgeView view;
    view.level = BadgeLevel::Red;
    view.measured = true;
    view.text = badgeOffsetText(-99.4 * 86400 * 365);
    badge->display(view);
    const QRect place = badge->geometry().translated(badge->parentWidget()->mapTo(&form, QPoint(0, 0)));
    QVERIFY(form.centralWidget()->geometry().contains(place));
    for (const QString &time : clockLines()) {
        form.Label2->setText(time);
        QVERIFY2(!drawnText(form.Label2, time).intersects(place), qPrintable(time));
    }
    for (const QString &status : statusLineTexts())
        QVERIFY2(!drawnText(form.Label1, status).intersects(place), qPrintable(status));
}

// The map's callsigns keep a picture of themselves; it must look exactly like the
// label drawn directly (the first paint), with one see-through tag under the text, not
// two, and follow a change of font.
void TestMainWindowLabels::callsignPictureLooksAsDrawn()
{
    Windows w;
    for (BeaconIndex i = 0; i < BeaconCount; ++i) {
        QLabel *label = w.label(QStringLiteral("main"), QString::fromStdString(BeaconCatalogue::mapLabelName(i)));
        QVERIFY(label);
        // What the label draws, on nothing.
        const auto drawn = [label] {
            const qreal ratio = label->devicePixelRatioF();
            QImage image((QSizeF(label->size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(ratio);
            image.fill(Qt::transparent);
            label->render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
            return image;
        };
        const auto check = [label, &drawn] {
            // The first paint draws the label itself and has its picture drawn after it.
            const QImage direct = drawn();
            QCoreApplication::sendPostedEvents(label, QEvent::MetaCall);
            const QImage fromPicture = drawn();
            QVERIFY(drawnAlike(direct, fromPicture));
            // the left margin, beside the text, halfway down: the tag alone
            const QPoint inTag = (QPointF(1, label->height() / 2.0) * direct.devicePixelRatio()).toPoint();
            QVERIFY2(std::abs(qAlpha(direct.pixel(inTag)) - CallsignLabel::CallsignBackground.alpha()) <= 2,
                     qPrintable(QStringLiteral("alpha %1").arg(qAlpha(direct.pixel(inTag)))));
        };
        check();
        if (QTest::currentTestFailed())
            return;
        QFont larger = label->font();
        larger.setPointSizeF(larger.pointSizeF() * 1.5);
        label->setFont(larger);
        check();
        if (QTest::currentTestFailed())
            return;
    }
}

QTEST_MAIN(TestMainWindowLabels)
#include "tst_main_window_labels.moc"
