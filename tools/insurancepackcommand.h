// larkspur-tool insurance-pack: the insurance pack window's pack from the command line.
#pragma once

#include <QStringList>

// args are those after "insurance-pack": IN.dat OUTDIR [--group-by K] [--cover-file FILE]
// [--photos full|small|none] [--page a4|letter]. Returns 0 made, 1 failed, 2 wrong arguments.
int insurancePackCommand(const QStringList &args);
