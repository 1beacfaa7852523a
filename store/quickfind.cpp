// Quick find over folded record texts.
#include "store/quickfind.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <thread>

#include <QElapsedTimer>

#include "store/recordstore.h"
#include "store/textcodec_p.h"

namespace {

// The fields quick find searches, in order: each text to onText, each list of lines to onLines.
template<typename T, typename L> void forEachField(const ItemRecord &r, T onText, L onLines)
{
    onText(r.name());
    onText(r.recordCode());
    for (int i = 0; i < ItemRecord::DetailCount; ++i)
        onText(r.detail(i));
    for (int k = 1; k <= ItemRecord::DescriptionCount; ++k)
        onText(r.description(k));
    onLines(r.keywords());
    onLines(r.history());
    onLines(r.notes());
}

template<typename F> void forEachText(const ItemRecord &r, F f)
{
    forEachField(r, f, [&f](const QStringList &lines) {
        for (const QString &l : lines)
            f(l);
    });
}

// A record's revision changes with every change of its texts, and an entry keeps its record
// alive, so the address and the revision tell whether a folded copy is still right.
size_t fingerprintOf(const ItemRecord &r)
{
    return size_t(r.revision());
}

// Folded texts are kept in UTF-8: half the memory of UTF-16 for the mostly Latin texts of a
// catalogue, and a word is within a text exactly when its UTF-8 bytes are within the text's.
bool holdsAll(QByteArrayView text, const QList<QByteArray> &words)
{
    for (const QByteArray &w : words)
        if (text.indexOf(w) < 0)
            return false;
    return true;
}

QList<QByteArray> utf8Words(const QStringList &words)
{
    QList<QByteArray> out;
    out.reserve(words.size());
    for (const QString &w : words)
        out.append(w.toUtf8());
    return out;
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

// A character folded: lower case, a letter with marks as its base letter, 0 for a mark alone.
char16_t foldSlow(QChar c)
{
    // Decompositions nest (Vietnamese "ế" is "ê" and a mark, "ê" is "e" and a mark): follow them
    // down to the base letter.
    QChar base = c;
    for (QString d = c.decomposition(); !d.isEmpty(); d = base.decomposition())
        base = d.at(0);
    if (base.category() == QChar::Mark_NonSpacing)
        return 0;
    return base.toLower().unicode();
}

// The folds of the first code units, Latin, Greek and Cyrillic among them, worked out once.
constexpr char16_t TableSize = 0x800;
const std::array<char16_t, TableSize> &foldTable()
{
    static const std::array<char16_t, TableSize> table = [] {
        std::array<char16_t, TableSize> t {};
        for (char16_t u = 0; u < TableSize; ++u)
            t[u] = u < 0x80 ? char16_t(u >= 'A' && u <= 'Z' ? u + 32 : u) : foldSlow(QChar(u));
        return t;
    }();
    return table;
}

// Appends text folded at out; returns the new end.
char16_t *foldInto(char16_t *out, QStringView text, const std::array<char16_t, TableSize> &table)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const char16_t f = u < TableSize ? table[u] : foldSlow(c);
        if (f != 0 || u == 0)
            *out++ = f;
    }
    return out;
}

// The fold of each byte of the file's codec, in UTF-8 (a mark alone folds to nothing).
struct ByteFold
{
    char bytes[3];
    quint8 size;
};
const std::array<ByteFold, 256> &byteFoldTable()
{
    static const std::array<ByteFold, 256> table = [] {
        std::array<ByteFold, 256> t {};
        const auto &chars = foldTable();
        for (int b = 0; b < 256; ++b) {
            const char byte = char(b);
            const char16_t u = TextCodec::decode(&byte, 1).at(0).unicode();
            const char16_t f = u < TableSize ? chars[u] : foldSlow(QChar(u));
            const QByteArray utf8 = f == 0 && u != 0 ? QByteArray() : QString(QChar(f)).toUtf8();
            ByteFold &out = t[size_t(b)];
            out.size = quint8(utf8.size());
            std::memcpy(out.bytes, utf8.constData(), size_t(utf8.size()));
        }
        return t;
    }();
    return table;
}

// recordText() folded, in UTF-8, straight from the bytes a record was read from where it has
// them.
QByteArray foldedRecordText(const ItemRecord &r)
{
    std::string out;
    out.reserve(512);
    const auto &table = foldTable();
    const auto &bytes = byteFoldTable();
    bool first = true;
    // Fields are joined by a line break, which no typed word holds, so no word spans two fields.
    const auto separate = [&] {
        if (!first)
            out.push_back('\n');
        first = false;
    };
    const auto addBytes = [&](QByteArrayView t) {
        separate();
        for (const char c : t) {
            const ByteFold &f = bytes[static_cast<unsigned char>(c)];
            if (f.size == 1)
                out.push_back(f.bytes[0]);
            else
                out.append(f.bytes, f.size);
        }
    };
    std::u16string scratch;
    const auto addText = [&](const QString &s) {
        separate();
        scratch.resize(size_t(s.size()));
        const char16_t *end = foldInto(scratch.data(), s, table);
        out += QStringView(scratch.data(), end - scratch.data()).toUtf8().toStdString();
    };
    const auto add = [&](int value) {
        if (r.forEachStoredText(value, addBytes))
            return;
        if (ItemRecord::isLines(value)) {
            for (const QString &line : r.lines(value))
                addText(line);
        } else {
            addText(r.text(value));
        }
    };
    add(ItemRecord::NameValue);
    add(ItemRecord::CodeValue);
    for (int i = 0; i < ItemRecord::DetailCount; ++i)
        add(ItemRecord::detailValue(i));
    for (int k = 1; k <= ItemRecord::DescriptionCount; ++k)
        add(ItemRecord::descriptionValue(k));
    add(ItemRecord::KeywordLines);
    add(ItemRecord::HistoryLines);
    add(ItemRecord::NoteLines);
    return QByteArray(out.data(), qsizetype(out.size()));
}

// Runs work(from, to, part) over [0, count) in one part per core; small counts in one part.
template<typename Work> int inParts(size_t count, Work work)
{
    constexpr size_t MinPart = 8192;
    const size_t cores = std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 8);
    const size_t parts = std::clamp<size_t>(count / MinPart, 1, cores);
    std::vector<std::thread> threads;
    for (size_t p = 1; p < parts; ++p)
        threads.emplace_back(work, count * p / parts, count * (p + 1) / parts, int(p));
    work(size_t(0), count / parts, 0);
    for (std::thread &t : threads)
        t.join();
    return int(parts);
}

} // namespace

QString QuickFindIndex::fold(QStringView text)
{
    QString out(text.size(), Qt::Uninitialized);
    char16_t *const begin = reinterpret_cast<char16_t *>(out.data());
    out.truncate(foldInto(begin, text, foldTable()) - begin);
    return out;
}

QStringList QuickFindIndex::words(QStringView query)
{
    return fold(query).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

QString QuickFindIndex::recordText(const ItemRecord &r)
{
    QStringList fields;
    forEachText(r, [&fields](const QString &s) { fields << s; });
    return fields.join(u'\n');
}

bool QuickFindIndex::matchesRecord(const ItemRecord &record, QStringView query)
{
    return holdsAll(foldedRecordText(record), utf8Words(words(query)));
}

QList<QByteArray> QuickFindIndex::foldedWords(QStringView query)
{
    return utf8Words(words(query));
}

bool QuickFindIndex::holdsWords(const ItemRecord &record, const QList<QByteArray> &folded)
{
    return holdsAll(foldedRecordText(record), folded);
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

void QuickFindIndex::dropLeftRecords(const RecordStore &store)
{
    // Records that left the store (another file read, records deleted) are let go.
    if (m_entries.size() <= store.records().size() + 1024)
        return;
    for (auto it = m_entries.begin(); it != m_entries.end();)
        it = it->second.record.use_count() <= 1 ? m_entries.erase(it) : std::next(it);
    std::fill(m_byPosition.begin(), m_byPosition.end(), nullptr);
}

void QuickFindIndex::refresh(
    const RecordStore &store, const std::vector<std::pair<int, size_t>> &stale)
{
    const auto &records = store.records();
    // Records that only moved keep their entries; the others are folded, on every core.
    std::vector<std::pair<int, size_t>> toFold;
    for (const auto &[i, fp] : stale) {
        const auto it = m_entries.find(records[size_t(i)].get());
        if (it != m_entries.end() && it->second.fingerprint == fp)
            m_byPosition[size_t(i)] = &it->second;
        else
            toFold.emplace_back(i, fp);
    }
    std::vector<QByteArray> folded(toFold.size());
    inParts(toFold.size(), [&](size_t from, size_t to, int) {
        for (size_t j = from; j < to; ++j)
            folded[j] = foldedRecordText(*records[size_t(toFold[j].first)]);
    });
    for (size_t j = 0; j < toFold.size(); ++j) {
        const auto &[i, fp] = toFold[j];
        const std::shared_ptr<ItemRecord> &r = records[size_t(i)];
        Entry &e = m_entries[r.get()];
        e.record = r;
        e.fingerprint = fp;
        e.folded = std::move(folded[j]);
        e.matchedIn = 0;
        m_byPosition[size_t(i)] = &e;
    }
}

std::vector<int> QuickFindIndex::matchesNow(const RecordStore &store, QStringView query)
{
    const QStringList w = words(query);
    const QList<QByteArray> utf8 = utf8Words(w);
    const auto &records = store.records();
    std::vector<int> found;
    if (w.isEmpty()) {
        found.resize(records.size());
        for (size_t i = 0; i < records.size(); ++i)
            found[i] = int(i);
        return found;
    }
    dropLeftRecords(store);
    m_byPosition.resize(records.size(), nullptr);
    // Narrowing: a query that extends the last one can only match what the last one matched,
    // and any record whose text changed since it was folded, which is checked again.
    const bool narrow = m_lastStore == &store && extends(w, m_lastWords);
    const quint64 last = m_lastAnswer;

    struct Part
    {
        std::vector<int> found;
        std::vector<std::pair<int, size_t>> stale; // position, fingerprint
    };
    std::vector<Part> parts(8);
    const int used = inParts(records.size(), [&](size_t from, size_t to, int p) {
        Part &part = parts[size_t(p)];
        for (size_t i = from; i < to; ++i) {
            const ItemRecord *r = records[i].get();
            const Entry *e = m_byPosition[i];
            const size_t fp = fingerprintOf(*r);
            if (!e || e->record.get() != r || e->fingerprint != fp) {
                part.stale.emplace_back(int(i), fp);
                continue;
            }
            if (narrow && e->matchedIn != last)
                continue;
            if (holdsAll(e->folded, utf8))
                part.found.push_back(int(i));
        }
    });
    std::vector<std::pair<int, size_t>> stale;
    for (int p = 0; p < used; ++p) {
        found.insert(found.end(), parts[size_t(p)].found.begin(), parts[size_t(p)].found.end());
        stale.insert(stale.end(), parts[size_t(p)].stale.begin(), parts[size_t(p)].stale.end());
    }
    if (!stale.empty()) {
        refresh(store, stale);
        const size_t before = found.size();
        for (const auto &[i, fp] : stale)
            if (holdsAll(m_byPosition[size_t(i)]->folded, utf8))
                found.push_back(i);
        std::inplace_merge(found.begin(), found.begin() + qsizetype(before), found.end());
    }
    const quint64 now = ++m_answers;
    for (int i : found)
        m_byPosition[size_t(i)]->matchedIn = now;
    m_lastAnswer = now;
    m_lastWords = w;
    m_lastStore = &store;
    return found;
}

bool QuickFindIndex::prepare(const RecordStore &store, int budgetMs)
{
    const auto &records = store.records();
    if (m_prepared == 0)
        dropLeftRecords(store);
    m_byPosition.resize(records.size(), nullptr);
    QElapsedTimer clock;
    clock.start();
    constexpr size_t Slice = 4096;
    while (m_prepared < records.size()) {
        const size_t to = std::min(records.size(), m_prepared + Slice);
        std::vector<std::pair<int, size_t>> stale;
        for (size_t i = m_prepared; i < to; ++i) {
            const ItemRecord *r = records[i].get();
            const Entry *e = m_byPosition[i];
            const size_t fp = fingerprintOf(*r);
            if (!e || e->record.get() != r || e->fingerprint != fp)
                stale.emplace_back(int(i), fp);
        }
        refresh(store, stale);
        // Entries folded here carry no mark of the last answer, so the next query must not be
        // taken as a narrowing of it (after a file is read, it would find nothing).
        if (!stale.empty())
            m_lastWords.clear();
        m_prepared = to;
        if (clock.elapsed() >= budgetMs)
            break;
    }
    return m_prepared >= records.size();
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
    for (const auto &[record, e] : m_entries)
        n += e.folded.size();
    return n;
}
