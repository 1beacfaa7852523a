// larkspur-tool report, export and import, run as the real executable.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "tests/support/toolrun.h"
#include "reports/exporttable.h"
#include "reports/reportformat.h"
#include "store/datafile.h"
#include "store/recordstore.h"

using namespace Qt::StringLiterals;

namespace {

using Run = ToolRun;

Run runTool(const QStringList &args)
{
    return runProgram(QStringLiteral(LARKSPUR_TOOL_PATH), args, 120000);
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestReportCommand : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void reportWritesEveryRecord();
    void reportDescriptionsWholeUnlessAsked();
    void reportFailures_data();
    void reportFailures();
    void exportAndImport();

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

void TestReportCommand::initTestCase()
{
    RecordStore store;
    for (int i = 0; i < 400; ++i) {
        ItemRecord r;
        r.setName(u"Thing %1"_s.arg(i));
        r.setDescription(1, u"Kitchen : House"_s);
        r.setDetail(1, u"1"_s);
        r.setDetail(9, u"1"_s);
        store.append(r);
    }
    QVERIFY(DataFile::writeDatabase(path(u"in.dat"_s), store).ok);
    ReportDefinition d;
    d.items = { { 22, 0, u"Name"_s }, { 0, 0, u"Origin"_s } };
    d.sections = { { 200, u"a"_s }, { 100, u"b"_s } }; // as read from the file, not rebuilt
    d.columnCount = u"2"_s;
    QVERIFY(ReportFormat::save(path(u"f.rpt"_s), d).ok());
}

void TestReportCommand::reportWritesEveryRecord()
{
    const Run csv = runTool(
        { u"report"_s, path(u"f.rpt"_s), path(u"in.dat"_s), u"--csv"_s, path(u"o.csv"_s) });
    QCOMPARE(csv.exitCode, 0);
    const QList<QByteArray> lines = readAll(path(u"o.csv"_s)).split('\n');
    // Heading, 400 records (no page limit), empty row, two totals, and the final line end.
    QCOMPARE(lines.size(), 1 + 400 + 3 + 1);
    QCOMPARE(lines[0], "#,Name,Origin\r");
    QCOMPARE(lines[400], "400.,Thing 399,Kitchen : House\r");
    QCOMPARE(lines[403], "Total Value : 400.00,,\r");

    const Run html = runTool(
        { u"report"_s, path(u"f.rpt"_s), path(u"in.dat"_s), u"--html"_s, path(u"o.htm"_s) });
    QCOMPARE(html.exitCode, 0);
    QVERIFY(readAll(path(u"o.htm"_s)).contains("<td nowrap>Thing 399</td>"));

    const Run pdf = runTool({ u"report"_s, path(u"f.rpt"_s), path(u"in.dat"_s), u"--pdf"_s,
        path(u"o.pdf"_s), u"--page"_s, u"a4"_s });
    QCOMPARE(pdf.exitCode, 0);
    QVERIFY(pdf.out.contains("400 records"));
    QVERIFY(readAll(path(u"o.pdf"_s)).startsWith("%PDF"));
}

void TestReportCommand::reportDescriptionsWholeUnlessAsked()
{
    const Run r = runTool({ u"report"_s, path(u"f.rpt"_s), path(u"in.dat"_s), u"--csv"_s,
        path(u"s.csv"_s), u"--short-descriptions"_s });
    QCOMPARE(r.exitCode, 0);
    QVERIFY(readAll(path(u"s.csv"_s)).contains("1.,Thing 0,Kitchen \r\n"));
}

void TestReportCommand::reportFailures_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("no output") << QStringList { u"f.rpt"_s, u"in.dat"_s } << 2 << u"usage:"_s;
    QTest::newRow("two outputs") << QStringList { u"f.rpt"_s, u"in.dat"_s, u"--csv"_s, u"a"_s,
        u"--pdf"_s, u"b"_s } << 2 << u"usage:"_s;
    QTest::newRow("bad page") << QStringList { u"f.rpt"_s, u"in.dat"_s, u"--csv"_s, u"a"_s,
        u"--page"_s, u"a3"_s } << 2
                              << u"letter or a4"_s;
    QTest::newRow("not a format") << QStringList { u"in.dat"_s, u"in.dat"_s, u"--csv"_s, u"a"_s }
                                  << 1 << u" is not a valid report file"_s;
    QTest::newRow("no database") << QStringList { u"f.rpt"_s, u"none.dat"_s, u"--csv"_s, u"a"_s }
                                 << 1 << u"Cannot open file"_s;
    QTest::newRow("cannot write") << QStringList { u"f.rpt"_s, u"in.dat"_s, u"--csv"_s,
        u"no/such/a.csv"_s } << 1 << u"Cannot create file"_s;
}

void TestReportCommand::reportFailures()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QStringList full { u"report"_s };
    for (const QString &a : args)
        full.append(a.contains(u'.') ? path(a) : a);
    const Run r = runTool(full);
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2(QString::fromUtf8(r.err).contains(message), r.err.constData());
}

void TestReportCommand::exportAndImport()
{
    const Run e = runTool({ u"export"_s, path(u"in.dat"_s), path(u"x.csv"_s) });
    QCOMPARE(e.exitCode, 0);
    const QByteArray bytes = readAll(path(u"x.csv"_s));
    QVERIFY(bytes.startsWith("Kitchen : House,,,,,,,,,,,1,"));
    QVERIFY(bytes.endsWith(",1,\r\n"));

    QFile txt(path(u"new.txt"_s));
    QVERIFY(txt.open(QIODevice::WriteOnly));
    txt.write("Lamp,Hall\nChair\n");
    txt.close();
    const Run i = runTool({ u"import"_s, path(u"f.rpt"_s), path(u"in.dat"_s), path(u"new.txt"_s),
        path(u"out.dat"_s) });
    QCOMPARE(i.exitCode, 0);
    RecordStore store;
    QCOMPARE(DataFile::readDatabase(path(u"out.dat"_s), store, false).outcome,
        DataFile::ReadOutcome::Read);
    QCOMPARE(store.count(), 402);
    QCOMPARE(store.at(400).name(), u"Lamp"_s);
    QCOMPARE(store.at(400).description(1), u"Hall"_s);
    QCOMPARE(store.at(401).name(), u"Chair"_s);
    QCOMPARE(store.at(401).description(1), QString());

    const Run missing
        = runTool({ u"import"_s, path(u"f.rpt"_s), path(u"in.dat"_s), path(u"none.txt"_s) });
    QCOMPARE(missing.exitCode, 1);
    QVERIFY(missing.err.contains("none.txt"));
}

QTEST_GUILESS_MAIN(TestReportCommand)
#include "tst_reportcommand.moc"
