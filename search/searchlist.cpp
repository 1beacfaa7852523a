// Clearing, adding a range to, removing and extracting the search list.
#include "search/searchlist.h"

#include <algorithm>

#include "store/editcommands.h"

namespace SearchList {

QString overwriteQuestion(const QString &fileName)
{
    return fileName + QStringLiteral(" already exists.  Do you want to overwrite it ?");
}

QString rangeAddedMessage(int low, int high)
{
    return QStringLiteral("Records ") + QString::number(low) + QStringLiteral(" to ")
        + QString::number(high) + QStringLiteral(" have been added to the Search List.");
}

QString removedMessage(int removed)
{
    return QString::number(removed)
        + QStringLiteral(" records have been removed from the Database.");
}

void clear(RecordStore &store)
{
    for (const RecordPtr &r : store.records()) {
        r->OnSearchList = false;
        r->WasOnSearchList = false;
    }
}

int addRange(RecordStore &store, int low, int high)
{
    int joined = 0;
    // Clamp to the store first so a huge range costs nothing.
    const int first = std::max(low, 1);
    const int last = std::min(high, store.count());
    for (int p = first; p <= last; ++p) {
        ItemRecord &r = store.at(p - 1);
        if (r.OnSearchList) {
            r.WasOnSearchList = true;
        } else {
            r.OnSearchList = true;
            r.WasOnSearchList = false;
            ++joined;
        }
    }
    store.currentIndex = 0;
    return joined;
}

RemoveResult removeFromDatabase(RecordStore &store, EditHistory *history)
{
    const std::vector<RecordPtr> &records = store.records();
    RemoveResult result;
    const int current = store.currentIndex;
    if (!records.empty()) {
        // The store must keep one record: when every record is a member, the last one stays.
        const bool allMembers = std::all_of(
            records.begin(), records.end(), [](const RecordPtr &r) { return r->OnSearchList; });
        std::vector<RecordPtr> members;
        for (size_t i = 0; i < records.size(); ++i)
            if (records[i]->OnSearchList && !(allMembers && i == records.size() - 1))
                members.push_back(records[i]);
        result.removed = int(members.size());
        if (!members.empty()) {
            auto command = std::make_unique<RemoveRecordsCommand>(
                store, std::move(members), QStringLiteral("Remove From Database"));
            if (history)
                history->push(std::move(command));
            else
                command->run();
        }
    }
    store.currentIndex = current;
    if (store.currentIndex >= store.count())
        store.currentIndex = store.count() - 1;
    result.currentIndex = store.currentIndex;
    result.message = removedMessage(result.removed);
    return result;
}

ExtractResult extractToFile(const QString &path, const RecordStore &store)
{
    const int members = store.searchListCount();
    if (members == 0)
        return {};
    const DataFile::WriteResult written = DataFile::writeDatabase(path, store, true, members);
    if (!written.ok)
        return { ExtractOutcome::Failed, written.message };
    return { ExtractOutcome::Written, extractSuccessMessage() };
}

} // namespace SearchList
