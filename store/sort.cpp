// Record sorting: the 21 sort keys, their comparison and a stable sort of the store.
#include "store/sort.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include <QByteArray>

#include "store/textcodec.h"

namespace {

// The sort order as bytes that compare like the characters (memcmp order, no per-character
// work in the sort itself): an order value below 0xFF is one byte; 0xFF and above (the letter
// y with diaeresis and characters Windows-1252 cannot hold) is 0xFF and three bytes, most
// significant first, so no code is the beginning of another.
std::string textKey(QStringView text)
{
    std::string key;
    key.reserve(size_t(text.size()));
    for (const QChar c : text) {
        const char32_t order = foldedCharOrder(c.unicode());
        if (order < 0xFF) {
            key.push_back(char(order));
        } else {
            key.push_back(char(0xFF));
            key.push_back(char((order >> 16) & 0xFF));
            key.push_back(char((order >> 8) & 0xFF));
            key.push_back(char(order & 0xFF));
        }
    }
    return key;
}

template<typename Key, typename MakeKey>
void sortByKey(std::vector<RecordPtr> &records, MakeKey makeKey)
{
    struct Entry
    {
        Key key;
        size_t index;
    };
    std::vector<Entry> entries;
    entries.reserve(records.size());
    for (size_t i = 0; i < records.size(); ++i)
        entries.push_back(Entry { makeKey(*records[i]), i });
    std::stable_sort(entries.begin(), entries.end(),
        [](const Entry &x, const Entry &y) { return x.key < y.key; });
    std::vector<RecordPtr> sorted;
    sorted.reserve(records.size());
    for (const Entry &e : entries)
        sorted.push_back(std::move(records[e.index]));
    records.swap(sorted);
}

} // namespace

QString sortKeyText(const ItemRecord &record, int sortKey)
{
    if (sortKey >= SortKey::First && sortKey < SortKey::FirstDetail)
        return record.description(sortKey);
    if (sortKey >= SortKey::FirstDetail && sortKey < SortKey::Name)
        return record.detail(sortKey - SortKey::FirstDetail);
    if (sortKey == SortKey::Name)
        return record.name();
    return QString();
}

double sortKeyNumber(const QString &text)
{
    const QString cleaned = numericCleanup(text);
    // Only digits and at most one full stop remain: narrow them for the locale-free parser.
    std::string digits(size_t(cleaned.size()), '0');
    for (qsizetype i = 0; i < cleaned.size(); ++i)
        digits[size_t(i)] = char(cleaned.at(i).unicode());
    double value = 0.0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error == std::errc::result_out_of_range)
        return std::numeric_limits<double>::infinity();
    // A lone "." does not convert and reads as 0.
    if (error != std::errc() || end != digits.data() + digits.size())
        return 0.0;
    return value;
}

int compareRecords(const ItemRecord &a, const ItemRecord &b, int sortKey)
{
    if (!SortKey::isValid(sortKey))
        return 0;
    const QString x = sortKeyText(a, sortKey);
    const QString y = sortKeyText(b, sortKey);
    if (SortKey::isNumeric(sortKey)) {
        const double p = sortKeyNumber(x);
        const double q = sortKeyNumber(y);
        return p < q ? -1 : (q < p ? 1 : 0);
    }
    return compareFoldedText(x, y);
}

void sortRecords(RecordStore &store, int sortKey)
{
    if (!SortKey::isValid(sortKey) || store.count() < 2)
        return;
    // Keys are worked out once per record; the comparator then only compares plain values.
    if (SortKey::isNumeric(sortKey)) {
        sortByKey<double>(store.records(),
            [sortKey](const ItemRecord &r) { return sortKeyNumber(sortKeyText(r, sortKey)); });
    } else {
        sortByKey<std::string>(store.records(),
            [sortKey](const ItemRecord &r) { return textKey(sortKeyText(r, sortKey)); });
    }
}
