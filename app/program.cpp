#include "program.h"

#include "callsign_file.h"
#include "clock_badge.h"
#include "clock_check.h"
#include "form1.h"
#include "frm_about.h"
#include "frm_condensed.h"
#include "frm_radio.h"
#include "frm_rbn.h"
#include "frm_sel_status.h"
#include "frm_splash.h"
#include "help_window.h"
#include "monitor_loader.h"
#include "rbn_feed.h"
#include "spot_status.h"
#include "spot_store.h"
#include "scan_rotation.h"
#include "schedule_clock.h"
#include "set_time_form.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>

namespace halvion {

namespace {

void centreOnScreen(QWidget *window)
{
    window->adjustSize();
    if (QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen()) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
}

} // namespace

Program::Program(const std::string &settingsPath, const ClockSource &clock, QObject *parent)
    : QObject(parent), clock_(clock), settings_(settingsPath), status_(settings_),
      utcNow_([] { return QDateTime::currentMSecsSinceEpoch(); }), follow_(clock)
{
    radio_.configure(readRadioSettings(settings_));
}

Program::~Program()
{
    shuttingDown_ = true;
    delete rbnDialog_;
    rbnFeed_.reset();
    spotStore_.reset(); // writes what is pending to the log
    delete timeDialog_;
    delete compact_;
    monitor_.reset();
    delete clockCheck_; // before the clocks and the settings file it reads
    radio_.shutdown(1500);
    delete radioDialog_;
    delete statusEditor_;
    delete splash_;
    delete instructions_;
    delete description_;
    delete form1_;
}

Form1 *Program::mainWindow() const { return form1_; }

MonitorModule *Program::monitorModule()
{
    if (monitor_)
        return monitor_.get();
    QString why;
    MonitorModuleFactory *factory = MonitorLoader::load(QCoreApplication::applicationDirPath(), &why);
    if (!factory) {
        messageBoxes_.show(QApplication::activeWindow(), MessageIcon::Exclamation,
                           QStringLiteral("Halvion - Beacon Monitor Error"),
                           QStringLiteral("The beacon monitor could not be loaded.\n%1").arg(why));
        return nullptr;
    }
    monitor_ = factory->create(monitorHost());
    linkMonitor();
    return monitor_.get();
}

MonitorController &Program::monitor()
{
    MonitorModule *module = monitorModule();
    if (!module)
        qFatal("The beacon monitor module could not be loaded");
    return *module->controller();
}

// What the monitor hears reaches the clock badge and the compact view here; neither
// of them knows the monitor. It moves the radio in scan mode. The monitor is destroyed
// first when the program ends, so these never outlive what they reach.
MonitorHost Program::monitorHost()
{
    MonitorHost host;
    host.state = &state_;
    host.settings = &settings_;
    host.messages = &messageBoxes_;
    host.logPath = monitorLogPath_;
    host.nowUtcMs = utcNow_;
    host.measured = [this] { showRowLevels(); };
    host.airOffsetChanged = [this](std::optional<MonitorAirOffset> offset) {
        if (!clockCheck_)
            return;
        std::optional<ClockCheckFacts::AirMeasurement> air;
        if (offset)
            air = ClockCheckFacts::AirMeasurement{offset->seconds, offset->slots};
        clockCheck_->setAirOffset(air);
    };
    host.tuneRequested = [this](BandIndex band) { radio_.tuneBand(band); };
    host.spots = [this]() -> const SpotView * { return spotStore_.get(); };
    host.spotStatus = [this] { return rbnOn_ && rbnFeed_ ? rbnFeed_->statusText() : QString(); };
    // Scanning moves the radio and, from its own tick, the main window. Following a
    // station, or a band chosen by hand, ends it.
    host.scanModeChanged = [this](bool on) {
        if (on) {
            follow_.stop();
            showScanStep(ScheduleClock::sample(clock_));
        } else {
            endScan();
        }
        if (form1_)
            form1_->setScanning(on);
        showRadioLine();
    };
    return host;
}

// Scanning needs radio control: the monitor follows the radio's state.
void Program::linkMonitor()
{
    const auto showRadio = [this] {
        if (!monitor_)
            return;
        const RadioState &radio = radio_.state();
        monitor_->setRadioAvailable(radio.kind != RadioState::Kind::NotConfigured);
        monitor_->setReceiverBand(radio.kind == RadioState::Kind::Connected ? bandAtFrequency(radio.frequencyHz) : -1);
    };
    showRadio();
    connect(&radio_, &RadioControl::stateChanged, this, showRadio);
    connect(&follow_, &FollowMode::followingChanged, this, [this](BeaconIndex station) {
        if (station >= 0 && monitor_)
            monitor_->setScanMode(false);
    });
}

// While scanning, the main window shows the band the radio is on, moving at each slot
// start seen by its own tracking tick, like follow mode.
void Program::showScanStep(const ScheduleTime &t)
{
    if (!monitor_ || !monitor_->scanMode() || !form1_)
        return;
    const BandIndex band = ScanRotation::bandAt(t);
    form1_->FollowBand(band);
    const int slotOfHour = t.minute * 6 + t.SlotInMinute;
    if (slotOfHour == scanShownSlot_)
        return;
    scanShownSlot_ = slotOfHour;
    const auto text = [](std::string_view s) { return QString::fromLatin1(s.data(), qsizetype(s.size())); };
    const Beacon &beacon = BeaconCatalogue::beacon(ScheduleClock::beaconOn(band, t.SlotIndex));
    form1_->setFollowText(QStringLiteral("Scanning all bands: %1 on %2 m")
                              .arg(text(beacon.callsign), text(BeaconCatalogue::band(band).bandLabel)));
}

// The Radio menu's switch: the same scan as the Beacon Monitor window's.
void Program::setScanning(bool on)
{
    if (on) {
        if (MonitorModule *m = monitorModule())
            m->setScanMode(true);
    } else if (monitor_)
        monitor_->setScanMode(false);
    // A scan that cannot start (radio control off) leaves the menu item unchecked.
    if (form1_)
        form1_->setScanning(scanning());
}

bool Program::scanning() const { return monitor_ && monitor_->scanMode(); }

void Program::showRadioLine()
{
    if (form1_)
        form1_->setRadioStateText(radioStateText(radio_.state(), scanning()));
}

void Program::endScan()
{
    scanShownSlot_ = -1;
    if (form1_)
        form1_->setFollowText(follow_.text());
}

// The compact view's rows: each station's last level on its band, when the monitor
// measured it lately. Runs once per slot and per measurement, never in a tick.
void Program::showRowLevels()
{
    if (!monitor_ || !compact_ || compact_->shownSlot() < 0)
        return;
    for (BandIndex b = 0; b < BandCount; ++b)
        compact_->setRowLevel(b, monitor_->levelText(ScheduleClock::beaconOn(b, compact_->shownSlot()), b));
}

frmSelStatus *Program::statusEditor() const { return statusEditor_; }
frmSplash *Program::splash() const { return splash_; }
SetTimeForm *Program::timeDialog() const { return timeDialog_; }
frmCondensed *Program::compactView() const { return compact_; }
InstructionForm *Program::instructions() const { return instructions_; }
DescriptionForm *Program::description() const { return description_; }
frmAbout *Program::about() const { return about_; }
ClockCheck *Program::clockCheck() const { return clockCheck_; }
ClockBadge *Program::clockBadge() const { return clockBadge_; }
frmRadio *Program::radioDialog() const { return radioDialog_; }
frmRbn *Program::rbnDialog() const { return rbnDialog_; }

std::string Program::defaultSettingsPath()
{
    // The folder is made by the first write.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    return (folder + QLatin1Char('/') + QLatin1String(SettingsKeys::FileName.data(),
                                                     static_cast<qsizetype>(SettingsKeys::FileName.size())))
        .toStdString();
}

void Program::start()
{
    splash_ = new frmSplash;
    splash_->setAttribute(Qt::WA_DeleteOnClose);
    connect(splash_, &frmSplash::loadMainWindow, this, &Program::loadMainWindow);
    connect(splash_, &frmSplash::handOver, this, &Program::showMainWindow);
    splash_->Form_Load();
    splash_->show();
}

void Program::loadMainWindow()
{
    if (form1_)
        return;
    form1_ = new Form1(state_, status_, settings_, clock_);
    connect(form1_, &Form1::statusEditorRequested, this, &Program::openStatusEditor);
    connect(form1_, &Form1::timeDialogRequested, this, &Program::openTimeDialog);
    connect(form1_, &Form1::closing, this, &Program::shutdown);
    connect(form1_, &Form1::compactViewRequested, this, &Program::openCompactView);
    connect(form1_, &Form1::instructionsRequested, this, &Program::openInstructions);
    connect(form1_, &Form1::descriptionRequested, this, &Program::openDescription);
    connect(form1_, &Form1::aboutRequested, this, &Program::openAbout);
    connect(form1_, &Form1::beaconMonitorRequested, this, [this] {
        if (MonitorModule *m = monitorModule())
            m->openMonitor();
    });
    connect(form1_, &Form1::analyzeRecordingRequested, this, [this] {
        if (MonitorModule *m = monitorModule())
            m->openAnalyzeRecording();
    });
    connect(form1_, &Form1::monitorResultsRequested, this, [this] {
        if (MonitorModule *m = monitorModule())
            m->openResults();
    });
    connectRadio();
    startSpots();
    form1_->Form_Load();
    startClockCheck();
    createStatusEditor();
    centreOnScreen(form1_);
}

void Program::showMainWindow()
{
    // The splash closed as the program ends hands over to nothing.
    if (shuttingDown_)
        return;
    if (!form1_)
        loadMainWindow();
    form1_->show();
}

// The editor is made hidden at start-up; its close box destroys it, and the next
// opening makes a fresh one.
void Program::createStatusEditor()
{
    if (statusEditor_)
        return;
    statusEditor_ = new frmSelStatus(status_);
    connect(statusEditor_, &frmSelStatus::returnToMap, this, &Program::returnFromStatusEditor);
    offerSuggestions();
}

void Program::openStatusEditor()
{
    createStatusEditor();
    statusEditor_->show();
    form1_->hide();
}

void Program::returnFromStatusEditor()
{
    if (shuttingDown_ || !form1_)
        return;
    form1_->ReselectTrackedBand();
    form1_->show();
}

// The time dialog is modal over the main window, whose timers run on meanwhile. Each
// opening is a fresh dialog that selects the stored server anew.
void Program::openTimeDialog()
{
    if (timeDialog_ || !form1_)
        return;
    timeDialog_ = new SetTimeForm(timeService_, state_, settings_, clock_, form1_);
    timeDialog_->setAttribute(Qt::WA_DeleteOnClose);
    timeDialog_->setModal(true);
    if (clockCheck_)
        connect(timeDialog_, &SetTimeForm::clockSet, clockCheck_, &ClockCheck::clockWasSet);
    timeDialog_->Form_Load();
    timeDialog_->show();
}

// Another start of the program asked for this copy: its window comes to the front. That
// is the one the user works in now: a modal dialog, else the status editor, the main
// window, any other window shown in the main window's place, and last the splash.
void Program::bringToFront()
{
    if (shuttingDown_)
        return;
    QWidget *window = QApplication::activeModalWidget();
    const auto shown = [](QWidget *w) { return w && w->isVisible(); };
    if (!window && shown(statusEditor_))
        window = statusEditor_;
    if (!window && shown(form1_))
        window = form1_;
    if (!window) {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w != splash_ && w->isWindow() && shown(w) && w->windowType() != Qt::ToolTip
                && w->windowType() != Qt::Popup) {
                window = w;
                break;
            }
    }
    if (!window && shown(splash_))
        window = splash_;
    if (!window)
        return;
    if (window->isMinimized())
        window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window->raise();
    window->activateWindow();
}

// The compact view is made anew at every opening, so its counter restarts and its
// place and stacking come from the settings file.
void Program::openCompactView()
{
    if (compact_ || !form1_)
        return;
    form1_->hide();
    compact_ = new frmCondensed(state_, status_, settings_, clock_);
    compact_->setAttribute(Qt::WA_DeleteOnClose);
    connect(compact_, &frmCondensed::returnToMap, this, &Program::returnFromCompactView);
    connect(compact_, &frmCondensed::exitRequested, this, &Program::exitFromCompactView);
    connect(compact_, &frmCondensed::rowsChanged, this, &Program::showRowLevels);
    connect(compact_, &frmCondensed::rowsChanged, this, &Program::showSpots);
    if (clockCheck_) {
        compact_->setExtraToolTip(QStringLiteral("clock"), clockCheck_->badge().summary);
        connect(clockCheck_, &ClockCheck::badgeChanged, compact_,
                [view = compact_.data()](const ClockBadgeView &badge) {
                    view->setExtraToolTip(QStringLiteral("clock"), badge.summary);
                });
    }
    connectCompactRadio();
    compact_->Form_Load();
    compact_->show();
}

// Back on the map, the band highlighted last is tracked, with its button focused.
void Program::returnFromCompactView()
{
    if (shuttingDown_ || !form1_)
        return;
    form1_->show();
    for (BandIndex b = 0; b < BandCount; ++b) {
        if (state_.BandSelected[static_cast<std::size_t>(b)]) {
            form1_->BandButtons[static_cast<std::size_t>(b)]->setFocus();
            form1_->SelectBand(b);
        }
    }
}

void Program::exitFromCompactView()
{
    if (form1_)
        form1_->close();
}

// The clock badge beside "PC Time" and the check behind it; the check asks the
// Internet only when the user turned it on in the Internet Time menu.
void Program::startClockCheck()
{
    clockCheck_ = new ClockCheck(settings_, clockCheckClocks_, kernelClock_, this);
    clockBadge_ = new ClockBadge;
    form1_->placeClockBadge(clockBadge_);
    connect(clockCheck_, &ClockCheck::badgeChanged, clockBadge_, &ClockBadge::display);
    clockCheck_->load();
    clockBadge_->display(clockCheck_->badge());
    form1_->CheckPCClock->setChecked(clockCheck_->enabled());
    connect(form1_->CheckPCClock, &QAction::toggled, clockCheck_, &ClockCheck::setEnabled);
}

// Closing the main window closes every other window and ends the program.
void Program::shutdown()
{
    if (shuttingDown_)
        return;
    shuttingDown_ = true;
    if (timeDialog_)
        timeDialog_->close();
    if (compact_)
        compact_->close();
    radio_.shutdown(1500);
    if (radioDialog_)
        radioDialog_->close();
    if (rbnDialog_)
        rbnDialog_->close();
    if (statusEditor_)
        statusEditor_->close();
    if (splash_)
        splash_->close();
    if (about_)
        about_->close();
    if (instructions_)
        instructions_->close();
    if (description_)
        description_->close();
    if (monitor_)
        monitor_->closeWindows();
    Q_EMIT finished();
}

// A help window is made at its first opening and only hidden by its Close button, so
// every later opening shows the same window, placed at the main window's corner.
void Program::openInstructions()
{
    if (!instructions_)
        instructions_ = new InstructionForm;
    instructions_->openAt(form1_);
}

void Program::openDescription()
{
    if (!description_)
        description_ = new DescriptionForm;
    description_->openAt(form1_);
}

// The About box is modal and made afresh each time; OK or its close box ends it.
void Program::openAbout()
{
    if (about_)
        return;
    about_ = new frmAbout(messageBoxes_, form1_);
    about_->setAttribute(Qt::WA_DeleteOnClose);
    about_->Form_Load();
    about_->show();
}

// Band choices tune the radio; follow mode moves the main window and the radio together
// at each step of the station's run, from the tracking tick's own clock sample.
void Program::connectRadio()
{
    connect(form1_, &Form1::trackingTick, &follow_, &FollowMode::onTrackingTick);
    connect(form1_, &Form1::trackingTick, this, &Program::showScanStep);
    connect(&follow_, &FollowMode::bandDue, form1_, &Form1::FollowBand);
    connect(&follow_, &FollowMode::tuneDue, &radio_, &RadioControl::tuneBand);
    connect(&follow_, &FollowMode::textChanged, form1_, &Form1::setFollowText);
    connect(&follow_, &FollowMode::followingChanged, form1_, &Form1::setFollowedStation);
    connect(form1_, &Form1::followRequested, &follow_, &FollowMode::follow);
    connect(form1_, &Form1::stopFollowingRequested, &follow_, &FollowMode::stop);
    connect(form1_, &Form1::bandChosen, this, &Program::userChoseBand);
    connect(form1_, &Form1::scanRequested, this, &Program::setScanning);
    const auto showRadio = [this] {
        showRadioLine();
        form1_->setScanAvailable(radio_.state().kind != RadioState::Kind::NotConfigured);
    };
    connect(&radio_, &RadioControl::stateChanged, form1_, showRadio);
    connect(form1_, &Form1::radioDialogRequested, this, &Program::openRadioDialog);
    showRadio();
}

// A band the user picks by hand ends follow mode and scanning, and tunes the radio
// there. The compact view's highlighted row is such a choice too.
void Program::userChoseBand(BandIndex band)
{
    follow_.stop();
    if (monitor_)
        monitor_->setScanMode(false);
    radio_.tuneBand(band);
}

// In the compact view a highlighted row tunes the radio like a band button, and the
// radio's state (and, while following, the followed station) are lines of its tooltip.
void Program::connectCompactRadio()
{
    connect(compact_, &frmCondensed::rowChosen, this, &Program::userChoseBand);
    auto showRadio = [this] { compact_->setExtraToolTip(QStringLiteral("radio"), radio_.stateText()); };
    auto showFollow = [this] { compact_->setExtraToolTip(QStringLiteral("follow"), follow_.text()); };
    connect(&radio_, &RadioControl::stateChanged, compact_, showRadio);
    connect(&follow_, &FollowMode::textChanged, compact_, showFollow);
    showRadio();
    showFollow();
}

void Program::openRadioDialog()
{
    if (!radioDialog_) {
        radioDialog_ = new frmRadio(settings_, form1_);
        radioDialog_->setAttribute(Qt::WA_DeleteOnClose);
        connect(radioDialog_, &frmRadio::testRequested, &radio_, &RadioControl::test);
        connect(&radio_, &RadioControl::testFinished, radioDialog_, &frmRadio::showTestResult);
        connect(radioDialog_, &frmRadio::saved, this, [this](const RadioSettings &settings) {
            radio_.configure(settings);
            // The radio joins in at once on the band the main window shows.
            if (const BandIndex band = state_.trackedBand(); band >= 0)
                radio_.tuneBand(band);
        });
        radioDialog_->Form_Load();
    }
    radioDialog_->open();
}

// The skimmers' feed is made with the main window but sends nothing until the user
// turns it on. Its log is SQLite, which lives in the beacon monitor's module: the
// module is opened the first time the feed is on, so a user who never turns it on
// loads no SQL.
void Program::startSpots()
{
    spotStore_ = std::make_unique<SpotStore>(*feedClock_);
    rbnFeed_ = std::make_unique<RbnFeed>(*spotStore_, *feedClock_);
    spotTimer_ = new QTimer(this);
    spotTimer_->setObjectName(QStringLiteral("SpotTimer"));
    spotTimer_->setInterval(1000);
    connect(spotTimer_, &QTimer::timeout, this, &Program::showSpots);
    connect(spotStore_.get(), &SpotStore::spotsChanged, this, [this] {
        showSpots();
        if (monitor_)
            monitor_->spotsChanged();
    });
    connect(rbnFeed_.get(), &RbnFeed::statusChanged, this, [this](const QString &text) {
        if (monitor_)
            monitor_->spotsChanged();
        if (form1_)
            form1_->setRbnStateText(rbnOn_ ? rbnFeed_->lineText() : QString(), rbnOn_ ? text : QString());
        if (rbnDialog_)
            rbnDialog_->showStatus(text);
    });
    connect(form1_, &Form1::rbnDialogRequested, this, &Program::openRbnDialog);
    form1_->setSpotToolTip([this](BeaconIndex station, BandIndex band) {
        return rbnOn_ && spotStore_ ? recentSpotText(*spotStore_, station, band, feedClock_->utcMs()) : QString();
    });
    applyRbnSettings(readRbnSettings(settings_));
}

void Program::applyRbnSettings(const RbnSettings &settings)
{
    rbnOn_ = settings.enabled;
    if (rbnOn_)
        attachSpotLog();
    spotStore_->setWatchList(settings.skimmers);
    rbnFeed_->apply(settings);
    if (rbnOn_)
        spotTimer_->start();
    else
        spotTimer_->stop();
    if (form1_)
        form1_->setRbnStateText(rbnOn_ ? rbnFeed_->lineText() : QString(), rbnOn_ ? rbnFeed_->statusText() : QString());
    if (monitor_)
        monitor_->spotsChanged();
    offerSuggestions();
    showSpots();
}

// The status editor suggests from the spots while the feed is on.
void Program::offerSuggestions()
{
    if (!statusEditor_ || !spotStore_)
        return;
    if (rbnOn_)
        statusEditor_->setSuggestionSource([this] { return suggestStatus(*spotStore_, feedClock_->utcMs()); });
    else
        statusEditor_->setSuggestionSource({});
}

QString Program::spotLogPath() const
{
    return monitorLogPath_.isEmpty()
        ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/monitor.sqlite")
        : monitorLogPath_;
}

// The log, and the user's own callsigns for the stations beside it, once, before the
// first spot comes. Without the module the spots are kept in memory only.
void Program::attachSpotLog()
{
    if (spotLogTried_)
        return;
    spotLogTried_ = true;
    const QString path = spotLogPath();
    QStringList problems; // the monitor reports them
    rbnFeed_->setCallsigns(
        loadBeaconCallsigns(QFileInfo(path).dir().filePath(QLatin1String(BeaconCallsigns::FileName)), problems));
    QString why;
    if (MonitorModuleFactory *factory = MonitorLoader::load(QCoreApplication::applicationDirPath(), &why)) {
        if (!spotStore_->attachLog(factory->openSpotLog(path)))
            qWarning("The spot log is not kept: %s", qPrintable(spotStore_->logError()));
    } else {
        qWarning("The spot log is not kept: %s", qPrintable(why));
    }
}

void Program::openRbnDialog()
{
    if (!rbnDialog_) {
        rbnDialog_ = new frmRbn(settings_, form1_);
        rbnDialog_->setAttribute(Qt::WA_DeleteOnClose);
        connect(rbnDialog_, &frmRbn::saved, this, &Program::applyRbnSettings);
        rbnDialog_->Form_Load();
        rbnDialog_->showStatus(rbnFeed_->statusText());
    }
    rbnDialog_->open();
}

// The rings round the stations heard on the tracked band, and the marks on the compact
// view's rows; shown only while the feed is on.
void Program::showSpots()
{
    if (!spotStore_)
        return;
    const qint64 now = feedClock_->utcMs();
    if (form1_)
        form1_->setSpottedStations(rbnOn_ ? stationsSpottedOn(*spotStore_, state_.trackedBand(), now)
                                          : SpottedStations{});
    if (compact_ && compact_->shownSlot() >= 0) {
        for (BandIndex b = 0; b < BandCount; ++b) {
            const BeaconIndex station = ScheduleClock::beaconOn(b, compact_->shownSlot());
            compact_->setRowSpotted(b, rbnOn_ && spottedLately(*spotStore_, station, b, now));
        }
    }
}

} // namespace halvion
