#pragma once
// The radio settings dialog ("Radio Control..."): radio on or off, the rig model from
// Hamlib's list (searchable by maker and model), the port, the serial speed, and a Test
// button that opens the rig and shows the frequency it reports or why it would not.
// Ok saves at once, but only settings that can work: otherwise the dialog says what is
// wrong and keeps the old ones.

#include "radio_settings.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace halvion {

class frmRadio : public QDialog {
    Q_OBJECT
public:
    explicit frmRadio(SettingsFile &settings, QWidget *parent = nullptr);

    // Fills the controls from the settings file.
    void Form_Load();
    // The settings as the controls show them now.
    RadioSettings chosenSettings() const;

    void RadioOn_Click();
    void RigSearch_Change();
    void RigList_Click();
    void TestButton_Click();
    // The radio's answer to the Test button.
    void showTestResult(bool ok, const QString &text);
    // Saves and closes; false (dialog left open, nothing saved) when the settings cannot work.
    bool OkButton_Click();
    void CancelButton_Click();

    QCheckBox *RadioOn = nullptr;
    QLineEdit *RigSearch = nullptr;
    QListWidget *RigList = nullptr;
    QLineEdit *RigPort = nullptr;
    QComboBox *RigSpeed = nullptr;
    QPushButton *TestButton = nullptr;
    QLabel *RadioMessage = nullptr;
    QPushButton *OkButton = nullptr;
    QPushButton *CancelButton = nullptr;

Q_SIGNALS:
    // Settings that passed the checks, for the radio to open.
    void testRequested(const halvion::RadioSettings &settings);
    // Ok: the settings are in the file now.
    void saved(const halvion::RadioSettings &settings);

private:
    void showMessage(const QString &text, bool problem);
    void selectModel(int model);
    void fitControlsToModel(int speed);

    SettingsFile &settings_;
    int chosenModel_ = NoRigModel; // the list's choice, or the stored number the list lacks
};

} // namespace halvion
