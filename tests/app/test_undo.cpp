// Edit > Undo and Redo through the real windows: the steps they name, one history for the record
// window, the spreadsheet and the category editor, the record each undo shows, the keys, the
// changed flag across Save and Open, and commands that land on the record they were given for.
#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include "app/undoactions.h"
#include "categoryeditor/taddescription.h"
#include "recordwindow/anchorlist.h"
#include "recordwindow/internetpage.h"
#include "recordwindow/picturepage.h"
#include "recordwindow/tview.h"
#include "spreadsheet/spreadsheetmodel.h"
#include "spreadsheet/tsnapshot.h"
#include "store/datafile.h"
#include "tests/support/apptest.h"

using namespace Qt::StringLiterals;

namespace {

ItemRecord record(const QString &name)
{
    ItemRecord r;
    r.setName(name);
    r.setDetail(1, u"10"_s);
    r.setDescription(2, u"Chairs : Furniture"_s);
    r.setPictureFile(1, u"C:\\Old\\"_s + name + u".jpg"_s);
    return r;
}

struct Fixture
{
    AppTest t;
    std::unique_ptr<TView> v;

    explicit Fixture(const QList<ItemRecord> &records)
    {
        v = std::make_unique<TView>(t.ctx);
        t.windows.setWindow(WindowKind::Record, v.get());
        t.activation.activate(v.get());
        t.store.clear();
        for (const ItemRecord &r : records)
            t.store.append(r);
        t.store.setCategoryTree(
            2, buildCategoryTree(u"Furniture\r\n\tChairs\r\n\tTables\r\n"_s).tree);
        t.store.currentIndex = 0;
        v->GetRecord(0);
    }
    template<typename T> T *find(const QString &name) const { return v->findChild<T *>(name); }
    QLineEdit *name() const { return find<QLineEdit>(u"RecordName"_s); }
    QByteArray dump() const { return DataFile::encodeDatabase(t.store); }
    // The Edit menu as the user opens it: the boxes are stored, so the entries name them.
    QString menuText(const QString &action) const
    {
        Q_EMIT find<QMenu>(u"Edit1"_s)->aboutToShow();
        return find<QAction>(action)->text().remove(u'&');
    }
    void undo() const { find<QAction>(u"Undo1"_s)->trigger(); }
    void redo() const { find<QAction>(u"Redo1"_s)->trigger(); }
    int indexOf(const QString &name) const
    {
        for (int i = 0; i < t.store.count(); ++i)
            if (t.store.at(i).name() == name)
                return i;
        return -1;
    }
};

// True when a text box claims Ctrl+Z (or another key) for itself.
bool claims(QWidget *box, QKeyCombination key)
{
    QKeyEvent event(QEvent::ShortcutOverride, key.key(), key.keyboardModifiers());
    event.ignore();
    QCoreApplication::sendEvent(box, &event);
    return event.isAccepted();
}

enum class WindowStep { PicturePath, Merge, Sort, NewRecord, DeleteRecord, InsertRecord };

} // namespace

Q_DECLARE_METATYPE(WindowStep)

class TestUndo : public QObject
{
    Q_OBJECT
private slots:
    void typingInOneBoxIsOneStep();
    void undoShowsTheRecordItChanged();
    void keysGoToTheBoxWhileItHasTypingToTakeBack();
    void windowStepsUndoneToTheByte_data();
    void windowStepsUndoneToTheByte();
    void commandsFinishOnTheirRecord_data();
    void commandsFinishOnTheirRecord();
    void spreadsheetCellEditIsOneStep();
    void categoryRenameIsOneStep();
    void undoAcrossSaveAndOpenClearsIt();
};

void TestUndo::typingInOneBoxIsOneStep()
{
    Fixture f({ record(u"Desk lamp"_s), record(u"Chair"_s) });
    const QByteArray start = f.dump();
    QCOMPARE(f.menuText(u"Undo1"_s), u"Undo"_s);
    QVERIFY(!f.find<QAction>(u"Undo1"_s)->isEnabled());
    f.name()->setFocus();
    f.name()->selectAll();
    QTest::keyClicks(f.name(), u"Reading lamp"_s);
    f.find<QLineEdit>(u"Detail1"_s)->setText(u"25"_s);
    // Two boxes typed in: two steps, the later one first.
    QCOMPARE(f.menuText(u"Undo1"_s), u"Undo Typing in Value"_s);
    f.undo();
    QCOMPARE(f.menuText(u"Undo1"_s), u"Undo Typing in Name"_s);
    QCOMPARE(f.menuText(u"Redo1"_s), u"Redo Typing in Value"_s);
    QCOMPARE(f.t.store.at(0).name(), u"Reading lamp"_s);
    f.undo();
    QCOMPARE(f.dump(), start);
    QCOMPARE(f.name()->text(), u"Desk lamp"_s);
    f.redo();
    f.redo();
    QCOMPARE(f.name()->text(), u"Reading lamp"_s);
    QCOMPARE(f.t.store.at(0).detail(1), u"25"_s);
    QVERIFY(!f.find<QAction>(u"Redo1"_s)->isEnabled());
}

void TestUndo::undoShowsTheRecordItChanged()
{
    Fixture f({ record(u"a"_s), record(u"b"_s), record(u"c"_s) });
    f.v->GetRecord(2);
    f.name()->setText(u"c changed"_s);
    f.v->storeCurrent();
    f.v->GetRecord(0);
    f.v->SortSelectClick(21); // moves nothing here, but is a step after the typing
    f.undo();
    f.undo();
    QCOMPARE(f.t.store.currentIndex, 2);
    QCOMPARE(f.name()->text(), u"c"_s);
    QCOMPARE(f.find<QLineEdit>(u"number"_s)->text(), u"3"_s);
}

void TestUndo::keysGoToTheBoxWhileItHasTypingToTakeBack()
{
    Fixture f({ record(u"a"_s), record(u"b"_s) });
    const QKeyCombination undo(Qt::ControlModifier, Qt::Key_Z);
    const QKeyCombination redo(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z);
    const QKeyCombination redoY(Qt::ControlModifier, Qt::Key_Y);
    // Nothing typed since the record was shown: the keys are the window's.
    QVERIFY(!claims(f.name(), undo));
    QVERIFY(!claims(f.name(), redo));
    QVERIFY(!claims(f.name(), redoY));
    QCOMPARE(f.find<QAction>(u"Undo1"_s)->shortcuts(), QList<QKeySequence> { QKeySequence(undo) });
    QCOMPARE(f.find<QAction>(u"Redo1"_s)->shortcuts(),
        (QList<QKeySequence> { QKeySequence(redo), QKeySequence(redoY) }));
    // Typing in the box: its own undo first, as in any text box.
    QTest::keyClicks(f.name(), u"x"_s);
    QVERIFY(claims(f.name(), undo));
    f.name()->undo();
    QVERIFY(claims(f.name(), redo));
}

void TestUndo::windowStepsUndoneToTheByte_data()
{
    QTest::addColumn<WindowStep>("step");
    QTest::addColumn<QString>("label");
    QTest::newRow("change picture path") << WindowStep::PicturePath << u"Change Picture Path"_s;
    QTest::newRow("merge") << WindowStep::Merge << u"Merge of 3 records"_s;
    QTest::newRow("sort") << WindowStep::Sort << u"Sort by Name"_s;
    QTest::newRow("new record") << WindowStep::NewRecord << u"New Record"_s;
    QTest::newRow("delete record") << WindowStep::DeleteRecord << u"Delete Record"_s;
    QTest::newRow("insert record") << WindowStep::InsertRecord << u"Insert Record"_s;
}

void TestUndo::windowStepsUndoneToTheByte()
{
    QFETCH(WindowStep, step);
    QFETCH(QString, label);
    Fixture f({ record(u"Table"_s), record(u"Chair"_s), record(u"Bed"_s) });
    f.v->GetRecord(1);
    QByteArray before = f.dump();
    switch (step) {
    case WindowStep::PicturePath:
        f.t.dialogs.input(u"/home/me/Pictures"_s);
        f.t.dialogs.answer(Dialogs::Answer::Yes);
        f.v->ChangePicturePath1Click();
        QCOMPARE(f.t.store.at(0).pictureFile(1), u"/home/me/Pictures/Table.jpg"_s);
        break;
    case WindowStep::Merge: {
        RecordStore other;
        for (const QString &n : { u"Lamp"_s, u"Rug"_s, u"Desk"_s })
            other.append(record(n));
        other.setCategoryTree(2, buildCategoryTree(u"Lighting\r\n"_s).tree);
        const QString path = f.t.path(u"other.dat"_s);
        QVERIFY(DataFile::writeDatabase(path, other).ok);
        f.t.dialogs.file(path);
        f.v->MergeClick();
        QCOMPARE(f.t.store.count(), 6);
        break;
    }
    case WindowStep::Sort:
        f.v->SortSelectClick(21);
        QCOMPARE(f.t.store.at(0).name(), u"Bed"_s);
        break;
    case WindowStep::NewRecord:
        f.v->NewRecordClick();
        QCOMPARE(f.t.store.count(), 4);
        break;
    case WindowStep::DeleteRecord:
        f.v->CutClick();
        QCOMPARE(f.t.store.count(), 2);
        break;
    case WindowStep::InsertRecord:
        f.v->CopyRecordClick();
        before = f.dump();
        f.v->InsertRecordClick();
        QCOMPARE(f.t.store.count(), 4);
        break;
    }
    const QByteArray after = f.dump();
    QVERIFY(after != before);
    QCOMPARE(f.menuText(u"Undo1"_s), u"Undo "_s + label);
    f.undo();
    QCOMPARE(f.dump(), before);
    QCOMPARE(f.menuText(u"Redo1"_s), u"Redo "_s + label);
    f.redo();
    QCOMPARE(f.dump(), after);
    // The boxes show the store: storing them changes nothing.
    f.v->storeCurrent();
    QCOMPARE(f.dump(), after);
}

void TestUndo::commandsFinishOnTheirRecord_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("image file") << u"picture"_s;
    QTest::newRow("add url") << u"add url"_s;
    QTest::newRow("delete url") << u"delete url"_s;
}

// With words in the Find box, a box handing activation away and back re-checks the words and
// may show another record: the command still finishes on the record it was given for.
void TestUndo::commandsFinishOnTheirRecord()
{
    QFETCH(QString, command);
    const QString link = u"<A href=\"http://shop.example/\">Shop</A>"_s;
    ItemRecord desk = record(u"Desk lamp"_s), chair = record(u"Chair"_s),
               floor = record(u"Floor lamp"_s);
    desk.setPictureFile(1, QString());
    chair.setPictureFile(1, QString());
    desk.setLinks({ link });
    floor.setLinks({ link });
    Fixture f({ desk, chair, floor });
    const ItemRecord floorBefore = f.t.store.at(2);
    f.t.store.findText = u"lamp"_s;
    f.name()->setText(u"Desk light"_s);
    auto *book = f.find<QTabWidget>(u"RecordBook"_s);
    if (command == u"picture") {
        book->setCurrentWidget(f.find<PicturePage>(u"ImagesPage"_s));
        f.t.dialogs.file(u"/pics/new.png"_s);
        f.find<QPushButton>(u"SelectPicture"_s)->click();
    } else {
        auto *internet = f.find<InternetPage>(u"InternetPage"_s);
        book->setCurrentWidget(internet);
        if (command == u"add url") {
            f.t.dialogs.input(u"http://new.example/"_s);
            f.t.dialogs.input(u"New"_s);
            internet->AddURLBtnClick();
        } else {
            auto *links = f.find<AnchorList>(u"RelatedLinks"_s);
            links->show();
            QTest::mouseClick(links->viewport(), Qt::LeftButton, {}, links->anchorRect(0).center());
            internet->linkMenu->hide();
            f.t.dialogs.answer(Dialogs::Answer::Yes);
            internet->DeleteURL1Click();
        }
    }
    QVERIFY(f.t.dialogs.allUsed());
    const ItemRecord &light = f.t.store.at(0);
    QCOMPARE(light.name(), u"Desk light"_s);
    if (command == u"picture")
        QCOMPARE(light.pictureFile(1), u"/pics/new.png"_s);
    else if (command == u"add url")
        QCOMPARE(light.links(), (QStringList { link, u"<A href=\"http://new.example/\">New</A>"_s }));
    else
        QVERIFY(light.links().isEmpty());
    QVERIFY(f.t.store.at(2) == floorBefore);
    // The window shows the record the command changed, and Undo takes back just that change.
    QCOMPARE(f.name()->text(), u"Desk light"_s);
    f.undo();
    QCOMPARE(f.t.store.at(0).name(), u"Desk light"_s);
    QVERIFY(f.t.store.at(0).pictureFile(1).isEmpty());
    QCOMPARE(f.t.store.at(0).links(), QStringList { link });
    QVERIFY(f.t.store.at(2) == floorBefore);
}

void TestUndo::spreadsheetCellEditIsOneStep()
{
    Fixture f({ record(u"Table"_s), record(u"Chair"_s) });
    TSnapShot sheet(f.t.ctx);
    f.t.windows.setWindow(WindowKind::Spreadsheet, &sheet);
    f.t.activation.activate(&sheet);
    const QByteArray start = f.dump();
    SpreadsheetModel *model = sheet.model();
    QVERIFY(model->setData(model->index(1, SpreadColumn::Name), u"Armchair"_s));
    QCOMPARE(f.t.store.at(1).name(), u"Armchair"_s);
    auto *undo = sheet.findChild<QAction *>(u"Undo1"_s);
    QCOMPARE(undo->text().remove(u'&'), u"Undo Typing in Name"_s);
    undo->trigger();
    QCOMPARE(f.dump(), start);
    QCOMPARE(model->index(1, SpreadColumn::Name).data().toString(), u"Chair"_s);
    // One history: the record window redoes what the spreadsheet undid, and shows the record.
    f.t.activation.activate(f.v.get());
    f.redo();
    QCOMPARE(f.t.store.at(1).name(), u"Armchair"_s);
    QCOMPARE(f.name()->text(), u"Armchair"_s);
}

void TestUndo::categoryRenameIsOneStep()
{
    Fixture f({ record(u"Table"_s), record(u"Chair"_s), record(u"Bed"_s) });
    f.t.store.at(2).setDescription(2, u"Tables : Furniture"_s);
    const QByteArray start = f.dump();
    TAddDescription editor(f.t.ctx, 2, f.v.get());
    f.t.activation.activate(&editor);
    auto *tree = editor.findChild<QTreeWidget *>();
    QTreeWidgetItem *chairs = tree->topLevelItem(0)->child(0);
    QCOMPARE(chairs->text(0), u"Chairs"_s);
    tree->setCurrentItem(chairs);
    editor.findChild<QLineEdit *>(u"AddText"_s)->setText(u"Seats"_s);
    editor.RenameClick();
    QCOMPARE(f.t.store.at(0).description(2), u"Seats : Furniture"_s);
    QCOMPARE(f.t.store.at(1).description(2), u"Seats : Furniture"_s);
    auto *undo = editor.findChild<QAction *>(u"Undo1"_s);
    QCOMPARE(undo->text().remove(u'&'), u"Undo Rename Category in 2 records"_s);
    undo->trigger();
    QCOMPARE(f.dump(), start);
    QCOMPARE(tree->topLevelItem(0)->child(0)->text(0), u"Chairs"_s);
    editor.findChild<QAction *>(u"Redo1"_s)->trigger();
    QCOMPARE(tree->topLevelItem(0)->child(0)->text(0), u"Seats"_s);
    f.t.activation.activate(f.v.get());
    QCOMPARE(f.t.store.at(1).description(2), u"Seats : Furniture"_s);
    QCOMPARE(f.t.store.categoryTree(2)[0].children[0].text, u"Seats"_s);
}

void TestUndo::undoAcrossSaveAndOpenClearsIt()
{
    Fixture f({ record(u"Table"_s), record(u"Chair"_s) });
    EditHistory &history = *f.t.ctx.history;
    f.t.store.fileName = f.t.path(u"home.dat"_s);
    f.name()->setText(u"Desk"_s);
    QVERIFY(f.v->SaveClick());
    QVERIFY(!history.unsavedChanges());
    QVERIFY(history.canUndo()); // the typing, stored by the save
    f.undo();
    QVERIFY(history.unsavedChanges());
    QCOMPARE(f.name()->text(), u"Table"_s);
    f.redo();
    QVERIFY(!history.unsavedChanges());
    f.undo();
    // File > Open: the steps belong to the database that was closed.
    f.t.dialogs.answer(Dialogs::Answer::Yes);
    f.t.dialogs.file(f.t.path(u"home.dat"_s));
    QVERIFY(f.v->OpenClick());
    QVERIFY(!history.canUndo());
    QVERIFY(!history.unsavedChanges());
    QCOMPARE(f.name()->text(), u"Desk"_s);
}

QTEST_MAIN(TestUndo)
#include "test_undo.moc"
