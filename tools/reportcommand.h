// larkspur-tool report, export and import: the regular report and comma-delimited files from the
// command line, through the same code as the windows.
#pragma once

#include <QStringList>

// report FORMAT.rpt IN.dat (--pdf OUT.pdf | --csv OUT.csv | --html OUT.htm) [--page letter|a4]
// [--short-descriptions]. Exit code 0 done, 1 failed, 2 usage.
int reportCommand(const QStringList &args);
// export IN.dat OUT.csv
int exportCommand(const QStringList &args);
// import FORMAT.rpt IN.dat FILE.txt [OUT.dat]
int importCommand(const QStringList &args);
// import-export IN.csv OUT.dat: appends an export's records to OUT.dat, or makes it new
int importExportCommand(const QStringList &args);
