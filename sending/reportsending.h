// Sending a report's text as a mail or a news article, as the send window and larkspur-tool do.
#pragma once

#include <chrono>
#include <optional>

#include <QString>
#include <QStringList>

#include "sending/tagsocket.h"

class TmsNNTP;
class TmsSMTP;

namespace ReportSending {

enum class Kind { Mail, News };

// The port the window proposes and the tool takes: 25 and 119 without encryption, the
// submission and secure ports with it.
quint16 defaultPort(Kind kind, Encryption encryption);
// The system service entry consulted before the default port.
QString serviceName(Kind kind, Encryption encryption);

// A port text as a number, or the message to show.
struct PortText
{
    quint16 port = 0;
    QString error;
};
PortText parsePort(const QString &text);

// Reads a PEM certificate file to trust besides the system's store; the message on failure.
QString loadCertificates(const QString &path, QList<QSslCertificate> &out);

struct MailSettings
{
    QString server;
    quint16 port = 25;
    Encryption encryption = Encryption::None;
    QString user; // with a user name the mail goes after AUTH
    QString password;
    bool allowPlainPassword = false; // the user agreed to sign in without encryption
    QList<QSslCertificate> caCertificates;
    QString sender;
    QString priority = QStringLiteral("Normal"); // "Normal", "High", "Low"
    QString toName;
    QString toAddress;
    QString subject;
    std::chrono::milliseconds timeout { 60000 };
};

struct NewsSettings
{
    QString server;
    quint16 port = 119;
    Encryption encryption = Encryption::None;
    bool authenticate = false;
    QString user;
    QString password;
    bool allowPlainPassword = false; // the user agreed to sign in without encryption
    QList<QSslCertificate> caCertificates;
    QString sender;
    QString groups;
    QString subject;
    std::chrono::milliseconds timeout { 60000 };
};

// Whether the settings would send a password over a connection without encryption.
bool passwordInClear(const MailSettings &settings);
bool passwordInClear(const NewsSettings &settings);
// The question the window asks before it does.
QString plainPasswordQuestion(const QString &server);

// One mail to one recipient; the client connects and disconnects around it.
TransportResult sendMail(TmsSMTP &smtp, const MailSettings &settings, const QStringList &body);
// One article; the client's connection stays open for further posts.
TransportResult postArticle(TmsNNTP &nntp, const NewsSettings &settings, const QStringList &body);

} // namespace ReportSending
