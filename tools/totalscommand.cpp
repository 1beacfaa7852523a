// larkspur-tool totals: the graph window's counting over a database file.
#include "tools/totalscommand.h"
#include "tools/readorreport.h"

#include <cstdio>

#include <QByteArray>
#include <QString>

#include "graph/graphcount.h"
#include "store/categorytree.h"
#include "store/datafile.h"
#include "store/recordstore.h"

using namespace Qt::StringLiterals;

namespace {

enum ExitCode { Success = 0, Failure = 1, Usage = 2 };

QString usageText()
{
    return u"usage: larkspur-tool totals FILE.dat K [--node \"FULL NAME\"]\n"
           "  K is a description 1..10; FULL NAME names a node of its category tree leaf first, "
           "parts joined by \" : \"\n"
           "  (the top-level node of description K when not given).\n"_s;
}

int usageError(const QString &problem)
{
    writeTo(stderr, u"larkspur-tool totals: "_s + problem + u'\n' + usageText());
    return Usage;
}

} // namespace

int totalsCommand(const QStringList &args)
{
    if (args.contains(u"--help"_s) || args.contains(u"-h"_s)) {
        writeTo(stdout, usageText());
        return Success;
    }
    QStringList positional;
    QString nodeName;
    bool hasNode = false;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (!optionsEnded && arg == u"--"_s) {
            optionsEnded = true;
        } else if (!optionsEnded && arg == u"--node"_s) {
            if (hasNode)
                return usageError(u"--node given twice"_s);
            if (i + 1 >= args.size())
                return usageError(u"--node needs a full name"_s);
            hasNode = true;
            nodeName = args[++i];
        } else if (!optionsEnded && arg.startsWith(u"--node="_s)) {
            if (hasNode)
                return usageError(u"--node given twice"_s);
            hasNode = true;
            nodeName = arg.mid(7);
        } else if (!optionsEnded && arg.startsWith(u"--"_s)) {
            return usageError(u"unknown option \"%1\""_s.arg(arg));
        } else {
            positional.append(arg);
        }
    }
    if (positional.size() != 2)
        return usageError(u"expected FILE.dat and K"_s);
    bool isNumber = false;
    const int k = positional[1].toInt(&isNumber);
    if (!isNumber || k < 1 || k > RecordStore::CategoryCount || positional[1].startsWith(u'+')
        || positional[1].startsWith(u' '))
        return usageError(
            u"K must be a description number from 1 to 10, not \"%1\""_s.arg(positional[1]));

    RecordStore store;
    if (!readDatabaseOrReport(positional[0], store))
        return Failure;

    const CategoryTree tree = store.categoryTree(k);
    const QString caption = store.captions.description[size_t(k)];
    const CategoryNode *node = nullptr;
    QStringList ancestors;
    if (hasNode) {
        node = findCategoryNode(tree, nodeName, &ancestors);
        if (!node) {
            writeTo(stderr,
                u"larkspur-tool totals: no category \"%1\" under description %2 (%3)\n"_s.arg(
                    nodeName, QString::number(k), caption));
            return Failure;
        }
    }
    const GraphNode graph = graphNodeFor(k, caption, tree, node, ancestors);
    // The tool has no record window: the records' side takes the caption stored in the file.
    const GraphTotals totals = countGraph(store, graph, caption);
    QString out;
    for (qsizetype i = 0; i < graph.subNodes.size(); ++i)
        out += QString::number(totals.counts[size_t(i)]) + u'\t' + graph.subNodes[i] + u'\n';
    out += u"Paid\t"_s + dollarText(totals.paid) + u'\n';
    out += u"Value\t"_s + dollarText(totals.value) + u'\n';
    writeTo(stdout, out);
    return Success;
}
