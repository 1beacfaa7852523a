// Category trees: building from the tab-indented text form, writing it, full names.
#include "store/categorytree.h"
#include "store/datafileformat.h"

namespace {

void appendText(QString &out, const CategoryNode &node, int level)
{
    out.append(QString(level, u'\t'));
    out.append(node.text);
    out.append(QStringLiteral("\r\n"));
    for (const CategoryNode &child : node.children)
        appendText(out, child, level + 1);
}

} // namespace

TreeBuildResult buildCategoryTree(QStringView text)
{
    TreeBuildResult result;
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    if (nul >= 0)
        text = text.left(nul);

    // path[i] is the last node made at level i; the node from the line before is path.back().
    std::vector<CategoryNode *> path;
    CategoryTree &tree = result.tree;
    qsizetype pos = 0;
    const qsizetype size = text.size();
    while (pos < size) {
        qsizetype end = pos;
        while (end < size && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        const QStringView line = text.mid(pos, end - pos);
        pos = end;
        if (pos < size)
            pos += (text[pos] == u'\r' && pos + 1 < size && text[pos + 1] == u'\n') ? 2 : 1;

        qsizetype level = 0;
        while (level < line.size() && (line[level] == u'\t' || line[level] == u' '))
            ++level;
        CategoryNode node { line.mid(level).toString(), {} };

        if (path.empty()) {
            tree.push_back(std::move(node));
            path.push_back(&tree.back());
            continue;
        }
        const qsizetype previous = qsizetype(path.size()) - 1;
        if (level > previous + 1 || level >= CategoryTreeMaxDepth) {
            result.tree.clear();
            result.error = QStringLiteral("Invalid level (%1) for item \"%2\"")
                               .arg(QString::number(level), node.text);
            return result;
        }
        // Equal, one deeper or shallower: the node lands at level min(level, previous + 1),
        // after the existing children of the last node one level up.
        path.resize(size_t(level));
        std::vector<CategoryNode> &siblings = level == 0 ? tree : path.back()->children;
        siblings.push_back(std::move(node));
        path.push_back(&siblings.back());
    }
    return result;
}

QString categoryTreeToText(const CategoryTree &tree)
{
    QString out;
    for (const CategoryNode &node : tree)
        appendText(out, node, 0);
    return out;
}

namespace {

// The first node, depth-first, whose line in the text form reads differently: its level as read
// and its text as read; false when there is none.
bool firstMisreadNode(const CategoryTree &nodes, int level, int &readLevel, QString &readText)
{
    for (const CategoryNode &node : nodes) {
        qsizetype lead = 0;
        while (lead < node.text.size() && (node.text[lead] == u'\t' || node.text[lead] == u' '))
            ++lead;
        if (lead > 0 || node.text.contains(u'\r') || node.text.contains(u'\n')
            || node.text.contains(QChar(u'\0'))) {
            readLevel = level + int(lead);
            readText = node.text.mid(lead);
            return true;
        }
        if (firstMisreadNode(node.children, level + 1, readLevel, readText))
            return true;
    }
    return false;
}

} // namespace

QString textFormProblem(const CategoryTree &tree)
{
    const TreeBuildResult built = buildCategoryTree(categoryTreeToText(tree));
    if (built.ok() && built.tree == tree)
        return {};
    if (!built.ok())
        return built.error;
    int level = 0;
    QString text;
    if (!firstMisreadNode(tree, 0, level, text)) // cannot happen: some line must read differently
        return QStringLiteral("Invalid level (0) for item \"\"");
    return QStringLiteral("Invalid level (%1) for item \"%2\"").arg(QString::number(level), text);
}

TreeBuildResult normaliseCategoryText(QStringView text, QString *normalised)
{
    TreeBuildResult result = buildCategoryTree(text);
    if (normalised)
        *normalised = result.ok() ? categoryTreeToText(result.tree) : QString();
    return result;
}

QString categoryFullName(const QStringList &nodeThenAncestors)
{
    return nodeThenAncestors.join(QStringLiteral(" : "));
}

QString shortValue(const QString &value)
{
    const qsizetype colon = value.indexOf(u':');
    return colon < 0 ? value : value.left(colon);
}
