#pragma once
// "Heard by skimmers": the Reverse Beacon Network's side of the results window. Every
// station on every band, each cell the number of skimmers that heard it and the best
// SNR they reported in the chosen span, and for a chosen station or band a chart of
// the skimmers' SNR over the last 24 hours, beside the user's own monitor. It reads
// the program's spots through the monitor's host and redraws at most once a second.

#include "spot_view.h"

#include <QWidget>

class QChartView;
class QComboBox;
class QLabel;
class QTableWidget;
class QTimer;

namespace halvion {

class MonitorController;

class SkimmerResults : public QWidget {
    Q_OBJECT
public:
    explicit SkimmerResults(MonitorController &monitor, QWidget *parent = nullptr);

    // Asks the spots again and redraws the status line, the grid and the chart.
    void refresh();
    void showGrid();
    void showChart();
    void SkimmerGrid_Click(int row, int column);
    void SkimmerSpan_Click(int index);
    void SkimmerSubject_Click(int index);
    // Chart subjects: the 18 stations first, then the 5 bands.
    void chooseStation(BeaconIndex station);
    void chooseBand(BandIndex band);
    // The chosen span in minutes (15, 60, 360 or 1440).
    int spanMinutes() const;

    QLabel *SkimmerStatus = nullptr;
    QTableWidget *SkimmerGrid = nullptr;
    QComboBox *SkimmerSpan = nullptr;
    QComboBox *SkimmerSubject = nullptr;
    QChartView *SkimmerChart = nullptr;
    // Gathers the changes of a busy feed into one redraw a second.
    QTimer *SkimmerRefreshTimer = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    MonitorController &monitor_;
};

// A cell's text, "12 / 24 dB" (skimmers / best SNR); empty when not spotted.
QString skimmerCellText(const SpotSummary &cell);

} // namespace halvion
