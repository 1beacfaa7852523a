// larkspur-tool html-report, run as the real executable: arguments, bad format files, every
// record written whatever the format's search-list option, short description values.
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "htmlreport/hrffile.h"
#include "store/datafile.h"
#include "store/recordstore.h"
#include "tests/support/toolrun.h"

using namespace Qt::StringLiterals;

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run runTool(const QStringList &args)
{
    const ToolRun r = runProgram(QStringLiteral(LARKSPUR_TOOL_PATH), args);
    return { r.exitCode, r.outText(), r.errText() };
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestHtmlReportCommand : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void usage_data();
    void usage();
    void badFormatFile();
    void everyRecord();

private:
    QTemporaryDir m_dir;
    QString m_dat, m_hrf;
};

void TestHtmlReportCommand::initTestCase()
{
    QVERIFY(m_dir.isValid());
    RecordStore store;
    for (int i = 1; i <= 1200; ++i) {
        ItemRecord r;
        r.setName(u"Item %1"_s.arg(i));
        r.setDescription(2, u"Clock : Hall"_s);
        store.append(std::move(r));
    }
    store.at(0).setName(u"5 < 6 inch"_s);
    m_dat = m_dir.filePath(u"things.dat"_s);
    QVERIFY(DataFile::writeDatabase(m_dat, store).ok);
    HtmlReportDesign d;
    d.items = { { u"Record #"_s, 220 }, { u"Name"_s, 230 }, { u"Manufacturer"_s, 20 } };
    d.onlySearchList = true; // nothing is on a search list in a file
    m_hrf = m_dir.filePath(u"design.hrf"_s);
    QVERIFY(HrfFile::save(m_hrf, d, nullptr));
}

void TestHtmlReportCommand::usage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("nothing") << QStringList { u"html-report"_s };
    QTest::newRow("two files") << QStringList { u"html-report"_s, u"a.hrf"_s, u"b.dat"_s };
    QTest::newRow("four files") << QStringList { u"html-report"_s, u"a.hrf"_s, u"b.dat"_s,
        u"c.htm"_s, u"d.htm"_s };
    QTest::newRow("unknown option")
        << QStringList { u"html-report"_s, u"a.hrf"_s, u"b.dat"_s, u"c.htm"_s, u"--short"_s };
}

void TestHtmlReportCommand::usage()
{
    QFETCH(QStringList, args);
    const Run r = runTool(args);
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.contains(u"usage: larkspur-tool html-report FORMAT.hrf IN.dat OUT.htm"_s),
        qPrintable(r.err));
    QVERIFY(r.out.isEmpty());
}

void TestHtmlReportCommand::badFormatFile()
{
    const QString out = m_dir.filePath(u"bad.htm"_s);
    const QString cut = m_dir.filePath(u"cut.hrf"_s);
    QFile f(cut);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(readFile(m_hrf).left(10));
    f.close();
    for (const QString &format : { cut, m_dir.filePath(u"absent.hrf"_s), m_dat }) {
        const Run r = runTool({ u"html-report"_s, format, m_dat, out });
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.err, u"HTML Report Format file is invalid.  No format loaded.\n"_s);
        QVERIFY(!QFile::exists(out));
    }
    // A database that does not read, and a page that cannot be written.
    Run r = runTool({ u"html-report"_s, m_hrf, m_hrf, out });
    QCOMPARE(r.exitCode, 1);
    QVERIFY(r.err.contains(u" is not a valid Larkspur Cataloguer file."_s));
    const QString nowhere = m_dir.filePath(u"no/such/folder/page.htm"_s);
    r = runTool({ u"html-report"_s, m_hrf, m_dat, nowhere });
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.err, u"Cannot create file "_s + nowhere + u": No such file or directory\n"_s);
}

void TestHtmlReportCommand::everyRecord()
{
    const QString out = m_dir.filePath(u"page.htm"_s);
    Run r = runTool({ u"html-report"_s, m_hrf, m_dat, out });
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, out + u": 1200 records written\n"_s);
    QVERIFY(r.err.isEmpty());
    QByteArray page = readFile(out);
    QCOMPARE(page.count("<tr>"), 1201); // no limit from the command line
    QVERIFY(page.contains(">Item 1200</font></td>"));
    QVERIFY(page.contains(">5 &lt; 6 inch</font></td>"));
    QVERIFY(page.contains(">Clock : Hall</font></td>"));

    r = runTool({ u"html-report"_s, u"--short-descriptions"_s, m_hrf, m_dat, out });
    QCOMPARE(r.exitCode, 0);
    page = readFile(out);
    QVERIFY(page.contains(">Clock </font></td>"));
    QVERIFY(!page.contains("Hall"));
}

QTEST_GUILESS_MAIN(TestHtmlReportCommand)
#include "tst_htmlreportcommand.moc"
