// Quick find: the records whose texts hold every typed word, in any order, case and accents
// ignored, answered from folded copies of the texts so that each keystroke is a plain scan.
#pragma once

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include <QHash>
#include <QString>
#include <QStringList>

#include "store/itemrecord.h"

class RecordStore;

class QuickFindIndex
{
public:
    // Lower case, accents dropped ("Café" -> "cafe"), every other character kept.
    static QString fold(QStringView text);
    // The folded words of a query; blanks separate them.
    static QStringList words(QStringView query);
    // The text a record is found by: name, code, descriptions, details, keywords, history, notes.
    static QString recordText(const ItemRecord &record);

    // Store positions, ascending, of the records holding every word of the query; every record
    // when it has no words. A record whose texts changed since it was folded is folded again.
    std::vector<int> matches(const RecordStore &store, QStringView query);
    bool matchesRecord(const ItemRecord &record, QStringView query);

    // Enter in the Find box: the matches become the search list, replacing it.
    static void makeSearchList(RecordStore &store);

    // While a batch lives, asking again for the same query gives the first answer: one keystroke
    // asks from several places (the count, the grid, the record window) with nothing changed
    // in between.
    class Batch
    {
    public:
        explicit Batch(QuickFindIndex &index)
            : m_index(index)
        {
            ++m_index.m_batches;
        }
        ~Batch()
        {
            if (--m_index.m_batches == 0)
                m_index.m_batchQuery.reset();
        }
        Batch(const Batch &) = delete;
        Batch &operator=(const Batch &) = delete;

    private:
        QuickFindIndex &m_index;
    };

    // Folded texts held, for the benchmark's memory figure.
    qsizetype heldCharacters() const;

private:
    struct Entry
    {
        std::shared_ptr<const ItemRecord> record; // keeps the address from being reused
        size_t fingerprint = 0;
        QString folded;
    };
    std::vector<int> matchesNow(const RecordStore &store, QStringView query);
    const QString &foldedText(size_t position, const std::shared_ptr<ItemRecord> &record);

    // By store position, so a keystroke needs no lookups; records that moved (a sort) are found
    // again through m_entries, and only new or changed ones are folded.
    std::vector<Entry> m_byPosition;
    QHash<const ItemRecord *, Entry> m_entries;
    // The last answer: a query that only extends it (more letters, more words) narrows it.
    QStringList m_lastWords;
    std::vector<const ItemRecord *> m_lastMatches;
    const RecordStore *m_lastStore = nullptr;
    int m_batches = 0;
    std::optional<std::pair<QString, std::vector<int>>> m_batchQuery;
};
