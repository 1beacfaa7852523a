// The graph window: the ten descriptions with their category trees, and for a double-clicked node
// a chart of how many records lie under each of its sub-categories, with paid and value totals.
#pragma once

#include <QMainWindow>

#include "app/activation.h"
#include "app/appcontext.h"
#include "graph/graphcount.h"

class QLineEdit;
class QSplitter;
class QTreeWidget;
class QTreeWidgetItem;
class QtChart;
class SharedToolbar;

class TGraphDisplay : public QMainWindow, public ActivationClient
{
    Q_OBJECT
public:
    explicit TGraphDisplay(AppContext &ctx, QWidget *parent = nullptr);
    ~TGraphDisplay() override;

    static constexpr int DefaultWidth = 611;
    static constexpr int DefaultHeight = 414;

    // Rebuilds the tree from the captions and category trees and graphs description 1.
    void FormActivate() override;
    // Writes the window's size.
    void FormDeactivate() override;

    // Fills one top-level node with category tree k.
    void MakeBranch(QTreeWidgetItem *top, int k);
    // Computes and shows the graph for the selected node; a node without sub-nodes changes nothing.
    void SGraphDblClick();
    // The chart prints itself.
    void PrintScreenBtnClick();
    void CloseBtnClick();

    QTreeWidget *tree() const { return m_tree; }
    QtChart *chart() const { return m_chart; }
    // The graph node of a tree item: its sub-nodes and node path.
    static GraphNode graphNode(const QTreeWidgetItem *item);

private:
    void buildToolbar();
    void buildControls();
    QString recordCaption(int k) const;

    AppContext &m_ctx;
    SharedToolbar *m_toolbar = nullptr;
    QSplitter *m_splitter = nullptr; // Splitter1
    QTreeWidget *m_tree = nullptr; // SGraph
    QLineEdit *m_paid = nullptr; // Paid
    QLineEdit *m_value = nullptr; // Value
    QtChart *m_chart = nullptr; // Graph
};
