// The one way every file is written: beside the old one and renamed over it when complete, or in
// place with a kept copy where the folder takes no new file.
#pragma once

#include <functional>

#include <QByteArrayView>
#include <QIODevice>
#include <QString>

#include "store/fileidentity.h"

class FileLock;

namespace SafeWrite {

enum class Failure {
    None,
    CannotCreate, // nothing was written; the old file is as it was
    CannotWrite, // the write failed part-way; the old file is back, or the message says where
};

struct Result
{
    Failure failure = Failure::None;
    // "Cannot create file PATH: REASON", or "Cannot write file PATH: REASON" with REASON the
    // system's own ("No space left on device"), followed by where the old file is kept if it
    // could not be put back.
    QString message;
    // The file as written, to tell later whether another program changed it.
    FileIdentity identity;
    bool ok() const { return failure == Failure::None; }
};

// Writes the whole contents to out; false as soon as a write was refused.
using Producer = std::function<bool(QIODevice &out)>;

// Writes unbuffered, so that every failure is seen before the new file takes the old one's
// place: a temporary file beside the target, synced, closed and renamed over it when complete
// (a link is followed to the file it names). Where the folder takes no new file but the file
// itself is writable, the old file is first copied to keptFolder(), the file is written in
// place, and the copy is put back if that fails. A lock given moves to the new file with the
// name, so its holder never lets go of the file it has open.
Result write(const QString &path, const Producer &produce, FileLock *lock = nullptr);
Result write(const QString &path, QByteArrayView bytes);

// The per-user folder where a write in place keeps the old file until the new one is complete.
QString keptFolder();
// The newest copy of path that a write in place kept and never removed (it was stopped
// half-way), or empty.
QString keptCopyOf(const QString &path);

// The system calls that decide whether a file is safely on disk, at the platform boundary so
// tests can see them made and make them fail (a close() that reports EIO).
struct SystemCalls
{
    int (*fsync)(int fd);
    int (*close)(int fd);
    int (*rename)(const char *from, const char *to);
};
SystemCalls &systemCalls();

} // namespace SafeWrite
