// Fills the message or article from the send settings and hands it to the transport.
#include "sending/reportsending.h"

#include <QDateTime>
#include <QFile>
#include <QSslCertificate>

#include "sending/nntp.h"
#include "sending/smtp.h"
#include "store/smallfile.h"

using namespace Qt::StringLiterals;

namespace ReportSending {

namespace {

constexpr qsizetype MaxField = 255;

// Mail readers sort and show by it; a message without one is often taken for junk.
QString dateHeader()
{
    return u"Date: "_s + QDateTime::currentDateTime().toString(Qt::RFC2822Date);
}

} // namespace

quint16 defaultPort(Kind kind, Encryption encryption)
{
    if (kind == Kind::News)
        return encryption == Encryption::Tls ? 563 : 119;
    switch (encryption) {
    case Encryption::StartTls:
        return 587;
    case Encryption::Tls:
        return 465;
    case Encryption::None:
        break;
    }
    return 25;
}

QString serviceName(Kind kind, Encryption encryption)
{
    if (kind == Kind::News)
        return encryption == Encryption::Tls ? u"nntps"_s : u"nntp"_s;
    switch (encryption) {
    case Encryption::StartTls:
        return u"submission"_s;
    case Encryption::Tls:
        return u"submissions"_s;
    case Encryption::None:
        break;
    }
    return u"smtp"_s;
}

PortText parsePort(const QString &text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok)
        return { 0, u"'%1' is not a valid integer value"_s.arg(text) };
    if (n < 1 || n > 65535)
        return { 0, u"%1 is not a port number (1 to 65535)"_s.arg(n) };
    return { quint16(n), {} };
}

QString loadCertificates(const QString &path, QList<QSslCertificate> &out)
{
    const SmallFile::Result file = SmallFile::read(path, SmallFile::TextLimit);
    if (!file.ok())
        return file.error;
    const QList<QSslCertificate> found = QSslCertificate::fromData(file.bytes, QSsl::Pem);
    if (found.isEmpty())
        return u"%1 holds no PEM certificate"_s.arg(path);
    out += found;
    return {};
}

bool passwordInClear(const MailSettings &settings)
{
    return settings.encryption == Encryption::None && !settings.user.isEmpty();
}

bool passwordInClear(const NewsSettings &settings)
{
    return settings.encryption == Encryption::None && settings.authenticate;
}

QString plainPasswordQuestion(const QString &server)
{
    return u"Encryption is None, so your password will go to %1 unencrypted and anyone on the "
           "network can read it. Send it anyway?"_s.arg(server);
}

TransportResult sendMail(TmsSMTP &smtp, const MailSettings &settings, const QStringList &body)
{
    TmsMessage message;
    message.Subject = settings.subject.left(MaxField);
    if (settings.priority == "High"_L1)
        message.Priority = TmsPriority::ptHigh;
    else if (settings.priority == "Low"_L1)
        message.Priority = TmsPriority::ptLow;
    message.Recipients
        += TmsMailAddress { settings.toName.left(MaxField), settings.toAddress.left(MaxField) };
    message.Sender.Address = settings.sender;
    message.Body = body;
    message.ExtraHeaders += dateHeader();

    TagSocket &socket = smtp.socket;
    socket.Server = settings.server;
    socket.DefaultPort = settings.port;
    socket.encryption = settings.encryption;
    socket.ServiceName = serviceName(Kind::Mail, settings.encryption);
    socket.extraCaCertificates = settings.caCertificates;
    socket.timeout = settings.timeout;
    smtp.UserName = settings.user;
    smtp.Password = settings.password;
    smtp.AllowPlainPassword = settings.allowPlainPassword;
    return smtp.send(message);
}

TransportResult postArticle(TmsNNTP &nntp, const NewsSettings &settings, const QStringList &body)
{
    TmsArticle article;
    article.Sender.Address = settings.sender;
    article.NewsGroups = settings.groups;
    article.Subject = settings.subject.left(MaxField);
    article.Body = body;
    article.ExtraHeaders += dateHeader();

    TagSocket &socket = nntp.socket;
    // Other settings apply to the next connection, not to the one still open.
    const bool changed = socket.Server != settings.server || socket.DefaultPort != settings.port
        || socket.encryption != settings.encryption
        || socket.extraCaCertificates != settings.caCertificates;
    if (changed && nntp.isConnected())
        nntp.quit();
    socket.Server = settings.server;
    socket.DefaultPort = settings.port;
    socket.encryption = settings.encryption;
    socket.ServiceName = serviceName(Kind::News, settings.encryption);
    socket.extraCaCertificates = settings.caCertificates;
    socket.timeout = settings.timeout;
    nntp.Password = settings.password;
    nntp.UserName = settings.user;
    nntp.Authenticate = settings.authenticate;
    nntp.AllowPlainPassword = settings.allowPlainPassword;
    return nntp.post(article);
}

} // namespace ReportSending
