// larkspur-tool search, run as the real executable over a small database.
#include <initializer_list>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "store/datafile.h"
#include "store/recordstore.h"

namespace {

QStringList texts(std::initializer_list<const char *> items)
{
    QStringList out;
    for (const char *item : items)
        out.append(QString::fromUtf8(item));
    return out;
}

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run runTool(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(LARKSPUR_TOOL_PATH), args);
    Run r;
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.exitCode = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// Details that pass the window's initial ranges.
ItemRecord makeRecord(const QString &name, const QString &type, const QString &value)
{
    ItemRecord r;
    r.setName(name);
    r.setDescription(2, type);
    r.setDetail(1, value);
    r.setDetail(2, QStringLiteral("2001/04/17"));
    r.setDetail(3, QStringLiteral("2001"));
    r.setDetail(4, QStringLiteral("0012345"));
    r.setDetail(9, QStringLiteral("1 "));
    return r;
}

} // namespace

class TestSearchCommand : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_db;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        RecordStore store;
        ItemRecord chair = makeRecord(QStringLiteral("Oak Chair"),
            QStringLiteral("Chairs : Furniture"), QStringLiteral("$250"));
        chair.setKeywords(QStringList { QStringLiteral("Red velvet") });
        chair.ForSale = true;
        store.append(chair);
        ItemRecord sofa = makeRecord(
            QStringLiteral("Sofa"), QStringLiteral("Furniture"), QStringLiteral("$1,250.00"));
        sofa.Wanted = true;
        store.append(sofa);
        store.append(makeRecord(
            QStringLiteral("Lamp \u00e9t\u00e9"), QStringLiteral("Lights"), QStringLiteral("$40")));
        ItemRecord desk = makeRecord(
            QStringLiteral("Desk"), QStringLiteral("Desks : Furniture"), QStringLiteral("90"));
        desk.setDetail(2, QStringLiteral("    /  /  "));
        store.append(desk);
        m_db = m_dir.filePath(QStringLiteral("home.dat"));
        QVERIFY(DataFile::writeDatabase(m_db, store).ok);
    }

    void search_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("out");
        auto row
            = [](const char *name, std::initializer_list<const char *> options, const char *out) {
                  QTest::newRow(name) << texts(options) << QString::fromUtf8(out);
              };
        row("no group", {}, "No new items found.\n");
        row("description criterion", { "--description", "--desc", "2=Furniture" },
            "1\tOak Chair\n2\tSofa\n4\tDesk\n3 new items found.\n");
        row("inline values", { "--description", "--desc=2=Furniture", "--flags=forsale" },
            "1\tOak Chair\n4\tDesk\n2 new items found.\n");
        row("flag boxes", { "--description", "--desc", "2=Furniture", "--flags", "wanted" },
            "2\tSofa\n4\tDesk\n2 new items found.\n");
        row("for trade box alone",
            { "--description", "--desc", "2=Furniture", "--flags", "fortrade" },
            "4\tDesk\n1 new item found.\n");
        row("no flag box", { "--description", "--flags", "" },
            "3\tLamp \u00e9t\u00e9\n4\tDesk\n2 new items found.\n");
        row("criterion without its group", { "--desc", "2=Furniture" }, "No new items found.\n");
        row("money range and initial ranges", { "--detail", "--range", "1=100:500" },
            "1\tOak Chair\n1 new item found.\n");
        row("initial ranges drop the empty date", { "--detail" },
            "1\tOak Chair\n2\tSofa\n3\tLamp \u00e9t\u00e9\n3 new items found.\n");
        row("name range", { "--detail", "--range", "name=l:m" },
            "3\tLamp \u00e9t\u00e9\n1 new item found.\n");
        row("date range split at the first colon",
            { "--detail", "--range", "2=2001/01/01:2001/12/31", "--range", "0=:" },
            "1\tOak Chair\n2\tSofa\n3\tLamp \u00e9t\u00e9\n3 new items found.\n");
        row("keywords", { "--notes", "--keywords", "RED" }, "1\tOak Chair\n1 new item found.\n");
        row("notes group without texts", { "--notes", "--flags", "" },
            "1\tOak Chair\n2\tSofa\n3\tLamp \u00e9t\u00e9\n4\tDesk\n4 new items found.\n");
        row("every group",
            { "--description", "--desc", "2=Furniture", "--notes", "--history", "x", "--detail" },
            "No new items found.\n");
    }
    void search()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, out);
        const Run r = runTool(QStringList { QStringLiteral("search"), m_db } + options);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, out);
    }

    void untickedGroupIsReported()
    {
        const Run r = runTool(
            { QStringLiteral("search"), m_db, QStringLiteral("--range"), QStringLiteral("1=1:2") });
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.err.contains(QStringLiteral("--detail")), qPrintable(r.err));
    }

    void wrongArguments_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::newRow("description 11") << texts({ "--desc", "11=X" });
        QTest::newRow("description without number") << texts({ "--desc", "X" });
        QTest::newRow("detail 10") << texts({ "--range", "10=a:b" });
        QTest::newRow("range without colon") << texts({ "--range", "1=100" });
        QTest::newRow("range without field") << texts({ "--range", "a:b" });
        QTest::newRow("unknown flag") << texts({ "--flags", "wanted,sold" });
        QTest::newRow("unknown option") << texts({ "--colour" });
        QTest::newRow("missing value") << texts({ "--keywords" });
        QTest::newRow("group with a value") << texts({ "--notes=yes" });
        QTest::newRow("second file") << texts({ "other.dat" });
        QTest::newRow("empty extract name") << texts({ "--extract", "" });
    }
    void wrongArguments()
    {
        QFETCH(QStringList, options);
        const Run r = runTool(QStringList { QStringLiteral("search"), m_db } + options);
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.out.isEmpty());
        QVERIFY2(r.err.contains(QStringLiteral("usage: larkspur-tool search FILE.dat")),
            qPrintable(r.err));
    }

    void noFileIsUsage()
    {
        QCOMPARE(runTool({ QStringLiteral("search") }).exitCode, 2);
        QCOMPARE(runTool({ QStringLiteral("search"), QStringLiteral("--notes") }).exitCode, 2);
    }

    void unreadableFile()
    {
        const QString missing = m_dir.filePath(QStringLiteral("missing.dat"));
        Run r = runTool({ QStringLiteral("search"), missing, QStringLiteral("--notes") });
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.out.isEmpty());
        QVERIFY2(r.err.contains(missing), qPrintable(r.err));

        const QString junk = m_dir.filePath(QStringLiteral("junk.dat"));
        QFile f(junk);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a database at all");
        f.close();
        r = runTool({ QStringLiteral("search"), junk });
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QStringLiteral("is not a valid Larkspur Cataloguer file.")),
            qPrintable(r.err));
    }

    void extract()
    {
        const QString out = m_dir.filePath(QStringLiteral("furniture.dat"));
        QFile original(m_db);
        QVERIFY(original.open(QIODevice::ReadOnly));
        const QByteArray before = original.readAll();
        original.close();

        const Run r = runTool({ QStringLiteral("search"), m_db, QStringLiteral("--description"),
            QStringLiteral("--desc"), QStringLiteral("2=Furniture"), QStringLiteral("--extract"),
            out });
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QStringLiteral("1\tOak Chair\n2\tSofa\n4\tDesk\n3 new items found.\n"));

        RecordStore read;
        QVERIFY(DataFile::readDatabase(out, read, false).ok());
        QCOMPARE(read.count(), 3);
        QCOMPARE(read.at(0).name(), QStringLiteral("Oak Chair"));
        QCOMPARE(read.at(2).name(), QStringLiteral("Desk"));
        QVERIFY(original.open(QIODevice::ReadOnly));
        QCOMPARE(original.readAll(), before);
    }

    void extractNothingFound()
    {
        const QString out = m_dir.filePath(QStringLiteral("none.dat"));
        const Run r = runTool({ QStringLiteral("search"), m_db, QStringLiteral("--extract"), out });
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QStringLiteral("No new items found.\n"));
        QVERIFY(!QFile::exists(out));
        QVERIFY(r.err.contains(QStringLiteral("not written")));
    }

    void extractFailure()
    {
        const QString out = m_dir.filePath(QStringLiteral("no/such/folder/x.dat"));
        const Run r = runTool({ QStringLiteral("search"), m_db, QStringLiteral("--notes"),
            QStringLiteral("--extract"), out });
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(out), qPrintable(r.err));
        QVERIFY(!QFile::exists(out));
    }
};

QTEST_GUILESS_MAIN(TestSearchCommand)
#include "tst_searchcommand.moc"
