// Gathering the pack's rooms, places, records and photo files, and the texts every file shares.
#include "insurancepack/packparts.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <map>
#include <set>

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

#include "graph/graphcount.h"
#include "platform/picture.h"
#include "store/categorytree.h"
#include "store/recordstore.h"
#include "store/textcodec.h"
#include "store/wholenumber.h"

using namespace Qt::StringLiterals;

namespace InsurancePack::Parts {
namespace {

const QString Separator = u" : "_s;

// A name under photos/ that every reader of the pack takes as it is: no control characters
// (a line break would split the manifest's line), no backslash (sha256sum would read an escape),
// no colon (the catalogue takes it for a drive), not hidden, and only characters the catalogue's
// file format can store, so catalogue.dat's picture paths lead to the copies.
QString safeName(const QString &fileName)
{
    QString s;
    for (const QChar c : fileName) {
        const char16_t u = c.unicode();
        const bool bad = u < 0x20 || (u >= 0x7f && u < 0xa0) || u == u'\\' || u == u'/' || u == u':'
            || c.isSurrogate() || (u != u'?' && encodeText(QStringView(&c, 1)) == "?");
        s += bad ? u'_' : c;
    }
    if (s.startsWith(u'.'))
        s[0] = u'_';
    // Room for "-NNN" within every file system's 255 bytes.
    if (s.size() > 120) {
        const qsizetype dot = s.lastIndexOf(u'.');
        const QString ext = dot > 0 && s.size() - dot <= 10 ? s.mid(dot) : QString();
        s = s.left(120 - ext.size()) + ext;
    }
    return s.isEmpty() ? u"photo"_s : s;
}

// Names compared without letter case, so the pack survives a copy to a file system that folds it.
QString reserveName(std::set<QString> &used, const QString &fileName)
{
    const QString name = safeName(fileName);
    if (used.insert(name.toLower()).second)
        return name;
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString base = dot > 0 ? name.left(dot) : name;
    const QString ext = dot > 0 ? name.mid(dot) : QString();
    for (int n = 2;; ++n) {
        const QString tried = base + u'-' + QString::number(n) + ext;
        if (used.insert(tried.toLower()).second)
            return tried;
    }
}

struct Sorted
{
    int order = INT_MAX; // position in the tree; INT_MAX when the tree does not hold it
    QString name;
    bool operator<(const Sorted &o) const
    {
        if (order != o.order)
            return order < o.order;
        return QString::compare(name, o.name, Qt::CaseInsensitive) < 0
            || (QString::compare(name, o.name, Qt::CaseInsensitive) == 0 && name < o.name);
    }
};

} // namespace

int Pack::included() const
{
    return int(
        std::count_if(photos.begin(), photos.end(), [](const Photo &p) { return p.included(); }));
}

int Pack::notIncluded() const
{
    return int(photos.size()) - included();
}

void gather(Pack &pack, const QString &databaseFolder)
{
    const RecordStore &store = pack.store;
    const int k = pack.options.groupBy;

    // Every node's full name ("Shelf : Living Room") by its place in the tree, depth first.
    std::map<QString, int> treeOrder;
    int position = 0;
    std::function<void(const CategoryNode &, const QString &)> walk
        = [&](const CategoryNode &node, const QString &parent) {
              const QString full = parent.isEmpty() ? node.text : node.text + Separator + parent;
              treeOrder.emplace(full, position++);
              for (const CategoryNode &child : node.children)
                  walk(child, full);
          };
    for (const CategoryNode &top : store.categoryTree(k))
        walk(top, QString());
    auto sorted = [&](const QString &full, const QString &name) {
        const auto it = treeOrder.find(full);
        return Sorted { it == treeOrder.end() ? INT_MAX : it->second, name };
    };

    struct Room
    {
        Group group;
        std::map<Sorted, Place> places;
    };
    std::map<Sorted, Room> rooms;
    Room none;
    none.group.name = u"(none)"_s;

    std::map<std::pair<dev_t, ino_t>, int> byFile;
    std::map<QString, int> byPath;
    std::set<QString> usedNames;
    const QDir base(databaseFolder);
    auto photoFor = [&](const QString &stored) {
        const QString path = QDir::isRelativePath(stored) ? base.absoluteFilePath(stored) : stored;
        Photo ph;
        ph.path = QDir::cleanPath(path);
        struct stat st
        {
        };
        const bool found = ::stat(QFile::encodeName(ph.path).constData(), &st) == 0;
        if (found) {
            // The same file under two names, or through a link, is one photo.
            const auto [it, isNew]
                = byFile.emplace(std::pair { st.st_dev, st.st_ino }, int(pack.photos.size()));
            if (!isNew)
                return it->second;
        } else if (const auto it = byPath.find(ph.path); it != byPath.end()) {
            return it->second;
        }
        if (!found)
            ph.state = PhotoState::Missing;
        else if (!S_ISREG(st.st_mode))
            ph.state = PhotoState::NotRegular;
        else if (st.st_size > PictureLimits::MaxFileBytes)
            ph.state = PhotoState::TooLarge;
        else
            ph.packName = reserveName(usedNames, QFileInfo(ph.path).fileName());
        byPath.emplace(ph.path, int(pack.photos.size()));
        pack.photos.push_back(std::move(ph));
        return int(pack.photos.size()) - 1;
    };

    for (const RecordPtr &ptr : store.records()) {
        const ItemRecord &r = *ptr;
        if (pack.options.searchListOnly && !r.OnSearchList)
            continue;
        Entry e;
        e.record = &r;
        e.paid = graphAmount(r.detail(8), r.detail(9));
        e.value = graphAmount(r.detail(1), r.detail(9));
        for (int i = 1; i <= ItemRecord::PictureCount; ++i) {
            const ImageRecord &pic = r.picture(i);
            if (!pic.FileName.isEmpty())
                e.photos.push_back({ pic.Title, pic.FileName, photoFor(pic.FileName) });
        }
        const QString value = r.description(k).trimmed();
        QStringList parts = value.split(Separator);
        for (QString &p : parts)
            p = p.trimmed();
        Room *room = &none;
        QString placeName, placeFull;
        if (!value.isEmpty()) {
            const QString top = parts.takeLast();
            room = &rooms[sorted(top, top)];
            room->group.name = top;
            if (!parts.isEmpty()) {
                placeName = parts.join(Separator);
                placeFull = placeName + Separator + top;
            }
        }
        // The room's own records come before its places.
        Place &place = room->places[placeName.isEmpty() ? Sorted { -1, QString() }
                                                        : sorted(placeFull, placeName)];
        place.name = placeName;
        room->group.paid += e.paid;
        room->group.value += e.value;
        ++room->group.records;
        pack.paid += e.paid;
        pack.value += e.value;
        ++pack.records;
        place.entries.push_back(std::move(e));
    }
    auto finish = [&](Room &room) {
        for (auto &[key, place] : room.places)
            room.group.places.push_back(std::move(place));
        pack.groups.push_back(std::move(room.group));
    };
    for (auto &[key, room] : rooms)
        finish(room);
    if (none.group.records > 0)
        finish(none);
}

QString photoProblem(const Photo &photo)
{
    switch (photo.state) {
    case PhotoState::Included:
        return {};
    case PhotoState::Missing:
        return u"Picture missing: "_s;
    case PhotoState::NotRegular:
        return u"Not included, not a regular file: "_s;
    case PhotoState::TooLarge:
        return u"Not included, larger than %1 MB: "_s.arg(PictureLimits::MaxFileBytes >> 20);
    case PhotoState::NotPicture:
        return u"Not included, not a readable picture: "_s;
    }
    return {};
}

QString money(double v)
{
    // A total that rounds to no cents is written without a minus sign.
    if (!std::isfinite(v) || std::abs(v) < 0.005)
        v = 0;
    QString digits = QString::number(std::abs(v), 'f', 2);
    for (qsizetype i = digits.indexOf(u'.') - 3; i > 0; i -= 3)
        digits.insert(i, u',');
    return (v < 0 ? u"-$"_s : u"$"_s) + digits;
}

namespace {
const QRegularExpression &anchor()
{
    static const QRegularExpression re(
        uR"re(^\s*<a\s+href\s*=\s*(?:"([^"]*)"|'([^']*)'|([^\s>]*))\s*>(.*)</a>\s*$)re"_s,
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    return re;
}
} // namespace

QString linkText(const QString &link)
{
    const QRegularExpressionMatch m = anchor().match(link);
    if (!m.hasMatch())
        return link;
    const QString address = m.captured(1) + m.captured(2) + m.captured(3);
    const QString title = m.captured(4).trimmed();
    if (title.isEmpty() || title == address)
        return address;
    return title + u" ("_s + address + u')';
}

QString linkAddress(const QString &link)
{
    const QRegularExpressionMatch m = anchor().match(link);
    const QString address
        = m.hasMatch() ? m.captured(1) + m.captured(2) + m.captured(3) : link.trimmed();
    const QString scheme = QUrl(address).scheme().toLower();
    return scheme == u"http"_s || scheme == u"https"_s || scheme == u"mailto"_s ? address
                                                                                : QString();
}

QString shownText(const QString &value)
{
    const QString t = value.trimmed();
    // A date box left empty is stored as its separators ("    /  /  "): nothing was entered.
    if (std::all_of(t.begin(), t.end(), [](QChar c) { return c == u'/' || c.isSpace(); }))
        return {};
    return t;
}

QString descriptionCaption(const RecordStore &store, int k)
{
    const QString &c = store.captions.description[size_t(k)];
    return c.trimmed().isEmpty() ? u"Description %1"_s.arg(k) : c;
}

QString detailCaption(const RecordStore &store, int d)
{
    const QString &c = store.captions.detail[size_t(d)];
    return c.trimmed().isEmpty() ? u"Detail %1"_s.arg(d + 1) : c;
}

QList<std::pair<QString, QString>> recordFields(const RecordStore &store, const ItemRecord &r)
{
    QList<std::pair<QString, QString>> out;
    auto add = [&](const QString &c, const QString &v) {
        if (!shownText(v).isEmpty())
            out.append({ c, v });
    };
    add(u"Name"_s, r.name());
    add(u"Code"_s, r.recordCode());
    for (int k = 1; k <= RecordStore::CategoryCount; ++k)
        add(descriptionCaption(store, k), r.description(k));
    for (int d = 0; d < ItemRecord::DetailCount; ++d)
        add(detailCaption(store, d), r.detail(d));
    add(u"Keywords"_s, r.keywords().join(u", "_s));
    add(u"History"_s, r.history().join(u'\n'));
    add(u"Notes"_s, r.notes().join(u'\n'));
    QStringList links;
    for (const QString &l : r.links())
        links << linkText(l);
    add(u"Links"_s, links.join(u'\n'));
    return out;
}

int shownQuantity(const ItemRecord &r)
{
    const std::optional<int> q = wholeNumber(r.detail(9));
    return q && *q != 1 ? *q : 1;
}

} // namespace InsurancePack::Parts
