// flock on a descriptor of its own, re-taken when the name was given to a new file meanwhile.
#include "store/filelock.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

FileLock::FileLock(FileLock &&other) noexcept
    : m_fd(std::exchange(other.m_fd, -1))
    , m_kind(other.m_kind)
    , m_path(std::move(other.m_path))
    , m_message(std::move(other.m_message))
{ }

FileLock &FileLock::operator=(FileLock &&other) noexcept
{
    if (this != &other) {
        release();
        m_fd = std::exchange(other.m_fd, -1);
        m_kind = other.m_kind;
        m_path = std::move(other.m_path);
        m_message = std::move(other.m_message);
    }
    return *this;
}

void FileLock::release()
{
    if (m_fd >= 0)
        ::close(m_fd); // closing the last descriptor of the open file drops its lock
    m_fd = -1;
}

FileLock::Outcome FileLock::lock(const QString &path, Kind kind, bool wait)
{
    release();
    m_message.clear();
    const QByteArray name = QFile::encodeName(path);
    const int op = (kind == Kind::Exclusive ? LOCK_EX : LOCK_SH) | (wait ? 0 : LOCK_NB);
    // A writer that replaces the file by renaming a new one over it leaves the waiter holding the
    // old file: take the lock again on the new one. Each round follows a completed save, so a
    // few rounds end it; past them the lock is on a file no one keeps under that name for long.
    for (int round = 0; round < 64; ++round) {
        const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) {
            if (errno == ENOENT)
                return Outcome::NoFile;
            m_message = QString::fromLocal8Bit(std::strerror(errno));
            return Outcome::Failed;
        }
        struct stat held = {};
        if (::fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) {
            ::close(fd);
            return Outcome::NotAFile;
        }
        int result;
        do
            result = ::flock(fd, op);
        while (result != 0 && errno == EINTR);
        if (result != 0) {
            const int error = errno;
            ::close(fd);
            if (error == EWOULDBLOCK)
                return Outcome::Busy;
            m_message = QString::fromLocal8Bit(std::strerror(error));
            return Outcome::Failed;
        }
        struct stat now = {};
        if (::stat(name.constData(), &now) == 0 && now.st_dev == held.st_dev
            && now.st_ino == held.st_ino) {
            m_fd = fd;
            m_kind = kind;
            m_path = path;
            return Outcome::Locked;
        }
        ::close(fd);
    }
    m_message = QString::fromLocal8Bit(std::strerror(EAGAIN));
    return Outcome::Failed;
}

int FileLock::lockedDuplicate(int fd) const
{
    const int mine = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (mine < 0)
        return -1;
    // A new file no one else has opened yet: the lock is free.
    if (::flock(mine, (m_kind == Kind::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
        ::close(mine);
        return -1;
    }
    return mine;
}

void FileLock::adopt(int lockedFd)
{
    release();
    m_fd = lockedFd;
}
