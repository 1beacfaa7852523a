// Pictures made by the tests themselves: JPEGs with an EXIF orientation, hand-made PCX and BMP
// bytes, and headers that claim absurd sizes.
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QtEndian>

namespace TestPictures {

// Left half red, right half blue: after a quarter turn the halves tell which way it went.
inline QImage halves(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::blue);
    QPainter p(&img);
    p.fillRect(0, 0, w / 2, h, Qt::red);
    return img;
}

inline QByteArray jpegBytes(const QImage &img, int quality = 90)
{
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "JPEG", quality);
    return bytes;
}

// An APP1 "Exif" segment, big-endian TIFF, one IFD entry: the orientation.
inline QByteArray exifSegment(int orientation)
{
    QByteArray tiff("MM\x00\x2a\x00\x00\x00\x08", 8);
    tiff += QByteArray("\x00\x01", 2); // one entry
    tiff += QByteArray("\x01\x12\x00\x03\x00\x00\x00\x01", 8); // orientation, SHORT, count 1
    tiff += char(0);
    tiff += char(orientation);
    tiff += QByteArray(2, 0);
    tiff += QByteArray(4, 0); // no next IFD
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray seg("\xff\xe1", 2);
    const quint16 len = quint16(payload.size() + 2);
    seg += char(len >> 8);
    seg += char(len & 0xff);
    return seg + payload;
}

inline QByteArray jpegWithOrientation(const QImage &img, int orientation)
{
    const QByteArray plain = jpegBytes(img);
    return plain.left(2) + exifSegment(orientation) + plain.mid(2);
}

// A 24-bit PCX (three planes, run-length coded) of a picture.
inline QByteArray pcxBytes(const QImage &img)
{
    const int w = img.width(), h = img.height();
    const int bytesPerLine = (w + 1) & ~1;
    QByteArray head(128, 0);
    head[0] = 0x0a;
    head[1] = 5;
    head[2] = 1;
    head[3] = 8;
    qToLittleEndian<quint16>(quint16(w - 1), head.data() + 8);
    qToLittleEndian<quint16>(quint16(h - 1), head.data() + 10);
    qToLittleEndian<quint16>(72, head.data() + 12);
    qToLittleEndian<quint16>(72, head.data() + 14);
    head[65] = 3;
    qToLittleEndian<quint16>(quint16(bytesPerLine), head.data() + 66);
    qToLittleEndian<quint16>(1, head.data() + 68);
    QByteArray body;
    for (int y = 0; y < h; ++y) {
        for (int plane = 0; plane < 3; ++plane) {
            for (int x = 0; x < bytesPerLine; ++x) {
                const QRgb c = x < w ? img.pixel(x, y) : 0;
                const int v = plane == 0 ? qRed(c) : plane == 1 ? qGreen(c) : qBlue(c);
                if (v >= 0xc0)
                    body += char(0xc1);
                body += char(v);
            }
        }
    }
    return head + body;
}

// A PCX header claiming 65535 x 65535 pixels, with hardly any data behind it.
inline QByteArray pcxBomb()
{
    QByteArray b = pcxBytes(QImage(2, 2, QImage::Format_RGB32));
    qToLittleEndian<quint16>(0xfffe, b.data() + 8);
    qToLittleEndian<quint16>(0xfffe, b.data() + 10);
    qToLittleEndian<quint16>(0xfffe, b.data() + 66);
    return b;
}

inline quint32 crc32(const QByteArray &data)
{
    quint32 crc = 0xffffffffu;
    for (char ch : data) {
        crc ^= quint8(ch);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A PNG (signature, a correct IHDR, a stub IDAT, IEND) claiming width x height and holding no
// pixels.
inline QByteArray pngHeaderClaiming(quint32 width, quint32 height)
{
    QByteArray ihdr("IHDR", 4);
    char dims[8];
    qToBigEndian(width, dims);
    qToBigEndian(height, dims + 4);
    ihdr += QByteArray(dims, 8);
    ihdr += QByteArray("\x08\x02\x00\x00\x00", 5);
    QByteArray out("\x89PNG\r\n\x1a\n", 8);
    char crc[4];
    qToBigEndian(crc32(ihdr), crc);
    out += QByteArray("\x00\x00\x00\x0d", 4) + ihdr + QByteArray(crc, 4);
    // A tiny IDAT and IEND, so the header reads cleanly and only the size is wrong.
    const QByteArray idat("IDAT\x78\x9c", 6);
    qToBigEndian(crc32(idat), crc);
    out += QByteArray("\x00\x00\x00\x02", 4) + idat + QByteArray(crc, 4);
    qToBigEndian(crc32(QByteArray("IEND", 4)), crc);
    out += QByteArray("\x00\x00\x00\x00IEND", 8) + QByteArray(crc, 4);
    return out;
}

// A 24-bit BMP written byte for byte: 2 x 2, bottom-up.
inline QByteArray bmpBytes(QRgb topLeft, QRgb other)
{
    const int w = 2, h = 2, rowBytes = 8; // 6 bytes padded to 8
    QByteArray b(54, 0);
    b[0] = 'B';
    b[1] = 'M';
    qToLittleEndian<quint32>(quint32(54 + rowBytes * h), b.data() + 2);
    qToLittleEndian<quint32>(54, b.data() + 10);
    qToLittleEndian<quint32>(40, b.data() + 14);
    qToLittleEndian<qint32>(w, b.data() + 18);
    qToLittleEndian<qint32>(h, b.data() + 22);
    qToLittleEndian<quint16>(1, b.data() + 26);
    qToLittleEndian<quint16>(24, b.data() + 28);
    qToLittleEndian<quint32>(quint32(rowBytes * h), b.data() + 34);
    auto px = [](QRgb c) {
        const char bgr[3] = { char(qBlue(c)), char(qGreen(c)), char(qRed(c)) };
        return QByteArray(bgr, 3);
    };
    const QByteArray pad(2, 0);
    b += px(other) + px(other) + pad; // bottom row
    b += px(topLeft) + px(other) + pad; // top row
    return b;
}

// A placeable Windows metafile, 100 x 100 units at 1440 a inch, drawing one rectangle.
inline QByteArray wmfBytes()
{
    auto le16 = [](QByteArray &b, int v) {
        b += char(v & 0xff);
        b += char((v >> 8) & 0xff);
    };
    auto le32 = [&](QByteArray &b, quint32 v) {
        le16(b, int(v & 0xffff));
        le16(b, int(v >> 16));
    };
    QByteArray records;
    le32(records, 5);
    le16(records, 0x020c);
    le16(records, 100);
    le16(records, 100); // window extent
    le32(records, 7);
    le16(records, 0x041b); // rectangle: bottom, right, top, left
    le16(records, 80);
    le16(records, 80);
    le16(records, 10);
    le16(records, 10);
    le32(records, 3);
    le16(records, 0); // end of file
    QByteArray head;
    le16(head, 1);
    le16(head, 9);
    le16(head, 0x0300);
    le32(head, quint32((18 + records.size()) / 2));
    le16(head, 0);
    le32(head, 7);
    le16(head, 0);
    QByteArray placeable;
    le32(placeable, 0x9ac6cdd7u);
    le16(placeable, 0);
    le16(placeable, 0);
    le16(placeable, 0);
    le16(placeable, 100);
    le16(placeable, 100);
    le16(placeable, 1440);
    le32(placeable, 0);
    quint16 sum = 0;
    for (int i = 0; i < 20; i += 2)
        sum ^= quint16(quint8(placeable[i]) | quint8(placeable[i + 1]) << 8);
    le16(placeable, sum);
    return placeable + head + records;
}

// An enhanced metafile: the header, one rectangle, the end record.
inline QByteArray emfBytes()
{
    QByteArray b;
    auto le32 = [&](qint64 v) {
        for (int i = 0; i < 4; ++i)
            b += char((quint32(v) >> (8 * i)) & 0xff);
    };
    le32(1);
    le32(88); // EMR_HEADER
    le32(0);
    le32(0);
    le32(99);
    le32(99); // bounds in device units
    le32(0);
    le32(0);
    le32(2600);
    le32(2600); // frame in 0.01 mm
    le32(0x464d4520);
    le32(0x10000);
    le32(88 + 24 + 20);
    le32(3);
    b += QByteArray("\x01\x00\x00\x00", 4); // handles, reserved
    le32(0);
    le32(0);
    le32(0); // description, palette
    le32(1024);
    le32(768);
    le32(320);
    le32(240); // device in pixels and millimetres
    le32(43);
    le32(24);
    le32(10);
    le32(10);
    le32(80);
    le32(80); // EMR_RECTANGLE
    le32(14);
    le32(20);
    le32(0);
    le32(16);
    le32(20); // EMR_EOF
    return b;
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

inline bool isReddish(QRgb c)
{
    return qRed(c) > 180 && qBlue(c) < 80;
}

inline bool isBluish(QRgb c)
{
    return qBlue(c) > 180 && qRed(c) < 80;
}

} // namespace TestPictures
