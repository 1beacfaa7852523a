// larkspur-tool versions: the earlier versions kept of a database, and writing one out.
#include "tools/versionscommand.h"

#include <QFileInfo>

#include "recovery/earlierversions.h"
#include "tools/readorreport.h"

using namespace Qt::StringLiterals;

void keepEarlierVersion(const QString &path)
{
    const EarlierVersions::KeepResult kept = EarlierVersions::keep(path);
    if (!kept.message.isEmpty())
        printToolLine(
            u"No earlier version of %1 could be kept: %2"_s.arg(path, kept.message), true);
}

int versionsCommand(const QStringList &args)
{
    const QString &database = args[0];
    const bool restoring = args.size() > 1;
    if (restoring && (args.size() != 4 || args[1] != "--restore"_L1)) {
        printToolLine(u"usage: larkspur-tool versions FILE.dat [--restore N OUT.dat]"_s, true);
        return 2;
    }
    const QList<EarlierVersions::Version> versions = EarlierVersions::list(database);
    if (!restoring) {
        for (const EarlierVersions::Version &v : versions) {
            printToolLine(v.when.toLocalTime().toString(u"yyyy-MM-dd HH:mm:ss"_s) + u'\t'
                + QString::number(v.size) + u'\t' + QString::number(v.records) + u'\t' + v.path);
        }
        return 0;
    }
    bool isNumber = false;
    const int n = args[2].toInt(&isNumber);
    if (!isNumber || n < 1 || n > versions.size()) {
        printToolLine(versions.isEmpty()
                ? u"No earlier version of %1 is kept."_s.arg(database)
                : u"versions: N must be a whole number from 1 to %1, not \"%2\""_s
                      .arg(versions.size())
                      .arg(args[2]),
            true);
        return versions.isEmpty() ? 1 : 2;
    }
    const QString &out = args[3];
    keepEarlierVersion(out);
    const EarlierVersions::RestoreResult r = EarlierVersions::restore(versions[n - 1], out);
    if (!r.ok) {
        printToolLine(r.message, true);
        return 1;
    }
    printToolLine(out + u": "_s + QString::number(versions[n - 1].records) + u" records written"_s);
    return 0;
}
