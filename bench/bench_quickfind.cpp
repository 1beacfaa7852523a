// Times quick find as a user types into the Find box over 100,000 records: each keystroke asks
// for the matches twice (the count beside the box and the spreadsheet's fill). Run it as a fresh
// process per measurement; it prints the time of every keystroke and the memory the index takes.
// Without arguments the records are folded first, as the program does while idle after reading a
// file; with --unprepared the first keystroke does it.
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringList>

#include "store/datafile.h"
#include "store/quickfind.h"
#include "store/recordstore.h"

using namespace Qt::StringLiterals;

namespace {

double cpuMs()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

long residentKb()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

RecordStore makeStore(int count)
{
    QRandomGenerator rng(11);
    const auto pick
        = [&rng](const QStringList &list) { return list[rng.bounded(int(list.size()))]; };
    const QStringList things { u"Lamp"_s, u"Chair"_s, u"Table"_s, u"Clock"_s, u"Vase"_s, u"Radio"_s,
        u"Camera"_s, u"Guitar"_s, u"Bicycle"_s, u"Teapot"_s, u"Mirror"_s, u"Caf\u00e9 set"_s };
    const QStringList adjectives { u"brass"_s, u"Oak"_s, u"old"_s, u"Red"_s, u"antique"_s,
        u"Small"_s, u"large"_s, u"\u00c9tag\u00e8re"_s };
    const QStringList rooms { u"Drawer : Kitchen"_s, u"Shelf : Garage"_s, u"Boxes : Attic"_s,
        u"Wardrobe : Bedroom"_s, u"Wall : Living Room"_s, u"Desk : Study"_s };
    const QStringList notes { u"bought at the market"_s, u"gift from Grandmother"_s,
        u"needs a new red lamp shade"_s, u"scratch on the left side"_s,
        u"insured with the house contents"_s, u"Receipt in the blue folder"_s };
    RecordStore store;
    store.records().reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        ItemRecord r;
        r.setName(pick(adjectives) + u' ' + pick(things) + u' ' + QString::number(rng.bounded(5000)));
        r.setRecordCode(u"R%1"_s.arg(i, 7, 10, QLatin1Char('0')));
        r.setDescription(2, pick(things) + u" : Household"_s);
        r.setDescription(8, pick(rooms));
        r.setDetail(1, u"$%1.00"_s.arg(rng.bounded(2000)));
        r.setDetail(2, u"20%1/0%2/1%3"_s.arg(10 + rng.bounded(15))
                           .arg(1 + rng.bounded(9))
                           .arg(rng.bounded(10)));
        r.setDetail(5, u"SN-%1"_s.arg(rng.bounded(1000000)));
        r.setKeywords({ pick(adjectives) + u' ' + pick(things) });
        r.setNotes({ pick(notes), pick(notes) });
        store.append(std::move(r));
    }
    return store;
}

} // namespace

int main(int argc, char **argv)
{
    // "--unprepared": the first keystroke folds the records itself, as when the user types
    // before the idle-time folding after a file read has finished.
    // A FILE.dat argument: the records of that catalogue instead of the made ones, with the
    // index's memory against the file's size.
    bool prepared = true;
    QString file;
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--unprepared")
            prepared = false;
        else
            file = QString::fromLocal8Bit(argv[i]);
    }
    RecordStore store;
    if (file.isEmpty()) {
        store = makeStore(100000);
    } else if (!DataFile::readDatabase(file, store, false).ok()) {
        std::fprintf(stderr, "cannot read %s\n", argv[argc - 1]);
        return 1;
    }
    const int records = store.count();
    const long before = residentKb();
    if (prepared) {
        QElapsedTimer t;
        t.start();
        const double cpu = cpuMs();
        int slices = 1;
        while (!store.findIndex().prepare(store, 15))
            ++slices;
        std::printf("folded after the read, while idle: %.1f ms (%.1f ms of CPU) in %d slices\n",
            double(t.nsecsElapsed()) / 1e6, cpuMs() - cpu, slices);
    }
    const QString typed = u"antique lamp shade"_s;
    std::vector<double> times;
    size_t found = 0;
    for (qsizetype n = 1; n <= typed.size(); ++n) {
        store.findText = typed.left(n);
        QElapsedTimer t;
        t.start();
        const double cpu = cpuMs();
        {
            // As a keystroke asks: the spreadsheet's rows, then the count beside the box.
            const QuickFindIndex::Batch keystroke(store.findIndex());
            found = store.findMatches().size();
            found = store.findMatches().size();
        }
        times.push_back(double(t.nsecsElapsed()) / 1e6);
        std::printf("%-20s %7zu matches %8.2f ms (%.2f ms of CPU)\n",
            qPrintable(u'"' + store.findText + u'"'), found, times.back(), cpuMs() - cpu);
    }
    const long after = residentKb();
    const double first = times.front();
    std::vector<double> later(times.begin() + 1, times.end());
    std::sort(later.begin(), later.end());
    std::printf("records %d  first keystroke%s %.1f ms  later keystrokes: "
                "slowest %.1f ms, median %.1f ms\n",
        records, prepared ? "" : " (folds the records)", first, later.back(),
        later[later.size() / 2]);
    std::printf("resident memory %ld MB before the index, %ld MB after (+%ld MB; %lld bytes of "
                "folded text)\n",
        before / 1024, after / 1024, (after - before) / 1024,
        qlonglong(store.findIndex().heldCharacters()));
    if (!file.isEmpty()) {
        const double mb = double(QFileInfo(file).size()) / (1 << 20);
        std::printf("file %.1f MB: the index takes %.2f x the file\n", mb,
            double(after - before) / 1024 / mb);
    }
    return 0;
}
