#pragma once
// The propagation picture: every station on every band, each cell coloured by its last
// measurement and faded by its age, and for a chosen station or band a chart of the
// 100-W dash over the time the data spans, or the last 1, 6 or 24 hours.

#include "slot_measurement.h"

#include <QWidget>

#include <vector>

class QChart;
class QCheckBox;
class QChartView;
class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;
class QTabWidget;
class QTimer;

namespace halvion {

class MonitorController;
class SkimmerResults;

class frmMonitorResults : public QWidget {
    Q_OBJECT
public:
    explicit frmMonitorResults(MonitorController &monitor, QWidget *parent = nullptr);

    // Reads the log again and redraws the grid, the chart and the clock line.
    void refresh();
    void showGrid();
    void showChart();
    void showClockOffset();
    void ResultsGrid_Click(int row, int column);
    void ChartSubject_Click(int index);
    void ChartSpan_Click(int index);
    void ExportCsv_Click();
    // Chart subjects: the 18 stations first, then the 5 bands.
    void chooseStation(BeaconIndex station);
    void chooseBand(BandIndex band);

    QTableWidget *ResultsGrid = nullptr;
    QComboBox *ChartSubject = nullptr;
    // The chart's time span: what fits the data (a recording's own time, however long
    // ago), the last hour, 6 hours or 24 hours.
    QComboBox *ChartSpan = nullptr;
    QChartView *HistoryChart = nullptr;
    QLabel *ClockOffsetLabel = nullptr;
    QLabel *ColourKey = nullptr;
    QPushButton *ExportCsv = nullptr;
    QTimer *AgeTimer = nullptr;
    // Two pages: the user's own monitor, and what the network's skimmers heard.
    QTabWidget *ResultsTabs = nullptr;
    SkimmerResults *Skimmers = nullptr;
    // Only the latest cycle: the newest 18 slots in the log, in which every station
    // sends once on every band, so with a receiver on each band all 90 cells are of the
    // same three minutes.
    QCheckBox *LastCycleOnly = nullptr;
    void LastCycleOnly_Click(bool on);
    // The newest measurement of every pair within the latest cycle.
    std::vector<SlotMeasurement> latestCycle() const;
    // A cell's age, short enough for the cell: "now", "7m", "3h", "2d".
    static QString cellAgeText(qint64 ms);

protected:
    void showEvent(QShowEvent *event) override;

private:
    // Makes the pages; returns the own monitor's page for its controls.
    QWidget *buildPages();

    MonitorController &monitor_;
    std::vector<SlotMeasurement> latest_;
    bool placed_ = false;
};

} // namespace halvion
