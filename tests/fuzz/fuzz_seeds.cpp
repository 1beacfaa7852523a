// Writes a few valid database files and category texts as the fuzzers' seed corpus.
#include <cstdio>

#include <QDir>
#include <QFile>

#include "store/datafile.h"
#include "store/textcodec.h"

namespace {

bool save(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

ItemRecord record(int n)
{
    ItemRecord r;
    r.setName(QStringLiteral("Lamp %1").arg(n));
    r.setRecordCode(QStringLiteral("AB3CD0E%1").arg(n % 9));
    r.setDetail(1, QStringLiteral("$1,234.50"));
    r.setDetail(2, QStringLiteral("2001/02/03"));
    r.setDescription(3, QStringLiteral("Drawer : Kitchen"));
    r.setKeywords(QStringList { QStringLiteral("brass"), QStringLiteral("old") });
    r.setLinks(QStringList { QStringLiteral("<a href=\"http://example.org/\">Example</a>") });
    r.setPictureFile(1, QStringLiteral("/p/lamp.jpg"));
    r.setPictureTitle(1, QStringLiteral("Untitled 1"));
    r.setNotes(QStringList { QString(300, u'n') });
    r.Wanted = n % 2;
    return r;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: fuzz_seeds DATAFILE-CORPUS TREE-CORPUS\n");
        return 2;
    }
    const QString dataDir = QString::fromLocal8Bit(argv[1]);
    const QString treeDir = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(dataDir);
    QDir().mkpath(treeDir);
    const QString trees[] = { QStringLiteral("Kitchen\r\n\tDrawer\r\nGarage\r\n"),
        QStringLiteral("H\r\n\tK\r\n\t\tD\r\n\t\t\tS\r\n\tG\r\n"),
        QStringLiteral("A\n B\r  C\r\n\r\nD"), QStringLiteral("\t\tA\r\n\t\t\tB\r\n") };

    RecordStore one;
    one.append(record(1));
    RecordStore rich;
    for (int k = 1; k <= 4; ++k)
        rich.categoryTexts[size_t(k)] = trees[k - 1];
    for (int n = 1; n <= 3; ++n)
        rich.append(record(n));
    bool ok = save(dataDir + QStringLiteral("/one.dat"), DataFile::encodeDatabase(one))
        && save(dataDir + QStringLiteral("/rich.dat"), DataFile::encodeDatabase(rich));
    for (int k = 0; k < 4; ++k)
        ok = ok && save(treeDir + QStringLiteral("/tree%1.txt").arg(k), encodeText(trees[k]));
    return ok ? 0 : 1;
}
