// The message encoder: header order and forms, dot-stuffing, quoted-printable pieces, the checks.
#include <QProcess>
#include <QTest>

#include "sending/message.h"

using namespace Qt::StringLiterals;

class TestMessageEncoder : public QObject
{
    Q_OBJECT

private slots:
    void mailHeadersInOrder();
    void recipientNames_data();
    void recipientNames();
    void articleHeaders();
    void dotLinesAreStuffed();
    void longLineMakesQuotedPrintable();
    void quotedPrintablePieces_data();
    void quotedPrintablePieces();
    void quotedPrintableDecodesToTheText_data();
    void quotedPrintableDecodesToTheText();
    void paragraphTooLarge();
    void eightBitTextIsDeclared();
    void headerValuesStayOnOneLine();
    void checks_data();
    void checks();
};

namespace {

QList<QByteArray> lines(const QByteArray &wire)
{
    QList<QByteArray> out = wire.split('\n');
    if (!out.isEmpty() && out.last().isEmpty())
        out.removeLast();
    for (QByteArray &l : out) {
        if (l.endsWith('\r'))
            l.chop(1);
    }
    return out;
}

TmsMessage simpleMessage()
{
    TmsMessage m;
    m.Sender.Address = u"me@example.org"_s;
    m.Recipients += TmsMailAddress { u"Ann"_s, u"ann@example.org"_s };
    m.Subject = u"Monthly list"_s;
    m.Body = QStringList { u"line one"_s, u"line two"_s };
    return m;
}

} // namespace

void TestMessageEncoder::mailHeadersInOrder()
{
    TmsMessage m = simpleMessage();
    m.Recipients += TmsMailAddress { u"Bob"_s, u"bob@example.org"_s };
    m.CC += TmsMailAddress { u"Cy"_s, u"cy@example.org"_s };
    m.BCC += TmsMailAddress { u"Hidden"_s, u"hidden@example.org"_s };
    m.ReturnReceipt = true;
    m.Priority = TmsPriority::ptHigh;
    m.ExtraHeaders = QStringList { u"Date: Thu, 10 Dec 2026 10:00:00 +0000"_s,
        u"Subject: smuggled"_s, u"x-priority: 3"_s };
    const MessageEncoder::Encoded e = MessageEncoder::encodeMessage(m);
    QVERIFY(e.error.isEmpty());
    QVERIFY(e.text.endsWith("\r\n"));
    const QList<QByteArray> expected {
        "From:      <me@example.org>",
        "To:       Ann <ann@example.org>,",
        "          Bob <bob@example.org>",
        "CC:       Cy <cy@example.org>",
        "Return-Receipt-To: <me@example.org>",
        "X-Priority: 1",
        "Date: Thu, 10 Dec 2026 10:00:00 +0000",
        "Subject: Monthly list",
        "Mime-Version: 1.0",
        "Content-Type: text/plain; charset=\"us-ascii\"",
        "Content-Transfer-Encoding: 7bit",
        "",
        "line one",
        "line two",
    };
    QCOMPARE(lines(e.text), expected);

    m.Priority = TmsPriority::ptLow;
    QVERIFY(MessageEncoder::encodeMessage(m).text.contains("\r\nX-Priority: 5\r\n"));
    m.Priority = TmsPriority::ptNormal;
    QVERIFY(!MessageEncoder::encodeMessage(m).text.contains("X-Priority"));
}

void TestMessageEncoder::recipientNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("toLine");
    QTest::newRow("plain") << u"Ann Smith"_s << QByteArray("To:       Ann Smith <a@x.org>");
    QTest::newRow("full stop") << u"J. Smith"_s << QByteArray("To:       \"J. Smith\" <a@x.org>");
    QTest::newRow("comma") << u"Smith, Ann"_s << QByteArray("To:       \"Smith, Ann\" <a@x.org>");
    QTest::newRow("quote") << u"Ann \"Nan\" S."_s
                           << QByteArray("To:       \"Ann \\\"Nan\\\" S.\" <a@x.org>");
    QTest::newRow("empty") << QString() << QByteArray("To:        <a@x.org>");
    QTest::newRow("accent") << u"Zo\u00eb"_s
                            << QByteArray("To:       =?windows-1252?Q?Zo=EB?= <a@x.org>");
}

void TestMessageEncoder::recipientNames()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, toLine);
    TmsMessage m = simpleMessage();
    m.Recipients = { TmsMailAddress { name, u"a@x.org"_s } };
    QCOMPARE(lines(MessageEncoder::encodeMessage(m).text).at(1), toLine);
}

void TestMessageEncoder::articleHeaders()
{
    TmsArticle a;
    a.Sender = TmsMailAddress { u"J. Smith"_s, u"js@example.org"_s };
    a.NewsGroups = u"local.test,local.misc"_s;
    a.Subject = u"Stamps"_s;
    a.Body = QStringList { u"x"_s };
    const QList<QByteArray> expected {
        "From:     J. Smith <js@example.org>",
        "Newsgroups: local.test,local.misc",
        "Subject:  Stamps",
        "Mime-Version: 1.0",
        "Content-Type: text/plain; charset=\"us-ascii\"",
        "Content-Transfer-Encoding: 7bit",
        "",
        "x",
    };
    QCOMPARE(lines(MessageEncoder::encodeArticle(a).text), expected);
}

void TestMessageEncoder::dotLinesAreStuffed()
{
    TmsMessage m = simpleMessage();
    m.Body = QStringList { u"."_s, u".."_s, u".5 inch"_s, u"a.b"_s };
    const QList<QByteArray> l = lines(MessageEncoder::encodeMessage(m).text);
    QCOMPARE(l.mid(l.size() - 4), (QList<QByteArray> { "..", "...", "..5 inch", "a.b" }));
}

void TestMessageEncoder::longLineMakesQuotedPrintable()
{
    // A report line of 300 characters: words of nine letters and a blank.
    QString row;
    while (row.size() < 300)
        row += u"abcdefghi "_s;
    row.truncate(300);
    TmsMessage m = simpleMessage();
    m.Body = QStringList { u"short"_s, row, u"a=b"_s };
    const MessageEncoder::Encoded e = MessageEncoder::encodeMessage(m);
    const QList<QByteArray> l = lines(e.text);
    QVERIFY(l.contains("Content-Transfer-Encoding: quoted-printable"));
    const qsizetype body = l.indexOf(QByteArray()) + 1;
    QCOMPARE(l[body], QByteArray("short"));
    QByteArray joined;
    qsizetype i = body + 1;
    for (; l[i].endsWith('='); ++i) {
        QVERIFY2(l[i].size() <= 66, l[i].constData());
        joined += l[i].chopped(1);
    }
    joined += l[i];
    // The row ends in a blank, which is written so that no decoder drops it.
    QCOMPARE(QString::fromLatin1(joined), row.chopped(1) + u"=20"_s);
    QCOMPARE(l[i + 1], QByteArray("a=3Db"));
    QCOMPARE(l.size(), i + 2);
}

void TestMessageEncoder::quotedPrintablePieces_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QList<QByteArray>>("pieces");
    const QByteArray a65(65, 'a');
    QTest::newRow("65 stay whole") << a65 << QList<QByteArray> { a65 };
    QTest::newRow("66 without blank") << a65 + 'b' << QList<QByteArray> { a65 + '=', "b" };
    // The blank at the 66th place begins the next piece.
    QTest::newRow("blank at 66") << a65 + " tail" << QList<QByteArray> { a65 + '=', " tail" };
    QTest::newRow("last blank wins")
        << QByteArray(40, 'a') + ' ' + QByteArray(20, 'b') + ' ' + QByteArray(20, 'c')
        << QList<QByteArray> { QByteArray(40, 'a') + ' ' + QByteArray(20, 'b') + '=',
               ' ' + QByteArray(20, 'c') };
    QTest::newRow("escapes") << QByteArray("tab\there =\x01\xe9")
                             << QList<QByteArray> { "tab=09here =3D=01=E9" };
    // An escaped character counts as written, so no piece grows past the line limit.
    QTest::newRow("escaped width") << QByteArray(30, '=')
                                   << QList<QByteArray> { QByteArray("=3D").repeated(21) + '=',
                                          QByteArray("=3D").repeated(9) };
}

void TestMessageEncoder::quotedPrintablePieces()
{
    QFETCH(QByteArray, line);
    QFETCH(QList<QByteArray>, pieces);
    QCOMPARE(MessageEncoder::quotedPrintable(line), pieces);
}

void TestMessageEncoder::quotedPrintableDecodesToTheText_data()
{
    QTest::addColumn<QStringList>("body");
    // A line of 256 characters makes the whole body quoted-printable.
    const QString row = QString(250, u'x') + u"      "_s;
    QTest::newRow("trailing blanks") << QStringList { u"1.  Lamp     "_s, u" "_s, row };
    QTest::newRow("trailing tab") << QStringList { u"Lamp\t"_s, u"a \t "_s, row };
    // Blanks just before and after where a 76-character line is cut.
    QStringList nearBreak;
    for (int at = 60; at <= 70; ++at) {
        QString l = QString(76, u'a');
        l[at] = u' ';
        nearBreak += l;
        l[at + 1] = u' ';
        nearBreak += l;
        nearBreak += QString(at, u'b') + QString(76 - at, u' ');
    }
    QTest::newRow("blank near the break") << nearBreak + QStringList { row };
    QTest::newRow("equals signs") << QStringList { u"a=b =="_s, u"= "_s, QString(300, u'=') };
    QTest::newRow("8-bit") << QStringList { u"Caf\u00e9  "_s, u"na\u00efve\t"_s,
        QString(62, u'c') + u"\u00e9\u00e9 \u00e9 "_s };
}

// Read back by Python's mail package, whose decoder deletes blanks at the end of an encoded line
// as the standard tells decoders to.
void TestMessageEncoder::quotedPrintableDecodesToTheText()
{
    QFETCH(QStringList, body);
    TmsMessage m = simpleMessage();
    m.Body = body;
    const MessageEncoder::Encoded e = MessageEncoder::encodeMessage(m);
    QVERIFY(e.error.isEmpty());
    QVERIFY(e.text.contains("\r\nContent-Transfer-Encoding: quoted-printable\r\n"));
    QProcess python;
    python.start(u"python3"_s,
        { u"-c"_s,
            u"import sys, email, email.quoprimime\n"
            "m = email.message_from_bytes(sys.stdin.buffer.read())\n"
            "text = email.quoprimime.body_decode(m.get_payload())\n"
            "sys.stdout.buffer.write(text.encode('latin-1'))\n"_s });
    QVERIFY(python.waitForStarted());
    python.write(e.text);
    python.closeWriteChannel();
    QVERIFY(python.waitForFinished(60000));
    QCOMPARE(python.readAllStandardError(), QByteArray());
    QCOMPARE(python.exitCode(), 0);
    QByteArray decoded = python.readAllStandardOutput();
    decoded.replace("\r\n", "\n");
    QByteArray expected = body.join(u'\n').toLatin1();
    QCOMPARE(decoded.chopped(decoded.endsWith('\n') ? 1 : 0), expected);
    // Within the line limit, and nothing at a line's end that a mail server may strip.
    for (const QByteArray &l : lines(e.text)) {
        QVERIFY2(l.size() <= 76, l.constData());
        QVERIFY2(!l.endsWith(' ') && !l.endsWith('\t'), l.constData());
    }
}

void TestMessageEncoder::paragraphTooLarge()
{
    TmsMessage m = simpleMessage();
    m.Body = QStringList { QString(24575, u'x') };
    QVERIFY(MessageEncoder::encodeMessage(m).error.isEmpty());
    m.Body = QStringList { QString(24576, u'x') };
    QCOMPARE(MessageEncoder::encodeMessage(m).error, u"Paragraph is too large"_s);
    TmsArticle a;
    a.Body = m.Body;
    QCOMPARE(MessageEncoder::encodeArticle(a).error, u"Paragraph is too large"_s);
}

void TestMessageEncoder::eightBitTextIsDeclared()
{
    TmsMessage m = simpleMessage();
    m.Subject = u"Caf\u00e9 list"_s;
    m.Body = QStringList { u"Caf\u00e9"_s };
    const QList<QByteArray> l = lines(MessageEncoder::encodeMessage(m).text);
    QVERIFY(l.contains("Subject: =?windows-1252?Q?Caf=E9_list?="));
    QVERIFY(l.contains("Content-Type: text/plain; charset=\"windows-1252\""));
    QVERIFY(l.contains("Content-Transfer-Encoding: quoted-printable"));
    QCOMPARE(l.last(), QByteArray("Caf=E9"));
}

void TestMessageEncoder::headerValuesStayOnOneLine()
{
    TmsMessage m = simpleMessage();
    m.Subject = u"one\r\nBcc: victim@example.org"_s;
    m.Body = QStringList { u"a\r\nb"_s };
    const QList<QByteArray> l = lines(MessageEncoder::encodeMessage(m).text);
    QVERIFY(l.contains("Subject: one Bcc: victim@example.org"));
    QCOMPARE(l.mid(l.size() - 2), (QList<QByteArray> { "a", "b" }));
}

void TestMessageEncoder::checks_data()
{
    QTest::addColumn<QString>("sender");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("error");
    QTest::newRow("fine") << u"me@x.org"_s << u"you@x.org"_s << QString();
    QTest::newRow("no sender") << QString() << u"you@x.org"_s
                               << u"The address of sender is required"_s;
    QTest::newRow("no recipient") << u"me@x.org"_s << QString()
                                  << u"At least one Recipient, CC or BCC must be entered"_s;
    QTest::newRow("line break") << u"me@x.org"_s << u"you@x.org>\r\nDATA"_s
                                << u"'you@x.org>\r\nDATA' is not a valid e-mail address"_s;
    QTest::newRow("name in address") << u"Me <me@x.org>"_s << u"you@x.org"_s
                                     << u"'Me <me@x.org>' is not a valid e-mail address"_s;
}

void TestMessageEncoder::checks()
{
    QFETCH(QString, sender);
    QFETCH(QString, to);
    QFETCH(QString, error);
    TmsMessage m;
    m.Sender.Address = sender;
    m.Recipients += TmsMailAddress { u"Name"_s, to };
    QCOMPARE(MessageEncoder::checkMessage(m).value_or(QString()), error);

    TmsArticle a;
    QCOMPARE(MessageEncoder::checkArticle(a).value_or(QString()),
        u"The address of sender is required"_s);
    a.Sender.Address = u"me@x.org"_s;
    QCOMPARE(
        MessageEncoder::checkArticle(a).value_or(QString()), u"Newsgroup header is required"_s);
    a.NewsGroups = u"local.test"_s;
    QCOMPARE(MessageEncoder::checkArticle(a).value_or(QString()), u"Subject header is required"_s);
    a.Subject = u"s"_s;
    QVERIFY(!MessageEncoder::checkArticle(a));
}

QTEST_GUILESS_MAIN(TestMessageEncoder)
#include "tst_messageencoder.moc"
