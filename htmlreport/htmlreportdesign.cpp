// Report table and page of the HTML report.
#include "htmlreport/htmlreportdesign.h"

#include <QDir>

#include "recordwindow/descriptionvalue.h"
#include "reports/reportitems.h"
#include "store/recordstore.h"
#include "store/textcodec.h"

namespace HtmlReport {

namespace {

constexpr int FirstDetailTag = 110;
constexpr int StatusTag = 210;
constexpr int RecordNumberTag = 220;
constexpr int NameTag = 230;

// Description number 1..10 or detail number 0..9 of a tag, as the tag arithmetic gives it;
// -1 when that number does not exist.
int descriptionOf(int tag)
{
    // Checked before the arithmetic, which a tag near the smallest int would overflow; no tag
    // of zero or less names a description.
    if (tag <= FirstTag - TagStep || tag >= FirstDetailTag)
        return -1;
    const int k = (tag - FirstTag) / TagStep + 1;
    return k >= 1 && k <= ItemRecord::DescriptionCount ? k : -1;
}

int detailOf(int tag)
{
    if (tag < FirstDetailTag || tag >= StatusTag)
        return -1;
    const int d = (tag - FirstDetailTag) / TagStep;
    return d >= 0 && d < ItemRecord::DetailCount ? d : -1;
}

QString statusText(const ItemRecord &r)
{
    // For Sale wins over For Trade over Wanted here (the regular report orders them the other
    // way round).
    if (r.ForSale)
        return ReportItems::forSaleCaption();
    if (r.ForTrade)
        return ReportItems::forTradeCaption();
    if (r.Wanted)
        return ReportItems::wantedCaption();
    return {};
}

QByteArray linesBytes(const QStringList &lines)
{
    QByteArray out;
    for (const QString &line : lines) {
        appendEncodedText(out, line);
        out += "\r\n";
    }
    return out;
}

} // namespace

QString headerText(int tag, const FieldCaptions &captions)
{
    if (tag < FirstDetailTag) {
        const int k = descriptionOf(tag);
        return k < 0 ? QString() : captions.description[size_t(k)];
    }
    if (tag < StatusTag) {
        const int d = detailOf(tag);
        return d < 0 ? QString() : captions.detail[size_t(d)];
    }
    switch (tag) {
    case StatusTag:
        return ReportItems::statusCaption();
    case RecordNumberTag:
        return QStringLiteral("Record #");
    case NameTag:
        return ReportItems::nameCaption();
    }
    return {};
}

QString cellText(int tag, const ItemRecord &record, int position, bool shortDescriptions)
{
    if (tag < FirstDetailTag) {
        const int k = descriptionOf(tag);
        return k < 0 ? QString()
                     : ReturnDescriptionValue(record.description(k), shortDescriptions);
    }
    if (tag < StatusTag) {
        const int d = detailOf(tag);
        return d < 0 ? QString() : record.detail(d);
    }
    switch (tag) {
    case StatusTag:
        return statusText(record);
    case RecordNumberTag:
        return QString::number(position);
    case NameTag:
        return record.name();
    }
    return {};
}

Table buildTable(const RecordStore &store, const QList<HtmlReportItem> &items, bool onlySearchList,
    bool shortDescriptions, int rowLimit)
{
    Table out;
    ExportTable &t = out.table;
    t.setHeaderRow(true);
    t.addRow();
    for (int c = 0; c < items.size(); ++c)
        t.setCell(0, c, headerText(items[c].tag, store.captions));
    for (int pos = 0; pos < store.count(); ++pos) {
        const ItemRecord &r = store.at(pos);
        if (onlySearchList && !r.OnSearchList)
            continue;
        if (rowLimit > 0 && out.recordRows >= rowLimit) {
            out.limited = true;
            break;
        }
        ++out.recordRows;
        t.addRow();
        for (int c = 0; c < items.size(); ++c)
            t.setCell(out.recordRows, c, cellText(items[c].tag, r, pos + 1, shortDescriptions));
    }
    return out;
}

QByteArray page(const ExportTable &table, const HtmlReportDesign &design)
{
    ExportWriters::HtmlOptions o;
    o.header = design.header;
    o.footer = design.footer;
    o.headerColour = VclValues::toQColor(VclValues::clActiveBorder);
    // clNone is no colour at all: the cell keeps the page's own.
    if (design.colour != VclValues::clNone)
        o.background = VclValues::toQColor(design.colour);
    if (design.font.colour != VclValues::clNone)
        o.textColour = VclValues::toQColor(design.font.colour);
    o.bold = design.font.style.bold;
    o.italic = design.font.style.italic;
    o.underline = design.font.style.underline;
    return ExportWriters::html(table, o);
}

QStringList splitLines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            lines << text.mid(start, i - start);
            i += (c == u'\r' && i + 1 < n && text[i + 1] == u'\n') ? 2 : 1;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < n)
        lines << text.mid(start);
    return lines;
}

bool writeWorkFiles(const QString &folder, const HtmlReportDesign &design)
{
    const QDir dir(folder);
    bool ok = ExportWriters::writeFile(
        dir.filePath(QStringLiteral("header.htm")), linesBytes(design.header), nullptr);
    ok = ExportWriters::writeFile(
             dir.filePath(QStringLiteral("footer.htm")), linesBytes(design.footer), nullptr)
        && ok;
    return ok;
}

} // namespace HtmlReport
