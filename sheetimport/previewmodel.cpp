// The import preview's model.
#include "sheetimport/previewmodel.h"

#include <QBrush>
#include <QColor>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace SheetImport {

PreviewModel::PreviewModel(QObject *parent)
    : QAbstractTableModel(parent)
{ }

void PreviewModel::setPreview(const SheetTable *table, const Mapping &mapping,
    const FieldCaptions &captions, const Built &built)
{
    beginResetModel();
    m_table = table;
    m_mapping = mapping;
    m_captions = captions;
    m_records.clear();
    for (size_t i = 0; i < built.records.size() && i < size_t(Rows); ++i)
        m_records.push_back(*built.records[i]);
    // Name first, then each mapped field once in the sheet's order, Notes last: refused values
    // may land there.
    m_fields = { Target { Target::Name, 0 } };
    for (const Target &t : mapping.columns) {
        if (t.kind != Target::LeaveOut && t.kind != Target::Notes
            && std::find(m_fields.begin(), m_fields.end(), t) == m_fields.end())
            m_fields.push_back(t);
    }
    m_fields.push_back(Target { Target::Notes, 0 });
    m_refused.assign(m_records.size(), std::vector<std::vector<RefusedValue>>(m_fields.size()));
    for (const RefusedValue &r : built.refused) {
        if (size_t(r.record) >= m_records.size())
            break;
        const auto at = std::find(m_fields.begin(), m_fields.end(), mapping.target(r.column));
        if (at != m_fields.end())
            m_refused[size_t(r.record)][size_t(at - m_fields.begin())].push_back(r);
    }
    endResetModel();
}

const RefusedValue *PreviewModel::refusedAt(const QModelIndex &index) const
{
    if (!index.isValid() || size_t(index.row()) >= m_refused.size())
        return nullptr;
    const auto &here = m_refused[size_t(index.row())][size_t(index.column())];
    return here.empty() ? nullptr : &here.front();
}

int PreviewModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_records.size());
}

int PreviewModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_fields.size());
}

QString PreviewModel::stored(const ItemRecord &r, const Target &t) const
{
    switch (t.kind) {
    case Target::Name:
        return r.name();
    case Target::RecordCode:
        return r.recordCode();
    case Target::Description:
        return r.description(t.index);
    case Target::Detail:
        return r.detail(t.index);
    case Target::Keywords:
        return r.keywords().join(u" | "_s);
    case Target::History:
        return r.history().join(u" | "_s);
    case Target::Notes:
        return r.notes().join(u" | "_s);
    case Target::Picture: {
        QStringList names;
        for (int k = 1; k <= ItemRecord::PictureCount; ++k)
            if (!r.pictureFile(k).isEmpty())
                names.append(QFileInfo(r.pictureFile(k)).fileName());
        return names.join(u" | "_s);
    }
    case Target::Link:
        return r.links().join(u" | "_s);
    case Target::Wanted:
        return r.Wanted ? u"Yes"_s : u"No"_s;
    case Target::ForTrade:
        return r.ForTrade ? u"Yes"_s : u"No"_s;
    case Target::ForSale:
        return r.ForSale ? u"Yes"_s : u"No"_s;
    case Target::LeaveOut:
        break;
    }
    return {};
}

QVariant PreviewModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const ItemRecord &r = m_records[size_t(index.row())];
    const Target &t = m_fields[size_t(index.column())];
    const auto &refused = m_refused[size_t(index.row())][size_t(index.column())];
    static const QString told[]
        = { u"goes into Notes"_s, u"is left empty"_s, u"stops the import"_s };
    switch (role) {
    case Qt::DisplayRole: {
        if (refused.empty())
            return stored(r, t);
        QStringList parts;
        for (const RefusedValue &v : refused)
            parts.append(u"\""_s + v.value.simplified() + u"\" "_s + v.reason);
        return parts.join(u"; "_s);
    }
    case Qt::ToolTipRole: {
        if (refused.empty())
            return stored(r, t);
        QStringList parts;
        for (const RefusedValue &v : refused) {
            parts.append(refusedText(*m_table, m_mapping, v) + u"; it "_s + told[int(v.choice)]
                + u". Right-click to choose."_s);
        }
        return parts.join(u'\n');
    }
    case Qt::BackgroundRole:
        return refused.empty() ? QVariant() : QVariant(QBrush(QColor(0xff, 0xd6, 0xd6)));
    case Qt::ForegroundRole:
        return refused.empty() ? QVariant() : QVariant(QBrush(QColor(0xb0, 0x00, 0x00)));
    default:
        return {};
    }
}

QVariant PreviewModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Horizontal)
        return section < columnCount() ? targetCaption(m_fields[size_t(section)], m_captions)
                                       : QString();
    if (!m_table || section >= rowCount())
        return {};
    // The row as the sheet numbers it.
    return m_table->rowNumber(section + (m_mapping.headings ? 1 : 0));
}

} // namespace SheetImport
