// HEIF/HEIC photos through libheif: the primary image, upright, and its Exif item.
#include "platform/codecs/codecs_p.h"

#include <cstring>
#include <memory>

#include <libheif/heif.h>

using Codecs::sizeAcceptable;

namespace {

using Context = std::unique_ptr<heif_context, void (*)(heif_context *)>;
using Handle = std::unique_ptr<heif_image_handle, void (*)(const heif_image_handle *)>;

} // namespace

Picture Codecs::decodeHeif(const QByteArray &data)
{
    Context ctx(heif_context_alloc(), heif_context_free);
    if (!ctx
        || heif_context_read_from_memory_without_copy(
               ctx.get(), data.constData(), size_t(data.size()), nullptr)
                .code
            != heif_error_Ok)
        return Picture::rejected();
    heif_image_handle *rawHandle = nullptr;
    if (heif_context_get_primary_image_handle(ctx.get(), &rawHandle).code != heif_error_Ok)
        return Picture::rejected();
    Handle handle(rawHandle, heif_image_handle_release);
    // The size as shown (rotations applied) is known before any pixel is decoded.
    const QSize size(
        heif_image_handle_get_width(handle.get()), heif_image_handle_get_height(handle.get()));
    if (!sizeAcceptable(size))
        return Picture::rejected();
    heif_image *rawImage = nullptr;
    if (heif_decode_image(
            handle.get(), &rawImage, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, nullptr)
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
    out = out.convertToFormat(heif_image_handle_has_alpha_channel(handle.get())
            ? QImage::Format_ARGB32
            : QImage::Format_RGB32);
    return { out, PictureStatus::Ok, got };
}

QByteArray Codecs::heifExif(const QByteArray &data)
{
    Context ctx(heif_context_alloc(), heif_context_free);
    if (!ctx
        || heif_context_read_from_memory_without_copy(
               ctx.get(), data.constData(), size_t(data.size()), nullptr)
                .code
            != heif_error_Ok)
        return {};
    heif_image_handle *raw = nullptr;
    if (heif_context_get_primary_image_handle(ctx.get(), &raw).code != heif_error_Ok)
        return {};
    Handle handle(raw, heif_image_handle_release);
    heif_item_id id = 0;
    if (heif_image_handle_get_list_of_metadata_block_IDs(handle.get(), "Exif", &id, 1) != 1)
        return {};
    const size_t size = heif_image_handle_get_metadata_size(handle.get(), id);
    // No item is larger than the file that holds it.
    if (size == 0 || size > size_t(data.size()))
        return {};
    QByteArray block(qsizetype(size), Qt::Uninitialized);
    if (heif_image_handle_get_metadata(handle.get(), id, block.data()).code != heif_error_Ok)
        return {};
    return block;
}
