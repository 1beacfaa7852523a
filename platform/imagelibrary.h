// The image library: decodes GIF, PCX, Windows bitmaps and whatever other picture file it is
// given. Qt's own readers take what they can; GraphicsMagick the rest (PCX, WMF, TIFF, TGA);
// EMF goes through libemf2svg and Qt SVG, HEIF through libheif. Those three (and libjpeg) are in
// the picture module, loaded on first use (picturecodecs.h); without it they reject every
// picture. Every decoder reads the picture's size first and refuses absurd sizes before any pixel
// is allocated.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

#include "platform/picture.h"

class ImageLibrary
{
public:
    // The library's entry point: the decoded picture, or a null image on any failure. The flags
    // are always 0 and reserved.
    static QImage NViewLibLoad(const QString &path, quint32 flags);

    // The same with the reason for a failure: a missing or unreadable file is Unreadable,
    // anything the decoders cannot make a picture of is Rejected. The format is recognised from
    // the data, the extension only deciding between formats without a signature.
    static Picture load(const QString &path);
    static Picture loadData(const QByteArray &data, const QString &extension);

    // The single decoders, also used by the record window's loader.
    // format: a Qt image format name such as "bmp", "ico", "gif", "png".
    static Picture decodeWithQt(const QByteArray &data, const char *format);
    // magick: a GraphicsMagick coder name such as "PCX", "WMF".
    static Picture decodeWithMagick(const QByteArray &data, const char *magick);
    static Picture decodeEmf(const QByteArray &data);
    // HEIF/HEIC through libheif, upright as its rotation and mirroring boxes say.
    static Picture decodeHeif(const QByteArray &data);
    // A HEIF's Exif item as stored (a four-byte offset, then a TIFF block), or empty.
    static QByteArray heifExif(const QByteArray &data);
    // The extensions of every picture file the library recognises, in lower case.
    static const QStringList &extensions();
};
