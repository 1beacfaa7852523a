// The regular report's line-printer layout: header, colour stripes, wrapped record cells, totals.
#include "reports/reportlayout.h"

#include <cmath>
#include <optional>

#include "reports/reportitems.h"
#include "store/recordstore.h"
#include "store/wholenumber.h"

using namespace Qt::StringLiterals;

namespace ReportLayout {

QMargins marginsTwips(const ReportDefinition &d)
{
    const auto twips
        = [&](int side) { return int(std::lround(d.marginInches(side) * Twips::PerInch)); };
    return QMargins(twips(0), twips(2), twips(1), twips(3));
}

QSize printableSize(const ReportDefinition &d, const PageGeometry &geometry)
{
    const QMargins m = marginsTwips(d);
    return { geometry.widthInches() * Twips::PerInch - m.left() - m.right(),
        geometry.heightInches() * Twips::PerInch - m.top() - m.bottom() };
}

PageGeometry oriented(const PageGeometry &g, ReportOrientation orientation)
{
    const bool landscape = g.printableArea.width() > g.printableArea.height();
    if ((orientation == ReportOrientation::Landscape && !landscape)
        || (orientation == ReportOrientation::Portrait && landscape))
        return { g.printableArea.transposed(), g.dpiY, g.dpiX };
    return g;
}

QString tooMuchDataWarning(int recordsComposed)
{
    return u"Warning ... your report contains too much data.  Only the first "_s
        + QString::number(recordsComposed) + u" records will be displayed."_s;
}

QString totalText(const QString &label, double total)
{
    return label + QString::asprintf("%5.2f", total);
}

namespace {

class Composer
{
public:
    Composer(const RecordStore &store, const ReportDefinition &d, const Options &o, Result &r)
        : m_store(store)
        , m_def(d)
        , m_options(o)
        , m_result(r)
        , m_table(r.table)
    { }

    void run(const PageGeometry &geometry);

private:
    TZephPrinter &engine() { return *m_result.pages; }
    PageDrawing &page() { return *engine().canvas(); }
    void setFont(const ReportFontDef &fontDef) { engine().SetFont(fontDef.twips(), fontDef.color()); }
    // Line height of the current font: its height in twips plus its point size.
    int lineHeight() const
    {
        const QFont f = m_result.pages->CurrentFont();
        return f.pixelSize() + int(std::lround(twipFontPoints(f)));
    }
    int width(int column) const { return column < m_widths.size() ? m_widths[column] : 0; }
    QColor columnColour(int column) const
    {
        return StoredColour::toColor(
            m_def.colours[size_t(std::clamp(column, 0, ReportDefinition::ColourSlots - 1))]);
    }

    void text(const QString &text, int itemIndex);
    void newLine();
    void printHead();
    void previewRecord(int position, bool header);

    const RecordStore &m_store;
    const ReportDefinition &m_def;
    const Options &m_options;
    Result &m_result;
    ExportTable &m_table;
    QList<int> m_widths;
    int m_columns = 1;
    int m_pw = 0, m_ph = 0;
    int m_x = 0, m_y = 0, m_page = 1, m_column = 0, m_itemNumber = 0;
    double m_valueTotal = 0, m_paidTotal = 0;
    bool m_totalsOnWhite = false;
    int m_exportRow = -1, m_exportColumn = -1;
    bool m_inHead = false;
};

void Composer::run(const PageGeometry &geometry)
{
    // CalculateSpace.
    m_result.pages = std::make_unique<TZephPrinter>(geometry);
    engine().Reset();
    engine().SetMargins(marginsTwips(m_def));
    const QSize printable = printableSize(m_def, geometry);
    m_pw = m_result.printableWidth = printable.width();
    m_ph = m_result.printableHeight = printable.height();

    ReportDefinition columns = m_def;
    if (columns.sections.isEmpty())
        columns.doColumns(m_pw);
    if (columns.sections.isEmpty()) { // no valid column count either: one full-width column
        columns.columnCount = u"1"_s;
        columns.doColumns(m_pw);
    }
    m_columns = int(std::min<qsizetype>(columns.sections.size(), ReportDefinition::MaxColumns));
    for (int i = 0; i < m_columns; ++i)
        m_widths.append(columns.columnWidth(i, m_pw));

    setFont(m_def.titleFont);
    m_table.clear();
    printHead();
    const int count = m_store.count();
    for (int pos = 0; pos < count; ++pos) {
        const ItemRecord &record = m_store.at(pos);
        if (m_options.searchListOnly && !record.OnSearchList)
            continue;
        m_x = 0;
        m_column = 0;
        ++m_itemNumber;
        previewRecord(pos, false);
        if (m_options.pageLimit && m_page > PageLimit) {
            m_result.limitHit = true;
            break;
        }
        newLine();
        m_column = 0;
    }
    if (m_def.showTotals) {
        setFont(m_def.valueFont);
        m_table.addRow();
        m_totalsOnWhite = true;
        newLine();
        page().setBrushColour(Qt::white);
        page().fillRect(QRect(QPoint(0, m_y - 5), QPoint(m_pw, m_ph) - QPoint(1, 1)));
        m_table.addRow();
        m_exportRow = m_table.rowCount() - 1;
        m_exportColumn = 0;
        text(totalText(u"Total Paid : "_s, m_paidTotal), 0);
        newLine();
        m_table.addRow();
        m_exportRow = m_table.rowCount() - 1;
        m_exportColumn = 0;
        text(totalText(u"Total Value : "_s, m_valueTotal), 0);
    }
    engine().Finish();
}

void Composer::text(const QString &text, int itemIndex)
{
    const int w = width(m_column);
    // A cell lies on its own column's stripe, already filled with its colour: drawing it on a
    // clear brush looks the same and halves the work of every page replay.
    if (m_totalsOnWhite || m_column >= m_columns || m_y + lineHeight() + 2 > m_ph)
        page().setBrushColour(m_totalsOnWhite ? QColor(Qt::white) : columnColour(m_column));
    else
        page().setBrushClear();
    page().textRect(QRect(m_x, m_y, w, lineHeight() + 2), QPoint(m_x, m_y), text);
    if (m_exportRow >= 0 && m_exportColumn >= 0)
        m_table.setCell(m_exportRow, m_exportColumn, text);
    m_x += w;
    ++m_column;
    if (m_column >= m_columns && itemIndex < m_def.items.size() - 1) {
        newLine();
        if (m_def.indent) {
            m_x += width(0);
            ++m_column;
        }
    }
}

void Composer::newLine()
{
    const int h = lineHeight();
    m_y += h;
    // A header taller than the page would break pages without end: it runs on, clipped.
    if (m_ph < m_y + h && !m_inHead) {
        engine().NewPage();
        ++m_page;
        m_y = 0;
        m_column = 0;
        printHead();
    }
    m_x = 0;
    m_column = 0;
}

void Composer::printHead()
{
    m_inHead = true;
    m_x = 0;
    m_y += 10;
    setFont(m_def.titleFont);
    page().setBrushClear();
    bool drew = false;
    const int h = lineHeight();
    if (m_def.showPageNumbers) {
        m_x = m_pw - 250;
        page().textRect(QRect(QPoint(m_x, m_y), QPoint(m_pw - 1, m_y + h + 1)), QPoint(m_x, m_y),
            QString::number(m_page));
        drew = true;
    }
    if (m_def.showTitle) {
        m_x = (m_pw - engine().TextWidth(m_def.title)) / 2;
        page().textOut(QPoint(m_x, m_y), m_def.title);
        drew = true;
    }
    if (m_def.showDate) {
        page().textOut(QPoint(0, m_y), m_options.today.toString(u"yyyy/MM/dd"_s));
        drew = true;
    }
    if (drew) {
        m_y += h;
        m_x = 0;
    }
    setFont(m_def.bodyFont);
    m_y += 75;
    m_x = 0;
    int x = 0;
    for (int i = 0; i < m_columns; ++i) {
        page().setBrushColour(columnColour(i));
        if (width(i) > 0 && m_ph > m_y)
            page().fillRect(QRect(x, m_y, width(i), m_ph - m_y));
        x += width(i);
    }
    page().moveTo(QPoint(0, m_y));
    page().lineTo(QPoint(m_pw, m_y));
    m_y += 50;
    // The heading row goes to the export table once; a record broken by this page keeps its row.
    const int row = m_exportRow, column = m_exportColumn;
    previewRecord(0, true);
    m_exportRow = row;
    m_exportColumn = column;
    m_y += engine().CurrentFont().pixelSize() + 50;
    page().moveTo(QPoint(0, m_y));
    page().lineTo(QPoint(m_pw, m_y));
    m_y += 100;
    m_inHead = false;
}

void Composer::previewRecord(int position, bool header)
{
    m_table.addRow();
    m_exportRow = m_table.rowCount() - 1;
    m_exportColumn = -1;
    const ItemRecord *record = header ? nullptr : &m_store.at(position);
    if (record)
        ++m_result.recordsComposed;
    if (m_def.showItemNumbers) {
        ++m_exportColumn;
        text(header ? u"#"_s : QString::number(m_itemNumber) + u'.', 0);
    }
    if (record) {
        const double value = numericCleanup(record->detail(1)).toDouble();
        const double paid = numericCleanup(record->detail(8)).toDouble();
        if (const auto quantity = wholeNumber(record->detail(9))) {
            m_valueTotal += value * double(*quantity);
            m_paidTotal += paid * double(*quantity);
        } else {
            m_valueTotal += value;
            m_paidTotal += paid;
        }
    }
    for (int i = 0; i < m_def.items.size(); ++i) {
        ++m_exportColumn;
        const int code = m_def.items[i].code;
        text(header
                ? ReportItems::caption(code, m_store.captions)
                : ReportItems::cellText(code, *record, position + 1, m_options.shortDescriptions),
            i);
    }
    if (header && m_page != 1)
        m_table.removeLastRow();
}

} // namespace

Result compose(const RecordStore &store, const ReportDefinition &definition,
    const PageGeometry &geometry, const Options &options)
{
    Result result;
    Composer(store, definition, options, result).run(geometry);
    return result;
}

} // namespace ReportLayout
