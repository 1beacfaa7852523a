// One open, one fstat and a bounded read for every small file the programs take in.
#include "store/smallfile.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QLocale>

using namespace Qt::StringLiterals;

namespace SmallFile {

Result read(const QString &path, qint64 limit)
{
    const auto failed = [&path](const QString &why) {
        return Result { {}, u"Cannot open file %1: %2"_s.arg(path, why), why };
    };
    const auto systemReason = [] { return QString::fromLocal8Bit(std::strerror(errno)); };
    if (path.startsWith(u':')) { // a resource built into the program
        QFile resource(path);
        if (!resource.open(QIODevice::ReadOnly))
            return failed(resource.errorString());
        return { resource.read(limit), {}, {} };
    }
    // Without blocking: opening a FIFO for reading would wait for a writer.
    const int fd
        = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return failed(systemReason());
    struct stat st = {};
    if (::fstat(fd, &st) != 0) {
        const Result r = failed(systemReason());
        ::close(fd);
        return r;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return failed(S_ISDIR(st.st_mode) ? u"it is a folder"_s : u"not a regular file"_s);
    }
    const QString tooLarge = u"larger than %1, more than such a file can hold"_s.arg(
        QLocale::c().formattedDataSize(limit, 0, QLocale::DataSizeTraditionalFormat));
    if (st.st_size > limit) {
        ::close(fd);
        return failed(tooLarge);
    }
    QByteArray bytes;
    bytes.resize(qsizetype(st.st_size) + 1);
    qsizetype got = 0;
    // One byte more than the size: a file that grows meanwhile is caught at the limit.
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, size_t(bytes.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const Result r = failed(systemReason());
            ::close(fd);
            return r;
        }
        if (n == 0)
            break;
        got += n;
        if (got == bytes.size() && got <= limit)
            bytes.resize(qMin<qint64>(limit + 1, bytes.size() * 2));
    }
    ::close(fd);
    if (got > limit)
        return failed(tooLarge);
    bytes.truncate(got);
    return { bytes, {}, {} };
}

} // namespace SmallFile
