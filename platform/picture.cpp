// Reading picture files with a size bound, shared by the decoders.
#include "platform/picture.h"

#include <QFile>
#include <QFileInfo>

PictureStatus readPictureFile(const QString &path, QByteArray &bytes)
{
    bytes.clear();
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return PictureStatus::Unreadable;
    const qint64 size = file.size();
    if (size > PictureLimits::MaxFileBytes)
        return PictureStatus::Rejected;
    // A buffer of the file's own size: asking read() for the limit would reserve (and fault in)
    // the whole limit for every photo. One byte more shows a file that grew meanwhile.
    bytes.resize(qsizetype(size) + 1);
    qint64 got = 0;
    while (got < bytes.size()) {
        const qint64 n = file.read(bytes.data() + got, bytes.size() - got);
        if (n <= 0)
            break;
        got += n;
    }
    if (file.error() != QFileDevice::NoError) {
        bytes.clear();
        return PictureStatus::Unreadable;
    }
    if (got > size) {
        // Grown since it was measured: read the rest with the limit still in force.
        bytes.resize(got);
        bytes += file.read(PictureLimits::MaxFileBytes + 1 - got);
        if (file.error() != QFileDevice::NoError) {
            bytes.clear();
            return PictureStatus::Unreadable;
        }
        if (bytes.size() > PictureLimits::MaxFileBytes) {
            bytes.clear();
            return PictureStatus::Rejected;
        }
        return PictureStatus::Ok;
    }
    bytes.resize(got);
    return PictureStatus::Ok;
}

QString pictureExtension(const QString &path)
{
    // Only the file-name part counts: "C:\photos.v2\cat" has no extension.
    const qsizetype slash
        = std::max({ path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'), path.lastIndexOf(u':') });
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot < 0 || dot < slash)
        return QString();
    return path.mid(dot + 1).toLower();
}
