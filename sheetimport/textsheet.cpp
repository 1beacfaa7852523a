// CSV and TSV files: the encoding and the delimiter detected, then the cells split out.
#include "sheetimport/sheettable.h"

#include <algorithm>
#include <array>
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

QString decode(QByteArrayView bytes, TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE: {
        QStringDecoder d(
            encoding == TextEncoding::Utf16LE ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
        if (bytes.startsWith(encoding == TextEncoding::Utf16LE ? "\xFF\xFE" : "\xFE\xFF"))
            bytes = bytes.sliced(2);
        return d.decode(bytes);
    }
    case TextEncoding::Windows1252:
        return decodeText(bytes);
    case TextEncoding::Utf8:
    case TextEncoding::Auto:
        break;
    }
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    return QString::fromUtf8(bytes);
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
    QString text = decode(bytes, r.encoding);
    bytes = QByteArray(); // the decoded text is all we keep
    qsizetype pos = 0;
    // A spreadsheet program's "sep=;" first line names the delimiter.
    QChar named;
    if (text.startsWith("sep="_L1) && text.size() >= 5
        && (text.size() == 5 || text[5] == u'\r' || text[5] == u'\n')) {
        named = text[4];
        pos = 5;
        if (pos < text.size() && text[pos] == u'\r')
            ++pos;
        if (pos < text.size() && text[pos] == u'\n')
            ++pos;
    }
    r.delimiter = !options.delimiter.isNull() ? options.delimiter
        : !named.isNull()
        ? named
        : detectDelimiter(QStringView(text).mid(pos), tabByDefault ? QChar(u'\t') : QChar(u','));
    const char16_t delimiter = r.delimiter.unicode();
    SheetTable &table = r.table;
    const qsizetype n = text.size();
    const char16_t *s = reinterpret_cast<const char16_t *>(text.constData());
    int row = 1;
    int columns = 0;
    table.beginRow(row);
    while (pos <= n) {
        // One cell from pos.
        if (pos < n && s[pos] == u'"') {
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
                if (s[i] == u'"') {
                    if (i + 1 < n && s[i + 1] == u'"') {
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
            while (after < n && s[after] != delimiter && s[after] != u'\r' && s[after] != u'\n')
                ++after;
            if (!doubled && after == i + 1) {
                table.addSpan(pos + 1, i - pos - 1);
            } else {
                QString value = text.mid(pos + 1, i - pos - 1);
                if (doubled)
                    value.replace(u"\"\""_s, u"\""_s);
                value += QStringView(text).mid(i + 1, after - i - 1);
                table.addOwned(value);
            }
            pos = after;
        } else {
            qsizetype end = pos;
            while (end < n && s[end] != delimiter && s[end] != u'\r' && s[end] != u'\n')
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
        if (pos < n && s[pos] == delimiter) {
            ++pos;
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
        if (s[pos] == u'\r' && pos + 1 < n && s[pos + 1] == u'\n')
            ++pos;
        ++pos;
        ++row;
        columns = 0;
        if (pos >= n)
            break;
        table.beginRow(row);
    }
    table.setText(std::move(text));
    r.ok = true;
    return r;
}

} // namespace SheetImport
