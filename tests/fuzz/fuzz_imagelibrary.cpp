// libFuzzer target for the image library's decoders: the first byte picks the decoder, so every
// one of them sees every input whatever its signature; the rest also goes through recognition.
#include <cstddef>
#include <cstdint>

#include <QByteArray>
#include <QGuiApplication>

#include "platform/imagelibrary.h"
#include "platform/pictureloader.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Painting metafiles needs a GUI application (fonts); the offscreen platform needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const QByteArray bytes
        = QByteArray::fromRawData(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    switch (data[0] % 10) {
    case 0:
        ImageLibrary::decodeWithQt(bytes, "gif");
        break;
    case 1:
        ImageLibrary::decodeWithQt(bytes, "bmp");
        break;
    case 2:
        ImageLibrary::decodeWithQt(bytes, "ico");
        break;
    case 3:
        ImageLibrary::decodeWithMagick(bytes, "PCX");
        break;
    case 4:
        ImageLibrary::decodeWithMagick(bytes, "WMF");
        break;
    case 5:
        ImageLibrary::decodeWithMagick(bytes, "TGA");
        break;
    case 6:
        ImageLibrary::decodeWithMagick(bytes, "TIFF");
        break;
    case 7:
        ImageLibrary::decodeEmf(bytes);
        break;
    case 8:
        ImageLibrary::loadData(bytes, QStringLiteral("tga"));
        break;
    default:
        PictureLoader::loadData(bytes, QStringLiteral("wmf"));
        break;
    }
    return 0;
}
