// What a photo's EXIF data tells about it: how it stands and when it was taken.
#pragma once

#include <QDateTime>
#include <QString>

#include <cstddef>

struct ExifInfo
{
    int orientation = 1; // 1..8; 1 when the file says nothing
    QDateTime dateTaken; // invalid when the file says nothing usable
};

// From an APP1 "Exif" segment's payload (the bytes after the marker length). Never reads
// outside [data, data+size); damaged data gives what could be read before the damage.
ExifInfo exifInfo(const unsigned char *data, size_t size);

// From a JPEG file: reads the markers before the image data only, never the whole file.
// A file that is not a JPEG, or cannot be read, gives the defaults.
ExifInfo readJpegExif(const QString &path);
