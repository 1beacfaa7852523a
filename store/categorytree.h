// Category trees, their tab-indented text form, full names and short values.
#pragma once

#include <optional>
#include <vector>

#include <QString>
#include <QStringList>
#include <QStringView>

struct CategoryNode
{
    QString text;
    std::vector<CategoryNode> children;

    bool operator==(const CategoryNode &) const = default;
};

// An ordered forest: the top-level nodes in order.
using CategoryTree = std::vector<CategoryNode>;

struct TreeBuildResult
{
    CategoryTree tree;
    // Empty when the text built; otherwise "Invalid level (%d) for item "%s"" filled in.
    QString error;
    bool ok() const { return error.isEmpty(); }
};

// Builds a tree from a category text or a default category file's contents.
TreeBuildResult buildCategoryTree(QStringView text);
// The text form: one line per node, depth-first, level tabs, text, CR LF. Never fails.
QString categoryTreeToText(const CategoryTree &tree);
// Empty when the text form of tree builds that same tree again; otherwise the "Invalid level"
// message for the first line that would read differently (a node text starting with a blank).
QString textFormProblem(const CategoryTree &tree);
// Round trip through a tree, giving the exact text form; the error text on failure.
TreeBuildResult normaliseCategoryText(QStringView text, QString *normalised);

// Full name from the node's own text and its ancestors' texts, nearest first:
// fullName({"Drawer", "Kitchen", "House"}) == "Drawer : Kitchen : House".
QString categoryFullName(const QStringList &nodeThenAncestors);
// The characters before the first colon; the whole value when it has none.
QString shortValue(const QString &value);
