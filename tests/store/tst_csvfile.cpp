// Comma-delimited export and import: quoting, status texts, the money template and line ends.
#include <QTemporaryDir>
#include <QTest>

#include "store/csvfile.h"

using namespace Qt::StringLiterals;

class TestCsvFile : public QObject
{
    Q_OBJECT
private slots:
    void exportLines();
    void moneyTemplate_data();
    void moneyTemplate();
    void importLines_data();
    void importLines();
    void importMapsItemCodes();
    void failures();
    void exportThenImportExported_data();
    void exportThenImportExported();
    void importExportedRefuses_data();
    void importExportedRefuses();
};

void TestCsvFile::exportLines()
{
    RecordStore store;
    ItemRecord a;
    a.setDescription(1, u"Chair, Oak"_s);
    a.setDescription(2, u"The \"good\" one, kept"_s);
    a.setDetail(1, u"$12.00"_s);
    a.Wanted = a.ForSale = true;
    store.append(a);
    store.append(ItemRecord());
    const QByteArray bytes = CsvFile::exportBytes(store);
    const QList<QByteArray> lines = bytes.split('\n');
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0],
        "\"Chair, Oak\",\"The \"\"good\"\" one, kept\",,,,,,,,,,$12.00,,,,,,,,,Wanted\r");
    QCOMPARE(lines[1], QByteArray(20, ',') + '\r'); // no flag: an empty last field
    QCOMPARE(CsvFile::field(u"a \"b\""_s), u"\"a \"\"b\"\"\""_s);

    // Importing that line splits the quoted value at its comma.
    RecordStore back;
    CsvFile::importBytes(QByteArray(lines[0] + '\n'), back, { 0, 1 }, QDate(2026, 1, 2));
    QCOMPARE(back.at(0).description(1), u"\"Chair"_s);
    QCOMPARE(back.at(0).description(2), u" Oak\""_s);
}

void TestCsvFile::moneyTemplate_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("laid");
    QTest::newRow("12.50") << u"12.50"_s << u"$0,012.50"_s;
    QTest::newRow("5") << u"5"_s << u"$0,000.05"_s;
    QTest::newRow("empty") << QString() << u"$0,000.00"_s;
    QTest::newRow("1234.56") << u"1234.56"_s << u"$01234.56"_s;
    QTest::newRow("8 characters") << u"12345.67"_s << u"012345.67"_s;
    QTest::newRow("9 characters") << u"123456.78"_s << u"$0,000.00123456.78"_s;
}

void TestCsvFile::moneyTemplate()
{
    QFETCH(QString, field);
    QFETCH(QString, laid);
    QCOMPARE(CsvFile::moneyTemplate(field), laid);
}

void TestCsvFile::importLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QStringList { u"a"_s, u"b"_s };
    QTest::newRow("LF only, a line each")
        << QByteArray("a\nb\nc") << QStringList { u"a"_s, u"b"_s, u"c"_s };
    QTest::newRow("CR only") << QByteArray("a\rb\r") << QStringList { u"a"_s, u"b"_s };
    QTest::newRow("CR CR LF: two ends")
        << QByteArray("a\r\r\nb") << QStringList { u"a"_s, QString(), u"b"_s };
    QTest::newRow("empty line") << QByteArray("a\r\n\r\nb\r\n")
                                << QStringList { u"a"_s, QString(), u"b"_s };
    QTest::newRow("Ctrl-Z ends") << QByteArray("a\r\nb\x1A\r\nc\r\n")
                                 << QStringList { u"a"_s, u"b"_s };
    QTest::newRow("empty file") << QByteArray() << QStringList {};
}

void TestCsvFile::importLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, names);
    RecordStore store;
    store.append(ItemRecord());
    QCOMPARE(CsvFile::importBytes(bytes, store, { 22 }, QDate(2026, 1, 2)), names.size());
    QCOMPARE(store.count(), names.size() + 1);
    for (int i = 0; i < names.size(); ++i)
        QCOMPARE(store.at(i + 1).name(), names[i]);
}

void TestCsvFile::importMapsItemCodes()
{
    RecordStore store;
    // Name, Value, Paid, Status, Record #, Description 3, Quantity.
    CsvFile::importBytes("Lamp,12.50,,For Sale,77,Kitchen,3,extra\r\nShort\r\n", store,
        { 22, 11, 18, 20, 21, 2, 19 }, QDate(2026, 1, 2));
    QCOMPARE(store.count(), 2);
    const ItemRecord &a = store.at(0);
    QCOMPARE(a.name(), u"Lamp"_s);
    QCOMPARE(a.detail(1), u"$0,012.50"_s);
    QCOMPARE(a.detail(8), u"$0,000.00"_s);
    QVERIFY(a.ForSale && !a.Wanted && !a.ForTrade);
    QCOMPARE(a.description(3), u"Kitchen"_s);
    QCOMPARE(a.detail(9), u"3"_s);
    QCOMPARE(a.detail(2), u"2026/01/02"_s);
    QCOMPARE(a.detail(3), u"2026/01/02"_s);
    QCOMPARE(a.detail(0), u" "_s);
    QCOMPARE(a.detail(4), u"0"_s);
    QCOMPARE(a.pictureTitle(6), u"Untitled 6"_s);
    // Fewer fields than columns: the rest empty, the money template still laid.
    const ItemRecord &b = store.at(1);
    QCOMPARE(b.name(), u"Short"_s);
    QCOMPARE(b.detail(1), u"$0,000.00"_s);
    QCOMPARE(b.detail(9), QString());
    // Status texts compare exactly.
    RecordStore s;
    CsvFile::importBytes("wanted\r\nFor Trade\r\n", s, { 20 }, QDate(2026, 1, 2));
    QVERIFY(!s.at(0).Wanted);
    QVERIFY(s.at(1).ForTrade);
}

void TestCsvFile::failures()
{
    QTemporaryDir dir;
    RecordStore store;
    store.append(ItemRecord());
    store.databaseOpen = true;
    QString error;
    const QString bad = dir.filePath(u"no/such/x.csv"_s);
    QVERIFY(!CsvFile::exportFile(bad, store, &error));
    QCOMPARE(error, u"Cannot create file "_s + bad + u": No such file or directory"_s);
    const auto r
        = CsvFile::importFile(dir.filePath(u"none.txt"_s), store, { 22 }, QDate(2026, 1, 2));
    QVERIFY(!r.ok);
    QCOMPARE(store.count(), 1);
    // Without an open database the import starts an empty one.
    RecordStore closed;
    closed.append(ItemRecord());
    QFile f(dir.filePath(u"in.txt"_s));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("x\r\n");
    f.close();
    const auto ok = CsvFile::importFile(f.fileName(), closed, { 22 }, QDate(2026, 1, 2));
    QVERIFY(ok.ok);
    QVERIFY(closed.databaseOpen);
    QCOMPARE(closed.count(), 1);
    QCOMPARE(closed.at(0).name(), u"x"_s);
}

void TestCsvFile::exportThenImportExported_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("plain") << u"Lamp"_s;
    QTest::newRow("empty") << QString();
    QTest::newRow("blank") << u" "_s;
    QTest::newRow("comma") << u"Chair, Oak : Furniture"_s;
    QTest::newRow("double quote") << u"5\" tall"_s;
    QTest::newRow("quotes around") << u"\"x\""_s;
    QTest::newRow("CR LF") << u"two\r\nlines"_s;
    QTest::newRow("LF") << u"a\nb"_s;
    QTest::newRow("CR") << u"a\rb"_s;
    QTest::newRow("money") << u"$0,012.50"_s;
    QTest::newRow("money without cents") << u"1200"_s;
    QTest::newRow("codec") << u"\u20ac 5 \u00e9"_s;
    QTest::newRow("Ctrl-Z") << u"a\u001Ab"_s;
    // The export is written in pieces of about a megabyte: this one takes several.
    QTest::newRow("longer than a write piece") << u"x,\"y\"\r\n"_s.repeated(12000);
}

// Every exported field comes back as it was, whatever it holds.
void TestCsvFile::exportThenImportExported()
{
    QFETCH(QString, value);
    RecordStore store;
    for (int i = 0; i < 4; ++i) {
        ItemRecord r;
        for (int k = 1; k <= ItemRecord::DescriptionCount; ++k)
            r.setDescription(k, (k + i) % 3 == 0 ? value : u"d%1"_s.arg(k));
        for (int k = 0; k < ItemRecord::DetailCount; ++k)
            r.setDetail(k, (k + i) % 2 == 0 ? value : QString());
        r.Wanted = i == 1;
        r.ForTrade = i == 2;
        r.ForSale = i >= 2;
        store.append(r);
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(u"out.csv"_s);
    QString error;
    QVERIFY2(CsvFile::exportFile(path, store, &error), qPrintable(error));

    RecordStore back;
    const QDate today(2026, 1, 2);
    const CsvFile::ImportResult r = CsvFile::importExportedFile(path, back, today);
    QVERIFY2(r.ok, qPrintable(r.message));
    QCOMPARE(r.added, 4);
    QVERIFY(back.databaseOpen);
    QCOMPARE(back.count(), 4);
    const ItemRecord defaults = CsvFile::importDefaults(today);
    for (int i = 0; i < 4; ++i) {
        const ItemRecord &a = store.at(i);
        const ItemRecord &b = back.at(i);
        QCOMPARE(b.descriptions(), a.descriptions());
        QCOMPARE(b.details(), a.details());
        QCOMPARE(b.Wanted, i == 1);
        QCOMPARE(b.ForTrade, i == 2);
        QCOMPARE(b.ForSale, i == 3); // a record exports one status, the first it has
        QCOMPARE(b.name(), defaults.name()); // not in the export
        QCOMPARE(b.pictureTitle(1), defaults.pictureTitle(1));
    }
}

void TestCsvFile::importExportedRefuses_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message"); // after "PATH "
    QTest::addColumn<int>("added");
    const QByteArray line = QByteArray("a,") + QByteArray(19, ',') + "For Sale\r\n";
    QTest::newRow("too few fields") << line + "a,b\r\n" << u"is not an exported file: line 2 holds 2 fields, not 21. Nothing was imported."_s << 0;
    QTest::newRow("too many fields") << QByteArray(21, ',') + "\r\n" << u"is not an exported file: line 1 holds 22 fields, not 21. Nothing was imported."_s << 0;
    QTest::newRow("quote left open") << line + "\"a,\r\n" << u"is not an exported file: a quoted field opened on line 2 does not end."_s << 0;
    // Files written before every empty field went unquoted.
    QTest::newRow("empty fields quoted") << QByteArray("\"\",") .repeated(20) + "\"\"\r\n" << QString() << 1;
    QTest::newRow("empty lines and no last line end") << "\r\n" + line + "\r\n" + line.chopped(2) << QString() << 2;
}

void TestCsvFile::importExportedRefuses()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    QFETCH(int, added);
    RecordStore store;
    store.append(ItemRecord());
    const CsvFile::ImportResult r = CsvFile::importExportedBytes(bytes, u"in.csv"_s, store, QDate(2026, 1, 2));
    QCOMPARE(r.ok, message.isEmpty());
    QCOMPARE(r.message, message.isEmpty() ? QString() : u"in.csv "_s + message);
    QCOMPARE(r.added, added);
    QCOMPARE(store.count(), 1 + added);
    for (int i = 1; i < store.count(); ++i) {
        QCOMPARE(store.at(i).description(1), added == 1 ? QString() : u"a"_s);
        QCOMPARE(store.at(i).ForSale, added == 2);
        QCOMPARE(store.at(i).detail(0), QString());
    }
}

QTEST_GUILESS_MAIN(TestCsvFile)
#include "tst_csvfile.moc"
