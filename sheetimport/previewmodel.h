// The import preview: the first records as they will be stored, one column per mapped field, the
// values that need a choice in red with the reason.
#pragma once

#include <vector>

#include <QAbstractTableModel>

#include "sheetimport/sheetrecords.h"
#include "store/captions.h"

namespace SheetImport {

class PreviewModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int Rows = 100;

    explicit PreviewModel(QObject *parent = nullptr);

    void setPreview(const SheetTable *table, const Mapping &mapping, const FieldCaptions &captions,
        const Built &built);
    // The refused value shown in a cell, or nullptr.
    const RefusedValue *refusedAt(const QModelIndex &index) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QString stored(const ItemRecord &r, const Target &t) const;

    const SheetTable *m_table = nullptr;
    Mapping m_mapping;
    FieldCaptions m_captions;
    std::vector<ItemRecord> m_records;
    std::vector<Target> m_fields;
    // Per shown row and field: the refused values standing there.
    std::vector<std::vector<std::vector<RefusedValue>>> m_refused;
};

} // namespace SheetImport
