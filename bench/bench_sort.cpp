// Times sorting 100,000 realistic records by name, by a description and by Value.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <time.h>

#include <QElapsedTimer>
#include <QLocale>
#include <QRandomGenerator>
#include <QStringList>

#include "store/recordstore.h"
#include "store/sort.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int RecordCount = 100000;
constexpr int Runs = 7;

// CPU time of this thread: on a shared machine it says more than the wall clock.
double threadCpuMs()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

RecordStore makeStore()
{
    QRandomGenerator rng(42);
    const QStringList things { u"Lamp"_s, u"Chair"_s, u"Table"_s, u"Clock"_s, u"Vase"_s, u"Radio"_s,
        u"camera"_s, u"Guitar"_s, u"bicycle"_s, u"Teapot"_s, u"Mirror"_s, u"Caf\u00e9 set"_s };
    const QStringList adjectives { u"brass"_s, u"Oak"_s, u"old"_s, u"Red"_s, u"antique"_s,
        u"Small"_s, u"large"_s, u"\u00c9tag\u00e8re"_s };
    const QStringList rooms { u"Kitchen"_s, u"Garage"_s, u"Attic"_s, u"Bedroom"_s, u"Living Room"_s,
        u"Cellar"_s, u"Study"_s };
    const QStringList spots { u"Drawer"_s, u"Shelf"_s, u"Cupboard"_s, u"Box 1"_s, u"Box 2"_s,
        u"Floor"_s, u"Wall"_s };
    const QStringList owners { u"Anna"_s, u"Ben"_s, u"Chris"_s, u"Dana"_s, u"Family"_s };

    RecordStore store;
    store.records().reserve(RecordCount);
    for (int i = 0; i < RecordCount; ++i) {
        ItemRecord r;
        r.setName(adjectives[rng.bounded(int(adjectives.size()))] + u' '
            + things[rng.bounded(int(things.size()))] + u' ' + QString::number(rng.bounded(5000)));
        r.setRecordCode(QString::number(rng.generate(), 36).left(8).toUpper());
        for (int k = 1; k <= 10; ++k) {
            r.setDescription(k, spots[rng.bounded(int(spots.size()))] + u" : "_s
                + rooms[rng.bounded(int(rooms.size()))] + u" : "_s
                + owners[rng.bounded(int(owners.size()))] + u" House"_s);
        }
        const int cents = rng.bounded(500000);
        r.setDetail(1, u"$%1.%2"_s.arg(QLocale(QLocale::English).toString(cents / 100))
                           .arg(cents % 100, 2, 10, QLatin1Char('0')));
        r.setDetail(2, u"%1/%2/%3"_s.arg(1980 + rng.bounded(45))
                           .arg(1 + rng.bounded(12), 2, 10, QLatin1Char('0'))
                           .arg(1 + rng.bounded(28), 2, 10, QLatin1Char('0')));
        r.setDetail(8, QString::number(rng.bounded(100000) / 100.0, 'f', 2));
        r.setDetail(9, u"01"_s);
        store.append(std::move(r));
    }
    return store;
}

void timeSort(const RecordStore &original, int key, const char *label)
{
    std::vector<double> ms;
    std::vector<double> cpu;
    for (int run = 0; run < Runs; ++run) {
        RecordStore store;
        store.records() = original.records(); // shared records, fresh unsorted order
        QElapsedTimer timer;
        const double cpuStart = threadCpuMs();
        timer.start();
        sortRecords(store, key);
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
        cpu.push_back(threadCpuMs() - cpuStart);
        // Keep the result honest: the order must be ascending.
        for (int i = 1; i < store.count(); ++i) {
            if (compareRecords(store.at(i - 1), store.at(i), key) > 0) {
                std::fprintf(stderr, "sort by %s is out of order at %d\n", label, i);
                std::exit(1);
            }
        }
    }
    std::sort(ms.begin(), ms.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf("%-26s key %2d  wall min %6.1f median %6.1f max %6.1f ms  cpu min %6.1f median "
                "%6.1f ms\n",
        label, key, ms.front(), ms[ms.size() / 2], ms.back(), cpu.front(), cpu[cpu.size() / 2]);
}

} // namespace

int main()
{
    QElapsedTimer build;
    build.start();
    const RecordStore store = makeStore();
    std::printf("%d records made in %.0f ms; %d runs per key, each from the unsorted order\n",
        RecordCount, double(build.elapsed()), Runs);
    timeSort(store, SortKey::Name, "Name");
    timeSort(store, 8, "Location (description 8)");
    timeSort(store, SortKey::Value, "Value (detail 1, number)");
    timeSort(store, 13, "Date Received (detail 2)");
    return 0;
}
