// The desktop shell over QDesktopServices.
#include "platform/desktopshell.h"

#include <QDesktopServices>
#include <QUrl>

bool QtDesktopShell::open(const QString &fileOrAddress)
{
    // A path is never taken for an address: "C:x" or "a:b" would otherwise pick a scheme.
    const QUrl url = QUrl(fileOrAddress).isRelative() || fileOrAddress.startsWith(u'/')
        ? QUrl::fromLocalFile(fileOrAddress)
        : QUrl(fileOrAddress);
    return QDesktopServices::openUrl(url);
}
