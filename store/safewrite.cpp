// Safe file writing: atomic replacement, the in-place fallback and the system's reason.
#include "store/safewrite.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>

#include "store/filelock.h"

using namespace Qt::StringLiterals;

namespace SafeWrite {

SystemCalls &systemCalls()
{
    static SystemCalls calls { ::fsync, ::close, ::rename };
    return calls;
}

namespace {

QString reason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error != 0 ? error : EIO));
}

// Writes straight to a file descriptor and keeps the system's reason for a refusal: QFile
// reports a write cut short part-way (a full disk, a file-size limit) as "Unknown error".
class FdDevice : public QIODevice
{
public:
    explicit FdDevice(int fd)
        : m_fd(fd)
    {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }
    int error() const { return m_errno; }
    size_t hash() const { return m_hash.result(); }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 len) override
    {
        if (m_errno != 0)
            return -1;
        qint64 done = 0;
        while (done < len) {
            const ssize_t n = ::write(m_fd, data + done, size_t(len - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                m_errno = n < 0 ? errno : EIO;
                setErrorString(reason(m_errno));
                return done > 0 ? done : -1;
            }
            m_hash.add(QByteArrayView(data + done, n));
            done += n;
        }
        return done;
    }

private:
    int m_fd;
    int m_errno = 0;
    ContentHash m_hash;
};

QString cannotCreate(const QString &path, int error)
{
    return u"Cannot create file %1: %2"_s.arg(path, reason(error));
}

QString cannotWrite(const QString &path, int error)
{
    return u"Cannot write file %1: %2"_s.arg(path, reason(error));
}

// Runs the producer into fd and syncs it; 0 when all of it is on disk, else the system's error.
int produceInto(int fd, const Producer &produce, FileIdentity *identity = nullptr)
{
    FdDevice out(fd);
    const bool produced = produce(out);
    if (!produced)
        return out.error() != 0 ? out.error() : EIO;
    if (systemCalls().fsync(fd) != 0)
        return errno;
    if (identity)
        *identity = FileIdentity::ofDescriptor(fd, out.hash());
    return 0;
}

// Closes fd; a close that reports an error (EIO on a network or FUSE file system) means the
// bytes may not be where they were written.
int closeChecked(int fd)
{
    return systemCalls().close(fd) == 0 || errno == EINTR ? 0 : errno;
}

int copyInto(int from, int to)
{
    if (::lseek(from, 0, SEEK_SET) != 0)
        return errno;
    return produceInto(to, [from](QIODevice &out) {
        char buf[1 << 16];
        for (;;) {
            const ssize_t n = ::read(from, buf, sizeof buf);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return n == 0;
            if (out.write(buf, n) != n)
                return false;
        }
    });
}

// The file a write lands in: a link is followed to the file it names.
QString finalPath(const QString &path)
{
    QFileInfo info(path);
    for (int depth = 0; depth < 128 && info.isSymLink(); ++depth)
        info.setFile(info.symLinkTarget());
    return info.isSymLink() ? path : info.absoluteFilePath();
}

QString keptPrefix(const QString &target)
{
    const QByteArray id
        = QCryptographicHash::hash(QFile::encodeName(target), QCryptographicHash::Sha1);
    return QFileInfo(target).fileName() + u'.' + QString::fromLatin1(id.toHex().left(12)) + u'.';
}

Result writeInPlace(const QString &path, const QString &target, const Producer &produce)
{
    const QByteArray name = QFile::encodeName(target);
    const int fd = ::open(name.constData(), O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return { Failure::CannotCreate, cannotCreate(path, errno), {} };
    struct stat st = {};
    ::fstat(fd, &st);

    const QString folder = keptFolder();
    QDir().mkpath(folder);
    // The copy is as private as the file: made owner-only, then given the file's own mode.
    const QString keptName = QDir(folder).filePath(keptPrefix(target)
        + QDateTime::currentDateTimeUtc().toString(u"yyyyMMddhhmmsszzz"_s) + u".old"_s);
    const QByteArray keptPath = QFile::encodeName(keptName);
    const QString noCopy = u". No copy of the old file could be kept, so it was left as it was."_s;
    const int kept = ::open(keptPath.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (kept < 0) {
        const int error = errno;
        systemCalls().close(fd);
        return { Failure::CannotCreate, cannotWrite(path, error) + noCopy, {} };
    }
    ::fchmod(kept, st.st_mode & 07777);
    if (const int error = copyInto(fd, kept); error != 0) {
        systemCalls().close(kept);
        systemCalls().close(fd);
        ::unlink(keptPath.constData());
        return { Failure::CannotCreate, cannotWrite(path, error) + noCopy, {} };
    }

    FileIdentity identity;
    int error = ::ftruncate(fd, 0) == 0 && ::lseek(fd, 0, SEEK_SET) == 0 ? 0 : errno;
    if (error == 0)
        error = produceInto(fd, produce, &identity);
    const int closed = closeChecked(fd);
    if (error == 0)
        error = closed;
    if (error == 0) {
        systemCalls().close(kept);
        ::unlink(keptPath.constData());
        return { Failure::None, {}, identity };
    }
    // Put the old contents back; the copy stays where it is unless that worked.
    const int back = ::open(name.constData(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOCTTY);
    bool restored = back >= 0 && copyInto(kept, back) == 0;
    if (back >= 0)
        restored = closeChecked(back) == 0 && restored;
    systemCalls().close(kept);
    if (restored) {
        ::unlink(keptPath.constData());
        return { Failure::CannotWrite, cannotWrite(path, error), {} };
    }
    return { Failure::CannotWrite,
        cannotWrite(path, error) + u". The file as it was before is kept in "_s + keptName, {} };
}

// A new file beside the target, which the umask applies to as it would to the file itself.
int createBeside(const QString &target, QByteArray &tempName)
{
    const QFileInfo info(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempName = QFile::encodeName(info.absolutePath() + u"/."_s + info.fileName() + u'.'
            + QString::number(QRandomGenerator::global()->generate64() % 0xFFFFFFFFu, 36));
        const int fd = ::open(
            tempName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

} // namespace

QString keptFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(u"Larkspur/kept"_s);
}

QString keptCopyOf(const QString &path)
{
    const QString prefix = keptPrefix(finalPath(path));
    const QStringList copies = QDir(keptFolder())
                                   .entryList({ prefix + u"*.old"_s }, QDir::Files | QDir::Hidden,
                                       QDir::Name | QDir::Reversed);
    return copies.isEmpty() ? QString() : QDir(keptFolder()).filePath(copies.first());
}

Result write(const QString &path, const Producer &produce, FileLock *lock)
{
    const QString target = finalPath(path);
    const QByteArray name = QFile::encodeName(target);
    struct stat old = {};
    const bool exists = ::stat(name.constData(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode))
        return { Failure::CannotCreate, cannotCreate(path, EISDIR), {} };
    if (exists && ::access(name.constData(), W_OK) != 0)
        return { Failure::CannotCreate, cannotCreate(path, errno), {} };

    QByteArray tempName;
    const int fd = createBeside(target, tempName);
    if (fd < 0) {
        const int error = errno;
        if (exists && S_ISREG(old.st_mode))
            return writeInPlace(path, target, produce);
        return { Failure::CannotCreate, cannotCreate(path, error), {} };
    }
    if (exists) {
        // The new file takes the old one's place with its owner and mode.
        ::fchmod(fd, old.st_mode & 07777);
        if (::fchown(fd, old.st_uid, old.st_gid) != 0) { }
    }
    FileIdentity identity;
    int error = produceInto(fd, produce, &identity);
    const int lockedFd = error == 0 && lock && lock->held() ? lock->lockedDuplicate(fd) : -1;
    const int closed = closeChecked(fd);
    if (error == 0)
        error = closed;
    if (error == 0 && systemCalls().rename(tempName.constData(), name.constData()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(tempName.constData());
        if (lockedFd >= 0)
            ::close(lockedFd);
        return { Failure::CannotWrite, cannotWrite(path, error), {} };
    }
    if (lockedFd >= 0)
        lock->adopt(lockedFd);
    // The rename itself is on disk once the folder is.
    const int dir = ::open(QFile::encodeName(QFileInfo(target).absolutePath()).constData(),
        O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        systemCalls().fsync(dir);
        ::close(dir);
    }
    return { Failure::None, {}, identity };
}

Result write(const QString &path, QByteArrayView bytes)
{
    return write(path, [bytes](QIODevice &out) {
        return out.write(bytes.data(), bytes.size()) == bytes.size();
    });
}

} // namespace SafeWrite
