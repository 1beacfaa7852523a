// Memo lines: the lines of a wrapping memo box as displayed, and filling it from a line list.
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>

#include "recordwindow/memolines.h"

namespace {

const QString Paragraph = QStringLiteral(
    "The cabinet came from my grandmother's house in the spring of the year we moved, together "
    "with two chairs, a mirror in a carved frame and a box of letters nobody has read since");

} // namespace

class TestMemoLines : public QObject
{
    Q_OBJECT

private slots:
    // A long paragraph in a narrow box is stored as the lines the box shows.
    void wrapsAtBoxWidth()
    {
        QPlainTextEdit edit;
        edit.resize(200, 150);
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        edit.setPlainText(Paragraph);
        const QStringList lines = displayedLines(&edit);
        QVERIFY2(lines.size() >= 3, qPrintable(lines.join(u'|')));
        QCOMPARE(lines.join(u' '), Paragraph);
        const QFontMetrics fm(edit.font());
        for (const QString &line : lines) {
            QVERIFY(!line.endsWith(u' '));
            QVERIFY2(fm.horizontalAdvance(line) <= edit.viewport()->width(), qPrintable(line));
        }
        // Shown again one line per entry, the box shows exactly those lines.
        setLines(&edit, lines);
        QCOMPARE(edit.blockCount(), lines.size());
        QCOMPARE(displayedLines(&edit), lines);
        // A wider box takes the same paragraph on fewer lines.
        edit.setPlainText(Paragraph);
        edit.resize(400, 150);
        QTRY_VERIFY(displayedLines(&edit).size() < lines.size());
    }

    // Paragraphs, empty lines and the trailing line end, with and without wrapping.
    void lines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty") << QString() << QStringList();
        QTest::newRow("one line") << QStringLiteral("lamp")
                                  << QStringList { QStringLiteral("lamp") };
        QTest::newRow("trailing line end")
            << QStringLiteral("lamp\n") << QStringList { QStringLiteral("lamp") };
        QTest::newRow("trailing empty line")
            << QStringLiteral("lamp\n\n") << QStringList { QStringLiteral("lamp"), QString() };
        QTest::newRow("only a line end") << QStringLiteral("\n") << QStringList { QString() };
        QTest::newRow("inner empty line") << QStringLiteral(
            "a\n\nb") << QStringList { QStringLiteral("a"), QString(), QStringLiteral("b") };
        QTest::newRow("own trailing blanks kept") << QStringLiteral(
            "a  \n b") << QStringList { QStringLiteral("a  "), QStringLiteral(" b") };
        QTest::newRow("line separator") << QStringLiteral("a") + QChar(QChar::LineSeparator) + u'b'
                                        << QStringList { QStringLiteral("a"), QStringLiteral("b") };
    }
    void lines()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, lines);
        QPlainTextEdit shown;
        shown.resize(200, 150);
        shown.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shown));
        QPlainTextEdit hidden;
        for (QPlainTextEdit *edit : { &shown, &hidden }) {
            edit->setPlainText(text);
            QCOMPARE(displayedLines(edit), lines);
            // Filling from the list gives the list back.
            setLines(edit, lines);
            QCOMPARE(displayedLines(edit), lines);
        }
    }

    // A box that has never been shown has no width to wrap at: its paragraphs stay whole.
    void neverShownKeepsParagraphs()
    {
        QPlainTextEdit edit;
        edit.resize(200, 150);
        setLines(&edit, { Paragraph, QStringLiteral("second") });
        QCOMPARE(displayedLines(&edit), QStringList({ Paragraph, QStringLiteral("second") }));
    }

    // A memo on a notebook page that is not shown keeps the width it was last shown at, so the
    // lines read while another page is up are the lines the user saw.
    void hiddenPageKeepsItsWidth()
    {
        QTabWidget book;
        auto *edit = new QPlainTextEdit;
        book.addTab(edit, QStringLiteral("Detail"));
        book.addTab(new QWidget, QStringLiteral("Other"));
        book.resize(220, 200);
        book.show();
        QVERIFY(QTest::qWaitForWindowExposed(&book));
        setLines(edit, { Paragraph });
        const QStringList seen = displayedLines(edit);
        QVERIFY(seen.size() >= 3);
        book.setCurrentIndex(1);
        QVERIFY(!edit->isVisible());
        setLines(edit, { Paragraph });
        QCOMPARE(displayedLines(edit), seen);
    }
};

QTEST_MAIN(TestMemoLines)
#include "tst_memolines.moc"
