#pragma once
// Loads one of the program's pictures from the resources at the sharpness of the
// screen: on a high-density screen the "@2x" version of the picture is taken
// when there is one, so ":/map/world_map.png" shows 1160 x 488 real pixels in its
// 580 x 244 px place.

#include <QPixmap>
#include <QString>

namespace halvion {

// path is the 1x name (":/splash/splash.png"). devicePixelRatio 0 means the
// application's. The result's devicePixelRatio tells which version was read.
QPixmap resourcePixmap(const QString& path, qreal devicePixelRatio = 0);

} // namespace halvion
