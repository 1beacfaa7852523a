// The regular report's composition: totals, wrapping, page limit, export table, page engine.
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "reports/reportlayout.h"
#include "store/recordstore.h"

using namespace Qt::StringLiterals;

namespace {

// A letter printable area of 8.0 by 10.6 inches at 600 dpi: an 8 by 10 inch page.
PageGeometry letter()
{
    return { QSize(4800, 6360), 600, 600 };
}

ItemRecord record(const QString &name, const QString &value = {}, const QString &quantity = {})
{
    ItemRecord r;
    r.setName(name);
    r.setDetail(1, value);
    r.setDetail(9, quantity);
    return r;
}

ReportDefinition definition(QList<int> codes, int columns)
{
    ReportDefinition d;
    for (int c : codes)
        d.items.append({ c, 0, QString() });
    d.columnCount = QString::number(columns);
    return d;
}

ReportLayout::Options options(bool limit = true)
{
    ReportLayout::Options o;
    o.today = QDate(2026, 3, 4);
    o.pageLimit = limit;
    return o;
}

// The text cells of a page with their x and y, in drawing order.
struct Cell
{
    QString text;
    int x, y;
};
QList<Cell> cells(const TZephPrinter &p, int page)
{
    QList<Cell> out;
    for (const PageItem &i : p.PagePicture(page)->items()) {
        if (i.kind == PageItem::Kind::TextInRect)
            out.append({ i.text, i.rect.x(), i.rect.y() });
    }
    return out;
}

} // namespace

class TestReportLayout : public QObject
{
    Q_OBJECT
private slots:
    void pageSizeIsWholeInches();
    void engineLifecycle();
    void totalsCountQuantity();
    void quantityIsAWholeNumberOnly_data();
    void quantityIsAWholeNumberOnly();
    void wrapping_data();
    void wrapping();
    void recordAcrossPageBreakKeepsItsRow();
    void pageLimit();
    void itemNumbersCountTheScope();
    void noRecordsInScope();
    void columnWidthsFromSections();
    void pdfCarriesTheText();
    void textClippedToItsCell();
    void previewScale_data();
    void previewScale();
};

void TestReportLayout::pageSizeIsWholeInches()
{
    TZephPrinter p(letter());
    QCOMPARE(p.pageExtent(), QSize(11520, 14400));
    TZephPrinter a4({ QSize(2480, 3508), 300, 300 }); // 8.27 x 11.69
    QCOMPARE(a4.pageWidthInches(), 8);
    QCOMPARE(a4.pageHeightInches(), 11);
    // A 10-point font is 200 twips high, whatever the device.
    p.Reset();
    QCOMPARE(p.CurrentFont().pixelSize(), 200);
}

void TestReportLayout::engineLifecycle()
{
    TZephPrinter p(letter());
    p.Reset();
    QCOMPARE(p.PageCount(), 1);
    QVERIFY(p.PageCanvas(1));
    QVERIFY(!p.PagePicture(1));
    QVERIFY(!p.PageCanvas(2));
    QCOMPARE(p.NewPage(), 2);
    p.Finish();
    QCOMPARE(p.NewPage(), 0);
    QCOMPARE(p.PageCount(), 2);
    QVERIFY(!p.PageCanvas(1));
    QVERIFY(p.PagePicture(2));
    QVERIFY(!p.PagePicture(3));
    p.Reset();
    QCOMPARE(p.PageCount(), 1);
    QVERIFY(!p.finished());
}

void TestReportLayout::totalsCountQuantity()
{
    RecordStore store;
    ItemRecord a = record(u"Lamp"_s, u"$1,234.50"_s, u"2"_s);
    a.setDetail(8, u"100"_s);
    store.append(a);
    store.append(record(u"Clock"_s, u"10"_s, u"two"_s));
    store.append(record(u"Vase"_s, u"abc"_s, u" -1"_s)); // no digits: 0, whatever the quantity
    const auto r = ReportLayout::compose(store, definition({ 22 }, 1), letter(), options());
    const ExportTable &t = r.table;
    // Heading, three records, empty row, paid, value.
    QCOMPARE(t.rowCount(), 7);
    QCOMPARE(t.cell(0, 0), u"#"_s);
    QCOMPARE(t.cell(0, 1), u"Name"_s);
    QCOMPARE(t.cell(2, 0), u"2."_s);
    QCOMPARE(t.cell(2, 1), u"Clock"_s);
    QCOMPARE(t.cell(4, 0), QString());
    QCOMPARE(t.cell(5, 0), u"Total Paid : 200.00"_s);
    QCOMPARE(t.cell(6, 0), u"Total Value : 2479.00"_s);
    QCOMPARE(r.recordsComposed, 3);

    RecordStore empty;
    const auto zero = ReportLayout::compose(empty, definition({ 22 }, 1), letter(), options());
    QCOMPARE(zero.table.cell(zero.table.rowCount() - 2, 0), u"Total Paid :  0.00"_s);
}

void TestReportLayout::quantityIsAWholeNumberOnly_data()
{
    QTest::addColumn<QString>("quantity");
    QTest::addColumn<QString>("value");
    QTest::newRow("digits") << u"3"_s << u"30.00"_s;
    QTest::newRow("leading blanks") << u"  3"_s << u"30.00"_s;
    QTest::newRow("plus") << u"+3"_s << u"30.00"_s;
    QTest::newRow("minus") << u" -2"_s << u"-20.00"_s;
    // Anything else makes it no whole number: the amount counts once.
    QTest::newRow("trailing blank") << u"3 "_s << u"10.00"_s;
    QTest::newRow("leading tab") << u"\t3"_s << u"10.00"_s;
    QTest::newRow("trailing letter") << u"3x"_s << u"10.00"_s;
    QTest::newRow("sign only") << u"-"_s << u"10.00"_s;
    QTest::newRow("past an int") << u"2147483648"_s << u"10.00"_s;
}

void TestReportLayout::quantityIsAWholeNumberOnly()
{
    QFETCH(QString, quantity);
    QFETCH(QString, value);
    RecordStore store;
    store.append(record(u"Lamp"_s, u"10"_s, quantity));
    const auto r = ReportLayout::compose(store, definition({ 22 }, 1), letter(), options());
    QCOMPARE(r.table.cell(r.table.rowCount() - 1, 0), u"Total Value : "_s + value);
}

void TestReportLayout::wrapping_data()
{
    QTest::addColumn<bool>("indent");
    QTest::addColumn<bool>("itemNumbers");
    QTest::addColumn<QStringList>("line1");
    QTest::addColumn<QStringList>("line2");
    QTest::addColumn<int>("line2Column"); // column of the second line's first cell
    QTest::newRow("indent") << true << false << QStringList { u"a"_s, u"b"_s, u"c"_s }
                            << QStringList { u"d"_s, u"e"_s } << 1;
    QTest::newRow("item numbers") << false << true << QStringList { u"1."_s, u"a"_s, u"b"_s }
                                  << QStringList { u"c"_s, u"d"_s, u"e"_s } << 0;
}

void TestReportLayout::wrapping()
{
    QFETCH(bool, indent);
    QFETCH(bool, itemNumbers);
    QFETCH(QStringList, line1);
    QFETCH(QStringList, line2);
    QFETCH(int, line2Column);
    RecordStore store;
    ItemRecord r;
    r.setDescription(1, u"a"_s);
    r.setDescription(2, u"b"_s);
    r.setDescription(3, u"c"_s);
    r.setDescription(4, u"d"_s);
    r.setDescription(5, u"e"_s);
    store.append(r);
    ReportDefinition d = definition({ 0, 1, 2, 3, 4 }, 3);
    d.indent = indent;
    d.showItemNumbers = itemNumbers;
    d.showTotals = false;
    const auto result = ReportLayout::compose(store, d, letter(), options());
    const int w = d.sections.isEmpty() ? int(std::lround(123.0 / 369 * result.printableWidth)) : 0;
    QList<Cell> all = cells(*result.pages, 1);
    // The record's cells follow the heading cells (and the page number).
    QList<Cell> mine;
    for (const Cell &c : all) {
        if (line1.contains(c.text) || line2.contains(c.text))
            mine.append(c);
    }
    QCOMPARE(mine.size(), line1.size() + line2.size());
    for (int i = 0; i < line1.size(); ++i) {
        QCOMPARE(mine[i].text, line1[i]);
        QCOMPARE(mine[i].x, i * w);
        QCOMPARE(mine[i].y, mine[0].y);
    }
    for (int i = 0; i < line2.size(); ++i) {
        const Cell &c = mine[line1.size() + i];
        QCOMPARE(c.text, line2[i]);
        QCOMPARE(c.x, (line2Column + i) * w);
        QCOMPARE(c.y, mine[0].y + 8 * 20 + 8); // one body line: 8-point font
    }
    // The export row keeps the record whole.
    QCOMPARE(result.table.rowCount(), 2);
    QCOMPARE(result.table.cell(1, result.table.columnCount() - 1), u"e"_s);

    // As many items as columns: no line advance inside the record.
    ReportDefinition exact = definition({ 0, 1, 2 }, 3);
    exact.showItemNumbers = false;
    const auto one = ReportLayout::compose(store, exact, letter(), options());
    QList<int> ys;
    for (const Cell &c : cells(*one.pages, 1)) {
        if (c.text == u"a"_s || c.text == u"c"_s)
            ys.append(c.y);
    }
    QCOMPARE(ys.size(), 2);
    QCOMPARE(ys[0], ys[1]);
}

void TestReportLayout::recordAcrossPageBreakKeepsItsRow()
{
    RecordStore store;
    for (int i = 0; i < 200; ++i) {
        ItemRecord r;
        r.setName(u"N%1"_s.arg(i));
        r.setDescription(1, u"D%1"_s.arg(i));
        store.append(r);
    }
    ReportDefinition d = definition({ 22, 0 }, 1);
    d.showTotals = false;
    const auto result = ReportLayout::compose(store, d, letter(), options(false));
    QVERIFY(result.pages->PageCount() > 2);
    // One heading row, then one row per record with both cells, whatever the page breaks.
    QCOMPARE(result.table.rowCount(), 201);
    for (int i = 0; i < 200; ++i) {
        QCOMPARE(result.table.cell(i + 1, 1), u"N%1"_s.arg(i));
        QCOMPARE(result.table.cell(i + 1, 2), u"D%1"_s.arg(i));
    }
    // Every line of every page ends within the printable height (a cell's rectangle is its
    // line and two units more).
    for (int page = 1; page <= result.pages->PageCount(); ++page)
        for (const PageItem &i : result.pages->PagePicture(page)->items())
            if (i.kind == PageItem::Kind::TextInRect)
                QVERIFY2(i.rect.y() + i.rect.height() - 2 <= result.printableHeight,
                    qPrintable(u"page %1: %2"_s.arg(page).arg(i.text)));
    // Every page repeats the heading.
    const QList<Cell> page2 = cells(*result.pages, 2);
    QVERIFY(std::any_of(
        page2.begin(), page2.end(), [](const Cell &c) { return c.text == u"Origin"_s; }));
}

void TestReportLayout::pageLimit()
{
    RecordStore store;
    for (int i = 0; i < 2000; ++i)
        store.append(record(u"R%1"_s.arg(i)));
    const ReportDefinition d = definition({ 22 }, 1);
    const auto limited = ReportLayout::compose(store, d, letter(), options(true));
    QVERIFY(limited.limitHit);
    QCOMPARE(limited.pages->PageCount(), 11);
    QVERIFY(limited.recordsComposed < 2000);
    // The record that reached page 11 is composed: it is on page 11.
    const QString last = u"R%1"_s.arg(limited.recordsComposed - 1);
    const QList<Cell> page11 = cells(*limited.pages, 11);
    QVERIFY(
        std::any_of(page11.begin(), page11.end(), [&](const Cell &c) { return c.text == last; }));
    QCOMPARE(ReportLayout::tooMuchDataWarning(limited.recordsComposed),
        u"Warning ... your report contains too much data.  Only the first %1 records will be displayed."_s
            .arg(limited.recordsComposed));
    // Totals still close the report.
    QVERIFY(limited.table.cell(limited.table.rowCount() - 1, 0).startsWith(u"Total Value : "_s));

    const auto all = ReportLayout::compose(store, d, letter(), options(false));
    QVERIFY(!all.limitHit);
    QCOMPARE(all.recordsComposed, 2000);
    QVERIFY(all.pages->PageCount() > 11);
}

void TestReportLayout::itemNumbersCountTheScope()
{
    RecordStore store;
    for (int i = 1; i <= 5; ++i) {
        ItemRecord r = record(u"R%1"_s.arg(i));
        r.OnSearchList = i != 1 && i != 3;
        store.append(r);
    }
    ReportLayout::Options o = options();
    o.searchListOnly = true;
    ReportDefinition d = definition({ 22 }, 2);
    d.showTotals = false;
    const auto r = ReportLayout::compose(store, d, letter(), o);
    QCOMPARE(r.table.rowCount(), 4);
    const QStringList rows[] = { { u"1."_s, u"R2"_s }, { u"2."_s, u"R4"_s }, { u"3."_s, u"R5"_s } };
    for (int i = 0; i < 3; ++i)
        QCOMPARE((QStringList { r.table.cell(i + 1, 0), r.table.cell(i + 1, 1) }), rows[i]);
}

void TestReportLayout::noRecordsInScope()
{
    RecordStore store;
    store.append(record(u"Off the list"_s));
    ReportLayout::Options o = options();
    o.searchListOnly = true;
    const auto r = ReportLayout::compose(store, definition({ 22, 21 }, 3), letter(), o);
    QCOMPARE(r.recordsComposed, 0);
    QCOMPARE(r.pages->PageCount(), 1);
    QCOMPARE(r.table.rowCount(), 4);
    QCOMPARE(r.table.cell(0, 2), u"Record #"_s);
    QCOMPARE(r.table.cell(2, 0), u"Total Paid :  0.00"_s);
    QCOMPARE(r.table.cell(3, 0), u"Total Value :  0.00"_s);
}

void TestReportLayout::columnWidthsFromSections()
{
    ReportDefinition d = definition({ 22 }, 3);
    d.doColumns(6 * 1440 + 720); // 6.5 inches
    QCOMPARE(d.sections.size(), 3);
    QCOMPARE(d.sections[0].width, 123);
    QCOMPARE(d.sections[0].text, u"2.17"_s);
    d.sections[0].width = 369;
    QCOMPARE(d.columnWidth(0, 9360), 9360);
    QCOMPARE(d.columnWidth(1, 9360), 3120);
    QCOMPARE(d.columnWidth(5, 9360), 0);
    d.columnCount = u"x"_s;
    d.doColumns(9360); // not a number: the columns stay
    QCOMPARE(d.sections.size(), 3);
}

void TestReportLayout::pdfCarriesTheText()
{
    RecordStore store;
    store.append(record(u"Brass lamp"_s, u"12"_s, u"1"_s));
    ReportDefinition d = definition({ 22, 11 }, 3);
    d.title = u"My Things"_s;
    const auto r = ReportLayout::compose(store, d, letter(), options());
    QTemporaryDir dir;
    const QString pdf = dir.filePath(u"r.pdf"_s);
    QString error;
    QVERIFY(writePdf(*r.pages, QPageSize(QPageSize::Letter), false, pdf, &error));
    QProcess p;
    p.start(u"pdftotext"_s, { u"-layout"_s, pdf, u"-"_s });
    QVERIFY(p.waitForFinished(30000));
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    QVERIFY2(text.contains(u"My Things"_s), qPrintable(text));
    QVERIFY(text.contains(u"2026/03/04"_s));
    QVERIFY(text.contains(u"Brass lamp"_s));
    QVERIFY(text.contains(u"Total Value : 12.00"_s));

    QVERIFY(!writePdf(
        *r.pages, QPageSize(QPageSize::Letter), false, dir.filePath(u"no/such/r.pdf"_s), &error));
    QCOMPARE(error,
        u"Cannot create file "_s + dir.filePath(u"no/such/r.pdf"_s)
            + u": No such file or directory"_s);
}

void TestReportLayout::textClippedToItsCell()
{
    // Drawn at 144 dpi: a long text stops at its cell, a short one is drawn whole.
    PageDrawing page(QSize(1440, 1440));
    page.setFont(twipFont(u"DejaVu Sans"_s, 12));
    page.textRect(QRect(0, 0, 400, 300), QPoint(0, 0), u"WWWWWWWWWWWWWWWWWWWW"_s);
    page.textRect(QRect(0, 600, 1440, 300), QPoint(0, 600), u"WWW"_s);
    QImage image(144, 144, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(0.1, 0.1);
    page.replay(painter);
    painter.end();
    const auto inkIn = [&](int x0, int x1, int y0, int y1) {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (qGray(image.pixel(x, y)) < 128)
                    return true;
        return false;
    };
    QVERIFY(inkIn(0, 40, 0, 30));
    QVERIFY(!inkIn(41, 144, 0, 30));
    QVERIFY(inkIn(0, 144, 60, 90));
}

void TestReportLayout::previewScale_data()
{
    QTest::addColumn<QString>("zoom");
    QTest::addColumn<int>("scale");
    QTest::newRow("150") << u"150"_s << 144;
    QTest::newRow("50") << u"50"_s << 48;
    QTest::newRow("25") << u"25"_s << 24;
    QTest::newRow("typed 33") << u"33"_s << 28;
    QTest::newRow("100") << u"100"_s << 96;
    QTest::newRow("200") << u"200"_s << 192;
    QTest::newRow("Fit Width") << u"Fit Width"_s << 120;
    QTest::newRow("Fit Both") << u"Fit Both"_s << 68; // (733 - 45) / 10 = 68.8 -> 69 -> 68
    QTest::newRow("not a number") << u"big"_s << -1;
    QTest::newRow("negative kept showable") << u"-50"_s << 4;
}

void TestReportLayout::previewScale()
{
    QFETCH(QString, zoom);
    QFETCH(int, scale);
    const auto s = PreviewScale::scale(zoom, 96, QSize(1024, 733), QSizeF(8, 10));
    QCOMPARE(s.value_or(-1), scale);
    QCOMPARE(PreviewScale::gridStep(96), 24);
    QCOMPARE(PreviewScale::invalidInteger(u"big"_s), u"'big' is not a valid integer value"_s);
    // Margins hidden: the shown page is the area inside them.
    TZephPrinter p(letter());
    p.SetMargins(QMargins(1440, 720, 720, 1440));
    p.showMargins = false;
    QCOMPARE(PreviewScale::shownInches(p), QSizeF(6.5, 8.5));
}

QTEST_MAIN(TestReportLayout)
#include "tst_reportlayout.moc"
