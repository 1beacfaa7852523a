// Advisory locks (flock) between programs that open one database file: a window holds a shared
// lock while it has the file open, a command that reads, changes and writes a file holds an
// exclusive one from its read to its write.
#pragma once

#include <QString>

class FileLock
{
public:
    enum class Kind { Shared, Exclusive };
    enum class Outcome {
        Locked,
        Busy, // another program holds a lock that conflicts (only without waiting)
        NoFile, // nothing to lock: the file does not exist (yet)
        NotAFile, // a folder, FIFO or device
        Failed, // the system refused (the message holds why)
    };

    FileLock() = default;
    ~FileLock() { release(); }
    FileLock(FileLock &&other) noexcept;
    FileLock &operator=(FileLock &&other) noexcept;
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

    // Locks the file at path, waiting for other holders when wait is set. A lock is always on
    // the file that is at path when it is taken: a file replaced meanwhile is locked afresh.
    Outcome lock(const QString &path, Kind kind, bool wait);
    // A descriptor of fd's file holding a lock of this kind, or -1: taken on the new file a save
    // is about to put in the old one's place, before anyone else can open it.
    int lockedDuplicate(int fd) const;
    // Holds lockedFd's lock in place of the one held, once the new file has taken the name.
    void adopt(int lockedFd);
    void release();

    bool held() const { return m_fd >= 0; }
    Kind kind() const { return m_kind; }
    QString path() const { return m_path; }
    QString message() const { return m_message; }

private:
    int m_fd = -1;
    Kind m_kind = Kind::Shared;
    QString m_path;
    QString m_message;
};
