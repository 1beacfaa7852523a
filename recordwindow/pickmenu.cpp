// PickMenu: builds the menu tree from a category text and turns picks into full names.
#include "recordwindow/pickmenu.h"

#include <QAction>

#include "store/categorytree.h"

namespace {

// The node's own text, kept apart from the caption, which has its '&' doubled (and which a
// platform theme may give accelerators).
const char NodeTextProperty[] = "larkspurNodeText";

QString captionFor(const QString &text)
{
    QString caption = text;
    caption.replace(u'&', QStringLiteral("&&"));
    return caption;
}

} // namespace

PickMenu::PickMenu(int k, QWidget *parent)
    : QMenu(parent)
    , m_k(k)
{ }

bool PickMenu::MakeMenu(QStringView categoryText)
{
    const TreeBuildResult built = buildCategoryTree(categoryText);
    MakeMenu(built.tree);
    return built.ok();
}

void PickMenu::MakeMenu(const CategoryTree &tree)
{
    discardEntries();

    const auto mark = [this](QAction *entry, const QString &nodeText) {
        entry->setData(m_k);
        entry->setProperty(NodeTextProperty, nodeText);
    };
    // Depth is bounded by the tree builder, so recursion stays shallow enough.
    const auto fill = [&](const auto &self, QMenu *menu, const CategoryTree &nodes) -> void {
        for (const CategoryNode &node : nodes) {
            if (node.children.empty()) {
                QAction *entry = menu->addAction(captionFor(node.text));
                mark(entry, node.text);
                connect(entry, &QAction::triggered, this,
                    [this, entry] { Q_EMIT picked(m_k, entryFullName(entry)); });
                continue;
            }
            auto *sub = new QMenu(captionFor(node.text), menu);
            mark(sub->menuAction(), node.text);
            menu->addMenu(sub);
            connect(sub, &QMenu::aboutToShow, this,
                [this, sub] { Q_EMIT picked(m_k, entryFullName(sub->menuAction())); });
            self(self, sub, node.children);
        }
    };
    fill(fill, this, tree);
}

QString PickMenu::entryFullName(const QAction *entry)
{
    QStringList names;
    for (const QAction *a = entry; a;) {
        const QVariant nodeText = a->property(NodeTextProperty);
        if (!nodeText.isValid())
            break;
        names.append(nodeText.toString());
        // The enclosing entry is the action that opens the menu this entry stands in.
        const QMenu *container = nullptr;
        const QList<QObject *> holders = a->associatedObjects();
        for (QObject *holder : holders) {
            if ((container = qobject_cast<const QMenu *>(holder)))
                break;
        }
        a = container ? container->menuAction() : nullptr;
    }
    return names.isEmpty() ? QString() : categoryFullName(names);
}

void PickMenu::discardEntries()
{
    const QList<QAction *> entries = actions();
    for (QAction *entry : entries) {
        removeAction(entry);
        // Deferred: the entry may be the one whose signal is being handled right now.
        if (entry->parent() == this)
            entry->deleteLater();
        else if (auto *sub = qobject_cast<QMenu *>(entry->parent()); sub && sub->parent() == this)
            sub->deleteLater(); // takes its entries and sub-menus with it
    }
}
