// Reading a folder of photos and turning its groups into records.
#include "intake/photointake.h"

#include <algorithm>

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include "store/categorytree.h"
#include "store/recordstore.h"

namespace PhotoIntake {

namespace {

// How many of names, from the first, are a path of the tree from one of its top nodes; chain
// receives the nodes' texts nearest first.
qsizetype matchFromTop(const CategoryTree &tree, const QStringList &names, QStringList &chain)
{
    chain.clear();
    const CategoryTree *level = &tree;
    for (const QString &name : names) {
        const auto it = std::find_if(level->begin(), level->end(), [&](const CategoryNode &n) {
            return n.text.trimmed().compare(name.trimmed(), Qt::CaseInsensitive) == 0;
        });
        if (it == level->end())
            break;
        chain.prepend(it->text);
        level = &it->children;
    }
    return chain.size();
}

QString folderNameOf(const QString &folder)
{
    const QString name = QFileInfo(folder).fileName();
    return name.isEmpty() ? folder : name;
}

} // namespace

std::vector<Proposal> groupPhotos(
    const Scan &scan, const QString &rootFolder, int gapSeconds, const RecordStore &store)
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
            g.name = p.name.isEmpty() ? proposedName(p.path) : p.name;
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
    // A camera's or phone's own numbering: its prefix (IMG, DSC, PXL, a Panasonic's P with seven
    // digits, ...) then four digits or more, or a date of eight digits, perhaps with a time, a
    // burst or a copy mark after it. Words with a number ("XBOX 360", "TV 2000", "1984") are names.
    static const QRegularExpression camera(
        QStringLiteral("^(?:(?:img|dsc|dscn|dscf|dsci|dcim|pxl|mvimg|gopr|g[hx]\\d\\d|dji|sam|cimg|"
                       "imag|pict|sdc|"
                       "photo|image|wp|pano|burst)\\s*\\d{4,}|p\\d{7}|(?:19|20)\\d{6})"
                       "(?:[\\s.]+(?:\\d+|(?-i:[A-Z]{1,3}\\d*|PORTRAIT|BURST\\d*|COVER)|\\(\\d+\\))"
                       "|~\\d+)*\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
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
        if (store.captions.description[size_t(k)].trimmed().compare(
                QLatin1String("Location"), Qt::CaseInsensitive)
            == 0)
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
    // The deepest path of the tree that a run of the folders spells from its top; of equal
    // depths the one nearest the photo.
    QStringList best;
    for (qsizetype start = 0; start < names.size(); ++start) {
        QStringList chain;
        if (matchFromTop(tree, names.mid(start), chain) > 0 && chain.size() >= best.size())
            best = chain;
    }
    return best.isEmpty() ? QString() : categoryFullName(best);
}

ItemRecord makeRecord(const Proposal &proposal, const RecordStore &store, const QDate &today,
    const std::function<int(int)> &random)
{
    ItemRecord r;
    r.setName(proposal.name);
    static const QString symbols = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ012345678");
    QString code;
    for (int i = 0; i < ItemRecord::RecordCodeLength; ++i)
        code.append(symbols.at(random(int(symbols.size()))));
    r.setRecordCode(code);
    // The fields a new record starts with, the date received being the day the photo was taken.
    const QString todayText = today.toString(QStringLiteral("yyyy/MM/dd"));
    r.setDetail(1, QStringLiteral("0"));
    r.setDetail(2, proposal.taken.isValid()
        ? proposal.taken.date().toString(QStringLiteral("yyyy/MM/dd"))
        : todayText);
    r.setDetail(3, QStringLiteral("    ")); // the year made is unknown: an empty year box
    r.setDetail(4, QStringLiteral("0000000"));
    r.setDetail(8, QStringLiteral("0"));
    r.setDetail(9, QStringLiteral("01"));
    r.setDescription(size_t(locationDescription(store)), proposal.location);
    for (int k = 1; k <= ItemRecord::PictureCount; ++k) {
        if (k <= proposal.photos.size()) {
            r.setPictureFile(k, proposal.photos[k - 1]);
            r.setPictureTitle(k, QFileInfo(proposal.photos[k - 1]).completeBaseName());
        } else {
            r.setPictureTitle(k, QStringLiteral("Untitled ") + QString::number(k));
        }
    }
    r.setKeywords(QStringList { Keyword });
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
    int cannotStore = 0, notUtf8 = 0;
    for (const Unstorable &u : scan.unstorable)
        ++(u.notUtf8 ? notUtf8 : cannotStore);
    const int total = scan.alreadyUsed + scan.notPictures + scan.unreadable + scan.inPacks
        + cannotStore + notUtf8;
    if (total == 0)
        return {};
    QStringList why;
    if (scan.alreadyUsed)
        why << QStringLiteral("%1 already in the database").arg(scan.alreadyUsed);
    if (scan.notPictures)
        why << QStringLiteral("%1 not pictures").arg(scan.notPictures);
    if (scan.unreadable)
        why << QStringLiteral("%1 could not be read").arg(scan.unreadable);
    if (cannotStore)
        why << QStringLiteral("%1 with names the catalogue cannot store").arg(cannotStore);
    if (notUtf8)
        why << QStringLiteral("%1 with names not in UTF-8").arg(notUtf8);
    if (scan.inPacks)
        why << QStringLiteral("%1 in insurance packs").arg(scan.inPacks);
    return QStringLiteral("%1 %2 left out: %3")
        .arg(total)
        .arg(total == 1 ? QStringLiteral("file") : QStringLiteral("files"))
        .arg(why.join(QStringLiteral(", ")));
}

} // namespace PhotoIntake
