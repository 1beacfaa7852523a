// larkspur-tool related: the records that share one field's value with a record.
#pragma once

#include <QStringList>

// args: FILE.dat RECORD FIELD. Prints "number<TAB>name" per related record, in store order.
// Returns 0 done, 1 the file could not be read, 2 wrong arguments.
int relatedCommand(const QStringList &args);
