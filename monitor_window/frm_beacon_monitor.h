#pragma once
// "Beacon Monitor...": choose the sound input the receiver is connected to, watch its
// level, set the CW pitch and start or stop listening. While it listens every slot of
// the band the main window follows is measured and logged; with radio control on, the
// receiver can instead scan all five bands, one per slot.

#include "app_state.h"
#include "slot_measurement.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace halvion {

class MonitorController;

// One line about a measurement: "14:03:20 UTC  20 m  4U1UN  heard at 1 W, 100 W dash +3.2 dB".
QString measurementLine(const SlotMeasurement &m);

class frmBeaconMonitor : public QDialog {
    Q_OBJECT
public:
    frmBeaconMonitor(MonitorController &monitor, const AppState &state, QWidget *parent = nullptr);

    // Fills the input list and the pitch from the settings; run at every opening.
    void Form_Load();
    void StartButton_Click();
    void InputDevice_Click(int index);
    void PitchHz_Change(int hz);
    void AudioDelay_Change(int ms);
    void ScanBands_Click(bool on);
    void PerBandInputs_Click(bool on);
    void BandLine_Change(halvion::BandIndex band);
    void showBandLevel(halvion::BandIndex band, double peakDb);
    void showBandStatus(halvion::BandIndex band, const QString &text);
    void showLevel(double peakDb);
    void showMeasurement(const SlotMeasurement &m);
    void showState();

    QComboBox *InputDevice = nullptr;
    QSpinBox *PitchHz = nullptr;
    QSpinBox *AudioDelay = nullptr;
    QProgressBar *LevelMeter = nullptr;
    QCheckBox *ScanBands = nullptr;
    // One receiver per band instead of the single input; the lines, indexed by band
    // ("20 m" first), are BandInput0..4, BandChannel0..4, BandPitch0..4, BandLevel0..4
    // and BandStatus0..4.
    QCheckBox *PerBandInputs = nullptr;
    QWidget *SingleInput = nullptr;
    QWidget *BandLines = nullptr;
    std::array<QComboBox *, BandCount> BandInput{};
    std::array<QComboBox *, BandCount> BandChannel{};
    std::array<QSpinBox *, BandCount> BandPitch{};
    std::array<QProgressBar *, BandCount> BandLevel{};
    std::array<QLabel *, BandCount> BandStatus{};
    QLabel *BandInfo = nullptr;
    QLabel *MonitorStatus = nullptr;
    QLabel *LastMeasurement = nullptr;
    QPushButton *StartButton = nullptr;
    QPushButton *ResultsButton = nullptr;
    QPushButton *CloseButton = nullptr;

private:
    MonitorController &monitor_;
    const AppState &state_;
    bool loading_ = false;
};

} // namespace halvion
