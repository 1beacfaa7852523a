// larkspur-tool search: a search run over a database file from the command line.
#pragma once

#include <QStringList>

// args are those after "search": FILE.dat and the options. Returns the process exit code:
// 0 done, 1 the file could not be read or the extract could not be written, 2 wrong arguments.
int searchCommand(const QStringList &args);
