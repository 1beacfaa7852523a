// The picture of one album cell: decoded with the decoder its extension calls for, cut or
// scaled to the cell, and kept in a bounded cache so paging back and redrawing decode nothing.
#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

#include "platform/thumbnailcache.h"

class AlbumPictures
{
public:
    enum class Kind {
        Nothing, // the image library could not decode the file: the cell shows no picture
        Placeholder, // no file, a missing file, or a JPEG that would not decode
        Picture,
    };
    struct Cell
    {
        Kind kind = Kind::Nothing;
        QImage image; // already at the destination's size
        QRect dest; // from the cell's top-left
    };

    explicit AlbumPictures(qint64 cacheBytes = ThumbnailCache::DefaultMaxBytes);

    Cell cellPicture(const QString &fileName, QSize cell, bool autoSize, bool label);

    // The built-in 105 x 105 picture with the words Picture Not Available.
    static QImage placeholder();

    ThumbnailCache &cache() { return m_cache; }

private:
    Cell decodeCell(const QString &fileName, QSize cell, bool autoSize, bool label);
    static Cell placeholderCell(QSize cell, bool autoSize, bool label);

    ThumbnailCache m_cache;
};
