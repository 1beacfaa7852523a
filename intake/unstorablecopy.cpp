// Copies of photos whose paths the catalogue cannot store, under names it can.
#include "intake/photointake.h"
#include "intake/photoscan_p.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include "store/textcodec.h"

namespace PhotoIntake {

namespace {

bool sameContent(const QString &path, const QByteArray &bytes)
{
    QByteArray there;
    return detail::readNativeFile(QFile::encodeName(path), there, nullptr) == PictureStatus::Ok
        && there == bytes;
}

// Writes bytes under a new name in folder: a temporary file made whole, then linked to the name,
// which fails rather than replace a file that appeared meanwhile. Empty when the name is taken.
bool writeNew(const QString &folder, const QString &name, const QByteArray &bytes, mode_t mode,
    bool &taken, QString &message)
{
    taken = false;
    QTemporaryFile temp(folder + QStringLiteral("/.larkspur-copy-XXXXXX"));
    if (!temp.open()) {
        message = QStringLiteral("Cannot create file in %1: %2").arg(folder, temp.errorString());
        return false;
    }
    if (temp.write(bytes) != bytes.size() || !temp.flush() || ::fsync(temp.handle()) != 0) {
        message = QStringLiteral("Cannot write %1: %2")
                      .arg(folder + QLatin1Char('/') + name, temp.errorString());
        return false;
    }
    // Never wider than the original's permissions.
    ::fchmod(temp.handle(), mode & 0777);
    const QByteArray target = QFile::encodeName(folder + QLatin1Char('/') + name);
    if (::link(QFile::encodeName(temp.fileName()).constData(), target.constData()) != 0) {
        if (errno == EEXIST) {
            taken = true;
            return false;
        }
        message
            = QStringLiteral("Cannot create file %1: %2")
                  .arg(folder + QLatin1Char('/') + name, QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    return true; // the temporary name goes with temp
}

bool hasLetterOrDigit(const QString &text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetterOrNumber(); });
}

} // namespace

QString storableFileName(const QString &name)
{
    QString out;
    for (const QChar c : name) {
        // Control characters, the file codec's unnamed bytes and "/" have no place in a name.
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F) || c == u'/')
            continue;
        if (c.isSurrogate() || !isStorablePath(QString(c)))
            continue;
        out.append(c);
    }
    out = out.simplified();
    while (out.startsWith(u'.'))
        out.remove(0, 1); // never a hidden file
    while (out.endsWith(u'.') || out.endsWith(u' '))
        out.chop(1);
    return out;
}

QString copyFolderFor(const QString &catalogueFile)
{
    if (catalogueFile.isEmpty())
        return {};
    const QFileInfo info(catalogueFile);
    return info.absolutePath() + QLatin1Char('/') + info.completeBaseName()
        + QStringLiteral(" photos");
}

CopyResult copyUnstorable(Scan &scan, const QString &folder, const QSet<QString> &usedPaths)
{
    CopyResult result;
    const QString dest = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    if (!isStorablePath(dest)) {
        result.ok = false;
        result.message
            = QStringLiteral("The folder %1 has a name the catalogue cannot store.").arg(dest);
        return result;
    }
    if (!QFileInfo(dest).isDir() && !QDir().mkpath(dest)) {
        result.ok = false;
        result.message = QStringLiteral("Cannot create folder %1").arg(dest);
        return result;
    }
    const QString canonicalDest = QFileInfo(dest).canonicalFilePath();
    std::vector<Unstorable> left;
    for (Unstorable &u : scan.unstorable) {
        if (!result.ok) {
            left.push_back(std::move(u));
            continue;
        }
        // What is copied is what was validated: the bytes read now, checked again.
        QByteArray bytes;
        struct stat st;
        const QString suffix = QFileInfo(u.shownPath).suffix();
        if (detail::readNativeFile(u.nativePath, bytes, nullptr) != PictureStatus::Ok
            || ::lstat(u.nativePath.constData(), &st) != 0
            || !detail::validatePicture(bytes, suffix).ok) {
            ++scan.unreadable;
            continue;
        }
        QString base = storableFileName(QFileInfo(u.shownPath).completeBaseName());
        const bool named = hasLetterOrDigit(base);
        if (!named)
            base = QStringLiteral("Photo");
        const QString ext = storableFileName(suffix).toLower();
        QString name;
        bool done = false;
        for (int n = 1; !done && result.ok; ++n) {
            name = (n == 1 ? base : base + QLatin1Char(' ') + QString::number(n)) + QLatin1Char('.')
                + ext;
            const QString target = dest + QLatin1Char('/') + name;
            QFileInfo there(target);
            if (there.exists() || there.isSymLink()) {
                // An identical copy from an earlier run is taken again, not copied twice.
                if (there.isFile() && !there.isSymLink() && there.size() == bytes.size()
                    && sameContent(target, bytes)) {
                    ++result.reused;
                    done = true;
                }
                continue;
            }
            bool taken = false;
            if (writeNew(dest, name, bytes, st.st_mode, taken, result.message)) {
                ++result.copied;
                done = true;
            } else if (!taken) {
                result.ok = false;
            }
        }
        if (!done) {
            left.push_back(std::move(u));
            continue;
        }
        Photo p;
        p.path = dest + QLatin1Char('/') + name;
        p.folder = u.folder;
        p.taken = u.taken;
        QString folderName = storableFileName(QFileInfo(u.folder).fileName());
        if (folderName.isEmpty())
            folderName = QStringLiteral("photos");
        p.name = named ? proposedName(folderName + QLatin1Char('/') + name)
                       : QStringLiteral("Item from ") + folderName;
        if (usedPaths.contains(canonicalDest + QLatin1Char('/') + name))
            ++scan.alreadyUsed;
        else
            scan.photos.push_back(std::move(p));
    }
    scan.unstorable = std::move(left);
    sortPhotos(scan.photos);
    return result;
}

} // namespace PhotoIntake
