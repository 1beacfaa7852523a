#include "tools/insurancepackcommand.h"

#include <QFile>

#include "insurancepack/packcomposer.h"
#include "insurancepack/timestamp.h"
#include "store/recordstore.h"
#include "store/smallfile.h"
#include "tools/readorreport.h"

using namespace Qt::StringLiterals;

namespace {

enum ExitCode { Success = 0, Failure = 1, Usage = 2 };

QString usageText()
{
    return u"usage: larkspur-tool insurance-pack IN.dat OUTDIR [--group-by K] [--cover-file FILE]"
           " [--photos full|small|none] [--page a4|letter] [--timestamp URL]\n"
           "  K is a description 1..10 or its caption (default: the one captioned \"Location\","
           " else 8).\n"
           "  URL is an RFC 3161 time-stamping service: it signs the SHA-256 of manifest.sha256,\n"
           "  kept as manifest.sha256.tsr. Without it nothing is sent anywhere. When the service\n"
           "  fails, the pack is still written, without the .tsr, and the exit status is 1.\n"_s;
}

int usageError(const QString &problem)
{
    writeTo(stderr, u"larkspur-tool insurance-pack: "_s + problem + u'\n' + usageText());
    return Usage;
}

} // namespace

int insurancePackCommand(const QStringList &args)
{
    if (args.contains(u"--help"_s) || args.contains(u"-h"_s)) {
        writeTo(stdout, usageText());
        return Success;
    }
    QStringList positional;
    QString groupBy, coverFile, photos = u"full"_s, page = u"letter"_s, timestamp;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        QString *value = nullptr;
        if (arg == u"--group-by"_s)
            value = &groupBy;
        else if (arg == u"--cover-file"_s)
            value = &coverFile;
        else if (arg == u"--photos"_s)
            value = &photos;
        else if (arg == u"--page"_s)
            value = &page;
        else if (arg == u"--timestamp"_s)
            value = &timestamp;
        else if (arg.startsWith(u"--"_s))
            return usageError(u"unknown option \"%1\""_s.arg(arg));
        else {
            positional << arg;
            continue;
        }
        if (i + 1 >= args.size())
            return usageError(arg + u" needs a value"_s);
        *value = args[++i];
    }
    if (positional.size() != 2)
        return usageError(u"expected IN.dat and OUTDIR"_s);
    InsurancePack::Options options;
    if (photos == u"full"_s)
        options.photos = InsurancePack::Photos::Full;
    else if (photos == u"small"_s)
        options.photos = InsurancePack::Photos::Small;
    else if (photos == u"none"_s)
        options.photos = InsurancePack::Photos::None;
    else
        return usageError(u"--photos takes full, small or none, not \"%1\""_s.arg(photos));
    if (page != u"a4"_s && page != u"letter"_s)
        return usageError(u"--page takes a4 or letter, not \"%1\""_s.arg(page));
    options.a4 = page == u"a4"_s;
    if (args.contains(u"--timestamp"_s)) {
        if (const QString problem = Timestamp::addressProblem(timestamp); !problem.isEmpty())
            return usageError(problem);
        options.timestampAddress = timestamp.trimmed();
    }

    RecordStore store;
    if (!readDatabaseOrReport(positional[0], store))
        return Failure;
    options.groupBy = InsurancePack::defaultGroupBy(store);
    if (!groupBy.isEmpty()) {
        bool isNumber = false;
        const int k = groupBy.toInt(&isNumber);
        int found = 0;
        if (isNumber && k >= 1 && k <= RecordStore::CategoryCount)
            found = k;
        for (int c = 1; !found && c <= RecordStore::CategoryCount; ++c)
            if (store.captions.description[size_t(c)].compare(groupBy, Qt::CaseInsensitive) == 0)
                found = c;
        if (!found)
            return usageError(
                u"--group-by takes a description 1..10 or its caption, not \"%1\""_s.arg(groupBy));
        options.groupBy = found;
    }
    if (!coverFile.isEmpty()) {
        const SmallFile::Result cover = SmallFile::read(coverFile, SmallFile::TextLimit);
        if (!cover.ok()) {
            writeTo(stderr, u"larkspur-tool insurance-pack: "_s + cover.error + u'\n');
            return Failure;
        }
        options.coverText = QString::fromUtf8(cover.bytes);
    }
    const InsurancePack::Result r
        = InsurancePack::make(store, positional[0], positional[1], options);
    if (!r.ok) {
        writeTo(stderr, u"larkspur-tool insurance-pack: "_s + r.message + u'\n');
        return Failure;
    }
    writeTo(stdout,
        u"%1\n%2 records, %3 photos included, %4 missing\n"_s.arg(r.folder,
            QString::number(r.records), QString::number(r.photosIncluded),
            QString::number(r.photosMissing)));
    if (r.timestamped)
        writeTo(stdout,
            u"manifest.sha256 timestamped at %1 UTC\n"_s.arg(
                r.timestampTime.toUTC().toString(u"yyyy-MM-dd HH:mm:ss"_s)));
    if (!r.timestampProblem.isEmpty()) {
        writeTo(stderr,
            u"larkspur-tool insurance-pack: the pack has no timestamp: %1\n"_s.arg(
                r.timestampProblem));
        return Failure;
    }
    return Success;
}
