// A database JSON file read in pieces, so that build never holds it whole: a first pass finds
// its shape and counts the records, a second hands out one record's JSON text at a time.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class JsonRecordStream
{
public:
    JsonRecordStream() = default;
    ~JsonRecordStream();
    JsonRecordStream(const JsonRecordStream &) = delete;
    JsonRecordStream &operator=(const JsonRecordStream &) = delete;

    // Opens a regular file of at most limit bytes, with SmallFile::read's messages.
    bool open(const QString &path, qint64 limit, QString &error);

    enum class Shape {
        Streams, // an object whose last member is "records", a list of at least one object
        Other, // anything else, valid or not: for the whole-document reader to judge
        Failed, // the file could not be read; error says why
    };
    // The first pass. Bracket and string structure only: what lies between is left to the JSON
    // reader, record by record.
    Shape scan(QString &error);
    int count() const { return m_count; }
    // The document up to the records list, closed with an empty one: every other member.
    QByteArray head() const;

    enum class Next { Record, End, Failed };
    // The second pass, from the first record: its JSON text (valid until the next call) and
    // where it starts in the file. A file that no longer matches the first pass Failed.
    Next next(QByteArrayView &record, qint64 &offset, QString &error);
    // Back to the first record, for another pass.
    bool rewind(QString &error);
    // True when the file is still the one that was scanned, after the last record.
    bool unchanged(QString &error);

    // "line L, column C" (from 1) of a byte offset, counting characters as UTF-8.
    QString position(qint64 offset);

private:
    bool fill(QString &error);
    int peek(qsizetype i, QString &error); // the byte at m_pos + i, -1 at the end
    bool skipSpace(QString &error);
    qsizetype valueLength(QString &error); // 0 when the value does not end well
    bool restart(qint64 at, QString &error);
    QString failed(const QString &why) const;

    QString m_path;
    qint64 m_limit = 0;
    int m_fd = -1;
    qint64 m_size = 0;
    qint64 m_mtime = 0;
    QByteArray m_buf;
    qsizetype m_end = 0; // bytes of m_buf that hold file data
    qsizetype m_pos = 0; // next unread byte in m_buf
    qint64 m_bufStart = 0; // file offset of m_buf[0]
    qint64 m_readTotal = 0;
    bool m_eof = false;
    bool m_keepAll = false; // the head is being read: nothing is dropped
    QByteArray m_head;
    qint64 m_recordsAt = 0; // file offset after the records list's '['
    int m_count = 0;
    int m_given = 0;
    int m_maxDepth = 0;
};
