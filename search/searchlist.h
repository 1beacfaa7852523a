// The search list's record-level operations: clear, add a range, remove from the store, extract.
#pragma once

#include <QString>

#include "store/datafile.h"
#include "store/recordstore.h"

class EditHistory;

namespace SearchList {

// Texts the search window shows around these operations.
inline QString clearedMessage()
{
    return QStringLiteral("Search List Cleared");
}
inline QString removeQuestion()
{
    return QStringLiteral(
        "All Search List Records will be removed.  Are you sure you want to continue ?");
}
inline QString extractDialogTitle()
{
    return QStringLiteral("Extract and Save Searched Records As");
}
inline QString extractFilter()
{
    return QStringLiteral("Larkspur Cataloguer File|*.dat");
}
inline QString extractDefaultSuffix()
{
    return QStringLiteral("dat");
}
inline QString extractSuccessMessage()
{
    return QStringLiteral("Extract Sucessful !");
}
// The file name followed by " already exists.  Do you want to overwrite it ?".
QString overwriteQuestion(const QString &fileName);
// "Records <low> to <high> have been added to the Search List."
QString rangeAddedMessage(int low, int high);
// "<n> records have been removed from the Database." (the same wording for one record).
QString removedMessage(int removed);

// Number of records on the search list.
inline int count(const RecordStore &store)
{
    return store.searchListCount();
}

// Every record leaves the list and counts as never having been on it.
void clear(RecordStore &store);

// Records at positions low..high, counted from 1, join the list: one already on it becomes an
// old member (WasOnSearchList true), any other a new one. Positions outside the store are passed
// over; low > high changes nothing. The current record index becomes 0 so the record window
// shows the first record next. Returns the number of records that joined.
int addRange(RecordStore &store, int low, int high);

struct RemoveResult
{
    int removed = 0;
    // The record the record window shows next; also written to the store's current index.
    int currentIndex = -1;
    QString message; // removedMessage(removed)
};

// Removes every member from the store. The store never becomes empty: when every record is a
// member, the one in the last position stays. The current index stays where it was when it still
// designates a record (-1, nothing shown yet, stays -1), else it moves to the last record.
// With a history the removal is one step of it ("Remove From Database"), which Undo puts back.
RemoveResult removeFromDatabase(RecordStore &store, EditHistory *history = nullptr);

enum class ExtractOutcome {
    NoMembers, // nothing written, nothing to say
    Written, // message is extractSuccessMessage()
    Failed, // message is the writer's ("Cannot create file %s" and the like)
};

struct ExtractResult
{
    ExtractOutcome outcome = ExtractOutcome::NoMembers;
    QString message;
};

// Writes the members, in store order, with the store's captions and category texts, to path
// as a complete database file (atomically). The store and its file name are left as they are.
ExtractResult extractToFile(const QString &path, const RecordStore &store);

} // namespace SearchList
