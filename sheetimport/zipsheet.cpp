// XLSX and ODS workbooks: QuaZip opens the zip container, Qt's XML reader streams the parts. Every
// part is read through a limit, so a zip bomb ends in a message, never in exhausted memory.
#include "sheetimport/sheettable.h"

#include <cmath>
#include <memory>
#include <set>

#include <QBuffer>
#include <QDate>
#include <QFile>
#include <QHash>
#include <QXmlStreamReader>

#include <quazip.h>
#include <quazipfile.h>

using namespace Qt::StringLiterals;

namespace SheetImport {

namespace {

// Passes at most `limit` bytes of another device through, then fails.
class LimitedReader : public QIODevice
{
public:
    LimitedReader(QIODevice &in, qint64 limit)
        : m_in(in)
        , m_left(limit)
    {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }
    bool exceeded() const { return m_exceeded; }

protected:
    qint64 readData(char *data, qint64 max) override
    {
        if (m_exceeded)
            return -1;
        const qint64 n = m_in.read(data, std::min(max, m_left + 1));
        if (n > m_left) {
            m_exceeded = true;
            return -1;
        }
        if (n > 0)
            m_left -= n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QIODevice &m_in;
    qint64 m_left;
    bool m_exceeded = false;
};

// One part of the container, opened for streaming.
class Part
{
public:
    Part(QuaZip &zip, const QString &name, qint64 limit)
        : m_file(&zip)
    {
        if (!zip.setCurrentFile(name, QuaZip::csInsensitive))
            return;
        if (!m_file.open(QIODevice::ReadOnly))
            return;
        m_reader = std::make_unique<LimitedReader>(m_file, limit);
        m_xml.setDevice(m_reader.get());
        m_xml.setNamespaceProcessing(true);
    }
    bool found() const { return m_reader != nullptr; }
    // How far into the part the reading has come, in thousandths.
    int permille()
    {
        const qint64 size = m_file.usize();
        return size > 0 ? int(std::clamp<qint64>(m_file.pos() * 1000 / size, 0, 1000)) : 0;
    }
    QXmlStreamReader &xml() { return m_xml; }
    // Empty when the part read whole and its checksum held; else why not.
    QString problem()
    {
        if (m_reader && m_reader->exceeded())
            return u"a part unpacks to more than the limit"_s;
        if (m_xml.hasError())
            return m_xml.errorString();
        if (m_file.isOpen()) {
            m_file.close();
            if (m_file.getZipError() != UNZ_OK)
                return u"a part does not unpack (zip error %1)"_s.arg(m_file.getZipError());
        }
        return {};
    }

private:
    QuaZipFile m_file;
    std::unique_ptr<LimitedReader> m_reader;
    QXmlStreamReader m_xml;
};

// Reads to the next start element, refusing document type declarations (entity expansion).
bool nextStart(QXmlStreamReader &xml)
{
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType t = xml.readNext();
        if (t == QXmlStreamReader::DTD) {
            xml.raiseError(u"a part declares a document type"_s);
            return false;
        }
        if (t == QXmlStreamReader::StartElement)
            return true;
    }
    return false;
}

// An attribute by its local name, whatever its prefix (ODS prefixes every one).
QStringView attr(const QXmlStreamAttributes &attributes, QLatin1StringView name)
{
    for (const QXmlStreamAttribute &a : attributes)
        if (a.name() == name)
            return a.value();
    return {};
}

QString damaged(const QString &path, const QString &why)
{
    return u"%1 is damaged (%2). Nothing was imported."_s.arg(path, why);
}

// The container, read whole into memory before it is unpacked: the unzip library reads a part's
// headers a few bytes at a time, and a damaged header (a long extra field) has it do so tens of
// thousands of times per part, each a system call when it reads the file itself.
struct Container
{
    QByteArray bytes;
    QBuffer buffer { &bytes };
    QuaZip zip { &buffer };
};

bool openZip(Container &c, const QString &path, SheetRead &r)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        r.message = u"Cannot open file %1: %2"_s.arg(path, file.errorString());
        return false;
    }
    c.bytes = file.read(MaxFileBytes + 1);
    if (c.bytes.size() > MaxFileBytes) {
        r.message
            = u"%1 is too large to import (more than %2 MB)."_s.arg(path).arg(MaxFileBytes >> 20);
        c.bytes = QByteArray();
        return false;
    }
    QuaZip &zip = c.zip;
    if (!zip.open(QuaZip::mdUnzip)) {
        r.message = damaged(path, u"the zip container does not open"_s);
        return false;
    }
    if (zip.getEntriesCount() > MaxZipEntries) {
        r.message = damaged(path, u"the container holds too many parts"_s);
        return false;
    }
    return true;
}

// Column index from a cell reference ("BC12" gives 54); -1 when there is none.
int columnOf(QStringView ref)
{
    int col = 0;
    qsizetype i = 0;
    for (; i < ref.size() && ref[i].isLetter(); ++i) {
        const int letter = ref[i].toUpper().unicode() - u'A';
        if (letter < 0 || letter > 25 || col > MaxColumns * 26)
            return -1;
        col = col * 26 + letter + 1;
    }
    return i == 0 ? -1 : col - 1;
}

int rowOf(QStringView ref)
{
    qsizetype i = 0;
    while (i < ref.size() && ref[i].isLetter())
        ++i;
    bool ok = false;
    const int n = ref.mid(i).toInt(&ok);
    return ok ? n : -1;
}

QString resolveTarget(const QString &base, const QString &target)
{
    QString t = target;
    if (t.startsWith(u'/'))
        return t.mid(1);
    QStringList parts = base.split(u'/', Qt::SkipEmptyParts);
    for (const QString &p : t.split(u'/', Qt::SkipEmptyParts)) {
        if (p == ".."_L1) {
            if (!parts.isEmpty())
                parts.removeLast();
        } else if (p != "."_L1) {
            parts.append(p);
        }
    }
    return parts.join(u'/');
}

// Number formats that show a date: the built-in ones and any code naming days or years.
bool isDateFormat(int id, const QString &code)
{
    if ((id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47)
        || (id >= 50 && id <= 58))
        return true;
    if (code.isEmpty())
        return false;
    QString plain;
    bool quoted = false;
    int bracket = 0;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code[i];
        if (c == u'"')
            quoted = !quoted;
        else if (quoted)
            continue;
        else if (c == u'[')
            ++bracket;
        else if (c == u']')
            bracket = std::max(0, bracket - 1);
        else if (c == u'\\')
            ++i;
        else if (bracket == 0)
            plain += c.toLower();
    }
    return plain.contains(u'd') || plain.contains(u'y');
}

QString serialDate(double serial, bool date1904)
{
    if (!(serial >= 1 && serial < 2958466))
        return {};
    const qint64 days = qint64(std::floor(serial));
    QDate d;
    if (date1904)
        d = QDate(1904, 1, 1).addDays(days);
    else
        // The 1900 system counts a 29 February 1900 that never was.
        d = days < 60 ? QDate(1899, 12, 31).addDays(days) : QDate(1899, 12, 30).addDays(days);
    return d.toString(u"yyyy-MM-dd"_s);
}

QString numberText(QStringView v)
{
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (!ok || !std::isfinite(d))
        return v.toString();
    // Fifteen digits drop the binary noise ("19.989999999999998" is 19.99).
    return QString::number(d, 'g', 15);
}

// The text of an element and its children, skipping those named in `skip`.
QString elementText(QXmlStreamReader &xml, QStringView skip = {})
{
    QString out;
    int depth = 1;
    int skipping = 0;
    while (depth > 0 && !xml.atEnd()) {
        const QXmlStreamReader::TokenType t = xml.readNext();
        if (t == QXmlStreamReader::StartElement) {
            ++depth;
            if (skipping || (!skip.isEmpty() && xml.name() == skip))
                ++skipping;
        } else if (t == QXmlStreamReader::EndElement) {
            --depth;
            if (skipping)
                --skipping;
        } else if (t == QXmlStreamReader::Characters && !skipping) {
            out += xml.text();
        }
    }
    return out;
}

struct Workbook
{
    QStringList names;
    QStringList parts;
    bool date1904 = false;
    QString sharedStrings = u"xl/sharedStrings.xml"_s;
    QString styles = u"xl/styles.xml"_s;
};

QString readWorkbook(QuaZip &zip, Workbook &wb)
{
    QStringList ids;
    {
        Part part(zip, u"xl/workbook.xml"_s, MaxSmallPartBytes);
        if (!part.found())
            return u"it holds no workbook part"_s;
        QXmlStreamReader &xml = part.xml();
        while (nextStart(xml)) {
            if (xml.name() == "sheet"_L1) {
                wb.names.append(attr(xml.attributes(), "name"_L1).toString());
                QString id;
                for (const QXmlStreamAttribute &a : xml.attributes())
                    if (a.name() == "id"_L1 && !a.namespaceUri().isEmpty())
                        id = a.value().toString();
                ids.append(id);
            } else if (xml.name() == "workbookPr"_L1) {
                const QStringView v = attr(xml.attributes(), "date1904"_L1);
                wb.date1904 = v == "1"_L1 || v == "true"_L1;
            }
        }
        if (const QString p = part.problem(); !p.isEmpty())
            return p;
    }
    QHash<QString, QString> targets;
    {
        Part part(zip, u"xl/_rels/workbook.xml.rels"_s, MaxSmallPartBytes);
        if (part.found()) {
            QXmlStreamReader &xml = part.xml();
            while (nextStart(xml)) {
                if (xml.name() != "Relationship"_L1)
                    continue;
                const QXmlStreamAttributes a = xml.attributes();
                const QString target = resolveTarget(u"xl"_s, attr(a, "Target"_L1).toString());
                const QStringView type = attr(a, "Type"_L1);
                targets.insert(attr(a, "Id"_L1).toString(), target);
                if (type.endsWith("/sharedStrings"_L1))
                    wb.sharedStrings = target;
                else if (type.endsWith("/styles"_L1))
                    wb.styles = target;
            }
            if (const QString p = part.problem(); !p.isEmpty())
                return p;
        }
    }
    for (qsizetype i = 0; i < wb.names.size(); ++i)
        wb.parts.append(targets.value(ids[i], u"xl/worksheets/sheet%1.xml"_s.arg(i + 1)));
    if (wb.names.isEmpty())
        return u"the workbook names no sheet"_s;
    return {};
}

QString readSharedStrings(
    QuaZip &zip, const QString &name, std::vector<QString> &strings, qint64 limit)
{
    Part part(zip, name, limit);
    if (!part.found())
        return {}; // a workbook without text cells has none
    QXmlStreamReader &xml = part.xml();
    while (nextStart(xml)) {
        if (xml.name() == "si"_L1)
            strings.push_back(elementText(xml, u"rPh"));
        if (qint64(strings.size()) > MaxCells)
            return u"too many texts"_s;
    }
    return part.problem();
}

QString readDateStyles(QuaZip &zip, const QString &name, std::vector<bool> &dateStyle)
{
    Part part(zip, name, MaxSmallPartBytes);
    if (!part.found())
        return {};
    QXmlStreamReader &xml = part.xml();
    QHash<int, QString> codes;
    bool inCellXfs = false;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType t = xml.readNext();
        if (t == QXmlStreamReader::DTD)
            return u"a part declares a document type"_s;
        if (t == QXmlStreamReader::EndElement && xml.name() == "cellXfs"_L1)
            inCellXfs = false;
        if (t != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        if (xml.name() == "numFmt"_L1) {
            codes.insert(attr(a, "numFmtId"_L1).toInt(), attr(a, "formatCode"_L1).toString());
        } else if (xml.name() == "cellXfs"_L1) {
            inCellXfs = true;
        } else if (inCellXfs && xml.name() == "xf"_L1) {
            const int id = attr(a, "numFmtId"_L1).toInt();
            dateStyle.push_back(isDateFormat(id, codes.value(id)));
        }
    }
    return part.problem();
}

} // namespace

SheetRead readXlsx(const QString &path, int sheet, qint64 maxPartBytes, const Progress &progress)
{
    SheetRead r;
    r.format = SheetFormat::Xlsx;
    Container container;
    if (!openZip(container, path, r))
        return r;
    QuaZip &zip = container.zip;
    Workbook wb;
    if (const QString p = readWorkbook(zip, wb); !p.isEmpty()) {
        r.message = damaged(path, p);
        return r;
    }
    r.sheetNames = wb.names;
    r.sheet = sheet >= 0 && sheet < wb.names.size() ? sheet : 0;
    std::vector<QString> strings;
    std::vector<bool> dateStyle;
    if (QString p = readSharedStrings(zip, wb.sharedStrings, strings, maxPartBytes);
        !p.isEmpty() || !(p = readDateStyles(zip, wb.styles, dateStyle)).isEmpty()) {
        r.message = damaged(path, p);
        return r;
    }
    Part part(zip, wb.parts[r.sheet], maxPartBytes);
    if (!part.found()) {
        r.message = damaged(path, u"the sheet \"%1\" is missing"_s.arg(wb.names[r.sheet]));
        return r;
    }
    QXmlStreamReader &xml = part.xml();
    SheetTable &table = r.table;
    int rowNumber = 0;
    qint64 rowsRead = 0;
    QString why;
    while (why.isEmpty() && nextStart(xml)) {
        if (xml.name() != "row"_L1)
            continue;
        const int given = attr(xml.attributes(), "r"_L1).toInt();
        rowNumber = given > rowNumber ? given : rowNumber + 1;
        table.beginRow(rowNumber);
        int column = 0; // the next column to fill
        int depth = 1;
        while (depth > 0 && !xml.atEnd()) {
            const QXmlStreamReader::TokenType t = xml.readNext();
            if (t == QXmlStreamReader::EndElement) {
                --depth;
                continue;
            }
            if (t != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() != "c"_L1) {
                ++depth;
                continue;
            }
            const QXmlStreamAttributes a = xml.attributes();
            const QStringView ref = attr(a, "r"_L1);
            const int at = ref.isEmpty() ? column : columnOf(ref);
            if (at < column || at >= MaxColumns) {
                why = at < 0 || at < column ? u"a cell stands out of order"_s
                                            : u"a row holds more than %1 columns"_s.arg(MaxColumns);
                break;
            }
            if (!ref.isEmpty() && rowOf(ref) != rowNumber) {
                why = u"a cell stands out of its row"_s;
                break;
            }
            const QString type = attr(a, "t"_L1).toString();
            const int style = attr(a, "s"_L1).toInt();
            QString value;
            QString inlineText;
            bool hasValue = false;
            // The cell's own children: <v>, <is>, <f>.
            int cellDepth = 1;
            while (cellDepth > 0 && !xml.atEnd()) {
                const QXmlStreamReader::TokenType ct = xml.readNext();
                if (ct == QXmlStreamReader::StartElement) {
                    if (xml.name() == "v"_L1) {
                        value = xml.readElementText(QXmlStreamReader::IncludeChildElements);
                        hasValue = true;
                    } else if (xml.name() == "is"_L1) {
                        inlineText = elementText(xml, u"rPh");
                    } else {
                        ++cellDepth;
                    }
                } else if (ct == QXmlStreamReader::EndElement) {
                    --cellDepth;
                }
            }
            QString text;
            if (type == "s"_L1) {
                bool ok = false;
                const qint64 i = value.trimmed().toLongLong(&ok);
                if (!ok || i < 0 || i >= qint64(strings.size())) {
                    why = u"a cell names a text that is not there"_s;
                    break;
                }
                text = strings[size_t(i)];
            } else if (type == "inlineStr"_L1) {
                text = inlineText;
            } else if (type == "b"_L1) {
                text = value.trimmed() == "1"_L1 ? u"TRUE"_s : u"FALSE"_s;
            } else if (type == "d"_L1) {
                text = value.left(10);
            } else if (type == "str"_L1 || type == "e"_L1) {
                text = value;
            } else if (hasValue) {
                const bool isDate
                    = style >= 0 && size_t(style) < dateStyle.size() && dateStyle[size_t(style)];
                if (isDate)
                    text = serialDate(value.toDouble(), wb.date1904);
                if (text.isEmpty())
                    text = numberText(value);
            }
            while (column < at) {
                table.addOwned({});
                ++column;
            }
            table.addOwned(text);
            ++column;
        }
        table.endRow();
        if (table.cellCount() > MaxCells)
            why = u"the sheet holds more than %1 values"_s.arg(MaxCells);
        if (progress && ++rowsRead % 1024 == 0 && !progress(part.permille())) {
            r.table = {};
            r.cancelled = true;
            return r;
        }
    }
    if (const QString p = part.problem(); !p.isEmpty())
        why = p;
    if (!why.isEmpty()) {
        r.table = {};
        r.message = damaged(path, why);
        return r;
    }
    r.ok = true;
    return r;
}

namespace {

// A cell's text in an ODS sheet: paragraphs on their own lines, spaces and tabs as marked.
QString odsCellText(QXmlStreamReader &xml)
{
    QString out;
    int depth = 1;
    int paragraphs = 0;
    int skipping = 0;
    while (depth > 0 && !xml.atEnd()) {
        const QXmlStreamReader::TokenType t = xml.readNext();
        if (t == QXmlStreamReader::StartElement) {
            ++depth;
            const QStringView name = xml.name();
            if (skipping || name == "annotation"_L1) {
                ++skipping;
            } else if (name == "p"_L1 || name == "h"_L1) {
                if (paragraphs++ > 0)
                    out += u'\n';
            } else if (name == "s"_L1) {
                const int c = attr(xml.attributes(), "c"_L1).toInt();
                out += QString(std::clamp(c, 1, 1000), u' ');
            } else if (name == "tab"_L1) {
                out += u'\t';
            } else if (name == "line-break"_L1) {
                out += u'\n';
            }
        } else if (t == QXmlStreamReader::EndElement) {
            --depth;
            if (skipping)
                --skipping;
        } else if (t == QXmlStreamReader::Characters && !skipping) {
            out += xml.text();
        }
    }
    return out;
}

} // namespace

SheetRead readOds(const QString &path, int sheet, qint64 maxPartBytes, const Progress &progress)
{
    SheetRead r;
    r.format = SheetFormat::Ods;
    Container container;
    if (!openZip(container, path, r))
        return r;
    QuaZip &zip = container.zip;
    Part part(zip, u"content.xml"_s, maxPartBytes);
    if (!part.found()) {
        r.message = damaged(path, u"it holds no content part"_s);
        return r;
    }
    QXmlStreamReader &xml = part.xml();
    SheetTable &table = r.table;
    QString why;
    int tableIndex = -1;
    qint64 rowsRead = 0;
    while (why.isEmpty() && nextStart(xml)) {
        if (xml.name() != "table"_L1)
            continue;
        ++tableIndex;
        r.sheetNames.append(attr(xml.attributes(), "name"_L1).toString());
        if (tableIndex != sheet && !(sheet < 0 && tableIndex == 0)) {
            xml.skipCurrentElement();
            continue;
        }
        int rowNumber = 0;
        int depth = 1;
        while (why.isEmpty() && depth > 0 && !xml.atEnd()) {
            const QXmlStreamReader::TokenType t = xml.readNext();
            if (t == QXmlStreamReader::EndElement) {
                --depth;
                continue;
            }
            if (t != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() != "table-row"_L1) {
                // Row groups and header rows hold rows; columns and shapes hold none.
                if (xml.name() == "table-row-group"_L1 || xml.name() == "table-header-rows"_L1
                    || xml.name() == "table-rows"_L1)
                    ++depth;
                else
                    xml.skipCurrentElement();
                continue;
            }
            const int rowRepeat
                = std::max(1, attr(xml.attributes(), "number-rows-repeated"_L1).toInt());
            table.beginRow(rowNumber + 1);
            int column = 0; // where the next cell stands
            int laid = 0; // cells laid down in the row so far
            while (why.isEmpty() && !xml.atEnd()) {
                const QXmlStreamReader::TokenType ct = xml.readNext();
                if (ct == QXmlStreamReader::EndElement)
                    break; // the row's end
                if (ct != QXmlStreamReader::StartElement)
                    continue;
                if (xml.name() != "table-cell"_L1 && xml.name() != "covered-table-cell"_L1) {
                    xml.skipCurrentElement();
                    continue;
                }
                const QXmlStreamAttributes a = xml.attributes();
                const int repeat = std::max(1, attr(a, "number-columns-repeated"_L1).toInt());
                const QString type = attr(a, "value-type"_L1).toString();
                const QString number = attr(a, "value"_L1).toString();
                const QString date = attr(a, "date-value"_L1).toString();
                const bool truth = attr(a, "boolean-value"_L1) == "true"_L1;
                QString text = odsCellText(xml);
                if (type == "float"_L1 || type == "percentage"_L1 || type == "currency"_L1)
                    text = numberText(number);
                else if (type == "date"_L1)
                    text = date.left(10);
                else if (type == "boolean"_L1)
                    text = truth ? u"TRUE"_s : u"FALSE"_s;
                if (text.isEmpty()) {
                    // Empty cells repeated to the sheet's edge cost nothing.
                    column = int(std::min<qint64>(qint64(column) + repeat, MaxColumns + 1));
                    continue;
                }
                if (qint64(column) + repeat > MaxColumns) {
                    why = u"a row holds more than %1 columns"_s.arg(MaxColumns);
                    break;
                }
                for (; laid < column; ++laid)
                    table.addOwned({});
                for (int i = 0; i < repeat; ++i, ++laid)
                    table.addOwned(text);
                column += repeat;
            }
            table.endRow();
            const int first = rowNumber + 1;
            // A repeated row with values in it stands that many times.
            for (int k = 1; k < rowRepeat && why.isEmpty(); ++k) {
                if (!table.repeatLastRow(first + k))
                    break;
                if (table.cellCount() > MaxCells)
                    why = u"the sheet holds more than %1 values"_s.arg(MaxCells);
            }
            rowNumber = int(std::min<qint64>(qint64(first) - 1 + rowRepeat, 1 << 30));
            if (progress && ++rowsRead % 1024 == 0 && !progress(part.permille())) {
                r.table = {};
                r.cancelled = true;
                return r;
            }
        }
    }
    if (const QString p = part.problem(); !p.isEmpty())
        why = p;
    if (!why.isEmpty()) {
        r.table = {};
        r.message = damaged(path, why);
        return r;
    }
    if (r.sheetNames.isEmpty()) {
        r.message = damaged(path, u"it holds no sheet"_s);
        return r;
    }
    if (sheet < 0 || sheet >= r.sheetNames.size())
        return readOds(path, 0, maxPartBytes, progress);
    r.sheet = sheet;
    r.ok = true;
    return r;
}

} // namespace SheetImport
