// larkspur-tool versions, and the earlier versions the commands that replace a database keep,
// run as the real executable with a data folder of the test's own.
#include <sys/stat.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "store/datafile.h"
#include "store/recordstore.h"

using namespace Qt::StringLiterals;

namespace {

struct Run
{
    int exitCode = -1;
    QString out, err;
};

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray databaseOf(int records, const QString &prefix = u"Thing"_s)
{
    RecordStore s;
    for (int i = records; i > 0; --i) {
        ItemRecord r;
        r.setName(u"%1 %2"_s.arg(prefix).arg(i));
        s.append(r);
    }
    return DataFile::encodeDatabase(s);
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

unsigned modeOf(const QString &path)
{
    struct stat st
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 0777 : 0xFFFF;
}

} // namespace

class TestVersionsTool : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void replacingCommandsKeepVersions();
    void restoreWritesAVersionOut();
    void restoreRefuses_data();
    void restoreRefuses();
    void sameFileNamesDoNotMix();

private:
    Run tool(const QStringList &args);
    QString path(const QString &name) const { return m_dir->filePath(name); }
    QStringList listing(const QString &db);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestVersionsTool::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
}

Run TestVersionsTool::tool(const QStringList &args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_DATA_HOME"_s, path(u"data"_s));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(LARKSPUR_TOOL_PATH), args);
    Run r;
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.exitCode = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QStringList TestVersionsTool::listing(const QString &db)
{
    const Run r = tool({ u"versions"_s, db });
    if (r.exitCode != 0)
        return { u"exit %1: %2"_s.arg(r.exitCode).arg(r.err) };
    return r.out.split(u'\n', Qt::SkipEmptyParts);
}

void TestVersionsTool::replacingCommandsKeepVersions()
{
    const QString db = path(u"house.dat"_s);
    const QByteArray first = databaseOf(3);
    QVERIFY(writeBytes(db, first));
    QCOMPARE(::chmod(QFile::encodeName(db).constData(), 0600), 0);
    QCOMPARE(listing(db), QStringList());

    QCOMPARE(tool({ u"sort"_s, u"21"_s, db }).exitCode, 0);
    const QByteArray sorted = bytesOf(db);
    QVERIFY(sorted != first);
    // Exported and imported again: import-export writes over the database.
    QCOMPARE(tool({ u"export"_s, db, path(u"out.csv"_s) }).exitCode, 0);
    QCOMPARE(tool({ u"import-export"_s, path(u"out.csv"_s), db }).exitCode, 0);
    const QByteArray imported = bytesOf(db);
    // And once more as a spreadsheet, written over the database it was appended to.
    QVERIFY(writeBytes(path(u"sheet.csv"_s), "Item;Price\nLamp;3\n"));
    QCOMPARE(tool({ u"import-sheet"_s, path(u"sheet.csv"_s), db, db }).exitCode, 0);
    QVERIFY(bytesOf(db) != imported);

    QStringList lines = listing(db);
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0].section(u'\t', 2, 2), u"6"_s);
    QCOMPARE(bytesOf(lines[0].section(u'\t', 3)), imported);
    lines.removeFirst();
    // date, size, records, path; newest first.
    static const QRegularExpression line(
        u"^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\t(\\d+)\\t(\\d+)\\t(/.+)$"_s);
    const QRegularExpressionMatch newest = line.match(lines[0]);
    const QRegularExpressionMatch oldest = line.match(lines[1]);
    QVERIFY2(newest.hasMatch(), qPrintable(lines[0]));
    QVERIFY2(oldest.hasMatch(), qPrintable(lines[1]));
    QCOMPARE(bytesOf(newest.captured(3)), sorted);
    QCOMPARE(bytesOf(oldest.captured(3)), first);
    QCOMPARE(oldest.captured(1).toLongLong(), first.size());
    QCOMPARE(oldest.captured(2), u"3"_s);
    QCOMPARE(newest.captured(2), u"3"_s);
    // The database is the user's alone, and so are its versions.
    QCOMPARE(modeOf(oldest.captured(3)), 0600u);
    QCOMPARE(modeOf(newest.captured(3)), 0600u);
    // A new file has nothing to keep.
    QCOMPARE(tool({ u"import-export"_s, path(u"out.csv"_s), path(u"new.dat"_s) }).exitCode, 0);
    QCOMPARE(listing(path(u"new.dat"_s)), QStringList());
}

void TestVersionsTool::restoreWritesAVersionOut()
{
    const QString db = path(u"house.dat"_s);
    const QByteArray first = databaseOf(3);
    QVERIFY(writeBytes(db, first));
    QCOMPARE(tool({ u"sort"_s, u"21"_s, db }).exitCode, 0);
    QVERIFY(writeBytes(db, databaseOf(5, u"Other"_s)));
    QCOMPARE(tool({ u"sort"_s, u"21"_s, db }).exitCode, 0);
    QCOMPARE(listing(db).size(), 2);

    const QString out = path(u"restored.dat"_s);
    const Run r = tool({ u"versions"_s, db, u"--restore"_s, u"2"_s, out });
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, out + u": 3 records written\n"_s);
    // Checked by a reader of its own: sha256sum against the bytes first written.
    const QString manifest = path(u"manifest.sha256"_s);
    QVERIFY(writeBytes(manifest,
        QCryptographicHash::hash(first, QCryptographicHash::Sha256).toHex() + "  "
            + QFile::encodeName(out) + "\n"));
    QCOMPARE(QProcess::execute(u"sha256sum"_s, { u"--quiet"_s, u"-c"_s, manifest }), 0);
    QCOMPARE(tool({ u"check"_s, out }).out, out + u": 3 records\n"_s);
}

void TestVersionsTool::restoreRefuses_data()
{
    QTest::addColumn<QStringList>("args"); // after "versions DB"; OUT is appended where it fits
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("damage");
    QTest::newRow("N past the end") << QStringList { u"--restore"_s, u"3"_s } << 2 << false;
    QTest::newRow("N not a number") << QStringList { u"--restore"_s, u"one"_s } << 2 << false;
    QTest::newRow("no OUT") << QStringList { u"--restore"_s } << 2 << false;
    QTest::newRow("kept file damaged") << QStringList { u"--restore"_s, u"1"_s } << 1 << true;
}

void TestVersionsTool::restoreRefuses()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(bool, damage);
    const QString db = path(u"house.dat"_s);
    QVERIFY(writeBytes(db, databaseOf(3)));
    QCOMPARE(tool({ u"sort"_s, u"21"_s, db }).exitCode, 0);
    const QStringList lines = listing(db);
    QCOMPARE(lines.size(), 1);
    if (damage) {
        QFile kept(lines[0].section(u'\t', 3));
        QVERIFY(kept.open(QIODevice::ReadWrite));
        QVERIFY(kept.resize(kept.size() - 10));
    }
    const QString out = path(u"restored.dat"_s);
    QStringList all { u"versions"_s, db };
    all += args;
    if (args.size() == 2)
        all << out;
    const Run r = tool(all);
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY(!r.err.isEmpty());
    QVERIFY(r.out.isEmpty());
    QVERIFY(!QFile::exists(out));
}

void TestVersionsTool::sameFileNamesDoNotMix()
{
    QVERIFY(QDir().mkpath(path(u"a"_s)));
    QVERIFY(QDir().mkpath(path(u"b"_s)));
    const QString a = path(u"a/house.dat"_s), b = path(u"b/house.dat"_s);
    QVERIFY(writeBytes(a, databaseOf(2)));
    QVERIFY(writeBytes(b, databaseOf(4)));
    QCOMPARE(tool({ u"sort"_s, u"21"_s, a }).exitCode, 0);
    QCOMPARE(tool({ u"sort"_s, u"21"_s, b }).exitCode, 0);
    QCOMPARE(listing(a).size(), 1);
    QCOMPARE(listing(a)[0].section(u'\t', 2, 2), u"2"_s);
    QCOMPARE(listing(b).size(), 1);
    QCOMPARE(listing(b)[0].section(u'\t', 2, 2), u"4"_s);
}

QTEST_GUILESS_MAIN(TestVersionsTool)
#include "test_versionstool.moc"
