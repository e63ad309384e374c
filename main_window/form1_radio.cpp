// The main window's part in radio control: the Radio menu, the follow-mode and radio
// state lines under the map, the map's right-click menu, and the band changes that
// follow mode asks for.

#include "form1.h"
#include "form1_util.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>

namespace halvion {

void Form1::buildRadioMenu()
{
    RadioMenu = new QMenu(QStringLiteral("&Radio"), this);
    RadioMenu->setObjectName(QStringLiteral("RadioMenu"));
    menuBar()->addMenu(RadioMenu);
    // With one menu more, the bar's items sit a little closer so that all of them still
    // fit the window's width, "About..." included.
    menuBar()->setStyleSheet(QStringLiteral("QMenuBar { spacing: 0px; } QMenuBar::item { padding: 3px 6px; }"));

    RadioControl = RadioMenu->addAction(QStringLiteral("Radio Control..."));
    RadioControl->setObjectName(QStringLiteral("RadioControl"));
    connect(RadioControl, &QAction::triggered, this, &Form1::radioDialogRequested);

    FollowStation = RadioMenu->addMenu(QStringLiteral("Follow A Station"));
    FollowStation->setObjectName(QStringLiteral("FollowStation"));
    auto *group = new QActionGroup(this);
    for (BeaconIndex i = 0; i < BeaconCount; ++i) {
        const Beacon &beacon = BeaconCatalogue::beacon(i);
        QAction *item = FollowStation->addAction(toQString(beacon.callsign) + QStringLiteral("  -  ") +
                                                 toQString(beacon.site));
        item->setObjectName(QStringLiteral("FollowStation_%1").arg(i));
        item->setCheckable(true);
        group->addAction(item);
        connect(item, &QAction::triggered, this, [this, i] { Q_EMIT followRequested(i); });
        FollowItems[at(i)] = item;
    }

    StopFollowing = RadioMenu->addAction(QStringLiteral("Stop Following"));
    StopFollowing->setObjectName(QStringLiteral("StopFollowing"));
    StopFollowing->setEnabled(false);
    connect(StopFollowing, &QAction::triggered, this, &Form1::stopFollowingRequested);

    // The same switch as the Beacon Monitor window's: the scan can be seen and stopped
    // here when that window is closed.
    ScanAllBands = RadioMenu->addAction(QStringLiteral("Scan All Five Bands"));
    ScanAllBands->setObjectName(QStringLiteral("ScanAllBands"));
    ScanAllBands->setCheckable(true);
    ScanAllBands->setEnabled(false);
    ScanAllBands->setToolTip(QStringLiteral("Moves the radio up one band every slot, so every station is heard on "
                                            "every band. Needs radio control."));
    connect(ScanAllBands, &QAction::triggered, this, &Form1::scanRequested);
}

void Form1::buildRadioControls(QWidget *client)
{
    // Two small lines in the gap between the map and the status line.
    FollowState = new QLabel(client);
    FollowState->setObjectName(QStringLiteral("FollowState"));
    FollowState->setGeometry(8, 299, 280, 18);
    RadioState = new QLabel(QStringLiteral("Radio not configured"), client);
    RadioState->setObjectName(QStringLiteral("RadioState"));
    RadioState->setGeometry(290, 299, 303, 18);
    RadioState->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    for (QLabel *line : {FollowState, RadioState})
        setSmallLineColour(line);

    Picture1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Picture1, &QWidget::customContextMenuRequested, this, [this](const QPoint &point) {
        if (QMenu *menu = mapMenu(point)) {
            menu->setAttribute(Qt::WA_DeleteOnClose);
            menu->popup(Picture1->mapToGlobal(point));
        }
    });
}

void Form1::FollowBand(BandIndex band)
{
    if (state_.BandSelected[at(band)])
        return;
    // The same reset as a click on the band's button, except that the pass counter
    // goes on counting: follow mode changes band every ten seconds.
    const bool counting = !state_.NoBandChosen;
    const PassCounter pass = state_.Pass;
    SelectBand(band);
    if (counting && state_.PassCounterOn) {
        state_.Pass = pass;
        setPassTexts();
    }
}

void Form1::setFollowedStation(BeaconIndex station)
{
    for (BeaconIndex i = 0; i < BeaconCount; ++i)
        FollowItems[at(i)]->setChecked(i == station);
    StopFollowing->setEnabled(station >= 0);
}

void Form1::setFollowText(const QString &text) { FollowState->setText(text); }

void Form1::setScanning(bool on) { ScanAllBands->setChecked(on); }

void Form1::setScanAvailable(bool available) { ScanAllBands->setEnabled(available); }

void Form1::setRadioStateText(const QString &text)
{
    RadioState->setText(text);
    RadioState->setToolTip(text);
}

std::optional<BeaconIndex> Form1::stationAtMapPoint(const QPoint &point) const
{
    // A few pixels of slack around each marker; where two overlap, the nearer centre wins.
    constexpr int Slack = 3;
    std::optional<BeaconIndex> best;
    int bestDistance = 0;
    for (BeaconIndex i = 0; i < BeaconCount; ++i) {
        const QRect marker = OnLed[at(i)]->geometry();
        const QLabel *label = CallsignLabels[at(i)];
        const bool onMarker = marker.adjusted(-Slack, -Slack, Slack, Slack).contains(point);
        const bool onLabel = label->isVisibleTo(Picture1) && label->geometry().contains(point);
        if (!onMarker && !onLabel)
            continue;
        const int distance = (marker.center() - point).manhattanLength();
        if (!best || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

QMenu *Form1::mapMenu(const QPoint &point)
{
    const auto station = stationAtMapPoint(point);
    if (!station)
        return nullptr;
    auto *menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("MapMenu"));
    const BeaconIndex i = *station;
    QAction *follow = menu->addAction(QStringLiteral("Follow ") + toQString(BeaconCatalogue::beacon(i).callsign));
    follow->setObjectName(QStringLiteral("MapFollow"));
    connect(follow, &QAction::triggered, this, [this, i] { Q_EMIT followRequested(i); });
    if (StopFollowing->isEnabled()) {
        QAction *stop = menu->addAction(QStringLiteral("Stop Following"));
        stop->setObjectName(QStringLiteral("MapStopFollowing"));
        connect(stop, &QAction::triggered, this, &Form1::stopFollowingRequested);
    }
    return menu;
}

} // namespace halvion
