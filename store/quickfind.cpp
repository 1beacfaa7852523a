// Quick find over folded record texts.
#include "store/quickfind.h"

#include <QSet>
#include <QStringBuilder>

#include "store/recordstore.h"

namespace {

// Where each field's text lives: a changed field is a new string (or a new length), so the
// addresses and lengths of all indexed texts tell whether a record's folded copy is still right.
size_t fingerprintOf(const ItemRecord &r)
{
    size_t h = 1469598103934665603ull;
    const auto mix = [&h](const QString &s) {
        h = (h ^ reinterpret_cast<quintptr>(s.constData())) * 1099511628211ull;
        h = (h ^ size_t(s.size())) * 1099511628211ull;
    };
    mix(r.Name);
    mix(r.RecordCode);
    for (const QString &d : r.Details)
        mix(d);
    for (const QString &d : r.Descriptions)
        mix(d);
    for (const QStringList *lines : { &r.Keywords, &r.History, &r.Notes }) {
        h = (h ^ size_t(lines->size())) * 1099511628211ull;
        for (const QString &l : *lines)
            mix(l);
    }
    return h;
}

bool holdsAll(const QString &text, const QStringList &words)
{
    for (const QString &w : words)
        if (!text.contains(w))
            return false;
    return true;
}

// Every old word is within some new word: what the new query finds, the old one found.
bool extends(const QStringList &newer, const QStringList &older)
{
    if (older.isEmpty())
        return false;
    for (const QString &o : older) {
        bool within = false;
        for (const QString &n : newer)
            within = within || n.contains(o);
        if (!within)
            return false;
    }
    return true;
}

} // namespace

QString QuickFindIndex::fold(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80) {
            out += QChar(u >= 'A' && u <= 'Z' ? char16_t(u + 32) : u);
            continue;
        }
        // A letter with marks becomes its base letter; marks alone are dropped.
        const QString d = c.decomposition();
        const QChar base = d.isEmpty() ? c : d.at(0);
        if (base.category() == QChar::Mark_NonSpacing)
            continue;
        out += base.toLower();
    }
    return out;
}

QStringList QuickFindIndex::words(QStringView query)
{
    return fold(query).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

QString QuickFindIndex::recordText(const ItemRecord &r)
{
    // Fields are joined by a line break, which no typed word holds, so no word spans two fields.
    const QChar gap(u'\n');
    QString t = r.Name % gap % r.RecordCode;
    for (const QString &d : r.Details)
        t += gap % d;
    for (size_t k = 1; k < r.Descriptions.size(); ++k)
        t += gap % r.Descriptions[k];
    for (const QStringList *lines : { &r.Keywords, &r.History, &r.Notes })
        for (const QString &l : *lines)
            t += gap % l;
    return t;
}

const QString &QuickFindIndex::foldedText(
    size_t position, const std::shared_ptr<ItemRecord> &record)
{
    const size_t fp = fingerprintOf(*record);
    Entry &at = m_byPosition[position];
    if (at.record.get() == record.get() && at.fingerprint == fp)
        return at.folded;
    Entry &e = m_entries[record.get()];
    if (!e.record || e.fingerprint != fp) {
        e.record = record;
        e.fingerprint = fp;
        e.folded = fold(recordText(*record));
    }
    at = e;
    return at.folded;
}

bool QuickFindIndex::matchesRecord(const ItemRecord &record, QStringView query)
{
    return holdsAll(fold(recordText(record)), words(query));
}

std::vector<int> QuickFindIndex::matches(const RecordStore &store, QStringView query)
{
    if (m_batches > 0 && m_batchQuery && m_lastStore == &store && m_batchQuery->first == query)
        return m_batchQuery->second;
    std::vector<int> found = matchesNow(store, query);
    if (m_batches > 0)
        m_batchQuery.emplace(query.toString(), found);
    return found;
}

std::vector<int> QuickFindIndex::matchesNow(const RecordStore &store, QStringView query)
{
    const QStringList w = words(query);
    const auto &records = store.records();
    std::vector<int> found;
    if (w.isEmpty()) {
        found.resize(records.size());
        for (size_t i = 0; i < records.size(); ++i)
            found[i] = int(i);
        return found;
    }
    // Narrowing: a query that extends the last one can only match what the last one matched,
    // and any record whose text changed since it was folded, which is checked again.
    const bool narrow = m_lastStore == &store && extends(w, m_lastWords);
    QSet<const ItemRecord *> candidates;
    if (narrow)
        candidates = QSet<const ItemRecord *>(m_lastMatches.begin(), m_lastMatches.end());

    std::vector<const ItemRecord *> matchedRecords;
    m_byPosition.resize(records.size());
    for (size_t i = 0; i < records.size(); ++i) {
        const std::shared_ptr<ItemRecord> &r = records[i];
        if (narrow && !candidates.contains(r.get())) {
            // Skipped unless its text changed since it was folded.
            const Entry &at = m_byPosition[i];
            if (at.record.get() == r.get() && at.fingerprint == fingerprintOf(*r))
                continue;
        }
        if (holdsAll(foldedText(i, r), w)) {
            found.push_back(int(i));
            matchedRecords.push_back(r.get());
        }
    }
    // Records that left the store are let go.
    if (m_entries.size() > qsizetype(records.size()) * 2 + 1024) {
        for (auto it = m_entries.begin(); it != m_entries.end();)
            it = it->record.use_count() <= 2 ? m_entries.erase(it) : std::next(it);
    }
    m_lastWords = w;
    m_lastMatches = std::move(matchedRecords);
    m_lastStore = &store;
    return found;
}

void QuickFindIndex::makeSearchList(RecordStore &store)
{
    const std::vector<int> found = store.findMatches();
    auto next = found.begin();
    for (int i = 0; i < store.count(); ++i) {
        ItemRecord &r = store.at(i);
        r.WasOnSearchList = r.OnSearchList;
        r.OnSearchList = next != found.end() && *next == i;
        if (r.OnSearchList)
            ++next;
    }
    store.scope = RecordScope::SearchList;
}

qsizetype QuickFindIndex::heldCharacters() const
{
    qsizetype n = 0;
    for (const Entry &e : m_entries)
        n += e.folded.size();
    return n;
}
