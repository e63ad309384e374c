// The link opener and the splash window: only web addresses ever reach the
// browser; the splash loads the main window, shows the home-page link, reacts to the
// mouse and hands over when its timer fires.
#include "frm_splash.h"
#include "open_link.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrl>

using halvion::frmSplash;
using halvion::HomePageAddress;
using halvion::OpenLink;

// Stands in for the browser and every other program a URL scheme could start.
class LinkRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl& url) { opened.append(url); }
};

namespace {

const QStringList AllSchemes{"http", "https", "file", "ftp", "mailto", "javascript", "data",
                             "about", "tel", "ssh", "smb", "c"};

// Counts pixels of the label that are clearly the given colour.
int pixelsOfColour(QWidget* widget, const QColor& colour)
{
    const QImage image = widget->grab().toImage();
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (qAbs(c.red() - colour.red()) < 40 && qAbs(c.green() - colour.green()) < 40
                && qAbs(c.blue() - colour.blue()) < 40)
                ++count;
        }
    }
    return count;
}

QColor linkColour(const QLabel* label)
{
    return label->palette().color(QPalette::WindowText);
}

} // namespace

class TestInfo : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void openLinkOpensOnlyWebAddresses_data();
    void openLinkOpensOnlyWebAddresses();

    void formLoadLoadsMainWindowFirstThenShowsLink();
    void splashShowsItsArtwork();
    void timerHandsOverToMainWindow();
    void closedEarlyHandsOverOnce_data();
    void closedEarlyHandsOverOnce();
    void timerTickReachesHandOver();
    void mouseOnLink_data();
    void mouseOnLink();

private:
    LinkRecorder recorder_;
};

void TestInfo::initTestCase()
{
    for (const QString& scheme : AllSchemes)
        QDesktopServices::setUrlHandler(scheme, &recorder_, "open");
}

void TestInfo::cleanupTestCase()
{
    for (const QString& scheme : AllSchemes)
        QDesktopServices::unsetUrlHandler(scheme);
}

void TestInfo::init()
{
    recorder_.opened.clear();
}

void TestInfo::openLinkOpensOnlyWebAddresses_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("opened"); // empty: nothing may be opened

    QTest::newRow("https") << "https://www.ncdxf.org/beacon/" << "https://www.ncdxf.org/beacon/";
    QTest::newRow("http") << "http://example.com" << "http://example.com";
    QTest::newRow("scheme in capitals")
        << "HTTPS://Example.COM/Path" << "https://example.com/Path";
    QTest::newRow("port, query, fragment")
        << "http://127.0.0.1:8080/a?b=1#c" << "http://127.0.0.1:8080/a?b=1#c";

    QTest::newRow("empty") << "" << "";
    QTest::newRow("local file") << "file:///etc/passwd" << "";
    QTest::newRow("program path") << "/usr/bin/xterm" << "";
    QTest::newRow("program name") << "xterm" << "";
    QTest::newRow("windows path") << "C:\\Windows\\system32\\calc.exe" << "";
    QTest::newRow("relative") << "beacon/index.html" << "";
    QTest::newRow("javascript") << "javascript:alert(1)" << "";
    QTest::newRow("data") << "data:text/html,<b>x</b>" << "";
    QTest::newRow("mailto") << "mailto:someone@example.com" << "";
    QTest::newRow("ftp") << "ftp://ftp.example.com/" << "";
    QTest::newRow("http without host") << "http:example.com" << "";
    QTest::newRow("http, nothing after") << "http://" << "";
    QTest::newRow("https with empty host") << "https:///etc/passwd" << "";
    QTest::newRow("blank in host") << "https://exa mple.com/" << "";
    QTest::newRow("leading blank") << " https://example.com/" << "";
    QTest::newRow("blank in path") << "https://example.com/a b" << "";
    QTest::newRow("broken percent escape") << "https://example.com/%zz" << "";
}

void TestInfo::openLinkOpensOnlyWebAddresses()
{
    QFETCH(QString, address);
    QFETCH(QString, opened);

    const bool handedOver = OpenLink(address);

    if (opened.isEmpty()) {
        QVERIFY(!handedOver);
        QVERIFY2(recorder_.opened.isEmpty(), qPrintable(recorder_.opened.value(0).toString()));
    } else {
        QVERIFY(handedOver);
        QCOMPARE(recorder_.opened.size(), 1);
        QCOMPARE(recorder_.opened.first().toString(), opened);
    }
}

void TestInfo::formLoadLoadsMainWindowFirstThenShowsLink()
{
    frmSplash splash;
    QSignalSpy load(&splash, &frmSplash::loadMainWindow);
    QSignalSpy handOver(&splash, &frmSplash::handOver);

    // The main window is loaded before anything else of the splash is set up.
    bool timerRunningAtLoad = true;
    QString linkAtLoad = QStringLiteral("not called");
    connect(&splash, &frmSplash::loadMainWindow, this, [&] {
        timerRunningAtLoad = splash.Timer1->isActive();
        linkAtLoad = splash.Label3->text();
    });

    splash.Form_Load();

    QCOMPARE(load.size(), 1);
    QCOMPARE(handOver.size(), 0);
    QVERIFY(!timerRunningAtLoad);
    QCOMPARE(linkAtLoad, QString());

    auto* link = splash.findChild<QLabel*>("Label3");
    auto* box = splash.findChild<QWidget*>("Picture3");
    auto* timer = splash.findChild<QTimer*>("Timer1");
    QVERIFY(link && box && timer);
    QCOMPARE(link->parentWidget(), box);
    QCOMPARE(link->text(), QString::fromUtf8(HomePageAddress));
    QCOMPARE(linkColour(link), QColor(0, 0, 255));
    QVERIFY(link->font().underline());
    QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(link->pos(), QPoint(0, 0));
    QCOMPARE(box->size(), link->size());
    QVERIFY2(link->width() >= link->fontMetrics().horizontalAdvance(link->text()),
             "the whole address is visible");

    QCOMPARE(timer->interval(), 4000);
    QVERIFY(timer->isSingleShot());
    QVERIFY(timer->isActive());

    auto* caption = splash.findChild<QLabel*>("Label4");
    QVERIFY(caption);
    QCOMPARE(caption->text(), QStringLiteral("Visit the Halvion web site :"));
}

void TestInfo::splashShowsItsArtwork()
{
    frmSplash splash;
    QVERIFY(splash.windowTitle().isEmpty());
    QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
    auto* image = splash.findChild<QLabel*>("Image1");
    QVERIFY(image);
    QCOMPARE(image->size(), QSize(582, 240));
    const QPixmap artwork = image->pixmap();
    QVERIFY(!artwork.isNull());
    QCOMPARE(artwork.deviceIndependentSize().toSize(), QSize(582, 240));

    // Picture above, link line below it, all inside the window.
    splash.Form_Load();
    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    const QRect picture(image->mapTo(&splash, QPoint(0, 0)), image->size());
    const QRect link(splash.Picture3->mapTo(&splash, QPoint(0, 0)), splash.Picture3->size());
    const QRect caption(splash.Label4->mapTo(&splash, QPoint(0, 0)), splash.Label4->size());
    QVERIFY(splash.rect().contains(picture));
    QVERIFY(splash.rect().contains(link));
    QVERIFY(splash.rect().contains(caption));
    QVERIFY(link.top() >= picture.bottom());
    QVERIFY(caption.right() <= link.left());
    splash.Timer1->stop();
}

void TestInfo::closedEarlyHandsOverOnce_data()
{
    QTest::addColumn<bool>("fromWindowManager");
    QTest::newRow("close()") << false;
    QTest::newRow("close event, as from the window manager") << true;
}

// Closed before its four seconds are up, the splash hands over at once, and its timer
// (already stopped) can never hand over a second time.
void TestInfo::closedEarlyHandsOverOnce()
{
    QFETCH(bool, fromWindowManager);
    frmSplash splash;
    QSignalSpy handOver(&splash, &frmSplash::handOver);
    splash.Form_Load();
    splash.show();
    if (fromWindowManager) {
        QCloseEvent close;
        QCoreApplication::sendEvent(&splash, &close);
        QVERIFY(close.isAccepted());
    } else {
        splash.close();
    }
    QCOMPARE(handOver.size(), 1);
    QVERIFY(!splash.Timer1->isActive());
    splash.Timer1_Timer();
    splash.close();
    QCOMPARE(handOver.size(), 1);
}

void TestInfo::timerHandsOverToMainWindow()
{
    frmSplash splash;
    QSignalSpy handOver(&splash, &frmSplash::handOver);
    splash.Form_Load();
    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));

    splash.Timer1_Timer();

    QVERIFY(!splash.isVisible());
    QCOMPARE(handOver.size(), 1);
    QVERIFY2(!splash.Timer1->isActive(), "the hand-over happens once");
    // The main window is still hidden when the splash closes: that must not end
    // the program.
    QVERIFY(!splash.testAttribute(Qt::WA_QuitOnClose));
}

void TestInfo::timerTickReachesHandOver()
{
    frmSplash splash;
    QSignalSpy handOver(&splash, &frmSplash::handOver);
    splash.Form_Load();
    splash.show();

    QVERIFY(QMetaObject::invokeMethod(splash.Timer1, "timeout", Qt::DirectConnection));

    QCOMPARE(handOver.size(), 1);
    QVERIFY(!splash.isVisible());
}

void TestInfo::mouseOnLink_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<bool>("releaseOnLink");
    QTest::addColumn<bool>("opens");

    QTest::newRow("left click") << Qt::LeftButton << true << true;
    QTest::newRow("right button") << Qt::RightButton << true << false;
    QTest::newRow("left, released beside the link") << Qt::LeftButton << false << false;
}

void TestInfo::mouseOnLink()
{
    QFETCH(Qt::MouseButton, button);
    QFETCH(bool, releaseOnLink);
    QFETCH(bool, opens);

    frmSplash splash;
    splash.Form_Load();
    splash.Timer1->stop();
    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    QLabel* link = splash.Label3;
    const QColor blue(0, 0, 255), red(255, 0, 0);
    QVERIFY(pixelsOfColour(link, blue) > 10);

    QTest::mousePress(link, button, {}, link->rect().center());
    QCOMPARE(linkColour(link), red);
    QVERIFY2(pixelsOfColour(link, red) > 10, "the link is drawn red while held");
    QCOMPARE(pixelsOfColour(link, blue), 0);
    QVERIFY(recorder_.opened.isEmpty());

    const QPoint releaseAt = releaseOnLink ? link->rect().center() : QPoint(-20, link->height() / 2);
    QTest::mouseRelease(link, button, {}, releaseAt);
    QCOMPARE(linkColour(link), blue);
    QVERIFY(pixelsOfColour(link, blue) > 10);

    if (opens) {
        QCOMPARE(recorder_.opened.size(), 1);
        QCOMPARE(recorder_.opened.first(), QUrl(QString::fromUtf8(HomePageAddress)));
    } else {
        QVERIFY(recorder_.opened.isEmpty());
    }
}

QTEST_MAIN(TestInfo)
#include "tst_info.moc"
