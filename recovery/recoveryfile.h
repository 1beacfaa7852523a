// Crash recovery: a snapshot of the open database with unsaved changes, kept in the program's
// data folder while the program runs, and found again after a crash, a kill or a power cut.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include "store/safewrite.h"

class RecordStore;

namespace Recovery {

// ~/.local/share/Larkspur/recovery (the user's data folder).
QString defaultFolder();

// What a recovery file holds: the whole database as it would be saved, the file it belongs to
// (empty for an untitled database) and when it was written.
struct Snapshot
{
    QString databasePath;
    QDateTime savedAt; // UTC
    QByteArray database;
};

QByteArray encode(const Snapshot &snapshot);

struct ReadResult
{
    bool ok = false;
    QString message; // why the file cannot be used, when !ok
    Snapshot snapshot;
};
// Reads and checks a recovery file: its frame, its checksum, and that the database in it reads.
// A damaged file is a message, never a crash or a partial database.
ReadResult read(const QString &path);
// Reads the recovered database into store (replacing what it holds) once read() succeeded.
bool load(const Snapshot &snapshot, RecordStore &store);

// The recovery file of this run of the program. It holds an advisory lock for as long as it
// lives, so another run never takes its file for one left behind by a crash.
class Session
{
public:
    explicit Session(const QString &folder = defaultFolder());
    ~Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    // Replaces this run's recovery file through the one safe write; readable by the user alone.
    SafeWrite::Result write(const Snapshot &snapshot);
    // Removes this run's recovery file (a save, or a normal exit).
    void discard();
    bool hasFile() const;
    QString filePath() const { return m_file; }

private:
    QString m_folder;
    QString m_file;
    QString m_lockFile;
    int m_lockFd = -1;
};

// A recovery file whose program no longer runs.
struct Orphan
{
    QString path;
    QString databasePath; // empty for an untitled database or when the file is damaged
    QDateTime savedAt; // invalid when the file is damaged
    bool readable = false; // its head reads; the whole file is checked by read()
};
// Newest first. Files of runs still going (another window of the program) are left out.
QList<Orphan> orphans(const QString &folder = defaultFolder());
// Removes an orphan's recovery file and its lock file; nothing else.
void discard(const Orphan &orphan);

} // namespace Recovery
