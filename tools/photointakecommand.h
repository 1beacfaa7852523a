// larkspur-tool photo-intake: new records from a folder of photos, without the preview.
#pragma once

#include <QStringList>

// args are those after "photo-intake": FOLDER IN.dat OUT.dat [--gap SECONDS]
// [--copy-unstorable DIR], the last copying photos whose paths the catalogue cannot store into DIR
// under names it can, and adding the copies. Prints one line per
// record added (record number, name, location, date received, number of photos, tab-separated)
// and the count of files left out on standard error. 0 ok, 1 failed, 2 wrong use.
int photoIntakeCommand(const QStringList &args);
