// EXIF orientation: read from a JPEG's APP1 segment and applied to decoded images.
#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

// The orientation tag (1..8) of an APP1 "Exif" segment's payload (the bytes after the marker
// length), or 1 when there is none or the data is damaged. Never reads outside [data, data+size).
int exifOrientation(const unsigned char *data, size_t size);

// Orientations 5..8 turn the picture a quarter: width and height trade places.
bool orientationSwapsAxes(int orientation);
QSize orientedSize(QSize stored, int orientation);
// The image as it should stand.
QImage applyOrientation(const QImage &stored, int orientation);
// The rectangle of the stored picture (size `stored`) that shows as `shown` once upright.
QRect storedRectFor(QRect shown, QSize stored, int orientation);
