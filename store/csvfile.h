// Comma-delimited export (21 fields per record) and import (fields mapped by item codes).
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QList>
#include <QString>

#include "store/recordstore.h"

namespace CsvFile {

// One comma-delimited field, as every comma-delimited writer writes it: a value holding a comma,
// a double quote, CR or LF enclosed in double quotes with its own doubled; any other as it is.
QString field(const QString &value);
// The export line of a record, without its line end.
QString exportLine(const ItemRecord &record);
// The whole export file's bytes, CR LF line ends, file codec.
QByteArray exportBytes(const RecordStore &store);
// Writes the export file safely; false with *error = "Cannot create file PATH" or
// "Cannot write file PATH: REASON".
bool exportFile(const QString &path, const RecordStore &store, QString *error);

// A field laid into the money template "$0,000.00".
QString moneyTemplate(const QString &field);
// The values every imported record starts with.
ItemRecord importDefaults(const QDate &today);
// Appends one record per line of bytes, field j going to item code codes[j]; returns how many.
// A line ends at CR, CR LF or LF; Ctrl-Z ends the input.
int importBytes(
    QByteArrayView bytes, RecordStore &store, const QList<int> &codes, const QDate &today);

struct ImportResult
{
    bool ok = false;
    int added = 0;
    QString message; // the platform's message when the file could not be read
};
// Reads the file and appends its records; opens an empty store first when no database is open.
ImportResult importFile(
    const QString &path, RecordStore &store, const QList<int> &codes, const QDate &today);

// The number of fields on an exported line.
inline constexpr int ExportFieldCount = 21;

// Reads a file that exportFile wrote (or a spreadsheet program saved in the same layout) and
// appends its records with every exported field as it was: descriptions 1-10, details 0-9 and
// the status flag; the fields an export does not hold take the import defaults. All or nothing:
// a line that is not 21 fields appends no record at all, and the message says which.
ImportResult importExportedBytes(
    QByteArrayView bytes, const QString &path, RecordStore &store, const QDate &today);
// The same from a file; opens an empty store first when no database is open.
ImportResult importExportedFile(const QString &path, RecordStore &store, const QDate &today);

} // namespace CsvFile
