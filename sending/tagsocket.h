// The line-oriented TCP client under the mail and news dialogues: connection, reply lines,
// commands and data, every wait bounded while the program's windows keep running.
#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QSslCertificate>
#include <QSslError>
#include <QString>
#include <QStringList>

class QEventLoop;
class QSslSocket;

enum class Encryption { None, StartTls, Tls };

// What the dialogues throw; the text is what the user is shown.
struct TransportError
{
    QString message;
};

// How a send or post ended: ok, or the text to show.
struct TransportResult
{
    bool ok = true;
    QString error;
};

// The text for a socket error code: the table's row, else "Error #" + code.
QString socketErrorText(int code);

// Why a sign-in is refused on a connection without encryption.
QString plainPasswordRefusal(const QString &host);

// Whether the system can open network sockets at all.
bool WinsockLoaded();

// The system's service entry over TCP ("smtp" → 25), 0 when there is none.
quint16 systemServicePort(const QString &service);

struct Reply
{
    int code = -1; // -1 when the first three characters are not a number
    QStringList lines; // every line of the reply, CR and LF removed
    QString last() const { return lines.isEmpty() ? QString() : lines.last(); }
    bool is(int hundreds) const { return code / 100 == hundreds; }
};

class TagSocket
{
public:
    TagSocket();
    ~TagSocket();
    TagSocket(const TagSocket &) = delete;
    TagSocket &operator=(const TagSocket &) = delete;

    // Server settings; Server is a host name or dotted address, optionally ":" and a port.
    QString Server;
    quint16 DefaultPort = 0;
    QString ServiceName;
    Encryption encryption = Encryption::None;
    QList<QSslCertificate> extraCaCertificates; // trusted besides the system's store
    // Each wait (lookup, connect, a command and its whole reply, send) is limited to this, so
    // tests can use a short time-out.
    std::chrono::milliseconds timeout { 60000 };
    // Platform look-ups, replaceable by tests.
    std::function<quint16(const QString &service)> serviceLookup = systemServicePort;
    std::function<QString()> localHostName;

    QString hostPart() const;
    // The port as the connection takes it: the one in Server, else the service entry, else
    // DefaultPort.
    quint16 port() const;
    QString localName() const;

    void connectToServer(); // throws TransportError
    bool isConnected() const;
    void close();

    QString readLine(); // one reply line without CR LF
    // Multi-line continues while the fourth character is "-"; the whole reply must come within
    // one time-out, however slowly a server sends its lines.
    Reply readReply(bool multiLine);
    void sendLine(const QByteArray &line); // CR LF is added
    void sendData(const QByteArray &data); // in pieces of 2047 bytes
    // Sends a command line and reads its reply, both within one time-out.
    Reply command(const QByteArray &line, bool multiLine);
    void startEncryption(); // STARTTLS: the handshake on the open connection

    QString lastReply; // the last reply line received

private:
    QDeadlineTimer deadline() const { return QDeadlineTimer(timeout); }
    void waitFor(const std::function<bool()> &done, QDeadlineTimer until);
    void waitFor(const std::function<bool()> &done) { waitFor(done, deadline()); }
    QString readLine(QDeadlineTimer until);
    Reply readReply(bool multiLine, QDeadlineTimer until);
    void sendData(const QByteArray &data, const QDeadlineTimer *until);
    void throwSocketError();
    void wake();
    QString sslFailure() const;

    std::unique_ptr<QSslSocket> m_socket;
    QEventLoop *m_loop = nullptr;
    bool m_failed = false;
    int m_error = 0;
    QList<QSslError> m_sslErrors;
    QByteArray m_lineBuffer;
};
