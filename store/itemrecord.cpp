#include "store/itemrecord.h"

#include <atomic>

#include <QtEndian>

#include "store/textcodec_p.h"

namespace {

// The value stream's tags that a record's block holds.
constexpr unsigned char ListBegin = 0x01;
constexpr unsigned char EndOfList = 0x00;
constexpr unsigned char ShortText = 0x06;
constexpr unsigned char LongText = 0x0C;

std::atomic<quint64> lastRevision { 0 };

// The characters of the text whose tag is at p, within [p, end); empty when the bytes do not
// hold one (the reader checked the block, so that never happens for a block it made).
QByteArrayView textAt(const char *p, const char *end)
{
    if (p >= end)
        return {};
    const auto tag = static_cast<unsigned char>(*p);
    qsizetype head = 0, n = 0;
    if (tag == ShortText && end - p >= 2) {
        head = 2;
        n = static_cast<unsigned char>(p[1]);
    } else if (tag == LongText && end - p >= 5) {
        head = 5;
        n = qFromLittleEndian<qint32>(p + 1);
    } else {
        return {};
    }
    if (n < 0 || n > end - p - head)
        return {};
    return QByteArrayView(p + head, n);
}

// Bytes the value at p takes, tag included; 0 when it is not a whole value.
qsizetype valueBytes(const char *p, const char *end, bool lines)
{
    if (!lines) {
        const QByteArrayView t = textAt(p, end);
        if (t.isNull())
            return 0;
        return t.data() + t.size() - p;
    }
    if (p >= end || static_cast<unsigned char>(*p) != ListBegin)
        return 0;
    const char *q = p + 1;
    while (q < end && static_cast<unsigned char>(*q) != EndOfList) {
        const QByteArrayView t = textAt(q, end);
        if (t.isNull())
            return 0;
        q = t.data() + t.size();
    }
    return q < end ? q + 1 - p : 0;
}

} // namespace

const char *ItemRecord::nextStoredText(const char *p, const char *end, QByteArrayView &t)
{
    t = textAt(p, end);
    return t.isNull() ? nullptr : t.data() + t.size();
}

void ItemRecord::touch()
{
    m_revision = lastRevision.fetch_add(1, std::memory_order_relaxed) + 1;
}

QByteArrayView ItemRecord::storedValue(int value) const
{
    if (isSet(value) || m_block.isEmpty())
        return {};
    const char *p = m_block.constData() + m_at[size_t(value)];
    const qsizetype n = valueBytes(p, m_block.constData() + m_block.size(), isLines(value));
    return QByteArrayView(p, n);
}

const QString ItemRecord::text(int value) const
{
    if (isSet(value))
        return m_texts->texts[size_t(value)];
    if (m_block.isEmpty())
        return QString();
    const QByteArrayView t
        = textAt(m_block.constData() + m_at[size_t(value)], m_block.constData() + m_block.size());
    return TextCodec::decode(t.data(), t.size());
}

ItemRecord::SetTexts &ItemRecord::setTexts()
{
    if (!m_texts)
        m_texts = new SetTexts;
    return *m_texts;
}

void ItemRecord::setText(int value, const QString &t)
{
    setTexts().texts[size_t(value)] = t;
    m_set |= quint64(1) << value;
    touch();
}

const QStringList ItemRecord::lines(int value) const
{
    if (isSet(value))
        return m_texts->lines[size_t(value - KeywordLines)];
    QStringList out;
    if (m_block.isEmpty())
        return out;
    const char *end = m_block.constData() + m_block.size();
    const char *p = m_block.constData() + m_at[size_t(value)];
    if (p >= end || static_cast<unsigned char>(*p) != ListBegin)
        return out;
    for (++p; p < end && static_cast<unsigned char>(*p) != EndOfList;) {
        const QByteArrayView t = textAt(p, end);
        if (t.isNull())
            break;
        out.append(TextCodec::decode(t.data(), t.size()));
        p = t.data() + t.size();
    }
    return out;
}

void ItemRecord::setLines(int value, const QStringList &l)
{
    setTexts().lines[size_t(value - KeywordLines)] = l;
    m_set |= quint64(1) << value;
    touch();
}

bool ItemRecord::isEmpty(int value) const
{
    if (isSet(value))
        return isLines(value) ? m_texts->lines[size_t(value - KeywordLines)].isEmpty()
                              : m_texts->texts[size_t(value)].isEmpty();
    if (m_block.isEmpty())
        return true;
    const char *end = m_block.constData() + m_block.size();
    const char *p = m_block.constData() + m_at[size_t(value)];
    if (isLines(value))
        return p + 1 >= end || static_cast<unsigned char>(p[1]) == EndOfList;
    return textAt(p, end).isEmpty();
}

const QStringList ItemRecord::details() const
{
    QStringList out;
    out.reserve(DetailCount);
    for (int i = 0; i < DetailCount; ++i)
        out.append(detail(i));
    return out;
}

void ItemRecord::setDetails(const QStringList &l)
{
    for (int i = 0; i < DetailCount && i < l.size(); ++i)
        setDetail(i, l[i]);
}

const QStringList ItemRecord::descriptions() const
{
    QStringList out;
    out.reserve(DescriptionCount);
    for (int k = 1; k <= DescriptionCount; ++k)
        out.append(description(k));
    return out;
}

void ItemRecord::setDescriptions(const QStringList &l)
{
    for (int k = 1; k <= DescriptionCount && k <= l.size(); ++k)
        setDescription(k, l[k - 1]);
}

const ImageRecord ItemRecord::picture(int k) const
{
    return { pictureFile(k), pictureTitle(k), pictureAutoSize(k) };
}

void ItemRecord::setPicture(int k, const ImageRecord &p)
{
    setPictureFile(k, p.FileName);
    setPictureTitle(k, p.Title);
    setPictureAutoSize(k, p.AutoSize);
}

void ItemRecord::setStored(QByteArray block, const std::array<quint32, ValueCount> &at)
{
    m_block = std::move(block);
    m_at = at;
    m_set = 0;
    m_texts.reset();
    touch();
}

bool ItemRecord::operator==(const ItemRecord &other) const
{
    if (Wanted != other.Wanted || ForTrade != other.ForTrade || ForSale != other.ForSale
        || OnSearchList != other.OnSearchList || WasOnSearchList != other.WasOnSearchList
        || m_autoSize != other.m_autoSize)
        return false;
    if (m_set == 0 && other.m_set == 0 && m_block.constData() == other.m_block.constData()
        && m_at == other.m_at)
        return true;
    for (int v = 0; v < ValueCount; ++v) {
        const QByteArrayView a = storedValue(v), b = other.storedValue(v);
        if (!a.isEmpty() && a == b)
            continue;
        if (isLines(v) ? lines(v) != other.lines(v) : text(v) != other.text(v))
            return false;
    }
    return true;
}
