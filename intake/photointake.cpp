// Reading a folder of photos and turning its groups into records.
#include "intake/photointake.h"

#include <algorithm>

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QImageReader>
#include <QRegularExpression>

#include "platform/exif.h"
#include "store/categorytree.h"
#include "store/recordstore.h"

namespace PhotoIntake {

namespace {

bool isPictureName(const QString &path)
{
    static const QStringList suffixes = { QStringLiteral("jpg"), QStringLiteral("jpeg"),
        QStringLiteral("png"), QStringLiteral("gif"), QStringLiteral("bmp"), QStringLiteral("tif"),
        QStringLiteral("tiff"), QStringLiteral("webp") };
    return suffixes.contains(QFileInfo(path).suffix().toLower());
}

bool isJpegName(const QString &path)
{
    const QString s = QFileInfo(path).suffix().toLower();
    return s == QLatin1String("jpg") || s == QLatin1String("jpeg");
}

// Searches the forest for a chain of nodes whose texts are names, each the child of the one
// before; fills the chain's texts nearest first.
bool findChain(const CategoryTree &nodes, const QStringList &names, QStringList ancestors,
    QStringList &found)
{
    for (const CategoryNode &node : nodes) {
        if (node.text.trimmed().compare(names.first(), Qt::CaseInsensitive) == 0) {
            QStringList chain = ancestors;
            chain.prepend(node.text);
            const CategoryNode *at = &node;
            bool whole = true;
            for (int i = 1; i < names.size() && whole; ++i) {
                const auto it = std::find_if(at->children.begin(), at->children.end(),
                    [&](const CategoryNode &c) {
                        return c.text.trimmed().compare(names[i], Qt::CaseInsensitive) == 0;
                    });
                if (it == at->children.end()) {
                    whole = false;
                } else {
                    chain.prepend(it->text);
                    at = &*it;
                }
            }
            if (whole) {
                found = chain;
                return true;
            }
        }
        QStringList deeper = ancestors;
        deeper.prepend(node.text);
        if (findChain(node.children, names, deeper, found))
            return true;
    }
    return false;
}

QString folderNameOf(const QString &folder)
{
    const QString name = QFileInfo(folder).fileName();
    return name.isEmpty() ? folder : name;
}

} // namespace

QSet<QString> usedPicturePaths(const RecordStore &store)
{
    QSet<QString> used;
    for (const RecordPtr &r : store.records())
        for (int k = 1; k <= ItemRecord::PictureCount; ++k)
            if (const QString &f = r->Pictures[size_t(k)].FileName; !f.isEmpty())
                used.insert(QDir::cleanPath(f));
    return used;
}

Scan scanFolder(const QString &folder, const QSet<QString> &usedPaths, const Progress &progress)
{
    Scan scan;
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(QDir::cleanPath(QFileInfo(it.next()).absoluteFilePath()));
    files.sort();
    const int total = int(files.size());
    for (int i = 0; i < total; ++i) {
        if (progress && !progress(i, total)) {
            scan.cancelled = true;
            return scan;
        }
        const QString &path = files[i];
        if (!isPictureName(path)) {
            ++scan.notPictures;
            continue;
        }
        if (usedPaths.contains(path)) {
            ++scan.alreadyUsed;
            continue;
        }
        // The header alone tells whether the file is a picture that reads.
        QImageReader reader(path);
        if (!reader.size().isValid()) {
            ++scan.unreadable;
            continue;
        }
        const QFileInfo info(path);
        Photo p;
        p.path = path;
        p.folder = info.absolutePath();
        if (isJpegName(path))
            p.taken = readJpegExif(path).dateTaken;
        if (!p.taken.isValid())
            p.taken = info.lastModified();
        scan.photos.push_back(std::move(p));
    }
    if (progress)
        progress(total, total);
    std::stable_sort(scan.photos.begin(), scan.photos.end(), [](const Photo &a, const Photo &b) {
        if (a.folder != b.folder)
            return a.folder < b.folder;
        if (a.taken != b.taken)
            return a.taken < b.taken;
        return a.path < b.path;
    });
    return scan;
}

std::vector<Proposal> groupPhotos(const Scan &scan, const QString &rootFolder, int gapSeconds,
    const RecordStore &store)
{
    std::vector<Proposal> out;
    const Photo *previous = nullptr;
    QString location;
    for (const Photo &p : scan.photos) {
        const bool together = previous && previous->folder == p.folder
            && previous->taken.secsTo(p.taken) <= gapSeconds
            && out.back().photos.size() < ItemRecord::PictureCount;
        if (!together) {
            if (!previous || previous->folder != p.folder)
                location = locationFor(p.folder, rootFolder, store);
            Proposal g;
            g.name = proposedName(p.path);
            g.location = location;
            g.taken = p.taken;
            out.push_back(std::move(g));
        }
        out.back().photos.append(p.path);
        previous = &p;
    }
    return out;
}

bool isCameraName(const QString &name)
{
    // A maker's letters (IMG, PXL, DSC, DSCN, P, ...) then numbers, or numbers alone, perhaps
    // with a burst or copy mark after them.
    static const QRegularExpression camera(QStringLiteral(
        "^(?:[A-Z]{1,5}|img|pxl|dsc|dscn|dscf|mvimg|photo|image)?\\s*\\d{3,}"
        "(?:[\\s.]+(?:\\d+|[A-Z]{1,3}\\d*|PORTRAIT|BURST\\d*|COVER|\\(\\d+\\))|~\\d+)*\\s*$"));
    return camera.match(name.trimmed()).hasMatch();
}

QString proposedName(const QString &photoPath)
{
    const QFileInfo info(photoPath);
    QString name = info.completeBaseName();
    name.replace(QLatin1Char('_'), QLatin1Char(' ')).replace(QLatin1Char('-'), QLatin1Char(' '));
    name = name.simplified();
    if (name.isEmpty() || isCameraName(name))
        return QStringLiteral("Item from ") + folderNameOf(info.absolutePath());
    return name;
}

int locationDescription(const RecordStore &store)
{
    for (int k = 1; k <= ItemRecord::DescriptionCount; ++k)
        if (store.captions.description[size_t(k)].trimmed().compare(QLatin1String("Location"),
                Qt::CaseInsensitive) == 0)
            return k;
    return 8;
}

QString locationFor(const QString &folder, const QString &rootFolder, const RecordStore &store)
{
    // The root folder's own name counts too: the user may pick "Kitchen" itself.
    const QString root = QDir::cleanPath(QFileInfo(rootFolder).absoluteFilePath());
    const QString here = QDir::cleanPath(folder);
    QStringList names = { folderNameOf(root) };
    if (here != root && here.startsWith(root + QLatin1Char('/')))
        names += here.mid(root.size() + 1).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    else if (here != root)
        names = { folderNameOf(here) };
    const CategoryTree tree = store.categoryTree(locationDescription(store));
    // The longest run of folders ending at the photo's own that matches a chain of nodes.
    for (qsizetype n = names.size(); n >= 1; --n) {
        QStringList found;
        if (findChain(tree, names.mid(names.size() - n), {}, found))
            return categoryFullName(found);
    }
    return {};
}

ItemRecord makeRecord(const Proposal &proposal, const RecordStore &store, const QDate &today,
    const std::function<int(int)> &random)
{
    ItemRecord r;
    r.Name = proposal.name;
    static const QString symbols = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ012345678");
    for (int i = 0; i < ItemRecord::RecordCodeLength; ++i)
        r.RecordCode.append(symbols.at(random(int(symbols.size()))));
    // The fields a new record starts with, the date received being the day the photo was taken.
    const QString todayText = today.toString(QStringLiteral("yyyy/MM/dd"));
    r.Details[1] = QStringLiteral("0");
    r.Details[2] = proposal.taken.isValid() ? proposal.taken.date().toString(QStringLiteral("yyyy/MM/dd"))
                                            : todayText;
    r.Details[3] = todayText.left(4);
    r.Details[4] = QStringLiteral("0000000");
    r.Details[8] = QStringLiteral("0");
    r.Details[9] = QStringLiteral("01");
    r.Descriptions[size_t(locationDescription(store))] = proposal.location;
    for (int k = 1; k <= ItemRecord::PictureCount; ++k) {
        ImageRecord &slot = r.Pictures[size_t(k)];
        if (k <= proposal.photos.size()) {
            slot.FileName = proposal.photos[k - 1];
            slot.Title = QFileInfo(slot.FileName).completeBaseName();
        } else {
            slot.Title = QStringLiteral("Untitled ") + QString::number(k);
        }
    }
    r.Keywords = QStringList { Keyword };
    return r;
}

int addRecords(RecordStore &store, const std::vector<Proposal> &proposals, const QDate &today,
    const std::function<int(int)> &random)
{
    int added = 0;
    for (const Proposal &p : proposals) {
        if (!p.checked || p.photos.isEmpty())
            continue;
        store.append(makeRecord(p, store, today, random));
        ++added;
    }
    return added;
}

QString leftOutText(const Scan &scan)
{
    const int total = scan.alreadyUsed + scan.notPictures + scan.unreadable;
    if (total == 0)
        return {};
    QStringList why;
    if (scan.alreadyUsed)
        why << QStringLiteral("%1 already in the database").arg(scan.alreadyUsed);
    if (scan.notPictures)
        why << QStringLiteral("%1 not pictures").arg(scan.notPictures);
    if (scan.unreadable)
        why << QStringLiteral("%1 could not be read").arg(scan.unreadable);
    return QStringLiteral("%1 %2 left out: %3")
        .arg(total)
        .arg(total == 1 ? QStringLiteral("file") : QStringLiteral("files"))
        .arg(why.join(QStringLiteral(", ")));
}

} // namespace PhotoIntake
