// Lays the export table out in columns as wide as their widest text plus two blanks.
#include "sending/texttable.h"

#include "reports/exporttable.h"

using namespace Qt::StringLiterals;

namespace {

// A cell with a line break would break the row; it is shown on one line.
QString oneLine(QString text)
{
    text.replace(u"\r\n"_s, u" "_s);
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return text;
}

} // namespace

QStringList reportTextTable(const ExportTable &table, int recordRows, bool itemNumbers)
{
    const int rows = std::clamp(recordRows + 1, 0, table.rowCount());
    const int columns = table.columnCount();
    QList<qsizetype> width(columns, 0);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c)
            width[c] = std::max(width[c], oneLine(table.cell(r, c)).size());
    }
    qsizetype total = itemNumbers ? 0 : 2;
    for (qsizetype w : width)
        total += w + 2;

    const auto rowLine = [&](int r) {
        QString line(total + 1, u' ');
        qsizetype at = 0;
        for (int c = 0; c < columns; ++c) {
            const QString text = oneLine(table.cell(r, c));
            line.replace(at, text.size(), text);
            at += width[c] + 2;
        }
        return line;
    };

    const QString rule(total + 1, u'-');
    QStringList lines { QString(), rule, rows > 0 ? rowLine(0) : QString(total + 1, u' '), rule };
    for (int r = 1; r < rows; ++r)
        lines += rowLine(r);
    lines += QString();
    return lines;
}
