// The tagged value stream: general reader and writer.
#include "store/valuestream.h"

#include <cstring>

#include <QtEndian>

#include "store/textcodec.h"

namespace ValueStream {

namespace {
// Lists, collections and child objects nested deeper than this are refused, so hostile input
// cannot exhaust the stack.
constexpr int MaxNesting = 64;
constexpr char Signature[] = "TPF0";
} // namespace

Value Value::fromInt(qint32 v)
{
    Value r;
    r.kind = Kind::Integer;
    r.integer = v;
    return r;
}

Value Value::fromText(const QString &t)
{
    Value r;
    r.kind = Kind::Text;
    r.text = t;
    return r;
}

Value Value::fromIdent(QByteArray name)
{
    Value r;
    r.kind = Kind::Ident;
    r.bytes = std::move(name);
    return r;
}

Value Value::fromBool(bool f)
{
    Value r;
    r.kind = Kind::Bool;
    r.flag = f;
    return r;
}

Value Value::fromSet(QList<QByteArray> names)
{
    Value r;
    r.kind = Kind::Set;
    r.set = std::move(names);
    return r;
}

Value Value::fromItems(QList<CollectionItem> items)
{
    Value r;
    r.kind = Kind::Collection;
    r.items = std::move(items);
    return r;
}

const Value *StreamObject::property(QByteArrayView propertyName) const
{
    for (qsizetype i = properties.size() - 1; i >= 0; --i) {
        if (properties[i].name == propertyName)
            return &properties[i].value;
    }
    return nullptr;
}

// ---- Writer ----

void Writer::integer(qint32 v)
{
    char buf[4];
    if (v >= -128 && v <= 127) {
        byte(Int8);
        byte((unsigned char)(qint8)v);
    } else if (v >= -32768 && v <= 32767) {
        byte(Int16);
        qToLittleEndian(qint16(v), buf);
        m_bytes.append(buf, 2);
    } else {
        byte(Int32);
        qToLittleEndian(v, buf);
        m_bytes.append(buf, 4);
    }
}

void Writer::text(QStringView t)
{
    const QByteArray bytes = encodeText(t);
    if (bytes.size() <= 255) {
        byte(ShortText);
        byte((unsigned char)bytes.size());
    } else {
        byte(LongText);
        char buf[4];
        qToLittleEndian(qint32(bytes.size()), buf);
        m_bytes.append(buf, 4);
    }
    m_bytes.append(bytes);
}

void Writer::flag(bool f)
{
    byte(f ? True : False);
}

void Writer::lines(const QStringList &list)
{
    byte(ListBegin);
    for (const QString &line : list)
        text(line);
    byte(EndOfList);
}

void Writer::name(QByteArrayView n)
{
    // Names are short by nature; a longer one is cut rather than written unreadable.
    const qsizetype len = qMin<qsizetype>(n.size(), 255);
    byte((unsigned char)len);
    m_bytes.append(n.data(), len);
}

void Writer::value(const Value &v)
{
    switch (v.kind) {
    case Value::Kind::Nil:
        byte(Nil);
        break;
    case Value::Kind::Integer:
        integer(v.integer);
        break;
    case Value::Kind::Extended:
        byte(Extended);
        m_bytes.append(v.bytes.left(10).leftJustified(10, '\0'));
        break;
    case Value::Kind::Text:
        text(v.text);
        break;
    case Value::Kind::Ident:
        byte(Ident);
        name(v.bytes);
        break;
    case Value::Kind::Bool:
        flag(v.flag);
        break;
    case Value::Kind::Binary: {
        byte(Binary);
        char buf[4];
        qToLittleEndian(qint32(v.bytes.size()), buf);
        m_bytes.append(buf, 4);
        m_bytes.append(v.bytes);
        break;
    }
    case Value::Kind::Set:
        byte(Set);
        for (const QByteArray &n : v.set) {
            if (!n.isEmpty()) // an empty name would end the set early
                name(n);
        }
        byte(0);
        break;
    case Value::Kind::List:
        byte(ListBegin);
        for (const Value &item : v.list)
            value(item);
        byte(EndOfList);
        break;
    case Value::Kind::Collection:
        byte(Collection);
        for (const CollectionItem &item : v.items) {
            if (item.index)
                integer(*item.index);
            byte(ListBegin);
            properties(item.properties);
        }
        byte(EndOfList);
        break;
    }
}

void Writer::properties(const QList<Property> &props)
{
    for (const Property &p : props) {
        if (p.name.isEmpty())
            continue;
        name(p.name);
        value(p.value);
    }
    byte(EndOfList);
}

void Writer::objectBody(const StreamObject &o)
{
    name(o.className);
    name(o.name);
    properties(o.properties);
    for (const StreamObject &child : o.children)
        objectBody(child);
    byte(EndOfList);
}

void Writer::object(const StreamObject &o)
{
    m_bytes.append(Signature, 4);
    objectBody(o);
}

// ---- Reader ----

Reader::Reader(QByteArrayView bytes)
    : m_p(reinterpret_cast<const unsigned char *>(bytes.data()))
    , m_end(m_p + bytes.size())
{ }

bool Reader::byte(unsigned char &b)
{
    if (m_p == m_end)
        return false;
    b = *m_p++;
    return true;
}

bool Reader::int32(qint32 &v)
{
    if (remaining() < 4)
        return false;
    v = qFromLittleEndian<qint32>(m_p);
    m_p += 4;
    return true;
}

bool Reader::shortName(QByteArray &n)
{
    unsigned char len = 0;
    if (!byte(len) || len > remaining())
        return false;
    n = QByteArray(reinterpret_cast<const char *>(m_p), len);
    m_p += len;
    return true;
}

bool Reader::integer(qint32 &v)
{
    unsigned char tag = 0;
    if (!byte(tag))
        return false;
    switch (tag) {
    case Int8:
        if (remaining() < 1)
            return false;
        v = qint8(*m_p++);
        return true;
    case Int16:
        if (remaining() < 2)
            return false;
        v = qFromLittleEndian<qint16>(m_p);
        m_p += 2;
        return true;
    case Int32:
        return int32(v);
    default:
        return false;
    }
}

bool Reader::text(QString &s)
{
    unsigned char tag = 0;
    if (!byte(tag))
        return false;
    qint32 n = 0;
    if (tag == ShortText) {
        unsigned char len = 0;
        if (!byte(len))
            return false;
        n = len;
    } else if (tag == LongText) {
        if (!int32(n))
            return false;
    } else {
        return false;
    }
    if (n < 0 || n > remaining())
        return false;
    s = decodeText(QByteArrayView(reinterpret_cast<const char *>(m_p), n));
    m_p += n;
    return true;
}

bool Reader::flag(bool &f)
{
    unsigned char b = 0;
    if (!byte(b))
        return false;
    f = b == True;
    return true;
}

bool Reader::lines(QStringList &list)
{
    unsigned char b = 0;
    if (!byte(b) || b != ListBegin)
        return false;
    for (;;) {
        if (m_p == m_end)
            return false;
        if (*m_p == EndOfList) {
            ++m_p;
            return true;
        }
        QString line;
        if (!text(line))
            return false;
        list.append(std::move(line));
    }
}

bool Reader::value(Value &v)
{
    return valueAt(v, 0);
}

bool Reader::valueAt(Value &v, int depth)
{
    if (depth > MaxNesting)
        return false;
    unsigned char tag = 0;
    if (m_p == m_end)
        return false;
    tag = *m_p;
    v = Value();
    switch (tag) {
    case Int8:
    case Int16:
    case Int32:
        v.kind = Value::Kind::Integer;
        return integer(v.integer);
    case ShortText:
    case LongText:
        v.kind = Value::Kind::Text;
        return text(v.text);
    case False:
    case True:
        v.kind = Value::Kind::Bool;
        return flag(v.flag);
    default:
        break;
    }
    ++m_p;
    switch (tag) {
    case Nil:
        v.kind = Value::Kind::Nil;
        return true;
    case Extended:
        if (remaining() < 10)
            return false;
        v.kind = Value::Kind::Extended;
        v.bytes = QByteArray(reinterpret_cast<const char *>(m_p), 10);
        m_p += 10;
        return true;
    case Ident:
        v.kind = Value::Kind::Ident;
        return shortName(v.bytes);
    case Binary: {
        qint32 n = 0;
        if (!int32(n) || n < 0 || n > remaining())
            return false;
        v.kind = Value::Kind::Binary;
        v.bytes = QByteArray(reinterpret_cast<const char *>(m_p), n);
        m_p += n;
        return true;
    }
    case Set:
        v.kind = Value::Kind::Set;
        for (;;) {
            QByteArray n;
            if (!shortName(n))
                return false;
            if (n.isEmpty())
                return true;
            v.set.append(std::move(n));
        }
    case ListBegin:
        v.kind = Value::Kind::List;
        for (;;) {
            if (m_p == m_end)
                return false;
            if (*m_p == EndOfList) {
                ++m_p;
                return true;
            }
            Value item;
            if (!valueAt(item, depth + 1))
                return false;
            v.list.append(std::move(item));
        }
    case Collection:
        v.kind = Value::Kind::Collection;
        for (;;) {
            if (m_p == m_end)
                return false;
            if (*m_p == EndOfList) {
                ++m_p;
                return true;
            }
            CollectionItem item;
            if (*m_p == Int8 || *m_p == Int16 || *m_p == Int32) {
                qint32 index = 0;
                if (!integer(index))
                    return false;
                item.index = index;
            }
            unsigned char b = 0;
            if (!byte(b) || b != ListBegin)
                return false;
            if (!propertiesAt(item.properties, depth + 1))
                return false;
            v.items.append(std::move(item));
        }
    default:
        return false;
    }
}

bool Reader::propertiesAt(QList<Property> &props, int depth)
{
    for (;;) {
        if (m_p == m_end)
            return false;
        if (*m_p == EndOfList) {
            ++m_p;
            return true;
        }
        Property p;
        if (!shortName(p.name) || !valueAt(p.value, depth))
            return false;
        props.append(std::move(p));
    }
}

bool Reader::objectBody(StreamObject &o, int depth)
{
    if (depth > MaxNesting)
        return false;
    // The optional prefix: a byte of 0xF0 or above; flag 2 means an integer follows.
    if (m_p != m_end && *m_p >= 0xF0) {
        const unsigned char flags = *m_p++ & 0x0F;
        if (flags & 2) {
            qint32 ignored = 0;
            if (!integer(ignored))
                return false;
        }
    }
    if (!shortName(o.className) || !shortName(o.name))
        return false;
    if (!propertiesAt(o.properties, depth + 1))
        return false;
    for (;;) {
        if (m_p == m_end)
            return false;
        if (*m_p == EndOfList) {
            ++m_p;
            return true;
        }
        StreamObject child;
        if (!objectBody(child, depth + 1))
            return false;
        o.children.append(std::move(child));
    }
}

bool Reader::object(StreamObject &o)
{
    if (remaining() < 4 || std::memcmp(m_p, Signature, 4) != 0)
        return false;
    m_p += 4;
    o = StreamObject();
    return objectBody(o, 0);
}

} // namespace ValueStream
