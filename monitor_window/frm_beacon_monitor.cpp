#include "frm_beacon_monitor.h"

#include "audio_input.h"
#include "monitor_controller.h"
#include "pc_time_text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTimeZone>
#include <QVBoxLayout>

#include <cmath>

namespace halvion {

namespace {

constexpr int MeterFloorDb = -60;

QString latin(std::string_view text) { return QString::fromLatin1(text.data(), qsizetype(text.size())); }

} // namespace

QString measurementLine(const SlotMeasurement &m)
{
    const QString when = instantTimeText(m.slotStartUtcMs());
    const QString station = latin(BeaconCatalogue::beacon(m.station()).callsign);
    const QString band = latin(BeaconCatalogue::band(m.band).bandLabel) + QStringLiteral(" m");
    if (!m.heard())
        return QStringLiteral("%1  %2  %3  not heard").arg(when, band, station);
    QString line = QStringLiteral("%1  %2  %3  heard at %4, 100 W dash %5 dB")
                       .arg(when, band, station, QString::fromLatin1(m.heardAtText()))
                       .arg(m.dashSnrDb[0], 0, 'f', 1);
    if (m.otherStation())
        line += QStringLiteral(" (other station: in %1's slot)").arg(latin(BeaconCatalogue::beacon(m.expected).callsign));
    return line;
}

frmBeaconMonitor::frmBeaconMonitor(MonitorController &monitor, const AppState &state, QWidget *parent)
    : QDialog(parent), monitor_(monitor), state_(state)
{
    setObjectName(QStringLiteral("frmBeaconMonitor"));
    setWindowTitle(QStringLiteral("Halvion - Beacon Monitor"));
    setMinimumWidth(500);

    InputDevice = new QComboBox(this);
    InputDevice->setObjectName(QStringLiteral("InputDevice"));
    InputDevice->setMinimumWidth(320);
    PitchHz = new QSpinBox(this);
    PitchHz->setObjectName(QStringLiteral("PitchHz"));
    PitchHz->setRange(300, 1500);
    PitchHz->setSingleStep(10);
    PitchHz->setSuffix(QStringLiteral(" Hz"));
    PitchHz->setToolTip(QStringLiteral("The receiver's CW pitch; the tone is looked for 300 Hz either side of it."));
    AudioDelay = new QSpinBox(this);
    AudioDelay->setObjectName(QStringLiteral("AudioDelay"));
    AudioDelay->setRange(0, MonitorController::MaxAudioDelayMs);
    AudioDelay->setSingleStep(10);
    AudioDelay->setSuffix(QStringLiteral(" ms"));
    AudioDelay->setToolTip(QStringLiteral("How long the receiver's audio takes to reach Halvion (an SDR program's and the "
                                          "sound server's buffers). Entered once, it is taken off every start time and "
                                          "the PC clock error measured live."));
    LevelMeter = new QProgressBar(this);
    LevelMeter->setObjectName(QStringLiteral("LevelMeter"));
    LevelMeter->setRange(MeterFloorDb, 0);
    LevelMeter->setValue(MeterFloorDb);
    LevelMeter->setFormat(QStringLiteral("no signal"));
    ScanBands = new QCheckBox(QStringLiteral("Scan all five bands with the radio"), this);
    ScanBands->setObjectName(QStringLiteral("ScanBands"));
    BandInfo = new QLabel(this);
    BandInfo->setObjectName(QStringLiteral("BandInfo"));
    BandInfo->setWordWrap(true);
    // Room for the scan's three lines, so the window does not jump when it starts or ends.
    BandInfo->setMinimumHeight(3 * BandInfo->fontMetrics().lineSpacing());
    BandInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    MonitorStatus = new QLabel(this);
    MonitorStatus->setObjectName(QStringLiteral("MonitorStatus"));
    MonitorStatus->setWordWrap(true);
    LastMeasurement = new QLabel(QStringLiteral("No slot measured yet."), this);
    LastMeasurement->setObjectName(QStringLiteral("LastMeasurement"));
    StartButton = new QPushButton(QStringLiteral("Start Listening"), this);
    StartButton->setObjectName(QStringLiteral("StartButton"));
    ResultsButton = new QPushButton(QStringLiteral("Show Results..."), this);
    ResultsButton->setObjectName(QStringLiteral("ResultsButton"));
    CloseButton = new QPushButton(QStringLiteral("Close"), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));

    PerBandInputs = new QCheckBox(QStringLiteral("One receiver per band (several inputs at once)"), this);
    PerBandInputs->setObjectName(QStringLiteral("PerBandInputs"));
    PerBandInputs->setToolTip(QStringLiteral("Each band is heard from a sound input of its own (or one channel of a "
                                             "multi-channel input), all at once: every station on every band is "
                                             "measured every three minutes."));

    SingleInput = new QWidget(this);
    SingleInput->setObjectName(QStringLiteral("SingleInput"));
    auto *form = new QFormLayout(SingleInput);
    form->setContentsMargins(0, 0, 0, 0);
    form->addRow(QStringLiteral("Sound input:"), InputDevice);
    form->addRow(QStringLiteral("Level:"), LevelMeter);
    form->addRow(QStringLiteral("CW pitch:"), PitchHz);
    form->addRow(QString(), ScanBands);

    BandLines = new QWidget(this);
    BandLines->setObjectName(QStringLiteral("BandLines"));
    auto *grid = new QGridLayout(BandLines);
    grid->setContentsMargins(0, 0, 0, 0);
    const QStringList heads{QStringLiteral("Band"), QStringLiteral("Sound input"), QStringLiteral("Channel"),
                            QStringLiteral("CW pitch"), QStringLiteral("Level")};
    for (int c = 0; c < heads.size(); ++c)
        grid->addWidget(new QLabel(heads[c], BandLines), 0, c);
    for (BandIndex b = 0; b < BandCount; ++b) {
        const QString n = QString::number(b);
        const int row = 1 + 2 * b;
        grid->addWidget(new QLabel(latin(BeaconCatalogue::band(b).bandLabel) + QStringLiteral(" m"), BandLines), row, 0);
        BandInput[std::size_t(b)] = new QComboBox(BandLines);
        BandInput[std::size_t(b)]->setObjectName(QStringLiteral("BandInput") + n);
        BandInput[std::size_t(b)]->setMinimumWidth(220);
        grid->addWidget(BandInput[std::size_t(b)], row, 1);
        BandChannel[std::size_t(b)] = new QComboBox(BandLines);
        BandChannel[std::size_t(b)]->setObjectName(QStringLiteral("BandChannel") + n);
        BandChannel[std::size_t(b)]->addItem(QStringLiteral("all"), 0);
        BandChannel[std::size_t(b)]->addItem(QStringLiteral("left"), 1);
        BandChannel[std::size_t(b)]->addItem(QStringLiteral("right"), 2);
        for (int c = 3; c <= BandInputs::MaxChannel; ++c)
            BandChannel[std::size_t(b)]->addItem(QString::number(c), c);
        BandChannel[std::size_t(b)]->setToolTip(QStringLiteral("The channel of a multi-channel input this band's "
                                                               "receiver is on (left and right are channels 1 and 2)."));
        grid->addWidget(BandChannel[std::size_t(b)], row, 2);
        BandPitch[std::size_t(b)] = new QSpinBox(BandLines);
        BandPitch[std::size_t(b)]->setObjectName(QStringLiteral("BandPitch") + n);
        BandPitch[std::size_t(b)]->setRange(300, 1500);
        BandPitch[std::size_t(b)]->setSingleStep(10);
        BandPitch[std::size_t(b)]->setSuffix(QStringLiteral(" Hz"));
        grid->addWidget(BandPitch[std::size_t(b)], row, 3);
        BandLevel[std::size_t(b)] = new QProgressBar(BandLines);
        BandLevel[std::size_t(b)]->setObjectName(QStringLiteral("BandLevel") + n);
        BandLevel[std::size_t(b)]->setRange(MeterFloorDb, 0);
        BandLevel[std::size_t(b)]->setValue(MeterFloorDb);
        BandLevel[std::size_t(b)]->setFormat(QStringLiteral("no signal"));
        grid->addWidget(BandLevel[std::size_t(b)], row, 4);
        BandStatus[std::size_t(b)] = new QLabel(BandLines);
        BandStatus[std::size_t(b)]->setObjectName(QStringLiteral("BandStatus") + n);
        BandStatus[std::size_t(b)]->setStyleSheet(QStringLiteral("color: #b00000"));
        BandStatus[std::size_t(b)]->hide();
        grid->addWidget(BandStatus[std::size_t(b)], row + 1, 1, 1, 4);
        connect(BandInput[std::size_t(b)], &QComboBox::activated, this, [this, b] { BandLine_Change(b); });
        connect(BandChannel[std::size_t(b)], &QComboBox::activated, this, [this, b] { BandLine_Change(b); });
        connect(BandPitch[std::size_t(b)], &QSpinBox::valueChanged, this, [this, b] { BandLine_Change(b); });
    }
    grid->setColumnStretch(4, 1);

    auto *common = new QFormLayout;
    common->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    common->addRow(QStringLiteral("Audio delay:"), AudioDelay);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(StartButton);
    buttons->addWidget(ResultsButton);
    buttons->addStretch();
    buttons->addWidget(CloseButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(PerBandInputs);
    layout->addWidget(SingleInput);
    layout->addWidget(BandLines);
    layout->addLayout(common);
    layout->addWidget(BandInfo);
    layout->addWidget(MonitorStatus);
    layout->addWidget(LastMeasurement);
    layout->addLayout(buttons);

    connect(StartButton, &QPushButton::clicked, this, &frmBeaconMonitor::StartButton_Click);
    connect(ResultsButton, &QPushButton::clicked, &monitor_, &MonitorController::openResults);
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::close);
    connect(InputDevice, &QComboBox::activated, this, &frmBeaconMonitor::InputDevice_Click);
    connect(PitchHz, &QSpinBox::valueChanged, this, &frmBeaconMonitor::PitchHz_Change);
    connect(AudioDelay, &QSpinBox::valueChanged, this, &frmBeaconMonitor::AudioDelay_Change);
    connect(ScanBands, &QCheckBox::clicked, this, &frmBeaconMonitor::ScanBands_Click);
    connect(PerBandInputs, &QCheckBox::clicked, this, &frmBeaconMonitor::PerBandInputs_Click);
    connect(&monitor_.bandInputs(), &BandInputs::levelChanged, this, &frmBeaconMonitor::showBandLevel);
    connect(&monitor_.bandInputs(), &BandInputs::statusChanged, this, &frmBeaconMonitor::showBandStatus);
    connect(&monitor_, &MonitorController::scanModeChanged, this, &frmBeaconMonitor::showState);
    connect(&monitor_, &MonitorController::radioAvailableChanged, this, &frmBeaconMonitor::showState);
    connect(&monitor_, &MonitorController::listeningChanged, this, &frmBeaconMonitor::showState);
    connect(&monitor_.audio(), &AudioInput::levelChanged, this, &frmBeaconMonitor::showLevel);
    connect(&monitor_.audio(), &AudioInput::failed, this, &frmBeaconMonitor::showState);
    connect(&monitor_.engine(), &MonitorEngine::measured, this, [this](const SlotMeasurement &m) {
        if (monitor_.listening()) {
            showMeasurement(m);
            showState();
        }
    });
}

void frmBeaconMonitor::Form_Load()
{
    loading_ = true;
    InputDevice->clear();
    const QByteArray saved = monitor_.savedDeviceId();
    for (const QAudioDevice &d : AudioInput::devices()) {
        InputDevice->addItem(d.description(), d.id());
        if (d.id() == saved)
            InputDevice->setCurrentIndex(InputDevice->count() - 1);
    }
    if (InputDevice->count() == 0)
        InputDevice->addItem(QStringLiteral("(no sound input found)"));
    PitchHz->setValue(monitor_.pitchHz());
    AudioDelay->setValue(monitor_.audioDelayMs());
    PerBandInputs->setChecked(monitor_.perBandMode());
    const QList<QAudioDevice> devices = AudioInput::devices();
    for (BandIndex b = 0; b < BandCount; ++b) {
        const BandInputLine line = monitor_.bandLine(b);
        QComboBox *input = BandInput[std::size_t(b)];
        input->clear();
        input->addItem(QStringLiteral("(none)"), QByteArray());
        for (const QAudioDevice &d : devices)
            input->addItem(d.description(), d.id());
        int at = input->findData(line.deviceId);
        if (at < 0) { // chosen before, not connected now: kept, and shown as such
            input->addItem(QStringLiteral("%1 (not connected)").arg(QString::fromUtf8(line.deviceId)), line.deviceId);
            at = input->count() - 1;
        }
        input->setCurrentIndex(at);
        BandChannel[std::size_t(b)]->setCurrentIndex(std::max(0, BandChannel[std::size_t(b)]->findData(line.channel)));
        BandPitch[std::size_t(b)]->setValue(line.pitchHz);
        showBandStatus(b, monitor_.bandInputs().status(b));
    }
    loading_ = false;
    showState();
}

void frmBeaconMonitor::InputDevice_Click(int index)
{
    const QByteArray id = InputDevice->itemData(index).toByteArray();
    if (id.isEmpty())
        return;
    monitor_.setDeviceId(id);
    if (monitor_.listening())
        monitor_.startListening(id); // move over to the new input at once
    showState();
}

void frmBeaconMonitor::PitchHz_Change(int hz)
{
    if (!loading_)
        monitor_.setPitchHz(hz);
}

void frmBeaconMonitor::AudioDelay_Change(int ms)
{
    if (!loading_)
        monitor_.setAudioDelayMs(ms);
}

void frmBeaconMonitor::ScanBands_Click(bool on)
{
    monitor_.setScanMode(on);
    showState();
}

void frmBeaconMonitor::PerBandInputs_Click(bool on)
{
    monitor_.setPerBandMode(on);
    showState();
}

void frmBeaconMonitor::BandLine_Change(BandIndex band)
{
    if (loading_)
        return;
    BandInputLine line;
    line.deviceId = BandInput[std::size_t(band)]->currentData().toByteArray();
    line.channel = BandChannel[std::size_t(band)]->currentData().toInt();
    line.pitchHz = BandPitch[std::size_t(band)]->value();
    monitor_.setBandLine(band, line);
    if (!line.used())
        showBandLevel(band, MeterFloorDb - 1);
    showState();
}

void frmBeaconMonitor::showBandLevel(BandIndex band, double peakDb)
{
    QProgressBar *meter = BandLevel[std::size_t(band)];
    const int db = int(std::lround(std::clamp(peakDb, double(MeterFloorDb), 0.0)));
    meter->setValue(db);
    meter->setFormat(peakDb <= MeterFloorDb ? QStringLiteral("no signal") : QStringLiteral("%1 dBFS").arg(db));
}

void frmBeaconMonitor::showBandStatus(BandIndex band, const QString &text)
{
    BandStatus[std::size_t(band)]->setText(text);
    BandStatus[std::size_t(band)]->setVisible(!text.isEmpty());
}

void frmBeaconMonitor::StartButton_Click()
{
    if (monitor_.listening()) {
        monitor_.stopListening();
    } else if (monitor_.perBandMode()) {
        monitor_.startListening({});
    } else if (AudioInput::devices().isEmpty()) {
        monitor_.message(QStringLiteral("Halvion - Beacon Monitor Error"), AudioInput::noDeviceMessage(), true);
    } else {
        monitor_.startListening(InputDevice->currentData().toByteArray());
    }
    showState();
}

void frmBeaconMonitor::showLevel(double peakDb)
{
    const int db = int(std::lround(std::clamp(peakDb, double(MeterFloorDb), 0.0)));
    LevelMeter->setValue(db);
    LevelMeter->setFormat(peakDb <= MeterFloorDb ? QStringLiteral("no signal") : QStringLiteral("%1 dBFS").arg(db));
}

void frmBeaconMonitor::showMeasurement(const SlotMeasurement &m)
{
    LastMeasurement->setText(measurementLine(m));
}

void frmBeaconMonitor::showState()
{
    const bool haveInput = !AudioInput::devices().isEmpty();
    const bool on = monitor_.listening();
    StartButton->setText(on ? QStringLiteral("Stop Listening") : QStringLiteral("Start Listening"));
    StartButton->setEnabled(haveInput || on);
    InputDevice->setEnabled(haveInput);
    const bool perBand = monitor_.perBandMode();
    PerBandInputs->setChecked(perBand);
    SingleInput->setVisible(!perBand);
    BandLines->setVisible(perBand);
    if (!on) {
        LevelMeter->setValue(MeterFloorDb);
        LevelMeter->setFormat(QStringLiteral("no signal"));
        for (BandIndex b = 0; b < BandCount; ++b)
            showBandLevel(b, MeterFloorDb - 1);
    }
    if (perBand) {
        int lines = 0;
        for (BandIndex b = 0; b < BandCount; ++b)
            lines += monitor_.bandLine(b).used() ? 1 : 0;
        StartButton->setEnabled(on || lines > 0);
        BandInfo->setText(lines == BandCount
                              ? QStringLiteral("Every band is heard at once: all 90 station and band pairs are measured "
                                               "every three minutes.")
                              : QStringLiteral("The bands with an input are heard at once, every slot; %1 of 5 have one.")
                                    .arg(lines));
        MonitorStatus->setText(on ? QStringLiteral("Listening on %1 band(s).").arg(lines) : QStringLiteral("Not listening."));
        return;
    }
    const bool scanning = monitor_.scanMode();
    ScanBands->setChecked(scanning);
    ScanBands->setEnabled(monitor_.radioAvailable());
    ScanBands->setToolTip(monitor_.radioAvailable()
                              ? QStringLiteral("The radio moves up one band every slot, so each station is "
                                               "measured on every band once in 15 minutes.")
                              : QStringLiteral("Needs radio control: Radio > Radio Control..."));
    const BandIndex band = state_.trackedBand();
    if (scanning)
        BandInfo->setText(QStringLiteral("Scanning: the radio moves up one band every slot (20 m after 10 m), so all "
                                         "18 stations are measured on all five bands in 15 minutes. A band button "
                                         "or follow mode ends the scan."));
    else if (band < 0)
        BandInfo->setText(QStringLiteral("Choose a band in the main window: the monitor measures the band it follows."));
    else
        BandInfo->setText(QStringLiteral("Measures the band the main window follows: %1 (%2 MHz).")
                              .arg(latin(BeaconCatalogue::band(band).buttonCaption),
                                   latin(BeaconCatalogue::band(band).frequencyText)));
    if (!haveInput)
        MonitorStatus->setText(AudioInput::noDeviceMessage());
    else if (on)
        MonitorStatus->setText(QStringLiteral("Listening to %1.").arg(monitor_.audio().deviceName()));
    else
        MonitorStatus->setText(QStringLiteral("Not listening."));
}

} // namespace halvion
