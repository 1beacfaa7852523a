// Feeds arbitrary bytes to the database reader; whatever reads must write and read back stably.
#include <cstdint>
#include <cstdlib>

#include "store/datafile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    RecordStore store;
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    if (!DataFile::readDatabaseBytes(bytes, store, false).ok())
        return 0;
    // What the writer makes must read, and a second pass must not change a byte.
    const QByteArray once = DataFile::encodeDatabase(store);
    RecordStore again;
    if (!DataFile::readDatabaseBytes(once, again, false).ok())
        abort();
    if (DataFile::encodeDatabase(again) != once)
        abort();
    return 0;
}
