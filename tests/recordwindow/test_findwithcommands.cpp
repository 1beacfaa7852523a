// The record window with words in its Find box, under a real window manager: a command finishes
// on the record it was given for, Next and Previous keep the shown record's edits, and a file
// read takes the Find box's words afresh.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "app/quickfindbox.h"
#include "recordwindow/anchorlist.h"
#include "recordwindow/internetpage.h"
#include "recordwindow/picturepage.h"
#include "recordwindow/tview.h"
#include "spreadsheet/spreadsheetmodel.h"
#include "spreadsheet/tsnapshot.h"
#include "store/datafile.h"
#include "store/quickfind.h"
#include "tests/support/apptest.h"

using namespace Qt::StringLiterals;

namespace {

const QString ShopLink = u"<A href=\"http://shop.example/\">Shop</A>"_s;

struct Fixture
{
    AppTest t;
    TView view { t.ctx };
    TSnapShot snap { t.ctx };

    explicit Fixture(const QList<ItemRecord> &records)
    {
        t.windows.setWindow(WindowKind::Record, &view);
        t.windows.setWindow(WindowKind::Spreadsheet, &snap);
        view.resize(800, 600);
        bringUp(&view);
        t.store.clear();
        for (const ItemRecord &r : records)
            t.store.append(r);
        t.store.currentIndex = 0;
        view.GetRecord(0);
    }
    // Makes a window the active one and waits (bounded) until the platform agrees, so no late
    // activation of another window arrives afterwards.
    void bringUp(QWidget *w)
    {
        t.activation.activate(w);
        QVERIFY(QTest::qWaitForWindowActive(w));
    }
    template<typename T> static T *find(const QObject *in, const QString &name)
    {
        T *found = in->findChild<T *>(name);
        if (!found)
            qFatal("no control %s", qPrintable(name));
        return found;
    }
    QLineEdit *findBox(const QWidget *w) const { return find<QLineEdit>(w, u"QuickFind"_s); }
    QString count(const QWidget *w) const { return find<QLabel>(w, u"QuickFindCount"_s)->text(); }
    QLineEdit *name() const { return find<QLineEdit>(&view, u"RecordName"_s); }
    QTabWidget *book() const { return find<QTabWidget>(&view, u"RecordBook"_s); }
    void typeFind(const QString &words)
    {
        QTest::keyClick(&view, Qt::Key_F, Qt::ControlModifier);
        QTest::keyClicks(findBox(&view), words);
    }
    void rename(const QString &to)
    {
        name()->setFocus(Qt::MouseFocusReason);
        name()->selectAll();
        QTest::keyClicks(name(), to);
    }
    void click(const QString &toolButton)
    {
        QTest::mouseClick(find<QToolButton>(&view, toolButton), Qt::LeftButton);
    }
    QStringList sheetNames() const
    {
        QStringList out;
        for (int row = 0; row < snap.model()->rowCount(); ++row)
            out << t.store.at(snap.model()->positionAt(row)).name();
        return out;
    }
};

ItemRecord record(const QString &name)
{
    ItemRecord r;
    r.setName(name);
    return r;
}

bool writePicture(const QString &path, QColor colour)
{
    QImage img(40, 30, QImage::Format_RGB32);
    img.fill(colour);
    return img.save(path, "PNG");
}

} // namespace

class TestFindWithCommands : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void commandFinishesOnItsRecord_data();
    void commandFinishesOnItsRecord();
    void returnFromAnotherWindowStillChecksTheWords();
    void stepsThroughMatchesKeepingEdits();
    void fileReadTakesTheWordsAfresh();
    void newDatabaseCountsAfresh();
};

void TestFindWithCommands::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), u"xcb"_s);
}

void TestFindWithCommands::commandFinishesOnItsRecord_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("picture") << u"picture"_s;
    QTest::newRow("add url") << u"add url"_s;
    QTest::newRow("delete url") << u"delete url"_s;
}

// The shown record stops matching the Find box (it is renamed); the command's dialog takes
// activation and gives it back: the command still lands on the renamed record, not on the first
// record that holds the words.
void TestFindWithCommands::commandFinishesOnItsRecord()
{
    QFETCH(QString, command);
    Fixture f({ record(u"Desk lamp"_s), record(u"Chair"_s), record(u"Floor lamp"_s) });
    const QString oldPicture = f.t.path(u"old.png"_s), newPicture = f.t.path(u"new.png"_s);
    QVERIFY(writePicture(oldPicture, Qt::red) && writePicture(newPicture, Qt::blue));
    f.t.store.at(2).setPictureFile(1, oldPicture); // only Floor lamp has a picture
    if (command == u"delete url") // the same link in the same row of both lamps
        for (int i : { 0, 2 })
            f.t.store.at(i).setLinks({ ShopLink });
    f.view.GetRecord(0);

    f.typeFind(u"lamp"_s);
    QCOMPARE(f.name()->text(), u"Desk lamp"_s);
    f.rename(u"Desk light"_s);
    if (command == u"picture") {
        f.book()->setCurrentWidget(f.find<PicturePage>(&f.view, u"ImagesPage"_s));
        f.t.dialogs.file(newPicture);
        QTest::mouseClick(f.find<QPushButton>(&f.view, u"SelectPicture"_s), Qt::LeftButton);
    } else {
        auto *internet = f.find<InternetPage>(&f.view, u"InternetPage"_s);
        f.book()->setCurrentWidget(internet);
        if (command == u"add url") {
            f.t.dialogs.input(u"http://desk.example/"_s);
            f.t.dialogs.input(u"Desk maker"_s);
            QTest::mouseClick(f.find<QPushButton>(&f.view, u"AddURLBtn"_s), Qt::LeftButton);
        } else {
            auto *links = f.find<AnchorList>(&f.view, u"RelatedLinks"_s);
            QTest::mouseClick(links->viewport(), Qt::LeftButton, {}, links->anchorRect(0).center());
            internet->linkMenu->hide();
            f.t.dialogs.answer(Dialogs::Answer::Yes);
            f.find<QAction>(&f.view, u"DeleteURL1"_s)->trigger();
        }
    }
    QVERIFY(f.t.dialogs.allUsed());
    QCOMPARE(f.name()->text(), u"Desk light"_s);
    f.view.storeCurrent();
    const ItemRecord &shown = f.t.store.at(0), &other = f.t.store.at(2);
    QCOMPARE(shown.name(), u"Desk light"_s);
    QCOMPARE(other.name(), u"Floor lamp"_s);
    if (command == u"picture") {
        QCOMPARE(shown.pictureFile(1), newPicture);
        QCOMPARE(other.pictureFile(1), oldPicture);
    } else if (command == u"add url") {
        QCOMPARE(shown.links(), QStringList { u"<A href=\"http://desk.example/\">Desk maker</A>"_s });
        QCOMPARE(other.links(), QStringList());
    } else {
        QCOMPARE(shown.links(), QStringList());
        QCOMPARE(other.links(), QStringList { ShopLink });
    }
}

void TestFindWithCommands::returnFromAnotherWindowStillChecksTheWords()
{
    Fixture f({ record(u"Desk lamp"_s), record(u"Chair"_s), record(u"Floor lamp"_s) });
    f.typeFind(u"lamp"_s);
    f.rename(u"Desk light"_s);
    f.bringUp(&f.snap);
    f.bringUp(&f.view);
    QCOMPARE(f.name()->text(), u"Floor lamp"_s);
    QCOMPARE(f.t.store.at(0).name(), u"Desk light"_s);
}

// Next and Previous with words in the Find box store what the user typed into the shown record
// before they move on.
void TestFindWithCommands::stepsThroughMatchesKeepingEdits()
{
    Fixture f({ record(u"Desk lamp"_s), record(u"Chair"_s), record(u"Floor lamp"_s) });
    f.typeFind(u"lamp"_s);
    f.rename(u"Desk lamp, brass"_s);
    f.click(u"next"_s);
    QCOMPARE(f.name()->text(), u"Floor lamp"_s);
    QCOMPARE(f.t.store.at(0).name(), u"Desk lamp, brass"_s);
    f.rename(u"Floor lamp, tall"_s);
    f.click(u"Previous"_s);
    QCOMPARE(f.name()->text(), u"Desk lamp, brass"_s);
    QCOMPARE(f.t.store.at(2).name(), u"Floor lamp, tall"_s);
}

// Another file read while the Find box holds words: the words apply to its records, the count is
// theirs, Next finds them once the records are folded while idle, the spreadsheet lists them, and
// Enter makes them the search list with the shown record's tick following.
void TestFindWithCommands::fileReadTakesTheWordsAfresh()
{
    Fixture f({ record(u"Oak chest"_s), record(u"Kettle"_s), record(u"Oak table"_s) });
    f.typeFind(u"oak"_s);
    QCOMPARE(f.count(&f.view), u"2 of 3"_s);

    RecordStore other;
    for (const char *n : { "Lamp", "Oak desk", "Mirror", "Oak bench", "Oak stool", "Rug" })
        other.append(record(QString::fromLatin1(n)));
    const QString path = f.t.path(u"other.dat"_s);
    QVERIFY(DataFile::writeDatabase(path, other).ok);
    f.t.dialogs.answer(Dialogs::Answer::Yes); // changes since the last save will be lost
    f.t.dialogs.file(path);
    f.find<QAction>(&f.view, u"Open1"_s)->trigger();
    QVERIFY(f.t.dialogs.allUsed());
    QCOMPARE(f.t.store.fileName, path);
    QCOMPARE(f.count(&f.view), u"3 of 6"_s);
    QCOMPARE(f.name()->text(), u"Oak desk"_s);
    // The idle folding of the records read, as the window does it when nothing else waits.
    QTRY_VERIFY(f.t.store.findIndex().prepare(f.t.store, 1000));
    f.click(u"next"_s);
    QCOMPARE(f.name()->text(), u"Oak bench"_s);
    f.bringUp(&f.snap);
    QCOMPARE(f.sheetNames(), (QStringList { u"Oak desk"_s, u"Oak bench"_s, u"Oak stool"_s }));
    QCOMPARE(f.count(&f.snap), u"3 of 6"_s);

    f.bringUp(&f.view);
    auto *tick = f.find<QCheckBox>(&f.view, u"SearchListBox"_s);
    QVERIFY(!tick->isChecked());
    f.findBox(&f.view)->setFocus(Qt::ShortcutFocusReason);
    QTest::keyClick(f.findBox(&f.view), Qt::Key_Return);
    QCOMPARE(f.t.store.scope, RecordScope::SearchList);
    QCOMPARE(f.t.store.searchListCount(), 3);
    QVERIFY(tick->isChecked());
    QCOMPARE(f.t.dialogs.shown.constLast().kind, u"status"_s);
    QCOMPARE(f.t.dialogs.lastText(), u"3 records are on the search list."_s);
}

void TestFindWithCommands::newDatabaseCountsAfresh()
{
    Fixture f({ record(u"Oak chest"_s), record(u"Kettle"_s), record(u"Oak table"_s) });
    f.typeFind(u"oak"_s);
    QCOMPARE(f.count(&f.view), u"2 of 3"_s);
    f.t.dialogs.answer(Dialogs::Answer::No); // not saved first
    f.find<QAction>(&f.view, u"New1"_s)->trigger();
    QCOMPARE(f.t.store.count(), 1);
    QCOMPARE(f.count(&f.view), u"0 of 1"_s);
}

QTEST_MAIN(TestFindWithCommands)
#include "test_findwithcommands.moc"
