// Failures of writing that hold for the superuser too, as CI runs: a file-size limit and a folder
// that takes no new file.
#pragma once

#include <csignal>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QFile>
#include <QString>

// While it lives, no file can grow past the given size; the write fails instead of the signal.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        m_ok = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool ok() const { return m_ok; }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit m_old {};
    void (*m_oldHandler)(int) = nullptr;
    bool m_ok = false;
};

// While it lives, the folder takes no new file but its files stay writable: immutable for the
// superuser (who ignores permissions), read-only for anyone else.
class ClosedFolder
{
public:
    explicit ClosedFolder(const QString &folder)
        : m_folder(folder)
    {
        m_immutable = setImmutable(true);
        if (!m_immutable)
            QFile::setPermissions(m_folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    }
    ~ClosedFolder()
    {
        if (m_immutable)
            setImmutable(false);
        else
            QFile::setPermissions(m_folder,
                QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    ClosedFolder(const ClosedFolder &) = delete;
    ClosedFolder &operator=(const ClosedFolder &) = delete;

private:
    bool setImmutable(bool on) const
    {
        const int fd = ::open(QFile::encodeName(m_folder).constData(), O_RDONLY | O_DIRECTORY);
        if (fd < 0)
            return false;
        int flags = 0;
        bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (done) {
            flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        ::close(fd);
        return done;
    }

    QString m_folder;
    bool m_immutable = false;
};
