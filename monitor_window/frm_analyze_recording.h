#pragma once
// "Analyze Recording...": measures a WAV recording of one beacon frequency, made with
// any receiver program, as if it were heard live. The start time and band are taken
// from the file when it tells them and can be corrected before the analysis.

#include <QDialog>

class QComboBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace halvion {

class MonitorController;

class frmAnalyzeRecording : public QDialog {
    Q_OBJECT
public:
    explicit frmAnalyzeRecording(MonitorController &monitor, QWidget *parent = nullptr);
    ~frmAnalyzeRecording() override;

    // Takes a file: reads its length, guesses its start and band, or says what is wrong.
    void setRecordingPath(const QString &path);
    void BrowseButton_Click();
    void AnalyzeButton_Click();
    void CancelButton_Click();
    // Analyses the recording again with its start moved by the clock error found.
    void ReanalyzeButton_Click();

    QLineEdit *RecordingPath = nullptr;
    QPushButton *BrowseButton = nullptr;
    QLabel *RecordingInfo = nullptr;
    QDateTimeEdit *RecordingStart = nullptr;
    QComboBox *RecordingBand = nullptr;
    QProgressBar *AnalysisProgress = nullptr;
    QPushButton *AnalyzeButton = nullptr;
    QPushButton *CancelButton = nullptr;
    QLabel *ClockErrorInfo = nullptr;      // the recording's clock error, when it is off
    QPushButton *ReanalyzeButton = nullptr;

private:
    void finished(int slots, int heard, const QString &error);
    void showBusy(bool busy);

    MonitorController &monitor_;
    bool fileOk_ = false;
    double clockError_ = 0; // seconds the start was late by, as the last analysis found
};

} // namespace halvion
