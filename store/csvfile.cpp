// Comma-delimited export and import.
#include "store/csvfile.h"
#include "store/smallfile.h"

#include <algorithm>
#include <optional>

#include <QFile>

#include "store/safewrite.h"
#include "store/textcodec.h"

using namespace Qt::StringLiterals;

namespace CsvFile {

namespace {

// What spreadsheet programs read as more than one value, or as the end of a line.
bool needsQuotes(const QString &value)
{
    return std::any_of(value.cbegin(), value.cend(),
        [](QChar c) { return c == u',' || c == u'"' || c == u'\r' || c == u'\n'; });
}

} // namespace

QString field(const QString &value)
{
    if (!needsQuotes(value))
        return value;
    QString v = value;
    v.replace(u'"', u"\"\""_s);
    return u'"' + v + u'"';
}

QString exportLine(const ItemRecord &r)
{
    QString line;
    for (int k = 1; k <= ItemRecord::DescriptionCount; ++k)
        line += field(r.description(k)) + u',';
    for (int k = 0; k < ItemRecord::DetailCount; ++k)
        line += field(r.detail(k)) + u',';
    const QString status = r.Wanted ? u"Wanted"_s
        : r.ForTrade                ? u"For Trade"_s
        : r.ForSale                 ? u"For Sale"_s
                                    : QString();
    return line + field(status);
}

namespace {

// field(), encoded straight onto the output: no line or field strings on the way.
void appendField(QByteArray &out, const QString &value)
{
    if (!needsQuotes(value)) {
        appendEncodedText(out, value);
        return;
    }
    // A double quote byte comes only from a double quote character, so doubling the encoded
    // bytes is the same as doubling the characters.
    QByteArray encoded = encodeText(value);
    encoded.replace('"', "\"\"");
    out += '"';
    out += encoded;
    out += '"';
}

} // namespace

namespace {

// A value as read is already in the export's codec: its bytes go out as they are unless they
// need quotes (a byte of those four characters comes only from that character).
void appendValue(QByteArray &out, const ItemRecord &r, int value)
{
    const bool copied = r.forEachStoredText(value, [&out, &r, value](QByteArrayView bytes) {
        if (std::any_of(bytes.begin(), bytes.end(),
                [](char c) { return c == ',' || c == '"' || c == '\r' || c == '\n'; }))
            appendField(out, r.text(value));
        else
            out += bytes;
    });
    if (!copied)
        appendField(out, r.text(value));
}

void appendRecord(QByteArray &out, const ItemRecord &r)
{
    for (int k = 1; k <= ItemRecord::DescriptionCount; ++k) {
        appendValue(out, r, ItemRecord::descriptionValue(k));
        out += ',';
    }
    for (int k = 0; k < ItemRecord::DetailCount; ++k) {
        appendValue(out, r, ItemRecord::detailValue(k));
        out += ',';
    }
    out += r.Wanted  ? QByteArrayView("Wanted")
        : r.ForTrade ? QByteArrayView("For Trade")
        : r.ForSale  ? QByteArrayView("For Sale")
                     : QByteArrayView();
    out += "\r\n";
}

} // namespace

QByteArray exportBytes(const RecordStore &store)
{
    QByteArray out;
    out.reserve(qsizetype(store.count()) * 256);
    for (const RecordPtr &p : store.records())
        appendRecord(out, *p);
    return out;
}

bool exportFile(const QString &path, const RecordStore &store, QString *error)
{
    // Written in pieces of about a megabyte, so a large catalogue's export needs no second copy
    // of itself in memory.
    constexpr qsizetype Piece = 1 << 20;
    const SafeWrite::Result result = SafeWrite::write(path, [&store](QIODevice &out) {
        QByteArray piece;
        piece.reserve(Piece + 64 * 1024);
        for (const RecordPtr &p : store.records()) {
            appendRecord(piece, *p);
            if (piece.size() >= Piece) {
                if (out.write(piece) != piece.size())
                    return false;
                piece.resize(0); // keeps the capacity
            }
        }
        return out.write(piece) == piece.size();
    });
    if (!result.ok() && error)
        *error = result.message;
    return result.ok();
}

QString moneyTemplate(const QString &field)
{
    static const QString money = u"$0,000.00"_s;
    const qsizetype n = field.size();
    if (n >= 9)
        return money + field;
    return money.left(8 - n) + u'0' + field;
}

ItemRecord importDefaults(const QDate &today)
{
    ItemRecord r;
    r.setName(u"Empty"_s);
    const QString date = today.toString(u"yyyy/MM/dd"_s);
    const QString details[] = { u" "_s, u"0"_s, date, date, u"0"_s, u" "_s, u" "_s, u" "_s, u"0"_s,
        u"01"_s };
    for (int i = 0; i < ItemRecord::DetailCount; ++i)
        r.setDetail(i, details[i]);
    for (int k = 1; k <= ItemRecord::PictureCount; ++k)
        r.setPictureTitle(k, u"Untitled "_s + QString::number(k));
    return r;
}

namespace {

void apply(ItemRecord &r, int code, const QString &f)
{
    if (code >= ItemCode::FirstDescription && code < ItemCode::FirstDetail) {
        r.setDescription(code + 1, f);
    } else if (code == ItemCode::FirstDetail + 1 || code == ItemCode::FirstDetail + 8) {
        r.setDetail(code - ItemCode::FirstDetail, moneyTemplate(f));
    } else if (code >= ItemCode::FirstDetail && code < ItemCode::Status) {
        r.setDetail(code - ItemCode::FirstDetail, f);
    } else if (code == ItemCode::Status) {
        if (f == u"Wanted"_s)
            r.Wanted = true;
        else if (f == u"For Trade"_s)
            r.ForTrade = true;
        else if (f == u"For Sale"_s)
            r.ForSale = true;
    } else if (code == ItemCode::Name) {
        r.setName(f);
    }
}

} // namespace

int importBytes(
    QByteArrayView bytes, RecordStore &store, const QList<int> &codes, const QDate &today)
{
    const qsizetype ctrlZ = bytes.indexOf('\x1A');
    if (ctrlZ >= 0)
        bytes = bytes.first(ctrlZ);
    int added = 0;
    qsizetype pos = 0;
    const qsizetype size = bytes.size();
    while (pos < size) {
        qsizetype end = pos;
        while (end < size && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        QString line = decodeText(bytes.sliced(pos, end - pos));
        pos = end;
        // CR, CR LF, or (a mend) a lone LF as this platform writes it: one line end each.
        if (pos < size && bytes[pos] == '\r')
            ++pos;
        if (pos < size && bytes[pos] == '\n')
            ++pos;
        ItemRecord r = importDefaults(today);
        for (int code : codes) {
            QString f;
            const qsizetype comma = line.indexOf(u',');
            if (comma < 0) {
                f = line;
                line.clear();
            } else {
                f = line.left(comma);
                line.remove(0, comma + 1);
            }
            apply(r, code, f);
        }
        store.append(std::move(r));
        ++added;
    }
    return added;
}

namespace {

// The whole file into bytes, or the result that says why it could not be read.
std::optional<ImportResult> readWhole(const QString &path, QByteArray &bytes)
{
    SmallFile::Result read = SmallFile::read(path, SmallFile::DataLimit);
    if (!read.ok())
        return ImportResult { false, 0, read.error };
    bytes = std::move(read.bytes);
    return std::nullopt;
}

} // namespace

ImportResult importFile(
    const QString &path, RecordStore &store, const QList<int> &codes, const QDate &today)
{
    if (!store.databaseOpen) {
        store.clear();
        store.databaseOpen = true;
    }
    QByteArray bytes;
    if (std::optional<ImportResult> failed = readWhole(path, bytes))
        return *failed;
    return { true, importBytes(bytes, store, codes, today), {} };
}

namespace {

// Splits comma-delimited text into lines of fields: a field in double quotes may hold commas,
// doubled quotes and line breaks; a line ends at CR LF, CR or LF outside quotes. Returns false
// at a quote left open, with *line the line it opened on.
bool splitLines(const QString &text, QList<QStringList> &lines, qsizetype *line)
{
    QStringList fields;
    QString field;
    bool quoted = false; // inside a quoted field
    bool atFieldStart = true;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c != u'"') {
                field += c;
            } else if (i + 1 < n && text[i + 1] == u'"') {
                field += c;
                ++i;
            } else {
                quoted = false;
            }
        } else if (c == u'"' && atFieldStart) {
            quoted = true;
            atFieldStart = false;
        } else if (c == u',') {
            fields.append(std::exchange(field, QString()));
            atFieldStart = true;
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
                ++i;
            fields.append(std::exchange(field, QString()));
            lines.append(std::exchange(fields, QStringList()));
            atFieldStart = true;
        } else {
            field += c;
            atFieldStart = false;
        }
    }
    if (quoted) {
        *line = lines.size() + 1;
        return false;
    }
    // A last line without its line end is still a line.
    if (!atFieldStart || !field.isEmpty() || !fields.isEmpty()) {
        fields.append(field);
        lines.append(fields);
    }
    return true;
}

} // namespace

ImportResult importExportedBytes(
    QByteArrayView bytes, const QString &path, RecordStore &store, const QDate &today)
{
    QList<QStringList> lines;
    qsizetype open = 0;
    if (!splitLines(decodeText(bytes), lines, &open)) {
        return { false, 0,
            u"%1 is not an exported file: a quoted field opened on line %2 does not end."_s
                .arg(path)
                .arg(open) };
    }
    std::vector<ItemRecord> records;
    records.reserve(size_t(lines.size()));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QStringList &f = lines[i];
        if (f.size() == 1 && f[0].isEmpty())
            continue; // an empty line holds no record
        if (f.size() != ExportFieldCount) {
            return { false, 0,
                u"%1 is not an exported file: line %2 holds %3 fields, not %4. Nothing was imported."_s
                    .arg(path)
                    .arg(i + 1)
                    .arg(f.size())
                    .arg(ExportFieldCount) };
        }
        ItemRecord r = importDefaults(today);
        for (int k = 1; k <= ItemRecord::DescriptionCount; ++k)
            r.setDescription(k, f[k - 1]);
        for (int k = 0; k < ItemRecord::DetailCount; ++k)
            r.setDetail(k, f[ItemRecord::DescriptionCount + k]);
        apply(r, ItemCode::Status, f[ExportFieldCount - 1]);
        records.push_back(std::move(r));
    }
    for (ItemRecord &r : records)
        store.append(std::move(r));
    return { true, int(records.size()), {} };
}

ImportResult importExportedFile(const QString &path, RecordStore &store, const QDate &today)
{
    QByteArray bytes;
    if (std::optional<ImportResult> failed = readWhole(path, bytes))
        return *failed;
    if (!store.databaseOpen) {
        store.clear();
        store.databaseOpen = true;
    }
    return importExportedBytes(bytes, path, store, today);
}

} // namespace CsvFile
