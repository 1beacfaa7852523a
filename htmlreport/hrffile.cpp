// Reading and writing HTML report format files.
#include "htmlreport/hrffile.h"

#include <QFile>

#include "store/smallfile.h"
#include "store/valuestream.h"

namespace HrfFile {

namespace {

using ValueStream::Property;
using ValueStream::StreamObject;
using ValueStream::Value;

// A position in the bytes; each value is read by a reader over the rest, so list entries can be
// taken one by one and what was read before a fault stays.
class Cursor
{
public:
    explicit Cursor(QByteArrayView bytes)
        : m_bytes(bytes)
    { }

    bool atEnd() const { return m_pos >= m_bytes.size(); }
    unsigned char peek() const { return atEnd() ? 0 : static_cast<unsigned char>(m_bytes[m_pos]); }
    bool take(unsigned char tag)
    {
        if (atEnd() || peek() != tag)
            return false;
        ++m_pos;
        return true;
    }
    template<typename F> bool read(F &&f)
    {
        ValueStream::Reader r(m_bytes.sliced(m_pos));
        if (!f(r))
            return false;
        m_pos = m_bytes.size() - r.remaining();
        return true;
    }

private:
    QByteArrayView m_bytes;
    qsizetype m_pos = 0;
};

// A list of texts, each appended to lines as soon as it is read.
bool readLines(Cursor &c, QStringList &lines)
{
    if (!c.take(ValueStream::ListBegin))
        return false;
    while (!c.take(ValueStream::EndOfList)) {
        QString s;
        if (!c.read([&s](ValueStream::Reader &r) { return r.text(s); }))
            return false;
        lines << s;
    }
    return true;
}

bool readItems(Cursor &c, QList<HtmlReportItem> &items)
{
    if (!c.take(ValueStream::ListBegin))
        return false;
    while (!c.take(ValueStream::EndOfList)) {
        HtmlReportItem item;
        if (!c.read([&item](ValueStream::Reader &r) { return r.text(item.caption); })
            || !c.read([&item](ValueStream::Reader &r) { return r.integer(item.tag); }))
            return false;
        items << item;
    }
    return true;
}

bool colourValue(const Value &v, qint32 &out)
{
    if (v.kind == Value::Kind::Integer) {
        out = v.integer;
        return true;
    }
    if (v.kind == Value::Kind::Ident) {
        if (const auto c = VclValues::colourFromIdent(v.bytes)) {
            out = *c;
            return true;
        }
    }
    return false;
}

bool charsetValue(const Value &v, qint32 &out)
{
    if (v.kind == Value::Kind::Integer) {
        out = v.integer;
        return true;
    }
    if (v.kind == Value::Kind::Ident) {
        if (const auto c = VclValues::charsetFromIdent(v.bytes)) {
            out = *c;
            return true;
        }
    }
    return false;
}

bool sameName(const QByteArray &a, const char *b)
{
    return QByteArrayView(a).compare(QByteArrayView(b), Qt::CaseInsensitive) == 0;
}

// The font holder's properties over the default font; other properties are the dialog's own and
// are passed over. False when a font property holds a value of the wrong kind.
bool fontFrom(const StreamObject &o, VclValues::Font &font)
{
    VclValues::Font f;
    for (const Property &p : o.properties) {
        const Value &v = p.value;
        if (sameName(p.name, "Font.Charset")) {
            if (!charsetValue(v, f.charset))
                return false;
        } else if (sameName(p.name, "Font.Color")) {
            if (!colourValue(v, f.colour))
                return false;
        } else if (sameName(p.name, "Font.Height")) {
            if (v.kind != Value::Kind::Integer)
                return false;
            f.height = v.integer;
        } else if (sameName(p.name, "Font.name()")) {
            if (v.kind != Value::Kind::Text)
                return false;
            f.name = v.text;
        } else if (sameName(p.name, "Font.Style")) {
            if (v.kind != Value::Kind::Set)
                return false;
            f.style = VclValues::styleFromNames(v.set);
        }
    }
    font = f;
    return true;
}

// The colour holder's Color; absent means black.
bool colourFrom(const StreamObject &o, qint32 &colour)
{
    qint32 c = VclValues::clBlack;
    for (const Property &p : o.properties)
        if (sameName(p.name, "Color") && !colourValue(p.value, c))
            return false;
    colour = c;
    return true;
}

Value colourOrIdent(qint32 colour)
{
    const QByteArray ident = VclValues::colourIdent(colour);
    return ident.isEmpty() ? Value::fromInt(colour) : Value::fromIdent(ident);
}

} // namespace

QByteArray write(const HtmlReportDesign &design)
{
    ValueStream::Writer w;
    Value list;
    list.kind = Value::Kind::List;
    for (const HtmlReportItem &item : design.items)
        list.list << Value::fromText(item.caption) << Value::fromInt(item.tag);
    w.value(list);
    w.lines(design.header);
    w.lines(design.footer);

    const VclValues::Font &f = design.font;
    StreamObject font;
    font.className = "TFontDialog";
    font.name = "ReportFont";
    const QByteArray charset = VclValues::charsetIdent(f.charset);
    font.properties << Property { "Font.Charset",
        charset.isEmpty() ? Value::fromInt(f.charset) : Value::fromIdent(charset) };
    font.properties << Property { "Font.Color", colourOrIdent(f.colour) };
    font.properties << Property { "Font.Height", Value::fromInt(f.height) };
    font.properties << Property { "Font.name()", Value::fromText(f.name) };
    font.properties << Property { "Font.Style", Value::fromSet(VclValues::styleNames(f.style)) };
    w.object(font);

    StreamObject colour;
    colour.className = "TColorDialog";
    colour.name = "ReportColor";
    colour.properties << Property { "Color", colourOrIdent(design.colour) };
    w.object(colour);

    w.flag(design.onlySearchList);
    return w.take();
}

bool read(QByteArrayView bytes, HtmlReportDesign &design)
{
    Cursor c(bytes);
    if (!readItems(c, design.items) || !readLines(c, design.header) || !readLines(c, design.footer))
        return false;

    StreamObject font;
    if (!c.read([&font](ValueStream::Reader &r) { return r.object(font); })
        || !fontFrom(font, design.font))
        return false;
    StreamObject colour;
    if (!c.read([&colour](ValueStream::Reader &r) { return r.object(colour); })
        || !colourFrom(colour, design.colour))
        return false;
    bool flag = false;
    if (!c.read([&flag](ValueStream::Reader &r) { return r.flag(flag); }))
        return false;
    design.onlySearchList = flag;
    return true;
}

bool load(const QString &path, HtmlReportDesign &design)
{
    const SmallFile::Result file = SmallFile::read(path, MaxFileSize);
    return file.ok() && read(file.bytes, design);
}

bool save(const QString &path, const HtmlReportDesign &design, QString *error)
{
    return ExportWriters::writeFile(path, write(design), error);
}

} // namespace HrfFile
