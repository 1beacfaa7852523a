// Times a search run with all three groups ticked over 100,000 realistic records.
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

#include <QElapsedTimer>
#include <QLocale>
#include <QRandomGenerator>
#include <QStringList>

#include "search/searchlist.h"
#include "search/searchmatch.h"
#include "store/recordstore.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int RecordCount = 100000;
constexpr int Runs = 9;

QString pick(QRandomGenerator &rng, const QStringList &list)
{
    return list[rng.bounded(int(list.size()))];
}

RecordStore makeStore()
{
    QRandomGenerator rng(7);
    const QStringList things { u"Lamp"_s, u"Chair"_s, u"Table"_s, u"Clock"_s, u"Vase"_s, u"Radio"_s,
        u"camera"_s, u"Guitar"_s, u"bicycle"_s, u"Teapot"_s, u"Mirror"_s, u"Caf\u00e9 set"_s };
    const QStringList adjectives { u"brass"_s, u"Oak"_s, u"old"_s, u"Red"_s, u"antique"_s,
        u"Small"_s, u"large"_s, u"\u00c9tag\u00e8re"_s };
    const QStringList rooms { u"Kitchen"_s, u"Garage"_s, u"Attic"_s, u"Bedroom"_s, u"Living Room"_s,
        u"Cellar"_s, u"Study"_s };
    const QStringList spots { u"Drawer"_s, u"Shelf"_s, u"Cupboard"_s, u"Box 1"_s, u"Box 2"_s,
        u"Floor"_s, u"Wall"_s };
    const QStringList owners { u"Anna"_s, u"Ben"_s, u"Chris"_s, u"Dana"_s, u"Family"_s };
    const QStringList words { u"bought at the market"_s, u"gift from Grandmother"_s,
        u"needs a new red lamp shade"_s, u"scratch on the left side"_s,
        u"insured with the house contents"_s, u"Receipt in the blue folder"_s,
        u"repaired in 2009 by the shop on Main Street"_s, u"Matches the set in the hall"_s };

    RecordStore store;
    store.records().reserve(RecordCount);
    for (int i = 0; i < RecordCount; ++i) {
        ItemRecord r;
        r.setName(pick(rng, adjectives) + u' ' + pick(rng, things) + u' '
            + QString::number(rng.bounded(5000)));
        r.setRecordCode(QString::number(rng.generate(), 36).left(8).toUpper());
        for (int k = 1; k <= 10; ++k) {
            r.setDescription(k, pick(rng, spots) + u" : "_s + pick(rng, rooms) + u" : "_s
                + pick(rng, owners) + u" House"_s);
        }
        const int cents = rng.bounded(500000);
        r.setDetail(0, rng.bounded(3) == 0 ? u"Full Warranty, 2 years"_s : QString());
        r.setDetail(1, u"$%1.%2"_s.arg(QLocale(QLocale::English).toString(cents / 100))
                           .arg(cents % 100, 2, 10, QLatin1Char('0')));
        r.setDetail(2, u"%1/%2/%3"_s.arg(1980 + rng.bounded(45))
                           .arg(1 + rng.bounded(12), 2, 10, QLatin1Char('0'))
                           .arg(1 + rng.bounded(28), 2, 10, QLatin1Char('0')));
        r.setDetail(3, QString::number(1950 + rng.bounded(75)));
        r.setDetail(4, u"%1"_s.arg(rng.bounded(10000000), 7, 10, QLatin1Char('0')));
        r.setDetail(5, u"SN-"_s + QString::number(rng.generate(), 16).toUpper());
        r.setDetail(8, QString::number(rng.bounded(100000) / 100.0, 'f', 2));
        r.setDetail(9, u"%1"_s.arg(1 + rng.bounded(12), -2));
        r.Wanted = rng.bounded(20) == 0;
        r.ForTrade = rng.bounded(20) == 0;
        r.ForSale = rng.bounded(10) == 0;
        QStringList keywords, history, notes;
        for (int n = rng.bounded(4); n > 0; --n)
            keywords.append(pick(rng, words));
        for (int n = rng.bounded(3); n > 0; --n)
            history.append(pick(rng, words));
        for (int n = rng.bounded(5); n > 0; --n)
            notes.append(pick(rng, words));
        r.setKeywords(keywords);
        r.setHistory(history);
        r.setNotes(notes);
        store.append(std::move(r));
    }
    return store;
}

double threadCpuMs()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

void timeRun(RecordStore &store, const SearchCriteria &criteria, const char *label)
{
    std::vector<double> ms;
    std::vector<double> cpu;
    int found = 0;
    int progressCalls = 0;
    for (int run = 0; run < Runs; ++run) {
        SearchList::clear(store);
        progressCalls = 0;
        QElapsedTimer timer;
        const double cpuStart = threadCpuMs();
        timer.start();
        found = runSearch(store, criteria, [&](int) { ++progressCalls; }).newCount;
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
        cpu.push_back(threadCpuMs() - cpuStart);
    }
    std::sort(ms.begin(), ms.end());
    std::sort(cpu.begin(), cpu.end());
    // CPU time as well as wall time: on a shared machine the wall clock counts other work too.
    std::printf("%s: %d found, %d progress calls\n  wall min %6.1f ms  median %6.1f ms  max "
                "%6.1f ms\n  cpu  min %6.1f ms  median %6.1f ms  max %6.1f ms\n",
        label, found, progressCalls, ms.front(), ms[ms.size() / 2], ms.back(), cpu.front(),
        cpu[cpu.size() / 2], cpu.back());
}

} // namespace

int main()
{
    QElapsedTimer build;
    build.start();
    RecordStore store = makeStore();
    std::printf("%d records made in %.0f ms; %d runs each, the list cleared before every run\n",
        RecordCount, double(build.elapsed()), Runs);

    // Typical: a couple of description criteria, a notes word, two ranges; the other masked
    // detail boxes keep their initial texts and take part as they do in the window.
    SearchCriteria typical;
    typical.descriptionGroup = typical.notesGroup = typical.detailGroup = true;
    typical.descriptions[2] = u"Kitchen"_s;
    typical.descriptions[8] = u"House"_s;
    typical.notes[2] = u"RED"_s;
    typical.details[1] = { u"100"_s, u"2,500"_s };
    typical.details[2] = { u"1990/01/01"_s, u"2015/12/31"_s };
    timeRun(store, typical, "typical (all three groups)");

    // Broad: every criterion holds for nearly every record, so every test runs on every record.
    SearchCriteria broad;
    broad.descriptionGroup = broad.notesGroup = broad.detailGroup = true;
    for (int k = 1; k <= 10; ++k)
        broad.descriptions[size_t(k)] = u" House"_s;
    broad.notes = { u"e"_s, QString(), QString() };
    broad.name = { u"a"_s, u"zz"_s };
    broad.details[5] = { u"sn-"_s, QString() };
    timeRun(store, broad, "broad (every test on every record)");
    return 0;
}
