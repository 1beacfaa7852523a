// The sample household: copied whole into the user's data folder, since its pictures must be
// found from the copy and the user may change or save it like any other catalogue.
#include "store/samplecatalogue.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "store/datafile.h"
#include "store/recordstore.h"

namespace SampleCatalogue {

namespace {

const QString DatabaseName = QStringLiteral("household.dat");
const QString PictureFolder = QStringLiteral("pictures");

} // namespace

QString shippedFolder(const QString &dataFolder)
{
    return QDir(dataFolder).filePath(QStringLiteral("sample"));
}

QString userFolder()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir(base).filePath(QStringLiteral("Larkspur/sample"));
}

CopyResult copy(const QString &from, const QString &to)
{
    CopyResult result;
    const QString target = QFileInfo(to).absoluteFilePath();
    const QString parent = QFileInfo(target).absolutePath();
    if (!QDir().mkpath(parent))
        return { false, {}, QStringLiteral("Cannot create folder %1").arg(parent) };
    QTemporaryDir work(QDir(parent).filePath(QStringLiteral(".sample-XXXXXX")));
    if (!work.isValid())
        return { false, {}, QStringLiteral("Cannot create folder %1: %2").arg(parent, work.errorString()) };

    RecordStore store;
    const QString shipped = QDir(from).filePath(DatabaseName);
    const DataFile::ReadResult read = DataFile::readDatabase(shipped, store, false);
    if (!read.ok())
        return { false, {},
            read.message.isEmpty() ? QStringLiteral("Cannot open file %1").arg(shipped) : read.message };

    const QDir pictures(QDir(from).filePath(PictureFolder));
    QDir(work.path()).mkpath(PictureFolder);
    const QStringList names = pictures.entryList(QDir::Files);
    for (const QString &name : names) {
        const QString dest = QDir(work.path()).filePath(PictureFolder + QLatin1Char('/') + name);
        if (!QFile::copy(pictures.filePath(name), dest))
            return { false, {}, QStringLiteral("Cannot create file %1").arg(dest) };
        QFile::setPermissions(dest, QFile::permissions(dest) | QFileDevice::WriteOwner);
    }
    // The shipped file names its pictures relative to itself; the copy names them in full.
    for (int i = 0; i < store.count(); ++i) {
        ItemRecord &rec = store.at(i);
        for (int slot = 1; slot <= ItemRecord::PictureCount; ++slot) {
            QString &file = rec.Pictures[size_t(slot)].FileName;
            if (!file.isEmpty() && QDir::isRelativePath(file))
                file = QDir(target).filePath(file);
        }
    }
    const DataFile::WriteResult written
        = DataFile::writeDatabase(QDir(work.path()).filePath(DatabaseName), store);
    if (!written.ok)
        return { false, {}, written.message };

    // Swap the new folder in; the old copy goes only once the new one is complete.
    const QString old = target + QStringLiteral(".old");
    QDir(old).removeRecursively();
    if (QFileInfo::exists(target) && !QDir().rename(target, old))
        return { false, {}, QStringLiteral("Cannot replace folder %1").arg(target) };
    if (!QDir().rename(work.path(), target)) {
        QDir().rename(old, target);
        return { false, {}, QStringLiteral("Cannot create folder %1").arg(target) };
    }
    work.setAutoRemove(false);
    QDir(old).removeRecursively();
    result.ok = true;
    result.path = QDir(target).filePath(DatabaseName);
    return result;
}

} // namespace SampleCatalogue
