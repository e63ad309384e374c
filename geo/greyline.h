#pragma once
// The picture laid over the world map: the night side of the Earth shaded, with a soft
// twilight band from sunset to the end of nautical twilight (sun 0 to 12 degrees
// below the horizon), the subsolar point marked by a small sun, and the user's own
// station marked by a home sign. It is drawn once a minute at most and kept.

#include "sun_position.h"
#include "utc_clock.h"

#include <QImage>
#include <QPointF>
#include <QSize>

#include <optional>

namespace halvion {

// Night is a very dark blue laid over the map, never quite opaque: the land still shows.
inline constexpr double NightOpacity = 0.72;

// How much of the night colour lies over a place with the sun at this altitude:
// 0 in daylight, 1 in full night (12 degrees or more below), smooth in between.
double nightShade(double sunAltitude);

// What the overlay shows and how it lies over the map.
struct MapOverlaySpec {
    QSize size;              // in the map box's own pixels
    double pixelRatio = 1.0; // device pixels per pixel (2 on a high-density screen)
    QPointF mapOffset;       // map pixel = overlay pixel + mapOffset
    bool greyline = false;
    GeoPoint subsolar;
    std::optional<GeoPoint> home;

    bool operator==(const MapOverlaySpec &) const = default;
};

// The overlay picture: transparent where there is neither night nor a mark.
QImage mapOverlayImage(const MapOverlaySpec &params);

// Where a place lies in the overlay's pixels.
QPointF overlayPoint(const MapOverlaySpec &params, const GeoPoint &place);

// Keeps the overlay and draws it again only when it would look different: another
// minute while the greyline is shown, or another switch, station, size or pixel ratio.
class MapOverlayCache {
public:
    // Returns true when the picture was drawn again.
    bool update(UtcSeconds now, MapOverlaySpec params);
    const QImage &image() const { return image_; }
    int renders() const { return renders_; }

private:
    std::optional<MapOverlaySpec> drawn_;
    UtcSeconds drawnMinute_ = 0;
    QImage image_;
    int renders_ = 0;
};

} // namespace halvion
