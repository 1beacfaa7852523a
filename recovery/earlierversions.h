// Earlier versions of a database: each save keeps the version it replaces in the program's data
// folder, the last ten and one a day for a month.
#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

namespace EarlierVersions {

// ~/.local/share/Larkspur/versions: one folder per database, named by a hash of its canonical
// path, so two databases of the same file name never mix.
QString defaultArea();
QString folderFor(const QString &databasePath, const QString &area = defaultArea());

struct Version
{
    QString path;
    QDateTime when; // UTC, when it was replaced
    qint64 size = 0;
    int records = 0;
};
// Newest first.
QList<Version> list(const QString &databasePath, const QString &area = defaultArea());

struct KeepResult
{
    bool kept = false;
    QString message; // why nothing could be kept, when the file was a database worth keeping
};
// Keeps the database file as it is now, before a save replaces it, then prunes. Nothing is kept
// for a missing file, one that is not a database or one equal to the newest kept version. The
// copy gets the database's permissions, never wider.
KeepResult keep(const QString &databasePath, const QDateTime &now = QDateTime::currentDateTimeUtc(),
    const QString &area = defaultArea());

// Removes the versions the rule no longer keeps: all but the ten newest, and of those older,
// the newest of each day of the last 30 days. Only the program's own version files are touched.
void prune(const QString &folder, const QDateTime &now);

struct RestoreResult
{
    bool ok = false;
    QString message;
};
// Writes a kept version out to path, once it has read as a database.
RestoreResult restore(const Version &version, const QString &path);

} // namespace EarlierVersions
