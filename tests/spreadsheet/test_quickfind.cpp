// The Find box as a user meets it: the spreadsheet narrows as the user types, the record window's
// Next and Previous step through the matches, Enter makes them the search list, Escape and the
// search window clear it, and the album pages through the same records.
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "album/albumlayout.h"
#include "app/quickfindbox.h"
#include "recordwindow/tview.h"
#include "search/tsearch.h"
#include "store/datafile.h"
#include "store/quickfind.h"
#include "spreadsheet/spreadsheetmodel.h"
#include "spreadsheet/tsnapshot.h"
#include "tests/support/apptest.h"

using namespace Qt::StringLiterals;

namespace {

struct Fixture
{
    AppTest t;
    TView view { t.ctx };
    TSearch search { t.ctx };
    TSnapShot snap { t.ctx };

    Fixture()
    {
        t.windows.setWindow(WindowKind::Record, &view);
        t.windows.setWindow(WindowKind::Search, &search);
        t.windows.setWindow(WindowKind::Spreadsheet, &snap);
        t.activation.activate(&view);
        t.store.clear();
        const QStringList names { u"Oak Armchair"_s, u"Reading Lamp"_s, u"Café Table"_s,
            u"Oak Bookcase"_s, u"Kettle"_s, u"Rocking Chair"_s };
        for (const QString &n : names) {
            ItemRecord r;
            r.setName(n);
            t.store.append(std::move(r));
        }
        t.store.at(4).setNotes({ u"Stands on the oak counter."_s });
        t.store.currentIndex = 0;
        view.GetRecord(0);
    }
    QLineEdit *box(QWidget *w) const { return w->findChild<QLineEdit *>(u"QuickFind"_s); }
    QString count(QWidget *w) const { return w->findChild<QLabel *>(u"QuickFindCount"_s)->text(); }
    QStringList sheetNames() const
    {
        QStringList out;
        for (int row = 0; row < snap.model()->rowCount(); ++row)
            out << t.store.at(snap.model()->positionAt(row)).name();
        return out;
    }
    QString shownName() const { return view.findChild<QLineEdit *>(u"RecordName"_s)->text(); }
    void showSheet()
    {
        t.activation.activate(&snap);
        QCoreApplication::processEvents();
    }
};

} // namespace

class TestQuickFindWindows : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void spreadsheetNarrowsAsTheUserTypes();
    void enterMakesTheSearchList();
    void nextAndPreviousStepThroughMatches();
    void searchWindowClearsTheBox();
    void editedRecordLeavesTheMatches();
    void albumTakesTheMatches();
    void readingAFileFoldsTheRecordsWhileIdle();
    void countText_data();
    void countText();
};

void TestQuickFindWindows::spreadsheetNarrowsAsTheUserTypes()
{
    Fixture f;
    f.showSheet();
    QLineEdit *box = f.box(&f.snap);
    QVERIFY(box);
    QTest::keyClick(&f.snap, Qt::Key_F, Qt::ControlModifier);
    QVERIFY(box->hasFocus() || QApplication::focusWidget() == box);
    QTest::keyClicks(box, u"oa"_s);
    QCOMPARE(f.sheetNames(), (QStringList { u"Oak Armchair"_s, u"Oak Bookcase"_s, u"Kettle"_s }));
    QCOMPARE(f.count(&f.snap), u"3 of 6"_s);
    QTest::keyClicks(box, u"k arm"_s);
    QCOMPARE(f.sheetNames(), QStringList { u"Oak Armchair"_s });
    QTest::keyClick(box, Qt::Key_Escape);
    QCOMPARE(box->text(), QString());
    QCOMPARE(f.sheetNames().size(), 6);
    QCOMPARE(f.count(&f.snap), QString());
    // The record window's box shows the same words when it comes to the front.
    QTest::keyClicks(box, u"CAFE"_s);
    f.t.activation.activate(&f.view);
    QCOMPARE(f.box(&f.view)->text(), u"CAFE"_s);
    QCOMPARE(f.shownName(), u"Café Table"_s); // the shown record was no match
}

void TestQuickFindWindows::enterMakesTheSearchList()
{
    Fixture f;
    f.t.store.at(1).OnSearchList = true; // an earlier search's list is replaced
    f.showSheet();
    QLineEdit *box = f.box(&f.snap);
    QTest::keyClicks(box, u"oak"_s);
    QTest::keyClick(box, Qt::Key_Return);
    QList<bool> listed;
    for (int i = 0; i < f.t.store.count(); ++i)
        listed << f.t.store.at(i).OnSearchList;
    QCOMPARE(listed, (QList<bool> { true, false, false, true, true, false }));
    QCOMPARE(f.t.store.scope, RecordScope::SearchList);
    // Cleared, the search list stays and the grid lists it as any search list.
    QTest::keyClick(box, Qt::Key_Escape);
    QCOMPARE(f.sheetNames(), (QStringList { u"Oak Armchair"_s, u"Oak Bookcase"_s, u"Kettle"_s }));
}

void TestQuickFindWindows::nextAndPreviousStepThroughMatches()
{
    Fixture f;
    QLineEdit *box = f.box(&f.view);
    QTest::keyClicks(box, u"chair"_s);
    QCOMPARE(f.shownName(), u"Oak Armchair"_s);
    f.view.nextClick();
    QCOMPARE(f.shownName(), u"Rocking Chair"_s);
    f.view.nextClick(); // nothing after: stays, says so without a box to answer
    QCOMPARE(f.shownName(), u"Rocking Chair"_s);
    QCOMPARE(f.t.dialogs.shown.constLast().kind, u"status"_s);
    f.view.PreviousClick();
    QCOMPARE(f.shownName(), u"Oak Armchair"_s);
    QTest::keyClick(box, Qt::Key_Escape);
    f.view.nextClick();
    QCOMPARE(f.shownName(), u"Reading Lamp"_s); // every record again
}

void TestQuickFindWindows::searchWindowClearsTheBox()
{
    Fixture f;
    f.showSheet();
    QTest::keyClicks(f.box(&f.snap), u"lamp"_s);
    QCOMPARE(f.sheetNames(), QStringList { u"Reading Lamp"_s });
    f.t.activation.activate(&f.search);
    f.search.DoSearchClick();
    QVERIFY(f.t.store.findText.isEmpty());
    f.showSheet();
    QCOMPARE(f.box(&f.snap)->text(), QString());
    QCOMPARE(f.count(&f.snap), QString());
    // The grid lists the search window's list, not the Find box's matches.
    QCOMPARE(f.snap.model()->rowCount(), f.t.store.searchListCount());
}

void TestQuickFindWindows::editedRecordLeavesTheMatches()
{
    Fixture f;
    QTest::keyClicks(f.box(&f.view), u"kettle"_s);
    QCOMPARE(f.shownName(), u"Kettle"_s);
    // The user renames the shown record; the spreadsheet then finds it by its new name only.
    f.view.findChild<QLineEdit *>(u"RecordName"_s)->setText(u"Tea Urn"_s);
    f.showSheet();
    QCOMPARE(f.sheetNames(), QStringList {});
    f.box(&f.snap)->clear();
    QTest::keyClicks(f.box(&f.snap), u"urn"_s);
    QCOMPARE(f.sheetNames(), QStringList { u"Tea Urn"_s });
}

void TestQuickFindWindows::albumTakesTheMatches()
{
    Fixture f;
    f.t.store.findText = u"oak"_s;
    const Album::Page page = Album::layoutPage(f.t.store, RecordScope::AllRecords, 3, 3, 1);
    QCOMPARE(page.cells, (std::vector<int> { 0, 3, 4 }));
    QCOMPARE(page.inScope, 3);
}

void TestQuickFindWindows::readingAFileFoldsTheRecordsWhileIdle()
{
    Fixture f;
    const QString path = f.t.path(u"household.dat"_s);
    QVERIFY(DataFile::writeDatabase(path, f.t.store).ok);
    QCOMPARE(f.t.store.findIndex().heldCharacters(), 0);
    f.t.dialogs.answer(Dialogs::Answer::Yes); // load anyway
    f.t.dialogs.file(path);
    QVERIFY(f.view.OpenClick());
    // Nothing typed yet: the records are folded once the window has nothing else to do.
    QTRY_VERIFY(f.t.store.findIndex().heldCharacters() > 0);
    qsizetype folded = 0;
    for (int i = 0; i < f.t.store.count(); ++i)
        folded += QuickFindIndex::fold(QuickFindIndex::recordText(f.t.store.at(i))).size();
    QCOMPARE(f.t.store.findIndex().heldCharacters(), folded);
    QTest::keyClicks(f.box(&f.view), u"oak"_s);
    QCOMPARE(f.count(&f.view), u"3 of 6"_s);
}

void TestQuickFindWindows::countText_data()
{
    QTest::addColumn<int>("matches");
    QTest::addColumn<int>("records");
    QTest::addColumn<QString>("text");
    QTest::newRow("small") << 12 << 480 << u"12 of 480"_s;
    QTest::newRow("thousands") << 1234 << 103480 << u"1,234 of 103,480"_s;
    QTest::newRow("none") << 0 << 3480 << u"0 of 3,480"_s;
}

void TestQuickFindWindows::countText()
{
    QFETCH(int, matches);
    QFETCH(int, records);
    QFETCH(QString, text);
    QCOMPARE(QuickFindBox::countText(matches, records), text);
}

QTEST_MAIN(TestQuickFindWindows)
#include "test_quickfind.moc"
