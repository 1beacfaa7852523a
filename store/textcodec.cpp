// Windows-1252 with the five undefined bytes mapped to their C1 control characters.
#include "store/textcodec.h"
#include "store/textcodec_p.h"

#include <array>

namespace {

// Bytes 0x80..0x9F; the five undefined bytes map to the C1 control of the same value.
constexpr char16_t HighControls[32]
    = { 0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
          0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
          0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178 };

constexpr std::array<char16_t, 256> makeDecodeTable()
{
    std::array<char16_t, 256> t {};
    for (int b = 0; b < 256; ++b)
        t[size_t(b)] = (b >= 0x80 && b < 0xA0) ? HighControls[b - 0x80] : char16_t(b);
    return t;
}
constexpr std::array<char16_t, 256> DecodeTable = makeDecodeTable();

// Characters U+0000..U+02FF map through this table (0 means not encodable, except for U+0000);
// the few characters above that are looked up by a switch.
constexpr std::array<unsigned char, 0x300> makeLowEncodeTable()
{
    std::array<unsigned char, 0x300> t {};
    for (int b = 0; b < 256; ++b) {
        const char16_t c = DecodeTable[size_t(b)];
        if (c < 0x300)
            t[c] = (unsigned char)b;
    }
    return t;
}
constexpr std::array<unsigned char, 0x300> LowEncodeTable = makeLowEncodeTable();

inline char encodeHigh(char16_t c)
{
    switch (c) {
    case 0x20AC:
        return char(0x80);
    case 0x201A:
        return char(0x82);
    case 0x201E:
        return char(0x84);
    case 0x2026:
        return char(0x85);
    case 0x2020:
        return char(0x86);
    case 0x2021:
        return char(0x87);
    case 0x2030:
        return char(0x89);
    case 0x2039:
        return char(0x8B);
    case 0x2018:
        return char(0x91);
    case 0x2019:
        return char(0x92);
    case 0x201C:
        return char(0x93);
    case 0x201D:
        return char(0x94);
    case 0x2022:
        return char(0x95);
    case 0x2013:
        return char(0x96);
    case 0x2014:
        return char(0x97);
    case 0x2122:
        return char(0x99);
    case 0x203A:
        return char(0x9B);
    default:
        return '?';
    }
}

} // namespace

namespace TextCodec {

void decodeInto(char16_t *dst, const char *src, qsizetype n)
{
    const auto *s = reinterpret_cast<const unsigned char *>(src);
    // Most texts are plain ASCII: test and widen them with loops the compiler vectorises.
    unsigned char any = 0;
    for (qsizetype i = 0; i < n; ++i)
        any |= s[i];
    if (any < 0x80) {
        for (qsizetype i = 0; i < n; ++i)
            dst[i] = s[i];
        return;
    }
    for (qsizetype i = 0; i < n; ++i)
        dst[i] = DecodeTable[s[i]];
}

QString decode(const char *src, qsizetype n)
{
    if (n <= 0)
        return QString();
    QString out(n, Qt::Uninitialized);
    decodeInto(reinterpret_cast<char16_t *>(out.data()), src, n);
    return out;
}

qsizetype encodeInto(char *dst, QStringView text)
{
    const char16_t *s = text.utf16();
    const qsizetype n = text.size();
    char16_t any = 0;
    for (qsizetype i = 0; i < n; ++i)
        any |= s[i];
    if (any < 0x80) {
        for (qsizetype i = 0; i < n; ++i)
            dst[i] = char(s[i]);
        return n;
    }
    char *d = dst;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s[i];
        if (c < 0x80) {
            *d++ = char(c);
        } else if (c < 0x300) {
            const unsigned char b = LowEncodeTable[c];
            *d++ = b ? char(b) : '?';
        } else if (c >= 0xD800 && c < 0xDC00 && i + 1 < n && s[i + 1] >= 0xDC00
            && s[i + 1] < 0xE000) {
            // One character outside the basic plane: one "?".
            *d++ = '?';
            ++i;
        } else {
            *d++ = encodeHigh(c);
        }
    }
    return d - dst;
}

} // namespace TextCodec

QString decodeText(QByteArrayView bytes)
{
    return TextCodec::decode(bytes.data(), bytes.size());
}

QByteArray encodeText(QStringView text)
{
    QByteArray out;
    appendEncodedText(out, text);
    return out;
}

void appendEncodedText(QByteArray &out, QStringView text)
{
    const qsizetype old = out.size();
    out.resize(old + text.size());
    const qsizetype written = TextCodec::encodeInto(out.data() + old, text);
    out.truncate(old + written);
}

namespace {

// The Unicode characters held in bytes 0x80..0x9F, taken from the codec rather than restated.
const std::array<char16_t, 32> &highControlBlock()
{
    static const std::array<char16_t, 32> block = [] {
        QByteArray bytes(32, '\0');
        for (int b = 0; b < 32; ++b)
            bytes[b] = char(0x80 + b);
        const QString decoded = decodeText(bytes);
        std::array<char16_t, 32> out {};
        for (int b = 0; b < 32 && b < decoded.size(); ++b)
            out[size_t(b)] = decoded.at(b).unicode();
        return out;
    }();
    return block;
}

} // namespace

char32_t foldedCharOrder(char16_t u)
{
    if (u >= u'a' && u <= u'z')
        return char32_t(u - (u'a' - u'A'));
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return u;
    const auto &block = highControlBlock();
    for (size_t b = 0; b < block.size(); ++b) {
        if (block[b] == u)
            return char32_t(0x80 + b);
    }
    return char32_t(0x100) + u;
}

int compareFoldedText(QStringView a, QStringView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t x = a[i].unicode();
        const char16_t y = b[i].unicode();
        if (x == y)
            continue;
        const char32_t p = foldedCharOrder(x);
        const char32_t q = foldedCharOrder(y);
        if (p != q)
            return p < q ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}
