// The picture of one album cell: decoded with the decoder its extension calls for, cut or
// scaled to the cell, and kept in a bounded cache so paging back and redrawing decode nothing.
#pragma once

#include <optional>

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

    // The same split for decoding off the interface thread: the cached cell (or the placeholder
    // of an empty slot) without decoding anything, the decode itself, which touches no shared
    // state and may run on any thread, and keeping a decoded cell.
    std::optional<Cell> cachedCell(const QString &fileName, QSize cell, bool autoSize, bool label);
    static Cell decodeCell(const QString &fileName, QSize cell, bool autoSize, bool label);
    void keep(const QString &fileName, QSize cell, bool autoSize, bool label, const Cell &made);

    // The built-in 105 x 105 picture with the words Picture Not Available.
    static QImage placeholder();

    ThumbnailCache &cache() { return m_cache; }

private:
    static QString variantOf(QSize cell, bool autoSize, bool label);
    static Cell placeholderCell(QSize cell, bool autoSize, bool label);

    ThumbnailCache m_cache;
};
