// Comma-delimited export (21 fields per record) and import (fields mapped by item codes).
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QList>
#include <QString>

#include "store/recordstore.h"

namespace CsvFile {

// One exported field: "" when empty, enclosed in double quotes (its own doubled) when it holds
// a comma, else as it is.
QString field(const QString &value);
// The export line of a record, without its line end.
QString exportLine(const ItemRecord &record);
// The whole export file's bytes, CR LF line ends, file codec.
QByteArray exportBytes(const RecordStore &store);
// Writes the export file atomically; false with *error = "Cannot create file " + path.
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

} // namespace CsvFile
