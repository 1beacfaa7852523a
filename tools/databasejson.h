// A whole database as JSON text and back, for larkspur-tool's dump and build.
#pragma once

#include <functional>
#include <memory>

#include <QByteArray>
#include <QByteArrayView>
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
    qsizetype moreWarnings = 0; // warnings beyond those kept
};

// Fills the store's captions, category texts and records from JSON text. A missing key keeps
// the value of a new empty store or record; a wrong type, an unknown key, too many entries or an
// invalid category (a node list with a level out of order, or a text form that does not build)
// is an error, and the store is then left as it was.
ParseResult fromJson(const QByteArray &json, RecordStore &store);

// fromJson's reading for a document taken in pieces, so that a large one is never held whole:
// the members other than the records first, then each record as it comes. The result is
// fromJson's: a JSON syntax error anywhere is told before any other error, else the first other
// error; the warnings up to the first error, of which the first keptWarnings are kept.
class StreamReader
{
public:
    explicit StreamReader(qsizetype keptWarnings);
    ~StreamReader();
    // head: the document with an empty records list; position turns a byte offset in the file
    // into the place a syntax error is told at (called by result(), once reading is done).
    void readHead(const QByteArray &head, const std::function<QString(qint64 offset)> &position);
    // Reads the next record's JSON text, found at offset in the file; true when out holds it to
    // be written, false once anything failed.
    bool readRecord(QByteArrayView json, qint64 offset, ItemRecord &out);
    bool failed() const;
    bool syntaxFailed() const; // then nothing further read changes the result
    // The captions and category trees read from the head.
    const RecordStore &head() const;
    ParseResult result() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace DatabaseJson
