// larkspur-tool html-report: the same table and page writer as the HTML report window's Save HTML.
#include "tools/htmlreportcommand.h"

#include "htmlreport/hrffile.h"
#include "htmlreport/htmlreportdesign.h"
#include "reports/exporttable.h"
#include "store/recordstore.h"
#include "tools/readorreport.h"

using namespace Qt::StringLiterals;

namespace {

enum ExitCode { Success = 0, Failure = 1, Usage = 2 };

int usage(const QString &problem)
{
    printToolLine(u"larkspur-tool html-report: "_s + problem
            + u"\nusage: larkspur-tool html-report FORMAT.hrf IN.dat OUT.htm "
              "[--short-descriptions]"_s,
        true);
    return Usage;
}

} // namespace

int htmlReportCommand(const QStringList &args)
{
    QStringList files;
    bool shortDescriptions = false;
    for (const QString &arg : args) {
        if (arg == u"--short-descriptions"_s)
            shortDescriptions = true;
        else if (arg.startsWith(u"--"_s))
            return usage(u"unknown option \"%1\""_s.arg(arg));
        else
            files << arg;
    }
    if (files.size() != 3)
        return usage(u"needs a format file, a database file and a page file"_s);
    const QString &format = files[0];
    const QString &in = files[1];
    const QString &out = files[2];

    HtmlReportDesign design;
    if (!HrfFile::load(format, design)) {
        printToolLine(u"HTML Report Format file is invalid.  No format loaded."_s, true);
        return Failure;
    }
    RecordStore store;
    if (!readDatabaseOrReport(in, store))
        return Failure;
    // A file has no search list, so the format's only-search-list option has nothing to keep.
    const HtmlReport::Table t
        = HtmlReport::buildTable(store, design.items, false, shortDescriptions, 0);
    QString error;
    if (!ExportWriters::writeFile(out, HtmlReport::page(t.table, design), &error)) {
        printToolLine(error, true);
        return Failure;
    }
    printToolLine(u"%1: %2 records written"_s.arg(out).arg(t.recordRows));
    return Success;
}
