// The graph window over a real record window: tree, double-click counting, totals, captions,
// record scope, chart readability, printing, size keys and the toolbar.
#include <QChartView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QScrollArea>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include "graph/qtchart.h"
#include "graph/tgraphdisplay.h"
#include "recordwindow/tview.h"
#include "tests/support/apptest.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int Type = 2;

struct Fixture
{
    AppTest t;
    TView view { t.ctx };

    Fixture()
    {
        t.windows.setWindow(WindowKind::Record, &view);
        t.windows.setFactory(WindowKind::Graph, [this] { return new TGraphDisplay(t.ctx); });
        t.activation.activate(&view);
        t.store.clear();
        t.store.categoryTexts[1] = u"Inherited\r\nBought\r\n\tShop\r\n\tAuction\r\n"_s;
        t.store.categoryTexts[Type]
            = u"Furniture\r\n\tChairs\r\n\tTables\r\nElectronics\r\n\tRadio\r\n"_s;
        add(u"Chairs : Furniture"_s, u"Bought"_s, u"$1,250.00"_s, u"$1,000"_s, u"02"_s);
        add(u"Office : Chairs : Furniture"_s, u"Shop : Bought"_s, u"10"_s, u"5"_s, u""_s);
        add(u"Furniture"_s, u"Inherited"_s, u"99"_s, u"99"_s, u"1"_s);
        add(u"Radio : Electronics"_s, u""_s, u"30"_s, u"20"_s, u"1"_s);
        t.store.currentIndex = 0;
        view.GetRecord(0);
    }
    ~Fixture() { delete t.windows.existing(WindowKind::Graph); }

    void add(const QString &type, const QString &origin, const QString &value, const QString &paid,
        const QString &quantity)
    {
        ItemRecord r;
        r.setName(u"Item %1"_s.arg(t.store.count() + 1));
        r.setDescription(1, origin);
        r.setDescription(Type, type);
        r.setDetail(1, value);
        r.setDetail(8, paid);
        r.setDetail(9, quantity);
        t.store.append(std::move(r));
    }

    TGraphDisplay *open()
    {
        return qobject_cast<TGraphDisplay *>(t.windows.openWindowAllRecords(WindowKind::Graph));
    }
    static QTreeWidgetItem *item(TGraphDisplay *g, const QStringList &path)
    {
        QTreeWidgetItem *it = nullptr;
        for (const QString &text : path) {
            QTreeWidgetItem *next = nullptr;
            const int n = it ? it->childCount() : g->tree()->topLevelItemCount();
            for (int i = 0; i < n && !next; ++i) {
                QTreeWidgetItem *c = it ? it->child(i) : g->tree()->topLevelItem(i);
                if (c->text(0) == text)
                    next = c;
            }
            if (!next)
                return nullptr;
            it = next;
        }
        return it;
    }
    // A real double click on the item's row.
    static void doubleClick(TGraphDisplay *g, QTreeWidgetItem *item)
    {
        QTreeWidget *tree = g->tree();
        for (QTreeWidgetItem *p = item->parent(); p; p = p->parent())
            p->setExpanded(true);
        tree->scrollToItem(item);
        const QPoint at = tree->visualItemRect(item).center();
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
    }
    static QString box(TGraphDisplay *g, const QString &name)
    {
        return g->findChild<QLineEdit *>(name)->text();
    }
    static QList<double> values(TGraphDisplay *g)
    {
        QList<double> out;
        for (int i = 0; i < g->chart()->pointCount(); ++i)
            out.append(g->chart()->value(i));
        return out;
    }
    static QStringList labels(TGraphDisplay *g)
    {
        QStringList out;
        for (int i = 0; i < g->chart()->pointCount(); ++i)
            out.append(g->chart()->label(i));
        return out;
    }
};

} // namespace

class TestTGraphDisplay : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void activationShowsDescriptionOne();
    void doubleClickCountsBranch();
    void leafLeavesChartUnchanged();
    void renamedCaption();
    void recordScopeIgnored();
    void manySubNodes();
    void printToPdf();
    void sizeKeysAndLifetime();
    void toolbar();
};

void TestTGraphDisplay::activationShowsDescriptionOne()
{
    Fixture f;
    TGraphDisplay *g = f.open();
    QVERIFY(g);
    QCOMPARE(g->windowTitle(), u"Graph Function"_s);
    QTreeWidget *tree = g->tree();
    QCOMPARE(tree->objectName(), u"SGraph"_s);
    QCOMPARE(tree->topLevelItemCount(), 10);
    for (int k = 1; k <= 10; ++k)
        QCOMPARE(tree->topLevelItem(k - 1)->text(0), f.t.store.captions.description[size_t(k)]);
    QCOMPARE(tree->topLevelItem(1)->childCount(), 2);
    QCOMPARE(tree->topLevelItem(1)->child(0)->childCount(), 2);
    QCOMPARE(tree->currentItem(), tree->topLevelItem(0));
    // Description 1 graphed: "Shop : Bought" lies under Bought.
    QCOMPARE(Fixture::labels(g), (QStringList { u"Inherited"_s, u"Bought"_s }));
    QCOMPARE(Fixture::values(g), (QList<double> { 1, 2 }));
    QCOMPARE(g->chart()->recordTotal(), 4.0);
    QCOMPARE(Fixture::box(g, u"Value"_s), u"$2609.00"_s);
    QCOMPARE(Fixture::box(g, u"Paid"_s), u"$2104.00"_s);

    // Every activation rebuilds the tree collapsed, with description 1 graphed again.
    Fixture::doubleClick(g, Fixture::item(g, { u"Type"_s, u"Furniture"_s }));
    QCOMPARE(Fixture::labels(g), (QStringList { u"Chairs"_s, u"Tables"_s }));
    f.t.activation.activate(&f.view);
    f.t.activation.activate(g);
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        QVERIFY(!tree->topLevelItem(i)->isExpanded());
    QCOMPARE(Fixture::labels(g), (QStringList { u"Inherited"_s, u"Bought"_s }));
}

void TestTGraphDisplay::doubleClickCountsBranch()
{
    Fixture f;
    TGraphDisplay *g = f.open();
    Fixture::doubleClick(g, Fixture::item(g, { u"Type"_s, u"Furniture"_s }));
    QCOMPARE(Fixture::labels(g), (QStringList { u"Chairs"_s, u"Tables"_s }));
    QCOMPARE(Fixture::values(g), (QList<double> { 2, 0 }));
    QCOMPARE(Fixture::box(g, u"Value"_s), u"$2510.00"_s);
    QCOMPARE(Fixture::box(g, u"Paid"_s), u"$2005.00"_s);

    Fixture::doubleClick(g, Fixture::item(g, { u"Type"_s }));
    QCOMPARE(Fixture::labels(g), (QStringList { u"Furniture"_s, u"Electronics"_s }));
    QCOMPARE(Fixture::values(g), (QList<double> { 3, 1 }));
    QCOMPARE(Fixture::box(g, u"Value"_s), u"$2639.00"_s);
}

void TestTGraphDisplay::leafLeavesChartUnchanged()
{
    Fixture f;
    TGraphDisplay *g = f.open();
    Fixture::doubleClick(g, Fixture::item(g, { u"Type"_s, u"Furniture"_s }));
    Fixture::doubleClick(g, Fixture::item(g, { u"Type"_s, u"Furniture"_s, u"Chairs"_s }));
    QCOMPARE(g->tree()->currentItem()->text(0), u"Chairs"_s);
    QCOMPARE(Fixture::labels(g), (QStringList { u"Chairs"_s, u"Tables"_s }));
    QCOMPARE(Fixture::values(g), (QList<double> { 2, 0 }));
    QCOMPARE(Fixture::box(g, u"Paid"_s), u"$2005.00"_s);
    // A description with an empty category tree has no sub-nodes either.
    Fixture::doubleClick(g, Fixture::item(g, { u"Owner"_s }));
    QCOMPARE(Fixture::labels(g), (QStringList { u"Chairs"_s, u"Tables"_s }));
}

void TestTGraphDisplay::renamedCaption()
{
    Fixture f;
    TGraphDisplay *g = f.open();
    // Rename Type in the record window, as the user does by clicking its caption.
    f.t.activation.activate(&f.view);
    f.t.dialogs.input(u"Kind of Thing"_s);
    f.view.CustomizeLabels(f.view.findChild<QLabel *>(u"Desc2"_s));
    QCOMPARE(f.t.store.captions.description[Type], u"Kind of Thing"_s);
    f.t.activation.activate(g);
    QCOMPARE(g->tree()->topLevelItem(1)->text(0), u"Kind of Thing"_s);
    Fixture::doubleClick(g, Fixture::item(g, { u"Kind of Thing"_s, u"Furniture"_s }));
    QCOMPARE(Fixture::values(g), (QList<double> { 2, 0 }));
}

void TestTGraphDisplay::recordScopeIgnored()
{
    Fixture f;
    f.t.store.at(0).OnSearchList = true;
    f.t.store.scope = RecordScope::SearchList;
    TGraphDisplay *g = f.open();
    QCOMPARE(f.t.store.scope, RecordScope::AllRecords); // opening the graph sets it
    f.t.store.scope = RecordScope::SearchList; // set elsewhere while the graph is open
    f.t.activation.activate(&f.view);
    f.t.activation.activate(g);
    Fixture::doubleClick(g, Fixture::item(g, { u"Type"_s }));
    QCOMPARE(Fixture::values(g), (QList<double> { 3, 1 }));
}

void TestTGraphDisplay::manySubNodes()
{
    Fixture f;
    // Past the old limit of 1001 counters, with long and repeated texts.
    QString text = u"Boxes\r\n"_s;
    for (int i = 1; i <= 1200; ++i)
        text += u"\tBox number %1 in the long row of shelves in the cellar\r\n"_s.arg(i);
    text += u"\tSpare\r\n\tSpare\r\n"_s;
    f.t.store.categoryTexts[8] = text;
    f.add(u"Furniture"_s, u""_s, u""_s, u""_s, u""_s);
    f.t.store.at(4).setDescription(8, u"Box number 1107 in the long row of shelves in the cellar : Boxes"_s);
    TGraphDisplay *g = f.open();
    Fixture::doubleClick(g, Fixture::item(g, { u"Location"_s, u"Boxes"_s }));
    QtChart *chart = g->chart();
    QCOMPARE(chart->pointCount(), 1202);
    QCOMPARE(chart->value(1106), 1.0);
    QCOMPARE(chart->label(1106), u"Box number 1107 in the long row of shelves in the cellar"_s);
    // Axis texts are elided and kept distinct, so every bar keeps its own row.
    const QStringList axis = chart->axisLabels();
    QCOMPARE(axis.size(), 1202);
    QCOMPARE(QSet<QString>(axis.begin(), axis.end()).size(), 1202);
    for (const QString &a : axis)
        QVERIFY(a.size() <= QtChart::MaxLabelLength + 2);
    // The chart scrolls rather than squeezing the bars.
    auto *scroll = chart->findChild<QScrollArea *>(u"GraphScroll"_s);
    QVERIFY(chart->chartView()->minimumHeight() >= 1202 * QtChart::RowHeight);
    QVERIFY(chart->chartView()->minimumHeight() > scroll->viewport()->height());
}

void TestTGraphDisplay::printToPdf()
{
    Fixture f;
    TGraphDisplay *g = f.open();
    Fixture::doubleClick(g, Fixture::item(g, { u"Type"_s, u"Furniture"_s }));
    g->findChild<QToolButton *>(u"PrintScreenBtn"_s)->click();
    QVERIFY(f.t.dialogs.shown.isEmpty());
    QProcess p;
    p.start(u"pdftotext"_s, { f.t.path(u"printout.pdf"_s), u"-"_s });
    QVERIFY(p.waitForFinished(30000));
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    QVERIFY2(text.contains(u"Chairs"_s) && text.contains(u"Tables"_s), qPrintable(text));
    QVERIFY2(text.contains(u"Records (4 in the database)"_s), qPrintable(text));
}

void TestTGraphDisplay::sizeKeysAndLifetime()
{
    Fixture f;
    QPointer<TGraphDisplay> g = f.open();
    QCOMPARE(g->size(), QSize(611, 414));
    g->resize(700, 500);
    f.t.activation.activate(&f.view);
    QCOMPARE(f.t.settings.readInteger(u"GraphW:"_s, 0), 700);
    QCOMPARE(f.t.settings.readInteger(u"GraphH:"_s, 0), 500);
    // Opening again brings the same window; closing destroys it and the next opening reads the
    // size anew.
    QCOMPARE(f.open(), g.data());
    g->findChild<QToolButton *>(u"CloseBtn"_s)->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(g.isNull());
    QVERIFY(!f.t.windows.existing(WindowKind::Graph));
    TGraphDisplay *again = f.open();
    QVERIFY(again);
    QCOMPARE(again->size(), QSize(700, 500));
}

void TestTGraphDisplay::toolbar()
{
    Fixture f;
    // The record window's graph button and menu item open the graph with all records.
    f.t.store.scope = RecordScope::SearchList;
    auto *graphBtn = f.view.findChild<QToolButton *>(u"GraphBtn"_s);
    f.t.activation.activate(&f.view);
    QVERIFY(graphBtn->isEnabled());
    graphBtn->click();
    auto *g = qobject_cast<TGraphDisplay *>(f.t.windows.existing(WindowKind::Graph));
    QVERIFY(g);
    QCOMPARE(f.t.store.scope, RecordScope::AllRecords);
    QCOMPARE(f.t.activation.activeWindow(), g);
    f.t.activation.activate(&f.view);
    QVERIFY(f.view.findChild<QAction *>(u"GraphView1"_s)->isEnabled());

    const QList<QPair<QString, QString>> hints { { u"PrintScreenBtn"_s, u"Print Graph"_s },
        { u"SearchBtn"_s, u"Perform Search"_s }, { u"AlbumBtn"_s, u"Display Album View"_s },
        { u"SpeedButton1"_s, u"View Spreadsheet"_s }, { u"ReportBtn"_s, u"Generate Report"_s },
        { u"ViewBtn"_s, u"View Record"_s }, { u"QuickSaveBtn"_s, u"Save Database"_s },
        { u"HelpBtn"_s, u"Display Help"_s }, { u"CloseBtn"_s, u"Close Graph Window"_s } };
    for (const auto &[name, hint] : hints) {
        auto *btn = g->findChild<QToolButton *>(name);
        QVERIFY2(btn, qPrintable(name));
        QCOMPARE(btn->toolTip(), hint);
    }
    QVERIFY(!g->findChild<QToolButton *>(u"GraphBtn"_s));
    g->findChild<QToolButton *>(u"HelpBtn"_s)->click();
    QVERIFY(f.t.help.requests.last().startsWith(u"topic|"_s));
    QVERIFY(f.t.help.requests.last().endsWith(u"Larkhelp.hlp|Graph Function"_s));
    g->findChild<QToolButton *>(u"ViewBtn"_s)->click();
    QCOMPARE(f.t.activation.activeWindow(), &f.view);
}

QTEST_MAIN(TestTGraphDisplay)
#include "test_tgraphdisplay.moc"
