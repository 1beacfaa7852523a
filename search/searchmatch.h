// Search criteria and the matching rules of a search run, as plain functions over the store.
#pragma once

#include <array>
#include <functional>

#include <QString>
#include <QStringList>
#include <QStringView>

#include "store/itemrecord.h"
#include "store/recordstore.h"

// One low/high pair of the Detail page.
struct DetailRange
{
    QString low;
    QString high;

    // A range takes part in a run only when one of its texts is not empty.
    bool isActive() const { return !low.isEmpty() || !high.isEmpty(); }
    bool operator==(const DetailRange &) const = default;
};

// Everything the search window holds: its controls read into one value. The defaults are the
// window's texts when it is created (masked boxes with their initial texts laid into the mask).
struct SearchCriteria
{
    static constexpr int DescriptionCount = ItemRecord::DescriptionCount;
    static constexpr int DetailCount = ItemRecord::DetailCount;
    static constexpr int NotesCount = 3; // Keywords, History, Notes

    SearchCriteria();

    // Group switches: DescriptionBox, DetailBox, NoteBox.
    bool descriptionGroup = false;
    bool detailGroup = false;
    bool notesGroup = false;

    // SearchOne..SearchTen, index 1..10; [0] unused. "ANY" sets no condition.
    std::array<QString, DescriptionCount + 1> descriptions;

    // dnlow/dnhigh and d0low/d0high .. d9low/d9high.
    DetailRange name;
    std::array<DetailRange, DetailCount> details;

    // FNote0 (Keywords), FNote1 (History), Fnote2 (Notes).
    std::array<QString, NotesCount> notes;

    // Flag filter: BoxOne (Wanted), BoxTwo (For Trade), BoxThree (For Sale).
    bool wantedBox = true;
    bool forTradeBox = true;
    bool forSaleBox = true;

    // The window's initial detail texts: a masked box is never empty, so its initial text
    // always takes part when the Detail group is ticked.
    static DetailRange initialDetailRange(int detail);

    bool operator==(const SearchCriteria &) const = default;
};

namespace SearchText {
// The description criterion that sets no condition (exactly so, upper case).
inline QString any()
{
    return QStringLiteral("ANY");
}
} // namespace SearchText

// Money details are read through the numeric cleanup before the detail test.
inline bool isMoneyDetail(int detail)
{
    return detail == 1 || detail == 8;
}

// Whether text reads completely as a decimal number: optional leading blanks, an optional sign,
// one or more digits, optionally a point followed by one or more digits, optionally an exponent
// (E or e, optional sign, one or more digits), and nothing else. The empty text, a trailing
// blank, "1." and ".5" are not numbers. When it reads, *value receives the number (out-of-range
// magnitudes become infinity or zero with their sign).
bool readDecimalNumber(QStringView text, double *value = nullptr);

// Every description criterion that is not "ANY" occurs in the record's description, letter case
// significant. An empty criterion holds for no record.
bool descriptionTest(const ItemRecord &record, const SearchCriteria &criteria);

// Some line, with A-Z folded, contains the criterion with A-Z folded; never across a line
// break. An empty criterion holds for no line (a run skips empty notes boxes anyway).
bool notesTest(QStringView criterion, const QStringList &lines);

// The detail test of one range against one value: numeric when low, high and value all read as
// numbers (after the numeric cleanup for a money detail), else a text range over the value's
// prefixes when both bounds are set, else containment of either non-empty bound.
bool detailTest(const QString &low, const QString &high, const QString &value, bool money);

// The flag filter: true for a record without flags, else the box of its last set flag in the
// order Wanted, For Trade, For Sale.
bool flagVerdict(const ItemRecord &record, const SearchCriteria &criteria);

struct SearchRunResult
{
    int newCount = 0;
    QString outcome; // "No new items found." and the like, for the status line
};

// "No new items found.", "1 new item found." or "<n> new items found.".
QString searchOutcomeText(int newCount);

// The search run over the whole store, in store order: each record's WasOnSearchList takes its
// OnSearchList, then a record not yet on the list joins it when every ticked group passes.
// Nothing leaves the list. The record scope becomes the search list. progress receives the
// percentage of records done (1..100), once for each change of the figure.
SearchRunResult runSearch(RecordStore &store, const SearchCriteria &criteria,
    const std::function<void(int percent)> &progress = {});
