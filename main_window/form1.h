#pragma once
// The main window: a world map with a marker per beacon station, the details of the
// station on the air on the chosen band, the band buttons, the activity gauge, the
// pass counter, the status line and the menus. It follows one band in real time.

#include "app_state.h"
#include "beacon_catalogue.h"
#include "clock_source.h"
#include "gauge_bar.h"
#include "greyline.h"
#include "locator.h"
#include "pc_time_text.h"
#include "schedule_clock.h"
#include "status_store.h"
#include "utc_clock.h"

#include <QFont>
#include <QHash>
#include <QImage>
#include <QMainWindow>
#include <QPixmap>
#include <QPointer>

#include <array>
#include <functional>
#include <optional>
#include <string>

class QAction;
class QFrame;
class QGroupBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QTimer;

namespace halvion {

class MyStationDialog;
class SettingsFile;

enum class BlinkRate { None, Slow, Medium, Fast };

class Form1 : public QMainWindow {
    Q_OBJECT
public:
    using MarkerArray = std::array<QLabel *, BeaconCount>;

    Form1(AppState &state, StatusStore &status, SettingsFile &settings, const ClockSource &clock,
          QWidget *parent = nullptr);

    // Start-up: blank map, saved status and options applied, timers started. Run once,
    // before the window is first shown.
    void Form_Load();

    // Tracking (Timer3), PC time / gauge / pass counter (Timer1), reminder (Timer2).
    void Timer3_Timer();
    void Timer1_Timer();
    void Timer2_Timer();
    void ShowActiveBeacon(BandIndex band, BeaconIndex station);
    void BlinkActiveMarker();
    void DisplayTitle();

    // Band selection.
    void SelectBand(BandIndex band);
    void BandIni();
    // Redraws the map for the band being followed, if any (after the status editor).
    void ReselectTrackedBand();

    // Entries to the compact view: the Display menu item, a double click on the map.
    void CondensedDisplayMode_Click();
    void Image1_DblClick();
    // Radio and follow mode. FollowBand moves the window to another band as follow mode
    // asks, keeping the pass counter going; the band already shown is left alone.
    void FollowBand(BandIndex band);
    void setFollowedStation(BeaconIndex station); // -1: not following
    void setFollowText(const QString &text);
    void setRadioStateText(const QString &text);
    // The Radio menu's scan switch: checked while the radio scans, usable while radio
    // control is on.
    void setScanning(bool on);
    void setScanAvailable(bool available);
    // The station whose marker lies under a point of the map, if any.
    std::optional<BeaconIndex> stationAtMapPoint(const QPoint &point) const;
    // The map's right-click menu for that point (nullptr off the markers); the caller owns it.
    QMenu *mapMenu(const QPoint &point);

    // Markers, legend and callsign labels of the map.
    void DisplayLedOK();
    void DisplayLedOff();
    void DisplayLedOn();
    void DisplayAllBeaconMarkers();
    void ClearAllMarkers();
    void ClearOnLed();
    void ClearOffLed();
    void ClearOnLEDBlue();
    void ClearOnBlueLedDim();
    void ClearBeaconOffAir();
    void ClearOffAirDim();
    void TurnOffOffLED();
    void OnLegend();
    void ClearLegend();
    void ClearBeaconCallsigns();

    // Display menu operations.
    void MarkersLED_Click();
    void SatTrackMenu_Click();
    void LegendMenu_Click();
    void ToggleCallsign_Click();
    void SetBlinkRate(BlinkRate rate);
    void ActivityPeriodMenu_Click();
    void BeaconPassCounter_Click();
    void ResetPassCounter();

    // The map as a propagation aid: greyline, the user's own station, paths, tooltips.
    void GreylineMenu_Click();
    void MyStationMenu_Click();
    // The user's locator ("JO62qm"); the empty text forgets the station.
    void SetMyStation(const QString &locatorText);
    // Draws the map overlay again if the minute, a switch or the station has changed.
    void UpdateMapOverlay();
    QString StationToolTip(BeaconIndex station) const;
    // The tooltip for a point in Picture1; empty where there is nothing to tell.
    QString MapToolTipAt(const QPoint &pos) const;
    const Locator &MyStation() const { return myStation_; }
    int MapOverlayRenders() const { return overlayCache_.renders(); }
    MyStationDialog *myStationDialog() const;
    // The UTC clock the greyline follows (the PC clock unless a test sets one).
    void setUtcClock(const UtcClock &clock) { utcClock_ = &clock; }

    // Web pages, help windows and the About box.
    void GoToNCDXFWebSite_Click();
    void Greyline_Click();
    void Propagation_Click();
    void LatestWWV_Click();
    void DXPeditions_Click();
    void Latest425_Click();
    void WebSite_Click();
    void PgmDes_Click();
    void PgmInstructionsMenu_Click();
    void AboutMenu_Click();

    // State the tick keeps between runs.
    const std::string &CurrentCallsign() const { return currentCallsign_; }
    bool BlinkPhase() const { return blinkPhase_; }
    BeaconIndex MarkerIndex = 0;

    // Controls, named as their objectName.
    QFrame *Picture1 = nullptr;
    QLabel *Image1 = nullptr;
    MarkerArray OnLed{}, OffLed{}, OnLEDBlue{}, OnBlueLedDim{}, BeaconOffAir{}, OffAirDim{};
    std::array<QLabel *, BeaconCount> CallsignLabels{};
    QFrame *Image2 = nullptr;
    QLabel *Label7 = nullptr, *LegendRed = nullptr, *Label9 = nullptr, *LegendBlue = nullptr,
           *Label8 = nullptr, *LegendX = nullptr, *Label10 = nullptr;
    QLabel *Label4 = nullptr, *Label3 = nullptr, *Lat = nullptr, *Lon = nullptr;
    QLabel *Label1 = nullptr;
    GaugeBar *Gauge1 = nullptr;
    QLabel *Label2 = nullptr, *Label5 = nullptr, *Label6 = nullptr;
    QGroupBox *Frame1 = nullptr;
    std::array<QPushButton *, BandCount> BandButtons{}; // by BandIndex
    std::array<QLabel *, BandCount> Picture2{};
    QTimer *Timer1 = nullptr, *Timer2 = nullptr, *Timer3 = nullptr;
    QLabel *MapOverlay = nullptr, *PathLine = nullptr;
    QLabel *FollowState = nullptr, *RadioState = nullptr;

    // Menus and their items.
    QMenu *FileMenu = nullptr, *MenuDisplay = nullptr, *BeaconStatus = nullptr, *SetPCclock = nullptr,
          *HAMInfo = nullptr, *HelpMenu = nullptr, *About = nullptr;
    QAction *ExitMenu = nullptr, *CondensedDisplayMode = nullptr, *LegendMenu = nullptr,
            *ActivityPeriodMenu = nullptr, *SatTrackMenu = nullptr, *MarkersLED = nullptr,
            *ToggleCallsign = nullptr, *BeaconPassCounter = nullptr, *LEDBlinkRateNone = nullptr,
            *LEDBlinkRateSlow = nullptr, *LEDBlinkRateMedium = nullptr, *LEDBlinkRateFast = nullptr,
            *UpdateBeaconStatus = nullptr, *GreylineMenu = nullptr, *MyStationMenu = nullptr;
    QAction *NISTtimeserver = nullptr;
    QAction *GoToNCDXFWebSite = nullptr, *Greyline = nullptr, *Propagation = nullptr, *LatestWWV = nullptr,
            *DXPeditions = nullptr, *Latest425 = nullptr, *PgmDes = nullptr, *PgmInstructionsMenu = nullptr,
            *AboutMenu = nullptr, *WebSite = nullptr;
    QAction *BeaconMonitorMenu = nullptr, *AnalyzeRecordingMenu = nullptr, *MonitorResultsMenu = nullptr;
    QAction *CheckPCClock = nullptr;

    // Puts the clock badge at the top right corner of the PC time box.
    void placeClockBadge(QWidget *badge);

    // The window grows with its frame: the whole layout, fonts and pictures included,
    // is the design's times one factor (the smaller of the width and height ratios, at
    // least 1), centred in the window.
    static constexpr QSize DesignClientSize{601, 418};
    double LayoutScale() const { return scale_; }
    void applyLayout();
    // Stores the window's size once the user has resized it (the resize itself asks
    // for this a moment later, so a drag writes once).
    void saveWindowSize();
    QSize sizeHint() const override;
    // The world map at this size, drawn from the smallest source picture that is large
    // enough at the screen's pixel ratio; scaled once per size and kept while the size
    // changes (a drag), then only the one shown is kept.
    QPixmap mapPixmap(QSize size);
    void releaseMapSources();
    int MapScalings() const { return mapScalings_; }

    // Display menu: times in UTC, starting on the band tracked last.
    void ShowTimesInUtc_Click();
    void StartOnLastBand_Click();
    QAction *ShowTimesInUtc = nullptr, *StartOnLastBandMenu = nullptr;
    // Keys: 1 to 5 choose a band as its button does, F follows the station on the air.
    void BandKey(BandIndex band);
    void FollowKey();
    QMenu *RadioMenu = nullptr, *FollowStation = nullptr;
    QAction *RadioControl = nullptr, *StopFollowing = nullptr, *ScanAllBands = nullptr;
    std::array<QAction *, BeaconCount> FollowItems{};

    // The Reverse Beacon Network: the File menu's item for its dialog, its status line
    // under the map, a ring round each station the skimmers heard on the tracked band
    // lately, and the tooltip line saying so (asked of whoever holds the spots).
    void setRbnStateText(const QString &line, const QString &full);
    void setSpottedStations(const std::array<bool, BeaconCount> &spotted);
    void setSpotToolTip(std::function<QString(BeaconIndex, BandIndex)> text) { spotToolTip_ = std::move(text); }
    QAction *ReverseBeaconNetwork = nullptr;
    QLabel *RbnState = nullptr;
    std::array<QWidget *, BeaconCount> SpotRings{}; // SpotRing_0 ... SpotRing_17

Q_SIGNALS:
    // "Reverse Beacon Network..." was chosen in the File menu.
    void rbnDialogRequested();
    // The user asked for the status editor ("Update Halvion -  Beacon Marker Status").
    void statusEditorRequested();
    // The user asked to set the PC clock from a NIST time server.
    void timeDialogRequested();
    // "Program Instructions", "Program Description" and "About Halvion" were chosen.
    void instructionsRequested();
    void descriptionRequested();
    void aboutRequested();
    // The beacon monitor's windows: listening, analysing a recording, the results.
    void beaconMonitorRequested();
    void analyzeRecordingRequested();
    void monitorResultsRequested();
    // The window is closing: the program ends.
    void closing();
    // The user asked for the compact all-band view in this window's place.
    void compactViewRequested();
    // The user chose a band with its button.
    void bandChosen(halvion::BandIndex band);
    // The tracking tick's clock sample, before the display is drawn from it.
    void trackingTick(const halvion::ScheduleTime &t);
    void radioDialogRequested();
    void followRequested(halvion::BeaconIndex station);
    void stopFollowingRequested();
    // The user switched scanning all five bands on or off.
    void scanRequested(bool on);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    void buildRadioMenu();
    void buildRadioControls(QWidget *client);
    void buildSpots(QWidget *client);
    void applyOptionKeys();
    void readAddressKeys();
    void showMarker(QLabel *marker);
    void drawStation(std::array<MarkerArray *, 4> others, MarkerArray &dim, MarkerArray &lit);
    std::array<QWidget *, 8> legendParts() const;
    void hideToBack(QLabel *marker);
    void showAllDim(MarkerArray &dims, halvion::BeaconStatus status, void (Form1::*draw)());
    void setPassTexts();
    void clearPassTexts();
    bool dimsShown() const { return state_.AllMarkersOn || state_.SingleTrackOn; }
    void scheduleNextSecond(const ClockReading &reading);
    void buildGeo();
    void loadGeoKeys();
    void showPath(BeaconIndex station);
    void buildLayoutAids();
    void buildKeys();
    void readKeyOptions();
    void readLayoutKeys();
    void applyFonts();
    void paintMapBox(QWidget *box);
    void paintMap(const QRect &exposed);
    QPointF scaledOverlayPoint(const GeoPoint &place) const;

    AppState &state_;
    StatusStore &status_;
    SettingsFile &settings_;
    const ClockSource &clock_;
    std::string currentCallsign_;
    bool blinkPhase_ = false;

    SystemUtcClock systemUtc_;
    const UtcClock *utcClock_ = &systemUtc_;
    MapOverlayCache overlayCache_;
    Locator myStation_;
    bool greylineOn_ = false;
    BeaconIndex pathStation_ = -1; // the station PathLine was worked out for
    QPointer<MyStationDialog> myStationDialog_;

    QHash<QWidget *, QRect> design_; // every control's place at scale 1
    double scale_ = 1.0;
    double fontScale_ = 1.0;
    QHash<QString, QPixmap> ledCache_;
    QPoint origin_;
    QHash<QWidget *, QFont> designFonts_;
    QPointer<QWidget> badge_;
    std::array<QImage, 3> mapSources_; // 1x, 2x, 3x, decoded when needed
    QTimer *mapRelease_ = nullptr;
    QHash<QString, QPixmap> mapCache_;
    int mapScalings_ = 0;
    QSize storedSize_;
    bool storedSizeShown_ = false;
    QTimer *sizeSaveTimer_ = nullptr;
    std::function<QString(BeaconIndex, BandIndex)> spotToolTip_;
};

} // namespace halvion
