// The decoders that need the large image libraries (libjpeg, GraphicsMagick, libheif,
// libemf2svg, Qt SVG) live in a module that is loaded when the first picture is decoded, so
// that a command or window that shows no picture never loads them.
#pragma once

#include <QByteArray>
#include <QRect>
#include <QSize>
#include <QString>

#include "platform/jpegdecoder.h"
#include "platform/picture.h"

namespace PictureCodecs {

enum class JpegMode { HeaderOnly, Whole, Scaled, Region };

// What the module hands out. Raised whenever a member changes, so a module of another build
// is refused rather than called with the wrong layout.
constexpr int InterfaceVersion = 1;

struct Table
{
    int version;
    // atLeast for Scaled, region (shown coordinates) for Region; header is filled on success.
    Picture (*decodeJpeg)(const QByteArray &data, JpegMode mode, QSize atLeast, QRect region,
        JpegDecoder::Header *header);
    // magick: a GraphicsMagick coder name such as "PCX", "WMF".
    Picture (*decodeMagick)(const QByteArray &data, const char *magick);
    Picture (*decodeEmf)(const QByteArray &data);
    Picture (*decodeHeif)(const QByteArray &data);
    // The primary image's Exif item as stored (a four-byte offset, then a TIFF block), or empty.
    QByteArray (*heifExif)(const QByteArray &data);
};

// The module's one exported symbol: extern "C" const PictureCodecs::Table *<EntryPoint>().
constexpr char EntryPoint[] = "larkspurPictureCodecs";
constexpr char ModuleFileName[] = "larkspur-pictures.so";

// Loads the module on the first call (thread-safe); null when it cannot be loaded, in which case
// the reason has been written once to standard error and problem() tells it.
const Table *table();
QString problem();

} // namespace PictureCodecs
