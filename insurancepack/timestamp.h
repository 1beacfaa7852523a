// A trusted timestamp (RFC 3161) on a file: its SHA-256 sent to a time-stamping service over HTTP,
// the signed reply checked against what was asked and kept beside the file.
#pragma once

#include <atomic>

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace Timestamp {

// Why `address` cannot be a time-stamping service's address (http or https with a host); empty
// when it can.
QString addressProblem(const QString &address);

// The DER request for the SHA-256 `digest` (32 bytes), with `nonce` and a request for the
// service's certificate in the reply.
QByteArray request(const QByteArray &digest, quint64 nonce);

struct Reply
{
    bool ok = false;
    QString message; // why there is no timestamp
    QByteArray response; // the service's DER reply, as `openssl ts -verify -in` reads it
    QDateTime time; // the time the service signed, UTC
};

// Checks a DER reply against the request: granted, for this digest and nonce, and signed over
// what it says by the certificate it carries (whether to trust that certificate is the reader's
// decision: `openssl ts -verify` with the service's CA certificate).
Reply check(const QByteArray &response, const QByteArray &digest, quint64 nonce);

// Asks the service at `address` to stamp `data`. Blocking: for a worker thread. Gives up after
// `timeoutMs`, or soon after `cancel` is set.
Reply stamp(const QString &address, const QByteArray &data,
    const std::atomic_bool *cancel = nullptr, int timeoutMs = 30000);

} // namespace Timestamp
