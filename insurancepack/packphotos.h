// The pack's photo files: each checked, copied into photos/ and prepared for the PDF.
#pragma once

#include <QDir>
#include <QFile>
#include <QMutex>
#include <QString>

#include "insurancepack/packparts.h"

namespace InsurancePack::Parts {

// The photos' JPEGs for the PDF, made on the worker threads, wait here until the PDF is put
// together, so memory holds none of them.
struct Spool
{
    QFile file;
    QMutex mutex;
    bool ok = true;
};

// One photo, on a worker thread. Only a regular file of at most the picture readers' size
// limit that decodes as a picture is copied, under its reserved name and with no wider
// permissions than it has; anything else is marked not included. When `side` is not 0 the
// photo is also scaled to it and encoded for the PDF into the spool. A copy that fails sets
// the photo's error with the system's reason.
void preparePhoto(Photo &ph, const QDir &out, int side, int minSide, Spool &spool);

QString sha256Hex(const QByteArray &bytes);
QString fileSha256(const QString &path, bool *ok);

} // namespace InsurancePack::Parts
