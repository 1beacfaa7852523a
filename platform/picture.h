// What every picture decoder returns, and the limits that keep hostile files from exhausting
// memory.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

enum class PictureStatus {
    Ok,
    Unreadable, // the file is missing or cannot be read
    Rejected, // not a picture this decoder knows, damaged data, or absurdly large
};

struct Picture
{
    QImage image; // upright (EXIF orientation applied); null unless status is Ok
    PictureStatus status = PictureStatus::Rejected;
    QSize shownSize; // the whole picture's size as shown, even when only part or a scaled copy was
                     // decoded

    bool ok() const { return status == PictureStatus::Ok; }
    static Picture rejected() { return {}; }
    static Picture unreadable() { return { QImage(), PictureStatus::Unreadable, QSize() }; }
};

namespace PictureLimits {
// Larger files are refused before they are read: no picture of a household catalogue comes near.
constexpr qint64 MaxFileBytes = qint64(256) << 20;
// Pictures whose header claims more pixels are refused before any pixel is decoded.
constexpr qint64 MaxSourcePixels = 150'000'000;
// The largest image any decoder allocates (4 bytes a pixel: 256 MB).
constexpr qint64 MaxDecodedPixels = 64'000'000;
// Metafiles are drawn, not stored: a frame asking for more is drawn at a lower resolution.
constexpr qint64 MaxMetafilePixels = 4'000'000;
} // namespace PictureLimits

// Reads a whole picture file, refusing anything above MaxFileBytes (Rejected) and reporting a
// missing or unreadable file as Unreadable.
PictureStatus readPictureFile(const QString &path, QByteArray &bytes);

// The file name's extension in lower case, without the full stop ("" when there is none).
QString pictureExtension(const QString &path);
