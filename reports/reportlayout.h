// The regular report's composition: records and a report definition into pages of the page
// engine and, beside them, the export table. No widgets: the report window, larkspur-tool and the
// sending window share it.
#pragma once

#include <memory>

#include <QDate>
#include <QMargins>
#include <QString>

#include "reports/exporttable.h"
#include "reports/reportdefinition.h"
#include "reports/zephprinter.h"

class RecordStore;

namespace ReportLayout {

inline constexpr int PageLimit = 10;

struct Options
{
    QDate today; // the date in the page header
    bool pageLimit = true; // stop after the record that reaches page 11 (the window does)
    bool shortDescriptions = false; // description values in their short form
    bool searchListOnly = false; // the report scope
};

struct Result
{
    std::unique_ptr<TZephPrinter> pages; // finished
    ExportTable table;
    int recordsComposed = 0;
    bool limitHit = false; // the page limit stopped the composition
    int printableWidth = 0;
    int printableHeight = 0;
};

// Margins in twips from the definition's margin texts.
QMargins marginsTwips(const ReportDefinition &definition);
// The printable width and height in twips for a page geometry (CalculateSpace).
QSize printableSize(const ReportDefinition &definition, const PageGeometry &geometry);
// A page geometry turned to the orientation the definition chose (unchanged when none).
PageGeometry oriented(const PageGeometry &geometry, ReportOrientation orientation);

// Composes every record in scope. The definition's column sections are used as they are; when it
// has none they are built from its column count.
Result compose(const RecordStore &store, const ReportDefinition &definition,
    const PageGeometry &geometry, const Options &options);

// The window's warning after the page limit stopped a composition.
QString tooMuchDataWarning(int recordsComposed);
// "Total Paid : " and "Total Value : " lines: two decimals, at least five characters.
QString totalText(const QString &label, double total);

} // namespace ReportLayout
