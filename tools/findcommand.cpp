// larkspur-tool find: quick find from the command line, over the same index the windows use.
#include "tools/findcommand.h"

#include "store/quickfind.h"
#include "store/recordstore.h"
#include "tools/readorreport.h"

int findCommand(const QStringList &args)
{
    RecordStore store;
    if (!readDatabaseOrReport(args[0], store))
        return 1;
    store.findText = args.mid(1).join(QLatin1Char(' '));
    if (!store.findActive()) {
        printToolLine(QStringLiteral("larkspur-tool: find needs at least one word"), true);
        return 2;
    }
    for (const int pos : store.findMatches())
        printToolLine(QString::number(pos + 1) + QLatin1Char('\t') + store.at(pos).Name);
    return 0;
}
