// Which column of a sheet goes to which field of a record: the choices, the guess from the
// headings, and the mapping file (JSON) that keeps a mapping for the next import.
#pragma once

#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "sheetimport/sheettable.h"
#include "store/captions.h"

namespace SheetImport {

struct Target
{
    enum Kind {
        LeaveOut,
        Name,
        RecordCode,
        Description, // index 1..10
        Detail, // index 0..9
        Keywords,
        History,
        Notes,
        Picture,
        Link,
        Wanted,
        ForTrade,
        ForSale,
    };
    Kind kind = LeaveOut;
    int index = 0;

    bool operator==(const Target &) const = default;
    // Fields that take the values of several columns, one after the other.
    bool takesMany() const
    {
        return kind == Keywords || kind == History || kind == Notes || kind == Picture
            || kind == Link;
    }
};

// Every choice, in the order the window offers them ("leave out" first).
std::vector<Target> allTargets();
// The name the user sees: the field's caption in this database.
QString targetCaption(const Target &target, const FieldCaptions &captions);
// A stable key for mapping files ("name", "description8", "detail2", "leave out", ...).
QString targetKey(const Target &target);
Target targetFromKey(const QString &key, bool *ok = nullptr);

// How an ambiguous date (3/4/2024) is read.
enum class DateOrder { Auto, DayMonthYear, MonthDayYear, YearMonthDay };
QString dateOrderKey(DateOrder order); // "auto", "dmy", "mdy", "ymd"
DateOrder dateOrderFromKey(const QString &key, bool *ok = nullptr);

// What happens to a value that cannot be converted to its field.
enum class Refusal { IntoNotes, LeaveEmpty, Stop };
QString refusalKey(Refusal refusal); // "notes", "empty", "stop"

struct Mapping
{
    bool headings = true; // the first row names the columns
    std::vector<Target> columns; // one per column of the sheet
    DateOrder dates = DateOrder::Auto;
    bool addCategories = false; // a description path not in its tree adds its nodes
    Refusal refused = Refusal::IntoNotes;
    // Read options kept with the mapping; empty or -1 when detected.
    QString encoding;
    QString delimiter;
    int sheet = -1;

    Target target(int column) const
    {
        return column >= 0 && size_t(column) < columns.size() ? columns[size_t(column)] : Target {};
    }
};

// Whether the first row reads as headings rather than as a record.
bool looksLikeHeadings(const SheetTable &table, const FieldCaptions &captions);
// The field a heading names: a caption in any letter case, or a common synonym of one.
Target guessTarget(const QString &heading, const FieldCaptions &captions);
// The guessed mapping: headings decided, each heading's field (a field once, except those that
// take many columns).
Mapping guessMapping(const SheetTable &table, const FieldCaptions &captions);
// The heading of a column: the first row's text when it holds headings, else "Column C".
QString columnHeading(const SheetTable &table, const Mapping &mapping, int column);
QString columnLetters(int column);

// Mapping files. headings are the sheet's headings, kept so that a file with its columns in
// another order maps the same.
QByteArray mappingToJson(const Mapping &mapping, const QStringList &headings);
// Fits a mapping file to a sheet: columns matched by heading when both have headings, else by
// position; *error says why a file does not read.
bool mappingFromJson(
    const QByteArray &json, const SheetTable &table, Mapping &mapping, QString *error);

} // namespace SheetImport
