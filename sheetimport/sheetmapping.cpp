// Field choices, guessing them from headings, and mapping files.
#include "sheetimport/sheetmapping.h"

#include <algorithm>

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "sheetimport/valueconvert.h"

using namespace Qt::StringLiterals;

namespace SheetImport {

std::vector<Target> allTargets()
{
    std::vector<Target> t
        = { { Target::LeaveOut, 0 }, { Target::Name, 0 }, { Target::RecordCode, 0 } };
    for (int k = 1; k <= 10; ++k)
        t.push_back({ Target::Description, k });
    for (int d = 0; d < 10; ++d)
        t.push_back({ Target::Detail, d });
    for (Target::Kind k : { Target::Keywords, Target::History, Target::Notes, Target::Picture,
             Target::Link, Target::Wanted, Target::ForTrade, Target::ForSale })
        t.push_back({ k, 0 });
    return t;
}

QString targetCaption(const Target &t, const FieldCaptions &captions)
{
    switch (t.kind) {
    case Target::LeaveOut:
        return u"leave out"_s;
    case Target::Name:
        return u"Name"_s;
    case Target::RecordCode:
        return u"Record Code"_s;
    case Target::Description:
        return captions.description[size_t(std::clamp(t.index, 1, 10))];
    case Target::Detail:
        return captions.detail[size_t(std::clamp(t.index, 0, 9))];
    case Target::Keywords:
        return u"Keywords"_s;
    case Target::History:
        return u"History"_s;
    case Target::Notes:
        return u"Notes"_s;
    case Target::Picture:
        return u"Picture"_s;
    case Target::Link:
        return u"Link"_s;
    case Target::Wanted:
        return u"Wanted"_s;
    case Target::ForTrade:
        return u"For Trade"_s;
    case Target::ForSale:
        return u"For Sale"_s;
    }
    return {};
}

QString targetKey(const Target &t)
{
    switch (t.kind) {
    case Target::LeaveOut:
        return u"leave out"_s;
    case Target::Name:
        return u"name"_s;
    case Target::RecordCode:
        return u"record code"_s;
    case Target::Description:
        return u"description%1"_s.arg(t.index);
    case Target::Detail:
        return u"detail%1"_s.arg(t.index);
    case Target::Keywords:
        return u"keywords"_s;
    case Target::History:
        return u"history"_s;
    case Target::Notes:
        return u"notes"_s;
    case Target::Picture:
        return u"picture"_s;
    case Target::Link:
        return u"link"_s;
    case Target::Wanted:
        return u"wanted"_s;
    case Target::ForTrade:
        return u"for trade"_s;
    case Target::ForSale:
        return u"for sale"_s;
    }
    return {};
}

Target targetFromKey(const QString &key, bool *ok)
{
    for (const Target &t : allTargets()) {
        if (targetKey(t) == key) {
            if (ok)
                *ok = true;
            return t;
        }
    }
    if (ok)
        *ok = false;
    return {};
}

QString dateOrderKey(DateOrder order)
{
    switch (order) {
    case DateOrder::Auto:
        return u"auto"_s;
    case DateOrder::DayMonthYear:
        return u"dmy"_s;
    case DateOrder::MonthDayYear:
        return u"mdy"_s;
    case DateOrder::YearMonthDay:
        return u"ymd"_s;
    }
    return {};
}

DateOrder dateOrderFromKey(const QString &key, bool *ok)
{
    for (DateOrder o : { DateOrder::Auto, DateOrder::DayMonthYear, DateOrder::MonthDayYear,
             DateOrder::YearMonthDay }) {
        if (dateOrderKey(o) == key) {
            if (ok)
                *ok = true;
            return o;
        }
    }
    if (ok)
        *ok = false;
    return DateOrder::Auto;
}

QString refusalKey(Refusal refusal)
{
    switch (refusal) {
    case Refusal::IntoNotes:
        return u"notes"_s;
    case Refusal::LeaveEmpty:
        return u"empty"_s;
    case Refusal::Stop:
        return u"stop"_s;
    }
    return {};
}

namespace {

// Letters and digits in lower case, "#" kept, everything else one blank.
QString normalised(const QString &heading)
{
    QString out;
    for (QChar c : heading) {
        if (c.isLetterOrNumber() || c == u'#')
            out += c.toLower();
        else if (!out.isEmpty() && !out.endsWith(u' '))
            out += u' ';
    }
    return out.trimmed();
}

// Synonyms of the default captions and of the fixed fields, as normalised headings.
const QHash<QString, QString> &synonyms()
{
    static const QHash<QString, QString> s = [] {
        QHash<QString, QString> h;
        auto add = [&h](const QString &field, std::initializer_list<const char *> words) {
            for (const char *w : words)
                h.insert(QString::fromLatin1(w), field);
        };
        add(u"name"_s,
            { "item", "item name", "name", "title", "object", "article", "product", "possession",
                "description" });
        add(u"Location"_s, { "room", "location", "place", "where", "stored", "storage" });
        add(u"Paid"_s,
            { "price", "paid", "cost", "purchase price", "price paid", "amount paid", "amount" });
        add(u"Value"_s,
            { "value", "worth", "current value", "replacement value", "replacement cost",
                "estimated value", "appraised value" });
        add(u"Manufacturer"_s, { "make", "maker", "manufacturer", "brand", "made by" });
        add(u"Serial #"_s, { "serial", "serial #", "serial number", "serial no", "sn", "s n" });
        add(u"Date Received"_s,
            { "date", "date received", "purchase date", "date purchased", "bought", "date bought",
                "acquired", "date acquired", "received" });
        add(u"Quantity"_s, { "quantity", "qty", "count", "pieces" });
        add(u"Type"_s, { "type", "category", "kind" });
        add(u"Condition"_s, { "condition", "state" });
        add(u"Owner"_s, { "owner", "belongs to" });
        add(u"Warranty"_s, { "warranty", "guarantee" });
        add(u"Copyright"_s, { "year", "year made", "copyright" });
        add(u"record code"_s, { "record code", "code", "inventory code", "item code" });
        add(u"keywords"_s, { "keywords", "tags", "tag", "labels" });
        add(u"history"_s, { "history" });
        add(u"notes"_s, { "notes", "note", "comments", "comment", "remarks" });
        add(u"picture"_s,
            { "picture", "pictures", "photo", "photos", "image", "images", "photo file",
                "image file", "picture file" });
        add(u"link"_s, { "link", "links", "url", "web", "website", "web link", "web address" });
        add(u"wanted"_s, { "wanted" });
        add(u"for trade"_s, { "for trade", "trade" });
        add(u"for sale"_s, { "for sale", "sale", "selling" });
        return h;
    }();
    return s;
}

// The field whose caption, in this database or by default, is `caption`.
Target captionTarget(const QString &caption, const FieldCaptions &captions)
{
    const QString want = normalised(caption);
    for (int k = 1; k <= 10; ++k)
        if (normalised(captions.description[size_t(k)]) == want)
            return { Target::Description, k };
    for (int d = 0; d < 10; ++d)
        if (normalised(captions.detail[size_t(d)]) == want)
            return { Target::Detail, d };
    const FieldCaptions defaults = FieldCaptions::defaults();
    for (int k = 1; k <= 10; ++k)
        if (normalised(defaults.description[size_t(k)]) == want)
            return { Target::Description, k };
    for (int d = 0; d < 10; ++d)
        if (normalised(defaults.detail[size_t(d)]) == want)
            return { Target::Detail, d };
    return {};
}

} // namespace

Target guessTarget(const QString &heading, const FieldCaptions &captions)
{
    const QString h = normalised(heading);
    if (h.isEmpty())
        return {};
    // The database's own captions first: a user who renamed a field uses its name.
    for (int k = 1; k <= 10; ++k)
        if (normalised(captions.description[size_t(k)]) == h)
            return { Target::Description, k };
    for (int d = 0; d < 10; ++d)
        if (normalised(captions.detail[size_t(d)]) == h)
            return { Target::Detail, d };
    for (const Target &t : allTargets()) {
        if (t.kind != Target::Description && t.kind != Target::Detail && t.kind != Target::LeaveOut
            && normalised(targetCaption(t, captions)) == h)
            return t;
    }
    const auto it = synonyms().constFind(h);
    if (it == synonyms().constEnd())
        return {};
    bool ok = false;
    const Target fixed = targetFromKey(*it, &ok);
    return ok ? fixed : captionTarget(*it, captions);
}

bool looksLikeHeadings(const SheetTable &table, const FieldCaptions &captions)
{
    if (table.rowCount() == 0)
        return false;
    const QStringList first = table.rowTexts(0);
    bool anyText = false;
    for (const QString &cell : first) {
        const QString c = cell.trimmed();
        if (c.isEmpty())
            continue;
        // A number, an amount or a date is a value, never a heading.
        if (looksLikeValue(c))
            return false;
        anyText = true;
    }
    if (!anyText)
        return false;
    for (const QString &cell : first)
        if (guessTarget(cell, captions).kind != Target::LeaveOut)
            return true;
    // Text over a column whose values below are numbers or dates.
    if (table.rowCount() < 2)
        return false;
    for (int c = 0; c < table.columnCount(); ++c) {
        const QString below = table.cellText(1, c).trimmed();
        if (!first.value(c).trimmed().isEmpty() && !below.isEmpty() && looksLikeValue(below))
            return true;
    }
    return false;
}

Mapping guessMapping(const SheetTable &table, const FieldCaptions &captions)
{
    Mapping m;
    m.headings = looksLikeHeadings(table, captions);
    m.columns.assign(size_t(table.columnCount()), Target {});
    if (!m.headings)
        return m;
    std::vector<Target> taken;
    for (int c = 0; c < table.columnCount(); ++c) {
        const Target t = guessTarget(table.cellText(0, c), captions);
        if (t.kind == Target::LeaveOut)
            continue;
        if (!t.takesMany() && std::find(taken.begin(), taken.end(), t) != taken.end())
            continue;
        taken.push_back(t);
        m.columns[size_t(c)] = t;
    }
    return m;
}

QString columnLetters(int column)
{
    QString s;
    for (int n = column + 1; n > 0; n = (n - 1) / 26)
        s.prepend(QChar(u'A' + (n - 1) % 26));
    return s;
}

QString columnHeading(const SheetTable &table, const Mapping &mapping, int column)
{
    if (mapping.headings) {
        const QString h = table.cellText(0, column).simplified();
        if (!h.isEmpty())
            return h;
    }
    return u"Column "_s + columnLetters(column);
}

QByteArray mappingToJson(const Mapping &m, const QStringList &headings)
{
    QJsonObject o;
    o.insert(u"larkspurSheetMapping"_s, 1);
    o.insert(u"headings"_s, m.headings);
    o.insert(u"dates"_s, dateOrderKey(m.dates));
    o.insert(u"addCategories"_s, m.addCategories);
    o.insert(u"refused"_s, refusalKey(m.refused));
    if (!m.encoding.isEmpty())
        o.insert(u"encoding"_s, m.encoding);
    if (!m.delimiter.isEmpty())
        o.insert(u"delimiter"_s, m.delimiter);
    if (m.sheet >= 0)
        o.insert(u"sheet"_s, m.sheet);
    QJsonArray columns;
    for (size_t c = 0; c < m.columns.size(); ++c) {
        QJsonObject col;
        col.insert(u"column"_s, int(c) + 1);
        if (m.headings)
            col.insert(u"heading"_s, headings.value(int(c)));
        col.insert(u"field"_s, targetKey(m.columns[c]));
        columns.append(col);
    }
    o.insert(u"columns"_s, columns);
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

bool mappingFromJson(
    const QByteArray &json, const SheetTable &table, Mapping &mapping, QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parse);
    if (parse.error != QJsonParseError::NoError)
        return fail(
            u"The mapping file does not read: %1 at character %2."_s.arg(parse.errorString())
                .arg(parse.offset));
    const QJsonObject o = doc.object();
    if (!doc.isObject() || !o.contains(u"columns"_s) || !o.value(u"columns"_s).isArray())
        return fail(u"The mapping file holds no columns."_s);
    Mapping m;
    m.headings = o.value(u"headings"_s).toBool(true);
    bool ok = true;
    m.dates = dateOrderFromKey(o.value(u"dates"_s).toString(u"auto"_s), &ok);
    if (!ok)
        return fail(u"The mapping file names an unknown date order \"%1\"."_s.arg(
            o.value(u"dates"_s).toString()));
    m.addCategories = o.value(u"addCategories"_s).toBool(false);
    const QString refused = o.value(u"refused"_s).toString(u"notes"_s);
    if (refused == "notes"_L1)
        m.refused = Refusal::IntoNotes;
    else if (refused == "empty"_L1)
        m.refused = Refusal::LeaveEmpty;
    else if (refused == "stop"_L1)
        m.refused = Refusal::Stop;
    else
        return fail(
            u"The mapping file names an unknown choice \"%1\" for values that need one."_s.arg(
                refused));
    m.encoding = o.value(u"encoding"_s).toString();
    m.delimiter = o.value(u"delimiter"_s).toString().left(1);
    m.sheet = o.value(u"sheet"_s).toInt(-1);
    m.columns.assign(size_t(table.columnCount()), Target {});
    QHash<QString, int> byHeading;
    if (m.headings && table.rowCount() > 0) {
        for (int c = table.columnCount() - 1; c >= 0; --c)
            byHeading.insert(table.cellText(0, c).simplified().toLower(), c);
    }
    const QJsonArray columns = o.value(u"columns"_s).toArray();
    for (const QJsonValue &v : columns) {
        const QJsonObject col = v.toObject();
        const Target t = targetFromKey(col.value(u"field"_s).toString(), &ok);
        if (!ok)
            return fail(u"The mapping file names an unknown field \"%1\"."_s.arg(
                col.value(u"field"_s).toString()));
        int at = -1;
        const QString heading = col.value(u"heading"_s).toString().simplified().toLower();
        if (m.headings && !heading.isEmpty())
            at = byHeading.value(heading, -1);
        else
            at = col.value(u"column"_s).toInt() - 1;
        if (at >= 0 && at < table.columnCount())
            m.columns[size_t(at)] = t;
    }
    mapping = m;
    return true;
}

} // namespace SheetImport
