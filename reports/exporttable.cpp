// The export table and its two writers.
#include "reports/exporttable.h"

#include "store/csvfile.h"
#include "store/safewrite.h"
#include "store/textcodec.h"

using namespace Qt::StringLiterals;

QString ExportTable::cell(int row, int col) const
{
    if (row < 0 || row >= rowCount() || col < 0 || col >= m_columns)
        return {};
    return m_rows[row][col];
}

void ExportTable::setCell(int row, int col, const QString &text)
{
    if (row < 0 || col < 0)
        return;
    while (rowCount() <= row)
        addRow();
    if (col >= m_columns) {
        m_columns = col + 1;
        for (QStringList &r : m_rows)
            r.resize(m_columns);
    }
    m_rows[row][col] = text;
}

void ExportTable::addRow()
{
    QStringList row;
    row.resize(m_columns);
    m_rows.append(std::move(row));
}

void ExportTable::removeLastRow()
{
    if (!m_rows.isEmpty())
        m_rows.removeLast();
}

void ExportTable::clear()
{
    m_rows.clear();
    m_columns = 0;
    m_headerRow = false;
}

namespace ExportWriters {

QByteArray csv(const ExportTable &table)
{
    QString out;
    for (int r = 0; r < table.rowCount(); ++r) {
        for (int c = 0; c < table.columnCount(); ++c) {
            if (c > 0)
                out += u',';
            out += CsvFile::field(table.cell(r, c));
        }
        out += u"\r\n"_s;
    }
    return encodeText(out);
}

QString colourHex(const QColor &colour)
{
    return u"%1%2%3"_s.arg(colour.red(), 2, 16, QChar(u'0'))
        .arg(colour.green(), 2, 16, QChar(u'0'))
        .arg(colour.blue(), 2, 16, QChar(u'0'))
        .toUpper();
}

QString htmlCellText(const QString &text)
{
    if (text.isEmpty())
        return u"<br>"_s;
    QString out;
    out.reserve(text.size() + 16);
    for (const QChar ch : text) {
        switch (ch.unicode()) {
        case u'&':
            out += u"&amp;"_s;
            break;
        case u'<':
            out += u"&lt;"_s;
            break;
        case u'>':
            out += u"&gt;"_s;
            break;
        case u'"':
            out += u"&quot;"_s;
            break;
        case u'\r':
            out += u"<br>"_s;
            break;
        default:
            out += ch;
        }
    }
    return out;
}

QByteArray html(const ExportTable &table, const HtmlOptions &options)
{
    QString out;
    const auto line = [&out](const QString &l) { out += l + u"\r\n"_s; };
    for (const QString &l : options.header)
        line(l);
    line(u"<table border=\"1\" cellspacing=\"0\" cellpadding=\"0\" width=\"100%\">"_s);
    int first = 0;
    if (table.hasHeaderRow() && table.rowCount() > 0) {
        line(u"<tr>"_s);
        const QString colour = colourHex(options.headerColour);
        for (int c = 0; c < table.columnCount(); ++c) {
            line(u"<td nowrap BGCOLOR=\"#"_s + colour + u"\"><B>"_s + htmlCellText(table.cell(0, c))
                + u"</B></td>"_s);
        }
        line(u"</tr>"_s);
        first = 1;
    }
    QString open = u"<td nowrap"_s;
    if (options.background)
        open += u" BGCOLOR=\"#"_s + colourHex(*options.background) + u'"';
    open += u'>';
    QString close = u"</td>"_s;
    if (options.textColour) {
        open += u"<font color=\"#"_s + colourHex(*options.textColour) + u"\">"_s;
        close.prepend(u"</font>"_s);
    }
    if (options.bold) {
        open += u"<B>"_s;
        close.prepend(u"</B>"_s);
    }
    if (options.italic) {
        open += u"<I>"_s;
        close.prepend(u"</I>"_s);
    }
    if (options.underline) {
        open += u"<U>"_s;
        close.prepend(u"</U>"_s);
    }
    for (int r = first; r < table.rowCount(); ++r) {
        line(u"<tr>"_s);
        for (int c = 0; c < table.columnCount(); ++c)
            line(open + htmlCellText(table.cell(r, c)) + close);
        line(u"</tr>"_s);
    }
    line(u"</table><p>"_s);
    for (const QString &l : options.footer)
        line(l);
    return encodeText(out);
}

bool writeFile(const QString &path, const QByteArray &bytes, QString *error)
{
    const SafeWrite::Result result = SafeWrite::write(path, bytes);
    if (!result.ok() && error)
        *error = result.message;
    return result.ok();
}

} // namespace ExportWriters
