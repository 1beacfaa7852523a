// The export table a report fills beside its pages, and its comma-delimited and HTML writers.
#pragma once

#include <optional>

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

class ExportTable
{
public:
    int rowCount() const { return int(m_rows.size()); }
    int columnCount() const { return m_columns; }
    // Empty text outside the table.
    QString cell(int row, int col) const;
    // Beyond the last column adds columns; beyond the last row adds rows at the end.
    void setCell(int row, int col, const QString &text);
    void addRow();
    void removeLastRow();
    void clear();
    // Row 0 is then the header row (used by the HTML writer).
    void setHeaderRow(bool on) { m_headerRow = on; }
    bool hasHeaderRow() const { return m_headerRow; }

private:
    QList<QStringList> m_rows; // each row holds exactly m_columns cells
    int m_columns = 0;
    bool m_headerRow = false;
};

namespace ExportWriters {

// The comma-delimited writer: the file's bytes, lines ending CR LF.
QByteArray csv(const ExportTable &table);

struct HtmlOptions
{
    QStringList header, footer; // the user's own HTML lines, written as they are
    QColor headerColour; // background of the header row's cells
    std::optional<QColor> background, textColour; // of every body cell, when set
    bool bold = false, italic = false, underline = false;
};

// The HTML table writer: the file's bytes, lines ending CR LF.
QByteArray html(const ExportTable &table, const HtmlOptions &options);

// Six upper-case hexadecimal digits, red, green, blue.
QString colourHex(const QColor &colour);
// Cell text as written into a page: &, <, >, " escaped, every CR a line break, empty as <br>.
QString htmlCellText(const QString &text);

// Writes bytes to path safely; false with *error = "Cannot create file PATH" when the file
// cannot be created, "Cannot write file PATH: REASON" when the write failed (the old file is
// then unchanged).
bool writeFile(const QString &path, const QByteArray &bytes, QString *error);

} // namespace ExportWriters
