// Reading and writing database files (".dat") and the default category files.
#pragma once

#include <memory>
#include <optional>

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>
#include <QStringList>

#include "store/captions.h"
#include "store/fileidentity.h"
#include "store/recordstore.h"

class FileLock;

namespace DataFile {

inline constexpr char Version[] = "1.43";
inline constexpr char Signature[] = "Larkspur Cataloguer";

enum class ReadOutcome {
    Read,
    NotDatabase, // wrong signature
    ReadError, // damaged, truncated or hostile contents
    CannotOpen, // the platform could not open the file; message holds "Cannot open file %s"
};

struct ReadResult
{
    ReadOutcome outcome = ReadOutcome::ReadError;
    QString message; // set for CannotOpen
    FileIdentity identity; // the file as it was read, when read from a file
    bool ok() const { return outcome == ReadOutcome::Read; }
};

enum class OpenOutcome { Opened, NotAFile, CannotOpen };
// Opens a database file for reading without ever blocking: a FIFO, a device or a folder is
// NotAFile (read as no database file) instead of a read that waits for ever or never ends.
OpenOutcome openForReading(QFile &file);

// Reads the whole file. The store changes only when the whole file reads: then the captions
// and the ten category texts are replaced and the records replace the store's (or are appended
// after them when merging). Records read from a file are never on the search list.
ReadResult readDatabase(const QString &path, RecordStore &store, bool merge);
ReadResult readDatabaseBytes(QByteArrayView bytes, RecordStore &store, bool merge);

struct WriteResult
{
    bool ok = false;
    QString message; // "Cannot create file %s" and the like when !ok
    FileIdentity identity; // the file as written, when ok
};

// Writes the store atomically: a temporary file beside the target, renamed over it only when
// complete. With searchListOnly only records on the search list are written. recordCount is the
// caller's member count; the count stored is always the number of records written, so a stale
// count can never make the file unreadable.
WriteResult writeDatabase(const QString &path, const RecordStore &store,
    bool searchListOnly = false, int recordCount = 0);
// Writes the whole store to path; a lock held on it moves to the new file (see SafeWrite::write).
WriteResult writeDatabase(const QString &path, const RecordStore &store, FileLock *lock);
// Where a save that has to write a file in place keeps the old file until the new one is complete.
QString backupFolder();
QByteArray encodeDatabase(
    const RecordStore &store, bool searchListOnly = false, int recordCount = 0);

// Writes a database record by record, as they come, so that it is never held whole: the head
// (captions and category trees of `head`, whose records are ignored) with the count announced,
// then each record added. The bytes are those writeDatabase writes for the same records.
class StreamWriter
{
public:
    StreamWriter(QIODevice &out, const RecordStore &head, int count);
    ~StreamWriter();
    void add(const ItemRecord &record);
    // Hands the rest on; false when the device refused any of it or the records added were not
    // the count announced.
    bool finish();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// Reads the version, signature (unchecked) and the twenty captions only; nullopt on any failure.
std::optional<FieldCaptions> readCaptionsOnly(const QString &path);
// Reads the version text only (the first value of the file); nullopt on any failure.
std::optional<QString> readVersion(const QString &path);

// Path of default category file k (1..10) in the given folder: "description<k>.def".
QString defaultCategoryFile(const QString &folder, int k);
// Loads category texts 1..10 from the default category files in folder into the store.
// A file that is missing, unreadable or fails to build leaves its category empty; the returned
// messages ("Cannot open file %s", "Invalid level (%d) for item "%s"") are for the caller to show.
QStringList loadDefaultCategoryTexts(const QString &folder, RecordStore &store);

} // namespace DataFile
