// The record window: showing and storing records, navigation, record commands, descriptions,
// captions, sorting and the search-list controls.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QScrollBar>
#include <QSplitter>
#include <QTabWidget>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QAbstractButton>
#include <QDialog>

#include "recordwindow/descriptionpage.h"
#include "recordwindow/maskedit.h"
#include "recordwindow/pickmenu.h"
#include "recordwindow/tview.h"
#include "tests/support/apptest.h"

using namespace Qt::StringLiterals;

namespace {

struct Fixture
{
    AppTest t;
    std::unique_ptr<TView> v;

    explicit Fixture(const QStringList &names = {})
    {
        t.writeDefaultCategory(2, u"Furniture\n\tChairs\n\t\tRocking\nElectronics\n"_s);
        v = std::make_unique<TView>(t.ctx);
        t.activation.activate(v.get());
        if (!names.isEmpty()) {
            t.store.clear();
            for (const QString &n : names) {
                ItemRecord r;
                r.setName(n);
                t.store.append(r);
            }
            v->GetRecord(0);
        }
    }
    template<typename T> T *find(const QString &name) const { return v->findChild<T *>(name); }
    QLineEdit *name() const { return find<QLineEdit>(u"RecordName"_s); }
    QString shownName() const { return name()->text(); }
    bool enabled(const QString &action) const { return find<QAction>(action)->isEnabled(); }
};

} // namespace

class TestTView : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void navigationMessages();
    void jumpBounds_data();
    void jumpBounds();
    void newRecordFields();
    void untitledNumbering();
    void recordCodeNeverNine();
    void copyByReference();
    void deleteAndInsertEnabling();
    void deleteShowsNeighbour_data();
    void deleteShowsNeighbour();
    void insertStoresTypedEditFirst();
    void activationEmptiesClipboard();
    void storedMaskTexts();
    void memoLinesAsDisplayed();
    void pickMenuValues();
    void shortDisplay();
    void captionRenameAndCancel();
    void sortKeepsIndex();
    void sortMenuCaptions();
    void searchListStepping();
    void searchListBox();
    void descriptionEditorRoundTrip();
    void searchListReachesEnds_data();
    void searchListReachesEnds();
    void copyKeyCopiesTextOrRecord_data();
    void copyKeyCopiesTextOrRecord();
    void resizeGoesToLeftPanel();
    void noOverlapWhenSmall();
    void oneLineMemosShowNoArrows();
    void captionsDuringStartQuestion();
    void fileMenuKeys();
    void pickMenuByKey_data();
    void pickMenuByKey();
};

void TestTView::navigationMessages()
{
    Fixture f({ u"a"_s, u"b"_s });
    f.v->PreviousClick();
    QCOMPARE(f.t.dialogs.lastText(), u"You are already on the first item in the database."_s);
    f.v->nextClick();
    QCOMPARE(f.shownName(), u"b"_s);
    f.v->nextClick();
    QCOMPARE(f.t.dialogs.lastText(), u"You are already on the last record in the database."_s);
    QCOMPARE(f.find<QLineEdit>(u"number"_s)->text(), u"2"_s);
}

void TestTView::jumpBounds_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("message");
    QTest::newRow("middle") << u"2"_s << u"b"_s << QString();
    QTest::newRow("zero") << u"0"_s << u"a"_s << QString();
    QTest::newRow("negative") << u"-4"_s << u"a"_s << QString();
    QTest::newRow("beyond") << u"99"_s << u"c"_s << QString();
    QTest::newRow("not a number") << u"two"_s << u"c"_s
                                  << u"You have entered an invalid number, please try again"_s;
}

void TestTView::jumpBounds()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, message);
    Fixture f({ u"a"_s, u"b"_s, u"c"_s });
    f.v->GetRecord(2);
    f.name()->setText(u"c"_s);
    QLineEdit *number = f.find<QLineEdit>(u"number"_s);
    number->setText(typed);
    QTest::keyClick(number, Qt::Key_Return);
    QCOMPARE(f.shownName(), shown);
    QCOMPARE(f.t.dialogs.lastText(), message);
}

void TestTView::newRecordFields()
{
    Fixture f;
    const ItemRecord &r = f.t.store.at(0);
    QCOMPARE(r.name(), u"Untitled 1"_s);
    QCOMPARE(r.detail(2), u"2026/12/10"_s);
    QCOMPARE(r.detail(3), u"2026"_s);
    QCOMPARE(r.detail(1), u"0"_s);
    QCOMPARE(r.detail(4), u"0000000"_s);
    QCOMPARE(r.detail(8), u"0"_s);
    QCOMPARE(r.detail(9), u"01"_s);
    QCOMPARE(r.pictureTitle(3), u"Untitled 3"_s);
    QCOMPARE(r.recordCode().size(), 8);
    QVERIFY(r.keywords().isEmpty());
}

void TestTView::untitledNumbering()
{
    Fixture f({ u"Untitled 1"_s, u"untitled 2"_s, u"Untitled 3"_s });
    f.v->NewRecordClick();
    QCOMPARE(f.t.store.count(), 4);
    QCOMPARE(f.t.store.at(3).name(), u"Untitled 2"_s);
    QCOMPARE(f.t.store.currentIndex, 3);
    QCOMPARE(f.shownName(), u"Untitled 2"_s);
    QVERIFY(f.enabled(u"Cut"_s));
}

void TestTView::recordCodeNeverNine()
{
    Fixture f;
    for (int i = 0; i < 200; ++i)
        f.v->NewRecordClick();
    for (const RecordPtr &r : f.t.store.records()) {
        QCOMPARE(r->recordCode().size(), 8);
        QVERIFY(!r->recordCode().contains(u'9'));
        for (QChar c : r->recordCode())
            QVERIFY((c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'8'));
    }
}

void TestTView::copyByReference()
{
    Fixture f({ u"a"_s, u"b"_s });
    f.v->CopyRecordClick();
    QVERIFY(f.enabled(u"InsertRecord"_s));
    f.name()->setText(u"a edited"_s);
    f.v->nextClick(); // stores the edit into the copied record
    f.v->InsertRecordClick();
    QCOMPARE(f.t.store.count(), 3);
    QCOMPARE(f.t.store.at(1).name(), u"a edited"_s);
    QCOMPARE(f.shownName(), u"a edited"_s);
    QCOMPARE(f.t.store.currentIndex, 1);
    QVERIFY(f.t.store.shared(1) != f.t.store.shared(0)); // an independent copy
    QVERIFY(!f.enabled(u"InsertRecord"_s));
    QVERIFY(f.t.store.searchRefresh);
}

void TestTView::deleteAndInsertEnabling()
{
    Fixture f({ u"a"_s, u"b"_s });
    f.v->FormActivate();
    QVERIFY(f.enabled(u"Cut"_s));
    QVERIFY(!f.enabled(u"InsertRecord"_s));
    f.v->CutClick();
    QCOMPARE(f.t.store.count(), 1);
    QVERIFY(!f.enabled(u"Cut"_s));
    QVERIFY(f.find<QToolButton>(u"InsertRecordBtn"_s)->isEnabled());
    QCOMPARE(f.shownName(), u"b"_s);
    f.v->InsertRecordClick();
    QCOMPARE(f.t.store.count(), 2);
    QCOMPARE(f.t.store.at(0).name(), u"a"_s); // back before the current record
    QVERIFY(f.enabled(u"Cut"_s));
    // With one record left, Delete removes nothing and only disables itself.
    f.v->CutClick();
    f.v->CutClick();
    QCOMPARE(f.t.store.count(), 1);
}

void TestTView::deleteShowsNeighbour_data()
{
    QTest::addColumn<int>("at");
    QTest::addColumn<QString>("shown");
    QTest::newRow("last shows the one before") << 2 << u"b"_s;
    QTest::newRow("middle shows the one moved up") << 1 << u"c"_s;
}

void TestTView::deleteShowsNeighbour()
{
    QFETCH(int, at);
    QFETCH(QString, shown);
    Fixture f({ u"a"_s, u"b"_s, u"c"_s });
    f.v->GetRecord(at);
    f.v->CutClick();
    QCOMPARE(f.shownName(), shown);
    QCOMPARE(f.v->clipboard()->name(), at == 2 ? u"c"_s : u"b"_s);
}

void TestTView::insertStoresTypedEditFirst()
{
    Fixture f({ u"a"_s, u"b"_s });
    f.v->CopyRecordClick();
    f.v->nextClick();
    f.name()->setText(u"b typed"_s);
    f.v->InsertRecordClick();
    QCOMPARE(f.t.store.at(2).name(), u"b typed"_s);
    QCOMPARE(f.t.store.at(1).name(), u"a"_s);
}

void TestTView::activationEmptiesClipboard()
{
    Fixture f({ u"a"_s, u"b"_s });
    QWidget other;
    struct Other : ActivationClient
    {
        void FormActivate() override { }
        void FormDeactivate() override { }
    } client;
    f.t.activation.registerWindow(&other, &client);
    f.v->CopyRecordClick();
    f.t.activation.activate(&other);
    f.t.activation.activate(f.v.get());
    QVERIFY(!f.enabled(u"InsertRecord"_s));
    QVERIFY(!f.v->clipboard());
}

void TestTView::storedMaskTexts()
{
    Fixture f({ u"a"_s, u"b"_s });
    f.t.store.at(0).setDetails({ u"1 year"_s, u"5"_s, u"2026/12/10"_s, u"2026"_s, u"1234567"_s,
        u"SN"_s, QString(), QString(), u"4"_s, u"01"_s });
    f.v->GetRecord(0);
    // Emptying a box as the user does (the record's own texts are shown first).
    for (int d = 0; d < 10; ++d)
        f.find<MaskEdit>(u"Detail%1"_s.arg(d))->clear();
    f.v->nextClick();
    const ItemRecord &r = f.t.store.at(0);
    QCOMPARE(r.detail(2), u"    /  /  "_s);
    QCOMPARE(r.detail(3), u"    "_s);
    QCOMPARE(r.detail(4), u"       "_s);
    QCOMPARE(r.detail(9), u"  "_s);
    QCOMPARE(r.detail(0), QString());
}

void TestTView::memoLinesAsDisplayed()
{
    Fixture f({ u"a"_s, u"b"_s });
    f.v->show();
    auto *notes = f.find<QPlainTextEdit>(u"Memo3"_s);
    notes->setPlainText(u"one\ntwo\nthree"_s);
    f.v->nextClick();
    QCOMPARE(f.t.store.at(0).notes(), (QStringList { u"one"_s, u"two"_s, u"three"_s }));
    f.v->PreviousClick();
    QCOMPARE(notes->toPlainText(), u"one\ntwo\nthree"_s);
}

void TestTView::pickMenuValues()
{
    Fixture f({ u"a"_s, u"b"_s });
    auto *menu = f.find<PickMenu>(u"DescMenu2"_s);
    QVERIFY(menu);
    QCOMPARE(menu->actions().size(), 2);
    f.v->DescClick(2, u"Rocking : Chairs : Furniture"_s);
    QCOMPARE(f.t.store.at(0).description(2), u"Rocking : Chairs : Furniture"_s);
    QCOMPARE(f.find<QLineEdit>(u"DescTwo"_s)->text(), u"Rocking : Chairs : Furniture"_s);
    // A top-level entry stores its text alone; the pick goes through the menu's own signal.
    QAction *electronics = menu->actions().at(1);
    QCOMPARE(PickMenu::entryFullName(electronics), u"Electronics"_s);
    electronics->trigger();
    QCOMPARE(f.t.store.at(0).description(2), u"Electronics"_s);
    // An empty category tree gives a menu without entries.
    QVERIFY(f.find<PickMenu>(u"DescMenu5"_s)->actions().isEmpty());
}

void TestTView::shortDisplay()
{
    Fixture f({ u"a"_s });
    f.t.store.at(0).setDescription(1, u"Television : Electronics"_s);
    f.t.store.at(0).setDescription(3, u"Lamp"_s);
    f.v->GetRecord(0);
    auto *box1 = f.find<QLineEdit>(u"DescOne"_s);
    QCOMPARE(box1->text(), u"Television : Electronics"_s);
    f.find<QAction>(u"ShortDescriptionValues1"_s)->trigger();
    QVERIFY(f.v->shortDescriptionValues());
    QCOMPARE(box1->text(), u"Television "_s);
    QCOMPARE(box1->toolTip(), u"Television : Electronics"_s);
    QCOMPARE(f.find<QLineEdit>(u"DescThree"_s)->text(), u"Lamp"_s);
    f.v->nextClick(); // stores: the hint, never the shown text
    QCOMPARE(f.t.store.at(0).description(1), u"Television : Electronics"_s);
}

void TestTView::captionRenameAndCancel()
{
    Fixture f;
    auto *label = f.find<CaptionLabel>(u"Desc3"_s);
    f.t.dialogs.input(QString());
    Q_EMIT label->clicked();
    QCOMPARE(
        f.t.dialogs.shown.last().text, u"Field Name|Please enter a new Filed Name:|Manufacturer"_s);
    QCOMPARE(label->text(), QString());
    QCOMPARE(f.t.store.captions.description[3], QString());
    auto *sn1 = f.find<CaptionLabel>(u"sn1"_s);
    f.t.dialogs.input(u"Value"_s); // cancel returns the preset
    Q_EMIT sn1->clicked();
    QCOMPARE(f.t.store.captions.detail[1], u"Value"_s);
    f.t.dialogs.input(u"Worth"_s);
    Q_EMIT sn1->clicked();
    QCOMPARE(f.t.store.captions.detail[1], u"Worth"_s);
    f.v->FormActivate();
    QCOMPARE(f.find<QAction>(u"Sort12"_s)->text(), u"Sort by Worth"_s);
}

void TestTView::sortKeepsIndex()
{
    Fixture f({ u"e"_s, u"d"_s, u"c"_s, u"b"_s, u"a"_s, u"f"_s });
    f.v->GetRecord(4);
    f.find<QAction>(u"N211"_s)->trigger();
    QCOMPARE(f.t.store.at(0).name(), u"a"_s);
    QCOMPARE(f.t.store.currentIndex, 4);
    QCOMPARE(f.shownName(), u"e"_s);
    QCOMPARE(f.find<QLineEdit>(u"number"_s)->text(), u"5"_s);
    QVERIFY(f.t.store.searchRefresh);
}

void TestTView::sortMenuCaptions()
{
    Fixture f;
    QCOMPARE(f.find<QAction>(u"Sort1"_s)->text(), u"Sort by Origin"_s);
    QCOMPARE(f.find<QAction>(u"Sort12"_s)->text(), u"Sort by Value"_s);
    QCOMPARE(f.find<QAction>(u"Sort20"_s)->text(), u"Sort by Quantity"_s);
    QCOMPARE(f.find<QAction>(u"N211"_s)->text(), u"Sort by Name"_s);
}

void TestTView::searchListStepping()
{
    Fixture f({ u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s });
    f.t.store.at(3).OnSearchList = true;
    f.v->PreviousSearchClick();
    QCOMPARE(
        f.t.dialogs.lastText(), u"There are no records in the search list prior to this one."_s);
    f.v->NextSearchClick();
    QCOMPARE(f.shownName(), u"4"_s);
    f.v->NextSearchClick();
    QCOMPARE(f.t.dialogs.lastText(), u"There are no records on the Search List after this one."_s);
    QCOMPARE(f.shownName(), u"4"_s);
    f.v->GetRecord(4);
    f.v->NextSearchClick();
    QCOMPARE(f.t.dialogs.lastText(), u"There are no records in the search list after this one."_s);
    f.v->GetRecord(2);
    f.v->PreviousSearchClick();
    QCOMPARE(
        f.t.dialogs.lastText(), u"There are no records on the Search List prior to this one."_s);
    QCOMPARE(f.shownName(), u"3"_s);
}

void TestTView::searchListBox()
{
    Fixture f({ u"a"_s, u"b"_s });
    auto *box = f.find<QCheckBox>(u"SearchListBox"_s);
    box->click();
    QVERIFY(f.t.store.at(0).OnSearchList);
    QVERIFY(f.t.store.at(0).WasOnSearchList);
    f.v->nextClick();
    QVERIFY(!box->isChecked());
    f.v->PreviousClick();
    QVERIFY(box->isChecked());
}

void TestTView::descriptionEditorRoundTrip()
{
    Fixture f({ u"a"_s });
    f.find<QAction>(u"ShortDescriptionValues1"_s)->trigger();
    // The editor is modal: add a child under the selected category, then close it.
    QTimer::singleShot(0, [&] {
        auto *dlg = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        QVERIFY(dlg);
        auto *tree = dlg->findChild<QTreeWidget *>(u"DescriptionList"_s);
        tree->setCurrentItem(tree->topLevelItem(1));
        dlg->findChild<QLineEdit *>(u"AddText"_s)->setText(u"TV"_s);
        dlg->findChild<QAbstractButton *>(u"AddChild"_s)->click();
        dlg->findChild<QAbstractButton *>(u"CloseForm"_s)->click();
    });
    f.v->DescOneEnter(2);
    QCOMPARE(f.t.store.at(0).description(2), u"TV : Electronics"_s);
    QCOMPARE(f.find<QLineEdit>(u"DescTwo"_s)->text(), u"TV "_s);
    QVERIFY(f.t.store.categoryTexts[2].contains(u"\tTV\r\n"_s));
    // The pick menu was rebuilt from the edited tree.
    QCOMPARE(f.find<PickMenu>(u"DescMenu2"_s)->actions().at(1)->menu()->actions().size(), 1);
}

void TestTView::searchListReachesEnds_data()
{
    // Names of the records; the listed ones carry a "*". start: the record shown first.
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("start");
    QTest::addColumn<bool>("next");
    QTest::addColumn<QString>("reached");
    QTest::newRow("previous reaches record 1")
        << QStringList { u"1*"_s, u"2"_s, u"3"_s, u"4"_s } << 3 << false << u"1*"_s;
    QTest::newRow("next reaches the last record")
        << QStringList { u"1"_s, u"2"_s, u"3"_s, u"4*"_s } << 0 << true << u"4*"_s;
    QTest::newRow("previous from record 2")
        << QStringList { u"1*"_s, u"2"_s } << 1 << false << u"1*"_s;
    QTest::newRow("next from the last but one")
        << QStringList { u"1"_s, u"2*"_s } << 0 << true << u"2*"_s;
}

void TestTView::searchListReachesEnds()
{
    QFETCH(QStringList, names);
    QFETCH(int, start);
    QFETCH(bool, next);
    QFETCH(QString, reached);
    Fixture f(names);
    for (int i = 0; i < f.t.store.count(); ++i)
        f.t.store.at(i).OnSearchList = names.at(i).endsWith(u'*');
    f.v->GetRecord(start);
    if (next)
        f.v->NextSearchClick();
    else
        f.v->PreviousSearchClick();
    QVERIFY(f.t.dialogs.shown.isEmpty());
    QCOMPARE(f.shownName(), reached);
}

void TestTView::copyKeyCopiesTextOrRecord_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<bool>("select");
    QTest::newRow("name box, nothing selected") << u"RecordName"_s << false;
    QTest::newRow("name box, text selected") << u"RecordName"_s << true;
    QTest::newRow("detail box, nothing selected") << u"Detail5"_s << false;
    QTest::newRow("detail box, text selected") << u"Detail5"_s << true;
    QTest::newRow("notes, nothing selected") << u"Memo3"_s << false;
    QTest::newRow("notes, text selected") << u"Memo3"_s << true;
}

void TestTView::copyKeyCopiesTextOrRecord()
{
    QFETCH(QString, box);
    QFETCH(bool, select);
    Fixture f({ u"Lamp"_s, u"Chair"_s });
    f.t.store.at(0).setDetail(5, u"SN-42"_s);
    f.t.store.at(0).setNotes(QStringList { u"Brass base"_s });
    f.v->GetRecord(0);
    f.v->show();
    QVERIFY(QTest::qWaitForWindowActive(f.v.get()));
    auto *book = f.find<QTabWidget>(u"RecordBook"_s);
    book->setCurrentIndex(box == u"Memo3" ? 1 : 0);
    auto *w = f.find<QWidget>(box);
    w->setFocus();
    QVERIFY(w->hasFocus());
    QGuiApplication::clipboard()->setText(u"before"_s);
    QString expected = u"before"_s;
    if (auto *line = qobject_cast<QLineEdit *>(w)) {
        if (select) {
            line->setSelection(0, 2);
            expected = line->selectedText();
        } else {
            line->deselect();
        }
    } else if (auto *memo = qobject_cast<QPlainTextEdit *>(w)) {
        QTextCursor c = memo->textCursor();
        c.movePosition(QTextCursor::Start);
        if (select) {
            c.movePosition(QTextCursor::NextWord, QTextCursor::KeepAnchor);
            expected = c.selectedText();
        }
        memo->setTextCursor(c);
    }
    QTest::keyClick(w, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), expected);
    // Without a selection the key is Copy Record: the record goes to the record clipboard.
    QCOMPARE(f.v->clipboard() != nullptr, !select);
    QCOMPARE(f.enabled(u"InsertRecord"_s), !select);
}

void TestTView::resizeGoesToLeftPanel()
{
    Fixture f({ u"a"_s });
    f.v->resize(700, 520);
    f.v->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.v.get()));
    auto *left = f.find<QWidget>(u"DescriptionPanel"_s);
    auto *right = f.find<QWidget>(u"DetailPanel"_s);
    const int leftBefore = left->width();
    const int rightBefore = right->width();
    f.v->resize(900, 520);
    QTRY_COMPARE(left->width(), leftBefore + 200);
    QCOMPARE(right->width(), rightBefore);
    f.v->resize(760, 520);
    QTRY_COMPARE(left->width(), leftBefore + 60);
    QCOMPARE(right->width(), rightBefore);
    // Moving the splitter still shares the space between the two.
    auto *splitter = f.find<QSplitter>(u"Splitter1"_s);
    splitter->setSizes({ 100, 10000 });
    QVERIFY(left->width() >= 50);
    QVERIFY(left->width() >= left->minimumSizeHint().width());
}

namespace {

// Fails when two controls of one panel overlap or one is squeezed below its smallest size.
void checkNoOverlap(QWidget *panel)
{
    QList<QWidget *> controls;
    for (QWidget *w : panel->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (w->isVisible())
            controls << w;
    QVERIFY(controls.size() > 3);
    for (int i = 0; i < controls.size(); ++i) {
        QWidget *a = controls[i];
        const QSize least = a->minimumSizeHint();
        QVERIFY2(a->width() >= least.width() && a->height() >= least.height(),
            qPrintable(a->objectName()));
        for (int j = i + 1; j < controls.size(); ++j)
            QVERIFY2(!a->geometry().intersects(controls[j]->geometry()),
                qPrintable(a->objectName() + u" overlaps "_s + controls[j]->objectName()));
    }
}

} // namespace

void TestTView::noOverlapWhenSmall()
{
    Fixture f({ u"a"_s });
    f.v->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.v.get()));
    // Forced below its minimum, as a window manager or the X server may do: 450 x 350, and
    // smaller than any font makes the page.
    f.v->layout()->setSizeConstraint(QLayout::SetNoConstraint);
    f.v->setMinimumSize(0, 0);
    auto *splitter = f.find<QSplitter>(u"Splitter1"_s);
    for (const QSize size : { QSize(450, 350), QSize(300, 200) }) {
        f.v->resize(size);
        QCoreApplication::processEvents();
        QCOMPARE(f.v->size(), size);
        for (const QList<int> &sizes : { QList<int> { 10000, 1 }, QList<int> { 1, 10000 } }) {
            splitter->setSizes(sizes);
            QCoreApplication::processEvents();
            checkNoOverlap(f.find<QWidget>(u"DescriptionPanel"_s));
            checkNoOverlap(f.find<QWidget>(u"DetailPanel"_s));
        }
    }
    // The window's own minimum, which a window manager honours, fits a small screen.
    QVERIFY(f.v->minimumSizeHint().width() <= 800);
    QVERIFY(f.v->minimumSizeHint().height() <= 600);
}

void TestTView::oneLineMemosShowNoArrows()
{
    Fixture f({ u"a"_s });
    f.v->show();
    f.find<QTabWidget>(u"RecordBook"_s)->setCurrentIndex(1);
    QVERIFY(QTest::qWaitForWindowExposed(f.v.get()));
    for (const QString &name : { u"Memo1"_s, u"Memo2"_s }) {
        auto *memo = f.find<QPlainTextEdit>(name);
        memo->setPlainText(QString());
        QCoreApplication::processEvents();
        QCOMPARE(memo->verticalScrollBar()->maximum(), 0);
        QVERIFY(!memo->verticalScrollBar()->isVisible());
        memo->setPlainText(u"antique"_s);
        QCoreApplication::processEvents();
        QCOMPARE(memo->verticalScrollBar()->maximum(), 0);
        QVERIFY(!memo->verticalScrollBar()->isVisible());
        // More lines scroll.
        memo->setPlainText(u"one\ntwo\nthree"_s);
        QCoreApplication::processEvents();
        QVERIFY(memo->verticalScrollBar()->maximum() > 0);
    }
}

namespace {

// Dialogs that look at the record window while the start-up question is up.
struct PeekingDialogs : FakeDialogs
{
    std::function<void()> onQuestion;
    Answer askYesNo(const QString &text) override
    {
        if (onQuestion)
            onQuestion();
        return FakeDialogs::askYesNo(text);
    }
};

} // namespace

void TestTView::captionsDuringStartQuestion()
{
    AppTest t;
    PeekingDialogs dialogs;
    AppContext ctx { t.store, dialogs, t.settings, t.clock, t.folder, t.help, t.printer,
        t.activation, t.windows, t.shell };
    t.settings.writeString(u"LAST FILE"_s, t.path(u"missing.dat"_s));
    TView v(ctx);
    QStringList seen;
    dialogs.onQuestion = [&] {
        for (const char *name : { "sn0", "sn2", "Desc1", "Desc8", "Label6", "boxname" })
            seen << v.findChild<QLabel *>(QString::fromLatin1(name))->text();
    };
    dialogs.answer(Dialogs::Answer::No);
    t.activation.activate(&v);
    QCOMPARE(seen,
        (QStringList { u"Warranty"_s, u"Date Received"_s, u"Origin"_s, u"Location"_s, u"Name"_s,
            u"Status"_s }));
    QVERIFY(dialogs.allUsed());
}

void TestTView::fileMenuKeys()
{
    Fixture f;
    QStringList texts;
    QSet<QChar> mnemonics;
    for (QAction *a : f.find<QMenu>(u"File1"_s)->actions()) {
        if (a->isSeparator())
            continue;
        const qsizetype amp = a->text().indexOf(u'&');
        QVERIFY2(amp >= 0, qPrintable(a->text()));
        const QChar letter = a->text().at(amp + 1).toLower();
        QVERIFY2(!mnemonics.contains(letter), qPrintable(a->text()));
        mnemonics.insert(letter);
        texts << a->objectName() + u'=' + a->shortcut().toString();
    }
    QCOMPARE(texts,
        (QStringList { u"New1="_s, u"Open1=Ctrl+O"_s, u"Save1=Ctrl+S"_s, u"SaveAs1="_s,
            u"Export1="_s, u"ImportExported1="_s, u"ImportSpreadsheet1="_s, u"Merge1="_s,
            u"OpenEarlierVersion1="_s, u"Close1=Ctrl+Q"_s }));
    // Ctrl+N stays New Record.
    QCOMPARE(f.find<QAction>(u"NewRecord"_s)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
}

void TestTView::pickMenuByKey_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("opens");
    QTest::newRow("Alt+Down") << int(Qt::Key_Down) << int(Qt::AltModifier) << true;
    QTest::newRow("F4") << int(Qt::Key_F4) << int(Qt::NoModifier) << true;
    QTest::newRow("Down alone") << int(Qt::Key_Down) << int(Qt::NoModifier) << false;
}

void TestTView::pickMenuByKey()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(bool, opens);
    Fixture f({ u"a"_s });
    f.v->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.v.get()));
    auto *menu = f.find<PickMenu>(u"DescMenu2"_s);
    QTest::keyClick(
        f.find<QLineEdit>(u"DescTwo"_s), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(menu->isVisible(), opens);
    if (opens) {
        // Below the box's button, as a click on the button puts it.
        auto *btn = f.find<QToolButton>(u"Desc2Btn"_s);
        QCOMPARE(menu->pos(), btn->mapToGlobal(QPoint(btn->width() / 2, btn->height())));
        menu->close();
    }
}

QTEST_MAIN(TestTView)
#include "test_tview.moc"
