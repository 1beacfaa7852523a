// larkspur-tool find: the records that quick find shows for the given words.
#pragma once

#include <QStringList>

// FILE.dat WORDS...: one line per matching record, its number (from 1) and name; exit 0 also
// when nothing matches, 1 when the file does not read.
int findCommand(const QStringList &args);
