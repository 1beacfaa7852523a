// The edit commands: every kind of change the windows and the tool make to the records.
#pragma once

#include <array>
#include <memory>
#include <utility>
#include <vector>

#include "store/edithistory.h"

// Where the record stands in the store now; -1 when it is not in the store.
int recordIndex(const RecordStore &store, const ItemRecord *identity);
inline int recordIndex(const RecordStore &store, const RecordPtr &identity)
{
    return recordIndex(store, identity.get());
}

// One box's change: the record with only that field taken from another value, and its label.
struct FieldStep
{
    QString label; // "Typing in Name"
    ItemRecord value;
};
// The fields in which `after` differs from `before`, one step per box in the record window's
// order; the search-list marks are no fields.
std::vector<FieldStep> fieldSteps(
    const ItemRecord &before, const ItemRecord &after, const FieldCaptions &captions);

// Gives one record new field values. The search-list marks belong to the search, not to the
// record's contents, and are kept as they are.
class RecordEditCommand : public EditCommand
{
public:
    RecordEditCommand(
        RecordStore &store, const RecordPtr &record, ItemRecord after, const QString &text);

    // Keystrokes stored one by one (a picture title) join the step before them when it types
    // into the same record under the same label.
    void setJoinsTyping(bool on) { m_joins = on; }
    int id() const override { return m_joins ? 1 : -1; }
    bool mergeWith(const QUndoCommand *other) override;

protected:
    void apply() override;
    void revert() override;

private:
    void assign(const ItemRecord &value);
    ItemRecord m_before;
    ItemRecord m_after;
    bool m_joins = false;
};

// The ten category trees with their text forms, for steps that replace them (Merge).
struct CategoryState
{
    std::array<CategoryTree, RecordStore::CategoryCount + 1> trees;
    std::array<QString, RecordStore::CategoryCount + 1> texts;

    static CategoryState of(const RecordStore &store);
    void restore(RecordStore &store) const;
};

// Puts records into the store at given positions (New Record, Insert Record, and everything
// that appends: Merge, the imports, New Records from Photos).
class InsertRecordsCommand : public EditCommand
{
public:
    // Positions are where each record stands once all are in, ascending.
    InsertRecordsCommand(
        RecordStore &store, std::vector<std::pair<int, RecordPtr>> placed, const QString &text);
    // The records from `first` to the end, already appended by a reader: push with pushDone.
    static std::unique_ptr<InsertRecordsCommand> appended(
        RecordStore &store, int first, const QString &text);
    // The categories as they were before the step and as it left them (a merge replaces them).
    void setCategories(CategoryState before, CategoryState after);

    RecordPtr focusAfterUndo() const override;
    int recordCount() const override { return int(m_placed.size()); }

protected:
    void apply() override;
    void revert() override;

private:
    std::vector<std::pair<int, RecordPtr>> m_placed;
    std::unique_ptr<std::pair<CategoryState, CategoryState>> m_categories;
};

// Takes records out of the store (Delete Record, Remove From Database).
class RemoveRecordsCommand : public EditCommand
{
public:
    RemoveRecordsCommand(RecordStore &store, std::vector<RecordPtr> records, const QString &text);

    RecordPtr focusAfterRedo() const override;
    int recordCount() const override { return int(m_removed.size()); }

protected:
    void apply() override;
    void revert() override;

private:
    std::vector<RecordPtr> m_records; // as given
    std::vector<std::pair<int, RecordPtr>> m_removed; // where each stood, ascending
};

// Sorts the store; keeps only the order before the sort.
class SortCommand : public EditCommand
{
public:
    SortCommand(RecordStore &store, int sortKey, const QString &text);

    RecordPtr focusAfterRedo() const override { return {}; }
    int recordCount() const override { return int(m_before.size()); }

protected:
    void apply() override;
    void revert() override;

private:
    int m_key;
    std::vector<RecordPtr> m_before;
};

// Change Picture Path: points every filled picture slot into one folder; keeps only the old
// paths.
class PicturePathCommand : public EditCommand
{
public:
    PicturePathCommand(RecordStore &store, const QString &folder);

    int changedSlots() const { return int(m_old.size()); }
    int recordCount() const override;

protected:
    void apply() override;
    void revert() override;

private:
    struct OldPath
    {
        RecordPtr record;
        int slot;
        QString path;
    };
    QString m_folder;
    std::vector<OldPath> m_old;
};

// A change of category tree k and of the description k values that name its categories (the
// category editor: a new, removed, renamed, moved or sorted category).
class CategoryCommand : public EditCommand
{
public:
    struct Value
    {
        RecordPtr record;
        QString before;
        QString after;
    };
    CategoryCommand(RecordStore &store, int k, CategoryTree after, std::vector<Value> values,
        const QString &text);

    int recordCount() const override { return int(m_values.size()); }

protected:
    void apply() override;
    void revert() override;

private:
    int m_k;
    CategoryTree m_beforeTree;
    QString m_beforeText;
    CategoryTree m_afterTree;
    std::vector<Value> m_values;
};
