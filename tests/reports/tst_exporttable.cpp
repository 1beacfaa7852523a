// The export table and its writers, with the quoting and escaping mends, and the item codes.
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "reports/exporttable.h"
#include "reports/reportitems.h"
#include "store/csvfile.h"
#include "tests/support/writefailures.h"

using namespace Qt::StringLiterals;

class TestExportTable : public QObject
{
    Q_OBJECT
private slots:
    void tableGrows();
    void csvCells_data();
    void csvCells();
    void csvReadsBackWithAnOrdinaryReader_data();
    void csvReadsBackWithAnOrdinaryReader();
    void htmlDefaultCells();
    void htmlStyledCellsAndHeaderRow();
    void writeFileFailureNamesFile();
    void itemCaptionsAndCells_data();
    void itemCaptionsAndCells();
};

void TestExportTable::tableGrows()
{
    ExportTable t;
    t.setCell(1, 2, u"x"_s);
    QCOMPARE(t.rowCount(), 2);
    QCOMPARE(t.columnCount(), 3);
    QCOMPARE(t.cell(0, 2), QString());
    QCOMPARE(t.cell(1, 2), u"x"_s);
    QCOMPARE(t.cell(5, 5), QString());
    t.addRow();
    t.setCell(2, 4, u"y"_s); // widening reaches the earlier rows too
    QCOMPARE(t.cell(0, 4), QString());
    t.removeLastRow();
    QCOMPARE(t.rowCount(), 2);
}

void TestExportTable::csvCells_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("plain") << u"Lamp"_s << QByteArray("Lamp,\r\n");
    QTest::newRow("empty") << QString() << QByteArray(",\r\n");
    QTest::newRow("comma") << u"Smith, Jo"_s << QByteArray("\"Smith, Jo\",\r\n");
    QTest::newRow("comma and CR LF") << u"a,\r\nb"_s << QByteArray("\"a,\r\nb\",\r\n");
    QTest::newRow("quote without comma") << u"5\" tall"_s << QByteArray("\"5\"\" tall\",\r\n");
    QTest::newRow("LF alone") << u"a\nb"_s << QByteArray("\"a\nb\",\r\n");
    QTest::newRow("quote with comma") << u"5\", wide"_s << QByteArray("\"5\"\", wide\",\r\n");
    QTest::newRow("codec") << u"\u20ac 5"_s << QByteArray("\x80 5,\r\n");
}

void TestExportTable::csvCells()
{
    QFETCH(QString, cell);
    QFETCH(QByteArray, line);
    ExportTable t;
    t.setCell(0, 1, QString());
    t.setCell(0, 0, cell);
    QCOMPARE(ExportWriters::csv(t), line);
}

namespace {

// Values that a comma-delimited reader gets wrong unless they are quoted right.
const QStringList awkwardValues { u"plain"_s, QString(), u"Chair, Oak"_s, u"5\" tall"_s,
    u"\"quoted\""_s, u"two\r\nlines"_s, u"line\nfeed"_s, u"carriage\rreturn"_s, u" leading"_s,
    u"trailing "_s, u"\u20ac12.50"_s, u"$0,012.50"_s, u","_s, u"\""_s, u"x\"\"y"_s, u"\"a\",b"_s };

// The rows Python's csv module reads from a file of the file codec (Windows-1252).
QList<QStringList> readWithPython(const QString &path)
{
    QProcess p;
    p.start(u"python3"_s,
        { u"-c"_s,
            u"import csv, json, sys\n"
            "with open(sys.argv[1], newline='', encoding='cp1252') as f:\n"
            "    sys.stdout.write(json.dumps(list(csv.reader(f))))\n"_s,
            path });
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return { { u"python3 failed: "_s + QString::fromUtf8(p.readAllStandardError()) } };
    QList<QStringList> rows;
    for (const QJsonValue &row : QJsonDocument::fromJson(p.readAllStandardOutput()).array()) {
        QStringList fields;
        for (const QJsonValue &f : row.toArray())
            fields.append(f.toString());
        rows.append(fields);
    }
    return rows;
}

} // namespace

void TestExportTable::csvReadsBackWithAnOrdinaryReader_data()
{
    QTest::addColumn<bool>("recordExport");
    QTest::newRow("File > Export") << true;
    QTest::newRow("report CSV") << false;
}

// Both comma-delimited writers quote alike, so an ordinary reader gets every field back whole.
void TestExportTable::csvReadsBackWithAnOrdinaryReader()
{
    QFETCH(bool, recordExport);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"out.csv"_s);
    QList<QStringList> expected;
    QString error;
    const qsizetype n = awkwardValues.size();
    if (recordExport) {
        RecordStore store;
        for (qsizetype i = 0; i < n; ++i) {
            ItemRecord r;
            QStringList fields;
            for (int k = 1; k <= ItemRecord::DescriptionCount; ++k)
            {
                r.setDescription(k, awkwardValues[(i + k) % n]);
                fields << r.description(k);
            }
            for (int k = 0; k < ItemRecord::DetailCount; ++k)
            {
                r.setDetail(k, awkwardValues[(i + 11 + k) % n]);
                fields << r.detail(k);
            }
            r.ForTrade = i % 2 == 1;
            fields << (r.ForTrade ? u"For Trade"_s : QString());
            store.append(r);
            expected.append(fields);
        }
        QVERIFY2(CsvFile::exportFile(path, store, &error), qPrintable(error));
    } else {
        ExportTable t;
        for (qsizetype i = 0; i < n; ++i) {
            QStringList fields;
            for (int c = 0; c < 4; ++c) {
                t.setCell(int(i), c, awkwardValues[(i + c) % n]);
                fields << awkwardValues[(i + c) % n];
            }
            expected.append(fields);
        }
        QVERIFY2(ExportWriters::writeFile(path, ExportWriters::csv(t), &error), qPrintable(error));
    }
    QCOMPARE(readWithPython(path), expected);
}

void TestExportTable::htmlDefaultCells()
{
    ExportTable t;
    t.setCell(0, 0, u"5 < 6 inch"_s);
    t.setCell(0, 1, u"<script>alert(\"x\")</script>"_s);
    t.setCell(1, 0, u"a\rb & c"_s);
    const QByteArray expected = "<table border=\"1\" cellspacing=\"0\" cellpadding=\"0\" width=\"100%\">\r\n"
                                "<tr>\r\n"
                                "<td nowrap>5 &lt; 6 inch</td>\r\n"
                                "<td nowrap>&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt;</td>\r\n"
                                "</tr>\r\n"
                                "<tr>\r\n"
                                "<td nowrap>a<br>b &amp; c</td>\r\n"
                                "<td nowrap><br></td>\r\n"
                                "</tr>\r\n"
                                "</table><p>\r\n";
    QCOMPARE(ExportWriters::html(t, {}), expected);
}

void TestExportTable::htmlStyledCellsAndHeaderRow()
{
    ExportTable t;
    t.setHeaderRow(true);
    t.setCell(0, 0, u"Name & Co"_s);
    t.setCell(1, 0, u"Lamp"_s);
    ExportWriters::HtmlOptions o;
    o.header = { u"<h1>My <i>things</i></h1>"_s };
    o.footer = { u"<hr>"_s };
    o.headerColour = QColor(0xD4, 0xD0, 0xC8);
    o.background = QColor(Qt::white);
    o.textColour = QColor(Qt::black);
    o.bold = o.italic = o.underline = true;
    const QByteArray expected = "<h1>My <i>things</i></h1>\r\n"
                                "<table border=\"1\" cellspacing=\"0\" cellpadding=\"0\" width=\"100%\">\r\n"
                                "<tr>\r\n"
                                "<td nowrap BGCOLOR=\"#D4D0C8\"><B>Name &amp; Co</B></td>\r\n"
                                "</tr>\r\n"
                                "<tr>\r\n"
                                "<td nowrap BGCOLOR=\"#FFFFFF\"><font color=\"#000000\"><B><I><U>Lamp"
                                "</U></I></B></font></td>\r\n"
                                "</tr>\r\n"
                                "</table><p>\r\n"
                                "<hr>\r\n";
    QCOMPARE(ExportWriters::html(t, o), expected);
}

void TestExportTable::writeFileFailureNamesFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"missing/x.csv"_s);
    QString error;
    QVERIFY(!ExportWriters::writeFile(path, "a", &error));
    QCOMPARE(error, u"Cannot create file "_s + path + u": No such file or directory"_s);
    QVERIFY(ExportWriters::writeFile(dir.filePath(u"x.csv"_s), "a", &error));
    // A write cut off part-way (a file-size limit binds root too) leaves the old file.
    {
        FileSizeLimit limit(100);
        QVERIFY(limit.ok());
        QVERIFY(!ExportWriters::writeFile(dir.filePath(u"x.csv"_s), QByteArray(1000, 'b'), &error));
    }
    QFile old(dir.filePath(u"x.csv"_s));
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("a"));
}

void TestExportTable::itemCaptionsAndCells_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("cell");
    QTest::newRow("description 1 short") << 0 << u"Origin"_s << u"Lamp "_s;
    QTest::newRow("description 10") << 9 << u"Desc 10"_s << QString();
    QTest::newRow("detail 0") << 10 << u"Warranty"_s << u"2 years"_s;
    QTest::newRow("detail 9") << 19 << u"Quantity"_s << u"3"_s;
    QTest::newRow("status: wanted wins") << 20 << u"Status"_s << u"Wanted"_s;
    QTest::newRow("record number") << 21 << u"Record #"_s << u"7"_s;
    QTest::newRow("name") << 22 << u"Name"_s << u"Desk lamp"_s;
}

void TestExportTable::itemCaptionsAndCells()
{
    QFETCH(int, code);
    QFETCH(QString, caption);
    QFETCH(QString, cell);
    FieldCaptions captions = FieldCaptions::defaults();
    captions.description[10] = u"Desc 10"_s;
    ItemRecord r;
    r.setName(u"Desk lamp"_s);
    r.setDescription(1, u"Lamp : Lighting : Furniture"_s);
    r.setDetail(0, u"2 years"_s);
    r.setDetail(9, u"3"_s);
    r.Wanted = r.ForSale = true;
    QCOMPARE(ReportItems::caption(code, captions), caption);
    QCOMPARE(ReportItems::cellText(code, r, 7, true), cell);
}

QTEST_GUILESS_MAIN(TestExportTable)
#include "tst_exporttable.moc"
