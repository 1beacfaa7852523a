// Spreadsheet files made by the tests themselves: XLSX and ODS containers written with QuaZip
// from XML laid out here, cell by cell.
#pragma once

#include <utility>

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>

#include <quazip.h>
#include <quazipfile.h>
#include <quazipnewinfo.h>

namespace SheetFiles {

using Entries = QList<std::pair<QString, QByteArray>>;

// A zip container; `stored` writes the parts uncompressed, so a test can damage their bytes.
inline bool writeZip(const QString &path, const Entries &entries, bool stored = false)
{
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdCreate))
        return false;
    for (const auto &[name, data] : entries) {
        QuaZipFile f(&zip);
        if (!f.open(QIODevice::WriteOnly, QuaZipNewInfo(name), nullptr, 0, stored ? 0 : 8,
                stored ? 0 : 6))
            return false;
        if (f.write(data) != data.size())
            return false;
        f.close();
        if (f.getZipError() != 0)
            return false;
    }
    zip.close();
    return zip.getZipError() == 0;
}

inline QByteArray escaped(const QString &s)
{
    return s.toHtmlEscaped().toUtf8();
}

// Cells: "n:19.99" a number, "d:45365" a number in a date style, "b:1" a truth value,
// "i:text" an inline string, "" nothing, anything else a shared string.
struct Sheet
{
    QString name;
    QList<QStringList> rows;
};

inline Entries xlsxEntries(const QList<Sheet> &sheets, bool date1904 = false)
{
    QStringList shared;
    Entries e;
    QByteArray workbook
        = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
          "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
          "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">";
    if (date1904)
        workbook += "<workbookPr date1904=\"1\"/>";
    workbook += "<sheets>";
    QByteArray rels
        = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
          "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (qsizetype s = 0; s < sheets.size(); ++s) {
        const QByteArray n = QByteArray::number(s + 1);
        workbook += "<sheet name=\"" + escaped(sheets[s].name) + "\" sheetId=\"" + n
            + "\" r:id=\"rId" + n + "\"/>";
        // Sheets live under another name than the usual one: the relations must be followed.
        rels += "<Relationship Id=\"rId" + n
            + "\" "
              "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
              "worksheet\" Target=\"worksheets/data"
            + n + ".xml\"/>";
        QByteArray xml
            = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<worksheet "
              "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
        for (qsizetype r = 0; r < sheets[s].rows.size(); ++r) {
            const QByteArray rn = QByteArray::number(r + 1);
            xml += "<row r=\"" + rn + "\">";
            const QStringList &cells = sheets[s].rows[r];
            for (qsizetype c = 0; c < cells.size(); ++c) {
                const QString &v = cells[c];
                if (v.isEmpty())
                    continue;
                const QByteArray ref = QByteArray(1, char('A' + c)) + rn;
                if (v.startsWith(QLatin1String("n:")))
                    xml += "<c r=\"" + ref + "\"><v>" + v.mid(2).toUtf8() + "</v></c>";
                else if (v.startsWith(QLatin1String("d:")))
                    xml += "<c r=\"" + ref + "\" s=\"1\"><v>" + v.mid(2).toUtf8() + "</v></c>";
                else if (v.startsWith(QLatin1String("b:")))
                    xml += "<c r=\"" + ref + "\" t=\"b\"><v>" + v.mid(2).toUtf8() + "</v></c>";
                else if (v.startsWith(QLatin1String("i:")))
                    xml += "<c r=\"" + ref + "\" t=\"inlineStr\"><is><t>" + escaped(v.mid(2))
                        + "</t></is></c>";
                else {
                    qsizetype i = shared.indexOf(v);
                    if (i < 0) {
                        shared.append(v);
                        i = shared.size() - 1;
                    }
                    xml += "<c r=\"" + ref + "\" t=\"s\"><v>" + QByteArray::number(i) + "</v></c>";
                }
            }
            xml += "</row>";
        }
        xml += "</sheetData></worksheet>";
        e.append({ QStringLiteral("xl/worksheets/data%1.xml").arg(s + 1), xml });
    }
    workbook += "</sheets></workbook>";
    rels += "<Relationship Id=\"rIdS\" "
            "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
            "sharedStrings\" Target=\"sharedStrings.xml\"/>"
            "<Relationship Id=\"rIdT\" "
            "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
            "Target=\"styles.xml\"/>"
            "</Relationships>";
    QByteArray sst = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";
    for (const QString &s : shared) {
        // Rich text runs and a phonetic run that is no part of the text.
        if (s.contains(QLatin1Char('|'))) {
            sst += "<si>";
            for (const QString &run : s.split(QLatin1Char('|')))
                sst += "<r><t xml:space=\"preserve\">" + escaped(run) + "</t></r>";
            sst += "<rPh sb=\"0\" eb=\"1\"><t>PHONETIC</t></rPh></si>";
        } else {
            sst += "<si><t xml:space=\"preserve\">" + escaped(s) + "</t></si>";
        }
    }
    sst += "</sst>";
    const QByteArray styles
        = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
          "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
          "<numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"&quot;Total&quot; "
          "0.00\"/></numFmts>"
          "<cellStyleXfs count=\"1\"><xf numFmtId=\"14\"/></cellStyleXfs>"
          "<cellXfs count=\"3\"><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/><xf "
          "numFmtId=\"164\"/></cellXfs>"
          "</styleSheet>";
    e.prepend({ QStringLiteral("xl/styles.xml"), styles });
    e.prepend({ QStringLiteral("xl/sharedStrings.xml"), sst });
    e.prepend({ QStringLiteral("xl/_rels/workbook.xml.rels"), rels });
    e.prepend({ QStringLiteral("xl/workbook.xml"), workbook });
    e.prepend({ QStringLiteral("[Content_Types].xml"),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Types "
        "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>" });
    return e;
}

inline bool writeXlsx(const QString &path, const QList<Sheet> &sheets)
{
    return writeZip(path, xlsxEntries(sheets));
}

// Cells: "n:19.99|19,99 €" a number and its shown text, "d:2024-03-14" a date, "b:true",
// "" an empty cell, anything else text; "\n" in a text makes two paragraphs.
inline QByteArray odsContent(const QList<Sheet> &sheets, const QByteArray &extraRows = {})
{
    QByteArray xml
        = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
          "<office:document-content "
          "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
          "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
          "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" office:version=\"1.2\">"
          "<office:body><office:spreadsheet>";
    for (const Sheet &s : sheets) {
        xml += "<table:table table:name=\"" + escaped(s.name)
            + "\"><table:table-column table:number-columns-repeated=\"1024\"/>";
        for (const QStringList &row : s.rows) {
            xml += "<table:table-row>";
            for (const QString &v : row) {
                if (v.isEmpty()) {
                    xml += "<table:table-cell/>";
                } else if (v.startsWith(QLatin1String("n:"))) {
                    const QStringList p = v.mid(2).split(QLatin1Char('|'));
                    xml += "<table:table-cell office:value-type=\"float\" office:value=\""
                        + p[0].toUtf8() + "\"><text:p>" + escaped(p.value(1, p[0]))
                        + "</text:p></table:table-cell>";
                } else if (v.startsWith(QLatin1String("d:"))) {
                    xml += "<table:table-cell office:value-type=\"date\" office:date-value=\""
                        + v.mid(2).toUtf8()
                        + "\"><text:p>shown otherwise</text:p></table:table-cell>";
                } else if (v.startsWith(QLatin1String("b:"))) {
                    xml += "<table:table-cell office:value-type=\"boolean\" office:boolean-value=\""
                        + v.mid(2).toUtf8() + "\"><text:p>" + v.mid(2).toUpper().toUtf8()
                        + "</text:p></table:table-cell>";
                } else {
                    xml += "<table:table-cell office:value-type=\"string\">";
                    for (const QString &para : v.split(QLatin1Char('\n')))
                        xml += "<text:p>" + escaped(para) + "</text:p>";
                    xml += "</table:table-cell>";
                }
            }
            // Empty cells to the sheet's right edge, as spreadsheet programs write them.
            xml += "<table:table-cell table:number-columns-repeated=\"16000\"/></table:table-row>";
        }
        xml += extraRows;
        // Empty rows to the sheet's foot.
        xml += "<table:table-row table:number-rows-repeated=\"1048000\"><table:table-cell "
               "table:number-columns-repeated=\"1024\"/></table:table-row>";
        xml += "</table:table>";
    }
    xml += "</office:spreadsheet></office:body></office:document-content>";
    return xml;
}

inline bool writeOds(
    const QString &path, const QList<Sheet> &sheets, const QByteArray &extraRows = {})
{
    return writeZip(path,
        { { QStringLiteral("mimetype"), "application/vnd.oasis.opendocument.spreadsheet" },
            { QStringLiteral("content.xml"), odsContent(sheets, extraRows) } });
}

inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace SheetFiles
