// The program's pictures: the compiled-in resources load at both sharpnesses, and
// the LED markers can be told apart by colour and by lit or dark.
#include "led_pictures.h"
#include "resource_pixmap.h"

#include <QGuiApplication>
#include <QImage>
#include <QTest>

#include <cmath>

using halvion::LedColour;
using halvion::ledPixmap;

namespace {

struct Tint {
    double red = 0, green = 0, blue = 0, value = 0;
    int opaque = 0;
};

// Average colour of the pixels the LED covers (alpha-weighted), of the whole
// square or only of the lens in its middle (within `radius` of the centre).
Tint averageTint(const QPixmap& pixmap, double radius = 1e9)
{
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    Tint t;
    double weight = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (std::hypot(x + 0.5 - image.width() / 2.0, y + 0.5 - image.height() / 2.0) > radius)
                continue;
            const QColor c = QColor::fromRgba(image.pixel(x, y));
            const double a = c.alphaF();
            if (c.alpha() > 200)
                ++t.opaque;
            t.red += c.redF() * a;
            t.green += c.greenF() * a;
            t.blue += c.blueF() * a;
            t.value += c.valueF() * a;
            weight += a;
        }
    }
    if (weight > 0) {
        t.red /= weight;
        t.green /= weight;
        t.blue /= weight;
        t.value /= weight;
    }
    return t;
}

} // namespace

class TestAssets : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void resourcesLoad_data();
    void resourcesLoad();
    void highDensityPictureIsChosenOnA2xScreen();
    void ledsDifferByColourAndBrightness_data();
    void ledsDifferByColourAndBrightness();
    void crossedLedIsNotAPlainRedLed();
    void ledIsDrawnForThePixelRatio();
    void ledPicturesAreMadeOnce();
    void senselessSizeGivesNoPicture();
};

void TestAssets::resourcesLoad_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::newRow("map") << ":/map/world_map.png" << QSize(580, 244);
    QTest::newRow("map 2x") << ":/map/world_map@2x.png" << QSize(1160, 488);
    QTest::newRow("icon") << ":/icons/halvion.png" << QSize(256, 256);
    QTest::newRow("small icon") << ":/icons/halvion_64.png" << QSize(64, 64);
    QTest::newRow("splash") << ":/splash/splash.png" << QSize(582, 240);
    QTest::newRow("splash 2x") << ":/splash/splash@2x.png" << QSize(1164, 480);
}

void TestAssets::resourcesLoad()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    const QImage image(path);
    QVERIFY2(!image.isNull(), qPrintable(path));
    QCOMPARE(image.size(), size);
}

void TestAssets::highDensityPictureIsChosenOnA2xScreen()
{
    const QPixmap sharp = halvion::resourcePixmap(":/map/world_map.png", 2.0);
    QCOMPARE(sharp.size(), QSize(1160, 488));
    QCOMPARE(sharp.devicePixelRatio(), 2.0);
    QCOMPARE(sharp.deviceIndependentSize().toSize(), QSize(580, 244));

    const QPixmap plain = halvion::resourcePixmap(":/map/world_map.png", 1.0);
    QCOMPARE(plain.size(), QSize(580, 244));
    QCOMPARE(plain.devicePixelRatio(), 1.0);

    QVERIFY(halvion::resourcePixmap(":/map/no_such_picture.png", 2.0).isNull());
}

void TestAssets::ledsDifferByColourAndBrightness_data()
{
    QTest::addColumn<LedColour>("colour");
    QTest::addColumn<bool>("blue");
    QTest::newRow("red") << LedColour::Red << false;
    QTest::newRow("blue") << LedColour::Blue << true;
    QTest::newRow("red X") << LedColour::RedX << false;
}

void TestAssets::ledsDifferByColourAndBrightness()
{
    QFETCH(LedColour, colour);
    QFETCH(bool, blue);
    for (bool lit : {true, false}) {
        const QPixmap led = ledPixmap(colour, lit, 16, 1.0);
        QCOMPARE(led.size(), QSize(16, 16));
        const QImage image = led.toImage();
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0); // transparent corners
        QCOMPARE(qAlpha(image.pixel(15, 15)), 0);
        const Tint t = averageTint(led);
        QVERIFY2(t.opaque > 60, "the LED covers its square");
        if (blue)
            QVERIFY2(t.blue > t.red + 0.1, lit ? "lit" : "dark");
        else
            QVERIFY2(t.red > t.blue + 0.1, lit ? "lit" : "dark");
    }
    const Tint lit = averageTint(ledPixmap(colour, true, 16, 1.0), 4.0);
    const Tint dark = averageTint(ledPixmap(colour, false, 16, 1.0), 4.0);
    // Told apart at a glance: the lit lens is far brighter.
    QVERIFY2(lit.value > dark.value * 1.5,
             qPrintable(QString("lit %1 dark %2").arg(lit.value).arg(dark.value)));
}

void TestAssets::crossedLedIsNotAPlainRedLed()
{
    for (bool lit : {true, false}) {
        const QImage plain = ledPixmap(LedColour::Red, lit, 16, 1.0).toImage();
        const QImage crossed = ledPixmap(LedColour::RedX, lit, 16, 1.0).toImage();
        int differing = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                if (plain.pixel(x, y) != crossed.pixel(x, y))
                    ++differing;
        QVERIFY2(differing > 20, lit ? "lit" : "dark");
    }
}

void TestAssets::ledIsDrawnForThePixelRatio()
{
    const QPixmap led = ledPixmap(LedColour::Blue, true, 16, 2.0);
    QCOMPARE(led.size(), QSize(32, 32));
    QCOMPARE(led.devicePixelRatio(), 2.0);
    QCOMPARE(led.deviceIndependentSize().toSize(), QSize(16, 16));

    // Ratio 0 follows the application's.
    const QPixmap app = ledPixmap(LedColour::Blue, true, 16);
    QCOMPARE(app.devicePixelRatio(), qGuiApp->devicePixelRatio());
}

void TestAssets::ledPicturesAreMadeOnce()
{
    const QPixmap first = ledPixmap(LedColour::Red, true, 16, 1.0);
    QCOMPARE(ledPixmap(LedColour::Red, true, 16, 1.0).cacheKey(), first.cacheKey());
    QVERIFY(ledPixmap(LedColour::Red, false, 16, 1.0).cacheKey() != first.cacheKey());
    QVERIFY(ledPixmap(LedColour::Red, true, 20, 1.0).cacheKey() != first.cacheKey());
    QVERIFY(ledPixmap(LedColour::Red, true, 16, 2.0).cacheKey() != first.cacheKey());
}

void TestAssets::senselessSizeGivesNoPicture()
{
    QVERIFY(ledPixmap(LedColour::Red, true, 0, 1.0).isNull());
    QVERIFY(ledPixmap(LedColour::Red, true, -4, 1.0).isNull());
}

QTEST_MAIN(TestAssets)
#include "tst_assets.moc"
