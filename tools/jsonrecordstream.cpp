// The database JSON file in pieces: a bounded buffer that is refilled as the scan moves on.
#include "tools/jsonrecordstream.h"

#include <cerrno>
#include <climits>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QLocale>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype Piece = 4 << 20;
// Deeper than this the whole-document reader judges (it has a nesting limit of its own).
constexpr int MaxDepth = 512;

bool isSpace(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

QString systemReason()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

JsonRecordStream::~JsonRecordStream()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

QString JsonRecordStream::failed(const QString &why) const
{
    return u"Cannot open file %1: %2"_s.arg(m_path, why);
}

bool JsonRecordStream::open(const QString &path, qint64 limit, QString &error)
{
    m_path = path;
    m_limit = limit;
    // Without blocking: opening a FIFO for reading would wait for a writer.
    m_fd
        = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (m_fd < 0) {
        error = failed(systemReason());
        return false;
    }
    struct stat st = {};
    if (::fstat(m_fd, &st) != 0) {
        error = failed(systemReason());
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        error = failed(S_ISDIR(st.st_mode) ? u"it is a folder"_s : u"not a regular file"_s);
        return false;
    }
    m_size = st.st_size;
    m_mtime = qint64(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    if (m_size > limit) {
        error = failed(u"larger than %1, more than such a file can hold"_s.arg(
            QLocale::c().formattedDataSize(limit, 0, QLocale::DataSizeTraditionalFormat)));
        return false;
    }
    return restart(0, error);
}

bool JsonRecordStream::restart(qint64 at, QString &error)
{
    if (::lseek(m_fd, at, SEEK_SET) != at) {
        error = failed(systemReason());
        return false;
    }
    m_buf.resize(Piece);
    m_end = m_pos = 0;
    m_bufStart = m_readTotal = at;
    m_eof = false;
    return true;
}

bool JsonRecordStream::fill(QString &error)
{
    if (m_eof)
        return false;
    // Drop what has been read, unless the head is still wanted whole.
    if (!m_keepAll && m_pos > 0) {
        std::memmove(m_buf.data(), m_buf.constData() + m_pos, size_t(m_end - m_pos));
        m_bufStart += m_pos;
        m_end -= m_pos;
        m_pos = 0;
    }
    if (m_buf.size() - m_end < Piece / 2)
        m_buf.resize(qMax(m_buf.size() * 2, m_end + Piece));
    for (;;) {
        const ssize_t n = ::read(m_fd, m_buf.data() + m_end, size_t(m_buf.size() - m_end));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = failed(systemReason());
            return false;
        }
        if (n == 0) {
            m_eof = true;
            return false;
        }
        m_end += n;
        m_readTotal += n;
        // A file that grows meanwhile is caught at the limit.
        if (m_readTotal > m_limit) {
            error = failed(u"larger than %1, more than such a file can hold"_s.arg(
                QLocale::c().formattedDataSize(m_limit, 0, QLocale::DataSizeTraditionalFormat)));
            return false;
        }
        return true;
    }
}

int JsonRecordStream::peek(qsizetype i, QString &error)
{
    while (m_pos + i >= m_end) {
        if (!fill(error))
            return -1;
    }
    return uchar(m_buf.at(m_pos + i));
}

bool JsonRecordStream::skipSpace(QString &error)
{
    for (;;) {
        const int c = peek(0, error);
        if (c < 0)
            return error.isEmpty();
        if (!isSpace(c))
            return true;
        ++m_pos;
    }
}

qsizetype JsonRecordStream::valueLength(QString &error)
{
    int c = peek(0, error);
    if (c < 0)
        return 0;
    if (c != '"' && c != '{' && c != '[') {
        // A number, true, false or null: up to the next delimiter; the reader judges it.
        qsizetype i = 0;
        while ((c = peek(i, error)) >= 0 && !isSpace(c) && c != ',' && c != ']' && c != '}')
            ++i;
        return error.isEmpty() ? i : 0;
    }
    int depth = 0;
    bool inString = false;
    for (qsizetype i = 0;; ++i) {
        c = peek(i, error);
        if (c < 0)
            return 0;
        if (inString) {
            if (c == '\\')
                ++i; // the escaped character, whatever it is
            else if (c == '"')
                inString = false;
            else
                continue;
            if (depth == 0 && !inString)
                return i + 1;
            continue;
        }
        if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            if (++depth > MaxDepth)
                return 0;
            m_maxDepth = qMax(m_maxDepth, depth);
        } else if (c == '}' || c == ']') {
            if (--depth == 0)
                return i + 1;
        }
    }
}

JsonRecordStream::Shape JsonRecordStream::scan(QString &error)
{
    m_keepAll = true;
    const auto other = [&]() { return error.isEmpty() ? Shape::Other : Shape::Failed; };
    // The reader skips a byte order mark, and so does the scan.
    if (peek(0, error) == 0xEF && peek(1, error) == 0xBB && peek(2, error) == 0xBF)
        m_pos += 3;
    if (!skipSpace(error) || peek(0, error) != '{')
        return other();
    ++m_pos;
    for (;;) {
        if (!skipSpace(error) || peek(0, error) != '"')
            return other();
        const qsizetype keyLength = valueLength(error);
        if (keyLength < 2)
            return other();
        const QByteArrayView key(m_buf.constData() + m_pos + 1, keyLength - 2);
        if (key.contains('\\'))
            return other(); // a key spelt with escapes: the reader decides what it names
        const bool records = key == "records";
        m_pos += keyLength;
        if (!skipSpace(error) || peek(0, error) != ':')
            return other();
        ++m_pos;
        if (!skipSpace(error))
            return other();
        if (records) {
            if (peek(0, error) != '[')
                return other();
            m_head = QByteArray(m_buf.constData(), m_pos) + "[]}";
            m_keepAll = false;
            ++m_pos;
            m_recordsAt = m_bufStart + m_pos;
            break;
        }
        const qsizetype length = valueLength(error);
        if (length == 0)
            return other();
        m_pos += length;
        if (!skipSpace(error))
            return other();
        if (peek(0, error) != ',')
            return other(); // the end without records, or something else
        ++m_pos;
    }
    // The records, each an object, then the end of the document.
    for (;;) {
        if (!skipSpace(error) || peek(0, error) != '{')
            return other();
        const qsizetype length = valueLength(error);
        if (length == 0 || m_count == INT_MAX)
            return other();
        m_pos += length;
        ++m_count;
        if (!skipSpace(error))
            return other();
        const int c = peek(0, error);
        ++m_pos;
        if (c == ']')
            break;
        if (c != ',')
            return other();
    }
    if (!skipSpace(error) || peek(0, error) != '}')
        return other();
    ++m_pos;
    if (!skipSpace(error) || peek(0, error) >= 0)
        return other();
    if (!error.isEmpty())
        return Shape::Failed;
    return restart(m_recordsAt, error) ? Shape::Streams : Shape::Failed;
}

QByteArray JsonRecordStream::head() const
{
    return m_head;
}

JsonRecordStream::Next JsonRecordStream::next(
    QByteArrayView &record, qint64 &offset, QString &error)
{
    const auto changed = [&]() {
        if (error.isEmpty())
            error = u"Cannot read file %1: it changed while it was read"_s.arg(m_path);
        return Next::Failed;
    };
    if (!skipSpace(error))
        return changed();
    if (m_given > 0) {
        const int c = peek(0, error);
        ++m_pos;
        if (c == ']')
            return m_given == m_count ? Next::End : changed();
        if (c != ',' || !skipSpace(error))
            return changed();
    }
    if (peek(0, error) != '{' || m_given == m_count)
        return changed();
    const qsizetype length = valueLength(error);
    if (length == 0)
        return changed();
    record = QByteArrayView(m_buf.constData() + m_pos, length);
    offset = m_bufStart + m_pos;
    m_pos += length;
    ++m_given;
    return Next::Record;
}

bool JsonRecordStream::rewind(QString &error)
{
    m_given = 0;
    return restart(m_recordsAt, error);
}

bool JsonRecordStream::unchanged(QString &error)
{
    struct stat st = {};
    if (::fstat(m_fd, &st) != 0) {
        error = failed(systemReason());
        return false;
    }
    if (st.st_size != m_size
        || qint64(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec != m_mtime) {
        error = u"Cannot read file %1: it changed while it was read"_s.arg(m_path);
        return false;
    }
    return true;
}

QString JsonRecordStream::position(qint64 offset)
{
    qint64 line = 1;
    qint64 column = 1;
    QString error;
    if (restart(0, error)) {
        // The same count as for a document held whole: a new line, or a byte that starts a
        // UTF-8 character.
        for (qint64 at = 0; at < offset; ++at) {
            const int c = peek(0, error);
            if (c < 0)
                break;
            ++m_pos;
            if (c == '\n') {
                ++line;
                column = 1;
            } else if ((c & 0xC0) != 0x80) {
                ++column;
            }
        }
    }
    return u"line %1, column %2"_s.arg(line).arg(column);
}
