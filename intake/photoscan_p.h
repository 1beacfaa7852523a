// The pieces of reading photos that scanning and copying share.
#pragma once

#include <vector>

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>

#include "intake/photointake.h"
#include "platform/picture.h"

namespace PhotoIntake::detail {

// Reads a regular file by the bytes of its path, never through a link nor blocking on a FIFO,
// refusing (Rejected) anything above the picture readers' size limit.
PictureStatus readNativeFile(const QByteArray &native, QByteArray &bytes, QDateTime *modified);

// True when a JPEG's markers run from its start to its end-of-image marker; exif, when given,
// receives the APP1 Exif segment's payload.
bool jpegRunsToItsEnd(const QByteArray &data, QByteArrayView *exif);

struct Validated
{
    bool ok = false;
    QDateTime taken; // the EXIF date, when the picture has one
};
// Whether bytes are a picture the program can show: a JPEG whole from start to end with a
// frame header libjpeg reads, any other format decoded.
Validated validatePicture(const QByteArray &bytes, const QString &suffix);

} // namespace PhotoIntake::detail

namespace PhotoIntake {
// Folder order, then time taken, then path.
void sortPhotos(std::vector<Photo> &photos);
} // namespace PhotoIntake
