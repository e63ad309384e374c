#include "frm_rbn.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace halvion {

frmRbn::frmRbn(SettingsFile &settings, QWidget *parent) : QDialog(parent), settings_(settings)
{
    setObjectName(QStringLiteral("frmRbn"));
    setWindowTitle(QStringLiteral("Halvion - Reverse Beacon Network"));

    RbnOn = new QCheckBox(QStringLiteral("Show Which Beacons The Network's Skimmers Hear"), this);
    RbnOn->setObjectName(QStringLiteral("RbnOn"));
    auto *note = new QLabel(QStringLiteral("Hundreds of receivers around the world post the beacons they hear to the "
                                           "Reverse Beacon Network. Nothing is sent to its server until this is on; "
                                           "the server asks for your callsign before it sends spots."),
                            this);
    note->setWordWrap(true);
    note->setTextFormat(Qt::PlainText);
    RbnServer = new QLineEdit(this);
    RbnServer->setObjectName(QStringLiteral("RbnServer"));
    RbnServer->setPlaceholderText(QString::fromLatin1(RbnKeys::DefaultServer));
    RbnCallsign = new QLineEdit(this);
    RbnCallsign->setObjectName(QStringLiteral("RbnCallsign"));
    RbnCallsign->setPlaceholderText(QStringLiteral("your callsign, needed to log in"));
    RbnCallsign->setMaxLength(20);
    RbnSkimmers = new QLineEdit(this);
    RbnSkimmers->setObjectName(QStringLiteral("RbnSkimmers"));
    RbnSkimmers->setPlaceholderText(QStringLiteral("empty: every skimmer; or callsigns, e.g. KM3T W3OA"));
    RbnSkimmers->setMaxLength(RbnKeys::RbnSkimmers.sizeLimit - 1);
    RbnMessage = new QLabel(this);
    RbnMessage->setObjectName(QStringLiteral("RbnMessage"));
    RbnMessage->setWordWrap(true);
    RbnMessage->setTextFormat(Qt::PlainText);
    RbnStatus = new QLabel(this);
    RbnStatus->setObjectName(QStringLiteral("RbnStatus"));
    RbnStatus->setWordWrap(true);
    RbnStatus->setTextFormat(Qt::PlainText);
    OkButton = new QPushButton(QStringLiteral("Ok"), this);
    OkButton->setObjectName(QStringLiteral("OkButton"));
    OkButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Server:"), RbnServer);
    form->addRow(QStringLiteral("Your callsign:"), RbnCallsign);
    form->addRow(QStringLiteral("Skimmers:"), RbnSkimmers);
    form->addRow(QStringLiteral("Status:"), RbnStatus);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(RbnOn);
    layout->addWidget(note);
    layout->addLayout(form);
    layout->addWidget(RbnMessage);
    layout->addStretch(1);
    layout->addLayout(buttons);
    resize(480, 270);

    connect(RbnOn, &QCheckBox::clicked, this, &frmRbn::RbnOn_Click);
    connect(OkButton, &QPushButton::clicked, this, &frmRbn::OkButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &frmRbn::CancelButton_Click);
}

void frmRbn::Form_Load()
{
    const RbnSettings s = readRbnSettings(settings_);
    RbnOn->setChecked(s.enabled);
    RbnServer->setText(QString::fromStdString(s.server));
    RbnCallsign->setText(QString::fromStdString(s.callsign));
    RbnSkimmers->setText(QString::fromStdString(skimmerListText(s.skimmers)));
    RbnOn_Click();
    showMessage(QString(), false);
    if (s.enabled) {
        if (const auto problem = rbnSettingsProblem(s))
            showMessage(QString::fromStdString(*problem), true);
    }
}

RbnSettings frmRbn::chosenSettings() const
{
    RbnSettings s;
    s.enabled = RbnOn->isChecked();
    s.server = RbnServer->text().trimmed().toStdString();
    if (s.server.empty())
        s.server = RbnKeys::DefaultServer;
    s.callsign = RbnCallsign->text().trimmed().toUpper().toStdString();
    s.skimmers = parseSkimmerList(RbnSkimmers->text().toStdString());
    return s;
}

void frmRbn::RbnOn_Click()
{
    const bool on = RbnOn->isChecked();
    for (QWidget *w : std::initializer_list<QWidget *>{RbnServer, RbnCallsign, RbnSkimmers})
        w->setEnabled(on);
}

bool frmRbn::OkButton_Click()
{
    const RbnSettings s = chosenSettings();
    if (s.enabled) {
        if (const auto problem = rbnSettingsProblem(s)) {
            showMessage(QString::fromStdString(*problem) + QStringLiteral(" Nothing was saved."), true);
            return false;
        }
    }
    saveRbnSettings(settings_, s);
    Q_EMIT saved(readRbnSettings(settings_));
    accept();
    return true;
}

void frmRbn::CancelButton_Click() { reject(); }

void frmRbn::showStatus(const QString &text) { RbnStatus->setText(text); }

void frmRbn::showMessage(const QString &text, bool problem)
{
    RbnMessage->setText(text);
    RbnMessage->setVisible(!text.isEmpty());
    RbnMessage->setStyleSheet(problem ? QStringLiteral("color: #b00000;") : QString());
}

} // namespace halvion
