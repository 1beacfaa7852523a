// Telling whether a database file on disk is still the one that was read, the locks two programs
// take on one file, and the bounded reader every small input goes through.
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "store/datafile.h"
#include "store/filelock.h"
#include "store/fileidentity.h"
#include "store/smallfile.h"

using namespace Qt::StringLiterals;

namespace {

enum class Change { None, SameSizeAndTime, Appended, ReplacedByRename, Removed, Rewritten };

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

RecordStore lampStore()
{
    RecordStore s;
    ItemRecord r;
    r.setName(u"Lamp"_s);
    s.append(r);
    return s;
}

} // namespace

class TestFileIdentity : public QObject
{
    Q_OBJECT
private slots:
    void diskStateAfterAnotherWriter_data();
    void diskStateAfterAnotherWriter();
    void writtenIdentityMatchesTheRead();
    void locksBetweenHolders_data();
    void locksBetweenHolders();
    void smallFileRules_data();
    void smallFileRules();
};

void TestFileIdentity::diskStateAfterAnotherWriter_data()
{
    QTest::addColumn<Change>("change");
    QTest::addColumn<DiskState>("expected");
    QTest::newRow("untouched") << Change::None << DiskState::Unchanged;
    QTest::newRow("same size and time, other bytes")
        << Change::SameSizeAndTime << DiskState::Changed;
    QTest::newRow("grown") << Change::Appended << DiskState::Changed;
    QTest::newRow("replaced by a rename") << Change::ReplacedByRename << DiskState::Changed;
    QTest::newRow("removed") << Change::Removed << DiskState::Changed;
    QTest::newRow("rewritten with the same bytes") << Change::Rewritten << DiskState::Changed;
}

void TestFileIdentity::diskStateAfterAnotherWriter()
{
    QFETCH(Change, change);
    QFETCH(DiskState, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"inv.dat"_s);
    QVERIFY(DataFile::writeDatabase(path, lampStore()).ok);
    RecordStore read;
    const DataFile::ReadResult r = DataFile::readDatabase(path, read, false);
    QVERIFY(r.ok() && r.identity.known);

    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QByteArray bytes = f.readAll();
    f.close();
    const QByteArray name = QFile::encodeName(path);
    struct stat before = {};
    QCOMPARE(::stat(name.constData(), &before), 0);
    switch (change) {
    case Change::None:
        break;
    case Change::SameSizeAndTime: {
        // The Name "Lamp" becomes "Vase" in place, and the time is put back as a careless
        // (or malicious) writer can.
        const qsizetype at = bytes.lastIndexOf("Lamp");
        QVERIFY(at > 0);
        bytes.replace(at, 4, "Vase");
        const int fd = ::open(name.constData(), O_WRONLY);
        QVERIFY(fd >= 0);
        QCOMPARE(::pwrite(fd, bytes.constData(), size_t(bytes.size()), 0), ssize_t(bytes.size()));
        const timespec times[2] = { before.st_atim, before.st_mtim };
        QCOMPARE(::futimens(fd, times), 0);
        ::close(fd);
        break;
    }
    case Change::Appended:
        QVERIFY(f.open(QIODevice::Append) && f.write("x") == 1);
        f.close();
        break;
    case Change::ReplacedByRename:
        QVERIFY(writeBytes(path + u".new"_s, bytes));
        QCOMPARE(::rename(QFile::encodeName(path + u".new"_s).constData(), name.constData()), 0);
        break;
    case Change::Removed:
        QVERIFY(QFile::remove(path));
        break;
    case Change::Rewritten: {
        // Same bytes, a later time: written by someone else all the same.
        const timespec later[2] = { before.st_atim, { before.st_mtim.tv_sec + 2, 0 } };
        QVERIFY(writeBytes(path, bytes));
        QCOMPARE(::utimensat(AT_FDCWD, name.constData(), later, 0), 0);
        break;
    }
    }
    QCOMPARE(diskState(path, r.identity), expected);
}

// A save's own identity is what the next save compares with: the file as written is unchanged.
void TestFileIdentity::writtenIdentityMatchesTheRead()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"inv.dat"_s);
    RecordStore s = lampStore();
    s.captions.detail[9] = QString(300000, u'q'); // past the reader's first piece
    const DataFile::WriteResult w = DataFile::writeDatabase(path, s);
    QVERIFY(w.ok && w.identity.known);
    QCOMPARE(diskState(path, w.identity), DiskState::Unchanged);
    RecordStore read;
    const DataFile::ReadResult r = DataFile::readDatabase(path, read, false);
    QVERIFY(r.ok());
    QCOMPARE(r.identity, w.identity);
}

void TestFileIdentity::locksBetweenHolders_data()
{
    QTest::addColumn<FileLock::Kind>("first");
    QTest::addColumn<FileLock::Kind>("second");
    QTest::addColumn<FileLock::Outcome>("expected");
    using K = FileLock::Kind;
    using O = FileLock::Outcome;
    QTest::newRow("two windows reading") << K::Shared << K::Shared << O::Locked;
    QTest::newRow("a command changing an open file") << K::Shared << K::Exclusive << O::Busy;
    QTest::newRow("two commands changing") << K::Exclusive << K::Exclusive << O::Busy;
    QTest::newRow("a window opening a file being changed") << K::Exclusive << K::Shared << O::Busy;
}

// Each holder opens the file on its own, as two programs do.
void TestFileIdentity::locksBetweenHolders()
{
    QFETCH(FileLock::Kind, first);
    QFETCH(FileLock::Kind, second);
    QFETCH(FileLock::Outcome, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"inv.dat"_s);
    QVERIFY(writeBytes(path, "x"));
    FileLock a;
    QCOMPARE(a.lock(path, first, false), FileLock::Outcome::Locked);
    FileLock b;
    QCOMPARE(b.lock(path, second, false), expected);
    a.release();
    QCOMPARE(b.lock(path, second, false), FileLock::Outcome::Locked);

    // The lock follows the name when a save puts a new file in the old one's place.
    QVERIFY(DataFile::writeDatabase(path, lampStore(), &b).ok);
    FileLock c;
    QCOMPARE(c.lock(path, FileLock::Kind::Exclusive, false), FileLock::Outcome::Busy);
}

void TestFileIdentity::smallFileRules_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("FIFO") << u"fifo"_s << u"not a regular file"_s;
    QTest::newRow("/dev/zero") << u"/dev/zero"_s << u"not a regular file"_s;
    QTest::newRow("folder") << u"folder"_s << u"it is a folder"_s;
    QTest::newRow("past the limit")
        << u"large"_s << u"larger than 4 MB, more than such a file can hold"_s;
    QTest::newRow("missing") << u"missing"_s << u"No such file or directory"_s;
    QTest::newRow("at the limit") << u"limit"_s << QString();
}

// Every small file is read under the database reader's rules: nothing blocks, nothing grows
// without bound, and the message says why.
void TestFileIdentity::smallFileRules()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QString path = dir.filePath(kind);
    const QByteArray name = QFile::encodeName(path);
    if (kind == u"fifo"_s)
        QCOMPARE(::mkfifo(name.constData(), 0600), 0);
    else if (kind == u"folder"_s)
        QCOMPARE(::mkdir(name.constData(), 0700), 0);
    else if (kind == u"large"_s || kind == u"limit"_s)
        QVERIFY(writeBytes(path, QByteArray(SmallFile::FormatLimit + (kind == u"large"_s), 'a')));
    else if (kind.startsWith(u'/'))
        path = kind;
    const SmallFile::Result r = SmallFile::read(path, SmallFile::FormatLimit);
    if (reason.isEmpty()) {
        QVERIFY2(r.ok(), qPrintable(r.error));
        QCOMPARE(r.bytes.size(), SmallFile::FormatLimit);
        return;
    }
    QCOMPARE(r.error, u"Cannot open file %1: %2"_s.arg(path, reason));
    QVERIFY(r.bytes.isEmpty());
}

QTEST_GUILESS_MAIN(TestFileIdentity)
#include "tst_fileidentity.moc"
