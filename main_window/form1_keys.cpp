// The main window's keyboard (1 to 5 for the bands, F to follow the station on the
// air) and two Display options: times in UTC, and starting on the band tracked last.
// Both options are new keys, written only when the user first changes them.

#include "form1.h"
#include "form1_util.h"

#include "settings_file.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>

namespace halvion {

void Form1::buildKeys()
{
    MenuDisplay->addSeparator();
    ShowTimesInUtc = MenuDisplay->addAction(QStringLiteral("Show Times In UTC"));
    ShowTimesInUtc->setObjectName(QStringLiteral("ShowTimesInUtc"));
    ShowTimesInUtc->setCheckable(true);
    connect(ShowTimesInUtc, &QAction::triggered, this, &Form1::ShowTimesInUtc_Click);
    StartOnLastBandMenu = MenuDisplay->addAction(QStringLiteral("Start On Last Band"));
    StartOnLastBandMenu->setObjectName(QStringLiteral("StartOnLastBand"));
    StartOnLastBandMenu->setCheckable(true);
    connect(StartOnLastBandMenu, &QAction::triggered, this, &Form1::StartOnLastBand_Click);

    for (BandIndex b = 0; b < BandCount; ++b) {
        auto *key = new QShortcut(QKeySequence(Qt::Key_1 + b), this);
        key->setObjectName(QStringLiteral("BandKey_%1").arg(b + 1));
        connect(key, &QShortcut::activated, this, [this, b] { BandKey(b); });
    }
    auto *follow = new QShortcut(QKeySequence(Qt::Key_F), this);
    follow->setObjectName(QStringLiteral("FollowKey"));
    connect(follow, &QShortcut::activated, this, &Form1::FollowKey);
}

// At start-up: both options as the file has them (off when it does not), and the band
// tracked last when the user wants to start on it.
void Form1::readKeyOptions()
{
    const bool utc = settings_.readText(SettingsKeys::UtcTimes) == SettingsKeys::True;
    ShowTimesInUtc->setChecked(utc);
    setTimesInUtc(utc);
    const bool lastBand = settings_.readText(SettingsKeys::StartOnLastBand) == SettingsKeys::True;
    StartOnLastBandMenu->setChecked(lastBand);
    if (!lastBand)
        return;
    const std::string stored = settings_.readText(SettingsKeys::LastBand);
    for (BandIndex b = 0; b < BandCount; ++b)
        if (stored == BeaconCatalogue::band(b).bandLabel)
            SelectBand(b);
}

void Form1::ShowTimesInUtc_Click()
{
    const bool utc = ShowTimesInUtc->isChecked();
    setTimesInUtc(utc);
    settings_.writeSwitch(SettingsKeys::UtcTimes.key, utc);
    Label2->setText(pcTimeText(clock_.now()));
}

void Form1::StartOnLastBand_Click()
{
    settings_.writeSwitch(SettingsKeys::StartOnLastBand.key, StartOnLastBandMenu->isChecked());
}

// The key does what a click on the band's button does.
void Form1::BandKey(BandIndex band)
{
    QPushButton *button = BandButtons[at(band)];
    if (button->isEnabled()) {
        button->setFocus();
        button->click();
    }
}

void Form1::FollowKey()
{
    if (state_.NoBandChosen)
        return;
    if (const auto station = BeaconCatalogue::findByCallsign(currentCallsign_))
        Q_EMIT followRequested(*station);
}

} // namespace halvion
