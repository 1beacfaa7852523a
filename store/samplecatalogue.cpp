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

CopyResult failed(const QString &message)
{
    CopyResult r;
    r.message = message;
    return r;
}

// True when `folder` is a real folder holding exactly what `fresh` holds, file for file and byte
// for byte, with no links: a copy this program made and nobody changed since.
bool unchangedCopy(const QString &folder, const QString &fresh)
{
    const QFileInfo top(folder);
    if (top.isSymLink() || !top.isDir())
        return false;
    const auto entries = [](const QString &root, QStringList *out) {
        QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
            QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            const QFileInfo info = it.fileInfo();
            if (info.isSymLink() || !(info.isDir() || info.isFile()))
                return false;
            out->append(QDir(root).relativeFilePath(info.filePath()) + (info.isDir() ? u"/" : u""));
        }
        return true;
    };
    QStringList mine, theirs;
    if (!entries(folder, &theirs) || !entries(fresh, &mine))
        return false;
    mine.sort();
    theirs.sort();
    if (mine != theirs)
        return false;
    for (const QString &name : std::as_const(mine)) {
        if (name.endsWith(u'/'))
            continue;
        QFile a(QDir(folder).filePath(name)), b(QDir(fresh).filePath(name));
        if (a.size() != b.size() || !a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly))
            return false;
        constexpr qint64 Block = 1 << 20;
        while (!a.atEnd())
            if (a.read(Block) != b.read(Block))
                return false;
    }
    return true;
}

// "sample (earlier copy)", then "sample (earlier copy 2)" and on: a name nothing has yet.
QString freeKeptName(const QString &target)
{
    for (int n = 1;; ++n) {
        const QString name = target
            + (n == 1 ? QStringLiteral(" (earlier copy)")
                      : QStringLiteral(" (earlier copy %1)").arg(n));
        const QFileInfo info(name);
        if (!info.exists() && !info.isSymLink())
            return name;
    }
}

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
        return failed(QStringLiteral("Cannot create folder %1").arg(parent));
    QTemporaryDir work(QDir(parent).filePath(QStringLiteral(".sample-XXXXXX")));
    if (!work.isValid())
        return failed(
            QStringLiteral("Cannot create folder %1: %2").arg(parent, work.errorString()));

    RecordStore store;
    const QString shipped = QDir(from).filePath(DatabaseName);
    const DataFile::ReadResult read = DataFile::readDatabase(shipped, store, false);
    if (!read.ok())
        return failed(read.message.isEmpty() ? QStringLiteral("Cannot open file %1").arg(shipped)
                                             : read.message);

    const QDir pictures(QDir(from).filePath(PictureFolder));
    QDir(work.path()).mkpath(PictureFolder);
    const QStringList names = pictures.entryList(QDir::Files);
    for (const QString &name : names) {
        const QString dest = QDir(work.path()).filePath(PictureFolder + QLatin1Char('/') + name);
        if (!QFile::copy(pictures.filePath(name), dest))
            return failed(QStringLiteral("Cannot create file %1").arg(dest));
        QFile::setPermissions(dest, QFile::permissions(dest) | QFileDevice::WriteOwner);
    }
    // The shipped file names its pictures relative to itself; the copy names them in full.
    for (int i = 0; i < store.count(); ++i) {
        ItemRecord &rec = store.at(i);
        for (int slot = 1; slot <= ItemRecord::PictureCount; ++slot) {
            const QString file = rec.pictureFile(slot);
            if (!file.isEmpty() && QDir::isRelativePath(file))
                rec.setPictureFile(slot, QDir(target).filePath(file));
        }
    }
    const DataFile::WriteResult written
        = DataFile::writeDatabase(QDir(work.path()).filePath(DatabaseName), store);
    if (!written.ok)
        return failed(written.message);

    // Swap the new folder in once it is complete. An unchanged earlier copy goes into a folder
    // of our own that is removed at the end; one the user changed stays, under a new name.
    const QFileInfo existing(target);
    const bool present = existing.exists() || existing.isSymLink();
    const bool unchanged = present && unchangedCopy(target, work.path());
    QTemporaryDir discard(QDir(parent).filePath(QStringLiteral(".sample-old-XXXXXX")));
    QString movedTo;
    if (present) {
        if (unchanged && !discard.isValid())
            return failed(
                QStringLiteral("Cannot create folder %1: %2").arg(parent, discard.errorString()));
        movedTo = unchanged ? QDir(discard.path()).filePath(QStringLiteral("sample"))
                            : freeKeptName(target);
        if (!QDir().rename(target, movedTo))
            return failed(QStringLiteral("Cannot replace folder %1").arg(target));
    }
    if (!QDir().rename(work.path(), target)) {
        if (present)
            QDir().rename(movedTo, target);
        return failed(QStringLiteral("Cannot create folder %1").arg(target));
    }
    work.setAutoRemove(false);
    if (present && !unchanged)
        result.kept = movedTo;
    result.ok = true;
    result.path = QDir(target).filePath(DatabaseName);
    return result;
}

} // namespace SampleCatalogue
