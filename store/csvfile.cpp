// Comma-delimited export and import.
#include "store/csvfile.h"

#include <QFile>
#include <QSaveFile>

#include "store/textcodec.h"

using namespace Qt::StringLiterals;

namespace CsvFile {

QString field(const QString &value)
{
    if (value.isEmpty())
        return u"\"\""_s;
    if (value.contains(u',')) {
        // Doubled quotes inside, so spreadsheet programs read the value back whole.
        QString v = value;
        v.replace(u'"', u"\"\""_s);
        return u'"' + v + u'"';
    }
    return value;
}

QString exportLine(const ItemRecord &r)
{
    QString line;
    for (int k = 1; k <= ItemRecord::DescriptionCount; ++k)
        line += field(r.Descriptions[size_t(k)]) + u',';
    for (int k = 0; k < ItemRecord::DetailCount; ++k)
        line += field(r.Details[size_t(k)]) + u',';
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
    if (value.isEmpty()) {
        out += "\"\"";
    } else if (value.contains(u',')) {
        // A double quote byte comes only from a double quote character, so doubling the
        // encoded bytes is the same as doubling the characters.
        QByteArray encoded = encodeText(value);
        encoded.replace('"', "\"\"");
        out += '"';
        out += encoded;
        out += '"';
    } else {
        appendEncodedText(out, value);
    }
}

} // namespace

QByteArray exportBytes(const RecordStore &store)
{
    QByteArray out;
    out.reserve(qsizetype(store.count()) * 256);
    for (const RecordPtr &p : store.records()) {
        const ItemRecord &r = *p;
        for (int k = 1; k <= ItemRecord::DescriptionCount; ++k) {
            appendField(out, r.Descriptions[size_t(k)]);
            out += ',';
        }
        for (int k = 0; k < ItemRecord::DetailCount; ++k) {
            appendField(out, r.Details[size_t(k)]);
            out += ',';
        }
        out += r.Wanted ? QByteArrayView("Wanted")
            : r.ForTrade ? QByteArrayView("For Trade")
            : r.ForSale  ? QByteArrayView("For Sale")
                         : QByteArrayView("\"\"");
        out += "\r\n";
    }
    return out;
}

bool exportFile(const QString &path, const RecordStore &store, QString *error)
{
    const QByteArray bytes = exportBytes(store);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = u"Cannot create file "_s + path;
        return false;
    }
    return true;
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
    r.Name = u"Empty"_s;
    const QString date = today.toString(u"yyyy/MM/dd"_s);
    r.Details = { u" "_s, u"0"_s, date, date, u"0"_s, u" "_s, u" "_s, u" "_s, u"0"_s, u"01"_s };
    for (int k = 1; k <= ItemRecord::PictureCount; ++k)
        r.Pictures[size_t(k)].Title = u"Untitled "_s + QString::number(k);
    return r;
}

namespace {

void apply(ItemRecord &r, int code, const QString &f)
{
    if (code >= ItemCode::FirstDescription && code < ItemCode::FirstDetail) {
        r.Descriptions[size_t(code + 1)] = f;
    } else if (code == ItemCode::FirstDetail + 1 || code == ItemCode::FirstDetail + 8) {
        r.Details[size_t(code - ItemCode::FirstDetail)] = moneyTemplate(f);
    } else if (code >= ItemCode::FirstDetail && code < ItemCode::Status) {
        r.Details[size_t(code - ItemCode::FirstDetail)] = f;
    } else if (code == ItemCode::Status) {
        if (f == u"Wanted"_s)
            r.Wanted = true;
        else if (f == u"For Trade"_s)
            r.ForTrade = true;
        else if (f == u"For Sale"_s)
            r.ForSale = true;
    } else if (code == ItemCode::Name) {
        r.Name = f;
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

ImportResult importFile(
    const QString &path, RecordStore &store, const QList<int> &codes, const QDate &today)
{
    if (!store.databaseOpen) {
        store.clear();
        store.databaseOpen = true;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return { false, 0, u"Cannot open file %1"_s.arg(path) };
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return { false, 0, file.errorString() };
    return { true, importBytes(bytes, store, codes, today), {} };
}

} // namespace CsvFile
