#include "greyline.h"

#include "map_projection.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace halvion {

namespace {

constexpr double Rad = std::numbers::pi / 180.0;
constexpr double TwilightDepth = 12.0; // degrees below the horizon where full night begins

constexpr int NightRed = 0, NightGreen = 3, NightBlue = 16;

UtcSeconds minuteOf(UtcSeconds t)
{
    return t >= 0 ? t / 60 : -((-t + 59) / 60);
}

void paintNight(QImage &image, const MapOverlaySpec &params)
{
    const double ratio = params.pixelRatio;
    const double sinDec = std::sin(params.subsolar.latitude * Rad);
    const double cosDec = std::cos(params.subsolar.latitude * Rad);

    // cos(longitude - subsolar longitude) per column, latitude terms per row: the sun's
    // altitude is then one multiply-add per pixel.
    std::vector<double> cosHourAngle(static_cast<std::size_t>(image.width()));
    for (int u = 0; u < image.width(); ++u) {
        const double lon = WorldMap::longitudeAt((u + 0.5) / ratio + params.mapOffset.x());
        cosHourAngle[static_cast<std::size_t>(u)] = std::cos((lon - params.subsolar.longitude) * Rad);
    }
    const double sinDeepest = std::sin(-TwilightDepth * Rad);

    for (int v = 0; v < image.height(); ++v) {
        const double lat = std::clamp(WorldMap::latitudeAt((v + 0.5) / ratio + params.mapOffset.y()), -90.0, 90.0);
        const double a = std::sin(lat * Rad) * sinDec;
        const double b = std::cos(lat * Rad) * cosDec;
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(v));
        for (int u = 0; u < image.width(); ++u) {
            const double sinAltitude = a + b * cosHourAngle[static_cast<std::size_t>(u)];
            double shade = 1.0;
            if (sinAltitude >= 0)
                shade = 0.0;
            else if (sinAltitude > sinDeepest)
                shade = nightShade(std::asin(sinAltitude) / Rad);
            const int alpha = static_cast<int>(std::lround(shade * NightOpacity * 255.0));
            line[u] = alpha == 0 ? 0u : qPremultiply(qRgba(NightRed, NightGreen, NightBlue, alpha));
        }
    }
}

void paintSun(QPainter &p, const QPointF &at)
{
    p.setPen(QPen(QColor(255, 170, 20), 1.2, Qt::SolidLine, Qt::RoundCap));
    for (int k = 0; k < 8; ++k) {
        const double angle = k * std::numbers::pi / 4.0;
        const QPointF dir(std::cos(angle), std::sin(angle));
        p.drawLine(at + dir * 4.6, at + dir * 7.0);
    }
    p.setPen(QPen(QColor(200, 110, 0), 1.0));
    p.setBrush(QColor(255, 222, 70));
    p.drawEllipse(at, 3.6, 3.6);
}

void paintHome(QPainter &p, const QPointF &at)
{
    // A small house standing on the place: roof point above, floor below.
    QPainterPath house;
    house.moveTo(at + QPointF(0, -5.5));
    house.lineTo(at + QPointF(5, -1));
    house.lineTo(at + QPointF(3.5, -1));
    house.lineTo(at + QPointF(3.5, 4));
    house.lineTo(at + QPointF(-3.5, 4));
    house.lineTo(at + QPointF(-3.5, -1));
    house.lineTo(at + QPointF(-5, -1));
    house.closeSubpath();
    p.setPen(QPen(QColor(20, 30, 60), 1.3, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(QColor(120, 255, 170));
    p.drawPath(house);
}

} // namespace

double nightShade(double sunAltitude)
{
    if (sunAltitude >= 0)
        return 0.0;
    if (sunAltitude <= -TwilightDepth)
        return 1.0;
    const double t = -sunAltitude / TwilightDepth;
    return t * t * (3.0 - 2.0 * t);
}

QPointF overlayPoint(const MapOverlaySpec &params, const GeoPoint &place)
{
    return QPointF(WorldMap::x(WorldMap::shownLongitude(place.longitude)), WorldMap::y(place.latitude))
        - params.mapOffset;
}

QImage mapOverlayImage(const MapOverlaySpec &params)
{
    const QSize pixels(static_cast<int>(std::lround(params.size.width() * params.pixelRatio)),
                       static_cast<int>(std::lround(params.size.height() * params.pixelRatio)));
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (image.isNull())
        return image;
    if (params.greyline)
        paintNight(image, params);
    image.setDevicePixelRatio(params.pixelRatio);

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    if (params.greyline)
        paintSun(p, overlayPoint(params, params.subsolar));
    if (params.home)
        paintHome(p, overlayPoint(params, *params.home));
    return image;
}

bool MapOverlayCache::update(UtcSeconds now, MapOverlaySpec params)
{
    const UtcSeconds minute = minuteOf(now);
    if (drawn_) {
        params.subsolar = drawn_->subsolar;
        if (params == *drawn_ && (!params.greyline || minute == drawnMinute_))
            return false;
    }
    // The picture stands for the whole minute: the sun as it is half-way through it.
    params.subsolar = params.greyline ? subsolarPoint(minute * 60 + 30) : GeoPoint{};
    image_ = mapOverlayImage(params);
    drawn_ = params;
    drawnMinute_ = minute;
    ++renders_;
    return true;
}

} // namespace halvion
