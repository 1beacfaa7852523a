// The graph window: tree of descriptions and categories, the chart and the two totals.
#include "graph/tgraphdisplay.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/sharedtoolbar.h"
#include "app/windowregistry.h"
#include "graph/qtchart.h"
#include "platform/dialogs.h"
#include "platform/settingsstore.h"
#include "store/categorytree.h"
#include "store/recordstore.h"

namespace {

constexpr int DescriptionRole = Qt::UserRole;

void appendNodes(QTreeWidgetItem *parent, const std::vector<CategoryNode> &nodes, int k)
{
    for (const CategoryNode &node : nodes) {
        auto *item = new QTreeWidgetItem(parent, QStringList { node.text });
        item->setData(0, DescriptionRole, k);
        appendNodes(item, node.children, k);
    }
}

} // namespace

TGraphDisplay::TGraphDisplay(AppContext &ctx, QWidget *parent)
    : QMainWindow(parent)
    , m_ctx(ctx)
{
    // FormCreate
    setObjectName(QStringLiteral("GraphDisplay"));
    setWindowTitle(QStringLiteral("Graph Function"));
    buildToolbar();
    buildControls();
    resize(m_ctx.settings.readInteger(QStringLiteral("GraphW:"), DefaultWidth),
        m_ctx.settings.readInteger(QStringLiteral("GraphH:"), DefaultHeight));
    m_ctx.activation.registerWindow(this, this);
}

TGraphDisplay::~TGraphDisplay()
{
    m_ctx.activation.unregisterWindow(this);
}

void TGraphDisplay::buildToolbar()
{
    m_toolbar = new SharedToolbar(this, m_ctx.windows);
    addToolBar(Qt::TopToolBarArea, m_toolbar);
    using A = SharedToolbar::Action;
    SharedToolbar *t = m_toolbar;
    t->add(A::Print, QStringLiteral("PrintScreenBtn"), QStringLiteral("Print Graph"));
    t->add(A::Search, QStringLiteral("SearchBtn"), QStringLiteral("Perform Search"));
    t->add(A::Album, QStringLiteral("AlbumBtn"), QStringLiteral("Display Album View"));
    t->add(A::Spreadsheet, QStringLiteral("SpeedButton1"), QStringLiteral("View Spreadsheet"));
    t->add(A::Report, QStringLiteral("ReportBtn"), QStringLiteral("Generate Report"));
    t->add(A::Record, QStringLiteral("ViewBtn"), QStringLiteral("View Record"));
    t->add(A::QuickSave, QStringLiteral("QuickSaveBtn"), QStringLiteral("Save Database"));
    t->add(A::Help, QStringLiteral("HelpBtn"), QStringLiteral("Display Help"));
    t->add(A::Close, QStringLiteral("CloseBtn"), QStringLiteral("Close Graph Window"));
    t->setHelpTopic(QStringLiteral("Graph Function"));
    t->setPrintHandler([this] { PrintScreenBtnClick(); });
    t->setCloseHandler([this] { CloseBtnClick(); });
}

void TGraphDisplay::buildControls()
{
    auto *central = new QWidget(this);
    auto *outer = new QVBoxLayout(central);
    outer->setContentsMargins(8, 6, 8, 8);

    m_splitter = new QSplitter(Qt::Horizontal, central);
    m_splitter->setObjectName(QStringLiteral("Splitter1"));
    m_splitter->setChildrenCollapsible(false);

    auto *left = new QWidget(m_splitter);
    left->setObjectName(QStringLiteral("LeftPanel"));
    auto *lv = new QVBoxLayout(left);
    lv->setContentsMargins(0, 0, 4, 0);
    lv->setSpacing(8);
    m_tree = new QTreeWidget(left);
    m_tree->setObjectName(QStringLiteral("SGraph"));
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);
    m_tree->setMinimumWidth(150);
    m_tree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_tree->header()->setStretchLastSection(false);
    m_tree->setToolTip(QStringLiteral("Double-click a category to graph its sub-categories"));
    lv->addWidget(m_tree, 1);

    auto *totals = new QGridLayout;
    totals->setHorizontalSpacing(8);
    totals->setVerticalSpacing(6);
    const auto addTotal = [&](int row, const QString &name) {
        auto *label = new QLabel(name, left);
        label->setObjectName(name + QStringLiteral("Label"));
        auto *box = new QLineEdit(left);
        box->setObjectName(name);
        box->setReadOnly(true);
        box->setAlignment(Qt::AlignRight);
        box->setFocusPolicy(Qt::ClickFocus);
        label->setBuddy(box);
        totals->addWidget(label, row, 0);
        totals->addWidget(box, row, 1);
        return box;
    };
    m_paid = addTotal(0, QStringLiteral("Paid"));
    m_value = addTotal(1, QStringLiteral("Value"));
    lv->addLayout(totals);

    m_chart = new QtChart(m_splitter);
    m_chart->setMinimumWidth(240);
    m_splitter->addWidget(left);
    m_splitter->addWidget(m_chart);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({ 190, 400 });
    outer->addWidget(m_splitter, 1);
    setCentralWidget(central);

    connect(m_tree, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem *item) {
        m_tree->setCurrentItem(item);
        SGraphDblClick();
    });
}

void TGraphDisplay::FormActivate()
{
    m_toolbar->refreshAvailability();
    // The tree follows the captions and category trees as they are now.
    m_tree->clear();
    for (int k = 1; k <= RecordStore::CategoryCount; ++k) {
        auto *top = new QTreeWidgetItem(
            m_tree, QStringList { m_ctx.store.captions.description[size_t(k)] });
        top->setData(0, DescriptionRole, k);
        MakeBranch(top, k);
    }
    m_tree->collapseAll();
    m_tree->setCurrentItem(m_tree->topLevelItem(0));
    SGraphDblClick();
}

void TGraphDisplay::MakeBranch(QTreeWidgetItem *top, int k)
{
    appendNodes(top, m_ctx.store.categoryTree(k), k);
}

void TGraphDisplay::FormDeactivate()
{
    m_ctx.settings.writeInteger(QStringLiteral("GraphW:"), width());
    m_ctx.settings.writeInteger(QStringLiteral("GraphH:"), height());
}

GraphNode TGraphDisplay::graphNode(const QTreeWidgetItem *item)
{
    GraphNode node;
    if (!item)
        return node;
    node.description = item->data(0, DescriptionRole).toInt();
    QStringList chain;
    for (const QTreeWidgetItem *i = item; i; i = i->parent())
        chain.append(i->text(0));
    node.path = categoryFullName(chain);
    for (int c = 0; c < item->childCount(); ++c)
        node.subNodes.append(item->child(c)->text(0));
    return node;
}

QString TGraphDisplay::recordCaption(int k) const
{
    // The records' side takes the caption the record window's label shows at this moment.
    if (QWidget *record = m_ctx.windows.existing(WindowKind::Record)) {
        if (auto *label = record->findChild<QLabel *>(QStringLiteral("Desc%1").arg(k)))
            return label->text();
    }
    return m_ctx.store.captions.description[size_t(k)];
}

void TGraphDisplay::SGraphDblClick()
{
    QTreeWidgetItem *selected = m_tree->currentItem();
    if (!selected || selected->childCount() == 0)
        return;
    const GraphNode node = graphNode(selected);
    if (node.description < 1 || node.description > RecordStore::CategoryCount)
        return;
    const GraphTotals totals = countGraph(m_ctx.store, node, recordCaption(node.description));
    fillChart(*m_chart, node, totals, m_ctx.store.count());
    m_paid->setText(dollarText(totals.paid));
    m_value->setText(dollarText(totals.value));
}

void TGraphDisplay::PrintScreenBtnClick()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    m_chart->print(m_ctx.printer);
}

void TGraphDisplay::CloseBtnClick()
{
    close();
}
