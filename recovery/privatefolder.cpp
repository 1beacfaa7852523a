// Private folders of the program: made 0700 so that what they hold is the user's alone.
#include "recovery/privatefolder.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace PrivateFolder {

QString under(const QString &name)
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("Larkspur/") + name);
}

bool make(const QString &path)
{
    if (!QDir().mkpath(path))
        return false;
    return ::chmod(QFile::encodeName(path).constData(), 0700) == 0;
}

bool setMode(const QString &path, unsigned mode)
{
    return ::chmod(QFile::encodeName(path).constData(), mode_t(mode & 0666)) == 0;
}

} // namespace PrivateFolder
