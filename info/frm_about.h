#pragma once
// The About box: the program's icon, name, version and a short description, a
// credit for the map picture, an OK button and a button that starts the system's
// own system-information program. It is modal and made afresh for each showing.

#include <QDialog>

class QLabel;
class QPushButton;

namespace halvion {

class MessageSink;

class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(MessageSink &messages, QWidget *parent = nullptr);

    // Sets the caption and the title; run before the box is shown.
    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();
    // Starts the system-information program, or says that there is none.
    void StartSysInfo();

    QLabel *picIcon = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr, *Label5 = nullptr, *Label6 = nullptr, *Label7 = nullptr, *Label4 = nullptr;
    QLabel *lblCredit = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdSysInfo = nullptr;

private:
    MessageSink &messages_;
};

} // namespace halvion
