// Small mail and news servers on 127.0.0.1 for the transport tests, driven by socket events only.
#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include <QFile>
#include <QProcess>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>

namespace testcert {

inline bool run(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("openssl"), args);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

inline QStringList newKey(const QString &keyPath)
{
    return { QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
        QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
        QStringLiteral("-keyout"), keyPath };
}

} // namespace testcert

// A certificate for 127.0.0.1 and localhost, made with openssl for the run: self-signed, or
// issued by a test authority.
struct TestCertificate
{
    QTemporaryDir dir;
    QSslCertificate certificate;
    QSslKey key;
    QString certificatePath() const { return dir.filePath(QStringLiteral("cert.pem")); }
    QString keyPath() const { return dir.filePath(QStringLiteral("key.pem")); }

    bool make(const TestCertificate *issuer = nullptr)
    {
        using namespace testcert;
        const QString names = QStringLiteral("subjectAltName=IP:127.0.0.1,DNS:localhost");
        if (!issuer) {
            if (!run(QStringList { QStringLiteral("req"), QStringLiteral("-x509") }
                    + newKey(keyPath())
                    + QStringList { QStringLiteral("-out"), certificatePath(),
                        QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                        QStringLiteral("/CN=localhost"), QStringLiteral("-addext"), names }))
                return false;
        } else {
            const QString request = dir.filePath(QStringLiteral("req.pem"));
            const QString extensions = dir.filePath(QStringLiteral("ext.cnf"));
            QFile ext(extensions);
            if (!ext.open(QIODevice::WriteOnly) || ext.write(names.toLatin1() + '\n') < 0)
                return false;
            ext.close();
            if (!run(QStringList { QStringLiteral("req"), QStringLiteral("-new") }
                    + newKey(keyPath())
                    + QStringList { QStringLiteral("-out"), request, QStringLiteral("-subj"),
                        QStringLiteral("/CN=localhost") })
                || !run({ QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
                    request, QStringLiteral("-CA"), issuer->certificatePath(),
                    QStringLiteral("-CAkey"), issuer->keyPath(), QStringLiteral("-set_serial"),
                    QStringLiteral("2"), QStringLiteral("-days"), QStringLiteral("2"),
                    QStringLiteral("-extfile"), extensions, QStringLiteral("-out"),
                    certificatePath() }))
                return false;
        }
        return load();
    }

    // An authority that signs the certificates of other TestCertificates.
    bool makeAuthority()
    {
        using namespace testcert;
        return run(QStringList { QStringLiteral("req"), QStringLiteral("-x509") }
                   + newKey(keyPath())
                   + QStringList { QStringLiteral("-out"), certificatePath(),
                       QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                       QStringLiteral("/CN=Larkspur Test Authority"), QStringLiteral("-addext"),
                       QStringLiteral("basicConstraints=critical,CA:TRUE"),
                       QStringLiteral("-addext"),
                       QStringLiteral("keyUsage=critical,keyCertSign,cRLSign") })
            && load();
    }

private:
    bool load()
    {
        QFile c(certificatePath());
        QFile k(keyPath());
        if (!c.open(QIODevice::ReadOnly) || !k.open(QIODevice::ReadOnly))
            return false;
        certificate = QSslCertificate(&c, QSsl::Pem);
        key = QSslKey(&k, QSsl::Ec, QSsl::Pem);
        return !certificate.isNull() && !key.isNull();
    }
};

// One client at a time; every received line is recorded and answered by `answer`.
class LineServer : public QTcpServer
{
public:
    QList<QByteArray> received; // command lines as received, without CR LF
    QList<QByteArray> greeting { "220 fake.test ready" };
    bool silent = false; // never answers: for time-outs
    // When set, the lines of the greeting and of long replies go out one per interval.
    std::chrono::milliseconds lineInterval { 0 };
    bool implicitTls = false;
    const TestCertificate *tls = nullptr;
    int connections = 0;
    int quits = 0;
    QSslSocket *client = nullptr;

    bool start() { return listen(QHostAddress(QStringLiteral("127.0.0.1")), 0); }
    quint16 port() const { return serverPort(); }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(port()); }

    void say(const QByteArray &line)
    {
        if (client && !silent)
            client->write(line + "\r\n");
    }
    // The lines of one reply, at once or one per lineInterval.
    void reply(QList<QByteArray> lines)
    {
        if (lineInterval.count() == 0 || !client) {
            for (const QByteArray &line : lines)
                say(line);
            return;
        }
        auto *timer = new QTimer(client);
        timer->setTimerType(Qt::PreciseTimer);
        timer->setInterval(lineInterval);
        auto pending = std::make_shared<QList<QByteArray>>(std::move(lines));
        QObject::connect(timer, &QTimer::timeout, client, [this, timer, pending] {
            if (!pending->isEmpty())
                say(pending->takeFirst());
            if (pending->isEmpty())
                timer->deleteLater();
        });
        timer->start();
    }
    // STARTTLS: the answer goes out in plain text, then the handshake starts.
    void startTls()
    {
        client->flush();
        client->startServerEncryption();
    }

protected:
    virtual void onLine(const QByteArray &line) = 0;
    virtual void onConnected() { }

    void incomingConnection(qintptr descriptor) override
    {
        ++connections;
        auto *socket = new QSslSocket(this);
        socket->setSocketDescriptor(descriptor);
        if (tls) {
            socket->setLocalCertificate(tls->certificate);
            socket->setPrivateKey(tls->key);
            socket->setPeerVerifyMode(QSslSocket::VerifyNone);
        }
        if (client)
            client->deleteLater();
        client = socket;
        onConnected();
        QObject::connect(socket, &QIODevice::readyRead, this, [this, socket] {
            while (socket == client && socket->canReadLine()) {
                QByteArray line = socket->readLine();
                line.chop(line.endsWith("\r\n") ? 2 : 1);
                onLine(line);
            }
        });
        if (implicitTls) {
            QObject::connect(socket, &QSslSocket::encrypted, this, [this] { sendGreeting(); });
            socket->startServerEncryption();
        } else {
            sendGreeting();
        }
    }

private:
    void sendGreeting() { reply(greeting); }
};

class FakeSmtpServer : public LineServer
{
public:
    QList<QByteArray> messages; // message texts as they arrived, dot-stuffing undone, CR LF kept
    QList<QByteArray> rawMessages; // as they came over the wire
    bool rejectNamedHelo = false;
    QList<QByteArray> extensions; // EHLO lines after the first, e.g. "STARTTLS", "AUTH PLAIN"
    QByteArray user = "ann";
    QByteArray password = "secret";
    QList<QByteArray> rejectRecipients;
    bool dropAfterMessage = false; // hangs up instead of waiting for QUIT
    int heloContinuations = 0; // lines of "250-" before the last line of the HELO reply

private:
    bool m_data = false;
    int m_loginStep = 0;
    QByteArray m_message;
    QByteArray m_raw;

    void onConnected() override
    {
        m_data = false;
        m_loginStep = 0;
    }

    void onLine(const QByteArray &line) override
    {
        if (m_data) {
            m_raw += line + "\r\n";
            if (line == ".") {
                m_data = false;
                messages += m_message;
                rawMessages += m_raw;
                say("250 2.0.0 Ok: queued");
                if (dropAfterMessage)
                    client->disconnectFromHost();
            } else {
                m_message += (line.startsWith('.') ? line.mid(1) : line) + "\r\n";
            }
            return;
        }
        received += line;
        if (m_loginStep == 1) {
            m_loginStep = QByteArray::fromBase64(line) == user ? 2 : 0;
            say(m_loginStep ? "334 UGFzc3dvcmQ6" : "535 5.7.8 Authentication failed");
            return;
        }
        if (m_loginStep == 2) {
            m_loginStep = 0;
            say(QByteArray::fromBase64(line) == password ? "235 2.7.0 Authentication successful"
                                                         : "535 5.7.8 Authentication failed");
            return;
        }
        const QByteArray verb = line.split(' ').first().toUpper();
        if (verb == "HELO") {
            QList<QByteArray> lines;
            for (int i = 0; i < heloContinuations; ++i)
                lines += "250-fake.test line " + QByteArray::number(i);
            lines += rejectNamedHelo && line.size() > 4 ? "501 Syntax: HELO hostname"
                                                        : "250 fake.test";
            reply(lines);
        } else if (verb == "EHLO") {
            if (extensions.isEmpty()) {
                say("250 fake.test");
            } else {
                say("250-fake.test");
                for (qsizetype i = 0; i < extensions.size(); ++i)
                    say((i + 1 < extensions.size() ? "250-" : "250 ") + extensions[i]);
            }
        } else if (verb == "STARTTLS") {
            say("220 2.0.0 Ready to start TLS");
            startTls();
        } else if (line.startsWith("AUTH PLAIN ")) {
            const QByteArray expected = QByteArray(1, '\0') + user + '\0' + password;
            say(QByteArray::fromBase64(line.mid(11)) == expected
                    ? "235 2.7.0 Authentication successful"
                    : "535 5.7.8 Authentication failed");
        } else if (line == "AUTH LOGIN") {
            m_loginStep = 1;
            say("334 VXNlcm5hbWU6");
        } else if (verb == "MAIL") {
            say("250 2.1.0 Ok");
        } else if (verb == "RCPT") {
            bool rejected = false;
            for (const QByteArray &r : rejectRecipients)
                rejected = rejected || line.contains(r);
            say(rejected ? QByteArray(
                    "550 5.1.1 <" + line.mid(9).chopped(1) + ">: Recipient address rejected")
                         : QByteArray("250 2.1.5 Ok"));
        } else if (verb == "DATA") {
            m_data = true;
            m_message.clear();
            m_raw.clear();
            say("354 End data with <CR><LF>.<CR><LF>");
        } else if (verb == "QUIT") {
            ++quits;
            say("221 2.0.0 Bye");
            client->disconnectFromHost();
        } else {
            say("502 5.5.2 Error: command not recognized");
        }
    }
};

class FakeNntpServer : public LineServer
{
public:
    QList<QByteArray> articles; // as they arrived, dot-stuffing undone
    bool requireAuth = false;
    bool authAfterArticle = false; // asks for the sign-in only once the article is in
    QByteArray user = "ann";
    QByteArray password = "secret";

    FakeNntpServer() { greeting = { "200 fake.test InterNetNews NNRP server ready" }; }

private:
    bool m_article = false;
    bool m_signedIn = false;
    QByteArray m_userGiven;
    QByteArray m_text;

    void onConnected() override
    {
        m_article = false;
        m_signedIn = false;
    }

    void onLine(const QByteArray &line) override
    {
        if (m_article) {
            if (line == ".") {
                m_article = false;
                if (authAfterArticle && !m_signedIn) {
                    say("480 Authentication required");
                    return;
                }
                articles += m_text;
                say("240 Article received <1@fake.test>");
            } else {
                m_text += (line.startsWith('.') ? line.mid(1) : line) + "\r\n";
            }
            return;
        }
        received += line;
        if (line == "POST") {
            if (requireAuth && !m_signedIn) {
                say("480 Authentication required");
                return;
            }
            m_article = true;
            m_text.clear();
            say("340 Ok, recommended message-ID <1@fake.test>");
        } else if (line.startsWith("AUTHINFO USER ")) {
            m_userGiven = line.mid(14);
            say("381 Enter password");
        } else if (line.startsWith("AUTHINFO PASS ")) {
            m_signedIn = m_userGiven == user && line.mid(14) == password;
            say(m_signedIn ? "281 Authentication succeeded" : "481 Authentication failed");
        } else if (line == "QUIT") {
            ++quits;
            say("205 Bye!");
            client->disconnectFromHost();
        } else {
            say("500 What?");
        }
    }
};
