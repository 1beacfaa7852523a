// libjpeg called directly: errors and data-corruption warnings end the decode through longjmp,
// so damaged data is a rejection, never a crash or a half-grey picture.
#include "platform/codecs/codecs_p.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>
#include <jerror.h>

#include "platform/jpegdecoder.h"
#include "platform/orientation.h"

namespace {

struct ErrorManager
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void errorExit(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<ErrorManager *>(cinfo->err)->jump, 1);
}

void emitMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return; // trace messages
    // Warnings about the data itself mean the rest would be filled with grey: refuse instead.
    switch (cinfo->err->msg_code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_BOGUS_PROGRESSION:
        std::longjmp(reinterpret_cast<ErrorManager *>(cinfo->err)->jump, 1);
    default:
        break; // unknown JFIF revisions, extraneous bytes and the like do no harm
    }
}

void outputMessage(j_common_ptr) { }

using Mode = PictureCodecs::JpegMode;

struct Request
{
    Mode mode = Mode::Whole;
    QSize atLeast; // Scaled: shown size wanted at least
    QRect region; // Region: in shown coordinates
};

// Lives in the caller's frame so that nothing setjmp-sensitive is local to the decoding function.
struct Context
{
    jpeg_decompress_struct cinfo {};
    ErrorManager err {};
    bool created = false;
    JpegDecoder::Header header;
    QImage image; // stored orientation
    QRect storedRegion;
    unsigned char *row = nullptr;
    ~Context()
    {
        delete[] row;
        if (created)
            jpeg_destroy_decompress(&cinfo);
    }
};

void readOrientation(Context &c)
{
    for (jpeg_saved_marker_ptr m = c.cinfo.marker_list; m; m = m->next) {
        if (m->marker == JPEG_APP0 + 1) {
            const int o = exifOrientation(m->data, m->data_length);
            if (o != 1) {
                c.header.orientation = o;
                return;
            }
        }
    }
}

// CMYK as Adobe writes it (inverted) to RGB.
void cmykRowToRgb(const unsigned char *in, QRgb *out, int width)
{
    for (int x = 0; x < width; ++x, in += 4) {
        const int k = in[3];
        out[x] = qRgb(in[0] * k / 255, in[1] * k / 255, in[2] * k / 255);
    }
}

bool runDecode(Context &c, const QByteArray &data, const Request &req)
{
    if (setjmp(c.err.jump))
        return false;
    c.cinfo.err = jpeg_std_error(&c.err.pub);
    c.err.pub.error_exit = errorExit;
    c.err.pub.emit_message = emitMessage;
    c.err.pub.output_message = outputMessage;
    jpeg_create_decompress(&c.cinfo);
    c.created = true;
    // Progressive pictures keep every coefficient in memory: bound it.
    c.cinfo.mem->max_memory_to_use = 512L << 20;
    jpeg_mem_src(&c.cinfo, reinterpret_cast<const unsigned char *>(data.constData()),
        static_cast<unsigned long>(data.size()));
    jpeg_save_markers(&c.cinfo, JPEG_APP0 + 1, 0xffff);
    if (jpeg_read_header(&c.cinfo, TRUE) != JPEG_HEADER_OK)
        return false;
    c.header.storedSize = QSize(int(c.cinfo.image_width), int(c.cinfo.image_height));
    readOrientation(c);
    const qint64 pixels = qint64(c.cinfo.image_width) * c.cinfo.image_height;
    if (pixels <= 0 || pixels > PictureLimits::MaxSourcePixels)
        return false;
    if (req.mode == Mode::HeaderOnly)
        return true;
    // Huffman-coded sequential data costs at least a bit per 8 x 8 block: a few hundred bytes
    // claiming tens of megapixels are damaged, and decoding them would only paint grey slowly.
    if (!c.cinfo.progressive_mode && !c.cinfo.arith_code) {
        const qint64 blocks
            = ((qint64(c.cinfo.image_width) + 7) / 8) * ((qint64(c.cinfo.image_height) + 7) / 8);
        if (qint64(data.size()) * 8 < blocks)
            return false;
    }

    const bool cmyk = c.cinfo.jpeg_color_space == JCS_CMYK || c.cinfo.jpeg_color_space == JCS_YCCK;
    c.cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA; // BGRA in memory is QImage's RGB32
    c.cinfo.scale_num = 1;
    c.cinfo.scale_denom = 1;
    if (req.mode == Mode::Scaled) {
        const QSize want
            = orientationSwapsAxes(c.header.orientation) ? req.atLeast.transposed() : req.atLeast;
        for (unsigned d : { 8u, 4u, 2u }) {
            const qint64 w = (qint64(c.cinfo.image_width) + d - 1) / d;
            const qint64 h = (qint64(c.cinfo.image_height) + d - 1) / d;
            if (w >= want.width() && h >= want.height()) {
                c.cinfo.scale_denom = d;
                break;
            }
        }
    }
    c.cinfo.dct_method = JDCT_ISLOW;
    jpeg_start_decompress(&c.cinfo);

    JDIMENSION xOffset = 0;
    JDIMENSION firstRow = 0;
    JDIMENSION rows = c.cinfo.output_height;
    int cropLeft = 0;
    int outWidth = int(c.cinfo.output_width);
    if (req.mode == Mode::Region) {
        const QRect r = c.storedRegion;
        xOffset = JDIMENSION(r.x());
        // One block more on the right than asked, where the image allows, so the smoothing of
        // the colour at the region's right edge sees its neighbours as in a whole decode.
        JDIMENSION cropWidth = JDIMENSION(
            std::min<qint64>(qint64(r.width()) + 16, qint64(c.cinfo.output_width) - r.x()));
        // Widens the span to whole blocks; xOffset moves left accordingly.
        jpeg_crop_scanline(&c.cinfo, &xOffset, &cropWidth);
        cropLeft = r.x() - int(xOffset);
        outWidth = r.width();
        firstRow = JDIMENSION(r.y());
        rows = JDIMENSION(r.height());
    }
    const qint64 outPixels = qint64(outWidth) * rows;
    if (outPixels <= 0 || outPixels > PictureLimits::MaxDecodedPixels)
        return false;
    c.image = QImage(outWidth, int(rows), QImage::Format_RGB32);
    if (c.image.isNull())
        return false;
    const size_t rowBytes = size_t(c.cinfo.output_width) * size_t(c.cinfo.output_components);
    c.row = new unsigned char[rowBytes];
    if (firstRow > 0 && jpeg_skip_scanlines(&c.cinfo, firstRow) != firstRow)
        return false;
    for (JDIMENSION y = 0; y < rows; ++y) {
        JSAMPROW rowPtr = c.row;
        if (jpeg_read_scanlines(&c.cinfo, &rowPtr, 1) != 1)
            return false;
        auto *out = reinterpret_cast<QRgb *>(c.image.scanLine(int(y)));
        if (cmyk)
            cmykRowToRgb(c.row + size_t(cropLeft) * 4, out, outWidth);
        else
            memcpy(out, c.row + size_t(cropLeft) * 4, size_t(outWidth) * 4);
    }
    if (req.mode == Mode::Region && c.cinfo.output_scanline < c.cinfo.output_height)
        jpeg_abort_decompress(&c.cinfo); // the rows below are not wanted
    else
        jpeg_finish_decompress(&c.cinfo);
    return true;
}

Picture decodeBytes(const QByteArray &data, Request req)
{
    Picture result;
    if (data.isEmpty())
        return result;
    Context c;
    if (req.mode == Mode::Region) {
        // The header comes first: the region is given upright and must be mapped and clipped.
        Context h;
        if (!runDecode(h, data, Request { Mode::HeaderOnly, {}, {} }))
            return result;
        const QSize shown = orientedSize(h.header.storedSize, h.header.orientation);
        req.region = req.region.intersected(QRect(QPoint(0, 0), shown));
        if (req.region.isEmpty())
            return result;
        c.storedRegion = storedRectFor(req.region, h.header.storedSize, h.header.orientation);
    }
    if (!runDecode(c, data, req))
        return result;
    result.shownSize = orientedSize(c.header.storedSize, c.header.orientation);
    if (req.mode == Mode::HeaderOnly) {
        result.status = PictureStatus::Ok;
        return result;
    }
    result.image = applyOrientation(c.image, c.header.orientation);
    if (result.image.isNull())
        return result;
    result.status = PictureStatus::Ok;
    return result;
}

} // namespace

Picture Codecs::decodeJpeg(const QByteArray &data, PictureCodecs::JpegMode mode, QSize atLeast,
    QRect region, JpegDecoder::Header *header)
{
    if (mode == Mode::HeaderOnly) {
        if (data.isEmpty())
            return Picture::rejected();
        Context c;
        if (!runDecode(c, data, Request { Mode::HeaderOnly, {}, {} }))
            return Picture::rejected();
        if (header)
            *header = c.header;
        return { QImage(), PictureStatus::Ok,
            orientedSize(c.header.storedSize, c.header.orientation) };
    }
    return decodeBytes(data, Request { mode, atLeast, region });
}
