// larkspur-tool find: quick find from the command line, with the windows' folding and matching.
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
    // One query: each record is folded, tested and let go. The windows' kept index would cost a
    // folded copy of the whole catalogue for a single answer.
    const QList<QByteArray> words = QuickFindIndex::foldedWords(store.findText);
    for (int pos = 0; pos < store.count(); ++pos)
        if (QuickFindIndex::holdsWords(store.at(pos), words))
            printToolLine(QString::number(pos + 1) + QLatin1Char('\t') + store.at(pos).name());
    return 0;
}
