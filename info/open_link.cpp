#include "open_link.h"

#include <QDesktopServices>
#include <QUrl>

namespace halvion {

const char HomePageAddress[] = HALVION_HOME_PAGE;

QString homePageHost()
{
    return QUrl(QString::fromUtf8(HomePageAddress)).host();
}

bool OpenLink(const QString& address)
{
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid() || url.isRelative() || url.host().isEmpty())
        return false;
    const QString scheme = url.scheme();
    if (scheme.compare(QLatin1String("http"), Qt::CaseInsensitive) != 0
        && scheme.compare(QLatin1String("https"), Qt::CaseInsensitive) != 0)
        return false;
    return QDesktopServices::openUrl(url);
}

} // namespace halvion
