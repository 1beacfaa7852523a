// Search-list operations: clear, add a range, remove from the store, extract to a file.
#include <limits>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "search/searchlist.h"
#include "store/datafile.h"

namespace {

// Records named "1".."n"; members by their record number.
RecordStore makeStore(int n, const QList<int> &members = {})
{
    RecordStore store;
    for (int i = 1; i <= n; ++i) {
        ItemRecord r;
        r.setName(QString::number(i));
        r.setDetail(0, QStringLiteral("detail of %1").arg(i));
        store.append(r);
    }
    for (int m : members)
        store.at(m - 1).OnSearchList = true;
    return store;
}

QStringList names(const RecordStore &store)
{
    QStringList out;
    for (const RecordPtr &r : store.records())
        out.append(r->name());
    return out;
}

QList<int> numbersWhere(const RecordStore &store, bool ItemRecord::*flag)
{
    QList<int> out;
    for (int i = 0; i < store.count(); ++i) {
        if (store.at(i).*flag)
            out.append(i + 1);
    }
    return out;
}

} // namespace

class TestSearchList : public QObject
{
    Q_OBJECT

private slots:
    void clearEmptiesBothFlags()
    {
        RecordStore store = makeStore(4, { 1, 3 });
        store.at(2).WasOnSearchList = true;
        store.at(3).WasOnSearchList = true; // old flag without membership
        SearchList::clear(store);
        QCOMPARE(SearchList::count(store), 0);
        QVERIFY(numbersWhere(store, &ItemRecord::OnSearchList).isEmpty());
        QVERIFY(numbersWhere(store, &ItemRecord::WasOnSearchList).isEmpty());
        QCOMPARE(SearchList::clearedMessage(), QStringLiteral("Search List Cleared"));
    }

    void addRange_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<QList<int>>("before");
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::addColumn<QList<int>>("members");
        QTest::addColumn<QList<int>>("oldMembers");
        QTest::addColumn<int>("joined");
        QTest::newRow("3 to 5 of 10")
            << 10 << QList<int>() << 3 << 5 << QList<int> { 3, 4, 5 } << QList<int>() << 3;
        QTest::newRow("member inside becomes old")
            << 10 << QList<int> { 2 } << 1 << 3 << QList<int> { 1, 2, 3 } << QList<int> { 2 } << 2;
        QTest::newRow("low above high")
            << 10 << QList<int> { 7 } << 5 << 3 << QList<int> { 7 } << QList<int>() << 0;
        QTest::newRow("beyond the store")
            << 4 << QList<int>() << 3 << 99 << QList<int> { 3, 4 } << QList<int>() << 2;
        QTest::newRow("below 1") << 4 << QList<int>() << -5 << 1 << QList<int> { 1 } << QList<int>()
                                 << 1;
        QTest::newRow("wholly outside")
            << 4 << QList<int>() << 6 << 9 << QList<int>() << QList<int>() << 0;
        QTest::newRow("huge range")
            << 3 << QList<int>() << std::numeric_limits<int>::min()
            << std::numeric_limits<int>::max() << QList<int> { 1, 2, 3 } << QList<int>() << 3;
    }
    void addRange()
    {
        QFETCH(int, records);
        QFETCH(QList<int>, before);
        QFETCH(int, low);
        QFETCH(int, high);
        QFETCH(QList<int>, members);
        QFETCH(QList<int>, oldMembers);
        QFETCH(int, joined);
        RecordStore store = makeStore(records, before);
        store.currentIndex = records - 1;
        QCOMPARE(SearchList::addRange(store, low, high), joined);
        QCOMPARE(numbersWhere(store, &ItemRecord::OnSearchList), members);
        QCOMPARE(numbersWhere(store, &ItemRecord::WasOnSearchList), oldMembers);
        QCOMPARE(store.currentIndex, 0);
    }

    void messages()
    {
        QCOMPARE(SearchList::rangeAddedMessage(3, 5),
            QStringLiteral("Records 3 to 5 have been added to the Search List."));
        QCOMPARE(SearchList::rangeAddedMessage(5, 3),
            QStringLiteral("Records 5 to 3 have been added to the Search List."));
        QCOMPARE(SearchList::removedMessage(1),
            QStringLiteral("1 records have been removed from the Database."));
        QCOMPARE(SearchList::overwriteQuestion(QStringLiteral("/tmp/a.dat")),
            QStringLiteral("/tmp/a.dat already exists.  Do you want to overwrite it ?"));
        QCOMPARE(SearchList::removeQuestion(),
            QStringLiteral("All Search List Records will be removed.  Are you sure you want to "
                           "continue ?"));
    }

    void remove_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<QList<int>>("members");
        QTest::addColumn<int>("current");
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<int>("nextCurrent");
        QTest::newRow("2, 3 and the last")
            << 5 << QList<int> { 2, 3, 5 } << 0
            << QStringList { QStringLiteral("1"), QStringLiteral("4") } << 0;
        QTest::newRow("only the last, shown")
            << 3 << QList<int> { 3 } << 2
            << QStringList { QStringLiteral("1"), QStringLiteral("2") } << 1;
        QTest::newRow("every record: the last stays")
            << 4 << QList<int> { 1, 2, 3, 4 } << 1 << QStringList { QStringLiteral("4") } << 0;
        QTest::newRow("no member")
            << 3 << QList<int>() << 2
            << QStringList { QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3") } << 2;
        QTest::newRow("current beyond the end goes to the last")
            << 6 << QList<int> { 1, 2, 3 } << 5
            << QStringList { QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6") } << 2;
        QTest::newRow("nothing shown yet")
            << 3 << QList<int> { 1 } << -1
            << QStringList { QStringLiteral("2"), QStringLiteral("3") } << -1;
        QTest::newRow("single record")
            << 1 << QList<int> { 1 } << 0 << QStringList { QStringLiteral("1") } << 0;
    }
    void remove()
    {
        QFETCH(int, records);
        QFETCH(QList<int>, members);
        QFETCH(int, current);
        QFETCH(QStringList, left);
        QFETCH(int, nextCurrent);
        RecordStore store = makeStore(records, members);
        store.currentIndex = current;
        const SearchList::RemoveResult result = SearchList::removeFromDatabase(store);
        QCOMPARE(names(store), left);
        QCOMPARE(result.removed, records - int(left.size()));
        QCOMPARE(result.message,
            QString::number(result.removed)
                + QStringLiteral(" records have been removed from the Database."));
        QCOMPARE(result.currentIndex, nextCurrent);
        QCOMPARE(store.currentIndex, nextCurrent);
    }

    void removeFromEmptyStore()
    {
        RecordStore store;
        const SearchList::RemoveResult result = SearchList::removeFromDatabase(store);
        QCOMPARE(result.removed, 0);
        QCOMPARE(result.currentIndex, -1);
    }

    void extractWritesOnlyMembers()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        RecordStore store = makeStore(10, { 2, 5, 9 });
        store.fileName = dir.filePath(QStringLiteral("whole.dat"));
        store.captions.detail[0] = QStringLiteral("Guarantee");
        store.categoryTexts[1] = QStringLiteral("Rooms\r\n\tFurniture\r\n");
        const QString out = dir.filePath(QStringLiteral("part.dat"));

        const SearchList::ExtractResult result = SearchList::extractToFile(out, store);
        QCOMPARE(result.outcome, SearchList::ExtractOutcome::Written);
        QCOMPARE(result.message, QStringLiteral("Extract Sucessful !"));
        // The open database is as it was.
        QCOMPARE(store.count(), 10);
        QCOMPARE(store.fileName, dir.filePath(QStringLiteral("whole.dat")));
        QCOMPARE(numbersWhere(store, &ItemRecord::OnSearchList), (QList<int> { 2, 5, 9 }));

        RecordStore read;
        QVERIFY(DataFile::readDatabase(out, read, false).ok());
        QCOMPARE(names(read),
            (QStringList { QStringLiteral("2"), QStringLiteral("5"), QStringLiteral("9") }));
        QCOMPARE(read.at(1).detail(0), QStringLiteral("detail of 5"));
        QCOMPARE(read.captions, store.captions);
        QCOMPARE(read.categoryTexts[1], store.categoryTexts[1]);
        QCOMPARE(SearchList::count(read), 0); // membership is never stored
    }

    void extractWithoutMembersWritesNothing()
    {
        QTemporaryDir dir;
        const QString out = dir.filePath(QStringLiteral("part.dat"));
        const SearchList::ExtractResult result = SearchList::extractToFile(out, makeStore(3));
        QCOMPARE(result.outcome, SearchList::ExtractOutcome::NoMembers);
        QVERIFY(result.message.isEmpty());
        QVERIFY(!QFile::exists(out));
    }

    void extractFailureIsReported()
    {
        QTemporaryDir dir;
        const QString missingFolder = dir.filePath(QStringLiteral("no/such/folder/part.dat"));
        SearchList::ExtractResult result
            = SearchList::extractToFile(missingFolder, makeStore(3, { 1 }));
        QCOMPARE(result.outcome, SearchList::ExtractOutcome::Failed);
        QVERIFY(result.message.contains(missingFolder));
        QVERIFY(!QFile::exists(missingFolder));
    }
};

QTEST_GUILESS_MAIN(TestSearchList)
#include "tst_searchlist.moc"
