// larkspur-tool against other programs and hostile inputs: a file another program has open, two
// commands changing one file at once, FIFOs, devices and oversized inputs, and a file whose save
// was stopped half-way.
#include <csignal>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "reports/reportdefinition.h"
#include "reports/reportformat.h"
#include "store/csvfile.h"
#include "store/datafile.h"
#include "store/filelock.h"
#include "store/recordstore.h"
#include "store/safewrite.h"
#include "tests/support/toolrun.h"
#include "tests/support/writefailures.h"

using namespace Qt::StringLiterals;

namespace {

ToolRun runTool(const QStringList &args)
{
    // A reader that blocked would hang here: the time-out fails the test instead.
    return runProgram(QStringLiteral(LARKSPUR_TOOL_PATH), args, 60000);
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

RecordStore storeOf(const QStringList &names)
{
    RecordStore s;
    for (const QString &n : names) {
        ItemRecord r;
        r.setName(n);
        s.append(r);
    }
    s.databaseOpen = true;
    return s;
}

int recordCount(const QString &path)
{
    RecordStore s;
    return DataFile::readDatabase(path, s, false).ok() ? s.count() : -1;
}

} // namespace

class TestToolFiles : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void changeRefusedWhileOpenElsewhere_data();
    void changeRefusedWhileOpenElsewhere();
    void twoImportsAtOnceLoseNothing();
    void readersTakeOnlySmallRegularFiles_data();
    void readersTakeOnlySmallRegularFiles();
    void damagedFileNamesTheKeptCopy();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestToolFiles::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestToolFiles::changeRefusedWhileOpenElsewhere_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("import-export")
        << QStringList { u"import-export"_s, u"@in.csv"_s, u"@db.dat"_s };
    QTest::newRow("sort in place") << QStringList { u"sort"_s, u"21"_s, u"@db.dat"_s };
    QTest::newRow("sort onto it") << QStringList { u"sort"_s, u"21"_s, u"@other.dat"_s,
        u"@db.dat"_s };
    QTest::newRow("build over it") << QStringList { u"build"_s, u"@in.json"_s, u"@db.dat"_s };
    QTest::newRow("import-sheet in place")
        << QStringList { u"import-sheet"_s, u"@sheet.csv"_s, u"@db.dat"_s, u"@db.dat"_s };
    QTest::newRow("import-sheet onto it")
        << QStringList { u"import-sheet"_s, u"@sheet.csv"_s, u"@other.dat"_s, u"@db.dat"_s };
}

// A window of the program (here this test process, as a second program) has db.dat open: a
// command that would change it says so and changes nothing.
void TestToolFiles::changeRefusedWhileOpenElsewhere()
{
    QFETCH(QStringList, args);
    const QString db = path(u"db.dat"_s);
    QVERIFY(DataFile::writeDatabase(db, storeOf({ u"Pear"_s, u"Apple"_s })).ok);
    QVERIFY(DataFile::writeDatabase(path(u"other.dat"_s), storeOf({ u"Fig"_s })).ok);
    QString error;
    QVERIFY(CsvFile::exportFile(path(u"in.csv"_s), storeOf({ u"Fig"_s }), &error));
    const ToolRun dumped = runTool({ u"dump"_s, path(u"other.dat"_s) });
    QCOMPARE(dumped.exitCode, 0);
    QVERIFY(writeBytes(path(u"in.json"_s), dumped.out));
    QVERIFY(writeBytes(path(u"sheet.csv"_s), "Item;Price\nLamp;3\n"));
    for (QString &a : args)
        if (a.startsWith(u'@'))
            a = path(a.mid(1));
    const QByteArray before = fileBytes(db);

    FileLock window;
    QCOMPARE(window.lock(db, FileLock::Kind::Shared, false), FileLock::Outcome::Locked);
    const ToolRun r = runTool(args);
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.errText(),
        u"Cannot change file %1: it is open in another program. Nothing was changed.\n"_s.arg(db));
    QCOMPARE(fileBytes(db), before);

    window.release();
    QCOMPARE(runTool(args).exitCode, 0);
    QVERIFY(fileBytes(db) != before);
}

// Two imports into one database at the same moment: each either lands whole or fails with a
// message; never does one report success while its records are lost.
void TestToolFiles::twoImportsAtOnceLoseNothing()
{
    const QString db = path(u"db.dat"_s);
    QVERIFY(DataFile::writeDatabase(db, storeOf({ u"First"_s })).ok);
    QString error;
    QVERIFY(CsvFile::exportFile(path(u"a.csv"_s), storeOf({ u"A1"_s, u"A2"_s }), &error));
    QVERIFY(CsvFile::exportFile(path(u"b.csv"_s), storeOf({ u"B1"_s, u"B2"_s }), &error));
    int expected = 1;
    for (int round = 0; round < 4; ++round) {
        QProcess a, b;
        a.start(QStringLiteral(LARKSPUR_TOOL_PATH), { u"import-export"_s, path(u"a.csv"_s), db });
        b.start(QStringLiteral(LARKSPUR_TOOL_PATH), { u"import-export"_s, path(u"b.csv"_s), db });
        QVERIFY(a.waitForFinished(60000) && b.waitForFinished(60000));
        for (QProcess *p : { &a, &b }) {
            QCOMPARE(p->exitStatus(), QProcess::NormalExit);
            const QString err = QString::fromUtf8(p->readAllStandardError());
            if (p->exitCode() == 0)
                expected += 2;
            else
                QVERIFY2(p->exitCode() == 1 && err.contains(u"open in another program"_s),
                    qPrintable(err));
        }
        QCOMPARE(recordCount(db), expected);
    }
    QVERIFY(expected > 1);
}

void TestToolFiles::readersTakeOnlySmallRegularFiles_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("special"); // what @special stands for
    QTest::addColumn<QString>("reason"); // empty: the command's own message
    const QString regular = u"not a regular file"_s;
    QTest::newRow("report format FIFO")
        << QStringList { u"report"_s, u"@special"_s, u"@db.dat"_s, u"--csv"_s, u"@out.csv"_s }
        << u"fifo"_s << regular;
    QTest::newRow("report format of 5 MB")
        << QStringList { u"report"_s, u"@special"_s, u"@db.dat"_s, u"--csv"_s, u"@out.csv"_s }
        << u"5M"_s << u"larger than 4 MB, more than such a file can hold"_s;
    QTest::newRow("import-export FIFO")
        << QStringList { u"import-export"_s, u"@special"_s, u"@db.dat"_s } << u"fifo"_s << regular;
    QTest::newRow("import FIFO") << QStringList { u"import"_s, u"@format.rpt"_s, u"@db.dat"_s,
        u"@special"_s } << u"fifo"_s
                                 << regular;
    QTest::newRow("build JSON FIFO")
        << QStringList { u"build"_s, u"@special"_s, u"@new.dat"_s } << u"fifo"_s << regular;
    QTest::newRow("build JSON /dev/zero")
        << QStringList { u"build"_s, u"@special"_s, u"@new.dat"_s } << u"/dev/zero"_s << regular;
    QTest::newRow("password file FIFO") << QStringList { u"send"_s, u"@format.rpt"_s, u"@db.dat"_s,
        u"--mail"_s, u"--server"_s, u"127.0.0.1:9"_s, u"--from"_s, u"a@example.org"_s, u"--to"_s,
        u"b@example.org"_s, u"--subject"_s, u"x"_s, u"--encryption"_s, u"tls"_s,
        u"--password-file"_s, u"@special"_s }
                                        << u"fifo"_s << regular;
    QTest::newRow("CA file /dev/zero")
        << QStringList { u"send"_s, u"@format.rpt"_s, u"@db.dat"_s, u"--mail"_s, u"--server"_s,
               u"127.0.0.1:9"_s, u"--from"_s, u"a@example.org"_s, u"--to"_s, u"b@example.org"_s,
               u"--subject"_s, u"x"_s, u"--encryption"_s, u"tls"_s, u"--ca-file"_s, u"@special"_s }
        << u"/dev/zero"_s << regular;
    QTest::newRow("cover file /dev/zero") << QStringList { u"insurance-pack"_s, u"@db.dat"_s,
        u"@pack"_s, u"--cover-file"_s, u"@special"_s }
                                          << u"/dev/zero"_s << regular;
    QTest::newRow("cover file of 100 MB") << QStringList {
        u"insurance-pack"_s, u"@db.dat"_s, u"@pack"_s, u"--cover-file"_s, u"@special"_s
    } << u"100M"_s << u"larger than 64 MB, more than such a file can hold"_s;
    QTest::newRow("HTML format FIFO")
        << QStringList { u"html-report"_s, u"@special"_s, u"@db.dat"_s, u"@out.htm"_s } << u"fifo"_s
        << QString();
}

// A FIFO would block for ever, /dev/zero would grow memory without bound, and an oversized file
// would be read whole: each is refused at once with the reason, and the command fails.
void TestToolFiles::readersTakeOnlySmallRegularFiles()
{
    QFETCH(QStringList, args);
    QFETCH(QString, special);
    QFETCH(QString, reason);
    QVERIFY(DataFile::writeDatabase(path(u"db.dat"_s), storeOf({ u"Lamp"_s })).ok);
    QVERIFY(ReportFormat::save(path(u"format.rpt"_s), ReportDefinition()).ok());
    QString file = path(u"special"_s);
    const QByteArray name = QFile::encodeName(file);
    if (special == u"fifo"_s) {
        QCOMPARE(::mkfifo(name.constData(), 0600), 0);
    } else if (special.startsWith(u'/')) {
        file = special;
    } else {
        // Sparse: large to the reader, nothing on disk.
        QVERIFY(writeBytes(file, QByteArray()));
        QCOMPARE(::truncate(name.constData(), off_t(special.chopped(1).toInt()) << 20), 0);
    }
    const QByteArray dbBefore = fileBytes(path(u"db.dat"_s));
    for (QString &a : args)
        if (a == u"@special"_s)
            a = file;
        else if (a.startsWith(u'@'))
            a = path(a.mid(1));
    const ToolRun r = runTool(args);
    QCOMPARE(r.exitCode, 1);
    if (!reason.isEmpty())
        QVERIFY2(r.errText().contains(u"Cannot open file %1: %2"_s.arg(file, reason)),
            qPrintable(r.errText()));
    QCOMPARE(fileBytes(path(u"db.dat"_s)), dbBefore);
}

// A save in place killed half-way (the folder takes no new file) leaves a file that does not
// read: check names the copy kept of it, which holds the file as it was.
void TestToolFiles::damagedFileNamesTheKeptCopy()
{
    const QString data = path(u"data"_s);
    qputenv("XDG_DATA_HOME", QFile::encodeName(data));
    const QString folder = path(u"shared"_s);
    QVERIFY(QDir().mkpath(folder));
    const QString db = folder + u"/inv.dat"_s;
    QVERIFY(DataFile::writeDatabase(db, storeOf({ u"Lamp"_s, u"Chair"_s })).ok);
    const QByteArray old = fileBytes(db);
    {
        ClosedFolder closed(folder);
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            SafeWrite::write(db, [](QIODevice &out) {
                out.write(QByteArray(10, 'n'));
                ::raise(SIGKILL);
                return true;
            });
            ::_exit(0);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFSIGNALED(status));
    }
    const QString kept = SafeWrite::keptCopyOf(db);
    QVERIFY(kept.startsWith(data + u"/Larkspur/kept/"_s));
    const ToolRun r = runTool({ u"check"_s, db });
    qunsetenv("XDG_DATA_HOME");
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.errText(),
        db + u" is not a valid Larkspur Cataloguer file.\n"_s
            + u"A save that was stopped half-way kept the file as it was before in "_s + kept
            + u'\n');
    QCOMPARE(fileBytes(kept), old);
    QCOMPARE(runTool({ u"check"_s, kept }).exitCode, 0);
}

QTEST_GUILESS_MAIN(TestToolFiles)
#include "test_toolfiles.moc"
