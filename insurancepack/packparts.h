// The insurance pack's contents as its files show them: rooms and the places inside them, the
// records with their amounts, and each photo file once however many records show it.
#pragma once

#include <atomic>
#include <vector>

#include <QDateTime>
#include <QSize>
#include <QString>
#include <QStringList>

#include "insurancepack/packcomposer.h"

class RecordStore;
struct ItemRecord;

namespace InsurancePack::Parts {

enum class PhotoState {
    Included,
    Missing, // no such file, or it cannot be read
    NotRegular, // a folder, a device, a FIFO, ...
    TooLarge, // past the picture readers' size limit
    NotPicture, // does not decode as a picture
};

// One source file. Its name under photos/ is reserved before anything is written, so no two
// photos share a name whatever order the workers finish in.
struct Photo
{
    QString path; // the file read
    QString packName; // under photos/
    QString sha256;
    QDateTime taken;
    PhotoState state = PhotoState::Included;
    // The photo as the PDF shows it: its size, and where its JPEG bytes are in the spool.
    QSize placed;
    qint64 spoolAt = 0, spoolLength = 0;
    QString error; // a copy that failed: fails the pack
    bool included() const { return state == PhotoState::Included; }
};

// A record's picture slot: its own title, and the file it shows.
struct PhotoUse
{
    QString title;
    QString storedPath; // as the record holds it
    int photo = -1; // index into Pack::photos
};

struct Entry
{
    const ItemRecord *record = nullptr;
    double paid = 0, value = 0; // line totals: the amount times a whole quantity
    std::vector<PhotoUse> photos;
};

// A place inside a room ("Shelf", "Left side : Drawer"); the room's own records have no name.
struct Place
{
    QString name;
    std::vector<Entry> entries;
};

// A room: the top node of the grouping description's value, or "(none)" for records without one.
struct Group
{
    QString name;
    std::vector<Place> places;
    double paid = 0, value = 0;
    int records = 0;
};

struct Pack
{
    const RecordStore &store;
    Options options;
    QDateTime madeAt {};
    QString databaseName {};
    QString catalogueSha {};
    std::vector<Group> groups {};
    std::vector<Photo> photos {};
    double paid = 0, value = 0;
    int records = 0;
    const std::atomic_bool *cancel = nullptr;
    Progress progress {};

    bool cancelled() const { return cancel && cancel->load(); }
    int included() const;
    int notIncluded() const;
    const Photo &photo(const PhotoUse &use) const { return photos[size_t(use.photo)]; }
};

// Fills the groups in the grouping description's tree order, rooms first, then their places;
// values the tree does not hold follow in alphabetical order, records without a value last.
// Picture paths that are relative are taken from `databaseFolder`.
void gather(Pack &pack, const QString &databaseFolder);

// Why a photo is not in the pack, as the PDF and the web page say it; empty when it is.
QString photoProblem(const Photo &photo);

// "$1,234.50", "-$10.00".
QString money(double v);
// A record's link as a reader sees it: `<A href="X">T</A>` becomes "T (X)".
QString linkText(const QString &link);
// The address of a link, when it is one a browser may open (http, https, mailto).
QString linkAddress(const QString &link);
// Caption and value of every field that is not empty, in reading order.
QList<std::pair<QString, QString>> recordFields(const RecordStore &store, const ItemRecord &r);
// The quantity when it is a whole number other than 1.
int shownQuantity(const ItemRecord &r);
// A field's text as the pack shows it: trimmed, and empty when nothing was entered in its box.
QString shownText(const QString &value);
QString descriptionCaption(const RecordStore &store, int k);
QString detailCaption(const RecordStore &store, int d);

QByteArray htmlPage(const Pack &pack);
QByteArray csvText(const Pack &pack);

} // namespace InsurancePack::Parts
