// Related records, web links and internet searches without widgets: entry texts, matching,
// search terms and engine addresses, and the generated pages the browser is given.
#pragma once

#include <array>
#include <optional>
#include <span>

#include <QList>
#include <QString>
#include <QStringList>

#include "store/captions.h"
#include "store/itemrecord.h"

class RecordStore;

// ---- Entries: one HTML anchor each, stored and shown as typed.

// <A href="address">title</A>, neither part validated nor escaped (the stored format).
QString linkEntry(const QString &address, const QString &title);
// <A href="index">name</A> for a record of the store.
QString relatedRecordEntry(int index, const QString &name);

struct Anchor
{
    QString href;
    QString text; // character references decoded, ready to draw as plain text
};
// The anchor of an entry that is exactly one well-formed anchor; nothing for anything else (an
// unclosed tag, a quote inside the address, stray text), which is then drawn as plain text.
std::optional<Anchor> parseAnchor(const QString &entry);

// ---- Related records.

// The selector's fields: descriptions 1..10, details 0..9, then the status flags.
constexpr int RelatedFieldCount = 21;
constexpr int RelatedStatusField = 20;
inline const QString StatusCaption = QStringLiteral("Status");
// The 21 selector entries from the field captions as they are now.
QStringList relatedFieldCaptions(const FieldCaptions &captions);
// The field the selector's text stands for: the first entry with exactly that text; -1 when the
// text is empty or no entry has it.
int relatedFieldFor(const QStringList &entries, const QString &text);
// Whether record b is related to record a in the field (0..20).
bool isRelated(const ItemRecord &a, const ItemRecord &b, int field);
// The indexes of the records related to the current one, in store order, the current one never.
QList<int> relatedRecords(const RecordStore &store, int current, int field);

// ---- Search terms and engines.

// What the record window shows, as the search term is built from it.
struct ShownRecord
{
    QString name; // RecordName
    QString historyFirstLine; // first line of Memo2 as displayed
    std::array<QString, 11> descriptions; // text of description box k (1..10), [0] unused
    QString detail0; // Detail0
};
QString generateSearchTerm(const ShownRecord &shown);
// Escapes a term for a query string: blank as "+", the query's own delimiters as %-codes.
QString EncodeSearchTerm(const QString &term);

struct SearchEngine
{
    const char *name; // radio button objectName
    const char *caption;
    const char *site; // scheme and host
    const char *path;
    const char *key;
};
// The six engines of the first release in their order, then today's general searches.
std::span<const SearchEngine> searchEngines();
QString searchAddress(const SearchEngine &engine, const QString &term);

// ---- Pages handed to the browser.

constexpr auto RedirectPageName = "go.htm";
inline const QString SearchPlaceholder = QStringLiteral("INSERTSEARCHHERE");

// Text made safe for an HTML attribute value or element content.
QString htmlEscape(const QString &text);
// The four lines of the redirect page for an address (escaped, so it cannot end the attribute).
QStringList redirectPageLines(const QString &address);
// The search-form pages with the placeholder line, as the hidden template controls hold them.
QStringList bookStoreTemplate();
QStringList magazineStoreTemplate();
// The template with its placeholder line replaced by Value="search text" (the text escaped).
QStringList fillSearchForm(const QStringList &templateLines, const QString &searchText);
// Writes the lines with CR LF ends in the program's single-byte encoding, replacing the file only
// once it is complete. On failure returns false and sets the message to show.
bool writePage(const QString &path, const QStringList &lines, QString *message);

// Only web and mail addresses go to the browser: http, https, ftp and mailto.
bool isOpenableAddress(const QString &address);
QString refusedAddressMessage(const QString &address);
// A long text cut to a length a message box can show.
QString shortenedForMessage(const QString &text, int maxLength = 100);
