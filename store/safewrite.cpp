// Safe file writing: atomic replacement, the in-place fallback and the system's reason.
#include "store/safewrite.h"

#include <cerrno>
#include <cstring>

#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace SafeWrite {
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
    bool sync()
    {
        if (m_errno == 0 && ::fsync(m_fd) != 0)
            m_errno = errno;
        return m_errno == 0;
    }

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
            done += n;
        }
        return done;
    }

private:
    int m_fd;
    int m_errno = 0;
};

QString cannotCreate(const QString &path)
{
    return u"Cannot create file %1"_s.arg(path);
}

QString cannotWrite(const QString &path, int error)
{
    return u"Cannot write file %1: %2"_s.arg(path, reason(error));
}

// Runs the producer into fd; 0 when all of it was written and synced, else the system's error.
int produceInto(int fd, const Producer &produce)
{
    FdDevice out(fd);
    const bool produced = produce(out);
    if (!out.sync())
        return out.error();
    return produced ? 0 : (out.error() != 0 ? out.error() : EIO);
}

int copyInto(QFile &from, int fd)
{
    return produceInto(fd, [&from](QIODevice &out) {
        char buf[1 << 16];
        for (;;) {
            const qint64 n = from.read(buf, sizeof buf);
            if (n <= 0)
                return n == 0;
            if (out.write(buf, n) != n)
                return false;
        }
    });
}

Result writeInPlace(const QString &path, const Producer &produce)
{
    QFile target(path);
    if (!target.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return { Failure::CannotCreate, cannotCreate(path) };

    const QString folder = keptFolder();
    QDir().mkpath(folder);
    QFile kept(QDir(folder).filePath(QFileInfo(path).fileName() + u'.'
        + QDateTime::currentDateTimeUtc().toString(u"yyyyMMddhhmmsszzz"_s) + u".old"_s));
    const QString noCopy = u". No copy of the old file could be kept, so it was left as it was."_s;
    if (!kept.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
        return { Failure::CannotCreate,
            u"Cannot write file %1: %2"_s.arg(path, kept.errorString()) + noCopy };
    }
    if (const int error = copyInto(target, kept.handle()); error != 0) {
        kept.remove();
        return { Failure::CannotCreate, cannotWrite(path, error) + noCopy };
    }
    kept.close();

    const int fd = target.handle();
    int error = ::ftruncate(fd, 0) == 0 && ::lseek(fd, 0, SEEK_SET) == 0 ? 0 : errno;
    if (error == 0)
        error = produceInto(fd, produce);
    if (error == 0) {
        QFile::remove(kept.fileName());
        return {};
    }
    // Put the old contents back; the copy stays where it is unless that worked.
    bool restored = kept.open(QIODevice::ReadOnly) && ::ftruncate(fd, 0) == 0
        && ::lseek(fd, 0, SEEK_SET) == 0 && copyInto(kept, fd) == 0;
    kept.close();
    if (restored) {
        QFile::remove(kept.fileName());
        return { Failure::CannotWrite, cannotWrite(path, error) };
    }
    return { Failure::CannotWrite,
        cannotWrite(path, error) + u". The file as it was before is kept in "_s + kept.fileName() };
}

} // namespace

QString keptFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(u"Larkspur/kept"_s);
}

Result write(const QString &path, const Producer &produce)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (QFileInfo(path).isFile())
            return writeInPlace(path, produce);
        return { Failure::CannotCreate, cannotCreate(path) };
    }
    if (const int error = produceInto(file.handle(), produce); error != 0) {
        file.cancelWriting();
        return { Failure::CannotWrite, cannotWrite(path, error) };
    }
    if (!file.commit())
        return { Failure::CannotWrite, u"Cannot write file %1: %2"_s.arg(path, file.errorString()) };
    return {};
}

Result write(const QString &path, QByteArrayView bytes)
{
    return write(path, [bytes](QIODevice &out) {
        return out.write(bytes.data(), bytes.size()) == bytes.size();
    });
}

} // namespace SafeWrite
