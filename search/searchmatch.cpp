// Search criteria, the description, notes, detail and flag tests, and the search run.
#include "search/searchmatch.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstddef>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <QByteArray>
#include <QStringMatcher>

#include "store/textcodec.h"

namespace {

char16_t lowerAZ(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? char16_t(c + (u'a' - u'A')) : c;
}

std::u16string foldedLower(QStringView text)
{
    std::u16string out(size_t(text.size()), u'\0');
    for (qsizetype i = 0; i < text.size(); ++i)
        out[size_t(i)] = lowerAZ(text[i].unicode());
    return out;
}

// Whether hay, with A-Z folded, contains needle (already folded). An empty needle never matches.
bool containsFolded(QStringView hay, std::u16string_view needle)
{
    const qsizetype m = qsizetype(needle.size());
    const qsizetype n = hay.size();
    if (m == 0 || n < m)
        return false;
    const char16_t *h = reinterpret_cast<const char16_t *>(hay.utf16());
    const char16_t first = needle[0];
    for (qsizetype i = 0; i + m <= n; ++i) {
        if (lowerAZ(h[i]) != first)
            continue;
        qsizetype j = 1;
        while (j < m && lowerAZ(h[i + j]) == needle[size_t(j)])
            ++j;
        if (j == m)
            return true;
    }
    return false;
}

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// The numeric cleanup into a reused buffer, so the hot loop does not allocate.
void cleanupInto(QStringView text, std::u16string &out)
{
    out.clear();
    bool stopSeen = false;
    for (qsizetype i = text.size() - 1; i >= 0; --i) {
        const char16_t c = text[i].unicode();
        if (isDigit(c)) {
            out.push_back(c);
        } else if (c == u'.' && !stopSeen) {
            stopSeen = true;
            out.push_back(c);
        }
    }
    if (out.empty())
        out.push_back(u'0');
    std::reverse(out.begin(), out.end());
}

QStringView viewOf(const std::u16string &s)
{
    return QStringView(s.data(), qsizetype(s.size()));
}

// A detail range with everything worked out once per run.
struct PreparedRange
{
    int field = -1; // -1 the name, else the detail number
    bool money = false;
    QString low; // after the numeric cleanup for a money detail
    QString high;
    bool numericBounds = false; // both bounds read as numbers
    double lowValue = 0;
    double highValue = 0;
    bool textRange = false; // both bounds non-empty
    std::u16string lowFolded;
    std::u16string highFolded;

    PreparedRange(int fieldIndex, const DetailRange &range, bool isMoney)
        : field(fieldIndex)
        , money(isMoney)
        , low(isMoney ? numericCleanup(range.low) : range.low)
        , high(isMoney ? numericCleanup(range.high) : range.high)
    {
        numericBounds = readDecimalNumber(low, &lowValue) && readDecimalNumber(high, &highValue);
        textRange = !low.isEmpty() && !high.isEmpty();
        lowFolded = foldedLower(low);
        highFolded = foldedLower(high);
    }

    QString valueOf(const ItemRecord &record) const
    {
        return field < 0 ? record.name() : record.detail(field);
    }

    // scratch holds the cleaned value of a money detail between calls.
    bool test(const QString &rawValue, std::u16string &scratch) const
    {
        QStringView value = rawValue;
        if (money) {
            cleanupInto(rawValue, scratch);
            value = viewOf(scratch);
        }
        if (numericBounds) {
            double v = 0;
            if (readDecimalNumber(value, &v))
                return lowValue <= v && v <= highValue;
        }
        if (textRange) {
            const QStringView vl = value.left(std::min(value.size(), low.size()));
            const QStringView vh = value.left(std::min(value.size(), high.size()));
            return compareFoldedText(low, vl) <= 0 && compareFoldedText(high, vh) >= 0;
        }
        return containsFolded(value, lowFolded) || containsFolded(value, highFolded);
    }
};

std::u16string_view u16(QStringView s)
{
    return { reinterpret_cast<const char16_t *>(s.utf16()), size_t(s.size()) };
}

// Case significant; an empty criterion holds for no record.
bool descriptionHolds(const ItemRecord &r, int k, const QString &criterion)
{
    return !criterion.isEmpty()
        && u16(r.description(k)).find(u16(criterion)) != std::u16string_view::npos;
}

bool anyLineContains(const QStringList &lines, std::u16string_view needle)
{
    for (const QString &line : lines) {
        if (containsFolded(line, needle))
            return true;
    }
    return false;
}

// The criteria of one run, folded and read once.
class PreparedCriteria
{
public:
    explicit PreparedCriteria(const SearchCriteria &c)
        : m_c(c)
    {
        for (int k = 1; k <= SearchCriteria::DescriptionCount; ++k) {
            const QString &criterion = c.descriptions[size_t(k)];
            if (criterion != SearchText::any()) {
                m_emptyDescription = m_emptyDescription || criterion.isEmpty();
                m_descriptions.push_back(k);
                m_descriptionMatchers.emplace_back(criterion, Qt::CaseSensitive);
            }
        }
        for (int b = 0; b < SearchCriteria::NotesCount; ++b) {
            if (!c.notes[size_t(b)].isEmpty())
                m_notes.push_back({ b, foldedLower(c.notes[size_t(b)]) });
        }
        if (c.name.isActive())
            m_ranges.emplace_back(-1, c.name, false);
        for (int d = 0; d < SearchCriteria::DetailCount; ++d) {
            if (c.details[size_t(d)].isActive())
                m_ranges.emplace_back(d, c.details[size_t(d)], isMoneyDetail(d));
        }
    }

    bool descriptionsHold(const ItemRecord &r) const
    {
        if (m_emptyDescription)
            return false;
        // Skip-table search: worth it as every record is searched with the same criteria.
        for (size_t d = 0; d < m_descriptions.size(); ++d) {
            const QString value = r.description(m_descriptions[d]);
            if (m_descriptionMatchers[d].indexIn(value) < 0)
                return false;
        }
        return true;
    }

    // The groups in their order; each active criterion wants a record off the list and a
    // favourable flag filter. A ticked group without active criteria passes outright.
    bool matches(const ItemRecord &r)
    {
        bool match = false;
        if (m_c.descriptionGroup) {
            match = !r.OnSearchList && descriptionsHold(r) && flagVerdict(r, m_c);
            if (!match)
                return false;
        }
        if (m_c.notesGroup) {
            match = true;
            for (const NotesCriterion &n : m_notes) {
                match = !r.OnSearchList && anyLineContains(linesOf(r, n.box), n.folded)
                    && flagVerdict(r, m_c);
                if (!match)
                    return false;
            }
        }
        if (m_c.detailGroup) {
            match = true;
            for (const PreparedRange &range : m_ranges) {
                match = !r.OnSearchList && range.test(range.valueOf(r), m_scratch)
                    && flagVerdict(r, m_c);
                if (!match)
                    return false;
            }
        }
        return match;
    }

private:
    struct NotesCriterion
    {
        int box;
        std::u16string folded;
    };

    static QStringList linesOf(const ItemRecord &r, int box)
    {
        return box == 0 ? r.keywords() : (box == 1 ? r.history() : r.notes());
    }

    const SearchCriteria &m_c;
    std::vector<int> m_descriptions;
    std::vector<QStringMatcher> m_descriptionMatchers;
    bool m_emptyDescription = false; // an emptied box: no record passes
    std::vector<NotesCriterion> m_notes;
    std::vector<PreparedRange> m_ranges;
    std::u16string m_scratch;
};

constexpr int PrefetchDistance = 6;

void prefetchRecord(const ItemRecord &r)
{
    __builtin_prefetch(&r);
    __builtin_prefetch(reinterpret_cast<const char *>(&r) + 64);
    __builtin_prefetch(reinterpret_cast<const char *>(&r) + 128);
}

} // namespace

SearchCriteria::SearchCriteria()
{
    for (int k = 1; k <= DescriptionCount; ++k)
        descriptions[size_t(k)] = SearchText::any();
    for (int d = 0; d < DetailCount; ++d)
        details[size_t(d)] = initialDetailRange(d);
}

DetailRange SearchCriteria::initialDetailRange(int detail)
{
    switch (detail) {
    case 1:
    case 8:
        return { QStringLiteral("00000000"), QStringLiteral("99999999") };
    case 2:
        return { QStringLiteral("0000/01/01"), QStringLiteral("2050/12/12") };
    case 3:
        return { QStringLiteral("0000"), QStringLiteral("2050") };
    case 4:
        return { QStringLiteral("0000000"), QStringLiteral("9999999") };
    case 9:
        return { QStringLiteral("0 "), QStringLiteral("99") };
    default:
        return {};
    }
}

bool readDecimalNumber(QStringView text, double *value)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && text[i] == u' ')
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    const qsizetype intStart = i;
    while (i < n && isDigit(text[i].unicode()))
        ++i;
    const qsizetype intEnd = i;
    if (intEnd == intStart)
        return false;
    qsizetype fracStart = i;
    qsizetype fracEnd = i;
    if (i < n && text[i] == u'.') {
        fracStart = ++i;
        while (i < n && isDigit(text[i].unicode()))
            ++i;
        fracEnd = i;
        if (fracEnd == fracStart)
            return false;
    }
    long long exponent = 0;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < n && (text[i] == u'+' || text[i] == u'-')) {
            negativeExponent = text[i] == u'-';
            ++i;
        }
        const qsizetype expStart = i;
        while (i < n && isDigit(text[i].unicode())) {
            // Saturate: only the sign of a huge exponent matters below.
            if (exponent < 1000000000LL)
                exponent = exponent * 10 + (text[i].unicode() - u'0');
            ++i;
        }
        if (i == expStart)
            return false;
        if (negativeExponent)
            exponent = -exponent;
    }
    if (i != n)
        return false;
    if (!value)
        return true;

    // The syntax is checked, so the rest is plain ASCII for from_chars, which ignores the locale.
    const qsizetype digitsStart = intStart;
    const qsizetype length = n - digitsStart;
    std::array<char, 64> small {};
    std::string large;
    char *buffer = small.data();
    if (length > qsizetype(small.size())) {
        large.resize(size_t(length));
        buffer = large.data();
    }
    for (qsizetype k = 0; k < length; ++k)
        buffer[k] = char(text[digitsStart + k].unicode());
    double result = 0;
    const auto [ptr, ec] = std::from_chars(buffer, buffer + length, result);
    Q_UNUSED(ptr);
    if (ec == std::errc::result_out_of_range) {
        // Decimal magnitude of the first significant digit decides overflow or underflow.
        long long magnitude = 0;
        qsizetype k = intStart;
        while (k < intEnd && text[k] == u'0')
            ++k;
        if (k < intEnd) {
            magnitude = intEnd - k;
        } else {
            qsizetype f = fracStart;
            while (f < fracEnd && text[f] == u'0')
                ++f;
            magnitude = -(f - fracStart);
        }
        result = magnitude + exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (ec != std::errc()) {
        return false;
    }
    *value = negative ? -result : result;
    return true;
}

bool descriptionTest(const ItemRecord &record, const SearchCriteria &criteria)
{
    for (int k = 1; k <= SearchCriteria::DescriptionCount; ++k) {
        const QString &criterion = criteria.descriptions[size_t(k)];
        if (criterion != SearchText::any() && !descriptionHolds(record, k, criterion))
            return false;
    }
    return true;
}

bool notesTest(QStringView criterion, const QStringList &lines)
{
    return anyLineContains(lines, foldedLower(criterion));
}

bool detailTest(const QString &low, const QString &high, const QString &value, bool money)
{
    std::u16string scratch;
    return PreparedRange(0, DetailRange { low, high }, money).test(value, scratch);
}

bool flagVerdict(const ItemRecord &record, const SearchCriteria &criteria)
{
    if (record.ForSale)
        return criteria.forSaleBox;
    if (record.ForTrade)
        return criteria.forTradeBox;
    if (record.Wanted)
        return criteria.wantedBox;
    return true;
}

QString searchOutcomeText(int newCount)
{
    if (newCount == 0)
        return QStringLiteral("No new items found.");
    if (newCount == 1)
        return QStringLiteral("1 new item found.");
    return QString::number(newCount) + QStringLiteral(" new items found.");
}

SearchRunResult runSearch(
    RecordStore &store, const SearchCriteria &criteria, const std::function<void(int)> &progress)
{
    PreparedCriteria prepared(criteria);
    const int n = store.count();
    int newCount = 0;
    int shownPercent = -1;
    for (int i = 0; i < n; ++i) {
        if (progress) {
            // round(100 * (i + 1) / n), halves upwards, in integers.
            const int percent = int((200LL * (i + 1) + n) / (2LL * n));
            if (percent != shownPercent) {
                shownPercent = percent;
                progress(percent);
            }
        }
        // The run is bound by memory latency: records and their blocks are scattered on the
        // heap, so ask for the records a few steps ahead and for the block of the next one.
        if (i + PrefetchDistance < n)
            prefetchRecord(store.at(i + PrefetchDistance));
        if (i + 1 < n)
            store.at(i + 1).prefetchBlock();
        ItemRecord &r = store.at(i);
        r.WasOnSearchList = r.OnSearchList;
        if (prepared.matches(r)) {
            if (!r.WasOnSearchList)
                ++newCount;
            r.OnSearchList = true;
        }
    }
    store.scope = RecordScope::SearchList;
    return { newCount, searchOutcomeText(newCount) };
}
