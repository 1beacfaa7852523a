// The fixed-width text table a report is mailed or posted as.
#pragma once

#include <QStringList>

class ExportTable;

// From the export table's heading row (row 0) and the next recordRows rows (the composed
// records; the totals after them are left out). Without item numbers the table keeps two blanks
// for the missing number column. One entry per line, starting and ending with an empty line.
QStringList reportTextTable(const ExportTable &table, int recordRows, bool itemNumbers);
