// Start-up, the start-up reminder, band selection and the Display menu options.
// Every option is written to the settings file the moment it changes.

#include "form1.h"
#include "form1_util.h"

#include "address_defaults.h"
#include "settings_file.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPalette>
#include <QPushButton>
#include <QTimer>

namespace halvion {

namespace {

struct RateInfo {
    BlinkRate rate;
    std::string_view word;
    int interval;
};

constexpr std::array<RateInfo, 4> Rates{{
    {BlinkRate::None, "None", 1000},
    {BlinkRate::Slow, "Slow", 1100},
    {BlinkRate::Medium, "Medium", 500},
    {BlinkRate::Fast, "Fast", 150},
}};

} // namespace

void Form1::Form_Load()
{
    state_.BandSelected.fill(false);
    state_.NoBandChosen = true;
    state_.ReminderPhase = true;
    for (QLabel *indicator : Picture2)
        indicator->hide();
    state_.GaugeRunning = false;
    state_.Pass = PassCounter{};
    ClearAllMarkers();
    ClearBeaconCallsigns();

    if (!status_.hasSavedStatus())
        status_.writeDefaults();
    status_.ReadBeaconStatus();

    MenuDisplay->setEnabled(false);
    applyOptionKeys();
    readAddressKeys();
    loadGeoKeys();
    readLayoutKeys();

    DisplayTitle();
    for (QPushButton *button : BandButtons)
        button->setEnabled(true);

    Timer1->start();
    Timer2->start();
    Timer3->start();
    readKeyOptions();
}

void Form1::applyOptionKeys()
{
    namespace K = SettingsKeys;

    // Blink rate: a missing key counts as Medium; an unknown word applies no rate.
    const std::string speed = settings_.read(K::LEDSpeed).value_or("Medium");
    for (const RateInfo &r : Rates)
        if (speed == r.word)
            SetBlinkRate(r.rate);

    // Switches that are on unless the file says "False".
    state_.CallsignsOn = settings_.readText(K::Toggle) != K::False;
    ToggleCallsign->setChecked(state_.CallsignsOn);

    const auto passFlag = settings_.read(K::PassFlag);
    if (!passFlag)
        settings_.writeSwitch(K::PassFlag.key, true);
    state_.PassCounterOn = passFlag.value_or("") != K::False;
    BeaconPassCounter->setChecked(state_.PassCounterOn);

    const auto actGauge = settings_.read(K::ActGauge);
    if (!actGauge)
        settings_.writeSwitch(K::ActGauge.key, true);
    ActivityPeriodMenu->setChecked(actGauge.value_or("") != K::False);

    state_.AllMarkersOn = settings_.readText(K::MarkersLED) != K::False;
    MarkersLED->setChecked(state_.AllMarkersOn);
    settings_.writeSwitch(K::MarkersLED.key, state_.AllMarkersOn);

    // Switches that are off unless the file says "True".
    state_.SingleTrackOn = settings_.readText(K::SatTrack) == K::True;
    SatTrackMenu->setChecked(state_.SingleTrackOn);
    settings_.writeSwitch(K::SatTrack.key, state_.SingleTrackOn);

    const auto legend = settings_.read(K::Legend);
    if (!legend)
        settings_.writeSwitch(K::Legend.key, false);
    state_.LegendOn = legend.value_or("") == K::True;
    LegendMenu->setChecked(state_.LegendOn);
    // With the legend on it still waits for a band to be chosen before it shows.
    if (!state_.LegendOn)
        ClearLegend();
}

void Form1::readAddressKeys()
{
    namespace K = SettingsKeys;
    const struct {
        const KeySpec &key;
        std::string_view fallback;
        std::string &target;
    } addresses[] = {
        {K::TimeNistIP, DefaultAddress::NistServer, state_.NistServerAddress},
        {K::NCDXFweb, DefaultAddress::Ncdxf, state_.NcdxfWebAddress},
        {K::GreylineWEB, DefaultAddress::Greyline, state_.GreylineWebAddress},
        {K::PropWEB, DefaultAddress::Propagation, state_.PropWebAddress},
        {K::WWVweb, DefaultAddress::Wwv, state_.WwvWebAddress},
        {K::DXPeditionsWEB, DefaultAddress::DxPeditions, state_.DxPeditionsWebAddress},
        {K::Bulletin425WEB, DefaultAddress::Bulletin425, state_.Bulletin425WebAddress},
    };
    for (const auto &a : addresses) {
        if (auto stored = settings_.read(a.key)) {
            a.target = *stored;
        } else {
            settings_.write(a.key.key, a.fallback);
            a.target = std::string(a.fallback);
        }
    }
}

// The status line alternates two reminders, 6 s and 4 s, until a band is chosen.
void Form1::Timer2_Timer()
{
    if (state_.ReminderPhase) {
        Timer2->setInterval(6000);
        Label1->setText(QStringLiteral(
            "Important!  Syncronize Your PC Clock With WWV or Click On \"Internet Time\" Menu"));
    } else {
        Timer2->setInterval(4000);
        Label1->setText(QStringLiteral("Click Frequency Band Below To Track Beacons"));
    }
    state_.ReminderPhase = !state_.ReminderPhase;
}

void Form1::SelectBand(BandIndex band)
{
    ClearBeaconCallsigns();
    ClearAllMarkers();
    BandIni();
    const Band &b = BeaconCatalogue::band(band);
    BandButtons[at(band)]->setText(toQString(b.selectedCaption));
    Picture2[at(band)]->show();
    Label1->setText(toQString(b.tuningHint));
    state_.BandSelected.fill(false);
    state_.BandSelected[at(band)] = true;
}

void Form1::BandIni()
{
    state_.NoBandChosen = false;
    if (state_.PassCounterOn)
        ResetPassCounter();
    else
        clearPassTexts();
    if (MarkersLED->isChecked()) {
        ClearBeaconCallsigns();
        DisplayAllBeaconMarkers();
    } else {
        ClearAllMarkers();
        ClearBeaconCallsigns();
    }
    if (LegendMenu->isChecked())
        OnLegend();
    else
        ClearLegend();
    state_.GaugeRunning = ActivityPeriodMenu->isChecked();
    for (BandIndex b = 0; b < BandCount; ++b)
        BandButtons[at(b)]->setText(toQString(BeaconCatalogue::band(b).buttonCaption));
    for (QLabel *indicator : Picture2)
        indicator->hide();
    MenuDisplay->setEnabled(true);
    QPalette palette = Label1->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    Label1->setPalette(palette);
    DisplayTitle();
    Timer2->stop();
    state_.BandSelected.fill(false);
}

void Form1::ReselectTrackedBand()
{
    for (BandIndex b = 0; b < BandCount; ++b)
        if (state_.BandSelected[at(b)])
            SelectBand(b);
}

void Form1::MarkersLED_Click()
{
    if (state_.PassCounterOn)
        ResetPassCounter();
    state_.AllMarkersOn = !state_.AllMarkersOn;
    if (!state_.AllMarkersOn) {
        settings_.writeSwitch(SettingsKeys::MarkersLED.key, false);
        MarkersLED->setChecked(false);
        ClearAllMarkers();
        return;
    }
    MarkersLED->setChecked(true);
    DisplayAllBeaconMarkers();
    settings_.writeSwitch(SettingsKeys::MarkersLED.key, true);
    if (SatTrackMenu->isChecked()) {
        SatTrackMenu->setChecked(false);
        state_.SingleTrackOn = false;
        settings_.writeSwitch(SettingsKeys::SatTrack.key, false);
    }
    // Tracking 17 m or 12 m, KH6WO is drawn off the air until its markers are next drawn.
    if (state_.BandSelected[1] || state_.BandSelected[3]) {
        constexpr BeaconIndex KH6WO = 3;
        MarkerIndex = KH6WO;
        DisplayLedOff();
        showMarker(OffAirDim[KH6WO]);
    }
}

void Form1::SatTrackMenu_Click()
{
    if (state_.PassCounterOn) {
        ClearAllMarkers();
        ResetPassCounter();
    }
    ClearAllMarkers();
    state_.SingleTrackOn = !state_.SingleTrackOn;
    if (!state_.SingleTrackOn) {
        settings_.writeSwitch(SettingsKeys::SatTrack.key, false);
        SatTrackMenu->setChecked(false);
        return;
    }
    SatTrackMenu->setChecked(true);
    settings_.writeSwitch(SettingsKeys::SatTrack.key, true);
    if (MarkersLED->isChecked()) {
        MarkersLED->setChecked(false);
        state_.AllMarkersOn = false;
        settings_.writeSwitch(SettingsKeys::MarkersLED.key, false);
    }
}

void Form1::LegendMenu_Click()
{
    state_.LegendOn = !state_.LegendOn;
    LegendMenu->setChecked(state_.LegendOn);
    settings_.writeSwitch(SettingsKeys::Legend.key, state_.LegendOn);
    if (state_.LegendOn)
        OnLegend();
    else
        ClearLegend();
}

void Form1::ToggleCallsign_Click()
{
    state_.CallsignsOn = !state_.CallsignsOn;
    settings_.writeSwitch(SettingsKeys::Toggle.key, state_.CallsignsOn);
    ToggleCallsign->setChecked(state_.CallsignsOn);
    // Turned on, the active station's label comes back at the next tick.
    if (!state_.CallsignsOn)
        ClearBeaconCallsigns();
}

void Form1::SetBlinkRate(BlinkRate rate)
{
    const std::array<QAction *, 4> items{LEDBlinkRateNone, LEDBlinkRateSlow, LEDBlinkRateMedium,
                                         LEDBlinkRateFast};
    for (std::size_t k = 0; k < Rates.size(); ++k) {
        const bool chosen = Rates[k].rate == rate;
        items[k]->setChecked(chosen);
        if (chosen) {
            settings_.write(SettingsKeys::LEDSpeed.key, Rates[k].word);
            Timer3->setInterval(Rates[k].interval);
        }
    }
}

void Form1::ActivityPeriodMenu_Click()
{
    state_.GaugeRunning = !state_.GaugeRunning;
    ActivityPeriodMenu->setChecked(state_.GaugeRunning);
    settings_.writeSwitch(SettingsKeys::ActGauge.key, state_.GaugeRunning);
}

void Form1::BeaconPassCounter_Click()
{
    state_.PassCounterOn = !state_.PassCounterOn;
    if (SatTrackMenu->isChecked()) {
        TurnOffOffLED();
        ClearOnBlueLedDim();
    }
    BeaconPassCounter->setChecked(state_.PassCounterOn);
    if (state_.PassCounterOn)
        ResetPassCounter();
    else
        clearPassTexts();
    settings_.writeSwitch(SettingsKeys::PassFlag.key, state_.PassCounterOn);
}

} // namespace halvion
