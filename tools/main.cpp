// larkspur-tool: the command-line companion (dump, build, check, sort) over database files.
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <memory>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QFile>
#include <QStringList>

#include "store/datafile.h"
#include "store/editcommands.h"
#include "store/recordstore.h"
#include "store/smallfile.h"
#include "store/sort.h"
#include "tools/buildcommand.h"
#include "tools/databasechange.h"
#include "tools/databasejson.h"
#include "tools/findcommand.h"
#include "tools/readorreport.h"
#include "tools/htmlreportcommand.h"
#include "tools/insurancepackcommand.h"
#include "tools/relatedcommand.h"
#include "tools/picturescommand.h"
#include "tools/photointakecommand.h"
#include "tools/importsheetcommand.h"
#include "tools/reportcommand.h"
#include "tools/searchcommand.h"
#include "tools/sendcommand.h"
#include "tools/totalscommand.h"
#include "tools/versionscommand.h"
#include "tools/websearchcommand.h"

using namespace Qt::StringLiterals;

namespace {

enum ExitCode { Success = 0, Failure = 1, Usage = 2 };

void printOut(const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

void printOutLine(const QString &line)
{
    printToolLine(line);
}

void printErrLine(const QString &line)
{
    printToolLine(line, true);
}

QString recordCount(int n)
{
    return u"%1 records"_s.arg(n);
}

int dumpCommand(const QStringList &args)
{
    const QString &path = args[0];
    RecordStore store;
    if (!readDatabaseOrReport(path, store))
        return Failure;
    // The reader has just read the file, so its head reads too.
    const QString version = DataFile::readVersion(path).value_or(QString());
    printOut(DatabaseJson::toJson(store, version));
    return Success;
}

int checkCommand(const QStringList &args)
{
    const QString &path = args[0];
    RecordStore store;
    if (!readDatabaseOrReport(path, store))
        return Failure;
    printOutLine(path + u": "_s + recordCount(store.count()));
    return Success;
}

QString sortKeyCaption(const FieldCaptions &captions, int key)
{
    if (key < SortKey::FirstDetail)
        return captions.description[size_t(key)];
    if (key < SortKey::Name)
        return captions.detail[size_t(key - SortKey::FirstDetail)];
    return u"Name"_s;
}

int usage(); // below the table of commands

int sortCommand(const QStringList &args)
{
    bool isNumber = false;
    const int key = args[0].toInt(&isNumber);
    if (!isNumber || !SortKey::isValid(key)) {
        printErrLine(u"larkspur-tool: sort key must be a whole number from %1 to %2, not \"%3\""_s
                         .arg(SortKey::First)
                         .arg(SortKey::Last)
                         .arg(args[0]));
        return usage();
    }
    const QString &in = args[1];
    const QString &out = args.size() > 2 ? args[2] : in;
    RecordStore store;
    DatabaseChange change;
    if (!change.begin(in, out, store))
        return Failure;
    // The window's sort step, done once with no history.
    SortCommand(store, key, QString()).run();
    if (!change.write(store))
        return Failure;
    printOutLine(out + u": "_s + recordCount(store.count()) + u" sorted by "_s
        + sortKeyCaption(store.captions, key));
    return Success;
}

// Each subcommand with its arguments; a new one is one more line here.
struct Command
{
    QLatin1StringView name;
    QLatin1StringView arguments;
    int minArgs;
    int maxArgs;
    int (*run)(const QStringList &args);
    QLatin1StringView summary;
};

const Command commands[] = {
    { "dump"_L1, "FILE.dat"_L1, 1, 1, dumpCommand, "print the database as JSON (UTF-8)"_L1 },
    { "build"_L1, "IN.json OUT.dat"_L1, 2, 2, buildCommand,
        "write a database from JSON in the shape dump prints"_L1 },
    { "check"_L1, "FILE.dat"_L1, 1, 1, checkCommand, "tell whether a database file reads"_L1 },
    { "sort"_L1, "KEY IN.dat [OUT.dat]"_L1, 2, 3, sortCommand,
        "sort by key 1..21 (1-10 descriptions, 11-20 details 0-9, 21 name); "
        "writes IN.dat when OUT.dat is not given"_L1 },
    { "search"_L1, "FILE.dat [options]"_L1, 1, 1000, searchCommand,
        "list the records a search finds (search --help for the options)"_L1 },
    { "report"_L1, "FORMAT.rpt IN.dat (--pdf OUT.pdf | --csv OUT.csv | --html OUT.htm) [--page letter|a4] [--short-descriptions]"_L1,
        4, 7, reportCommand, "compose the regular report of every record with a report format"_L1 },
    { "export"_L1, "IN.dat OUT.csv"_L1, 2, 2, exportCommand,
        "write every record as a comma-delimited line of 21 fields"_L1 },
    { "import"_L1, "FORMAT.rpt IN.dat FILE.txt [OUT.dat]"_L1, 3, 4, importCommand,
        "append the lines of a comma-delimited file, columns as the format's items"_L1 },
    { "import-export"_L1, "IN.csv OUT.dat"_L1, 2, 2, importExportCommand,
        "append the records of a file that export wrote to OUT.dat (made new when missing)"_L1 },
    { "html-report"_L1, "FORMAT.hrf IN.dat OUT.htm [--short-descriptions]"_L1, 0, 1000,
        htmlReportCommand, "write the HTML report page of every record in a format's design"_L1 },
    { "totals"_L1, "FILE.dat K [--node \"FULL NAME\"]"_L1, 2, 4, totalsCommand,
        "count records and total paid and value per sub-category of description K"_L1 },
    { "related"_L1, "FILE.dat RECORD FIELD"_L1, 3, 3, relatedCommand,
        "list the records sharing field 1..21 (or its caption) with record RECORD"_L1 },
    { "websearch"_L1, "FILE.dat RECORD [ENGINE]"_L1, 2, 3, websearchCommand,
        "print a record's search term and the engine's search address"_L1 },
    { "find"_L1, "FILE.dat WORDS..."_L1, 2, 1000, findCommand,
        "list the records holding every word (any order, case and accents ignored)"_L1 },
    { "pictures"_L1, "FILE.dat"_L1, 1, 1, picturesCommand,
        "check that every picture of the catalogue is there and reads"_L1 },
    { "insurance-pack"_L1, "IN.dat OUTDIR [--group-by K] [--cover-file FILE] [--photos full|small|none] [--page a4] [--timestamp URL]"_L1,
        2, 1000, insurancePackCommand,
        "make the insurance pack: PDF, offline web page, CSV, database copy and manifest"_L1 },
    { "photo-intake"_L1, "FOLDER IN.dat OUT.dat [--gap SECONDS] [--copy-unstorable DIR]"_L1, 3, 7,
        photoIntakeCommand,
        "add a record per group of photos in a folder and its sub-folders"_L1 },
    { "versions"_L1, "FILE.dat [--restore N OUT.dat]"_L1, 1, 4, versionsCommand,
        "list the earlier versions kept of a database (newest first: date, size, records, "
        "path), or write version N out"_L1 },
    { "import-sheet"_L1,
        "IN.(csv|tsv|xlsx|ods) DB.dat OUT.dat [--map MAPPING.json] [--sheet N] [--dates dmy|mdy|ymd] [--add-categories] | IN [DB.dat] --print-columns"_L1,
        2, 12, importSheetCommand,
        "append the records of a spreadsheet, its columns mapped to fields"_L1 },
    { "send"_L1, "FORMAT.rpt IN.dat (--mail | --news) [options]"_L1, 1, 1000, sendCommand,
        "mail the composed report or post it to a newsgroup (send --help for the options)"_L1 },
};

QString usageText()
{
    QString text;
    for (const Command &c : commands) {
        text += (text.isEmpty() ? u"usage: "_s : u"       "_s) + u"larkspur-tool "_s + c.name
            + u" "_s + c.arguments + u"\n"_s;
    }
    qsizetype width = 0;
    for (const Command &c : commands)
        width = std::max(width, c.name.size());
    for (const Command &c : commands)
        text += u"  "_s + QString(c.name).leftJustified(width + 1) + c.summary + u"\n"_s;
    return text;
}

int usage()
{
    const QByteArray text = usageText().toUtf8();
    std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
    return Usage;
}

} // namespace

// Commands that measure and draw text need fonts, so a GUI application (without a display).
static bool needsFonts(int argc, char *argv[])
{
    return argc > 1 && (qstrcmp(argv[1], "report") == 0 || qstrcmp(argv[1], "send") == 0
        || qstrcmp(argv[1], "insurance-pack") == 0);
}

int main(int argc, char *argv[])
{
    // Past a file-size limit a write must fail, so the old file is put back and the reason told,
    // rather than the process dying half-way through a file.
    std::signal(SIGXFSZ, SIG_IGN);
    std::unique_ptr<QCoreApplication> application;
    if (needsFonts(argc, argv)) {
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty())
        return usage();
    const QString &name = args[0];
    if (name == "--version"_L1 || name == "-v"_L1) {
        printOutLine(u"larkspur-tool "_s + QStringLiteral(LARKSPUR_VERSION));
        return Success;
    }
    if (name == "help"_L1 || name == "-h"_L1 || name == "--help"_L1) {
        printOut(usageText().toUtf8());
        return Success;
    }
    for (const Command &c : commands) {
        if (name != c.name)
            continue;
        const QStringList rest = args.mid(1);
        if (rest.size() < c.minArgs || rest.size() > c.maxArgs)
            return usage();
        return c.run(rest);
    }
    printErrLine(u"larkspur-tool: unknown command \"%1\""_s.arg(name));
    return usage();
}
