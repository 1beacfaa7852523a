// The image library over Qt's readers, GraphicsMagick and libemf2svg.
#include "platform/imagelibrary.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <QBuffer>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>

#include <Magick++.h>
#include <emf2svg.h>
#include <libheif/heif.h>

#include "platform/jpegdecoder.h"

namespace {

bool sizeAcceptable(QSize s, qint64 limit = PictureLimits::MaxDecodedPixels)
{
    return s.width() > 0 && s.height() > 0 && qint64(s.width()) * s.height() <= limit;
}

void initialiseMagick()
{
    using namespace MagickLib;
    static const bool done = [] {
        ExceptionInfo exception;
        GetExceptionInfo(&exception);
        // No signal handlers of its own: the program and the sanitizers keep theirs.
        InitializeMagickEx(nullptr, MAGICK_OPT_NO_SIGNAL_HANDER, &exception);
        DestroyExceptionInfo(&exception);
        // Hostile files must not make it allocate without bound, spill to disk or start threads.
        SetMagickResourceLimit(PixelsResource, PictureLimits::MaxDecodedPixels);
        SetMagickResourceLimit(WidthResource, 65535);
        SetMagickResourceLimit(HeightResource, 65535);
        SetMagickResourceLimit(MemoryResource, qint64(512) << 20);
        SetMagickResourceLimit(MapResource, qint64(512) << 20);
        SetMagickResourceLimit(DiskResource, 0);
        SetMagickResourceLimit(ThreadsResource, 1);
        return true;
    }();
    (void)done;
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
    initialiseMagick();
    try {
        Magick::Blob blob(data.constData(), size_t(data.size()));
        Magick::Image image;
        image.quiet(true);
        image.magick(magick);
        // The header first: the size decides whether the pixels are read at all.
        image.ping(blob);
        const QSize size(int(image.columns()), int(image.rows()));
        const bool metafile = std::strcmp(magick, "WMF") == 0;
        Magick::Image full;
        full.quiet(true);
        full.magick(magick);
        if (metafile && size.width() > 0 && size.height() > 0
            && qint64(size.width()) * size.height() > PictureLimits::MaxMetafilePixels) {
            // Drawing time grows with the raster: draw a large frame at a lower resolution.
            const double factor = std::sqrt(double(PictureLimits::MaxMetafilePixels)
                / (double(size.width()) * double(size.height())));
            const double dpi = std::max(1.0, std::floor(72.0 * factor));
            // Even at one dot an inch some frames are vast: those are not drawings anyone made.
            const double scale = dpi / 72.0;
            if (double(size.width()) * scale * double(size.height()) * scale
                > double(PictureLimits::MaxMetafilePixels))
                return Picture::rejected();
            full.density(Magick::Geometry(unsigned(dpi), unsigned(dpi)));
        } else if (!sizeAcceptable(size)) {
            return Picture::rejected();
        }
        full.read(blob);
        const QSize got(int(full.columns()), int(full.rows()));
        if (!sizeAcceptable(
                got, metafile ? PictureLimits::MaxMetafilePixels : PictureLimits::MaxDecodedPixels))
            return Picture::rejected();
        QImage out(got, QImage::Format_ARGB32);
        if (out.isNull())
            return Picture::rejected();
        // BGRA bytes are QImage's ARGB32 in memory on little-endian machines.
        static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "pixel order assumes little-endian");
        for (int y = 0; y < got.height(); ++y)
            full.write(0, y, unsigned(got.width()), 1, "BGRA", Magick::CharPixel, out.scanLine(y));
        if (!full.matte())
            out = out.convertToFormat(QImage::Format_RGB32);
        return { out, PictureStatus::Ok, got };
    } catch (const std::exception &) {
        return Picture::rejected();
    }
}

Picture ImageLibrary::decodeHeif(const QByteArray &data)
{
    if (!looksLikeHeif(data))
        return Picture::rejected();
    std::unique_ptr<heif_context, void (*)(heif_context *)> ctx(
        heif_context_alloc(), heif_context_free);
    if (!ctx
        || heif_context_read_from_memory_without_copy(
               ctx.get(), data.constData(), size_t(data.size()), nullptr)
                .code
            != heif_error_Ok)
        return Picture::rejected();
    heif_image_handle *rawHandle = nullptr;
    if (heif_context_get_primary_image_handle(ctx.get(), &rawHandle).code != heif_error_Ok)
        return Picture::rejected();
    std::unique_ptr<heif_image_handle, void (*)(const heif_image_handle *)> handle(
        rawHandle, heif_image_handle_release);
    // The size as shown (rotations applied) is known before any pixel is decoded.
    const QSize size(
        heif_image_handle_get_width(handle.get()), heif_image_handle_get_height(handle.get()));
    if (!sizeAcceptable(size))
        return Picture::rejected();
    heif_image *rawImage = nullptr;
    if (heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB,
            heif_chroma_interleaved_RGBA, nullptr)
            .code
        != heif_error_Ok)
        return Picture::rejected();
    std::unique_ptr<heif_image, void (*)(const heif_image *)> image(rawImage, heif_image_release);
    int stride = 0;
    const uint8_t *plane
        = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const QSize got(heif_image_get_width(image.get(), heif_channel_interleaved),
        heif_image_get_height(image.get(), heif_channel_interleaved));
    if (!plane || !sizeAcceptable(got) || stride < got.width() * 4)
        return Picture::rejected();
    QImage out(got, QImage::Format_RGBA8888);
    if (out.isNull())
        return Picture::rejected();
    for (int y = 0; y < got.height(); ++y)
        std::memcpy(out.scanLine(y), plane + qint64(y) * stride, size_t(got.width()) * 4);
    out = out.convertToFormat(
        heif_image_handle_has_alpha_channel(handle.get()) ? QImage::Format_ARGB32
                                                          : QImage::Format_RGB32);
    return { out, PictureStatus::Ok, got };
}

Picture ImageLibrary::decodeEmf(const QByteArray &data)
{
    if (!looksLikeEmf(data) || data.size() < 88)
        return Picture::rejected();
    generatorOptions options {};
    char ns[] = "svg";
    options.nameSpace = ns;
    options.verbose = false;
    options.emfplus = true;
    options.svgDelimiter = true;
    char *svg = nullptr;
    size_t svgLength = 0;
    QByteArray copy = data; // the converter takes a mutable buffer
    const int ok = emf2svg(copy.data(), size_t(copy.size()), &svg, &svgLength, &options);
    const QByteArray svgBytes = svg ? QByteArray(svg, qsizetype(svgLength)) : QByteArray();
    std::free(svg);
    if (!ok || svgBytes.isEmpty())
        return Picture::rejected();
    QSvgRenderer renderer(svgBytes);
    if (!renderer.isValid())
        return Picture::rejected();
    const QSize size = renderer.defaultSize();
    if (!sizeAcceptable(size, PictureLimits::MaxMetafilePixels))
        return Picture::rejected();
    QImage out(size, QImage::Format_RGB32);
    out.fill(Qt::white); // metafiles draw on paper
    // Without a GUI application (larkspur-tool) there are no fonts to draw text with: the size
    // and the converted drawing are all a check needs.
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return { out, PictureStatus::Ok, size };
    QPainter p(&out);
    renderer.render(&p);
    p.end();
    return { out, PictureStatus::Ok, size };
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
        QStringLiteral("jpeg"), QStringLiteral("gif"), QStringLiteral("png"),
        QStringLiteral("pcx"), QStringLiteral("tif"), QStringLiteral("tiff"),
        QStringLiteral("tga"), QStringLiteral("ico"), QStringLiteral("wmf"), QStringLiteral("emf"),
        QStringLiteral("ppm"), QStringLiteral("pgm"), QStringLiteral("pbm"),
        QStringLiteral("webp"), QStringLiteral("heic"), QStringLiteral("heif") };
    return list;
}

QImage ImageLibrary::NViewLibLoad(const QString &path, quint32 flags)
{
    Q_UNUSED(flags);
    return load(path).image;
}
