// The HTML report without widgets: its design, the report table from the store and the page.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include "reports/exporttable.h"
#include "reports/vclvalues.h"
#include "store/captions.h"
#include "store/itemrecord.h"

class RecordStore;

// One entry of the report's field list: the caption it was added with and its item tag,
// (item code + 1) * 10: 10..100 descriptions 1..10, 110..200 details 0..9, 210 status,
// 220 record number, 230 name.
struct HtmlReportItem
{
    QString caption;
    int tag = 0;
    bool operator==(const HtmlReportItem &) const = default;
};

struct HtmlReportDesign
{
    QList<HtmlReportItem> items;
    QStringList header; // the user's own HTML, written before the table
    QStringList footer; // and after it
    VclValues::Font font; // colour and style go into every body cell
    qint32 colour = VclValues::clWhite; // background of every body cell
    bool onlySearchList = false;

    bool operator==(const HtmlReportDesign &) const = default;
};

namespace HtmlReport {

inline constexpr int RowLimit = 1000; // record rows the window writes at most
inline constexpr int FirstTag = 10;
inline constexpr int LastTag = 230;
inline constexpr int TagStep = 10;

inline constexpr int tagOfCode(int itemCode)
{
    return (itemCode + 1) * TagStep;
}

// Texts of the heading row and of a record's cell for an item tag; empty for a tag outside the
// list (a format file may hold any number).
QString headerText(int tag, const FieldCaptions &captions);
QString cellText(int tag, const ItemRecord &record, int position, bool shortDescriptions);

struct Table
{
    ExportTable table; // row 0 is the heading row
    int recordRows = 0;
    bool limited = false; // more records were in scope than the limit let in
};

// The heading row and one row per record in store order (position counted from 1), only the
// search list's records when onlySearchList; rowLimit 0 means no limit.
Table buildTable(const RecordStore &store, const QList<HtmlReportItem> &items, bool onlySearchList,
    bool shortDescriptions, int rowLimit);

// The page bytes: the shared HTML table writer with the design's header, footer, cell colour
// and font colour and style; system colours as the desktop shows them now.
QByteArray page(const ExportTable &table, const HtmlReportDesign &design);

// Lines of a text file as the program reads header and footer files: split at CR LF, a lone CR
// or a lone LF, no empty last line after a final line end.
QStringList splitLines(const QString &text);
// The header and footer as the work files "header.htm" and "footer.htm" in folder (CR LF after
// every line). False when either could not be written.
bool writeWorkFiles(const QString &folder, const HtmlReportDesign &design);

} // namespace HtmlReport
