// larkspur-tool html-report: the HTML report page of a database in a format file's design.
#pragma once

#include <QStringList>

// args are those after "html-report": FORMAT.hrf IN.dat OUT.htm and --short-descriptions in any
// place. Every record is written (no row limit, no search list). Returns the exit code: 0 done,
// 1 a file could not be read or written, 2 wrong arguments.
int htmlReportCommand(const QStringList &args);
