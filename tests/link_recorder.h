#pragma once
// Stands in for the browser and every other program a URL scheme could start: while
// it lives, every address handed to the desktop is recorded here and opens nothing.

#include <QDesktopServices>
#include <QObject>
#include <QStringList>
#include <QUrl>

class LinkRecorder : public QObject {
    Q_OBJECT
public:
    LinkRecorder()
    {
        for (const QString &scheme : schemes())
            QDesktopServices::setUrlHandler(scheme, this, "open");
    }
    ~LinkRecorder() override
    {
        for (const QString &scheme : schemes())
            QDesktopServices::unsetUrlHandler(scheme);
    }

    QList<QUrl> opened;

public Q_SLOTS:
    void open(const QUrl &url) { opened.append(url); }

private:
    static QStringList schemes()
    {
        return {"http", "https", "file", "ftp", "mailto", "javascript", "data", "about", "tel", "ssh", "smb", "c"};
    }
};
