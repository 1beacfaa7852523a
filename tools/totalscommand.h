// larkspur-tool totals: records and value totals per sub-category, as the graph window counts them.
#pragma once

#include <QStringList>

// args are those after "totals": FILE.dat K [--node "FULL NAME"]. Prints one "COUNT<TAB>TEXT" line
// per sub-node in tree order, then the Paid and Value totals. Returns the exit code: 0 done,
// 1 the file could not be read or the node does not exist, 2 wrong arguments.
int totalsCommand(const QStringList &args);
