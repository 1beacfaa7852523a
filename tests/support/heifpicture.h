// HEIC files for tests, made by libheif's own encoder (link PkgConfig libheif).
#pragma once

#include <cstring>

#include <QByteArray>
#include <QImage>

#include <libheif/heif.h>

// A HEIC as a phone writes it, encoded by libheif's HEVC encoder.
inline QByteArray heifBytes(const QImage &source)
{
    const QImage rgb = source.convertToFormat(QImage::Format_RGB888);
    heif_context *ctx = heif_context_alloc();
    heif_encoder *encoder = nullptr;
    if (heif_context_get_encoder_for_format(ctx, heif_compression_HEVC, &encoder).code
        != heif_error_Ok)
        qFatal("libheif has no HEVC encoder");
    heif_encoder_set_lossless(encoder, 1);
    heif_image *image = nullptr;
    heif_image_create(
        rgb.width(), rgb.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
    heif_image_add_plane(image, heif_channel_interleaved, rgb.width(), rgb.height(), 8);
    int stride = 0;
    uint8_t *plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < rgb.height(); ++y)
        std::memcpy(plane + y * stride, rgb.constScanLine(y), size_t(rgb.width()) * 3);
    heif_context_encode_image(ctx, image, encoder, nullptr, nullptr);
    heif_encoder_release(encoder);
    heif_image_release(image);
    QByteArray out;
    heif_writer writer {};
    writer.writer_api_version = 1;
    writer.write = [](heif_context *, const void *data, size_t size, void *userdata) {
        static_cast<QByteArray *>(userdata)->append(
            static_cast<const char *>(data), qsizetype(size));
        return heif_error { heif_error_Ok, heif_suberror_Unspecified, "" };
    };
    heif_context_write(ctx, &writer, &out);
    heif_context_free(ctx);
    return out;
}
