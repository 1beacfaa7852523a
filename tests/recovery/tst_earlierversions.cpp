// Earlier versions: what a save replaces is kept as it was, with its permissions, apart for each
// database, pruned to the last ten and one a day for a month, and written out only when it reads.
#include <sys/stat.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "recovery/earlierversions.h"
#include "store/datafile.h"
#include "store/recordstore.h"

using namespace Qt::StringLiterals;

namespace {

RecordStore storeOf(int records)
{
    RecordStore s;
    for (int i = 0; i < records; ++i) {
        ItemRecord r;
        r.setName(u"Thing %1"_s.arg(i + 1));
        s.append(r);
    }
    return s;
}

bool writeDatabase(const QString &path, int records)
{
    return DataFile::writeDatabase(path, storeOf(records)).ok;
}

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

unsigned modeOf(const QString &path)
{
    struct stat st
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 0777 : 0xFFFF;
}

const QDateTime Now(QDate(2026, 12, 10), QTime(12, 0), Qt::LocalTime);

// A version file as keep() names it, made at a given local time.
void plantVersion(const QString &folder, const QDateTime &when)
{
    QDir().mkpath(folder);
    QFile f(QDir(folder).filePath(when.toUTC().toString(u"yyyyMMdd-HHmmsszzz"_s) + u"-1.dat"_s));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("x");
}

} // namespace

class TestEarlierVersions : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void keepsWhatIsReplaced();
    void keepsPermissions_data();
    void keepsPermissions();
    void keepsOnlyDatabases_data();
    void keepsOnlyDatabases();
    void sameNameDifferentFolderDoNotMix();
    void pruning_data();
    void pruning();
    void pruningLeavesForeignFiles();
    void restoreWritesOnlyWhatReads();
};

void TestEarlierVersions::keepsWhatIsReplaced()
{
    QTemporaryDir dir;
    const QString area = dir.filePath(u"versions"_s);
    const QString db = dir.filePath(u"house.dat"_s);
    QVERIFY(writeDatabase(db, 3));
    const QByteArray first = bytesOf(db);
    QVERIFY(EarlierVersions::keep(db, Now, area).kept);
    // Saving the same again keeps nothing new.
    QVERIFY(!EarlierVersions::keep(db, Now.addSecs(5), area).kept);
    QVERIFY(writeDatabase(db, 5));
    QVERIFY(EarlierVersions::keep(db, Now.addSecs(10), area).kept);

    const QList<EarlierVersions::Version> versions = EarlierVersions::list(db, area);
    QCOMPARE(versions.size(), 2);
    QCOMPARE(versions[0].records, 5); // newest first
    QCOMPARE(versions[0].when, Now.addSecs(10).toUTC());
    QCOMPARE(versions[0].size, QFileInfo(db).size());
    QCOMPARE(versions[1].records, 3);
    QCOMPARE(bytesOf(versions[1].path), first);
    // Reached by another name (a link), it is the same database.
    QVERIFY(QFile::link(db, dir.filePath(u"link.dat"_s)));
    QCOMPARE(EarlierVersions::list(dir.filePath(u"link.dat"_s), area).size(), 2);
}

void TestEarlierVersions::keepsPermissions_data()
{
    QTest::addColumn<unsigned>("mode");
    QTest::newRow("0600") << 0600u;
    QTest::newRow("0640") << 0640u;
    QTest::newRow("0644") << 0644u;
}

void TestEarlierVersions::keepsPermissions()
{
    QFETCH(unsigned, mode);
    QTemporaryDir dir;
    const QString area = dir.filePath(u"versions"_s);
    const QString db = dir.filePath(u"house.dat"_s);
    QVERIFY(writeDatabase(db, 2));
    QCOMPARE(::chmod(QFile::encodeName(db).constData(), mode), 0);
    QVERIFY(EarlierVersions::keep(db, Now, area).kept);
    const QList<EarlierVersions::Version> versions = EarlierVersions::list(db, area);
    QCOMPARE(versions.size(), 1);
    QCOMPARE(modeOf(versions[0].path), mode);
    QCOMPARE(modeOf(EarlierVersions::folderFor(db, area)), 0700u);
}

void TestEarlierVersions::keepsOnlyDatabases_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << u"missing"_s;
    QTest::newRow("not a database") << u"text"_s;
    QTest::newRow("fifo") << u"fifo"_s;
    QTest::newRow("folder") << u"folder"_s;
}

void TestEarlierVersions::keepsOnlyDatabases()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    const QString area = dir.filePath(u"versions"_s);
    const QString path = dir.filePath(u"house.dat"_s);
    if (kind == u"text"_s) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("a shopping list");
    } else if (kind == u"fifo"_s) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == u"folder"_s) {
        QVERIFY(QDir().mkpath(path));
    }
    const EarlierVersions::KeepResult r = EarlierVersions::keep(path, Now, area);
    QVERIFY(!r.kept);
    QVERIFY(r.message.isEmpty());
    QVERIFY(EarlierVersions::list(path, area).isEmpty());
}

void TestEarlierVersions::sameNameDifferentFolderDoNotMix()
{
    QTemporaryDir dir;
    const QString area = dir.filePath(u"versions"_s);
    QVERIFY(QDir().mkpath(dir.filePath(u"a"_s)));
    QVERIFY(QDir().mkpath(dir.filePath(u"b"_s)));
    const QString a = dir.filePath(u"a/house.dat"_s), b = dir.filePath(u"b/house.dat"_s);
    QVERIFY(writeDatabase(a, 1));
    QVERIFY(writeDatabase(b, 2));
    QVERIFY(EarlierVersions::keep(a, Now, area).kept);
    QVERIFY(EarlierVersions::keep(b, Now, area).kept);
    QCOMPARE(EarlierVersions::list(a, area).size(), 1);
    QCOMPARE(EarlierVersions::list(a, area)[0].records, 1);
    QCOMPARE(EarlierVersions::list(b, area)[0].records, 2);
    // The versions of a database that is gone are still found by its name.
    QVERIFY(QFile::remove(a));
    QCOMPARE(EarlierVersions::list(a, area).size(), 1);
}

void TestEarlierVersions::pruning_data()
{
    QTest::addColumn<QList<int>>("hoursAgo"); // one version each
    QTest::addColumn<QList<int>>("kept"); // hours ago of those that stay

    QTest::newRow("fifteen today: the ten newest") << QList<int> { 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 2,
        2, 2, 2, 2 } << QList<int> { 0, 0, 0, 0, 0, 1, 1, 1, 1, 1 };
    QList<int> daily, dailyKept;
    for (int day = 0; day < 40; ++day) {
        daily << day * 24;
        if (day < 30)
            dailyKept << day * 24;
    }
    QTest::newRow("one a day for forty days: thirty days") << daily << dailyKept;
    // Ten today, then three on each of days 2 and 3 and one 40 days back: the newest of each
    // earlier day stays, the month-old one goes.
    QTest::newRow("ten today and older days") << QList<int> { 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 48, 49,
        50, 72, 73, 74, 960 } << QList<int> { 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 48, 72 };
    QTest::newRow("few and old: the ten newest stay whatever their age")
        << QList<int> { 1000, 2000, 3000 } << QList<int> { 1000, 2000, 3000 };
}

void TestEarlierVersions::pruning()
{
    QFETCH(QList<int>, hoursAgo);
    QFETCH(QList<int>, kept);
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"v"_s);
    // Distinct times within an hour: later entries of the same hour are a minute older.
    QMap<int, int> seen;
    auto timeOf = [](int hours, int nth) { return Now.addSecs(-qint64(hours) * 3600 - nth * 60); };
    for (int h : hoursAgo)
        plantVersion(folder, timeOf(h, seen[h]++));
    EarlierVersions::prune(folder, Now);

    QList<QDateTime> expected;
    QMap<int, int> counted;
    for (int h : kept)
        expected << timeOf(h, counted[h]++).toUTC();
    std::sort(expected.begin(), expected.end(), std::greater<>());
    QList<QDateTime> remaining;
    const QStringList names = QDir(folder).entryList(QDir::Files, QDir::Name | QDir::Reversed);
    for (const QString &name : names) {
        remaining << QDateTime(QDate::fromString(name.left(8), u"yyyyMMdd"_s),
            QTime::fromString(name.mid(9, 9), u"HHmmsszzz"_s), Qt::UTC);
    }
    QCOMPARE(remaining, expected);
}

void TestEarlierVersions::pruningLeavesForeignFiles()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"v"_s);
    for (int i = 0; i < 12; ++i)
        plantVersion(folder, Now.addDays(-40 - i));
    // Not the program's: other names, and a link named like a version.
    QFile other(QDir(folder).filePath(u"notes.dat"_s));
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.close();
    const QString target = dir.filePath(u"precious.dat"_s);
    QFile precious(target);
    QVERIFY(precious.open(QIODevice::WriteOnly));
    precious.close();
    QVERIFY(QFile::link(target, QDir(folder).filePath(u"20000101-000000000-1.dat"_s)));
    EarlierVersions::prune(folder, Now);
    QCOMPARE(QDir(folder).entryList({ u"2026*"_s }, QDir::Files).size(), 10);
    QVERIFY(QFile::exists(QDir(folder).filePath(u"notes.dat"_s)));
    QVERIFY(QFileInfo(QDir(folder).filePath(u"20000101-000000000-1.dat"_s)).isSymLink());
    QVERIFY(QFile::exists(target));
}

void TestEarlierVersions::restoreWritesOnlyWhatReads()
{
    QTemporaryDir dir;
    const QString area = dir.filePath(u"versions"_s);
    const QString db = dir.filePath(u"house.dat"_s);
    QVERIFY(writeDatabase(db, 4));
    QVERIFY(EarlierVersions::keep(db, Now, area).kept);
    const EarlierVersions::Version v = EarlierVersions::list(db, area).constFirst();
    const QString out = dir.filePath(u"restored.dat"_s);
    QVERIFY(EarlierVersions::restore(v, out).ok);
    QCOMPARE(QCryptographicHash::hash(bytesOf(out), QCryptographicHash::Sha256),
        QCryptographicHash::hash(bytesOf(db), QCryptographicHash::Sha256));

    // A kept file that no longer reads is never copied out.
    QFile damaged(v.path);
    QVERIFY(damaged.open(QIODevice::ReadWrite));
    QVERIFY(damaged.resize(damaged.size() / 2));
    damaged.close();
    const QString out2 = dir.filePath(u"restored2.dat"_s);
    const EarlierVersions::RestoreResult r = EarlierVersions::restore(v, out2);
    QVERIFY(!r.ok);
    QVERIFY(r.message.contains(v.path));
    QVERIFY(!QFile::exists(out2));
}

QTEST_GUILESS_MAIN(TestEarlierVersions)
#include "tst_earlierversions.moc"
