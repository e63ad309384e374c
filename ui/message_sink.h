#pragma once
// Message boxes of every window: one OK button, an icon, a title naming the program
// and the operation. Windows are given a sink and never build a QMessageBox
// themselves, so tests record the messages instead of blocking on them.

#include <QString>

#include <functional>
#include <vector>

class QMessageBox;
class QWidget;

namespace halvion {

// None: a plain notice, without an icon.
enum class MessageIcon { Information, Exclamation, None };

class MessageSink {
public:
    virtual ~MessageSink() = default;
    // Shows the message over `parent` and returns once the user has dismissed it.
    virtual void show(QWidget *parent, MessageIcon icon, const QString &title, const QString &text) = 0;
};

// The real message box: modal, one OK button, the text shown as plain text (markup is
// never interpreted) with each CR, CRLF or LF as a line break.
class MessageBoxSink final : public MessageSink {
public:
    void show(QWidget *parent, MessageIcon icon, const QString &title, const QString &text) override;
};

// The box MessageBoxSink shows, built but not shown.
QMessageBox *makeMessageBox(QWidget *parent, MessageIcon icon, const QString &title, const QString &text);

// A message's text with CRLF and lone CRs turned into LFs.
QString messageLines(const QString &text);

// Keeps every message instead of showing it. `whileShown`, when set, runs inside
// show(), where a real box would be waiting for the user.
class RecordingMessageSink final : public MessageSink {
public:
    struct Message {
        MessageIcon icon;
        QString title;
        QString text;
    };
    void show(QWidget *, MessageIcon icon, const QString &title, const QString &text) override
    {
        messages.push_back({icon, title, text});
        if (whileShown)
            whileShown();
    }
    std::vector<Message> messages;
    std::function<void()> whileShown;
};

} // namespace halvion
