// A whole database as JSON text and back, for larkspur-tool's dump and build.
#include "tools/databasejson.h"

#include <array>
#include <memory>
#include <utility>
#include <vector>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QHash>
#include <QSet>

#include "store/categorytree.h"
#include "store/datafile.h"
#include "store/textcodec.h"

using namespace Qt::StringLiterals;

namespace DatabaseJson {

namespace {

// Written by hand rather than through QJsonDocument so that the keys keep the file's order.
class Writer
{
public:
    QByteArray out;

    void text(const QString &value)
    {
        out += '"';
        const QByteArray utf8 = value.toUtf8();
        for (const char c : utf8) {
            switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (uchar(c) < 0x20) {
                    out += "\\u00";
                    out += QByteArray::number(uchar(c), 16).rightJustified(2, '0');
                } else {
                    out += c;
                }
            }
        }
        out += '"';
    }

    void flag(bool value) { out += value ? "true" : "false"; }

    template<typename Texts> void textList(const Texts &texts)
    {
        out += '[';
        bool first = true;
        for (const QString &t : texts) {
            if (!first)
                out += ", ";
            first = false;
            text(t);
        }
        out += ']';
    }

    void key(int indent, const char *name)
    {
        out += QByteArray(indent, ' ');
        out += '"';
        out += name;
        out += "\": ";
    }
};

template<size_t N> QStringList slice(const std::array<QString, N> &values, size_t from)
{
    QStringList out;
    for (size_t i = from; i < N; ++i)
        out.append(values[i]);
    return out;
}

void writeRecord(Writer &w, const ItemRecord &r)
{
    w.out += "    {\n";
    w.key(6, "name");
    w.text(r.name());
    w.out += ",\n";
    w.key(6, "recordCode");
    w.text(r.recordCode());
    w.out += ",\n";
    w.key(6, "details");
    w.textList(r.details());
    w.out += ",\n";
    w.key(6, "descriptions");
    w.textList(r.descriptions());
    w.out += ",\n";
    w.key(6, "keywords");
    w.textList(r.keywords());
    w.out += ",\n";
    w.key(6, "history");
    w.textList(r.history());
    w.out += ",\n";
    w.key(6, "notes");
    w.textList(r.notes());
    w.out += ",\n";
    w.key(6, "links");
    w.textList(r.links());
    w.out += ",\n";
    w.key(6, "pictures");
    w.out += "[\n";
    for (int k = 1; k <= ItemRecord::PictureCount; ++k) {
        const ImageRecord &p = r.picture(k);
        w.out += "        {\"fileName\": ";
        w.text(p.FileName);
        w.out += ", \"title\": ";
        w.text(p.Title);
        w.out += ", \"autoSize\": ";
        w.flag(p.AutoSize);
        w.out += k < ItemRecord::PictureCount ? "},\n" : "}\n";
    }
    w.out += "      ],\n";
    w.key(6, "spareText");
    w.text(r.spareText());
    w.out += ",\n";
    w.key(6, "wanted");
    w.flag(r.Wanted);
    w.out += ",\n";
    w.key(6, "forTrade");
    w.flag(r.ForTrade);
    w.out += ",\n";
    w.key(6, "forSale");
    w.flag(r.ForSale);
    w.out += "\n    }";
}

// A category tree as its nodes in depth-first order, each with its level, so that every text a
// file can hold (one starting with a blank too) comes back as it was.
void writeNodes(Writer &w, const CategoryTree &nodes, int level, bool &first)
{
    for (const CategoryNode &node : nodes) {
        w.out += first ? "\n      {\"level\": " : ",\n      {\"level\": ";
        first = false;
        w.out += QByteArray::number(level);
        w.out += ", \"text\": ";
        w.text(node.text);
        w.out += '}';
        writeNodes(w, node.children, level + 1, first);
    }
}

void writeTree(Writer &w, const CategoryTree &tree)
{
    w.out += '[';
    bool first = true;
    writeNodes(w, tree, 0, first);
    w.out += first ? "]" : "\n    ]";
}

// Where a value sits, as "records[3].details[1]"; spelt out only when something is reported,
// so that reading a large file does not build a text for every value.
struct Path
{
    const Path *parent = nullptr;
    QLatin1StringView key; // empty for a list entry
    qsizetype index = -1; // the entry's index in its list, or -1

    Path field(QLatin1StringView name) const { return Path { this, name, -1 }; }
    Path entry(qsizetype i) const { return Path { this, QLatin1StringView(), i }; }

    QString text() const
    {
        QString out = parent ? parent->text() : QString();
        if (!key.isEmpty())
            out += (out.isEmpty() ? QString() : u"."_s) + key;
        if (index >= 0)
            out += u"[%1]"_s.arg(index);
        return out;
    }
};

// True when every character has a byte in the file's single-byte codec.
bool fitsSingleByte(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x80 && c.unicode() < 0xA0)
            return decodeText(encodeText(text)) == text; // the codec knows its own upper half
        if (c.unicode() > 0xFF)
            return decodeText(encodeText(text)) == text;
    }
    return true;
}

class Reader
{
public:
    QString error;
    QStringList warnings;
    qsizetype moreWarnings = 0; // beyond keptWarnings
    qsizetype keptWarnings = -1; // all when negative

    void warn(const QString &warning)
    {
        if (keptWarnings < 0 || warnings.size() < keptWarnings)
            warnings.append(warning);
        else
            ++moreWarnings;
    }

    bool fail(const Path &where, const QString &what)
    {
        error = where.text() + u": "_s + what;
        return false;
    }

    bool onlyKeys(const QJsonObject &object, const Path &where, const QSet<QString> &known)
    {
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (!known.contains(it.key())) {
                const QString at = where.text();
                error = (at.isEmpty() ? it.key() : at) + u": unknown key \""_s + it.key() + u"\""_s;
                return false;
            }
        }
        return true;
    }

    bool text(const QJsonValue &value, const Path &where, QString &out)
    {
        if (!value.isString())
            return fail(where, u"expected a text"_s);
        out = value.toString();
        // The file holds single-byte texts; say so rather than change them silently.
        if (!fitsSingleByte(out)) {
            warn(where.text()
                + u": characters that Windows-1252 cannot hold are written as \"?\""_s);
        }
        return true;
    }

    bool flag(const QJsonValue &value, const Path &where, bool &out)
    {
        if (!value.isBool())
            return fail(where, u"expected true or false"_s);
        out = value.toBool();
        return true;
    }

    // A category as dump writes it, a list of {"level", "text"} nodes, or in the text form.
    bool category(const QJsonValue &value, const Path &where, CategoryTree &tree)
    {
        if (value.isString()) {
            QString text;
            if (!this->text(value, where, text))
                return false;
            TreeBuildResult built = buildCategoryTree(text);
            if (!built.ok())
                return fail(where, built.error);
            tree = std::move(built.tree);
            return true;
        }
        if (!value.isArray())
            return fail(where, u"expected a list of nodes or a category text"_s);
        static const QSet<QString> known { u"level"_s, u"text"_s };
        const QJsonArray nodes = value.toArray();
        tree.clear();
        // The children list of each open level, outermost first.
        std::vector<CategoryTree *> open { &tree };
        for (qsizetype i = 0; i < nodes.size(); ++i) {
            const Path at = where.entry(i);
            if (!nodes[i].isObject())
                return fail(at, u"expected an object"_s);
            const QJsonObject o = nodes[i].toObject();
            if (!onlyKeys(o, at, known))
                return false;
            const QJsonValue level = o.value(u"level"_s);
            const qint64 maxLevel = qint64(open.size()) - 1;
            if (!level.isDouble() || level.toDouble() != double(level.toInteger())
                || level.toInteger() < 0 || level.toInteger() > maxLevel) {
                return fail(
                    at.field("level"_L1), u"expected a whole number from 0 to %1"_s.arg(maxLevel));
            }
            CategoryNode node;
            if (!text(o.value(u"text"_s), at.field("text"_L1), node.text))
                return false;
            open.resize(size_t(level.toInteger()) + 1);
            CategoryTree *siblings = open.back();
            siblings->push_back(std::move(node));
            open.push_back(&siblings->back().children);
        }
        return true;
    }

    // Up to count texts into fields[0..count-1]; fields beyond the list keep their value.
    bool texts(const QJsonValue &value, const Path &where, QString *fields, int count)
    {
        if (!value.isArray())
            return fail(where, u"expected a list of at most %1 texts"_s.arg(count));
        const QJsonArray array = value.toArray();
        if (array.size() > count) {
            return fail(
                where, u"expected at most %1 texts, found %2"_s.arg(count).arg(array.size()));
        }
        for (qsizetype i = 0; i < array.size(); ++i) {
            if (!text(array[i], where.entry(i), fields[i]))
                return false;
        }
        return true;
    }

    bool lines(const QJsonValue &value, const Path &where, QStringList &out)
    {
        if (!value.isArray())
            return fail(where, u"expected a list of texts"_s);
        const QJsonArray array = value.toArray();
        out.clear();
        out.reserve(array.size());
        for (qsizetype i = 0; i < array.size(); ++i) {
            QString line;
            if (!text(array[i], where.entry(i), line))
                return false;
            out.append(line);
        }
        return true;
    }

    bool picture(const QJsonValue &value, const Path &where, ImageRecord &out)
    {
        static const QSet<QString> known { u"fileName"_s, u"title"_s, u"autoSize"_s };
        if (!value.isObject())
            return fail(where, u"expected an object"_s);
        const QJsonObject o = value.toObject();
        if (!onlyKeys(o, where, known))
            return false;
        for (auto it = o.begin(); it != o.end(); ++it) {
            const QString &key = it.key();
            const Path at = where.field(key == u"fileName"_s ? "fileName"_L1
                    : key == u"title"_s                      ? "title"_L1
                                                             : "autoSize"_L1);
            const bool ok = key == u"fileName"_s ? text(it.value(), at, out.FileName)
                : key == u"title"_s              ? text(it.value(), at, out.Title)
                                                 : flag(it.value(), at, out.AutoSize);
            if (!ok)
                return false;
        }
        return true;
    }

    bool pictures(const QJsonValue &value, const Path &where, ItemRecord &r)
    {
        const int count = ItemRecord::PictureCount;
        if (!value.isArray())
            return fail(where, u"expected a list of at most %1 pictures"_s.arg(count));
        const QJsonArray array = value.toArray();
        if (array.size() > count) {
            return fail(
                where, u"expected at most %1 pictures, found %2"_s.arg(count).arg(array.size()));
        }
        for (qsizetype i = 0; i < array.size(); ++i) {
            ImageRecord p = r.picture(int(i) + 1);
            if (!picture(array[i], where.entry(i), p))
                return false;
            r.setPicture(int(i) + 1, p);
        }
        return true;
    }

    bool record(const QJsonValue &value, const Path &where, ItemRecord &r)
    {
        // Each key with how it is read into the record.
        enum class Field {
            Name,
            RecordCode,
            Details,
            Descriptions,
            Keywords,
            History,
            Notes,
            Links,
            Pictures,
            SpareText,
            Wanted,
            ForTrade,
            ForSale
        };
        static const QHash<QString, std::pair<Field, QLatin1StringView>> fields {
            { u"name"_s, { Field::Name, "name"_L1 } },
            { u"recordCode"_s, { Field::RecordCode, "recordCode"_L1 } },
            { u"details"_s, { Field::Details, "details"_L1 } },
            { u"descriptions"_s, { Field::Descriptions, "descriptions"_L1 } },
            { u"keywords"_s, { Field::Keywords, "keywords"_L1 } },
            { u"history"_s, { Field::History, "history"_L1 } },
            { u"notes"_s, { Field::Notes, "notes"_L1 } },
            { u"links"_s, { Field::Links, "links"_L1 } },
            { u"pictures"_s, { Field::Pictures, "pictures"_L1 } },
            { u"spareText"_s, { Field::SpareText, "spareText"_L1 } },
            { u"wanted"_s, { Field::Wanted, "wanted"_L1 } },
            { u"forTrade"_s, { Field::ForTrade, "forTrade"_L1 } },
            { u"forSale"_s, { Field::ForSale, "forSale"_L1 } },
        };
        if (!value.isObject())
            return fail(where, u"expected an object"_s);
        const QJsonObject o = value.toObject();
        for (auto it = o.begin(); it != o.end(); ++it) {
            const auto found = fields.constFind(it.key());
            if (found == fields.constEnd()) {
                error = where.text() + u": unknown key \""_s + it.key() + u"\""_s;
                return false;
            }
            const Path at = where.field(found->second);
            const QJsonValue v = it.value();
            bool ok = false;
            // Each value is read into a text of its own and set when it reads.
            const auto textValue = [&](int value) {
                QString t;
                if ((ok = text(v, at, t)))
                    r.setText(value, t);
            };
            const auto linesValue = [&](int value) {
                QStringList l;
                if ((ok = lines(v, at, l)))
                    r.setLines(value, l);
            };
            const auto textsValue = [&](int first, int count) {
                std::array<QString, 10> t;
                for (int i = 0; i < count; ++i)
                    t[size_t(i)] = r.text(first + i);
                if ((ok = texts(v, at, t.data(), count))) {
                    for (int i = 0; i < count; ++i)
                        r.setText(first + i, t[size_t(i)]);
                }
            };
            switch (found->first) {
            case Field::Name:
                textValue(ItemRecord::NameValue);
                break;
            case Field::RecordCode:
                textValue(ItemRecord::CodeValue);
                if (ok && r.recordCode().size() > ItemRecord::RecordCodeLength) {
                    return fail(at, u"more than %1 characters"_s.arg(ItemRecord::RecordCodeLength));
                }
                break;
            case Field::Details:
                textsValue(ItemRecord::FirstDetail, ItemRecord::DetailCount);
                break;
            case Field::Descriptions:
                textsValue(ItemRecord::FirstDescription, ItemRecord::DescriptionCount);
                break;
            case Field::Keywords:
                linesValue(ItemRecord::KeywordLines);
                break;
            case Field::History:
                linesValue(ItemRecord::HistoryLines);
                break;
            case Field::Notes:
                linesValue(ItemRecord::NoteLines);
                break;
            case Field::Links:
                linesValue(ItemRecord::LinkLines);
                break;
            case Field::Pictures:
                ok = pictures(v, at, r);
                break;
            case Field::SpareText:
                textValue(ItemRecord::SpareValue);
                break;
            case Field::Wanted:
                ok = flag(v, at, r.Wanted);
                break;
            case Field::ForTrade:
                ok = flag(v, at, r.ForTrade);
                break;
            case Field::ForSale:
                ok = flag(v, at, r.ForSale);
                break;
            }
            if (!ok)
                return false;
        }
        return true;
    }
};

// Line and column (from 1) of a byte offset, for parse errors a person can find.
QString position(const QByteArray &json, int offset)
{
    int line = 1;
    int column = 1;
    for (int i = 0; i < offset && i < json.size(); ++i) {
        if (json[i] == '\n') {
            ++line;
            column = 1;
        } else if ((uchar(json[i]) & 0xC0) != 0x80) {
            ++column;
        }
    }
    return u"line %1, column %2"_s.arg(line).arg(column);
}

// Every member but the records, in the order their errors are told.
bool readMembers(const QJsonObject &root, Reader &reader, FieldCaptions &captions,
    std::array<CategoryTree, RecordStore::CategoryCount + 1> &categories)
{
    static const QSet<QString> known { u"version"_s, u"signature"_s, u"descriptionCaptions"_s,
        u"detailCaptions"_s, u"categories"_s, u"records"_s };
    if (!reader.onlyKeys(root, Path {}, known))
        return false;
    const auto top = [](QLatin1StringView key) { return Path { nullptr, key, -1 }; };

    // The version and signature are always written as the program writes them.
    QString ignored;
    if (root.contains(u"version"_s) && !reader.text(root[u"version"_s], top("version"_L1), ignored))
        return false;
    if (root.contains(u"signature"_s)) {
        if (!reader.text(root[u"signature"_s], top("signature"_L1), ignored))
            return false;
        if (ignored != QString::fromLatin1(DataFile::Signature)) {
            reader.warn(u"signature: ignored; the file is written with \""_s
                + QString::fromLatin1(DataFile::Signature) + u"\""_s);
        }
    }

    captions = FieldCaptions::defaults();
    if (root.contains(u"descriptionCaptions"_s)
        && !reader.texts(root[u"descriptionCaptions"_s], top("descriptionCaptions"_L1),
            captions.description.data() + 1, ItemRecord::DescriptionCount)) {
        return false;
    }
    if (root.contains(u"detailCaptions"_s)
        && !reader.texts(root[u"detailCaptions"_s], top("detailCaptions"_L1),
            captions.detail.data(), ItemRecord::DetailCount)) {
        return false;
    }

    if (root.contains(u"categories"_s)) {
        const Path at = top("categories"_L1);
        const QJsonValue value = root[u"categories"_s];
        const qsizetype count = value.isArray() ? value.toArray().size() : 0;
        if (!value.isArray() || count > RecordStore::CategoryCount) {
            reader.fail(
                at, u"expected a list of at most %1 categories"_s.arg(RecordStore::CategoryCount));
            return false;
        }
        for (qsizetype i = 0; i < count; ++i) {
            if (!reader.category(value.toArray()[i], at.entry(i), categories[size_t(i + 1)]))
                return false;
        }
    }
    return true;
}

} // namespace

QByteArray toJson(const RecordStore &store, const QString &version)
{
    Writer w;
    w.out.reserve(1024 + qsizetype(store.count()) * 700);
    w.out += "{\n";
    w.key(2, "version");
    w.text(version);
    w.out += ",\n";
    w.key(2, "signature");
    w.text(QString::fromLatin1(DataFile::Signature));
    w.out += ",\n";
    w.key(2, "descriptionCaptions");
    w.textList(slice(store.captions.description, 1));
    w.out += ",\n";
    w.key(2, "detailCaptions");
    w.textList(slice(store.captions.detail, 0));
    w.out += ",\n";
    w.key(2, "categories");
    w.out += "[\n";
    for (int k = 1; k <= RecordStore::CategoryCount; ++k) {
        w.out += "    ";
        writeTree(w, store.categoryTree(k));
        w.out += k < RecordStore::CategoryCount ? ",\n" : "\n";
    }
    w.out += "  ],\n";
    w.key(2, "records");
    if (store.isEmpty()) {
        w.out += "[]\n";
    } else {
        w.out += "[\n";
        for (int i = 0; i < store.count(); ++i) {
            writeRecord(w, store.at(i));
            w.out += i + 1 < store.count() ? ",\n" : "\n";
        }
        w.out += "  ]\n";
    }
    w.out += "}\n";
    return w.out;
}

ParseResult fromJson(const QByteArray &json, RecordStore &store)
{
    ParseResult result;
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        result.error = u"not valid JSON at "_s + position(json, parseError.offset) + u": "_s
            + parseError.errorString();
        return result;
    }
    if (!doc.isObject()) {
        result.error = u"expected a JSON object holding the database"_s;
        return result;
    }
    const QJsonObject root = doc.object();
    Reader reader;
    const auto finish = [&]() {
        result.error = reader.error;
        result.warnings = reader.warnings;
        return result;
    };
    FieldCaptions captions;
    std::array<CategoryTree, RecordStore::CategoryCount + 1> categories;
    if (!readMembers(root, reader, captions, categories))
        return finish();

    const Path recordsAt = Path { nullptr, "records"_L1, -1 };
    const QJsonValue recordsValue = root.value(u"records"_s);
    if (!recordsValue.isArray() || recordsValue.toArray().isEmpty()) {
        reader.fail(recordsAt,
            recordsValue.isUndefined() || recordsValue.isArray()
                ? u"a database holds at least one record"_s
                : u"expected a list of records"_s);
        return finish();
    }
    const QJsonArray recordArray = recordsValue.toArray();
    std::vector<ItemRecord> records(size_t(recordArray.size()));
    for (qsizetype i = 0; i < recordArray.size(); ++i) {
        if (!reader.record(recordArray[i], recordsAt.entry(i), records[size_t(i)]))
            return finish();
    }

    store.clear();
    for (ItemRecord &r : records)
        store.append(std::move(r));
    store.captions = captions;
    for (int k = 1; k <= RecordStore::CategoryCount; ++k)
        store.setCategoryTree(k, std::move(categories[size_t(k)]));
    result.ok = true;
    return finish();
}

struct StreamReader::Private
{
    Reader reader;
    RecordStore head;
    QString syntaxError; // told at syntaxOffset
    qint64 syntaxOffset = 0;
    bool headFailed = false;
    int index = 0;
    std::function<QString(qint64)> position;

    void syntax(qint64 offset, const QJsonParseError &e)
    {
        syntaxError = e.errorString();
        syntaxOffset = offset + e.offset;
    }
};

StreamReader::StreamReader(qsizetype keptWarnings)
    : d(std::make_unique<Private>())
{
    d->reader.keptWarnings = keptWarnings;
}

StreamReader::~StreamReader() = default;

void StreamReader::readHead(
    const QByteArray &head, const std::function<QString(qint64 offset)> &position)
{
    d->position = position;
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(head, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        d->syntax(0, parseError);
        return;
    }
    FieldCaptions captions;
    std::array<CategoryTree, RecordStore::CategoryCount + 1> categories;
    if (!readMembers(doc.object(), d->reader, captions, categories)) {
        d->headFailed = true;
        return;
    }
    d->head.captions = captions;
    for (int k = 1; k <= RecordStore::CategoryCount; ++k)
        d->head.setCategoryTree(k, std::move(categories[size_t(k)]));
}

bool StreamReader::readRecord(QByteArrayView json, qint64 offset, ItemRecord &out)
{
    if (!d->syntaxError.isEmpty())
        return false; // the first syntax error is the one told
    QJsonParseError parseError;
    const QJsonDocument doc
        = QJsonDocument::fromJson(QByteArray::fromRawData(json.data(), json.size()), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        d->syntax(offset, parseError);
        return false;
    }
    const int i = d->index++;
    // After another error only a syntax error further on is still news.
    if (failed())
        return false;
    out = ItemRecord();
    const Path records { nullptr, "records"_L1, -1 };
    return d->reader.record(doc.object(), records.entry(i), out);
}

bool StreamReader::syntaxFailed() const
{
    return !d->syntaxError.isEmpty();
}

bool StreamReader::failed() const
{
    return !d->syntaxError.isEmpty() || d->headFailed || !d->reader.error.isEmpty();
}

const RecordStore &StreamReader::head() const
{
    return d->head;
}

ParseResult StreamReader::result() const
{
    ParseResult result;
    if (!d->syntaxError.isEmpty()) {
        result.error
            = u"not valid JSON at "_s + d->position(d->syntaxOffset) + u": "_s + d->syntaxError;
        return result;
    }
    result.error = d->reader.error;
    result.warnings = d->reader.warnings;
    result.moreWarnings = d->reader.moreWarnings;
    result.ok = result.error.isEmpty();
    return result;
}

} // namespace DatabaseJson
