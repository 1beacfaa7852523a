// The album's logic without a window: paging figures, captions, cell size and geometry, and the
// pictures of cells (routing, placeholder, damaged and turned pictures, the cache).
#include <QTemporaryDir>
#include <QTest>

#include "album/albumlayout.h"
#include "album/albumpictures.h"
#include "tests/support/testpictures.h"

using namespace TestPictures;

namespace {

RecordStore storeOf(int n, int searchListEvery = 0)
{
    RecordStore store;
    for (int i = 0; i < n; ++i) {
        ItemRecord r;
        r.setName(QStringLiteral("Item %1").arg(i + 1));
        r.OnSearchList = searchListEvery > 0 && i % searchListEvery == 0;
        store.append(std::move(r));
    }
    return store;
}

std::vector<int> range(int first, int last)
{
    std::vector<int> v;
    for (int i = first; i <= last; ++i)
        v.push_back(i);
    return v;
}

} // namespace

class TestAlbumLayout : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void paging_data();
    void paging();
    void captions();
    void cellSizeRoundsHalvesToEven_data();
    void cellSizeRoundsHalvesToEven();
    void geometry_data();
    void geometry();
    void cellPictures();
    void damagedJpegOnlySpoilsItsCell();
    void turnedPhotoStandsUprightInItsCell();
    void cacheServesRepeatsAndHonoursTheBound();
};

void TestAlbumLayout::paging_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("searchEvery"); // 0: all records in scope
    QTest::addColumn<int>("across");
    QTest::addColumn<int>("down");
    QTest::addColumn<int>("asked");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<std::vector<int>>("cells");
    QTest::addColumn<bool>("next");
    QTest::addColumn<bool>("previous");
    QTest::newRow("10 records") << 10 << 0 << 3 << 3 << 1 << "Page 1 of 2" << range(0, 8) << true
                                << false;
    QTest::newRow("10 records, page 2")
        << 10 << 0 << 3 << 3 << 2 << "Page 2 of 2" << range(9, 9) << false << true;
    QTest::newRow("exactly 9") << 9 << 0 << 3 << 3 << 1 << "Page 1 of 1" << range(0, 8) << false
                               << false;
    QTest::newRow("18") << 18 << 0 << 3 << 3 << 1 << "Page 1 of 2" << range(0, 8) << true << false;
    QTest::newRow("19") << 19 << 0 << 3 << 3 << 1 << "Page 1 of 3" << range(0, 8) << true << false;
    QTest::newRow("20 at 3x3 page 3")
        << 20 << 0 << 3 << 3 << 3 << "Page 3 of 3" << range(18, 19) << false << true;
    // Across raised to 4 on page 3: page 3 would start at record 25 of 20, so it falls back.
    QTest::newRow("20 at 4x3 page 3")
        << 20 << 0 << 4 << 3 << 3 << "Page 2 of 2" << range(12, 19) << false << true;
    QTest::newRow("far beyond the end")
        << 20 << 0 << 3 << 3 << 99 << "Page 3 of 3" << range(18, 19) << false << true;
    QTest::newRow("empty store") << 0 << 0 << 3 << 3 << 1 << "Page 0 of 0" << std::vector<int>()
                                 << false << false;
    QTest::newRow("empty search list")
        << 5 << -1 << 3 << 3 << 1 << "Page 0 of 0" << std::vector<int>() << false << false;
    QTest::newRow("search list, every 3rd")
        << 10 << 3 << 2 << 1 << 2 << "Page 2 of 2" << std::vector<int> { 6, 9 } << false << true;
    QTest::newRow("9 x 9") << 100 << 0 << 9 << 9 << 2 << "Page 2 of 2" << range(81, 99) << false
                           << true;
    QTest::newRow("1 x 1") << 3 << 0 << 1 << 1 << 2 << "Page 2 of 3" << range(1, 1) << true << true;
}

void TestAlbumLayout::paging()
{
    QFETCH(int, records);
    QFETCH(int, searchEvery);
    QFETCH(int, across);
    QFETCH(int, down);
    QFETCH(int, asked);
    QFETCH(QString, caption);
    QFETCH(std::vector<int>, cells);
    QFETCH(bool, next);
    QFETCH(bool, previous);
    const RecordStore store = storeOf(records, std::max(0, searchEvery));
    const RecordScope scope = searchEvery == 0 ? RecordScope::AllRecords : RecordScope::SearchList;
    const Album::Page page = Album::layoutPage(store, scope, across, down, asked);
    QCOMPARE(Album::pageCaption(page), caption);
    QCOMPARE(page.cells, cells);
    QCOMPARE(page.nextEnabled, next);
    QCOMPARE(page.previousEnabled, previous);
}

void TestAlbumLayout::captions()
{
    QCOMPARE(Album::cellLabel(11, QStringLiteral("Camera")), QStringLiteral("12: Camera"));
    QCOMPARE(Album::sizeCaption(3, 4), QStringLiteral("3 X 4"));
    QCOMPARE(Album::activationCaption(RecordScope::AllRecords),
        QStringLiteral("Album Shelf (All Records)"));
    QCOMPARE(Album::activationCaption(RecordScope::SearchList),
        QStringLiteral("Album View (Searched Records)"));
    QCOMPARE(
        Album::modeCaption(RecordScope::AllRecords), QStringLiteral("Album View (All Records)"));
    QCOMPARE(Album::modeCaption(RecordScope::SearchList),
        QStringLiteral("Album View (Searched Records)"));
}

void TestAlbumLayout::cellSizeRoundsHalvesToEven_data()
{
    QTest::addColumn<QSize>("grid");
    QTest::addColumn<int>("across");
    QTest::addColumn<int>("down");
    QTest::addColumn<QSize>("cell");
    QTest::newRow("353 x 376 at 3 x 3") << QSize(353, 376) << 3 << 3 << QSize(116, 123);
    QTest::newRow("halves: 5/2, 7/2") << QSize(5, 7) << 2 << 2 << QSize(1, 2); // 2.5 -> 2, 3.5 -> 4
    QTest::newRow("halves: 9/2 = 4.5 -> 4") << QSize(9, 9) << 2 << 2 << QSize(2, 2);
    QTest::newRow("one cell") << QSize(400, 300) << 1 << 1 << QSize(398, 298);
}

void TestAlbumLayout::cellSizeRoundsHalvesToEven()
{
    QFETCH(QSize, grid);
    QFETCH(int, across);
    QFETCH(int, down);
    QFETCH(QSize, cell);
    QCOMPARE(Album::cellSize(grid, across, down), cell);
}

void TestAlbumLayout::geometry_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<bool>("autoSize");
    QTest::addColumn<bool>("label");
    QTest::addColumn<QRect>("source");
    QTest::addColumn<QRect>("dest");
    const QSize big(300, 200);
    const QSize small(100, 50);
    // The cell is 150 x 120 throughout.
    QTest::newRow("larger, own size: top-left part")
        << big << false << false << QRect(0, 0, 150, 120) << QRect(0, 0, 150, 120);
    QTest::newRow("larger, auto-size: squeezed whole")
        << big << true << false << QRect(0, 0, 300, 200) << QRect(0, 0, 150, 120);
    QTest::newRow("smaller, own size")
        << small << false << false << QRect(0, 0, 100, 50) << QRect(0, 0, 100, 50);
    QTest::newRow("smaller, auto-size")
        << small << true << false << QRect(0, 0, 100, 50) << QRect(0, 0, 150, 120);
    QTest::newRow("larger, label: squeezed below")
        << big << false << true << QRect(0, 0, 150, 120) << QRect(0, 20, 150, 100);
    QTest::newRow("smaller, label: moved down")
        << small << false << true << QRect(0, 0, 100, 50) << QRect(0, 20, 100, 50);
    QTest::newRow("auto-size, label")
        << big << true << true << QRect(0, 0, 300, 200) << QRect(0, 20, 150, 100);
    QTest::newRow("placeholder in the cell")
        << QSize(105, 105) << false << false << QRect(0, 0, 105, 105) << QRect(0, 0, 105, 105);
}

void TestAlbumLayout::geometry()
{
    QFETCH(QSize, picture);
    QFETCH(bool, autoSize);
    QFETCH(bool, label);
    QFETCH(QRect, source);
    QFETCH(QRect, dest);
    const Album::CellGeometry g = Album::cellGeometry(picture, QSize(150, 120), autoSize, label);
    QCOMPARE(g.source, source);
    QCOMPARE(g.dest, dest);
}

void TestAlbumLayout::cellPictures()
{
    QTemporaryDir dir;
    auto write = [&](const QString &name, const QByteArray &bytes) {
        const QString path = dir.filePath(name);
        writeFile(path, bytes);
        return path;
    };
    AlbumPictures pictures;
    const QSize cell(150, 120);
    using K = AlbumPictures::Kind;
    // A 300 x 200 picture at its own size: its top-left (red) corner, 150 x 120.
    const QString jpg = write(QStringLiteral("scan.JPG"), jpegBytes(halves(300, 200)));
    AlbumPictures::Cell c = pictures.cellPicture(jpg, cell, false, false);
    QCOMPARE(c.kind, K::Picture);
    QCOMPARE(c.dest, QRect(0, 0, 150, 120));
    QCOMPARE(c.image.size(), QSize(150, 120));
    QVERIFY(isReddish(c.image.pixel(140, 60))); // still the left half of the picture
    // Auto-Size: the whole picture squeezed in, so both halves show.
    c = pictures.cellPicture(jpg, cell, true, false);
    QCOMPARE(c.image.size(), QSize(150, 120));
    QVERIFY(isReddish(c.image.pixel(10, 60)));
    QVERIFY(isBluish(c.image.pixel(140, 60)));
    // A bitmap goes to the image library.
    const QString bmp
        = write(QStringLiteral("scan.bmp"), bmpBytes(qRgb(255, 0, 0), qRgb(0, 0, 255)));
    c = pictures.cellPicture(bmp, cell, false, false);
    QCOMPARE(c.kind, K::Picture);
    QCOMPARE(c.dest, QRect(0, 0, 2, 2));
    // A PCX likewise.
    const QString pcx = write(QStringLiteral("old.pcx"), pcxBytes(halves(40, 30)));
    QCOMPARE(pictures.cellPicture(pcx, cell, false, true).dest, QRect(0, 20, 40, 30));
    // No file, a missing file: the placeholder, 105 x 105 at its own size.
    for (const QString &f : { QString(), dir.filePath(QStringLiteral("gone.bmp")),
             dir.filePath(QStringLiteral("gone.jpg")) }) {
        c = pictures.cellPicture(f, cell, false, false);
        QCOMPARE(c.kind, K::Placeholder);
        QCOMPARE(c.dest, QRect(0, 0, 105, 105));
        QCOMPARE(c.image, AlbumPictures::placeholder());
    }
    // A file the image library cannot decode: nothing is drawn.
    const QString text = write(QStringLiteral("notes.gif"), QByteArray("not a picture at all"));
    c = pictures.cellPicture(text, cell, false, false);
    QCOMPARE(c.kind, K::Nothing);
    QVERIFY(c.image.isNull());
}

void TestAlbumLayout::damagedJpegOnlySpoilsItsCell()
{
    QTemporaryDir dir;
    const QByteArray good = jpegBytes(halves(64, 48));
    const QString a = dir.filePath(QStringLiteral("a.jpg"));
    const QString b = dir.filePath(QStringLiteral("b.jpg"));
    const QString c = dir.filePath(QStringLiteral("c.jpg"));
    writeFile(a, good);
    writeFile(b, good.left(good.size() * 2 / 3)); // cut off in the middle of the scan
    writeFile(c, good);
    AlbumPictures pictures;
    const QSize cell(100, 100);
    QCOMPARE(pictures.cellPicture(a, cell, true, false).kind, AlbumPictures::Kind::Picture);
    QCOMPARE(pictures.cellPicture(b, cell, true, false).kind, AlbumPictures::Kind::Placeholder);
    QCOMPARE(pictures.cellPicture(b, cell, false, false).kind, AlbumPictures::Kind::Placeholder);
    QCOMPARE(pictures.cellPicture(c, cell, true, false).kind, AlbumPictures::Kind::Picture);
}

void TestAlbumLayout::turnedPhotoStandsUprightInItsCell()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("phone.jpg"));
    writeFile(path, jpegWithOrientation(halves(200, 100), 6));
    AlbumPictures pictures;
    // Upright the photo is 100 x 200; at its own size in a 150 x 120 cell: 100 x 120 of its top,
    // which was the stored left (red) half.
    const AlbumPictures::Cell c = pictures.cellPicture(path, QSize(150, 120), false, false);
    QCOMPARE(c.dest, QRect(0, 0, 100, 120));
    QVERIFY(isReddish(c.image.pixel(50, 10)));
    QVERIFY(isReddish(c.image.pixel(50, 90)));
    const AlbumPictures::Cell s = pictures.cellPicture(path, QSize(150, 120), true, false);
    QVERIFY(isReddish(s.image.pixel(75, 10)));
    QVERIFY(isBluish(s.image.pixel(75, 110)));
}

void TestAlbumLayout::cacheServesRepeatsAndHonoursTheBound()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("photo.jpg"));
    writeFile(path, jpegBytes(halves(400, 300)));
    AlbumPictures pictures(qint64(1) << 20); // 1 MB
    const AlbumPictures::Cell first = pictures.cellPicture(path, QSize(150, 120), true, false);
    const qsizetype entries = pictures.cache().count();
    QCOMPARE(entries, qsizetype(1));
    const AlbumPictures::Cell again = pictures.cellPicture(path, QSize(150, 120), true, false);
    QCOMPARE(pictures.cache().count(), entries);
    QVERIFY(
        again.image.constBits() == first.image.constBits()); // the same pixels, not a new decode
    for (int w = 100; w < 400; w += 10)
        pictures.cellPicture(path, QSize(w, w), true, false);
    QVERIFY(pictures.cache().bytesUsed() <= pictures.cache().maxBytes());
}

QTEST_MAIN(TestAlbumLayout)
#include "tst_albumlayout.moc"
