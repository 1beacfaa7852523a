// The record window's picture loader.
#include "platform/pictureloader.h"

#include "platform/imagelibrary.h"
#include "platform/jpegdecoder.h"

bool PictureLoader::knowsExtension(const QString &ext)
{
    // Every picture the album can draw opens here too.
    return ImageLibrary::extensions().contains(ext);
}

Picture PictureLoader::loadData(const QByteArray &data, const QString &ext)
{
    if (ext == u"jpg" || ext == u"jpeg")
        return JpegDecoder::decodeData(data);
    if (ext == u"bmp")
        return ImageLibrary::decodeWithQt(data, "bmp");
    if (ext == u"ico")
        return ImageLibrary::decodeWithQt(data, "ico");
    if (ext == u"wmf")
        return ImageLibrary::decodeWithMagick(data, "WMF");
    if (ext == u"emf")
        return ImageLibrary::decodeEmf(data);
    if (knowsExtension(ext))
        return ImageLibrary::loadData(data, ext);
    return Picture::rejected();
}

Picture PictureLoader::load(const QString &path)
{
    // The extension is looked at before the file is opened, as the picture control does.
    const QString ext = pictureExtension(path);
    if (!knowsExtension(ext))
        return Picture::rejected();
    QByteArray bytes;
    const PictureStatus read = readPictureFile(path, bytes);
    if (read != PictureStatus::Ok)
        return read == PictureStatus::Unreadable ? Picture::unreadable() : Picture::rejected();
    return loadData(bytes, ext);
}
