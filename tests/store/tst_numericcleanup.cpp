// Numeric cleanup: the digits and the right-most full stop of a text.
#include <QTest>

#include "store/recordstore.h"

class TestNumericCleanup : public QObject
{
    Q_OBJECT

private slots:
    void cleanup_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("money") << QStringLiteral("$1,234.50") << QStringLiteral("1234.50");
        QTest::newRow("two stops") << QStringLiteral("1.2.3") << QStringLiteral("12.3");
        QTest::newRow("minus") << QStringLiteral("-5") << QStringLiteral("5");
        QTest::newRow("letters only") << QStringLiteral("abc") << QStringLiteral("0");
        QTest::newRow("empty") << QString() << QStringLiteral("0");
        QTest::newRow("single stop") << QStringLiteral(".") << QStringLiteral(".");
        QTest::newRow("blanks and letters") << QStringLiteral(" 12 kg ") << QStringLiteral("12");
    }
    void cleanup()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(numericCleanup(text), expected);
    }
};

QTEST_GUILESS_MAIN(TestNumericCleanup)
#include "tst_numericcleanup.moc"
