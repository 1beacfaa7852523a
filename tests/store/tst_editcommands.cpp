// Edit commands and the history: every kind of step undone and redone to the byte, records named
// by identity whatever happened to their positions, and the changed flag across saves.
#include <QTest>

#include "store/datafile.h"
#include "store/editcommands.h"
#include "store/sort.h"

using namespace Qt::StringLiterals;

namespace {

ItemRecord makeRecord(int n)
{
    ItemRecord r;
    r.setRecordCode(u"CODE%1"_s.arg(n, 4, 10, QLatin1Char('0')));
    r.setName(u"Item %1"_s.arg(29 - n));
    for (int d = 0; d < ItemRecord::DetailCount; ++d)
        r.setDetail(d, u"d%1-%2"_s.arg(d).arg(n * 7 % 11));
    for (int k = 1; k <= ItemRecord::DescriptionCount; ++k)
        r.setDescription(k, k == 2 ? u"Chairs: Furniture"_s : u"v%1"_s.arg(n % 3));
    if (n % 2 == 0)
        r.setPictureFile(1, u"C:\\Old\\photo%1.jpg"_s.arg(n));
    r.setPictureFile(3, u"/media/cd/side%1.png"_s.arg(n));
    r.setPictureTitle(3, u"Side"_s);
    r.setSpareText(u"spare"_s);
    r.Wanted = n % 3 == 0;
    r.setKeywords(QStringList { u"oak"_s, u"k%1"_s.arg(n) });
    r.setHistory(QStringList { u"bought \u00e9t\u00e9"_s });
    r.setLinks(QStringList { u"<a href=\"http://x/%1\">x</a>"_s.arg(n) });
    r.OnSearchList = n % 4 == 1;
    return r;
}

void fill(RecordStore &store, int count)
{
    store.clear();
    for (int n = 0; n < count; ++n)
        store.append(makeRecord(n));
    store.setCategoryTree(
        2, buildCategoryTree(u"Furniture\r\n\tChairs\r\n\t\tRocking\r\nElectronics\r\n"_s).tree);
    store.currentIndex = 1;
    store.databaseOpen = true;
}

// The database as its file holds it: what a save would write.
QByteArray dump(const RecordStore &store)
{
    return DataFile::encodeDatabase(store);
}

enum class Step {
    Typing,
    NewRecord,
    InsertRecord,
    DeleteRecord,
    Sort,
    PicturePath,
    Merge,
    Import,
    RemoveFromDatabase,
    CategoryRename,
};

// Does one step of the given kind on the store, through the history.
void doStep(Step step, RecordStore &store, EditHistory &history)
{
    switch (step) {
    case Step::Typing: {
        ItemRecord after = store.at(2);
        after.setName(u"Renamed"_s);
        after.setDetail(1, u"125.50"_s);
        for (FieldStep &s : fieldSteps(store.at(2), after, store.captions))
            history.push(std::make_unique<RecordEditCommand>(
                store, store.shared(2), std::move(s.value), s.label));
        break;
    }
    case Step::NewRecord:
        history.push(std::make_unique<InsertRecordsCommand>(store,
            std::vector<std::pair<int, RecordPtr>> {
                { store.count(), std::make_shared<ItemRecord>(makeRecord(99)) } },
            u"New Record"_s));
        break;
    case Step::InsertRecord:
        history.push(std::make_unique<InsertRecordsCommand>(store,
            std::vector<std::pair<int, RecordPtr>> {
                { 0, std::make_shared<ItemRecord>(store.at(3)) },
                { 4, std::make_shared<ItemRecord>(makeRecord(98)) } },
            u"Insert Record"_s));
        break;
    case Step::DeleteRecord:
        history.push(std::make_unique<RemoveRecordsCommand>(
            store, std::vector<RecordPtr> { store.shared(0) }, u"Delete Record"_s));
        break;
    case Step::Sort:
        history.push(std::make_unique<SortCommand>(store, SortKey::Name, u"Sort by Name"_s));
        break;
    case Step::PicturePath:
        history.push(std::make_unique<PicturePathCommand>(store, u"/home/me/Pictures"_s));
        break;
    case Step::Merge: {
        RecordStore other;
        fill(other, 3);
        other.setCategoryTree(2, buildCategoryTree(u"Lamps\r\n"_s).tree);
        const int first = store.count();
        CategoryState before = CategoryState::of(store);
        QVERIFY(DataFile::readDatabaseBytes(dump(other), store, true).ok());
        auto command = InsertRecordsCommand::appended(store, first, u"Merge of 3 records"_s);
        command->setCategories(std::move(before), CategoryState::of(store));
        history.pushDone(std::move(command));
        break;
    }
    case Step::Import: {
        const int first = store.count();
        store.append(makeRecord(50));
        store.append(makeRecord(51));
        history.pushDone(InsertRecordsCommand::appended(store, first, u"Import"_s));
        break;
    }
    case Step::RemoveFromDatabase: {
        std::vector<RecordPtr> members;
        for (const RecordPtr &r : store.records())
            if (r->OnSearchList)
                members.push_back(r);
        QVERIFY(members.size() > 1);
        history.push(std::make_unique<RemoveRecordsCommand>(
            store, std::move(members), u"Remove From Database"_s));
        break;
    }
    case Step::CategoryRename: {
        CategoryTree tree = store.categoryTree(2);
        tree[0].children[0].text = u"Seats"_s;
        std::vector<CategoryCommand::Value> values;
        for (const RecordPtr &r : store.records())
            values.push_back({ r, r->description(2), u"Seats: Furniture"_s });
        history.push(std::make_unique<CategoryCommand>(
            store, 2, std::move(tree), std::move(values), u"Rename Category"_s));
        break;
    }
    }
}

} // namespace

Q_DECLARE_METATYPE(Step)

class TestEditCommands : public QObject
{
    Q_OBJECT
private slots:
    void undoAndRedoRestoreEveryByte_data();
    void undoAndRedoRestoreEveryByte();
    void commandsNameRecordsNotPositions();
    void searchListMarksAreNoEdit();
    void changedFollowsTheSavedStep();
    void typingLabelsNameTheBox_data();
    void typingLabelsNameTheBox();
    void typingKeystrokesJoinOneStep();
    void pathChangeKeepsOnlyTheOldPaths();
    void toolRunsTheStepOnce();
};

void TestEditCommands::undoAndRedoRestoreEveryByte_data()
{
    QTest::addColumn<Step>("step");
    QTest::addColumn<int>("steps"); // history entries the step makes
    QTest::newRow("typing in two boxes") << Step::Typing << 2;
    QTest::newRow("new record") << Step::NewRecord << 1;
    QTest::newRow("insert record") << Step::InsertRecord << 1;
    QTest::newRow("delete record") << Step::DeleteRecord << 1;
    QTest::newRow("sort") << Step::Sort << 1;
    QTest::newRow("change picture path") << Step::PicturePath << 1;
    QTest::newRow("merge") << Step::Merge << 1;
    QTest::newRow("import") << Step::Import << 1;
    QTest::newRow("remove from database") << Step::RemoveFromDatabase << 1;
    QTest::newRow("category rename") << Step::CategoryRename << 1;
}

void TestEditCommands::undoAndRedoRestoreEveryByte()
{
    QFETCH(Step, step);
    QFETCH(int, steps);
    RecordStore store;
    fill(store, 12);
    EditHistory history;
    const QByteArray before = dump(store);
    doStep(step, store, history);
    QCOMPARE(history.count(), steps);
    const QByteArray after = dump(store);
    QVERIFY(after != before);
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < steps; ++i)
            history.undo();
        QCOMPARE(dump(store), before);
        for (int i = 0; i < steps; ++i)
            history.redo();
        QCOMPARE(dump(store), after);
    }
    QVERIFY(store.currentIndex >= 0 && store.currentIndex < store.count());
}

void TestEditCommands::commandsNameRecordsNotPositions()
{
    RecordStore store;
    fill(store, 6);
    EditHistory history;
    const RecordPtr target = store.shared(4);
    const QByteArray start = dump(store);
    ItemRecord renamed = *target;
    renamed.setName(u"Desk light"_s);
    auto edit = std::make_unique<RecordEditCommand>(store, target, renamed, u"Typing in Name"_s);
    // The store moves under the command before it runs: it still lands on its record.
    history.push(std::make_unique<SortCommand>(store, SortKey::Name, u"Sort"_s));
    history.push(std::make_unique<InsertRecordsCommand>(store,
        std::vector<std::pair<int, RecordPtr>> { { 0, std::make_shared<ItemRecord>() } },
        u"New Record"_s));
    history.push(std::move(edit));
    QCOMPARE(target->name(), u"Desk light"_s);
    QCOMPARE(store.at(store.currentIndex).name(), u"Desk light"_s); // the step shows its record
    int named = 0;
    for (const RecordPtr &r : store.records())
        named += r->name() == u"Desk light"_s;
    QCOMPARE(named, 1);
    // Undone in any order of positions since: each step finds its records by identity.
    const RecordPtr undone = history.undo();
    QCOMPARE(undone, target);
    QCOMPARE(store.shared(store.currentIndex), target);
    QCOMPARE(target->name(), u"Item 25"_s);
    history.undo();
    history.undo();
    QCOMPARE(dump(store), start);
}

void TestEditCommands::searchListMarksAreNoEdit()
{
    RecordStore store;
    fill(store, 3);
    EditHistory history;
    ItemRecord after = store.at(0);
    after.setName(u"x"_s);
    history.push(std::make_unique<RecordEditCommand>(store, store.shared(0), after, u"T"_s));
    // A search run between the step and its undo marks the record; the undo keeps the mark.
    store.at(0).OnSearchList = true;
    store.at(0).WasOnSearchList = true;
    history.undo();
    QCOMPARE(store.at(0).name(), u"Item 29"_s);
    QVERIFY(store.at(0).OnSearchList);
    QVERIFY(store.at(0).WasOnSearchList);
}

void TestEditCommands::changedFollowsTheSavedStep()
{
    RecordStore store;
    fill(store, 5);
    EditHistory history;
    QList<bool> told;
    connect(&history, &EditHistory::unsavedChangesChanged, [&](bool on) { told << on; });
    QVERIFY(!history.unsavedChanges());
    const quint64 edits = history.editCount();
    doStep(Step::NewRecord, store, history);
    QVERIFY(history.unsavedChanges());
    history.markSaved();
    QVERIFY(!history.unsavedChanges());
    // Undo back across the save: changed again; Redo to the saved step: unchanged.
    history.undo();
    QVERIFY(history.unsavedChanges());
    history.redo();
    QVERIFY(!history.unsavedChanges());
    QCOMPARE(told, (QList<bool> { true, false, true, false }));
    QCOMPARE(history.editCount(), edits + 3);
    history.undo();
    history.clear();
    QVERIFY(!history.unsavedChanges());
    QVERIFY(!history.canUndo() && !history.canRedo());
    QCOMPARE(history.editCount(), edits + 5);
}

void TestEditCommands::typingLabelsNameTheBox_data()
{
    QTest::addColumn<int>("field"); // item code, see ItemCode
    QTest::addColumn<QString>("label");
    QTest::newRow("name") << ItemCode::Name << u"Typing in Name"_s;
    QTest::newRow("detail 1") << ItemCode::FirstDetail + 1 << u"Typing in Value"_s;
    QTest::newRow("description 3") << ItemCode::FirstDescription + 2 << u"Typing in Manufacturer"_s;
    QTest::newRow("description 10")
        << ItemCode::FirstDescription + 9 << u"Typing in Description 10"_s;
}

void TestEditCommands::typingLabelsNameTheBox()
{
    QFETCH(int, field);
    QFETCH(QString, label);
    const ItemRecord before = makeRecord(1);
    ItemRecord after = before;
    if (field == ItemCode::Name) {
        after.setName(after.name() + u"!"_s);
    } else if (field >= ItemCode::FirstDetail) {
        const int i = field - ItemCode::FirstDetail;
        after.setDetail(i, after.detail(i) + u"!"_s);
    } else {
        const int k = field - ItemCode::FirstDescription + 1;
        after.setDescription(k, after.description(k) + u"!"_s);
    }
    const std::vector<FieldStep> steps = fieldSteps(before, after, FieldCaptions::defaults());
    QCOMPARE(steps.size(), size_t(1));
    QCOMPARE(steps[0].label, label);
    QVERIFY(steps[0].value == after);
    QVERIFY(fieldSteps(before, before, FieldCaptions::defaults()).empty());
}

void TestEditCommands::typingKeystrokesJoinOneStep()
{
    RecordStore store;
    fill(store, 3);
    EditHistory history;
    const QString start = store.at(1).pictureTitle(3);
    for (const QString &typed : { u"S"_s, u"Si"_s, u"Sid"_s }) {
        ItemRecord after = store.at(1);
        after.setPictureTitle(3, typed);
        auto c = std::make_unique<RecordEditCommand>(
            store, store.shared(1), after, u"Typing in Image Title"_s);
        c->setJoinsTyping(true);
        history.push(std::move(c));
    }
    QCOMPARE(history.count(), 1);
    history.markSaved();
    // A save ends the step: the next keystroke starts one of its own.
    ItemRecord after = store.at(1);
    after.setPictureTitle(3, u"Side!"_s);
    auto c = std::make_unique<RecordEditCommand>(
        store, store.shared(1), after, u"Typing in Image Title"_s);
    c->setJoinsTyping(true);
    history.push(std::move(c));
    QCOMPARE(history.count(), 2);
    history.undo();
    history.undo();
    QCOMPARE(store.at(1).pictureTitle(3), start);
}

void TestEditCommands::pathChangeKeepsOnlyTheOldPaths()
{
    RecordStore store;
    fill(store, 4);
    store.at(1).setPictureFile(3, QString());
    EditHistory history;
    auto command = std::make_unique<PicturePathCommand>(store, u"D:\\Pictures"_s);
    const PicturePathCommand *c = command.get();
    history.push(std::move(command));
    // Records 0 and 2 have two pictures, 1 none, 3 one: five old paths, three records.
    QCOMPARE(c->changedSlots(), 5);
    QCOMPARE(c->recordCount(), 3);
    QCOMPARE(store.at(0).pictureFile(1), u"D:\\Pictures\\photo0.jpg"_s);
    QCOMPARE(store.at(3).pictureFile(3), u"D:\\Pictures\\side3.png"_s);
    QVERIFY(store.at(1).pictureFile(3).isEmpty()); // an empty slot stays empty
    QCOMPARE(history.undoText(), u"Change Picture Path"_s);
}

void TestEditCommands::toolRunsTheStepOnce()
{
    RecordStore store;
    fill(store, 8);
    RecordStore sorted;
    fill(sorted, 8);
    sortRecords(sorted, SortKey::Name);
    SortCommand(store, SortKey::Name, QString()).run();
    QCOMPARE(dump(store), dump(sorted));
}

QTEST_GUILESS_MAIN(TestEditCommands)
#include "tst_editcommands.moc"
