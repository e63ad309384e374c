#include "my_station_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace halvion {

MyStationDialog::MyStationDialog(const QString &current, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("MyStationDialog"));
    setWindowTitle(QStringLiteral("Halvion - My Station"));

    auto *prompt = new QLabel(QStringLiteral("Maidenhead locator of your station (4 or 6 characters, "
                                             "for example JO62 or JO62qm):"),
                              this);
    prompt->setWordWrap(true);
    LocatorText = new QLineEdit(current, this);
    LocatorText->setObjectName(QStringLiteral("LocatorText"));
    LocatorText->setMaxLength(16);
    PositionText = new QLabel(this);
    PositionText->setObjectName(QStringLiteral("PositionText"));
    PositionText->setWordWrap(true);
    PositionText->setMinimumHeight(PositionText->fontMetrics().lineSpacing() * 2);

    auto *buttons = new QDialogButtonBox(this);
    OkButton = buttons->addButton(QDialogButtonBox::Ok);
    OkButton->setObjectName(QStringLiteral("OkButton"));
    CancelButton = buttons->addButton(QDialogButtonBox::Cancel);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    RemoveButton = buttons->addButton(QStringLiteral("Remove"), QDialogButtonBox::DestructiveRole);
    RemoveButton->setObjectName(QStringLiteral("RemoveButton"));
    RemoveButton->setToolTip(QStringLiteral("Forget your station: no home mark, distances or bearings"));
    RemoveButton->setEnabled(!current.isEmpty());

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addWidget(LocatorText);
    layout->addWidget(PositionText);
    layout->addWidget(buttons);
    setMinimumWidth(420);

    connect(LocatorText, &QLineEdit::textChanged, this, &MyStationDialog::LocatorText_Changed);
    connect(OkButton, &QPushButton::clicked, this, &MyStationDialog::OkButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &MyStationDialog::CancelButton_Click);
    connect(RemoveButton, &QPushButton::clicked, this, &MyStationDialog::RemoveButton_Click);
    LocatorText_Changed();
}

// While the user types, the line under the text says where the locator lies; a text
// that is merely unfinished is not called wrong until OK.
void MyStationDialog::LocatorText_Changed()
{
    const Locator locator = parseLocator(LocatorText->text().toStdString());
    if (locator.valid())
        showMessage(QStringLiteral("Centre of %1: %2")
                        .arg(QString::fromStdString(locator.text), QString::fromStdString(positionText(locator.centre))),
                    false);
    else if (locator.error == LocatorError::Characters)
        showMessage(QString::fromStdString(locatorErrorText(locator.error)), true);
    else
        showMessage(QString(), false);
}

bool MyStationDialog::OkButton_Click()
{
    const Locator locator = parseLocator(LocatorText->text().toStdString());
    if (!locator.valid()) {
        showMessage(QString::fromStdString(locatorErrorText(locator.error)), true);
        LocatorText->setFocus();
        return false;
    }
    Q_EMIT locatorChosen(QString::fromStdString(locator.text));
    accept();
    return true;
}

void MyStationDialog::RemoveButton_Click()
{
    Q_EMIT locatorRemoved();
    accept();
}

void MyStationDialog::CancelButton_Click()
{
    reject();
}

void MyStationDialog::showMessage(const QString &text, bool error)
{
    PositionText->setText(text);
    PositionText->setStyleSheet(error ? QStringLiteral("color: #b00000;") : QString());
}

} // namespace halvion
