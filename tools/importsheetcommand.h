// larkspur-tool import-sheet: appends the records of a CSV, TSV, XLSX or ODS file.
#pragma once

#include <QStringList>

int importSheetCommand(const QStringList &args);
