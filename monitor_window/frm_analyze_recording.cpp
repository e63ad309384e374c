#include "frm_analyze_recording.h"

#include "clock_offset_tracker.h"
#include "monitor_controller.h"
#include "recording_start.h"
#include "wav_reader.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimeZone>
#include <QVBoxLayout>

#include <cmath>

namespace halvion {

namespace {
const QString ChooseText = QStringLiteral("Choose a WAV recording of one beacon frequency.");
}

frmAnalyzeRecording::frmAnalyzeRecording(MonitorController &monitor, QWidget *parent)
    : QDialog(parent), monitor_(monitor)
{
    setObjectName(QStringLiteral("frmAnalyzeRecording"));
    setWindowTitle(QStringLiteral("Halvion - Analyze Recording"));

    RecordingPath = new QLineEdit(this);
    RecordingPath->setObjectName(QStringLiteral("RecordingPath"));
    RecordingPath->setMinimumWidth(360);
    BrowseButton = new QPushButton(QStringLiteral("Browse..."), this);
    BrowseButton->setObjectName(QStringLiteral("BrowseButton"));
    RecordingInfo = new QLabel(ChooseText, this);
    RecordingInfo->setObjectName(QStringLiteral("RecordingInfo"));
    RecordingInfo->setWordWrap(true);
    RecordingStart = new QDateTimeEdit(this);
    RecordingStart->setObjectName(QStringLiteral("RecordingStart"));
    RecordingStart->setTimeSpec(Qt::UTC);
    RecordingStart->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz 'UTC'"));
    RecordingBand = new QComboBox(this);
    RecordingBand->setObjectName(QStringLiteral("RecordingBand"));
    for (BandIndex b = 0; b < BandCount; ++b) {
        const Band &band = BeaconCatalogue::band(b);
        RecordingBand->addItem(QStringLiteral("%1 m - %2 MHz")
                                   .arg(QString::fromLatin1(band.bandLabel.data(), qsizetype(band.bandLabel.size())),
                                        QString::fromLatin1(band.frequencyText.data(), qsizetype(band.frequencyText.size()))));
    }
    AnalysisProgress = new QProgressBar(this);
    AnalysisProgress->setObjectName(QStringLiteral("AnalysisProgress"));
    AnalysisProgress->setRange(0, 100);
    AnalysisProgress->setValue(0);
    AnalyzeButton = new QPushButton(QStringLiteral("&Analyze"), this);
    AnalyzeButton->setObjectName(QStringLiteral("AnalyzeButton"));
    AnalyzeButton->setEnabled(false);
    CancelButton = new QPushButton(QStringLiteral("Close"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    // Enter in the path field takes the path and starts the analysis when the file can be
    // analysed, and does nothing otherwise; on a button that has the focus it presses that one.
    AnalyzeButton->setDefault(true);
    ClockErrorInfo = new QLabel(this);
    ClockErrorInfo->setObjectName(QStringLiteral("ClockErrorInfo"));
    ClockErrorInfo->setWordWrap(true);
    ClockErrorInfo->setVisible(false);
    ReanalyzeButton = new QPushButton(QStringLiteral("Analyze Again &Corrected"), this);
    ReanalyzeButton->setObjectName(QStringLiteral("ReanalyzeButton"));
    ReanalyzeButton->setVisible(false);

    auto *file = new QHBoxLayout;
    file->addWidget(RecordingPath);
    file->addWidget(BrowseButton);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Recording:"), file);
    form->addRow(QString(), RecordingInfo);
    form->addRow(QStringLiteral("Started at:"), RecordingStart);
    form->addRow(QStringLiteral("Band:"), RecordingBand);
    form->addRow(QStringLiteral("Progress:"), AnalysisProgress);
    form->addRow(QString(), ClockErrorInfo);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ReanalyzeButton);
    buttons->addWidget(AnalyzeButton);
    buttons->addWidget(CancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    RecordingStart->setDateTime(QDateTime::fromMSecsSinceEpoch(monitor_.nowUtcMs(), Qt::UTC));

    connect(BrowseButton, &QPushButton::clicked, this, &frmAnalyzeRecording::BrowseButton_Click);
    connect(AnalyzeButton, &QPushButton::clicked, this, &frmAnalyzeRecording::AnalyzeButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &frmAnalyzeRecording::CancelButton_Click);
    connect(ReanalyzeButton, &QPushButton::clicked, this, &frmAnalyzeRecording::ReanalyzeButton_Click);
    connect(RecordingPath, &QLineEdit::editingFinished, this, [this] { setRecordingPath(RecordingPath->text()); });
    connect(&monitor_.engine(), &MonitorEngine::recordingProgress, AnalysisProgress, &QProgressBar::setValue);
    connect(&monitor_.engine(), &MonitorEngine::recordingFinished, this, &frmAnalyzeRecording::finished);
}

// The path field loses the focus while the dialog is taken down, after this part of it
// is gone: its "editing finished" must not reach the dialog then.
frmAnalyzeRecording::~frmAnalyzeRecording() { RecordingPath->disconnect(this); }

void frmAnalyzeRecording::setRecordingPath(const QString &path)
{
    RecordingPath->setText(path);
    WavReader reader;
    fileOk_ = !path.isEmpty() && reader.open(path);
    AnalysisProgress->setValue(0);
    if (!fileOk_) {
        RecordingInfo->setText(path.isEmpty() ? ChooseText : reader.errorText());
        showBusy(monitor_.engine().recordingBusy());
        return;
    }
    const QFileInfo info(path);
    const RecordingStartGuess guess = guessRecordingStart(path, info.lastModified().toMSecsSinceEpoch(),
                                                          reader.durationSeconds());
    RecordingStart->setDateTime(QDateTime::fromMSecsSinceEpoch(guess.startUtcMs, Qt::UTC));
    if (guess.band >= 0)
        RecordingBand->setCurrentIndex(guess.band);
    const int seconds = int(reader.durationSeconds());
    RecordingInfo->setText(QStringLiteral("%1 min %2 s at %3 Hz, %4 channel(s). %5.")
                               .arg(seconds / 60)
                               .arg(seconds % 60, 2, 10, QLatin1Char('0'))
                               .arg(reader.sampleRate())
                               .arg(reader.channels())
                               .arg(guess.fromName && guess.band >= 0 ? QStringLiteral("Start time and band from the file name")
                                    : guess.fromName ? QStringLiteral("Start time from the file name")
                                    : guess.band >= 0 ? QStringLiteral("Band from the file name, start time from the file's time less its length")
                                                      : QStringLiteral("Start time from the file's time less its length")));
    showBusy(monitor_.engine().recordingBusy());
}

void frmAnalyzeRecording::BrowseButton_Click()
{
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Halvion - Choose a Recording"),
                                                      QFileInfo(RecordingPath->text()).absolutePath(),
                                                      QStringLiteral("WAV recordings (*.wav *.WAV);;All files (*)"));
    if (!path.isEmpty())
        setRecordingPath(path);
}

void frmAnalyzeRecording::AnalyzeButton_Click()
{
    QString error;
    const qint64 start = RecordingStart->dateTime().toMSecsSinceEpoch();
    if (!monitor_.engine().analyzeRecording(RecordingPath->text(), start, RecordingBand->currentIndex(), error)) {
        monitor_.message(QStringLiteral("Halvion - Analyze Recording Error"), error, true);
        return;
    }
    AnalysisProgress->setValue(0);
    ClockErrorInfo->setVisible(false);
    ReanalyzeButton->setVisible(false);
    showBusy(true);
}

void frmAnalyzeRecording::ReanalyzeButton_Click()
{
    RecordingStart->setDateTime(RecordingStart->dateTime().addMSecs(-qint64(std::llround(clockError_ * 1000))));
    AnalyzeButton_Click();
}

void frmAnalyzeRecording::CancelButton_Click()
{
    if (monitor_.engine().recordingBusy())
        monitor_.engine().cancelRecording();
    else
        close();
}

void frmAnalyzeRecording::finished(int slots, int heard, const QString &error)
{
    showBusy(false);
    if (!error.isEmpty()) {
        monitor_.message(QStringLiteral("Halvion - Analyze Recording Error"), error, true);
        return;
    }
    AnalysisProgress->setValue(100);
    if (slots == 0) {
        monitor_.message(QStringLiteral("Halvion - Analyze Recording"),
                         QStringLiteral("No slot could be measured: the recording holds no whole slot with sound in it."), true);
        return;
    }
    // The beacons keep GPS time: when the recording's slots say its start time was off,
    // say so and offer to analyse it again with the start corrected.
    const auto clockError = monitor_.engine().recordingClockError();
    const bool off = clockError && std::abs(*clockError) > ClockOffsetTracker::ToleranceSeconds;
    QString text = QStringLiteral("%1 slots measured, the beacon heard in %2 of them.").arg(slots).arg(heard);
    if (off) {
        clockError_ = *clockError;
        ClockErrorInfo->setText(QStringLiteral("The recording's start time seems %1 s %2: the beacons were heard that far "
                                               "from their slots. Analyze it again with the start corrected to %3?")
                                    .arg(std::abs(clockError_), 0, 'f', 2)
                                    .arg(clockError_ > 0 ? QStringLiteral("late") : QStringLiteral("early"))
                                    .arg(RecordingStart->dateTime()
                                             .addMSecs(-qint64(std::llround(clockError_ * 1000)))
                                             .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz 'UTC'"))));
        text += QStringLiteral("\n\n") + ClockErrorInfo->text();
    }
    ClockErrorInfo->setVisible(off);
    ReanalyzeButton->setVisible(off);
    monitor_.message(QStringLiteral("Halvion - Analyze Recording"), text, off);
    monitor_.openResults();
}

void frmAnalyzeRecording::showBusy(bool busy)
{
    AnalyzeButton->setEnabled(!busy && fileOk_);
    BrowseButton->setEnabled(!busy);
    RecordingPath->setEnabled(!busy);
    RecordingStart->setEnabled(!busy);
    RecordingBand->setEnabled(!busy);
    ReanalyzeButton->setEnabled(!busy);
    CancelButton->setText(busy ? QStringLiteral("Cancel") : QStringLiteral("Close"));
}

} // namespace halvion
