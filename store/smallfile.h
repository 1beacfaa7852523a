// Reading a small file whole under the database reader's rules: a regular file only (a FIFO or
// device never blocks or grows memory), no larger than its kind can be.
#pragma once

#include <QByteArray>
#include <QString>

namespace SmallFile {

// Limits by kind of file: far above any real one, far below what would hurt.
inline constexpr qint64 SecretLimit = 64 << 10; // a password
inline constexpr qint64 FormatLimit = 4 << 20; // a report or page format, settings, a category file
inline constexpr qint64 TextLimit = 64 << 20; // a cover text, certificates
inline constexpr qint64 DataLimit = qint64(1) << 30; // an import file, a JSON database

struct Result
{
    QByteArray bytes;
    // "Cannot open file PATH: REASON" with the system's reason, "not a regular file" or the
    // limit; empty when read.
    QString error;
    QString reason; // the reason alone, for messages of the caller's own
    bool ok() const { return error.isEmpty(); }
};

Result read(const QString &path, qint64 limit);

} // namespace SmallFile
