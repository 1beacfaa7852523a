// New records from a folder of photos: reading the folder, grouping photos taken together into one
// possession each, and the records those groups become. No widgets: the preview window and
// larkspur-tool photo-intake share all of it.
#pragma once

#include <functional>
#include <vector>

#include <QDate>
#include <QDateTime>
#include <QSet>
#include <QString>
#include <QStringList>

#include "store/itemrecord.h"

class RecordStore;

namespace PhotoIntake {

constexpr int DefaultGapSeconds = 30;
inline const QString Keyword = QStringLiteral("Added from photos");

struct Photo
{
    QString path; // absolute, clean
    QString folder; // absolute path of the folder it lies in (for a copy: the original's)
    QDateTime taken; // EXIF date taken, else the file's modification time
    QString name; // the record's name when not the one the path gives (copies)
};

// A picture whose path the catalogue cannot store: a character Windows-1252 lacks, or a name
// that is not UTF-8 at all. Such a path would be saved as a dead link, so it is offered for
// copying under a name the catalogue can store.
struct Unstorable
{
    QByteArray nativePath; // the file's path on disk, byte for byte
    QString shownPath; // for messages; names not in UTF-8 read as Windows-1252
    QString folder; // as shownPath
    QDateTime taken;
    bool notUtf8 = false;
};

struct Scan
{
    std::vector<Photo> photos; // in folder order, then by time taken, then by path
    std::vector<Unstorable> unstorable; // validated pictures, in path order
    int alreadyUsed = 0; // a record of the database already has the photo
    int notPictures = 0;
    int unreadable = 0;
    int inPacks = 0; // files of an insurance pack lying in the folder
    bool cancelled = false;
};

// One proposed record: up to six photos of one possession.
struct Proposal
{
    bool checked = true;
    QString name;
    QString location; // a node's full name, or empty
    QDateTime taken; // of the first photo
    QStringList photos;
};

// Told (done, total) as files are read; returning false cancels the scan.
using Progress = std::function<bool(int, int)>;

// Paths of every picture the records of the store refer to, canonical (links, "..", "//"
// resolved) so that any spelling of a path already used is recognised. Relative paths are taken
// from the folder of the store's file.
QSet<QString> usedPicturePaths(const RecordStore &store);

// Reads the folder and its sub-folders, leaving out hidden ones, links and insurance packs.
// Every picture is validated (a JPEG must run to its end, other formats must decode); photos
// whose canonical path is in usedPaths are counted and left out.
Scan scanFolder(
    const QString &folder, const QSet<QString> &usedPaths, const Progress &progress = {});

// True when the catalogue file stores the path as it is.
bool isStorablePath(const QString &path);
// A file name the catalogue can store, made from name (characters it cannot hold left out).
QString storableFileName(const QString &name);

struct CopyResult
{
    bool ok = true;
    QString message; // why the copying stopped
    int copied = 0; // new files written
    int reused = 0; // identical copies found from an earlier run
};
// Copies the scan's unstorable pictures into folder (made when missing) under names the catalogue
// can store, validating each again from the bytes copied and never overwriting a file; the copies
// join scan.photos (or count as already used when usedPaths has them).
CopyResult copyUnstorable(Scan &scan, const QString &folder, const QSet<QString> &usedPaths);
// The folder beside a catalogue file that the window copies such pictures into.
QString copyFolderFor(const QString &catalogueFile);

// Photos in the same folder taken no more than gapSeconds after the one before belong together;
// a group of more than six is split.
std::vector<Proposal> groupPhotos(
    const Scan &scan, const QString &rootFolder, int gapSeconds, const RecordStore &store);

// The first photo's name without extension, "_" and "-" as blanks; a camera's own numbering
// ("IMG 2041", "DSC01234", "PXL 20261208 ...") gives "Item from " and the folder's name instead.
QString proposedName(const QString &photoPath);
bool isCameraName(const QString &name);

// The description that holds locations: the one captioned "Location", else description 8.
int locationDescription(const RecordStore &store);
// Full name of the node of that description's tree the folder names: the deepest run of folder
// names (from the root folder's own name down to the photo's folder) that is a path of the tree
// from a top node, letter case ignored. A name found only deeper in the tree never matches alone.
// Empty when no run matches.
QString locationFor(const QString &folder, const QString &rootFolder, const RecordStore &store);

// The record a proposal becomes; today and random fill the fields a new record starts with.
ItemRecord makeRecord(const Proposal &proposal, const RecordStore &store, const QDate &today,
    const std::function<int(int)> &random);

// Appends the checked proposals' records; returns how many.
int addRecords(RecordStore &store, const std::vector<Proposal> &proposals, const QDate &today,
    const std::function<int(int)> &random);

// "12 files left out: 3 already in the database, 2 not pictures, 7 could not be read", or
// empty when none was left out.
QString leftOutText(const Scan &scan);

} // namespace PhotoIntake
