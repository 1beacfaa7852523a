// larkspur-tool send, run as the real executable against servers in this process.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include "reports/reportformat.h"
#include "store/datafile.h"
#include "store/recordstore.h"
#include "tests/sending/fakeservers.h"

using namespace Qt::StringLiterals;

namespace {

struct Run
{
    int exitCode = -1;
    QByteArray out, err;
};

// The servers answer from this process's event loop while the tool runs. With systemStore the
// tool runs in a mount namespace of its own whose /etc/ssl/certs is that folder.
Run runTool(const QStringList &args, const QString &systemStore = QString())
{
    // The tool measures text with a GUI application, which wants a private runtime folder.
    static QTemporaryDir runtime;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_RUNTIME_DIR"_s, runtime.path());
    p.setProcessEnvironment(env);
    QSignalSpy finished(&p, &QProcess::finished);
    const QStringList toolArgs = QStringList { u"send"_s } + args;
    if (systemStore.isEmpty()) {
        p.start(QStringLiteral(LARKSPUR_TOOL_PATH), toolArgs);
    } else {
        p.start(u"unshare"_s,
            QStringList { u"--mount"_s, u"--propagation"_s, u"private"_s, u"sh"_s, u"-c"_s,
                u"mount --bind \"$0\" /etc/ssl/certs && exec \"$@\""_s, systemStore,
                QStringLiteral(LARKSPUR_TOOL_PATH) }
                + toolArgs);
    }
    Run r;
    if (!finished.wait(120000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

} // namespace

class TestSendCommand : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void mailsTheTextTable();
    void mailOverStartTlsWithUser();
    void trustsTheSystemStore_data();
    void trustsTheSystemStore();
    void postsAfterAuthentication();
    void plainPasswordNeedsTheFlag_data();
    void plainPasswordNeedsTheFlag();
    void serverRefusalExitsOne();
    void runsUnderItsOwnName();
    void usage_data();
    void usage();

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QStringList files() const { return { path(u"f.rpt"_s), path(u"in.dat"_s) }; }
    QTemporaryDir m_dir;
    TestCertificate m_cert;
    TestCertificate m_authority; // the only authority in the tool's system store
    TestCertificate m_issued; // issued by m_authority
    QTemporaryDir m_systemStore;
};

void TestSendCommand::initTestCase()
{
    QVERIFY(m_cert.make());
    QVERIFY(m_authority.makeAuthority());
    QVERIFY(m_issued.make(&m_authority));
    // A store as the system keeps one: the certificate and its hash link.
    const QString stored = m_systemStore.filePath(u"larkspur-test.pem"_s);
    QVERIFY(QFile::copy(m_authority.certificatePath(), stored));
    QProcess rehash;
    rehash.start(u"openssl"_s, { u"rehash"_s, m_systemStore.path() });
    QVERIFY(rehash.waitForFinished(60000));
    QCOMPARE(rehash.exitCode(), 0);
    QCOMPARE(QDir(m_systemStore.path()).entryList(QDir::Files | QDir::System).size(), 2);
    RecordStore store;
    for (const QString &name : { u"Lamp"_s, u"Teapot"_s, u"."_s }) {
        ItemRecord r;
        r.setName(name);
        store.append(r);
    }
    QVERIFY(DataFile::writeDatabase(path(u"in.dat"_s), store).ok);
    ReportDefinition d;
    d.items = { { 22, 0, u"Name"_s } };
    d.columnCount = u"1"_s;
    QVERIFY(ReportFormat::save(path(u"f.rpt"_s), d).ok());
    QFile pw(path(u"pw"_s));
    QVERIFY(pw.open(QIODevice::WriteOnly));
    pw.write("secret\nnot this line\n");
}

void TestSendCommand::mailsTheTextTable()
{
    FakeSmtpServer server;
    QVERIFY(server.start());
    const Run r = runTool(files()
        + QStringList { u"--mail"_s, u"--server"_s, server.address(), u"--from"_s,
            u"me@example.org"_s, u"--to"_s, u"js@example.org"_s, u"--to-name"_s, u"J. Smith"_s,
            u"--subject"_s, u"Monthly"_s, u"--priority"_s, u"low"_s });
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QByteArray("Mail sent to js@example.org\n"));
    QCOMPARE(server.received.first(), QByteArray("HELO ") + server.received.first().mid(5));
    QCOMPARE(server.messages.size(), 1);
    const QByteArray &m = server.messages[0];
    QVERIFY(m.contains("\r\nTo:       \"J. Smith\" <js@example.org>\r\n"));
    QVERIFY(m.contains("\r\nX-Priority: 5\r\n"));
    QVERIFY(m.contains("\r\nSubject: Monthly\r\n"));
    // Widths 2 and 6: T = 2 x 2 + 8 = 12; no totals in the table.
    QVERIFY(m.endsWith("\r\n\r\n\r\n-------------\r\n#   Name     \r\n-------------\r\n"
                       "1.  Lamp     \r\n2.  Teapot   \r\n3.  .        \r\n\r\n\r\n"));
}

void TestSendCommand::mailOverStartTlsWithUser()
{
    FakeSmtpServer server;
    server.tls = &m_cert;
    server.extensions = { "STARTTLS", "AUTH LOGIN" };
    QVERIFY(server.start());
    const QStringList args = files()
        + QStringList { u"--mail"_s, u"--server"_s, u"localhost:%1"_s.arg(server.port()),
              u"--from"_s, u"me@example.org"_s, u"--to"_s, u"js@example.org"_s, u"--subject"_s,
              u"Monthly"_s, u"--encryption"_s, u"starttls"_s, u"--user"_s, u"ann"_s,
              u"--password-file"_s, path(u"pw"_s) };
    const Run untrusted = runTool(args);
    QCOMPARE(untrusted.exitCode, 1);
    QVERIFY2(untrusted.err.startsWith("The certificate of localhost could not be verified: "),
        untrusted.err.constData());

    const Run r = runTool(args + QStringList { u"--ca-file"_s, m_cert.certificatePath() });
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.exitCode, 0);
    QVERIFY(server.received.contains("AUTH LOGIN"));
    QCOMPARE(server.messages.size(), 1);
}

void TestSendCommand::trustsTheSystemStore_data()
{
    QTest::addColumn<bool>("news");
    QTest::addColumn<bool>("issued"); // the server's certificate chains to the system store
    QTest::addColumn<bool>("ownFile"); // --ca-file with the self-signed certificate
    QTest::addColumn<bool>("sent");
    QTest::newRow("mail, system store") << false << true << false << true;
    QTest::newRow("mail, system store and own file") << false << true << true << true;
    QTest::newRow("mail, own file") << false << false << true << true;
    QTest::newRow("mail, trusted by nothing") << false << false << false << false;
    QTest::newRow("news, system store") << true << true << false << true;
    QTest::newRow("news, system store and own file") << true << true << true << true;
    QTest::newRow("news, trusted by nothing") << true << false << false << false;
}

// Mail over STARTTLS and news over TLS, with a system store that holds only the test authority.
void TestSendCommand::trustsTheSystemStore()
{
    QFETCH(bool, news);
    QFETCH(bool, issued);
    QFETCH(bool, ownFile);
    QFETCH(bool, sent);
    FakeSmtpServer mail;
    mail.extensions = { "STARTTLS" };
    FakeNntpServer newsServer;
    newsServer.implicitTls = true;
    LineServer &server = news ? static_cast<LineServer &>(newsServer) : mail;
    server.tls = issued ? &m_issued : &m_cert;
    QVERIFY(server.start());
    QStringList args = files()
        + QStringList { u"--server"_s, u"localhost:%1"_s.arg(server.port()), u"--from"_s,
              u"me@example.org"_s, u"--subject"_s, u"Monthly"_s };
    if (news)
        args += { u"--news"_s, u"--group"_s, u"local.test"_s, u"--encryption"_s, u"tls"_s };
    else
        args += { u"--mail"_s, u"--to"_s, u"js@example.org"_s, u"--encryption"_s, u"starttls"_s };
    if (ownFile)
        args += { u"--ca-file"_s, m_cert.certificatePath() };
    const Run r = runTool(args, m_systemStore.path());
    if (sent) {
        QCOMPARE(r.err, QByteArray());
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(news ? newsServer.articles.size() : mail.messages.size(), 1);
    } else {
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.startsWith("The certificate of localhost could not be verified: "),
            r.err.constData());
        // Nothing went on after the failed handshake.
        QCOMPARE(server.received.value(server.received.size() - 1), news ? "" : "STARTTLS");
        QCOMPARE(news ? newsServer.articles.size() : mail.messages.size(), 0);
    }
}

void TestSendCommand::postsAfterAuthentication()
{
    FakeNntpServer server;
    server.requireAuth = true;
    QVERIFY(server.start());
    const Run r = runTool(files()
        + QStringList { u"--news"_s, u"--server"_s, server.address(), u"--from"_s,
            u"me@example.org"_s, u"--group"_s, u"local.test"_s, u"--subject"_s, u"Monthly"_s,
            u"--authenticate"_s, u"--user"_s, u"ann"_s, u"--password-file"_s, path(u"pw"_s),
            u"--allow-plain-password"_s });
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QByteArray("Article posted to local.test\n"));
    QCOMPARE(server.received,
        (QList<QByteArray> {
            "POST", "AUTHINFO USER ann", "AUTHINFO PASS secret", "POST", "QUIT" }));
    QCOMPARE(server.articles.size(), 1);
    QVERIFY(server.articles[0].contains("\r\nNewsgroups: local.test\r\n"));
    QVERIFY(server.articles[0].endsWith("\r\n3.  .        \r\n\r\n"));
}

void TestSendCommand::plainPasswordNeedsTheFlag_data()
{
    QTest::addColumn<bool>("news");
    QTest::addColumn<bool>("flag");
    QTest::newRow("mail") << false << false;
    QTest::newRow("mail, allowed") << false << true;
    QTest::newRow("news") << true << false;
    QTest::newRow("news, allowed") << true << true;
}

void TestSendCommand::plainPasswordNeedsTheFlag()
{
    QFETCH(bool, news);
    QFETCH(bool, flag);
    FakeSmtpServer mail;
    mail.extensions = { "AUTH PLAIN" };
    FakeNntpServer newsServer;
    newsServer.requireAuth = true;
    LineServer &server = news ? static_cast<LineServer &>(newsServer) : mail;
    QVERIFY(server.start());
    QStringList args = files()
        + QStringList { u"--server"_s, server.address(), u"--from"_s, u"me@example.org"_s,
              u"--subject"_s, u"Monthly"_s, u"--user"_s, u"ann"_s, u"--password-file"_s,
              path(u"pw"_s) };
    if (news)
        args += { u"--news"_s, u"--group"_s, u"local.test"_s, u"--authenticate"_s };
    else
        args += { u"--mail"_s, u"--to"_s, u"js@example.org"_s };
    if (flag)
        args += u"--allow-plain-password"_s;
    const Run r = runTool(args);
    const QByteArray signIn = news ? "AUTHINFO PASS secret" : "AUTH PLAIN AGFubgBzZWNyZXQ=";
    if (flag) {
        QCOMPARE(r.err, QByteArray());
        QCOMPARE(r.exitCode, 0);
        QVERIFY(server.received.contains(signIn));
    } else {
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.err,
            "The password for " + server.address().toLatin1()
                + " would go unencrypted, readable by anyone on the network; use --encryption "
                  "starttls or tls, or --allow-plain-password if you accept that\n");
        QCOMPARE(r.out, QByteArray());
        QCOMPARE(server.connections, 0);
    }
}

void TestSendCommand::serverRefusalExitsOne()
{
    FakeNntpServer server;
    server.requireAuth = true;
    QVERIFY(server.start());
    const QStringList news { u"--news"_s, u"--server"_s, server.address(), u"--from"_s,
        u"me@example.org"_s, u"--group"_s, u"local.test"_s, u"--subject"_s, u"Monthly"_s };
    const Run r = runTool(files() + news);
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.err, QByteArray("480 Authentication required\n"));
    QCOMPARE(r.out, QByteArray());

    const Run noPassword = runTool(files() + news
        + QStringList {
            u"--authenticate"_s, u"--user"_s, u"ann"_s, u"--password-file"_s, path(u"missing"_s) });
    QCOMPARE(noPassword.exitCode, 1);
    QCOMPARE(noPassword.err,
        u"Cannot open file %1: No such file or directory\n"_s.arg(path(u"missing"_s)).toUtf8());

    const Run noFormat = runTool(QStringList { path(u"missing.rpt"_s), path(u"in.dat"_s) } + news);
    QCOMPARE(noFormat.exitCode, 1);
    QVERIFY(!noFormat.err.isEmpty());
    QCOMPARE(server.articles.size(), 0);
}

// While the tool waits for a server's greeting it is a running process to look at: it is named
// larkspur-tool (a restart through /proc/self/exe would name it "exe"), and as it reads no
// picture it has loaded no picture library.
void TestSendCommand::runsUnderItsOwnName()
{
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QTemporaryDir runtime;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_RUNTIME_DIR"_s, runtime.path());
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(LARKSPUR_TOOL_PATH),
        QStringList { u"send"_s } + files()
            + QStringList { u"--mail"_s, u"--server"_s, u"127.0.0.1:%1"_s.arg(silent.serverPort()),
                u"--from"_s, u"me@example.org"_s, u"--to"_s, u"js@example.org"_s, u"--subject"_s,
                u"Monthly"_s });
    QVERIFY(p.waitForStarted());
    QVERIFY(silent.waitForNewConnection(60000));
    const QString proc = u"/proc/%1/"_s.arg(p.processId());
    QFile comm(proc + u"comm"_s);
    QVERIFY(comm.open(QIODevice::ReadOnly));
    QCOMPARE(comm.readAll().trimmed(), QByteArray("larkspur-tool"));
    QFile maps(proc + u"maps"_s);
    QVERIFY(maps.open(QIODevice::ReadOnly));
    const QByteArray mapped = maps.readAll();
    QVERIFY(mapped.contains("libQt6Core")); // the list is the real one
    for (const char *library : { "GraphicsMagick", "libheif", "libde265", "libx265", "libjpeg",
             "emf2svg", "libtiff", "libwebp", "libjxl", "libQt6Svg", "larkspur-pictures" })
        QVERIFY2(!mapped.contains(library), library);
    delete silent.nextPendingConnection(); // the tool reads end of file and gives up
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 1);
}

void TestSendCommand::usage_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("problem");
    const QStringList mail { u"--mail"_s, u"--server"_s, u"mail"_s, u"--from"_s, u"a@b"_s,
        u"--to"_s, u"c@d"_s, u"--subject"_s, u"s"_s };
    const QStringList news { u"--news"_s, u"--server"_s, u"news"_s, u"--from"_s, u"a@b"_s,
        u"--group"_s, u"g"_s, u"--subject"_s, u"s"_s };
    QTest::newRow("neither") << mail.mid(1) << QByteArray("give --mail or --news");
    QTest::newRow("both") << mail + QStringList { u"--news"_s }
                          << QByteArray("give either --mail or --news");
    QTest::newRow("no recipient") << mail.mid(0, 5) + mail.mid(7)
                                  << QByteArray("--mail needs --to");
    QTest::newRow("priority") << mail + QStringList { u"--priority"_s, u"urgent"_s }
                              << QByteArray("--priority takes normal, high or low, not \"urgent\"");
    QTest::newRow("password on the line") << mail + QStringList { u"--password"_s, u"x"_s }
                                          << QByteArray("unknown option \"--password\"");
    QTest::newRow("news starttls") << news + QStringList { u"--encryption"_s, u"starttls"_s }
                                   << QByteArray("news takes --encryption none or tls");
    QTest::newRow("authenticate without user")
        << news + QStringList { u"--authenticate"_s } << QByteArray("--authenticate needs --user");
    QTest::newRow("value missing")
        << mail + QStringList { u"--ca-file"_s } << QByteArray("--ca-file needs a value");
}

void TestSendCommand::usage()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, problem);
    const Run r = runTool(files() + options);
    QCOMPARE(r.exitCode, 2);
    QCOMPARE(r.out, QByteArray());
    QVERIFY2(r.err.startsWith(
                 QByteArray("larkspur-tool send: " + problem + "\nusage: larkspur-tool send ")),
        r.err.constData());
}

QTEST_GUILESS_MAIN(TestSendCommand)
#include "tst_sendcommand.moc"
