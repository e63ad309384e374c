#include "message_sink.h"

#include <QMessageBox>
#include <QPointer>

namespace halvion {

QString messageLines(const QString &text)
{
    QString lines = text;
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return lines;
}

QMessageBox *makeMessageBox(QWidget *parent, MessageIcon icon, const QString &title, const QString &text)
{
    auto *box = new QMessageBox(parent);
    box->setIcon(icon == MessageIcon::Information ? QMessageBox::Information
                 : icon == MessageIcon::None          ? QMessageBox::NoIcon
                                                      : QMessageBox::Warning);
    box->setWindowTitle(title);
    box->setTextFormat(Qt::PlainText);
    box->setText(messageLines(text));
    box->setStandardButtons(QMessageBox::Ok);
    box->setDefaultButton(QMessageBox::Ok);
    return box;
}

void MessageBoxSink::show(QWidget *parent, MessageIcon icon, const QString &title, const QString &text)
{
    // The parent may go while the box waits (the program ending): the box goes with it.
    QPointer<QMessageBox> box = makeMessageBox(parent, icon, title, text);
    box->exec();
    delete box;
}

} // namespace halvion
