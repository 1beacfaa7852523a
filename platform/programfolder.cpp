// The program folder: the executable's folder, or a per-user copy of its data when it is read only.
#include "platform/programfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QtDebug>

namespace {

QString userDataFolder()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir(base).filePath(QStringLiteral("larkspur"));
}

bool copyIfMissing(const QString &from, const QString &to)
{
    if (QFileInfo::exists(to))
        return true;
    if (!QDir().mkpath(QFileInfo(to).absolutePath()) || !QFile::copy(from, to)) {
        qWarning("Program folder: cannot copy %s to %s", qUtf8Printable(from), qUtf8Printable(to));
        return false;
    }
    // The installed copy may be read only; the user's copy must not be.
    QFile::setPermissions(to, QFile::permissions(to) | QFileDevice::WriteOwner);
    return true;
}

} // namespace

QString ProgramFolder::filePath(const QString &name) const
{
    return QDir(path()).filePath(name);
}

QtProgramFolder::QtProgramFolder()
{
    const QString executable = QCoreApplication::applicationDirPath();
    m_installed = installedDataFolder(executable);
    const bool beside = m_installed == executable;
    m_path = resolve(m_installed, beside && isWritableFolder(m_installed), userDataFolder());
}

QString QtProgramFolder::installedDataFolder(const QString &executableFolder)
{
    const QString marker = QStringLiteral("description1.def");
    const QString shared = QDir::cleanPath(executableFolder + QStringLiteral("/../share/larkspur"));
    if (!QFileInfo::exists(QDir(executableFolder).filePath(marker))
        && QFileInfo::exists(QDir(shared).filePath(marker)))
        return shared;
    return executableFolder;
}

QtProgramFolder::QtProgramFolder(QString fixedPath)
    : m_path(std::move(fixedPath))
{ }

bool QtProgramFolder::isWritableFolder(const QString &folder)
{
    // Permission bits do not tell about read-only mounts or access lists; trying does.
    if (!QFileInfo(folder).isDir())
        return false;
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".larkspur-probe-XXXXXX")));
    return probe.open();
}

bool QtProgramFolder::seedDataFiles(const QString &fromFolder, const QString &toFolder)
{
    const QDir from(fromFolder);
    const QDir to(toFolder);
    bool ok = true;
    const QStringList defs = from.entryList({ QStringLiteral("description*.def") }, QDir::Files);
    for (const QString &name : defs)
        ok = copyIfMissing(from.filePath(name), to.filePath(name)) && ok;

    const QString help = from.filePath(QStringLiteral("help"));
    QDirIterator it(help, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString relative = from.relativeFilePath(file);
        ok = copyIfMissing(file, to.filePath(relative)) && ok;
    }
    return ok;
}

QString QtProgramFolder::resolve(
    const QString &installedFolder, bool installedWritable, const QString &userFolder)
{
    if (installedWritable)
        return installedFolder;
    if (!QDir().mkpath(userFolder)) {
        qWarning("Program folder: cannot create %s; using %s read only", qUtf8Printable(userFolder),
            qUtf8Printable(installedFolder));
        return installedFolder;
    }
    seedDataFiles(installedFolder, userFolder);
    return userFolder;
}
