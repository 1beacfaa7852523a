// File identity: stat fields plus a hash of the contents, read through one regular-file open.
#include "store/fileidentity.h"

#include <cerrno>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QHashFunctions>

void ContentHash::add(QByteArrayView bytes)
{
    m_total += bytes.size();
    while (!bytes.isEmpty()) {
        const qsizetype n = qMin(Block - m_fill, bytes.size());
        std::memcpy(m_block + m_fill, bytes.data(), size_t(n));
        m_fill += n;
        bytes = bytes.sliced(n);
        if (m_fill == Block) {
            m_hash = qHashBits(m_block, size_t(Block), m_hash);
            m_fill = 0;
        }
    }
}

size_t ContentHash::result() const
{
    return qHashMulti(qHashBits(m_block, size_t(m_fill), m_hash), m_total);
}

FileIdentity FileIdentity::ofDescriptor(int fd, size_t hash)
{
    struct stat st = {};
    if (::fstat(fd, &st) != 0)
        return {};
    FileIdentity id;
    id.known = true;
    id.size = st.st_size;
    id.modifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    id.device = st.st_dev;
    id.inode = st.st_ino;
    id.hash = hash;
    return id;
}

DiskState diskState(const QString &path, const FileIdentity &read)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return DiskState::Changed;
    struct stat st = {};
    FileIdentity now;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        now = FileIdentity::ofDescriptor(fd, read.hash);
        now.known = true;
    }
    if (!(now == read)) {
        ::close(fd);
        return DiskState::Changed;
    }
    ContentHash hash;
    static constexpr size_t Piece = 1 << 20;
    auto buffer = std::make_unique<char[]>(Piece);
    for (;;) {
        const ssize_t n = ::read(fd, buffer.get(), Piece);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return DiskState::Changed;
        }
        if (n == 0)
            break;
        hash.add(QByteArrayView(buffer.get(), n));
    }
    ::close(fd);
    return hash.result() == read.hash ? DiskState::Unchanged : DiskState::Changed;
}
