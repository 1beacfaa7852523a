// The pack's trusted timestamp against a local time-stamping service (openssl ts -reply), each
// reply checked by `openssl ts -verify` as an insurer would; what is sent when no service is set
// is watched from outside the process with strace.
#include <atomic>
#include <thread>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

#include "../support/toolrun.h"
#include "../support/tsaserver.h"
#include "insurancepack/timestamp.h"
#include "store/datafile.h"
#include "store/recordstore.h"

using namespace Qt::StringLiterals;

namespace {

QString tool()
{
    return QStringLiteral(LARKSPUR_TOOL_PATH);
}

// `openssl ts -verify` of a reply against the data it stamps and the service's certificate.
ToolRun verify(const QString &data, const QString &reply, const QString &certificate)
{
    return runProgram(u"openssl"_s,
        { u"ts"_s, u"-verify"_s, u"-data"_s, data, u"-in"_s, reply, u"-CAfile"_s, certificate });
}

// sha256sum -c in the pack, as the insurer checks it.
int checkManifest(const QString &pack)
{
    QProcess p;
    p.setWorkingDirectory(pack);
    p.start(u"sha256sum"_s, { u"-c"_s, u"--quiet"_s, u"manifest.sha256"_s });
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

QByteArray sha256(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

} // namespace

class TestTimestamp : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void toolStampsTheManifest();
    void serviceFailures_data();
    void serviceFailures();
    void sendsNothingWithoutAnAddress_data();
    void sendsNothingWithoutAnAddress();
    void checkHoldsRepliesToTheirRequest();
    void cancelAndTimeoutWhileTheServiceHolds();
    void addresses_data();
    void addresses();

private:
    QTemporaryDir m_dir;
    QString m_db;
    QString path(const QString &name) const { return m_dir.filePath(name); }
};

void TestTimestamp::initTestCase()
{
    QVERIFY(m_dir.isValid());
    RecordStore store;
    for (int i = 0; i < 3; ++i) {
        ItemRecord r;
        r.setName(u"Item %1"_s.arg(i));
        r.setDetail(1, u"%1.00"_s.arg(100 * (i + 1)));
        store.append(r);
    }
    m_db = path(u"house.dat"_s);
    QVERIFY(DataFile::writeDatabase(m_db, store).ok);
}

void TestTimestamp::toolStampsTheManifest()
{
    TsaServer tsa(path(u"tsa-good"_s));
    QVERIFY(tsa.listening());
    const QString pack = path(u"stamped"_s);
    const ToolRun r = runProgram(tool(),
        { u"insurance-pack"_s, m_db, pack, u"--photos"_s, u"none"_s, u"--timestamp"_s,
            tsa.address() });
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QVERIFY(r.outText().contains(u"manifest.sha256 timestamped at "_s));
    QVERIFY(tsa.nextRequest() > 0);

    const QString manifest = pack + u"/manifest.sha256"_s;
    const QString reply = pack + u"/manifest.sha256.tsr"_s;
    const ToolRun ok = verify(manifest, reply, tsa.certificate());
    QVERIFY2(ok.exitCode == 0 && ok.outText().contains(u"Verification: OK"_s),
        QByteArray(ok.out + ok.err).constData());
    // The pack still checks as it did, and the reply is for the manifest, not any file.
    QCOMPARE(checkManifest(pack), 0);
    const ToolRun other = verify(pack + u"/inventory.csv"_s, reply, tsa.certificate());
    QVERIFY(other.exitCode != 0);
    QFile f(manifest);
    QVERIFY(f.open(QIODevice::Append));
    f.write("0000000000000000000000000000000000000000000000000000000000000000  extra\n");
    f.close();
    QVERIFY(verify(manifest, reply, tsa.certificate()).exitCode != 0);
}

void TestTimestamp::serviceFailures_data()
{
    QTest::addColumn<QStringList>("options"); // the service's; empty: nothing listens
    QTest::addColumn<QString>("reason");
    QTest::newRow("nothing listens") << QStringList() << u"refused"_s;
    QTest::newRow("server error") << QStringList { u"--status"_s, u"503"_s } << u"503"_s;
    QTest::newRow("not a reply") << QStringList { u"--garbage"_s } << u"not a timestamp reply"_s;
}

// The pack is kept (the photos may have taken an hour), the tool fails, and nothing in the pack
// claims a timestamp.
void TestTimestamp::serviceFailures()
{
    QFETCH(QStringList, options);
    QFETCH(QString, reason);
    std::unique_ptr<TsaServer> tsa;
    QString address;
    if (options.isEmpty()) {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        address = u"http://127.0.0.1:%1/"_s.arg(closed.serverPort());
    } else {
        tsa = std::make_unique<TsaServer>(
            path(u"tsa-"_s + QString::fromLatin1(QTest::currentDataTag())), options);
        QVERIFY(tsa->listening());
        address = tsa->address();
    }
    const QString pack = path(u"failed-"_s + QString::fromLatin1(QTest::currentDataTag()));
    const ToolRun r = runProgram(tool(),
        { u"insurance-pack"_s, m_db, pack, u"--photos"_s, u"none"_s, u"--timestamp"_s, address });
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.errText().contains(u"the pack has no timestamp"_s), r.err.constData());
    QVERIFY2(r.errText().contains(reason, Qt::CaseInsensitive), r.err.constData());
    QVERIFY(!r.outText().contains(u"timestamped"_s));
    QVERIFY(QFileInfo::exists(pack + u"/manifest.sha256"_s));
    QVERIFY(!QFileInfo::exists(pack + u"/manifest.sha256.tsr"_s));
    QCOMPARE(QDir(pack).entryList(QDir::Files | QDir::Hidden).filter(u"tsr"_s), QStringList());
    QCOMPARE(checkManifest(pack), 0);
}

void TestTimestamp::sendsNothingWithoutAnAddress_data()
{
    QTest::addColumn<bool>("withAddress");
    // With an address the watcher must see the connection: it watches what it should.
    QTest::newRow("address") << true;
    QTest::newRow("none") << false;
}

void TestTimestamp::sendsNothingWithoutAnAddress()
{
    QFETCH(bool, withAddress);
    TsaServer tsa(path(u"tsa-watched"_s));
    QVERIFY(tsa.listening());
    const QString pack = path(withAddress ? u"watched-address"_s : u"watched-none"_s);
    const QString log = pack + u".strace"_s;
    QStringList args { u"-f"_s, u"-qq"_s, u"-e"_s, u"trace=connect,sendto,sendmsg"_s, u"-o"_s, log,
        tool(), u"insurance-pack"_s, m_db, pack, u"--photos"_s, u"none"_s };
    if (withAddress)
        args << u"--timestamp"_s << tsa.address();
    const ToolRun r = runProgram(u"strace"_s, args);
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QFile f(log);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray calls = f.readAll();
    QCOMPARE(calls.contains("AF_INET"), withAddress);
    QCOMPARE(QFileInfo::exists(pack + u"/manifest.sha256.tsr"_s), withAddress);
    if (!withAddress)
        QCOMPARE(tsa.unread(), QByteArray());
}

// A reply is taken only for the digest and nonce asked, whole and with its signature intact.
void TestTimestamp::checkHoldsRepliesToTheirRequest()
{
    TsaServer tsa(path(u"tsa-check"_s)); // makes the service's key and configuration
    QVERIFY(tsa.listening());
    const QByteArray digest = sha256("the manifest");
    const quint64 nonce = 0x1234567890abcdefULL;
    const QByteArray query = Timestamp::request(digest, nonce);
    QVERIFY(!query.isEmpty());
    QFile q(path(u"query.tsq"_s));
    QVERIFY(q.open(QIODevice::WriteOnly));
    q.write(query);
    q.close();
    // openssl reads the request as a service does.
    const ToolRun text
        = runProgram(u"openssl"_s, { u"ts"_s, u"-query"_s, u"-in"_s, q.fileName(), u"-text"_s });
    QVERIFY(text.outText().contains(u"Hash Algorithm: sha256"_s));
    QVERIFY(text.outText().contains(u"Nonce: 0x1234567890ABCDEF"_s));
    QVERIFY(text.outText().contains(u"Certificate required: yes"_s));
    const ToolRun made = runProgram(u"openssl"_s,
        { u"ts"_s, u"-reply"_s, u"-config"_s, path(u"tsa-check/tsa.cnf"_s), u"-queryfile"_s,
            q.fileName() });
    QCOMPARE(made.exitCode, 0);
    const QByteArray reply = made.out;

    const Timestamp::Reply good = Timestamp::check(reply, digest, nonce);
    QVERIFY2(good.ok, qPrintable(good.message));
    QVERIFY(qAbs(good.time.secsTo(QDateTime::currentDateTimeUtc())) < 600);
    QVERIFY(!Timestamp::check(reply, sha256("another manifest"), nonce).ok);
    QVERIFY(!Timestamp::check(reply, digest, nonce + 1).ok);
    QVERIFY(!Timestamp::check(reply.left(reply.size() - 1), digest, nonce).ok);
    QVERIFY(!Timestamp::check(QByteArray(), digest, nonce).ok);
    // The signature is the last thing in the reply: a changed byte of it must be noticed.
    QByteArray forged = reply;
    forged[forged.size() - 3] = char(forged[forged.size() - 3] ^ 0x01);
    const Timestamp::Reply bad = Timestamp::check(forged, digest, nonce);
    QVERIFY(!bad.ok);
    QVERIFY2(bad.message.contains(u"signature"_s), qPrintable(bad.message));
}

void TestTimestamp::cancelAndTimeoutWhileTheServiceHolds()
{
    TsaServer tsa(path(u"tsa-hold"_s), { u"--hold"_s });
    QVERIFY(tsa.listening());
    std::atomic_bool cancel = false;
    Timestamp::Reply cancelled;
    std::thread asking([&] { cancelled = Timestamp::stamp(tsa.address(), "data", &cancel); });
    QVERIFY(tsa.nextRequest() > 0); // the request is with the service, which does not answer
    cancel = true;
    asking.join();
    QVERIFY(!cancelled.ok);
    QCOMPARE(cancelled.message, u"Cancelled"_s);

    const Timestamp::Reply late = Timestamp::stamp(tsa.address(), "data", nullptr, 1000);
    QVERIFY(!late.ok);
    QVERIFY2(late.message.contains(u"no answer within 1 s"_s), qPrintable(late.message));
}

void TestTimestamp::addresses_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("good");
    QTest::newRow("http") << u"http://timestamp.example.org/tsa"_s << true;
    QTest::newRow("https with port") << u"https://tsa.example.org:8443/x?y=1"_s << true;
    QTest::newRow("no scheme") << u"timestamp.example.org"_s << false;
    QTest::newRow("ftp") << u"ftp://timestamp.example.org/"_s << false;
    QTest::newRow("no host") << u"http:///tsa"_s << false;
    QTest::newRow("file") << u"file:///etc/passwd"_s << false;
}

void TestTimestamp::addresses()
{
    QFETCH(QString, address);
    QFETCH(bool, good);
    QCOMPARE(Timestamp::addressProblem(address).isEmpty(), good);
    if (!good) {
        // The tool says so before it writes anything.
        const QString pack = path(u"refused-"_s + QString::fromLatin1(QTest::currentDataTag()));
        const ToolRun r
            = runProgram(tool(), { u"insurance-pack"_s, m_db, pack, u"--timestamp"_s, address });
        QCOMPARE(r.exitCode, 2);
        QVERIFY(!QFileInfo::exists(pack));
    }
}

QTEST_GUILESS_MAIN(TestTimestamp)
#include "tst_timestamp.moc"
