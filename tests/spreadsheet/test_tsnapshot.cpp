// The spreadsheet window over a real record window: fill, highlight, jumps, columns, editing,
// row menus, printing and its size keys.
#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "categoryeditor/taddescription.h"
#include "recordwindow/maskedit.h"
#include "recordwindow/pickmenu.h"
#include "recordwindow/tview.h"
#include "spreadsheet/spreadsheetmodel.h"
#include "spreadsheet/tsnapshot.h"
#include "tests/support/apptest.h"

namespace {

namespace C = SpreadColumn;

// A record window and a spreadsheet over n records "Item 1" .. "Item n".
struct Fixture
{
    AppTest t;
    TView view { t.ctx };
    std::unique_ptr<TSnapShot> snap;

    explicit Fixture(int n = 10)
    {
        t.windows.setWindow(WindowKind::Record, &view);
        t.activation.activate(&view);
        t.store.clear();
        t.store.categoryTexts[3]
            = QStringLiteral("Electronics\r\n\tTelevision\r\n\tRadio\r\nFurniture\r\n");
        for (int i = 1; i <= n; ++i) {
            ItemRecord r;
            r.setName(QStringLiteral("Item %1").arg(i));
            r.setDetail(1, QStringLiteral("%1.00").arg(i * 10));
            r.setDetail(2, QStringLiteral("2024/01/%1").arg(i, 2, 10, QLatin1Char('0')));
            r.setDetail(3, QStringLiteral("2024"));
            r.setDescription(3, QStringLiteral("Radio : Electronics"));
            t.store.append(std::move(r));
        }
        t.store.currentIndex = 0;
        view.GetRecord(0);
        snap = std::make_unique<TSnapShot>(t.ctx);
        t.windows.setWindow(WindowKind::Spreadsheet, snap.get());
    }

    // The platform reports each activation later; taking those reports at once keeps them from
    // arriving in the middle of a test step (a late one refills the grid there).
    void settle() const { QCoreApplication::processEvents(); }
    void showSheet()
    {
        t.activation.activate(snap.get());
        settle();
    }
    // Leaves the spreadsheet for the record window and comes back (a fresh fill).
    void refill()
    {
        t.activation.activate(&view);
        t.activation.activate(snap.get());
        settle();
    }
    SpreadsheetModel *model() const { return snap->model(); }
    SpreadView *grid() const { return snap->grid(); }
    QString cell(int row, int l) const { return model()->index(row, l).data().toString(); }
    QString status() const
    {
        return snap->findChild<QLineEdit *>(QStringLiteral("Status"))->text();
    }
    QLineEdit *number() const { return snap->findChild<QLineEdit *>(QStringLiteral("number")); }
    QString recordName() const
    {
        return view.findChild<QLineEdit *>(QStringLiteral("RecordName"))->text();
    }
    QPoint cellCentre(int row, int l) const
    {
        return grid()->visualRect(model()->index(row, l)).center();
    }
};

// Runs f on the first pop-up menu or modal dialog that shows, then closes it.
void whenShown(std::function<bool()> f)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, f] {
        if (f()) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}

} // namespace

class TestTSnapShot : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fillAllRecords();
    void fillSearchList();
    void highlightColours();
    void jump_data();
    void jump();
    void selectionKeepsRecordWindowInStep();
    void unlistedCurrentRecordStays();
    void headerNeverSelects();
    void headerDragScrolls();
    void columnMoves();
    void duplicateCaptionsKeepEveryColumn();
    void editTextCell();
    void openEditSurvivesSwitch_data();
    void openEditSurvivesSwitch();
    void editDateCell();
    void detailThreeFourCharacters();
    void numberColumnNeverEdits();
    void rightClickDescriptionOnAnotherRow();
    void statusMenu();
    void keyboardPath();
    void printToPdf();
    void printSettingsDialog();
    void sizeKeys();
    void toolbar();
};

void TestTSnapShot::fillAllRecords()
{
    Fixture f(5);
    ItemRecord &r = f.t.store.at(2);
    r.Wanted = true;
    r.ForSale = true;
    r.setDetail(3, QStringLiteral("20251"));
    f.t.store.at(3).Wanted = true;
    f.t.store.captions.detail[5] = QStringLiteral("Serial No");
    f.showSheet();

    QCOMPARE(f.model()->rowCount(), 5);
    QCOMPARE(f.status(), QStringLiteral("All Records"));
    QCOMPARE(f.model()->headerData(C::Number, Qt::Horizontal, Qt::DisplayRole).toString(),
        QStringLiteral("Number"));
    QCOMPARE(f.model()->headerData(C::Name, Qt::Horizontal, Qt::DisplayRole).toString(),
        QStringLiteral("Name"));
    QCOMPARE(f.model()->headerData(4, Qt::Horizontal, Qt::DisplayRole).toString(),
        QStringLiteral("Manufacturer"));
    QCOMPARE(f.model()->headerData(17, Qt::Horizontal, Qt::DisplayRole).toString(),
        QStringLiteral("Serial No"));
    QCOMPARE(f.model()->headerData(C::Status, Qt::Horizontal, Qt::DisplayRole).toString(),
        QStringLiteral("Status"));
    QCOMPARE(f.cell(2, C::Number), QStringLiteral("3"));
    QCOMPARE(f.cell(2, C::Name), QStringLiteral("Item 3"));
    QCOMPARE(f.cell(2, 4), QStringLiteral("Radio : Electronics"));
    QCOMPARE(f.cell(2, 13), QStringLiteral("30.00"));
    QCOMPARE(f.cell(2, 15), QStringLiteral("2025")); // detail 3: first four characters
    QCOMPARE(f.cell(2, C::Status), QStringLiteral("For Sale")); // For Sale wins over Wanted
    QCOMPARE(f.cell(3, C::Status), QStringLiteral("Wanted"));
    QCOMPARE(f.cell(0, C::Status), QString());
    // The current record's row is selected and the box shows its number.
    QCOMPARE(f.grid()->currentIndex().row(), 0);
    QCOMPARE(f.number()->text(), QStringLiteral("1"));

    // The display form follows "Short Description Values".
    f.t.activation.activate(&f.view);
    f.view.ShortDescriptionValues1Click();
    f.t.activation.activate(f.snap.get());
    QCOMPARE(f.cell(2, 4), QStringLiteral("Radio "));
}

void TestTSnapShot::fillSearchList()
{
    Fixture f(5);
    f.t.store.at(1).OnSearchList = true;
    f.t.store.at(3).OnSearchList = true;
    f.t.store.currentIndex = 3;
    f.t.store.scope = RecordScope::SearchList;
    f.snap->showSearchOutcome(QStringLiteral("2 new items found."));
    QCOMPARE(f.t.activation.activeWindow(), f.snap.get());
    QCOMPARE(f.model()->rowCount(), 2);
    QCOMPARE(f.cell(0, C::Number), QStringLiteral("2"));
    QCOMPARE(f.cell(1, C::Number), QStringLiteral("4"));
    QCOMPARE(f.status(), QStringLiteral("2 new items found."));
    QCOMPARE(f.grid()->currentIndex().row(), 1); // record 4
    QCOMPARE(f.recordName(), QStringLiteral("Item 4"));

    // "Search List": the status reads "Search Results".
    f.snap->findChild<QRadioButton *>(QStringLiteral("ViewSearched"))->click();
    QCOMPARE(f.status(), QStringLiteral("Search Results"));

    // No member: header only, silver, "Search List Empty"; nothing to select or edit.
    for (const RecordPtr &p : f.t.store.records())
        p->OnSearchList = false;
    f.refill();
    QCOMPARE(f.model()->rowCount(), 0);
    QCOMPARE(f.status(), QStringLiteral("Search List Empty"));
    QCOMPARE(f.grid()->palette().color(QPalette::Base), QColor(192, 192, 192));
    QVERIFY(!f.grid()->horizontalHeader()->isHidden());
    QVERIFY(!f.snap->SpreadViewKeyDown(Qt::Key_A, Qt::NoModifier));

    f.snap->findChild<QRadioButton *>(QStringLiteral("ViewAll"))->click();
    QCOMPARE(f.t.store.scope, RecordScope::AllRecords);
    QCOMPARE(f.status(), QStringLiteral("All Records"));
    QCOMPARE(f.model()->rowCount(), 5);
    QVERIFY(f.grid()->palette().color(QPalette::Base) != QColor(192, 192, 192));
}

void TestTSnapShot::highlightColours()
{
    Fixture f(4);
    f.t.store.at(1).OnSearchList = true; // new member
    f.t.store.at(2).OnSearchList = true;
    f.t.store.at(2).WasOnSearchList = true; // old member
    f.showSheet();
    const auto colour = [&](int row, int l) {
        return f.model()->index(row, l).data(Qt::BackgroundRole).value<QBrush>().color();
    };
    QVERIFY(!f.model()->index(0, 0).data(Qt::BackgroundRole).isValid());
    f.snap->findChild<QCheckBox *>(QStringLiteral("Hbox"))->click();
    QCOMPARE(colour(0, C::Name), QColor(0, 255, 255));
    QCOMPARE(colour(1, C::Number), QColor(255, 255, 0));
    QCOMPARE(colour(2, C::Status), QColor(0, 128, 0));
    QCOMPARE(colour(3, 15), QColor(0, 255, 255));
    // The text stays readable: white on the dark green, black on the light colours.
    const auto text = [&](int row) {
        return f.model()->index(row, C::Name).data(Qt::ForegroundRole).value<QBrush>().color();
    };
    QCOMPARE(text(2), QColor(Qt::white));
    QCOMPARE(text(0), QColor(Qt::black));
    QCOMPARE(text(1), QColor(Qt::black));
    // The box keeps its state across fills.
    f.refill();
    QCOMPARE(colour(1, C::Name), QColor(255, 255, 0));
    f.snap->findChild<QCheckBox *>(QStringLiteral("Hbox"))->click();
    QVERIFY(!f.model()->index(1, 0).data(Qt::BackgroundRole).isValid());
}

void TestTSnapShot::jump_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("invalid");
    QTest::newRow("zero") << QStringLiteral("0") << 0 << QStringLiteral("1") << false;
    QTest::newRow("negative") << QStringLiteral("-4") << 0 << QStringLiteral("1") << false;
    QTest::newRow("beyond") << QStringLiteral("999") << 9 << QStringLiteral("10") << false;
    QTest::newRow("inside") << QStringLiteral("7") << 6 << QStringLiteral("7") << false;
    // The message box takes activation and gives it back, which fills the box again.
    QTest::newRow("letters") << QStringLiteral("abc") << 2 << QStringLiteral("3") << true;
}

void TestTSnapShot::jump()
{
    QFETCH(QString, typed);
    QFETCH(int, index);
    QFETCH(QString, shown);
    QFETCH(bool, invalid);
    Fixture f(10);
    f.t.store.currentIndex = 2;
    f.showSheet();
    f.number()->setText(typed);
    QTest::keyClick(f.number(), Qt::Key_Return);
    QCOMPARE(f.t.store.currentIndex, index);
    QCOMPARE(f.number()->text(), shown);
    if (invalid) {
        QCOMPARE(f.t.dialogs.texts(),
            QStringList { QStringLiteral("You have entered an invalid number, please try again") });
    } else {
        QVERIFY(f.t.dialogs.shown.isEmpty());
        QCOMPARE(f.grid()->currentIndex().row(), index);
        QCOMPARE(f.recordName(), QStringLiteral("Item %1").arg(index + 1));
    }
}

void TestTSnapShot::selectionKeepsRecordWindowInStep()
{
    Fixture f(6);
    f.showSheet();
    f.view.hide();
    QTest::mouseClick(f.grid()->viewport(), Qt::LeftButton, {}, f.cellCentre(4, C::Name));
    QCOMPARE(f.t.store.currentIndex, 4);
    QCOMPARE(f.number()->text(), QStringLiteral("5"));
    QCOMPARE(f.recordName(), QStringLiteral("Item 5"));
    // Switching to the record window shows that record and stores nothing else over it.
    f.snap->findChild<QToolButton *>(QStringLiteral("SpreadSheetBtn"))->click();
    QCOMPARE(f.t.activation.activeWindow(), &f.view);
    QCOMPARE(f.recordName(), QStringLiteral("Item 5"));
    QCOMPARE(f.t.store.at(0).name(), QStringLiteral("Item 1"));
}

void TestTSnapShot::unlistedCurrentRecordStays()
{
    // The search list holds records 2 and 4; record 7 is current and not listed.
    Fixture f(10);
    f.t.store.at(1).OnSearchList = true;
    f.t.store.at(3).OnSearchList = true;
    f.t.store.scope = RecordScope::SearchList;
    f.t.store.currentIndex = 6;
    f.view.GetRecord(6);
    f.showSheet();
    QVERIFY(QTest::qWaitForWindowActive(f.snap.get()));
    f.refill();
    // Reactivation gives the grid the focus, with no current cell to keep.
    f.grid()->setFocus(Qt::ActiveWindowFocusReason);
    QFocusEvent focusIn(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(f.grid(), &focusIn);
    QCOMPARE(f.t.store.currentIndex, 6);
    QCOMPARE(f.recordName(), QStringLiteral("Item 7"));
    QVERIFY(!f.grid()->currentIndex().isValid());
    f.t.activation.activate(&f.view);
    QCOMPARE(f.recordName(), QStringLiteral("Item 7"));
    QCOMPARE(f.t.store.at(6).name(), QStringLiteral("Item 7"));

    // A row the user chooses still makes its record current.
    f.t.activation.activate(f.snap.get());
    QTest::mouseClick(f.grid()->viewport(), Qt::LeftButton, {}, f.cellCentre(1, C::Name));
    QCOMPARE(f.t.store.currentIndex, 3);
    QCOMPARE(f.recordName(), QStringLiteral("Item 4"));
}

void TestTSnapShot::headerNeverSelects()
{
    Fixture f(6);
    f.showSheet();
    QTest::mouseClick(f.grid()->viewport(), Qt::LeftButton, {}, f.cellCentre(3, C::Name));
    QCOMPARE(f.t.store.currentIndex, 3);
    QHeaderView *hh = f.grid()->horizontalHeader();
    const QPoint onSection(hh->sectionViewportPosition(4) + hh->sectionSize(4) / 2, 5);
    QTest::mouseClick(hh->viewport(), Qt::LeftButton, {}, onSection);
    QTest::mouseDClick(hh->viewport(), Qt::LeftButton, {}, onSection);
    QCOMPARE(f.t.store.currentIndex, 3);
    QCOMPARE(f.recordName(), QStringLiteral("Item 4"));
    QCOMPARE(f.grid()->currentIndex(), f.model()->index(3, C::Name));
    QVERIFY(!f.grid()->selectionModel()->isColumnSelected(4, {}));
    QCOMPARE(f.grid()->selectionModel()->selectedIndexes(),
        QModelIndexList { f.model()->index(3, C::Name) });
}

void TestTSnapShot::headerDragScrolls()
{
    Fixture f(6);
    f.snap->resize(640, 400);
    f.showSheet();
    QTest::mouseClick(f.grid()->viewport(), Qt::LeftButton, {}, f.cellCentre(2, C::Name));
    QHeaderView *hh = f.grid()->horizontalHeader();
    QScrollBar *bar = f.grid()->horizontalScrollBar();
    QCOMPARE(bar->value(), 0);
    const auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent e(type, at, hh->viewport()->mapToGlobal(at), Qt::LeftButton, buttons, {});
        QApplication::sendEvent(hh->viewport(), &e);
    };
    // The Name column dragged past the right edge: the grid scrolls on.
    const QPoint start(hh->sectionViewportPosition(C::Name) + 60, 5);
    send(QEvent::MouseButtonPress, start, Qt::LeftButton);
    send(QEvent::MouseMove, start + QPoint(30, 0), Qt::LeftButton);
    const QPoint beyond(hh->viewport()->width() + 20, 5);
    for (int i = 0; i < 5; ++i)
        send(QEvent::MouseMove, beyond, Qt::LeftButton);
    const int scrolled = bar->value();
    QVERIFY(scrolled > 0);
    // Dropped inside again: the column moves, the view stays, the record stays.
    const QPoint drop(hh->viewport()->width() - 40, 5);
    send(QEvent::MouseMove, drop, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, drop, Qt::NoButton);
    QCOMPARE(bar->value(), scrolled);
    // Nothing scrolls the grid afterwards: neither its delayed layout nor a scroll timer left
    // running by the drag (such a timer fires every 50 ms).
    QTest::qWait(250);
    QCOMPARE(bar->value(), scrolled);
    QVERIFY(hh->visualIndex(C::Name) > 1);
    QCOMPARE(f.t.store.columnOrder[C::Name], hh->visualIndex(C::Name));
    QCOMPARE(f.t.store.currentIndex, 2);
    QCOMPARE(f.recordName(), QStringLiteral("Item 3"));
}

void TestTSnapShot::columnMoves()
{
    Fixture f(5);
    f.showSheet();
    QHeaderView *hh = f.grid()->horizontalHeader();
    hh->resizeSection(C::Name, 200);
    QCOMPARE(f.t.store.columnWidths[1], 200);

    // The Number column to the far right: every other column one place left.
    hh->moveSection(hh->visualIndex(C::Number), 22);
    QCOMPARE(f.t.store.columnOrder[C::Number], 22);
    for (int l = 1; l < C::Count; ++l)
        QCOMPARE(f.t.store.columnOrder[size_t(l)], l - 1);
    QCOMPARE(f.t.store.columnWidths[0], 200); // the width went with the Name column
    QCOMPARE(f.t.store.columnWidths[22], 136);

    // Later fills keep the arrangement, and rows still lead to their records.
    f.refill();
    QCOMPARE(hh->visualIndex(C::Number), 22);
    QCOMPARE(hh->sectionSize(C::Name), 200);
    QTest::mouseClick(f.grid()->viewport(), Qt::LeftButton, {}, f.cellCentre(3, C::Number));
    QCOMPARE(f.t.store.currentIndex, 3);
    QCOMPARE(f.recordName(), QStringLiteral("Item 4"));
    const TablePrintGrid printed = f.snap->printGrid();
    QCOMPARE(printed.headings.last(), QStringLiteral("Number"));
    QCOMPARE(printed.cell(3, 22), QStringLiteral("4"));

    // A caption renamed in the record window heads its column; a move finds it by that text.
    f.t.activation.activate(&f.view);
    f.t.dialogs.input(QStringLiteral("Owner's Name"));
    f.view.CustomizeLabels(f.view.findChild<QLabel *>(QStringLiteral("Desc7")));
    f.t.activation.activate(f.snap.get());
    const int owner = C::FirstDescription + 6;
    QCOMPARE(f.model()->headerData(owner, Qt::Horizontal, Qt::DisplayRole).toString(),
        QStringLiteral("Owner's Name"));
    hh->moveSection(hh->visualIndex(owner), 0);
    QCOMPARE(f.t.store.columnOrder[size_t(owner)], 0);
    QCOMPARE(f.t.store.columnOrder[C::Name], 1);
    QCOMPARE(f.t.store.columnOrder[C::Number], 22);

    // Leaving writes the widths of the grid places.
    f.t.activation.activate(&f.view);
    QCOMPARE(f.t.store.columnWidths[1], 200);
}

void TestTSnapShot::duplicateCaptionsKeepEveryColumn()
{
    // Two fields with one caption: matching by text alone would put both in one grid column.
    Fixture f(3);
    f.t.store.captions.detail[6] = QStringLiteral("Extra");
    f.t.store.captions.detail[7] = QStringLiteral("Extra");
    f.showSheet();
    QHeaderView *hh = f.grid()->horizontalHeader();
    hh->moveSection(hh->visualIndex(19), 2);
    std::array<int, C::Count> order = f.t.store.columnOrder;
    std::sort(order.begin(), order.end());
    for (int g = 0; g < C::Count; ++g)
        QCOMPARE(order[size_t(g)], g);
    QCOMPARE(f.t.store.columnOrder[19], 2);
    f.t.store.at(0).setDetail(7, QStringLiteral("seven"));
    f.refill();
    QCOMPARE(f.snap->printGrid().cell(0, 2), QStringLiteral("seven"));
}

void TestTSnapShot::editTextCell()
{
    Fixture f(5);
    f.showSheet();
    QTest::mouseClick(
        f.grid()->viewport(), Qt::LeftButton, {}, f.cellCentre(1, 4)); // a description
    QTest::mouseClick(f.grid()->viewport(), Qt::LeftButton, {}, f.cellCentre(2, 20)); // detail 8
    QTest::keyClick(f.grid(), Qt::Key_7); // typing opens the editor with the key
    auto *editor = f.grid()->findChild<MaskEdit *>(QStringLiteral("InplaceEdit"));
    QVERIFY(editor);
    QTest::keyClick(editor, Qt::Key_7);
    QTest::keyClick(editor, Qt::Key_Return); // the grid applies the text once the editor closes
    QTRY_COMPARE(f.t.store.at(2).detail(8), QStringLiteral("77"));

    // The name, and the record window follows each edit.
    f.grid()->setCurrentIndex(f.model()->index(3, C::Name));
    f.grid()->edit(f.model()->index(3, C::Name));
    editor = f.grid()->findChild<MaskEdit *>(QStringLiteral("InplaceEdit"));
    QVERIFY(editor);
    QCOMPARE(editor->text(), QStringLiteral("Item 4"));
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("Lamp"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(f.t.store.at(3).name(), QStringLiteral("Lamp"));
    QCOMPARE(f.recordName(), QStringLiteral("Lamp"));
    QCOMPARE(f.cell(3, C::Name), QStringLiteral("Lamp"));
    // Going to the record window and leaving it again keeps the edit.
    f.t.activation.activate(&f.view);
    QCOMPARE(f.recordName(), QStringLiteral("Lamp"));
    f.t.activation.activate(f.snap.get());
    QCOMPARE(f.t.store.at(3).name(), QStringLiteral("Lamp"));
    QCOMPARE(f.t.store.at(2).detail(8), QStringLiteral("77"));
}

void TestTSnapShot::openEditSurvivesSwitch_data()
{
    QTest::addColumn<bool>("byButton");
    QTest::newRow("record window clicked") << false;
    QTest::newRow("record button") << true;
}

void TestTSnapShot::openEditSurvivesSwitch()
{
    // A Name cell typed into without Enter, then the record window is brought up.
    QFETCH(bool, byButton);
    Fixture f(5);
    f.showSheet();
    QVERIFY(QTest::qWaitForWindowActive(f.snap.get()));
    const QModelIndex name = f.model()->index(3, C::Name);
    f.grid()->setCurrentIndex(name);
    f.grid()->edit(name);
    auto *editor = f.grid()->findChild<MaskEdit *>(QStringLiteral("InplaceEdit"));
    QVERIFY(editor);
    editor->setFocus();
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("Lamp"));
    QCOMPARE(f.t.store.at(3).name(), QStringLiteral("Item 4"));
    if (byButton) {
        f.snap->findChild<QToolButton *>(QStringLiteral("SpreadSheetBtn"))->click();
    } else {
        // The platform activates the record window, as a click on it does.
        f.view.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f.view));
    }
    QCOMPARE(f.t.activation.activeWindow(), &f.view);
    QTest::qWait(0);
    QCOMPARE(f.t.store.at(3).name(), QStringLiteral("Lamp"));
    QCOMPARE(f.recordName(), QStringLiteral("Lamp"));
    // Leaving the record window stores its buffer, which holds the edit.
    f.t.activation.activate(f.snap.get());
    QCOMPARE(f.t.store.at(3).name(), QStringLiteral("Lamp"));
    QCOMPARE(f.cell(3, C::Name), QStringLiteral("Lamp"));
}

void TestTSnapShot::editDateCell()
{
    Fixture f(3);
    f.showSheet();
    const QModelIndex date = f.model()->index(1, 14);
    f.grid()->setCurrentIndex(date);
    f.grid()->edit(date);
    auto *editor = f.grid()->findChild<MaskEdit *>(QStringLiteral("InplaceEdit"));
    QVERIFY(editor);
    QCOMPARE(editor->editMask(), QStringLiteral("!9090/90/00;1;_"));
    QCOMPARE(editor->storedText(), QStringLiteral("2024/01/02"));
    editor->setFocus();
    editor->selectAll();
    QTest::keyClick(editor, Qt::Key_Delete);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(f.t.store.at(1).detail(2), QStringLiteral("    /  /  "));
    // The record window holds the same, so its next store keeps it.
    f.t.activation.activate(&f.view);
    f.t.activation.activate(f.snap.get());
    QCOMPARE(f.t.store.at(1).detail(2), QStringLiteral("    /  /  "));
}

void TestTSnapShot::detailThreeFourCharacters()
{
    Fixture f(3);
    f.t.store.at(2).setDetail(3, QStringLiteral("19995"));
    f.showSheet();
    QCOMPARE(f.cell(2, 15), QStringLiteral("1999"));
    const QModelIndex year = f.model()->index(2, 15);
    f.grid()->setCurrentIndex(year);
    f.grid()->edit(year);
    auto *editor = f.grid()->findChild<MaskEdit *>(QStringLiteral("InplaceEdit"));
    QVERIFY(editor);
    QCOMPARE(editor->storedText(), QStringLiteral("1999"));
    editor->setFocus();
    editor->setCursorPosition(2);
    QTest::keyClicks(editor, QStringLiteral("87"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(f.t.store.at(2).detail(3), QStringLiteral("1987"));
}

void TestTSnapShot::numberColumnNeverEdits()
{
    Fixture f(3);
    f.showSheet();
    // Whatever was selected before, the Number column opens no editor.
    f.grid()->setCurrentIndex(f.model()->index(1, C::Name));
    f.grid()->setCurrentIndex(f.model()->index(1, C::Number));
    QVERIFY(!(f.model()->flags(f.model()->index(1, C::Number)) & Qt::ItemIsEditable));
    QTest::keyClicks(f.grid(), QStringLiteral("5"));
    QVERIFY(!f.grid()->findChild<MaskEdit *>(QStringLiteral("InplaceEdit")));
    QCOMPARE(f.cell(1, C::Number), QStringLiteral("2"));
    QVERIFY(!(f.model()->flags(f.model()->index(1, 4)) & Qt::ItemIsEditable));
}

void TestTSnapShot::rightClickDescriptionOnAnotherRow()
{
    Fixture f(6);
    f.t.store.at(4).setDetail(0, QStringLiteral("Full warranty"));
    f.showSheet();
    QTest::mouseClick(f.grid()->viewport(), Qt::LeftButton, {}, f.cellCentre(1, C::Name));
    QCOMPARE(f.t.store.currentIndex, 1);
    QTest::mouseClick(f.grid()->viewport(), Qt::RightButton, {}, f.cellCentre(4, 4));
    QCOMPARE(f.snap->menuRow(), 4);
    QCOMPARE(f.grid()->currentIndex().row(), 1); // the selection stays
    PickMenu *menu = f.snap->descriptionMenu(3);
    QCOMPARE(menu->objectName(), QStringLiteral("DMenu2"));
    QTRY_VERIFY(menu->isVisible());
    QAction *tv = nullptr;
    for (QAction *top : menu->actions())
        if (top->menu())
            for (QAction *a : top->menu()->actions())
                if (a->text() == QStringLiteral("Television"))
                    tv = a;
    QVERIFY(tv);
    tv->trigger();
    menu->close();
    const ItemRecord &five = f.t.store.at(4);
    QCOMPARE(five.description(3), QStringLiteral("Television : Electronics"));
    QCOMPARE(five.name(), QStringLiteral("Item 5"));
    QCOMPARE(five.detail(0), QStringLiteral("Full warranty"));
    QCOMPARE(five.detail(2), QStringLiteral("2024/01/05"));
    QCOMPARE(f.t.store.at(1).description(3), QStringLiteral("Radio : Electronics"));
    QCOMPARE(f.cell(4, 4), QStringLiteral("Television : Electronics"));
    QCOMPARE(f.recordName(), QStringLiteral("Item 5"));
    QCOMPARE(f.view.findChild<QLineEdit *>(QStringLiteral("DescThree"))->text(),
        QStringLiteral("Television : Electronics"));
}

void TestTSnapShot::statusMenu()
{
    Fixture f(4);
    f.t.store.at(2).Wanted = true;
    f.t.store.at(2).ForSale = true;
    f.showSheet();
    QTest::mouseClick(f.grid()->viewport(), Qt::RightButton, {}, f.cellCentre(2, C::Status));
    QMenu *menu = f.snap->statusMenu();
    QCOMPARE(menu->objectName(), QStringLiteral("Checkb"));
    QStringList captions;
    for (QAction *a : menu->actions())
        captions << a->text();
    QCOMPARE(captions,
        (QStringList {
            QStringLiteral("Wanted"), QStringLiteral("For Trade"), QStringLiteral("For Sale") }));
    menu->findChild<QAction *>(QStringLiteral("Two1"))->trigger();
    menu->close();
    const ItemRecord &r = f.t.store.at(2);
    QVERIFY(!r.Wanted);
    QVERIFY(r.ForTrade);
    QVERIFY(!r.ForSale);
    QCOMPARE(f.cell(2, C::Status), QStringLiteral("For Trade"));
    QVERIFY(!f.view.findChild<QCheckBox *>(QStringLiteral("CheckBox1"))->isChecked());
    QVERIFY(f.view.findChild<QCheckBox *>(QStringLiteral("CheckBox2"))->isChecked());
    QVERIFY(!f.view.findChild<QCheckBox *>(QStringLiteral("CheckBox3"))->isChecked());
    // The record window's later store keeps the flags.
    f.refill();
    QVERIFY(f.t.store.at(2).ForTrade && !f.t.store.at(2).Wanted && !f.t.store.at(2).ForSale);
}

void TestTSnapShot::keyboardPath()
{
    Fixture f(4);
    f.showSheet();
    f.grid()->setCurrentIndex(f.model()->index(2, 4));

    // Shift alone: only the pick menu, at the cell.
    bool editorSeen = false;
    QString popped;
    auto closeMenus = [&] {
        whenShown([&] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *ed = qobject_cast<TAddDescription *>(w); ed && ed->isVisible()) {
                    editorSeen = true;
                    ed->reject();
                    return false;
                }
            if (QWidget *p = QApplication::activePopupWidget()) {
                popped = p->objectName();
                QTest::keyClick(p, Qt::Key_Escape);
                return true;
            }
            return false;
        });
    };
    closeMenus();
    QTest::keyClick(f.grid(), Qt::Key_Shift); // one press, as the keyboard sends it
    QCOMPARE(popped, QStringLiteral("DMenu2"));
    QVERIFY(!editorSeen);
    QCOMPARE(f.snap->menuRow(), 2);

    // Any other key: the category editor first, then the menu; the key keeps its effect.
    popped.clear();
    closeMenus();
    QTest::keyClick(f.grid(), Qt::Key_Down);
    QVERIFY(editorSeen);
    QCOMPARE(popped, QStringLiteral("DMenu2"));
    QCOMPARE(f.grid()->currentIndex().row(), 3);

    // A choice from the keyboard's menu goes into the menu row's record.
    f.grid()->setCurrentIndex(f.model()->index(1, 4));
    whenShown([&] {
        if (QWidget *p = QApplication::activePopupWidget()) {
            auto *menu = qobject_cast<QMenu *>(p);
            for (QAction *a : menu->actions())
                if (a->text() == QStringLiteral("Furniture"))
                    a->trigger();
            QTest::keyClick(p, Qt::Key_Escape);
            return true;
        }
        return false;
    });
    QTest::keyClick(f.grid(), Qt::Key_Shift); // one press, as the keyboard sends it
    QCOMPARE(f.t.store.at(1).description(3), QStringLiteral("Furniture"));
    QCOMPARE(f.t.store.at(2).description(3), QStringLiteral("Radio : Electronics"));

    // The status column: the status menu, never the editor.
    editorSeen = false;
    popped.clear();
    f.grid()->setCurrentIndex(f.model()->index(0, C::Status));
    closeMenus();
    QTest::keyClick(f.grid(), Qt::Key_A);
    QCOMPARE(popped, QStringLiteral("Checkb"));
    QVERIFY(!editorSeen);
}

void TestTSnapShot::printToPdf()
{
    Fixture f(30);
    f.t.store.at(29).setName(QStringLiteral("Grandfather Clock"));
    f.t.store.captions.detail[0] = QStringLiteral("Guarantee");
    f.showSheet();
    QVERIFY(f.snap->Print1Click());
    QProcess p;
    p.start(QStringLiteral("pdftotext"),
        { f.t.path(QStringLiteral("printout.pdf")), QStringLiteral("-") });
    QVERIFY(p.waitForFinished(30000));
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    for (const QString &s : { QStringLiteral("Number"), QStringLiteral("Guarantee"),
             QStringLiteral("Manufacturer"), QStringLiteral("Status"),
             QStringLiteral("Grandfather Clock"), QStringLiteral("Item 17"),
             QStringLiteral("Radio : Electronics"), QStringLiteral("2024/01/09") })
        QVERIFY2(text.contains(s), qPrintable(s));
}

void TestTSnapShot::printSettingsDialog()
{
    Fixture f(3);
    f.showSheet();
    f.snap->findChild<QAction *>(QStringLiteral("PrintSettings1"))->trigger();
    TablePrintDialog *dialog
        = f.snap->findChild<TablePrintDialog *>(QStringLiteral("SpreadPrintDialog"));
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    // Defaults: landscape, shrink to fit, nothing around the grid.
    const TablePrintSettings d = dialog->settings();
    QCOMPARE(d.orientation, QPageLayout::Landscape);
    QVERIFY(d.shrinkToFit && !d.outerBorder && !d.gridLines && !d.pageNumbers && !d.printDate
        && !d.printTitle && !d.printHeader && !d.printFooter);
    for (const char *group : { "BordersGroup", "GeneralGroup", "FontsGroup", "DateTimeGroup",
             "TitleGroup", "PagesGroup", "MarginsGroup", "SpacingGroup", "OrientationGroup" })
        QVERIFY2(dialog->findChild<QWidget *>(QString::fromLatin1(group)), group);
    QVERIFY(dialog->preview());
    QTRY_COMPARE(dialog->previewPageCount(), 1);

    dialog->findChild<QCheckBox *>(QStringLiteral("PrintTitle"))->setChecked(true);
    dialog->findChild<QLineEdit *>(QStringLiteral("TitleText"))
        ->setText(QStringLiteral("Household Inventory"));
    dialog->findChild<QCheckBox *>(QStringLiteral("PageNumbers"))->setChecked(true);
    dialog->findChild<QCheckBox *>(QStringLiteral("PrintDate"))->setChecked(true);
    dialog->accept();
    QCOMPARE(f.snap->printSettings().title, QStringLiteral("Household Inventory"));
    QVERIFY(f.snap->Print1Click());
    QProcess p;
    p.start(QStringLiteral("pdftotext"),
        { f.t.path(QStringLiteral("printout.pdf")), QStringLiteral("-") });
    QVERIFY(p.waitForFinished(30000));
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    QVERIFY(text.contains(QStringLiteral("Household Inventory")));
    QVERIFY(text.contains(QStringLiteral("1/1")));
    QVERIFY(text.contains(QStringLiteral("10/12/2026"))); // the fixed clock's date as dd/mm/yyyy
}

void TestTSnapShot::sizeKeys()
{
    {
        Fixture f(2);
        QCOMPARE(f.snap->size(), QSize(640, 475));
        f.showSheet();
        f.snap->resize(700, 520);
        // The keys hold the outer size; the offscreen platform draws a frame too.
        const QSize outer = f.snap->frameGeometry().size();
        QVERIFY(outer.width() > 700 && outer.height() > 520);
        f.t.activation.activate(&f.view);
        QCOMPARE(f.t.settings.readInteger(QStringLiteral("SpreadsheetW:"), 0), outer.width());
        QCOMPARE(f.t.settings.readInteger(QStringLiteral("SpreadsheetH:"), 0), outer.height());
        QFile ini(f.t.settings.filePath());
        QVERIFY(ini.open(QIODevice::ReadOnly));
        const QByteArray content = ini.readAll();
        const QByteArray h = QByteArray::number(outer.height());
        const QByteArray upper = "SpreadSheetH:=" + h, lower = "SpreadsheetH:=" + h;
        QVERIFY(content.contains(upper) || content.contains(lower));
        TSnapShot again(f.t.ctx);
        again.show();
        QCOMPARE(again.frameGeometry().size(), outer);
    }
}

void TestTSnapShot::toolbar()
{
    Fixture f(3);
    f.showSheet();
    for (const char *name : { "SearchBtn", "AlbumBtn", "GraphBtn", "SpreadSheetBtn", "ReportBtn",
             "QuickSaveBtn", "HelpBtn", "CloseBtn", "PrintScreenBtn" }) {
        auto *b = f.snap->findChild<QToolButton *>(QString::fromLatin1(name));
        QVERIFY2(b, name);
        QVERIFY2(b->toolTip().isEmpty(), name);
    }
    f.snap->findChild<QToolButton *>(QStringLiteral("HelpBtn"))->click();
    QVERIFY(f.t.help.requests.last().endsWith(QStringLiteral("|Spreadsheet View")));

    // The report button sets the scope from the window's own choice first.
    f.snap->ReportBtnClick();
    QCOMPARE(f.t.store.scope, RecordScope::SearchList); // "All Records" not chosen
    f.t.windows.reportMenu()->close();
    f.snap->findChild<QRadioButton *>(QStringLiteral("ViewAll"))->click();
    f.snap->ReportBtnClick();
    QCOMPARE(f.t.store.scope, RecordScope::AllRecords);
    f.t.windows.reportMenu()->close();

    f.snap->findChild<QToolButton *>(QStringLiteral("PrintScreenBtn"))->click();
    QTRY_VERIFY(f.snap->printMenu()->isVisible());
    QCOMPARE(f.snap->printMenu()->objectName(), QStringLiteral("PrintMenu"));
    QStringList items;
    for (QAction *a : f.snap->printMenu()->actions())
        items << a->objectName() + u'=' + a->text();
    QCOMPARE(items,
        (QStringList {
            QStringLiteral("PrintSettings1=Print Settings"), QStringLiteral("Print1=Print") }));
    f.snap->printMenu()->close();

    // Closing hides the window; it is still there.
    f.snap->findChild<QToolButton *>(QStringLiteral("CloseBtn"))->click();
    QVERIFY(!f.snap->isVisible());
    QCOMPARE(f.t.windows.existing(WindowKind::Spreadsheet), f.snap.get());
}

QTEST_MAIN(TestTSnapShot)
#include "test_tsnapshot.moc"
