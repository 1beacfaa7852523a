// Sorting the record store by one of the 21 sort keys (descriptions, details, name).
#pragma once

#include <QString>

#include "store/itemrecord.h"
#include "store/recordstore.h"

namespace SortKey {
constexpr int First = 1; // 1..10 = description 1..10
constexpr int FirstDetail = 11; // 11..20 = detail 0..9
constexpr int Value = 12; // detail 1, compared as a number
constexpr int Paid = 19; // detail 8, compared as a number
constexpr int Name = 21;
constexpr int Last = 21;

inline bool isValid(int key)
{
    return key >= First && key <= Last;
}
inline bool isNumeric(int key)
{
    return key == Value || key == Paid;
}
} // namespace SortKey

// The text a sort key compares: the stored description (full name), detail or name.
// Empty for a key outside 1..21.
QString sortKeyText(const ItemRecord &record, int sortKey);

// The number a numeric key compares: the numeric cleanup read as a decimal. A cleaned text
// that does not convert (a lone ".") reads as 0; one too large for a double as +infinity.
double sortKeyNumber(const QString &text);

// Negative, zero or positive as a sorts before, with or after b. Text keys compare character by
// character with only a..z folded to capitals, other characters by their Windows-1252 code, a
// prefix first; the Value and Paid keys compare as numbers. A key outside 1..21 compares equal.
int compareRecords(const ItemRecord &a, const ItemRecord &b, int sortKey);

// Stable ascending sort of the store's records in place; records that compare equal keep their
// order. A key outside 1..21 leaves the store as it is.
void sortRecords(RecordStore &store, int sortKey);
