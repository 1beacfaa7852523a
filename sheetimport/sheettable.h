// A sheet read from a CSV, TSV, XLSX or ODS file: its rows of cells, as compact as a large file
// needs, and the reader that makes it from a file treated as hostile input.
#pragma once

#include <functional>
#include <vector>

#include <QString>
#include <QStringList>
#include <QStringView>

namespace SheetImport {

// Limits on what a file may make us hold: a damaged or hostile file gives a message instead.
constexpr qint64 MaxFileBytes = qint64(512) << 20;
constexpr qint64 MaxXmlPartBytes = qint64(512) << 20; // one sheet's XML, unpacked
constexpr qint64 MaxSmallPartBytes = qint64(64) << 20; // workbook, relations, styles
constexpr int MaxColumns = 1024;
constexpr qint64 MaxCells = 20'000'000;
constexpr int MaxZipEntries = 10'000;

// Rows of cells. A text file's cells point into its text, kept as UTF-8; a cell that had to be
// rewritten (doubled quotes) or came from a zip container holds its own string.
class SheetTable
{
public:
    int rowCount() const { return int(m_rowNumbers.size()); }
    int columnCount() const { return m_columns; }
    // The row's number in the file, from 1, as a spreadsheet program shows it.
    int rowNumber(int row) const { return m_rowNumbers[size_t(row)]; }
    QString cell(int row, int column) const;
    QString cellText(int row, int column) const { return cell(row, column); }
    qint64 cellCount() const { return qint64(m_cells.size()); }

    // Building: cells go into the row begun last; a row whose cells are all empty is dropped.
    // The UTF-8 text that spans point into.
    void setText(QByteArray text) { m_text = std::move(text); }
    void beginRow(int number);
    void addSpan(qsizetype pos, qsizetype length);
    void addOwned(const QString &value);
    void endRow();
    // Repeats the row ended last; false when it was dropped as empty.
    bool repeatLastRow(int number);
    // Every cell of a row, up to the last column.
    QStringList rowTexts(int row) const;

private:
    struct Cell
    {
        qint32 pos; // a byte offset into m_text, or -1 - index into m_owned
        qint32 length;
    };
    QByteArray m_text;
    std::vector<QString> m_owned;
    std::vector<Cell> m_cells;
    std::vector<qint64> m_rowStart; // first cell of each row
    std::vector<int> m_rowNumbers;
    qint64 m_openRow = -1; // first cell of the row being built
    int m_openNumber = 0;
    int m_columns = 0;
    bool m_lastRowKept = false;
};

// Told now and then how far a long read or build has come, in thousandths; false stops it.
using Progress = std::function<bool(int permille)>;

enum class SheetFormat { Text, Xlsx, Ods };
enum class TextEncoding { Auto, Utf8, Utf16LE, Utf16BE, Windows1252 };

QString encodingName(TextEncoding encoding);
TextEncoding encodingFromName(const QString &name);

struct ReadOptions
{
    TextEncoding encoding = TextEncoding::Auto;
    QChar delimiter; // null: detected
    int sheet = 0; // from 0
    qint64 maxPartBytes = MaxXmlPartBytes; // a workbook's sheet or text part, unpacked
    Progress progress;
};

struct SheetRead
{
    bool ok = false;
    QString message; // why the file could not be read
    bool cancelled = false; // the progress said stop: nothing was read
    SheetFormat format = SheetFormat::Text;
    TextEncoding encoding = TextEncoding::Utf8; // text files: the one used
    QChar delimiter; // text files: the one used
    QStringList sheetNames; // workbooks: every sheet, in order
    int sheet = 0;
    SheetTable table;
};

// Reads the file; a workbook's chosen sheet (the first when options.sheet is out of range).
SheetRead readSheet(const QString &path, const ReadOptions &options = {});

// Text files (CSV, TSV) from their bytes.
SheetRead readTextSheet(QByteArray bytes, const ReadOptions &options, bool tabByDefault);
TextEncoding detectEncoding(QByteArrayView bytes);
QChar detectDelimiter(QStringView text, QChar fallback);

// Workbooks from a file already known to be a zip container.
SheetRead readXlsx(const QString &path, int sheet, qint64 maxPartBytes = MaxXmlPartBytes,
    const Progress &progress = {});
SheetRead readOds(const QString &path, int sheet, qint64 maxPartBytes = MaxXmlPartBytes,
    const Progress &progress = {});

} // namespace SheetImport
