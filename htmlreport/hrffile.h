// The HTML report format file (".hrf"): the design as one value stream without a signature.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include "htmlreport/htmlreportdesign.h"

namespace HrfFile {

// Field list (caption, tag pairs), header lines, footer lines, the font holder's object stream,
// the colour holder's object stream, the only-search-list flag.
QByteArray write(const HtmlReportDesign &design);

// Reads in file order into design: list entries and header and footer lines are appended as
// they are read; the font, colour and flag are set once each is read whole. False at the first
// fault (wrong value kind, a damaged object stream, early end), with what was read kept.
bool read(QByteArrayView bytes, HtmlReportDesign &design);

// Files larger than this are not format files (they hold a few lines of HTML).
inline constexpr qint64 MaxFileSize = 64 * 1024 * 1024;

// read() over a file; false also when the file cannot be opened or is too large.
bool load(const QString &path, HtmlReportDesign &design);
// Writes the file whole or not at all; false with *error "Cannot create file " + path.
bool save(const QString &path, const HtmlReportDesign &design, QString *error);

} // namespace HrfFile
