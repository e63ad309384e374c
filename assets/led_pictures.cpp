#include "led_pictures.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

namespace halvion {

namespace {

struct LedKey {
    LedColour colour;
    bool lit;
    int size;
    int dprPercent;
    friend bool operator==(const LedKey&, const LedKey&) = default;
};

size_t qHash(const LedKey& key, size_t seed = 0)
{
    return qHashMulti(seed, static_cast<int>(key.colour), key.lit, key.size, key.dprPercent);
}

QHash<LedKey, QPixmap>& storage()
{
    static QHash<LedKey, QPixmap> pixmaps;
    return pixmaps;
}

// The pictures made so far. It is emptied when the application object goes away,
// so no pixmap outlives the GUI it belongs to.
QHash<LedKey, QPixmap>& cache()
{
    static const QCoreApplication* owner = nullptr;
    if (owner != QCoreApplication::instance()) {
        storage().clear();
        owner = QCoreApplication::instance();
        qAddPostRoutine([] { storage().clear(); });
    }
    return storage();
}

struct Palette {
    QColor body;      // the LED's own colour
    QColor centre;    // the hot spot of a lit LED
    QColor rim;       // the edge of the lens
};

Palette paletteFor(LedColour colour, bool lit)
{
    const bool blue = colour == LedColour::Blue;
    if (lit) {
        return blue ? Palette{QColor(30, 110, 255), QColor(200, 235, 255), QColor(10, 40, 150)}
                    : Palette{QColor(240, 30, 20), QColor(255, 215, 190), QColor(130, 0, 0)};
    }
    return blue ? Palette{QColor(50, 64, 112), QColor(78, 92, 140), QColor(22, 28, 56)}
                : Palette{QColor(108, 38, 34), QColor(140, 68, 62), QColor(48, 16, 16)};
}

void drawLed(QPainter& p, LedColour colour, bool lit, qreal size)
{
    const Palette pal = paletteFor(colour, lit);
    const QPointF c(size / 2.0, size / 2.0);
    const qreal r = size * (lit ? 0.34 : 0.36);

    if (lit) {
        // The light spilling round a lit LED.
        QRadialGradient glow(c, size / 2.0);
        QColor inner = pal.body;
        inner.setAlpha(210);
        QColor outer = pal.body;
        outer.setAlpha(0);
        glow.setColorAt(0.0, inner);
        glow.setColorAt(0.7, inner);
        glow.setColorAt(1.0, outer);
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawEllipse(c, size / 2.0, size / 2.0);
    }

    // The bezel the lens sits in, with a faint light edge so that a dark LED
    // still shows on the dark sea of the map.
    p.setPen(QPen(QColor(255, 255, 255, lit ? 60 : 90), qMax(0.6, size * 0.04)));
    p.setBrush(lit ? pal.rim : pal.rim.darker(130));
    p.drawEllipse(c, r + size * 0.06, r + size * 0.06);
    p.setPen(Qt::NoPen);

    // The lens: brightest a little above-left of centre, darker at the edge.
    QRadialGradient lens(c, r, c - QPointF(r * 0.3, r * 0.35));
    lens.setColorAt(0.0, pal.centre);
    lens.setColorAt(lit ? 0.45 : 0.5, pal.body);
    lens.setColorAt(1.0, pal.rim);
    p.setBrush(lens);
    p.drawEllipse(c, r, r);

    // A gloss highlight; only a faint sheen on a dark LED.
    QRadialGradient gloss(c - QPointF(r * 0.35, r * 0.4), r * 0.55);
    gloss.setColorAt(0.0, QColor(255, 255, 255, lit ? 230 : 70));
    gloss.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setBrush(gloss);
    p.drawEllipse(c - QPointF(r * 0.35, r * 0.4), r * 0.55, r * 0.45);

    if (colour == LedColour::RedX) {
        const qreal d = r * 0.62;
        QPainterPath cross;
        cross.moveTo(c + QPointF(-d, -d));
        cross.lineTo(c + QPointF(d, d));
        cross.moveTo(c + QPointF(d, -d));
        cross.lineTo(c + QPointF(-d, d));
        const qreal w = qMax(1.2, size * 0.12);
        // A dark outline keeps the cross readable on the bright lens.
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(60, 0, 0, lit ? 200 : 120), w + qMax(1.0, size * 0.06), Qt::SolidLine,
                      Qt::RoundCap));
        p.drawPath(cross);
        p.setPen(QPen(lit ? QColor(255, 255, 255) : QColor(150, 136, 136), w, Qt::SolidLine,
                      Qt::RoundCap));
        p.drawPath(cross);
    }
}

qreal applicationPixelRatio()
{
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return app->devicePixelRatio();
    return 1.0;
}

} // namespace

QPixmap ledPixmap(LedColour colour, bool lit, int size, qreal devicePixelRatio)
{
    // A pixmap can only exist inside a GUI application; without one, or for a
    // senseless size, there is no picture rather than an abort.
    if (size <= 0 || !qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return {};
    const qreal dpr = devicePixelRatio > 0 ? devicePixelRatio : applicationPixelRatio();

    const LedKey key{colour, lit, size, qRound(dpr * 100)};
    auto& pixmaps = cache();
    if (auto it = pixmaps.constFind(key); it != pixmaps.constEnd())
        return *it;

    const int device = qCeil(size * dpr);
    QPixmap pixmap(device, device);
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    {
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        drawLed(p, colour, lit, size);
    }
    pixmaps.insert(key, pixmap);
    return pixmap;
}

} // namespace halvion
