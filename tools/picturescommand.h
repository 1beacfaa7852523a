// larkspur-tool pictures: whether every picture a catalogue refers to is still there and reads.
#pragma once

#include <QStringList>

// args are those after "pictures": FILE.dat. Prints one line per filled picture slot, in record
// order: record number, slot, "ok WIDTHxHEIGHT" / "missing" / "unreadable", the stored path,
// separated by tabs. Returns 0 when every picture is ok, 1 otherwise or when the file cannot be
// read.
int picturesCommand(const QStringList &args);
