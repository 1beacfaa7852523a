// JPEG pictures: the decoding itself is libjpeg's, in the picture module.
#include "platform/jpegdecoder.h"

#include "platform/orientation.h"
#include "platform/picturecodecs.h"

namespace {

using PictureCodecs::JpegMode;

Picture decodeBytes(const QByteArray &data, JpegMode mode, QSize atLeast = {}, QRect region = {})
{
    const PictureCodecs::Table *codecs = PictureCodecs::table();
    return codecs ? codecs->decodeJpeg(data, mode, atLeast, region, nullptr) : Picture::rejected();
}

Picture decodeFile(const QString &path, JpegMode mode, QSize atLeast = {}, QRect region = {})
{
    QByteArray bytes;
    const PictureStatus read = readPictureFile(path, bytes);
    if (read != PictureStatus::Ok)
        return read == PictureStatus::Unreadable ? Picture::unreadable() : Picture::rejected();
    return decodeBytes(bytes, mode, atLeast, region);
}

} // namespace

QSize JpegDecoder::Header::shownSize() const
{
    return orientedSize(storedSize, orientation);
}

bool JpegDecoder::isJpegFile(const QString &path)
{
    const QString ext = pictureExtension(path);
    return ext == u"jpg" || ext == u"jpeg";
}

Picture JpegDecoder::decode(const QString &path)
{
    return decodeFile(path, JpegMode::Whole);
}

Picture JpegDecoder::decodeScaled(const QString &path, QSize atLeast)
{
    return decodeFile(path, JpegMode::Scaled, atLeast);
}

Picture JpegDecoder::decodeRegion(const QString &path, QRect shownRect)
{
    return decodeFile(path, JpegMode::Region, {}, shownRect);
}

Picture JpegDecoder::decodeData(const QByteArray &data)
{
    return decodeBytes(data, JpegMode::Whole);
}

Picture JpegDecoder::decodeScaledData(const QByteArray &data, QSize atLeast)
{
    return decodeBytes(data, JpegMode::Scaled, atLeast);
}

Picture JpegDecoder::decodeRegionData(const QByteArray &data, QRect shownRect)
{
    return decodeBytes(data, JpegMode::Region, {}, shownRect);
}

bool JpegDecoder::readHeader(const QByteArray &data, Header &header)
{
    const PictureCodecs::Table *codecs = PictureCodecs::table();
    return codecs
        && codecs->decodeJpeg(data, JpegMode::HeaderOnly, {}, {}, &header).status
        == PictureStatus::Ok;
}
