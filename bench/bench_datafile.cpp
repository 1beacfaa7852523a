// Times writing and reading a database of 100,000 realistic records, with peak memory.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/resource.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "store/datafile.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Processor time of this process (user + system), immune to other load on the machine.
double cpuSeconds()
{
    rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec)
        + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// A field of /proc/self/status in kB ("VmHWM", "VmRSS").
long statusKb(const char *field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').first().toLong();
    return -1;
}

const char *const Rooms[] = { "Kitchen", "Living Room", "Bedroom", "Garage", "Attic", "Study" };
const char *const Places[] = { "Drawer", "Shelf", "Cupboard", "Box", "Wall", "Table" };
const char *const Makers[] = { "Acme", "Globex", "Initech", "Umbrella", "H\xE9lios", "Stark" };

QString pick(const char *const (&list)[6], int n)
{
    return QString::fromLatin1(list[n % 6]);
}

ItemRecord makeRecord(int n)
{
    ItemRecord r;
    r.setName(QStringLiteral("Item %1 brass table lamp with shade").arg(n));
    r.setRecordCode(QStringLiteral("AB%1").arg(n, 6, 10, QLatin1Char('0')));
    r.setDetails({ QStringLiteral("2 years"), QStringLiteral("$%1.50").arg(n % 5000),
        QStringLiteral("2001/%1/%2")
            .arg(n % 12 + 1, 2, 10, QLatin1Char('0'))
            .arg(n % 28 + 1, 2, 10, QLatin1Char('0')),
        QStringLiteral("1999"), QStringLiteral("ID-%1").arg(n),
        QStringLiteral("SN-%1-X").arg(n * 7919), QString(), QString(),
        QStringLiteral("$%1.95").arg(n % 900), QStringLiteral("1") });
    for (int k = 1; k <= ItemRecord::DescriptionCount; ++k)
        r.setDescription(k, pick(Places, n + k) + QStringLiteral(" : ") + pick(Rooms, n * k)
            + QStringLiteral(" : ") + pick(Makers, n + 2 * k) + QStringLiteral(" House"));
    r.setKeywords({ QStringLiteral("lamp"), QStringLiteral("brass"), QStringLiteral("antique \u20AC") });
    r.setHistory({ QStringLiteral("Bought at the county fair from a dealer in old lighting."),
        QStringLiteral("Rewired in 2003; new shade in 2010.") });
    r.setNotes({ QStringLiteral("Small dent on the base, left side, hardly visible."),
        QStringLiteral("Original bulb kept in the box in the attic, wrapped in paper."),
        QStringLiteral("Insured with the rest of the living room things.") });
    for (int k = 1; k <= ItemRecord::PictureCount; ++k)
        r.setPictureTitle(k, QStringLiteral("Untitled %1").arg(k));
    for (int k = 1; k <= 2; ++k) {
        r.setPictureFile(k, QStringLiteral("/home/user/Pictures/collection/item%1-%2.jpg")
                  .arg(n, 6, 10, QLatin1Char('0'))
                  .arg(k));
        r.setPictureTitle(k, QStringLiteral("View %1 of item %2").arg(k).arg(n));
    }
    r.setLinks({ QStringLiteral("<a href=\"http://www.example.com/items/%1\">Maker page</a>").arg(n) });
    r.Wanted = n % 7 == 0;
    r.ForSale = n % 3 == 0;
    return r;
}

// The shape of a household catalogue: short texts that repeat across records (description
// full names, details, picture titles), a unique name and code, few memo lines.
ItemRecord makeShortRecord(int n)
{
    static const char *const Conditions[] = { "Good", "Fair", "Mint", "Worn", "New", "Used" };
    ItemRecord r;
    r.setName(QStringLiteral("Thing %1").arg(n));
    r.setRecordCode(QStringLiteral("C%1").arg(n, 7, 10, QLatin1Char('0')));
    r.setDetails({ QStringLiteral("1 year"), QStringLiteral("$%1.00").arg(n % 40 * 5),
        QStringLiteral("2001/%1/01").arg(n % 12 + 1, 2, 10, QLatin1Char('0')), QString(),
        QString(), QString(), QString(), QString(), QStringLiteral("$%1.00").arg(n % 30 * 5),
        QStringLiteral("1") });
    for (int k = 1; k <= ItemRecord::DescriptionCount; ++k) {
        r.setDescription(k, k == 5
            ? QString::fromLatin1(Conditions[n % 6])
            : QStringLiteral("Top ") + pick(Places, n + k) + QStringLiteral(" : Desk : ")
                + pick(Rooms, n / 7 + k) + QStringLiteral(" : ") + pick(Makers, k)
                + QStringLiteral(" House"));
    }
    for (int k = 1; k <= ItemRecord::PictureCount; ++k)
        r.setPictureTitle(k, QStringLiteral("Untitled %1").arg(k));
    r.setPictureFile(1, QStringLiteral("/home/user/Pictures/thing%1.jpg").arg(n));
    r.setKeywords({ QStringLiteral("household") });
    r.setHistory({ QStringLiteral("Bought new.") });
    r.setNotes({ QStringLiteral("Insured with the house.") });
    r.ForSale = n % 3 == 0;
    return r;
}

int readMode(const QString &path)
{
    const long before = statusKb("VmHWM");
    RecordStore store;
    const auto start = Clock::now();
    const double cpuStart = cpuSeconds();
    const DataFile::ReadResult result = DataFile::readDatabase(path, store, false);
    const double seconds = secondsSince(start);
    const double cpu = cpuSeconds() - cpuStart;
    const long peak = statusKb("VmHWM");
    const double mb = double(QFileInfo(path).size()) / 1e6;
    if (!result.ok()) {
        std::printf("read FAILED\n");
        return 1;
    }
    std::printf("read : %8.3f s  %8.1f MB/s wall; %8.3f s %8.1f MB/s CPU; %d records\n", seconds,
        mb / seconds, cpu, mb / cpu, store.count());
    std::printf(
        "read : peak RSS %ld MB (process start %ld MB), budget 3 x file + 64 MB = %.0f MB\n",
        peak / 1024, before / 1024, 3 * mb + 64);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    // "--short" anywhere: the short-text catalogue shape instead of the long-text one.
    bool shortShape = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--short") == 0) {
            shortShape = true;
            for (int j = i; j + 1 < argc; ++j)
                argv[j] = argv[j + 1];
            --argc;
            break;
        }
    }
    if (argc == 3 && std::strcmp(argv[1], "--read") == 0)
        return readMode(QString::fromLocal8Bit(argv[2]));
    // A file to profile the reader with: --make FILE [COUNT] (100,000 records unless given).
    if ((argc == 3 || argc == 4) && std::strcmp(argv[1], "--make") == 0) {
        const int count = argc == 4 ? std::atoi(argv[3]) : 100000;
        RecordStore store;
        for (int n = 0; n < count; ++n)
            store.append(shortShape ? makeShortRecord(n) : makeRecord(n));
        return DataFile::writeDatabase(QString::fromLocal8Bit(argv[2]), store).ok ? 0 : 1;
    }

    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    QTemporaryDir dir(
        argc > 2 ? QString::fromLocal8Bit(argv[2]) + QStringLiteral("/benchXXXXXX") : QString());
    const QString path = dir.filePath(QStringLiteral("bench.dat"));

    auto start = Clock::now();
    RecordStore store;
    for (int n = 0; n < count; ++n)
        store.append(shortShape ? makeShortRecord(n) : makeRecord(n));
    for (int k = 1; k <= RecordStore::CategoryCount; ++k)
        store.categoryTexts[size_t(k)]
            = QStringLiteral("Kitchen\r\n\tDrawer\r\n\tShelf\r\nGarage\r\n");
    std::printf("generated %d records in %.3f s\n", count, secondsSince(start));

    const long rssBefore = statusKb("VmRSS");
    start = Clock::now();
    const double cpuStart = cpuSeconds();
    const DataFile::WriteResult written = DataFile::writeDatabase(path, store);
    const double writeSeconds = secondsSince(start);
    const double writeCpu = cpuSeconds() - cpuStart;
    if (!written.ok) {
        std::printf("write FAILED: %s\n", qPrintable(written.message));
        return 1;
    }
    const double mb = double(QFileInfo(path).size()) / 1e6;
    std::printf("file : %.1f MB (%s)\n", mb, qPrintable(path));
    std::printf("write: %8.3f s  %8.1f MB/s wall; %8.3f s %8.1f MB/s CPU (encode, write, commit)\n",
        writeSeconds, mb / writeSeconds, writeCpu, mb / writeCpu);
    std::printf("write: RSS %ld MB with the store, peak %ld MB\n", rssBefore / 1024,
        statusKb("VmHWM") / 1024);
    store.clear();

    // The read runs in a fresh process so its peak memory is its own.
    const std::string self = QFile::symLinkTarget(QStringLiteral("/proc/self/exe")).toStdString();
    // GCC 12 warns falsely about "'" + std::string; build the quoted path piece by piece.
    std::string quoted(1, '\'');
    quoted += path.toStdString();
    quoted += '\'';
    if (std::system((self + " --read " + quoted).c_str()) != 0)
        return 1;

    start = Clock::now();
    if (std::system(("cat " + quoted + " > /dev/null").c_str()) != 0)
        return 1;
    const double catSeconds = secondsSince(start);
    std::printf("cat  : %8.3f s  %8.1f MB/s  (floor: reading the cached file)\n", catSeconds,
        mb / catSeconds);
    return 0;
}
