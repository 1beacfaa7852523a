// Reading a database for a subcommand and printing its lines.
#include "tools/readorreport.h"

#include <cstdio>
#include <vector>

#include "store/datafile.h"
#include "store/filelock.h"
#include "store/safewrite.h"
#include "store/recordstore.h"

using namespace Qt::StringLiterals;

void writeTo(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

void printToolLine(const QString &line, bool toError)
{
    writeTo(toError ? stderr : stdout, line + u'\n');
}

bool readDatabaseOrReport(
    const QString &path, RecordStore &store, DataFile::ReadResult *readResult, bool sharedLock)
{
    // Never a half-written file: a command writing it in place holds it exclusively.
    FileLock lock;
    if (sharedLock)
        lock.lock(path, FileLock::Kind::Shared, true);
    const DataFile::ReadResult result = DataFile::readDatabase(path, store, false);
    if (readResult)
        *readResult = result;
    switch (result.outcome) {
    case DataFile::ReadOutcome::Read: {
        // The tool ends soon after its command: the records read are kept to the end of the
        // process, which gives their memory back at once, instead of being freed one by one.
        static auto *const kept = new std::vector<RecordPtr>;
        kept->insert(kept->end(), store.records().begin(), store.records().end());
        return true;
    }
    case DataFile::ReadOutcome::CannotOpen:
        printToolLine(
            result.message.isEmpty() ? u"Cannot open file %1"_s.arg(path) : result.message, true);
        return false;
    case DataFile::ReadOutcome::NotDatabase:
    case DataFile::ReadOutcome::ReadError:
        break;
    }
    printToolLine(
        path + u" is not a valid "_s + QString::fromLatin1(DataFile::Signature) + u" file."_s,
        true);
    if (const QString kept = SafeWrite::keptCopyOf(path); !kept.isEmpty())
        printToolLine(
            u"A save that was stopped half-way kept the file as it was before in "_s + kept, true);
    return false;
}
