// The edit commands over records, the order of the store and the category trees.
#include "store/editcommands.h"

#include <algorithm>
#include <unordered_map>

#include "store/picturepath.h"
#include "store/sort.h"

int recordIndex(const RecordStore &store, const ItemRecord *identity)
{
    if (!identity)
        return -1;
    const std::vector<RecordPtr> &records = store.records();
    // The shown record is the one asked for most often.
    const int current = store.currentIndex;
    if (current >= 0 && current < store.count() && records[size_t(current)].get() == identity)
        return current;
    const auto it = std::find_if(records.begin(), records.end(),
        [identity](const RecordPtr &r) { return r.get() == identity; });
    return it == records.end() ? -1 : int(it - records.begin());
}

namespace {

const QString Typing = QStringLiteral("Typing in ");

// Puts `placed` (ascending final positions) into `records` in one pass.
void placeAll(std::vector<RecordPtr> &records, const std::vector<std::pair<int, RecordPtr>> &placed)
{
    std::vector<RecordPtr> merged;
    merged.reserve(records.size() + placed.size());
    size_t from = 0;
    for (const auto &[pos, record] : placed) {
        while (int(merged.size()) < pos && from < records.size())
            merged.push_back(std::move(records[from++]));
        merged.push_back(record);
    }
    while (from < records.size())
        merged.push_back(std::move(records[from++]));
    records.swap(merged);
}

// Takes the given records out in one pass; returns where each stood, ascending.
std::vector<std::pair<int, RecordPtr>> takeAll(
    std::vector<RecordPtr> &records, const std::vector<RecordPtr> &gone)
{
    std::unordered_map<const ItemRecord *, bool> wanted;
    wanted.reserve(gone.size());
    for (const RecordPtr &r : gone)
        wanted.emplace(r.get(), true);
    std::vector<std::pair<int, RecordPtr>> taken;
    taken.reserve(gone.size());
    size_t kept = 0;
    for (size_t i = 0; i < records.size(); ++i) {
        if (wanted.count(records[i].get())) {
            taken.emplace_back(int(i), std::move(records[i]));
            continue;
        }
        if (kept != i)
            records[kept] = std::move(records[i]);
        ++kept;
    }
    records.resize(kept);
    return taken;
}

} // namespace

std::vector<FieldStep> fieldSteps(
    const ItemRecord &before, const ItemRecord &after, const FieldCaptions &captions)
{
    std::vector<FieldStep> steps;
    ItemRecord value = before;
    // Each step carries the fields of the steps before it, so the last one is `after`.
    auto step = [&](const QString &label, auto &&change) {
        change(value);
        steps.push_back({ label, value });
    };
    if (before.name() != after.name())
        step(Typing + QStringLiteral("Name"), [&](ItemRecord &r) { r.setName(after.name()); });
    for (size_t k = 1; k <= ItemRecord::DescriptionCount; ++k)
        if (before.description(k) != after.description(k))
            step(Typing + captions.description[k],
                [&](ItemRecord &r) { r.setDescription(k, after.description(k)); });
    for (size_t d = 0; d < ItemRecord::DetailCount; ++d)
        if (before.detail(d) != after.detail(d))
            step(Typing + captions.detail[d],
                [&](ItemRecord &r) { r.setDetail(d, after.detail(d)); });
    if (before.Wanted != after.Wanted || before.ForTrade != after.ForTrade
        || before.ForSale != after.ForSale)
        step(QStringLiteral("Change Status"), [&](ItemRecord &r) {
            r.Wanted = after.Wanted;
            r.ForTrade = after.ForTrade;
            r.ForSale = after.ForSale;
        });
    if (before.keywords() != after.keywords())
        step(Typing + QStringLiteral("Keywords"),
            [&](ItemRecord &r) { r.setKeywords(after.keywords()); });
    if (before.history() != after.history())
        step(Typing + QStringLiteral("History"), [&](ItemRecord &r) { r.setHistory(after.history()); });
    if (before.notes() != after.notes())
        step(Typing + QStringLiteral("Notes"), [&](ItemRecord &r) { r.setNotes(after.notes()); });
    if (before.links() != after.links())
        step(QStringLiteral("Change Related Links"), [&](ItemRecord &r) { r.setLinks(after.links()); });
    for (size_t s = 1; s <= ItemRecord::PictureCount; ++s) {
        if (before.pictureTitle(s) != after.pictureTitle(s))
            step(Typing + QStringLiteral("Image Title"),
                [&](ItemRecord &r) { r.setPictureTitle(s, after.pictureTitle(s)); });
        if (before.pictureFile(s) != after.pictureFile(s)
            || before.pictureAutoSize(s) != after.pictureAutoSize(s))
            step(QStringLiteral("Change Image File"), [&](ItemRecord &r) {
                r.setPictureFile(s, after.pictureFile(s));
                r.setPictureAutoSize(s, after.pictureAutoSize(s));
            });
    }
    if (before.recordCode() != after.recordCode() || before.spareText() != after.spareText())
        step(QStringLiteral("Change Record"), [&](ItemRecord &r) {
            r.setRecordCode(after.recordCode());
            r.setSpareText(after.spareText());
        });
    return steps;
}

RecordEditCommand::RecordEditCommand(
    RecordStore &store, const RecordPtr &record, ItemRecord after, const QString &text)
    : EditCommand(store, text)
    , m_before(*record)
    , m_after(std::move(after))
{
    m_focus = record;
}

bool RecordEditCommand::mergeWith(const QUndoCommand *other)
{
    const auto *next = dynamic_cast<const RecordEditCommand *>(other);
    if (!next || !m_joins || !next->m_joins || next->m_focus != m_focus || next->text() != text())
        return false;
    m_after = next->m_after;
    return true;
}

void RecordEditCommand::assign(const ItemRecord &value)
{
    ItemRecord &r = *m_focus;
    const bool on = r.OnSearchList, was = r.WasOnSearchList;
    r = value;
    r.OnSearchList = on;
    r.WasOnSearchList = was;
}

void RecordEditCommand::apply()
{
    assign(m_after);
}

void RecordEditCommand::revert()
{
    assign(m_before);
}

CategoryState CategoryState::of(const RecordStore &store)
{
    CategoryState s;
    for (int k = 1; k <= RecordStore::CategoryCount; ++k) {
        s.trees[size_t(k)] = store.categoryTree(k);
        s.texts[size_t(k)] = store.categoryTexts[size_t(k)];
    }
    return s;
}

void CategoryState::restore(RecordStore &store) const
{
    for (int k = 1; k <= RecordStore::CategoryCount; ++k) {
        store.setCategoryTree(k, trees[size_t(k)]);
        // A text that did not build stays as it was, not as the empty tree it built to.
        store.categoryTexts[size_t(k)] = texts[size_t(k)];
    }
}

InsertRecordsCommand::InsertRecordsCommand(
    RecordStore &store, std::vector<std::pair<int, RecordPtr>> placed, const QString &text)
    : EditCommand(store, text)
    , m_placed(std::move(placed))
{
    if (!m_placed.empty())
        m_focus = m_placed.front().second;
}

std::unique_ptr<InsertRecordsCommand> InsertRecordsCommand::appended(
    RecordStore &store, int first, const QString &text)
{
    std::vector<std::pair<int, RecordPtr>> placed;
    placed.reserve(size_t(std::max(0, store.count() - first)));
    for (int i = std::max(0, first); i < store.count(); ++i)
        placed.emplace_back(i, store.shared(i));
    return std::make_unique<InsertRecordsCommand>(store, std::move(placed), text);
}

void InsertRecordsCommand::setCategories(CategoryState before, CategoryState after)
{
    m_categories = std::make_unique<std::pair<CategoryState, CategoryState>>(
        std::move(before), std::move(after));
}

RecordPtr InsertRecordsCommand::focusAfterUndo() const
{
    // The record that took the first new record's place.
    if (m_placed.empty() || m_store.isEmpty())
        return {};
    return m_store.shared(std::min(m_placed.front().first, m_store.count() - 1));
}

void InsertRecordsCommand::apply()
{
    placeAll(m_store.records(), m_placed);
    if (m_categories)
        m_categories->second.restore(m_store);
}

void InsertRecordsCommand::revert()
{
    std::vector<RecordPtr> gone;
    gone.reserve(m_placed.size());
    for (const auto &p : m_placed)
        gone.push_back(p.second);
    takeAll(m_store.records(), gone);
    if (m_categories)
        m_categories->first.restore(m_store);
}

RemoveRecordsCommand::RemoveRecordsCommand(
    RecordStore &store, std::vector<RecordPtr> records, const QString &text)
    : EditCommand(store, text)
    , m_records(std::move(records))
{
    if (!m_records.empty())
        m_focus = m_records.front();
}

RecordPtr RemoveRecordsCommand::focusAfterRedo() const
{
    // The record that took the first removed record's place.
    if (m_removed.empty() || m_store.isEmpty())
        return {};
    return m_store.shared(std::min(m_removed.front().first, m_store.count() - 1));
}

void RemoveRecordsCommand::apply()
{
    m_removed = takeAll(m_store.records(), m_records);
    if (!m_removed.empty())
        m_focus = m_removed.front().second;
}

void RemoveRecordsCommand::revert()
{
    placeAll(m_store.records(), m_removed);
    m_removed.clear();
    m_removed.shrink_to_fit();
}

SortCommand::SortCommand(RecordStore &store, int sortKey, const QString &text)
    : EditCommand(store, text)
    , m_key(sortKey)
{
    if (store.currentIndex >= 0 && store.currentIndex < store.count())
        m_focus = store.shared(store.currentIndex);
}

void SortCommand::apply()
{
    m_before = m_store.records();
    sortRecords(m_store, m_key);
}

void SortCommand::revert()
{
    m_store.records() = m_before;
}

PicturePathCommand::PicturePathCommand(RecordStore &store, const QString &folder)
    : EditCommand(store, QStringLiteral("Change Picture Path"))
    , m_folder(folder)
{
    if (store.currentIndex >= 0 && store.currentIndex < store.count())
        m_focus = store.shared(store.currentIndex);
}

int PicturePathCommand::recordCount() const
{
    int n = 0;
    const ItemRecord *last = nullptr;
    for (const OldPath &o : m_old)
        if (o.record.get() != last) {
            last = o.record.get();
            ++n;
        }
    return n;
}

void PicturePathCommand::apply()
{
    m_old.clear();
    for (const RecordPtr &r : m_store.records()) {
        for (int s = 1; s <= ItemRecord::PictureCount; ++s) {
            const QString name = r->pictureFile(s);
            if (name.isEmpty())
                continue;
            r->setPictureFile(s, PicturePath::join(m_folder, PicturePath::fileNamePart(name)));
            m_old.push_back({ r, s, name });
        }
    }
    m_old.shrink_to_fit();
}

void PicturePathCommand::revert()
{
    for (OldPath &o : m_old)
        o.record->setPictureFile(o.slot, o.path);
}

CategoryCommand::CategoryCommand(
    RecordStore &store, int k, CategoryTree after, std::vector<Value> values, const QString &text)
    : EditCommand(store, text)
    , m_k(k)
    , m_beforeTree(store.categoryTree(k))
    , m_beforeText(store.categoryTexts[size_t(k)])
    , m_afterTree(std::move(after))
    , m_values(std::move(values))
{
    if (!m_values.empty())
        m_focus = m_values.front().record;
    else if (store.currentIndex >= 0 && store.currentIndex < store.count())
        m_focus = store.shared(store.currentIndex);
}

void CategoryCommand::apply()
{
    m_store.setCategoryTree(m_k, m_afterTree);
    for (const Value &v : m_values)
        v.record->setDescription(m_k, v.after);
}

void CategoryCommand::revert()
{
    m_store.setCategoryTree(m_k, m_beforeTree);
    m_store.categoryTexts[size_t(m_k)] = m_beforeText;
    for (const Value &v : m_values)
        v.record->setDescription(m_k, v.before);
}
