// Tests of the record sort: key fields, text and number comparison, stability.
#include <algorithm>
#include <vector>

#include <QRandomGenerator>
#include <QTest>

#include "store/recordstore.h"
#include "store/sort.h"

using namespace Qt::StringLiterals;

namespace {

void setKeyText(ItemRecord &r, int key, const QString &text)
{
    if (key <= 10)
        r.setDescription(key, text);
    else if (key <= 20)
        r.setDetail(key - 11, text);
    else
        r.setName(text);
}

// A store whose record i carries texts[i] in the key's field and "#i" in its spare text.
RecordStore storeWith(int key, const QStringList &texts)
{
    RecordStore store;
    for (qsizetype i = 0; i < texts.size(); ++i) {
        ItemRecord r;
        setKeyText(r, key, texts[i]);
        r.setSpareText(QString::number(i));
        store.append(std::move(r));
    }
    return store;
}

QList<int> originalPositions(const RecordStore &store)
{
    QList<int> out;
    for (int i = 0; i < store.count(); ++i)
        out.append(store.at(i).spareText().toInt());
    return out;
}

// The reference order, written out by hand for the characters the random texts use: a..z as
// their capitals, every other character by its Windows-1252 code, those it cannot hold after all.
int referenceRank(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'a' && u <= u'z')
        return u - u'a' + u'A';
    switch (u) {
    case u'\u20ac':
        return 0x80;
    case u'\u0100':
        return 0x1000;
    case u'\u2603':
        return 0x2000;
    default:
        return u; // ASCII and Latin-1 letters keep their codes
    }
}

int referenceCompareText(const QString &a, const QString &b)
{
    for (qsizetype i = 0; i < std::min(a.size(), b.size()); ++i) {
        const int p = referenceRank(a[i]);
        const int q = referenceRank(b[i]);
        if (p != q)
            return p < q ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// The money keys: the digits and the right-most full stop, read as a decimal (a lone "." as 0).
double referenceNumber(const QString &text)
{
    const qsizetype stop = text.lastIndexOf(u'.');
    QString kept;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i].isDigit() || i == stop)
            kept += text[i];
    return kept.toDouble();
}

int referenceCompare(const ItemRecord &a, const ItemRecord &b, int key)
{
    const auto field = [key](const ItemRecord &r) {
        if (key <= 10)
            return r.description(key);
        if (key <= 20)
            return r.detail(key - 11);
        return r.name();
    };
    if (key == 12 || key == 19) {
        const double p = referenceNumber(field(a));
        const double q = referenceNumber(field(b));
        return p < q ? -1 : (q < p ? 1 : 0);
    }
    return referenceCompareText(field(a), field(b));
}

// The passes of the record window's own sort: neighbours exchanged while the first is greater.
void bubbleSort(std::vector<RecordPtr> &v, int key)
{
    for (size_t end = v.size(); end > 1; --end) {
        bool exchanged = false;
        for (size_t i = 0; i + 1 < end; ++i) {
            if (referenceCompare(*v[i], *v[i + 1], key) > 0) {
                std::swap(v[i], v[i + 1]);
                exchanged = true;
            }
        }
        if (!exchanged)
            break;
    }
}

} // namespace

class TestSort : public QObject
{
    Q_OBJECT

private slots:
    void order_data();
    void order();
    void keyFields();
    void compareSigns_data();
    void compareSigns();
    void invalidKeyLeavesStore();
    void sortTwiceKeepsOrderAndRecords();
    void matchesReferenceSort();
};

void TestSort::order_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QList<int>>("expected"); // original positions in sorted order

    QTest::newRow("value: empty, 950, $1,200.00")
        << 12 << QStringList { u"$1,200.00"_s, u"950"_s, QString() } << QList<int> { 2, 1, 0 };
    QTest::newRow("value: minus dropped, -20 after 10")
        << 12 << QStringList { u"-20"_s, u"10"_s } << QList<int> { 1, 0 };
    QTest::newRow("paid: equal amounts keep order")
        << 19 << QStringList { u"$5"_s, u"3"_s, u"5.00"_s, u"5"_s } << QList<int> { 1, 0, 2, 3 };
    QTest::newRow("value: lone full stop reads as 0")
        << 12 << QStringList { u"1.5"_s, u"."_s, u"0.2"_s, u"none"_s } << QList<int> { 1, 3, 2, 0 };
    QTest::newRow("value: 1e3 reads as 13, 99.99 below 100")
        << 12 << QStringList { u"100"_s, u"99.99"_s, u"1e3"_s } << QList<int> { 2, 1, 0 };
    QTest::newRow("value: too large for a double sorts last")
        << 12 << QStringList { QString(400, u'9'), u"5"_s } << QList<int> { 1, 0 };
    QTest::newRow("name: apple and Apple keep their order")
        << 21 << QStringList { u"apple"_s, u"Apple"_s } << QList<int> { 0, 1 };
    QTest::newRow("name: Apple and apple keep their order")
        << 21 << QStringList { u"Apple"_s, u"banana"_s, u"apple"_s } << QList<int> { 0, 2, 1 };
    QTest::newRow("name: prefix first")
        << 21 << QStringList { u"Lamps"_s, u"lamp"_s, u"Lam"_s } << QList<int> { 2, 1, 0 };
    QTest::newRow("name: lower-case z folded, zebra before Zulu")
        << 21 << QStringList { u"Zulu"_s, u"zebra"_s } << QList<int> { 1, 0 };
    QTest::newRow("name: only a..z folded, _ after letters")
        << 21 << QStringList { u"_b"_s, u"a"_s, u"Z"_s } << QList<int> { 1, 2, 0 };
    QTest::newRow("name: accented letters by code, not folded")
        << 21 << QStringList { u"\u00e9"_s, u"\u00c9"_s, u"z"_s } << QList<int> { 2, 1, 0 };
    QTest::newRow("name: euro sign by its single-byte code 0x80")
        << 21 << QStringList { u"\u00e9"_s, u"\u20ac"_s, u"~"_s } << QList<int> { 2, 1, 0 };
    QTest::newRow("quantity: 10 before 2 and a blank")
        << 20 << QStringList { u"2 "_s, u"10"_s } << QList<int> { 1, 0 };
    QTest::newRow("quantity: two digits sort as numbers")
        << 20 << QStringList { u"10"_s, u"02"_s, u"09"_s } << QList<int> { 1, 2, 0 };
    QTest::newRow("date received: empty date first, then by date")
        << 13 << QStringList { u"2001/05/03"_s, u"1999/12/31"_s, u"    /  /  "_s, u"2001/04/30"_s }
        << QList<int> { 2, 1, 3, 0 };
    QTest::newRow("description: whole full name, leaf first")
        << 8
        << QStringList { u"Drawer : Kitchen : House"_s, u"Zed : Alpha"_s, u"Attic : House"_s,
               u"Apple : Zulu"_s }
        << QList<int> { 3, 2, 0, 1 };
    QTest::newRow("description 1 is its own key")
        << 1 << QStringList { u"b"_s, u"A"_s } << QList<int> { 1, 0 };
    QTest::newRow("warranty (detail 0) as text: 9 after 10")
        << 11 << QStringList { u"9"_s, u"10"_s } << QList<int> { 1, 0 };
    QTest::newRow("one record") << 21 << QStringList { u"only"_s } << QList<int> { 0 };
    QTest::newRow("no records") << 21 << QStringList {} << QList<int> {};
}

void TestSort::order()
{
    QFETCH(int, key);
    QFETCH(QStringList, texts);
    QFETCH(QList<int>, expected);

    RecordStore store = storeWith(key, texts);
    store.currentIndex = texts.size() - 1;
    sortRecords(store, key);
    QCOMPARE(originalPositions(store), expected);
    QCOMPARE(store.currentIndex, int(texts.size() - 1));
}

void TestSort::keyFields()
{
    ItemRecord r;
    r.setName(u"name"_s);
    for (int k = 1; k <= 10; ++k)
        r.setDescription(k, u"desc"_s + QString::number(k));
    for (int d = 0; d <= 9; ++d)
        r.setDetail(d, u"detail"_s + QString::number(d));

    for (int k = 1; k <= 10; ++k)
        QCOMPARE(sortKeyText(r, k), u"desc"_s + QString::number(k));
    for (int k = 11; k <= 20; ++k)
        QCOMPARE(sortKeyText(r, k), u"detail"_s + QString::number(k - 11));
    QCOMPARE(sortKeyText(r, 21), u"name"_s);
    QCOMPARE(sortKeyText(r, 0), QString());
    QCOMPARE(sortKeyText(r, 22), QString());

    for (int k = 1; k <= 21; ++k)
        QCOMPARE(SortKey::isNumeric(k), k == 12 || k == 19);
}

void TestSort::compareSigns_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("sign");

    QTest::newRow("apple equals APPLE") << 21 << u"apple"_s << u"APPLE"_s << 0;
    QTest::newRow("empty before anything") << 21 << QString() << u" "_s << -1;
    QTest::newRow("prefix before longer") << 5 << u"New"_s << u"new old"_s << -1;
    QTest::newRow("value $1,234.50 equals 1234.5") << 12 << u"$1,234.50"_s << u"1234.5"_s << 0;
    QTest::newRow("value 12.3 from 1.2.3 above 12.29") << 12 << u"1.2.3"_s << u"12.29"_s << 1;
    QTest::newRow("value empty equals 0") << 19 << QString() << u"0"_s << 0;
    QTest::newRow("key outside 1..21 compares equal") << 22 << u"a"_s << u"b"_s << 0;
}

void TestSort::compareSigns()
{
    QFETCH(int, key);
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, sign);

    ItemRecord x;
    ItemRecord y;
    if (SortKey::isValid(key)) {
        setKeyText(x, key, a);
        setKeyText(y, key, b);
    } else {
        x.setName(a);
        y.setName(b);
    }
    const auto signOf = [](int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); };
    QCOMPARE(signOf(compareRecords(x, y, key)), sign);
    QCOMPARE(signOf(compareRecords(y, x, key)), -sign);
}

void TestSort::invalidKeyLeavesStore()
{
    RecordStore store = storeWith(21, { u"b"_s, u"a"_s });
    for (int key : { 0, 22, -1 }) {
        sortRecords(store, key);
        QCOMPARE(originalPositions(store), (QList<int> { 0, 1 }));
    }
}

void TestSort::sortTwiceKeepsOrderAndRecords()
{
    RecordStore store = storeWith(21, { u"pear"_s, u"Apple"_s, u"PEAR"_s, u"apple"_s, u"fig"_s });
    const std::vector<RecordPtr> before = store.records();
    sortRecords(store, 21);
    QCOMPARE(originalPositions(store), (QList<int> { 1, 3, 4, 0, 2 }));
    const std::vector<RecordPtr> once = store.records();
    sortRecords(store, 21);
    QVERIFY(store.records() == once);
    // The same record objects, not copies: the record clipboard may still refer to them.
    for (const RecordPtr &r : before)
        QVERIFY(std::find(once.begin(), once.end(), r) != once.end());
}

void TestSort::matchesReferenceSort()
{
    // Short texts from a small alphabet, so that many keys tie and stability shows; the last
    // three are the byte 0xFF and two characters that Windows-1252 cannot hold. The reference
    // order is the test's own, not the sort's comparison.
    const QStringList pieces { u"a"_s, u"A"_s, u"b"_s, u"B"_s, u"z"_s, u"Z"_s, u"1"_s, u"2"_s,
        u"0"_s, u" "_s, u"."_s, u"$"_s, u","_s, u"-"_s, u"\u00e9"_s, u"\u20ac"_s, u"_"_s,
        u"\u00ff"_s, u"\u0100"_s, u"\u2603"_s };
    QRandomGenerator rng(20240611);
    const auto randomText = [&] {
        QString t;
        const int len = rng.bounded(4);
        for (int i = 0; i < len; ++i)
            t += pieces[rng.bounded(int(pieces.size()))];
        return t;
    };

    RecordStore original;
    for (int i = 0; i < 300; ++i) {
        ItemRecord r;
        r.setName(randomText());
        for (int k = 1; k <= 10; ++k)
            r.setDescription(k, randomText());
        for (int d = 0; d <= 9; ++d)
            r.setDetail(d, randomText());
        original.append(std::move(r));
    }

    for (int key = 1; key <= 21; ++key) {
        RecordStore store;
        for (const RecordPtr &r : original.records())
            store.append(r);
        std::vector<RecordPtr> expected = original.records();
        bubbleSort(expected, key);
        sortRecords(store, key);
        QVERIFY2(store.records() == expected, qPrintable(u"key %1"_s.arg(key)));
    }
}

QTEST_GUILESS_MAIN(TestSort)
#include "test_sort.moc"
