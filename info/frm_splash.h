#pragma once
// The splash window Halvion starts with: the world map with the beacon stations and
// the program's title, and a link to the home page. While it is on screen the main
// window is loaded hidden behind it; four seconds later it closes and hands over.

#include <QWidget>

class QLabel;
class QTimer;

namespace halvion {

class frmSplash : public QWidget {
    Q_OBJECT
public:
    explicit frmSplash(QWidget* parent = nullptr);

    // Loads the main window (loadMainWindow), sets up the link and starts Timer1.
    // The window is shown afterwards.
    void Form_Load();
    // Timer1's single tick: the splash closes and the main window takes over. Closed
    // earlier by any other means, it hands over at that moment.
    void Timer1_Timer();

    void Label3_MouseDown();
    void Label3_MouseUp();
    void Label3_Click();

    QLabel* Image1 = nullptr;
    QLabel* Label4 = nullptr;
    QWidget* Picture3 = nullptr;
    QLabel* Label3 = nullptr;
    QTimer* Timer1 = nullptr;

Q_SIGNALS:
    // Create the main window, hidden; its start-up runs now.
    void loadMainWindow();
    // The splash is gone: show the main window. Sent once.
    void handOver();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void setLinkColour(const QColor& colour);

    bool linkPressed_ = false;
    bool handedOver_ = false;
};

} // namespace halvion
