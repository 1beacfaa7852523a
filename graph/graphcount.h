// Counting for the graph: records per sub-category of a category node, and the paid and current
// value totals of the counted records, each amount multiplied by the record's quantity.
#pragma once

#include <optional>
#include <vector>

#include <QString>
#include <QStringList>

#include "store/categorytree.h"
#include "store/wholenumber.h"

class Chart;
class RecordStore;

// The node a graph is computed for: its sub-nodes' texts in tree order and its node path (its
// own text, then " : " and each ancestor's up to the description caption).
struct GraphNode
{
    int description = 1; // 1..10
    QString path;
    QStringList subNodes;
};

struct GraphTotals
{
    std::vector<int> counts; // one per sub-node
    double paid = 0;
    double value = 0;
};

// A record counts under sub-node i when ": " + its Descriptions[k] + " : " + recordCaption ends,
// ignoring the case of A-Z, with ": " + sub-node i's text + " : " + path: its value is that
// category or lies beneath it, whole names only. recordCaption is the caption the record window
// shows for description k. Each record's text is built once, whatever the number of sub-nodes;
// a counted record adds its amounts to the totals once.
GraphTotals countGraph(
    const RecordStore &store, const GraphNode &node, const QString &recordCaption);

// An amount as the totals take it: the numeric cleanup of `amount` read as a decimal number,
// times `quantity` when that reads as a whole number (optional leading blanks, optional sign,
// digits and nothing after), else counted once.
double graphAmount(const QString &amount, const QString &quantity);
// The numeric cleanup of `text` read as a decimal number (0 when it reads as none).
double cleanedNumber(QStringView text);

// "$" and the total with two decimals, a point and no thousands separators: "$1234.50".
QString dollarText(double total);

// Hands a computation to the chart: n points with the counts as values and the sub-node texts as
// labels, and the store's record count.
void fillChart(Chart &chart, const GraphNode &node, const GraphTotals &totals, int recordTotal);

// The node of a category tree with the given full name (leaf first, " : " between the parts),
// first in tree order; its ancestors' texts are returned nearest first in `ancestors`. A-Z case
// is ignored when no node matches exactly.
const CategoryNode *findCategoryNode(
    const CategoryTree &tree, const QString &fullName, QStringList *ancestors = nullptr);

// The graph node for a category node under description caption `caption`; with node null, the
// top-level node of the description (the caption itself) over the whole tree.
GraphNode graphNodeFor(int description, const QString &caption, const CategoryTree &tree,
    const CategoryNode *node, const QStringList &ancestors);
