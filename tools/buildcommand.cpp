// larkspur-tool build: the JSON is read record by record and each record written as it is read,
// so that neither the text nor the records are ever held whole. A first pass checks everything
// and counts the records (the file's head holds the count); only then is the file written.
#include "tools/buildcommand.h"

#include "store/datafile.h"
#include "store/recordstore.h"
#include "store/smallfile.h"
#include "tools/databasechange.h"
#include "tools/databasejson.h"
#include "tools/jsonrecordstream.h"
#include "tools/readorreport.h"

using namespace Qt::StringLiterals;

namespace {

// Read in pieces, the JSON costs no memory for its size: only the disk bounds it. A document of
// another shape is read whole and keeps SmallFile's limit.
constexpr qint64 StreamedLimit = qint64(64) << 30;

// A long list of the same warning helps nobody; the first few show where to look.
constexpr qsizetype ShownWarnings = 20;

void printWarnings(const QString &in, const DatabaseJson::ParseResult &parsed)
{
    for (qsizetype i = 0; i < parsed.warnings.size() && i < ShownWarnings; ++i)
        printToolLine(in + u": "_s + parsed.warnings[i], true);
    const qsizetype all = parsed.warnings.size() + parsed.moreWarnings;
    if (all > ShownWarnings)
        printToolLine(in + u": and %1 more warnings"_s.arg(all - ShownWarnings), true);
}

void printWritten(const QString &out, int count)
{
    printToolLine(out + u": %1 records written"_s.arg(count));
}

// Any other shape, valid or not, is read whole, which also tells exactly what is wrong with it.
int buildWhole(const QString &in, const QString &out)
{
    const SmallFile::Result file = SmallFile::read(in, SmallFile::DataLimit);
    if (!file.ok()) {
        printToolLine(file.error, true);
        return 1;
    }
    RecordStore store;
    DatabaseChange change;
    if (!change.begin(QString(), out, store))
        return 1;
    const DatabaseJson::ParseResult parsed = DatabaseJson::fromJson(file.bytes, store);
    printWarnings(in, parsed);
    if (!parsed.ok) {
        printToolLine(in + u": "_s + parsed.error, true);
        return 1;
    }
    if (!change.write(store))
        return 1;
    printWritten(out, store.count());
    return 0;
}

// One pass over the records: each read and, when sink is given, written.
bool readRecords(JsonRecordStream &stream, DatabaseJson::StreamReader &reader,
    DataFile::StreamWriter *sink, QString &error)
{
    reader.readHead(stream.head(), [&stream](qint64 offset) { return stream.position(offset); });
    ItemRecord record;
    QByteArrayView json;
    qint64 offset = 0;
    for (;;) {
        switch (stream.next(json, offset, error)) {
        case JsonRecordStream::Next::Failed:
            return false;
        case JsonRecordStream::Next::End:
            return stream.unchanged(error);
        case JsonRecordStream::Next::Record:
            if (reader.readRecord(json, offset, record)) {
                if (sink)
                    sink->add(record);
            } else if (reader.syntaxFailed()) {
                return true; // nothing further changes what is told
            }
            break;
        }
    }
}

} // namespace

int buildCommand(const QStringList &args)
{
    const QString &in = args[0];
    const QString &out = args[1];
    JsonRecordStream stream;
    QString error;
    if (!stream.open(in, StreamedLimit, error)) {
        printToolLine(error, true);
        return 1;
    }
    const JsonRecordStream::Shape shape = stream.scan(error);
    if (shape == JsonRecordStream::Shape::Failed) {
        printToolLine(error, true);
        return 1;
    }
    if (shape == JsonRecordStream::Shape::Other)
        return buildWhole(in, out);

    RecordStore unused;
    DatabaseChange change;
    if (!change.begin(QString(), out, unused))
        return 1;
    DatabaseJson::StreamReader check(ShownWarnings + 1);
    if (!stream.rewind(error) || !readRecords(stream, check, nullptr, error)) {
        printToolLine(error, true);
        return 1;
    }
    const DatabaseJson::ParseResult parsed = check.result();
    printWarnings(in, parsed);
    if (!parsed.ok) {
        printToolLine(in + u": "_s + parsed.error, true);
        return 1;
    }
    const bool written = change.write([&](QIODevice &device) {
        if (!stream.rewind(error))
            return DatabaseChange::Produced::Declined;
        DatabaseJson::StreamReader reader(0);
        DataFile::StreamWriter writer(device, check.head(), stream.count());
        if (!readRecords(stream, reader, &writer, error) || reader.failed()) {
            if (error.isEmpty()) // the same text read differently the second time
                error = u"Cannot read file %1: it changed while it was read"_s.arg(in);
            return DatabaseChange::Produced::Declined;
        }
        return writer.finish() ? DatabaseChange::Produced::Complete
                               : DatabaseChange::Produced::WriteFailed;
    });
    if (!written) {
        if (!error.isEmpty())
            printToolLine(error, true);
        return 1;
    }
    printWritten(out, stream.count());
    return 0;
}
