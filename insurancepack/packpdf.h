// The pack's PDF.
#pragma once

#include <QString>

#include "insurancepack/packparts.h"

namespace InsurancePack::Parts {

struct Spool;

// Writes `pdfPath` as a new file: the cover, the summary room by room, the records with their
// photos (from the spool when it is open) and the list of photo files. False with the reason in
// `message` when it fails or the pack is cancelled ("Cancelled").
bool writePdf(const Pack &pack, const QString &pdfPath, Spool *spool, QString *message);

} // namespace InsurancePack::Parts
