// The graph's counting: whole-name branch matching, the quantity rule, the dollar totals, the
// order of the chart calls and finding a node by its full name.
#include <QTest>

#include "graph/chart.h"
#include "graph/graphcount.h"
#include "store/categorytree.h"
#include "store/recordstore.h"

using namespace Qt::StringLiterals;

namespace {

// Records every chart call as text, in order.
class RecordingChart : public Chart
{
public:
    QStringList calls;
    void openData(int series, int points) override
    {
        calls << QStringLiteral("open %1 %2").arg(series).arg(points);
    }
    void setRecordTotal(double total) override { calls << QStringLiteral("total %1").arg(total); }
    void setCurrentSeries(int series) override { calls << QStringLiteral("series %1").arg(series); }
    void setValue(int point, double value) override
    {
        calls << QStringLiteral("value %1 %2").arg(point).arg(value);
    }
    void setLabel(int point, const QString &label) override
    {
        calls << QStringLiteral("label %1 %2").arg(point).arg(label);
    }
    void closeData() override { calls << QStringLiteral("close"); }
    bool print(Printer &) override { return false; }
};

constexpr int Type = 2; // "Type" is description 2's default caption

ItemRecord typed(const QString &type, const QString &value = QString(),
    const QString &paid = QString(), const QString &quantity = QString())
{
    ItemRecord r;
    r.setDescription(Type, type);
    r.setDetail(1, value);
    r.setDetail(8, paid);
    r.setDetail(9, quantity);
    return r;
}

GraphNode furniture()
{
    return GraphNode { Type, QStringLiteral("Furniture : Type"),
        { QStringLiteral("Chairs"), QStringLiteral("Tables") } };
}

} // namespace

class TestGraphCount : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void branchesWholeNamesOnly();
    void topLevelNode();
    void recordCaptionTakesPart();
    void amounts_data();
    void amounts();
    void dollarTexts_data();
    void dollarTexts();
    void sameNamedSubNodes();
    void noSubNodes();
    void chartCallsInOrder();
    void findNode_data();
    void findNode();
};

void TestGraphCount::branchesWholeNamesOnly()
{
    RecordStore store;
    store.append(typed(QStringLiteral("Chairs : Furniture"), QStringLiteral("10")));
    store.append(typed(QStringLiteral("Office : Chairs : Furniture"), QStringLiteral("20")));
    store.append(typed(QStringLiteral("Furniture"), QStringLiteral("400"))); // the node itself
    store.append(typed(QStringLiteral("Office Chairs : Furniture"), QStringLiteral("800")));
    store.append(typed(QStringLiteral("chairs : FURNITURE"), QStringLiteral("1000")));
    store.append(typed(QStringLiteral("Tables : Office Furniture"), QStringLiteral("3000")));
    store.append(typed(QString(), QStringLiteral("5000")));
    const GraphTotals t = countGraph(store, furniture(), QStringLiteral("Type"));
    QCOMPARE(t.counts, (std::vector<int> { 3, 0 }));
    QCOMPARE(dollarText(t.value), QStringLiteral("$1030.00"));
    QCOMPARE(dollarText(t.paid), QStringLiteral("$0.00"));
}

void TestGraphCount::topLevelNode()
{
    RecordStore store;
    store.append(typed(QStringLiteral("Chairs : Furniture")));
    store.append(typed(QStringLiteral("Office : Chairs : Furniture")));
    store.append(typed(QStringLiteral("Furniture")));
    store.append(typed(QStringLiteral("Office Furniture")));
    store.append(typed(QStringLiteral("Radio : Electronics")));
    // Only A-Z fold: an accented capital is another letter.
    store.append(typed(QString::fromUtf8("\xc3\x89tag\xc3\xa8re")));
    store.append(typed(QString::fromUtf8("\xc3\xa9tag\xc3\xa8re")));
    const CategoryTree tree
        = buildCategoryTree(QString::fromUtf8("Furniture\r\n\tChairs\r\n\tTables\r\nElectronics\r\n"
                                              "\tRadio\r\n\xc3\xa9tag\xc3\xa8re\r\n"))
              .tree;
    const GraphNode node = graphNodeFor(Type, QStringLiteral("Type"), tree, nullptr, {});
    QCOMPARE(node.path, QStringLiteral("Type"));
    QCOMPARE(node.subNodes.size(), 3);
    const GraphTotals t = countGraph(store, node, QStringLiteral("Type"));
    QCOMPARE(t.counts, (std::vector<int> { 3, 1, 1 }));
}

void TestGraphCount::recordCaptionTakesPart()
{
    RecordStore store;
    store.append(typed(QStringLiteral("Chairs : Furniture")));
    // The caption compares without regard to A-Z case, and a different one matches nothing.
    QCOMPARE(
        countGraph(store, furniture(), QStringLiteral("TYPE")).counts, (std::vector<int> { 1, 0 }));
    QCOMPARE(
        countGraph(store, furniture(), QStringLiteral("Kind")).counts, (std::vector<int> { 0, 0 }));
}

void TestGraphCount::amounts_data()
{
    QTest::addColumn<QString>("quantity");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("paid");
    QTest::newRow("02") << u"02"_s << u"$2500.00"_s << u"$2000.00"_s;
    QTest::newRow("two blanks") << u"  "_s << u"$1250.00"_s << u"$1000.00"_s;
    QTest::newRow("empty") << u""_s << u"$1250.00"_s << u"$1000.00"_s;
    QTest::newRow("trailing blank") << u"2 "_s << u"$1250.00"_s << u"$1000.00"_s;
    QTest::newRow("leading blanks") << u"  3"_s << u"$3750.00"_s << u"$3000.00"_s;
    QTest::newRow("plus sign") << u"+2"_s << u"$2500.00"_s << u"$2000.00"_s;
    QTest::newRow("zero") << u"0"_s << u"$0.00"_s << u"$0.00"_s;
    QTest::newRow("minus") << u"-1"_s << u"$-1250.00"_s << u"$-1000.00"_s;
    QTest::newRow("letters") << u"2 pcs"_s << u"$1250.00"_s << u"$1000.00"_s;
    QTest::newRow("decimal") << u"1.5"_s << u"$1250.00"_s << u"$1000.00"_s;
    QTest::newRow("sign only") << u"-"_s << u"$1250.00"_s << u"$1000.00"_s;
    QTest::newRow("past 32 bits") << u"99999999999"_s << u"$1250.00"_s << u"$1000.00"_s;
}

void TestGraphCount::amounts()
{
    QFETCH(QString, quantity);
    RecordStore store;
    store.append(typed(QStringLiteral("Chairs : Furniture"), QStringLiteral("$1,250.00"),
        QStringLiteral("$1,000"), quantity));
    const GraphTotals t = countGraph(store, furniture(), QStringLiteral("Type"));
    QTEST(dollarText(t.value), "value");
    QTEST(dollarText(t.paid), "paid");
}

void TestGraphCount::dollarTexts_data()
{
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << u""_s << u"$0.00"_s;
    QTest::newRow("cents") << u"1234.5"_s << u"$1234.50"_s;
    QTest::newRow("thousands") << u"$1,234,567.891"_s << u"$1234567.89"_s;
    QTest::newRow("words") << u"about 12 dollars"_s << u"$12.00"_s;
    QTest::newRow("two points") << u"1.2.34"_s << u"$12.34"_s;
    QTest::newRow("bare point") << u"."_s << u"$0.00"_s;
    QTest::newRow("point at end") << u"12."_s << u"$12.00"_s;
    QTest::newRow("point first") << u".5"_s << u"$0.50"_s;
}

void TestGraphCount::dollarTexts()
{
    QFETCH(QString, amount);
    QTEST(dollarText(graphAmount(amount, QString())), "text");
}

void TestGraphCount::sameNamedSubNodes()
{
    RecordStore store;
    store.append(typed(QStringLiteral("Chairs : Furniture"), QStringLiteral("100")));
    store.append(typed(QString(), QStringLiteral("7")));
    // Two sub-categories of one name count the record under both; its amounts count once. A
    // sub-category without a name does not take the records without a value.
    GraphNode node { Type, QStringLiteral("Type"), {} };
    node.subNodes = QStringList { QStringLiteral("Chairs : Furniture"), QString(),
        QStringLiteral("Furniture"), QStringLiteral("furniture") };
    const GraphTotals t = countGraph(store, node, QStringLiteral("Type"));
    QCOMPARE(t.counts, (std::vector<int> { 1, 0, 1, 1 }));
    QCOMPARE(dollarText(t.value), QStringLiteral("$100.00"));
}

void TestGraphCount::noSubNodes()
{
    RecordStore store;
    store.append(typed(QStringLiteral("Chairs : Furniture"), QStringLiteral("100")));
    const GraphTotals t
        = countGraph(store, GraphNode { Type, QStringLiteral("Chairs : Furniture : Type"), {} },
            QStringLiteral("Type"));
    QVERIFY(t.counts.empty());
    QCOMPARE(dollarText(t.value), QStringLiteral("$0.00"));
}

void TestGraphCount::chartCallsInOrder()
{
    RecordStore store;
    store.append(typed(QStringLiteral("Chairs : Furniture")));
    store.append(typed(QStringLiteral("Tables : Furniture")));
    store.append(typed(QStringLiteral("Chairs : Furniture")));
    store.append(typed(QStringLiteral("Radio")));
    const GraphTotals t = countGraph(store, furniture(), QStringLiteral("Type"));
    RecordingChart chart;
    fillChart(chart, furniture(), t, store.count());
    QCOMPARE(chart.calls,
        (QStringList { u"open 1 2"_s, u"total 4"_s, u"series 0"_s, u"value 0 2"_s,
            u"label 0 Chairs"_s, u"value 1 1"_s, u"label 1 Tables"_s, u"close"_s }));
}

void TestGraphCount::findNode_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("found");
    QTest::addColumn<QStringList>("ancestors");
    QTest::newRow("top") << u"Kitchen"_s << u"Kitchen"_s << QStringList();
    QTest::newRow("deep") << u"Drawer : Cupboard : Kitchen"_s << u"Drawer"_s
                          << QStringList { u"Cupboard"_s, u"Kitchen"_s };
    QTest::newRow("case") << u"drawer : CUPBOARD : kitchen"_s << u"Drawer"_s
                          << QStringList { u"Cupboard"_s, u"Kitchen"_s };
    QTest::newRow("second branch")
        << u"Drawer : Garage"_s << u"Drawer"_s << QStringList { u"Garage"_s };
    QTest::newRow("leaf alone") << u"Drawer"_s << u""_s << QStringList();
    QTest::newRow("not there") << u"Attic"_s << u""_s << QStringList();
}

void TestGraphCount::findNode()
{
    QFETCH(QString, name);
    QFETCH(QString, found);
    const CategoryTree tree = buildCategoryTree(
        QStringLiteral(
            "Kitchen\r\n\tCupboard\r\n\t\tDrawer\r\n\t\tShelf\r\nGarage\r\n\tDrawer\r\n"))
                                  .tree;
    QStringList ancestors;
    const CategoryNode *node = findCategoryNode(tree, name, &ancestors);
    QCOMPARE(node ? node->text : QString(), found);
    if (node)
        QTEST(ancestors, "ancestors");
}

QTEST_GUILESS_MAIN(TestGraphCount)
#include "tst_graphcount.moc"
