// Category trees: building from text, the text form, full names and short values.
#include <QTest>

#include "store/categorytree.h"
#include "store/datafileformat.h"

Q_DECLARE_METATYPE(CategoryTree)

class TestCategoryTree : public QObject
{
    Q_OBJECT

private slots:
    void kitchenDrawerGarage()
    {
        const QString text = QStringLiteral("Kitchen\r\n\tDrawer\r\nGarage\r\n");
        const TreeBuildResult built = buildCategoryTree(text);
        QVERIFY(built.ok());
        const CategoryTree expected { { QStringLiteral("Kitchen"),
                                          { { QStringLiteral("Drawer"), {} } } },
            { QStringLiteral("Garage"), {} } };
        QCOMPARE(built.tree, expected);
        QCOMPARE(categoryTreeToText(built.tree), text);
    }

    // Each text builds to the given text form, or fails with the given message.
    void build_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("form");
        QTest::addColumn<QString>("error");
        const QString none;
        QTest::newRow("empty") << QString() << QString() << none;
        QTest::newRow("no final line end")
            << QStringLiteral("A\r\n\tB") << QStringLiteral("A\r\n\tB\r\n") << none;
        QTest::newRow("lone LF and CR")
            << QStringLiteral("A\n\tB\rC\n") << QStringLiteral("A\r\n\tB\r\nC\r\n") << none;
        QTest::newRow("CR CR is an empty line")
            << QStringLiteral("A\r\rB") << QStringLiteral("A\r\n\r\nB\r\n") << none;
        QTest::newRow("zero ends the text")
            << QStringLiteral(u"A\r\n\tB\0\r\n\tC") << QStringLiteral("A\r\n\tB\r\n") << none;
        QTest::newRow("blanks count as levels")
            << QStringLiteral("A\r\n B\r\n  C\r\n D")
            << QStringLiteral("A\r\n\tB\r\n\t\tC\r\n\tD\r\n") << none;
        QTest::newRow("tab and blank mixed") << QStringLiteral("A\r\n\tB\r\n \tC")
                                             << QStringLiteral("A\r\n\tB\r\n\t\tC\r\n") << none;
        QTest::newRow("trailing blanks stay")
            << QStringLiteral("A  \r\n") << QStringLiteral("A  \r\n") << none;
        QTest::newRow("empty line between nodes")
            << QStringLiteral("A\r\n\r\nB\r\n") << QStringLiteral("A\r\n\r\nB\r\n") << none;
        QTest::newRow("first line indented twice")
            << QStringLiteral("\t\tA\r\n\tB\r\n") << QStringLiteral("A\r\n\tB\r\n") << none;
        QTest::newRow("first line twice, next three times")
            << QStringLiteral("\t\tA\r\n\t\t\tB\r\n") << QString()
            << QStringLiteral("Invalid level (3) for item \"B\"");
        QTest::newRow("two levels deeper")
            << QStringLiteral("A\r\n\tB\r\n\t\t\tC x\r\n") << QString()
            << QStringLiteral("Invalid level (3) for item \"C x\"");
        QTest::newRow("blank levels counted in message") << QStringLiteral(
            "A\r\n  B") << QString() << QStringLiteral("Invalid level (2) for item \"B\"");
        QTest::newRow("drop from level 3 to level 1")
            << QStringLiteral("H\r\n\tK\r\n\t\tD\r\n\t\t\tS\r\n\tG\r\n\t\tP\r\n")
            << QStringLiteral("H\r\n\tK\r\n\t\tD\r\n\t\t\tS\r\n\tG\r\n\t\tP\r\n") << none;
        QTest::newRow("drop from level 2 to the top")
            << QStringLiteral("H\r\n\tK\r\n\t\tD\r\nG\r\n\tQ\r\n")
            << QStringLiteral("H\r\n\tK\r\n\t\tD\r\nG\r\n\tQ\r\n") << none;
        QTest::newRow("empty line under a child")
            << QStringLiteral("A\r\n\tB\r\n\r\n\tC\r\n")
            << QStringLiteral("A\r\n\tB\r\n\r\n\tC\r\n") << none;
    }
    void build()
    {
        QFETCH(QString, text);
        QFETCH(QString, form);
        QFETCH(QString, error);
        const TreeBuildResult built = buildCategoryTree(text);
        QCOMPARE(built.error, error);
        QCOMPARE(built.ok(), error.isEmpty());
        if (!built.ok())
            QVERIFY(built.tree.empty());
        QCOMPARE(categoryTreeToText(built.tree), form);
        QString normalised = QStringLiteral("stale");
        QCOMPARE(normaliseCategoryText(text, &normalised).error, error);
        QCOMPARE(normalised, form);
        // The text form always rebuilds to the same tree.
        const TreeBuildResult again = buildCategoryTree(form);
        QVERIFY(again.ok());
        QCOMPARE(again.tree, built.tree);
    }

    void droppingBackAttachesToTheRightParent()
    {
        const TreeBuildResult built
            = buildCategoryTree(QStringLiteral("H\r\n\tK\r\n\t\tD\r\n\t\t\tS\r\n\tG\r\n"));
        QVERIFY(built.ok());
        QCOMPARE(built.tree.size(), size_t(1));
        const CategoryNode &h = built.tree[0];
        QCOMPARE(h.children.size(), size_t(2));
        QCOMPARE(h.children[1].text, QStringLiteral("G"));
        QCOMPARE(h.children[0].children[0].children[0].text, QStringLiteral("S"));
    }

    void leadingBlanksOfANodeAreReadAsIndentation()
    {
        const CategoryTree tree { { QStringLiteral("A"), {} }, { QStringLiteral(" B"), {} } };
        const QString form = categoryTreeToText(tree);
        QCOMPARE(form, QStringLiteral("A\r\n B\r\n"));
        const CategoryTree expected { { QStringLiteral("A"), { { QStringLiteral("B"), {} } } } };
        QCOMPARE(buildCategoryTree(form).tree, expected);
    }

    // Where the text form would read a tree differently, the message names the first such line.
    void textFormProblem_data()
    {
        QTest::addColumn<CategoryTree>("tree");
        QTest::addColumn<QString>("problem");
        const auto node = [](const char *text, CategoryTree children = {}) {
            return CategoryNode { QString::fromLatin1(text), std::move(children) };
        };
        QTest::newRow("fine") << CategoryTree { node("Attic", { node("Box") }) } << QString();
        QTest::newRow("fails to build")
            << CategoryTree { node("Attic", { node(" Box"), node("Shelf") }) }
            << QStringLiteral("Invalid level (2) for item \"Box\"");
        QTest::newRow("builds another tree")
            << CategoryTree { node("A"), node(" B") } << QStringLiteral("Invalid level (1) for item \"B\"");
    }

    void textFormProblem()
    {
        QFETCH(CategoryTree, tree);
        QFETCH(QString, problem);
        QCOMPARE(::textFormProblem(tree), problem);
    }

    void depthIsBounded()
    {
        QString text;
        for (int level = 0; level < CategoryTreeMaxDepth; ++level)
            text += QString(level, u'\t') + QStringLiteral("n\r\n");
        QVERIFY(buildCategoryTree(text).ok());
        text += QString(CategoryTreeMaxDepth, u'\t') + QStringLiteral("deep");
        QCOMPARE(buildCategoryTree(text).error,
            QStringLiteral("Invalid level (%1) for item \"deep\"").arg(CategoryTreeMaxDepth));
    }

    void fullName_data()
    {
        QTest::addColumn<QStringList>("nodeThenAncestors");
        QTest::addColumn<QString>("expected");
        QTest::newRow("top level")
            << QStringList { QStringLiteral("Kitchen") } << QStringLiteral("Kitchen");
        QTest::newRow("three levels") << QStringList { QStringLiteral("Drawer"),
            QStringLiteral("Kitchen"), QStringLiteral("House") }
                                      << QStringLiteral("Drawer : Kitchen : House");
    }
    void fullName()
    {
        QFETCH(QStringList, nodeThenAncestors);
        QFETCH(QString, expected);
        QCOMPARE(categoryFullName(nodeThenAncestors), expected);
    }

    void shortValue_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("full name keeps trailing blank")
            << QStringLiteral("Drawer : Kitchen") << QStringLiteral("Drawer ");
        QTest::newRow("no colon") << QStringLiteral("Lamp") << QStringLiteral("Lamp");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("colon in the node text")
            << QStringLiteral("Ratio 1:2 : Sizes") << QStringLiteral("Ratio 1");
    }
    void shortValue()
    {
        QFETCH(QString, value);
        QFETCH(QString, expected);
        QCOMPARE(::shortValue(value), expected);
    }
};

QTEST_GUILESS_MAIN(TestCategoryTree)
#include "tst_categorytree.moc"
