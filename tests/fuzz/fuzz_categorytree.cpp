// Feeds arbitrary text to the tree builder; the text form of a tree must rebuild the same tree,
// and its node block must decode to it.
#include <cstdint>
#include <cstdlib>

#include "store/categorytree.h"
#include "store/datafileformat.h"
#include "store/textcodec.h"

namespace {

// The tree as the node block carries it: texts cut to 255 bytes.
void cut(std::vector<CategoryNode> &nodes)
{
    for (CategoryNode &n : nodes) {
        n.text.truncate(255);
        cut(n.children);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text
        = decodeText(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    const TreeBuildResult built = buildCategoryTree(text);
    if (!built.ok()) {
        if (!built.tree.empty() || !built.error.startsWith(QStringLiteral("Invalid level (")))
            abort();
        return 0;
    }
    const QString form = categoryTreeToText(built.tree);
    const TreeBuildResult again = buildCategoryTree(form);
    if (!again.ok() || again.tree != built.tree || categoryTreeToText(again.tree) != form)
        abort();

    CategoryTree decoded;
    if (!DataFile::decodeNodeBlock(DataFile::encodeNodeBlock(built.tree), decoded))
        abort();
    CategoryTree expected = built.tree;
    cut(expected);
    if (decoded != expected)
        abort();
    return 0;
}
