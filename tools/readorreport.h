// Reading a database for a larkspur-tool subcommand, with the program's own failure messages.
#pragma once

#include <cstdio>

#include <QString>

class RecordStore;
namespace DataFile {
struct ReadResult;
}

// Reads path into store; on failure prints the message to standard error and returns false.
// The read waits for a command that is changing the file (sharedLock); result, when given,
// receives what the reader returned.
bool readDatabaseOrReport(const QString &path, RecordStore &store,
    DataFile::ReadResult *result = nullptr, bool sharedLock = true);
// Prints a line (UTF-8) to standard output or standard error.
void printToolLine(const QString &line, bool toError = false);
// Writes text (UTF-8) as it is, without a line end.
void writeTo(std::FILE *stream, const QString &text);
