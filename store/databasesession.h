// The database file a window has open: the lock it holds on it, the file as it was read or last
// written, and whether the user chose to open it read-only.
#pragma once

#include <QString>

#include "store/datafile.h"
#include "store/fileidentity.h"
#include "store/filelock.h"

class RecordStore;

class DatabaseSession
{
public:
    // Whether another program has the file open (holds a lock on it).
    static bool openElsewhere(const QString &path);

    // Reads path into store; when it reads, the session holds it (with a shared lock) in place of
    // the file it held.
    DataFile::ReadResult read(const QString &path, RecordStore &store, bool readOnly);
    // Holds path, whatever is in it now, for a store filled from elsewhere (a kept copy of it).
    void adoptAsItIs(const QString &path);
    // False when the file the session holds is no longer the one it read or wrote.
    bool unchangedOnDisk() const;
    // Writes the store to path; the session then holds path as written, read-only no more.
    DataFile::WriteResult write(const QString &path, const RecordStore &store);
    void close();

    bool holds(const QString &path) const { return !m_path.isEmpty() && m_path == path; }
    bool readOnly() const { return m_readOnly; }

private:
    void lockShared(const QString &path);

    QString m_path;
    FileLock m_lock;
    FileIdentity m_identity;
    bool m_readOnly = false;
};
