// The image library: Qt's readers here, the other decoders in the picture module.
#include "platform/imagelibrary.h"

#include <cstring>

#include <QBuffer>
#include <QImageReader>

#include "platform/jpegdecoder.h"
#include "platform/picturecodecs.h"

namespace {

bool sizeAcceptable(QSize s, qint64 limit = PictureLimits::MaxDecodedPixels)
{
    return s.width() > 0 && s.height() > 0 && qint64(s.width()) * s.height() <= limit;
}

bool startsWith(const QByteArray &data, const char *magic, qsizetype at = 0)
{
    const qsizetype n = qsizetype(std::strlen(magic));
    return data.size() >= at + n && std::memcmp(data.constData() + at, magic, size_t(n)) == 0;
}

bool looksLikePcx(const QByteArray &d)
{
    if (d.size() < 128)
        return false;
    const auto b = [&](int i) { return static_cast<unsigned char>(d[i]); };
    return b(0) == 0x0a && b(1) <= 5 && b(2) <= 1
        && (b(3) == 1 || b(3) == 2 || b(3) == 4 || b(3) == 8);
}

bool looksLikeWmf(const QByteArray &d)
{
    return startsWith(d, "\xd7\xcd\xc6\x9a") || d.startsWith(QByteArray("\x01\x00\x09\x00", 4))
        || d.startsWith(QByteArray("\x02\x00\x09\x00", 4));
}

bool looksLikeWebp(const QByteArray &d)
{
    return startsWith(d, "RIFF") && startsWith(d, "WEBP", 8);
}

// HEIF as phones write it: an ISO box file whose "ftyp" names one of the HEIF brands.
bool looksLikeHeif(const QByteArray &d)
{
    if (!startsWith(d, "ftyp", 4) || d.size() < 12)
        return false;
    const QByteArray brand = d.mid(8, 4);
    return brand == "heic" || brand == "heix" || brand == "hevc" || brand == "hevx"
        || brand == "heim" || brand == "heis" || brand == "mif1" || brand == "msf1";
}

bool looksLikeEmf(const QByteArray &d)
{
    return d.startsWith(QByteArray("\x01\x00\x00\x00", 4)) && startsWith(d, " EMF", 40);
}

} // namespace

Picture ImageLibrary::decodeWithQt(const QByteArray &data, const char *format)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setDecideFormatFromContent(false);
    reader.setAutoTransform(false);
    const QSize size = reader.size();
    // A reader that cannot tell the size before decoding is trusted to Qt's allocation limit.
    if (size.isValid() && !sizeAcceptable(size))
        return Picture::rejected();
    QImage image;
    if (!reader.read(&image) || image.isNull() || !sizeAcceptable(image.size()))
        return Picture::rejected();
    return { image, PictureStatus::Ok, image.size() };
}

Picture ImageLibrary::decodeWithMagick(const QByteArray &data, const char *magick)
{
    const PictureCodecs::Table *codecs = PictureCodecs::table();
    return codecs ? codecs->decodeMagick(data, magick) : Picture::rejected();
}

Picture ImageLibrary::decodeHeif(const QByteArray &data)
{
    if (!looksLikeHeif(data))
        return Picture::rejected();
    const PictureCodecs::Table *codecs = PictureCodecs::table();
    return codecs ? codecs->decodeHeif(data) : Picture::rejected();
}

QByteArray ImageLibrary::heifExif(const QByteArray &data)
{
    if (!looksLikeHeif(data))
        return {};
    const PictureCodecs::Table *codecs = PictureCodecs::table();
    return codecs ? codecs->heifExif(data) : QByteArray();
}

Picture ImageLibrary::decodeEmf(const QByteArray &data)
{
    if (!looksLikeEmf(data) || data.size() < 88)
        return Picture::rejected();
    const PictureCodecs::Table *codecs = PictureCodecs::table();
    return codecs ? codecs->decodeEmf(data) : Picture::rejected();
}

Picture ImageLibrary::loadData(const QByteArray &data, const QString &extension)
{
    if (data.isEmpty())
        return Picture::rejected();
    if (startsWith(data, "\xff\xd8\xff"))
        return JpegDecoder::decodeData(data);
    if (startsWith(data, "GIF87a") || startsWith(data, "GIF89a"))
        return decodeWithQt(data, "gif");
    if (startsWith(data, "BM"))
        return decodeWithQt(data, "bmp");
    if (startsWith(data, "\x89PNG\r\n\x1a\n"))
        return decodeWithQt(data, "png");
    if (data.startsWith(QByteArray("\x00\x00\x01\x00", 4))
        || data.startsWith(QByteArray("\x00\x00\x02\x00", 4)))
        return decodeWithQt(data, "ico");
    if (startsWith(data, "II*") || data.startsWith(QByteArray("MM\x00*", 4)))
        return decodeWithMagick(data, "TIFF");
    if (looksLikeWebp(data))
        return decodeWithQt(data, "webp");
    if (looksLikeHeif(data))
        return decodeHeif(data);
    if (looksLikeWmf(data))
        return decodeWithMagick(data, "WMF");
    if (looksLikeEmf(data))
        return decodeEmf(data);
    if (looksLikePcx(data))
        return decodeWithMagick(data, "PCX");
    // Formats without a signature of their own go by the extension.
    if (extension == u"tga")
        return decodeWithMagick(data, "TGA");
    if (extension == u"ppm" || extension == u"pgm" || extension == u"pbm")
        return decodeWithQt(data, extension.toLatin1().constData());
    return Picture::rejected();
}

Picture ImageLibrary::load(const QString &path)
{
    QByteArray bytes;
    const PictureStatus read = readPictureFile(path, bytes);
    if (read != PictureStatus::Ok)
        return read == PictureStatus::Unreadable ? Picture::unreadable() : Picture::rejected();
    return loadData(bytes, pictureExtension(path));
}

const QStringList &ImageLibrary::extensions()
{
    static const QStringList list { QStringLiteral("bmp"), QStringLiteral("jpg"),
        QStringLiteral("jpeg"), QStringLiteral("gif"), QStringLiteral("png"), QStringLiteral("pcx"),
        QStringLiteral("tif"), QStringLiteral("tiff"), QStringLiteral("tga"), QStringLiteral("ico"),
        QStringLiteral("wmf"), QStringLiteral("emf"), QStringLiteral("ppm"), QStringLiteral("pgm"),
        QStringLiteral("pbm"), QStringLiteral("webp"), QStringLiteral("heic"),
        QStringLiteral("heif") };
    return list;
}

QImage ImageLibrary::NViewLibLoad(const QString &path, quint32 flags)
{
    Q_UNUSED(flags);
    return load(path).image;
}
