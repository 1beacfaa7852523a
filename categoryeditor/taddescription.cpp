// The category editor: a modal dialog editing category tree k and carrying new names into records.
#include "categoryeditor/taddescription.h"

#include <algorithm>

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/undoactions.h"
#include "categoryeditor/descriptionlist.h"
#include "platform/windowsize.h"
#include "platform/dialogs.h"
#include "platform/helpviewer.h"
#include "platform/programfolder.h"
#include "platform/settingsstore.h"
#include "store/datafile.h"
#include "store/safewrite.h"
#include "store/textcodec.h"

namespace {

constexpr int DefaultWidth = 369;
constexpr int DefaultHeight = 393;
// Node texts longer than this are cut when the tree is saved in a database file.
constexpr int MaxNameLength = 255;

void addItems(QTreeWidgetItem *parent, const std::vector<CategoryNode> &nodes)
{
    for (const CategoryNode &node : nodes) {
        auto *item = new QTreeWidgetItem(parent, QStringList { node.text });
        addItems(item, node.children);
    }
}

CategoryNode toNode(const QTreeWidgetItem *item)
{
    CategoryNode node { item->text(0), {} };
    node.children.reserve(size_t(item->childCount()));
    for (int i = 0; i < item->childCount(); ++i)
        node.children.push_back(toNode(item->child(i)));
    return node;
}

bool textLess(const QTreeWidgetItem *a, const QTreeWidgetItem *b)
{
    return QString::localeAwareCompare(a->text(0), b->text(0)) < 0;
}

// Sorts the children of parent (the top level when null), and below them too when recursive.
void sortLevel(QTreeWidget *tree, QTreeWidgetItem *parent, bool recursive)
{
    QList<QTreeWidgetItem *> items;
    if (parent) {
        items = parent->takeChildren();
    } else {
        while (tree->topLevelItemCount() > 0)
            items << tree->takeTopLevelItem(0);
    }
    std::stable_sort(items.begin(), items.end(), textLess);
    if (parent)
        parent->addChildren(items);
    else
        tree->addTopLevelItems(items);
    if (recursive)
        for (QTreeWidgetItem *item : std::as_const(items))
            if (item->childCount() > 0)
                sortLevel(tree, item, true);
}

} // namespace

TAddDescription::TAddDescription(AppContext &ctx, int k, QWidget *parent)
    : QDialog(parent)
    , m_ctx(ctx)
    , m_k(std::clamp(k, 1, RecordStore::CategoryCount)) // out-of-range k would index past the texts
    , m_returnTo(ctx.activation.activeWindow())
{
    setModal(true);
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowTitle(title());
    buildControls();

    int w = m_ctx.settings.readInteger(QStringLiteral("AddDescW:"), DefaultWidth);
    int h = m_ctx.settings.readInteger(QStringLiteral("AddDescH:"), DefaultHeight);
    if (w <= 0)
        w = DefaultWidth;
    if (h <= 0)
        h = DefaultHeight;
    if (const QScreen *s = screen()) {
        w = std::min(w, s->availableGeometry().width());
        h = std::min(h, s->availableGeometry().height());
    }
    WindowSize::resizeOuter(this, QSize(w, h));

    // Switching to another program and back writes the tree back and reads it again.
    m_ctx.activation.registerWindow(this, this, true);
}

TAddDescription::~TAddDescription()
{
    m_ctx.activation.unregisterWindow(this);
    // Destroyed while still active (its owner went away): the edit must not be lost.
    FormDeactivate();
}

void TAddDescription::buildControls()
{
    m_list = new DescriptionList(this);
    m_list->setProperty("tag", m_k);

    auto *label = new QLabel(QStringLiteral("Category Name"), this);
    m_addText = new QLineEdit(this);
    m_addText->setObjectName(QStringLiteral("AddText"));
    m_addText->setMaxLength(MaxNameLength);
    m_addText->setMinimumWidth(160);
    label->setBuddy(m_addText);

    auto makeButton = [this](const QString &name, const QString &caption) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(name);
        // Return in the name box must not press a button the user did not choose.
        b->setAutoDefault(false);
        b->setDefault(false);
        return b;
    };
    m_insert = makeButton(QStringLiteral("Insert"), QStringLiteral("Insert"));
    m_addChild = makeButton(QStringLiteral("AddChild"), QStringLiteral("Add Child"));
    m_remove = makeButton(QStringLiteral("Remove"), QStringLiteral("Remove"));
    m_rename = makeButton(QStringLiteral("Rename"), QStringLiteral("Rename"));
    m_sortChildren = makeButton(QStringLiteral("SortChildren"), QStringLiteral("Sort Children"));
    m_sortAll = makeButton(QStringLiteral("SortAll"), QStringLiteral("Sort Everything"));
    m_makeDefault = makeButton(QStringLiteral("MakeDefault"), QStringLiteral("Make Default"));
    m_closeForm = makeButton(QStringLiteral("CloseForm"), QStringLiteral("Close"));

    m_helpBtn = new QToolButton(this);
    m_helpBtn->setObjectName(QStringLiteral("HelpBtn"));
    m_helpBtn->setIcon(style()->standardIcon(QStyle::SP_MessageBoxQuestion));
    m_helpBtn->setIconSize(QSize(20, 20));
    m_helpBtn->setToolTip(QStringLiteral("Help"));
    m_helpBtn->setAccessibleName(QStringLiteral("Help"));
    m_helpBtn->setAutoRaise(true);

    auto *nameRow = new QHBoxLayout;
    nameRow->addStretch(1);
    nameRow->addWidget(label);
    nameRow->addWidget(m_addText);
    nameRow->addWidget(m_helpBtn);
    nameRow->addStretch(1);

    auto *grid = new QGridLayout;
    const QList<QPushButton *> buttons { m_insert, m_addChild, m_remove, m_rename, m_sortChildren,
        m_sortAll, m_makeDefault, m_closeForm };
    // Two columns, so that the longest captions fit the dialog's default width.
    for (int i = 0; i < buttons.size(); ++i)
        grid->addWidget(buttons[i], i / 2, i % 2);
    auto *panelRow = new QHBoxLayout;
    panelRow->addStretch(1);
    panelRow->addLayout(grid);
    panelRow->addStretch(1);

    auto *root = new QVBoxLayout(this);
    // Edit > Undo and Redo: the tree's changes are steps of the database's history.
    auto *bar = new QMenuBar(this);
    QMenu *edit = bar->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("Edit1"));
    m_undoActions = new UndoActions(*m_ctx.history, this);
    m_undoActions->addTo(edit);
    root->setMenuBar(bar);
    connect(m_ctx.history.get(), &EditHistory::applied, this, [this] {
        if (!m_active)
            return;
        const TreeBuildResult built = m_ctx.store.buildCategory(m_k);
        showTree(built.tree);
        m_keepInvalidText = !built.ok();
        // The record window's box follows the current record's value.
        const RecordStore &store = m_ctx.store;
        if (store.currentIndex >= 0 && store.currentIndex < store.count())
            emit recordValueChanged(m_k, store.at(store.currentIndex).description(m_k));
    });
    connect(m_list, &DescriptionList::nodeMoved, this,
        [this] { commitTree(QStringLiteral("Move Category")); });
    root->addWidget(m_list, 1);
    root->addLayout(nameRow);
    root->addLayout(panelRow);

    setTabOrder(m_addText, m_insert);
    for (int i = 1; i < buttons.size(); ++i)
        setTabOrder(buttons[i - 1], buttons[i]);
    setTabOrder(m_closeForm, m_helpBtn);
    setTabOrder(m_helpBtn, m_list);

    connect(m_insert, &QPushButton::clicked, this, [this] { InsertClick(); });
    connect(m_addChild, &QPushButton::clicked, this, [this] { AddChildClick(); });
    connect(m_remove, &QPushButton::clicked, this, [this] { RemoveClick(); });
    connect(m_rename, &QPushButton::clicked, this, [this] { RenameClick(); });
    connect(m_sortChildren, &QPushButton::clicked, this, [this] { SortChildrenClick(false); });
    connect(m_sortAll, &QPushButton::clicked, this, [this] { SortChildrenClick(true); });
    connect(m_makeDefault, &QPushButton::clicked, this, [this] { MakeDefaultClick(); });
    connect(m_closeForm, &QPushButton::clicked, this, [this] { CloseFormClick(); });
    connect(m_helpBtn, &QToolButton::clicked, this, [this] { HelpBtnClick(); });
}

QString TAddDescription::title() const
{
    return QStringLiteral("Add ") + m_ctx.store.captions.description[m_k]
        + QStringLiteral(" Category");
}

void TAddDescription::FormActivate()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    m_active = true;
    m_addText->clear();
    setWindowTitle(title()); // the caption may have been renamed since
    const TreeBuildResult built = m_ctx.store.buildCategory(m_k);
    showTree(built.tree);
    m_addText->setFocus(Qt::OtherFocusReason);
    // A text that does not build is kept until the user puts something in its place.
    m_keepInvalidText = !built.ok();
    if (!built.ok())
        m_ctx.dialogs.error(built.error);
}

void TAddDescription::FormDeactivate()
{
    // Only a tree that was read on activation is written back; otherwise an editor that was
    // never shown would empty the category.
    if (!m_active)
        return;
    m_active = false;
    writeBack();
    WindowSize::save(this, m_ctx.settings, QStringLiteral("AddDescW:"), QStringLiteral("AddDescH:"));
}

void TAddDescription::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_ctx.activation.activate(this);
}

void TAddDescription::done(int result)
{
    QDialog::done(result);
    if (!m_active)
        return;
    // The platform may not deactivate a closing dialog (or not before it is discarded), so hand
    // activation back to the window that was active before: the tree is written back first,
    // then that window reads the store.
    if (m_ctx.activation.activeWindow() == this) {
        QWidget *back = m_returnTo && m_returnTo != this && m_returnTo->isVisible()
            ? m_returnTo.data()
            : nullptr;
        m_ctx.activation.activate(back);
    }
    FormDeactivate(); // does nothing when the coordinator has already done it
}

void TAddDescription::commitTree(const QString &label, std::vector<CategoryCommand::Value> values)
{
    CategoryTree tree = currentTree();
    if (tree == m_ctx.store.categoryTree(m_k) && values.empty())
        return;
    m_ctx.history->push(std::make_unique<CategoryCommand>(
        m_ctx.store, m_k, std::move(tree), std::move(values), label));
    m_keepInvalidText = false;
}

void TAddDescription::writeBack()
{
    CategoryTree tree = currentTree();
    if (m_keepInvalidText && tree.empty())
        return;
    m_ctx.store.setCategoryTree(m_k, std::move(tree));
}

CategoryTree TAddDescription::currentTree() const
{
    CategoryTree tree;
    tree.reserve(size_t(m_list->topLevelItemCount()));
    for (int i = 0; i < m_list->topLevelItemCount(); ++i)
        tree.push_back(toNode(m_list->topLevelItem(i)));
    return tree;
}

void TAddDescription::showTree(const CategoryTree &tree)
{
    m_list->clear();
    for (const CategoryNode &node : tree) {
        auto *item = new QTreeWidgetItem(m_list, QStringList { node.text });
        addItems(item, node.children);
    }
    m_list->expandAll();
    m_list->clearSelection();
    m_list->setCurrentItem(nullptr);
}

QTreeWidgetItem *TAddDescription::selectedNode() const
{
    const QList<QTreeWidgetItem *> selected = m_list->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

QString TAddDescription::nameFromBox() const
{
    // A line break, tab or zero byte would split or end the category text, and leading blanks
    // would be read back as indentation, moving the node elsewhere in the tree.
    QString name = m_addText->text();
    for (QChar &c : name)
        if (c.category() == QChar::Other_Control)
            c = u' ';
    qsizetype start = 0;
    while (start < name.size() && name[start] == u' ')
        ++start;
    return name.mid(start).left(MaxNameLength);
}

QString TAddDescription::ReturnFullName(const QTreeWidgetItem *node) const
{
    QStringList texts;
    for (const QTreeWidgetItem *it = node; it; it = it->parent())
        texts << it->text(0);
    return texts.isEmpty() ? QString() : categoryFullName(texts);
}

void TAddDescription::UpdateRecord(const QTreeWidgetItem *node)
{
    const QString fullName = ReturnFullName(node);
    RecordStore &store = m_ctx.store;
    std::vector<CategoryCommand::Value> values;
    if (store.currentIndex >= 0 && store.currentIndex < store.count())
        values.push_back({ store.shared(store.currentIndex),
            store.at(store.currentIndex).description(m_k), fullName });
    commitTree(node->parent() ? QStringLiteral("Add Category ") + node->text(0)
                              : QStringLiteral("Insert Category ") + node->text(0),
        std::move(values));
    emit recordValueChanged(m_k, fullName);
}

void TAddDescription::addNode(QTreeWidgetItem *parent)
{
    const QString name = nameFromBox();
    if (name.isEmpty())
        return;
    auto *item = new QTreeWidgetItem(QStringList { name });
    if (parent) {
        parent->addChild(item);
        parent->setExpanded(true);
    } else {
        m_list->addTopLevelItem(item);
    }
    m_list->scrollToItem(item);
    UpdateRecord(item);
}

void TAddDescription::InsertClick()
{
    QTreeWidgetItem *selected = selectedNode();
    addNode(selected ? selected->parent() : nullptr);
}

void TAddDescription::AddChildClick()
{
    addNode(selectedNode());
}

bool TAddDescription::isAffected(const QString &value, const QString &fullName) const
{
    // An empty value names no category, not even one whose own text is empty.
    if (value.isEmpty())
        return false;
    const QString haystack = QStringLiteral(": ") + value;
    return haystack.endsWith(QStringLiteral(": ") + fullName, Qt::CaseInsensitive);
}

void TAddDescription::RemoveClick()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    QTreeWidgetItem *node = selectedNode();
    if (!node)
        return;
    const QString fullName = ReturnFullName(node);
    int count = 0;
    for (const RecordPtr &record : m_ctx.store.records())
        if (isAffected(record->description(m_k), fullName))
            ++count;
    if (count > 0) {
        const QList<int> path = DescriptionList::pathOf(node);
        const QString question = QString::number(count)
            + (count == 1 ? QStringLiteral(" record ") : QStringLiteral(" records "))
            + QStringLiteral(
                "will be effected by this change.  Are you sure you want to continue ?");
        if (m_ctx.dialogs.askYesNo(question) != Dialogs::Answer::Yes)
            return;
        // The question took activation from the dialog and gave it back, which read the tree
        // anew: find the node again by its place.
        node = m_list->itemAtPath(path);
        if (!node || ReturnFullName(node) != fullName)
            return;
    }
    delete node;
    commitTree(QStringLiteral("Remove Category ") + fullName);
}

void TAddDescription::RenameClick()
{
    const QString name = nameFromBox();
    QTreeWidgetItem *node = selectedNode();
    if (name.isEmpty() || !node)
        return;
    const QString oldName = ReturnFullName(node);
    node->setText(0, name);
    const QString newName = ReturnFullName(node);
    RecordStore &store = m_ctx.store;
    // The tree and every record that names the category change as one step.
    std::vector<CategoryCommand::Value> values;
    QString currentValue;
    bool currentChanged = false;
    for (int i = 0; i < store.count(); ++i) {
        const QString &value = store.at(i).description(m_k);
        if (!isAffected(value, oldName))
            continue;
        // The leading part names categories below the renamed one and stays as it is.
        QString renamed = value.left(value.size() - oldName.size()) + newName;
        if (i == store.currentIndex) {
            currentValue = renamed;
            currentChanged = true;
        }
        values.push_back({ store.shared(i), value, std::move(renamed) });
    }
    const int count = int(values.size());
    commitTree(count == 0 ? QStringLiteral("Rename Category")
            : count == 1  ? QStringLiteral("Rename Category in 1 record")
                          : QStringLiteral("Rename Category in %1 records").arg(count),
        std::move(values));
    if (currentChanged)
        emit recordValueChanged(m_k, currentValue);
}

void TAddDescription::SortChildrenClick(bool sortAll)
{
    QTreeWidgetItem *node = selectedNode();
    if (!sortAll && !node)
        return;
    // Taking items out of the tree forgets which were expanded; keep that as the user left it.
    QList<QTreeWidgetItem *> expanded;
    if (sortAll) {
        for (int i = 0; i < m_list->topLevelItemCount(); ++i)
            expanded << DescriptionList::expandedIn(m_list->topLevelItem(i));
    } else {
        for (int i = 0; i < node->childCount(); ++i)
            expanded << DescriptionList::expandedIn(node->child(i));
    }
    sortLevel(m_list, sortAll ? nullptr : node, sortAll);
    DescriptionList::reExpand(expanded);
    commitTree(sortAll ? QStringLiteral("Sort Everything") : QStringLiteral("Sort Children"));
    if (node) {
        m_list->setCurrentItem(node);
        m_list->scrollToItem(node);
    }
}

void TAddDescription::MakeDefaultClick()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    const QString path = DataFile::defaultCategoryFile(m_ctx.folder.path(), m_k);
    // A default file is read back through the text form, which cannot carry every tree.
    const CategoryTree tree = currentTree();
    const QString problem = textFormProblem(tree);
    if (!problem.isEmpty()) {
        m_ctx.dialogs.error(problem);
        return;
    }
    const SafeWrite::Result result = SafeWrite::write(path, encodeText(categoryTreeToText(tree)));
    if (!result.ok())
        m_ctx.dialogs.error(result.message);
}

void TAddDescription::CloseFormClick()
{
    accept();
}

void TAddDescription::HelpBtnClick()
{
    m_ctx.help.showTopic(m_ctx.folder.filePath(QStringLiteral("Larkhelp.hlp")),
        QStringLiteral("Customizing the Software"));
}

bool TAddDescription::DescriptionListDragOver(
    QTreeWidgetItem *dragged, QTreeWidgetItem *target) const
{
    return DescriptionList::canDrop(dragged, target);
}

bool TAddDescription::DescriptionListDragDrop(QTreeWidgetItem *dragged, QTreeWidgetItem *target)
{
    // Moving changes no record, even though the moved category's full name changes.
    return m_list->moveNode(dragged, target);
}

bool TAddDescription::moveNode(QTreeWidgetItem *dragged, QTreeWidgetItem *target)
{
    return DescriptionListDragDrop(dragged, target);
}
