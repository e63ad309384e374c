// The main window grows with its frame: every control keeps its design place times one
// factor, fonts and pictures grow with it, and the user's size is remembered.

#include "form1.h"
#include "form1_util.h"

#include "led_pictures.h"
#include "settings_file.h"
#include "twips.h"

#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QResizeEvent>
#include <QScreen>
#include <QStyle>
#include <QTimer>

#include <cmath>

#include <cstdio>

namespace halvion {

namespace {

// A control's font at scale 1: the desktop's font, or the size and weight the control
// is drawn with (the station heading large and bold, the map's small labels...).
QFont designFont(const QWidget *w, const QFont &base)
{
    QFont font = base;
    const auto set = [&font](double points, bool bold) {
        font.setPointSizeF(points);
        font.setBold(bold);
    };
    if (w->property("heading").toBool())
        set(11, true);
    else if (w->property("callsign").toBool() || w->property("legendTitle").toBool())
        set(7, true);
    else if (w->property("legendCaption").toBool() || w->objectName() == QLatin1String("FollowState") ||
             w->objectName() == QLatin1String("RadioState") || w->objectName() == QLatin1String("RbnState"))
        set(7, false);
    else if (w->property("pathLine").toBool())
        set(8, false);
    else if (w->objectName() == QLatin1String("Label1"))
        font.setBold(true);
    return font;
}

QFont scaledFont(const QFont &font, double s)
{
    QFont out = font;
    if (font.pointSizeF() > 0)
        out.setPointSizeF(font.pointSizeF() * s);
    else
        out.setPixelSize(scaled(font.pixelSize(), s));
    return out;
}

const char *const MapSources[] = {":/map/world_map.png", ":/map/world_map@2x.png", ":/map/world_map@3x.png"};

} // namespace

// Called once the controls exist: their places now are the design's.
void Form1::buildLayoutAids()
{
    QWidget *client = centralWidget();
    const QFont base = QApplication::font();
    for (QWidget *w : client->findChildren<QWidget *>()) {
        if (w != PathLine)
            design_.insert(w, w->geometry());
        designFonts_.insert(w, designFont(w, base));
    }
    applyFonts();

    client->setMinimumSize(DesignClientSize);
    client->installEventFilter(this);

    sizeSaveTimer_ = new QTimer(this);
    sizeSaveTimer_->setObjectName(QStringLiteral("SizeSaveTimer"));
    sizeSaveTimer_->setSingleShot(true);
    sizeSaveTimer_->setInterval(500);
    connect(sizeSaveTimer_, &QTimer::timeout, this, &Form1::saveWindowSize);

    Image1->setScaledContents(false);
    Image1->setPixmap(mapPixmap(Image1->size()));
    releaseMapSources(); // nothing else is drawn at start
}

// A stored size is used as the window's first size, fitted to the screen.
void Form1::readLayoutKeys()
{
    storedSize_ = QSize();
    int w = 0, h = 0;
    const std::string text = settings_.readText(SettingsKeys::MainWinSize);
    if (std::sscanf(text.c_str(), "%dx%d", &w, &h) != 2 || w <= 0 || h <= 0)
        return;
    QSize size(w, h);
    if (const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
        // Room for the frame the window manager adds: the title bar and a border.
        const int title = style()->pixelMetric(QStyle::PM_TitleBarHeight) + 8;
        size = size.boundedTo(screen->availableGeometry().size() - QSize(8, title));
    }
    storedSize_ = size.expandedTo(minimumSizeHint());
    resize(storedSize_);
}

// The window system's "adjust to contents" keeps a new window within two thirds of the
// screen; a size the user chose is given back in full when the window first shows.
void Form1::showEvent(QShowEvent *event)
{
    if (storedSize_.isValid() && !storedSizeShown_) {
        storedSizeShown_ = true;
        if (size() != storedSize_) {
            const QSize grow = storedSize_ - size();
            move(pos() - QPoint(grow.width() / 2, grow.height() / 2));
            resize(storedSize_);
        }
    }
    QMainWindow::showEvent(event);
}

QSize Form1::sizeHint() const
{
    return storedSize_.isValid() ? storedSize_ : QMainWindow::sizeHint();
}

void Form1::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    // Only a size the user gave the window is stored, not the one it opened with.
    if (event->spontaneous() && isVisible() && !isMaximized() && !isFullScreen() && sizeSaveTimer_)
        sizeSaveTimer_->start();
}

void Form1::saveWindowSize()
{
    const QString text = QStringLiteral("%1x%2").arg(width()).arg(height());
    if (QString::fromStdString(settings_.readText(SettingsKeys::MainWinSize)) == text)
        return;
    settings_.write(SettingsKeys::MainWinSize.key, text.toStdString());
}

void Form1::applyLayout()
{
    QWidget *client = centralWidget();
    const double s = layoutScale(client->size(), DesignClientSize);
    const QPoint origin((client->width() - scaled(DesignClientSize.width(), s)) / 2,
                        (client->height() - scaled(DesignClientSize.height(), s)) / 2);
    if (s == scale_ && origin == origin_)
        return;
    const bool rescaled = s != scale_;
    scale_ = s;
    origin_ = origin;

    // Fonts go up in steps of a twentieth: a drag through every pixel need not set
    // them anew at each one, and a font a step smaller always fits its larger box.
    if (const double step = std::floor(s * 20.0) / 20.0; step != fontScale_) {
        fontScale_ = step;
        applyFonts();
    }
    for (auto it = design_.cbegin(); it != design_.cend(); ++it) {
        QRect place = scaledRect(it.value(), s);
        if (it.key()->parentWidget() == client)
            place.translate(origin);
        it.key()->setGeometry(place);
    }
    if (rescaled) {
        // Markers and LEDs drawn anew at their size, for the screen's pixel ratio.
        for (auto it = design_.cbegin(); it != design_.cend(); ++it) {
            const QVariant colour = it.key()->property("ledColour");
            if (!colour.isValid())
                continue;
            auto *led = static_cast<QLabel *>(it.key());
            const int size = scaledRect(it.value(), s).width();
            if (led->pixmap().deviceIndependentSize().toSize() == QSize(size, size))
                continue;
            const QString key = QStringLiteral("%1/%2/%3").arg(colour.toInt()).arg(led->property("ledLit").toBool()).arg(size);
            auto found = ledCache_.find(key);
            if (found == ledCache_.end())
                found = ledCache_.insert(
                    key, ledPixmap(static_cast<LedColour>(colour.toInt()), led->property("ledLit").toBool(), size));
            led->setPixmap(*found);
        }
        if (ledCache_.size() > 60)
            ledCache_.clear();
        Image1->setPixmap(mapPixmap(Image1->size()));
        pathStation_ = -1; // the distance line is laid out again at the next tick
        if (const auto shown = BeaconCatalogue::findByCallsign(currentCallsign_); shown && !state_.NoBandChosen)
            showPath(*shown);
        UpdateMapOverlay();
    }
    if (badge_)
        placeClockBadge(badge_);
}

void Form1::applyFonts()
{
    for (auto it = designFonts_.cbegin(); it != designFonts_.cend(); ++it)
        it.key()->setFont(scaledFont(it.value(), fontScale_));
}

QPixmap Form1::mapPixmap(QSize size)
{
    // A size one of the source pictures has is drawn from it as it is; any other is drawn
    // to the next 16 device pixels up and stretched the last few when shown, so a drag
    // needs a new picture only every so often.
    const qreal ratio = devicePixelRatioF();
    const auto step = [](int n) { return (n + 15) / 16 * 16; };
    const QSize exact = (QSizeF(size) * ratio).toSize();
    const bool natural = exact.width() % 580 == 0 && exact.width() / 580 <= int(mapSources_.size()) &&
                         exact == QSize(580, 244) * (exact.width() / 580);
    const QSize device = natural ? exact : QSize(step(exact.width()), step(exact.height()));
    const QString key = QStringLiteral("%1x%2").arg(device.width()).arg(device.height());
    if (const auto found = mapCache_.constFind(key); found != mapCache_.cend())
        return *found;

    std::size_t pick = 0;
    while (pick + 1 < mapSources_.size() && device.width() > 580 * int(pick + 1))
        ++pick;
    if (mapSources_[pick].isNull())
        mapSources_[pick] = QImage(QLatin1String(MapSources[pick]));
    QImage picture = mapSources_[pick].size() == device
        ? std::exchange(mapSources_[pick], QImage())
        : mapSources_[pick].scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QPixmap map = QPixmap::fromImage(std::move(picture));
    map.setDevicePixelRatio(ratio);
    ++mapScalings_;
    // A drag passes through many sizes; a few are kept, for a drag back and forth, and
    // let go with the decoded sources once the size has stayed put a moment.
    if (mapCache_.size() >= 4)
        mapCache_.clear();
    mapCache_.insert(key, map);
    if (!mapRelease_) {
        mapRelease_ = new QTimer(this);
        mapRelease_->setObjectName(QStringLiteral("MapReleaseTimer"));
        mapRelease_->setSingleShot(true);
        mapRelease_->setInterval(5000);
        connect(mapRelease_, &QTimer::timeout, this, &Form1::releaseMapSources);
    }
    mapRelease_->start();
    return map;
}

// Keeps only the picture shown; the sources are decoded again when another size is asked for.
void Form1::releaseMapSources()
{
    if (mapRelease_)
        mapRelease_->stop();
    mapSources_.fill(QImage());
    const QPixmap shown = Image1->pixmap();
    for (auto it = mapCache_.begin(); it != mapCache_.end();) {
        if (it->cacheKey() == shown.cacheKey())
            ++it;
        else
            it = mapCache_.erase(it);
    }
}

// The map picture stretched over its label: it is drawn a few pixels larger than the
// label at most (see mapPixmap). Only the part asked for is drawn: a blinking marker
// asks for its own few pixels. The label is opaque, so nothing under it is drawn.
void Form1::paintMap(const QRect &exposed)
{
    QPainter painter(Image1);
    const QPixmap map = Image1->pixmap();
    if (map.isNull() || Image1->width() <= 0 || Image1->height() <= 0) {
        painter.fillRect(exposed, Image1->palette().window());
        return;
    }
    const QSizeF picture = map.deviceIndependentSize();
    const qreal sx = picture.width() / Image1->width(), sy = picture.height() / Image1->height();
    const QRectF source(exposed.x() * sx, exposed.y() * sy, exposed.width() * sx, exposed.height() * sy);
    painter.drawPixmap(QRectF(exposed), map, QRectF(source.topLeft() * map.devicePixelRatio(),
                                                    source.size() * map.devicePixelRatio()));
}

// The map box shows the map stretched behind the picture, so no seam shows where the
// picture ends a few pixels short of the box's right edge.
void Form1::paintMapBox(QWidget *box)
{
    const QPixmap map = Image1->pixmap();
    if (map.isNull())
        return;
    QPainter painter(box);
    painter.drawPixmap(box->rect(), map);
}

QPointF Form1::scaledOverlayPoint(const GeoPoint &place) const
{
    const MapOverlaySpec params{design_.value(MapOverlay).size(), 1.0, -QPointF(design_.value(Image1).topLeft()),
                                false, {}, {}};
    return overlayPoint(params, place) * scale_;
}

} // namespace halvion
