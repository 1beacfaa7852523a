// Decoded pictures kept for redrawing, keyed by file, variant (size and drawing mode) and the
// file's modification time and size, so an edited file is decoded again. Bounded in bytes.
#pragma once

#include <optional>

#include <QCache>
#include <QDateTime>
#include <QImage>
#include <QString>

class ThumbnailCache
{
public:
    struct Entry
    {
        int kind = 0; // the caller's own classification (placeholder, picture, nothing)
        QImage image;
        QRect dest;
    };

    // 32 MB: six full-screen album pages of 81 cells, far more at the default window size.
    static constexpr qint64 DefaultMaxBytes = qint64(32) << 20;

    explicit ThumbnailCache(qint64 maxBytes = DefaultMaxBytes);

    // The entry when the file has not changed since it was stored.
    std::optional<Entry> find(const QString &path, const QString &variant) const;
    void insert(const QString &path, const QString &variant, Entry entry);
    void clear() { m_cache.clear(); }

    qint64 maxBytes() const { return m_cache.maxCost(); }
    qint64 bytesUsed() const { return m_cache.totalCost(); }
    qsizetype count() const { return m_cache.count(); }

private:
    struct Stored
    {
        Entry entry;
        QDateTime modified;
        qint64 size = -1;
    };
    static QString keyOf(const QString &path, const QString &variant);
    static void stat(const QString &path, QDateTime &modified, qint64 &size);

    mutable QCache<QString, Stored> m_cache;
};
