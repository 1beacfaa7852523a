// A whole database as JSON text and back, for larkspur-tool's dump and build.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "store/recordstore.h"

namespace DatabaseJson {

// UTF-8 JSON with the keys in file order: version, signature, captions, categories, records.
// Each category is its list of nodes in depth-first order, {"level": 0, "text": "House"}.
QByteArray toJson(const RecordStore &store, const QString &version);

struct ParseResult
{
    bool ok = false;
    QString error; // where and what, when !ok
    QStringList warnings; // texts that the single-byte file cannot hold exactly
};

// Fills the store's captions, category texts and records from JSON text. A missing key keeps
// the value of a new empty store or record; a wrong type, an unknown key, too many entries or an
// invalid category (a node list with a level out of order, or a text form that does not build)
// is an error, and the store is then left as it was.
ParseResult fromJson(const QByteArray &json, RecordStore &store);

} // namespace DatabaseJson
