// Shared output and database reading of larkspur-tool's commands.
#include "tools/toolio.h"

#include <QByteArray>

#include "store/datafile.h"
#include "store/recordstore.h"

using namespace Qt::StringLiterals;

namespace ToolIo {

void write(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

bool readOrReport(const QString &path, RecordStore &store)
{
    const DataFile::ReadResult result = DataFile::readDatabase(path, store, false);
    switch (result.outcome) {
    case DataFile::ReadOutcome::Read:
        return true;
    case DataFile::ReadOutcome::CannotOpen:
        write(stderr,
            (result.message.isEmpty() ? u"Cannot open file %1"_s.arg(path) : result.message)
                + u'\n');
        return false;
    case DataFile::ReadOutcome::NotDatabase:
    case DataFile::ReadOutcome::ReadError:
        break;
    }
    write(stderr,
        path + u" is not a valid "_s + QString::fromLatin1(DataFile::Signature) + u" file.\n"_s);
    return false;
}

} // namespace ToolIo
