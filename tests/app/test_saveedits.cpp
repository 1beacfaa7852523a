// Saves and open edits under a real window manager: a save from any window first takes what every
// window is still editing, leaving the spreadsheet stores its open cell before another window
// reads the record, and texts longer than a box's default limit are shown and saved whole.
#include <QLineEdit>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "recordwindow/maskedit.h"
#include "recordwindow/tview.h"
#include "spreadsheet/spreadsheetmodel.h"
#include "spreadsheet/tsnapshot.h"
#include "store/datafile.h"
#include "tests/support/apptest.h"

using namespace Qt::StringLiterals;
namespace C = SpreadColumn;

namespace {

struct Fixture
{
    AppTest t;
    TView view { t.ctx };
    TSnapShot snap { t.ctx };
    QString file = t.path(u"home.dat"_s);

    Fixture()
    {
        t.windows.setWindow(WindowKind::Record, &view);
        t.windows.setWindow(WindowKind::Spreadsheet, &snap);
        view.resize(800, 600);
        bringUp(&view);
    }
    // Opens records written to home.dat, as File > Open does.
    void open(const QList<ItemRecord> &records)
    {
        RecordStore s;
        for (const ItemRecord &r : records)
            s.append(r);
        QVERIFY(DataFile::writeDatabase(file, s).ok);
        t.dialogs.answer(Dialogs::Answer::Yes);
        t.dialogs.file(file);
        QVERIFY(view.OpenClick());
        QVERIFY(t.dialogs.allUsed());
    }
    void bringUp(QWidget *w)
    {
        t.activation.activate(w);
        QVERIFY(QTest::qWaitForWindowActive(w));
    }
    // What the file holds, read back into a store of its own.
    RecordStore onDisk() const
    {
        RecordStore s;
        if (!DataFile::readDatabase(file, s, false).ok())
            qWarning("cannot read %s", qPrintable(file));
        return s;
    }
    MaskEdit *typeIntoCell(int row, int column, const QString &text)
    {
        const QModelIndex at = snap.model()->index(row, column);
        snap.grid()->setCurrentIndex(at);
        snap.grid()->edit(at);
        auto *editor = snap.grid()->findChild<MaskEdit *>(u"InplaceEdit"_s);
        if (!editor)
            return nullptr;
        editor->setFocus();
        editor->selectAll();
        QTest::keyClicks(editor, text); // no Return: the cell is still being typed
        return editor;
    }
    QString shownName() const { return view.findChild<QLineEdit *>(u"RecordName"_s)->text(); }
};

ItemRecord record(const QString &name)
{
    ItemRecord r;
    r.setName(name);
    return r;
}

} // namespace

class TestSaveEdits : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void saveTakesTheOpenCell_data();
    void saveTakesTheOpenCell();
    void quickSaveTakesTheRecordWindowsBoxes();
    void leavingTheSpreadsheetStoresTheOpenCell();
    void longTextsSurviveShowingAndSaving();
};

void TestSaveEdits::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), u"xcb"_s);
}

void TestSaveEdits::saveTakesTheOpenCell_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("spreadsheet's Save button") << u"button"_s;
    QTest::newRow("record window's Save, the cell still open") << u"record window"_s;
}

void TestSaveEdits::saveTakesTheOpenCell()
{
    QFETCH(QString, how);
    Fixture f;
    f.open({ record(u"Chair"_s), record(u"Desk"_s) });
    f.bringUp(&f.snap);
    QVERIFY(f.typeIntoCell(1, C::Name, u"Writing desk"_s));
    if (how == u"button")
        QTest::mouseClick(f.snap.findChild<QToolButton *>(u"QuickSaveBtn"_s), Qt::LeftButton);
    else
        QVERIFY(f.view.SaveClick()); // as a caller that saves with the spreadsheet in front
    QCOMPARE(f.t.dialogs.lastText(), u"File Saved"_s);
    const RecordStore saved = f.onDisk();
    QCOMPARE(saved.count(), 2);
    QCOMPARE(saved.at(1).name(), u"Writing desk"_s);
    QCOMPARE(f.t.store.at(1).name(), u"Writing desk"_s);
}

void TestSaveEdits::quickSaveTakesTheRecordWindowsBoxes()
{
    // Another window's quick save takes what the record window's boxes hold, too.
    Fixture f;
    f.open({ record(u"Chair"_s) });
    auto *name = f.view.findChild<QLineEdit *>(u"RecordName"_s);
    name->setFocus();
    name->selectAll();
    QTest::keyClicks(name, u"Armchair"_s);
    f.t.windows.quickSave(&f.snap);
    QCOMPARE(f.onDisk().at(0).name(), u"Armchair"_s);
}

void TestSaveEdits::leavingTheSpreadsheetStoresTheOpenCell()
{
    Fixture f;
    f.open({ record(u"Chair"_s), record(u"Desk"_s) });
    f.bringUp(&f.snap);
    QVERIFY(f.typeIntoCell(1, C::Name, u"Writing desk"_s));
    // Stored as the spreadsheet is left, before the record window shows the record: not later,
    // when the platform's focus change reaches the cell.
    f.t.activation.activate(&f.view);
    QCOMPARE(f.t.store.at(1).name(), u"Writing desk"_s);
    QCOMPARE(f.shownName(), u"Writing desk"_s);
    QVERIFY(QTest::qWaitForWindowActive(&f.view));
}

void TestSaveEdits::longTextsSurviveShowingAndSaving()
{
    // Longer than a text box takes unless told: every box that shows a stored text takes it whole.
    const auto longText = [](QChar c) -> QString { return QString(40000, c) + u" end"_s; };
    ItemRecord r = record(longText(u'n'));
    r.setDescription(1, longText(u'd'));
    r.setDetail(5, longText(u's'));
    r.setPictureTitle(1, longText(u't'));
    Fixture f;
    f.open({ r, record(u"Chair"_s) });
    const ItemRecord written = f.onDisk().at(0);
    QCOMPARE(written.name(), r.name());
    QCOMPARE(f.shownName(), r.name());
    // Every page shown, so each box has held its text.
    auto *book = f.view.findChild<QTabWidget *>(u"RecordBook"_s);
    for (int page = 0; page < book->count(); ++page)
        book->setCurrentIndex(page);
    book->setCurrentIndex(2);
    QCOMPARE(f.view.findChild<QLineEdit *>(u"ImageTitle"_s)->text(), r.pictureTitle(1));
    QCOMPARE(f.view.findChild<QLineEdit *>(u"DescOne"_s)->text(), r.description(1));
    f.view.nextClick(); // stores the shown record
    f.view.PreviousClick();
    QVERIFY(f.view.SaveClick());
    const RecordStore saved = f.onDisk();
    QCOMPARE(saved.at(0).name().size(), r.name().size());
    const ItemRecord &back = saved.at(0);
    QCOMPARE(back.pictureTitle(1), r.pictureTitle(1));
    QCOMPARE(back.descriptions(), written.descriptions());
    QCOMPARE(back.details(), written.details());
    for (int k = 1; k <= ItemRecord::PictureCount; ++k)
        QVERIFY(back.picture(k) == written.picture(k));
    QVERIFY(back == written);
}

QTEST_MAIN(TestSaveEdits)
#include "test_saveedits.moc"
