// Reading sheets: CSV and TSV with every delimiter and encoding, XLSX and ODS written by the test,
// and damaged or hostile files that must give a message and no rows.
#include <sys/stat.h>

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "sheetimport/sheettable.h"
#include "tests/sheetimport/sheetfiles.h"

using namespace Qt::StringLiterals;
using namespace SheetImport;
using SheetFiles::Sheet;

namespace {

QList<QStringList> rowsOf(const SheetTable &t)
{
    QList<QStringList> rows;
    for (int r = 0; r < t.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < t.columnCount(); ++c)
            cells.append(t.cellText(r, c));
        rows.append(cells);
    }
    return rows;
}

QByteArray utf16(const QString &s, bool little, bool bom)
{
    QByteArray out;
    if (bom)
        out += little ? "\xFF\xFE" : "\xFE\xFF";
    for (QChar c : s) {
        const char lo = char(c.unicode() & 0xFF);
        const char hi = char(c.unicode() >> 8);
        out.append(little ? lo : hi);
        out.append(little ? hi : lo);
    }
    return out;
}

} // namespace

class TestSheetRead : public QObject
{
    Q_OBJECT
private slots:
    void delimiters_data();
    void delimiters();
    void encodings_data();
    void encodings();
    void quotedValues();
    void openQuoteIsAnError();
    void xlsx();
    void xlsxSheetChoice();
    void ods();
    void odsRepeatedRows();
    void damagedWorkbooks_data();
    void damagedWorkbooks();
    void unpackLimit_data();
    void unpackLimit();
    void notRegularFiles();
    void progressAndCancel_data();
    void longExtraFieldReadsOnce();
    void progressAndCancel();

private:
    QTemporaryDir m_dir;
};

void TestSheetRead::delimiters_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QChar>("delimiter");
    // Commas inside the values of a semicolon file must not win the detection.
    QTest::newRow("comma") << u"a.csv"_s
                           << QByteArray("Item,Room,Price\r\nLamp,Bedroom,\"1,50\"\r\n")
                           << QChar(u',');
    QTest::newRow("semicolon") << u"a.csv"_s << QByteArray("Item;Room;Price\nLamp;Bedroom;1,50\n")
                               << QChar(u';');
    QTest::newRow("tab in csv") << u"a.csv"_s
                                << QByteArray("Item\tRoom\tPrice\nLamp\tBedroom\t1,50\n")
                                << QChar(u'\t');
    QTest::newRow("tsv") << u"a.tsv"_s << QByteArray("Item\tRoom\tPrice\rLamp\tBedroom\t1;50\r")
                         << QChar(u'\t');
    QTest::newRow("bar") << u"a.txt"_s << QByteArray("Item|Room|Price\nLamp|Bedroom|1,50")
                         << QChar(u'|');
    QTest::newRow("sep line") << u"a.csv"_s
                              << QByteArray("sep=;\r\nItem;Room;Price\r\nLamp;Bedroom;1,50\r\n")
                              << QChar(u';');
    // A delimiter beyond ASCII is more than one byte of the text the table keeps.
    QTest::newRow("sep line, section sign")
        << u"a.csv"_s << QString(u"sep=§\nItem§Room§Price\nLamp§Bedroom§1,50\n"_s).toUtf8()
        << QChar(u'§');
    QTest::newRow("sep line, Windows-1252") << u"a.csv"_s
                                            << QByteArray("sep=\xA7\nItem\xA7"
                                                          "Room\xA7"
                                                          "Price\nLamp\xA7"
                                                          "Bedroom\xA7\"1,50\"\n")
                                            << QChar(u'§');
}

void TestSheetRead::delimiters()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QChar, delimiter);
    const QString path = m_dir.filePath(name);
    QVERIFY(SheetFiles::writeBytes(path, bytes));
    const SheetRead r = readSheet(path);
    QVERIFY2(r.ok, qPrintable(r.message));
    QCOMPARE(r.delimiter, delimiter);
    const QList<QStringList> want = { { u"Item"_s, u"Room"_s, u"Price"_s },
        { u"Lamp"_s, u"Bedroom"_s,
            delimiter == u'\t' && name.endsWith(u"tsv"_s) ? u"1;50"_s : u"1,50"_s } };
    QCOMPARE(rowsOf(r.table), want);
    QCOMPARE(r.table.rowNumber(1), 2);
}

void TestSheetRead::encodings_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("encoding");
    const QString text = u"Name,Maker\nCafé table,Søren & Co €\n"_s;
    QTest::newRow("utf-8") << text.toUtf8() << int(TextEncoding::Utf8);
    QTest::newRow("utf-8 bom") << QByteArray("\xEF\xBB\xBF") + text.toUtf8()
                               << int(TextEncoding::Utf8);
    QTest::newRow("utf-16le bom") << utf16(text, true, true) << int(TextEncoding::Utf16LE);
    QTest::newRow("utf-16be bom") << utf16(text, false, true) << int(TextEncoding::Utf16BE);
    QTest::newRow("utf-16le no bom") << utf16(text, true, false) << int(TextEncoding::Utf16LE);
    // é, ø and € as Windows-1252 bytes, which are no valid UTF-8.
    QTest::newRow("windows-1252") << QByteArray("Name,Maker\nCaf\xE9 table,S\xF8ren & Co \x80\n")
                                  << int(TextEncoding::Windows1252);
}

void TestSheetRead::encodings()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, encoding);
    const QString path = m_dir.filePath(u"enc.csv"_s);
    QVERIFY(SheetFiles::writeBytes(path, bytes));
    const SheetRead r = readSheet(path);
    QVERIFY2(r.ok, qPrintable(r.message));
    QCOMPARE(int(r.encoding), encoding);
    QCOMPARE(r.table.cellText(0, 0), u"Name"_s); // no byte order mark left in front
    QCOMPARE(r.table.cellText(1, 0), u"Café table"_s);
    QCOMPARE(r.table.cellText(1, 1), u"Søren & Co €"_s);
    // Chosen by hand, the other reading is used as told.
    ReadOptions latin;
    latin.encoding = TextEncoding::Windows1252;
    if (encoding == int(TextEncoding::Utf8) && !bytes.startsWith("\xEF")) {
        const SheetRead l = readSheet(path, latin);
        QCOMPARE(l.table.cellText(1, 0), u"CafÃ© table"_s);
    }
}

void TestSheetRead::quotedValues()
{
    const QString path = m_dir.filePath(u"quoted.csv"_s);
    QVERIFY(SheetFiles::writeBytes(path,
        "Name,Notes,Price\r\n"
        "\"Lamp, brass\",\"Line one\r\nLine \"\"two\"\"\",12\r\n"
        "\r\n" // an empty line holds no record
        "Chair,,\r\n"
        "\"Desk\"x,\"\",5"));
    const SheetRead r = readSheet(path);
    QVERIFY2(r.ok, qPrintable(r.message));
    QCOMPARE(r.table.rowCount(), 4);
    QCOMPARE(r.table.columnCount(), 3);
    QCOMPARE(r.table.cellText(1, 0), u"Lamp, brass"_s);
    QCOMPARE(r.table.cellText(1, 1), u"Line one\r\nLine \"two\""_s);
    QCOMPARE(r.table.cellText(2, 0), u"Chair"_s);
    QCOMPARE(r.table.cellText(2, 2), QString());
    QCOMPARE(r.table.cellText(3, 0), u"Deskx"_s);
    // Rows keep the numbers a spreadsheet program gives them: the empty line is a row, the line
    // break inside quotes is not.
    QCOMPARE(r.table.rowNumber(2), 4);
    QCOMPARE(r.table.rowNumber(3), 5);
}

void TestSheetRead::openQuoteIsAnError()
{
    const QString path = m_dir.filePath(u"open.csv"_s);
    QVERIFY(SheetFiles::writeBytes(path, "Name,Notes\nLamp,ok\nChair,\"never closed\nDesk,x\n"));
    const SheetRead r = readSheet(path);
    QVERIFY(!r.ok);
    QCOMPARE(
        r.message, u"The quoted value that opens on row 3 does not end. Nothing was imported."_s);
    QCOMPARE(r.table.rowCount(), 0);
}

void TestSheetRead::xlsx()
{
    const QString path = m_dir.filePath(u"book.xlsx"_s);
    QVERIFY(SheetFiles::writeXlsx(path,
        { { u"Things"_s,
            { { u"Item"_s, u"Price"_s, u"Date"_s, u"Insured"_s, u"Notes"_s },
                { u"Lamp & shade"_s, u"n:19.989999999999998"_s, u"d:45365"_s, u"b:1"_s,
                    u"i:inline <text>"_s },
                {}, // an empty row is left out
                { u"Rich|Text"_s, u"n:1234"_s, u""_s, u"b:0"_s, u"Item"_s } } } }));
    const SheetRead r = readSheet(path);
    QVERIFY2(r.ok, qPrintable(r.message));
    QCOMPARE(int(r.format), int(SheetFormat::Xlsx));
    QCOMPARE(r.sheetNames, QStringList { u"Things"_s });
    const QList<QStringList> want = {
        { u"Item"_s, u"Price"_s, u"Date"_s, u"Insured"_s, u"Notes"_s },
        // A date style turns the serial into the date; binary noise of the number is dropped.
        { u"Lamp & shade"_s, u"19.99"_s, u"2024-03-14"_s, u"TRUE"_s, u"inline <text>"_s },
        { u"RichText"_s, u"1234"_s, QString(), u"FALSE"_s, u"Item"_s },
    };
    QCOMPARE(rowsOf(r.table), want);
    QCOMPARE(r.table.rowNumber(2), 4);
}

void TestSheetRead::xlsxSheetChoice()
{
    const QString path = m_dir.filePath(u"two.xlsx"_s);
    QVERIFY(SheetFiles::writeXlsx(
        path, { { u"First"_s, { { u"a"_s } } }, { u"Second"_s, { { u"b"_s, u"c"_s } } } }));
    ReadOptions o;
    o.sheet = 1;
    const SheetRead second = readSheet(path, o);
    QVERIFY2(second.ok, qPrintable(second.message));
    QCOMPARE(second.sheetNames, (QStringList { u"First"_s, u"Second"_s }));
    QCOMPARE(second.sheet, 1);
    QCOMPARE(rowsOf(second.table), (QList<QStringList> { { u"b"_s, u"c"_s } }));
    o.sheet = 7; // no such sheet: the first
    const SheetRead first = readSheet(path, o);
    QCOMPARE(first.sheet, 0);
    QCOMPARE(rowsOf(first.table), (QList<QStringList> { { u"a"_s } }));
}

void TestSheetRead::ods()
{
    const QString path = m_dir.filePath(u"book.ods"_s);
    QVERIFY(SheetFiles::writeOds(path,
        { { u"Sheet1"_s, { { u"x"_s } } },
            { u"Inventory"_s,
                { { u"Item"_s, u"Price"_s, u"Date"_s, u"Sale"_s },
                    { u"Lamp\nsecond line"_s, u"n:1234.5|1.234,50 €"_s, u"d:2024-03-14T10:00:00"_s,
                        u"b:true"_s },
                    { u""_s, u""_s, u""_s, u""_s },
                    { u"Chair"_s, u""_s, u""_s, u"b:false"_s } } } }));
    ReadOptions o;
    o.sheet = 1;
    const SheetRead r = readSheet(path, o);
    QVERIFY2(r.ok, qPrintable(r.message));
    QCOMPARE(int(r.format), int(SheetFormat::Ods));
    QCOMPARE(r.sheetNames, (QStringList { u"Sheet1"_s, u"Inventory"_s }));
    // The stored value, not the shown text; the empty cells to the edge and the million empty
    // rows at the foot cost nothing.
    const QList<QStringList> want = {
        { u"Item"_s, u"Price"_s, u"Date"_s, u"Sale"_s },
        { u"Lamp\nsecond line"_s, u"1234.5"_s, u"2024-03-14"_s, u"TRUE"_s },
        { u"Chair"_s, QString(), QString(), u"FALSE"_s },
    };
    QCOMPARE(rowsOf(r.table), want);
    QCOMPARE(r.table.columnCount(), 4);
    QCOMPARE(r.table.rowNumber(2), 4);
}

void TestSheetRead::odsRepeatedRows()
{
    // A row with values repeated three times stands three times; one with a cell repeated twice
    // holds it twice.
    const QByteArray extra
        = "<table:table-row table:number-rows-repeated=\"3\"><table:table-cell "
          "office:value-type=\"string\"><text:p>Same</text:p></table:table-cell></table:table-row>"
          "<table:table-row><table:table-cell table:number-columns-repeated=\"2\" "
          "office:value-type=\"string\"><text:p>Twice</text:p></table:table-cell></"
          "table:table-row>";
    const QString path = m_dir.filePath(u"repeat.ods"_s);
    QVERIFY(SheetFiles::writeOds(path, { { u"S"_s, { { u"Head"_s } } } }, extra));
    const SheetRead r = readSheet(path);
    QVERIFY2(r.ok, qPrintable(r.message));
    QCOMPARE(rowsOf(r.table),
        (QList<QStringList> { { u"Head"_s, QString() }, { u"Same"_s, QString() },
            { u"Same"_s, QString() }, { u"Same"_s, QString() }, { u"Twice"_s, u"Twice"_s } }));
    QCOMPARE(r.table.rowNumber(3), 4);
    QCOMPARE(r.table.rowNumber(4), 5);
}

void TestSheetRead::damagedWorkbooks_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("why");
    QTest::newRow("not a zip") << u"plain.xlsx"_s << u"is damaged: it is not a zip container"_s;
    QTest::newRow("cut short") << u"cut.xlsx"_s << u"the zip container does not open"_s;
    QTest::newRow("no workbook") << u"noworkbook.xlsx"_s << u"it holds no workbook part"_s;
    QTest::newRow("bad xml") << u"badxml.xlsx"_s << u"damaged ("_s;
    QTest::newRow("missing text") << u"badindex.xlsx"_s
                                  << u"a cell names a text that is not there"_s;
    QTest::newRow("checksum") << u"crc.xlsx"_s << u"does not unpack"_s;
    QTest::newRow("entity") << u"dtd.xlsx"_s << u"declares a document type"_s;
    QTest::newRow("ods without content") << u"empty.ods"_s << u"it holds no content part"_s;
}

void TestSheetRead::damagedWorkbooks()
{
    QFETCH(QString, name);
    QFETCH(QString, why);
    const QString path = m_dir.filePath(name);
    const QList<Sheet> book
        = { { u"S"_s, { { u"Item"_s, u"Price"_s }, { u"Lamp"_s, u"n:12"_s } } } };
    SheetFiles::Entries entries = SheetFiles::xlsxEntries(book);
    auto replace = [&entries](const QString &part, const QByteArray &data) {
        for (auto &e : entries)
            if (e.first == part)
                e.second = data;
    };
    if (name == "plain.xlsx"_L1) {
        QVERIFY(SheetFiles::writeBytes(path, "Item,Price\nLamp,12\n"));
    } else if (name == "cut.xlsx"_L1) {
        const QString whole = m_dir.filePath(u"whole.xlsx"_s);
        QVERIFY(SheetFiles::writeZip(whole, entries));
        QFile f(whole);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(SheetFiles::writeBytes(path, f.readAll().left(f.size() / 2)));
    } else if (name == "noworkbook.xlsx"_L1) {
        entries.removeIf([](const auto &e) { return e.first == "xl/workbook.xml"_L1; });
        QVERIFY(SheetFiles::writeZip(path, entries));
    } else if (name == "badxml.xlsx"_L1) {
        replace(u"xl/worksheets/data1.xml"_s,
            "<worksheet><sheetData><row r=\"1\"><c t=\"s\"><v>0</v></c></sheetData>");
        QVERIFY(SheetFiles::writeZip(path, entries));
    } else if (name == "badindex.xlsx"_L1) {
        replace(u"xl/worksheets/data1.xml"_s,
            "<worksheet><sheetData><row r=\"1\"><c r=\"A1\" "
            "t=\"s\"><v>99</v></c></row></sheetData></worksheet>");
        QVERIFY(SheetFiles::writeZip(path, entries));
    } else if (name == "crc.xlsx"_L1) {
        // Stored uncompressed, then one letter of a text changed behind the checksum: the XML
        // still reads, only the checksum tells.
        QVERIFY(SheetFiles::writeZip(path, entries, true));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QByteArray bytes = f.readAll();
        const qsizetype at = bytes.indexOf(">Lamp<");
        QVERIFY(at > 0);
        bytes[at + 2] = 'i';
        QVERIFY(f.seek(0));
        QCOMPARE(f.write(bytes), bytes.size());
    } else if (name == "dtd.xlsx"_L1) {
        replace(u"xl/sharedStrings.xml"_s,
            "<?xml version=\"1.0\"?><!DOCTYPE sst [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
            "\"&a;&a;&a;&a;&a;&a;&a;&a;\">]><sst><si><t>&b;</t></si></sst>");
        QVERIFY(SheetFiles::writeZip(path, entries));
    } else if (name == "empty.ods"_L1) {
        QVERIFY(SheetFiles::writeZip(
            path, { { u"mimetype"_s, "application/vnd.oasis.opendocument.spreadsheet" } }));
    }
    const SheetRead r = readSheet(path);
    QVERIFY(!r.ok);
    QVERIFY2(r.message.contains(why), qPrintable(r.message));
    QVERIFY2(r.message.endsWith(u"Nothing was imported."_s), qPrintable(r.message));
    QCOMPARE(r.table.rowCount(), 0);
}

void TestSheetRead::unpackLimit_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("xlsx") << u"bomb.xlsx"_s;
    QTest::newRow("ods") << u"bomb.ods"_s;
}

void TestSheetRead::unpackLimit()
{
    // Four megabytes of blanks pack into a few kilobytes; with a limit of one megabyte the part
    // is refused part-way, before it is held.
    QFETCH(QString, name);
    const QString path = m_dir.filePath(name);
    const QByteArray blanks(4 << 20, ' ');
    if (name.endsWith(u"xlsx"_s)) {
        SheetFiles::Entries e = SheetFiles::xlsxEntries({ { u"S"_s, { { u"a"_s } } } });
        for (auto &p : e)
            if (p.first == "xl/worksheets/data1.xml"_L1)
                p.second = "<worksheet>" + blanks + "<sheetData/></worksheet>";
        QVERIFY(SheetFiles::writeZip(path, e));
    } else {
        QVERIFY(SheetFiles::writeZip(
            path, { { u"content.xml"_s, "<document-content>" + blanks + "</document-content>" } }));
    }
    QVERIFY(QFileInfo(path).size() < 64 * 1024);
    ReadOptions o;
    o.maxPartBytes = 1 << 20;
    const SheetRead r = readSheet(path, o);
    QVERIFY(!r.ok);
    QVERIFY2(r.message.contains(u"unpacks to more than the limit"_s), qPrintable(r.message));
    o.maxPartBytes = 8 << 20; // the same file under a limit it keeps reads
    QVERIFY(
        readSheet(path, o).message.isEmpty() || !readSheet(path, o).message.contains(u"limit"_s));
}

void TestSheetRead::notRegularFiles()
{
    const QString fifo = m_dir.filePath(u"pipe.csv"_s);
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const SheetRead r = readSheet(fifo);
    QVERIFY(!r.ok);
    QCOMPARE(r.message, fifo + u" is not a regular file."_s);
    QCOMPARE(readSheet(u"/dev/zero"_s).message, u"/dev/zero is not a regular file."_s);
    QCOMPARE(readSheet(m_dir.path()).message, m_dir.path() + u" is not a regular file."_s);
    QCOMPARE(readSheet(m_dir.filePath(u"none.csv"_s)).message,
        m_dir.filePath(u"none.csv"_s) + u" was not found."_s);
}

void TestSheetRead::progressAndCancel_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("csv") << u"long.csv"_s;
    QTest::newRow("xlsx") << u"long.xlsx"_s;
    QTest::newRow("ods") << u"long.ods"_s;
}

// A long sheet tells its progress as it reads, rising to the end; told to stop, it stops and
// holds nothing.
void TestSheetRead::progressAndCancel()
{
    QFETCH(QString, name);
    const QString path = m_dir.filePath(name);
    constexpr int Rows = 5000;
    Sheet sheet { u"Long"_s, { { u"Item"_s, u"Price"_s } } };
    QByteArray csv = "Item,Price\n";
    for (int i = 0; i < Rows; ++i) {
        sheet.rows.append({ u"Thing %1"_s.arg(i), u"n:%1"_s.arg(i) });
        csv += "Thing " + QByteArray::number(i) + "," + QByteArray::number(i) + "\n";
    }
    if (name.endsWith(u"csv"_s))
        QVERIFY(SheetFiles::writeBytes(path, csv));
    else if (name.endsWith(u"xlsx"_s))
        QVERIFY(SheetFiles::writeXlsx(path, { sheet }));
    else
        QVERIFY(SheetFiles::writeOds(path, { sheet }));

    QList<int> told;
    ReadOptions o;
    o.progress = [&told](int permille) {
        told.append(permille);
        return true;
    };
    const SheetRead whole = readSheet(path, o);
    QVERIFY2(whole.ok, qPrintable(whole.message));
    QCOMPARE(whole.table.rowCount(), Rows + 1);
    QVERIFY(told.size() >= 3);
    QVERIFY(std::is_sorted(told.begin(), told.end()));
    QVERIFY(told.first() >= 0 && told.last() <= 1000 && told.last() > told.first());

    int calls = 0;
    o.progress = [&calls](int) { return ++calls < 2; };
    const SheetRead stopped = readSheet(path, o);
    QVERIFY(!stopped.ok);
    QVERIFY(stopped.cancelled);
    QCOMPARE(calls, 2);
    QCOMPARE(stopped.table.rowCount(), 0);
}

namespace {

// Read calls the process has made so far, as the kernel counts them.
qint64 readCalls()
{
    QFile io(u"/proc/self/io"_s);
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : io.readAll().split('\n'))
        if (line.startsWith("syscr:"))
            return line.mid(6).trimmed().toLongLong();
    return -1;
}

} // namespace

// A part whose directory entry claims the longest extra field has the unzip library read its
// headers a few bytes at a time, tens of thousands of times: the container is read into memory
// once, so that costs no system calls (against the file itself it took seconds).
void TestSheetRead::longExtraFieldReadsOnce()
{
    const QString path = m_dir.filePath(u"extra.ods"_s);
    const QList<Sheet> book = { { u"S"_s, { { u"Item"_s }, { u"Lamp"_s } } } };
    QVERIFY(SheetFiles::writeZip(path,
        { { u"mimetype"_s, "application/vnd.oasis.opendocument.spreadsheet" },
            { u"content.xml"_s, SheetFiles::odsContent(book) } },
        true));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QByteArray bytes = f.readAll();
    const qsizetype entry = bytes.lastIndexOf("PK\x01\x02");
    QVERIFY(entry > 0);
    bytes[entry + 30] = '\xFF'; // the extra field's length
    bytes[entry + 31] = '\xFF';
    QVERIFY(f.seek(0));
    QCOMPARE(f.write(bytes), bytes.size());
    f.close();

    const qint64 before = readCalls();
    QVERIFY(before >= 0);
    const SheetRead r = readSheet(path);
    const qint64 calls = readCalls() - before;
    // The part's entry runs past the end of the file: read or told damaged, but at once.
    QVERIFY2(r.ok || r.message.contains(u"is damaged"_s), qPrintable(r.message));
    QVERIFY2(calls < 100, qPrintable(u"%1 read calls"_s.arg(calls)));
}

QTEST_GUILESS_MAIN(TestSheetRead)
#include "tst_sheetread.moc"
