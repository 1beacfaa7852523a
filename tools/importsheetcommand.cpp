// larkspur-tool import-sheet.
#include "tools/importsheetcommand.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include "sheetimport/sheetrecords.h"
#include "sheetimport/sheettable.h"
#include "store/recordstore.h"
#include "tools/databasechange.h"
#include "tools/readorreport.h"

using namespace Qt::StringLiterals;
using namespace SheetImport;

namespace {

int usage()
{
    printToolLine(
        u"usage: larkspur-tool import-sheet IN.(csv|tsv|xlsx|ods) DB.dat OUT.dat [--map "
        u"MAPPING.json] [--sheet N] [--dates dmy|mdy|ymd] [--add-categories]\n"
        "       larkspur-tool import-sheet IN.(csv|tsv|xlsx|ods) [DB.dat] --print-columns [--map MAPPING.json] [--sheet N]"_s,
        true);
    return 2;
}

QString describe(const SheetRead &read, const Mapping &mapping)
{
    QString text;
    if (read.format == SheetFormat::Text) {
        const QString delimiter
            = read.delimiter == u'\t' ? u"tab"_s : u"\""_s + read.delimiter + u'"';
        text = u"text, %1, delimiter %2"_s.arg(encodingName(read.encoding), delimiter);
    } else {
        text = u"%1, sheet %2 \"%3\" of %4"_s
                   .arg(read.format == SheetFormat::Xlsx ? u"XLSX"_s : u"ODS"_s)
                   .arg(read.sheet + 1)
                   .arg(read.sheetNames.value(read.sheet))
                   .arg(read.sheetNames.size());
    }
    return text + (mapping.headings ? u", first row holds headings"_s : u", no headings"_s);
}

} // namespace

int importSheetCommand(const QStringList &args)
{
    QStringList plain;
    QString mapPath;
    QString sheetArg;
    QString datesArg;
    bool printColumns = false;
    bool addCategories = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == "--map"_L1 || a == "--sheet"_L1 || a == "--dates"_L1) {
            if (i + 1 >= args.size())
                return usage();
            (a == "--map"_L1 ? mapPath : a == "--sheet"_L1 ? sheetArg : datesArg) = args[++i];
        } else if (a == "--print-columns"_L1) {
            printColumns = true;
        } else if (a == "--add-categories"_L1) {
            addCategories = true;
        } else if (a.startsWith("--"_L1)) {
            return usage();
        } else {
            plain.append(a);
        }
    }
    if (printColumns ? (plain.isEmpty() || plain.size() > 2) : plain.size() != 3)
        return usage();
    bool datesOk = true;
    const DateOrder dates = dateOrderFromKey(datesArg.isEmpty() ? u"auto"_s : datesArg, &datesOk);
    if (!datesOk || datesArg == "auto"_L1) {
        printToolLine(u"import-sheet: --dates takes dmy, mdy or ymd"_s, true);
        return 2;
    }
    int sheet = -1; // by number from 1, or by name once the sheets are known
    if (!sheetArg.isEmpty()) {
        bool ok = false;
        sheet = sheetArg.toInt(&ok) - 1;
        if (!ok || sheet < 0)
            sheet = -2;
    }

    RecordStore store;
    // OUT stays locked from DB's read to its write, as with every command that changes a file.
    DatabaseChange change;
    if (printColumns ? plain.size() >= 2 && !readDatabaseOrReport(plain[1], store)
                     : !change.begin(plain[1], plain[2], store))
        return 1;
    if (!printColumns)
        change.keepEarlierVersionNow();
    QByteArray mapJson;
    if (!mapPath.isEmpty()) {
        QFile f(mapPath);
        if (!QFileInfo(mapPath).isFile() || QFileInfo(mapPath).size() > (1 << 20)
            || !f.open(QIODevice::ReadOnly)) {
            printToolLine(u"Cannot read mapping file %1"_s.arg(mapPath), true);
            return 1;
        }
        mapJson = f.readAll();
    }
    // The mapping file's read options, unless the command line names others.
    ReadOptions options;
    Mapping fromFile;
    SheetTable none;
    if (!mapJson.isEmpty()) {
        QString error;
        if (!mappingFromJson(mapJson, none, fromFile, &error)) {
            printToolLine(error, true);
            return 1;
        }
        options.encoding = encodingFromName(fromFile.encoding);
        if (!fromFile.delimiter.isEmpty())
            options.delimiter = fromFile.delimiter[0];
        options.sheet = std::max(0, fromFile.sheet);
    }
    if (sheet >= 0)
        options.sheet = sheet;
    SheetRead read = readSheet(plain[0], options);
    if (read.ok && sheet == -2) {
        const qsizetype named = read.sheetNames.indexOf(sheetArg);
        if (named < 0) {
            printToolLine(u"import-sheet: %1 has no sheet \"%2\""_s.arg(plain[0], sheetArg), true);
            return 1;
        }
        options.sheet = int(named);
        read = readSheet(plain[0], options);
    }
    if (!read.ok) {
        printToolLine(read.message, true);
        return 1;
    }
    if (read.format != SheetFormat::Text && sheet >= read.sheetNames.size()) {
        printToolLine(
            u"import-sheet: %1 has %2 sheets"_s.arg(plain[0]).arg(read.sheetNames.size()), true);
        return 1;
    }
    Mapping mapping = guessMapping(read.table, store.captions);
    if (!mapJson.isEmpty()) {
        QString error;
        if (!mappingFromJson(mapJson, read.table, mapping, &error)) {
            printToolLine(error, true);
            return 1;
        }
    }
    if (!datesArg.isEmpty())
        mapping.dates = dates;
    if (addCategories)
        mapping.addCategories = true;

    if (printColumns) {
        printToolLine(describe(read, mapping), true);
        for (int c = 0; c < read.table.columnCount(); ++c)
            printToolLine(columnLetters(c) + u'\t' + columnHeading(read.table, mapping, c) + u'\t'
                + targetCaption(mapping.target(c), store.captions));
        return 0;
    }

    BuildOptions build;
    build.today = QDate::currentDate();
    build.random = [](int bound) { return int(QRandomGenerator::global()->bounded(bound)); };
    build.sheetFolder = QFileInfo(plain[0]).absolutePath();
    Built built = buildRecords(read.table, mapping, store, build);
    if (built.stopped) {
        printToolLine(built.stopMessage, true);
        return 1;
    }
    static const QString told[] = { u"put into Notes"_s, u"left empty"_s, u"stopped"_s };
    for (const RefusedValue &r : built.refused)
        printToolLine(refusedText(read.table, mapping, r) + u": "_s + told[int(r.choice)], true);
    for (const QString &added : built.addedCategories)
        printToolLine(u"Category added to "_s + added, true);
    const QString counts = countsText(built);
    read = SheetRead(); // the sheet's text is not needed any more: the records hold theirs
    appendImportedRecords(store, std::move(built));
    if (!change.write(store))
        return 1;
    printToolLine(counts);
    return 0;
}
