// The record store, default captions and numeric cleanup.
#include "store/recordstore.h"

#include <algorithm>

#include "store/quickfind.h"

FieldCaptions FieldCaptions::defaults()
{
    FieldCaptions c;
    c.detail = { QStringLiteral("Warranty"), QStringLiteral("Value"),
        QStringLiteral("Date Received"), QStringLiteral("Copyright"), QStringLiteral("ID #"),
        QStringLiteral("Serial #"), QStringLiteral("Detail 6"), QStringLiteral("Detail 7"),
        QStringLiteral("Paid"), QStringLiteral("Quantity") };
    c.description = { QString(), QStringLiteral("Origin"), QStringLiteral("Type"),
        QStringLiteral("Manufacturer"), QStringLiteral("Purpose"), QStringLiteral("Condition"),
        QStringLiteral("Purchased"), QStringLiteral("Owner"), QStringLiteral("Location"),
        QStringLiteral("Payment Method"), QStringLiteral("Description 10") };
    return c;
}

RecordStore::RecordStore()
    : m_findIndex(std::make_shared<QuickFindIndex>())
{
    resetSpreadsheetColumns();
}

void RecordStore::append(RecordPtr record)
{
    m_records.push_back(std::move(record));
}

void RecordStore::append(ItemRecord record)
{
    m_records.push_back(std::make_shared<ItemRecord>(std::move(record)));
}

void RecordStore::insert(int pos, RecordPtr record)
{
    m_records.insert(m_records.begin() + pos, std::move(record));
}

RecordPtr RecordStore::take(int pos)
{
    RecordPtr r = std::move(m_records[size_t(pos)]);
    m_records.erase(m_records.begin() + pos);
    return r;
}

void RecordStore::remove(int pos)
{
    m_records.erase(m_records.begin() + pos);
}

void RecordStore::clear()
{
    m_records.clear();
}

int RecordStore::searchListCount() const
{
    return int(std::count_if(
        m_records.begin(), m_records.end(), [](const RecordPtr &r) { return r->OnSearchList; }));
}

void RecordStore::resetSpreadsheetColumns()
{
    for (int n = 0; n < SpreadsheetColumns; ++n) {
        columnOrder[size_t(n)] = n;
        columnWidths[size_t(n)] = DefaultColumnWidth;
    }
}

QString numericCleanup(const QString &text)
{
    // Scan from the right so that only the right-most full stop survives.
    QString kept;
    kept.reserve(text.size());
    bool stopSeen = false;
    for (qsizetype i = text.size() - 1; i >= 0; --i) {
        const QChar c = text.at(i);
        if (c >= u'0' && c <= u'9') {
            kept.append(c);
        } else if (c == u'.' && !stopSeen) {
            stopSeen = true;
            kept.append(c);
        }
    }
    if (kept.isEmpty())
        return QStringLiteral("0");
    std::reverse(kept.begin(), kept.end());
    return kept;
}

CategoryTree RecordStore::categoryTree(int k) const
{
    const size_t i = size_t(k);
    if (categoryTexts[i] == m_treeTexts[i])
        return m_trees[i];
    return buildCategoryTree(categoryTexts[i]).tree;
}

TreeBuildResult RecordStore::buildCategory(int k) const
{
    const size_t i = size_t(k);
    if (categoryTexts[i] == m_treeTexts[i])
        return { m_trees[i], QString() };
    return buildCategoryTree(categoryTexts[i]);
}

void RecordStore::setCategoryTree(int k, CategoryTree tree)
{
    const size_t i = size_t(k);
    categoryTexts[i] = categoryTreeToText(tree);
    m_treeTexts[i] = categoryTexts[i];
    m_trees[i] = std::move(tree);
}

bool RecordStore::findActive() const
{
    return !QuickFindIndex::words(findText).isEmpty();
}

std::vector<int> RecordStore::findMatches() const
{
    return m_findIndex->matches(*this, findText);
}
