// MaskEdit: stored texts of the detail masks, typing, round trips and texts that do not fit.
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include "recordwindow/maskedit.h"

namespace {

const QString DateMask = QStringLiteral("!9090/90/00;1;_");
const QString YearMask = QStringLiteral("9090;1;_");
const QString SevenMask = QStringLiteral("9999999;1;_");
const QString TwoMask = QStringLiteral("99;1;_");

} // namespace

class TestMaskEdit : public QObject
{
    Q_OBJECT

private slots:
    void emptyBox_data()
    {
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("display");
        QTest::addColumn<int>("maxLength");
        QTest::newRow("date") << DateMask << QStringLiteral("    /  /  ")
                              << QStringLiteral("____/__/__") << 10;
        QTest::newRow("year") << YearMask << QStringLiteral("    ") << QStringLiteral("____") << 4;
        QTest::newRow("seven") << SevenMask << QStringLiteral("       ")
                               << QStringLiteral("_______") << 7;
        QTest::newRow("two") << TwoMask << QStringLiteral("  ") << QStringLiteral("__") << 2;
        QTest::newRow("literals not stored")
            << QStringLiteral("99/99;0;*") << QStringLiteral("    ") << QStringLiteral("**/**")
            << 5;
        QTest::newRow("free text") << QString() << QString() << QString() << 32767;
    }
    void emptyBox()
    {
        QFETCH(QString, mask);
        QFETCH(QString, stored);
        QFETCH(QString, display);
        QFETCH(int, maxLength);
        MaskEdit edit(mask);
        QCOMPARE(edit.storedText(), stored);
        QCOMPARE(edit.displayText(), display);
        QCOMPARE(edit.maxLength(), maxLength);
    }

    void typing_data()
    {
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("stored");
        QTest::newRow("whole date")
            << DateMask << QString() << QStringLiteral("20261210") << QStringLiteral("2026/12/10");
        // "!": what is typed into a run stands at its end, so a month "1" is stored " 1".
        QTest::newRow("short month and day")
            << DateMask << QString() << QStringLiteral("20261/5") << QStringLiteral("2026/ 1/ 5");
        QTest::newRow("typed separator") << DateMask << QString() << QStringLiteral("2026/12/10")
                                         << QStringLiteral("2026/12/10");
        QTest::newRow("overwrite year") << DateMask << QStringLiteral("2020/01/01")
                                        << QStringLiteral("2026") << QStringLiteral("2026/01/01");
        // Without "!" a character is stored where it was typed.
        QTest::newRow("two, one digit")
            << TwoMask << QString() << QStringLiteral("5") << QStringLiteral("5 ");
        QTest::newRow("two, letters refused")
            << TwoMask << QString() << QStringLiteral("a7x") << QStringLiteral("7 ");
        QTest::newRow("two, too many")
            << TwoMask << QString() << QStringLiteral("123") << QStringLiteral("12");
        QTest::newRow("year, two digits")
            << YearMask << QString() << QStringLiteral("19") << QStringLiteral("19  ");
        QTest::newRow("seven over zeros") << SevenMask << QStringLiteral("0000000")
                                          << QStringLiteral("12") << QStringLiteral("1200000");
        QTest::newRow("literals not stored") << QStringLiteral("99/99;0;_") << QString()
                                             << QStringLiteral("1234") << QStringLiteral("1234");
        QTest::newRow("free text") << QString() << QStringLiteral("old ") << QStringLiteral("new")
                                   << QStringLiteral("newold ");
    }
    void typing()
    {
        QFETCH(QString, mask);
        QFETCH(QString, start);
        QFETCH(QString, keys);
        QFETCH(QString, stored);
        MaskEdit edit(mask);
        edit.setStoredText(start);
        QTest::keyClicks(&edit, keys);
        QCOMPARE(edit.storedText(), stored);
    }

    // Showing a stored text and storing it again never changes it, whether it fits or not.
    void roundTrip_data()
    {
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("display");
        QTest::newRow("date") << DateMask << QStringLiteral("2026/12/10")
                              << QStringLiteral("2026/12/10");
        QTest::newRow("blank date")
            << DateMask << QStringLiteral("    /  /  ") << QStringLiteral("____/__/__");
        QTest::newRow("partial date")
            << DateMask << QStringLiteral("2026/ 1/ 5") << QStringLiteral("2026/_1/_5");
        // Left-aligned digits in a "!" mask are shown where they stand and kept as they are.
        QTest::newRow("left-aligned date")
            << DateMask << QStringLiteral("2026/1 /5 ") << QStringLiteral("2026/1_/5_");
        QTest::newRow("empty text in date box")
            << DateMask << QString() << QStringLiteral("____/__/__");
        QTest::newRow("legacy date")
            << DateMask << QStringLiteral("12/3/2020") << QStringLiteral("12/3/2020");
        QTest::newRow("letters in date")
            << DateMask << QStringLiteral("2026/AB/10") << QStringLiteral("2026/AB/10");
        QTest::newRow("two: 01") << TwoMask << QStringLiteral("01") << QStringLiteral("01");
        QTest::newRow("two: blank first")
            << TwoMask << QStringLiteral(" 1") << QStringLiteral("_1");
        QTest::newRow("two: one digit") << TwoMask << QStringLiteral("1") << QStringLiteral("1");
        QTest::newRow("two: too long") << TwoMask << QStringLiteral("123") << QStringLiteral("123");
        QTest::newRow("two: underscore") << TwoMask << QStringLiteral("_1") << QStringLiteral("_1");
        QTest::newRow("year: words")
            << YearMask << QStringLiteral("about 1990") << QStringLiteral("about 1990");
        QTest::newRow("seven") << SevenMask << QStringLiteral("0000000")
                               << QStringLiteral("0000000");
        QTest::newRow("free text")
            << QString() << QStringLiteral(" a b ") << QStringLiteral(" a b ");
        const QString longText(40000, u'x');
        QTest::newRow("free text past the default limit") << QString() << longText << longText;
    }
    void roundTrip()
    {
        QFETCH(QString, mask);
        QFETCH(QString, stored);
        QFETCH(QString, display);
        MaskEdit edit(mask);
        edit.setStoredText(QStringLiteral("2000/01/01")); // a previous record shown first
        edit.setStoredText(stored);
        QCOMPARE(edit.displayText(), display);
        QCOMPARE(edit.storedText(), stored);
        // Showing it again gives the same, and a following fitting text shows masked again.
        edit.setStoredText(edit.storedText());
        QCOMPARE(edit.storedText(), stored);
        if (!mask.isEmpty()) {
            edit.setStoredText(QString());
            QCOMPARE(edit.maxLength(), int(mask.indexOf(u';') - mask.count(u'!')));
            QTest::keyClick(&edit, Qt::Key_1);
            QVERIFY(edit.displayText().startsWith(u'1'));
            QVERIFY(edit.storedText() != stored);
        }
    }

    // Clearing the date box by hand stores the empty date, also when it showed an empty text.
    void clearDateBox_data()
    {
        QTest::addColumn<QString>("start");
        QTest::newRow("a date") << QStringLiteral("2026/12/10");
        QTest::newRow("legacy text") << QStringLiteral("12/3/2020");
    }
    void clearDateBox()
    {
        QFETCH(QString, start);
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *edit = new MaskEdit(DateMask, &window);
        layout->addWidget(edit);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        edit->setStoredText(start);
        edit->setFocus();
        QTRY_VERIFY(edit->hasFocus());
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(edit->displayText(), QStringLiteral("____/__/__"));
        QCOMPARE(edit->storedText(), QStringLiteral("    /  /  "));
        // Emptying it in code counts as well.
        edit->setStoredText(start);
        edit->clear();
        QCOMPARE(edit->storedText(), QStringLiteral("    /  /  "));
    }

    // A text that does not fit is shown whole until the user enters the box; entering and leaving
    // without an edit keeps it, an edit replaces it with what the mask holds.
    void legacyTextAndFocus()
    {
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *edit = new MaskEdit(DateMask, &window);
        auto *other = new MaskEdit(QString(), &window);
        layout->addWidget(edit);
        layout->addWidget(other);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        other->setFocus();
        QTRY_VERIFY(other->hasFocus());
        const QString legacy = QStringLiteral("12/3/2020");
        edit->setStoredText(legacy);
        QCOMPARE(edit->displayText(), legacy);

        edit->setFocus();
        QTRY_VERIFY(edit->hasFocus());
        QCOMPARE(edit->displayText().size(), 10); // masked for editing
        QCOMPARE(edit->displayText().at(4), u'/');
        QCOMPARE(edit->storedText(), legacy);
        other->setFocus();
        QTRY_VERIFY(other->hasFocus());
        QCOMPARE(edit->displayText(), legacy);
        QCOMPARE(edit->storedText(), legacy);

        edit->setFocus();
        QTRY_VERIFY(edit->hasFocus());
        edit->setCursorPosition(0);
        QTest::keyClicks(edit, QStringLiteral("2026"));
        const QString stored = edit->storedText();
        QVERIFY(stored.startsWith(QStringLiteral("2026/")));
        QCOMPARE(stored.size(), 10);
        QCOMPARE(stored.at(7), u'/');
        other->setFocus();
        QTRY_VERIFY(other->hasFocus());
        QCOMPARE(edit->storedText(), stored);
    }

    // Leaving a "!" box after typing shows the digits where they will be stored.
    void leadingBlanksShownOnLeaving()
    {
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *date = new MaskEdit(DateMask, &window);
        auto *two = new MaskEdit(TwoMask, &window);
        layout->addWidget(date);
        layout->addWidget(two);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        date->setStoredText(QString());
        two->setStoredText(QString());
        date->setFocus();
        QTRY_VERIFY(date->hasFocus());
        QTest::keyClicks(date, QStringLiteral("20261/5"));
        QCOMPARE(date->displayText(), QStringLiteral("2026/1_/5_"));
        two->setFocus();
        QTRY_VERIFY(two->hasFocus());
        QTest::keyClicks(two, QStringLiteral("5"));
        date->setFocus();
        QTRY_VERIFY(date->hasFocus());
        QCOMPARE(date->displayText(), QStringLiteral("2026/_1/_5"));
        QCOMPARE(date->storedText(), QStringLiteral("2026/ 1/ 5"));
        QCOMPARE(two->displayText(), QStringLiteral("5_")); // no "!": left as typed
        QCOMPARE(two->storedText(), QStringLiteral("5 "));
    }
};

QTEST_MAIN(TestMaskEdit)
#include "tst_maskedit.moc"
