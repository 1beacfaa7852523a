// Earlier versions: validated copies named by time and record count, pruned by age.
#include "recovery/earlierversions.h"

#include <algorithm>
#include <set>

#include <sys/stat.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include "recovery/privatefolder.h"
#include "store/datafile.h"
#include "store/recordstore.h"
#include "store/safewrite.h"

using namespace Qt::StringLiterals;

namespace EarlierVersions {
namespace {

constexpr int KeptNewest = 10;
constexpr int KeptDays = 30;

// "20261210-143022123-57.dat": when it was replaced (UTC, to the millisecond) and its records.
const QString NameFormat = u"yyyyMMdd-HHmmsszzz"_s;

const QRegularExpression &ownName()
{
    static const QRegularExpression name(u"^(\\d{8}-\\d{9})-(\\d{1,9})\\.dat$"_s);
    return name;
}

// The same database whatever name it was reached by; one that is gone is still found by the
// canonical path of its folder.
QString keyPath(const QString &databasePath)
{
    const QFileInfo info(databasePath);
    if (const QString c = info.canonicalFilePath(); !c.isEmpty())
        return c;
    if (const QString d = info.absoluteDir().canonicalPath(); !d.isEmpty())
        return QDir(d).filePath(info.fileName());
    return QDir::cleanPath(info.absoluteFilePath());
}

QList<Version> versionsIn(const QString &folder)
{
    QList<Version> found;
    const QDir dir(folder);
    for (const QFileInfo &info : dir.entryInfoList({ u"*.dat"_s }, QDir::Files)) {
        const QRegularExpressionMatch m = ownName().match(info.fileName());
        if (!m.hasMatch() || info.isSymLink())
            continue;
        // Read as UTC wall time: a local reading could fall into a daylight-saving gap.
        const QString stamp = m.captured(1);
        const QDateTime when(QDate::fromString(stamp.left(8), u"yyyyMMdd"_s),
            QTime::fromString(stamp.mid(9), u"HHmmsszzz"_s), Qt::UTC);
        if (!when.isValid())
            continue;
        found.append({ info.filePath(), when, info.size(), m.captured(2).toInt() });
    }
    std::sort(found.begin(), found.end(),
        [](const Version &a, const Version &b) { return a.when > b.when; });
    return found;
}

bool sameBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.size() != bytes.size() || !file.open(QIODevice::ReadOnly))
        return false;
    return file.readAll() == bytes;
}

} // namespace

QString defaultArea()
{
    return PrivateFolder::under(u"versions"_s);
}

QString folderFor(const QString &databasePath, const QString &area)
{
    const QByteArray hash
        = QCryptographicHash::hash(keyPath(databasePath).toUtf8(), QCryptographicHash::Sha256);
    return QDir(area).filePath(QString::fromLatin1(hash.toHex().left(32)));
}

QList<Version> list(const QString &databasePath, const QString &area)
{
    return versionsIn(folderFor(databasePath, area));
}

KeepResult keep(const QString &databasePath, const QDateTime &now, const QString &area)
{
    QFile file(databasePath);
    if (DataFile::openForReading(file) != DataFile::OpenOutcome::Opened)
        return {}; // nothing there yet, or nothing that could be a database
    struct stat st
    {
    };
    if (::fstat(file.handle(), &st) != 0)
        return {};
    const QByteArray bytes = file.readAll();
    if (bytes.size() != st.st_size)
        return {};
    // Only a database is kept: what is copied out has read as one.
    int records = 0;
    {
        RecordStore check;
        if (!DataFile::readDatabaseBytes(bytes, check, false).ok())
            return {};
        records = check.count();
    }
    const QString folder = folderFor(databasePath, area);
    const QList<Version> kept = versionsIn(folder);
    if (!kept.isEmpty() && sameBytes(kept.first().path, bytes))
        return { false, QString() };
    if (!PrivateFolder::make(area) || !PrivateFolder::make(folder))
        return { false, u"Cannot create folder %1"_s.arg(folder) };

    QDateTime when = now.toUTC();
    QString target;
    do { // two saves in one millisecond still keep both
        target = QDir(folder).filePath(
            when.toString(NameFormat) + u'-' + QString::number(records) + u".dat"_s);
        when = when.addMSecs(1);
    } while (QFileInfo::exists(target) || QFileInfo(target).isSymLink());
    const SafeWrite::Result written = SafeWrite::write(target, bytes);
    if (!written.ok())
        return { false, written.message };
    // The folder is the user's alone, so the copy is never readable by others meanwhile.
    PrivateFolder::setMode(target, st.st_mode);
    prune(folder, now);
    return { true, QString() };
}

void prune(const QString &folder, const QDateTime &now)
{
    const QList<Version> versions = versionsIn(folder);
    const QDate today = now.toLocalTime().date();
    std::set<QDate> daysKept;
    for (qsizetype i = 0; i < versions.size(); ++i) {
        const Version &v = versions[i];
        const QDate day = v.when.toLocalTime().date();
        // Newest first, so the first of a day met is that day's last version.
        const bool dayWanted = day.daysTo(today) < KeptDays && !daysKept.contains(day);
        if (dayWanted)
            daysKept.insert(day);
        if (i < KeptNewest || dayWanted)
            continue;
        QFile::remove(v.path);
    }
}

RestoreResult restore(const Version &version, const QString &path)
{
    QFile file(version.path);
    if (DataFile::openForReading(file) != DataFile::OpenOutcome::Opened)
        return { false, u"Cannot open file %1"_s.arg(version.path) };
    const QByteArray bytes = file.readAll();
    RecordStore check;
    if (!DataFile::readDatabaseBytes(bytes, check, false).ok())
        return { false, u"%1 is not a valid Larkspur Cataloguer file."_s.arg(version.path) };
    const SafeWrite::Result written = SafeWrite::write(path, bytes);
    return { written.ok(), written.message };
}

} // namespace EarlierVersions
