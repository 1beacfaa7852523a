// EXIF reading for photos: orientation and date taken, from a bounds-checked walk of the TIFF
// structure, and a JPEG marker scan that stops before the image data.
#include "platform/exif.h"

#include <QFile>

#include <cstring>

#include "platform/tiffreader_p.h"

namespace {

constexpr unsigned TagOrientation = 0x0112;
constexpr unsigned TagDateTime = 0x0132;
constexpr unsigned TagExifIfd = 0x8769;
constexpr unsigned TagDateTimeOriginal = 0x9003;
constexpr unsigned TagDateTimeDigitized = 0x9004;
constexpr unsigned TypeAscii = 2, TypeShort = 3, TypeLong = 4;
constexpr unsigned MaxEntries = 1024; // a real IFD has a few dozen

// "YYYY:MM:DD HH:MM:SS", the only form EXIF allows; blanks or zeros mean unknown.
QDateTime parseExifDate(const TiffReader &t, size_t entry)
{
    unsigned type = 0;
    quint32 count = 0, offset = 0;
    if (!t.u16(entry + 2, type) || !t.u32(entry + 4, count) || type != TypeAscii || count < 19)
        return {};
    size_t at = entry + 8;
    if (count > 4) {
        if (!t.u32(entry + 8, offset))
            return {};
        at = offset;
    }
    if (at > t.n || t.n - at < 19)
        return {};
    const QByteArray text(reinterpret_cast<const char *>(t.p + at), 19);
    const QDateTime when
        = QDateTime::fromString(QString::fromLatin1(text), QStringLiteral("yyyy:MM:dd HH:mm:ss"));
    return when.isValid() && when.date().year() > 1800 ? when : QDateTime();
}

} // namespace

ExifInfo exifInfo(const unsigned char *data, size_t size)
{
    ExifInfo info;
    static const unsigned char exifHeader[] = { 'E', 'x', 'i', 'f', 0, 0 };
    if (!data || size < 6 + 8 || std::memcmp(data, exifHeader, 6) != 0)
        return info;
    TiffReader t { data + 6, size - 6, false };
    if (t.p[0] == 'I' && t.p[1] == 'I')
        t.little = true;
    else if (!(t.p[0] == 'M' && t.p[1] == 'M'))
        return info;
    unsigned magic = 0;
    quint32 ifd0 = 0;
    if (!t.u16(2, magic) || magic != 42 || !t.u32(4, ifd0))
        return info;

    QDateTime changed; // IFD0's DateTime: when the file was last changed, a last resort
    quint32 exifIfd = 0;
    unsigned count = 0;
    if (!t.u16(ifd0, count) || count > MaxEntries)
        return info;
    for (unsigned i = 0; i < count; ++i) {
        const size_t entry = size_t(ifd0) + 2 + size_t(i) * 12;
        unsigned tag = 0, type = 0, value = 0;
        if (!t.u16(entry, tag) || !t.u16(entry + 2, type))
            break;
        if (tag == TagOrientation && type == TypeShort && t.u16(entry + 8, value) && value >= 1
            && value <= 8)
            info.orientation = int(value);
        else if (tag == TagDateTime)
            changed = parseExifDate(t, entry);
        else if (tag == TagExifIfd && (type == TypeLong || type == 13))
            t.u32(entry + 8, exifIfd);
    }

    QDateTime original, digitized;
    if (exifIfd != 0 && exifIfd != ifd0 && t.u16(exifIfd, count) && count <= MaxEntries) {
        for (unsigned i = 0; i < count; ++i) {
            const size_t entry = size_t(exifIfd) + 2 + size_t(i) * 12;
            unsigned tag = 0;
            if (!t.u16(entry, tag))
                break;
            if (tag == TagDateTimeOriginal)
                original = parseExifDate(t, entry);
            else if (tag == TagDateTimeDigitized)
                digitized = parseExifDate(t, entry);
        }
    }
    info.dateTaken = original.isValid() ? original : digitized.isValid() ? digitized : changed;
    return info;
}

ExifInfo readJpegExif(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    uchar head[4];
    if (file.read(reinterpret_cast<char *>(head), 2) != 2 || head[0] != 0xFF || head[1] != 0xD8)
        return {};
    // Walk the segments up to the start of scan; EXIF sits in one of the first few.
    for (int segments = 0; segments < 64; ++segments) {
        if (file.read(reinterpret_cast<char *>(head), 4) != 4 || head[0] != 0xFF)
            return {};
        const int marker = head[1];
        const int length = (head[2] << 8) | head[3];
        if (marker == 0xDA || marker == 0xD9 || length < 2)
            return {};
        if (marker == 0xE1) {
            const QByteArray payload = file.read(length - 2);
            if (payload.size() != length - 2)
                return {};
            const ExifInfo info = exifInfo(
                reinterpret_cast<const uchar *>(payload.constData()), size_t(payload.size()));
            if (info.dateTaken.isValid() || info.orientation != 1)
                return info;
            continue; // an XMP APP1 may come before the EXIF one
        }
        if (!file.seek(file.pos() + length - 2))
            return {};
    }
    return {};
}
