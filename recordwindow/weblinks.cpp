// Related records, web links and internet searches: the logic the two notebook pages call.
#include "recordwindow/weblinks.h"

#include "store/recordstore.h"
#include "store/safewrite.h"
#include "store/textcodec.h"

using namespace Qt::StringLiterals;

// ---- Entries

QString linkEntry(const QString &address, const QString &title)
{
    return u"<A href=\""_s + address + u"\">"_s + title + u"</A>"_s;
}

QString relatedRecordEntry(int index, const QString &name)
{
    return u"<A href=\""_s + QString::number(index) + u"\">"_s + name + u"</A>"_s;
}

namespace {

bool isHtmlSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

// Decodes the character references a browser would: the named few and numeric ones. Anything
// else that starts with "&" stays as it is.
QString decodeReferences(const QString &text)
{
    if (!text.contains(u'&'))
        return text;
    static const std::pair<QLatin1StringView, char16_t> named[]
        = { { "amp"_L1, u'&' }, { "lt"_L1, u'<' }, { "gt"_L1, u'>' }, { "quot"_L1, u'"' },
              { "apos"_L1, u'\'' }, { "nbsp"_L1, u'\u00a0' } };
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        const qsizetype semi = c == u'&' ? text.indexOf(u';', i + 1) : -1;
        if (semi < 0 || semi - i > 10) {
            out += c;
            ++i;
            continue;
        }
        const QStringView name = QStringView(text).mid(i + 1, semi - i - 1);
        bool done = false;
        if (name.startsWith(u'#') && name.size() > 1) {
            bool ok = false;
            const uint code = (name.at(1) == u'x' || name.at(1) == u'X')
                ? name.mid(2).toUInt(&ok, 16)
                : name.mid(1).toUInt(&ok, 10);
            if (ok && code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) {
                out += QString::fromUcs4(reinterpret_cast<const char32_t *>(&code), 1);
                done = true;
            }
        } else {
            for (const auto &[n, ch] : named) {
                if (name == n) {
                    out += QChar(ch);
                    done = true;
                    break;
                }
            }
        }
        if (done) {
            i = semi + 1;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

} // namespace

std::optional<Anchor> parseAnchor(const QString &entry)
{
    // <a href="HREF">TEXT</a>, letter case and blanks around the tag's parts as browsers allow.
    const QStringView e(entry);
    qsizetype i = 0;
    const qsizetype n = e.size();
    auto skipSpace = [&] {
        while (i < n && isHtmlSpace(e.at(i)))
            ++i;
    };
    auto take = [&](QLatin1StringView word) {
        if (e.mid(i).startsWith(word, Qt::CaseInsensitive)) {
            i += word.size();
            return true;
        }
        return false;
    };
    skipSpace();
    if (!take("<a"_L1) || i >= n || !isHtmlSpace(e.at(i)))
        return std::nullopt;
    skipSpace();
    if (!take("href"_L1))
        return std::nullopt;
    skipSpace();
    if (!take("="_L1))
        return std::nullopt;
    skipSpace();
    if (!take("\""_L1))
        return std::nullopt;
    const qsizetype close = e.indexOf(u'"', i);
    if (close < 0)
        return std::nullopt;
    const QStringView href = e.mid(i, close - i);
    i = close + 1;
    skipSpace();
    if (!take(">"_L1))
        return std::nullopt;
    qsizetype end = n;
    while (end > i && isHtmlSpace(e.at(end - 1)))
        --end;
    const QLatin1StringView closing("</a>");
    if (end - i < closing.size()
        || !e.mid(end - closing.size(), closing.size()).startsWith(closing, Qt::CaseInsensitive))
        return std::nullopt;
    const QStringView text = e.mid(i, end - closing.size() - i);
    return Anchor { decodeReferences(href.toString()), decodeReferences(text.toString()) };
}

// ---- Related records

QStringList relatedFieldCaptions(const FieldCaptions &captions)
{
    QStringList entries;
    entries.reserve(RelatedFieldCount);
    for (int k = 1; k <= 10; ++k)
        entries << captions.description[size_t(k)];
    for (int d = 0; d < 10; ++d)
        entries << captions.detail[size_t(d)];
    entries << StatusCaption;
    return entries;
}

int relatedFieldFor(const QStringList &entries, const QString &text)
{
    if (text.isEmpty())
        return -1;
    return int(entries.indexOf(text));
}

namespace {

// Whether two texts are equal once both are in lower case, without making lower-case copies
// (matching runs over every record). Lowering character by character gives the same as lowering
// the whole text except where a lower case is longer or depends on its neighbours (U+0130, a
// final capital sigma) and for surrogate pairs; those take the slow way.
bool equalInLowerCase(QStringView a, QStringView b)
{
    const auto special
        = [](QChar c) { return c.unicode() == 0x130 || c.unicode() == 0x3a3 || c.isSurrogate(); };
    const auto slow = [&] { return a.toString().toLower() == b.toString().toLower(); };
    if (a.size() != b.size()) {
        // Lengths differ; only a character whose lower case is longer can make them equal.
        return (a.contains(QChar(0x130)) || b.contains(QChar(0x130))) && slow();
    }
    for (qsizetype i = 0; i < a.size(); ++i) {
        const QChar x = a[i];
        const QChar y = b[i];
        if (special(x) || special(y))
            return slow();
        if (x != y && x.toLower() != y.toLower())
            return false;
    }
    return true;
}

} // namespace

bool isRelated(const ItemRecord &a, const ItemRecord &b, int field)
{
    if (field >= ItemCode::FirstDescription && field < ItemCode::FirstDetail) {
        const size_t k = size_t(field - ItemCode::FirstDescription + 1);
        return equalInLowerCase(a.description(k), b.description(k));
    }
    if (field >= ItemCode::FirstDetail && field < ItemCode::Status) {
        const size_t d = size_t(field - ItemCode::FirstDetail);
        return equalInLowerCase(a.detail(d), b.detail(d));
    }
    if (field == ItemCode::Status)
        return a.Wanted == b.Wanted || a.ForTrade == b.ForTrade || a.ForSale == b.ForSale;
    return false;
}

QList<int> relatedRecords(const RecordStore &store, int current, int field)
{
    QList<int> related;
    if (current < 0 || current >= store.count() || field < 0 || field >= RelatedFieldCount)
        return related;
    const ItemRecord &mine = store.at(current);
    for (int i = 0; i < store.count(); ++i) {
        if (i != current && isRelated(mine, store.at(i), field))
            related << i;
    }
    return related;
}

// ---- Search terms and engines

QString generateSearchTerm(const ShownRecord &shown)
{
    QString term;
    if (!shown.name.isEmpty() && shown.name != u"Empty"_s)
        term = u'"' + shown.name + u'"';
    if (!shown.historyFirstLine.isEmpty())
        term += u' ' + shown.historyFirstLine;
    for (int k = 1; k <= 10; ++k) {
        const QString &text = shown.descriptions[size_t(k)];
        if (text.isEmpty())
            continue;
        const qsizetype colon = text.indexOf(u':');
        term += u" \""_s + (colon < 0 ? text : text.left(colon)) + u'"';
    }
    if (!shown.detail0.isEmpty())
        term += u' ' + shown.detail0;
    return term;
}

namespace {

void appendPercentUtf8(QString &out, QStringView chars, const char *hex)
{
    for (char b : chars.toUtf8()) {
        out += u'%';
        out += QLatin1Char(hex[(uchar(b) >> 4) & 0xf]);
        out += QLatin1Char(hex[uchar(b) & 0xf]);
    }
}

// One character, or a surrogate pair, starting at i; i is moved past it.
QStringView characterAt(const QString &text, qsizetype &i)
{
    const qsizetype start = i++;
    if (text.at(start).isHighSurrogate() && i < text.size() && text.at(i).isLowSurrogate())
        ++i;
    return QStringView(text).mid(start, i - start);
}

} // namespace

QString EncodeSearchTerm(const QString &term)
{
    QString out;
    out.reserve(term.size() * 3 / 2);
    for (qsizetype i = 0; i < term.size();) {
        const QStringView c = characterAt(term, i);
        switch (c.front().unicode()) {
        case u' ':
            out += u'+';
            break;
        case u'"':
            out += "%22"_L1;
            break;
        case u'%':
            out += "%25"_L1;
            break;
        case u'&':
            out += "%26"_L1;
            break;
        case u'+':
            out += "%2b"_L1;
            break;
        case u'=':
            out += "%3d"_L1;
            break;
        case u'?':
            out += "%3f"_L1;
            break;
        // A "#" would cut the rest of the term off as the address's fragment.
        case u'#':
            out += "%23"_L1;
            break;
        default:
            if (c.front().unicode() > 0x20 && c.front().unicode() < 0x7f) {
                out += c;
            } else {
                // Control characters and everything beyond ASCII as UTF-8 bytes, as engines
                // read them today; the page that carries the address stays plain ASCII.
                appendPercentUtf8(out, c, "0123456789abcdef");
            }
        }
    }
    return out;
}

std::span<const SearchEngine> searchEngines()
{
    static const SearchEngine engines[] = {
        { "AltaVista", "AltaVista", "https://www.altavista.com", "/cgi-bin/query", "q" },
        { "Excite", "Excite", "https://www.excite.com", "/search.gw", "search" },
        { "Go", "Go", "https://www.go.com", "/Split", "qt" },
        { "Hotbot", "Hotbot", "https://www.hotbot.com", "/", "MT" },
        { "Lycos", "Lycos", "https://www.lycos.com", "/srch/", "query" },
        { "NorthernLight", "Northern Light", "https://www.northernlight.com", "/nlquery.fcg",
            "qr" },
        { "DuckDuckGo", "DuckDuckGo", "https://duckduckgo.com", "/", "q" },
        { "Google", "Google", "https://www.google.com", "/search", "q" },
        { "Bing", "Bing", "https://www.bing.com", "/search", "q" },
    };
    return engines;
}

QString searchAddress(const SearchEngine &engine, const QString &term)
{
    return QLatin1StringView(engine.site) + QLatin1StringView(engine.path) + u'?'
        + QLatin1StringView(engine.key) + u'=' + EncodeSearchTerm(term);
}

// ---- Pages

QString htmlEscape(const QString &text)
{
    return text.toHtmlEscaped().replace(u'\'', "&#39;"_L1);
}

namespace {

// The redirect page is written in the single-byte encoding; characters beyond ASCII in an
// address go as %-encoded UTF-8, which browsers read the same in any part of an address.
QString asciiAddress(const QString &address)
{
    QString out;
    out.reserve(address.size());
    for (qsizetype i = 0; i < address.size();) {
        const QStringView c = characterAt(address, i);
        if (c.front().unicode() < 0x80)
            out += c;
        else
            appendPercentUtf8(out, c, "0123456789ABCDEF");
    }
    return out;
}

} // namespace

QStringList redirectPageLines(const QString &address)
{
    return { u"<html><head>"_s, u"<meta HTTP-EQUIV=\"Refresh\" CONTENT=\"0;"_s,
        u"URL="_s + htmlEscape(asciiAddress(address)) + u"\">"_s,
        u"<title></title></head><body></body></html>"_s };
}

QStringList bookStoreTemplate()
{
    return {
        u"<html>"_s,
        u"<head>"_s,
        u"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">"_s,
        u"<title>Book Search</title>"_s,
        u"</head>"_s,
        u"<body onLoad=\"document.forms[0].submit()\">"_s,
        u"<h2>Book Search ... Please Wait</h2>"_s,
        u"<p>Larkspur Cataloguer searches Amazon.com as an associate of the store.</p>"_s,
        u"<form method=\"get\" accept-charset=\"UTF-8\" action=\"https://www.amazon.com/exec/obidos/external-search\">"_s,
        u"<input type=\"text\" name=\"keyword\" size=\"10\""_s,
        SearchPlaceholder,
        u">"_s,
        u"<input type=\"hidden\" name=\"mode\" value=\"blended\">"_s,
        u"<input type=\"hidden\" name=\"tag\" value=\"marrowfield\">"_s,
        u"<input type=\"hidden\" name=\"tag-id\" value=\"marrowfield\">"_s,
        u"<input type=\"hidden\" name=\"placement\" value=\"ap-search-go-btn.gif\">"_s,
        u"<input type=\"image\" name=\"Go\" width=\"21\" height=\"21\" alt=\"Go\" "
        "src=\"https://images-na.ssl-images-amazon.com/assoc/us/ap-search-go-btn.gif?tag-id=marrowfield\">"_s,
        u"</form>"_s,
        u"<p><a href=\"https://www.amazon.com/?tag=marrowfield\"><img width=\"126\" height=\"32\" "
        "border=\"0\" alt=\"Amazon.com\" "
        "src=\"https://images-na.ssl-images-amazon.com/images/G/01/associates/logo-126x32.gif\"></a></p>"_s,
        u"</body>"_s,
        u"</html>"_s,
    };
}

QStringList magazineStoreTemplate()
{
    return {
        u"<html>"_s,
        u"<head>"_s,
        u"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">"_s,
        u"<title>Magazine Search</title>"_s,
        u"</head>"_s,
        u"<body onLoad=\"document.forms[0].submit()\">"_s,
        u"<h2>Magazine Search ... Please Wait</h2>"_s,
        u"<form name=\"MagMall\" method=\"POST\" accept-charset=\"UTF-8\" action=\"https://www.magmall.com/cgi-bin/webcart/webcart.cgi\">"_s,
        u"<input type=\"hidden\" name=\"RET\" value=\"25\">"_s,
        u"<input type=\"submit\" value=\"FindMagazines\">"_s,
        u"<input type=\"hidden\" name=\"DOSEARCH\" value=\"YES\">"_s,
        u"<input type=\"hidden\" name=\"FIRST_TIME\" value=\"Yes\">"_s,
        u"<input type=\"hidden\" name=\"START\" value=\"1\">"_s,
        u"<input type=\"hidden\" name=\"DBF\" value=\"\">"_s,
        u"<input type=\"hidden\" name=\"LOGIC\" value=\"1\">"_s,
        u"<input type=\"hidden\" name=\"REFER\" value=\"marrowfield\">"_s,
        u"<input type=\"hidden\" name=\"CODE\" value=\"PHOLD\">"_s,
        u"Type in a magazine <input type=\"text\" name=\"OCATS\" size=\"12\""_s,
        SearchPlaceholder,
        u">"_s,
        u"</form>"_s,
        u"</body>"_s,
        u"</html>"_s,
    };
}

QStringList fillSearchForm(const QStringList &templateLines, const QString &searchText)
{
    QStringList lines;
    lines.reserve(templateLines.size());
    for (const QString &line : templateLines) {
        if (line.contains(SearchPlaceholder, Qt::CaseSensitive))
            lines << u"Value=\""_s + htmlEscape(searchText) + u'"';
        else
            lines << line;
    }
    return lines;
}

bool writePage(const QString &path, const QStringList &lines, QString *message)
{
    QByteArray bytes;
    for (const QString &line : lines) {
        appendEncodedText(bytes, line);
        bytes += "\r\n";
    }
    const SafeWrite::Result result = SafeWrite::write(path, bytes);
    if (!result.ok() && message)
        *message = result.message;
    return result.ok();
}

bool isOpenableAddress(const QString &address)
{
    // Read the scheme as a browser would: outer blanks and control characters dropped, tabs and
    // line breaks inside ignored, so " java\tscript:" is still refused.
    QString cleaned;
    for (QChar c : address) {
        if (c != u'\t' && c != u'\n' && c != u'\r')
            cleaned += c;
    }
    qsizetype start = 0;
    while (start < cleaned.size() && cleaned.at(start).unicode() <= 0x20)
        ++start;
    const qsizetype colon = cleaned.indexOf(u':', start);
    if (colon <= start)
        return false;
    const QString scheme = cleaned.mid(start, colon - start).toLower();
    return scheme == u"http"_s || scheme == u"https"_s || scheme == u"ftp"_s
        || scheme == u"mailto"_s;
}

QString shortenedForMessage(const QString &text, int maxLength)
{
    if (text.size() <= maxLength)
        return text;
    return text.left(maxLength) + u"..."_s;
}

QString refusedAddressMessage(const QString &address)
{
    return u"The address \"%1\" was not opened: only web and mail addresses (http, https, ftp "
           "and mailto) can be opened."_s.arg(shortenedForMessage(address));
}
