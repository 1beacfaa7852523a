// larkspur-tool html-report: the same table and page writer as the HTML report window's Save HTML.
#include "tools/htmlreportcommand.h"

#include "htmlreport/hrffile.h"
#include "htmlreport/htmlreportdesign.h"
#include "reports/exporttable.h"
#include "store/recordstore.h"
#include "tools/toolio.h"

using namespace Qt::StringLiterals;

namespace {

enum ExitCode { Success = 0, Failure = 1, Usage = 2 };

int usage(const QString &problem)
{
    ToolIo::write(stderr,
        u"larkspur-tool html-report: "_s + problem
            + u"\nusage: larkspur-tool html-report FORMAT.hrf IN.dat OUT.htm "
              "[--short-descriptions]\n"_s);
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
        ToolIo::write(stderr, u"HTML Report Format file is invalid.  No format loaded.\n"_s);
        return Failure;
    }
    RecordStore store;
    if (!ToolIo::readOrReport(in, store))
        return Failure;
    // A file has no search list, so the format's only-search-list option has nothing to keep.
    const HtmlReport::Table t
        = HtmlReport::buildTable(store, design.items, false, shortDescriptions, 0);
    QString error;
    if (!ExportWriters::writeFile(out, HtmlReport::page(t.table, design), &error)) {
        ToolIo::write(stderr, error + u'\n');
        return Failure;
    }
    ToolIo::write(stdout, u"%1: %2 records written\n"_s.arg(out).arg(t.recordRows));
    return Success;
}
