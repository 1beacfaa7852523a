// Raw-buffer forms of the single-byte codec for the file readers and writers.
#pragma once

#include <QString>
#include <QStringView>

namespace TextCodec {

// Decodes n bytes to n UTF-16 units at dst.
void decodeInto(char16_t *dst, const char *src, qsizetype n);
// A QString of the decoded bytes; no allocation for an empty text.
QString decode(const char *src, qsizetype n);
// Encodes text at dst, which must have room for text.size() bytes; returns the bytes written
// (fewer than text.size() only when the text holds surrogate pairs, each written as one "?").
qsizetype encodeInto(char *dst, QStringView text);

} // namespace TextCodec
