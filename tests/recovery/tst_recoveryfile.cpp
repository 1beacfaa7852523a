// Recovery files: what is written reads back whole, a damaged file is refused with a message,
// and only files of runs that ended are offered.
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "recovery/recoveryfile.h"
#include "store/datafile.h"
#include "store/recordstore.h"

using namespace Qt::StringLiterals;

namespace {

QByteArray smallDatabase(const QString &name = u"Lamp"_s)
{
    RecordStore s;
    ItemRecord r;
    r.setName(name);
    r.setDescription(1, u"Brass, old"_s);
    s.append(r);
    ItemRecord second;
    second.setName(u"Clock"_s);
    s.append(second);
    return DataFile::encodeDatabase(s);
}

Recovery::Snapshot snapshot(const QString &path = u"/home/a/house.dat"_s)
{
    return { path, QDateTime(QDate(2026, 12, 10), QTime(14, 3, 22, 120), Qt::UTC),
        smallDatabase() };
}

unsigned modeOf(const QString &path)
{
    struct stat st
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 0777 : 0xFFFF;
}

QString recoveryFileIn(const QString &folder)
{
    const QStringList names = QDir(folder).entryList({ u"*.recovery"_s }, QDir::Files);
    return names.size() == 1 ? QDir(folder).filePath(names.first()) : QString();
}

} // namespace

class TestRecoveryFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void writtenFileReadsBackWhole_data();
    void writtenFileReadsBackWhole();
    void damagedFileIsRefused_data();
    void damagedFileIsRefused();
    void onlyEndedRunsAreOrphans();
    void discardTouchesOnlyOwnFiles();
    void normalEndLeavesNothing();
};

void TestRecoveryFile::writtenFileReadsBackWhole_data()
{
    QTest::addColumn<QString>("databasePath");
    QTest::newRow("titled") << u"/home/a/house.dat"_s;
    QTest::newRow("untitled") << QString();
    QTest::newRow("line break, # and ? in the name") << u"/home/a/new\nhouse #2?.dat"_s;
    QTest::newRow("beyond Windows-1252") << u"/home/a/家 ☃.dat"_s;
}

void TestRecoveryFile::writtenFileReadsBackWhole()
{
    QFETCH(QString, databasePath);
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"recovery"_s);
    Recovery::Session session(folder);
    const Recovery::Snapshot written = snapshot(databasePath);
    QVERIFY(session.write(written).ok());

    const Recovery::ReadResult r = Recovery::read(session.filePath());
    QVERIFY2(r.ok, qPrintable(r.message));
    QCOMPARE(r.snapshot.databasePath, databasePath);
    QCOMPARE(r.snapshot.savedAt, written.savedAt);
    QCOMPARE(r.snapshot.database, written.database);
    RecordStore store;
    QVERIFY(Recovery::load(r.snapshot, store));
    QCOMPARE(store.count(), 2);
    QCOMPARE(store.at(0).name(), u"Lamp"_s);
    // A whole database: the user's alone, in a folder that is the user's alone.
    QCOMPARE(modeOf(session.filePath()), 0600u);
    QCOMPARE(modeOf(folder), 0700u);
}

void TestRecoveryFile::damagedFileIsRefused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray good = Recovery::encode(snapshot());
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("head only") << good.left(20);
    QTest::newRow("cut in the database") << good.left(good.size() / 2);
    QTest::newRow("cut in the checksum") << good.chopped(5);
    QTest::newRow("byte changed in the database") << QByteArray(good).replace(60, 1, "\x7f");
    QTest::newRow("checksum changed") << QByteArray(good).replace(good.size() - 1, 1, "\x01");
    QTest::newRow("other magic") << QByteArray(good).replace(0, 8, "XXXXXXXX");
    QByteArray hugePath = good;
    hugePath.replace(16, 4, QByteArray("\xff\xff\xff\x7f", 4));
    QTest::newRow("path length past the file") << hugePath;
    QByteArray hugeDatabase = good;
    const qsizetype lengthAt = 20 + QByteArray("/home/a/house.dat").size();
    hugeDatabase.replace(lengthAt, 8, QByteArray("\xff\xff\xff\xff\xff\xff\xff\x7f", 8));
    QTest::newRow("database length past the file") << hugeDatabase;
    // A sound frame around bytes that are no database.
    QTest::newRow("not a database inside")
        << Recovery::encode({ u"/a.dat"_s, QDateTime::currentDateTimeUtc(), "not a database" });
}

void TestRecoveryFile::damagedFileIsRefused()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"1-2-3.recovery"_s);
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    const Recovery::ReadResult r = Recovery::read(path);
    QVERIFY(!r.ok);
    QVERIFY(r.message.contains(path));
    QVERIFY(r.message.contains(u"damaged"_s));
    QVERIFY(r.snapshot.database.isEmpty());
}

void TestRecoveryFile::onlyEndedRunsAreOrphans()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"recovery"_s);
    QString endedFile;
    {
        // A run that ends without discarding its file, as a crash leaves it.
        Recovery::Session ended(folder);
        QVERIFY(ended.write(snapshot(u"/home/a/old.dat"_s)).ok());
        endedFile = ended.filePath();
    }
    Recovery::Session running(folder);
    Recovery::Snapshot newer = snapshot(u"/home/a/now.dat"_s);
    newer.savedAt = newer.savedAt.addSecs(60);
    QVERIFY(running.write(newer).ok());

    const QList<Recovery::Orphan> found = Recovery::orphans(folder);
    QCOMPARE(found.size(), 1);
    QCOMPARE(found[0].path, endedFile);
    QCOMPARE(found[0].databasePath, u"/home/a/old.dat"_s);
    QCOMPARE(found[0].savedAt, snapshot().savedAt);
    QVERIFY(found[0].readable);
}

void TestRecoveryFile::discardTouchesOnlyOwnFiles()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"recovery"_s);
    QVERIFY(QDir().mkpath(folder));
    // Someone else's file and a link to it carry the suffix but not the program's names.
    const QString foreign = dir.filePath(u"keep.recovery"_s);
    QFile f(foreign);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("mine");
    f.close();
    QVERIFY(QFile::link(foreign, QDir(folder).filePath(u"9-9-9.recovery"_s)));
    QVERIFY(QFile::copy(foreign, QDir(folder).filePath(u"notes.recovery"_s)));
    {
        Recovery::Session ended(folder);
        QVERIFY(ended.write(snapshot()).ok());
    }
    const QList<Recovery::Orphan> found = Recovery::orphans(folder);
    QCOMPARE(found.size(), 1);
    Recovery::discard(found[0]);
    QVERIFY(!QFile::exists(found[0].path));
    QVERIFY(Recovery::orphans(folder).isEmpty());
    QVERIFY(QFile::exists(foreign));
    QVERIFY(QFile::exists(QDir(folder).filePath(u"notes.recovery"_s)));
    QVERIFY(QFileInfo(QDir(folder).filePath(u"9-9-9.recovery"_s)).isSymLink());
}

void TestRecoveryFile::normalEndLeavesNothing()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"recovery"_s);
    {
        Recovery::Session session(folder);
        QVERIFY(session.write(snapshot()).ok());
        QVERIFY(!recoveryFileIn(folder).isEmpty());
        session.discard();
    }
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList());
}

QTEST_GUILESS_MAIN(TestRecoveryFile)
#include "tst_recoveryfile.moc"
