// The HTML report without its window: heading and cell texts per tag, the report table and its
// row limit, the page, and the .hrf format file (round trip, hand-made files, damaged files).
#include <limits>

#include <QTest>

#include "htmlreport/hrffile.h"
#include "htmlreport/htmlreportdesign.h"
#include "store/recordstore.h"

using namespace Qt::StringLiterals;

namespace {

// Raw bytes of the value encoding, written by hand so the reader is checked against the layout
// rather than against the writer.
struct Bytes
{
    QByteArray b;
    Bytes &raw(const QByteArray &x)
    {
        b += x;
        return *this;
    }
    Bytes &tag(int t)
    {
        b += char(t);
        return *this;
    }
    Bytes &name(const QByteArray &n) // length byte, no tag
    {
        b += char(n.size());
        b += n;
        return *this;
    }
    Bytes &text(const QByteArray &t) { return tag(0x06).name(t); }
    Bytes &int8(int v) { return tag(0x02).raw(QByteArray(1, char(v))); }
    Bytes &int16(int v)
    {
        tag(0x03);
        b += char(v & 0xFF);
        b += char((v >> 8) & 0xFF);
        return *this;
    }
    Bytes &int32(qint32 v)
    {
        tag(0x04);
        for (int i = 0; i < 4; ++i)
            b += char((quint32(v) >> (8 * i)) & 0xFF);
        return *this;
    }
    Bytes &ident(const QByteArray &n) { return tag(0x07).name(n); }
    Bytes &end() { return tag(0x00); }
    Bytes &list() { return tag(0x01); }
};

ItemRecord record(const QString &name)
{
    ItemRecord r;
    r.setName(name);
    return r;
}

HtmlReportDesign sampleDesign()
{
    HtmlReportDesign d;
    d.items = { { u"Name"_s, 230 }, { u"Type"_s, 10 }, { u"Status"_s, 210 }, { u"Record #"_s, 220 },
        { u"Value"_s, 120 } };
    d.header = { u"<h1>My things</h1>"_s, u""_s, u"<p>Insured items</p>"_s };
    d.footer = { u"<p>Made with care</p>"_s };
    d.font.name = u"Arial"_s;
    d.font.height = -16;
    d.font.charset = VclValues::AnsiCharset;
    d.font.colour = 0x0000FF; // clRed
    d.font.style.bold = true;
    d.font.style.underline = true;
    d.colour = VclValues::clBlack;
    d.onlySearchList = true;
    return d;
}

QList<QByteArray> pageLines(const QByteArray &page)
{
    return page.split('\n');
}

} // namespace

class TestHtmlReport : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void headingTexts_data();
    void headingTexts();
    void statusCell_data();
    void statusCell();
    void cellTexts();
    void rowLimit_data();
    void rowLimit();
    void emptySearchList();
    void pageCells();
    void escaping();
    void splitLines_data();
    void splitLines();
    void roundTrip_data();
    void roundTrip();
    void handMadeFile();
    void handMadeFileWithOwnValues();
    void damagedFileKeepsWhatWasRead();
    void wrongValueKinds_data();
    void wrongValueKinds();
    void everyTruncationFails();
    void vclValues();
};

void TestHtmlReport::headingTexts_data()
{
    QTest::addColumn<int>("tag");
    QTest::addColumn<QString>("text");
    QTest::newRow("description 1") << 10 << u"D1"_s;
    QTest::newRow("description 10") << 100 << u"D10"_s;
    QTest::newRow("detail 0") << 110 << u"T0"_s;
    QTest::newRow("detail 9") << 200 << u"T9"_s;
    QTest::newRow("status") << 210 << u"Status"_s;
    QTest::newRow("record number") << 220 << u"Record #"_s;
    QTest::newRow("name") << 230 << u"Name"_s;
    QTest::newRow("zero") << 0 << QString();
    QTest::newRow("negative") << -70 << QString();
    QTest::newRow("past the name") << 240 << QString();
    QTest::newRow("huge") << 2147483647 << QString();
    QTest::newRow("smallest") << std::numeric_limits<int>::min() << QString();
}

void TestHtmlReport::headingTexts()
{
    QFETCH(int, tag);
    QFETCH(QString, text);
    FieldCaptions c;
    for (int k = 1; k <= 10; ++k)
        c.description[size_t(k)] = u"D%1"_s.arg(k);
    for (int d = 0; d < 10; ++d)
        c.detail[size_t(d)] = u"T%1"_s.arg(d);
    QCOMPARE(HtmlReport::headerText(tag, c), text);
}

void TestHtmlReport::statusCell_data()
{
    QTest::addColumn<bool>("wanted");
    QTest::addColumn<bool>("forTrade");
    QTest::addColumn<bool>("forSale");
    QTest::addColumn<QString>("text");
    QTest::newRow("none") << false << false << false << QString();
    QTest::newRow("wanted") << true << false << false << u"Wanted"_s;
    QTest::newRow("for trade") << false << true << false << u"For Trade"_s;
    QTest::newRow("for sale") << false << false << true << u"For Sale"_s;
    QTest::newRow("for sale and wanted") << true << false << true << u"For Sale"_s;
    QTest::newRow("for trade and wanted") << true << true << false << u"For Trade"_s;
    QTest::newRow("all three") << true << true << true << u"For Sale"_s;
}

void TestHtmlReport::statusCell()
{
    QFETCH(bool, wanted);
    QFETCH(bool, forTrade);
    QFETCH(bool, forSale);
    QFETCH(QString, text);
    ItemRecord r;
    r.Wanted = wanted;
    r.ForTrade = forTrade;
    r.ForSale = forSale;
    QCOMPARE(HtmlReport::cellText(210, r, 1, false), text);
}

void TestHtmlReport::cellTexts()
{
    ItemRecord r = record(u"Lamp"_s);
    r.setDescription(1, u"Radio : Electronics"_s);
    r.setDescription(10, u"Attic"_s);
    r.setDetail(0, u"2 years"_s);
    r.setDetail(9, u"3 "_s);
    QCOMPARE(HtmlReport::cellText(10, r, 7, false), u"Radio : Electronics"_s);
    QCOMPARE(HtmlReport::cellText(10, r, 7, true), u"Radio "_s); // the text before the colon
    QCOMPARE(HtmlReport::cellText(100, r, 7, true), u"Attic"_s);
    QCOMPARE(HtmlReport::cellText(110, r, 7, false), u"2 years"_s);
    QCOMPARE(HtmlReport::cellText(200, r, 7, false), u"3 "_s); // as stored
    QCOMPARE(HtmlReport::cellText(220, r, 7, false), u"7"_s);
    QCOMPARE(HtmlReport::cellText(230, r, 7, false), u"Lamp"_s);
    QCOMPARE(HtmlReport::cellText(-1000, r, 7, false), QString());
    QCOMPARE(HtmlReport::cellText(999, r, 7, false), QString());
}

void TestHtmlReport::rowLimit_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("limit");
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("limited");
    QTest::newRow("1000 records") << 1000 << 1000 << 1000 << false;
    QTest::newRow("1001 records") << 1001 << 1000 << 1000 << true;
    QTest::newRow("1001 records, no limit") << 1001 << 0 << 1001 << false;
}

void TestHtmlReport::rowLimit()
{
    QFETCH(int, records);
    QFETCH(int, limit);
    QFETCH(int, rows);
    QFETCH(bool, limited);
    RecordStore store;
    for (int i = 1; i <= records; ++i)
        store.append(record(u"Item %1"_s.arg(i)));
    const HtmlReport::Table t = HtmlReport::buildTable(
        store, { { u"Name"_s, 230 }, { u"#"_s, 220 } }, false, false, limit);
    QCOMPARE(t.recordRows, rows);
    QCOMPARE(t.table.rowCount(), rows + 1);
    QCOMPARE(t.limited, limited);
    QVERIFY(t.table.hasHeaderRow());
    QCOMPARE(t.table.cell(rows, 0), u"Item %1"_s.arg(rows));
    QCOMPARE(t.table.cell(rows, 1), QString::number(rows));
}

void TestHtmlReport::emptySearchList()
{
    RecordStore store;
    for (int i = 1; i <= 3; ++i)
        store.append(record(u"Item %1"_s.arg(i)));
    const QList<HtmlReportItem> items { { u"Name"_s, 230 }, { u"#"_s, 220 } };
    HtmlReport::Table t = HtmlReport::buildTable(store, items, true, false, 1000);
    QCOMPARE(t.table.rowCount(), 1);
    QCOMPARE(t.table.cell(0, 0), u"Name"_s);

    // Positions stay those of the store when only some records are taken.
    store.at(1).OnSearchList = true;
    t = HtmlReport::buildTable(store, items, true, false, 1000);
    QCOMPARE(t.table.rowCount(), 2);
    QCOMPARE(t.table.cell(1, 0), u"Item 2"_s);
    QCOMPARE(t.table.cell(1, 1), u"2"_s);
}

void TestHtmlReport::pageCells()
{
    RecordStore store;
    ItemRecord sale = record(u"Clock"_s);
    sale.ForSale = true;
    store.append(sale);
    store.append(record(u"Vase"_s));
    HtmlReportDesign d;
    d.items = { { u"Status"_s, 210 }, { u"Name"_s, 230 } };
    const HtmlReport::Table t = HtmlReport::buildTable(store, d.items, false, false, 1000);
    const QList<QByteArray> lines = pageLines(HtmlReport::page(t.table, d));
    // With the defaults: white cells, window-text (black) writing, no style.
    QVERIFY(lines.contains(
        "<td nowrap BGCOLOR=\"#FFFFFF\"><font color=\"#000000\">For Sale</font></td>\r"));
    // A record without a status after one with: an empty cell.
    const qsizetype vase = lines.indexOf(
        "<td nowrap BGCOLOR=\"#FFFFFF\"><font color=\"#000000\">Vase</font></td>\r");
    QVERIFY(vase > 0);
    QCOMPARE(lines[vase - 1],
        "<td nowrap BGCOLOR=\"#FFFFFF\"><font color=\"#000000\"><br></font></td>\r");

    // The design's colour, font colour and style go into every body cell.
    d.colour = VclValues::clBlack;
    d.font.colour = 0x00FFFF; // clYellow
    d.font.style = { true, true, true, true };
    const QByteArray styled = HtmlReport::page(t.table, d);
    QVERIFY(styled.contains("<td nowrap BGCOLOR=\"#000000\"><font "
                            "color=\"#FFFF00\"><B><I><U>Vase</U></I></B></font></td>\r\n"));
    // No colour at all leaves the cell to the page.
    d.colour = VclValues::clNone;
    QVERIFY(
        HtmlReport::page(t.table, d).contains("<td nowrap><font color=\"#FFFF00\"><B><I><U>Vase"));
}

void TestHtmlReport::escaping()
{
    RecordStore store;
    store.append(record(u"<script>alert(1)</script>"_s));
    store.append(record(u"5 < 6 inch & \"wide\""_s));
    store.append(record(u"Two\rlines"_s));
    HtmlReportDesign d;
    d.items = { { u"Name"_s, 230 } };
    d.header = { u"<h1>Mine & yours</h1>"_s };
    d.footer = { u"<p>The <b>end</b></p>"_s };
    const HtmlReport::Table t = HtmlReport::buildTable(store, d.items, false, false, 1000);
    const QByteArray page = HtmlReport::page(t.table, d);
    QVERIFY(!page.contains("<script>"));
    QVERIFY(page.contains(">&lt;script&gt;alert(1)&lt;/script&gt;<"));
    QVERIFY(page.contains(">5 &lt; 6 inch &amp; &quot;wide&quot;<"));
    QVERIFY(page.contains(">Two<br>lines<"));
    // The user's own HTML stays HTML.
    QVERIFY(page.startsWith("<h1>Mine & yours</h1>\r\n<table "));
    QVERIFY(page.endsWith("</table><p>\r\n<p>The <b>end</b></p>\r\n"));
}

void TestHtmlReport::splitLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("empty") << QString() << QStringList();
    QTest::newRow("one") << u"a"_s << QStringList { u"a"_s };
    QTest::newRow("final line end") << u"a\r\n"_s << QStringList { u"a"_s };
    QTest::newRow("mixed ends") << u"a\r\nb\nc\rd"_s
                                << QStringList { u"a"_s, u"b"_s, u"c"_s, u"d"_s };
    QTest::newRow("empty lines") << u"\r\n\r\nx"_s << QStringList { u""_s, u""_s, u"x"_s };
}

void TestHtmlReport::splitLines()
{
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    QCOMPARE(HtmlReport::splitLines(text), lines);
}

void TestHtmlReport::roundTrip_data()
{
    QTest::addColumn<qint32>("colour");
    QTest::addColumn<qint32>("fontColour");
    QTest::addColumn<qint32>("charset");
    QTest::newRow("black cells") << VclValues::clBlack << qint32(0x0000FF) << 0;
    QTest::newRow("white cells, window text") << VclValues::clWhite << VclValues::clWindowText << 1;
    QTest::newRow("own colours, own charset") << qint32(0x123456) << qint32(0x654321) << 3;
    QTest::newRow("no colour, system colour")
        << VclValues::clNone << VclValues::clActiveBorder << 238;
}

void TestHtmlReport::roundTrip()
{
    QFETCH(qint32, colour);
    QFETCH(qint32, fontColour);
    QFETCH(qint32, charset);
    HtmlReportDesign d = sampleDesign();
    d.colour = colour;
    d.font.colour = fontColour;
    d.font.charset = charset;
    HtmlReportDesign back;
    back.onlySearchList = false;
    QVERIFY(HrfFile::read(HrfFile::write(d), back));
    QCOMPARE(back, d);

    // An empty design too.
    HtmlReportDesign empty;
    HtmlReportDesign emptyBack;
    QVERIFY(HrfFile::read(HrfFile::write(empty), emptyBack));
    QCOMPARE(emptyBack, empty);
}

void TestHtmlReport::handMadeFile()
{
    // As a file of the original format: the dialogs' own properties around the font ones, a
    // prefix byte, a collection and a child object to pass over, no Color (black).
    Bytes f;
    f.list().text("Name").int16(230).text("Manufacturer").int8(20).end();
    f.list().text("<h2>Collection</h2>").end();
    f.list().end();
    f.raw("TPF0").tag(0xF0).name("TFontDialog").name("ReportFont");
    f.name("Font.Charset").ident("DEFAULT_CHARSET");
    f.name("Font.Color").ident("clWindowText");
    f.name("Font.Height").int8(-13);
    f.name("Font.name()").text("Times New Roman");
    f.name("Font.Style").tag(0x0B).name("fsItalic").name("fsStrikeOut").end();
    f.name("MinFontSize").int8(0);
    f.name("MaxFontSize").int8(0);
    f.name("Options").tag(0x0B).name("fdEffects").name("fdLimitSize").end();
    f.name("Left").int16(400);
    f.name("Top").int16(300);
    f.name("Extra").tag(0x0E).int8(0).list().name("Width").int8(50).end().end();
    f.name("Ratio").tag(0x05).raw(QByteArray(10, '\x01'));
    f.name("Data").tag(0x0A).raw(QByteArray("\x03\x00\x00\x00xyz", 7));
    f.name("Memo").tag(0x0C).raw(QByteArray("\x02\x00\x00\x00"
                                            "ab",
        6));
    f.name("Nothing").tag(0x0D);
    f.name("Flag").tag(0x09);
    f.end(); // properties
    f.name("TLabel").name("Child").end().end(); // one child, without signature
    f.end(); // children
    f.raw("TPF0").name("TColorDialog").name("ReportColor");
    f.name("Ctrl3D").tag(0x09);
    f.name("CustomColors.Strings").list().text("ColorA=FFFFFF").end();
    f.end().end();
    f.tag(0x09); // only search list

    HtmlReportDesign d;
    d.colour = VclValues::clWhite;
    QVERIFY(HrfFile::read(f.b, d));
    QCOMPARE(d.items, (QList<HtmlReportItem> { { u"Name"_s, 230 }, { u"Manufacturer"_s, 20 } }));
    QCOMPARE(d.header, QStringList { u"<h2>Collection</h2>"_s });
    QVERIFY(d.footer.isEmpty());
    QCOMPARE(d.font.name, u"Times New Roman"_s);
    QCOMPARE(d.font.height, -13);
    QCOMPARE(d.font.pointSize(), 10);
    QCOMPARE(d.font.charset, VclValues::DefaultCharset);
    QCOMPARE(d.font.colour, VclValues::clWindowText);
    QCOMPARE(d.font.style, (VclValues::FontStyle { false, true, false, true }));
    QCOMPARE(d.colour, VclValues::clBlack); // absent means black
    QVERIFY(d.onlySearchList);
}

void TestHtmlReport::handMadeFileWithOwnValues()
{
    // Integers where identifiers could stand, a 32-bit tag, a long text, letter case of names,
    // and a flag byte that is not 0x09.
    Bytes f;
    f.list().tag(0x0C).raw(QByteArray("\x04\x00\x00\x00Long", 8)).int32(230).end();
    f.list().end();
    f.list().text("<hr>").text("Bye").end();
    f.raw("TPF0").name("TFontDialog").name("ReportFont");
    f.name("font.color").int32(0x00336699);
    f.name("FONT.CHARSET").int16(300);
    f.name("Font.Style").tag(0x0B).end();
    f.end().end();
    f.raw("TPF0").name("TColorDialog").name("ReportColor");
    f.name("Color").ident("clInfoBk");
    f.end().end();
    f.tag(0x02);

    HtmlReportDesign d;
    d.onlySearchList = true;
    QVERIFY(HrfFile::read(f.b, d));
    QCOMPARE(d.items, (QList<HtmlReportItem> { { u"Long"_s, 230 } }));
    QCOMPARE(d.footer, (QStringList { u"<hr>"_s, u"Bye"_s }));
    QCOMPARE(d.font.colour, qint32(0x00336699));
    QCOMPARE(d.font.charset, 300);
    QCOMPARE(d.font.name, u"MS Sans Serif"_s); // absent: the default
    QCOMPARE(d.font.height, -11);
    QCOMPARE(d.colour, VclValues::SystemColourBase + 24);
    QVERIFY(!d.onlySearchList);
}

void TestHtmlReport::damagedFileKeepsWhatWasRead()
{
    const HtmlReportDesign full = sampleDesign();
    const QByteArray bytes = HrfFile::write(full);

    // Cut inside the header list: all items and the first header lines are kept.
    const qsizetype cut = bytes.indexOf("<p>Insured") - 2;
    HtmlReportDesign d;
    QVERIFY(!HrfFile::read(bytes.left(cut), d));
    QCOMPARE(d.items, full.items);
    QCOMPARE(d.header, (QStringList { u"<h1>My things</h1>"_s, u""_s }));
    QVERIFY(d.footer.isEmpty());
    QCOMPARE(d.font, VclValues::Font());

    // A broken font stream: texts kept, font and colour untouched.
    QByteArray broken = bytes;
    broken[broken.indexOf("TPF0")] = 'X';
    HtmlReportDesign e;
    e.colour = VclValues::clWhite;
    QVERIFY(!HrfFile::read(broken, e));
    QCOMPARE(e.footer, full.footer);
    QCOMPARE(e.font, VclValues::Font());
    QCOMPARE(e.colour, VclValues::clWhite);

    // The list cut after an item's caption keeps only the whole items.
    Bytes half;
    half.list().text("Name").int16(230).text("Type");
    HtmlReportDesign h;
    QVERIFY(!HrfFile::read(half.b, h));
    QCOMPARE(h.items, (QList<HtmlReportItem> { { u"Name"_s, 230 } }));
}

void TestHtmlReport::wrongValueKinds_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("itemsKept");
    const QByteArray good = Bytes().list().text("Name").int16(230).end().b;
    QTest::newRow("empty file") << QByteArray() << 0;
    QTest::newRow("no list") << Bytes().text("Name").b << 0;
    QTest::newRow("tag as text") << Bytes().list().text("Name").text("230").end().b << 0;
    QTest::newRow("caption as integer")
        << Bytes().list().text("Name").int16(230).int8(5).int8(6).end().b << 1;
    QTest::newRow("unknown tag in list") << Bytes().list().text("Name").int16(230).tag(0x20).b << 1;
    QTest::newRow("header line as integer") << (good + Bytes().list().int8(1).end().b) << 1;
    const QByteArray texts = good + Bytes().list().end().list().end().b;
    QTest::newRow("no object stream") << (texts + Bytes().tag(0x09).b) << 1;
    QTest::newRow("font height as text") << (texts
        + Bytes()
              .raw("TPF0")
              .name("TFontDialog")
              .name("ReportFont")
              .name("Font.Height")
              .text("8")
              .end()
              .end()
              .b) << 1;
    QTest::newRow("unknown colour identifier") << (texts
        + Bytes()
              .raw("TPF0")
              .name("TFontDialog")
              .name("ReportFont")
              .name("Font.Color")
              .ident("clPlaid")
              .end()
              .end()
              .b) << 1;
    QTest::newRow("unknown value tag in stream") << (texts
        + Bytes().raw("TPF0").name("TFontDialog").name("ReportFont").name("Left").tag(0x1F).b)
                                                 << 1;
    QTest::newRow("huge text length")
        << Bytes().list().tag(0x0C).raw(QByteArray("\xff\xff\xff\x7f", 4)).b << 0;
    QTest::newRow("negative text length")
        << Bytes().list().tag(0x0C).raw(QByteArray("\x00\x00\x00\x80", 4)).b << 0;
    const QByteArray objects = texts
        + Bytes().raw("TPF0").name("TFontDialog").name("ReportFont").end().end().b
        + Bytes().raw("TPF0").name("TColorDialog").name("ReportColor").end().end().b;
    QTest::newRow("no flag") << objects << 1;
    QByteArray deep = objects.left(objects.size() - 2);
    for (int i = 0; i < 100000; ++i)
        deep += Bytes().list().b;
    QTest::newRow("deep nesting") << (texts
        + Bytes().raw("TPF0").name("TFontDialog").name("ReportFont").name("X").b + deep)
                                  << 1;
}

void TestHtmlReport::wrongValueKinds()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, itemsKept);
    HtmlReportDesign d;
    QVERIFY(!HrfFile::read(bytes, d));
    QCOMPARE(d.items.size(), itemsKept);
}

void TestHtmlReport::everyTruncationFails()
{
    const QByteArray bytes = HrfFile::write(sampleDesign());
    qsizetype lastItems = 0;
    for (qsizetype n = 0; n < bytes.size(); ++n) {
        HtmlReportDesign d;
        QVERIFY2(!HrfFile::read(bytes.left(n), d), qPrintable(QString::number(n)));
        QVERIFY(d.items.size() >= lastItems); // a longer piece never keeps less
        lastItems = d.items.size();
    }
    HtmlReportDesign d;
    QVERIFY(HrfFile::read(bytes, d));
}

void TestHtmlReport::vclValues()
{
    using namespace VclValues;
    QCOMPARE(colourIdent(0x000080), QByteArray("clMaroon"));
    QCOMPARE(colourIdent(SystemColourBase + 24), QByteArray("clInfoBk"));
    QCOMPARE(colourIdent(clNone), QByteArray("clNone"));
    QCOMPARE(colourIdent(0x123456), QByteArray());
    QCOMPARE(colourFromIdent("CLRED"), std::optional<qint32>(0x0000FF));
    QCOMPARE(colourFromIdent("clScrollBar"), std::optional<qint32>(SystemColourBase));
    QCOMPARE(colourFromIdent("clMoneyGreen"), std::nullopt);
    QCOMPARE(toQColor(0x0000FF), QColor(255, 0, 0));
    QCOMPARE(toQColor(0x563412), QColor(0x12, 0x34, 0x56));
    QCOMPARE(fromQColor(QColor(0x12, 0x34, 0x56)), qint32(0x563412));
    QCOMPARE(charsetIdent(238), QByteArray("EASTEUROPE_CHARSET"));
    QCOMPARE(charsetFromIdent("OEM_CHARSET"), std::optional<qint32>(255));
    QCOMPARE(charsetIdent(3), QByteArray());
    QCOMPARE(pointSizeFromHeight(-11), 8);
    QCOMPARE(pointSizeFromHeight(-16), 12);
    QCOMPARE(heightFromPointSize(8), -11);
    QCOMPARE(heightFromPointSize(10), -13);
    QCOMPARE(
        styleNames({ true, false, true, false }), (QList<QByteArray> { "fsBold", "fsUnderline" }));
    QCOMPARE(
        styleFromNames({ "fsStrikeOut", "fsUnknown" }), (FontStyle { false, false, false, true }));
}

QTEST_GUILESS_MAIN(TestHtmlReport)
#include "tst_htmlreport.moc"
