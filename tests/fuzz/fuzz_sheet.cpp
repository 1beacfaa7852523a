// libFuzzer target for the spreadsheet readers and the value conversions. The first byte picks
// the reader: a text file from memory, or the rest written to a file read as XLSX or ODS.
#include <cstddef>
#include <cstdint>

#include <QDate>
#include <QFile>
#include <QTemporaryDir>

#include "sheetimport/sheetrecords.h"
#include "sheetimport/valueconvert.h"
#include "store/recordstore.h"

using namespace SheetImport;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    SheetRead read;
    if (data[0] % 3 == 0) {
        read = readTextSheet(bytes, {}, data[0] & 4);
    } else {
        static QTemporaryDir dir;
        const QString path = dir.filePath(data[0] % 3 == 1 ? QStringLiteral("f.xlsx") : QStringLiteral("f.ods"));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return 0;
        f.close();
        ReadOptions o;
        o.maxPartBytes = 8 << 20;
        read = readSheet(path, o);
    }
    if (!read.ok)
        return 0;
    // Every column to a field of its own kind, so each conversion sees every value.
    RecordStore store;
    Mapping m = guessMapping(read.table, store.captions);
    const std::vector<Target> all = allTargets();
    for (size_t c = 0; c < m.columns.size(); ++c)
        m.columns[c] = all[c % all.size()];
    m.addCategories = data[0] & 8;
    BuildOptions o;
    o.today = QDate(2026, 1, 1);
    o.keepRecords = 100;
    buildRecords(read.table, m, store, o);
    return 0;
}
