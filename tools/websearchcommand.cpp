// larkspur-tool websearch: "Generate Search Term" and "Launch Browser" without the browser.
#include "tools/websearchcommand.h"

#include "recordwindow/weblinks.h"
#include "store/recordstore.h"
#include "tools/readorreport.h"

using namespace Qt::StringLiterals;

namespace {

int usageError(const QString &problem)
{
    QStringList names;
    for (const SearchEngine &e : searchEngines())
        names << QString::fromLatin1(e.name);
    printToolLine(u"larkspur-tool websearch: "_s + problem, true);
    printToolLine(u"usage: larkspur-tool websearch FILE.dat RECORD [ENGINE]\n"
                  "  RECORD is a record number from 1; ENGINE one of "_s
            + names.join(u", "_s) + u" (AltaVista when not given)."_s,
        true);
    return 2;
}

} // namespace

int websearchCommand(const QStringList &args)
{
    const SearchEngine *engine = &searchEngines().front();
    if (args.size() > 2) {
        engine = nullptr;
        for (const SearchEngine &e : searchEngines()) {
            if (args[2].compare(QLatin1StringView(e.name), Qt::CaseInsensitive) == 0
                || args[2].compare(QLatin1StringView(e.caption), Qt::CaseInsensitive) == 0)
                engine = &e;
        }
        if (!engine)
            return usageError(u"unknown engine \"%1\""_s.arg(args[2]));
    }
    RecordStore store;
    if (!readDatabaseOrReport(args[0], store))
        return 1;
    bool ok = false;
    const int number = args[1].toInt(&ok);
    if (!ok || number < 1 || number > store.count())
        return usageError(
            u"record must be a number from 1 to %1, not \"%2\""_s.arg(store.count()).arg(args[1]));
    // The record as the window shows it; the term takes each description up to its first colon,
    // so the short or whole display gives the same term.
    const ItemRecord &r = store.at(number - 1);
    ShownRecord shown;
    shown.name = r.name();
    shown.historyFirstLine = r.history().value(0);
    for (int k = 1; k <= ItemRecord::DescriptionCount; ++k)
        shown.descriptions[size_t(k)] = r.description(k);
    shown.detail0 = r.detail(0);
    const QString term = generateSearchTerm(shown);
    printToolLine(term);
    printToolLine(searchAddress(*engine, term));
    return 0;
}
