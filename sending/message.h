// The mail message and news article models and the encoder that writes them in wire form.
#pragma once

#include <optional>

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

struct TmsMailAddress
{
    QString Name;
    QString Address;
};

using TmsAddressList = QList<TmsMailAddress>;

enum class TmsPriority { ptLow, ptNormal, ptHigh };

struct TmsMessage
{
    TmsMailAddress Sender;
    TmsAddressList Recipients;
    TmsAddressList CC;
    TmsAddressList BCC;
    QString Subject;
    QStringList Body;
    TmsPriority Priority = TmsPriority::ptNormal;
    bool ReturnReceipt = false;
    QString ContentType = QStringLiteral("text/plain");
    QStringList ExtraHeaders; // whole header lines, "Name: value"
};

struct TmsArticle
{
    TmsMailAddress Sender;
    QString NewsGroups; // one group or several separated by commas
    QString Subject;
    QStringList Body;
    QString ContentType = QStringLiteral("text/plain");
    QStringList ExtraHeaders;
};

namespace MessageEncoder {

// Body lines longer than this cannot be encoded.
constexpr qsizetype MaxParagraph = 24575;
// A body line of this length or more makes the whole body quoted-printable.
constexpr qsizetype QuotedPrintableFrom = 256;

// The checks the dialogues make before anything is sent; the failure text or nothing.
std::optional<QString> checkMessage(const TmsMessage &message);
std::optional<QString> checkArticle(const TmsArticle &article);

// The message in wire form: CR LF line ends, lines beginning with "." doubled, without the
// terminating "." line. Fails with the failure text.
struct Encoded
{
    QByteArray text;
    QString error; // empty when encoded
};
Encoded encodeMessage(const TmsMessage &message);
Encoded encodeArticle(const TmsArticle &article);

// One body line, already in single-byte form, as quoted-printable pieces (soft breaks included).
QList<QByteArray> quotedPrintable(const QByteArray &line);

} // namespace MessageEncoder
