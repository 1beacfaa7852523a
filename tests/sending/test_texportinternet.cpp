// The send window against small mail and news servers on 127.0.0.1.
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "reports/exporttable.h"
#include "sending/texportinternet.h"
#include "tests/sending/fakeservers.h"
#include "tests/support/apptest.h"

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

class TestExportInternet : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void opensWithTheTextTable();
    void sendsTheEditedTextWithPriority();
    void badPortSendsNothing_data();
    void badPortSendsNothing();
    void failureKeepsTheContents();
    void postTwiceThenQuitOnClose();
    void encryptionMovesTheDefaultPort();
    void plainPasswordAsksFirst_data();
    void plainPasswordAsksFirst();
    void mailOverStartTlsWithChosenCertificate();
    void noNetworkNoWindow();

private:
    template<class T> T *control(const char *name) const
    {
        T *w = m_window->findChild<T *>(QLatin1StringView(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    void setText(const char *name, const QString &text) { control<QLineEdit>(name)->setText(text); }

    TestCertificate m_cert;
    std::unique_ptr<AppTest> m_app;
    ExportTable m_table;
    std::unique_ptr<TExportInternet> m_window;
};

void TestExportInternet::initTestCase()
{
    QVERIFY(m_cert.make());
}

void TestExportInternet::init()
{
    m_app = std::make_unique<AppTest>();
    m_table = ExportTable();
    const QList<QStringList> rows { { u"#"_s, u"Name"_s }, { u"1."_s, u"Alice"_s },
        { u"2."_s, u"Brian"_s }, {}, { u"Total Paid :  0.00"_s } };
    for (int r = 0; r < rows.size(); ++r) {
        m_table.addRow();
        for (int c = 0; c < rows[r].size(); ++c)
            m_table.setCell(r, c, rows[r][c]);
    }
    m_window = std::make_unique<TExportInternet>(m_app->ctx, m_table, 2, true);
    m_window->setTimeout(5s);
    m_window->show();
}

void TestExportInternet::cleanup()
{
    m_window.reset();
    m_app.reset();
}

void TestExportInternet::opensWithTheTextTable()
{
    QCOMPARE(m_window->windowTitle(), u"Internet"_s);
    QCOMPARE(control<QPlainTextEdit>("MessageBody")->toPlainText(),
        u"\n------------\n#   Name    \n------------\n1.  Alice   \n2.  Brian   \n"_s);
    QCOMPARE(control<QLineEdit>("MailPort")->text(), u"25"_s);
    QCOMPARE(control<QLineEdit>("NewsPort")->text(), u"119"_s);
    QCOMPARE(control<QComboBox>("pMail")->currentText(), u"Normal"_s);
    QCOMPARE(control<QComboBox>("NewsAuth")->currentText(), u"False"_s);
    QCOMPARE(control<QLineEdit>("NewsPassword")->echoMode(), QLineEdit::Password);
    QCOMPARE(control<QPushButton>("CloseEmail")->toolTip(), u"Close the Report Window"_s);
    QVERIFY(!control<QLineEdit>("MailServer")->text().isEmpty());
    // A later activation keeps what the user typed.
    control<QPlainTextEdit>("MessageBody")->setPlainText(u"edited"_s);
    m_window->FormDeactivate();
    m_window->FormActivate();
    QCOMPARE(control<QPlainTextEdit>("MessageBody")->toPlainText(), u"edited"_s);
}

void TestExportInternet::sendsTheEditedTextWithPriority()
{
    FakeSmtpServer server;
    QVERIFY(server.start());
    setText("MailServer", server.address());
    setText("Edit2", u"me@example.org"_s);
    setText("ToName", u"J. Smith"_s);
    setText("ToAddress", u"js@example.org"_s);
    setText("Subject", u"Our lamps"_s);
    control<QComboBox>("pMail")->setCurrentText(u"High"_s);
    auto *body = control<QPlainTextEdit>("MessageBody");
    body->setPlainText(body->toPlainText() + u"Checked by Ann"_s);
    QTest::mouseClick(control<QPushButton>("BitBtn1"), Qt::LeftButton);
    QCOMPARE(m_app->dialogs.texts(), QStringList { u"Your message has been sent. "_s });
    QCOMPARE(server.messages.size(), 1);
    const QByteArray &m = server.messages[0];
    QVERIFY(m.contains("\r\nTo:       \"J. Smith\" <js@example.org>\r\n"));
    QVERIFY(m.contains("\r\nX-Priority: 1\r\n"));
    QVERIFY(m.contains("\r\nSubject: Our lamps\r\n"));
    QVERIFY(m.contains("\r\nDate: "));
    QVERIFY(m.endsWith("\r\n\r\n------------\r\n#   Name    \r\n------------\r\n1.  Alice   \r\n"
                       "2.  Brian   \r\nChecked by Ann\r\n\r\n"));
    QVERIFY(m_window->isVisible());
}

void TestExportInternet::badPortSendsNothing_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("message");
    QTest::newRow("letters") << u"2x5"_s << u"'2x5' is not a valid integer value"_s;
    QTest::newRow("empty") << QString() << u"'' is not a valid integer value"_s;
    QTest::newRow("too large") << u"70000"_s << u"70000 is not a port number (1 to 65535)"_s;
}

void TestExportInternet::badPortSendsNothing()
{
    QFETCH(QString, port);
    QFETCH(QString, message);
    FakeSmtpServer server;
    QVERIFY(server.start());
    setText("MailServer", server.address());
    setText("MailPort", port);
    setText("NewsServer", server.address());
    setText("NewsPort", port);
    m_window->BitBtn1Click();
    m_window->BitBtn2Click();
    QCOMPARE(m_app->dialogs.texts(), (QStringList { message, message }));
    QCOMPARE(server.connections, 0);
}

void TestExportInternet::failureKeepsTheContents()
{
    quint16 closed = 0;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        closed = probe.serverPort();
    }
    setText("MailServer", u"127.0.0.1:%1"_s.arg(closed));
    setText("Edit2", u"me@example.org"_s);
    setText("ToAddress", u"js@example.org"_s);
    setText("Subject", u"Lamps"_s);
    m_window->BitBtn1Click();
    QCOMPARE(m_app->dialogs.shown.size(), 1);
    QCOMPARE(m_app->dialogs.shown[0].kind, u"error"_s);
    QCOMPARE(m_app->dialogs.shown[0].text, u"[10061] Connection refused"_s);
    QVERIFY(m_window->isVisible());
    QCOMPARE(control<QLineEdit>("Subject")->text(), u"Lamps"_s);
    QVERIFY(control<QPlainTextEdit>("MessageBody")->toPlainText().contains(u"Alice"_s));

    // Corrected, the same window sends.
    FakeSmtpServer server;
    QVERIFY(server.start());
    setText("MailServer", server.address());
    m_window->BitBtn1Click();
    QCOMPARE(m_app->dialogs.lastText(), u"Your message has been sent. "_s);
    QCOMPARE(server.messages.size(), 1);
}

void TestExportInternet::postTwiceThenQuitOnClose()
{
    FakeNntpServer server;
    server.requireAuth = true;
    QVERIFY(server.start());
    setText("NewsServer", server.address());
    setText("NewsEmail", u"me@example.org"_s);
    setText("NewsGroup", u"local.test"_s);
    setText("NewsSubject", u"Lamps"_s);
    control<QComboBox>("NewsAuth")->setCurrentText(u"True"_s);
    setText("NewsUserName", u"ann"_s);
    setText("NewsPassword", u"secret"_s);
    m_app->dialogs.answer(Dialogs::Answer::Yes);
    m_app->dialogs.answer(Dialogs::Answer::Yes);
    m_window->BitBtn2Click();
    m_window->BitBtn2Click();
    const QString question = ReportSending::plainPasswordQuestion(server.address());
    QCOMPARE(m_app->dialogs.texts(),
        (QStringList { question, u"Your message has been posted. "_s, question,
            u"Your message has been posted. "_s }));
    QCOMPARE(server.articles.size(), 2);
    const auto body = [](const QByteArray &a) { return a.mid(a.indexOf("\r\n\r\n")); };
    QCOMPARE(body(server.articles[1]), body(server.articles[0]));
    QVERIFY(body(server.articles[0]).endsWith("2.  Brian   \r\n\r\n"));
    QCOMPARE(server.connections, 1);
    QCOMPARE(server.quits, 0);
    QTest::mouseClick(control<QPushButton>("CloseNews"), Qt::LeftButton);
    QVERIFY(!m_window->isVisible());
    QCOMPARE(server.quits, 1);
}

void TestExportInternet::encryptionMovesTheDefaultPort()
{
    auto *encryption = control<QComboBox>("MailEncryption");
    encryption->setCurrentText(u"STARTTLS"_s);
    QCOMPARE(control<QLineEdit>("MailPort")->text(), u"587"_s);
    encryption->setCurrentText(u"TLS"_s);
    QCOMPARE(control<QLineEdit>("MailPort")->text(), u"465"_s);
    // A port the user typed stays.
    setText("MailPort", u"2525"_s);
    encryption->setCurrentText(u"None"_s);
    QCOMPARE(control<QLineEdit>("MailPort")->text(), u"2525"_s);
    control<QComboBox>("NewsEncryption")->setCurrentText(u"TLS"_s);
    QCOMPARE(control<QLineEdit>("NewsPort")->text(), u"563"_s);
}

void TestExportInternet::plainPasswordAsksFirst_data()
{
    QTest::addColumn<bool>("news");
    QTest::addColumn<bool>("yes");
    QTest::newRow("mail, no") << false << false;
    QTest::newRow("mail, yes") << false << true;
    QTest::newRow("news, no") << true << false;
    QTest::newRow("news, yes") << true << true;
}

void TestExportInternet::plainPasswordAsksFirst()
{
    QFETCH(bool, news);
    QFETCH(bool, yes);
    FakeSmtpServer mail;
    mail.extensions = { "AUTH PLAIN" };
    FakeNntpServer newsServer;
    newsServer.requireAuth = true;
    LineServer &server = news ? static_cast<LineServer &>(newsServer) : mail;
    QVERIFY(server.start());
    if (news) {
        setText("NewsServer", server.address());
        setText("NewsEmail", u"me@example.org"_s);
        setText("NewsGroup", u"local.test"_s);
        setText("NewsSubject", u"Lamps"_s);
        control<QComboBox>("NewsAuth")->setCurrentText(u"True"_s);
        setText("NewsUserName", u"ann"_s);
        setText("NewsPassword", u"secret"_s);
    } else {
        setText("MailServer", server.address());
        setText("Edit2", u"me@example.org"_s);
        setText("ToAddress", u"js@example.org"_s);
        setText("MailUserName", u"ann"_s);
        setText("MailPassword", u"secret"_s);
    }
    m_app->dialogs.answer(yes ? Dialogs::Answer::Yes : Dialogs::Answer::No);
    if (news)
        m_window->BitBtn2Click();
    else
        m_window->BitBtn1Click();
    QCOMPARE(m_app->dialogs.shown.value(0).kind, u"yesno"_s);
    QCOMPARE(m_app->dialogs.shown.value(0).text,
        u"Encryption is None, so your password will go to %1 unencrypted and anyone on the "
        "network can read it. Send it anyway?"_s.arg(server.address()));
    if (yes) {
        QCOMPARE(m_app->dialogs.shown.size(), 2);
        QCOMPARE(m_app->dialogs.lastText(),
            news ? u"Your message has been posted. "_s : u"Your message has been sent. "_s);
        QVERIFY(server.received.contains(
            news ? QByteArray("AUTHINFO PASS secret") : QByteArray("AUTH PLAIN AGFubgBzZWNyZXQ=")));
    } else {
        QCOMPARE(m_app->dialogs.shown.size(), 1);
        QCOMPARE(server.connections, 0);
    }
}

void TestExportInternet::mailOverStartTlsWithChosenCertificate()
{
    FakeSmtpServer server;
    server.tls = &m_cert;
    server.extensions = { "STARTTLS", "AUTH PLAIN" };
    QVERIFY(server.start());
    setText("MailServer", u"localhost:%1"_s.arg(server.port()));
    control<QComboBox>("MailEncryption")->setCurrentText(u"STARTTLS"_s);
    setText("MailUserName", u"ann"_s);
    setText("MailPassword", u"secret"_s);
    setText("Edit2", u"me@example.org"_s);
    setText("ToAddress", u"js@example.org"_s);
    setText("MailCaFile", m_app->path(u"missing.pem"_s));
    m_window->BitBtn1Click();
    QCOMPARE(m_app->dialogs.texts(),
        QStringList { u"Cannot open file %1: No such file or directory"_s.arg(
            m_app->path(u"missing.pem"_s)) });
    QCOMPARE(server.connections, 0);

    m_app->dialogs.file(m_cert.certificatePath());
    QTest::mouseClick(control<QToolButton>("MailCaBrowse"), Qt::LeftButton);
    QCOMPARE(control<QLineEdit>("MailCaFile")->text(), m_cert.certificatePath());
    m_window->BitBtn1Click();
    QCOMPARE(m_app->dialogs.lastText(), u"Your message has been sent. "_s);
    QCOMPARE(server.received.mid(0, 4),
        (QList<QByteArray> {
            server.received[0], "STARTTLS", server.received[0], "AUTH PLAIN AGFubgBzZWNyZXQ=" }));
    QCOMPARE(server.messages.size(), 1);
}

void TestExportInternet::noNetworkNoWindow()
{
    QVERIFY(!TExportInternet::networkAvailable(m_app->dialogs, [] { return false; }));
    QCOMPARE(m_app->dialogs.texts(),
        QStringList {
            u"Sorry, you can only use this function on systems that have Winsock installed."_s });
    QVERIFY(TExportInternet::networkAvailable(m_app->dialogs));
}

QTEST_MAIN(TestExportInternet)
#include "test_texportinternet.moc"
