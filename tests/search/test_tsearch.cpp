// The search window over a real record window and spreadsheet: creation, activation, criteria
// menus, the run and its outcome, and the search-list commands with their questions and messages.
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "recordwindow/maskedit.h"
#include "recordwindow/tview.h"
#include "search/searchpages.h"
#include "search/tsearch.h"
#include "spreadsheet/spreadsheetmodel.h"
#include "spreadsheet/tsnapshot.h"
#include "store/datafile.h"
#include "tests/support/apptest.h"

namespace {

const QString RoomsText
    = QStringLiteral("Rooms\r\n\tFurniture\r\n\t\tChairs\r\n\t\tTables\r\n\tLamps\r\nGarden\r\n");

// The three windows made as at start-up, over records named "1".."n".
struct Fixture
{
    AppTest t;
    TView view { t.ctx };
    TSearch search { t.ctx };
    TSnapShot snap { t.ctx };

    explicit Fixture(int n = 5)
    {
        t.windows.setWindow(WindowKind::Record, &view);
        t.windows.setWindow(WindowKind::Search, &search);
        t.windows.setWindow(WindowKind::Spreadsheet, &snap);
        t.activation.activate(&view); // the first activation sets the search refresh flag
        t.store.clear();
        for (int i = 1; i <= n; ++i) {
            ItemRecord r;
            r.setName(QString::number(i));
            t.store.append(std::move(r));
        }
        t.store.categoryTexts[1] = RoomsText;
        t.store.currentIndex = 0;
        view.GetRecord(0);
    }

    void showSearch() { t.activation.activate(&search); }
    void setMembers(const QList<int> &numbers)
    {
        for (int i = 0; i < t.store.count(); ++i)
            t.store.at(i).OnSearchList = numbers.contains(i + 1);
    }
    QList<int> members() const
    {
        QList<int> out;
        for (int i = 0; i < t.store.count(); ++i)
            if (t.store.at(i).OnSearchList)
                out << i + 1;
        return out;
    }
    QStringList names() const
    {
        QStringList out;
        for (const RecordPtr &r : t.store.records())
            out << r->name();
        return out;
    }
    template<typename T> T *child(const char *name) const
    {
        T *w = search.findChild<T *>(QString::fromLatin1(name));
        if (!w)
            qWarning("no control %s", name);
        return w;
    }
    QString text(const char *name) const { return child<QLineEdit>(name)->text(); }
    bool ticked(const char *name) const { return child<QCheckBox>(name)->isChecked(); }
    bool extractEnabled() const { return child<QPushButton>("Extract")->isEnabled(); }
};

// A menu as text: items separated by '|', a sub-menu's items in brackets.
QString menuText(const QMenu *menu)
{
    QStringList items;
    for (const QAction *a : menu->actions())
        items << (a->menu() ? a->text() + u'(' + menuText(a->menu()) + u')' : a->text());
    return items.join(u'|');
}

QAction *item(const QMenu *menu, const QString &text)
{
    for (QAction *a : menu->actions())
        if (a->text() == text)
            return a;
    return nullptr;
}

} // namespace

class TestTSearch : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void creation();
    void activationCaptionsAndMasks();
    void menusRebuiltOnlyWhenFlagged();
    void chooseFromMenu();
    void controlsReadIntoCriteria();
    void keysTickGroups();
    void run_data();
    void run();
    void clear();
    void extractToFile();
    void extractErrors();
    void removeFromDatabase();
    void removeEveryRecord();
    void addRange();
    void toolbar();
};

void TestTSearch::creation()
{
    Fixture f;
    QCOMPARE(f.search.windowTitle(), QStringLiteral("Search"));
    QCOMPARE(f.search.minimumSize(), f.search.maximumSize());
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY((f.search.geometry().center() - screen.center()).manhattanLength() <= 2);

    auto *book = f.search.findChild<QTabWidget *>();
    QCOMPARE(book->currentIndex(), 0);
    QStringList tabs;
    for (int i = 0; i < book->count(); ++i)
        tabs << book->tabText(i);
    QCOMPARE(tabs,
        (QStringList {
            QStringLiteral("Description"), QStringLiteral("Detail"), QStringLiteral("Notes") }));

    // Untouched controls are exactly the default criteria, masked initial texts included.
    QCOMPARE(f.search.criteria(), SearchCriteria());
    QCOMPARE(f.child<MaskEdit>("d2low")->storedText(), QStringLiteral("0000/01/01"));
    QCOMPARE(f.child<MaskEdit>("d9low")->storedText(), QStringLiteral("0 "));
    QCOMPARE(f.text("SearchTen"), QStringLiteral("ANY"));
    QVERIFY(f.ticked("BoxThree"));
    QVERIFY(!f.extractEnabled());
    QCOMPARE(f.child<QPushButton>("Extract")->toolTip(),
        QStringLiteral("Save or Delete Searched Records "));
    QCOMPARE(f.child<QPushButton>("DoSearch")->text(), QStringLiteral("Search"));
    QVERIFY(f.child<QLineEdit>("Status")->isHidden());
    auto *progress = f.child<QProgressBar>("SearchProgress");
    QCOMPARE(progress->minimum(), 0);
    QCOMPARE(progress->maximum(), 100);
    QCOMPARE(f.child<QSpinBox>("LowRange")->value(), 1);
    QCOMPARE(f.child<QSpinBox>("HighRange")->value(), 1);

    // The buttons beside the descriptions, in order, and the Extract pop-up.
    const char *buttons[] = { "BitBtn1", "BitBtn6", "BitBtn11", "BitBtn12", "BitBtn13", "BitBtn14",
        "BitBtn15", "BitBtn16", "BitBtn17", "BitBtn18" };
    for (const char *name : buttons)
        QVERIFY2(f.child<QToolButton>(name), name);
    QStringList extractItems;
    for (const QAction *a : f.search.extractMenu()->actions())
        extractItems << a->objectName() + u'=' + a->text();
    QCOMPARE(f.search.extractMenu()->objectName(), QStringLiteral("ExtractType"));
    QCOMPARE(extractItems,
        (QStringList { QStringLiteral("Remove1=Remove From Database"),
            QStringLiteral("Extract1=Extract To File") }));
}

void TestTSearch::activationCaptionsAndMasks()
{
    Fixture f(7);
    f.t.store.captions.description[3] = QStringLiteral("Maker");
    f.t.store.captions.detail[5] = QStringLiteral("Serial No");
    f.showSearch();
    QCOMPARE(f.child<QLabel>("Sf3")->text(), QStringLiteral("Maker"));
    QCOMPARE(f.child<QLabel>("Sf1")->text(), QStringLiteral("Origin"));
    QCOMPARE(f.child<QLabel>("d5l")->text(), QStringLiteral("Serial No"));
    QCOMPARE(f.child<QLabel>("d9l")->text(), QStringLiteral("Quantity"));
    QCOMPARE(f.child<QLabel>("dnl")->text(), QStringLiteral("Name"));
    QCOMPARE(f.child<QCheckBox>("BoxTwo")->text(), QStringLiteral("For Trade"));
    // Label3's layout text gives way to the record window's history caption.
    QCOMPARE(f.child<QLabel>("label2")->text(), QStringLiteral("Keywords"));
    QCOMPARE(f.child<QLabel>("Label3")->text(), QStringLiteral("History"));
    QCOMPARE(f.child<QLabel>("Label5")->text(), QStringLiteral("Notes"));

    const QString masks[] = { QString(), QString(), QStringLiteral("!9090/90/00;1;_"),
        QStringLiteral("9090;1;_"), QStringLiteral("9999999;1;_"), QString(), QString(), QString(),
        QString(), QStringLiteral("99;1;_") };
    for (int d = 0; d < 10; ++d) {
        const QByteArray low = QStringLiteral("d%1low").arg(d).toLatin1();
        const QByteArray high = QStringLiteral("d%1high").arg(d).toLatin1();
        QCOMPARE(f.child<MaskEdit>(low.constData())->editMask(), masks[d]);
        QCOMPARE(f.child<MaskEdit>(high.constData())->editMask(), masks[d]);
    }
    QVERIFY(!f.child<MaskEdit>("dnlow")->hasMask());

    auto *high = f.child<QSpinBox>("HighRange");
    QCOMPARE(high->maximum(), 7);
    high->setValue(50);
    QCOMPARE(high->value(), 7);
}

void TestTSearch::menusRebuiltOnlyWhenFlagged()
{
    Fixture f;
    QVERIFY(f.t.store.searchRefresh);
    f.setMembers({ 2 });
    f.showSearch();
    QVERIFY(!f.t.store.searchRefresh);
    QCOMPARE(f.search.criteriaMenu(1)->objectName(), QStringLiteral("SearchMenu1"));
    QCOMPARE(menuText(f.search.criteriaMenu(1)),
        QStringLiteral("ANY|Garden|Rooms(Lamps|Furniture(Tables|Chairs))"));
    QCOMPARE(menuText(f.search.criteriaMenu(2)), QStringLiteral("ANY"));
    QVERIFY(f.extractEnabled()); // a record is on the list

    // A category edit alone leaves the menus as they were until the flag is set again.
    f.t.store.categoryTexts[1] = QStringLiteral("Other\r\n");
    f.setMembers({});
    auto *progress = f.child<QProgressBar>("SearchProgress");
    progress->setValue(40);
    f.t.activation.activate(&f.view);
    f.showSearch();
    QCOMPARE(menuText(f.search.criteriaMenu(1)),
        QStringLiteral("ANY|Garden|Rooms(Lamps|Furniture(Tables|Chairs))"));
    QVERIFY(f.extractEnabled());
    QCOMPARE(progress->value(), 0);

    f.t.store.searchRefresh = true;
    f.t.activation.activate(&f.view);
    f.showSearch();
    QCOMPARE(menuText(f.search.criteriaMenu(1)), QStringLiteral("ANY|Other"));
    QVERIFY(!f.extractEnabled()); // nobody on the list now
    QVERIFY(!f.t.store.searchRefresh);
}

void TestTSearch::chooseFromMenu()
{
    Fixture f;
    f.showSearch();
    // The button pops up its description's menu.
    f.child<QToolButton>("BitBtn1")->click();
    CriteriaMenu *menu = f.search.criteriaMenu(1);
    QTRY_VERIFY(menu->isVisible());
    menu->close();
    QVERIFY(!f.ticked("DescriptionBox"));

    // A parent chooses as its sub-menu opens; a sub-item then overwrites the box.
    QMenu *rooms = item(menu, QStringLiteral("Rooms"))->menu();
    rooms->popup(QPoint(0, 0));
    QCOMPARE(f.text("SearchOne"), QStringLiteral("Rooms"));
    QVERIFY(f.ticked("DescriptionBox"));
    QMenu *furniture = item(rooms, QStringLiteral("Furniture"))->menu();
    furniture->popup(QPoint(0, 0));
    QCOMPARE(f.text("SearchOne"), QStringLiteral("Furniture : Rooms"));
    item(furniture, QStringLiteral("Chairs"))->trigger();
    QCOMPARE(f.text("SearchOne"), QStringLiteral("Chairs : Furniture : Rooms"));
    furniture->close();
    rooms->close();
    item(menu, QStringLiteral("ANY"))->trigger();
    QCOMPARE(f.text("SearchOne"), QStringLiteral("ANY"));
    item(menu, QStringLiteral("Garden"))->trigger();
    QCOMPARE(f.text("SearchOne"), QStringLiteral("Garden"));
    QCOMPARE(f.text("SearchTwo"), QStringLiteral("ANY"));
}

void TestTSearch::controlsReadIntoCriteria()
{
    Fixture f;
    f.showSearch();
    f.child<QCheckBox>("DetailBox")->setChecked(true);
    f.child<QCheckBox>("BoxOne")->setChecked(false);
    f.child<QCheckBox>("BoxTwo")->setChecked(false);
    f.child<QLineEdit>("SearchFour")->setText(QStringLiteral("Oak"));
    f.child<MaskEdit>("dnlow")->setStoredText(QStringLiteral("lamp"));
    f.child<MaskEdit>("d5high")->setStoredText(QStringLiteral("D"));
    f.child<MaskEdit>("d3high")->setStoredText(QStringLiteral("1999"));
    f.child<QLineEdit>("Fnote2")->setText(QStringLiteral("scratch"));

    SearchCriteria expected;
    expected.detailGroup = true;
    expected.wantedBox = false;
    expected.forTradeBox = false;
    expected.descriptions[4] = QStringLiteral("Oak");
    expected.name.low = QStringLiteral("lamp");
    expected.details[5].high = QStringLiteral("D");
    expected.details[3].high = QStringLiteral("1999");
    expected.notes[2] = QStringLiteral("scratch");
    QCOMPARE(f.search.criteria(), expected);
}

void TestTSearch::keysTickGroups()
{
    Fixture f;
    f.showSearch();
    // Any key, not only a typed character, ticks the group.
    QTest::keyClick(f.child<MaskEdit>("d2low"), Qt::Key_Right);
    QVERIFY(f.ticked("DetailBox"));
    QVERIFY(!f.ticked("NoteBox"));
    QTest::keyClick(f.child<MaskEdit>("d9high"), Qt::Key_Left);
    QTest::keyClicks(f.child<QLineEdit>("FNote1"), QStringLiteral("red"));
    QVERIFY(f.ticked("NoteBox"));
    QCOMPARE(f.search.criteria().notes[1], QStringLiteral("red"));
    QVERIFY(!f.ticked("DescriptionBox"));

    // Boxes given another mask by the record window keep ticking the group.
    Fixture g;
    g.child<QCheckBox>("DetailBox")->setChecked(false);
    auto *page = g.search.findChild<DetailCriteriaPage *>();
    page->applyMask(4, QStringLiteral("99;1;_"));
    QCOMPARE(g.child<MaskEdit>("d4low")->editMask(), QStringLiteral("99;1;_"));
    g.showSearch(); // back to the record window's mask, text kept
    QCOMPARE(g.child<MaskEdit>("d4low")->editMask(), QStringLiteral("9999999;1;_"));
    QTest::keyClick(g.child<MaskEdit>("d4high"), Qt::Key_Home);
    QVERIFY(g.ticked("DetailBox"));
}

void TestTSearch::run_data()
{
    QTest::addColumn<QString>("criterion");
    QTest::addColumn<QList<int>>("before");
    QTest::addColumn<QList<int>>("after");
    QTest::addColumn<QString>("outcome");
    QTest::newRow("none") << QStringLiteral("Pool") << QList<int>() << QList<int>()
                          << QStringLiteral("No new items found.");
    QTest::newRow("one") << QStringLiteral("Garden") << QList<int>() << QList<int> { 4 }
                         << QStringLiteral("1 new item found.");
    QTest::newRow("a branch") << QStringLiteral("Furniture") << QList<int>() << QList<int> { 1, 2 }
                              << QStringLiteral("2 new items found.");
    QTest::newRow("old members are not new")
        << QStringLiteral("Rooms") << QList<int> { 1, 5 } << QList<int> { 1, 2, 3, 5 }
        << QStringLiteral("2 new items found.");
    QTest::newRow("only old members") << QStringLiteral("Lamps") << QList<int> { 3 }
                                      << QList<int> { 3 } << QStringLiteral("No new items found.");
}

void TestTSearch::run()
{
    QFETCH(QString, criterion);
    QFETCH(QList<int>, before);
    QFETCH(QList<int>, after);
    QFETCH(QString, outcome);
    Fixture f;
    const QString values[] = { QStringLiteral("Chairs : Furniture : Rooms"),
        QStringLiteral("Tables : Furniture : Rooms"), QStringLiteral("Lamps : Rooms"),
        QStringLiteral("Garden"), QStringLiteral("Rooms") };
    for (int i = 0; i < 5; ++i)
        f.t.store.at(i).setDescription(1, values[i]);
    f.view.GetRecord(0); // else leaving the record window stores its old controls back
    f.showSearch();
    f.setMembers(before);
    f.child<QCheckBox>("DescriptionBox")->setChecked(true);
    f.child<QLineEdit>("SearchOne")->setText(criterion);
    f.child<QPushButton>("DoSearch")->click();

    QCOMPARE(f.members(), after);
    QCOMPARE(f.text("Status"), outcome);
    QCOMPARE(f.t.store.scope, RecordScope::SearchList);
    QCOMPARE(f.child<QProgressBar>("SearchProgress")->value(), 100);
    QCOMPARE(f.extractEnabled(), outcome != QStringLiteral("No new items found."));
    // The spreadsheet comes to the front with the search list and the outcome.
    QCOMPARE(f.t.activation.activeWindow(), &f.snap);
    QCOMPARE(f.snap.findChild<QLineEdit *>(QStringLiteral("Status"))->text(),
        after.isEmpty() ? QStringLiteral("Search List Empty") : outcome);
    QCOMPARE(f.snap.model()->rowCount(), int(after.size()));
    QVERIFY(f.t.dialogs.shown.isEmpty());
}

void TestTSearch::clear()
{
    Fixture f;
    f.showSearch();
    f.child<QCheckBox>("NoteBox")->setChecked(true);
    f.search.DoSearchClick(); // every record joins
    f.showSearch();
    QCOMPARE(f.members(), (QList<int> { 1, 2, 3, 4, 5 }));
    QVERIFY(f.extractEnabled());
    f.child<QProgressBar>("SearchProgress")->setValue(70);

    f.child<QPushButton>("Clear")->click();
    QCOMPARE(f.t.dialogs.texts(), QStringList { QStringLiteral("Search List Cleared") });
    QVERIFY(f.members().isEmpty());
    for (const RecordPtr &r : f.t.store.records())
        QVERIFY(!r->WasOnSearchList);
    QVERIFY(!f.extractEnabled());
    QCOMPARE(f.child<QProgressBar>("SearchProgress")->value(), 0);
}

void TestTSearch::extractToFile()
{
    Fixture f(10);
    f.t.store.fileName = f.t.path(QStringLiteral("whole.dat"));
    f.showSearch();

    // No member: nothing happens, not even the dialog.
    f.search.Extract1Click();
    QVERIFY(f.t.dialogs.shown.isEmpty());

    f.setMembers({ 2, 5, 9 });
    // Cancelled: no message.
    f.t.dialogs.file(QString());
    f.search.Extract1Click();
    QCOMPARE(f.t.dialogs.shown.size(), 1);
    const FileDialogOptions options = f.t.dialogs.shown[0].file;
    QCOMPARE(f.t.dialogs.shown[0].kind, QStringLiteral("save"));
    QCOMPARE(options.title, QStringLiteral("Extract and Save Searched Records As"));
    QCOMPARE(options.filter, QStringLiteral("Larkspur Cataloguer File|*.dat"));
    QCOMPARE(options.defaultSuffix, QStringLiteral("dat"));
    QVERIFY(options.fileName.isEmpty());
    f.t.dialogs.reset();

    // An existing file: No returns to the dialog, the next name (no extension) is written.
    const QString existing = f.t.path(QStringLiteral("old.dat"));
    {
        QFile file(existing);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("keep me");
    }
    f.t.dialogs.file(existing);
    f.t.dialogs.answer(Dialogs::Answer::No);
    f.t.dialogs.file(f.t.path(QStringLiteral("picked")));
    f.search.Extract1Click();
    QCOMPARE(f.t.dialogs.texts(),
        (QStringList { existing + QStringLiteral(" already exists.  Do you want to overwrite it ?"),
            QStringLiteral("Extract Sucessful !") }));
    QVERIFY(f.t.dialogs.allUsed());
    {
        QFile file(existing);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("keep me"));
    }
    RecordStore extracted;
    QVERIFY(DataFile::readDatabase(f.t.path(QStringLiteral("picked.dat")), extracted, false).ok());
    QStringList names;
    for (const RecordPtr &r : extracted.records())
        names << r->name();
    QCOMPARE(
        names, (QStringList { QStringLiteral("2"), QStringLiteral("5"), QStringLiteral("9") }));
    QCOMPARE(extracted.categoryTexts[1], RoomsText);
    // The open database is as it was.
    QCOMPARE(f.t.store.count(), 10);
    QCOMPARE(f.members(), (QList<int> { 2, 5, 9 }));
    QCOMPARE(f.t.store.fileName, f.t.path(QStringLiteral("whole.dat")));

    // Yes overwrites.
    f.t.dialogs.reset();
    f.t.dialogs.file(existing);
    f.t.dialogs.answer(Dialogs::Answer::Yes);
    f.search.Extract1Click();
    QCOMPARE(f.t.dialogs.lastText(), QStringLiteral("Extract Sucessful !"));
    RecordStore overwritten;
    QVERIFY(DataFile::readDatabase(existing, overwritten, false).ok());
    QCOMPARE(overwritten.count(), 3);
}

void TestTSearch::extractErrors()
{
    Fixture f;
    f.showSearch();
    f.setMembers({ 1 });
    const QString path = f.t.path(QStringLiteral("no such folder/out.dat"));
    f.t.dialogs.file(path);
    f.search.Extract1Click();
    QCOMPARE(f.t.dialogs.shown.size(), 2);
    QCOMPARE(f.t.dialogs.shown[1].kind, QStringLiteral("error"));
    QVERIFY(f.t.dialogs.shown[1].text.contains(path));
    QVERIFY(!QFile::exists(path));
}

void TestTSearch::removeFromDatabase()
{
    Fixture f;
    // The record window shows record 5 with an edit the user typed.
    f.view.GetRecord(4);
    f.view.findChild<QLineEdit *>(QStringLiteral("RecordName"))->setText(QStringLiteral("five"));
    f.showSearch(); // the record window stores its edit
    f.setMembers({ 2, 3, 5 });
    f.child<QSpinBox>("LowRange")->setValue(2);
    f.child<QSpinBox>("HighRange")->setValue(4);

    f.t.dialogs.answer(Dialogs::Answer::No);
    f.search.extractMenu()->actions().at(0)->trigger();
    QCOMPARE(f.t.dialogs.texts(),
        QStringList { QStringLiteral("All Search List Records will be removed.  Are you sure you "
                                     "want to continue ?") });
    QCOMPARE(f.t.store.count(), 5);

    f.t.dialogs.reset();
    f.t.dialogs.answer(Dialogs::Answer::Yes);
    const bool extractBefore = f.extractEnabled();
    f.search.Remove1Click();
    QCOMPARE(
        f.t.dialogs.lastText(), QStringLiteral("3 records have been removed from the Database."));
    QCOMPARE(f.names(), (QStringList { QStringLiteral("1"), QStringLiteral("4") }));
    QCOMPARE(f.child<QSpinBox>("LowRange")->value(), 1);
    QCOMPARE(f.child<QSpinBox>("HighRange")->value(), 1);
    QCOMPARE(f.child<QSpinBox>("HighRange")->maximum(), 2);
    QCOMPARE(f.extractEnabled(), extractBefore);

    // The shown record is gone: the record window moves to the last record and stores nothing
    // of the removed one anywhere.
    QCOMPARE(f.t.store.currentIndex, 1);
    f.t.activation.activate(&f.view);
    QCOMPARE(
        f.view.findChild<QLineEdit *>(QStringLiteral("RecordName"))->text(), QStringLiteral("4"));
    f.showSearch();
    QCOMPARE(f.names(), (QStringList { QStringLiteral("1"), QStringLiteral("4") }));
}

void TestTSearch::removeEveryRecord()
{
    Fixture f(3);
    f.showSearch();
    f.setMembers({ 1, 2, 3 });
    f.t.dialogs.answer(Dialogs::Answer::Yes);
    f.search.Remove1Click();
    QCOMPARE(
        f.t.dialogs.lastText(), QStringLiteral("2 records have been removed from the Database."));
    QCOMPARE(f.names(), QStringList { QStringLiteral("3") });
    QCOMPARE(f.t.store.currentIndex, 0);
    QCOMPARE(f.child<QSpinBox>("HighRange")->maximum(), 1);
}

void TestTSearch::addRange()
{
    Fixture f(10);
    f.t.store.currentIndex = 6;
    f.showSearch();
    f.child<QSpinBox>("LowRange")->setValue(3);
    f.child<QSpinBox>("HighRange")->setValue(5);
    f.child<QPushButton>("AddRangeBtn")->click();
    QCOMPARE(f.t.dialogs.texts(),
        QStringList { QStringLiteral("Records 3 to 5 have been added to the Search List.") });
    QCOMPARE(f.members(), (QList<int> { 3, 4, 5 }));
    for (const RecordPtr &r : f.t.store.records())
        QVERIFY(!r->WasOnSearchList);
    QVERIFY(f.extractEnabled());
    QCOMPARE(f.t.store.currentIndex, 0);

    // A reversed range changes nothing; the message is still shown.
    f.t.dialogs.reset();
    f.child<QSpinBox>("LowRange")->setValue(5);
    f.child<QSpinBox>("HighRange")->setValue(3);
    f.search.AddRangeBtnClick();
    QCOMPARE(f.t.dialogs.texts(),
        QStringList { QStringLiteral("Records 5 to 3 have been added to the Search List.") });
    QCOMPARE(f.members(), (QList<int> { 3, 4, 5 }));

    // A range over members makes them old ones.
    f.child<QSpinBox>("LowRange")->setValue(4);
    f.child<QSpinBox>("HighRange")->setValue(6);
    f.search.AddRangeBtnClick();
    QVERIFY(f.t.store.at(3).WasOnSearchList);
    QVERIFY(!f.t.store.at(5).WasOnSearchList);
    QCOMPARE(f.members(), (QList<int> { 3, 4, 5, 6 }));
}

void TestTSearch::toolbar()
{
    Fixture f;
    f.showSearch();
    const std::pair<const char *, const char *> hints[]
        = { { "PrintScreenBtn", "Print screenshot" }, { "AlbumBtn", "Display Album View" },
              { "GraphBtn", "Generate Graph" }, { "SpeedButton1", "View spreadsheet" },
              { "ReportBtn", "Generate Report" }, { "ViewBtn", "View Record" },
              { "QuickSaveBtn", "Save Database" }, { "HelpBtn", "Display help" },
              { "CloseBtn", "Close the Search window" } };
    for (const auto &[name, hint] : hints) {
        auto *b = f.child<QToolButton>(name);
        QVERIFY2(b, name);
        QCOMPARE(b->toolTip(), QString::fromLatin1(hint));
    }
    QVERIFY(!f.search.findChild<QToolButton *>(QStringLiteral("SearchBtn")));

    f.child<QToolButton>("HelpBtn")->click();
    QVERIFY(f.t.help.requests.last().startsWith(QStringLiteral("topic|")));
    QVERIFY(f.t.help.requests.last().endsWith(QStringLiteral("Larkhelp.hlp|Search Function")));
    Q_EMIT f.search.findChild<QShortcut *>(QStringLiteral("HelpKey"))->activated();
    QVERIFY(f.t.help.requests.last().endsWith(QStringLiteral("|2000")));

    // Printing the window's image says nothing.
    f.child<QToolButton>("PrintScreenBtn")->click();
    QVERIFY(QFileInfo(f.t.path(QStringLiteral("printout.pdf"))).size() > 0);
    QVERIFY(f.t.dialogs.shown.isEmpty());

    f.child<QToolButton>("SpeedButton1")->click();
    QCOMPARE(f.t.activation.activeWindow(), &f.snap);
    f.showSearch();
    f.child<QToolButton>("ViewBtn")->click();
    QCOMPARE(f.t.activation.activeWindow(), &f.view);

    // Closing hides the window; it is still there.
    f.search.show();
    f.child<QToolButton>("CloseBtn")->click();
    QVERIFY(!f.search.isVisible());
    QCOMPARE(f.t.windows.existing(WindowKind::Search), &f.search);
}

QTEST_MAIN(TestTSearch)
#include "test_tsearch.moc"
