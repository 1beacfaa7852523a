// larkspur-tool related: the record window's related-records list from the command line.
#include "tools/relatedcommand.h"

#include "recordwindow/weblinks.h"
#include "store/recordstore.h"
#include "tools/readorreport.h"

using namespace Qt::StringLiterals;

namespace {

int usageError(const QString &problem)
{
    printToolLine(u"larkspur-tool related: "_s + problem, true);
    printToolLine(u"usage: larkspur-tool related FILE.dat RECORD FIELD\n"
                  "  RECORD is a record number from 1; FIELD is 1..21 (1-10 descriptions, 11-20 "
                  "details 0-9, 21 status) or a field caption as the record window offers it."_s,
        true);
    return 2;
}

} // namespace

int relatedCommand(const QStringList &args)
{
    RecordStore store;
    if (!readDatabaseOrReport(args[0], store))
        return 1;
    bool ok = false;
    const int number = args[1].toInt(&ok);
    if (!ok || number < 1 || number > store.count())
        return usageError(
            u"record must be a number from 1 to %1, not \"%2\""_s.arg(store.count()).arg(args[1]));
    const QStringList captions = relatedFieldCaptions(store.captions);
    int field = args[2].toInt(&ok) - 1;
    if (!ok || field < 0 || field >= RelatedFieldCount)
        field = relatedFieldFor(captions, args[2]);
    if (field < 0)
        return usageError(u"unknown field \"%1\""_s.arg(args[2]));
    for (int i : relatedRecords(store, number - 1, field))
        printToolLine(QString::number(i + 1) + u'\t' + store.at(i).name());
    return 0;
}
