// The report format file: round trip, files with the original's extra properties, damaged files.
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "reports/reportformat.h"
#include "store/valuestream.h"

using namespace Qt::StringLiterals;
using namespace ValueStream;

namespace {

Property p(const char *name, Value v)
{
    return { QByteArray(name), std::move(v) };
}

StreamObject object(const char *cls, const char *name, QList<Property> props)
{
    return { cls, name, std::move(props), {} };
}

QList<Property> font(
    Value charset, Value colour, int height, const QString &name, QList<QByteArray> style)
{
    return { p("Font.Charset", std::move(charset)), p("Font.Color", std::move(colour)),
        p("Font.Height", Value::fromInt(height)), p("Font.name()", Value::fromText(name)),
        p("Font.Style", Value::fromSet(std::move(style))) };
}

// A format file as the original program wrote it: controls with their position, size, tab order,
// dialog options and event names beside the properties that matter.
// wrongKind names a property whose value is written as the wrong kind of value.
QByteArray originalFile(bool truncateColours = false, const QByteArray &wrongKind = {})
{
    const auto spoil = [&](QList<Property> props) {
        for (Property &q : props)
            if (q.name == wrongKind)
                q.value = q.value.kind == Value::Kind::Text ? Value::fromInt(1)
                                                            : Value::fromText(u"x"_s);
        return props;
    };
    Writer w;
    w.text(u"Household"_s);
    w.flag(true); // title
    w.flag(false); // date
    w.flag(true); // header
    w.flag(false); // page numbers
    w.flag(true); // item numbers
    w.flag(false); // totals
    w.integer(3);
    for (auto [code, caption] :
        { std::pair { 22, u"Name"_s }, { 11, u"Value"_s }, { 21, u"Record #"_s } }) {
        w.integer(code);
        w.integer(0);
        w.text(caption);
    }
    for (const char *m : { "0.5", "0.75", "1", "2" })
        w.text(QString::fromLatin1(m));
    const char *samples[] = { "HeaderFont", "BodyFont", "ValueFont" };
    const char *texts[] = { "Title", "BodyFont", "Value" };
    for (int i = 0; i < 3; ++i) {
        QList<Property> props { p("Left", Value::fromInt(96)), p("Top", Value::fromInt(300)),
            p("Width", Value::fromInt(121)), p("Height", Value::fromInt(21)) };
        props += font(Value::fromIdent("ANSI_CHARSET"), Value::fromIdent("clWindowText"), -11,
            u"Arial"_s, {});
        props += { p("ParentFont", Value::fromBool(false)), p("ReadOnly", Value::fromBool(true)),
            p("TabOrder", Value::fromInt(12 + i)),
            p("Text", Value::fromText(QString::fromLatin1(texts[i]))) };
        w.object(object("TEdit", samples[i], spoil(props)));
    }
    // Body, title, value fonts.
    QList<Property> a = font(Value::fromIdent("DEFAULT_CHARSET"), Value::fromInt(0x0000FF), -13,
        u"Times New Roman"_s, { "fsItalic" });
    a += { p("Options", Value::fromSet({ "fdEffects", "fdLimitSize" })),
        p("MaxFontSize", Value::fromInt(12)), p("Left", Value::fromInt(24)) };
    w.object(object("TFontDialog", "a", spoil(a)));
    QList<Property> b = font(Value::fromInt(204), Value::fromIdent("clNavy"), -24, u"Arial"_s,
        { "fsBold", "fsUnderline" });
    w.object(object("TFontDialog", "b", b));
    w.object(object("TFontDialog", "c", { p("Left", Value::fromInt(2)) })); // all defaults
    // The column bar: a collection with an item index, a section without its width.
    CollectionItem s1 { std::nullopt,
        { p("ImageIndex", Value::fromInt(-1)), p("Style", Value::fromIdent("hsOwnerDraw")),
            p("Text", Value::fromText(u"3.00"_s)), p("Width", Value::fromInt(200)) } };
    s1.properties = spoil(s1.properties);
    CollectionItem s2 { 1,
        { p("Style", Value::fromIdent("hsOwnerDraw")), p("Text", Value::fromText(u"x"_s)) } };
    StreamObject widths = object("THeaderControl", "Widths",
        { p("Left", Value::fromInt(8)), p("Width", Value::fromInt(400)),
            p("Sections", Value::fromItems({ s1, s2 })),
            p("OnSectionClick", Value::fromIdent("WidthsSectionClick")) });
    widths.children.append(object("TLabel", "Inner", { p("Caption", Value::fromText(u"x"_s)) }));
    w.object(widths);
    w.object(object("TCheckBox", "ic",
        spoil({ p("Left", Value::fromInt(8)), p("State", Value::fromIdent("cbChecked")),
            p("TabOrder", Value::fromInt(9)) })));
    w.text(u"2"_s);
    for (int i = 0; i < 10; ++i) {
        if (truncateColours && i == 4)
            return w.take();
        QList<Property> props { p("Ctl3D", Value::fromBool(true)) };
        if (i == 0)
            props.append(p("Color", Value::fromIdent("clYellow")));
        else if (i == 1)
            props.append(p("Color", Value::fromInt(0x123456)));
        else if (i != 2) // slot 3 without its colour: black
            props.append(p("Color", Value::fromIdent("clWhite")));
        w.object(object("TColorDialog", "SelectColColor", props));
    }
    w.flag(false);
    w.flag(true);
    return w.take();
}

} // namespace

class TestReportFormat : public QObject
{
    Q_OBJECT
private slots:
    void roundTrip();
    void readsOriginalFiles();
    void damagedFilesKeepWhatWasRead();
    void valueOfTheWrongKind_data();
    void valueOfTheWrongKind();
    void hostileCounts_data();
    void hostileCounts();
    void loadAndSaveFiles();
};

void TestReportFormat::roundTrip()
{
    ReportDefinition d;
    d.title = u"Insurance, 2026"_s;
    d.showDate = false;
    d.showTotals = false;
    d.items = { { 22, 0, u"Name"_s }, { 0, 0, u"Origin"_s }, { 19, 0, u"Quantity"_s } };
    d.margins = { u"0.5"_s, u"0.75"_s, u"1"_s, u"2"_s };
    d.columnCount = u"4"_s;
    d.referenceWidth = 369;
    d.sections = { { 100, u"1.76"_s }, { 50, u"0.88"_s }, { 150, u"x"_s }, { 69, u"y"_s } };
    d.colours[0] = StoredColour::Black;
    d.colours[1] = 0x0000FF;
    d.colours[2] = 0x123456;
    d.indent = false;
    d.orientation = ReportOrientation::Landscape;
    d.titleFont.name = u"Arial"_s;
    d.titleFont.setPointSize(14);
    d.titleFont.bold = d.titleFont.strikeOut = true;
    d.titleFont.colour = 0x800000;
    d.titleFont.charset = 204;
    d.bodyFont.italic = true;
    d.valueFont.colour = 0x1234;
    d.valueFont.charset = 3;
    d.titleSample = u"Title"_s;

    ReportDefinition back;
    back.indent = true; // Indent saved off loads off
    back.colours.fill(0xFFFFFF);
    QVERIFY(ReportFormat::read(ReportFormat::write(d), back));
    QCOMPARE(back.title, d.title);
    QCOMPARE(back.items, d.items);
    QCOMPARE(back.margins, d.margins);
    QCOMPARE(back.sections, d.sections);
    QCOMPARE(back.colours, d.colours);
    QCOMPARE(back.indent, false);
    QCOMPARE(back.orientation, ReportOrientation::Landscape);
    QCOMPARE(back.titleFont, d.titleFont);
    QCOMPARE(back.bodyFont, d.bodyFont);
    QCOMPARE(back.valueFont, d.valueFont);
    QCOMPARE(back.titleSample, u"Title"_s);
    QCOMPARE(back.bodySample, u"BodyFont"_s);
    QCOMPARE(back.columnCount, u"4"_s);
    QCOMPARE(back.showDate, false);
    QCOMPARE(back.showTotals, false);
    QCOMPARE(back.showTitle, true);

    // The writer names colours and character sets it has identifiers for.
    const QByteArray bytes = ReportFormat::write(d);
    QVERIFY(bytes.contains("\x07\x07"
                           "clBlack"));
    QVERIFY(bytes.contains("\x07\x07"
                           "clWhite"));
    QVERIFY(bytes.contains("\x07\x0F"
                           "RUSSIAN_CHARSET"));
    QVERIFY(bytes.contains("\x07\x0B"
                           "hsOwnerDraw"));
    QVERIFY(!bytes.contains("cbChecked"));
    d.indent = true;
    QVERIFY(ReportFormat::write(d).contains("\x07\x09"
                                            "cbChecked"));
}

void TestReportFormat::readsOriginalFiles()
{
    ReportDefinition d;
    QVERIFY(ReportFormat::read(originalFile(), d));
    QCOMPARE(d.title, u"Household"_s);
    QCOMPARE(d.showDate, false);
    QCOMPARE(d.showPageNumbers, false);
    QCOMPARE(d.showItemNumbers, true);
    QCOMPARE(d.items.size(), 3);
    QCOMPARE(d.items[1].code, 11);
    QCOMPARE(d.items[2].caption, u"Record #"_s);
    QCOMPARE(d.margins[1], u"0.75"_s);
    QCOMPARE(d.marginInches(3), 2.0);
    QCOMPARE(d.titleSample, u"Title"_s);
    QCOMPARE(d.bodyFont.name, u"Times New Roman"_s);
    QCOMPARE(d.bodyFont.pointSize(), 10);
    QCOMPARE(d.bodyFont.italic, true);
    QCOMPARE(d.bodyFont.color(), QColor(255, 0, 0));
    QCOMPARE(d.titleFont.pointSize(), 18);
    QCOMPARE(d.titleFont.charset, 204);
    QCOMPARE(d.titleFont.bold && d.titleFont.underline && !d.titleFont.italic, true);
    QCOMPARE(d.titleFont.color(), QColor(0, 0, 128));
    QCOMPARE(d.valueFont, ReportFontDef()); // absent properties take their defaults
    QCOMPARE(d.referenceWidth, 400);
    QCOMPARE(d.sections.size(), 2);
    QCOMPARE(d.sections[0], (ColumnSection { 200, u"3.00"_s }));
    QCOMPARE(d.sections[1], (ColumnSection { 50, u"x"_s }));
    QCOMPARE(d.indent, true);
    QCOMPARE(d.columnCount, u"2"_s);
    QCOMPARE(StoredColour::toColor(d.colours[0]), QColor(255, 255, 0));
    QCOMPARE(StoredColour::toColor(d.colours[1]), QColor(0x56, 0x34, 0x12));
    QCOMPARE(d.colours[2], StoredColour::Black);
    QCOMPARE(d.colours[9], StoredColour::White);
    QCOMPARE(d.orientation, ReportOrientation::Landscape);
}

void TestReportFormat::damagedFilesKeepWhatWasRead()
{
    ReportDefinition d;
    QVERIFY(!ReportFormat::read(originalFile(true), d));
    QCOMPARE(d.title, u"Household"_s);
    QCOMPARE(d.items.size(), 3);
    QCOMPARE(d.columnCount, u"2"_s);
    QCOMPARE(d.colours[0], 0x00FFFF); // read before the fault
    QCOMPARE(d.colours[5], StoredColour::White); // untouched
    QCOMPARE(d.orientation, ReportOrientation::NotChosen);

    // Every cut of a good file fails cleanly.
    const QByteArray good = originalFile();
    for (qsizetype n = 0; n < good.size(); ++n) {
        ReportDefinition cut;
        QVERIFY2(!ReportFormat::read(good.first(n), cut), qPrintable(QString::number(n)));
    }
}

void TestReportFormat::valueOfTheWrongKind_data()
{
    QTest::addColumn<QByteArray>("property");
    QTest::newRow("font height of a sample") << QByteArray("Font.Height");
    QTest::newRow("sample position") << QByteArray("Top");
    QTest::newRow("sample read-only flag") << QByteArray("ReadOnly");
    QTest::newRow("font dialog options") << QByteArray("Options");
    QTest::newRow("column section text") << QByteArray("Text");
    QTest::newRow("indent state") << QByteArray("State");
}

void TestReportFormat::valueOfTheWrongKind()
{
    QFETCH(QByteArray, property);
    QTemporaryDir dir;
    QFile file(dir.filePath(u"wrong.rpt"_s));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(originalFile(false, property));
    file.close();
    ReportDefinition d;
    const auto r = ReportFormat::load(file.fileName(), d);
    QCOMPARE(r.outcome, ReportFormat::Outcome::NotReportFile);
    QCOMPARE(r.message, u"Sorry "_s + file.fileName() + u" is not a valid report file"_s);
}

void TestReportFormat::hostileCounts_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QByteArray head = QByteArray("\x06\x01t", 3) + QByteArray(6, '\x09');
    QTest::newRow("two billion items")
        << head + QByteArray("\x04\x00\x94\x35\x77", 5) + QByteArray("\x02\x16\x02\x00\x06\x00", 6);
    QTest::newRow("item code out of range")
        << head + QByteArray("\x02\x01\x02\x17\x02\x00\x06\x00", 8);
    QTest::newRow("text for an integer") << head
            + QByteArray("\x06\x01"
                         "3",
                3);
    QTest::newRow("long text past the end") << QByteArray("\x0C\xFF\xFF\xFF\x7F", 5);
    QTest::newRow("negative text length") << QByteArray("\x0C\xFF\xFF\xFF\xFF"
                                                        "abc",
        8);
    // Items, margins, then an object stream whose collection never ends.
    QByteArray open = head + QByteArray("\x02\x00", 2)
        + QByteArray("\x06\x01"
                     "1",
            3)
              .repeated(4)
        + "TPF0\x05TEdit\x0AHeaderFont\x08Sections\x0E\x01\x05Width\x02\x05";
    QTest::newRow("collection without its end") << open;
    QTest::newRow("wrong tag in a stream") << head + QByteArray("\x02\x00", 2)
            + QByteArray("\x06\x01"
                         "1",
                3)
                  .repeated(4)
            + "TPF0\x05TEdit\x01"
              "a\x04Left\x10";
    QTest::newRow("no signature") << head + QByteArray("\x02\x00", 2)
            + QByteArray("\x06\x01"
                         "1",
                3)
                  .repeated(4)
            + "XPF0\x05TEdit";
}

void TestReportFormat::hostileCounts()
{
    QFETCH(QByteArray, bytes);
    ReportDefinition d;
    QVERIFY(!ReportFormat::read(bytes, d));
}

void TestReportFormat::loadAndSaveFiles()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"a.rpt"_s);
    ReportDefinition d;
    d.items = { { 5, 0, u"Condition"_s } };
    QVERIFY(ReportFormat::save(path, d).ok());
    ReportDefinition back;
    QVERIFY(ReportFormat::load(path, back).ok());
    QCOMPARE(back.items, d.items);

    QFile bad(dir.filePath(u"bad.rpt"_s));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("not a report");
    bad.close();
    const auto r = ReportFormat::load(bad.fileName(), back);
    QCOMPARE(r.outcome, ReportFormat::Outcome::NotReportFile);
    QCOMPARE(r.message, u"Sorry "_s + bad.fileName() + u" is not a valid report file"_s);
    QCOMPARE(ReportFormat::load(dir.filePath(u"none.rpt"_s), back).outcome,
        ReportFormat::Outcome::CannotOpen);
    const auto s = ReportFormat::save(dir.filePath(u"no/such/x.rpt"_s), d);
    QCOMPARE(s.message,
        u"Cannot create file "_s + dir.filePath(u"no/such/x.rpt"_s)
            + u": No such file or directory"_s);
}

QTEST_GUILESS_MAIN(TestReportFormat)
#include "tst_reportformat.moc"
