// Recovery files: a checked frame around a whole database, and the locks that tell a running
// program's file from one a crash left behind.
#include "recovery/recoveryfile.h"

#include <algorithm>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QtEndian>

#include "recovery/privatefolder.h"
#include "store/datafile.h"
#include "store/recordstore.h"

using namespace Qt::StringLiterals;

namespace Recovery {
namespace {

constexpr char Magic[] = "LKRCVR01";
constexpr qsizetype MagicSize = 8;
constexpr qsizetype HeadSize = MagicSize + 8 + 4; // magic, time, path length
constexpr qsizetype DigestSize = 32; // SHA-256
constexpr quint32 MaxPathBytes = 1 << 16;
const QString Suffix = u".recovery"_s;

QString damaged(const QString &path)
{
    return u"The recovery file %1 is damaged and cannot be used. The database it belongs to "
           "has not been changed."_s.arg(path);
}

bool ownName(const QString &fileName)
{
    static const QRegularExpression name(u"^[0-9]+-[0-9]+-[0-9a-f]+\\.recovery$"_s);
    return name.match(fileName).hasMatch();
}

QString lockFileOf(const QString &recoveryFile)
{
    return recoveryFile.chopped(Suffix.size()) + u".lock"_s;
}

// True when nobody holds the lock: the run that wrote the recovery file has ended.
bool abandoned(const QString &lockFile)
{
    const int fd = ::open(QFile::encodeName(lockFile).constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return !QFileInfo::exists(lockFile) && !QFileInfo(lockFile).isSymLink();
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd); // releases the lock taken just now
    return free;
}

struct Head
{
    bool ok = false;
    QDateTime savedAt;
    QString databasePath;
    qsizetype end = 0; // where the database length follows
};

Head readHead(QByteArrayView bytes, qint64 fileSize)
{
    Head h;
    if (bytes.size() < HeadSize || bytes.first(MagicSize) != QByteArrayView(Magic, MagicSize))
        return h;
    const qint64 msecs = qFromLittleEndian<qint64>(bytes.data() + MagicSize);
    const quint32 pathBytes = qFromLittleEndian<quint32>(bytes.data() + MagicSize + 8);
    if (pathBytes > MaxPathBytes || HeadSize + qint64(pathBytes) > fileSize
        || HeadSize + qsizetype(pathBytes) > bytes.size())
        return h;
    h.savedAt = QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
    h.databasePath = QString::fromUtf8(bytes.sliced(HeadSize, pathBytes));
    h.end = HeadSize + pathBytes;
    h.ok = h.savedAt.isValid();
    return h;
}

} // namespace

QString defaultFolder()
{
    return PrivateFolder::under(u"recovery"_s);
}

QByteArray encode(const Snapshot &snapshot)
{
    const QByteArray path = snapshot.databasePath.toUtf8();
    QByteArray out;
    out.reserve(HeadSize + path.size() + 8 + snapshot.database.size() + DigestSize);
    out.append(Magic, MagicSize);
    char number[8];
    qToLittleEndian<qint64>(snapshot.savedAt.toMSecsSinceEpoch(), number);
    out.append(number, 8);
    qToLittleEndian<quint32>(quint32(path.size()), number);
    out.append(number, 4);
    out.append(path);
    qToLittleEndian<quint64>(quint64(snapshot.database.size()), number);
    out.append(number, 8);
    out.append(snapshot.database);
    out.append(QCryptographicHash::hash(out, QCryptographicHash::Sha256));
    return out;
}

ReadResult read(const QString &path)
{
    ReadResult r;
    QFile file(path);
    if (DataFile::openForReading(file) != DataFile::OpenOutcome::Opened) {
        r.message = damaged(path);
        return r;
    }
    // The frame is checked against the file's size before anything is allocated for it.
    const qint64 size = file.size();
    if (size < HeadSize + 8 + DigestSize) {
        r.message = damaged(path);
        return r;
    }
    const QByteArray bytes = file.readAll();
    if (bytes.size() != size) {
        r.message = damaged(path);
        return r;
    }
    const Head head = readHead(bytes, size);
    if (!head.ok || head.end + 8 + DigestSize > bytes.size()) {
        r.message = damaged(path);
        return r;
    }
    const quint64 length = qFromLittleEndian<quint64>(bytes.constData() + head.end);
    const qsizetype body = head.end + 8;
    if (length != quint64(bytes.size() - body - DigestSize)) {
        r.message = damaged(path);
        return r;
    }
    const QByteArrayView framed = QByteArrayView(bytes).first(bytes.size() - DigestSize);
    if (QCryptographicHash::hash(framed, QCryptographicHash::Sha256)
        != QByteArrayView(bytes).last(DigestSize)) {
        r.message = damaged(path);
        return r;
    }
    r.snapshot.databasePath = head.databasePath;
    r.snapshot.savedAt = head.savedAt;
    r.snapshot.database = bytes.sliced(body, qsizetype(length));
    RecordStore check;
    if (!DataFile::readDatabaseBytes(r.snapshot.database, check, false).ok()) {
        r.snapshot = {};
        r.message = damaged(path);
        return r;
    }
    r.ok = true;
    return r;
}

bool load(const Snapshot &snapshot, RecordStore &store)
{
    return DataFile::readDatabaseBytes(snapshot.database, store, false).ok();
}

Session::Session(const QString &folder)
    : m_folder(folder)
{
    const QString id = u"%1-%2-%3"_s.arg(QCoreApplication::applicationPid())
                           .arg(QDateTime::currentMSecsSinceEpoch())
                           .arg(QRandomGenerator::system()->generate(), 0, 16);
    m_file = QDir(folder).filePath(id + Suffix);
    m_lockFile = lockFileOf(m_file);
}

Session::~Session()
{
    if (m_lockFd >= 0)
        ::close(m_lockFd);
}

SafeWrite::Result Session::write(const Snapshot &snapshot)
{
    if (!PrivateFolder::make(m_folder))
        return { SafeWrite::Failure::CannotCreate, u"Cannot create file %1"_s.arg(m_file) };
    if (m_lockFd < 0) {
        m_lockFd = ::open(QFile::encodeName(m_lockFile).constData(),
            O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (m_lockFd < 0 || ::flock(m_lockFd, LOCK_EX | LOCK_NB) != 0)
            return { SafeWrite::Failure::CannotCreate, u"Cannot create file %1"_s.arg(m_lockFile) };
    }
    SafeWrite::Result result = SafeWrite::write(m_file, encode(snapshot));
    if (result.ok())
        PrivateFolder::setMode(m_file, 0600);
    return result;
}

void Session::discard()
{
    QFile::remove(m_file);
    if (m_lockFd >= 0) {
        QFile::remove(m_lockFile);
        ::close(m_lockFd);
        m_lockFd = -1;
    }
}

bool Session::hasFile() const
{
    return QFileInfo::exists(m_file);
}

QList<Orphan> orphans(const QString &folder)
{
    QList<Orphan> found;
    const QDir dir(folder);
    for (const QFileInfo &info :
        dir.entryInfoList({ u"*"_s + Suffix }, QDir::Files | QDir::Hidden)) {
        if (!ownName(info.fileName()) || info.isSymLink()
            || !abandoned(lockFileOf(info.filePath())))
            continue;
        Orphan o;
        o.path = info.filePath();
        QFile file(o.path);
        if (DataFile::openForReading(file) == DataFile::OpenOutcome::Opened) {
            const Head head = readHead(file.read(HeadSize + MaxPathBytes), file.size());
            o.readable = head.ok;
            o.databasePath = head.databasePath;
            o.savedAt = head.savedAt;
        }
        found.append(o);
    }
    std::stable_sort(found.begin(), found.end(),
        [](const Orphan &a, const Orphan &b) { return a.savedAt > b.savedAt; });
    return found;
}

void discard(const Orphan &orphan)
{
    if (!ownName(QFileInfo(orphan.path).fileName()))
        return;
    QFile::remove(orphan.path);
    const QString lock = lockFileOf(orphan.path);
    if (abandoned(lock) && !QFileInfo(lock).isSymLink())
        QFile::remove(lock);
}

} // namespace Recovery
