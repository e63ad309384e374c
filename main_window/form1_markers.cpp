// The map's markers, legend and callsign labels. Every routine sets both the
// visibility and the front/back order of the pictures it touches, so it gives the
// same picture however often it runs: the tracking tick calls one on every tick.

#include "form1.h"

#include <QFrame>
#include <QLabel>

#include <algorithm>
#include <vector>

namespace halvion {

namespace {

void hideAll(const Form1::MarkerArray &markers)
{
    for (QLabel *m : markers)
        m->hide();
}

} // namespace

void Form1::showMarker(QLabel *marker)
{
    marker->raise();
    marker->show();
}

void Form1::hideToBack(QLabel *marker)
{
    marker->lower();
    marker->hide();
}

// Hides station MarkerIndex's markers of the other two statuses, then puts the dim
// one of this status (when dims are shown) and the lit one on top. Each move in the
// stacking order repaints the marker's place, so on the ticks that find the station
// already drawn this way (all but the first of its slot) nothing is moved: the order
// the moves would give is the order there is.
void Form1::drawStation(std::array<MarkerArray *, 4> others, MarkerArray &dim, MarkerArray &lit)
{
    const auto i = static_cast<std::size_t>(MarkerIndex);
    const bool dims = dimsShown();
    // Lowering the others one after the other leaves the last one lowered at the back.
    std::vector<QObject *> back;
    if (!dims)
        back.push_back(dim[i]);
    for (auto it = others.rbegin(); it != others.rend(); ++it)
        back.push_back((**it)[i]);
    std::vector<QObject *> front;
    if (dims)
        front.push_back(dim[i]);
    front.push_back(lit[i]);

    const QObjectList &order = Picture1->children();
    const auto size = static_cast<std::size_t>(order.size());
    const bool inPlace = size >= back.size() + front.size() &&
                         std::equal(back.begin(), back.end(), order.begin()) &&
                         std::equal(front.begin(), front.end(), order.end() - qsizetype(front.size()));
    if (inPlace) {
        for (MarkerArray *array : others)
            (*array)[i]->hide();
        dim[i]->setVisible(dims);
        lit[i]->show();
        return;
    }
    for (MarkerArray *array : others)
        hideToBack((*array)[i]);
    if (dims)
        showMarker(dim[i]);
    else
        hideToBack(dim[i]);
    showMarker(lit[i]);
}

void Form1::DisplayLedOK() { drawStation({&BeaconOffAir, &OffAirDim, &OnLEDBlue, &OnBlueLedDim}, OffLed, OnLed); }
void Form1::DisplayLedOff() { drawStation({&OffLed, &OnLed, &OnLEDBlue, &OnBlueLedDim}, OffAirDim, BeaconOffAir); }
void Form1::DisplayLedOn() { drawStation({&BeaconOffAir, &OffAirDim, &OnLed, &OffLed}, OnBlueLedDim, OnLEDBlue); }

void Form1::showAllDim(MarkerArray &dims, halvion::BeaconStatus status, void (Form1::*draw)())
{
    for (BeaconIndex i = 0; i < BeaconCount; ++i) {
        if (status_.SelectedStatus(i) != status)
            continue;
        MarkerIndex = i;
        (this->*draw)();
        showMarker(dims[static_cast<std::size_t>(i)]);
    }
}

// Every station with a status shows its dim LED, in front of its lit one.
void Form1::DisplayAllBeaconMarkers()
{
    showAllDim(OffLed, halvion::BeaconStatus::OK, &Form1::DisplayLedOK);
    showAllDim(OffAirDim, halvion::BeaconStatus::OFF, &Form1::DisplayLedOff);
    showAllDim(OnBlueLedDim, halvion::BeaconStatus::ON, &Form1::DisplayLedOn);
}

void Form1::ClearAllMarkers()
{
    ClearBeaconOffAir();
    ClearOffAirDim();
    ClearOffLed();
    ClearOnLed();
    ClearOnLEDBlue();
    ClearOnBlueLedDim();
}

void Form1::ClearOnLed() { hideAll(OnLed); }
void Form1::ClearOffLed() { hideAll(OffLed); }
void Form1::ClearOnLEDBlue() { hideAll(OnLEDBlue); }
void Form1::ClearOnBlueLedDim() { hideAll(OnBlueLedDim); }
void Form1::ClearBeaconOffAir() { hideAll(BeaconOffAir); }
void Form1::ClearOffAirDim() { hideAll(OffAirDim); }
void Form1::TurnOffOffLED() { hideAll(OffLed); }

std::array<QWidget *, 8> Form1::legendParts() const
{
    return {Image2, Label7, LegendRed, Label9, LegendBlue, Label8, LegendX, Label10};
}

void Form1::OnLegend()
{
    for (QWidget *w : legendParts())
        w->show();
}

void Form1::ClearLegend()
{
    for (QWidget *w : legendParts())
        w->hide();
}

void Form1::ClearBeaconCallsigns()
{
    for (QLabel *label : CallsignLabels)
        label->hide();
}

} // namespace halvion
