// CSV and TSV files: the encoding and the delimiter detected, then the cells split out.
#include "sheetimport/sheettable.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include <QStringDecoder>

#include "store/textcodec.h"

using namespace Qt::StringLiterals;

namespace SheetImport {

namespace {

bool validUtf8(QByteArrayView bytes)
{
    // Decoding is the check; a large file is checked in pieces to keep memory flat, the
    // decoder carrying a character split between two pieces.
    QStringDecoder decoder(QStringDecoder::Utf8);
    constexpr qsizetype Piece = 1 << 20;
    for (qsizetype at = 0; at < bytes.size(); at += Piece) {
        const QString piece = decoder.decode(bytes.sliced(at, std::min(Piece, bytes.size() - at)));
        if (decoder.hasError())
            return false;
    }
    const QString rest = decoder(QByteArrayView());
    return !decoder.hasError();
}

// The text as UTF-8, which the table keeps: half the memory of a decoded text for the usual
// files, and a UTF-8 file's own bytes need no copy.
QByteArray utf8Text(QByteArray bytes, TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE: {
        QStringDecoder d(
            encoding == TextEncoding::Utf16LE ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
        QByteArrayView v(bytes);
        if (v.startsWith(encoding == TextEncoding::Utf16LE ? "\xFF\xFE" : "\xFE\xFF"))
            v = v.sliced(2);
        return QString(d.decode(v)).toUtf8();
    }
    case TextEncoding::Windows1252:
        if (std::any_of(bytes.cbegin(), bytes.cend(), [](char c) { return uchar(c) >= 0x80; }))
            return decodeText(bytes).toUtf8();
        return bytes;
    case TextEncoding::Utf8:
    case TextEncoding::Auto:
        break;
    }
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    return bytes;
}

} // namespace

TextEncoding detectEncoding(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return TextEncoding::Utf8;
    if (bytes.startsWith("\xFF\xFE"))
        return TextEncoding::Utf16LE;
    if (bytes.startsWith("\xFE\xFF"))
        return TextEncoding::Utf16BE;
    // Without a byte order mark, UTF-16 shows as zero bytes at every other place in Latin text.
    const qsizetype sample = std::min<qsizetype>(bytes.size() & ~qsizetype(1), 4096);
    int zeroEven = 0;
    int zeroOdd = 0;
    for (qsizetype i = 0; i < sample; ++i) {
        if (bytes[i] == '\0')
            ++((i % 2) ? zeroOdd : zeroEven);
    }
    if (sample >= 2 && zeroOdd > sample / 8 && zeroOdd > 4 * zeroEven)
        return TextEncoding::Utf16LE;
    if (sample >= 2 && zeroEven > sample / 8 && zeroEven > 4 * zeroOdd)
        return TextEncoding::Utf16BE;
    return validUtf8(bytes) ? TextEncoding::Utf8 : TextEncoding::Windows1252;
}

QChar detectDelimiter(QStringView text, QChar fallback)
{
    // The candidate that stands the same number of times on most of the first lines, outside
    // quotes; a tie goes to the one seen more often on the first line.
    static constexpr std::array<char16_t, 4> candidates = { u',', u';', u'\t', u'|' };
    constexpr int Lines = 50;
    std::array<std::vector<int>, 4> counts;
    std::array<int, 4> line {};
    bool quoted = false;
    int lines = 0;
    for (qsizetype i = 0; i < text.size() && lines < Lines; ++i) {
        const QChar c = text[i];
        if (c == u'"') {
            quoted = !quoted;
        } else if (!quoted && (c == u'\n' || c == u'\r')) {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            for (size_t k = 0; k < candidates.size(); ++k)
                counts[k].push_back(std::exchange(line[k], 0));
            ++lines;
        } else if (!quoted) {
            for (size_t k = 0; k < candidates.size(); ++k)
                line[k] += c == candidates[k] ? 1 : 0;
        }
    }
    if (lines < Lines && std::any_of(line.begin(), line.end(), [](int n) { return n > 0; })) {
        for (size_t k = 0; k < candidates.size(); ++k)
            counts[k].push_back(line[k]);
    }
    int best = -1;
    int bestSame = 0;
    int bestFirst = 0;
    for (size_t k = 0; k < candidates.size(); ++k) {
        if (counts[k].empty() || counts[k][0] == 0)
            continue;
        const int first = counts[k][0];
        const int same = int(std::count(counts[k].begin(), counts[k].end(), first));
        if (same > bestSame || (same == bestSame && first > bestFirst)) {
            best = int(k);
            bestSame = same;
            bestFirst = first;
        }
    }
    return best < 0 ? fallback : QChar(candidates[size_t(best)]);
}

SheetRead readTextSheet(QByteArray bytes, const ReadOptions &options, bool tabByDefault)
{
    SheetRead r;
    r.format = SheetFormat::Text;
    r.encoding = options.encoding == TextEncoding::Auto ? detectEncoding(bytes) : options.encoding;
    const QByteArray text = utf8Text(std::move(bytes), r.encoding);
    bytes = QByteArray();
    const qsizetype n = text.size();
    const char *s = text.constData();
    qsizetype pos = 0;
    // A spreadsheet program's "sep=;" first line names the delimiter.
    QChar named;
    if (text.startsWith("sep=")) {
        qsizetype end = 4;
        while (end < n && end < 12 && s[end] != '\r' && s[end] != '\n')
            ++end;
        const QString sep = QString::fromUtf8(s + 4, end - 4);
        if (sep.size() == 1 && (end == n || s[end] == '\r' || s[end] == '\n')) {
            named = sep[0];
            pos = end;
            if (pos < n && s[pos] == '\r')
                ++pos;
            if (pos < n && s[pos] == '\n')
                ++pos;
        }
    }
    if (!options.delimiter.isNull()) {
        r.delimiter = options.delimiter;
    } else if (!named.isNull()) {
        r.delimiter = named;
    } else {
        // The first lines tell; a megabyte holds more of them than the detection reads.
        const QString head = QString::fromUtf8(s + pos, std::min<qsizetype>(n - pos, 1 << 20));
        r.delimiter = detectDelimiter(head, tabByDefault ? QChar(u'\t') : QChar(u','));
    }
    const QByteArray delimiter = QString(r.delimiter).toUtf8();
    const char d0 = delimiter.isEmpty() ? '\0' : delimiter[0];
    const qsizetype dn = delimiter.size();
    const auto atDelimiter = [&](qsizetype i) {
        return s[i] == d0
            && (dn == 1
                || (n - i >= dn && std::memcmp(s + i, delimiter.constData(), size_t(dn)) == 0));
    };
    SheetTable &table = r.table;
    int row = 1;
    int columns = 0;
    table.beginRow(row);
    while (pos <= n) {
        // One cell from pos.
        if (pos < n && s[pos] == '"') {
            const int openedOn = row;
            qsizetype i = pos + 1;
            bool doubled = false;
            for (;;) {
                if (i >= n) {
                    r.message
                        = u"The quoted value that opens on row %1 does not end. Nothing was imported."_s
                              .arg(openedOn);
                    r.table = {};
                    return r;
                }
                if (s[i] == '"') {
                    if (i + 1 < n && s[i + 1] == '"') {
                        doubled = true;
                        i += 2;
                        continue;
                    }
                    break;
                }
                ++i;
            }
            // i at the closing quote; anything up to the delimiter is kept as typed.
            qsizetype after = i + 1;
            while (after < n && !atDelimiter(after) && s[after] != '\r' && s[after] != '\n')
                ++after;
            if (!doubled && after == i + 1) {
                table.addSpan(pos + 1, i - pos - 1);
            } else {
                QString value = QString::fromUtf8(s + pos + 1, i - pos - 1);
                if (doubled)
                    value.replace(u"\"\""_s, u"\""_s);
                value += QString::fromUtf8(s + i + 1, after - i - 1);
                table.addOwned(value);
            }
            pos = after;
        } else {
            qsizetype end = pos;
            while (end < n && !atDelimiter(end) && s[end] != '\r' && s[end] != '\n')
                ++end;
            table.addSpan(pos, end - pos);
            pos = end;
        }
        if (++columns > MaxColumns) {
            r.message = u"Row %1 holds more than %2 values. Nothing was imported."_s.arg(row).arg(
                MaxColumns);
            r.table = {};
            return r;
        }
        if (pos < n && atDelimiter(pos)) {
            pos += dn;
            continue;
        }
        // The end of a row: CR LF, CR, LF, or the end of the text.
        table.endRow();
        if (table.cellCount() > MaxCells) {
            r.message
                = u"The file holds more than %1 values. Nothing was imported."_s.arg(MaxCells);
            r.table = {};
            return r;
        }
        if (pos >= n)
            break;
        if (options.progress && row % 1024 == 0 && !options.progress(int(pos * 1000 / n))) {
            r.table = {};
            r.cancelled = true;
            return r;
        }
        if (s[pos] == '\r' && pos + 1 < n && s[pos + 1] == '\n')
            ++pos;
        ++pos;
        ++row;
        columns = 0;
        if (pos >= n)
            break;
        table.beginRow(row);
    }
    table.setText(text);
    r.ok = true;
    return r;
}

} // namespace SheetImport
