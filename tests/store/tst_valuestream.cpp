// The general value stream: every value kind round-trips, object streams with the values that
// format files carry read back, and damaged input is a clean failure.
#include <QTest>

#include "store/valuestream.h"

using namespace Qt::StringLiterals;
using namespace ValueStream;

class TestValueStream : public QObject
{
    Q_OBJECT
private slots:
    void integerForms_data();
    void integerForms();
    void textForms();
    void objectRoundTrip();
    void prefixedObject();
    void damagedInput_data();
    void damagedInput();
    void deepNestingRefused();
};

void TestValueStream::integerForms_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("int8") << -128 << QByteArray("\x02\x80", 2);
    QTest::newRow("int16") << 616 << QByteArray("\x03\x68\x02", 3);
    QTest::newRow("int16 low") << -129 << QByteArray("\x03\x7f\xff", 3);
    QTest::newRow("int32") << 32768 << QByteArray("\x04\x00\x80\x00\x00", 5);
}

void TestValueStream::integerForms()
{
    QFETCH(int, value);
    QFETCH(QByteArray, bytes);
    Writer w;
    w.integer(value);
    QCOMPARE(w.bytes(), bytes);
    Reader r(bytes);
    qint32 back = 0;
    QVERIFY(r.integer(back));
    QCOMPARE(back, value);
    QVERIFY(r.atEnd());
}

void TestValueStream::textForms()
{
    Writer w;
    w.text(u"caf\u00e9"_s);
    w.text(QString(256, u'x'));
    w.lines({ u"a"_s, u"b"_s });
    w.flag(true);
    const QByteArray bytes = w.take();
    QCOMPARE(bytes.left(6), QByteArray("\x06\x04" "caf\xe9", 6));
    QCOMPARE(bytes.mid(6, 5), QByteArray("\x0c\x00\x01\x00\x00", 5));
    Reader r(bytes);
    QString a, b;
    QStringList lines;
    bool f = false;
    QVERIFY(r.text(a) && r.text(b) && r.lines(lines) && r.flag(f));
    QCOMPARE(a, u"caf\u00e9"_s);
    QCOMPARE(b.size(), 256);
    QCOMPARE(lines, QStringList({ u"a"_s, u"b"_s }));
    QVERIFY(f);
    QVERIFY(r.atEnd());
}

void TestValueStream::objectRoundTrip()
{
    StreamObject o;
    o.className = "THeaderControl";
    o.name = "Widths";
    o.properties = {
        { "Left", Value::fromInt(8) },
        { "Font.name()", Value::fromText(u"MS Sans Serif"_s) },
        { "Font.Color", Value::fromIdent("clWindowText") },
        { "Font.Style", Value::fromSet({ "fsBold", "fsItalic" }) },
        { "Visible", Value::fromBool(false) },
        { "Sections",
            Value::fromItems({ { std::nullopt, { { "Text", Value::fromText(u"a"_s) } } },
                { 3, { { "Width", Value::fromInt(123) }, { "Style", Value::fromIdent("hsOwnerDraw") } } } }) },
    };
    StreamObject child;
    child.className = "TLabel";
    child.name = "L";
    o.children = { child };

    Writer w;
    w.object(o);
    w.integer(7);
    Reader r(w.bytes());
    StreamObject back;
    QVERIFY(r.object(back));
    qint32 after = 0;
    QVERIFY(r.integer(after));
    QCOMPARE(after, 7);
    QVERIFY(r.atEnd());

    QCOMPARE(back.className, QByteArray("THeaderControl"));
    QCOMPARE(back.property("Font.Color")->bytes, QByteArray("clWindowText"));
    QCOMPARE(back.property("Font.Style")->set, QList<QByteArray>({ "fsBold", "fsItalic" }));
    QCOMPARE(back.property("Font.name()")->text, u"MS Sans Serif"_s);
    QVERIFY(!back.property("Height"));
    const Value *sections = back.property("Sections");
    QVERIFY(sections);
    QCOMPARE(sections->items.size(), 2);
    QVERIFY(!sections->items[0].index);
    QCOMPARE(*sections->items[1].index, 3);
    QCOMPARE(sections->items[1].properties[0].value.integer, 123);
    QCOMPARE(back.children.size(), 1);
    QCOMPARE(back.children[0].name, QByteArray("L"));

    // Writing what was read gives the same bytes.
    Writer again;
    again.object(back);
    QCOMPARE(again.bytes(), w.bytes().chopped(2));
}

void TestValueStream::prefixedObject()
{
    // A prefix byte with flag 2 carries an integer before the class name.
    const QByteArray bytes("TPF0\xf2\x02\x05\x05TEdit\x01" "a\x00\x00", 17);
    Reader r(bytes);
    StreamObject o;
    QVERIFY(r.object(o));
    QCOMPARE(o.className, QByteArray("TEdit"));
    QCOMPARE(o.name, QByteArray("a"));
    QVERIFY(r.atEnd());
}

void TestValueStream::damagedInput_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("no signature") << QByteArray("TPF1\x01" "a\x01" "b\x00\x00", 10);
    QTest::newRow("long text beyond end") << QByteArray("TPF0\x01" "a\x01" "b\x01" "T\x0c\xff\xff\xff\x7f", 14);
    QTest::newRow("negative binary") << QByteArray("TPF0\x01" "a\x01" "b\x01" "T\x0a\xff\xff\xff\xff", 14);
    QTest::newRow("set without end") << QByteArray("TPF0\x01" "a\x01" "b\x01" "S\x0b\x06" "fsBold", 16);
    QTest::newRow("collection without end") << QByteArray("TPF0\x01" "a\x01" "b\x01" "C\x0e\x01\x00", 13);
    QTest::newRow("unknown tag") << QByteArray("TPF0\x01" "a\x01" "b\x01" "X\x0f\x00\x00", 13);
    QTest::newRow("name beyond end") << QByteArray("TPF0\x09" "ab", 7);
    QTest::newRow("no child list end") << QByteArray("TPF0\x01" "a\x01" "b\x00", 9);
}

void TestValueStream::damagedInput()
{
    QFETCH(QByteArray, bytes);
    Reader r(bytes);
    StreamObject o;
    QVERIFY(!r.object(o));
}

void TestValueStream::deepNestingRefused()
{
    QByteArray bytes("TPF0\x01" "a\x01" "b\x01" "L", 10);
    bytes += QByteArray(100000, '\x01'); // lists within lists
    Reader r(bytes);
    StreamObject o;
    QVERIFY(!r.object(o));
}

QTEST_GUILESS_MAIN(TestValueStream)
#include "tst_valuestream.moc"
