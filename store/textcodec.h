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

// Comparing texts as the catalogue does when sorting and ranging: a..z count as their capitals,
// every other character by its Windows-1252 byte code, a character the codec cannot hold after
// every byte code. The order value of one character:
char32_t foldedCharOrder(char16_t c);
// Negative, zero or positive as a sorts before, with or after b; a prefix comes first.
int compareFoldedText(QStringView a, QStringView b);
