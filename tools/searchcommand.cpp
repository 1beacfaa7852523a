// larkspur-tool search: reads a database, runs a search as the search window does, lists matches.
#include "tools/searchcommand.h"
#include "tools/readorreport.h"

#include <cstdio>
#include <optional>

#include <QByteArray>
#include <QString>

#include "search/searchlist.h"
#include "search/searchmatch.h"
#include "store/datafile.h"
#include "store/recordstore.h"

using namespace Qt::StringLiterals;

namespace {

enum ExitCode { Success = 0, Failure = 1, Usage = 2 };

QString usageText()
{
    return u"usage: larkspur-tool search FILE.dat [--description] [--desc K=TEXT]... [--detail] "
           "[--range F=LOW:HIGH]... [--notes] [--keywords TEXT] [--history TEXT] "
           "[--notes-text TEXT] [--flags LIST] [--extract OUT.dat]\n"
           "  K is a description 1..10 (\"ANY\" unless given); F is name or a detail 0..9, split "
           "at the first ':';\n"
           "  LIST names the ticked flag boxes: wanted,fortrade,forsale (all when absent, none "
           "with \"\").\n"_s;
}

int usageError(const QString &problem)
{
    writeTo(stderr, u"larkspur-tool search: "_s + problem + u'\n' + usageText());
    return Usage;
}

struct Options
{
    QString file;
    QString extract;
    SearchCriteria criteria;
    bool descriptionCriteria = false; // some --desc given
    bool detailCriteria = false;
    bool notesCriteria = false;
};

// The description number or detail field of "K=..." / "F=...", split at the first '='.
std::optional<int> wholeNumberIn(QStringView text, int low, int high)
{
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || n < low || n > high || text.startsWith(u'+') || text.startsWith(u' '))
        return std::nullopt;
    return n;
}

// Fills options from args; an error text when they are wrong.
std::optional<QString> parse(const QStringList &args, Options &o)
{
    bool optionsEnded = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (optionsEnded || !arg.startsWith(u"--") || arg.size() == 2) {
            if (!optionsEnded && arg == u"--") {
                optionsEnded = true;
                continue;
            }
            if (!o.file.isEmpty())
                return u"unexpected argument \"%1\""_s.arg(arg);
            o.file = arg;
            continue;
        }
        const qsizetype eq = arg.indexOf(u'=');
        const QString name = eq < 0 ? arg : arg.left(eq);
        std::optional<QString> inlineValue;
        if (eq >= 0)
            inlineValue = arg.mid(eq + 1);

        if (name == u"--description" || name == u"--detail" || name == u"--notes") {
            if (inlineValue)
                return u"%1 takes no value"_s.arg(name);
            if (name == u"--description")
                o.criteria.descriptionGroup = true;
            else if (name == u"--detail")
                o.criteria.detailGroup = true;
            else
                o.criteria.notesGroup = true;
            continue;
        }

        static const QStringList valued { u"--desc"_s, u"--range"_s, u"--keywords"_s,
            u"--history"_s, u"--notes-text"_s, u"--flags"_s, u"--extract"_s };
        if (!valued.contains(name))
            return u"unknown option \"%1\""_s.arg(name);
        QString value;
        if (inlineValue) {
            value = *inlineValue;
        } else {
            if (i + 1 >= args.size())
                return u"%1 needs a value"_s.arg(name);
            value = args[++i];
        }

        if (name == u"--desc") {
            const qsizetype split = value.indexOf(u'=');
            const std::optional<int> k
                = split < 0 ? std::nullopt : wholeNumberIn(QStringView(value).left(split), 1, 10);
            if (!k)
                return u"--desc wants K=TEXT with K from 1 to 10, not \"%1\""_s.arg(value);
            o.criteria.descriptions[size_t(*k)] = value.mid(split + 1);
            o.descriptionCriteria = true;
        } else if (name == u"--range") {
            const qsizetype split = value.indexOf(u'=');
            const qsizetype colon = value.indexOf(u':', split + 1);
            const QStringView field = QStringView(value).left(split);
            std::optional<int> detail;
            if (split >= 0 && field != u"name")
                detail = wholeNumberIn(field, 0, 9);
            if (split < 0 || colon < 0 || (field != u"name" && !detail)) {
                return u"--range wants F=LOW:HIGH with F name or 0 to 9, not \"%1\""_s.arg(value);
            }
            DetailRange &range = detail ? o.criteria.details[size_t(*detail)] : o.criteria.name;
            range = { value.mid(split + 1, colon - split - 1), value.mid(colon + 1) };
            o.detailCriteria = true;
        } else if (name == u"--keywords" || name == u"--history" || name == u"--notes-text") {
            const int box = name == u"--keywords" ? 0 : (name == u"--history" ? 1 : 2);
            o.criteria.notes[size_t(box)] = value;
            o.notesCriteria = true;
        } else if (name == u"--flags") {
            o.criteria.wantedBox = o.criteria.forTradeBox = o.criteria.forSaleBox = false;
            const QStringList words = value.split(u',', Qt::SkipEmptyParts);
            for (const QString &word : words) {
                const QString w = word.trimmed();
                if (w == u"wanted")
                    o.criteria.wantedBox = true;
                else if (w == u"fortrade")
                    o.criteria.forTradeBox = true;
                else if (w == u"forsale")
                    o.criteria.forSaleBox = true;
                else
                    return u"--flags takes wanted, fortrade and forsale, not \"%1\""_s.arg(w);
            }
        } else { // --extract
            if (value.isEmpty())
                return u"--extract needs a file name"_s;
            o.extract = value;
        }
    }
    if (o.file.isEmpty())
        return u"no database file given"_s;
    return std::nullopt;
}

// Criteria for a group that is not ticked take no part, as in the window; say so rather than
// let the user wonder why they changed nothing.
void warnAboutUntickedGroups(const Options &o)
{
    auto warn = [](const char *criteria, const char *group) {
        writeTo(stderr,
            u"larkspur-tool search: %1 given without %2; that group takes no part\n"_s.arg(
                QLatin1StringView(criteria), QLatin1StringView(group)));
    };
    if (o.descriptionCriteria && !o.criteria.descriptionGroup)
        warn("--desc", "--description");
    if (o.detailCriteria && !o.criteria.detailGroup)
        warn("--range", "--detail");
    if (o.notesCriteria && !o.criteria.notesGroup)
        warn("--keywords/--history/--notes-text", "--notes");
}

} // namespace

int searchCommand(const QStringList &args)
{
    if (args.contains(u"--help"_s) || args.contains(u"-h"_s)) {
        writeTo(stdout, usageText());
        return Success;
    }
    Options o;
    if (const std::optional<QString> problem = parse(args, o))
        return usageError(*problem);
    warnAboutUntickedGroups(o);

    RecordStore store;
    if (!readDatabaseOrReport(o.file, store))
        return Failure;
    // A database read from a file starts with an empty search list.
    const SearchRunResult result = runSearch(store, o.criteria);

    QString out;
    for (int i = 0; i < store.count(); ++i) {
        const ItemRecord &r = store.at(i);
        if (r.OnSearchList)
            out += QString::number(i + 1) + u'\t' + r.name() + u'\n';
    }
    out += result.outcome + u'\n';
    writeTo(stdout, out);
    std::fflush(stdout);

    if (!o.extract.isEmpty()) {
        const SearchList::ExtractResult extracted = SearchList::extractToFile(o.extract, store);
        switch (extracted.outcome) {
        case SearchList::ExtractOutcome::Written:
            break;
        case SearchList::ExtractOutcome::NoMembers:
            writeTo(stderr,
                u"larkspur-tool search: no records found, %1 not written\n"_s.arg(o.extract));
            break;
        case SearchList::ExtractOutcome::Failed:
            writeTo(stderr, extracted.message + u'\n');
            return Failure;
        }
    }
    return Success;
}
