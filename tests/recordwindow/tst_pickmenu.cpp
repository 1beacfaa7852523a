// Pick menus: entries mirrored from a category text, the full names they yield, display forms.
#include <QSignalSpy>
#include <QTest>

#include "recordwindow/descriptionvalue.h"
#include "recordwindow/pickmenu.h"

namespace {

const QString HouseText = QStringLiteral("House\r\n"
                                         "\tKitchen\r\n"
                                         "\t\tDrawer\r\n"
                                         "\t\tShelf\r\n"
                                         "\tGarage\r\n"
                                         "Car\r\n");

// One line per entry: indent, caption, "/k" and ">" for an entry with a sub-menu.
QString dump(const QMenu *menu, int depth = 0)
{
    QString out;
    const QList<QAction *> entries = menu->actions();
    for (const QAction *entry : entries) {
        out += QString(depth, u'\t') + entry->text() + u'/' + entry->data().toString();
        if (const QMenu *sub = entry->menu()) {
            out += QStringLiteral(">\n") + dump(sub, depth + 1);
        } else {
            out += u'\n';
        }
    }
    return out;
}

QAction *entryAt(const QMenu *menu, const QStringList &path)
{
    QAction *found = nullptr;
    for (const QString &caption : path) {
        if (found)
            menu = found->menu();
        if (!menu)
            return nullptr;
        found = nullptr;
        const QList<QAction *> entries = menu->actions();
        for (QAction *entry : entries) {
            if (entry->text() == caption)
                found = entry;
        }
        if (!found)
            return nullptr;
    }
    return found;
}

} // namespace

class TestPickMenu : public QObject
{
    Q_OBJECT

private slots:
    void entriesMirrorTree()
    {
        PickMenu menu(7);
        QVERIFY(menu.MakeMenu(HouseText));
        QCOMPARE(dump(&menu),
            QStringLiteral("House/7>\n"
                           "\tKitchen/7>\n"
                           "\t\tDrawer/7\n"
                           "\t\tShelf/7\n"
                           "\tGarage/7\n"
                           "Car/7\n"));
        // Rebuilding from another text replaces every entry.
        QVERIFY(menu.MakeMenu(QStringLiteral("Blue\r\n\tNavy\r\n")));
        QCOMPARE(dump(&menu), QStringLiteral("Blue/7>\n\tNavy/7\n"));
    }

    void leafPicks_data()
    {
        QTest::addColumn<QStringList>("path");
        QTest::addColumn<QString>("fullName");
        QTest::newRow("top level")
            << QStringList { QStringLiteral("Car") } << QStringLiteral("Car");
        QTest::newRow("second level") << QStringList { QStringLiteral("House"),
            QStringLiteral("Garage") } << QStringLiteral("Garage : House");
        QTest::newRow("third level") << QStringList { QStringLiteral("House"),
            QStringLiteral("Kitchen"), QStringLiteral("Shelf") }
                                     << QStringLiteral("Shelf : Kitchen : House");
    }
    void leafPicks()
    {
        QFETCH(QStringList, path);
        QFETCH(QString, fullName);
        PickMenu menu(3);
        QVERIFY(menu.MakeMenu(HouseText));
        QSignalSpy spy(&menu, &PickMenu::picked);
        QAction *entry = entryAt(&menu, path);
        QVERIFY(entry);
        QCOMPARE(PickMenu::entryFullName(entry), fullName);
        entry->trigger();
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), 3);
        QCOMPARE(spy.at(0).at(1).toString(), fullName);
    }

    // Opening a sub-menu chooses its entry at once; opening the menu itself chooses nothing.
    void openingSubMenuPicksIt()
    {
        PickMenu menu(2);
        QVERIFY(menu.MakeMenu(HouseText));
        QSignalSpy spy(&menu, &PickMenu::picked);
        menu.popup(QPoint(10, 10));
        QCOMPARE(spy.count(), 0);
        QMenu *house = entryAt(&menu, { QStringLiteral("House") })->menu();
        QMenu *kitchen
            = entryAt(&menu, { QStringLiteral("House"), QStringLiteral("Kitchen") })->menu();
        house->popup(QPoint(60, 10));
        kitchen->popup(QPoint(110, 10));
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(0), QVariantList({ 2, QStringLiteral("House") }));
        QCOMPARE(spy.at(1), QVariantList({ 2, QStringLiteral("Kitchen : House") }));
        // Dismissing the menu chooses nothing more; a leaf picked afterwards comes last.
        kitchen->close();
        house->close();
        menu.close();
        entryAt(
            &menu, { QStringLiteral("House"), QStringLiteral("Kitchen"), QStringLiteral("Drawer") })
            ->trigger();
        QCOMPARE(spy.count(), 3);
        QCOMPARE(spy.at(2), QVariantList({ 2, QStringLiteral("Drawer : Kitchen : House") }));
    }

    // The empty text gives no entries; a text that does not build leaves the menu empty.
    void noEntries_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("builds");
        QTest::newRow("empty") << QString() << true;
        QTest::newRow("too deep") << QStringLiteral("Top\r\n\t\t\tDeep\r\n") << false;
    }
    void noEntries()
    {
        QFETCH(QString, text);
        QFETCH(bool, builds);
        PickMenu menu(1);
        QVERIFY(menu.MakeMenu(HouseText));
        QCOMPARE(menu.MakeMenu(text), builds);
        QVERIFY(menu.actions().isEmpty());
    }

    // A node text with "&" shows the character itself and yields it in the full name.
    void ampersand()
    {
        PickMenu menu(5);
        QVERIFY(menu.MakeMenu(QStringLiteral("Pots & Pans\r\n\tLid\r\nR&D\r\n")));
        QCOMPARE(dump(&menu), QStringLiteral("Pots && Pans/5>\n\tLid/5\nR&&D/5\n"));
        QSignalSpy spy(&menu, &PickMenu::picked);
        entryAt(&menu, { QStringLiteral("Pots && Pans"), QStringLiteral("Lid") })->trigger();
        entryAt(&menu, { QStringLiteral("R&&D") })->trigger();
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(0).at(1).toString(), QStringLiteral("Lid : Pots & Pans"));
        QCOMPARE(spy.at(1).at(1).toString(), QStringLiteral("R&D"));
    }

    void displayForm_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("shortValues");
        QTest::addColumn<QString>("shown");
        const QString tv = QStringLiteral("Television : Electronics");
        QTest::newRow("short") << tv << true << QStringLiteral("Television ");
        QTest::newRow("whole") << tv << false << tv;
        QTest::newRow("no colon, short")
            << QStringLiteral("Lamp") << true << QStringLiteral("Lamp");
        QTest::newRow("empty") << QString() << true << QString();
        QTest::newRow("colon in node text")
            << QStringLiteral("12:30 Clock : Hall") << true << QStringLiteral("12");
    }
    void displayForm()
    {
        QFETCH(QString, value);
        QFETCH(bool, shortValues);
        QFETCH(QString, shown);
        QCOMPARE(ReturnDescriptionValue(value, shortValues), shown);
    }
};

QTEST_MAIN(TestPickMenu)
#include "tst_pickmenu.moc"
