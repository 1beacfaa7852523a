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
    bytes = file.read(PictureLimits::MaxFileBytes + 1);
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
