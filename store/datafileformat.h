// The pieces of the database file format, for the reader, the writer and their tests.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include "store/categorytree.h"
#include "store/itemrecord.h"

// Deepest level a category tree may have (0 at the top). Deeper trees are refused by the text
// builder and by the file reader alike, so that everything written can be read back.
inline constexpr int CategoryTreeMaxDepth = 1000;

namespace DataFile {

// Node block of a tree: the payload of the "Items.Data" property.
QByteArray encodeNodeBlock(const CategoryTree &tree);
// False for a damaged block; tree is left unspecified then.
bool decodeNodeBlock(QByteArrayView block, CategoryTree &tree);
// Object stream of the hidden tree control that carries one category tree.
QByteArray encodeTreeStream(const CategoryTree &tree);
QByteArray encodeRecord(const ItemRecord &record);

} // namespace DataFile
