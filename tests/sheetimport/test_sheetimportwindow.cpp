// File > Import Spreadsheet: the mapping window over the record window, its choices, the preview
// with the values that need a choice, mapping files, and the records it appends.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include "recordwindow/tview.h"
#include "store/edithistory.h"
#include "sheetimport/previewmodel.h"
#include "sheetimport/sheetimportwindow.h"
#include "tests/sheetimport/sheetfiles.h"
#include "tests/support/apptest.h"

using namespace Qt::StringLiterals;
using SheetImport::SheetImportWindow;

namespace {

struct Fixture
{
    AppTest t;
    std::unique_ptr<TView> v;

    Fixture()
    {
        v = std::make_unique<TView>(t.ctx);
        t.activation.activate(v.get());
        t.store.clear();
        t.store.databaseOpen = true;
        t.store.setCategoryTree(8, buildCategoryTree(u"House\n\tKitchen\n\tHall\n"_s).tree);
        ItemRecord old;
        old.setName(u"Old"_s);
        t.store.append(old);
        v->GetRecord(0);
        v->show();
    }
    // Runs the command on file; `act` is given the mapping window once it is up.
    void run(const QString &file, const std::function<void(SheetImportWindow *)> &act)
    {
        t.dialogs.file(file);
        std::function<void()> whenUp = [&] {
            auto *w = qobject_cast<SheetImportWindow *>(QApplication::activeModalWidget());
            if (!w) {
                QTimer::singleShot(0, whenUp);
                return;
            }
            act(w);
            // A failed check returns early: the window must still close for the test to end.
            if (w->isVisible())
                w->reject();
        };
        QTimer::singleShot(0, whenUp);
        v->findChild<QAction *>(u"ImportSpreadsheet1"_s)->trigger();
    }
};

// Presses Cancel on the import's progress bar as soon as there is one; a mapping window that
// comes up instead is closed and counted.
struct CancelSoon
{
    bool cancelled = false;
    bool windowShown = false;
    void arm(QWidget *root)
    {
        QTimer::singleShot(0, [this, root] {
            auto *w = qobject_cast<SheetImportWindow *>(QApplication::activeModalWidget());
            if (auto *p = root->findChild<QProgressDialog *>(u"SheetImportProgress"_s)) {
                p->cancel();
                cancelled = true;
            } else if (w && w != root) {
                windowShown = true;
                w->reject();
            } else {
                arm(root);
            }
        });
    }
};

QComboBox *field(SheetImportWindow *w, int column)
{
    return w->findChild<QComboBox *>(u"Field%1"_s.arg(column));
}

QString counts(SheetImportWindow *w)
{
    return w->findChild<QLabel *>(u"Counts"_s)->text();
}

} // namespace

class TestSheetImportWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void guessPreviewAndImport();
    void headingsAndFields();
    void choicePerValue();
    void workbookSheets();
    void stopKeepsTheWindow();
    void mappingFileRoundTrip();
    void damagedFileImportsNothing();
    void cancelAddsNothing();
    void importIsOneUndoStep();
    void cancelLongWork();

private:
    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString p = m_dir.filePath(name);
        SheetFiles::writeBytes(p, bytes);
        return p;
    }
    QTemporaryDir m_dir;
};

void TestSheetImportWindow::guessPreviewAndImport()
{
    Fixture f;
    const QString file = write(
        u"list.csv"_s, "Item;Room;Price\nLamp;Kitchen;\"1.234,56 \xE2\x82\xAC\"\nChair;Cellar;3\n");
    f.run(file, [&](SheetImportWindow *w) {
        QCOMPARE(w->findChild<QComboBox *>(u"Delimiter"_s)->currentText(), u"Semicolon"_s);
        QCOMPARE(w->findChild<QComboBox *>(u"Encoding"_s)->currentText(), u"UTF-8"_s);
        QVERIFY(w->findChild<QCheckBox *>(u"Headings"_s)->isChecked());
        QVERIFY(!w->findChild<QComboBox *>(u"Sheet"_s)->isVisible());
        QCOMPARE(field(w, 0)->currentText(), u"Name"_s);
        QCOMPARE(field(w, 1)->currentText(), u"Location"_s);
        QCOMPARE(field(w, 2)->currentText(), u"Paid"_s);
        auto *columns = w->findChild<QTableWidget *>(u"Columns"_s);
        QCOMPARE(columns->item(1, 0)->text(), u"Room"_s);
        QCOMPARE(columns->item(1, 1)->text(), u"Kitchen   |   Cellar"_s);
        // The preview shows the records as stored, the refused value in red with its reason.
        auto *preview = w->findChild<QTableView *>(u"Preview"_s);
        QAbstractItemModel *m = preview->model();
        QCOMPARE(m->headerData(1, Qt::Horizontal).toString(), u"Location"_s);
        QCOMPARE(m->index(0, 1).data().toString(), u"Kitchen : House"_s);
        QCOMPARE(m->index(0, 2).data().toString(), u"$1,234.56"_s);
        QCOMPARE(m->index(1, 1).data().toString(), u"\"Cellar\" is not in the Location tree"_s);
        QVERIFY(m->index(1, 1).data(Qt::BackgroundRole).isValid());
        QVERIFY(!m->index(0, 1).data(Qt::BackgroundRole).isValid());
        QCOMPARE(m->index(1, 3).data().toString(), u"Room: Cellar"_s); // Notes
        QCOMPARE(m->headerData(1, Qt::Vertical).toInt(), 3);
        QCOMPARE(counts(w), u"2 records, 3 values converted, 1 value needs a choice."_s);
        // Adding categories clears the need.
        w->findChild<QCheckBox *>(u"AddCategories"_s)->setChecked(true);
        QCOMPARE(m->index(1, 1).data().toString(), u"Cellar"_s);
        QCOMPARE(
            counts(w), u"2 records, 3 values converted, 0 values need a choice. 1 new category."_s);
        w->findChild<QAbstractButton *>(u"Import"_s)->click();
    });
    QCOMPARE(f.t.store.count(), 3);
    QCOMPARE(f.t.store.at(1).name(), u"Lamp"_s);
    QCOMPARE(f.t.store.at(2).description(8), u"Cellar"_s);
    QVERIFY(f.t.store.categoryTexts[8].endsWith(u"Cellar\r\n"_s));
    // The first new record is on show, and the outcome in the status bar.
    QCOMPARE(f.t.store.currentIndex, 1);
    QCOMPARE(f.v->findChild<QLineEdit *>(u"RecordName"_s)->text(), u"Lamp"_s);
    QCOMPARE(f.t.dialogs.shown.last().kind, u"status"_s);
    QCOMPARE(f.t.dialogs.lastText(), u"2 records imported."_s);
    QCOMPARE(f.t.dialogs.shown.first().file.title, u"Import Spreadsheet"_s);
}

void TestSheetImportWindow::headingsAndFields()
{
    Fixture f;
    const QString file = write(u"plain.csv"_s, "Lamp,12.50,x\nChair,3,\n");
    f.run(file, [&](SheetImportWindow *w) {
        auto *headings = w->findChild<QCheckBox *>(u"Headings"_s);
        QVERIFY(!headings->isChecked());
        QCOMPARE(w->findChild<QTableWidget *>(u"Columns"_s)->item(0, 0)->text(), u"Column A"_s);
        QCOMPARE(counts(w), u"2 records, 0 values converted, 0 values need a choice."_s);
        field(w, 0)->setCurrentIndex(field(w, 0)->findText(u"Name"_s));
        field(w, 1)->setCurrentIndex(field(w, 1)->findText(u"Value"_s));
        field(w, 2)->setCurrentIndex(field(w, 2)->findText(u"Wanted"_s));
        QCOMPARE(w->previewModel()->index(0, 1).data().toString(), u"$12.50"_s);
        QCOMPARE(w->previewModel()->index(0, 2).data().toString(), u"Yes"_s);
        // Said to hold headings, the first row names the columns and is no record.
        headings->setChecked(true);
        QCOMPARE(w->findChild<QTableWidget *>(u"Columns"_s)->item(0, 0)->text(), u"Lamp"_s);
        QCOMPARE(counts(w), u"1 record, 0 values converted, 0 values need a choice."_s);
        headings->setChecked(false);
        field(w, 0)->setCurrentIndex(field(w, 0)->findText(u"Name"_s));
        w->findChild<QAbstractButton *>(u"Import"_s)->click();
    });
    QCOMPARE(f.t.store.count(), 3);
    QCOMPARE(f.t.store.at(1).name(), u"Lamp"_s);
    QCOMPARE(f.t.store.at(2).name(), u"Chair"_s);
}

void TestSheetImportWindow::choicePerValue()
{
    Fixture f;
    const QString file = write(u"choice.csv"_s, "Name,Paid,Value\nLamp,cheap,dear\n");
    f.run(file, [&](SheetImportWindow *w) {
        auto *refused = w->findChild<QComboBox *>(u"Refused"_s);
        refused->setCurrentIndex(refused->findData(int(SheetImport::Refusal::LeaveEmpty)));
        QCOMPARE(w->previewModel()->index(0, 3).data().toString(), QString());
        // One value into Notes after all, as its right-click menu offers.
        const QModelIndex dear = w->previewModel()->index(0, 2);
        QVERIFY(w->previewModel()->refusedAt(dear));
        QVERIFY(dear.data(Qt::ToolTipRole).toString().contains(u"it is left empty"_s));
        w->setChoice(0, 2, SheetImport::Refusal::IntoNotes);
        QCOMPARE(w->previewModel()->index(0, 3).data().toString(), u"Value: dear"_s);
        QCOMPARE(counts(w), u"1 record, 0 values converted, 2 values need a choice."_s);
        w->findChild<QAbstractButton *>(u"Import"_s)->click();
    });
    QCOMPARE(f.t.store.count(), 2);
    QCOMPARE(f.t.store.at(1).notes(), QStringList { u"Value: dear"_s });
    QCOMPARE(f.t.store.at(1).detail(8), u"0"_s);
}

void TestSheetImportWindow::workbookSheets()
{
    Fixture f;
    const QString file = m_dir.filePath(u"book.xlsx"_s);
    QVERIFY(SheetFiles::writeXlsx(file,
        { { u"Notes"_s, { { u"just a note"_s } } },
            { u"Things"_s, { { u"Item"_s, u"Value"_s }, { u"Lamp"_s, u"n:12.5"_s } } } }));
    f.run(file, [&](SheetImportWindow *w) {
        auto *sheet = w->findChild<QComboBox *>(u"Sheet"_s);
        QVERIFY(sheet->isVisible() && sheet->isEnabled());
        QVERIFY(!w->findChild<QComboBox *>(u"Delimiter"_s)->isVisible());
        QCOMPARE(sheet->currentText(), u"Notes"_s);
        sheet->setCurrentIndex(1);
        QCOMPARE(field(w, 0)->currentText(), u"Name"_s);
        QCOMPARE(field(w, 1)->currentText(), u"Value"_s);
        QCOMPARE(w->previewModel()->index(0, 1).data().toString(), u"$12.50"_s);
        w->findChild<QAbstractButton *>(u"Import"_s)->click();
    });
    QCOMPARE(f.t.store.count(), 2);
    QCOMPARE(f.t.store.at(1).detail(1), u"$12.50"_s);
}

void TestSheetImportWindow::stopKeepsTheWindow()
{
    Fixture f;
    const QString file = write(u"stop.csv"_s, "Name,Paid\nLamp,1\nChair,cheap\n");
    f.run(file, [&](SheetImportWindow *w) {
        auto *refused = w->findChild<QComboBox *>(u"Refused"_s);
        refused->setCurrentIndex(refused->findData(int(SheetImport::Refusal::Stop)));
        w->findChild<QAbstractButton *>(u"Import"_s)->click();
        QVERIFY(w->isVisible());
        QCOMPARE(f.t.dialogs.shown.last().kind, u"error"_s);
        QCOMPARE(f.t.dialogs.lastText(),
            u"Row 3, Paid: \"cheap\" is not an amount. Nothing was imported."_s);
        w->findChild<QAbstractButton *>(u"Cancel"_s)->click();
    });
    QCOMPARE(f.t.store.count(), 1);
}

void TestSheetImportWindow::mappingFileRoundTrip()
{
    Fixture f;
    const QString first = write(u"first.csv"_s, "Thing;When;Cost\nLamp;03/04/2024;5\n");
    const QString mapping = m_dir.filePath(u"saved.json"_s);
    f.run(first, [&](SheetImportWindow *w) {
        field(w, 0)->setCurrentIndex(field(w, 0)->findText(u"Name"_s));
        field(w, 1)->setCurrentIndex(field(w, 1)->findText(u"Date Received"_s));
        auto *dates = w->findChild<QComboBox *>(u"DateOrder"_s);
        dates->setCurrentIndex(dates->findText(u"Month/Day/Year"_s));
        f.t.dialogs.file(mapping);
        w->saveMappingClick();
        w->findChild<QAbstractButton *>(u"Cancel"_s)->click();
    });
    QVERIFY(QFile::exists(mapping));
    // Another file with the columns in another order takes the saved mapping by heading.
    const QString second = write(u"second.csv"_s, "Cost;Thing;When\n7;Desk;12/01/2023\n");
    f.run(second, [&](SheetImportWindow *w) {
        QCOMPARE(field(w, 1)->currentText(), u"leave out"_s);
        f.t.dialogs.file(mapping);
        w->loadMappingClick();
        QCOMPARE(field(w, 0)->currentText(), u"Paid"_s);
        QCOMPARE(field(w, 1)->currentText(), u"Name"_s);
        QCOMPARE(field(w, 2)->currentText(), u"Date Received"_s);
        QCOMPARE(w->findChild<QComboBox *>(u"DateOrder"_s)->currentText(), u"Month/Day/Year"_s);
        w->findChild<QAbstractButton *>(u"Import"_s)->click();
    });
    QCOMPARE(f.t.store.count(), 2);
    QCOMPARE(f.t.store.at(1).name(), u"Desk"_s);
    QCOMPARE(f.t.store.at(1).detail(2), u"2023/12/01"_s);
    QCOMPARE(f.t.store.at(1).detail(8), u"$7.00"_s);
}

void TestSheetImportWindow::damagedFileImportsNothing()
{
    Fixture f;
    const QString file
        = write(u"broken.xlsx"_s, QByteArray("PK\x03\x04", 4) + QByteArray(100, '\0'));
    f.t.dialogs.file(file);
    f.v->findChild<QAction *>(u"ImportSpreadsheet1"_s)->trigger();
    QCOMPARE(f.t.dialogs.shown.last().kind, u"error"_s);
    QVERIFY(f.t.dialogs.lastText().startsWith(file + u" is damaged ("_s));
    QCOMPARE(f.t.store.count(), 1);
}

void TestSheetImportWindow::cancelAddsNothing()
{
    Fixture f;
    const QString file = write(u"cancel.csv"_s, "Name\nLamp\n");
    f.run(
        file, [&](SheetImportWindow *w) { w->findChild<QAbstractButton *>(u"Cancel"_s)->click(); });
    QCOMPARE(f.t.store.count(), 1);
    QVERIFY(f.t.dialogs.allUsed());
}

// The whole import, records and new categories, is one step: Undo takes it all back, Redo puts
// the same records back, and the file is left to the user's Save.
void TestSheetImportWindow::importIsOneUndoStep()
{
    Fixture f;
    const QString file = write(u"undo.csv"_s, "Item;Room\nLamp;Kitchen\nChair;Cellar\nRug;Hall\n");
    const QString treeBefore = f.t.store.categoryTexts[8];
    EditHistory &history = *f.t.ctx.history;
    QVERIFY(!history.unsavedChanges());
    f.run(file, [&](SheetImportWindow *w) {
        w->findChild<QCheckBox *>(u"AddCategories"_s)->setChecked(true);
        w->findChild<QAbstractButton *>(u"Import"_s)->click();
    });
    QCOMPARE(f.t.store.count(), 4);
    QVERIFY(f.t.store.categoryTexts[8].contains(u"Cellar"_s));
    const RecordPtr chair = f.t.store.shared(2);
    QVERIFY(history.unsavedChanges());
    QCOMPARE(history.count(), 1);
    auto *undo = f.v->findChild<QAction *>(u"Undo1"_s);
    QCOMPARE(undo->text().remove(u'&'), u"Undo Import Spreadsheet"_s);

    undo->trigger();
    QCOMPARE(f.t.store.count(), 1);
    QCOMPARE(f.t.store.at(0).name(), u"Old"_s);
    QCOMPARE(f.t.store.categoryTexts[8], treeBefore);
    QVERIFY(!history.unsavedChanges());
    QCOMPARE(f.v->findChild<QLineEdit *>(u"RecordName"_s)->text(), u"Old"_s);

    f.v->findChild<QAction *>(u"Redo1"_s)->trigger();
    QCOMPARE(f.t.store.count(), 4);
    QCOMPARE(f.t.store.shared(2), chair);
    QCOMPARE(f.t.store.at(3).name(), u"Rug"_s);
    QVERIFY(f.t.store.categoryTexts[8].contains(u"Cellar"_s));
    QVERIFY(history.unsavedChanges());
}

// A long sheet is read and converted under a progress bar with Cancel; cancelled, the reading
// opens no window and the import adds nothing, leaving the mapping window up.
void TestSheetImportWindow::cancelLongWork()
{
    Fixture f;
    QByteArray csv = "Item;Price\n";
    for (int i = 0; i < 5000; ++i)
        csv += "Thing " + QByteArray::number(i) + ";" + QByteArray::number(i) + "\n";
    const QString file = write(u"long.csv"_s, csv);

    CancelSoon reading;
    reading.arm(f.v.get());
    f.t.dialogs.file(file);
    f.v->findChild<QAction *>(u"ImportSpreadsheet1"_s)->trigger();
    QVERIFY(reading.cancelled);
    QVERIFY(!reading.windowShown);
    QCOMPARE(f.t.store.count(), 1);
    QVERIFY(f.t.dialogs.allUsed());

    bool stillUp = false;
    f.run(file, [&](SheetImportWindow *w) {
        QCOMPARE(w->sheet().table.rowCount(), 5001);
        CancelSoon importing;
        importing.arm(w);
        w->findChild<QAbstractButton *>(u"Import"_s)->click();
        QVERIFY(importing.cancelled);
        stillUp = w->isVisible();
    });
    QVERIFY(stillUp);
    QCOMPARE(f.t.store.count(), 1);
    QVERIFY(!f.t.ctx.history->canUndo());
}

QTEST_MAIN(TestSheetImportWindow)
#include "test_sheetimportwindow.moc"
