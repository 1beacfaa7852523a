// The undo history on a 100,000-record database read from its file, one measurement per process
// (run it several times): the heap that 100 typing steps and a Change Picture Path keep, and the
// time of one undo and redo of that Change Picture Path.
//   bench_undo /tmp/undo-100k.dat    (the file is made on the first run)
#include <cstdio>

#include <malloc.h>
#include <time.h>

#include <QFile>
#include <QRandomGenerator>

#include "store/datafile.h"
#include "store/editcommands.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int RecordCount = 100000;
constexpr int TypingSteps = 100;

double cpuMs()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double wallMs()
{
    timespec t {};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

size_t heapInUse()
{
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

bool makeFile(const QString &path)
{
    QRandomGenerator rng(7);
    const QStringList things { u"Lamp"_s, u"Chair"_s, u"Table"_s, u"Clock"_s, u"Vase"_s, u"Radio"_s,
        u"Camera"_s, u"Guitar"_s };
    RecordStore store;
    store.records().reserve(RecordCount);
    for (int i = 0; i < RecordCount; ++i) {
        ItemRecord r;
        r.setName(things[rng.bounded(int(things.size()))] + u' ' + QString::number(i));
        r.setRecordCode(u"R%1"_s.arg(i, 7, 10, QLatin1Char('0')));
        for (int k = 1; k <= 10; ++k)
            r.setDescription(k, u"Shelf : Study : Family House"_s);
        r.setDetail(1, QString::number(rng.bounded(100000)));
        r.setDetail(2, u"2024/05/17"_s);
        r.setPictureFile(1, u"/home/anna/Pictures/Catalogue/IMG_%1.jpg"_s.arg(i, 6, 10, QLatin1Char('0')));
        for (int k = 1; k <= ItemRecord::PictureCount; ++k)
            r.setPictureTitle(k, u"Untitled %1"_s.arg(k));
        r.setNotes(QStringList { u"Bought at the market."_s });
        store.append(std::move(r));
    }
    return DataFile::writeDatabase(path, store).ok;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_undo FILE.dat\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    if (!QFile::exists(path) && !makeFile(path)) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    RecordStore store;
    if (!DataFile::readDatabase(path, store, false).ok()) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    const qint64 fileSize = QFile(path).size();
    EditHistory history;

    // 100 steps of typing, each a Name on another record, as the record window stores them (a
    // box's text is a string of its own).
    const size_t beforeTyping = heapInUse();
    for (int i = 0; i < TypingSteps; ++i) {
        const int at = i * (RecordCount / TypingSteps);
        ItemRecord after = store.at(at);
        after.setName(u"%1 (sold)"_s.arg(after.name()));
        for (FieldStep &s : fieldSteps(store.at(at), after, store.captions))
            history.push(std::make_unique<RecordEditCommand>(
                store, store.shared(at), std::move(s.value), s.label));
    }
    const size_t typingStep = heapInUse() - beforeTyping;
    // What the history alone holds: the heap its clearing gives back.
    size_t held = heapInUse();
    history.clear();
    const size_t typing = held - heapInUse();

    const size_t beforePath = heapInUse();
    double t0 = wallMs(), c0 = cpuMs();
    history.push(std::make_unique<PicturePathCommand>(store, u"/media/backup/Pictures"_s));
    const double doWall = wallMs() - t0, doCpu = cpuMs() - c0;
    const size_t pathStep = heapInUse() - beforePath;

    t0 = wallMs();
    c0 = cpuMs();
    history.undo();
    const double undoWall = wallMs() - t0, undoCpu = cpuMs() - c0;
    if (!store.at(5).pictureFile(1).startsWith(u"/home/anna/"_s))
        return 1;
    t0 = wallMs();
    c0 = cpuMs();
    history.redo();
    const double redoWall = wallMs() - t0, redoCpu = cpuMs() - c0;
    held = heapInUse();
    history.clear();
    const size_t pathHistory = held - heapInUse();

    std::printf("file: %d records, %lld bytes\n", store.count(), static_cast<long long>(fileSize));
    std::printf("100 typing steps: history %zu bytes (%.1f KiB); step with new texts %zu bytes\n",
        typing, typing / 1024.0, typingStep);
    std::printf("Change Picture Path: history %zu bytes (%.1f MiB, %.0f bytes per record); step "
                "with new paths %.1f MiB\n",
        pathHistory, pathHistory / 1048576.0, double(pathHistory) / RecordCount,
        pathStep / 1048576.0);
    std::printf("Change Picture Path: do %.1f ms wall %.1f ms cpu\n", doWall, doCpu);
    std::printf("Change Picture Path: undo %.1f ms wall %.1f ms cpu\n", undoWall, undoCpu);
    std::printf("Change Picture Path: redo %.1f ms wall %.1f ms cpu\n", redoWall, redoCpu);
    return 0;
}
