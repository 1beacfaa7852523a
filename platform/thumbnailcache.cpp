// The decoded-picture cache: QCache with the image's bytes as its cost.
#include "platform/thumbnailcache.h"

#include <QFileInfo>

ThumbnailCache::ThumbnailCache(qint64 maxBytes)
    : m_cache(maxBytes)
{ }

QString ThumbnailCache::keyOf(const QString &path, const QString &variant)
{
    return variant + QChar(u'\x1f') + path;
}

void ThumbnailCache::stat(const QString &path, QDateTime &modified, qint64 &size)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) {
        modified = QDateTime();
        size = -1;
        return;
    }
    modified = info.lastModified();
    size = info.size();
}

std::optional<ThumbnailCache::Entry> ThumbnailCache::find(
    const QString &path, const QString &variant) const
{
    const Stored *s = m_cache.object(keyOf(path, variant));
    if (!s)
        return std::nullopt;
    QDateTime modified;
    qint64 size = -1;
    stat(path, modified, size);
    if (modified != s->modified || size != s->size)
        return std::nullopt;
    return s->entry;
}

void ThumbnailCache::insert(const QString &path, const QString &variant, Entry entry)
{
    auto *s = new Stored;
    s->entry = std::move(entry);
    stat(path, s->modified, s->size);
    // A little for the key and bookkeeping, so even empty entries count.
    const qint64 cost = s->entry.image.sizeInBytes() + 256;
    m_cache.insert(keyOf(path, variant), s, cost);
}
