// The category editor's tree control: moves a category by dragging it onto a node of its own depth.
#pragma once

#include <QList>
#include <QPersistentModelIndex>
#include <QTreeWidget>

class QMimeData;

class DescriptionList : public QTreeWidget
{
    Q_OBJECT
public:
    explicit DescriptionList(QWidget *parent = nullptr);

    // Number of ancestors; 0 for a top-level node.
    static int depth(const QTreeWidgetItem *item);
    // A node may be dropped only onto another node of the same depth.
    static bool canDrop(const QTreeWidgetItem *dragged, const QTreeWidgetItem *target);
    // Moves dragged, with its descendants, to stand immediately before target among target's
    // siblings. False, and nothing moved, when the drop is refused.
    bool moveNode(QTreeWidgetItem *dragged, QTreeWidgetItem *target);

    // Row numbers from the top level down; survives rebuilding the tree from the same text.
    static QList<int> pathOf(const QTreeWidgetItem *item);
    QTreeWidgetItem *itemAtPath(const QList<int> &path) const;

    // The drag payload naming item of this very list, and its reverse (null for foreign data).
    static QString mimeType();
    QMimeData *dragData(const QTreeWidgetItem *item) const;
    QTreeWidgetItem *draggedItem(const QMimeData *data) const;

    // Re-inserting items loses their expanded state; these keep it across a move or a sort.
    static QList<QTreeWidgetItem *> expandedIn(QTreeWidgetItem *item);
    static void reExpand(const QList<QTreeWidgetItem *> &items);

Q_SIGNALS:
    // A node was moved (by a drop or moveNode).
    void nodeMoved();

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void setDropTarget(QTreeWidgetItem *target);

    QPersistentModelIndex m_dropTarget; // marked with a line above it while dragging
};
