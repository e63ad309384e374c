// The main window's ticks: the tracking tick that follows the chosen band and blinks
// the active station's marker, and the once-a-second tick with the PC time, the
// activity gauge and the pass counter.

#include "form1.h"
#include "form1_util.h"

#include <QLabel>
#include <QProgressBar>
#include <QTimer>

namespace halvion {

void Form1::Timer3_Timer()
{
    const ScheduleTime t = ScheduleClock::sample(clock_);
    // Follow mode may move the window to another band here, from this same sample.
    Q_EMIT trackingTick(t);
    for (BandIndex b = 0; b < BandCount; ++b) {
        if (!state_.BandSelected[at(b)])
            continue;
        ShowActiveBeacon(b, ScheduleClock::beaconOn(b, t.SlotIndex));
    }
    BlinkActiveMarker();
}

void Form1::ShowActiveBeacon(BandIndex band, BeaconIndex station)
{
    const BeaconIndex previous = (station + BeaconCount - 1) % BeaconCount;
    const Beacon &beacon = BeaconCatalogue::beacon(station);

    CallsignLabels[at(previous)]->hide();
    currentCallsign_ = std::string(beacon.callsign);
    Label3->setText(toQString(beacon.site));
    if (state_.CallsignsOn)
        CallsignLabels[at(station)]->show();
    Label4->setText(QString::fromStdString(BeaconCatalogue::stationHeading(station)));
    Lat->setText(toQString(beacon.latitudeText));
    Lon->setText(toQString(beacon.longitudeText));
    showPath(station);
    if (isMinimized())
        setWindowTitle(QString::fromStdString(BeaconCatalogue::minimisedTitle(station, band)));
    else
        DisplayTitle();

    MarkerIndex = station;
    switch (status_.SelectedStatus(station)) {
    case halvion::BeaconStatus::OK: DisplayLedOK(); break;
    case halvion::BeaconStatus::OFF: DisplayLedOff(); break;
    case halvion::BeaconStatus::ON: DisplayLedOn(); break;
    case halvion::BeaconStatus::None: break;
    }

    OnLed[at(previous)]->hide();
    BeaconOffAir[at(previous)]->hide();
    OnLEDBlue[at(previous)]->hide();
}

void Form1::BlinkActiveMarker()
{
    const auto found = BeaconCatalogue::findByCallsign(currentCallsign_);
    if (!found)
        return;
    const std::size_t i = at(*found);
    const bool show = blinkPhase_;
    if (!blinkPhase_ && LEDBlinkRateNone->isChecked())
        return;
    // The lit picture of every status whose saved flag is set blinks.
    if (status_.StatusOK(*found))
        OnLed[i]->setVisible(show);
    if (status_.StatusOFF(*found))
        BeaconOffAir[i]->setVisible(show);
    if (status_.StatusON(*found))
        OnLEDBlue[i]->setVisible(show);
    blinkPhase_ = !blinkPhase_;
}

void Form1::DisplayTitle()
{
    setWindowTitle(QStringLiteral("Halvion"));
}

void Form1::Timer1_Timer()
{
    const ClockReading reading = clock_.now();
    const ScheduleTime t = ScheduleClock::fromMinuteSecond(reading.minute, reading.second);
    scheduleNextSecond(reading);
    UpdateMapOverlay();

    Label2->setText(pcTimeText(reading));
    Gauge1->setValue(state_.GaugeRunning ? t.SecondInSlot : 0);
    if (state_.NoBandChosen || !state_.PassCounterOn)
        return;
    const int completedPasses = state_.Pass.advance(reading);
    setPassTexts();
    // A new pass starts the single-track trail again.
    if (completedPasses > 0 && SatTrackMenu->isChecked())
        ClearAllMarkers();
}

// Lines the next tick up with just after the clock's next second, so the PC time
// shown never skips or repeats a second.
void Form1::scheduleNextSecond(const ClockReading &reading)
{
    constexpr int AfterTheSecond = 20;
    Timer1->setInterval(1000 - reading.millisecond + AfterTheSecond);
}

void Form1::ResetPassCounter()
{
    state_.Pass.reset(clock_.now());
    setPassTexts();
}

void Form1::setPassTexts()
{
    Label6->setText(QStringLiteral("Pass %1").arg(state_.Pass.passNumber()));
    Label5->setText(QStringLiteral("Beacon %1 of 18").arg(state_.Pass.beaconInPass()));
}

void Form1::clearPassTexts()
{
    Label5->clear();
    Label6->clear();
}

} // namespace halvion
