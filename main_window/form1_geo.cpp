// The map as a propagation aid: the greyline and the user's own station drawn over
// the map, the distance and bearing of the station on the air, and the tooltips of
// the map markers. The overlay picture is kept and drawn again at most once a minute.

#include "form1.h"

#include "callsign_label.h"
#include "form1_util.h"

#include "beacon_place.h"
#include "great_circle.h"
#include "map_projection.h"
#include "my_station_dialog.h"
#include "next_on_band.h"
#include "settings_file.h"

#include <QAction>
#include <QEvent>
#include <QFrame>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QPaintEvent>
#include <QPixmap>
#include <QStringList>
#include <QToolTip>

#include <cmath>
#include <optional>

namespace halvion {

namespace {

// "Latitude 23deg. 26min. North, Longitude ...", as the station positions are written.
QString placeText(const GeoPoint &place)
{
    return QString::fromStdString(positionText(place));
}

} // namespace

void Form1::buildGeo()
{
    // The overlay lies right over the map picture and under everything else on it.
    MapOverlay = new QLabel(Picture1);
    MapOverlay->setObjectName(QStringLiteral("MapOverlay"));
    MapOverlay->setGeometry(0, 0, Picture1->width(), Picture1->height());
    MapOverlay->setAttribute(Qt::WA_TransparentForMouseEvents);
    MapOverlay->lower();
    Image1->lower();
    // The map covers its whole label with an opaque picture (see paintMap), so what
    // lies under it need not be drawn when a marker on it changes.
    Image1->setAttribute(Qt::WA_OpaquePaintEvent);

    // The paths to the station on the air, under its latitude and longitude, on the
    // arctic strip of the map where no station lies.
    PathLine = new CallsignLabel(QString(), Picture1, CallsignLabel::PathBackground);
    PathLine->setObjectName(QStringLiteral("PathLine"));
    PathLine->setContentsMargins(4, 1, 4, 1);
    PathLine->setProperty("pathLine", true);
    PathLine->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    PathLine->setAttribute(Qt::WA_TransparentForMouseEvents);
    PathLine->hide();

    Image1->installEventFilter(this);
    for (QLabel *label : CallsignLabels)
        label->installEventFilter(this);

    GreylineMenu = new QAction(QStringLiteral("Greyline (Day/Night)"), MenuDisplay);
    GreylineMenu->setObjectName(QStringLiteral("GreylineMenu"));
    GreylineMenu->setCheckable(true);
    MenuDisplay->addSeparator();
    MenuDisplay->addAction(GreylineMenu);
    connect(GreylineMenu, &QAction::triggered, this, &Form1::GreylineMenu_Click);

    MyStationMenu = new QAction(QStringLiteral("My Station..."), FileMenu);
    MyStationMenu->setObjectName(QStringLiteral("MyStationMenu"));
    FileMenu->insertAction(ExitMenu, MyStationMenu);
    FileMenu->insertSeparator(ExitMenu);
    connect(MyStationMenu, &QAction::triggered, this, &Form1::MyStationMenu_Click);
}

// At start-up: the saved switch and station, if the user ever set them. Nothing is
// written here, so the settings file of a first start stays as it always was.
void Form1::loadGeoKeys()
{
    greylineOn_ = settings_.readText(SettingsKeys::GreylineMap) == SettingsKeys::True;
    GreylineMenu->setChecked(greylineOn_);
    myStation_ = Locator{};
    if (const auto saved = settings_.read(SettingsKeys::MyLocator))
        myStation_ = parseLocator(*saved);
    pathStation_ = -1;
    UpdateMapOverlay();
}

void Form1::GreylineMenu_Click()
{
    greylineOn_ = !greylineOn_;
    GreylineMenu->setChecked(greylineOn_);
    settings_.writeSwitch(SettingsKeys::GreylineMap.key, greylineOn_);
    UpdateMapOverlay();
}

void Form1::MyStationMenu_Click()
{
    if (!myStationDialog_) {
        myStationDialog_ = new MyStationDialog(QString::fromStdString(myStation_.text), this);
        myStationDialog_->setAttribute(Qt::WA_DeleteOnClose);
        connect(myStationDialog_, &MyStationDialog::locatorChosen, this, &Form1::SetMyStation);
        connect(myStationDialog_, &MyStationDialog::locatorRemoved, this, [this] { SetMyStation(QString()); });
    }
    myStationDialog_->open();
}

MyStationDialog *Form1::myStationDialog() const
{
    return myStationDialog_;
}

void Form1::SetMyStation(const QString &locatorText)
{
    const Locator chosen = parseLocator(locatorText.toStdString());
    if (!locatorText.isEmpty() && !chosen.valid())
        return;
    if (chosen.text != myStation_.text)
        settings_.write(SettingsKeys::MyLocator.key, chosen.text);
    myStation_ = chosen;
    pathStation_ = -1;
    if (const auto shown = BeaconCatalogue::findByCallsign(currentCallsign_); shown && !state_.NoBandChosen)
        showPath(*shown);
    UpdateMapOverlay();
}

// Called every second; draws the overlay again only when it would look different, and
// not at all while it shows nothing (no greyline, no station of the user's).
void Form1::UpdateMapOverlay()
{
    // Worked out on the design's map and drawn at the window's scale in device pixels.
    const qreal ratio = MapOverlay->devicePixelRatioF();
    MapOverlaySpec params;
    params.size = design_.value(MapOverlay, MapOverlay->geometry()).size();
    params.pixelRatio = ratio * scale_;
    params.mapOffset = -QPointF(design_.value(Image1, Image1->geometry()).topLeft());
    params.greyline = greylineOn_;
    if (myStation_.valid())
        params.home = myStation_.centre;
    const bool shown = params.greyline || params.home;
    if (shown && overlayCache_.update(utcClock_->nowUtc(), params)) {
        QPixmap overlay = QPixmap::fromImage(overlayCache_.image());
        overlay.setDevicePixelRatio(ratio);
        MapOverlay->setPixmap(overlay);
    }
    MapOverlay->setVisible(shown);
}

// The distance line follows the station on the air; it is worked out once per station.
void Form1::showPath(BeaconIndex station)
{
    if (station == pathStation_)
        return;
    pathStation_ = station;
    const auto path = myStation_.valid() ? greatCirclePaths(myStation_.centre, beaconPlace(station))
                                         : std::optional<PathInfo>{};
    if (!path) {
        PathLine->hide();
        PathLine->clear();
        return;
    }
    PathLine->setText(QString::fromStdString(pathLineText(*path)));
    PathLine->adjustSize();
    PathLine->move(Picture1->width() - PathLine->width() - 2, 2);
    PathLine->show();
}

QString Form1::StationToolTip(BeaconIndex station) const
{
    const Beacon &beacon = BeaconCatalogue::beacon(station);
    QStringList lines;
    lines << QStringLiteral("%1: %2").arg(toQString(beacon.callsign), toQString(beacon.site));
    if (myStation_.valid()) {
        if (const auto path = greatCirclePaths(myStation_.centre, beaconPlace(station)))
            lines << QString::fromStdString(pathLineText(*path));
    } else {
        lines << QStringLiteral("Distance and bearing: enter your locator under File, My Station...");
    }
    const BandIndex band = state_.trackedBand();
    if (band >= 0) {
        const ClockReading now = clock_.now();
        NextOnBand next = nextOnBand(now, band, station);
        next.start.utcOffsetSeconds = now.utcOffsetSeconds;
        const QString bandText = toQString(BeaconCatalogue::band(band).bandLabel) + QStringLiteral(" m");
        if (next.onAirNow)
            lines << QStringLiteral("On the air on %1 now; next at %2").arg(bandText, clockTimeText(next.start));
        else
            lines << QStringLiteral("Next on %1 at %2").arg(bandText, clockTimeText(next.start));
        if (spotToolTip_)
            if (const QString spotted = spotToolTip_(station, band); !spotted.isEmpty())
                lines << spotted;
    }
    return lines.join(QLatin1Char('\n'));
}

// The tooltip of whatever lies under the mouse on the map: a station's marker or
// callsign, the home mark, the sun.
QString Form1::MapToolTipAt(const QPoint &pos) const
{
    for (BeaconIndex i = 0; i < BeaconCount; ++i) {
        const QLabel *label = CallsignLabels[at(i)];
        if (label->isVisibleTo(Picture1) && label->geometry().contains(pos))
            return StationToolTip(i);
        for (const MarkerArray *kind : {&OnLed, &OffLed, &OnLEDBlue, &OnBlueLedDim, &BeaconOffAir, &OffAirDim}) {
            const QLabel *marker = (*kind)[at(i)];
            if (marker->isVisibleTo(Picture1) && marker->geometry().adjusted(-1, -1, 1, 1).contains(pos))
                return StationToolTip(i);
        }
    }
    const auto near = [&](const GeoPoint &place) {
        const QPointF d = scaledOverlayPoint(place) - QPointF(pos);
        return std::hypot(d.x(), d.y()) <= 6.0 * scale_;
    };
    if (myStation_.valid() && near(myStation_.centre))
        return QStringLiteral("My station, %1\nCentre: %2")
            .arg(QString::fromStdString(myStation_.text), placeText(myStation_.centre));
    if (greylineOn_) {
        const GeoPoint sun = subsolarPoint(utcClock_->nowUtc());
        if (near(sun))
            return QStringLiteral("The sun is overhead here\n%1").arg(placeText(sun));
    }
    return {};
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == centralWidget() && event->type() == QEvent::Resize)
        applyLayout();
    if (watched == Picture1 && event->type() == QEvent::Paint)
        paintMapBox(Picture1);
    if (watched == Image1 && event->type() == QEvent::Paint) {
        paintMap(static_cast<QPaintEvent *>(event)->rect());
        return true;
    }
    // A double click anywhere on the map opens the compact view.
    if (watched == Picture1 && event->type() == QEvent::MouseButtonDblClick) {
        Image1_DblClick();
        return true;
    }
    if (event->type() == QEvent::ToolTip) {
        auto *widget = qobject_cast<QWidget *>(watched);
        const auto *help = static_cast<QHelpEvent *>(event);
        if (widget && (widget == Image1 || widget->parentWidget() == Picture1)) {
            const QString text = MapToolTipAt(widget->mapTo(Picture1, help->pos()));
            if (text.isEmpty())
                QToolTip::hideText();
            else
                QToolTip::showText(help->globalPos(), text, widget);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace halvion
