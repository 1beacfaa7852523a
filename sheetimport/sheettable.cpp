// The sheet's rows of cells and the reader that picks the format from the file's content.
#include "sheetimport/sheettable.h"

#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace SheetImport {

QString SheetTable::cell(int row, int column) const
{
    if (row < 0 || row >= rowCount() || column < 0)
        return {};
    const qint64 first = m_rowStart[size_t(row)];
    const qint64 end = size_t(row) + 1 < m_rowStart.size() ? m_rowStart[size_t(row) + 1]
                                                           : qint64(m_cells.size());
    if (first + column >= end)
        return {};
    const Cell &c = m_cells[size_t(first + column)];
    if (c.pos < 0)
        return m_owned[size_t(-1 - c.pos)];
    return QString::fromUtf8(m_text.constData() + c.pos, c.length);
}

QStringList SheetTable::rowTexts(int row) const
{
    QStringList out;
    for (int c = 0; c < m_columns; ++c)
        out.append(cellText(row, c));
    return out;
}

void SheetTable::beginRow(int number)
{
    m_openRow = qint64(m_cells.size());
    m_openNumber = number;
}

void SheetTable::addSpan(qsizetype pos, qsizetype length)
{
    m_cells.push_back({ qint32(pos), qint32(length) });
}

void SheetTable::addOwned(const QString &value)
{
    if (value.isEmpty()) {
        m_cells.push_back({ 0, 0 });
        return;
    }
    m_owned.push_back(value);
    m_cells.push_back({ qint32(-qint64(m_owned.size())), qint32(value.size()) });
}

void SheetTable::endRow()
{
    // Trailing empty cells say nothing; a row of empty cells holds no record.
    while (qint64(m_cells.size()) > m_openRow && m_cells.back().length == 0) {
        if (m_cells.back().pos < 0)
            m_owned.pop_back();
        m_cells.pop_back();
    }
    m_lastRowKept = qint64(m_cells.size()) > m_openRow;
    if (m_lastRowKept) {
        m_rowStart.push_back(m_openRow);
        m_rowNumbers.push_back(m_openNumber);
        m_columns = std::max(m_columns, int(qint64(m_cells.size()) - m_openRow));
    }
    m_openRow = -1;
}

bool SheetTable::repeatLastRow(int number)
{
    if (!m_lastRowKept || m_rowStart.empty())
        return false;
    const qint64 first = m_rowStart.back();
    const qint64 end = qint64(m_cells.size());
    beginRow(number);
    for (qint64 i = first; i < end; ++i)
        m_cells.push_back(m_cells[size_t(i)]); // owned strings are shared, never removed again
    m_rowStart.push_back(m_openRow);
    m_rowNumbers.push_back(number);
    m_openRow = -1;
    return true;
}

QString encodingName(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Auto:
        return u"Automatic"_s;
    case TextEncoding::Utf8:
        return u"UTF-8"_s;
    case TextEncoding::Utf16LE:
        return u"UTF-16LE"_s;
    case TextEncoding::Utf16BE:
        return u"UTF-16BE"_s;
    case TextEncoding::Windows1252:
        return u"Windows-1252"_s;
    }
    return {};
}

TextEncoding encodingFromName(const QString &name)
{
    for (TextEncoding e : { TextEncoding::Utf8, TextEncoding::Utf16LE, TextEncoding::Utf16BE,
             TextEncoding::Windows1252 }) {
        if (name.compare(encodingName(e), Qt::CaseInsensitive) == 0)
            return e;
    }
    return TextEncoding::Auto;
}

namespace {

SheetRead failed(const QString &message)
{
    SheetRead r;
    r.message = message;
    return r;
}

} // namespace

SheetRead readSheet(const QString &path, const ReadOptions &options)
{
    const QFileInfo info(path);
    if (!info.exists())
        return failed(u"%1 was not found."_s.arg(path));
    // A FIFO, a device or a folder would block or never end.
    if (!info.isFile())
        return failed(u"%1 is not a regular file."_s.arg(path));
    if (info.size() > MaxFileBytes)
        return failed(
            u"%1 is too large to import (more than %2 MB)."_s.arg(path).arg(MaxFileBytes >> 20));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failed(u"Cannot open file %1: %2"_s.arg(path, file.errorString()));
    const QByteArray head = file.peek(4);
    const QString suffix = info.suffix().toLower();
    if (head.startsWith("PK\x03\x04")) {
        file.close();
        if (suffix == "ods"_L1 || suffix == "ots"_L1)
            return readOds(path, options.sheet, options.maxPartBytes, options.progress);
        if (suffix == "xlsx"_L1 || suffix == "xlsm"_L1)
            return readXlsx(path, options.sheet, options.maxPartBytes, options.progress);
        // Another name: the container's own parts tell.
        SheetRead x = readXlsx(path, options.sheet, options.maxPartBytes, options.progress);
        if (x.ok)
            return x;
        SheetRead o = readOds(path, options.sheet, options.maxPartBytes, options.progress);
        return o.ok ? o : x;
    }
    if (suffix == "xlsx"_L1 || suffix == "xlsm"_L1 || suffix == "ods"_L1)
        return failed(
            u"%1 is damaged: it is not a zip container, as a workbook is. Nothing was imported."_s
                .arg(path));
    // Read in pieces up to the limit, however the file grows meanwhile.
    QByteArray bytes;
    bytes.reserve(info.size());
    constexpr qint64 Piece = 1 << 20;
    while (bytes.size() <= MaxFileBytes) {
        const qsizetype at = bytes.size();
        bytes.resize(at + Piece);
        const qint64 n = file.read(bytes.data() + at, Piece);
        if (n < 0)
            return failed(u"Cannot read file %1: %2"_s.arg(path, file.errorString()));
        bytes.resize(at + n);
        if (n == 0)
            break;
    }
    if (bytes.size() > MaxFileBytes)
        return failed(
            u"%1 is too large to import (more than %2 MB)."_s.arg(path).arg(MaxFileBytes >> 20));
    return readTextSheet(std::move(bytes), options, suffix == "tsv"_L1 || suffix == "tab"_L1);
}

} // namespace SheetImport
