// Feeds arbitrary bytes to the HTML report format reader; whatever reads must write and read
// back to the same design, and the writer must then be stable to the byte.
#include <cstdint>
#include <cstdlib>

#include "htmlreport/hrffile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    HtmlReportDesign design;
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    if (!HrfFile::read(bytes, design))
        return 0;
    const QByteArray once = HrfFile::write(design);
    HtmlReportDesign again;
    if (!HrfFile::read(once, again) || !(again == design))
        abort();
    if (HrfFile::write(again) != once)
        abort();
    return 0;
}
