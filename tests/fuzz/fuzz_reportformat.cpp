// Feeds arbitrary bytes to the report format reader; whatever reads must write and read back
// stably.
#include <cstdint>
#include <cstdlib>

#include "reports/reportformat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ReportDefinition d;
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    if (!ReportFormat::read(bytes, d))
        return 0;
    // Written again, the definition must read back and write the same bytes.
    const QByteArray once = ReportFormat::write(d);
    ReportDefinition again;
    if (!ReportFormat::read(once, again))
        abort();
    if (ReportFormat::write(again) != once)
        abort();
    return 0;
}
