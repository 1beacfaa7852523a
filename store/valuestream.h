// The tagged value stream of the database file, as a general reader and writer for format files
// that carry object streams of controls (fonts, colours, column bars) beside plain values.
#pragma once

#include <optional>

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace ValueStream {

// The longest text a value holds: a long text counts its single-byte characters in 32 bits. A box
// that shows a stored text takes this much, so that showing and storing never cut it.
inline constexpr int LongestText = 0x7fffffff;

enum Tag : unsigned char {
    EndOfList = 0x00,
    ListBegin = 0x01,
    Int8 = 0x02,
    Int16 = 0x03,
    Int32 = 0x04,
    Extended = 0x05,
    ShortText = 0x06,
    Ident = 0x07,
    False = 0x08,
    True = 0x09,
    Binary = 0x0A,
    Set = 0x0B,
    LongText = 0x0C,
    Nil = 0x0D,
    Collection = 0x0E,
};

struct Property;
struct CollectionItem;

struct Value
{
    enum class Kind { Nil, Integer, Extended, Text, Ident, Bool, Binary, Set, List, Collection };
    Kind kind = Kind::Nil;
    qint32 integer = 0; // Integer
    bool flag = false; // Bool
    QString text; // Text, decoded with the file codec
    QByteArray bytes; // Ident name, Binary payload, Extended's 10 bytes
    QList<QByteArray> set; // Set names
    QList<Value> list; // List
    QList<CollectionItem> items; // Collection

    static Value fromInt(qint32 v);
    static Value fromText(const QString &t);
    static Value fromIdent(QByteArray name);
    static Value fromBool(bool f);
    static Value fromSet(QList<QByteArray> names);
    static Value fromItems(QList<CollectionItem> items);
};

struct Property
{
    QByteArray name;
    Value value;
};

struct CollectionItem
{
    std::optional<qint32> index;
    QList<Property> properties;
};

struct StreamObject
{
    QByteArray className;
    QByteArray name;
    QList<Property> properties; // names as stored; nested ones with dots ("Font.Height")
    QList<StreamObject> children;

    // The last property of that name, or null when absent.
    const Value *property(QByteArrayView propertyName) const;
};

// Appends values to a byte array in the forms the database writer uses.
class Writer
{
public:
    void integer(qint32 v); // smallest form
    void text(QStringView t); // short or long text
    void flag(bool f);
    void lines(const QStringList &lines);
    void value(const Value &v);
    // "TPF0", class, name, properties, end, children, end.
    void object(const StreamObject &o);

    const QByteArray &bytes() const { return m_bytes; }
    QByteArray take() { return std::move(m_bytes); }

private:
    void byte(unsigned char b) { m_bytes.append(char(b)); }
    void name(QByteArrayView n);
    void objectBody(const StreamObject &o);
    void properties(const QList<Property> &props);

    QByteArray m_bytes;
};

// Reads values; every length is checked against what remains before anything is taken, nesting
// is bounded, and every fault is a false result (the reader's position is then unspecified).
class Reader
{
public:
    explicit Reader(QByteArrayView bytes);

    bool integer(qint32 &v); // any of the three integer forms
    bool text(QString &s); // either text form
    bool flag(bool &f); // true only for 0x09; the byte is consumed either way
    bool lines(QStringList &lines);
    bool value(Value &v);
    // "TPF0", an optional prefix byte of 0xF0 or above (with its integer when flag 2 is set),
    // class, name, properties and children.
    bool object(StreamObject &o);

    bool atEnd() const { return m_p == m_end; }
    qsizetype remaining() const { return m_end - m_p; }

private:
    bool byte(unsigned char &b);
    bool shortName(QByteArray &n);
    bool int32(qint32 &v);
    bool valueAt(Value &v, int depth);
    bool propertiesAt(QList<Property> &props, int depth);
    bool objectBody(StreamObject &o, int depth);

    const unsigned char *m_p;
    const unsigned char *m_end;
};

} // namespace ValueStream
