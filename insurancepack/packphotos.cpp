// Checking, copying and preparing the pack's photos.
#include "insurancepack/packphotos.h"

#include <cerrno>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <openssl/evp.h>

#include <QBuffer>
#include <QCryptographicHash>
#include <QImageWriter>
#include <QPainter>

#include "platform/exif.h"
#include "platform/jpegdecoder.h"
#include "platform/picture.h"
#include "platform/pictureloader.h"

using namespace Qt::StringLiterals;

namespace InsurancePack::Parts {
namespace {

// The photos' JPEG quality in the PDF: the originals are in photos/ byte for byte, the PDF is
// for reading and printing, and 3,000 photos must still make a PDF that can be mailed.
constexpr int PdfPhotoQuality = 55;

struct Fd
{
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The file's bytes, or a state saying why it is not a photo. Opened without waiting, so a FIFO
// put where a photo was is refused instead of blocking the pack.
PhotoState readPhoto(const QString &path, QByteArray &bytes, mode_t *mode)
{
    Fd in;
    in.fd
        = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (in.fd < 0)
        return PhotoState::Missing;
    struct stat st
    {
    };
    if (::fstat(in.fd, &st) != 0)
        return PhotoState::Missing;
    if (!S_ISREG(st.st_mode))
        return PhotoState::NotRegular;
    if (st.st_size > PictureLimits::MaxFileBytes)
        return PhotoState::TooLarge;
    *mode = st.st_mode;
    // One byte more than the file's size shows a file that grew meanwhile.
    bytes.resize(qsizetype(st.st_size) + 1);
    qint64 got = 0;
    for (;;) {
        if (got == bytes.size()) {
            if (bytes.size() > PictureLimits::MaxFileBytes)
                return PhotoState::TooLarge;
            bytes.resize(std::min<qint64>(bytes.size() * 2, PictureLimits::MaxFileBytes + 1));
        }
        const ssize_t n = ::read(in.fd, bytes.data() + got, size_t(bytes.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return PhotoState::Missing;
        if (n == 0)
            break;
        got += n;
    }
    bytes.resize(got);
    return PhotoState::Included;
}

bool writeAll(int fd, const QByteArray &bytes)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

} // namespace

QString sha256Hex(const QByteArray &bytes)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!EVP_Digest(
            bytes.constData(), size_t(bytes.size()), digest, &length, EVP_sha256(), nullptr))
        return QString::fromLatin1(
            QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char *>(digest), int(length)).toHex());
}

QString fileSha256(const QString &path, bool *ok)
{
    QFile f(path);
    *ok = false;
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX *)> ctx(
        EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!ctx || !EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr))
        return {};
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 n = f.read(chunk.data(), chunk.size());
        if (n < 0)
            return {};
        if (n == 0)
            break;
        EVP_DigestUpdate(ctx.get(), chunk.constData(), size_t(n));
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!EVP_DigestFinal_ex(ctx.get(), digest, &length))
        return {};
    *ok = true;
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char *>(digest), int(length)).toHex());
}

void preparePhoto(Photo &ph, const QDir &out, int side, int minSide, Spool &spool)
{
    QByteArray bytes;
    mode_t mode = 0;
    ph.state = readPhoto(ph.path, bytes, &mode);
    if (!ph.included())
        return;

    // Decoded before anything is copied: only pictures go to the insurer. A JPEG is decoded at
    // the smallest DCT reduction that still gives `minSide`, so a twelve-megapixel photo is
    // never decoded whole.
    const QString ext = pictureExtension(ph.path);
    JpegDecoder::Header header;
    Picture pic;
    if ((ext == u"jpg" || ext == u"jpeg") && JpegDecoder::readHeader(bytes, header)) {
        const QSize shown = header.shownSize();
        const int least = std::max(1, minSide);
        const QSize want = shown.width() > least || shown.height() > least
            ? shown.scaled(least, least, Qt::KeepAspectRatio)
            : shown;
        pic = JpegDecoder::decodeScaledData(bytes, want);
    } else {
        pic = PictureLoader::loadData(bytes, ext);
    }
    if (!pic.ok() || pic.image.isNull()) {
        ph.state = PhotoState::NotPicture;
        return;
    }

    // A new file of the reserved name in the folder this pack made; never through a link.
    const QString copyPath = out.filePath(u"photos/"_s + ph.packName);
    Fd copy;
    copy.fd = ::open(QFile::encodeName(copyPath).constData(),
        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode & 0666);
    const bool written = copy.fd >= 0 && writeAll(copy.fd, bytes);
    const int error = errno;
    const bool closed = copy.fd >= 0 && ::close(copy.fd) == 0;
    copy.fd = -1;
    if (!written || !closed) {
        ph.error = u"Cannot copy %1 into the pack: %2"_s.arg(
            QDir::toNativeSeparators(ph.path), systemReason(written ? errno : error));
        return;
    }
    ph.sha256 = sha256Hex(bytes);
    ph.taken = readJpegExif(ph.path).dateTaken;
    if (side <= 0)
        return;

    QImage img = pic.image;
    if (img.width() > side || img.height() > side)
        img = img.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (img.hasAlphaChannel()) {
        // On the page's white, as a viewer shows a transparent picture.
        QImage flat(img.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        QPainter(&flat).drawImage(0, 0, img);
        img = flat;
    }
    QByteArray jpeg;
    {
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(PdfPhotoQuality);
        if (!writer.write(img.convertToFormat(QImage::Format_RGB32))) {
            ph.state = PhotoState::NotPicture;
            QFile::remove(copyPath);
            return;
        }
    }
    QMutexLocker lock(&spool.mutex);
    ph.spoolAt = spool.file.pos();
    ph.spoolLength = jpeg.size();
    ph.placed = img.size();
    if (spool.file.write(jpeg) != jpeg.size())
        spool.ok = false;
}

} // namespace InsurancePack::Parts
