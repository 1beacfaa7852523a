// Change Picture Path's rewriting of the stored picture paths.
#include "store/picturepath.h"

#include "store/recordstore.h"

namespace PicturePath {

QString fileNamePart(const QString &path)
{
    const qsizetype cut
        = std::max({ path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'), path.lastIndexOf(u':') });
    return path.mid(cut + 1);
}

QString join(const QString &folder, const QString &fileName)
{
    if (folder.endsWith(u'/') || folder.endsWith(u'\\'))
        return folder + fileName;
    const bool backslashes = folder.contains(u'\\') && !folder.contains(u'/');
    return folder + (backslashes ? u'\\' : u'/') + fileName;
}

int moveAll(RecordStore &store, const QString &folder)
{
    int changed = 0;
    for (const RecordPtr &r : store.records()) {
        for (int s = 1; s <= ItemRecord::PictureCount; ++s) {
            const QString name = r->pictureFile(s);
            if (name.isEmpty())
                continue;
            r->setPictureFile(s, join(folder, fileNamePart(name)));
            ++changed;
        }
    }
    return changed;
}

} // namespace PicturePath
