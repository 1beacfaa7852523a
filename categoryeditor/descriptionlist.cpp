// The category editor's tree control: moves a category by dragging it onto a node of its own depth.
#include "categoryeditor/descriptionlist.h"

#include <QCoreApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPainter>

DescriptionList::DescriptionList(QWidget *parent)
    : QTreeWidget(parent)
{
    setObjectName(QStringLiteral("DescriptionList"));
    setHeaderHidden(true);
    setColumnCount(1);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::InternalMove);
    setDefaultDropAction(Qt::MoveAction);
    // The line drawn above the target says "before it", which the stock indicator cannot.
    setDropIndicatorShown(false);
}

int DescriptionList::depth(const QTreeWidgetItem *item)
{
    int d = 0;
    for (const QTreeWidgetItem *p = item ? item->parent() : nullptr; p; p = p->parent())
        ++d;
    return d;
}

bool DescriptionList::canDrop(const QTreeWidgetItem *dragged, const QTreeWidgetItem *target)
{
    return dragged && target && dragged != target && dragged->treeWidget()
        && dragged->treeWidget() == target->treeWidget() && depth(dragged) == depth(target);
}

bool DescriptionList::moveNode(QTreeWidgetItem *dragged, QTreeWidgetItem *target)
{
    if (!canDrop(dragged, target) || dragged->treeWidget() != this)
        return false;
    const QList<QTreeWidgetItem *> expanded = expandedIn(dragged);
    if (QTreeWidgetItem *p = dragged->parent())
        p->takeChild(p->indexOfChild(dragged));
    else
        takeTopLevelItem(indexOfTopLevelItem(dragged));
    // The target's row is taken after the removal, which may have shifted it.
    if (QTreeWidgetItem *p = target->parent())
        p->insertChild(p->indexOfChild(target), dragged);
    else
        insertTopLevelItem(indexOfTopLevelItem(target), dragged);
    reExpand(expanded);
    setCurrentItem(dragged);
    Q_EMIT nodeMoved();
    return true;
}

QList<int> DescriptionList::pathOf(const QTreeWidgetItem *item)
{
    QList<int> path;
    for (const QTreeWidgetItem *it = item; it; it = it->parent()) {
        if (const QTreeWidgetItem *p = it->parent())
            path.prepend(p->indexOfChild(const_cast<QTreeWidgetItem *>(it)));
        else if (QTreeWidget *tree = it->treeWidget())
            path.prepend(tree->indexOfTopLevelItem(const_cast<QTreeWidgetItem *>(it)));
        else
            return {};
    }
    return path;
}

QTreeWidgetItem *DescriptionList::itemAtPath(const QList<int> &path) const
{
    if (path.isEmpty())
        return nullptr;
    QTreeWidgetItem *item = topLevelItem(path.first());
    for (qsizetype i = 1; item && i < path.size(); ++i)
        item = item->child(path[i]);
    return item;
}

QString DescriptionList::mimeType()
{
    return QStringLiteral("application/x-larkspur-category");
}

QMimeData *DescriptionList::dragData(const QTreeWidgetItem *item) const
{
    // The process and the list are named so a drag from another list or program is refused.
    QStringList rows;
    for (int row : pathOf(item))
        rows << QString::number(row);
    const QString payload = QString::number(QCoreApplication::applicationPid()) + u' '
        + QString::number(quintptr(this)) + u' ' + rows.join(u'/');
    auto *data = new QMimeData;
    data->setData(mimeType(), payload.toLatin1());
    data->setText(item ? item->text(0) : QString());
    return data;
}

QTreeWidgetItem *DescriptionList::draggedItem(const QMimeData *data) const
{
    if (!data || !data->hasFormat(mimeType()))
        return nullptr;
    const QStringList parts = QString::fromLatin1(data->data(mimeType())).split(u' ');
    if (parts.size() != 3 || parts[0] != QString::number(QCoreApplication::applicationPid())
        || parts[1] != QString::number(quintptr(this)))
        return nullptr;
    QList<int> path;
    for (const QString &row : parts[2].split(u'/', Qt::SkipEmptyParts)) {
        bool ok = false;
        const int n = row.toInt(&ok);
        if (!ok || n < 0)
            return nullptr;
        path << n;
    }
    return itemAtPath(path);
}

QList<QTreeWidgetItem *> DescriptionList::expandedIn(QTreeWidgetItem *item)
{
    QList<QTreeWidgetItem *> out;
    if (!item)
        return out;
    if (item->isExpanded())
        out << item;
    for (int i = 0; i < item->childCount(); ++i)
        out << expandedIn(item->child(i));
    return out;
}

void DescriptionList::reExpand(const QList<QTreeWidgetItem *> &items)
{
    for (QTreeWidgetItem *item : items)
        item->setExpanded(true);
}

void DescriptionList::startDrag(Qt::DropActions)
{
    QTreeWidgetItem *item = currentItem();
    if (!item)
        return;
    // The drop moves the node itself; unlike the stock drag nothing is removed afterwards.
    auto *drag = new QDrag(this);
    drag->setMimeData(dragData(item));
    drag->exec(Qt::MoveAction);
}

void DescriptionList::dragEnterEvent(QDragEnterEvent *event)
{
    if (!draggedItem(event->mimeData())) {
        event->ignore();
        return;
    }
    setState(DraggingState);
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void DescriptionList::dragMoveEvent(QDragMoveEvent *event)
{
    QTreeWidget::dragMoveEvent(event); // scrolls near the edges
    QTreeWidgetItem *dragged = draggedItem(event->mimeData());
    QTreeWidgetItem *target = itemAt(event->position().toPoint());
    if (canDrop(dragged, target)) {
        setDropTarget(target);
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        setDropTarget(nullptr);
        event->ignore();
    }
}

void DescriptionList::dragLeaveEvent(QDragLeaveEvent *event)
{
    setDropTarget(nullptr);
    QTreeWidget::dragLeaveEvent(event);
}

void DescriptionList::dropEvent(QDropEvent *event)
{
    setDropTarget(nullptr);
    stopAutoScroll();
    setState(NoState);
    QTreeWidgetItem *dragged = draggedItem(event->mimeData());
    QTreeWidgetItem *target = itemAt(event->position().toPoint());
    if (moveNode(dragged, target)) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void DescriptionList::paintEvent(QPaintEvent *event)
{
    QTreeWidget::paintEvent(event);
    if (!m_dropTarget.isValid())
        return;
    const QRect r = visualRect(m_dropTarget);
    QPainter p(viewport());
    p.setPen(QPen(palette().color(QPalette::Highlight), 2));
    p.drawLine(r.left(), r.top() + 1, viewport()->width(), r.top() + 1);
}

void DescriptionList::setDropTarget(QTreeWidgetItem *target)
{
    const QPersistentModelIndex index(target ? indexFromItem(target) : QModelIndex());
    if (index == m_dropTarget)
        return;
    m_dropTarget = index;
    viewport()->update();
}
