// RFC 3161 requests and replies through OpenSSL's TS API, posted over a blocking socket.
#include "insurancepack/timestamp.h"

#include <ctime>
#include <memory>

#include <openssl/cms.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/rand.h>
#include <openssl/ts.h>
#include <openssl/x509.h>

#include <QDeadlineTimer>
#include <QSslSocket>
#include <QTcpSocket>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace Timestamp {
namespace {

// A service's reply is a few kilobytes; anything far larger is not one.
constexpr qint64 MaxReply = 1 << 20;
constexpr int Slice = 100; // ms between looks at Cancel

template<typename T, void (*Free)(T *)> struct Freer
{
    void operator()(T *p) const { Free(p); }
};
using TsReq = std::unique_ptr<TS_REQ, Freer<TS_REQ, TS_REQ_free>>;
using TsResp = std::unique_ptr<TS_RESP, Freer<TS_RESP, TS_RESP_free>>;
using TsMsgImprint = std::unique_ptr<TS_MSG_IMPRINT, Freer<TS_MSG_IMPRINT, TS_MSG_IMPRINT_free>>;
using TsVerifyCtx = std::unique_ptr<TS_VERIFY_CTX, Freer<TS_VERIFY_CTX, TS_VERIFY_CTX_free>>;
using Algor = std::unique_ptr<X509_ALGOR, Freer<X509_ALGOR, X509_ALGOR_free>>;
using Integer = std::unique_ptr<ASN1_INTEGER, Freer<ASN1_INTEGER, ASN1_INTEGER_free>>;
using Cms = std::unique_ptr<CMS_ContentInfo, Freer<CMS_ContentInfo, CMS_ContentInfo_free>>;

QString opensslError()
{
    QString text;
    while (const unsigned long e = ERR_get_error()) {
        char buffer[256];
        ERR_error_string_n(e, buffer, sizeof buffer);
        if (!text.isEmpty())
            text += u"; "_s;
        text += QString::fromLatin1(buffer);
    }
    return text;
}

Reply failed(const QString &message)
{
    Reply r;
    r.message = message;
    return r;
}

TsReq makeRequest(const QByteArray &digest, quint64 nonce)
{
    TsReq req(TS_REQ_new());
    TsMsgImprint imprint(TS_MSG_IMPRINT_new());
    Algor algorithm(X509_ALGOR_new());
    Integer number(ASN1_INTEGER_new());
    if (!req || !imprint || !algorithm || !number || digest.size() != 32)
        return {};
    X509_ALGOR_set0(algorithm.get(), OBJ_nid2obj(NID_sha256), V_ASN1_NULL, nullptr);
    QByteArray bytes = digest;
    if (!TS_REQ_set_version(req.get(), 1)
        || !TS_MSG_IMPRINT_set_algo(imprint.get(), algorithm.get())
        || !TS_MSG_IMPRINT_set_msg(
            imprint.get(), reinterpret_cast<unsigned char *>(bytes.data()), int(bytes.size()))
        || !TS_REQ_set_msg_imprint(req.get(), imprint.get())
        || !ASN1_INTEGER_set_uint64(number.get(), nonce)
        || !TS_REQ_set_nonce(req.get(), number.get()) || !TS_REQ_set_cert_req(req.get(), 1))
        return {};
    return req;
}

struct Http
{
    bool ok = false;
    QString message;
    QByteArray body;
};

// The body of a chunked reply; false when the chunks do not add up.
bool unchunk(const QByteArray &in, QByteArray *out)
{
    qsizetype at = 0;
    for (;;) {
        const qsizetype lineEnd = in.indexOf("\r\n", at);
        if (lineEnd < 0)
            return false;
        bool ok = false;
        const qint64 size
            = in.mid(at, lineEnd - at).split(';').value(0).trimmed().toLongLong(&ok, 16);
        if (!ok || size < 0 || size > MaxReply)
            return false;
        at = lineEnd + 2;
        if (size == 0)
            return true;
        if (in.size() - at < size + 2)
            return false;
        out->append(in.mid(at, size));
        at += size + 2;
    }
}

// One POST with Connection: close, read to the end of the reply.
Http post(const QUrl &url, const QByteArray &contentType, const QByteArray &body,
    const std::atomic_bool *cancel, int timeoutMs)
{
    Http result;
    const bool tls = url.scheme().compare(u"https"_s, Qt::CaseInsensitive) == 0;
    std::unique_ptr<QTcpSocket> socket;
    if (tls)
        socket = std::make_unique<QSslSocket>();
    else
        socket = std::make_unique<QTcpSocket>();
    const QDeadlineTimer deadline(timeoutMs);
    auto cancelled = [&] { return cancel && cancel->load(); };
    auto waitFor = [&](auto &&step) {
        // Slices, so Cancel is answered while the service takes its time.
        while (!step(int(std::min<qint64>(Slice, std::max<qint64>(1, deadline.remainingTime()))))) {
            if (cancelled() || deadline.hasExpired()
                || socket->state() == QAbstractSocket::UnconnectedState)
                return false;
        }
        return true;
    };
    auto problem = [&](const QString &what) {
        result.message = cancelled() ? u"Cancelled"_s
            : deadline.hasExpired()  ? u"no answer within %1 s"_s.arg(timeoutMs / 1000)
                                     : what;
        return result;
    };
    const quint16 port = quint16(url.port(tls ? 443 : 80));
    if (tls) {
        auto *ssl = static_cast<QSslSocket *>(socket.get());
        ssl->connectToHostEncrypted(url.host(), port);
        if (!waitFor([&](int ms) { return ssl->waitForEncrypted(ms); }))
            return problem(ssl->errorString());
    } else {
        socket->connectToHost(url.host(), port);
        if (!waitFor([&](int ms) { return socket->waitForConnected(ms); }))
            return problem(socket->errorString());
    }
    QByteArray head = "POST " + url.path(QUrl::FullyEncoded).toLatin1();
    if (url.path().isEmpty())
        head += '/';
    if (url.hasQuery())
        head += '?' + url.query(QUrl::FullyEncoded).toLatin1();
    head += " HTTP/1.1\r\nHost: " + url.host(QUrl::FullyEncoded).toLatin1();
    if (url.port() != -1)
        head += ':' + QByteArray::number(url.port());
    head += "\r\nContent-Type: " + contentType
        + "\r\nContent-Length: " + QByteArray::number(body.size())
        + "\r\nAccept: application/timestamp-reply\r\nConnection: close\r\n"
          "User-Agent: Larkspur Cataloguer\r\n";
    if (!url.userName().isEmpty())
        head += "Authorization: Basic "
            + QByteArray(url.userName().toUtf8() + ':' + url.password().toUtf8()).toBase64()
            + "\r\n";
    head += "\r\n";
    socket->write(head + body);
    while (socket->bytesToWrite() > 0)
        if (!waitFor([&](int ms) { return socket->waitForBytesWritten(ms); }))
            return problem(socket->errorString());
    QByteArray reply;
    // Complete once the head is in and the body it announces; else when the service closes.
    auto complete = [&] {
        const qsizetype end = reply.indexOf("\r\n\r\n");
        if (end < 0)
            return false;
        const QByteArray head = reply.left(end).toLower();
        const qsizetype at = head.indexOf("\ncontent-length:");
        if (at < 0)
            return head.contains("chunked") && reply.endsWith("\r\n0\r\n\r\n");
        const qint64 length
            = head.mid(at + 16, head.indexOf('\n', at + 1) - at - 16).trimmed().toLongLong();
        return reply.size() - end - 4 >= length;
    };
    for (;;) {
        reply += socket->readAll();
        if (reply.size() > MaxReply + 65536)
            return problem(u"the answer is far larger than a timestamp"_s);
        if (complete() || socket->state() == QAbstractSocket::UnconnectedState)
            break;
        if (!socket->waitForReadyRead(Slice)) {
            if (socket->state() == QAbstractSocket::UnconnectedState
                || socket->error() == QAbstractSocket::RemoteHostClosedError) {
                reply += socket->readAll();
                break;
            }
            if (cancelled() || deadline.hasExpired())
                return problem({});
        }
    }

    const qsizetype headEnd = reply.indexOf("\r\n\r\n");
    if (headEnd < 0)
        return problem(reply.isEmpty() ? u"the service closed the connection without an answer"_s
                                       : u"the answer is not HTTP"_s);
    const QList<QByteArray> lines = reply.left(headEnd).split('\n');
    const QList<QByteArray> status = lines.value(0).trimmed().split(' ');
    if (!status.value(0).startsWith("HTTP/") || status.size() < 2)
        return problem(u"the answer is not HTTP"_s);
    const int code = status[1].toInt();
    qint64 length = -1;
    bool chunked = false;
    QByteArray type;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon < 0)
            continue;
        const QByteArray name = lines[i].left(colon).trimmed().toLower();
        const QByteArray value = lines[i].mid(colon + 1).trimmed();
        if (name == "content-length")
            length = value.toLongLong();
        else if (name == "transfer-encoding")
            chunked = value.toLower().contains("chunked");
        else if (name == "content-type")
            type = value.toLower();
    }
    if (code != 200)
        return problem(u"the service answered \"%1\""_s.arg(
            QString::fromLatin1(lines.value(0).trimmed().mid(status[0].size() + 1))));
    const QByteArray raw = reply.mid(headEnd + 4);
    if (chunked) {
        if (!unchunk(raw, &result.body))
            return problem(u"the answer was cut short"_s);
    } else if (length >= 0) {
        if (raw.size() < length)
            return problem(u"the answer was cut short"_s);
        result.body = raw.left(length);
    } else {
        result.body = raw;
    }
    if (!type.isEmpty() && !type.startsWith("application/timestamp-reply"))
        return problem(
            u"the service answered with %1, not a timestamp"_s.arg(QString::fromLatin1(type)));
    result.ok = true;
    return result;
}

} // namespace

QString addressProblem(const QString &address)
{
    const QUrl url(address.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != u"http"_s && scheme != u"https"_s) || url.host().isEmpty())
        return u"\"%1\" is not the address of a time-stamping service (http://… or https://…)."_s
            .arg(address);
    return {};
}

QByteArray request(const QByteArray &digest, quint64 nonce)
{
    const TsReq req = makeRequest(digest, nonce);
    if (!req)
        return {};
    const int size = i2d_TS_REQ(req.get(), nullptr);
    if (size <= 0)
        return {};
    QByteArray der(size, Qt::Uninitialized);
    auto *out = reinterpret_cast<unsigned char *>(der.data());
    if (i2d_TS_REQ(req.get(), &out) != size)
        return {};
    return der;
}

Reply check(const QByteArray &response, const QByteArray &digest, quint64 nonce)
{
    ERR_clear_error();
    const auto *in = reinterpret_cast<const unsigned char *>(response.constData());
    const TsResp resp(d2i_TS_RESP(nullptr, &in, long(response.size())));
    if (!resp || in != reinterpret_cast<const unsigned char *>(response.constEnd()))
        return failed(u"the service's answer is not a timestamp reply"_s);
    TS_STATUS_INFO *info = TS_RESP_get_status_info(resp.get());
    const long status = ASN1_INTEGER_get(TS_STATUS_INFO_get0_status(info));
    if (status != 0 && status != 1) {
        QString why;
        if (const auto *texts = TS_STATUS_INFO_get0_text(info))
            for (int i = 0; i < sk_ASN1_UTF8STRING_num(texts); ++i) {
                const ASN1_UTF8STRING *s = sk_ASN1_UTF8STRING_value(texts, i);
                why += (why.isEmpty() ? u": "_s : u" "_s)
                    + QString::fromUtf8(reinterpret_cast<const char *>(ASN1_STRING_get0_data(s)),
                        ASN1_STRING_length(s));
            }
        return failed(u"the service refused to stamp (status %1%2)"_s.arg(status).arg(why));
    }
    const TsReq req = makeRequest(digest, nonce);
    const TsVerifyCtx ctx(req ? TS_REQ_to_TS_VERIFY_CTX(req.get(), nullptr) : nullptr);
    // The signer's trust is the reader's to decide (below only that the signature holds).
    if (ctx)
        TS_VERIFY_CTX_set_flags(ctx.get(), TS_VFY_VERSION | TS_VFY_IMPRINT | TS_VFY_NONCE);
    if (!ctx || TS_RESP_verify_response(ctx.get(), resp.get()) != 1)
        return failed(u"the service's reply does not match the request (%1)"_s.arg(opensslError()));
    // The token must be signed over the time and digest it states, by the certificate in it.
    PKCS7 *token = TS_RESP_get_token(resp.get());
    const int tokenSize = token ? i2d_PKCS7(token, nullptr) : 0;
    QByteArray tokenDer(std::max(tokenSize, 0), Qt::Uninitialized);
    auto *tokenOut = reinterpret_cast<unsigned char *>(tokenDer.data());
    if (tokenSize <= 0 || i2d_PKCS7(token, &tokenOut) != tokenSize)
        return failed(u"the service's reply holds no signed token"_s);
    const auto *tokenIn = reinterpret_cast<const unsigned char *>(tokenDer.constData());
    const Cms cms(d2i_CMS_ContentInfo(nullptr, &tokenIn, tokenSize));
    if (!cms
        || CMS_verify(cms.get(), nullptr, nullptr, nullptr, nullptr,
               CMS_NO_SIGNER_CERT_VERIFY | CMS_BINARY)
            != 1)
        return failed(u"the service's signature does not hold (%1)"_s.arg(opensslError()));

    Reply r;
    struct tm when
    {
    };
    const ASN1_GENERALIZEDTIME *time = TS_TST_INFO_get_time(TS_RESP_get_tst_info(resp.get()));
    if (!time || !ASN1_TIME_to_tm(time, &when))
        return failed(u"the service's reply has no time"_s);
    r.time = QDateTime(QDate(when.tm_year + 1900, when.tm_mon + 1, when.tm_mday),
        QTime(when.tm_hour, when.tm_min, when.tm_sec), Qt::UTC);
    r.ok = true;
    r.response = response;
    return r;
}

Reply stamp(
    const QString &address, const QByteArray &data, const std::atomic_bool *cancel, int timeoutMs)
{
    if (const QString problem = addressProblem(address); !problem.isEmpty())
        return failed(problem);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestLength = 0;
    quint64 nonce = 0;
    if (!EVP_Digest(
            data.constData(), size_t(data.size()), digest, &digestLength, EVP_sha256(), nullptr)
        || RAND_bytes(reinterpret_cast<unsigned char *>(&nonce), sizeof nonce) != 1)
        return failed(u"cannot make the request (%1)"_s.arg(opensslError()));
    // Positive and short of the top bit, as every service reads a nonce.
    nonce &= 0x7fffffffffffffffULL;
    const QByteArray hash(reinterpret_cast<const char *>(digest), int(digestLength));
    const QByteArray query = request(hash, nonce);
    if (query.isEmpty())
        return failed(u"cannot make the request (%1)"_s.arg(opensslError()));
    const Http http
        = post(QUrl(address.trimmed()), "application/timestamp-query", query, cancel, timeoutMs);
    if (!http.ok)
        return failed(http.message);
    return check(http.body, hash, nonce);
}

} // namespace Timestamp
