// larkspur-tool websearch: the search term of a record and the address an engine is sent.
#pragma once

#include <QStringList>

// args: FILE.dat RECORD [ENGINE]. Prints the term, then the address. Returns 0 done, 1 the file
// could not be read, 2 wrong arguments.
int websearchCommand(const QStringList &args);
