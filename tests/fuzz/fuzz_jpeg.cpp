// libFuzzer target for the JPEG decoder: whole, reduced and region decodes and the EXIF reader.
#include <cstddef>
#include <cstdint>

#include <QByteArray>

#include "platform/jpegdecoder.h"
#include "platform/orientation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes
        = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    JpegDecoder::decodeData(bytes);
    JpegDecoder::decodeScaledData(bytes, QSize(105, 105));
    JpegDecoder::decodeRegionData(bytes, QRect(3, 5, 150, 120));
    JpegDecoder::Header header;
    JpegDecoder::readHeader(bytes, header);
    exifOrientation(data, size);
    return 0;
}
