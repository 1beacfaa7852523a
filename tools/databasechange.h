// A database that a larkspur-tool command reads, changes and writes back: locked from the read
// to the write, and checked before the write to be the file that was read.
#pragma once

#include <functional>

#include <QIODevice>
#include <QString>

#include "store/fileidentity.h"
#include "store/filelock.h"

class RecordStore;

class DatabaseChange
{
public:
    // Reads in into store (a new database when in is empty) and locks out for the change. The
    // lock on out is taken without waiting: a command never changes a file another program has
    // open. Prints the failure and returns false.
    bool begin(const QString &in, const QString &out, RecordStore &store);
    // Writes store to out unless out changed since it was read; prints the failure.
    bool write(const RecordStore &store);
    // Keeps the file out replaces as an earlier version now, before the change builds what it
    // writes: keeping reads the whole old file, which then need not stand beside the new records.
    // write() keeps none again.
    void keepEarlierVersionNow();
    // Writes what produce writes to out, the same way. A producer that declines (its input
    // failed) leaves out as it was and is left to tell why; a refused write is told here.
    enum class Produced { Complete, Declined, WriteFailed };
    bool write(const std::function<Produced(QIODevice &out)> &produce);

private:
    bool lockOut();

    QString m_out;
    FileLock m_lock;
    FileIdentity m_read; // out as it was read, when the command read it
    bool m_kept = false;
};
