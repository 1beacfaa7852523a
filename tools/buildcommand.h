// larkspur-tool build: a database file from its JSON text.
#pragma once

#include <QStringList>

// build IN.json OUT.dat: 0 when written, 1 when not (and OUT is as it was).
int buildCommand(const QStringList &args);
