// The spreadsheet's table model: one row per record of the record scope, 23 logical columns.
#pragma once

#include <array>
#include <functional>
#include <vector>

#include <QAbstractTableModel>
#include <QColor>
#include <QStringList>

#include "store/recordstore.h"

namespace SpreadColumn {
constexpr int Number = 0;
constexpr int Name = 1;
constexpr int FirstDescription = 2; // 2..11 = descriptions 1..10
constexpr int FirstDetail = 12; // 12..21 = details 0..9
constexpr int Status = 22;
constexpr int Count = RecordStore::SpreadsheetColumns;

inline bool isDescription(int l)
{
    return l >= FirstDescription && l < FirstDetail;
}
inline bool isDetail(int l)
{
    return l >= FirstDetail && l < Status;
}
// Columns typed into: the name and the details.
inline bool isText(int l)
{
    return l == Name || isDetail(l);
}
// Columns edited through a pop-up menu: the descriptions and the status.
inline bool isMenu(int l)
{
    return isDescription(l) || l == Status;
}
} // namespace SpreadColumn

// Row colours while Highlight is ticked.
namespace SpreadColour {
inline QColor notListed()
{
    return QColor(0, 255, 255);
} // aqua
inline QColor oldMember()
{
    return QColor(0, 128, 0);
} // green
inline QColor newMember()
{
    return QColor(255, 255, 0);
} // yellow
inline QColor emptyGrid()
{
    return QColor(192, 192, 192);
} // silver
// Black text on light backgrounds, white on dark ones (by perceived brightness).
inline QColor textOn(const QColor &background)
{
    const int brightness
        = (299 * background.red() + 587 * background.green() + 114 * background.blue()) / 1000;
    return brightness < 128 ? QColor(Qt::white) : QColor(Qt::black);
}
} // namespace SpreadColour

// Texts the grid borrows from the record window: its name and status labels, the captions of
// its three flag boxes and the display form of description values.
struct SpreadTexts
{
    QString name = QStringLiteral("Name");
    QString status = QStringLiteral("Status");
    std::array<QString, 3> flags { QStringLiteral("Wanted"), QStringLiteral("For Trade"),
        QStringLiteral("For Sale") };
    std::function<QString(const QString &)> displayForm;
};

// Header text of logical column l under the store's captions.
QString spreadHeaderText(const RecordStore &store, const SpreadTexts &texts, int l);
// Cell text of logical column l for the record at position pos.
QString spreadCellText(const ItemRecord &r, int pos, const SpreadTexts &texts, int l);

// The column order after the user moved columns, found by header text: gridHeaders[g] is the
// text grid column g shows. A logical column whose header is unique takes the grid column that
// bears its text; logical columns that share a header text keep fallback[l] (the grid's own
// placement), so two fields with one caption never land in the same grid column.
std::array<int, SpreadColumn::Count> columnOrderFromHeaders(const QStringList &gridHeaders,
    const QStringList &logicalHeaders, const std::array<int, SpreadColumn::Count> &fallback);

class EditHistory;

class SpreadsheetModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit SpreadsheetModel(RecordStore &store, QObject *parent = nullptr);

    // Cell edits become steps of this history (without one they change the record directly).
    void setHistory(EditHistory *history) { m_history = history; }

    void setTexts(SpreadTexts texts) { m_texts = std::move(texts); }
    const SpreadTexts &texts() const { return m_texts; }

    // Rebuilds the rows: every record, or the records on the search list in store order.
    void fill(RecordScope scope);
    bool searchListOnly() const { return m_searchListOnly; }

    // The record position shown in row, or -1 when the row shows no record (any more).
    int positionAt(int row) const;
    // The row that shows the record at pos, or -1 when it is not listed.
    int rowOf(int pos) const;

    void setHighlight(bool on);
    bool highlight() const { return m_highlight; }

    // Repaints the rows of the record at pos (after an edit made outside the model).
    void recordChanged(int pos);
    void headersChanged();

    // Bytes this model holds per listed row beyond the store (the row index).
    size_t indexBytes() const { return m_positions.capacity() * sizeof(int); }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    // The stored value an edit of a text column starts from (detail 3 cut to four characters).
    QString editText(const QModelIndex &index) const;

Q_SIGNALS:
    // An edit was stored into the record at pos.
    void recordEdited(int pos);

private:
    static QColor highlightOf(const ItemRecord &r);

    RecordStore &m_store;
    EditHistory *m_history = nullptr;
    SpreadTexts m_texts;
    bool m_searchListOnly = false;
    int m_allCount = 0; // rows while every record is listed
    std::vector<int> m_positions; // rows while only the search list is listed
    bool m_highlight = false;
};
