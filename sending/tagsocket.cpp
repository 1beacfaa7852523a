// The line socket over QSslSocket: plain TCP, TLS from the start, or TLS after STARTTLS.
#include "sending/tagsocket.h"

#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QEventLoop>
#include <QHostAddress>
#include <QHostInfo>
#include <QScopeGuard>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTimer>

#include "store/textcodec.h"

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

constexpr qsizetype MaxReplyLine = 1024;
constexpr qsizetype PieceSize = 2047;
// A reply that goes on for longer than this is not a reply any server sends.
constexpr int MaxReplyLines = 1000;

struct ErrorText
{
    int code;
    const char *text;
};

const ErrorText errorTexts[] = {
    { 10004, "Interrupted function call" },
    { 10009, "Bad file descriptor" },
    { 10013, "Permission denied." },
    { 10014, "Bad address" },
    { 10022, "Invalid argument" },
    { 10024, "Too many open files" },
    { 10035, "Resource temporarily not available" },
    { 10036, "Operation now in progress" },
    { 10037, "Operation already in progress" },
    { 10038, "Socket operation on non-socket" },
    { 10039, "Destination address required" },
    { 10040, "Message too long" },
    { 10041, "Protocol wrong type for socket" },
    { 10042, "Bad protocol option" },
    { 10043, "Protocol not supported" },
    { 10044, "Socket type not supported" },
    { 10045, "Operation not supported" },
    { 10046, "Protocol family not supported" },
    { 10047, "Address family not supported by protocol family" },
    { 10048, "Address already in use" },
    { 10049, "Cannot assign requested address" },
    { 10050, "Network is down" },
    { 10051, "Network is unreachable" },
    { 10052, "Network dropped connection or reset" },
    { 10053, "Software caused connection abort" },
    { 10054, "Connection reset by peer" },
    { 10055, "No buffer space available" },
    { 10056, "Socket is already connected" },
    { 10057, "Socket is not connected" },
    { 10058, "Can't send after socket shutdown" },
    { 10059, "Too many references" },
    { 10060, "Connection timed out" },
    { 10061, "Connection refused" },
    { 10062, "Too many levels of symbolic links" },
    { 10063, "File name too long" },
    { 10064, "Host is down" },
    { 10065, "No Route to Host" },
    { 10066, "Directory not empty" },
    { 10067, "Too many processes" },
    { 10068, "Too many users" },
    { 10069, "Disk quota exceeded" },
    { 10070, "Stale file handle" },
    { 10071, "Too many levels of remote in path" },
    { 10091, "Network subsystem is unavailable" },
    { 10092, "Socket library version not supported" },
    { 10093, "Socket library not started" },
    { 10094, "Graceful shutdown in progress" },
    { 11001, "Host not found" },
    { 11002, "Non-Authoritative Host not found" },
    { 11003, "This is a non-recoverable error" },
    { 11004, "Valid name, no data record of requested type" },
};

// The socket library's error code for what Qt reports; 0 where there is none.
int errorCode(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return 10061;
    case QAbstractSocket::RemoteHostClosedError:
        return 10054;
    case QAbstractSocket::HostNotFoundError:
        return 11001;
    case QAbstractSocket::SocketAccessError:
        return 10013;
    case QAbstractSocket::SocketResourceError:
        return 10055;
    case QAbstractSocket::SocketTimeoutError:
        return 10060;
    case QAbstractSocket::DatagramTooLargeError:
        return 10040;
    case QAbstractSocket::NetworkError:
        return 10051;
    case QAbstractSocket::AddressInUseError:
        return 10048;
    case QAbstractSocket::SocketAddressNotAvailableError:
        return 10049;
    case QAbstractSocket::UnsupportedSocketOperationError:
        return 10045;
    case QAbstractSocket::UnfinishedSocketOperationError:
        return 10036;
    case QAbstractSocket::TemporaryError:
        return 10035;
    case QAbstractSocket::OperationError:
        return 10057;
    default:
        return 0;
    }
}

} // namespace

QString socketErrorText(int code)
{
    for (const ErrorText &e : errorTexts) {
        if (e.code == code)
            return u"[%1] "_s.arg(code) + QLatin1StringView(e.text);
    }
    return u"Error #%1"_s.arg(code);
}

QString plainPasswordRefusal(const QString &host)
{
    return u"The password for %1 would go unencrypted, readable by anyone on the network; "
           "choose STARTTLS or TLS encryption"_s.arg(host);
}

bool WinsockLoaded()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

quint16 systemServicePort(const QString &service)
{
    const QByteArray name = service.toLatin1();
    const servent *entry = ::getservbyname(name.constData(), "tcp");
    return entry ? ntohs(quint16(entry->s_port)) : 0;
}

TagSocket::TagSocket() = default;

TagSocket::~TagSocket()
{
    close();
}

QString TagSocket::hostPart() const
{
    return Server.section(u':', 0, 0).trimmed();
}

quint16 TagSocket::port() const
{
    if (Server.contains(u':')) {
        bool ok = false;
        const uint n = Server.section(u':', 1).trimmed().toUInt(&ok);
        if (ok && n != 0 && n <= 65535)
            return quint16(n);
    }
    if (const quint16 service = serviceLookup ? serviceLookup(ServiceName) : 0)
        return service;
    return DefaultPort;
}

QString TagSocket::localName() const
{
    const QString name = localHostName ? localHostName() : QHostInfo::localHostName();
    return name.isEmpty() ? hostPart() : name;
}

bool TagSocket::isConnected() const
{
    return m_socket && m_socket->state() == QAbstractSocket::ConnectedState;
}

void TagSocket::connectToServer()
{
    if (Server.trimmed().isEmpty())
        throw TransportError { u"Server property is required"_s };
    if (!WinsockLoaded())
        throw TransportError { u"Winsock not found"_s };
    if (encryption != Encryption::None && !QSslSocket::supportsSsl())
        throw TransportError { u"Secure connections are not available on this system"_s };
    close();
    // Nothing of an earlier connection's failure may end this one's first wait.
    m_failed = false;
    m_error = 0;
    m_sslErrors.clear();
    m_lineBuffer.clear();
    const QString host = hostPart();

    QHostAddress address;
    if (!address.setAddress(host)) {
        // Looked up while the windows keep running; the context object drops a late answer.
        bool answered = false;
        QList<QHostAddress> found;
        QObject context;
        const int id = QHostInfo::lookupHost(host, &context, [&](const QHostInfo &info) {
            answered = true;
            found = info.addresses();
            wake();
        });
        try {
            waitFor([&] { return answered; });
        } catch (...) {
            QHostInfo::abortHostLookup(id);
            throw;
        }
        if (found.isEmpty())
            throw TransportError { u"Error resolving remote host"_s };
        address = found.first();
        // Servers on a local name often listen on IPv4 only; prefer it when both are known.
        for (const QHostAddress &a : found) {
            if (a.protocol() == QAbstractSocket::IPv4Protocol) {
                address = a;
                break;
            }
        }
    }

    m_socket = std::make_unique<QSslSocket>();
    QSslSocket *s = m_socket.get();
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    // Adding any certificate, even none, stops Qt from looking in the system's store, so the
    // system's certificates go in beside one's own.
    if (!extraCaCertificates.isEmpty())
        config.addCaCertificates(QSslConfiguration::systemCaCertificates() + extraCaCertificates);
    config.setPeerVerifyMode(QSslSocket::VerifyPeer);
    s->setSslConfiguration(config);
    s->setPeerVerifyName(host);
    QObject::connect(s, &QAbstractSocket::errorOccurred, s, [this](QAbstractSocket::SocketError e) {
        m_failed = true;
        m_error = int(e);
        wake();
    });
    QObject::connect(s, &QSslSocket::sslErrors, s,
        [this](const QList<QSslError> &errors) { m_sslErrors = errors; });
    for (auto signal : { &QIODevice::readyRead, &QIODevice::aboutToClose }) {
        QObject::connect(s, signal, s, [this] { wake(); });
    }
    QObject::connect(s, &QIODevice::bytesWritten, s, [this] { wake(); });
    QObject::connect(s, &QSslSocket::encryptedBytesWritten, s, [this] { wake(); });
    QObject::connect(s, &QAbstractSocket::connected, s, [this] { wake(); });
    QObject::connect(s, &QAbstractSocket::disconnected, s, [this] { wake(); });
    QObject::connect(s, &QSslSocket::encrypted, s, [this] { wake(); });

    const quint16 remotePort = port();
    if (encryption == Encryption::Tls) {
        s->connectToHostEncrypted(address.toString(), remotePort, host);
        waitFor([s] { return s->isEncrypted(); });
    } else {
        s->connectToHost(address, remotePort);
        waitFor([s] { return s->state() == QAbstractSocket::ConnectedState; });
    }
}

void TagSocket::startEncryption()
{
    if (!isConnected())
        throw TransportError { u"You have to connect to the server first"_s };
    // Anything the server sent before the handshake is not to be trusted afterwards.
    m_socket->readAll();
    m_lineBuffer.clear();
    QSslSocket *s = m_socket.get();
    s->startClientEncryption();
    waitFor([s] { return s->isEncrypted(); });
}

void TagSocket::close()
{
    if (!m_socket)
        return;
    // Released later: close() may run inside one of the socket's own signals.
    QSslSocket *s = m_socket.release();
    QObject::disconnect(s, nullptr, nullptr, nullptr);
    s->abort();
    s->deleteLater();
}

QString TagSocket::readLine()
{
    return readLine(deadline());
}

QString TagSocket::readLine(QDeadlineTimer until)
{
    if (!m_socket)
        throw TransportError { u"You have to connect to the server first"_s };
    // A line longer than a reply line may be is cut; the rest up to its LF is dropped.
    bool complete = false;
    QSslSocket *s = m_socket.get();
    waitFor(
        [&] {
            char c;
            while (s->getChar(&c)) {
                if (c == '\n') {
                    complete = true;
                    return true;
                }
                if (m_lineBuffer.size() < MaxReplyLine)
                    m_lineBuffer += c;
            }
            return false;
        },
        until);
    QByteArray line = std::exchange(m_lineBuffer, {});
    while (line.endsWith('\r') || line.endsWith('\n'))
        line.chop(1);
    lastReply = decodeText(line);
    return lastReply;
}

Reply TagSocket::readReply(bool multiLine)
{
    return readReply(multiLine, deadline());
}

Reply TagSocket::readReply(bool multiLine, QDeadlineTimer until)
{
    const auto codeOf = [](const QString &line) {
        bool ok = false;
        const int code = line.left(3).toInt(&ok);
        return line.size() >= 3 && ok && line[0].isDigit() ? code : -1;
    };
    Reply reply;
    reply.lines += readLine(until);
    reply.code = codeOf(reply.lines.last());
    const auto continues = [](const QString &line) { return line.size() > 3 && line[3] == u'-'; };
    if (multiLine && continues(reply.lines.first())) {
        for (;;) {
            const QString line = readLine(until);
            reply.lines += line;
            if (codeOf(line) == reply.code && !continues(line))
                break;
            if (reply.lines.size() > MaxReplyLines)
                throw TransportError { line };
        }
    }
    return reply;
}

void TagSocket::sendLine(const QByteArray &line)
{
    sendData(line + "\r\n");
}

void TagSocket::sendData(const QByteArray &data)
{
    sendData(data, nullptr);
}

void TagSocket::sendData(const QByteArray &data, const QDeadlineTimer *until)
{
    if (!isConnected())
        throw TransportError { u"You have to connect to the server first"_s };
    QSslSocket *s = m_socket.get();
    for (qsizetype at = 0; at < data.size(); at += PieceSize) {
        s->write(data.mid(at, PieceSize));
        waitFor([s] { return s->bytesToWrite() == 0 && s->encryptedBytesToWrite() == 0; },
            until ? *until : deadline());
    }
}

Reply TagSocket::command(const QByteArray &line, bool multiLine)
{
    const QDeadlineTimer until = deadline();
    sendData(line + "\r\n", &until);
    return readReply(multiLine, until);
}

void TagSocket::wake()
{
    if (m_loop)
        m_loop->quit();
}

QString TagSocket::sslFailure() const
{
    if (!m_sslErrors.isEmpty()) {
        QStringList reasons;
        for (const QSslError &e : m_sslErrors)
            reasons += e.errorString();
        reasons.removeDuplicates();
        return u"The certificate of %1 could not be verified: %2"_s.arg(
            hostPart(), reasons.join(u"; "_s));
    }
    return u"The secure connection to %1 failed: %2"_s.arg(
        hostPart(), m_socket ? m_socket->errorString() : QString());
}

void TagSocket::throwSocketError()
{
    const auto error = QAbstractSocket::SocketError(m_error);
    QString text;
    if (error == QAbstractSocket::SslHandshakeFailedError
        || error == QAbstractSocket::SslInternalError
        || error == QAbstractSocket::SslInvalidUserDataError || !m_sslErrors.isEmpty()) {
        text = sslFailure();
    } else if (const int code = errorCode(error)) {
        text = socketErrorText(code);
    } else {
        text = m_socket ? m_socket->errorString() : socketErrorText(10057);
    }
    close();
    throw TransportError { text };
}

void TagSocket::waitFor(const std::function<bool()> &done, QDeadlineTimer until)
{
    // Woken by the socket, and at least once a second to re-check the condition.
    QEventLoop loop;
    QTimer ticker;
    ticker.setSingleShot(true);
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, &loop, &QEventLoop::quit);
    QEventLoop *outer = std::exchange(m_loop, &loop);
    const auto restore = qScopeGuard([&] { m_loop = outer; });
    while (!done()) {
        if (m_failed)
            throwSocketError();
        if (until.hasExpired()) {
            close();
            throw TransportError { u"Operation timed out"_s };
        }
        ticker.start(std::min<std::chrono::milliseconds>(
            std::chrono::ceil<std::chrono::milliseconds>(until.remainingTimeAsDuration()), 1000ms));
        loop.exec();
    }
}
