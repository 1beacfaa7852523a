// The open database in memory: the ordered records and the state every window shares.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include <QString>

#include "store/captions.h"
#include "store/categorytree.h"
#include "store/itemrecord.h"

class QuickFindIndex;

enum class RecordScope { AllRecords, SearchList };

// Records are held through shared pointers so the record window's clipboard can refer to a
// record that is still in the store (Copy Record) or that has just left it (Delete Record).
using RecordPtr = std::shared_ptr<ItemRecord>;

class RecordStore
{
public:
    static constexpr int CategoryCount = 10;
    static constexpr int SpreadsheetColumns = 23;
    static constexpr int DefaultColumnWidth = 136;

    RecordStore();

    int count() const { return int(m_records.size()); }
    bool isEmpty() const { return m_records.empty(); }
    ItemRecord &at(int pos) { return *m_records[size_t(pos)]; }
    const ItemRecord &at(int pos) const { return *m_records[size_t(pos)]; }
    RecordPtr shared(int pos) const { return m_records[size_t(pos)]; }

    void append(RecordPtr record);
    void append(ItemRecord record);
    void insert(int pos, RecordPtr record);
    RecordPtr take(int pos);
    void remove(int pos);
    void clear();
    // Direct access for whole-store operations (sort, read, merge).
    std::vector<RecordPtr> &records() { return m_records; }
    const std::vector<RecordPtr> &records() const { return m_records; }

    int searchListCount() const;

    // Shared state beside the records.
    FieldCaptions captions = FieldCaptions::defaults();
    std::array<QString, CategoryCount + 1> categoryTexts; // index 1..10; [0] unused

    // Category tree k: the tree last given for it while categoryTexts[k] is still that tree's
    // text form, else built from the text (empty when it does not build). The text form cannot
    // carry a node text that starts with a blank, so a tree read from a file is kept whole and
    // written back node for node.
    CategoryTree categoryTree(int k) const;
    // The same, with the build's error when the text is not a kept tree's and does not build.
    TreeBuildResult buildCategory(int k) const;
    // Sets tree k and its text form.
    void setCategoryTree(int k, CategoryTree tree);
    QString fileName; // empty while the database is untitled
    int currentIndex = -1; // record shown in the record window; -1 before any is shown
    bool databaseOpen = false;
    RecordScope scope = RecordScope::AllRecords;
    bool searchRefresh = false;
    std::array<int, SpreadsheetColumns> columnOrder {};
    std::array<int, SpreadsheetColumns> columnWidths {};

    void resetSpreadsheetColumns();

    // Quick find: the words of the Find box. While it holds a word, the spreadsheet and the album
    // show only the records that contain every word, and Next and Previous step through them.
    QString findText;
    bool findActive() const;
    // Positions of the records quick find shows (all records when the box is blank).
    std::vector<int> findMatches() const;
    QuickFindIndex &findIndex() const { return *m_findIndex; }

private:
    std::vector<RecordPtr> m_records;
    std::shared_ptr<QuickFindIndex> m_findIndex;
    std::array<CategoryTree, CategoryCount + 1> m_trees;
    std::array<QString, CategoryCount + 1> m_treeTexts; // text form of m_trees[k] when it was given

};

// Item codes: the shared numbering of record fields used by report columns and import.
namespace ItemCode {
constexpr int FirstDescription = 0; // 0..9 = description 1..10
constexpr int FirstDetail = 10; // 10..19 = detail 0..9
constexpr int Status = 20;
constexpr int RecordNumber = 21;
constexpr int Name = 22;
constexpr int Count = 23;
} // namespace ItemCode

// Keeps the digits and the right-most full stop of a text; "0" when nothing remains.
QString numericCleanup(const QString &text);
