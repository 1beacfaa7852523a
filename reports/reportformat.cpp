// Report format file reader and writer over the value stream codec.
#include "reports/reportformat.h"

#include <algorithm>
#include <utility>

#include <QFile>
#include <QFileInfo>

#include "reports/reportitems.h"
#include "store/safewrite.h"
#include "store/smallfile.h"
#include "store/valuestream.h"

using namespace Qt::StringLiterals;
using ValueStream::CollectionItem;
using ValueStream::Property;
using ValueStream::StreamObject;
using ValueStream::Value;

namespace ReportFormat {

namespace {

struct Named
{
    const char *name;
    quint32 value;
};

constexpr Named charsets[]
    = { { "ANSI_CHARSET", 0 }, { "DEFAULT_CHARSET", 1 }, { "SYMBOL_CHARSET", 2 },
          { "MAC_CHARSET", 77 }, { "SHIFTJIS_CHARSET", 128 }, { "HANGEUL_CHARSET", 129 },
          { "JOHAB_CHARSET", 130 }, { "GB2312_CHARSET", 134 }, { "CHINESEBIG5_CHARSET", 136 },
          { "GREEK_CHARSET", 161 }, { "TURKISH_CHARSET", 162 }, { "HEBREW_CHARSET", 177 },
          { "ARABIC_CHARSET", 178 }, { "BALTIC_CHARSET", 186 }, { "RUSSIAN_CHARSET", 204 },
          { "THAI_CHARSET", 222 }, { "EASTEUROPE_CHARSET", 238 }, { "OEM_CHARSET", 255 } };

constexpr Named colours[] = { { "clBlack", 0x000000 }, { "clMaroon", 0x000080 },
    { "clGreen", 0x008000 }, { "clOlive", 0x008080 }, { "clNavy", 0x800000 },
    { "clPurple", 0x800080 }, { "clTeal", 0x808000 }, { "clGray", 0x808080 },
    { "clSilver", 0xC0C0C0 }, { "clRed", 0x0000FF }, { "clLime", 0x00FF00 },
    { "clYellow", 0x00FFFF }, { "clBlue", 0xFF0000 }, { "clFuchsia", 0xFF00FF },
    { "clAqua", 0xFFFF00 }, { "clWhite", 0xFFFFFF }, { "clScrollBar", 0x80000000 },
    { "clBackground", 0x80000001 }, { "clActiveCaption", 0x80000002 },
    { "clInactiveCaption", 0x80000003 }, { "clMenu", 0x80000004 }, { "clWindow", 0x80000005 },
    { "clWindowFrame", 0x80000006 }, { "clMenuText", 0x80000007 }, { "clWindowText", 0x80000008 },
    { "clCaptionText", 0x80000009 }, { "clActiveBorder", 0x8000000A },
    { "clInactiveBorder", 0x8000000B }, { "clAppWorkSpace", 0x8000000C },
    { "clHighlight", 0x8000000D }, { "clHighlightText", 0x8000000E }, { "clBtnFace", 0x8000000F },
    { "clBtnShadow", 0x80000010 }, { "clGrayText", 0x80000011 }, { "clBtnText", 0x80000012 },
    { "clInactiveCaptionText", 0x80000013 }, { "clBtnHighlight", 0x80000014 },
    { "cl3DDkShadow", 0x80000015 }, { "cl3DLight", 0x80000016 }, { "clInfoText", 0x80000017 },
    { "clInfoBk", 0x80000018 }, { "clNone", 0x1FFFFFFF } };

template<size_t N> Value namedValue(const Named (&table)[N], qint32 v)
{
    for (const Named &n : table) {
        if (n.value == quint32(v))
            return Value::fromIdent(QByteArray(n.name));
    }
    return Value::fromInt(v);
}

// An identifier of the table or an integer; false for anything else.
template<size_t N> bool namedInteger(const Named (&table)[N], const Value &v, qint32 &out)
{
    if (v.kind == Value::Kind::Integer) {
        out = v.integer;
        return true;
    }
    if (v.kind != Value::Kind::Ident)
        return false;
    for (const Named &n : table) {
        if (v.bytes.compare(n.name, Qt::CaseInsensitive) == 0) {
            out = qint32(n.value);
            return true;
        }
    }
    return false;
}

Property prop(const char *name, Value v)
{
    return { QByteArray(name), std::move(v) };
}

void addFont(QList<Property> &props, const ReportFontDef &f)
{
    props.append(prop("Font.Charset", namedValue(charsets, f.charset)));
    props.append(prop("Font.Color", namedValue(colours, f.colour)));
    props.append(prop("Font.Height", Value::fromInt(f.height)));
    props.append(prop("Font.name()", Value::fromText(f.name)));
    QList<QByteArray> style;
    if (f.bold)
        style.append("fsBold");
    if (f.italic)
        style.append("fsItalic");
    if (f.underline)
        style.append("fsUnderline");
    if (f.strikeOut)
        style.append("fsStrikeOut");
    props.append(prop("Font.Style", Value::fromSet(style)));
}

StreamObject sampleBox(const char *name, int top, const QString &text, const ReportFontDef &f)
{
    StreamObject o { "TEdit", name, {}, {} };
    o.properties = { prop("Left", Value::fromInt(96)), prop("Top", Value::fromInt(top)),
        prop("Width", Value::fromInt(121)), prop("Height", Value::fromInt(21)) };
    addFont(o.properties, f);
    o.properties.append(prop("ParentFont", Value::fromBool(false)));
    o.properties.append(prop("ReadOnly", Value::fromBool(true)));
    o.properties.append(prop("TabOrder", Value::fromInt(0)));
    o.properties.append(prop("Text", Value::fromText(text)));
    return o;
}

StreamObject fontHolder(const char *name, const ReportFontDef &f, int maxSize)
{
    StreamObject o { "TFontDialog", name, {}, {} };
    addFont(o.properties, f);
    o.properties.append(prop("MinFontSize", Value::fromInt(0)));
    o.properties.append(prop("MaxFontSize", Value::fromInt(maxSize)));
    o.properties.append(prop("Options", Value::fromSet({ "fdEffects", "fdLimitSize" })));
    o.properties.append(prop("Left", Value::fromInt(24)));
    o.properties.append(prop("Top", Value::fromInt(8)));
    return o;
}

// The kinds of value the properties this format knows may hold; a file that gives one another
// kind (a text for Font.Height) is no report format file. Properties not named here are left
// to the controls that once wrote them.
bool kindFits(const QByteArray &name, Value::Kind kind)
{
    using K = Value::Kind;
    struct Rule
    {
        const char *name;
        K kind;
        K other;
    };
    static constexpr Rule rules[]
        = { { "Left", K::Integer, K::Integer }, { "Top", K::Integer, K::Integer },
              { "Width", K::Integer, K::Integer }, { "Height", K::Integer, K::Integer },
              { "TabOrder", K::Integer, K::Integer }, { "MinFontSize", K::Integer, K::Integer },
              { "MaxFontSize", K::Integer, K::Integer }, { "ImageIndex", K::Integer, K::Integer },
              { "Font.Height", K::Integer, K::Integer }, { "Font.Charset", K::Ident, K::Integer },
              { "Font.Color", K::Ident, K::Integer }, { "Color", K::Ident, K::Integer },
              { "Font.name()", K::Text, K::Text }, { "Text", K::Text, K::Text },
              { "Caption", K::Text, K::Text }, { "Font.Style", K::Set, K::Set },
              { "Options", K::Set, K::Set }, { "ParentFont", K::Bool, K::Bool },
              { "ReadOnly", K::Bool, K::Bool }, { "Ctl3D", K::Bool, K::Bool },
              { "State", K::Ident, K::Ident }, { "Style", K::Ident, K::Ident },
              { "Align", K::Ident, K::Ident }, { "Sections", K::Collection, K::Collection } };
    for (const Rule &r : rules)
        if (name.compare(r.name, Qt::CaseInsensitive) == 0)
            return kind == r.kind || kind == r.other;
    return true;
}

bool kindsFit(const QList<Property> &properties)
{
    for (const Property &p : properties) {
        if (!kindFits(p.name, p.value.kind))
            return false;
        for (const CollectionItem &item : p.value.items)
            if (!kindsFit(item.properties))
                return false;
    }
    return true;
}

bool kindsFit(const StreamObject &o)
{
    if (!kindsFit(o.properties))
        return false;
    for (const StreamObject &child : o.children)
        if (!kindsFit(child))
            return false;
    return true;
}

// The next object of the file, provided every value it holds is of its property's kind.
bool readObject(ValueStream::Reader &r, StreamObject &o)
{
    return r.object(o) && kindsFit(o);
}

// Applies a stream's font properties; false on a value of the wrong kind.
bool readFont(const StreamObject &o, ReportFontDef &f)
{
    f = ReportFontDef();
    for (const Property &p : o.properties) {
        const Value &v = p.value;
        if (p.name.compare("Font.Charset", Qt::CaseInsensitive) == 0) {
            if (!namedInteger(charsets, v, f.charset))
                return false;
        } else if (p.name.compare("Font.Color", Qt::CaseInsensitive) == 0) {
            if (!namedInteger(colours, v, f.colour))
                return false;
        } else if (p.name.compare("Font.Height", Qt::CaseInsensitive) == 0) {
            if (v.kind != Value::Kind::Integer)
                return false;
            f.height = v.integer;
        } else if (p.name.compare("Font.name()", Qt::CaseInsensitive) == 0) {
            if (v.kind != Value::Kind::Text)
                return false;
            f.name = v.text;
        } else if (p.name.compare("Font.Style", Qt::CaseInsensitive) == 0) {
            if (v.kind != Value::Kind::Set)
                return false;
            f.bold = f.italic = f.underline = f.strikeOut = false;
            for (const QByteArray &s : v.set) {
                if (s.compare("fsBold", Qt::CaseInsensitive) == 0)
                    f.bold = true;
                else if (s.compare("fsItalic", Qt::CaseInsensitive) == 0)
                    f.italic = true;
                else if (s.compare("fsUnderline", Qt::CaseInsensitive) == 0)
                    f.underline = true;
                else if (s.compare("fsStrikeOut", Qt::CaseInsensitive) == 0)
                    f.strikeOut = true;
            }
        }
    }
    return true;
}

const Value *findProperty(const QList<Property> &props, const char *name)
{
    for (qsizetype i = props.size() - 1; i >= 0; --i) {
        if (props[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return &props[i].value;
    }
    return nullptr;
}

bool readText(const StreamObject &o, const char *name, QString &out)
{
    const Value *v = findProperty(o.properties, name);
    if (!v)
        return true;
    if (v->kind != Value::Kind::Text)
        return false;
    out = v->text;
    return true;
}

} // namespace

QByteArray write(const ReportDefinition &d)
{
    ValueStream::Writer w;
    w.text(d.title);
    w.flag(d.showTitle);
    w.flag(d.showDate);
    w.flag(d.header);
    w.flag(d.showPageNumbers);
    w.flag(d.showItemNumbers);
    w.flag(d.showTotals);
    w.integer(qint32(d.items.size()));
    for (const ReportItem &item : d.items) {
        w.integer(item.code);
        w.integer(0);
        w.text(item.caption);
    }
    for (const QString &m : d.margins)
        w.text(m);
    w.object(sampleBox("HeaderFont", 184, d.titleSample, d.titleFont));
    w.object(sampleBox("BodyFont", 208, d.bodySample, d.bodyFont));
    w.object(sampleBox("ValueFont", 232, d.valueSample, d.valueFont));
    w.object(fontHolder("a", d.bodyFont, 12));
    w.object(fontHolder("b", d.titleFont, 18));
    w.object(fontHolder("c", d.valueFont, 18));

    StreamObject widths { "THeaderControl", "Widths", {}, {} };
    widths.properties = { prop("Left", Value::fromInt(8)), prop("Top", Value::fromInt(112)),
        prop("Width", Value::fromInt(d.referenceWidth)), prop("Height", Value::fromInt(17)),
        prop("Align", Value::fromIdent("alNone")) };
    QList<CollectionItem> sections;
    for (const ColumnSection &s : d.sections) {
        CollectionItem item;
        item.properties = { prop("Style", Value::fromIdent("hsOwnerDraw")),
            prop("Text", Value::fromText(s.text)), prop("Width", Value::fromInt(s.width)) };
        sections.append(item);
    }
    widths.properties.append(prop("Sections", Value::fromItems(sections)));
    widths.properties.append(prop("Style", Value::fromIdent("hsFlat")));
    w.object(widths);

    StreamObject ic { "TCheckBox", "ic", {}, {} };
    ic.properties = { prop("Left", Value::fromInt(8)), prop("Top", Value::fromInt(88)),
        prop("Width", Value::fromInt(57)), prop("Height", Value::fromInt(17)),
        prop("Caption", Value::fromText(u"Indent"_s)) };
    if (d.indent)
        ic.properties.append(prop("State", Value::fromIdent("cbChecked")));
    ic.properties.append(prop("TabOrder", Value::fromInt(9)));
    w.object(ic);

    w.text(d.columnCount);
    for (qint32 c : d.colours) {
        StreamObject dialog { "TColorDialog", "SelectColColor", {}, {} };
        dialog.properties
            = { prop("Ctl3D", Value::fromBool(true)), prop("Color", namedValue(colours, c)),
                  prop("Left", Value::fromInt(56)), prop("Top", Value::fromInt(8)) };
        w.object(dialog);
    }
    w.flag(d.orientation == ReportOrientation::Portrait);
    w.flag(d.orientation == ReportOrientation::Landscape);
    return w.take();
}

bool read(QByteArrayView bytes, ReportDefinition &d)
{
    ValueStream::Reader r(bytes);
    if (!r.text(d.title) || !r.flag(d.showTitle) || !r.flag(d.showDate) || !r.flag(d.header)
        || !r.flag(d.showPageNumbers) || !r.flag(d.showItemNumbers) || !r.flag(d.showTotals))
        return false;
    d.items.clear();
    qint32 n = 0;
    if (!r.integer(n))
        return false;
    for (qint32 i = 0; i < n; ++i) {
        ReportItem item;
        qint32 code = 0, reserved = 0;
        if (!r.integer(code) || !r.integer(reserved) || !r.text(item.caption))
            return false;
        // A code outside the item menu names no field; a file holding one is not ours.
        if (code < 0 || code >= ReportItems::Count)
            return false;
        item.code = code;
        d.items.append(item);
    }
    for (QString &m : d.margins) {
        if (!r.text(m))
            return false;
    }
    const std::pair<const char *, QString *> samples[] = { { "HeaderFont", &d.titleSample },
        { "BodyFont", &d.bodySample }, { "ValueFont", &d.valueSample } };
    for (const auto &[name, text] : samples) {
        StreamObject o;
        if (!readObject(r, o))
            return false;
        *text = QString::fromLatin1(name);
        if (!readText(o, "Text", *text))
            return false;
    }
    ReportFontDef *const fonts[] = { &d.bodyFont, &d.titleFont, &d.valueFont };
    for (ReportFontDef *f : fonts) {
        StreamObject o;
        ReportFontDef read;
        if (!readObject(r, o) || !readFont(o, read))
            return false;
        *f = read;
    }
    StreamObject widths;
    if (!readObject(r, widths))
        return false;
    int reference = ReportDefinition::ReferenceWidth;
    if (const Value *v = findProperty(widths.properties, "Width")) {
        if (v->kind != Value::Kind::Integer)
            return false;
        reference = v->integer;
    }
    QList<ColumnSection> sections;
    if (const Value *v = findProperty(widths.properties, "Sections")) {
        if (v->kind != Value::Kind::Collection)
            return false;
        for (const CollectionItem &item : v->items) {
            ColumnSection s;
            if (const Value *t = findProperty(item.properties, "Text")) {
                if (t->kind != Value::Kind::Text)
                    return false;
                s.text = t->text;
            }
            if (const Value *wv = findProperty(item.properties, "Width")) {
                if (wv->kind != Value::Kind::Integer)
                    return false;
                s.width = std::max(0, wv->integer);
            }
            sections.append(s);
        }
    }
    d.referenceWidth = reference > 0 ? reference : ReportDefinition::ReferenceWidth;
    d.sections = sections;
    StreamObject ic;
    if (!readObject(r, ic))
        return false;
    bool indent = false;
    if (const Value *v = findProperty(ic.properties, "State")) {
        if (v->kind != Value::Kind::Ident)
            return false;
        indent = v->bytes.compare("cbChecked", Qt::CaseInsensitive) == 0;
    }
    d.indent = indent;
    if (!r.text(d.columnCount))
        return false;
    for (qint32 &c : d.colours) {
        StreamObject o;
        if (!readObject(r, o))
            return false;
        qint32 colour = StoredColour::Black;
        if (const Value *v = findProperty(o.properties, "Color")) {
            if (!namedInteger(colours, *v, colour))
                return false;
        }
        c = colour;
    }
    bool portrait = false, landscape = false;
    if (!r.flag(portrait))
        return false;
    if (portrait)
        d.orientation = ReportOrientation::Portrait;
    if (!r.flag(landscape))
        return false;
    if (landscape)
        d.orientation = ReportOrientation::Landscape;
    return true;
}

QString notValidMessage(const QString &fileName)
{
    return u"Sorry "_s + fileName + u" is not a valid report file"_s;
}

Result load(const QString &path, ReportDefinition &definition)
{
    const SmallFile::Result file = SmallFile::read(path, SmallFile::FormatLimit);
    if (!file.ok())
        return { Outcome::CannotOpen, file.error };
    if (!read(file.bytes, definition))
        return { Outcome::NotReportFile, notValidMessage(path) };
    return {};
}

Result save(const QString &path, const ReportDefinition &definition)
{
    const SafeWrite::Result result = SafeWrite::write(path, write(definition));
    if (!result.ok())
        return { Outcome::CannotCreate, result.message };
    return {};
}

} // namespace ReportFormat
