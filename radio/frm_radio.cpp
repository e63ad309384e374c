#include "frm_radio.h"

#include "hamlib_rig.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace halvion {

namespace {

constexpr int StandardSpeeds[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

} // namespace

frmRadio::frmRadio(SettingsFile &settings, QWidget *parent) : QDialog(parent), settings_(settings)
{
    setObjectName(QStringLiteral("frmRadio"));
    setWindowTitle(QStringLiteral("Halvion - Radio Control"));

    RadioOn = new QCheckBox(QStringLiteral("Tune The Radio Through Hamlib"), this);
    RadioOn->setObjectName(QStringLiteral("RadioOn"));
    RigSearch = new QLineEdit(this);
    RigSearch->setObjectName(QStringLiteral("RigSearch"));
    RigSearch->setPlaceholderText(QStringLiteral("Search maker or model"));
    RigSearch->setClearButtonEnabled(true);
    RigList = new QListWidget(this);
    RigList->setObjectName(QStringLiteral("RigList"));
    RigList->setMinimumHeight(180);
    for (const RigModelInfo &info : rigModels()) {
        auto *item = new QListWidgetItem(
            QStringLiteral("%1 (%2)").arg(QString::fromStdString(info.label())).arg(info.model), RigList);
        item->setData(Qt::UserRole, info.model);
    }
    RigPort = new QLineEdit(this);
    RigPort->setObjectName(QStringLiteral("RigPort"));
    RigSpeed = new QComboBox(this);
    RigSpeed->setObjectName(QStringLiteral("RigSpeed"));
    TestButton = new QPushButton(QStringLiteral("Test"), this);
    TestButton->setObjectName(QStringLiteral("TestButton"));
    RadioMessage = new QLabel(this);
    RadioMessage->setObjectName(QStringLiteral("RadioMessage"));
    RadioMessage->setWordWrap(true);
    RadioMessage->setTextFormat(Qt::PlainText);
    RadioMessage->setMinimumHeight(36);
    OkButton = new QPushButton(QStringLiteral("Ok"), this);
    OkButton->setObjectName(QStringLiteral("OkButton"));
    OkButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));

    auto *form = new QFormLayout;
    auto *model = new QVBoxLayout;
    model->addWidget(RigSearch);
    model->addWidget(RigList);
    form->addRow(QStringLiteral("Rig model:"), model);
    form->addRow(QStringLiteral("Port:"), RigPort);
    form->addRow(QStringLiteral("Serial speed:"), RigSpeed);
    auto *test = new QHBoxLayout;
    test->addWidget(TestButton, 0, Qt::AlignTop);
    test->addWidget(RadioMessage, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(RadioOn);
    layout->addLayout(form);
    layout->addLayout(test);
    layout->addLayout(buttons);
    resize(460, 470);

    connect(RadioOn, &QCheckBox::clicked, this, &frmRadio::RadioOn_Click);
    connect(RigSearch, &QLineEdit::textChanged, this, &frmRadio::RigSearch_Change);
    connect(RigList, &QListWidget::itemClicked, this, &frmRadio::RigList_Click);
    connect(TestButton, &QPushButton::clicked, this, &frmRadio::TestButton_Click);
    connect(OkButton, &QPushButton::clicked, this, &frmRadio::OkButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &frmRadio::CancelButton_Click);
}

void frmRadio::Form_Load()
{
    const RadioSettings s = readRadioSettings(settings_);
    RadioOn->setChecked(s.enabled);
    RigPort->setText(QString::fromStdString(s.port));
    selectModel(s.model);
    fitControlsToModel(s.serialSpeed);
    RadioOn_Click();
    if (s.enabled) {
        if (const auto problem = radioSettingsProblem(s))
            showMessage(QString::fromStdString(*problem), true);
    }
}

RadioSettings frmRadio::chosenSettings() const
{
    RadioSettings s;
    s.enabled = RadioOn->isChecked();
    s.model = chosenModel_;
    s.port = RigPort->text().trimmed().toStdString();
    s.serialSpeed = RigSpeed->currentData().toInt();
    return s;
}

void frmRadio::RadioOn_Click()
{
    const bool on = RadioOn->isChecked();
    for (QWidget *w : std::initializer_list<QWidget *>{RigSearch, RigList, TestButton})
        w->setEnabled(on);
    const RigModelInfo *info = findRigModel(chosenModel_);
    RigPort->setEnabled(on && (!info || info->port != RigPortKind::None));
    RigSpeed->setEnabled(on && info && info->port == RigPortKind::Serial);
}

void frmRadio::RigSearch_Change()
{
    const QStringList words = RigSearch->text().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (int row = 0; row < RigList->count(); ++row) {
        QListWidgetItem *item = RigList->item(row);
        bool match = true;
        for (const QString &word : words)
            match = match && item->text().contains(word, Qt::CaseInsensitive);
        item->setHidden(!match);
    }
    if (QListWidgetItem *current = RigList->currentItem(); current && !current->isHidden())
        RigList->scrollToItem(current);
}

void frmRadio::RigList_Click()
{
    if (QListWidgetItem *item = RigList->currentItem()) {
        chosenModel_ = item->data(Qt::UserRole).toInt();
        fitControlsToModel(RigSpeed->currentData().toInt());
        RadioOn_Click();
        showMessage(QString(), false);
    }
}

void frmRadio::selectModel(int model)
{
    chosenModel_ = model;
    for (int row = 0; row < RigList->count(); ++row) {
        if (RigList->item(row)->data(Qt::UserRole).toInt() == model) {
            RigList->setCurrentRow(row);
            RigList->scrollToItem(RigList->item(row), QAbstractItemView::PositionAtCenter);
            return;
        }
    }
    RigList->setCurrentRow(-1);
}

// The port's hint and the speeds on offer follow the kind of rig.
void frmRadio::fitControlsToModel(int speed)
{
    const RigModelInfo *info = findRigModel(chosenModel_);
    const RigPortKind kind = info ? info->port : RigPortKind::Other;
    switch (kind) {
    case RigPortKind::Network: RigPort->setPlaceholderText(QStringLiteral("host:port, for example localhost:4532")); break;
    case RigPortKind::Serial: RigPort->setPlaceholderText(QStringLiteral("serial device, for example /dev/ttyUSB0")); break;
    case RigPortKind::None: RigPort->setPlaceholderText(QStringLiteral("no port needed")); break;
    case RigPortKind::Other: RigPort->setPlaceholderText(QString()); break;
    }
    RigSpeed->clear();
    RigSpeed->addItem(QStringLiteral("Rig default"), 0);
    if (kind == RigPortKind::Serial) {
        for (int rate : StandardSpeeds)
            if (rate >= info->rateMin && rate <= info->rateMax)
                RigSpeed->addItem(QString::number(rate), rate);
    }
    // A stored speed off the list is kept as it is, so Ok never changes it unasked.
    if (speed != 0 && RigSpeed->findData(speed) < 0)
        RigSpeed->addItem(QString::number(speed), speed);
    RigSpeed->setCurrentIndex(std::max(0, RigSpeed->findData(speed)));
}

void frmRadio::TestButton_Click()
{
    const RadioSettings s = chosenSettings();
    if (const auto problem = radioSettingsProblem(s)) {
        showMessage(QString::fromStdString(*problem), true);
        return;
    }
    TestButton->setEnabled(false);
    showMessage(QStringLiteral("Opening the radio..."), false);
    Q_EMIT testRequested(s);
}

void frmRadio::showTestResult(bool ok, const QString &text)
{
    TestButton->setEnabled(RadioOn->isChecked());
    showMessage(text, !ok);
}

bool frmRadio::OkButton_Click()
{
    const RadioSettings s = chosenSettings();
    if (s.enabled) {
        if (const auto problem = radioSettingsProblem(s)) {
            showMessage(QString::fromStdString(*problem) + QStringLiteral(" Nothing was saved."), true);
            return false;
        }
    }
    saveRadioSettings(settings_, s);
    Q_EMIT saved(readRadioSettings(settings_));
    accept();
    return true;
}

void frmRadio::CancelButton_Click() { reject(); }

void frmRadio::showMessage(const QString &text, bool problem)
{
    RadioMessage->setText(text);
    RadioMessage->setStyleSheet(problem ? QStringLiteral("color: #b00000;") : QString());
}

} // namespace halvion
