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
    QString folder; // absolute path of the folder it lies in
    QDateTime taken; // EXIF date taken, else the file's modification time
};

struct Scan
{
    std::vector<Photo> photos; // in folder order, then by time taken, then by path
    int alreadyUsed = 0; // a record of the database already has the photo
    int notPictures = 0;
    int unreadable = 0;
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

// Paths of every picture the records of the store refer to, cleaned.
QSet<QString> usedPicturePaths(const RecordStore &store);

// Reads the folder and its sub-folders: the EXIF data and header of each picture, never the
// image data. Photos already in usedPaths are counted and left out.
Scan scanFolder(const QString &folder, const QSet<QString> &usedPaths, const Progress &progress = {});

// Photos in the same folder taken no more than gapSeconds after the one before belong together;
// a group of more than six is split.
std::vector<Proposal> groupPhotos(const Scan &scan, const QString &rootFolder, int gapSeconds,
    const RecordStore &store);

// The first photo's name without extension, "_" and "-" as blanks; a camera's own numbering
// ("IMG 2041", "PXL 20261208 ...") gives "Item from " and the folder's name instead.
QString proposedName(const QString &photoPath);
bool isCameraName(const QString &name);

// The description that holds locations: the one captioned "Location", else description 8.
int locationDescription(const RecordStore &store);
// Full name of the node of that description's tree the folder names: the folder's own name,
// with as many parent folders (below and including the root folder) as match the node's
// ancestors, letter case ignored. Empty when no node matches.
QString locationFor(const QString &folder, const QString &rootFolder, const RecordStore &store);

// The record a proposal becomes; today and random fill the fields a new record starts with.
ItemRecord makeRecord(const Proposal &proposal, const RecordStore &store, const QDate &today,
    const std::function<int(int)> &random);

// Appends the checked proposals' records; returns how many.
int addRecords(RecordStore &store, const std::vector<Proposal> &proposals, const QDate &today,
    const std::function<int(int)> &random);

// "12 photos left out: 3 already in the database, 2 not pictures, 7 could not be read", or
// empty when none was left out.
QString leftOutText(const Scan &scan);

} // namespace PhotoIntake
