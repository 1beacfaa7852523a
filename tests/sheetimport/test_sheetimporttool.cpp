// larkspur-tool import-sheet, run as the real executable: the records it writes, the lines it
// prints and its exit codes.
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include "store/datafile.h"
#include "store/recordstore.h"
#include "tests/sheetimport/sheetfiles.h"
#include "tests/support/toolrun.h"

using namespace Qt::StringLiterals;

namespace {

ToolRun tool(const QStringList &args)
{
    return runProgram(QStringLiteral(LARKSPUR_TOOL_PATH), QStringList { u"import-sheet"_s } + args);
}

} // namespace

class TestSheetImportTool : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void importsEachFormat_data();
    void importsEachFormat();
    void refusedValuesGoToNotes();
    void mappingAndDates();
    void printColumns();
    void exitCodes_data();
    void exitCodes();

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    RecordStore readOut(const QString &name) const
    {
        RecordStore s;
        const DataFile::ReadResult r = DataFile::readDatabase(path(name), s, false);
        if (!r.ok())
            qWarning("cannot read %s", qPrintable(name));
        return s;
    }
    QTemporaryDir m_dir;
};

void TestSheetImportTool::initTestCase()
{
    RecordStore store;
    store.databaseOpen = true;
    store.setCategoryTree(8, buildCategoryTree(u"House\n\tKitchen\n\tBedroom\nGarage\n"_s).tree);
    ItemRecord first;
    first.setName(u"Old Clock"_s);
    store.append(first);
    QVERIFY(DataFile::writeDatabase(path(u"db.dat"_s), store).ok);
    const QList<QStringList> rows = { { u"Item"_s, u"Room"_s, u"Price"_s, u"Date"_s },
        { u"Lamp"_s, u"House > Kitchen"_s, u"12,50 €"_s, u"14.03.2024"_s },
        { u"Bed"_s, u"Bedroom"_s, u"1,234.00"_s, u"2024-03-15"_s } };
    QVERIFY(SheetFiles::writeBytes(path(u"in.csv"_s),
        "Item;Room;Price;Date\r\nLamp;House > Kitchen;\"12,50 "
        "\xE2\x82\xAC\";14.03.2024\r\nBed;Bedroom;\"1,234.00\";2024-03-15\r\n"));
    QVERIFY(SheetFiles::writeBytes(path(u"in.tsv"_s),
        "Item\tRoom\tPrice\tDate\nLamp\tHouse > Kitchen\t12,50 "
        "\x80\t14.03.2024\nBed\tBedroom\t1,234.00\t2024-03-15\n"));
    QList<QStringList> book = rows;
    book[2][3] = u"d:45366"_s;
    QVERIFY(SheetFiles::writeXlsx(
        path(u"in.xlsx"_s), { { u"Other"_s, { { u"x"_s } } }, { u"Things"_s, book } }));
    book[2][3] = u"d:2024-03-15"_s;
    QVERIFY(SheetFiles::writeOds(
        path(u"in.ods"_s), { { u"Other"_s, { { u"x"_s } } }, { u"Things"_s, book } }));
}

void TestSheetImportTool::importsEachFormat_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<QStringList>("extra");
    QTest::newRow("csv") << u"in.csv"_s << QStringList();
    QTest::newRow("tsv") << u"in.tsv"_s << QStringList();
    QTest::newRow("xlsx") << u"in.xlsx"_s << QStringList { u"--sheet"_s, u"2"_s };
    QTest::newRow("ods") << u"in.ods"_s << QStringList { u"--sheet"_s, u"Things"_s };
}

void TestSheetImportTool::importsEachFormat()
{
    QFETCH(QString, in);
    QFETCH(QStringList, extra);
    const QString out = in + u".dat"_s;
    const ToolRun r = tool(QStringList { path(in), path(u"db.dat"_s), path(out) } + extra);
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QCOMPARE(r.outText(), u"2 records, 6 values converted, 0 values need a choice\n"_s);
    QCOMPARE(r.errText(), QString());
    const RecordStore s = readOut(out);
    QCOMPARE(s.count(), 3);
    QCOMPARE(s.at(0).name(), u"Old Clock"_s);
    QCOMPARE(s.at(1).name(), u"Lamp"_s);
    QCOMPARE(s.at(1).description(8), u"Kitchen : House"_s);
    QCOMPARE(s.at(1).detail(8), u"$12.50"_s);
    QCOMPARE(s.at(1).detail(2), u"2024/03/14"_s);
    QCOMPARE(s.at(2).description(8), u"Bedroom : House"_s);
    QCOMPARE(s.at(2).detail(8), u"$1,234.00"_s);
    QCOMPARE(s.at(2).detail(2), u"2024/03/15"_s);
    QCOMPARE(s.at(2).recordCode().size(), 8);
}

void TestSheetImportTool::refusedValuesGoToNotes()
{
    QVERIFY(SheetFiles::writeBytes(path(u"bad.csv"_s), "Item,Price,Room\nLamp,cheap,Attic\n"));
    const ToolRun r = tool({ path(u"bad.csv"_s), path(u"db.dat"_s), path(u"bad.dat"_s) });
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.errText(),
        u"Row 2, Price: \"cheap\" is not an amount: put into Notes\n"
        "Row 2, Room: \"Attic\" is not in the Location tree: put into Notes\n"_s);
    QCOMPARE(
        readOut(u"bad.dat"_s).at(1).notes(), (QStringList { u"Price: cheap"_s, u"Room: Attic"_s }));
    // Asked to, the tree gains the node.
    const ToolRun added = tool(
        { path(u"bad.csv"_s), path(u"db.dat"_s), path(u"added.dat"_s), u"--add-categories"_s });
    QCOMPARE(added.exitCode, 0);
    QVERIFY(added.errText().contains(u"Category added to Location: Attic\n"_s));
    const RecordStore s = readOut(u"added.dat"_s);
    QCOMPARE(s.at(1).description(8), u"Attic"_s);
    QVERIFY(s.categoryTexts[8].endsWith(u"Garage\r\nAttic\r\n"_s));
}

void TestSheetImportTool::mappingAndDates()
{
    QVERIFY(SheetFiles::writeBytes(path(u"dates.csv"_s), "Thing,When,Cost\nLamp,03/04/2024,5\n"));
    // Guessed, only Cost is known: the things get the names of new records.
    ToolRun r = tool({ path(u"dates.csv"_s), path(u"db.dat"_s), path(u"d0.dat"_s) });
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(readOut(u"d0.dat"_s).at(1).name(), u"Untitled 1"_s);
    QJsonObject map = QJsonDocument::fromJson(R"({"headings": true, "refused": "stop", "columns": [
        {"heading": "thing", "field": "name"}, {"heading": "When", "field": "detail2"},
        {"heading": "Cost", "field": "detail8"}]})")
                          .object();
    QVERIFY(SheetFiles::writeBytes(path(u"map.json"_s), QJsonDocument(map).toJson()));
    // The ambiguous date stops the import: nothing is written.
    r = tool({ path(u"dates.csv"_s), path(u"db.dat"_s), path(u"d1.dat"_s), u"--map"_s,
        path(u"map.json"_s) });
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.errText(),
        u"Row 2, When: \"03/04/2024\" could be day first or month first: choose the date order. Nothing was imported.\n"_s);
    QVERIFY(!QFile::exists(path(u"d1.dat"_s)));
    r = tool({ path(u"dates.csv"_s), path(u"db.dat"_s), path(u"d2.dat"_s), u"--map"_s,
        path(u"map.json"_s), u"--dates"_s, u"mdy"_s });
    QCOMPARE(r.exitCode, 0);
    const RecordStore s = readOut(u"d2.dat"_s);
    QCOMPARE(s.at(1).name(), u"Lamp"_s);
    QCOMPARE(s.at(1).detail(2), u"2024/03/04"_s);
    QCOMPARE(s.at(1).detail(8), u"$5.00"_s);
}

void TestSheetImportTool::printColumns()
{
    const ToolRun r = tool({ path(u"in.csv"_s), u"--print-columns"_s });
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.outText(),
        u"A\tItem\tName\nB\tRoom\tLocation\nC\tPrice\tPaid\nD\tDate\tDate Received\n"_s);
    QCOMPARE(r.errText(), u"text, UTF-8, delimiter \";\", first row holds headings\n"_s);
    const ToolRun x = tool({ path(u"in.xlsx"_s), path(u"db.dat"_s), u"--print-columns"_s });
    QCOMPARE(x.outText(), u"A\tColumn A\tleave out\n"_s);
    QCOMPARE(x.errText(), u"XLSX, sheet 1 \"Other\" of 2, no headings\n"_s);
}

void TestSheetImportTool::exitCodes_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("err");
    const QString in = path(u"in.csv"_s);
    const QString db = path(u"db.dat"_s);
    const QString out = path(u"never.dat"_s);
    QTest::newRow("too few") << QStringList { in, db } << 2 << u"usage: "_s;
    QTest::newRow("bad dates") << QStringList { in, db, out, u"--dates"_s, u"dym"_s } << 2
                               << u"--dates takes dmy, mdy or ymd"_s;
    QTest::newRow("unknown option")
        << QStringList { in, db, out, u"--fast"_s } << 2 << u"usage: "_s;
    QTest::newRow("missing input")
        << QStringList { path(u"none.csv"_s), db, out } << 1 << u"was not found."_s;
    QTest::newRow("missing database")
        << QStringList { in, path(u"none.dat"_s), out } << 1 << QString();
    QTest::newRow("damaged xlsx") << QStringList { path(u"damaged.xlsx"_s), db, out } << 1
                                  << u"is damaged"_s;
    QTest::newRow("no such sheet") << QStringList { path(u"in.ods"_s), db, out, u"--sheet"_s,
        u"Nope"_s } << 1 << u"has no sheet \"Nope\""_s;
    QTest::newRow("bad mapping") << QStringList { in, db, out, u"--map"_s, path(u"broken.json"_s) }
                                 << 1 << u"The mapping file does not read"_s;
    QTest::newRow("output in a missing folder") << QStringList { in, db,
        path(u"no/such/folder/out.dat"_s) } << 1 << u"Cannot create file"_s;
}

void TestSheetImportTool::exitCodes()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, err);
    QVERIFY(SheetFiles::writeBytes(
        path(u"damaged.xlsx"_s), QByteArray("PK\x03\x04", 4) + QByteArray(300, 'x')));
    QVERIFY(SheetFiles::writeBytes(path(u"broken.json"_s), "{ \"columns\": ["));
    const ToolRun r = tool(args);
    QCOMPARE(r.exitCode, code);
    QVERIFY2(r.errText().contains(err), r.err.constData());
    QCOMPARE(r.out, QByteArray());
    QVERIFY(!QFile::exists(path(u"never.dat"_s)));
}

QTEST_GUILESS_MAIN(TestSheetImportTool)
#include "test_sheetimporttool.moc"
