// Makes the insurance pack in a folder of its own making, and gives it the pack's name only once
// every file is written and listed in the manifest.
#include "insurancepack/packcomposer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentMap>
#include <QtConcurrent/QtConcurrentRun>

#include "insurancepack/packparts.h"
#include "insurancepack/packpdf.h"
#include "insurancepack/packphotos.h"
#include "insurancepack/timestamp.h"
#include "store/datafile.h"
#include "store/recordstore.h"
#include "store/safewrite.h"

using namespace Qt::StringLiterals;

namespace InsurancePack {
namespace {

using namespace Parts;

// A full-width photo in the PDF has its long side between these (smaller pictures as they
// are): the JPEG is decoded at the smallest DCT reduction that still gives the lower figure,
// so a twelve-megapixel photo is decoded at a quarter of its size, never whole. Small photos
// (four to a row) need half as much.
constexpr int MaxPhotoSide = 1600;
constexpr int MinPhotoSide = 1000;

const QString FixedFiles[]
    = { u"catalogue.dat"_s, u"inventory.csv"_s, u"inventory.html"_s, u"inventory.pdf"_s };
const QString SpoolName = u".photos.spool"_s;
const QString ManifestName = u"manifest.sha256"_s;
const QString StampName = u"manifest.sha256.tsr"_s;

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The process's file-creation mask, read without changing it (umask() would race the workers).
mode_t currentUmask()
{
    QFile status(u"/proc/self/status"_s);
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.startsWith("Umask:"))
                return mode_t(line.mid(6).trimmed().toUInt(nullptr, 8));
    return 022;
}

// The folder the pack is written in: made new under a unique name beside the target, private
// while it is written. Only the files the pack wrote are ever removed from it, and never
// through a link: a name planted beside the target is neither followed nor deleted.
class WorkFolder
{
public:
    ~WorkFolder()
    {
        if (!m_path.isEmpty() && !m_kept)
            discard();
    }
    bool create(const QDir &parent, const QString &name, QString *message)
    {
        QByteArray pattern = QFile::encodeName(
            parent.absoluteFilePath(u"."_s + name.left(100) + u".part-XXXXXX"_s));
        if (!::mkdtemp(pattern.data())) {
            *message = u"Cannot create the pack folder in %1: %2"_s.arg(
                QDir::toNativeSeparators(parent.absolutePath()), systemReason(errno));
            return false;
        }
        m_path = QFile::decodeName(pattern);
        if (::mkdir(QFile::encodeName(filePath(u"photos"_s)).constData(), 0700) != 0) {
            *message = u"Cannot create the pack folder in %1: %2"_s.arg(
                QDir::toNativeSeparators(parent.absolutePath()), systemReason(errno));
            return false;
        }
        return true;
    }
    QString path() const { return m_path; }
    QDir dir() const { return QDir(m_path); }
    QString filePath(const QString &name) const { return m_path + u'/' + name; }
    void addPhotoNames(const std::vector<Photo> &photos)
    {
        for (const Photo &ph : photos)
            if (!ph.packName.isEmpty())
                m_photoNames << ph.packName;
    }
    void discard()
    {
        auto unlink
            = [&](const QString &name) { ::unlink(QFile::encodeName(filePath(name)).constData()); };
        for (const QString &name : FixedFiles)
            unlink(name);
        unlink(SpoolName);
        unlink(ManifestName);
        unlink(StampName);
        for (const QString &name : std::as_const(m_photoNames))
            unlink(u"photos/"_s + name);
        // Whatever else is there was not made by the pack: rmdir leaves it.
        ::rmdir(QFile::encodeName(filePath(u"photos"_s)).constData());
        ::rmdir(QFile::encodeName(m_path).constData());
        m_path.clear();
    }
    // Opens the folder to others as a folder made by mkdir would be, and gives it the pack's
    // name unless something has taken that name meanwhile.
    bool finish(const QString &target, QString *message)
    {
        ::chmod(QFile::encodeName(m_path).constData(), 0777 & ~currentUmask());
        ::chmod(QFile::encodeName(filePath(u"photos"_s)).constData(), 0777 & ~currentUmask());
        if (::renameat2(AT_FDCWD, QFile::encodeName(m_path).constData(), AT_FDCWD,
                QFile::encodeName(target).constData(), RENAME_NOREPLACE)
            != 0) {
            *message = u"Cannot rename the pack folder to %1: %2"_s.arg(
                QDir::toNativeSeparators(target), systemReason(errno));
            return false;
        }
        m_kept = true;
        return true;
    }

private:
    QString m_path;
    QStringList m_photoNames;
    bool m_kept = false;
};

bool writeFile(const QString &path, const QByteArray &bytes, QString *message)
{
    const SafeWrite::Result written = SafeWrite::write(path, bytes);
    if (!written.ok())
        *message = written.message;
    return written.ok();
}

// The catalogue as it is now (edits not yet saved included), holding the pack's records, with
// each included picture's path leading to its copy: relative to the pack, so the catalogue opened
// from the pack on any machine finds them.
bool writeCatalogue(const Pack &pack, const QString &path, QString *message)
{
    std::map<const ItemRecord *, const Entry *> entries;
    for (const Group &g : pack.groups)
        for (const Place &p : g.places)
            for (const Entry &e : p.entries)
                if (!e.photos.empty())
                    entries.emplace(e.record, &e);
    RecordStore copy = pack.store;
    std::vector<RecordPtr> records;
    for (const RecordPtr &r : pack.store.records()) {
        if (pack.options.searchListOnly && !r->OnSearchList)
            continue;
        const auto it = entries.find(r.get());
        if (it == entries.end()) {
            records.push_back(r);
            continue;
        }
        auto moved = std::make_shared<ItemRecord>(*r);
        size_t use = 0;
        for (int i = 1; i <= ItemRecord::PictureCount; ++i) {
            if (moved->isEmpty(ItemRecord::pictureFileValue(i)))
                continue;
            const Photo &ph = pack.photo(it->second->photos[use++]);
            if (ph.included())
                moved->setPictureFile(i, u"photos/"_s + ph.packName);
        }
        records.push_back(std::move(moved));
    }
    copy.records() = std::move(records);
    const DataFile::WriteResult written = DataFile::writeDatabase(path, copy);
    if (!written.ok)
        *message = written.message;
    return written.ok;
}

} // namespace

int defaultGroupBy(const RecordStore &store)
{
    for (int k = 1; k <= RecordStore::CategoryCount; ++k)
        if (store.captions.description[size_t(k)] == u"Location"_s)
            return k;
    return 8;
}

Result make(const RecordStore &store, const QString &databasePath, const QString &folder,
    const Options &options, const Progress &progress, const std::atomic_bool *cancel)
{
#ifdef __GLIBC__
    // Qt's PDF engine takes and frees a megabyte or so for each page it compresses; with the
    // heap's top given back each time, the kernel clears those pages again for every page of
    // the PDF (half the time of a large pack). Such blocks come from the heap, and its freed
    // top is kept, while the pack is made.
    struct KeepHeapTop
    {
        KeepHeapTop()
        {
            mallopt(M_MMAP_THRESHOLD, 32 << 20);
            mallopt(M_TRIM_THRESHOLD, 256 << 20);
        }
        ~KeepHeapTop()
        {
            mallopt(M_MMAP_THRESHOLD, 128 << 10);
            mallopt(M_TRIM_THRESHOLD, 128 << 10);
            malloc_trim(0);
        }
    } keepHeapTop;
#endif
    Result result;
    const QFileInfo target(folder);
    struct stat st
    {
    };
    // lstat: a link there, even a dangling one, is a name taken.
    if (::lstat(QFile::encodeName(target.absoluteFilePath()).constData(), &st) == 0) {
        result.message = u"%1 already exists: choose a new folder for the pack."_s.arg(
            QDir::toNativeSeparators(folder));
        return result;
    }

    Pack pack { store, options };
    pack.madeAt = options.madeAt.isValid() ? options.madeAt : QDateTime::currentDateTime();
    pack.cancel = cancel;
    pack.progress = progress;
    pack.databaseName = QFileInfo(databasePath).fileName();
    gather(pack, QFileInfo(databasePath).absolutePath());
    if (pack.records == 0) {
        result.message = options.searchListOnly
            ? u"The search list is empty: there is nothing to put in the pack. Run a search first."_s
            : u"The catalogue has no records: there is nothing to put in the pack."_s;
        return result;
    }

    WorkFolder work;
    if (!work.create(target.absoluteDir(), target.fileName(), &result.message))
        return result;
    work.addPhotoNames(pack.photos);
    auto fail = [&](const QString &message) {
        work.discard();
        result.message = message;
        result.cancelled = cancel && cancel->load();
        return result;
    };

    // The photos on both cores, a handful at a time so progress and Cancel are answered.
    std::vector<Photo *> todo;
    for (Photo &ph : pack.photos)
        if (ph.included())
            todo.push_back(&ph);
    const int side = options.photos == Photos::None ? 0
        : options.photos == Photos::Small           ? MaxPhotoSide / 2
                                                    : MaxPhotoSide;
    Spool spool;
    spool.file.setFileName(work.filePath(SpoolName));
    if (side > 0 && !todo.empty() && !spool.file.open(QIODevice::ReadWrite | QIODevice::NewOnly))
        return fail(u"Cannot write in %1: %2"_s.arg(
            QDir::toNativeSeparators(work.path()), spool.file.errorString()));
    const QDir out = work.dir();
    // The pack's own threads, not the shared pool: Qt converts and scales large images in the
    // window on the shared pool and waits for it, so photos queued there would stop the window
    // for a handful of photos at a time.
    QThreadPool pool;
    const int steps = int(todo.size()) + 1;
    for (size_t done = 0; done < todo.size();) {
        if (pack.cancelled())
            return fail(u"Cancelled"_s);
        const size_t end = std::min(todo.size(), done + 16);
        const std::vector<Photo *> slice(
            todo.begin() + qsizetype(done), todo.begin() + qsizetype(end));
        QtConcurrent::blockingMap(&pool, slice, [&](Photo *ph) {
            // Cancel is answered within a photo, not a whole handful of them.
            if (!pack.cancelled())
                preparePhoto(*ph, out, side, side * MinPhotoSide / MaxPhotoSide, spool);
        });
        if (pack.cancelled())
            return fail(u"Cancelled"_s);
        for (const Photo *ph : slice)
            if (!ph->error.isEmpty())
                return fail(ph->error);
        if (!spool.ok)
            return fail(u"Cannot write in %1: %2"_s.arg(
                QDir::toNativeSeparators(work.path()), spool.file.errorString()));
        done = end;
        if (progress)
            progress(int(qint64(done) * 800 / steps));
    }

    QString message;
    const QString cataloguePath = work.filePath(u"catalogue.dat"_s);
    if (!writeCatalogue(pack, cataloguePath, &message))
        return fail(message);
    // The catalogue's copy is no more open to others than the catalogue itself.
    if (struct stat db {}; ::stat(QFile::encodeName(databasePath).constData(), &db) == 0)
        ::chmod(QFile::encodeName(cataloguePath).constData(), db.st_mode & 0666);
    {
        bool ok = false;
        pack.catalogueSha = fileSha256(cataloguePath, &ok);
    }

    // The web page and the table are put together on the other core while the PDF is drawn.
    struct Texts
    {
        QByteArray html, csv;
    };
    QFuture<Texts> texts = QtConcurrent::run(&pool, [&pack] {
        return Texts { htmlPage(pack), csvText(pack) };
    });
    // Whatever way this ends, the texts are done with `pack` before it goes.
    const auto joinTexts = qScopeGuard([&] { texts.waitForFinished(); });
    if (!writePdf(pack, work.filePath(u"inventory.pdf"_s), &spool, &message))
        return fail(message);
    spool.file.remove();
    if (pack.cancelled())
        return fail(u"Cancelled"_s);
    const Texts done = texts.result();
    if (!writeFile(work.filePath(u"inventory.html"_s), done.html, &message)
        || !writeFile(work.filePath(u"inventory.csv"_s), done.csv, &message))
        return fail(message);

    // Every other file with its SHA-256, as sha256sum writes them: one line per file in the
    // folder. The photos' sums were taken from the very bytes written, so they are not read again.
    QByteArray manifest;
    for (const QString &name : FixedFiles) {
        bool ok = false;
        const QString sum = fileSha256(work.filePath(name), &ok);
        if (!ok)
            return fail(u"Cannot read back %1"_s.arg(name));
        manifest += sum.toLatin1() + "  " + name.toUtf8() + '\n';
    }
    std::map<QString, QString> photoSums;
    for (const Photo &ph : pack.photos)
        if (ph.included())
            photoSums[ph.packName] = ph.sha256;
    for (const auto &[name, sum] : photoSums)
        manifest += sum.toLatin1() + "  photos/" + name.toUtf8() + '\n';
    if (!writeFile(work.filePath(ManifestName), manifest, &message))
        return fail(message);
    if (!options.timestampAddress.isEmpty()) {
        const Timestamp::Reply stamp = Timestamp::stamp(options.timestampAddress, manifest, cancel);
        if (pack.cancelled())
            return fail(u"Cancelled"_s);
        if (stamp.ok) {
            if (!writeFile(work.filePath(StampName), stamp.response, &message))
                return fail(message);
            result.timestamped = true;
            result.timestampTime = stamp.time;
        } else {
            result.timestampProblem = stamp.message;
        }
    }
    if (!work.finish(target.absoluteFilePath(), &message))
        return fail(message);
    if (progress)
        progress(1000);
    result.ok = true;
    result.folder = target.absoluteFilePath();
    result.records = pack.records;
    result.photosIncluded = pack.included();
    result.photosMissing = pack.notIncluded();
    return result;
}

} // namespace InsurancePack
