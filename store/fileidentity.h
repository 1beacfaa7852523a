// What a database file was when it was read or written, to tell whether another program changed
// it since: its size, time and inode, and a hash of its bytes.
#pragma once

#include <QByteArrayView>
#include <QString>

// A hash of a stream of bytes that does not depend on how the stream was cut into pieces, so
// what a reader hashed piece by piece matches what a writer hashed piece by piece.
class ContentHash
{
public:
    void add(QByteArrayView bytes);
    size_t result() const;

private:
    static constexpr qsizetype Block = 1 << 16;
    char m_block[Block];
    qsizetype m_fill = 0;
    size_t m_hash = 0;
    qint64 m_total = 0;
};

struct FileIdentity
{
    bool known = false; // false: nothing was read from a file (a new database)
    qint64 size = 0;
    qint64 modifiedNs = 0;
    quint64 device = 0;
    quint64 inode = 0;
    size_t hash = 0;

    // The file behind fd as it is now, with the hash of its contents given by the caller.
    static FileIdentity ofDescriptor(int fd, size_t hash);
    bool operator==(const FileIdentity &) const = default;
};

enum class DiskState {
    Unchanged, // the file on disk is the one that was read
    Changed, // another program wrote it (or replaced or removed it) since
};

// Compares the file at path with what was read: size, time and inode first, then a hash of its
// whole contents, which a writer that kept the size and time cannot hide from.
DiskState diskState(const QString &path, const FileIdentity &read);
