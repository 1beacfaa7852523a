// The category editor: editing a category tree, carrying names into records, activation and files.
#include <memory>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "app/activation.h"
#include "app/appcontext.h"
#include "categoryeditor/descriptionlist.h"
#include "categoryeditor/taddescription.h"
#include "platform/programfolder.h"
#include "platform/settingsstore.h"
#include "store/categorytree.h"
#include "store/datafile.h"
#include "store/textcodec.h"
#include "tests/support/apptest.h"

namespace {

constexpr int K = 2; // "Type"

const QString Tree = QStringLiteral("Electronics\r\n"
                                    "\tTV\r\n"
                                    "\t\tSmall\r\n"
                                    "\tRadio\r\n"
                                    "Furniture\r\n"
                                    "\tChair\r\n"
                                    "Garden\r\n");

void setRecords(AppTest &t, const QStringList &values, int current = 0)
{
    t.store.clear();
    for (const QString &v : values) {
        ItemRecord r;
        r.setDescription(K, v);
        t.store.append(std::move(r));
    }
    t.store.currentIndex = current;
}

QStringList valuesOf(const AppTest &t)
{
    QStringList out;
    for (const RecordPtr &r : t.store.records())
        out << r->description(K);
    return out;
}

QStringList list(std::initializer_list<const char *> texts)
{
    QStringList out;
    for (const char *t : texts)
        out << QString::fromUtf8(t);
    return out;
}

// A window that was active before the editor, recording what it sees when it is activated again.
class CallerWindow : public QWidget, public ActivationClient
{
public:
    explicit CallerWindow(RecordStore &store)
        : m_store(store)
    { }
    void FormActivate() override { log << QStringLiteral("activate ") + m_store.categoryTexts[K]; }
    void FormDeactivate() override { log << QStringLiteral("deactivate"); }
    QStringList log;

private:
    RecordStore &m_store;
};

DescriptionList *listOf(TAddDescription &d)
{
    return d.findChild<DescriptionList *>(QStringLiteral("DescriptionList"));
}

// "0/1" is the second child of the first top-level node; "" is no node.
QTreeWidgetItem *node(TAddDescription &d, const QString &path)
{
    QList<int> rows;
    for (const QString &s : path.split(u'/', Qt::SkipEmptyParts))
        rows << s.toInt();
    return listOf(d)->itemAtPath(rows);
}

void select(TAddDescription &d, const QString &path)
{
    if (QTreeWidgetItem *item = node(d, path))
        listOf(d)->setCurrentItem(item);
    else
        listOf(d)->clearSelection();
}

void click(TAddDescription &d, const QString &button)
{
    auto *b = d.findChild<QAbstractButton *>(button);
    QVERIFY2(b, qPrintable(button));
    b->click();
}

QString treeText(const TAddDescription &d)
{
    return categoryTreeToText(d.currentTree());
}

} // namespace

class TestTAddDescription : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<AppTest> m_env;
    std::unique_ptr<TAddDescription> open(int k = K, const QString &text = Tree)
    {
        m_env->store.categoryTexts[k] = text;
        auto d = std::make_unique<TAddDescription>(m_env->ctx, k);
        m_env->activation.activate(d.get());
        return d;
    }

private slots:
    void init() { m_env = std::make_unique<AppTest>(); }
    void cleanup()
    {
        QVERIFY(m_env->dialogs.allUsed());
        m_env.reset();
    }

    void controls_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::newRow("Insert") << "Insert"
                                << "Insert";
        QTest::newRow("AddChild") << "AddChild"
                                  << "Add Child";
        QTest::newRow("Remove") << "Remove"
                                << "Remove";
        QTest::newRow("Rename") << "Rename"
                                << "Rename";
        QTest::newRow("SortChildren") << "SortChildren"
                                      << "Sort Children";
        QTest::newRow("SortAll") << "SortAll"
                                 << "Sort Everything";
        QTest::newRow("MakeDefault") << "MakeDefault"
                                     << "Make Default";
        QTest::newRow("CloseForm") << "CloseForm"
                                   << "Close";
    }
    void controls()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        TAddDescription d(m_env->ctx, K);
        auto *b = d.findChild<QPushButton *>(name);
        QVERIFY(b);
        QCOMPARE(b->text(), caption);
        QVERIFY(!b->autoDefault());
    }

    void layoutAndLabels()
    {
        TAddDescription d(m_env->ctx, 7);
        QVERIFY(d.isModal());
        QVERIFY(d.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(listOf(d));
        QVERIFY(listOf(d)->isHeaderHidden());
        QCOMPARE(listOf(d)->property("tag").toInt(), 7);
        QCOMPARE(d.k(), 7);
        auto *addText = d.findChild<QLineEdit *>(QStringLiteral("AddText"));
        QVERIFY(addText);
        bool labelled = false;
        for (QLabel *l : d.findChildren<QLabel *>())
            labelled = labelled || (l->text() == u"Category Name" && l->buddy() == addText);
        QVERIFY(labelled);
        auto *help = d.findChild<QToolButton *>(QStringLiteral("HelpBtn"));
        QVERIFY(help);
        QVERIFY(!help->icon().isNull());
    }

    void activationShowsCategory()
    {
        m_env->store.categoryTexts[8] = Tree;
        TAddDescription d(m_env->ctx, 8);
        auto *addText = d.findChild<QLineEdit *>(QStringLiteral("AddText"));
        addText->setText(QStringLiteral("left over"));
        m_env->activation.activate(&d);

        QCOMPARE(d.windowTitle(), QStringLiteral("Add Location Category"));
        QCOMPARE(addText->text(), QString());
        QCOMPARE(treeText(d), Tree);
        QVERIFY(listOf(d)->selectedItems().isEmpty());
        QCOMPARE(d.focusWidget(), addText);

        // An edit is written back when the dialog loses activation...
        select(d, QStringLiteral("1"));
        addText->setText(QStringLiteral("Stool"));
        click(d, QStringLiteral("AddChild"));
        m_env->activation.activate(nullptr);
        QCOMPARE(m_env->store.categoryTexts[8],
            QStringLiteral("Electronics\r\n\tTV\r\n\t\tSmall\r\n\tRadio\r\nFurniture\r\n\tChair\r\n"
                           "\tStool\r\nGarden\r\n"));

        // ...and the next activation reads the category and the caption anew.
        m_env->store.categoryTexts[8] = QStringLiteral("Attic\r\n");
        m_env->store.captions.description[8] = QStringLiteral("Room");
        m_env->activation.activate(&d);
        QCOMPARE(d.windowTitle(), QStringLiteral("Add Room Category"));
        QCOMPARE(treeText(d), QStringLiteral("Attic\r\n"));
    }

    void otherProgramAndBack()
    {
        // The user switches to another program and back: the tree is written back, then read.
        auto d = open();
        QVERIFY(QTest::qWaitForWindowActive(d.get()));
        select(*d, QString());
        d->findChild<QLineEdit *>(QStringLiteral("AddText"))->setText(QStringLiteral("Attic"));
        click(*d, QStringLiteral("Insert"));
        QApplication::setActiveWindow(nullptr);
        QCOMPARE(m_env->activation.activeWindow(), nullptr);
        QCOMPARE(m_env->store.categoryTexts[K], Tree + QStringLiteral("Attic\r\n"));
        m_env->store.categoryTexts[K] = QStringLiteral("Cellar\r\n");
        QApplication::setActiveWindow(d.get());
        QCOMPARE(m_env->activation.activeWindow(), d.get());
        QCOMPARE(treeText(*d), QStringLiteral("Cellar\r\n"));
    }

    void neverActivatedKeepsCategory()
    {
        m_env->store.categoryTexts[K] = Tree;
        {
            TAddDescription d(m_env->ctx, K);
            d.FormDeactivate();
        }
        QCOMPARE(m_env->store.categoryTexts[K], Tree);
    }

    void addNode_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("current");
        QTest::addColumn<QString>("tree");
        QTest::addColumn<QString>("value"); // record 0 afterwards
        QTest::addColumn<QString>("signalled"); // empty: no signal

        const QString withAttic = Tree + QStringLiteral("Attic\r\n");
        QTest::newRow("insert, nothing selected") << "Insert"
                                                  << ""
                                                  << "Attic" << 0 << withAttic << "Attic"
                                                  << "Attic";
        QTest::newRow("insert, second level selected")
            << "Insert"
            << "0/1"
            << "Speaker" << 0
            << "Electronics\r\n\tTV\r\n\t\tSmall\r\n\tRadio\r\n\tSpeaker\r\nFurniture\r\n\tChair\r"
               "\n"
               "Garden\r\n"
            << "Speaker : Electronics"
            << "Speaker : Electronics";
        QTest::newRow("add child TV under Electronics")
            << "AddChild"
            << "0"
            << "TV" << 0
            << "Electronics\r\n\tTV\r\n\t\tSmall\r\n\tRadio\r\n\tTV\r\nFurniture\r\n\tChair\r\n"
               "Garden\r\n"
            << "TV : Electronics"
            << "TV : Electronics";
        QTest::newRow("add child under a leaf")
            << "AddChild"
            << "1/0"
            << "Arm" << 0
            << "Electronics\r\n\tTV\r\n\t\tSmall\r\n\tRadio\r\nFurniture\r\n\tChair\r\n\t\tArm\r\n"
               "Garden\r\n"
            << "Arm : Chair : Furniture"
            << "Arm : Chair : Furniture";
        QTest::newRow("add child, nothing selected") << "AddChild"
                                                     << ""
                                                     << "Attic" << 0 << withAttic << "Attic"
                                                     << "Attic";
        QTest::newRow("third level sibling")
            << "Insert"
            << "0/0/0"
            << "Big" << 0
            << "Electronics\r\n\tTV\r\n\t\tSmall\r\n\t\tBig\r\n\tRadio\r\nFurniture\r\n\tChair\r\n"
               "Garden\r\n"
            << "Big : TV : Electronics"
            << "Big : TV : Electronics";
        QTest::newRow("empty name") << "Insert"
                                    << "0"
                                    << "" << 0 << Tree << "Old"
                                    << "";
        QTest::newRow("blank name") << "AddChild"
                                    << "0"
                                    << "   " << 0 << Tree << "Old"
                                    << "";
        // Leading blanks would come back from the text form as indentation.
        QTest::newRow("leading blanks and tab dropped") << "Insert"
                                                        << ""
                                                        << "  \t Attic" << 0 << withAttic << "Attic"
                                                        << "Attic";
        QTest::newRow("line break cannot split the category")
            << "Insert"
            << ""
            << "At\ntic" << 0 << Tree + QStringLiteral("At tic\r\n") << "At tic"
            << "At tic";
        QTest::newRow("no current record") << "Insert"
                                           << ""
                                           << "Attic" << -1 << withAttic << "Old"
                                           << "Attic";
        QTest::newRow("current record past the end") << "Insert"
                                                     << ""
                                                     << "Attic" << 5 << withAttic << "Old"
                                                     << "Attic";
    }
    void addNode()
    {
        QFETCH(QString, button);
        QFETCH(QString, selected);
        QFETCH(QString, name);
        QFETCH(int, current);
        QFETCH(QString, tree);
        QFETCH(QString, value);
        QFETCH(QString, signalled);

        setRecords(*m_env, { QStringLiteral("Old"), QStringLiteral("Other") }, current);
        auto d = open();
        QSignalSpy spy(d.get(), &TAddDescription::recordValueChanged);
        select(*d, selected);
        d->findChild<QLineEdit *>(QStringLiteral("AddText"))->setText(name);
        click(*d, button);

        QCOMPARE(treeText(*d), tree);
        QCOMPARE(valuesOf(*m_env), QStringList({ value, QStringLiteral("Other") }));
        if (signalled.isEmpty()) {
            QCOMPARE(spy.count(), 0);
        } else {
            QCOMPARE(spy.count(), 1);
            QCOMPARE(spy.at(0).at(0).toInt(), K);
            QCOMPARE(spy.at(0).at(1).toString(), signalled);
        }
        QVERIFY(m_env->dialogs.shown.isEmpty());
        m_env->activation.activate(nullptr);
        QCOMPARE(m_env->store.categoryTexts[K], tree);
    }

    void rename_data()
    {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QString>("tree");

        const QString devices
            = QString(Tree).replace(QStringLiteral("Electronics"), QStringLiteral("Devices"));
        QTest::newRow("top level, any letter case")
            << "0"
            << "Devices"
            << list({ "Electronics", "TV : Electronics", "small : tv : ELECTRONICS", "electronics",
                   "Consumer Electronics", "Electronics : Household", "" })
            << list({ "Devices", "TV : Devices", "small : tv : Devices", "Devices",
                   "Consumer Electronics", "Electronics : Household", "" })
            << devices;
        QTest::newRow("second level keeps the leading part")
            << "0/0"
            << "Television"
            << list({ "Small : TV : Electronics", "TV : Electronics", "TV", "Electronics",
                   "Radio : Electronics" })
            << list({ "Small : Television : Electronics", "Television : Electronics", "TV",
                   "Electronics", "Radio : Electronics" })
            << QString(Tree).replace(QStringLiteral("\tTV"), QStringLiteral("\tTelevision"));
        QTest::newRow("letter case only")
            << "2"
            << "GARDEN" << list({ "garden", "Garden" }) << list({ "GARDEN", "GARDEN" })
            << QString(Tree).replace(QStringLiteral("Garden"), QStringLiteral("GARDEN"));
        QTest::newRow("empty name")
            << "0"
            << "" << list({ "Electronics" }) << list({ "Electronics" }) << Tree;
        QTest::newRow("nothing selected")
            << ""
            << "Devices" << list({ "Electronics" }) << list({ "Electronics" }) << Tree;
    }
    void rename()
    {
        QFETCH(QString, selected);
        QFETCH(QString, name);
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        QFETCH(QString, tree);

        setRecords(*m_env, before);
        // Records on and off the search list are treated alike.
        m_env->store.at(0).OnSearchList = true;
        auto d = open();
        select(*d, selected);
        d->findChild<QLineEdit *>(QStringLiteral("AddText"))->setText(name);
        click(*d, QStringLiteral("Rename"));

        QCOMPARE(treeText(*d), tree);
        QCOMPARE(valuesOf(*m_env), after);
        QVERIFY(m_env->dialogs.shown.isEmpty());
    }

    void emptyCategoryNamesNoEmptyValue()
    {
        // A category with an empty text (from a blank line in a default file) is no match for
        // records whose value is empty.
        setRecords(*m_env, { QString(), QStringLiteral("Radio") });
        auto d = open(K, QStringLiteral("\r\nRadio\r\n"));
        select(*d, QStringLiteral("0"));
        d->findChild<QLineEdit *>(QStringLiteral("AddText"))->setText(QStringLiteral("Misc"));
        click(*d, QStringLiteral("Rename"));
        QCOMPARE(valuesOf(*m_env), QStringList({ QString(), QStringLiteral("Radio") }));
        QCOMPARE(treeText(*d), QStringLiteral("Misc\r\nRadio\r\n"));
    }

    void remove_data()
    {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QString>("answer"); // "" when nothing may be asked
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>("tree");

        const QString tail = QStringLiteral(
            "will be effected by this change.  Are you sure you want to continue ?");
        QTest::newRow("three records, yes")
            << "0"
            << list({ "Electronics", "TV : Electronics", "small : tv : ELECTRONICS", "Garden",
                   "Consumer Electronics" })
            << "yes" << QStringLiteral("3 records ") + tail << "Furniture\r\n\tChair\r\nGarden\r\n";
        QTest::newRow("one record, no")
            << "0/0" << list({ "Small : TV : Electronics", "Radio : Electronics" }) << "no"
            << QStringLiteral("1 record ") + tail << Tree;
        QTest::newRow("one record, yes")
            << "0/0" << list({ "Small : TV : Electronics", "Radio : Electronics" }) << "yes"
            << QStringLiteral("1 record ") + tail
            << "Electronics\r\n\tRadio\r\nFurniture\r\n\tChair\r\nGarden\r\n";
        QTest::newRow("named by no record")
            << "2" << list({ "Electronics", "" }) << ""
            << ""
            << "Electronics\r\n\tTV\r\n\t\tSmall\r\n\tRadio\r\nFurniture\r\n\tChair\r\n";
        QTest::newRow("nothing selected") << "" << list({ "Electronics" }) << ""
                                          << "" << Tree;
    }
    void remove()
    {
        QFETCH(QString, selected);
        QFETCH(QStringList, values);
        QFETCH(QString, answer);
        QFETCH(QString, question);
        QFETCH(QString, tree);

        setRecords(*m_env, values);
        auto d = open();
        select(*d, selected);
        if (!answer.isEmpty())
            m_env->dialogs.answer(answer == u"yes" ? Dialogs::Answer::Yes : Dialogs::Answer::No);
        click(*d, QStringLiteral("Remove"));

        QCOMPARE(
            m_env->dialogs.texts(), question.isEmpty() ? QStringList() : QStringList { question });
        if (!question.isEmpty())
            QCOMPARE(m_env->dialogs.shown.first().kind, QStringLiteral("yesno"));
        QCOMPARE(treeText(*d), tree);
        QCOMPARE(valuesOf(*m_env), values); // removing a category changes no record
        m_env->activation.activate(nullptr);
        QCOMPARE(m_env->store.categoryTexts[K], tree);
    }

    void sort_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("tree");

        QTest::newRow("children of the selected node")
            << "SortChildren"
            << "1"
            << "b\r\n\tz\r\n\ty\r\na\r\n\tB\r\n\tc\r\n\t\tq\r\n\t\tp\r\n";
        QTest::newRow("everything") << "SortAll"
                                    << ""
                                    << "a\r\n\tB\r\n\tc\r\n\t\tp\r\n\t\tq\r\nb\r\n\ty\r\n\tz\r\n";
        QTest::newRow("everything, a node selected")
            << "SortAll"
            << "1/1"
            << "a\r\n\tB\r\n\tc\r\n\t\tp\r\n\t\tq\r\nb\r\n\ty\r\n\tz\r\n";
        QTest::newRow("children, nothing selected")
            << "SortChildren"
            << ""
            << "b\r\n\tz\r\n\ty\r\na\r\n\tc\r\n\t\tq\r\n\t\tp\r\n\tB\r\n";
        QTest::newRow("children of a leaf")
            << "SortChildren"
            << "0/0"
            << "b\r\n\tz\r\n\ty\r\na\r\n\tc\r\n\t\tq\r\n\t\tp\r\n\tB\r\n";
    }
    void sort()
    {
        QFETCH(QString, button);
        QFETCH(QString, selected);
        QFETCH(QString, tree);

        auto d
            = open(K, QStringLiteral("b\r\n\tz\r\n\ty\r\na\r\n\tc\r\n\t\tq\r\n\t\tp\r\n\tB\r\n"));
        select(*d, selected);
        QTreeWidgetItem *chosen = node(*d, selected);
        click(*d, button);
        QCOMPARE(treeText(*d), tree);
        // The selection and the expanded branches stay as they were.
        QCOMPARE(listOf(*d)->selectedItems().value(0), chosen);
        for (QTreeWidgetItemIterator it(listOf(*d)); *it; ++it)
            QVERIFY((*it)->childCount() == 0 || (*it)->isExpanded());
    }

    void drag_data()
    {
        QTest::addColumn<QString>("dragged");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("tree");

        QTest::newRow("second level onto top level is refused") << "0/1"
                                                                << "1" << false << Tree;
        QTest::newRow("third level onto second level is refused") << "0/0/0"
                                                                  << "0/1" << false << Tree;
        QTest::newRow("onto itself is refused") << "0"
                                                << "0" << false << Tree;
        QTest::newRow("second level under another parent")
            << "0/1"
            << "1/0" << true
            << "Electronics\r\n\tTV\r\n\t\tSmall\r\nFurniture\r\n\tRadio\r\n\tChair\r\nGarden\r\n";
        QTest::newRow("with its descendants")
            << "0/0"
            << "1/0" << true
            << "Electronics\r\n\tRadio\r\nFurniture\r\n\tTV\r\n\t\tSmall\r\n\tChair\r\nGarden\r\n";
        QTest::newRow("top level moved up")
            << "2"
            << "0" << true
            << "Garden\r\nElectronics\r\n\tTV\r\n\t\tSmall\r\n\tRadio\r\nFurniture\r\n\tChair\r\n";
        QTest::newRow("top level moved down")
            << "0"
            << "2" << true
            << "Furniture\r\n\tChair\r\nElectronics\r\n\tTV\r\n\t\tSmall\r\n\tRadio\r\nGarden\r\n";
        QTest::newRow("same parent, later sibling")
            << "0/0"
            << "0/1" << true << Tree; // stands before Radio, where it already was
        QTest::newRow("same parent, earlier sibling")
            << "0/1"
            << "0/0" << true
            << "Electronics\r\n\tRadio\r\n\tTV\r\n\t\tSmall\r\nFurniture\r\n\tChair\r\nGarden\r\n";
    }
    void drag()
    {
        QFETCH(QString, dragged);
        QFETCH(QString, target);
        QFETCH(bool, accepted);
        QFETCH(QString, tree);

        setRecords(*m_env,
            { QStringLiteral("Radio : Electronics"), QStringLiteral("Small : TV : Electronics") });
        auto d = open();
        QTreeWidgetItem *from = node(*d, dragged);
        QTreeWidgetItem *onto = node(*d, target);
        QCOMPARE(d->DescriptionListDragOver(from, onto), accepted);
        QCOMPARE(d->moveNode(from, onto), accepted);
        QCOMPARE(treeText(*d), tree);
        // Moving changes no record.
        QCOMPARE(valuesOf(*m_env),
            QStringList({ QStringLiteral("Radio : Electronics"),
                QStringLiteral("Small : TV : Electronics") }));
        // The moved branch stays open.
        for (QTreeWidgetItemIterator it(listOf(*d)); *it; ++it)
            QVERIFY((*it)->childCount() == 0 || (*it)->isExpanded());
    }

    void dragEvents()
    {
        auto d = open();
        d->resize(369, 393);
        DescriptionList *list = listOf(*d);
        QWidget *viewport = list->viewport();
        QTreeWidgetItem *radio = node(*d, QStringLiteral("0/1"));
        const QPoint overChair = list->visualItemRect(node(*d, QStringLiteral("1/0"))).center();
        const QPoint overFurniture = list->visualItemRect(node(*d, QStringLiteral("1"))).center();
        std::unique_ptr<QMimeData> data(list->dragData(radio));

        QDragEnterEvent enter(
            overChair, Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &enter);
        QVERIFY(enter.isAccepted());

        QDragMoveEvent refused(
            overFurniture, Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        refused.accept();
        QCoreApplication::sendEvent(viewport, &refused);
        QVERIFY(!refused.isAccepted());

        QMimeData foreign;
        foreign.setText(QStringLiteral("Radio"));
        QDragMoveEvent alien(overChair, Qt::MoveAction, &foreign, Qt::LeftButton, Qt::NoModifier);
        alien.accept();
        QCoreApplication::sendEvent(viewport, &alien);
        QVERIFY(!alien.isAccepted());

        QDragMoveEvent over(overChair, Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        over.ignore();
        QCoreApplication::sendEvent(viewport, &over);
        QVERIFY(over.isAccepted());

        QDropEvent drop(overChair, Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &drop);
        QVERIFY(drop.isAccepted());
        QCOMPARE(treeText(*d),
            QStringLiteral("Electronics\r\n\tTV\r\n\t\tSmall\r\nFurniture\r\n\tRadio\r\n\tChair\r\n"
                           "Garden\r\n"));
    }

    void makeDefault_data()
    {
        QTest::addColumn<QString>("problem");
        QTest::newRow("replaces the old file") << "";
        QTest::newRow("program folder missing") << "missing";
        QTest::newRow("a folder in the way") << "folder";
    }
    void makeDefault()
    {
        QFETCH(QString, problem);

        const QString path = DataFile::defaultCategoryFile(m_env->folder.path(), K);
        if (problem == u"folder") {
            QVERIFY(QDir().mkpath(path));
        } else if (problem == u"missing") {
            QVERIFY(QDir(m_env->folder.path()).removeRecursively());
        } else {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("Old\r\n");
        }
        const QString text = QStringLiteral("Caf\u00e9\r\n\tTable\r\nAttic\r\n");
        auto d = open(K, text);
        click(*d, QStringLiteral("MakeDefault"));

        if (!problem.isEmpty()) {
            QCOMPARE(m_env->dialogs.shown.size(), 1);
            QCOMPARE(m_env->dialogs.shown.first().kind, QStringLiteral("error"));
            QCOMPARE(m_env->dialogs.lastText(),
                QStringLiteral("Cannot create file ") + path
                    + (problem == u"folder" ? QStringLiteral(": Is a directory")
                                            : QStringLiteral(": No such file or directory")));
            QCOMPARE(QFileInfo(path).isDir(), problem == u"folder");
            QVERIFY(!QFileInfo(path).isFile());
            return;
        }
        QVERIFY(m_env->dialogs.shown.isEmpty()); // silent on success
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QCOMPARE(bytes, QByteArray("Caf\xe9\r\n\tTable\r\nAttic\r\n"));
        QCOMPARE(bytes, encodeText(text));
        // No temporary file is left behind.
        QCOMPARE(QDir(m_env->folder.path()).entryList(QDir::Files | QDir::Hidden),
            list({ "description2.def" }));
        // A new database takes its category from the file.
        RecordStore fresh;
        DataFile::loadDefaultCategoryTexts(m_env->folder.path(), fresh);
        QCOMPARE(fresh.categoryTexts[K], text);
    }

    // A tree read from a file whose node text starts with a blank: the editor shows and keeps
    // it whole, and Make Default, whose file holds the text form, refuses it with the message.
    void treeTheTextFormCannotCarry()
    {
        const CategoryTree attic { { QStringLiteral("Attic"),
            { { QStringLiteral(" Box"), {} }, { QStringLiteral("Shelf"), {} } } } };
        m_env->store.setCategoryTree(K, attic);
        auto d = std::make_unique<TAddDescription>(m_env->ctx, K);
        m_env->activation.activate(d.get());
        click(*d, QStringLiteral("MakeDefault"));
        QCOMPARE(m_env->dialogs.lastText(), QStringLiteral("Invalid level (2) for item \"Box\""));
        QVERIFY(!QFileInfo::exists(DataFile::defaultCategoryFile(m_env->folder.path(), K)));
        m_env->activation.activate(nullptr);
        QCOMPARE(m_env->store.categoryTree(K), attic);
    }

    void help()
    {
        auto d = open();
        click(*d, QStringLiteral("HelpBtn"));
        QCOMPARE(m_env->help.requests,
            QStringList(
                { QStringLiteral("topic|") + m_env->folder.filePath(QStringLiteral("Larkhelp.hlp"))
                    + QStringLiteral("|Customizing the Software") }));
    }

    void sizeKeys_data()
    {
        QTest::addColumn<QString>("ini");
        QTest::addColumn<QSize>("size");
        QTest::newRow("defaults") << "" << QSize(369, 393);
        QTest::newRow("stored") << "[SETTINGS]\r\nADDDESCW:=500\r\nAddDescH:=420\r\n"
                                << QSize(500, 420);
        QTest::newRow("damaged") << "[SETTINGS]\r\nAddDescW:=-40\r\nAddDescH:=tall\r\n"
                                 << QSize(369, 393);
    }
    void sizeKeys()
    {
        QFETCH(QString, ini);
        QFETCH(QSize, size);
        if (!ini.isEmpty()) {
            QFile f(m_env->settings.filePath());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(ini.toLatin1());
        }
        TAddDescription d(m_env->ctx, K);
        m_env->activation.activate(&d);
        // The keys hold the outer size; the offscreen platform draws a frame too.
        QVERIFY(d.frameGeometry().size() != d.size());
        QCOMPARE(d.frameGeometry().size(), size);
        // The controls fit the default size.
        QVERIFY(d.minimumSizeHint().width() <= 369);
        QVERIFY(d.minimumSizeHint().height() <= 393);
        d.resize(420, 450);
        const QSize outer = d.frameGeometry().size();
        QVERIFY(outer.width() > 420 && outer.height() > 450);
        m_env->activation.activate(nullptr);
        QCOMPARE(m_env->settings.readInteger(QStringLiteral("AddDescW:"), 0), outer.width());
        QCOMPARE(m_env->settings.readInteger(QStringLiteral("AddDescH:"), 0), outer.height());
    }

    void closing_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Close button") << "button";
        QTest::newRow("Escape") << "escape";
        QTest::newRow("close box") << "closebox";
        QTest::newRow("run modally") << "exec";
        QTest::newRow("destroyed while active") << "destroy";
    }
    void closing()
    {
        QFETCH(QString, how);
        m_env->store.categoryTexts[K] = Tree;
        setRecords(*m_env, { QString() });
        CallerWindow caller(m_env->store);
        m_env->activation.registerWindow(&caller, &caller);
        caller.show();
        m_env->activation.activate(&caller);
        caller.log.clear();

        const QString edited = Tree + QStringLiteral("Attic\r\n");
        auto d = std::make_unique<TAddDescription>(m_env->ctx, K, &caller);
        auto edit = [&] {
            d->findChild<QLineEdit *>(QStringLiteral("AddText"))->setText(QStringLiteral("Attic"));
            click(*d, QStringLiteral("Insert"));
        };
        if (how == u"exec") {
            // Shown by exec(), activated by the platform.
            QTimer::singleShot(0, d.get(), [&] {
                QTRY_COMPARE(m_env->activation.activeWindow(), d.get());
                edit();
                click(*d, QStringLiteral("CloseForm"));
            });
            d->exec();
        } else {
            m_env->activation.activate(d.get());
            edit();
            if (how == u"button")
                click(*d, QStringLiteral("CloseForm"));
            else if (how == u"escape")
                QTest::keyClick(d.get(), Qt::Key_Escape);
            else if (how == u"closebox")
                d->close();
            else
                d.reset();
        }
        QCOMPARE(m_env->store.categoryTexts[K], edited);
        QCOMPARE(m_env->store.at(0).description(K), QStringLiteral("Attic"));
        if (d) {
            QVERIFY(!d->isVisible());
            // The caller reads the store only after the tree was written back.
            QCOMPARE(m_env->activation.activeWindow(), &caller);
            QCOMPARE(caller.log,
                QStringList(
                    { QStringLiteral("deactivate"), QStringLiteral("activate ") + edited }));
        }

        // Written back once: nothing later overwrites a newer category text.
        m_env->store.categoryTexts[K] = QStringLiteral("Newer\r\n");
        QCoreApplication::processEvents();
        m_env->activation.activate(nullptr);
        d.reset();
        m_env->activation.activate(&caller);
        QCOMPARE(m_env->store.categoryTexts[K], QStringLiteral("Newer\r\n"));
        m_env->activation.unregisterWindow(&caller);
    }
};

QTEST_MAIN(TestTAddDescription)
#include "tst_taddescription.moc"
