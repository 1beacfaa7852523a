// Encodes mail messages and news articles in RFC 822 form with MIME headers, ready for the wire.
#include "sending/message.h"

#include <array>

#include "store/textcodec.h"

using namespace Qt::StringLiterals;

namespace MessageEncoder {

namespace {

constexpr int HeaderWidth = 10;
constexpr int PieceWidth = 65;

bool isAscii(QStringView text)
{
    for (QChar c : text) {
        if (c.unicode() > 127)
            return false;
    }
    return true;
}

// A header value on one line: a line break inside it would start a header of its own.
QString oneLine(QString text)
{
    text.replace(u"\r\n"_s, u" "_s);
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return text;
}

// RFC 2047 "Q" encoding in the single-byte character set the program uses everywhere.
QByteArray encodedWord(const QString &text)
{
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out = "=?windows-1252?Q?";
    for (const char ch : encodeText(text)) {
        const auto c = uchar(ch);
        if (c == ' ') {
            out += '_';
        } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
            || c == '!' || c == '*' || c == '+' || c == '-' || c == '/') {
            out += char(c);
        } else {
            out += '=';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out + "?=";
}

QByteArray headerText(const QString &text)
{
    const QString line = oneLine(text);
    return isAscii(line) ? line.toLatin1() : encodedWord(line);
}

// A display name as it stands before " <address>". A name with a full stop (or another character
// that would split the address list) is quoted so that mail readers keep it whole.
QByteArray displayName(const QString &name, bool quote)
{
    const QString line = oneLine(name);
    if (!isAscii(line))
        return encodedWord(line);
    if (!quote)
        return line.toLatin1();
    static const QString specials = u"()<>[]:;@\\,.\""_s;
    bool special = false;
    for (QChar c : line)
        special = special || specials.contains(c);
    if (!special)
        return line.toLatin1();
    QByteArray out = "\"";
    for (QChar c : line) {
        if (c == u'"' || c == u'\\')
            out += '\\';
        out += char(c.unicode());
    }
    return out + '"';
}

QByteArray mailbox(const TmsMailAddress &a, bool quote)
{
    return displayName(a.Name, quote) + " <" + a.Address.toLatin1() + '>';
}

void addressHeader(QList<QByteArray> &lines, const char *name, const TmsAddressList &list)
{
    const QByteArray indent(HeaderWidth, ' ');
    for (qsizetype i = 0; i < list.size(); ++i) {
        QByteArray line
            = i == 0 ? QByteArray(QByteArray(name) + ':').leftJustified(HeaderWidth) : indent;
        line += mailbox(list[i], true);
        if (i + 1 < list.size())
            line += ',';
        lines += line;
    }
}

// The headers the encoder writes itself are never taken from the extra headers.
void extraHeaders(QList<QByteArray> &lines, const QStringList &extra)
{
    static const std::array own { "From"_L1, "To"_L1, "CC"_L1, "BCC"_L1, "Return-Receipt-To"_L1,
        "X-Priority"_L1, "Subject"_L1, "Mime-Version"_L1, "Content-Type"_L1, "X-Encoding"_L1,
        "Content-Transfer-Encoding"_L1 };
    for (const QString &header : extra) {
        const QString name = header.section(u':', 0, 0).trimmed();
        bool isOwn = false;
        for (const auto &o : own)
            isOwn = isOwn || name.compare(o, Qt::CaseInsensitive) == 0;
        if (!isOwn && !name.isEmpty())
            lines += headerText(header);
    }
}

// The body as single-byte lines; a line break inside a body line starts a new line.
QList<QByteArray> bodyLines(const QStringList &body)
{
    QList<QByteArray> lines;
    for (const QString &line : body) {
        QString l = line;
        l.replace(u"\r\n"_s, u"\n"_s);
        l.replace(u'\r', u'\n');
        for (const QString &part : l.split(u'\n'))
            lines += encodeText(part);
    }
    return lines;
}

QString bodyPart(QList<QByteArray> &lines, const QString &contentType, const QStringList &body)
{
    const QList<QByteArray> text = bodyLines(body);
    bool longLine = false;
    bool eightBit = false;
    for (const QByteArray &line : text) {
        if (line.size() > MaxParagraph)
            return u"Paragraph is too large"_s;
        longLine = longLine || line.size() >= QuotedPrintableFrom;
        for (const char c : line)
            eightBit = eightBit || uchar(c) > 127;
    }
    // Characters beyond US-ASCII cannot travel as 7bit text; they are declared and encoded.
    const QByteArray charset = eightBit ? "windows-1252" : "us-ascii";
    lines += "Content-Type: " + headerText(contentType) + "; charset=\"" + charset + '"';
    const bool qp = longLine || eightBit;
    lines += qp ? "Content-Transfer-Encoding: quoted-printable" : "Content-Transfer-Encoding: 7bit";
    lines += QByteArray();
    for (const QByteArray &line : text) {
        if (qp)
            lines += quotedPrintable(line);
        else
            lines += line;
    }
    return {};
}

// Wire form: every line ends with CR LF; a line that begins with "." gets a second one, so that
// no text line is taken for the end of the message and the receiver gets the text back intact.
QByteArray wire(const QList<QByteArray> &lines)
{
    QByteArray out;
    for (const QByteArray &line : lines) {
        if (line.startsWith('.'))
            out += '.';
        out += line;
        out += "\r\n";
    }
    return out;
}

// Addresses go into commands and headers as they stand, so nothing that ends a line, ends the
// address or splits it may be in them.
std::optional<QString> checkAddress(const QString &address)
{
    for (QChar c : address) {
        if (c.unicode() <= 32 || c.unicode() > 126 || c == u'<' || c == u'>')
            return u"'%1' is not a valid e-mail address"_s.arg(address);
    }
    return std::nullopt;
}

} // namespace

std::optional<QString> checkMessage(const TmsMessage &message)
{
    if (message.Sender.Address.isEmpty())
        return u"The address of sender is required"_s;
    bool any = false;
    for (const TmsAddressList *list : { &message.Recipients, &message.CC, &message.BCC }) {
        for (const TmsMailAddress &a : *list)
            any = any || !a.Address.isEmpty();
    }
    if (!any)
        return u"At least one Recipient, CC or BCC must be entered"_s;
    if (auto bad = checkAddress(message.Sender.Address))
        return bad;
    for (const TmsAddressList *list : { &message.Recipients, &message.CC, &message.BCC }) {
        for (const TmsMailAddress &a : *list) {
            if (auto bad = checkAddress(a.Address))
                return bad;
        }
    }
    return std::nullopt;
}

std::optional<QString> checkArticle(const TmsArticle &article)
{
    if (article.Sender.Address.isEmpty())
        return u"The address of sender is required"_s;
    if (article.NewsGroups.isEmpty())
        return u"Newsgroup header is required"_s;
    if (article.Subject.isEmpty())
        return u"Subject header is required"_s;
    return checkAddress(article.Sender.Address);
}

Encoded encodeMessage(const TmsMessage &message)
{
    QList<QByteArray> lines;
    lines += "From:     " + mailbox(message.Sender, true);
    addressHeader(lines, "To", message.Recipients);
    addressHeader(lines, "CC", message.CC);
    if (message.ReturnReceipt)
        lines += "Return-Receipt-To: <" + message.Sender.Address.toLatin1() + '>';
    if (message.Priority == TmsPriority::ptHigh)
        lines += "X-Priority: 1";
    else if (message.Priority == TmsPriority::ptLow)
        lines += "X-Priority: 5";
    extraHeaders(lines, message.ExtraHeaders);
    if (!message.Subject.isEmpty())
        lines += "Subject: " + headerText(message.Subject);
    lines += "Mime-Version: 1.0";
    Encoded result;
    result.error = bodyPart(lines, message.ContentType, message.Body);
    if (result.error.isEmpty())
        result.text = wire(lines);
    return result;
}

Encoded encodeArticle(const TmsArticle &article)
{
    QList<QByteArray> lines;
    lines += "From:     " + mailbox(article.Sender, false);
    lines += "Newsgroups: " + headerText(article.NewsGroups);
    extraHeaders(lines, article.ExtraHeaders);
    if (!article.Subject.isEmpty())
        lines += "Subject:  " + headerText(article.Subject);
    lines += "Mime-Version: 1.0";
    Encoded result;
    result.error = bodyPart(lines, article.ContentType, article.Body);
    if (result.error.isEmpty())
        result.text = wire(lines);
    return result;
}

QList<QByteArray> quotedPrintable(const QByteArray &line)
{
    static const char hex[] = "0123456789ABCDEF";
    const auto escaped = [](uchar c) { return c < 32 || c == '=' || c > 127; };
    const qsizetype n = line.size();
    // Pieces are measured as they are written, so an escaped character counts three; for plain
    // text that is a piece of at most 65 characters plus the soft break.
    std::vector<qsizetype> upTo(size_t(n) + 1, 0);
    for (qsizetype i = 0; i < n; ++i)
        upTo[size_t(i) + 1] = upTo[size_t(i)] + (escaped(uchar(line[i])) ? 3 : 1);
    // Decoders delete blanks at the end of an encoded line, so a piece's last blank goes as =20.
    const auto written = [&](qsizetype from, qsizetype to) {
        return upTo[size_t(to)] - upTo[size_t(from)] + (to > from && line[to - 1] == ' ' ? 2 : 0);
    };

    const auto encode = [&](qsizetype from, qsizetype to) {
        QByteArray out;
        for (qsizetype i = from; i < to; ++i) {
            const auto c = uchar(line[i]);
            if (escaped(c) || (c == ' ' && i == to - 1)) {
                out += '=';
                out += hex[c >> 4];
                out += hex[c & 15];
            } else {
                out += char(c);
            }
        }
        return out;
    };

    QList<QByteArray> pieces;
    qsizetype pos = 0;
    while (written(pos, n) > PieceWidth) {
        // The longest run from pos that fits, then the last blank that may start the next piece
        // (the blank at pos itself would leave an empty piece).
        qsizetype end = pos;
        while (end < n && upTo[size_t(end) + 1] - upTo[size_t(pos)] <= PieceWidth)
            ++end;
        qsizetype cut = end;
        for (qsizetype b = end; b > pos; --b) {
            if (b < n && line[b] == ' ') {
                cut = b;
                break;
            }
        }
        // A piece ending in a blank grows by its =20; it gives up characters until it fits.
        while (cut - pos > 1 && written(pos, cut) > PieceWidth)
            --cut;
        pieces += encode(pos, cut) + '=';
        pos = cut;
    }
    pieces += encode(pos, n);
    return pieces;
}

} // namespace MessageEncoder
