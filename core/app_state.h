#pragma once
// The program-wide state the windows share. Windows are views over it: one can be
// hidden, closed and created again without losing any of this.

#include "beacon_catalogue.h"
#include "pass_counter.h"

#include <array>
#include <string>

namespace halvion {

struct AppState {
    // The band the main window follows (at most one true) and whether any was ever chosen.
    std::array<bool, BandCount> BandSelected{};
    bool NoBandChosen = true;

    // Start-up reminder on the status line: which of the two texts comes next.
    bool ReminderPhase = true;

    // Activity gauge and pass counter.
    bool GaugeRunning = false;
    bool PassCounterOn = true;
    PassCounter Pass;

    // Display options; each always equals its menu item's check mark.
    bool AllMarkersOn = true;
    bool SingleTrackOn = false;
    bool LegendOn = false;
    bool CallsignsOn = true;

    // Addresses read at start-up.
    std::string NistServerAddress;
    std::string NcdxfWebAddress;
    std::string GreylineWebAddress;
    std::string PropWebAddress;
    std::string WwvWebAddress;
    std::string DxPeditionsWebAddress;
    std::string Bulletin425WebAddress;

    // The tracked band, testing the flags from 20 m up; -1 when none is set.
    BandIndex trackedBand() const
    {
        for (BandIndex b = 0; b < BandCount; ++b)
            if (BandSelected[static_cast<std::size_t>(b)])
                return b;
        return -1;
    }
};

} // namespace halvion
