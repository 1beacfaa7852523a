// New records from a folder of photos: reading, grouping, naming, Location, the records made and
// larkspur-tool photo-intake.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QtTest>

#include "intake/photointake.h"
#include "store/datafile.h"
#include "platform/jpegdecoder.h"
#include "tests/intake/photofolder.h"
#include "tests/support/heifpictures.h"
#include "tests/support/toolrun.h"

using namespace Qt::StringLiterals;

namespace {

// A file named by bytes that need not be UTF-8, modified `hour` hours into a fixed day.
void writeNative(const QByteArray &path, const QByteArray &bytes, int hour)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0 || ::write(fd, bytes.constData(), size_t(bytes.size())) != bytes.size())
        qFatal("cannot write %s", path.constData());
    const qint64 at = QDateTime(QDate(2026, 5, 1), QTime(hour, 0)).toSecsSinceEpoch();
    const timespec times[2] = { { time_t(at), 0 }, { time_t(at), 0 } };
    ::futimens(fd, times);
    ::close(fd);
}

QByteArray readNative(const QByteArray &path)
{
    QByteArray out;
    const int fd = ::open(path.constData(), O_RDONLY);
    char buf[4096];
    for (ssize_t n; fd >= 0 && (n = ::read(fd, buf, sizeof buf)) > 0;)
        out.append(buf, n);
    if (fd >= 0)
        ::close(fd);
    return out;
}

// A JPEG large enough that half of it still holds the whole header.
QByteArray noisyJpeg()
{
    QImage img(240, 160, QImage::Format_RGB32);
    QRandomGenerator rng(7);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixel(x, y, rng.generate() | 0xFF000000u);
    return TestPictures::jpegBytes(img);
}

// Photos whose names the catalogue cannot store beside one it can, a non-picture and a damaged
// picture with such names: <dir>/odd.
struct OddFolder
{
    QTemporaryDir dir;
    QString root = dir.filePath(u"odd"_s);
    QByteArray sofa = TestPictures::jpegBytes(TestPictures::halves(80, 40));
    QByteArray cafe = TestPictures::jpegBytes(TestPictures::halves(40, 80));
    QByteArray cafeNative = QFile::encodeName(root) + "/caf\xe9.jpg"; // Latin-1, not UTF-8

    OddFolder()
    {
        QDir().mkpath(root + u"/Hall"_s);
        const QByteArray r = QFile::encodeName(root);
        writeNative(r + "/plain.jpg", TestPictures::jpegBytes(TestPictures::halves(60, 60)), 1);
        writeNative(QFile::encodeName(root + u"/ソファ.jpg"_s), sofa, 2);
        writeNative(cafeNative, cafe, 3);
        writeNative(QFile::encodeName(root + u"/ソファ.txt"_s), "notes\n", 4);
        writeNative(QFile::encodeName(root + u"/Hall/テーブル.jpg"_s), noisyJpeg().left(900), 5);
    }
    QString sofaSource() const { return root + u"/ソファ.jpg"_s; }
    // QTemporaryDir cannot remove a name that is not UTF-8.
    ~OddFolder() { ::unlink(cafeNative.constData()); }
};

} // namespace

class TestPhotoIntake : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void proposals_data();
    void proposals();
    void gap_data();
    void gap();
    void leftOut();
    void names_data();
    void names();
    void locationCaption();
    void locations_data();
    void locations();
    void record();
    void secondRunAddsNothing();
    void alreadyUsed_data();
    void alreadyUsed();
    void whatIsRead();
    void unstorableNames();
    void unstorableCopies();
    void tool();
    void toolCopiesUnstorable();
    void toolWrongUse_data();
    void toolWrongUse();

private:
    std::unique_ptr<PhotoFolder> m_folder;
    RecordStore m_store;
    QString tool(const QString &name) const { return m_folder->dir.filePath(name); }
};

void TestPhotoIntake::initTestCase()
{
    m_folder = std::make_unique<PhotoFolder>();
    prepareStore(m_store);
}

void TestPhotoIntake::proposals_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("location");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QStringList>("photos");
    const QString shelf = u"Garage/Shelf/blue_vase-%1.jpg"_s;
    QStringList first;
    for (int i = 1; i <= 6; ++i)
        first << shelf.arg(i, 2, 10, QLatin1Char('0'));
    // Folders in order; in a folder, by time taken.
    QTest::newRow("no EXIF date, camera name, folder no node")
        << 0 << u"Item from Attic"_s << QString() << u"2025/03/04"_s
        << QStringList { u"Attic/PXL_20261208_101500123.jpg"_s };
    QTest::newRow("eight within the gap: the first six")
        << 1 << u"blue vase 01"_s << u"Shelf : Garage"_s << u"2026/12/08"_s << first;
    QTest::newRow("eight within the gap: the other two")
        << 2 << u"blue vase 07"_s << u"Shelf : Garage"_s << u"2026/12/08"_s
        << QStringList { shelf.arg(u"07"_s), shelf.arg(u"08"_s) };
    QTest::newRow("two within the gap")
        << 3 << u"Item from Kitchen"_s << u"Kitchen"_s << u"2026/12/08"_s
        << QStringList { u"Kitchen/IMG_2041.jpg"_s, u"Kitchen/IMG_2042.jpg"_s };
    QTest::newRow("one after the gap")
        << 4 << u"Item from Kitchen"_s << u"Kitchen"_s << u"2026/12/08"_s
        << QStringList { u"Kitchen/IMG_2043.jpg"_s };
}

void TestPhotoIntake::proposals()
{
    QFETCH(int, row);
    QFETCH(QString, name);
    QFETCH(QString, location);
    QFETCH(QString, date);
    QFETCH(QStringList, photos);
    const auto scan = PhotoIntake::scanFolder(m_folder->root, {});
    const auto groups = PhotoIntake::groupPhotos(scan, m_folder->root, 30, m_store);
    QCOMPARE(int(groups.size()), 5);
    const PhotoIntake::Proposal &p = groups[size_t(row)];
    QCOMPARE(p.name, name);
    QCOMPARE(p.location, location);
    QCOMPARE(p.taken.date().toString(u"yyyy/MM/dd"_s), date);
    QStringList full;
    for (const QString &f : photos)
        full << m_folder->root + u'/' + f;
    QCOMPARE(p.photos, full);
    QVERIFY(p.checked);
}

void TestPhotoIntake::gap_data()
{
    QTest::addColumn<int>("gap");
    QTest::addColumn<QList<int>>("kitchenGroups"); // photos a group
    QTest::newRow("0 s: each alone") << 0 << QList<int> { 1, 1, 1 };
    QTest::newRow("10 s: the gap itself counts") << 10 << QList<int> { 2, 1 };
    QTest::newRow("99 s") << 99 << QList<int> { 2, 1 };
    QTest::newRow("100 s") << 100 << QList<int> { 3 };
}

void TestPhotoIntake::gap()
{
    QFETCH(int, gap);
    QFETCH(QList<int>, kitchenGroups);
    const auto scan = PhotoIntake::scanFolder(m_folder->root + u"/Kitchen"_s, {});
    QList<int> sizes;
    for (const auto &p :
        PhotoIntake::groupPhotos(scan, m_folder->root + u"/Kitchen"_s, gap, m_store))
        sizes << int(p.photos.size());
    QCOMPARE(sizes, kitchenGroups);
}

void TestPhotoIntake::leftOut()
{
    const auto scan = PhotoIntake::scanFolder(m_folder->root, {});
    QCOMPARE(int(scan.photos.size()), 12);
    QCOMPARE(scan.notPictures, 1);
    QCOMPARE(scan.unreadable, 2); // the text named .jpg and the damaged photo
    QCOMPARE(scan.alreadyUsed, 0);
    QCOMPARE(
        PhotoIntake::leftOutText(scan), u"3 files left out: 1 not pictures, 2 could not be read"_s);
    // Cancelling after the first file gives nothing.
    int calls = 0;
    const auto cancelled
        = PhotoIntake::scanFolder(m_folder->root, {}, [&](int, int) { return ++calls < 2; });
    QVERIFY(cancelled.cancelled);
    QCOMPARE(calls, 2);
}

void TestPhotoIntake::names_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("name");
    QTest::newRow("camera letters and number") << u"/p/Den/IMG_2041.JPG"_s << u"Item from Den"_s;
    QTest::newRow("phone date and time")
        << u"/p/Den/PXL_20261208_143012345.MP.jpg"_s << u"Item from Den"_s;
    QTest::newRow("burst") << u"/p/Den/IMG-20261208-WA0003.jpg"_s << u"Item from Den"_s;
    QTest::newRow("digits only") << u"/p/Den/20261208_143012.jpg"_s << u"Item from Den"_s;
    QTest::newRow("DSC copy") << u"/p/Den/DSC01234 (2).jpg"_s << u"Item from Den"_s;
    QTest::newRow("own name") << u"/p/Den/grandfather_clock-front.jpg"_s
                              << u"grandfather clock front"_s;
    QTest::newRow("own name with number") << u"/p/Den/Lamp 2.jpg"_s << u"Lamp 2"_s;
    QTest::newRow("word and year") << u"/p/Den/Bike_2019.jpg"_s << u"Bike 2019"_s;
    QTest::newRow("dots kept but the last") << u"/p/Den/Mr. Bear.jpeg"_s << u"Mr. Bear"_s;
    QTest::newRow("DSC with underscore") << u"/p/Den/_DSC1234.JPG"_s << u"Item from Den"_s;
    QTest::newRow("Panasonic") << u"/p/Den/P1010001.JPG"_s << u"Item from Den"_s;
    QTest::newRow("GoPro") << u"/p/Den/GOPR0042.jpg"_s << u"Item from Den"_s;
    QTest::newRow("letters and a number") << u"/p/Den/XBOX 360.jpg"_s << u"XBOX 360"_s;
    QTest::newRow("word and a year") << u"/p/Den/TV_2000.jpg"_s << u"TV 2000"_s;
    QTest::newRow("a year alone") << u"/p/Den/1984.jpg"_s << u"1984"_s;
    QTest::newRow("camera word then a name")
        << u"/p/Den/Photo 2019 red.jpg"_s << u"Photo 2019 red"_s;
}

void TestPhotoIntake::names()
{
    QFETCH(QString, file);
    QFETCH(QString, name);
    QCOMPARE(PhotoIntake::proposedName(file), name);
}

void TestPhotoIntake::locationCaption()
{
    RecordStore store;
    store.captions.description[3] = u"LOCATION"_s;
    store.categoryTexts[3] = u"Cellar\r\n\tRack\r\n"_s;
    store.categoryTexts[8] = LocationTree;
    QCOMPARE(PhotoIntake::locationDescription(store), 3);
    const QString root = m_folder->dir.path();
    QCOMPARE(PhotoIntake::locationFor(root + u"/cellar/rack"_s, root, store), u"Rack : Cellar"_s);
    QCOMPARE(PhotoIntake::locationFor(root + u"/Kitchen"_s, root, store), QString());
    // Without a "Location" caption, description 8; the picked folder's own name counts.
    QCOMPARE(PhotoIntake::locationDescription(m_store), 8);
    QCOMPARE(PhotoIntake::locationFor(root + u"/kitchen"_s, root + u"/kitchen"_s, m_store),
        u"Kitchen"_s);
    QCOMPARE(PhotoIntake::locationFor(root + u"/Garage/Shelf/Top"_s, root + u"/Garage"_s, m_store),
        u"Shelf : Garage"_s);
    QCOMPARE(PhotoIntake::locationFor(root + u"/Loft"_s, root, m_store), QString());
}

void TestPhotoIntake::locations_data()
{
    QTest::addColumn<QString>("folder"); // below the picked folder "photos"
    QTest::addColumn<QString>("location");
    // Shelf stands in two rooms, Drawer in the Kitchen only.
    QTest::newRow("a room and a place in it") << u"Kitchen/Drawer"_s << u"Drawer : Kitchen"_s;
    QTest::newRow("a folder below the place")
        << u"Kitchen/Drawer/Left side"_s << u"Drawer : Kitchen"_s;
    QTest::newRow("a place of another room") << u"Bedroom/Drawer"_s << u"Bedroom"_s;
    QTest::newRow("a place without its room") << u"Drawer"_s << QString();
    QTest::newRow("a room unknown") << u"Study/Shelf"_s << QString();
    QTest::newRow("the second room of a shared place") << u"Garage/Shelf"_s << u"Shelf : Garage"_s;
    QTest::newRow("the first room of a shared place")
        << u"Living Room/Shelf"_s << u"Shelf : Living Room"_s;
    QTest::newRow("a run lower down") << u"2024/May/Garage/Shelf"_s << u"Shelf : Garage"_s;
    QTest::newRow("the deeper of two runs") << u"Kitchen/Garage/Shelf"_s << u"Shelf : Garage"_s;
    QTest::newRow("letter case and blanks") << u"garage/ SHELF"_s << u"Shelf : Garage"_s;
    QTest::newRow("the picked folder") << QString() << QString();
}

void TestPhotoIntake::locations()
{
    QFETCH(QString, folder);
    QFETCH(QString, location);
    RecordStore store;
    store.categoryTexts[8]
        = u"Living Room\r\n\tShelf\r\nKitchen\r\n\tDrawer\r\nBedroom\r\n\tWardrobe\r\n"
          "Garage\r\n\tShelf\r\n"_s;
    const QString root = u"/p/photos"_s;
    QCOMPARE(PhotoIntake::locationFor(folder.isEmpty() ? root : root + u'/' + folder, root, store),
        location);
}

void TestPhotoIntake::record()
{
    PhotoIntake::Proposal p;
    p.name = u"Blue vase"_s;
    p.location = u"Shelf : Garage"_s;
    p.taken = QDateTime(QDate(2026, 12, 8), QTime(23, 59, 59));
    p.photos
        = QStringList { u"/p/Garage/Shelf/vase_front.jpg"_s, u"/p/Garage/Shelf/vase_back.jpg"_s };
    int next = 0;
    const ItemRecord r
        = PhotoIntake::makeRecord(p, m_store, QDate(2027, 1, 2), [&](int) { return next++; });
    QCOMPARE(r.name(), u"Blue vase"_s);
    QCOMPARE(r.recordCode(), u"ABCDEFGH"_s);
    QCOMPARE(r.description(8), u"Shelf : Garage"_s);
    QCOMPARE(r.detail(2), u"2026/12/08"_s);
    QCOMPARE(r.detail(3), u"    "_s); // the year made is not known
    QCOMPARE(r.keywords(), QStringList { u"Added from photos"_s });
    QCOMPARE(r.pictureFile(1), p.photos[0]);
    QCOMPARE(r.pictureTitle(1), u"vase_front"_s);
    QCOMPARE(r.pictureTitle(2), u"vase_back"_s);
    QCOMPARE(r.pictureFile(3), QString());
    QCOMPARE(r.pictureTitle(3), u"Untitled 3"_s);
}

void TestPhotoIntake::secondRunAddsNothing()
{
    RecordStore store;
    prepareStore(store);
    auto groups = PhotoIntake::groupPhotos(
        PhotoIntake::scanFolder(m_folder->root, {}), m_folder->root, 30, store);
    groups[1].checked = false; // six photos the user left out this time
    QCOMPARE(PhotoIntake::addRecords(store, groups, QDate(2027, 1, 2), [](int) { return 0; }), 4);
    const auto again
        = PhotoIntake::scanFolder(m_folder->root, PhotoIntake::usedPicturePaths(store));
    QCOMPARE(again.alreadyUsed, 6);
    const auto left = PhotoIntake::groupPhotos(again, m_folder->root, 30, store);
    QCOMPARE(int(left.size()), 1);
    QCOMPARE(int(left[0].photos.size()), 6);
    PhotoIntake::addRecords(store, left, QDate(2027, 1, 2), [](int) { return 0; });
    const auto third
        = PhotoIntake::scanFolder(m_folder->root, PhotoIntake::usedPicturePaths(store));
    QCOMPARE(third.alreadyUsed, 12);
    QVERIFY(PhotoIntake::groupPhotos(third, m_folder->root, 30, store).empty());
    QCOMPARE(PhotoIntake::leftOutText(third),
        u"15 files left out: 12 already in the database, 1 not pictures, 2 could not be read"_s);
}

void TestPhotoIntake::alreadyUsed_data()
{
    QTest::addColumn<QString>("stored"); // @root: the photo folder; @link: a link to it
    QTest::addColumn<bool>("throughLink"); // the folder is picked through the link
    QTest::newRow("as read") << u"@root/Kitchen/IMG_2041.jpg"_s << false;
    QTest::newRow("double slashes") << u"@root//Kitchen//IMG_2041.jpg"_s << false;
    QTest::newRow("dot dot and dot") << u"@root/Garage/../Kitchen/./IMG_2041.jpg"_s << false;
    QTest::newRow("relative to the catalogue") << u"photos/Kitchen/IMG_2041.jpg"_s << false;
    QTest::newRow("stored through a link") << u"@link/Kitchen/IMG_2041.jpg"_s << false;
    QTest::newRow("folder picked through a link") << u"@root/Kitchen/IMG_2041.jpg"_s << true;
}

void TestPhotoIntake::alreadyUsed()
{
    QFETCH(QString, stored);
    QFETCH(bool, throughLink);
    const QString link = m_folder->dir.filePath(u"link"_s);
    QVERIFY(QFile::exists(link) || QFile::link(m_folder->root, link));
    RecordStore store;
    store.fileName = m_folder->dir.filePath(u"house.dat"_s); // photos/ lies beside it
    ItemRecord r;
    r.setPictureFile(3, QString(stored).replace(u"@root"_s, m_folder->root).replace(u"@link"_s, link));
    store.append(r);
    const QString folder = (throughLink ? link : m_folder->root) + u"/Kitchen"_s;
    const auto scan = PhotoIntake::scanFolder(folder, PhotoIntake::usedPicturePaths(store));
    QCOMPARE(scan.alreadyUsed, 1);
    QCOMPARE(int(scan.photos.size()), 2);
    QVERIFY(!scan.photos[0].path.endsWith(u"IMG_2041.jpg"_s));
}

void TestPhotoIntake::whatIsRead()
{
    QTemporaryDir dir;
    const QString in = dir.filePath(u"in"_s);
    auto put = [&](const QString &relative, const QByteArray &bytes) {
        QDir().mkpath(QFileInfo(in + u'/' + relative).absolutePath());
        QVERIFY(TestPictures::writeFile(in + u'/' + relative, bytes));
    };
    const QByteArray whole = TestPictures::jpegBytes(TestPictures::halves(80, 40));
    put(u"whole.jpg"_s, whole);
    put(u"phone.HEIC"_s, heifBytes(TestPictures::halves(64, 32)));
    // As a phone writes it, with its date taken in the Exif item.
    QProcess exiftool;
    exiftool.start(u"exiftool"_s,
        { u"-q"_s, u"-overwrite_original"_s, u"-DateTimeOriginal=2026:12:08 10:00:00"_s,
            in + u"/phone.HEIC"_s });
    QVERIFY(exiftool.waitForFinished(60000));
    QCOMPARE(exiftool.exitCode(), 0);
    // Cut short: the header still reads, the picture does not.
    const QByteArray cut = noisyJpeg().left(noisyJpeg().size() / 2);
    JpegDecoder::Header header;
    QVERIFY(JpegDecoder::readHeader(cut, header));
    put(u"cut.jpg"_s, cut);
    put(u".thumbnails/whole.jpg"_s, whole);
    put(u".hidden.jpg"_s, whole);
    // An insurance pack written into the photo folder.
    put(u"Pack/manifest.sha256"_s, "0000  photos/whole.jpg\n");
    put(u"Pack/inventory.pdf"_s, "%PDF-1.4\n");
    put(u"Pack/photos/whole.jpg"_s, whole);
    QVERIFY(QFile::link(in + u"/whole.jpg"_s, in + u"/link.jpg"_s));
    QCOMPARE(::mkfifo(QFile::encodeName(in + u"/fifo.jpg"_s).constData(), 0644), 0);

    const auto scan = PhotoIntake::scanFolder(in, {});
    QStringList paths;
    for (const auto &p : scan.photos) {
        paths << p.path;
        if (p.path.endsWith(u".HEIC"_s))
            QCOMPARE(p.taken, QDateTime(QDate(2026, 12, 8), QTime(10, 0)));
    }
    paths.sort();
    QCOMPARE(paths, (QStringList { in + u"/phone.HEIC"_s, in + u"/whole.jpg"_s }));
    QCOMPARE(scan.unreadable, 1);
    QCOMPARE(scan.notPictures, 0);
    QCOMPARE(scan.inPacks, 3);
    QCOMPARE(PhotoIntake::leftOutText(scan),
        u"4 files left out: 1 could not be read, 3 in insurance packs"_s);
}

void TestPhotoIntake::unstorableNames()
{
    OddFolder odd;
    const auto scan = PhotoIntake::scanFolder(odd.root, {});
    QCOMPARE(int(scan.photos.size()), 1);
    QCOMPARE(scan.photos[0].path, odd.root + u"/plain.jpg"_s);
    QCOMPARE(int(scan.unstorable.size()), 2);
    QCOMPARE(scan.unstorable[0].nativePath, odd.cafeNative);
    QCOMPARE(scan.unstorable[0].shownPath, odd.root + u"/café.jpg"_s);
    QVERIFY(scan.unstorable[0].notUtf8);
    QCOMPARE(scan.unstorable[1].shownPath, odd.sofaSource());
    QVERIFY(!scan.unstorable[1].notUtf8);
    QCOMPARE(PhotoIntake::leftOutText(scan),
        u"4 files left out: 1 not pictures, 1 could not be read, 1 with names the catalogue cannot "
        "store, 1 with names not in UTF-8"_s);
    // None of them becomes a record with a link that leads nowhere.
    RecordStore store;
    QCOMPARE(PhotoIntake::addRecords(store, PhotoIntake::groupPhotos(scan, odd.root, 30, store),
                 QDate(2027, 1, 2), [](int) { return 0; }),
        1);
    QCOMPARE(store.at(0).pictureFile(1), odd.root + u"/plain.jpg"_s);
}

void TestPhotoIntake::unstorableCopies()
{
    OddFolder odd;
    const QString dest = odd.dir.filePath(u"copies"_s);
    QVERIFY(QDir().mkpath(dest));
    // A file of the same name that is not the photo is never overwritten.
    QVERIFY(TestPictures::writeFile(dest + u"/Photo.jpg"_s, "someone else's"));
    auto scan = PhotoIntake::scanFolder(odd.root, {});

    // A folder that cannot be made: nothing copied, nothing lost.
    const PhotoIntake::CopyResult failed
        = PhotoIntake::copyUnstorable(scan, odd.root + u"/plain.jpg/x"_s, {});
    QVERIFY(!failed.ok);
    QVERIFY(!failed.message.isEmpty());
    QCOMPARE(int(scan.unstorable.size()), 2);

    const PhotoIntake::CopyResult copy = PhotoIntake::copyUnstorable(scan, dest, {});
    QVERIFY2(copy.ok, qPrintable(copy.message));
    QCOMPARE(copy.copied, 2);
    QVERIFY(scan.unstorable.empty());
    QCOMPARE(
        PhotoIntake::leftOutText(scan), u"2 files left out: 1 not pictures, 1 could not be read"_s);
    QMap<QString, QString> names; // path -> proposed record name
    for (const auto &p : scan.photos) {
        QVERIFY2(PhotoIntake::isStorablePath(p.path), qPrintable(p.path));
        names.insert(p.path, p.name);
    }
    const QString sofa = dest + u"/Photo 2.jpg"_s, cafe = dest + u"/café.jpg"_s;
    QCOMPARE(names.keys(), (QStringList { sofa, cafe, odd.root + u"/plain.jpg"_s }));
    QCOMPARE(names[sofa], u"Item from odd"_s);
    QCOMPARE(names[cafe], u"café"_s);
    QCOMPARE(readNative(QFile::encodeName(sofa)), odd.sofa);
    QCOMPARE(readNative(QFile::encodeName(cafe)), odd.cafe);
    QCOMPARE(readNative(QFile::encodeName(dest + u"/Photo.jpg"_s)), QByteArray("someone else's"));

    // Once added, a second run finds the same copies and offers nothing again.
    RecordStore store;
    PhotoIntake::addRecords(store, PhotoIntake::groupPhotos(scan, odd.root, 30, store),
        QDate(2027, 1, 2), [](int) { return 0; });
    const QSet<QString> used = PhotoIntake::usedPicturePaths(store);
    auto again = PhotoIntake::scanFolder(odd.root, used);
    QCOMPARE(again.alreadyUsed, 1);
    const PhotoIntake::CopyResult second = PhotoIntake::copyUnstorable(again, dest, used);
    QCOMPARE(second.copied, 0);
    QCOMPARE(second.reused, 2);
    QCOMPARE(again.alreadyUsed, 3);
    QVERIFY(again.photos.empty());
    QCOMPARE(QDir(dest).entryList(QDir::Files | QDir::Hidden).size(), 3);
}

void TestPhotoIntake::tool()
{
    RecordStore in;
    prepareStore(in);
    ItemRecord old;
    old.setName(u"Old"_s);
    in.append(old);
    QVERIFY(DataFile::writeDatabase(tool(u"in.dat"_s), in).ok);
    const ToolRun first = runProgram(QStringLiteral(LARKSPUR_TOOL_PATH),
        { u"photo-intake"_s, m_folder->root, tool(u"in.dat"_s), tool(u"out.dat"_s) });
    QCOMPARE(first.exitCode, 0);
    const QStringList lines = first.outText().split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines[1], u"3\tblue vase 01\tShelf : Garage\t2026/12/08\t6"_s);
    QCOMPARE(first.errText().trimmed(), u"3 files left out: 1 not pictures, 2 could not be read"_s);
    RecordStore out;
    QCOMPARE(DataFile::readDatabase(tool(u"out.dat"_s), out, false).outcome,
        DataFile::ReadOutcome::Read);
    QCOMPARE(out.count(), 6);
    QCOMPARE(out.at(0).name(), u"Old"_s);
    QCOMPARE(out.at(4).pictureFile(1), m_folder->root + u"/Kitchen/IMG_2041.jpg"_s);
    QCOMPARE(out.at(4).keywords(), QStringList { u"Added from photos"_s });
    // Run again on its own output: nothing new. A wider gap is taken.
    const ToolRun second = runProgram(QStringLiteral(LARKSPUR_TOOL_PATH),
        { u"photo-intake"_s, m_folder->root, tool(u"out.dat"_s), tool(u"again.dat"_s), u"--gap"_s,
            u"500"_s });
    QCOMPARE(second.exitCode, 0);
    QCOMPARE(second.out, QByteArray());
    QVERIFY(second.errText().contains(u"12 already in the database"_s));
    const ToolRun wide = runProgram(QStringLiteral(LARKSPUR_TOOL_PATH),
        { u"photo-intake"_s, m_folder->root + u"/Kitchen"_s, tool(u"in.dat"_s), tool(u"wide.dat"_s),
            u"--gap"_s, u"100"_s });
    QCOMPARE(wide.exitCode, 0);
    QCOMPARE(wide.outText(), u"2\tItem from Kitchen\tKitchen\t2026/12/08\t3\n"_s);
}

void TestPhotoIntake::toolCopiesUnstorable()
{
    OddFolder odd;
    const QString in = odd.dir.filePath(u"in.dat"_s), out = odd.dir.filePath(u"out.dat"_s);
    const QString copies = odd.dir.filePath(u"copies"_s);
    RecordStore store;
    store.append(ItemRecord());
    QVERIFY(DataFile::writeDatabase(in, store).ok);
    const QString program = QStringLiteral(LARKSPUR_TOOL_PATH);
    // Without the option they are counted and the way to add them is named.
    const ToolRun plain = runProgram(program, { u"photo-intake"_s, odd.root, in, out });
    QCOMPARE(plain.exitCode, 0);
    QCOMPARE(plain.outText().count(u'\n'), 1);
    QVERIFY(plain.errText().contains(
        u"1 with names the catalogue cannot store, 1 with names not in UTF-8"_s));
    QVERIFY(plain.errText().contains(u"--copy-unstorable"_s));
    // A folder that cannot be made fails the command before anything is written.
    const QString never = odd.dir.filePath(u"never.dat"_s);
    const ToolRun bad = runProgram(program,
        { u"photo-intake"_s, odd.root, in, never, u"--copy-unstorable"_s,
            odd.root + u"/plain.jpg/x"_s });
    QCOMPARE(bad.exitCode, 1);
    QVERIFY(!bad.err.isEmpty());
    QVERIFY(!QFile::exists(never));

    const ToolRun run = runProgram(
        program, { u"photo-intake"_s, odd.root, in, out, u"--copy-unstorable"_s, copies });
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.outText().count(u'\n'), 3);
    QVERIFY2(
        run.errText().contains(u"2 photos copied to %1"_s.arg(copies)), qPrintable(run.errText()));
    // The catalogue's own checker finds every picture there and whole.
    const ToolRun pictures = runProgram(program, { u"pictures"_s, out });
    QCOMPARE(pictures.exitCode, 0);
    const QStringList lines = pictures.outText().split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    for (const QString &line : lines)
        QVERIFY2(line.contains(u"\tok "_s), qPrintable(line));
    // Run again on its own output: nothing new, no second copy.
    const ToolRun again = runProgram(program,
        { u"photo-intake"_s, odd.root, out, odd.dir.filePath(u"again.dat"_s),
            u"--copy-unstorable"_s, copies });
    QCOMPARE(again.exitCode, 0);
    QCOMPARE(again.out, QByteArray());
    QVERIFY(again.errText().contains(u"3 already in the database"_s));
    QCOMPARE(QDir(copies).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

void TestPhotoIntake::toolWrongUse_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("too few") << QStringList { u"photos"_s, u"in.dat"_s } << 2;
    QTest::newRow("gap not a number")
        << QStringList { u"@root"_s, u"@in"_s, u"@out"_s, u"--gap"_s, u"soon"_s } << 2;
    QTest::newRow("gap missing") << QStringList { u"@root"_s, u"@in"_s, u"@out"_s, u"--gap"_s }
                                 << 2;
    QTest::newRow("copy folder missing")
        << QStringList { u"@root"_s, u"@in"_s, u"@out"_s, u"--copy-unstorable"_s } << 2;
    QTest::newRow("no such folder") << QStringList { u"@root/none"_s, u"@in"_s, u"@out"_s } << 1;
    QTest::newRow("no such database")
        << QStringList { u"@root"_s, u"@root/none.dat"_s, u"@out"_s } << 1;
    QTest::newRow("output cannot be written")
        << QStringList { u"@root"_s, u"@in"_s, u"@root/Attic/notes.txt/x.dat"_s } << 1;
}

void TestPhotoIntake::toolWrongUse()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    RecordStore in;
    QVERIFY(DataFile::writeDatabase(tool(u"plain.dat"_s), in).ok);
    for (QString &a : args) {
        a.replace(u"@root"_s, m_folder->root);
        a.replace(u"@in"_s, tool(u"plain.dat"_s));
        a.replace(u"@out"_s, tool(u"never.dat"_s));
    }
    const ToolRun run
        = runProgram(QStringLiteral(LARKSPUR_TOOL_PATH), QStringList { u"photo-intake"_s } + args);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY(!run.err.isEmpty());
    QCOMPARE(run.out, QByteArray());
    QVERIFY(!QFile::exists(tool(u"never.dat"_s)));
}

QTEST_GUILESS_MAIN(TestPhotoIntake)
#include "tst_photointake.moc"
