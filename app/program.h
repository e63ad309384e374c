#pragma once
// The program as a whole: the shared state, the settings file, the status store and
// the windows, created in start-up order and wired together. The splash comes first
// and loads the main window hidden behind it; closing the main window ends it all.

#include "app_state.h"
#include "clock_check_clocks.h"
#include "clock_setter.h"
#include "clock_source.h"
#include "feed_clock.h"
#include "follow_mode.h"
#include "kernel_clock.h"
#include "message_sink.h"
#include "monitor_module.h"
#include "radio_control.h"
#include "settings_file.h"
#include "status_store.h"
#include "time_service.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

#include <string>

namespace halvion {

class ClockBadge;
class ClockCheck;
class DescriptionForm;
class Form1;
class frmCondensed;
class frmAbout;
class MonitorController;
class frmSelStatus;
class frmSplash;
class SetTimeForm;
class InstructionForm;
class frmRadio;
class frmRbn;
class RbnFeed;
class SpotStore;
struct RbnSettings;

class Program : public QObject {
    Q_OBJECT
public:
    Program(const std::string &settingsPath, const ClockSource &clock, QObject *parent = nullptr);
    ~Program() override;

    // Shows the splash; it loads the main window and hands over to it after four seconds.
    void start();

    Form1 *mainWindow() const;
    frmSelStatus *statusEditor() const;
    frmSplash *splash() const;
    // The time dialog while it is open.
    SetTimeForm *timeDialog() const;
    // The time servers, clock setter and message boxes the time dialog uses.
    TimeService &timeService() { return timeService_; }
    frmCondensed *compactView() const;
    InstructionForm *instructions() const;
    DescriptionForm *description() const;
    frmAbout *about() const;
    ClockCheck *clockCheck() const;
    ClockBadge *clockBadge() const;
    frmRadio *radioDialog() const;
    RadioControl &radio() { return radio_; }
    FollowMode &followMode() { return follow_; }
    AppState &state() { return state_; }
    // The beacon monitor, made when one of its windows is first opened: its module is
    // opened then, not at start. Null when the module cannot be opened (the user is
    // told why).
    MonitorModule *monitorModule();
    bool monitorLoaded() const { return monitor_ != nullptr; }
    // The monitor itself, for tests that link its module; made as monitorModule().
    MonitorController &monitor();
    // Where the monitor keeps its log; tests point it into a temporary folder.
    void setMonitorLogPath(const QString &path) { monitorLogPath_ = path; }
    // The UTC clock (ms since 1970) the monitor stamps its audio and times its scan
    // with; tests hold it still. Set it before the monitor is made.
    void setUtcClock(std::function<qint64()> nowUtcMs) { utcNow_ = std::move(nowUtcMs); }
    StatusStore &status() { return status_; }

    // The Reverse Beacon Network: its dialog while open, the feed (which connects only
    // while the user has it on) and the spots it brought, made with the main window.
    frmRbn *rbnDialog() const;
    RbnFeed *rbnFeed() const { return rbnFeed_.get(); }
    SpotStore *spotStore() const { return spotStore_.get(); }
    // The clocks the feed and the spots follow; tests set theirs before start().
    void setFeedClock(const FeedClock &clock) { feedClock_ = &clock; }
    // Asks the spots again for the map's rings and the compact view's marks: each
    // second while the feed is on (SpotTimer), and whenever the spots change.
    void showSpots();
    QTimer *spotTimer() const { return spotTimer_; }

    // Raises the window the user works in (a second start of the program asks for it).
    void bringToFront();

    // The per-user settings file: ~/.config/Halvion/Halvion.ini on Linux.
    static std::string defaultSettingsPath();

Q_SIGNALS:
    // Every window is closed; the process should end now.
    void finished();

private:
    void loadMainWindow();
    void showMainWindow();
    void createStatusEditor();
    void openStatusEditor();
    void returnFromStatusEditor();
    void openCompactView();
    void returnFromCompactView();
    void exitFromCompactView();
    void shutdown();
    void openTimeDialog();
    void openInstructions();
    void openDescription();
    void openAbout();
    void startClockCheck();
    void connectRadio();
    void connectCompactRadio();
    void userChoseBand(BandIndex band);
    void openRadioDialog();
    MonitorHost monitorHost();
    void linkMonitor();
    void showRowLevels();
    void showScanStep(const ScheduleTime &t);
    void setScanning(bool on);
    bool scanning() const;
    void showRadioLine();
    void endScan();
    void startSpots();
    void applyRbnSettings(const RbnSettings &settings);
    void openRbnDialog();
    void attachSpotLog();
    void offerSuggestions();
    QString spotLogPath() const;

    const ClockSource &clock_;
    SettingsFile settings_;
    AppState state_;
    StatusStore status_;
    QPointer<Form1> form1_;
    QPointer<frmSelStatus> statusEditor_;
    QPointer<frmSplash> splash_;
    QPointer<SetTimeForm> timeDialog_;
    SystemClockSetter systemClock_;
    MessageBoxSink messageBoxes_;
    TimeService timeService_{TimeServerTable::builtIn(), &systemClock_, &messageBoxes_};
    QPointer<frmCondensed> compact_;
    QPointer<InstructionForm> instructions_;
    QPointer<DescriptionForm> description_;
    QPointer<frmAbout> about_;
    std::unique_ptr<MonitorModule> monitor_;
    QString monitorLogPath_;
    std::function<qint64()> utcNow_;
    int scanShownSlot_ = -1; // the slot of the hour whose scan line the main window shows
    SystemClockCheckClocks clockCheckClocks_;
    SystemKernelClockReader kernelClock_;
    QPointer<ClockCheck> clockCheck_;
    QPointer<ClockBadge> clockBadge_;
    QPointer<frmRadio> radioDialog_;
    RadioControl radio_;
    FollowMode follow_;
    bool shuttingDown_ = false;
    SystemFeedClock systemFeedClock_;
    const FeedClock *feedClock_ = &systemFeedClock_;
    std::unique_ptr<SpotStore> spotStore_;
    std::unique_ptr<RbnFeed> rbnFeed_;
    QPointer<frmRbn> rbnDialog_;
    QTimer *spotTimer_ = nullptr;
    bool rbnOn_ = false;
    bool spotLogTried_ = false;
};

} // namespace halvion
