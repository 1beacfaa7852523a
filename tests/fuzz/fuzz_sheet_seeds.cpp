// Writes the seed corpus of fuzz_sheet: small CSV, TSV, XLSX and ODS files as the tests make
// them, each behind the first byte that picks its reader.
#include <cstdio>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "tests/sheetimport/sheetfiles.h"

namespace {

bool writeSeed(const QDir &dir, const QString &name, char reader, const QByteArray &bytes)
{
    return SheetFiles::writeBytes(dir.filePath(name), QByteArray(1, reader) + bytes);
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_sheet_seeds CORPUS\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(dir.path());
    // The reader byte: 0 text (4 adds tab by default, 8 new categories), 1 XLSX, 2 ODS.
    const QByteArray csv = "Item;Room;Price;Date;Wanted;Picture;Link\n"
                           "Lamp;Kitchen > Drawer;\"1.234,56 \xE2\x82\xAC\";14.03.2024;x;a.jpg;"
                           "https://example.org\n"
                           "\"Chair, \"\"old\"\"\";Hall;$3;3/14/2024;no;;\n";
    const QByteArray tsv = "Name\tSerial #\tDate Received\tQuantity\n"
                           "Radio\tSN-1\t2024-03-14\t2\nClock\t\t14/03/2024\tmany\n";
    QByteArray utf16 = "\xFF\xFE";
    for (char c : QByteArray("Item,Paid\nPen,1\n"))
        utf16 += QByteArray(1, c) + '\0';
    if (!writeSeed(dir, QStringLiteral("seed.csv"), 0, csv)
        || !writeSeed(dir, QStringLiteral("seed-new-categories.csv"), 8, csv)
        || !writeSeed(dir, QStringLiteral("seed.tsv"), 4, tsv)
        || !writeSeed(dir, QStringLiteral("seed-utf16.csv"), 0, utf16)
        || !writeSeed(dir, QStringLiteral("seed-1252.csv"), 0, "Item;Price\nCaf\xE9;\x80 5\n"))
        return 1;

    const QList<SheetFiles::Sheet> sheets = {
        { QStringLiteral("Things"),
            { { QStringLiteral("Item"), QStringLiteral("Price"), QStringLiteral("Date"),
                  QStringLiteral("For Sale") },
                { QStringLiteral("Lamp"), QStringLiteral("n:19.99"), QStringLiteral("d:45365"),
                    QStringLiteral("b:1") },
                { QStringLiteral("i:Chair & table"), QString(), QStringLiteral("2024-03-14"),
                    QStringLiteral("b:0") } } },
        { QStringLiteral("Second"), { { QStringLiteral("Name") }, { QStringLiteral("Pen") } } }
    };
    QTemporaryDir work;
    const QString xlsx = work.filePath(QStringLiteral("s.xlsx"));
    const QString ods = work.filePath(QStringLiteral("s.ods"));
    if (!work.isValid() || !SheetFiles::writeXlsx(xlsx, sheets)
        || !SheetFiles::writeOds(ods, sheets)
        || !writeSeed(dir, QStringLiteral("seed.xlsx"), 1, fileBytes(xlsx))
        || !writeSeed(dir, QStringLiteral("seed.ods"), 2, fileBytes(ods)))
        return 1;
    // Stored uncompressed, so that mutations reach the XML itself.
    const QString storedXlsx = work.filePath(QStringLiteral("stored.xlsx"));
    const QString storedOds = work.filePath(QStringLiteral("stored.ods"));
    if (!SheetFiles::writeZip(storedXlsx, SheetFiles::xlsxEntries(sheets), true)
        || !SheetFiles::writeZip(storedOds,
            { { QStringLiteral("mimetype"), "application/vnd.oasis.opendocument.spreadsheet" },
                { QStringLiteral("content.xml"), SheetFiles::odsContent(sheets) } },
            true)
        || !writeSeed(dir, QStringLiteral("seed-stored.xlsx"), 1, fileBytes(storedXlsx))
        || !writeSeed(dir, QStringLiteral("seed-stored.ods"), 2, fileBytes(storedOds)))
        return 1;
    return 0;
}
