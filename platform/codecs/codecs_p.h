// The decoders inside the picture module, behind the table that module.cpp hands out.
#pragma once

#include <QByteArray>
#include <QRect>
#include <QSize>

#include "platform/picturecodecs.h"

namespace Codecs {

Picture decodeJpeg(const QByteArray &data, PictureCodecs::JpegMode mode, QSize atLeast,
    QRect region, JpegDecoder::Header *header);
Picture decodeMagick(const QByteArray &data, const char *magick);
Picture decodeEmf(const QByteArray &data);
Picture decodeHeif(const QByteArray &data);
QByteArray heifExif(const QByteArray &data);

inline bool sizeAcceptable(QSize s, qint64 limit = PictureLimits::MaxDecodedPixels)
{
    return s.width() > 0 && s.height() > 0 && qint64(s.width()) * s.height() <= limit;
}

} // namespace Codecs
