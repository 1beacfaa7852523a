// Album cells: JPEG through libjpeg (reduced or partial decoding), the rest through the image
// library, the placeholder for what cannot be read.
#include "album/albumpictures.h"

#include <QPainter>

#include "album/albumlayout.h"
#include "platform/imagelibrary.h"
#include "platform/jpegdecoder.h"

namespace {

QImage fitTo(const QImage &image, QSize size)
{
    if (image.size() == size)
        return image;
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace

AlbumPictures::AlbumPictures(qint64 cacheBytes)
    : m_cache(cacheBytes)
{
    // Drawn once here, on the interface thread, before any decoding thread may ask for it.
    placeholder();
}

QImage AlbumPictures::placeholder()
{
    static const QImage image = [] {
        const int side = Album::PlaceholderSide;
        QImage img(side, side, QImage::Format_RGB32);
        img.fill(QColor(236, 236, 236));
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(160, 160, 160), 1));
        p.drawRect(QRectF(0.5, 0.5, side - 1, side - 1));
        // A framed landscape, then the words.
        const QRectF frame(30, 14, 45, 32);
        p.setBrush(Qt::white);
        p.drawRoundedRect(frame, 3, 3);
        p.setBrush(QColor(170, 170, 170));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(42, 24), 4, 4);
        const QPointF hills[] = { { 33, 43 }, { 48, 28 }, { 58, 38 }, { 64, 33 }, { 72, 43 } };
        p.drawPolygon(hills, 5);
        QFont f = p.font();
        f.setPixelSize(13);
        f.setBold(true);
        p.setFont(f);
        p.setPen(QColor(110, 110, 110));
        p.drawText(QRect(4, 50, side - 8, side - 54),
            Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
            QStringLiteral("Picture Not Available"));
        return img;
    }();
    return image;
}

AlbumPictures::Cell AlbumPictures::placeholderCell(QSize cell, bool autoSize, bool label)
{
    const QImage ph = placeholder();
    const Album::CellGeometry g = Album::cellGeometry(ph.size(), cell, autoSize, label);
    if (g.dest.isEmpty())
        return { Kind::Placeholder, QImage(), QRect() };
    return { Kind::Placeholder, fitTo(ph.copy(g.source), g.dest.size()), g.dest };
}

QString AlbumPictures::variantOf(QSize cell, bool autoSize, bool label)
{
    return QStringLiteral("%1x%2:%3%4")
        .arg(cell.width())
        .arg(cell.height())
        .arg(int(autoSize))
        .arg(int(label));
}

std::optional<AlbumPictures::Cell> AlbumPictures::cachedCell(
    const QString &fileName, QSize cell, bool autoSize, bool label)
{
    if (fileName.isEmpty())
        return placeholderCell(cell, autoSize, label);
    const auto hit = m_cache.find(fileName, variantOf(cell, autoSize, label));
    if (!hit)
        return std::nullopt;
    const Kind kind = Kind(hit->kind);
    if (kind == Kind::Placeholder)
        return placeholderCell(cell, autoSize, label);
    return Cell { kind, hit->image, hit->dest };
}

void AlbumPictures::keep(
    const QString &fileName, QSize cell, bool autoSize, bool label, const Cell &made)
{
    if (fileName.isEmpty())
        return;
    // Placeholders are cheap to draw again; only the finding that one is needed is kept.
    m_cache.insert(fileName, variantOf(cell, autoSize, label),
        { int(made.kind), made.kind == Kind::Picture ? made.image : QImage(), made.dest });
}

AlbumPictures::Cell AlbumPictures::cellPicture(
    const QString &fileName, QSize cell, bool autoSize, bool label)
{
    if (auto hit = cachedCell(fileName, cell, autoSize, label))
        return *hit;
    const Cell made = decodeCell(fileName, cell, autoSize, label);
    keep(fileName, cell, autoSize, label, made);
    return made;
}

AlbumPictures::Cell AlbumPictures::decodeCell(
    const QString &fileName, QSize cell, bool autoSize, bool label)
{
    if (JpegDecoder::isJpegFile(fileName)) {
        QByteArray bytes;
        JpegDecoder::Header header;
        if (readPictureFile(fileName, bytes) != PictureStatus::Ok
            || !JpegDecoder::readHeader(bytes, header))
            return placeholderCell(cell, autoSize, label);
        const Album::CellGeometry g
            = Album::cellGeometry(header.shownSize(), cell, autoSize, label);
        if (g.dest.isEmpty())
            return { Kind::Picture, QImage(), QRect() };
        // Stretched: a reduced decode at least as large as the cell; at its own size: only the
        // part the cell shows.
        const Picture pic = autoSize ? JpegDecoder::decodeScaledData(bytes, g.dest.size())
                                     : JpegDecoder::decodeRegionData(bytes, g.source);
        if (!pic.ok())
            return placeholderCell(cell, autoSize, label);
        return { Kind::Picture, fitTo(pic.image, g.dest.size()), g.dest };
    }
    const Picture pic = ImageLibrary::load(fileName);
    if (pic.status == PictureStatus::Unreadable)
        return placeholderCell(cell, autoSize, label);
    if (!pic.ok())
        return { Kind::Nothing, QImage(), QRect() };
    const Album::CellGeometry g = Album::cellGeometry(pic.image.size(), cell, autoSize, label);
    if (g.dest.isEmpty())
        return { Kind::Picture, QImage(), QRect() };
    return { Kind::Picture, fitTo(pic.image.copy(g.source), g.dest.size()), g.dest };
}
