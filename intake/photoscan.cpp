// Reading a folder of photos: walking it by the bytes of its names, validating each picture, and
// telling the photos already in the catalogue from new ones.
#include "intake/photointake.h"
#include "intake/photoscan_p.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QtEndian>
#include <QHash>
#include <QStringDecoder>
#include <QThread>
#include <QtConcurrent/QtConcurrentMap>

#include "platform/exif.h"
#include "platform/imagelibrary.h"
#include "platform/jpegdecoder.h"
#include "store/recordstore.h"
#include "store/textcodec.h"

namespace PhotoIntake {

namespace {

bool isPictureName(const QString &path)
{
    static const QStringList suffixes = { QStringLiteral("jpg"), QStringLiteral("jpeg"),
        QStringLiteral("png"), QStringLiteral("gif"), QStringLiteral("bmp"), QStringLiteral("tif"),
        QStringLiteral("tiff"), QStringLiteral("webp"), QStringLiteral("heic"),
        QStringLiteral("heif") };
    return suffixes.contains(QFileInfo(path).suffix().toLower());
}

bool isJpegName(const QString &path)
{
    const QString s = QFileInfo(path).suffix().toLower();
    return s == QLatin1String("jpg") || s == QLatin1String("jpeg");
}

// A file of the folder as found, before it is read.
struct Found
{
    QByteArray native;
    QString path; // as it will be stored: the root folder as given, then the names below it
    QString canonical; // the same below the root folder's canonical path
    QString folder;
    bool notUtf8 = false;
    // Filled when read:
    enum class Verdict { NotPicture, Used, Unreadable, Picture } verdict = Verdict::Picture;
    QDateTime taken;
};

// A name's text; one that is not UTF-8 reads as Windows-1252, as older systems wrote it.
QString decodeName(const QByteArray &bytes, bool &notUtf8)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    notUtf8 = utf8.hasError();
    return notUtf8 ? decodeText(bytes) : text;
}

struct Folder
{
    QByteArray native;
    QString path;
    QString canonical;
    bool notUtf8 = false;
};

struct Entry
{
    QByteArray name;
    bool isDir = false;
};

// The entries of a folder that are regular files or folders, neither hidden nor links.
bool listFolder(const QByteArray &native, std::vector<Entry> &entries)
{
    entries.clear();
    DIR *dir = ::opendir(native.constData());
    if (!dir)
        return false;
    const int fd = ::dirfd(dir);
    while (const dirent *e = ::readdir(dir)) {
        const QByteArray name(e->d_name);
        if (name.startsWith('.'))
            continue; // ".", "..", and hidden ones such as .thumbnails
        struct stat st;
        if (::fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(st.st_mode))
            entries.push_back({ name, true });
        else if (S_ISREG(st.st_mode))
            entries.push_back({ name, false });
    }
    ::closedir(dir);
    return true;
}

// A folder an insurance pack was written to: its manifest beside its PDF.
bool isPackFolder(const std::vector<Entry> &entries)
{
    bool manifest = false, pdf = false;
    for (const Entry &e : entries) {
        manifest = manifest || (!e.isDir && e.name == "manifest.sha256");
        pdf = pdf || (!e.isDir && e.name == "inventory.pdf");
    }
    return manifest && pdf;
}

int countFiles(const QByteArray &native)
{
    int count = 0;
    std::vector<QByteArray> pending { native };
    std::vector<Entry> entries;
    while (!pending.empty()) {
        const QByteArray dir = pending.back();
        pending.pop_back();
        if (!listFolder(dir, entries))
            continue;
        for (const Entry &e : entries) {
            if (e.isDir)
                pending.push_back(dir + '/' + e.name);
            else
                ++count;
        }
    }
    return count;
}

void walk(const Folder &root, std::vector<Found> &files, int &inPacks)
{
    std::vector<Folder> pending { root };
    std::vector<Entry> entries;
    while (!pending.empty()) {
        const Folder dir = pending.back();
        pending.pop_back();
        if (!listFolder(dir.native, entries))
            continue;
        if (isPackFolder(entries) && dir.native != root.native) {
            inPacks += countFiles(dir.native);
            continue;
        }
        for (const Entry &e : entries) {
            bool notUtf8 = false;
            const QString name = decodeName(e.name, notUtf8);
            const QByteArray native = dir.native + '/' + e.name;
            const QString path = dir.path + QLatin1Char('/') + name;
            const QString canonical = dir.canonical + QLatin1Char('/') + name;
            notUtf8 = notUtf8 || dir.notUtf8;
            if (e.isDir) {
                pending.push_back({ native, path, canonical, notUtf8 });
            } else {
                Found f;
                f.native = native;
                f.path = path;
                f.canonical = canonical;
                f.folder = dir.path;
                f.notUtf8 = notUtf8;
                files.push_back(std::move(f));
            }
        }
    }
}

void readPhoto(Found &f)
{
    // One buffer a thread, kept from photo to photo: fresh pages for every photo of a folder
    // cost more than reading it.
    thread_local QByteArray bytes;
    QDateTime modified;
    if (detail::readNativeFile(f.native, bytes, &modified) != PictureStatus::Ok) {
        f.verdict = Found::Verdict::Unreadable;
        return;
    }
    const detail::Validated v = detail::validatePicture(bytes, QFileInfo(f.path).suffix());
    if (!v.ok) {
        f.verdict = Found::Verdict::Unreadable;
        return;
    }
    f.verdict = Found::Verdict::Picture;
    f.taken = v.taken.isValid() ? v.taken : modified;
}

// Resolves links, "." and ".." in a folder's path once for every file in it.
class CanonicalFolders
{
public:
    QString canonical(const QString &absolute)
    {
        const qsizetype slash = absolute.lastIndexOf(QLatin1Char('/'));
        if (slash < 0)
            return QDir::cleanPath(absolute);
        const QString dir = absolute.left(slash);
        auto it = m_folders.find(dir);
        if (it == m_folders.end()) {
            const QString resolved
                = QFileInfo(dir.isEmpty() ? QStringLiteral("/") : dir).canonicalFilePath();
            it = m_folders.insert(dir, resolved);
        }
        if (it->isEmpty())
            return QDir::cleanPath(absolute); // a folder that is gone: its path as written
        return (*it == QLatin1String("/") ? QString() : *it) + absolute.mid(slash);
    }

private:
    QHash<QString, QString> m_folders;
};

} // namespace

namespace detail {

namespace {

// A HEIF's date taken: its Exif item is a TIFF block behind a four-byte offset.
QDateTime heifDateTaken(const QByteArray &bytes)
{
    const QByteArray block = ImageLibrary::heifExif(bytes);
    const size_t size = size_t(block.size());
    if (size < 4 + 8)
        return {};
    const quint32 offset = qFromBigEndian<quint32>(block.constData());
    if (offset > size - 4 - 8)
        return {};
    const QByteArray payload = QByteArray("Exif\0\0", 6) + block.mid(4 + qsizetype(offset));
    return exifInfo(
        reinterpret_cast<const unsigned char *>(payload.constData()), size_t(payload.size()))
        .dateTaken;
}

} // namespace

PictureStatus readNativeFile(const QByteArray &native, QByteArray &bytes, QDateTime *modified)
{
    bytes.resize(0); // its room is kept for the next file
    // Not through a link, never blocking on a FIFO: only a regular file is read.
    const int fd = ::open(native.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return PictureStatus::Unreadable;
    struct stat st;
    PictureStatus status = PictureStatus::Ok;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        status = PictureStatus::Unreadable;
    } else if (st.st_size > PictureLimits::MaxFileBytes) {
        status = PictureStatus::Rejected;
    } else {
        if (modified)
            *modified = QDateTime::fromMSecsSinceEpoch(
                qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000);
        // One byte more than measured shows a file that grew meanwhile; the limit still holds.
        bytes.resize(qsizetype(st.st_size) + 1);
        qsizetype got = 0;
        for (;;) {
            if (got == bytes.size()) {
                if (bytes.size() > PictureLimits::MaxFileBytes) {
                    status = PictureStatus::Rejected;
                    break;
                }
                bytes.resize(
                    std::min<qsizetype>(bytes.size() * 2, PictureLimits::MaxFileBytes + 1));
            }
            const ssize_t n = ::read(fd, bytes.data() + got, size_t(bytes.size() - got));
            if (n < 0) {
                status = PictureStatus::Unreadable;
                break;
            }
            if (n == 0)
                break;
            got += n;
        }
        bytes.resize(status == PictureStatus::Ok ? got : 0);
    }
    ::close(fd);
    return status;
}

bool jpegRunsToItsEnd(const QByteArray &data, QByteArrayView *exif)
{
    const auto *d = reinterpret_cast<const unsigned char *>(data.constData());
    const qsizetype size = data.size();
    if (size < 4 || d[0] != 0xFF || d[1] != 0xD8)
        return false;
    qsizetype at = 2;
    bool frame = false, scan = false;
    while (at < size) {
        if (d[at] != 0xFF)
            return false;
        while (at < size && d[at] == 0xFF)
            ++at; // fill bytes
        if (at >= size)
            return false;
        const unsigned char marker = d[at++];
        if (marker == 0xD9)
            return frame && scan;
        if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01)
            continue; // restart markers and TEM stand alone
        if (at + 2 > size)
            return false;
        const qsizetype length = (qsizetype(d[at]) << 8) | d[at + 1];
        if (length < 2 || at + length > size)
            return false;
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
            frame = true;
        if (marker == 0xE1 && exif && exif->isEmpty() && length >= 8
            && std::memcmp(d + at + 2, "Exif\0\0", 6) == 0)
            *exif = QByteArrayView(data.constData() + at + 2, length - 2);
        at += length;
        if (marker == 0xDA) {
            if (!frame)
                return false;
            scan = true;
            // The entropy-coded data runs to the next marker other than a restart; a file cut
            // short has none.
            for (;;) {
                const void *ff = std::memchr(d + at, 0xFF, size_t(size - at));
                if (!ff)
                    return false;
                at = static_cast<const unsigned char *>(ff) - d;
                if (at + 1 >= size)
                    return false;
                const unsigned char next = d[at + 1];
                if (next == 0x00 || (next >= 0xD0 && next <= 0xD7)) {
                    at += 2;
                    continue;
                }
                if (next == 0xFF) {
                    ++at;
                    continue;
                }
                break;
            }
        }
    }
    return false;
}

Validated validatePicture(const QByteArray &bytes, const QString &suffix)
{
    Validated v;
    const QString s = suffix.toLower();
    if (s == QLatin1String("jpg") || s == QLatin1String("jpeg")) {
        // Decoding every photo of a folder would take minutes; the markers tell a file cut short
        // or garbled in its structure, and libjpeg checks the frame header and its size.
        QByteArrayView exif;
        JpegDecoder::Header header;
        if (!jpegRunsToItsEnd(bytes, &exif) || !JpegDecoder::readHeader(bytes, header)
            || header.storedSize.isEmpty()
            || qint64(header.storedSize.width()) * header.storedSize.height()
                > PictureLimits::MaxSourcePixels)
            return v;
        if (!exif.isEmpty())
            v.taken = exifInfo(
                reinterpret_cast<const unsigned char *>(exif.data()), size_t(exif.size()))
                          .dateTaken;
        v.ok = true;
        return v;
    }
    v.ok = ImageLibrary::loadData(bytes, s).ok();
    if (v.ok && (s == QLatin1String("heic") || s == QLatin1String("heif")))
        v.taken = heifDateTaken(bytes);
    return v;
}

} // namespace detail

QSet<QString> usedPicturePaths(const RecordStore &store)
{
    const QString base
        = store.fileName.isEmpty() ? QDir::currentPath() : QFileInfo(store.fileName).absolutePath();
    CanonicalFolders folders;
    QSet<QString> used;
    for (const RecordPtr &r : store.records())
        for (int k = 1; k <= ItemRecord::PictureCount; ++k)
            if (const QString &f = r->pictureFile(k); !f.isEmpty())
                used.insert(
                    folders.canonical(QDir::isRelativePath(f) ? base + QLatin1Char('/') + f : f));
    return used;
}

Scan scanFolder(const QString &folder, const QSet<QString> &usedPaths, const Progress &progress)
{
    Scan scan;
    const QString root = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    QString canonicalRoot = QFileInfo(root).canonicalFilePath();
    if (canonicalRoot == QLatin1String("/"))
        canonicalRoot.clear();
    std::vector<Found> files;
    walk({ QFile::encodeName(root), root == QLatin1String("/") ? QString() : root, canonicalRoot,
             false },
        files, scan.inPacks);
    std::sort(
        files.begin(), files.end(), [](const Found &a, const Found &b) { return a.path < b.path; });

    std::vector<Found *> toRead;
    for (Found &f : files) {
        if (!isPictureName(f.path))
            f.verdict = Found::Verdict::NotPicture;
        else if (!f.notUtf8 && usedPaths.contains(f.canonical))
            f.verdict = Found::Verdict::Used;
        else
            toRead.push_back(&f);
    }
    // Validating reads every byte: on every core, a few files at a time so Cancel is heard.
    const int total = int(toRead.size());
    const int step = std::max(4, 2 * QThread::idealThreadCount());
    for (int i = 0; i < total; i += step) {
        if (progress && !progress(i, total)) {
            scan.cancelled = true;
            return scan;
        }
        QtConcurrent::blockingMap(toRead.begin() + i, toRead.begin() + std::min(total, i + step),
            [](Found *f) { readPhoto(*f); });
    }
    if (progress && !progress(total, total)) {
        scan.cancelled = true;
        return scan;
    }
    for (Found &f : files) {
        switch (f.verdict) {
        case Found::Verdict::NotPicture:
            ++scan.notPictures;
            break;
        case Found::Verdict::Used:
            ++scan.alreadyUsed;
            break;
        case Found::Verdict::Unreadable:
            ++scan.unreadable;
            break;
        case Found::Verdict::Picture:
            if (f.notUtf8 || !isStorablePath(f.path)) {
                scan.unstorable.push_back({ f.native, f.path, f.folder, f.taken, f.notUtf8 });
            } else {
                Photo p;
                p.path = f.path;
                p.folder = f.folder.isEmpty() ? QStringLiteral("/") : f.folder;
                p.taken = f.taken;
                scan.photos.push_back(std::move(p));
            }
            break;
        }
    }
    sortPhotos(scan.photos);
    return scan;
}

void sortPhotos(std::vector<Photo> &photos)
{
    std::stable_sort(photos.begin(), photos.end(), [](const Photo &a, const Photo &b) {
        if (a.folder != b.folder)
            return a.folder < b.folder;
        if (a.taken != b.taken)
            return a.taken < b.taken;
        return a.path < b.path;
    });
}

bool isStorablePath(const QString &path)
{
    return decodeText(encodeText(path)) == path;
}

} // namespace PhotoIntake
