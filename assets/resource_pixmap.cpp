#include "resource_pixmap.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QImage>

namespace halvion {

namespace {

// Loaded without Qt's pixmap cache, which would keep the splash picture for the whole
// run after its window is gone.
QPixmap uncached(const QString &path)
{
    return QPixmap::fromImage(QImage(path));
}

} // namespace

QPixmap resourcePixmap(const QString& path, qreal devicePixelRatio)
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return {};
    qreal dpr = devicePixelRatio;
    if (dpr <= 0)
        dpr = qGuiApp->devicePixelRatio();

    if (dpr > 1.0) {
        const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
        if (dot > path.lastIndexOf(QLatin1Char('/'))) {
            const QString twice = path.left(dot) + QLatin1String("@2x") + path.mid(dot);
            if (QFile::exists(twice)) {
                QPixmap pixmap = uncached(twice);
                if (!pixmap.isNull()) {
                    pixmap.setDevicePixelRatio(2.0);
                    return pixmap;
                }
            }
        }
    }
    QPixmap pixmap = uncached(path);
    pixmap.setDevicePixelRatio(1.0);
    return pixmap;
}

} // namespace halvion
