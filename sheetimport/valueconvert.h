// Converting a sheet's values to what a record's fields hold: dates to YYYY/MM/DD, amounts to the
// money form "$1,234.56", category paths to a tree's full name, yes/no to flags. A value that
// does not convert says why, as a phrase that follows the value ("3/4/2024" could be ...).
#pragma once

#include <QDate>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>

#include "sheetimport/sheetmapping.h"
#include "store/categorytree.h"

namespace SheetImport {

struct Converted
{
    QString text; // the stored form
    QString reason; // empty when the value converted
    bool ok() const { return reason.isEmpty(); }
};

// A number, an amount or a date: what a heading row does not hold.
bool looksLikeValue(QStringView text);

// Which order a date's own numbers show: day first when the first is over 12, month first when
// the second is; Auto when they do not tell (or it is no date of that form).
DateOrder dateOrderShown(QStringView text);
// A date in a common form (2024-03-14, 14/03/2024, 3/14/2024, 14.03.2024, 14 Mar 2024,
// March 14, 2024, a time after it) as YYYY/MM/DD. Two-digit years are taken as the latest
// year not after today's.
Converted convertDate(QStringView text, DateOrder order, const QDate &today);
// A four-digit year, or the year of a date.
Converted convertYear(QStringView text, DateOrder order, const QDate &today);
// An amount with currency signs or codes, thousands separators and a decimal point or comma.
Converted convertAmount(QStringView text);
// A whole number 0..99 as two digits.
Converted convertQuantity(QStringView text);
// yes/no/1/0/x/true/false, or the flag's own caption; text "1" or "0".
Converted convertFlag(QStringView text, const QString &caption);
// Web addresses, one a line or separated by blanks; "www." addresses get "http://".
Converted convertLinks(QStringView text);
// A picture file: a path, a file: address or a file name, relative to the sheet's folder.
Converted convertPicture(QStringView text, const QString &sheetFolder);

// Description paths: "Kitchen > Drawer", "Drawer : Kitchen", "Kitchen/Drawer" or a node's text
// alone, to the tree's full name; nodes added on request.
class CategoryResolver
{
public:
    CategoryResolver() = default;
    CategoryResolver(CategoryTree tree, QString caption, bool addNodes);
    Converted resolve(QStringView text);
    bool treeChanged() const { return m_changed; }
    const CategoryTree &tree() const { return m_tree; }
    const QStringList &addedNames() const { return m_added; }

private:
    Converted resolveUncached(const QString &text);
    Converted addPath(const QStringList &rootFirst);

    CategoryTree m_tree;
    QString m_caption;
    bool m_addNodes = false;
    bool m_changed = false;
    QStringList m_added; // full names of nodes added
    QHash<QString, Converted> m_cache;
};

} // namespace SheetImport
