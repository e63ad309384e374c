#pragma once
// The two help windows: a read-only formatted text that ships with the program and a
// Close button. They are ordinary windows beside the main window. Closing one only
// hides it; the next opening shows the same window again, placed anew.

#include <QWidget>

class QPushButton;
class QTextBrowser;

namespace halvion {

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    // Puts the window's top-left corner on the main window's top-left corner and
    // shows it in front, restored if it was minimised.
    void openAt(const QWidget *mainWindow);

    QTextBrowser *RichTextBox1 = nullptr;

protected:
    // `html` is a help text from the resources; its pictures are named as resources too.
    HelpWindow(const char *name, const QString &caption, const QString &html, const char *closeName,
               QWidget *parent);

    QPushButton *closeButton() const { return closeButton_; }

private:
    QPushButton *closeButton_ = nullptr;
};

// "Halvion Program Instructions:": how to use the program, step by step.
class InstructionForm : public HelpWindow {
    Q_OBJECT
public:
    explicit InstructionForm(QWidget *parent = nullptr);
    void Command1_Click();

    QPushButton *Command1 = nullptr;
};

// "Halvion Program Description:": what the program is and how the beacon network works.
class DescriptionForm : public HelpWindow {
    Q_OBJECT
public:
    explicit DescriptionForm(QWidget *parent = nullptr);
    void Command2_Click();

    QPushButton *Command2 = nullptr;
};

} // namespace halvion
