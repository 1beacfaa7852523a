// larkspur-tool send: composes a regular report and mails it or posts it to a newsgroup.
#pragma once

#include <QStringList>

// args are those after "send": FORMAT.rpt IN.dat and the options. Returns the process exit code:
// 0 sent, 1 a file could not be read or the server refused, 2 wrong arguments.
int sendCommand(const QStringList &args);
