// The SMTP and NNTP dialogues against small servers on 127.0.0.1, plain and over TLS.
#include <QSignalSpy>
#include <QTest>

#include "sending/nntp.h"
#include "sending/smtp.h"
#include "tests/sending/fakeservers.h"

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

class TestTransport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void smtpDialogue();
    void portChoice_data();
    void portChoice();
    void multiLineGreeting();
    void overlongReplyLineIsCut();
    void heloFallback();
    void rejectedRecipientFailsWithReply();
    void refusedConnection();
    void timeouts_data();
    void timeouts();
    void slowReplyTimesOut_data();
    void slowReplyTimesOut();
    void checksComeFirst();
    void signInRefused_data();
    void signInRefused();
    void nntpPostAndQuit();
    void nntp480_data();
    void nntp480();
    void nntpReconnectsAfterServerClose();
    void smtpStartTlsAndAuth_data();
    void smtpStartTlsAndAuth();
    void smtpImplicitTls();
    void untrustedCertificateNamesHost();
    void startTlsNotOffered();
    void nntpOverTls();
    void socketErrorTexts();

private:
    TestCertificate m_cert;
};

namespace {

TmsMessage message()
{
    TmsMessage m;
    m.Sender.Address = u"me@example.org"_s;
    m.Recipients += TmsMailAddress { u"J. Smith"_s, u"js@example.org"_s };
    m.Subject = u"Report"_s;
    m.Body = QStringList { u"first"_s, u"."_s, u"last"_s };
    return m;
}

TmsArticle article()
{
    TmsArticle a;
    a.Sender.Address = u"me@example.org"_s;
    a.NewsGroups = u"local.test"_s;
    a.Subject = u"Report"_s;
    a.Body = QStringList { u"first"_s, u"last"_s };
    return a;
}

void setUp(TagSocket &socket, const LineServer &server)
{
    socket.Server = server.address();
    socket.localHostName = [] { return u"desk"_s; };
    socket.timeout = 5s;
}

} // namespace

void TestTransport::initTestCase()
{
    QVERIFY2(QSslSocket::supportsSsl(), "Qt's TLS backend does not load");
    QVERIFY(m_cert.make());
}

void TestTransport::smtpDialogue()
{
    FakeSmtpServer server;
    QVERIFY(server.start());
    TmsSMTP smtp;
    setUp(smtp.socket, server);
    TmsMessage m = message();
    m.CC += TmsMailAddress { u"Cy"_s, u"cy@example.org"_s };
    m.BCC += TmsMailAddress { u"Di"_s, u"di@example.org"_s };
    const TransportResult r = smtp.send(m);
    QVERIFY2(r.ok, qPrintable(r.error));
    const QList<QByteArray> expected { "HELO desk", "MAIL FROM:<me@example.org>",
        "RCPT TO:<js@example.org>", "RCPT TO:<cy@example.org>", "RCPT TO:<di@example.org>", "DATA",
        "QUIT" };
    QCOMPARE(server.received, expected);
    QCOMPARE(server.messages.size(), 1);
    const QByteArray &text = server.messages[0];
    QVERIFY(
        text.startsWith("From:      <me@example.org>\r\nTo:       \"J. Smith\" <js@example.org>\r\n"
                        "CC:       Cy <cy@example.org>\r\nSubject: Report\r\n"));
    QVERIFY(!text.contains("di@example.org"));
    // The lone full stop went as ".." and arrives as "."; the message ends with an empty line.
    QVERIFY(server.rawMessages[0].endsWith("\r\nfirst\r\n..\r\nlast\r\n\r\n.\r\n"));
    QVERIFY(text.endsWith("\r\nfirst\r\n.\r\nlast\r\n\r\n"));
    QCOMPARE(smtp.socket.isConnected(), false);

    // A server that hangs up once it has the message has still taken it.
    server.dropAfterMessage = true;
    const TransportResult dropped = smtp.send(m);
    QVERIFY2(dropped.ok, qPrintable(dropped.error));
    QCOMPARE(server.messages.size(), 2);
}

void TestTransport::portChoice_data()
{
    QTest::addColumn<bool>("portInServer");
    QTest::addColumn<bool>("serviceKnown");
    QTest::newRow("port in server text") << true << false;
    QTest::newRow("service entry") << false << true;
    QTest::newRow("default port") << false << false;
}

void TestTransport::portChoice()
{
    QFETCH(bool, portInServer);
    QFETCH(bool, serviceKnown);
    FakeSmtpServer server;
    QVERIFY(server.start());
    TmsSMTP smtp;
    setUp(smtp.socket, server);
    const quint16 port = server.port();
    // Whatever is not meant to be used points at a closed port.
    quint16 closed = 0;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        closed = probe.serverPort();
    }
    smtp.socket.Server = portInServer ? u"127.0.0.1:%1"_s.arg(port) : u"127.0.0.1"_s;
    QString asked;
    smtp.socket.serviceLookup = [&](const QString &service) -> quint16 {
        asked = service;
        return serviceKnown ? port : 0;
    };
    smtp.socket.DefaultPort = serviceKnown || portInServer ? closed : port;
    const TransportResult r = smtp.send(message());
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(server.messages.size(), 1);
    QCOMPARE(asked, portInServer ? QString() : u"smtp"_s);
}

void TestTransport::multiLineGreeting()
{
    FakeSmtpServer server;
    server.greeting = { "220-fake.test first line", "220-second line", "220 fake.test ready" };
    QVERIFY(server.start());
    TmsSMTP smtp;
    setUp(smtp.socket, server);
    const TransportResult r = smtp.send(message());
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(server.received.first(), QByteArray("HELO desk"));
}

void TestTransport::overlongReplyLineIsCut()
{
    FakeSmtpServer server;
    server.greeting = { "220 " + QByteArray(3000, 'x'), "220 next" };
    QVERIFY(server.start());
    TagSocket socket;
    setUp(socket, server);
    socket.connectToServer();
    const QString first = socket.readLine();
    QCOMPARE(first.size(), 1024);
    QVERIFY(first.startsWith(u"220 xxx"_s));
    // The rest of the long line is dropped, so the next line is read as itself.
    QCOMPARE(socket.readLine(), u"220 next"_s);
}

void TestTransport::heloFallback()
{
    FakeSmtpServer server;
    server.rejectNamedHelo = true;
    QVERIFY(server.start());
    TmsSMTP smtp;
    setUp(smtp.socket, server);
    const TransportResult r = smtp.send(message());
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(server.received.mid(0, 3),
        (QList<QByteArray> { "HELO desk", "HELO", "MAIL FROM:<me@example.org>" }));
}

void TestTransport::rejectedRecipientFailsWithReply()
{
    FakeSmtpServer server;
    server.rejectRecipients = { "js@example.org" };
    QVERIFY(server.start());
    TmsSMTP smtp;
    setUp(smtp.socket, server);
    const TransportResult r = smtp.send(message());
    QVERIFY(!r.ok);
    QCOMPARE(r.error, u"550 5.1.1 <js@example.org>: Recipient address rejected"_s);
    QVERIFY(server.messages.isEmpty());
    QVERIFY(!smtp.socket.isConnected());
}

void TestTransport::refusedConnection()
{
    quint16 closed = 0;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        closed = probe.serverPort();
    }
    TmsSMTP smtp;
    smtp.socket.Server = u"127.0.0.1:%1"_s.arg(closed);
    const TransportResult r = smtp.send(message());
    QCOMPARE(r.error, u"[10061] Connection refused"_s);

    TmsNNTP nntp;
    nntp.socket.Server = smtp.socket.Server;
    QCOMPARE(nntp.post(article()).error, u"[10061] Connection refused"_s);
    QCOMPARE(nntp.isConnected(), false);
}

void TestTransport::timeouts_data()
{
    QTest::addColumn<bool>("news");
    QTest::addColumn<bool>("greet");
    QTest::newRow("smtp silent server") << false << false;
    QTest::newRow("smtp no answer to HELO") << false << true;
    QTest::newRow("nntp silent server") << true << false;
}

void TestTransport::timeouts()
{
    QFETCH(bool, news);
    QFETCH(bool, greet);
    FakeSmtpServer smtpServer;
    FakeNntpServer nntpServer;
    LineServer &server = news ? static_cast<LineServer &>(nntpServer) : smtpServer;
    if (!greet)
        server.greeting.clear();
    QVERIFY(server.start());
    // The greeting goes out; after that the server keeps quiet.
    QObject::connect(&server, &QTcpServer::newConnection, &server, [&] { server.silent = true; });
    server.silent = false;
    TransportResult r;
    TagSocket *socket = nullptr;
    TmsSMTP smtp;
    TmsNNTP nntp;
    if (news) {
        setUp(nntp.socket, server);
        nntp.socket.timeout = 150ms;
        socket = &nntp.socket;
        r = nntp.post(article());
    } else {
        setUp(smtp.socket, server);
        smtp.socket.timeout = 150ms;
        socket = &smtp.socket;
        r = smtp.send(message());
    }
    QCOMPARE(r.error, u"Operation timed out"_s);
    QVERIFY(!socket->isConnected());
    QCOMPARE(server.received, greet ? QList<QByteArray> { "HELO desk" } : QList<QByteArray> {});
}

void TestTransport::slowReplyTimesOut_data()
{
    QTest::addColumn<bool>("atHelo");
    QTest::newRow("greeting") << false;
    QTest::newRow("reply to HELO") << true;
}

// Each line comes well within the wait, the whole reply not: 60 lines at 100 ms against 1.5 s.
void TestTransport::slowReplyTimesOut()
{
    QFETCH(bool, atHelo);
    FakeSmtpServer server;
    server.lineInterval = 100ms;
    QList<QByteArray> greeting;
    for (int i = 0; i < 60 && !atHelo; ++i)
        greeting += "220-fake.test line " + QByteArray::number(i);
    server.greeting = greeting + QList<QByteArray> { "220 fake.test ready" };
    server.heloContinuations = atHelo ? 60 : 0;
    QVERIFY(server.start());
    TmsSMTP smtp;
    setUp(smtp.socket, server);
    smtp.socket.timeout = 1500ms;
    const TransportResult r = smtp.send(message());
    QCOMPARE(r.error, u"Operation timed out"_s);
    QVERIFY(!smtp.socket.isConnected());
    QCOMPARE(server.received, atHelo ? QList<QByteArray> { "HELO desk" } : QList<QByteArray> {});
}

void TestTransport::checksComeFirst()
{
    TmsSMTP smtp;
    QCOMPARE(smtp.send(message()).error, u"Server property is required"_s);
    FakeSmtpServer server;
    QVERIFY(server.start());
    setUp(smtp.socket, server);
    TmsMessage m = message();
    m.Recipients.clear();
    QCOMPARE(smtp.send(m).error, u"At least one Recipient, CC or BCC must be entered"_s);
    m = message();
    m.Body = QStringList { QString(30000, u'x') };
    QCOMPARE(smtp.send(m).error, u"Paragraph is too large"_s);
    QCOMPARE(server.connections, 0);

    TmsNNTP nntp;
    setUp(nntp.socket, server);
    TmsArticle a = article();
    a.Subject.clear();
    QCOMPARE(nntp.post(a).error, u"Subject header is required"_s);
    QCOMPARE(server.connections, 0);
}

void TestTransport::signInRefused_data()
{
    QTest::addColumn<bool>("news");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("allowPlain");
    QTest::addColumn<QString>("error");
    const QString plain = plainPasswordRefusal(u"127.0.0.1"_s);
    const QString lineBreak = u"The user name and password cannot hold a line break"_s;
    QTest::newRow("mail, no encryption") << false << u"ann"_s << u"secret"_s << false << plain;
    QTest::newRow("news, no encryption") << true << u"ann"_s << u"secret"_s << false << plain;
    // Each would put a command line of its own after AUTHINFO.
    QTest::newRow("user with CR LF")
        << true << u"ann\r\nPOST"_s << u"secret"_s << true << lineBreak;
    QTest::newRow("user with LF") << true << u"ann\nQUIT"_s << u"secret"_s << true << lineBreak;
    QTest::newRow("user with CR") << true << u"ann\rQUIT"_s << u"secret"_s << true << lineBreak;
    QTest::newRow("password with LF") << true << u"ann"_s << u"secret\nPOST"_s << true << lineBreak;
    QTest::newRow("password with CR") << true << u"ann"_s << u"secret\rPOST"_s << true << lineBreak;
}

// Refused before anything goes to the server.
void TestTransport::signInRefused()
{
    QFETCH(bool, news);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(bool, allowPlain);
    QFETCH(QString, error);
    FakeSmtpServer smtpServer;
    smtpServer.extensions = { "AUTH PLAIN LOGIN" };
    FakeNntpServer nntpServer;
    nntpServer.requireAuth = true;
    LineServer &server = news ? static_cast<LineServer &>(nntpServer) : smtpServer;
    QVERIFY(server.start());
    TransportResult r;
    if (news) {
        TmsNNTP nntp;
        setUp(nntp.socket, server);
        nntp.Authenticate = true;
        nntp.UserName = user;
        nntp.Password = password;
        nntp.AllowPlainPassword = allowPlain;
        r = nntp.post(article());
    } else {
        TmsSMTP smtp;
        setUp(smtp.socket, server);
        smtp.UserName = user;
        smtp.Password = password;
        smtp.AllowPlainPassword = allowPlain;
        r = smtp.send(message());
    }
    QCOMPARE(r.error, error);
    QCOMPARE(server.connections, 0);
    QVERIFY(server.received.isEmpty());
}

void TestTransport::nntpPostAndQuit()
{
    FakeNntpServer server;
    QVERIFY(server.start());
    {
        TmsNNTP nntp;
        setUp(nntp.socket, server);
        TmsArticle a = article();
        QVERIFY(nntp.post(a).ok);
        QVERIFY(nntp.isConnected());
        a.Body += u".hidden"_s;
        QVERIFY(nntp.post(a).ok);
        QCOMPARE(server.connections, 1);
        QCOMPARE(server.articles.size(), 2);
        QVERIFY(server.articles[0].startsWith(
            "From:      <me@example.org>\r\nNewsgroups: local.test\r\nSubject:  Report\r\n"));
        QVERIFY(server.articles[0].endsWith("\r\n\r\nfirst\r\nlast\r\n"));
        QVERIFY(server.articles[1].endsWith("\r\nlast\r\n.hidden\r\n"));
        QCOMPARE(server.quits, 0);
    }
    // Destroying the client says QUIT.
    QCOMPARE(server.received, (QList<QByteArray> { "POST", "POST", "QUIT" }));
    QCOMPARE(server.quits, 1);
}

void TestTransport::nntp480_data()
{
    QTest::addColumn<bool>("authenticate");
    QTest::addColumn<bool>("afterArticle");
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QList<QByteArray>>("commands");
    QTest::newRow("without Authenticate")
        << false << false << QByteArray("secret") << u"480 Authentication required"_s
        << QList<QByteArray> { "POST" };
    QTest::newRow("signed in") << true << false << QByteArray("secret") << QString()
                               << QList<QByteArray> { "POST", "AUTHINFO USER ann",
                                      "AUTHINFO PASS secret", "POST" };
    QTest::newRow("wrong password")
        << true << false << QByteArray("wrong") << u"481 Authentication failed"_s
        << QList<QByteArray> { "POST", "AUTHINFO USER ann", "AUTHINFO PASS wrong" };
    // Asked after the article: the article goes again once signed in.
    QTest::newRow("after the article")
        << true << true << QByteArray("secret") << QString()
        << QList<QByteArray> { "POST", "AUTHINFO USER ann", "AUTHINFO PASS secret", "POST" };
}

void TestTransport::nntp480()
{
    QFETCH(bool, authenticate);
    QFETCH(bool, afterArticle);
    QFETCH(QByteArray, password);
    QFETCH(QString, error);
    QFETCH(QList<QByteArray>, commands);
    FakeNntpServer server;
    server.requireAuth = !afterArticle;
    server.authAfterArticle = afterArticle;
    QVERIFY(server.start());
    TmsNNTP nntp;
    setUp(nntp.socket, server);
    nntp.Authenticate = authenticate;
    nntp.AllowPlainPassword = true;
    nntp.UserName = u"ann"_s;
    nntp.Password = QString::fromLatin1(password);
    const TransportResult r = nntp.post(article());
    QCOMPARE(r.error, error);
    QCOMPARE(server.received, commands);
    QCOMPARE(server.articles.size(), error.isEmpty() ? 1 : 0);
}

void TestTransport::nntpReconnectsAfterServerClose()
{
    FakeNntpServer server;
    QVERIFY(server.start());
    TmsNNTP nntp;
    setUp(nntp.socket, server);
    QVERIFY(nntp.post(article()).ok);
    server.client->disconnectFromHost();
    QTRY_VERIFY(!nntp.isConnected());
    QVERIFY(nntp.post(article()).ok);
    QCOMPARE(server.connections, 2);
    QCOMPARE(server.articles.size(), 2);
}

void TestTransport::smtpStartTlsAndAuth_data()
{
    QTest::addColumn<QByteArray>("mechanisms");
    QTest::addColumn<QByteArray>("authCommand");
    QTest::newRow("plain") << QByteArray("AUTH LOGIN PLAIN")
                           << QByteArray("AUTH PLAIN AGFubgBzZWNyZXQ=");
    QTest::newRow("login") << QByteArray("AUTH LOGIN") << QByteArray("AUTH LOGIN");
}

void TestTransport::smtpStartTlsAndAuth()
{
    QFETCH(QByteArray, mechanisms);
    QFETCH(QByteArray, authCommand);
    FakeSmtpServer server;
    server.tls = &m_cert;
    server.extensions = { "PIPELINING", "STARTTLS", mechanisms };
    QVERIFY(server.start());
    TmsSMTP smtp;
    setUp(smtp.socket, server);
    smtp.socket.encryption = Encryption::StartTls;
    smtp.socket.extraCaCertificates = { m_cert.certificate };
    smtp.UserName = u"ann"_s;
    smtp.Password = u"secret"_s;
    bool encryptedAtData = false;
    QObject::connect(&server, &QTcpServer::newConnection, &server, [&] {
        QObject::connect(server.client, &QIODevice::readyRead, &server, [&] {
            if (server.received.size() && server.received.last() == "DATA")
                encryptedAtData = server.client->isEncrypted();
        });
    });
    const TransportResult r = smtp.send(message());
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(server.received.mid(0, 4),
        (QList<QByteArray> { "EHLO desk", "STARTTLS", "EHLO desk", authCommand }));
    QVERIFY(server.received.contains("MAIL FROM:<me@example.org>"));
    QVERIFY(encryptedAtData);
    QCOMPARE(server.messages.size(), 1);

    smtp.Password = u"wrong"_s;
    QCOMPARE(smtp.send(message()).error, u"535 5.7.8 Authentication failed"_s);
}

void TestTransport::smtpImplicitTls()
{
    FakeSmtpServer server;
    server.tls = &m_cert;
    server.implicitTls = true;
    server.extensions = { "AUTH PLAIN" };
    QVERIFY(server.start());
    TmsSMTP smtp;
    setUp(smtp.socket, server);
    smtp.socket.Server = u"localhost:%1"_s.arg(server.port());
    smtp.socket.encryption = Encryption::Tls;
    smtp.socket.extraCaCertificates = { m_cert.certificate };
    smtp.UserName = u"ann"_s;
    smtp.Password = u"secret"_s;
    const TransportResult r = smtp.send(message());
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(server.received.first(), QByteArray("EHLO desk"));
    QCOMPARE(server.messages.size(), 1);

    // Without a user name the dialogue inside TLS is the plain one.
    smtp.UserName.clear();
    server.received.clear();
    QVERIFY(smtp.send(message()).ok);
    QCOMPARE(server.received.first(), QByteArray("HELO desk"));
}

void TestTransport::untrustedCertificateNamesHost()
{
    FakeSmtpServer server;
    server.tls = &m_cert;
    server.extensions = { "STARTTLS", "AUTH PLAIN" };
    QVERIFY(server.start());
    TmsSMTP smtp;
    setUp(smtp.socket, server);
    smtp.socket.Server = u"localhost:%1"_s.arg(server.port());
    smtp.socket.encryption = Encryption::StartTls;
    smtp.UserName = u"ann"_s;
    smtp.Password = u"secret"_s;
    const TransportResult r = smtp.send(message());
    QVERIFY2(r.error.startsWith(u"The certificate of localhost could not be verified: "_s),
        qPrintable(r.error));
    // Nothing went on in plain text after the failed handshake.
    QCOMPARE(server.received, (QList<QByteArray> { "EHLO desk", "STARTTLS" }));
    // Trusting the certificate then lets the same client through (the name is looked up again).
    smtp.socket.extraCaCertificates = { m_cert.certificate };
    const TransportResult trusted = smtp.send(message());
    QVERIFY2(trusted.ok, qPrintable(trusted.error));

    FakeNntpServer news;
    news.tls = &m_cert;
    news.implicitTls = true;
    QVERIFY(news.start());
    TmsNNTP nntp;
    setUp(nntp.socket, news);
    nntp.socket.Server = u"localhost:%1"_s.arg(news.port());
    nntp.socket.encryption = Encryption::Tls;
    QVERIFY(nntp.post(article()).error.startsWith(
        u"The certificate of localhost could not be verified: "_s));
    QVERIFY(news.received.isEmpty());
}

void TestTransport::startTlsNotOffered()
{
    FakeSmtpServer server;
    server.extensions = { "PIPELINING" };
    QVERIFY(server.start());
    TmsSMTP smtp;
    setUp(smtp.socket, server);
    smtp.socket.encryption = Encryption::StartTls;
    QCOMPARE(smtp.send(message()).error, u"The mail server 127.0.0.1 does not offer STARTTLS"_s);
    QCOMPARE(server.received, (QList<QByteArray> { "EHLO desk" }));

    server.extensions = { "SIZE 1000" };
    smtp.socket.encryption = Encryption::None;
    smtp.UserName = u"ann"_s;
    smtp.AllowPlainPassword = true;
    QCOMPARE(smtp.send(message()).error,
        u"The mail server 127.0.0.1 does not offer a sign-in this program knows (AUTH PLAIN or LOGIN)"_s);
}

void TestTransport::nntpOverTls()
{
    FakeNntpServer server;
    server.tls = &m_cert;
    server.implicitTls = true;
    server.requireAuth = true;
    QVERIFY(server.start());
    {
        TmsNNTP nntp;
        setUp(nntp.socket, server);
        nntp.socket.encryption = Encryption::Tls;
        nntp.socket.extraCaCertificates = { m_cert.certificate };
        nntp.Authenticate = true;
        nntp.UserName = u"ann"_s;
        nntp.Password = u"secret"_s;
        const TransportResult r = nntp.post(article());
        QVERIFY2(r.ok, qPrintable(r.error));
        QVERIFY(server.client->isEncrypted());
    }
    QCOMPARE(server.articles.size(), 1);
    QCOMPARE(server.quits, 1);
}

void TestTransport::socketErrorTexts()
{
    QCOMPARE(socketErrorText(10013), u"[10013] Permission denied."_s);
    QCOMPARE(socketErrorText(10065), u"[10065] No Route to Host"_s);
    QCOMPARE(socketErrorText(11004), u"[11004] Valid name, no data record of requested type"_s);
    QCOMPARE(socketErrorText(12345), u"Error #12345"_s);
    int known = 0;
    for (int code = 10000; code < 11100; ++code)
        known += socketErrorText(code).startsWith(u'[') ? 1 : 0;
    QCOMPARE(known, 51);
}

QTEST_GUILESS_MAIN(TestTransport)
#include "tst_transport.moc"
