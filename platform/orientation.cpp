// EXIF orientation: a bounds-checked reader of the TIFF structure and the eight transforms.
#include "platform/orientation.h"

#include <QTransform>

#include "platform/tiffreader_p.h"

int exifOrientation(const unsigned char *data, size_t size)
{
    static const unsigned char exifHeader[] = { 'E', 'x', 'i', 'f', 0, 0 };
    if (!data || size < 6 + 8 || memcmp(data, exifHeader, 6) != 0)
        return 1;
    TiffReader t { data + 6, size - 6, false };
    if (t.p[0] == 'I' && t.p[1] == 'I')
        t.little = true;
    else if (!(t.p[0] == 'M' && t.p[1] == 'M'))
        return 1;
    unsigned magic = 0;
    quint32 ifd = 0;
    if (!t.u16(2, magic) || magic != 42 || !t.u32(4, ifd))
        return 1;
    unsigned count = 0;
    if (!t.u16(ifd, count))
        return 1;
    for (unsigned i = 0; i < count; ++i) {
        const size_t entry = size_t(ifd) + 2 + size_t(i) * 12;
        unsigned tag = 0, type = 0, value = 0;
        if (!t.u16(entry, tag) || !t.u16(entry + 2, type))
            return 1;
        if (tag != 0x0112)
            continue;
        // SHORT, one value, held in the entry itself.
        if (type != 3 || !t.u16(entry + 8, value))
            return 1;
        return value >= 1 && value <= 8 ? int(value) : 1;
    }
    return 1;
}

bool orientationSwapsAxes(int orientation)
{
    return orientation >= 5 && orientation <= 8;
}

QSize orientedSize(QSize stored, int orientation)
{
    return orientationSwapsAxes(orientation) ? stored.transposed() : stored;
}

QImage applyOrientation(const QImage &stored, int orientation)
{
    switch (orientation) {
    case 2:
        return stored.mirrored(true, false);
    case 3:
        return stored.mirrored(true, true);
    case 4:
        return stored.mirrored(false, true);
    case 5: // transpose
        return stored.transformed(QTransform(0, 1, 1, 0, 0, 0));
    case 6:
        return stored.transformed(QTransform().rotate(90));
    case 7: // transverse
        return stored.transformed(QTransform(0, -1, -1, 0, 0, 0));
    case 8:
        return stored.transformed(QTransform().rotate(270));
    default:
        return stored;
    }
}

QRect storedRectFor(QRect shown, QSize stored, int orientation)
{
    const int W = stored.width();
    const int H = stored.height();
    const int x = shown.x(), y = shown.y(), w = shown.width(), h = shown.height();
    switch (orientation) {
    case 2: // mirrored across: shown x counts from the stored right edge
        return QRect(W - x - w, y, w, h);
    case 3:
        return QRect(W - x - w, H - y - h, w, h);
    case 4:
        return QRect(x, H - y - h, w, h);
    case 5: // shown (x, y) is stored (y, x)
        return QRect(y, x, h, w);
    case 6: // turned clockwise: shown column x is stored row H-1-x, shown row y is stored column y
        return QRect(y, H - x - w, h, w);
    case 7:
        return QRect(W - y - h, H - x - w, h, w);
    case 8: // turned anticlockwise: shown column x is stored row x, shown row y is stored column
            // W-1-y
        return QRect(W - y - h, x, h, w);
    default:
        return shown;
    }
}
