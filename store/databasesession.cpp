// A window's hold on its database file between reading and saving.
#include "store/databasesession.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>

#include "store/recordstore.h"

bool DatabaseSession::openElsewhere(const QString &path)
{
    FileLock probe;
    return probe.lock(path, FileLock::Kind::Exclusive, false) == FileLock::Outcome::Busy;
}

void DatabaseSession::lockShared(const QString &path)
{
    // Only a command writing the file holds it exclusively, and never for long: wait for it.
    if (!m_lock.held() || m_lock.path() != path)
        m_lock.lock(path, FileLock::Kind::Shared, true);
}

DataFile::ReadResult DatabaseSession::read(const QString &path, RecordStore &store, bool readOnly)
{
    FileLock previous = std::move(m_lock);
    lockShared(path);
    DataFile::ReadResult result = DataFile::readDatabase(path, store, false);
    if (!result.ok()) {
        m_lock = std::move(previous);
        return result;
    }
    m_path = path;
    m_identity = result.identity;
    m_readOnly = readOnly;
    return result;
}

void DatabaseSession::adoptAsItIs(const QString &path)
{
    m_lock.release();
    lockShared(path);
    m_path = path;
    m_readOnly = false;
    m_identity = {};
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return;
    ContentHash hash;
    char buf[1 << 16];
    for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;)
        hash.add(QByteArrayView(buf, n));
    m_identity = FileIdentity::ofDescriptor(fd, hash.result());
    ::close(fd);
}

bool DatabaseSession::unchangedOnDisk() const
{
    return !m_identity.known || diskState(m_path, m_identity) == DiskState::Unchanged;
}

DataFile::WriteResult DatabaseSession::write(const QString &path, const RecordStore &store)
{
    const bool same = holds(path);
    DataFile::WriteResult result = DataFile::writeDatabase(path, store, same ? &m_lock : nullptr);
    if (!result.ok)
        return result;
    if (!same) {
        m_lock.release();
        lockShared(path);
    }
    m_path = path;
    m_identity = result.identity;
    m_readOnly = false;
    return result;
}

void DatabaseSession::close()
{
    m_lock.release();
    m_path.clear();
    m_identity = {};
    m_readOnly = false;
}
