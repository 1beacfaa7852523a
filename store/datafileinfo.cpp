// Looks at the head of a database file without reading the whole of it.
#include "store/datafile.h"

#include <QFile>
#include <QtEndian>

#include "store/textcodec.h"

namespace DataFile {

std::optional<QString> readVersion(const QString &path)
{
    QFile file(path);
    if (openForReading(file) != OpenOutcome::Opened)
        return std::nullopt;
    char tag = 0;
    if (!file.getChar(&tag))
        return std::nullopt;
    qint64 length = 0;
    if (tag == 0x06) {
        char n = 0;
        if (!file.getChar(&n))
            return std::nullopt;
        length = quint8(n);
    } else if (tag == 0x0C) {
        const QByteArray n = file.read(4);
        if (n.size() != 4)
            return std::nullopt;
        length = qFromLittleEndian<qint32>(n.constData());
    } else {
        return std::nullopt;
    }
    // Checked against what the file holds before anything is allocated.
    if (length < 0 || length > file.size() - file.pos())
        return std::nullopt;
    const QByteArray text = file.read(length);
    if (text.size() != length)
        return std::nullopt;
    return decodeText(text);
}

} // namespace DataFile
