// What larkspur-tool's commands share: output to the standard streams and reading a database
// with the program's own messages.
#pragma once

#include <cstdio>

#include <QString>

class RecordStore;

namespace ToolIo {

// UTF-8 text to stdout or stderr, as it is (no line end added).
void write(std::FILE *stream, const QString &text);
// Reads like the program's Open does; a failure is reported on stderr with the program's
// messages and gives false.
bool readOrReport(const QString &path, RecordStore &store);

} // namespace ToolIo
