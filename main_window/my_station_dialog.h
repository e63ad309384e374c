#pragma once
// "My Station": the user gives the Maidenhead locator of their own station. The dialog
// shows at once which place the text stands for, or why it is not a locator; only a
// good locator leaves it through OK. Remove forgets the station.

#include "locator.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace halvion {

class MyStationDialog : public QDialog {
    Q_OBJECT
public:
    // current: the locator now in use, empty when none is set.
    explicit MyStationDialog(const QString &current, QWidget *parent = nullptr);

    // Handlers, called by the buttons and by tests.
    void LocatorText_Changed();
    // Accepts with the locator, or keeps the dialog open and says what is wrong.
    bool OkButton_Click();
    void RemoveButton_Click();
    void CancelButton_Click();

    QLineEdit *LocatorText = nullptr;
    QLabel *PositionText = nullptr;
    QPushButton *OkButton = nullptr, *CancelButton = nullptr, *RemoveButton = nullptr;

Q_SIGNALS:
    // The user chose this locator (conventional writing: "JO62qm").
    void locatorChosen(const QString &locator);
    // The user asked to forget the station.
    void locatorRemoved();

private:
    void showMessage(const QString &text, bool error);
};

} // namespace halvion
