// PCX, WMF, TIFF and TGA through GraphicsMagick, bounded so hostile files cannot exhaust memory.
#include "platform/codecs/codecs_p.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <Magick++.h>

using Codecs::sizeAcceptable;

namespace {

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

} // namespace

Picture Codecs::decodeMagick(const QByteArray &data, const char *magick)
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
