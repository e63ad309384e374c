#pragma once
// The "Reverse Beacon Network..." dialog: the feed on or off, its server, the user's
// callsign for the login (no connection without it) and the skimmers to watch, with
// the feed's status line below. Ok saves at once, but only settings that can work
// when the feed is on: otherwise the dialog says what is wrong and keeps the old ones.

#include "rbn_settings.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace halvion {

class frmRbn : public QDialog {
    Q_OBJECT
public:
    explicit frmRbn(SettingsFile &settings, QWidget *parent = nullptr);

    // Fills the controls from the settings file.
    void Form_Load();
    // The settings as the controls show them now.
    RbnSettings chosenSettings() const;

    void RbnOn_Click();
    // Saves and closes; false (dialog left open, nothing saved) when the settings cannot work.
    bool OkButton_Click();
    void CancelButton_Click();
    // The feed's status line.
    void showStatus(const QString &text);

    QCheckBox *RbnOn = nullptr;
    QLineEdit *RbnServer = nullptr;
    QLineEdit *RbnCallsign = nullptr;
    QLineEdit *RbnSkimmers = nullptr;
    QLabel *RbnMessage = nullptr;
    QLabel *RbnStatus = nullptr;
    QPushButton *OkButton = nullptr;
    QPushButton *CancelButton = nullptr;

Q_SIGNALS:
    // Ok: the settings are in the file now, for the feed to follow.
    void saved(const halvion::RbnSettings &settings);

private:
    void showMessage(const QString &text, bool problem);

    SettingsFile &settings_;
};

} // namespace halvion
