// The one single-byte codec at every file boundary: Windows-1252, with its five undefined bytes
// mapped to U+0081, U+008D, U+008F, U+0090 and U+009D so all 256 byte values round-trip.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

QString decodeText(QByteArrayView bytes);
// Characters Windows-1252 cannot hold are written as "?".
QByteArray encodeText(QStringView text);
void appendEncodedText(QByteArray &out, QStringView text);
