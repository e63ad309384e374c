// The monitor module's entry point: the program opens the module and asks this factory
// for a monitor, then reaches it only through MonitorModule.

#include "monitor_module.h"

#include "clock_offset_tracker.h"
#include "latest_levels.h"
#include "monitor_controller.h"
#include "spot_log.h"

namespace halvion {

namespace {

// The monitor made for the program: its controller, and the last level heard of each
// station on each band for the windows that show it beside a callsign.
class LoadedMonitor final : public MonitorModule {
public:
    explicit LoadedMonitor(const MonitorHost &host)
        : host_(host), controller_(*host.state, *host.settings, host.logPath.isEmpty() ? MonitorLog::defaultPath() : host.logPath,
                                   host.nowUtcMs, *host.messages)
    {
        controller_.setSpotSource(host.spots, host.spotStatus);
        QObject::connect(&controller_.engine(), &MonitorEngine::measured, &controller_, [this](const SlotMeasurement &m) {
            levels_.record(m);
            const ClockOffsetTracker &tracker = controller_.engine().clockOffset();
            std::optional<MonitorAirOffset> air;
            if (tracker.clockIsOff())
                if (const auto offset = tracker.offsetSeconds())
                    air = MonitorAirOffset{*offset, ClockOffsetTracker::SlotsNeeded};
            if (host_.airOffsetChanged)
                host_.airOffsetChanged(air);
            if (host_.measured)
                host_.measured();
        });
        // The offset heard from the air holds only while the monitor listens.
        QObject::connect(&controller_, &MonitorController::listeningChanged, &controller_, [this](bool on) {
            if (!on && host_.airOffsetChanged)
                host_.airOffsetChanged(std::nullopt);
        });
        QObject::connect(&controller_, &MonitorController::tuneRequested, &controller_, [this](BandIndex band) {
            if (host_.tuneRequested)
                host_.tuneRequested(band);
        });
        QObject::connect(&controller_, &MonitorController::scanModeChanged, &controller_, [this](bool on) {
            if (host_.scanModeChanged)
                host_.scanModeChanged(on);
        });
    }

    void openMonitor() override { controller_.openMonitor(); }
    void openAnalyzeRecording() override { controller_.openAnalyzeRecording(); }
    void openResults() override { controller_.openResults(); }
    void closeWindows() override { controller_.closeWindows(); }
    void setScanMode(bool on) override { controller_.setScanMode(on); }
    bool scanMode() const override { return controller_.scanMode(); }
    void setRadioAvailable(bool available) override { controller_.setRadioAvailable(available); }
    void setReceiverBand(BandIndex band) override { controller_.setReceiverBand(band); }
    QString levelText(BeaconIndex station, BandIndex band) const override
    {
        return levels_.text(station, band, controller_.nowUtcMs());
    }
    void spotsChanged() override { Q_EMIT controller_.spotsChanged(); }
    MonitorController *controller() override { return &controller_; }

private:
    MonitorHost host_;
    MonitorController controller_;
    LatestLevels levels_;
};

} // namespace

// The object the module loader finds in the module.
class MonitorModuleEntry : public QObject, public MonitorModuleFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID HALVION_MONITOR_MODULE_IID)
    Q_INTERFACES(halvion::MonitorModuleFactory)
public:
    std::unique_ptr<MonitorModule> create(const MonitorHost &host) override { return std::make_unique<LoadedMonitor>(host); }
    std::unique_ptr<SpotArchive> openSpotLog(const QString &path) override
    {
        return halvion::openSpotLog(path.isEmpty() ? SpotLog::defaultPath() : path);
    }
};

} // namespace halvion

#include "monitor_module.moc"
