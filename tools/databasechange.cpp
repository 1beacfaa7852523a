// Locking and the on-disk check around a tool command's read-change-write.
#include "tools/databasechange.h"

#include <sys/stat.h>

#include <QFile>

#include "store/datafile.h"
#include "store/recordstore.h"
#include "store/safewrite.h"
#include "tools/readorreport.h"
#include "tools/versionscommand.h"

using namespace Qt::StringLiterals;

namespace {

bool sameFile(const QString &a, const QString &b)
{
    struct stat sa = {}, sb = {};
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0
        && ::stat(QFile::encodeName(b).constData(), &sb) == 0 && sa.st_dev == sb.st_dev
        && sa.st_ino == sb.st_ino;
}

} // namespace

bool DatabaseChange::lockOut()
{
    switch (m_lock.lock(m_out, FileLock::Kind::Exclusive, false)) {
    case FileLock::Outcome::Locked:
    case FileLock::Outcome::NoFile: // a new file: the write makes it
    case FileLock::Outcome::NotAFile: // the write tells why it cannot go there
        return true;
    case FileLock::Outcome::Busy:
        printToolLine(
            u"Cannot change file %1: it is open in another program. Nothing was changed."_s.arg(
                m_out),
            true);
        return false;
    case FileLock::Outcome::Failed:
        printToolLine(u"Cannot lock file %1: %2"_s.arg(m_out, m_lock.message()), true);
        return false;
    }
    return false;
}

bool DatabaseChange::begin(const QString &in, const QString &out, RecordStore &store)
{
    m_out = out;
    if (!in.isEmpty() && (in == out || sameFile(in, out))) {
        if (!lockOut())
            return false;
        DataFile::ReadResult read;
        if (!readDatabaseOrReport(in, store, &read, false))
            return false;
        m_read = read.identity;
        return true;
    }
    if (!in.isEmpty() && !readDatabaseOrReport(in, store))
        return false;
    return lockOut();
}

bool DatabaseChange::write(const RecordStore &store)
{
    // Another program that does not lock may still have written it since.
    if (m_read.known && diskState(m_out, m_read) == DiskState::Changed) {
        printToolLine(u"Cannot write file %1: another program changed it since it was read. "
                      "Nothing was written."_s.arg(m_out),
            true);
        return false;
    }
    if (!m_kept)
        keepEarlierVersion(m_out);
    const DataFile::WriteResult written = DataFile::writeDatabase(m_out, store, &m_lock);
    if (!written.ok) {
        printToolLine(
            written.message.isEmpty() ? u"Cannot create file %1"_s.arg(m_out) : written.message,
            true);
        return false;
    }
    return true;
}

void DatabaseChange::keepEarlierVersionNow()
{
    keepEarlierVersion(m_out);
    m_kept = true;
}

bool DatabaseChange::write(const std::function<Produced(QIODevice &out)> &produce)
{
    if (m_read.known && diskState(m_out, m_read) == DiskState::Changed) {
        printToolLine(u"Cannot write file %1: another program changed it since it was read. "
                      "Nothing was written."_s.arg(m_out),
            true);
        return false;
    }
    Produced produced = Produced::WriteFailed;
    const SafeWrite::Result written = SafeWrite::write(
        m_out,
        [&](QIODevice &out) {
            produced = produce(out);
            // The earlier version is kept only once the new one is complete.
            if (produced == Produced::Complete && !m_kept)
                keepEarlierVersion(m_out);
            return produced == Produced::Complete;
        },
        &m_lock);
    if (written.ok())
        return true;
    if (produced != Produced::Declined) {
        printToolLine(
            written.message.isEmpty() ? u"Cannot create file %1"_s.arg(m_out) : written.message,
            true);
    }
    return false;
}
