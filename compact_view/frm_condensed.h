#pragma once
// The compact view: a small window that follows all five bands at once, for a user
// whose screen is full of a logger or an SDR program. Per band the station on the air
// now and its status LED; above them the PC time over the ten-second gauge; below
// them, with the pass counter on, a pass counter of its own. It takes the main
// window's place while it is shown and can stay on top of other windows.

#include "app_state.h"
#include "clock_source.h"
#include "pass_counter.h"
#include "schedule_clock.h"
#include "status_store.h"

#include <QMainWindow>
#include <QMap>
#include <QMargins>
#include <QPoint>

#include <array>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QProgressBar;
class QTimer;

namespace halvion {

class SettingsFile;

class frmCondensed : public QMainWindow {
    Q_OBJECT
public:
    using RowLeds = std::array<QLabel *, BandCount>;

    frmCondensed(AppState &state, const StatusStore &status, SettingsFile &settings, const ClockSource &clock,
                 QWidget *parent = nullptr);

    // Restores position and stacking, starts the counter, highlights the tracked band
    // and starts the tick. Run once, before the window is first shown.
    void Form_Load();

    // The tick: one reading of the clock fills the rows, the clock line, the gauge
    // and the counter.
    void Timer4_Timer();
    // The five rows for a slot of the cycle (0..17): callsign and status LED per band.
    void LookUp(int slotIndex);

    // Status LED of row LedBand.
    void FCLedOK();
    void FCLedOff();
    void FCLedOn();
    void ClearLEDs();

    // Highlights a row and makes its band the main window's band.
    void Picture20_Click() { chooseRow(0); }
    void Picture17_Click() { chooseRow(1); }
    void Picture15_Click() { chooseRow(2); }
    void Picture12_Click() { chooseRow(3); }
    void Picture10_Click() { chooseRow(4); }
    void highlightRow(BandIndex band);
    // The highlighted row's band; -1 while none is highlighted.
    BandIndex highlightedRow() const { return highlighted_; }

    // Menu operations.
    void ExitCompactDisplay_Click();
    void ExitProgram_Click();
    void AlwaysOnTop_Click();
    void Normal_Click();

    // Other parts of the program add a line of their own to the window's tooltip
    // (radio, clock check, ...). Lines appear in key order; an empty text removes one.
    void setExtraToolTip(const QString &key, const QString &text);

    // A short level beside a row's callsign ("10 W"), as measured by whoever listens
    // to the beacons; an empty text hides it. The rows change station every slot:
    // rowsChanged tells when, with the slot shown, so the level can follow.
    void setRowLevel(BandIndex band, const QString &text);
    // A small mark on a row whose station the skimmers heard on that band lately.
    void setRowSpotted(BandIndex band, bool spotted);
    std::array<QLabel *, BandCount> SpotMarks{}; // SpotMark_0 ... SpotMark_4, hidden while not spotted
    // The slot of the cycle (0..17) the rows show; -1 before the first tick.
    int shownSlot() const { return shownSlot_; }

    BandIndex LedBand = 0;
    int CompactPassNumber() const { return pass_.passNumber(); }
    int CompactBeaconInPass() const { return pass_.beaconInPass(); }

    // Controls, named as their objectName. Rows, callsign and band labels and the
    // LEDs are indexed by band, 20 m first.
    QWidget *Client = nullptr;
    QFrame *Line1 = nullptr, *Line2 = nullptr;
    QProgressBar *Gauge2 = nullptr;
    QLabel *Label6 = nullptr;
    std::array<QFrame *, BandCount> Rows{};        // Picture20 ... Picture10
    std::array<QLabel *, BandCount> Callsigns{};   // M20 ... M10
    std::array<QLabel *, BandCount> BandLabels{};  // Label7 ... Label11
    RowLeds OKLED{}, OffLED{}, OnLED{};            // OKLED_0 ... OnLED_4
    std::array<QLabel *, BandCount> Levels{};      // Level_0 ... Level_4, hidden while empty
    QLabel *ConPassLabel = nullptr;
    QTimer *Timer4 = nullptr;

    QMenu *File = nullptr, *Display = nullptr;
    QAction *ExitCompactDisplay = nullptr, *ExitProgram = nullptr, *AlwaysOnTop = nullptr, *Normal = nullptr;

Q_SIGNALS:
    // The window is closing back to the map view; the main window takes over again.
    void returnToMap();
    // "Exit (End) Program": the position is saved, the whole program should end.
    void exitRequested();
    // The user highlighted a row (not the highlight restored at load).
    void rowChosen(halvion::BandIndex band);
    // The rows now show another slot's stations.
    void rowsChanged(int slotIndex);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void chooseRow(BandIndex band)
    {
        highlightRow(band);
        Q_EMIT rowChosen(band);
    }
    void buildControls();
    int extraWidth() const;
    void buildMenus();
    void setTopmost(bool on);
    void applyStoredStacking(bool toWindow);
    void checkStacking(bool onTop);
    void paintRows(BandIndex highlighted);
    void writePosition();
    void placeFrameAt(QPoint stored);
    QMargins frameMarginsOfOtherWindows() const;
    void showLed(RowLeds &shown, RowLeds &hiddenA, RowLeds &hiddenB);
    void setPassText();

    AppState &state_;
    const StatusStore &status_;
    SettingsFile &settings_;
    const ClockSource &clock_;
    PassCounter pass_;
    BandIndex highlighted_ = -1;
    int shownSlot_ = -1;
    QPoint placedAt_;
    bool keepStoredPlace_ = false; // opened elsewhere than stored: the file keeps its place
    QMap<QString, QString> extraToolTips_;
};

} // namespace halvion
