// The spreadsheet's table model: texts are built only when a cell is painted or asked for.
#include "spreadsheet/spreadsheetmodel.h"

#include <algorithm>

#include <QBrush>

#include "store/editcommands.h"

QString spreadHeaderText(const RecordStore &store, const SpreadTexts &texts, int l)
{
    using namespace SpreadColumn;
    if (l == Number)
        return QStringLiteral("Number");
    if (l == Name)
        return texts.name;
    if (isDescription(l))
        return store.captions.description[size_t(l - FirstDescription + 1)];
    if (isDetail(l))
        return store.captions.detail[size_t(l - FirstDetail)];
    if (l == Status)
        return texts.status;
    return QString();
}

QString spreadCellText(const ItemRecord &r, int pos, const SpreadTexts &texts, int l)
{
    using namespace SpreadColumn;
    if (l == Number)
        return QString::number(pos + 1);
    if (l == Name)
        return r.name();
    if (isDescription(l)) {
        const QString &value = r.description(l - FirstDescription + 1);
        return texts.displayForm ? texts.displayForm(value) : value;
    }
    if (isDetail(l)) {
        const int k = l - FirstDetail;
        return k == 3 ? r.detail(3).left(4) : r.detail(k);
    }
    if (l == Status) {
        // The last set flag wins: For Sale over For Trade over Wanted.
        if (r.ForSale)
            return texts.flags[2];
        if (r.ForTrade)
            return texts.flags[1];
        if (r.Wanted)
            return texts.flags[0];
    }
    return QString();
}

std::array<int, SpreadColumn::Count> columnOrderFromHeaders(const QStringList &gridHeaders,
    const QStringList &logicalHeaders, const std::array<int, SpreadColumn::Count> &fallback)
{
    std::array<int, SpreadColumn::Count> order = fallback;
    for (int l = 0; l < SpreadColumn::Count && l < logicalHeaders.size(); ++l) {
        if (logicalHeaders.count(logicalHeaders[l]) != 1)
            continue;
        for (int g = 0; g < gridHeaders.size() && g < SpreadColumn::Count; ++g)
            if (gridHeaders[g] == logicalHeaders[l])
                order[size_t(l)] = g;
    }
    return order;
}

SpreadsheetModel::SpreadsheetModel(RecordStore &store, QObject *parent)
    : QAbstractTableModel(parent)
    , m_store(store)
{ }

void SpreadsheetModel::fill(RecordScope scope)
{
    beginResetModel();
    // While the Find box holds words, the grid lists its matches, whatever the scope.
    const bool finding = m_store.findActive();
    m_searchListOnly = scope == RecordScope::SearchList || finding;
    m_positions.clear();
    if (finding) {
        m_positions = m_store.findMatches();
        m_allCount = 0;
    } else if (m_searchListOnly) {
        const auto &records = m_store.records();
        for (size_t i = 0; i < records.size(); ++i)
            if (records[i]->OnSearchList)
                m_positions.push_back(int(i));
        m_positions.shrink_to_fit();
        m_allCount = 0;
    } else {
        m_positions.shrink_to_fit();
        m_allCount = m_store.count();
    }
    endResetModel();
}

int SpreadsheetModel::positionAt(int row) const
{
    if (row < 0 || row >= rowCount())
        return -1;
    const int pos = m_searchListOnly ? m_positions[size_t(row)] : row;
    // The store may have shrunk since the fill (records deleted in the record window).
    return pos < m_store.count() ? pos : -1;
}

int SpreadsheetModel::rowOf(int pos) const
{
    if (pos < 0)
        return -1;
    if (!m_searchListOnly)
        return pos < m_allCount ? pos : -1;
    const auto it = std::lower_bound(m_positions.begin(), m_positions.end(), pos);
    return it != m_positions.end() && *it == pos ? int(it - m_positions.begin()) : -1;
}

void SpreadsheetModel::setHighlight(bool on)
{
    if (m_highlight == on)
        return;
    m_highlight = on;
    if (rowCount() > 0)
        Q_EMIT dataChanged(
            index(0, 0), index(rowCount() - 1, SpreadColumn::Count - 1), { Qt::BackgroundRole });
}

void SpreadsheetModel::recordChanged(int pos)
{
    const int row = rowOf(pos);
    if (row >= 0)
        Q_EMIT dataChanged(index(row, 0), index(row, SpreadColumn::Count - 1));
}

void SpreadsheetModel::headersChanged()
{
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, SpreadColumn::Count - 1);
}

int SpreadsheetModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return m_searchListOnly ? int(m_positions.size()) : m_allCount;
}

int SpreadsheetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : SpreadColumn::Count;
}

QVariant SpreadsheetModel::data(const QModelIndex &index, int role) const
{
    const int pos = positionAt(index.row());
    if (pos < 0)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        return spreadCellText(m_store.at(pos), pos, m_texts, index.column());
    case Qt::EditRole:
        return editText(index);
    case Qt::ForegroundRole:
        // Black text, but white on a dark highlight so it stays readable.
        if (m_highlight)
            return QBrush(SpreadColour::textOn(highlightOf(m_store.at(pos))));
        return QBrush(Qt::black);
    case Qt::BackgroundRole:
        if (!m_highlight)
            return QVariant();
        return QBrush(highlightOf(m_store.at(pos)));
    default:
        return QVariant();
    }
}

QColor SpreadsheetModel::highlightOf(const ItemRecord &r)
{
    if (!r.OnSearchList)
        return SpreadColour::notListed();
    return r.WasOnSearchList ? SpreadColour::oldMember() : SpreadColour::newMember();
}

QString SpreadsheetModel::editText(const QModelIndex &index) const
{
    const int pos = positionAt(index.row());
    const int l = index.column();
    if (pos < 0 || !SpreadColumn::isText(l))
        return QString();
    const ItemRecord &r = m_store.at(pos);
    if (l == SpreadColumn::Name)
        return r.name();
    const int k = l - SpreadColumn::FirstDetail;
    return k == 3 ? r.detail(3).left(4) : r.detail(k);
}

QVariant SpreadsheetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return spreadHeaderText(m_store, m_texts, section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags SpreadsheetModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (SpreadColumn::isText(index.column()) && positionAt(index.row()) >= 0)
        f |= Qt::ItemIsEditable;
    return f;
}

bool SpreadsheetModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    const int pos = positionAt(index.row());
    const int l = index.column();
    if (role != Qt::EditRole || pos < 0 || !SpreadColumn::isText(l))
        return false;
    ItemRecord r = m_store.at(pos);
    // Detail 3 takes the whole edited text, separators and blanks included.
    if (l == SpreadColumn::Name)
        r.setName(value.toString());
    else
        r.setDetail(l - SpreadColumn::FirstDetail, value.toString());
    if (!(r == m_store.at(pos))) {
        // One cell edit is one step, named after its column.
        if (m_history)
            m_history->push(
                std::make_unique<RecordEditCommand>(m_store, m_store.shared(pos), std::move(r),
                    QStringLiteral("Typing in ") + spreadHeaderText(m_store, m_texts, l)));
        else
            m_store.at(pos) = std::move(r);
    }
    Q_EMIT dataChanged(index, index);
    Q_EMIT recordEdited(pos);
    return true;
}
