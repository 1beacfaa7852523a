// Database files: the tagged value stream, tree object streams, records, default categories.
#include "store/datafile.h"
#include "store/datafileformat.h"

#include <array>
#include <cstring>
#include <limits>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHashFunctions>
#include <QtEndian>

#include "store/categorytree.h"
#include "store/safewrite.h"
#include "store/smallfile.h"
#include "store/textcodec.h"
#include "store/textcodec_p.h"
#include "store/valuestream.h"

namespace DataFile {
namespace {

// The tags are the value stream's; this reader and writer are the fast paths for database files.
using namespace ValueStream;

// The smallest record a file can hold: two empty texts, twenty empty texts, four empty lists,
// six picture slots of two empty texts and a flag, one empty text and three flags.
constexpr qsizetype MinRecordBytes = 2 + 2 + 20 * 2 + 4 * 2 + 6 * (2 + 2 + 1) + 2 + 3;
// A node entry: its size, then a node record of 25 bytes at least.
constexpr qsizetype MinNodeEntryBytes = 4 + 25;
constexpr qint32 MinNodeRecord = 25;
constexpr qint32 MaxNodeRecord = 25 + 255;
// Nesting of lists, collections and child objects that a skipped value may have.
constexpr int MaxNesting = 64;

// Appends to a buffer that grows rarely: callers size it from an estimate up front. With a
// sink, the buffer is handed on whenever a piece is complete, so a file is written without
// ever being held whole.
class ByteWriter
{
public:
    explicit ByteWriter(qsizetype reserve, QIODevice *sink = nullptr)
        : m_sink(sink)
    {
        m_buf.resize(qMax<qsizetype>(reserve, 256));
        m_base = m_buf.data();
    }

    static constexpr qsizetype SinkPiece = 1 << 20;

    // Called between records: hands a full buffer on to the sink.
    void pieceDone()
    {
        if (m_sink && m_pos >= SinkPiece)
            flush();
    }
    // Hands the rest on; false when the sink refused any of it.
    bool finish()
    {
        flush();
        return !m_failed;
    }

    void ensure(qsizetype n)
    {
        if (m_pos + n > m_buf.size())
            grow(n);
    }
    void byte(unsigned char b)
    {
        ensure(1);
        m_base[m_pos++] = char(b);
    }
    void raw(const char *data, qsizetype n)
    {
        ensure(n);
        std::memcpy(m_base + m_pos, data, size_t(n));
        m_pos += n;
    }
    void raw(QByteArrayView bytes) { raw(bytes.data(), bytes.size()); }
    void int32(qint32 v)
    {
        ensure(4);
        qToLittleEndian(v, m_base + m_pos);
        m_pos += 4;
    }
    void integer(qint32 v)
    {
        if (v >= -128 && v <= 127) {
            byte(Int8);
            byte((unsigned char)(qint8)v);
        } else if (v >= -32768 && v <= 32767) {
            ensure(3);
            m_base[m_pos] = char(Int16);
            qToLittleEndian(qint16(v), m_base + m_pos + 1);
            m_pos += 3;
        } else {
            byte(Int32);
            int32(v);
        }
    }
    void flag(bool f) { byte(f ? True : False); }
    // Length-prefixed name without a tag (class, object and property names).
    void name(const char *latin1)
    {
        const qsizetype n = qsizetype(std::strlen(latin1));
        byte((unsigned char)n);
        raw(latin1, n);
    }
    void text(QStringView t)
    {
        const qsizetype n = t.size();
        ensure(n + 5);
        char *p = m_base + m_pos;
        if (n <= 255) {
            const qsizetype w = TextCodec::encodeInto(p + 2, t);
            p[0] = char(ShortText);
            p[1] = char(w);
            m_pos += 2 + w;
            return;
        }
        const qsizetype w = TextCodec::encodeInto(p + 5, t);
        if (w <= 255) { // surrogate pairs shrank it
            std::memmove(p + 2, p + 5, size_t(w));
            p[0] = char(ShortText);
            p[1] = char(w);
            m_pos += 2 + w;
        } else {
            p[0] = char(LongText);
            qToLittleEndian(qint32(w), p + 1);
            m_pos += 5 + w;
        }
    }
    void lines(const QStringList &list)
    {
        byte(ListBegin);
        for (const QString &line : list)
            text(line);
        byte(EndOfList);
    }
    QByteArray take()
    {
        m_buf.truncate(m_pos);
        m_base = nullptr;
        return std::move(m_buf);
    }

private:
    void flush()
    {
        if (!m_failed && m_pos > 0 && m_sink->write(m_base, m_pos) != m_pos)
            m_failed = true;
        m_pos = 0;
    }
    void grow(qsizetype n)
    {
        m_buf.resize(qMax(m_buf.size() * 2, m_pos + n));
        m_base = m_buf.data();
    }

    QIODevice *m_sink = nullptr;
    bool m_failed = false;
    QByteArray m_buf;
    char *m_base = nullptr;
    qsizetype m_pos = 0;
};

// Reads tagged values from memory; every length is checked against what remains first.
class ByteReader
{
public:
    // beyond: bytes of the file after these that are not loaded yet. A value that runs past the
    // loaded bytes but not past the file's end only needs more of the file (ranShort()); one that
    // runs past the file's end, or breaks the rules, is damage however much more is read.
    explicit ByteReader(QByteArrayView bytes, qint64 beyond = 0)
        : m_begin(reinterpret_cast<const unsigned char *>(bytes.data()))
        , m_p(m_begin)
        , m_end(m_p + bytes.size())
        , m_beyond(beyond)
    { }

    qsizetype remaining() const { return m_end - m_p; }
    qsizetype consumed() const { return m_p - m_begin; }
    const char *position() const { return reinterpret_cast<const char *>(m_p); }
    bool ranShort() const { return m_short; }

    // Whether n more bytes are loaded; notes when they are not but the file still holds them.
    bool need(qint64 n)
    {
        if (n <= remaining())
            return true;
        if (n <= remaining() + m_beyond)
            m_short = true;
        return false;
    }

    bool byte(unsigned char &b)
    {
        if (!need(1))
            return false;
        b = *m_p++;
        return true;
    }
    bool peek(unsigned char &b)
    {
        if (!need(1))
            return false;
        b = *m_p;
        return true;
    }
    bool skip(qint64 n)
    {
        if (n < 0 || !need(n))
            return false;
        m_p += n;
        return true;
    }
    bool int32(qint32 &v)
    {
        if (!need(4))
            return false;
        v = qFromLittleEndian<qint32>(m_p);
        m_p += 4;
        return true;
    }
    bool integer(qint32 &v)
    {
        unsigned char tag = 0;
        if (!byte(tag))
            return false;
        switch (tag) {
        case Int8:
            if (!need(1))
                return false;
            v = qint8(*m_p);
            m_p += 1;
            return true;
        case Int16:
            if (!need(2))
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
    bool flag(bool &f)
    {
        unsigned char b = 0;
        if (!byte(b))
            return false;
        f = b == True;
        return true;
    }
    bool text(QString &s)
    {
        QByteArrayView bytes;
        if (!textBytes(bytes))
            return false;
        s = TextCodec::decode(bytes.data(), bytes.size());
        return true;
    }
    bool textBytes(QByteArrayView &bytes)
    {
        unsigned char tag = 0;
        if (!byte(tag))
            return false;
        qint32 n;
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
        if (n < 0 || !need(n))
            return false;
        bytes = QByteArrayView(position(), n);
        m_p += n;
        return true;
    }
    // The bytes of a line list after its start, up to its end; false when it is not whole.
    bool lineCount(qsizetype &items, qint64 &bytes)
    {
        items = 0;
        unsigned char b = 0;
        if (!peek(b) || b != ListBegin)
            return false;
        for (qint64 at = 1;; ++items) {
            if (!need(at + 1))
                return false;
            const unsigned char tag = m_p[at++];
            qint64 n;
            if (tag == EndOfList) {
                bytes = at;
                return true;
            } else if (tag == ShortText) {
                if (!need(at + 1))
                    return false;
                n = 1 + m_p[at];
            } else if (tag == LongText) {
                if (!need(at + 4))
                    return false;
                n = 4 + qint64(qFromLittleEndian<qint32>(m_p + at));
                if (n < 4)
                    return false;
            } else {
                return false;
            }
            if (!need(at + n))
                return false;
            at += n;
        }
    }
    bool skipLines()
    {
        qsizetype items = 0;
        qint64 bytes = 0;
        if (!lineCount(items, bytes))
            return false;
        m_p += bytes;
        return true;
    }
    bool lines(QStringList &list)
    {
        qsizetype items = 0;
        qint64 bytes = 0;
        if (!lineCount(items, bytes))
            return false;
        ++m_p; // the list start
        list.clear();
        list.reserve(items);
        for (qsizetype i = 0; i < items; ++i) {
            QString line;
            if (!text(line))
                return false;
            list.append(std::move(line));
        }
        ++m_p; // the list end
        return true;
    }
    // A length byte and that many bytes: names in object streams.
    bool shortBytes(QByteArrayView &bytes)
    {
        unsigned char n = 0;
        if (!byte(n) || !need(n))
            return false;
        bytes = QByteArrayView(position(), n);
        m_p += n;
        return true;
    }

private:
    const unsigned char *m_begin;
    const unsigned char *m_p;
    const unsigned char *m_end;
    qint64 m_beyond = 0;
    bool m_short = false;
};

// ---- writing ----

void writeNodes(ByteWriter &w, const std::vector<CategoryNode> &nodes)
{
    for (const CategoryNode &node : nodes) {
        QByteArray text = encodeText(node.text);
        text.truncate(255);
        const qint32 len = qint32(text.size());
        w.int32(MinNodeRecord + len);
        w.int32(0); // image index
        w.int32(0); // selected image index
        w.int32(-1); // state index
        w.int32(-1); // overlay index
        w.int32(0); // data word
        w.int32(qint32(node.children.size()));
        w.byte((unsigned char)len);
        w.raw(text);
        writeNodes(w, node.children);
    }
}

qsizetype nodeBytes(const std::vector<CategoryNode> &nodes)
{
    qsizetype n = 0;
    for (const CategoryNode &node : nodes)
        n += MinNodeEntryBytes + qMin<qsizetype>(node.text.size(), 255) + nodeBytes(node.children);
    return n;
}

void writeTreeStream(ByteWriter &w, const CategoryTree &tree)
{
    w.raw("TPF0", 4);
    w.name("TTreeView");
    w.name("DescriptionTree");
    w.name("Left");
    w.integer(616);
    w.name("Top");
    w.integer(424);
    w.name("Width");
    w.integer(33);
    w.name("Height");
    w.integer(25);
    w.name("Indent");
    w.integer(19);
    if (!tree.empty()) {
        w.name("Items.Data");
        const QByteArray block = encodeNodeBlock(tree);
        w.byte(Binary);
        w.int32(qint32(block.size()));
        w.raw(block);
    }
    w.name("TabOrder");
    w.integer(0);
    w.name("Visible");
    w.flag(false);
    w.byte(EndOfList); // properties
    w.byte(EndOfList); // child objects
}

// A value as read when it was read in the form this writer gives it (a short text as a short
// text), so an unchanged record is copied, not decoded and encoded again.
bool writtenAsStored(QByteArrayView stored, bool lines)
{
    if (stored.isEmpty())
        return false;
    qsizetype at = lines ? 1 : 0;
    const qsizetype end = lines ? stored.size() - 1 : stored.size();
    while (at < end) {
        if ((unsigned char)stored[at] == LongText) {
            const qint32 n = qFromLittleEndian<qint32>(stored.data() + at + 1);
            if (n <= 255)
                return false;
            at += 5 + n;
        } else {
            at += 2 + (unsigned char)stored[at + 1];
        }
    }
    return true;
}

void writeValue(ByteWriter &w, const ItemRecord &r, int value)
{
    const bool lines = ItemRecord::isLines(value);
    const QByteArrayView stored = r.storedValue(value);
    if (writtenAsStored(stored, lines))
        w.raw(stored);
    else if (lines)
        w.lines(r.lines(value));
    else
        w.text(r.text(value));
}

void writeRecord(ByteWriter &w, const ItemRecord &r)
{
    for (int v = 0; v < ItemRecord::FirstPicture; ++v)
        writeValue(w, r, v);
    for (int k = 1; k <= ItemRecord::PictureCount; ++k) {
        writeValue(w, r, ItemRecord::pictureFileValue(k));
        writeValue(w, r, ItemRecord::pictureTitleValue(k));
        w.flag(r.pictureAutoSize(k));
    }
    writeValue(w, r, ItemRecord::SpareValue);
    w.flag(r.Wanted);
    w.flag(r.ForTrade);
    w.flag(r.ForSale);
}

// An upper bound of a record's bytes, so the whole file is written into one allocation.
qsizetype recordBytes(const ItemRecord &r)
{
    qsizetype n = 3 + ItemRecord::PictureCount;
    for (int v = 0; v < ItemRecord::ValueCount; ++v) {
        const QByteArrayView stored = r.storedValue(v);
        if (!stored.isEmpty()) {
            n += stored.size();
        } else if (ItemRecord::isLines(v)) {
            n += 2;
            for (const QString &line : r.lines(v))
                n += line.size() + 5;
        } else {
            n += r.text(v).size() + 5;
        }
    }
    return n;
}

// ---- reading ----

bool isItemsData(QByteArrayView name)
{
    static constexpr char Wanted[] = "items.data";
    if (name.size() != qsizetype(sizeof(Wanted) - 1))
        return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        char c = name[i];
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
        if (c != Wanted[i])
            return false;
    }
    return true;
}

bool skipValue(ByteReader &r, int depth);

bool skipProperties(ByteReader &r, int depth)
{
    for (;;) {
        QByteArrayView name;
        if (!r.shortBytes(name))
            return false;
        if (name.isEmpty())
            return true;
        if (!skipValue(r, depth))
            return false;
    }
}

bool skipValue(ByteReader &r, int depth)
{
    if (depth > MaxNesting)
        return false;
    unsigned char tag = 0;
    if (!r.byte(tag))
        return false;
    switch (tag) {
    case ListBegin:
        for (;;) {
            unsigned char b = 0;
            if (!r.peek(b))
                return false;
            if (b == EndOfList)
                return r.skip(1);
            if (!skipValue(r, depth + 1))
                return false;
        }
    case Int8:
        return r.skip(1);
    case Int16:
        return r.skip(2);
    case Int32:
        return r.skip(4);
    case Extended:
        return r.skip(10);
    case ShortText:
    case Ident: {
        unsigned char n = 0;
        return r.byte(n) && r.skip(n);
    }
    case False:
    case True:
    case Nil:
        return true;
    case Binary:
    case LongText: {
        qint32 n;
        return r.int32(n) && r.skip(n);
    }
    case Set:
        for (;;) {
            unsigned char n = 0;
            if (!r.byte(n))
                return false;
            if (n == 0)
                return true;
            if (!r.skip(n))
                return false;
        }
    case Collection:
        for (;;) {
            unsigned char b = 0;
            if (!r.peek(b))
                return false;
            if (b == EndOfList)
                return r.skip(1);
            if (b == Int8 || b == Int16 || b == Int32) {
                qint32 index;
                if (!r.integer(index))
                    return false;
            }
            if (!r.byte(b) || b != ListBegin)
                return false;
            if (!skipProperties(r, depth + 1))
                return false;
        }
    default:
        return false;
    }
}

bool readNodes(ByteReader &r, qint32 count, std::vector<CategoryNode> &out, int level)
{
    if (count < 0 || count > r.remaining() / MinNodeEntryBytes)
        return false;
    if (count > 0 && level >= CategoryTreeMaxDepth)
        return false;
    out.reserve(size_t(count));
    for (qint32 i = 0; i < count; ++i) {
        qint32 size;
        if (!r.int32(size) || size < MinNodeRecord || size > MaxNodeRecord || size > r.remaining())
            return false;
        const char *rec = r.position();
        r.skip(size);
        const qint32 children = qFromLittleEndian<qint32>(rec + 20);
        const int len = (unsigned char)rec[24];
        if (MinNodeRecord + len > size)
            return false;
        out.push_back(CategoryNode { TextCodec::decode(rec + 25, len), {} });
        if (!readNodes(r, children, out.back().children, level + 1))
            return false;
    }
    return true;
}

// One object and its children; tree is set for the top object of a tree stream only.
bool readObject(ByteReader &r, int depth, CategoryTree *tree)
{
    if (depth > MaxNesting)
        return false;
    unsigned char b = 0;
    if (!r.peek(b))
        return false;
    if (b >= 0xF0) {
        r.skip(1);
        qint32 ignored;
        if ((b & 0x02) && !r.integer(ignored))
            return false;
    }
    QByteArrayView name;
    if (!r.shortBytes(name) || !r.shortBytes(name)) // class name, object name
        return false;
    for (;;) {
        if (!r.shortBytes(name))
            return false;
        if (name.isEmpty())
            break;
        if (tree && isItemsData(name)) {
            qint32 n;
            if (!r.byte(b) || b != Binary || !r.int32(n) || n < 0 || !r.need(n))
                return false;
            tree->clear();
            if (!decodeNodeBlock(QByteArrayView(r.position(), n), *tree))
                return false;
            r.skip(n);
        } else if (!skipValue(r, depth + 1)) {
            return false;
        }
    }
    for (;;) {
        if (!r.peek(b))
            return false;
        if (b == EndOfList)
            return r.skip(1);
        if (!readObject(r, depth + 1, nullptr))
            return false;
    }
}

bool readTreeStream(ByteReader &r, CategoryTree &tree)
{
    QByteArrayView signature;
    if (!r.need(4))
        return false;
    signature = QByteArrayView(r.position(), 4);
    if (signature != QByteArrayView("TPF0"))
        return false;
    r.skip(4);
    return readObject(r, 0, &tree);
}

// Reads every value of a record into texts of its own: for a record too large for its block's
// offsets.
bool readRecordDecoded(ByteReader &r, ItemRecord &rec)
{
    for (int v = 0; v < ItemRecord::FirstPicture; ++v) {
        if (ItemRecord::isLines(v)) {
            QStringList lines;
            if (!r.lines(lines))
                return false;
            rec.setLines(v, lines);
        } else {
            QString t;
            if (!r.text(t))
                return false;
            rec.setText(v, v == ItemRecord::CodeValue ? t.left(ItemRecord::RecordCodeLength) : t);
        }
    }
    for (int k = 1; k <= ItemRecord::PictureCount; ++k) {
        QString file, title;
        bool autoSize = false;
        if (!r.text(file) || !r.text(title) || !r.flag(autoSize))
            return false;
        rec.setPicture(k, { file, title, autoSize });
    }
    QString spare;
    if (!r.text(spare))
        return false;
    rec.setSpareText(spare);
    return r.flag(rec.Wanted) && r.flag(rec.ForTrade) && r.flag(rec.ForSale);
}

// A record keeps the bytes it was read from as one block, with where each value starts; texts
// are decoded when they are used.
bool readRecord(ByteReader &r, ItemRecord &rec)
{
    const ByteReader start = r;
    const char *begin = r.position();
    std::array<quint32, ItemRecord::ValueCount> at {};
    QByteArrayView code;
    auto text = [&](int v, QByteArrayView *bytes = nullptr) {
        at[size_t(v)] = quint32(r.position() - begin);
        QByteArrayView b;
        if (!r.textBytes(b))
            return false;
        if (bytes)
            *bytes = b;
        return true;
    };
    for (int v = 0; v < ItemRecord::FirstPicture; ++v) {
        if (ItemRecord::isLines(v)) {
            at[size_t(v)] = quint32(r.position() - begin);
            if (!r.skipLines())
                return false;
        } else if (!text(v, v == ItemRecord::CodeValue ? &code : nullptr)) {
            return false;
        }
    }
    std::array<bool, ItemRecord::PictureCount + 1> autoSize {};
    for (int k = 1; k <= ItemRecord::PictureCount; ++k) {
        if (!text(ItemRecord::pictureFileValue(k)) || !text(ItemRecord::pictureTitleValue(k))
            || !r.flag(autoSize[size_t(k)]))
            return false;
    }
    if (!text(ItemRecord::SpareValue) || !r.flag(rec.Wanted) || !r.flag(rec.ForTrade)
        || !r.flag(rec.ForSale))
        return false;
    const qsizetype size = r.position() - begin;
    if (size > qsizetype(std::numeric_limits<quint32>::max())) {
        ByteReader again = start;
        return readRecordDecoded(again, rec) && (r = again, true);
    }
    rec.setStored(QByteArray(begin, size), at);
    for (int k = 1; k <= ItemRecord::PictureCount; ++k)
        rec.setPictureAutoSize(k, autoSize[size_t(k)]);
    // Only the first characters of a code are the code.
    if (code.size() > ItemRecord::RecordCodeLength)
        rec.setRecordCode(TextCodec::decode(code.data(), ItemRecord::RecordCodeLength));
    return true;
}

// Version (unchecked), signature and the twenty captions.
ReadOutcome readHead(ByteReader &r, FieldCaptions &captions, bool checkSignature = true)
{
    QByteArrayView version, signature;
    if (!r.textBytes(version) || !r.textBytes(signature))
        return ReadOutcome::ReadError;
    if (checkSignature && signature != QByteArrayView(Signature))
        return ReadOutcome::NotDatabase;
    for (int k = 1; k <= 10; ++k)
        if (!r.text(captions.description[size_t(k)]))
            return ReadOutcome::ReadError;
    for (QString &c : captions.detail)
        if (!r.text(c))
            return ReadOutcome::ReadError;
    return ReadOutcome::Read;
}

QString cannotOpen(const QString &path)
{
    return QStringLiteral("Cannot open file %1").arg(path);
}

} // namespace

QByteArray encodeNodeBlock(const CategoryTree &tree)
{
    ByteWriter w(4 + nodeBytes(tree));
    w.int32(qint32(tree.size()));
    writeNodes(w, tree);
    return w.take();
}

bool decodeNodeBlock(QByteArrayView block, CategoryTree &tree)
{
    ByteReader r(block);
    qint32 count;
    // Bytes after the last node are ignored.
    return r.int32(count) && readNodes(r, count, tree, 0);
}

QByteArray encodeTreeStream(const CategoryTree &tree)
{
    ByteWriter w(128 + nodeBytes(tree));
    writeTreeStream(w, tree);
    return w.take();
}

QByteArray encodeRecord(const ItemRecord &record)
{
    ByteWriter w(recordBytes(record));
    writeRecord(w, record);
    return w.take();
}

namespace {

std::array<CategoryTree, RecordStore::CategoryCount + 1> categoryTrees(const RecordStore &store)
{
    std::array<CategoryTree, RecordStore::CategoryCount + 1> trees;
    // A tree read from a file is written back node for node, whatever its texts.
    for (int k = 1; k <= RecordStore::CategoryCount; ++k)
        trees[size_t(k)] = store.categoryTree(k);
    return trees;
}

bool written(const ItemRecord &r, bool searchListOnly)
{
    return !searchListOnly || r.OnSearchList;
}

// Everything before the records: version, signature, captions, category trees and the count.
void writeHead(ByteWriter &w, const FieldCaptions &captions,
    const std::array<CategoryTree, RecordStore::CategoryCount + 1> &trees, int count)
{
    w.text(QStringLiteral("1.43"));
    w.text(QString::fromLatin1(Signature));
    for (int k = 1; k <= 10; ++k)
        w.text(captions.description[size_t(k)]);
    for (const QString &c : captions.detail)
        w.text(c);
    for (int k = 1; k <= RecordStore::CategoryCount; ++k)
        writeTreeStream(w, trees[size_t(k)]);
    w.integer(count);
}

void writeDatabaseTo(ByteWriter &w, const RecordStore &store, bool searchListOnly,
    const std::array<CategoryTree, RecordStore::CategoryCount + 1> &trees)
{
    // The count written is always the number of records written: a count that differed from
    // them would make the file unreadable.
    int count = 0;
    for (const RecordPtr &r : store.records())
        count += written(*r, searchListOnly);
    writeHead(w, store.captions, trees, count);
    for (const RecordPtr &r : store.records()) {
        if (written(*r, searchListOnly)) {
            writeRecord(w, *r);
            w.pieceDone();
        }
    }
}

} // namespace

QByteArray encodeDatabase(const RecordStore &store, bool searchListOnly, int recordCount)
{
    Q_UNUSED(recordCount); // see writeDatabaseTo
    const auto trees = categoryTrees(store);
    qsizetype estimate = 1024;
    for (int k = 1; k <= RecordStore::CategoryCount; ++k)
        estimate += 128 + nodeBytes(trees[size_t(k)]);
    for (const QString &c : store.captions.description)
        estimate += c.size() + 5;
    for (const QString &c : store.captions.detail)
        estimate += c.size() + 5;
    for (const RecordPtr &r : store.records())
        if (written(*r, searchListOnly))
            estimate += recordBytes(*r);
    ByteWriter w(estimate);
    writeDatabaseTo(w, store, searchListOnly, trees);
    return w.take();
}

QString backupFolder()
{
    return SafeWrite::keptFolder();
}

namespace {

WriteResult writeDatabaseLocked(
    const QString &path, const RecordStore &store, bool searchListOnly, FileLock *lock)
{
    const auto trees = categoryTrees(store);
    const SafeWrite::Result result = SafeWrite::write(
        path,
        [&](QIODevice &out) {
            ByteWriter w(2 * ByteWriter::SinkPiece, &out);
            writeDatabaseTo(w, store, searchListOnly, trees);
            return w.finish();
        },
        lock);
    return { result.ok(), result.message, result.identity };
}

} // namespace

WriteResult writeDatabase(
    const QString &path, const RecordStore &store, bool searchListOnly, int recordCount)
{
    Q_UNUSED(recordCount); // see writeDatabaseTo
    return writeDatabaseLocked(path, store, searchListOnly, nullptr);
}

WriteResult writeDatabase(const QString &path, const RecordStore &store, FileLock *lock)
{
    return writeDatabaseLocked(path, store, false, lock);
}

struct StreamWriter::Private
{
    explicit Private(QIODevice &out)
        : w(2 * ByteWriter::SinkPiece, &out)
    {
    }
    ByteWriter w;
    int announced = 0;
    int added = 0;
};

StreamWriter::StreamWriter(QIODevice &out, const RecordStore &head, int count)
    : d(std::make_unique<Private>(out))
{
    d->announced = count;
    writeHead(d->w, head.captions, categoryTrees(head), count);
}

StreamWriter::~StreamWriter() = default;

void StreamWriter::add(const ItemRecord &record)
{
    writeRecord(d->w, record);
    d->w.pieceDone();
    ++d->added;
}

bool StreamWriter::finish()
{
    // A count that differed from the records would make the file unreadable.
    return d->w.finish() && d->added == d->announced;
}

namespace {

// The bytes still to be read: all in memory, or a file read piece by piece so that a large
// file is never held whole beside the records made from it.
class Source
{
public:
    explicit Source(QByteArrayView bytes)
        : m_memory(bytes)
    { }
    explicit Source(QFile *file)
        : m_file(file)
        , m_fileLeft(qMax<qint64>(0, file->size()))
    { }

    QByteArrayView pending() const
    {
        return m_file ? QByteArrayView(m_buffer).sliced(m_start) : m_memory.sliced(m_start);
    }
    qint64 remaining() const { return pending().size() + m_fileLeft; }
    qint64 notLoaded() const { return m_fileLeft; }
    void consume(qsizetype n) { m_start += n; }

    // Loads at least as many bytes again as are pending; false at the end of the file.
    bool more()
    {
        if (!m_file || m_fileLeft == 0)
            return false;
        const qsizetype keep = m_buffer.size() - m_start;
        const qint64 want = qMin(m_fileLeft, qMax<qint64>(ChunkSize, keep));
        std::memmove(m_buffer.data(), m_buffer.constData() + m_start, size_t(keep));
        m_buffer.resize(keep + qsizetype(want));
        m_start = 0;
        if (m_file->read(m_buffer.data() + keep, want) != want) {
            m_fileLeft = 0;
            m_buffer.truncate(keep);
            return false;
        }
        m_hash.add(QByteArrayView(m_buffer).sliced(keep));
        m_fileLeft -= want;
        return true;
    }

    // The file as read: the rest past the last record is hashed too, so the identity covers
    // every byte.
    FileIdentity identity()
    {
        if (!m_file)
            return {};
        char buf[1 << 16];
        for (qint64 n; (n = m_file->read(buf, sizeof buf)) > 0;)
            m_hash.add(QByteArrayView(buf, n));
        return FileIdentity::ofDescriptor(m_file->handle(), m_hash.result());
    }

private:
    static constexpr qint64 ChunkSize = 1 << 20;
    QByteArrayView m_memory;
    QFile *m_file = nullptr;
    QByteArray m_buffer;
    qsizetype m_start = 0;
    qint64 m_fileLeft = 0;
    ContentHash m_hash;
};

// Runs one reading step on the pending bytes, loading more and starting the step again while
// it runs out of them. A step must not keep anything from a failed attempt. A step that fails on
// what it has read is damage at once: a damaged file is refused without reading the rest.
template<typename Step> bool readStep(Source &source, Step step)
{
    for (;;) {
        ByteReader r(source.pending(), source.notLoaded());
        if (step(r)) {
            source.consume(r.consumed());
            return true;
        }
        if (!r.ranShort() || !source.more())
            return false;
    }
}

ReadResult readFrom(Source &source, RecordStore &store, bool merge)
{
    FieldCaptions captions;
    ReadOutcome head = ReadOutcome::ReadError;
    readStep(source, [&](ByteReader &r) {
        head = readHead(r, captions);
        return head != ReadOutcome::ReadError;
    });
    if (head != ReadOutcome::Read)
        return { head, QString(), {} };

    std::array<CategoryTree, RecordStore::CategoryCount + 1> categories;
    for (int k = 1; k <= RecordStore::CategoryCount; ++k) {
        CategoryTree &tree = categories[size_t(k)];
        if (!readStep(source, [&](ByteReader &r) {
                tree.clear();
                return readTreeStream(r, tree);
            }))
            return { ReadOutcome::ReadError, QString(), {} };
    }

    // A database holds one record at least; a count the remaining bytes cannot hold is damage.
    qint32 count = 0;
    if (!readStep(source, [&](ByteReader &r) { return r.integer(count); }) || count < 1
        || count > source.remaining() / MinRecordBytes)
        return { ReadOutcome::ReadError, QString(), {} };
    std::vector<RecordPtr> records;
    records.reserve(size_t(count));
    for (qint32 i = 0; i < count; ++i) {
        RecordPtr rec;
        if (!readStep(source, [&](ByteReader &r) {
                rec = std::make_shared<ItemRecord>();
                return readRecord(r, *rec);
            }))
            return { ReadOutcome::ReadError, QString(), {} };
        records.push_back(std::move(rec));
    }

    store.captions = std::move(captions);
    for (int k = 1; k <= RecordStore::CategoryCount; ++k)
        store.setCategoryTree(k, std::move(categories[size_t(k)]));
    if (merge) {
        auto &target = store.records();
        target.reserve(target.size() + records.size());
        std::move(records.begin(), records.end(), std::back_inserter(target));
    } else {
        store.records().swap(records);
    }
    return { ReadOutcome::Read, QString(), {} };
}

} // namespace

ReadResult readDatabaseBytes(QByteArrayView bytes, RecordStore &store, bool merge)
{
    Source source(bytes);
    return readFrom(source, store, merge);
}

OpenOutcome openForReading(QFile &file)
{
    const QString path = file.fileName();
    if (path.startsWith(u':')) // a resource
        return file.open(QIODevice::ReadOnly) ? OpenOutcome::Opened : OpenOutcome::CannotOpen;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return OpenOutcome::CannotOpen;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return OpenOutcome::NotAFile;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return OpenOutcome::CannotOpen;
    }
    return OpenOutcome::Opened;
}

ReadResult readDatabase(const QString &path, RecordStore &store, bool merge)
{
    QFile file(path);
    switch (openForReading(file)) {
    case OpenOutcome::Opened:
        break;
    case OpenOutcome::NotAFile:
        return { ReadOutcome::NotDatabase, QString(), {} };
    case OpenOutcome::CannotOpen:
        return { ReadOutcome::CannotOpen, cannotOpen(path), {} };
    }
    Source source(&file);
    ReadResult result = readFrom(source, store, merge);
    if (result.ok())
        result.identity = source.identity();
    return result;
}

std::optional<FieldCaptions> readCaptionsOnly(const QString &path)
{
    QFile file(path);
    if (openForReading(file) != OpenOutcome::Opened)
        return std::nullopt;
    Source source(&file);
    FieldCaptions captions;
    if (!readStep(source,
            [&](ByteReader &r) { return readHead(r, captions, false) == ReadOutcome::Read; }))
        return std::nullopt;
    return captions;
}

QString defaultCategoryFile(const QString &folder, int k)
{
    return QDir(folder).filePath(QStringLiteral("description%1.def").arg(k));
}

QStringList loadDefaultCategoryTexts(const QString &folder, RecordStore &store)
{
    QStringList messages;
    for (int k = 1; k <= RecordStore::CategoryCount; ++k) {
        store.setCategoryTree(k, {});
        const QString path = defaultCategoryFile(folder, k);
        const SmallFile::Result file = SmallFile::read(path, SmallFile::FormatLimit);
        if (!file.ok()) {
            messages.append(file.error);
            continue;
        }
        const TreeBuildResult built = buildCategoryTree(decodeText(file.bytes));
        if (!built.ok()) {
            messages.append(built.error);
            continue;
        }
        store.setCategoryTree(k, built.tree);
    }
    return messages;
}

} // namespace DataFile
