// larkspur-tool report / export / import.
#include "tools/reportcommand.h"
#include "tools/readorreport.h"

#include <cstdio>

#include <QByteArray>
#include <QCoreApplication>
#include <QDate>
#include <QFileInfo>
#include <QPageSize>
#include <QString>

#include "reports/exporttable.h"
#include "reports/reportformat.h"
#include "reports/reportlayout.h"
#include "store/csvfile.h"
#include "store/datafile.h"
#include "store/recordstore.h"
#include "tools/databasechange.h"

using namespace Qt::StringLiterals;

namespace {

enum ExitCode { Success = 0, Failure = 1, Usage = 2 };

void writeLine(std::FILE *stream, const QString &text)
{
    writeTo(stream, text + u'\n');
}

int usageError(const QString &command, const QString &problem, const QString &usage)
{
    writeLine(stderr, u"larkspur-tool "_s + command + u": "_s + problem);
    writeLine(stderr, u"usage: larkspur-tool "_s + command + u' ' + usage);
    return Usage;
}

bool readDatabase(const QString &path, RecordStore &store)
{
    if (!readDatabaseOrReport(path, store))
        return false;
    store.databaseOpen = true;
    store.fileName = path;
    return true;
}

bool readFormat(const QString &path, ReportDefinition &definition)
{
    const ReportFormat::Result result = ReportFormat::load(path, definition);
    if (!result.ok()) {
        writeLine(stderr, result.message);
        return false;
    }
    return true;
}

const QString reportUsage = u"FORMAT.rpt IN.dat (--pdf OUT.pdf | --csv OUT.csv | --html OUT.htm) "
                            "[--page letter|a4] [--short-descriptions]"_s;

} // namespace

int reportCommand(const QStringList &args)
{
    const QString command = u"report"_s;
    QStringList positional;
    QString kind, out, page = u"letter"_s;
    bool shortDescriptions = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == u"--pdf" || a == u"--csv" || a == u"--html") {
            if (!kind.isEmpty())
                return usageError(command, u"give one of --pdf, --csv and --html"_s, reportUsage);
            if (i + 1 >= args.size())
                return usageError(command, a + u" needs a file name"_s, reportUsage);
            kind = a.mid(2);
            out = args[++i];
        } else if (a == u"--page") {
            if (i + 1 >= args.size())
                return usageError(command, u"--page needs letter or a4"_s, reportUsage);
            page = args[++i].toLower();
            if (page != u"letter" && page != u"a4")
                return usageError(
                    command, u"--page takes letter or a4, not \"%1\""_s.arg(args[i]), reportUsage);
        } else if (a == u"--short-descriptions") {
            shortDescriptions = true;
        } else if (a.startsWith(u"--")) {
            return usageError(command, u"unknown option \"%1\""_s.arg(a), reportUsage);
        } else {
            positional.append(a);
        }
    }
    if (positional.size() != 2 || kind.isEmpty())
        return usageError(
            command, u"a format file, a database file and one output are needed"_s, reportUsage);

    ReportDefinition definition;
    if (!readFormat(positional[0], definition))
        return Failure;
    RecordStore store;
    if (!readDatabase(positional[1], store))
        return Failure;

    const QPageSize paper(page == u"a4" ? QPageSize::A4 : QPageSize::Letter);
    const QSizeF inches = paper.size(QPageSize::Inch);
    const PageGeometry geometry = ReportLayout::oriented(
        PageGeometry::fromInches(inches.width(), inches.height()), definition.orientation);
    ReportLayout::Options options;
    options.today = QDate::currentDate();
    options.pageLimit = false;
    options.shortDescriptions = shortDescriptions;
    const ReportLayout::Result result = ReportLayout::compose(store, definition, geometry, options);

    QString error;
    bool ok = false;
    if (kind == u"pdf") {
        ok = writePdf(*result.pages, paper, definition.orientation == ReportOrientation::Landscape,
            out, &error);
    } else if (kind == u"csv") {
        ok = ExportWriters::writeFile(out, ExportWriters::csv(result.table), &error);
    } else {
        ok = ExportWriters::writeFile(out, ExportWriters::html(result.table, {}), &error);
    }
    if (!ok) {
        writeLine(stderr, error);
        return Failure;
    }
    writeLine(stdout,
        out + u": "_s + QString::number(result.recordsComposed) + u" records, "_s
            + QString::number(result.pages->PageCount()) + u" pages"_s);
    return Success;
}

int exportCommand(const QStringList &args)
{
    RecordStore store;
    if (!readDatabase(args[0], store))
        return Failure;
    QString error;
    if (!CsvFile::exportFile(args[1], store, &error)) {
        writeLine(stderr, error);
        return Failure;
    }
    writeLine(stdout, args[1] + u": "_s + QString::number(store.count()) + u" records exported"_s);
    return Success;
}

int importExportCommand(const QStringList &args)
{
    const QString &in = args[0];
    const QString &out = args[1];
    RecordStore store;
    DatabaseChange change;
    if (QFileInfo::exists(out)) {
        if (!change.begin(out, out, store))
            return Failure;
        store.fileName = out;
    } else {
        if (!change.begin(QString(), out, store))
            return Failure;
        // A new database as File > New makes one: default captions and category files.
        DataFile::loadDefaultCategoryTexts(QCoreApplication::applicationDirPath(), store);
    }
    store.databaseOpen = true;
    const int before = store.count();
    const CsvFile::ImportResult imported
        = CsvFile::importExportedFile(in, store, QDate::currentDate());
    if (!imported.ok) {
        writeLine(stderr, imported.message);
        return Failure;
    }
    if (store.isEmpty()) {
        writeLine(stderr, in + u" holds no record; a database holds one at least."_s);
        return Failure;
    }
    if (!change.write(store))
        return Failure;
    writeLine(stdout,
        out + u": "_s + QString::number(store.count() - before) + u" records imported, "_s
            + QString::number(store.count()) + u" in all"_s);
    return Success;
}

int importCommand(const QStringList &args)
{
    ReportDefinition definition;
    if (!readFormat(args[0], definition))
        return Failure;
    RecordStore store;
    const QString out = args.size() > 3 ? args[3] : args[1];
    DatabaseChange change;
    if (!change.begin(args[1], out, store))
        return Failure;
    store.databaseOpen = true;
    store.fileName = args[1];
    QList<int> codes;
    for (const ReportItem &item : definition.items)
        codes.append(item.code);
    const CsvFile::ImportResult imported
        = CsvFile::importFile(args[2], store, codes, QDate::currentDate());
    if (!imported.ok) {
        writeLine(stderr, imported.message);
        return Failure;
    }
    if (!change.write(store))
        return Failure;
    writeLine(stdout,
        out + u": "_s + QString::number(imported.added) + u" records imported, "_s
            + QString::number(store.count()) + u" in all"_s);
    return Success;
}
