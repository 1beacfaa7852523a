// The record window's own picture loader: chooses the decoder by the file's extension, as the
// frame's picture control does.
#pragma once

#include <QString>

#include "platform/picture.h"

class PictureLoader
{
public:
    // Windows bitmaps (bmp), icons (ico), metafiles (wmf, emf) and JPEG pictures (jpg, jpeg)
    // by their own decoders, and the image library's other formats (PNG, GIF, PCX, TIFF, WebP,
    // HEIF, ...) through it; the extension in any letter case. An unknown extension or damaged data is Rejected; a
    // missing or unreadable file is Unreadable.
    static Picture load(const QString &path);
    static Picture loadData(const QByteArray &data, const QString &extension);
    static bool knowsExtension(const QString &extension);
};
