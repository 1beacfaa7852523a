// Value conversions for the sheet import.
#include "sheetimport/valueconvert.h"

#include <algorithm>
#include <array>
#include <optional>

#include <QDir>
#include <QFileInfo>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace SheetImport {

namespace {

bool isSpace(QChar c)
{
    return c.isSpace() || c == QChar(0x00A0) || c == QChar(0x202F) || c == QChar(0x2009);
}

struct Token
{
    bool number = false;
    QStringView text;
    int value = 0;
};

// Numbers and words of a date, a time of day after it left out.
std::vector<Token> dateTokens(QStringView s)
{
    std::vector<Token> out;
    qsizetype i = 0;
    while (i < s.size()) {
        const QChar c = s[i];
        if (c.isDigit()) {
            qsizetype j = i;
            while (j < s.size() && s[j].isDigit())
                ++j;
            if (j < s.size() && s[j] == u':') {
                // A time: it and a "T" before it end the date.
                if (!out.empty() && !out.back().number
                    && out.back().text.compare(u"T"_s, Qt::CaseInsensitive) == 0)
                    out.pop_back();
                return out;
            }
            Token t { true, s.mid(i, j - i), 0 };
            t.value = j - i <= 6 ? t.text.toInt() : -1;
            out.push_back(t);
            i = j;
        } else if (c.isLetter()) {
            qsizetype j = i;
            while (j < s.size() && s[j].isLetter())
                ++j;
            out.push_back({ false, s.mid(i, j - i), 0 });
            i = j;
        } else if (c == u'/' || c == u'-' || c == u'.' || c == u',' || isSpace(c)) {
            ++i;
        } else {
            return {}; // no date holds other signs
        }
    }
    return out;
}

int monthOf(QStringView word)
{
    static const std::array<const char *, 12> names = { "january", "february", "march", "april",
        "may", "june", "july", "august", "september", "october", "november", "december" };
    const QString w = word.toString().toLower();
    if (w.size() < 3)
        return 0;
    for (size_t m = 0; m < names.size(); ++m) {
        const QString full = QString::fromLatin1(names[m]);
        if (full == w || (full.startsWith(w) && (w.size() == 3 || (w == "sept"_L1))))
            return int(m) + 1;
    }
    return 0;
}

bool isWeekday(QStringView word)
{
    static const std::array<const char *, 7> names
        = { "monday", "tuesday", "wednesday", "thursday", "friday", "saturday", "sunday" };
    const QString w = word.toString().toLower();
    for (const char *n : names) {
        const QString full = QString::fromLatin1(n);
        if (w == full || (w.size() == 3 && full.startsWith(w)))
            return true;
    }
    return false;
}

int fullYear(const Token &t, const QDate &today)
{
    if (t.text.size() == 4)
        return t.value;
    if (t.text.size() == 2) {
        const int y = 2000 + t.value;
        return y <= today.year() ? y : y - 100;
    }
    return -1;
}

Converted dateResult(int y, int m, int d, QStringView text)
{
    if (y < 1000 || y > 9999 || m < 1 || m > 12 || d < 1 || d > 31)
        return { {}, u"is not a date"_s };
    const QDate date(y, m, d);
    if (!date.isValid())
        return { {}, u"is no day of the calendar"_s };
    Q_UNUSED(text);
    return { date.toString(u"yyyy/MM/dd"_s), {} };
}

} // namespace

DateOrder dateOrderShown(QStringView text)
{
    const std::vector<Token> t = dateTokens(text.trimmed());
    if (t.size() != 3 || !t[0].number || !t[1].number || !t[2].number || t[0].text.size() > 2
        || t[1].text.size() > 2)
        return DateOrder::Auto;
    if (t[0].value > 12 && t[1].value <= 12)
        return DateOrder::DayMonthYear;
    if (t[1].value > 12 && t[0].value <= 12)
        return DateOrder::MonthDayYear;
    return DateOrder::Auto;
}

Converted convertDate(QStringView text, DateOrder order, const QDate &today)
{
    std::vector<Token> t = dateTokens(text.trimmed());
    std::erase_if(t, [](const Token &k) { return !k.number && isWeekday(k.text); });
    const Converted notDate { {}, u"is not a date"_s };
    if (t.size() != 3)
        return notDate;
    const int words
        = int(std::count_if(t.begin(), t.end(), [](const Token &k) { return !k.number; }));
    if (words == 1) {
        // A month's name: the other two are the day and the year, the year the one of four digits.
        int month = 0;
        std::vector<Token> nums;
        for (const Token &k : t) {
            if (k.number)
                nums.push_back(k);
            else
                month = monthOf(k.text);
        }
        if (month == 0)
            return notDate;
        const Token *year = nullptr;
        const Token *day = nullptr;
        if (nums[0].text.size() == 4 && nums[1].text.size() <= 2) {
            year = &nums[0];
            day = &nums[1];
        } else if (nums[1].text.size() == 4 && nums[0].text.size() <= 2) {
            year = &nums[1];
            day = &nums[0];
        } else if (nums[1].text.size() == 2 && nums[0].text.size() <= 2) {
            year = &nums[1]; // 14-Mar-24
            day = &nums[0];
        } else {
            return notDate;
        }
        return dateResult(fullYear(*year, today), month, day->value, text);
    }
    if (words != 0)
        return notDate;
    const Token &a = t[0];
    const Token &b = t[1];
    const Token &c = t[2];
    if (a.text.size() == 4)
        return dateResult(a.value, b.value, c.value, text);
    if (a.text.size() > 2 || b.text.size() > 2 || (c.text.size() != 4 && c.text.size() != 2))
        return notDate;
    if (order == DateOrder::YearMonthDay) {
        if (c.text.size() == 2)
            return dateResult(fullYear(a, today), b.value, c.value, text);
        order = DateOrder::Auto; // a four-digit year at the end cannot be read year first
    }
    const int year = fullYear(c, today);
    if (order == DateOrder::DayMonthYear)
        return dateResult(year, b.value, a.value, text);
    if (order == DateOrder::MonthDayYear)
        return dateResult(year, a.value, b.value, text);
    // Automatic: the numbers tell, or it is the same date either way.
    if (a.value > 12 || a.value == b.value)
        return dateResult(year, b.value, a.value, text);
    if (b.value > 12)
        return dateResult(year, a.value, b.value, text);
    return { {}, u"could be day first or month first: choose the date order"_s };
}

Converted convertYear(QStringView text, DateOrder order, const QDate &today)
{
    const QStringView s = text.trimmed();
    if (s.size() == 4 && std::all_of(s.begin(), s.end(), [](QChar c) { return c.isDigit(); })
        && s.toInt() >= 1000)
        return { s.toString(), {} };
    const Converted date = convertDate(s, order, today);
    if (date.ok())
        return { date.text.left(4), {} };
    return { {}, u"is not a year"_s };
}

bool looksLikeValue(QStringView text)
{
    if (convertAmount(text).ok())
        return true;
    // Any order will do: the question is only whether it reads as a date at all.
    return convertDate(text, DateOrder::DayMonthYear, QDate(2000, 1, 1)).ok();
}

Converted convertAmount(QStringView text)
{
    const Converted notAmount { {}, u"is not an amount"_s };
    QString s;
    s.reserve(text.size());
    for (QChar c : text)
        if (!isSpace(c))
            s += c;
    bool negative = false;
    if (s.startsWith(u'(') && s.endsWith(u')')) {
        negative = true;
        s = s.mid(1, s.size() - 2);
    }
    // Currency signs and codes before or after the number; a sign may stand on either side too.
    auto strip = [&s, &negative](bool front) {
        for (;;) {
            if (s.isEmpty())
                return;
            const QChar c = front ? s.front() : s.back();
            if (c == u'-' || c == QChar(0x2212)) {
                negative = true;
            } else if (c == u'+') {
            } else if (c.category() == QChar::Symbol_Currency) {
            } else if (c.isLetter()) {
                // A code of up to three letters (EUR, kr, Fr.), never a word.
                qsizetype n = 0;
                while (n < s.size() && (front ? s[n] : s[s.size() - 1 - n]).isLetter())
                    ++n;
                if (n > 3)
                    return;
                s = front ? s.mid(n) : s.left(s.size() - n);
                if (!s.isEmpty() && (front ? s.front() : s.back()) == u'.' && front)
                    s = s.mid(1);
                continue;
            } else {
                return;
            }
            s = front ? s.mid(1) : s.left(s.size() - 1);
        }
    };
    strip(true);
    strip(false);
    // Swiss thousands marks between digits.
    s.remove(u'\'');
    s.remove(QChar(0x2019));
    if (s.isEmpty() || !s.back().isDigit())
        return notAmount;
    for (QChar c : s)
        if (!c.isDigit() && c != u'.' && c != u',')
            return notAmount;
    const qsizetype lastDot = s.lastIndexOf(u'.');
    const qsizetype lastComma = s.lastIndexOf(u',');
    QChar decimal;
    if (lastDot >= 0 && lastComma >= 0) {
        decimal = lastDot > lastComma ? u'.' : u',';
    } else if (lastDot >= 0 || lastComma >= 0) {
        const QChar sep = lastDot >= 0 ? u'.' : u',';
        const qsizetype at = std::max(lastDot, lastComma);
        const qsizetype before = at;
        const qsizetype after = s.size() - at - 1;
        // 1,234 and 1.234 are thousands; 0,125 and 12.5 are not.
        const bool thousands
            = s.count(sep) > 1 || (after == 3 && before >= 1 && before <= 3 && s.front() != u'0');
        if (!thousands)
            decimal = sep;
    }
    QString whole = s;
    QString fraction;
    if (!decimal.isNull()) {
        const qsizetype at = s.lastIndexOf(decimal);
        whole = s.left(at);
        fraction = s.mid(at + 1);
        if (fraction.contains(u'.') || fraction.contains(u','))
            return notAmount;
    }
    // What is left of the point: digit groups of three after the first.
    const QChar thousandsSep = decimal == u'.' ? u',' : decimal == u',' ? u'.' : QChar();
    QString digits;
    if (whole.contains(u'.') || whole.contains(u',')) {
        const QStringList groups = whole.split(
            thousandsSep.isNull() ? (whole.contains(u',') ? u',' : u'.') : thousandsSep);
        for (qsizetype g = 0; g < groups.size(); ++g) {
            const qsizetype n = groups[g].size();
            if (groups[g].contains(u'.') || groups[g].contains(u',')
                || (g == 0 ? (n < 1 || n > 3) : n != 3))
                return notAmount;
            digits += groups[g];
        }
    } else {
        digits = whole;
    }
    if (digits.isEmpty())
        digits = u"0"_s;
    while (digits.size() > 1 && digits.front() == u'0')
        digits.remove(0, 1);
    if (digits.size() > 13)
        return { {}, u"is too large an amount"_s };
    if (negative)
        return { {}, u"is a negative amount"_s };
    // Cents, rounded half up.
    qint64 cents = digits.toLongLong() * 100;
    const QString f = QString(fraction + u"000"_s).left(3);
    cents += f.left(2).toInt() + (f[2] >= u'5' ? 1 : 0);
    const qint64 units = cents / 100;
    QString grouped = QString::number(units);
    for (qsizetype at = grouped.size() - 3; at > 0; at -= 3)
        grouped.insert(at, u',');
    return { u"$"_s + grouped + u'.' + QString::number(cents % 100).rightJustified(2, u'0'), {} };
}

Converted convertQuantity(QStringView text)
{
    QStringView s = text.trimmed();
    // A spreadsheet's "2.0" is 2.
    const qsizetype point = s.indexOf(u'.') >= 0 ? s.indexOf(u'.') : s.indexOf(u',');
    if (point >= 0) {
        const QStringView rest = s.mid(point + 1);
        if (!std::all_of(rest.begin(), rest.end(), [](QChar c) { return c == u'0'; }))
            return { {}, u"is not a whole number from 0 to 99"_s };
        s = s.left(point);
    }
    bool ok = false;
    const int n = s.toInt(&ok);
    if (!ok || n < 0 || n > 99 || s.startsWith(u'+'))
        return { {}, u"is not a whole number from 0 to 99"_s };
    return { QString::number(n).rightJustified(2, u'0'), {} };
}

Converted convertFlag(QStringView text, const QString &caption)
{
    const QString s = text.trimmed().toString().toLower();
    static const QStringList yes
        = { u"yes"_s, u"y"_s, u"1"_s, u"x"_s, u"true"_s, u"on"_s, u"\u2713"_s, u"\u2714"_s };
    static const QStringList no
        = { u"no"_s, u"n"_s, u"0"_s, u"false"_s, u"off"_s, u"-"_s, QString() };
    if (yes.contains(s) || s == caption.toLower())
        return { u"1"_s, {} };
    if (no.contains(s))
        return { u"0"_s, {} };
    return { {}, u"is not yes or no"_s };
}

Converted convertLinks(QStringView text)
{
    QStringList out;
    for (QStringView part : text.split(u' ', Qt::SkipEmptyParts)) {
        for (QStringView line : part.split(u'\n', Qt::SkipEmptyParts)) {
            QString link = line.trimmed().toString();
            if (link.isEmpty())
                continue;
            if (link.startsWith("www."_L1, Qt::CaseInsensitive))
                link.prepend(u"http://"_s);
            const QUrl url(link, QUrl::StrictMode);
            const QString scheme = url.scheme().toLower();
            const bool web = (scheme == "http"_L1 || scheme == "https"_L1 || scheme == "ftp"_L1)
                && !url.host().isEmpty();
            if (!url.isValid() || !(web || (scheme == "mailto"_L1 && !url.path().isEmpty())))
                return { {}, u"is not a web address"_s };
            out.append(link);
        }
    }
    return { out.join(u'\n'), {} };
}

Converted convertPicture(QStringView text, const QString &sheetFolder)
{
    QString given = text.trimmed().toString();
    if (given.startsWith("file:"_L1, Qt::CaseInsensitive))
        given = QUrl(given).toLocalFile();
    const QDir folder(sheetFolder);
    QString path = QDir::cleanPath(folder.absoluteFilePath(given));
    if (!QFileInfo(path).isFile()) {
        // A path from another machine ("C:\Photos\lamp.jpg"): its file name in the sheet's folder.
        const qsizetype cut = std::max(given.lastIndexOf(u'/'), given.lastIndexOf(u'\\'));
        path = QDir::cleanPath(folder.absoluteFilePath(given.mid(cut + 1)));
    }
    // isFile() is false for a folder, a FIFO or a device: nothing a record can show.
    if (given.isEmpty() || !QFileInfo(path).isFile())
        return { {}, u"names no picture file beside the spreadsheet"_s };
    return { path, {} };
}

CategoryResolver::CategoryResolver(CategoryTree tree, QString caption, bool addNodes)
    : m_tree(std::move(tree))
    , m_caption(std::move(caption))
    , m_addNodes(addNodes)
{ }

namespace {

bool sameName(const QString &node, const QString &name)
{
    return node.trimmed().compare(name, Qt::CaseInsensitive) == 0;
}

// Every chain of nodes whose texts are the names (root first), each the child of the one before,
// starting anywhere in the forest; as paths of child indices from the top. Stops after two.
void findChains(const CategoryTree &nodes, const QStringList &names, std::vector<int> &at,
    std::vector<std::vector<int>> &found)
{
    for (size_t i = 0; i < nodes.size() && found.size() < 2; ++i) {
        at.push_back(int(i));
        if (sameName(nodes[i].text, names.first())) {
            std::vector<int> path = at;
            const CategoryNode *node = &nodes[i];
            bool whole = true;
            for (qsizetype n = 1; n < names.size() && whole; ++n) {
                const auto it = std::find_if(node->children.begin(), node->children.end(),
                    [&](const CategoryNode &c) { return sameName(c.text, names[n]); });
                if (it == node->children.end()) {
                    whole = false;
                } else {
                    path.push_back(int(it - node->children.begin()));
                    node = &*it;
                }
            }
            if (whole)
                found.push_back(path);
        }
        findChains(nodes[i].children, names, at, found);
        at.pop_back();
    }
}

QString fullNameOf(const CategoryTree &tree, const std::vector<int> &path)
{
    QStringList texts;
    const CategoryTree *level = &tree;
    for (int i : path) {
        const CategoryNode &n = (*level)[size_t(i)];
        texts.prepend(n.text);
        level = &n.children;
    }
    return categoryFullName(texts);
}

// The ways a value can name a path, each root first.
std::vector<QStringList> readings(const QString &value)
{
    std::vector<QStringList> out;
    auto parts = [](const QString &v, QChar sep, bool leafFirst) {
        QStringList p;
        for (const QString &s : v.split(sep)) {
            const QString t = s.simplified();
            if (!t.isEmpty())
                p.append(t);
        }
        if (leafFirst)
            std::reverse(p.begin(), p.end());
        return p;
    };
    out.push_back({ value.simplified() });
    if (value.contains(u'>'))
        out.push_back(parts(value, u'>', false));
    if (value.contains(u':'))
        out.push_back(parts(value, u':', true));
    if (value.contains(u'/'))
        out.push_back(parts(value, u'/', false));
    if (value.contains(u'\\'))
        out.push_back(parts(value, u'\\', false));
    std::erase_if(out, [](const QStringList &p) { return p.isEmpty(); });
    return out;
}

} // namespace

Converted CategoryResolver::resolve(QStringView text)
{
    const QString key = text.toString();
    const auto it = m_cache.constFind(key);
    if (it != m_cache.constEnd())
        return *it;
    const Converted c = resolveUncached(key);
    m_cache.insert(key, c);
    return c;
}

Converted CategoryResolver::resolveUncached(const QString &text)
{
    const std::vector<QStringList> ways = readings(text);
    if (ways.empty())
        return { {}, {} };
    bool ambiguous = false;
    for (const QStringList &names : ways) {
        std::vector<int> at;
        std::vector<std::vector<int>> found;
        findChains(m_tree, names, at, found);
        if (found.size() == 1)
            return { fullNameOf(m_tree, found[0]), {} };
        ambiguous = ambiguous || found.size() > 1;
    }
    if (ambiguous)
        return { {}, u"names more than one place in the %1 tree: give its path"_s.arg(m_caption) };
    if (!m_addNodes)
        return { {}, u"is not in the %1 tree"_s.arg(m_caption) };
    // The reading that splits the value, else the value as one name.
    return addPath(ways.size() > 1 ? ways[1] : ways[0]);
}

Converted CategoryResolver::addPath(const QStringList &names)
{
    if (names.size() > 50)
        return { {}, u"is too deep a path for the %1 tree"_s.arg(m_caption) };
    // The longest start of the path the tree already holds, in one place only.
    std::vector<int> base;
    qsizetype known = 0;
    for (qsizetype n = names.size() - 1; n >= 1; --n) {
        std::vector<int> at;
        std::vector<std::vector<int>> found;
        findChains(m_tree, names.first(n), at, found);
        if (found.size() == 1) {
            base = found[0];
            known = n;
            break;
        }
        if (found.size() > 1)
            return { {},
                u"names more than one place in the %1 tree: give its path"_s.arg(m_caption) };
    }
    CategoryTree *level = &m_tree;
    for (int i : base)
        level = &(*level)[size_t(i)].children;
    std::vector<int> path = base;
    for (qsizetype n = known; n < names.size(); ++n) {
        level->push_back(CategoryNode { names[n], {} });
        path.push_back(int(level->size()) - 1);
        m_added.append(fullNameOf(m_tree, path));
        level = &level->back().children;
    }
    // Earlier answers stay as they were, so one text gives one value throughout the import.
    m_changed = true;
    return { fullNameOf(m_tree, path), {} };
}

} // namespace SheetImport
