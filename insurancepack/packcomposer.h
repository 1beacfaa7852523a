// Makes an insurance pack: inventory.pdf, inventory.html with photos/, inventory.csv,
// catalogue.dat and manifest.sha256 in one new folder.
#pragma once

#include <atomic>
#include <functional>

#include <QDateTime>
#include <QString>

class RecordStore;

namespace InsurancePack {

enum class Photos { Full, Small, None };

struct Options
{
    int groupBy = 8; // description 1..10
    QString coverText;
    Photos photos = Photos::Full;
    bool a4 = false; // Letter otherwise
    bool searchListOnly = false;
    QDateTime madeAt; // now when invalid
    // A time-stamping service (RFC 3161) to stamp manifest.sha256; empty: nothing is sent.
    QString timestampAddress;
};

struct Result
{
    bool ok = false;
    bool cancelled = false;
    QString message; // what failed
    QString folder; // the finished pack
    int records = 0;
    int photosIncluded = 0;
    int photosMissing = 0; // not included: missing, not a regular file, too large, not a picture
    // manifest.sha256.tsr holds the service's signed time; else, when one was asked for, why not.
    bool timestamped = false;
    QDateTime timestampTime;
    QString timestampProblem;
};

// Progress runs 0..1000; setting cancel stops the pack. Both may be called from any thread: the
// composer reads only `store` (which must not change meanwhile) and its own files.
using Progress = std::function<void(int permille)>;

// The description captioned "Location", else description 8.
int defaultGroupBy(const RecordStore &store);

// Writes into a new folder of its own beside `folder` and renames it to `folder` at the end;
// `folder` must not exist yet. A failed or cancelled pack leaves nothing behind, and no pack is
// made without records. catalogue.dat holds the store's records in the pack; `databasePath`
// names the catalogue, and relative picture paths are taken from its folder.
// A pack whose timestamp failed is still made, without manifest.sha256.tsr.
Result make(const RecordStore &store, const QString &databasePath, const QString &folder,
    const Options &options, const Progress &progress = {},
    const std::atomic_bool *cancel = nullptr);

} // namespace InsurancePack
