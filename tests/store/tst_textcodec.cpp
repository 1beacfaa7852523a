// The single-byte codec at every file boundary.
#include <QSet>
#include <QTest>

#include "store/textcodec.h"

class TestTextCodec : public QObject
{
    Q_OBJECT

private slots:
    void everyByteRoundTrips()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        const QString text = decodeText(all);
        QCOMPARE(text.size(), 256);
        QSet<QChar> distinct(text.begin(), text.end());
        QCOMPARE(distinct.size(), 256);
        QCOMPARE(encodeText(text), all);
    }

    void decodesByte_data()
    {
        QTest::addColumn<int>("byte");
        QTest::addColumn<int>("unicode");
        QTest::newRow("nul") << 0x00 << 0x0000;
        QTest::newRow("A") << 0x41 << 0x0041;
        QTest::newRow("euro") << 0x80 << 0x20AC;
        QTest::newRow("undefined 81") << 0x81 << 0x0081;
        QTest::newRow("undefined 8D") << 0x8D << 0x008D;
        QTest::newRow("undefined 8F") << 0x8F << 0x008F;
        QTest::newRow("undefined 90") << 0x90 << 0x0090;
        QTest::newRow("undefined 9D") << 0x9D << 0x009D;
        QTest::newRow("trade mark") << 0x99 << 0x2122;
        QTest::newRow("Y diaeresis") << 0x9F << 0x0178;
        QTest::newRow("no-break space") << 0xA0 << 0x00A0;
        QTest::newRow("e acute") << 0xE9 << 0x00E9;
        QTest::newRow("y diaeresis") << 0xFF << 0x00FF;
    }
    void decodesByte()
    {
        QFETCH(int, byte);
        QFETCH(int, unicode);
        const QString text = decodeText(QByteArray(1, char(byte)));
        QCOMPARE(text.size(), 1);
        QCOMPARE(int(text.at(0).unicode()), unicode);
    }

    void unencodableBecomesQuestionMark_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("greek") << QStringLiteral(u"a\u03A9b") << QByteArray("a?b");
        QTest::newRow("C1 not in the set") << QStringLiteral(u"\u0080") << QByteArray("?");
        QTest::newRow("outside the basic plane")
            << QStringLiteral(u"x\U0001F600y") << QByteArray("x?y");
        QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << QByteArray("?");
        QTest::newRow("euro and ellipsis")
            << QStringLiteral(u"\u20AC\u2026") << QByteArray("\x80\x85");
    }
    void unencodableBecomesQuestionMark()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(encodeText(text), bytes);
    }

    void appendKeepsWhatIsThere()
    {
        QByteArray out("ab");
        appendEncodedText(out, QStringLiteral(u"\u00E9\U0001F600"));
        QCOMPARE(out, QByteArray("ab\xE9?"));
    }
};

QTEST_GUILESS_MAIN(TestTextCodec)
#include "tst_textcodec.moc"
