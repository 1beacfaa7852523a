// The records a mapped sheet becomes, the values that need the user's choice, and the one step
// that appends them to the store.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include <QDate>
#include <QString>
#include <QStringList>

#include "sheetimport/sheetmapping.h"
#include "sheetimport/sheettable.h"
#include "store/categorytree.h"
#include "store/itemrecord.h"
#include "store/recordstore.h"

namespace SheetImport {

struct RefusedValue
{
    int record = 0; // index among the records made (the sheet's data rows)
    int column = 0;
    QString value;
    QString reason; // follows the value: "is not an amount"
    Refusal choice = Refusal::IntoNotes;
};

struct BuildOptions
{
    QDate today;
    std::function<int(int)> random; // record codes; none: codes stay empty
    QString sheetFolder; // pictures are found relative to it
    int keepRecords = -1; // records to keep (the preview's 100); -1 keeps every one
    // The user's choice for single values, by (record, column); others follow the mapping's.
    std::map<std::pair<int, int>, Refusal> choices;
    Progress progress; // told as the rows go; false stops the build
};

struct Built
{
    // The first keepRecords, or all; made as the store holds them, so appending copies nothing.
    std::vector<RecordPtr> records;
    int recordCount = 0;
    int converted = 0; // values stored in another form than the sheet's
    std::vector<RefusedValue> refused; // every value that needs a choice, in sheet order
    bool stopped = false; // a value's choice is to stop: nothing may be imported
    bool cancelled = false; // the progress said stop: the build is incomplete
    QString stopMessage;
    std::array<std::optional<CategoryTree>, 11> trees; // trees that gained nodes
    QStringList addedCategories; // "Caption: Full Name" of each node added
};

// The records of the sheet's data rows (after the heading row when there is one).
Built buildRecords(const SheetTable &table, const Mapping &mapping, const RecordStore &store,
    const BuildOptions &options);

// Appends the records and sets the trees that gained nodes, as one step; returns how many.
int appendImportedRecords(RecordStore &store, Built &&built);

// "Row 12, Price: "abc" is not an amount" (row as the sheet numbers it).
QString refusedText(const SheetTable &table, const Mapping &mapping, const RefusedValue &r);
// "1,234 records, 56 values converted, 3 values need a choice".
QString countsText(const Built &built);
// The line a refused value put into Notes: "Price: abc".
QString notesLine(
    const SheetTable &table, const Mapping &mapping, int column, const QString &value);

} // namespace SheetImport
