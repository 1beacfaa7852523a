// larkspur-tool pictures: each filled slot decoded with the decoders the windows use.
#include "tools/picturescommand.h"
#include "tools/readorreport.h"

#include <cstdio>

#include <QFileInfo>

#include "platform/imagelibrary.h"
#include "platform/jpegdecoder.h"
#include "store/datafile.h"
#include "store/recordstore.h"

using namespace Qt::StringLiterals;

namespace {

// "ok WxH" with the size as shown, "missing" or "unreadable".
QString checkPicture(const QString &path)
{
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return u"missing"_s;
    // JPEGs as the album takes them: the smallest reduction still reads every block, so damage
    // anywhere is found; others through the image library, which the album also uses.
    const Picture p = JpegDecoder::isJpegFile(path) ? JpegDecoder::decodeScaled(path, QSize(1, 1))
                                                    : ImageLibrary::load(path);
    if (!p.ok())
        return u"unreadable"_s;
    const QSize size = p.shownSize.isValid() ? p.shownSize : p.image.size();
    return u"ok %1x%2"_s.arg(size.width()).arg(size.height());
}

} // namespace

int picturesCommand(const QStringList &args)
{
    const QString &path = args[0];
    RecordStore store;
    const DataFile::ReadResult result = DataFile::readDatabase(path, store, false);
    if (!result.ok()) {
        writeTo(stderr,
            (result.outcome == DataFile::ReadOutcome::CannotOpen ? (
                 result.message.isEmpty() ? u"Cannot open file %1"_s.arg(path) : result.message)
                                                                 : path + u" is not a valid "_s
                        + QString::fromLatin1(DataFile::Signature) + u" file."_s)
                + u'\n');
        return 1;
    }
    bool allOk = true;
    for (int i = 0; i < store.count(); ++i) {
        const ItemRecord &r = store.at(i);
        for (int s = 1; s <= ItemRecord::PictureCount; ++s) {
            const QString &file = r.pictureFile(s);
            if (file.isEmpty())
                continue;
            const QString state = checkPicture(file);
            allOk = allOk && state.startsWith(u"ok "_s);
            writeTo(stdout, u"%1\t%2\t%3\t%4\n"_s.arg(i + 1).arg(s).arg(state, file));
        }
    }
    std::fflush(stdout);
    return allOk ? 0 : 1;
}
