// JPEG pictures through libjpeg: whole, scaled down by the DCT for thumbnails, or a region at
// full scale, always upright after the EXIF orientation.
#pragma once

#include <QByteArray>
#include <QRect>
#include <QSize>
#include <QString>

#include "platform/picture.h"

class JpegDecoder
{
public:
    struct Header
    {
        QSize storedSize; // as the frame header says
        int orientation = 1; // EXIF, 1..8
        QSize shownSize() const;
    };

    // True for the extensions "jpg" and "jpeg" in any letter case.
    static bool isJpegFile(const QString &path);

    // The whole picture.
    static Picture decode(const QString &path);
    // The smallest DCT reduction (1/1, 1/2, 1/4, 1/8) that still gives at least `atLeast` pixels
    // as shown, so a large photo never has to be decoded whole for a small cell.
    static Picture decodeScaled(const QString &path, QSize atLeast);
    // A rectangle of the upright picture at full scale, decoding only the rows and columns
    // (to the nearest block) it needs. The rectangle is clipped to the picture.
    static Picture decodeRegion(const QString &path, QRect shownRect);

    // The same from bytes already read (the fuzz targets use these).
    static Picture decodeData(const QByteArray &data);
    static Picture decodeScaledData(const QByteArray &data, QSize atLeast);
    static Picture decodeRegionData(const QByteArray &data, QRect shownRect);
    static bool readHeader(const QByteArray &data, Header &header);
};
