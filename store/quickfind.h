// Quick find: the records whose texts hold every typed word, in any order, case and accents
// ignored, answered from folded copies of the texts so that each keystroke is a plain scan.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include <QString>
#include <QStringList>
#include <QVarLengthArray>

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
    // The same for the words of a query folded once for many records: foldedWords(query).
    static QList<QByteArray> foldedWords(QStringView query);
    static bool holdsWords(const ItemRecord &record, const QList<QByteArray> &folded);

    // Enter in the Find box: the matches become the search list, replacing it.
    static void makeSearchList(RecordStore &store);

    // Folds records not folded yet, for about budgetMs at a time, so that the first keystroke
    // after a file is read finds the work done; true when every record is folded. Starts over
    // at the first record after restartPreparing().
    bool prepare(const RecordStore &store, int budgetMs);
    void restartPreparing() { m_prepared = 0; }

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

    // Bytes of folded text held, for the benchmark's memory figure.
    qsizetype heldCharacters() const;

private:
    // One record's folded text, as of the record's revision.
    struct Entry
    {
        std::shared_ptr<const ItemRecord> record; // keeps the address from being reused
        size_t fingerprint = 0;
        QByteArray folded; // UTF-8
        quint64 matchedIn = 0; // the answer that last found it
    };
    std::vector<int> matchesNow(const RecordStore &store, QStringView query);
    // Brings the entries of the given positions (ascending) up to date, folding on every core.
    void refresh(const RecordStore &store, const std::vector<std::pair<int, size_t>> &stale);
    void dropLeftRecords(const RecordStore &store);

    // Entries are found by record, and by store position so that a keystroke needs no lookups;
    // records that moved (a sort) are found again by record, and only new or changed ones are
    // folded.
    std::unordered_map<const ItemRecord *, Entry> m_entries;
    std::vector<Entry *> m_byPosition;
    // The last answer: a query that only extends it (more letters, more words) narrows it.
    QStringList m_lastWords;
    quint64 m_answers = 0;
    quint64 m_lastAnswer = 0;
    const RecordStore *m_lastStore = nullptr;
    size_t m_prepared = 0;
    int m_batches = 0;
    std::optional<std::pair<QString, std::vector<int>>> m_batchQuery;
};
