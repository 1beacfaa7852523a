// The picture decoders: routing by extension and content, damaged and hostile files, EXIF
// orientation, reduced and partial JPEG decoding, the decoded-picture cache.
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "platform/imagelibrary.h"
#include "platform/jpegdecoder.h"
#include "platform/orientation.h"
#include "platform/pictureloader.h"
#include "platform/thumbnailcache.h"
#include "tests/support/testpictures.h"

using namespace TestPictures;

class TestPictures_ : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(name);
        if (!writeFile(path, bytes))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private Q_SLOTS:
    void loaderRoutesByExtension_data();
    void loaderRoutesByExtension();
    void libraryDecodesByContent_data();
    void libraryDecodesByContent();
    void hostileFilesAreRefused_data();
    void hostileFilesAreRefused();
    void exifOrientationStandsUpright_data();
    void exifOrientationStandsUpright();
    void exifParserIgnoresDamage();
    void scaledDecodeUsesDctReduction();
    void regionMatchesWholeDecode_data();
    void regionMatchesWholeDecode();
    void cacheFollowsFileChanges();
    void cacheSeesARewriteOfTheSameSize();
    void scaledDecodeScalesForTheTurnedSize_data();
    void scaledDecodeScalesForTheTurnedSize();
    void pictureBetweenThePixelLimits();
};

void TestPictures_::loaderRoutesByExtension_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("status");
    const QImage img = halves(8, 6);
    const QByteArray jpeg = jpegBytes(img);
    const QByteArray bmp = bmpBytes(qRgb(255, 0, 0), qRgb(0, 0, 255));
    const int ok = int(PictureStatus::Ok), rej = int(PictureStatus::Rejected),
              unread = int(PictureStatus::Unreadable);
    QTest::newRow("photo.jpeg") << "photo.jpeg" << jpeg << ok;
    QTest::newRow("scan.JPG") << "scan.JPG" << jpeg << ok;
    QTest::newRow("scan.bmp") << "scan.bmp" << bmp << ok;
    QTest::newRow("icon.ico") << "icon.ico" << QByteArray() << ok; // written below by Qt
    QTest::newRow("clip.wmf") << "clip.wmf" << wmfBytes() << ok;
    QTest::newRow("clip.EMF") << "clip.EMF" << emfBytes() << ok;
    QTest::newRow("wmf cut short") << "cut.wmf" << wmfBytes().left(30) << rej;
    QTest::newRow("gif goes to the library, which reads content") << "photo.gif" << jpeg << ok;
    QTest::newRow("unknown extension") << "notes.txt" << jpeg << rej;
    QTest::newRow("text in a jpg") << "text.jpg" << QByteArray("Dear diary, today...\n") << rej;
    QTest::newRow("truncated jpeg") << "cut.jpg" << jpeg.left(jpeg.size() / 2) << rej;
    QTest::newRow("bmp holding a jpeg") << "wrong.bmp" << jpeg << rej;
    QTest::newRow("missing jpg") << "" << QByteArray() << unread;
    QTest::newRow("missing, unknown extension") << "missing.xyz" << QByteArray() << rej;
}

void TestPictures_::loaderRoutesByExtension()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(int, status);
    QString path;
    if (name.isEmpty()) {
        path = m_dir.filePath(QStringLiteral("nowhere/missing.jpg"));
    } else if (name.endsWith(u".ico")) {
        path = m_dir.filePath(name);
        QVERIFY(QImage(16, 16, QImage::Format_ARGB32).save(path, "ICO"));
    } else if (name == u"missing.xyz") {
        path = m_dir.filePath(name);
    } else {
        path = write(name, bytes);
    }
    const Picture p = PictureLoader::load(path);
    QCOMPARE(int(p.status), status);
    QCOMPARE(p.image.isNull(), status != int(PictureStatus::Ok));
}

void TestPictures_::libraryDecodesByContent_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QSize>("size");
    const QImage img = halves(10, 4);
    // Qt writes no GIF; a minimal one by hand: 2 x 1, red and blue, LZW codes clear, 0, 1, end.
    const QByteArray gif("GIF89a\x02\x00\x01\x00\x80\x00\x00"
                         "\xff\x00\x00\x00\x00\xff"
                         ",\x00\x00\x00\x00\x02\x00\x01\x00\x00"
                         "\x02\x02\x44\x0a\x00;",
        35);
    QTest::newRow("PHOTO.GIF") << "PHOTO.GIF" << gif << QSize(2, 1);
    QTest::newRow("scan.pcx") << "scan.pcx" << pcxBytes(img) << QSize(10, 4);
    QTest::newRow("scan.bmp") << "scan.bmp" << bmpBytes(qRgb(255, 0, 0), qRgb(0, 0, 255))
                              << QSize(2, 2);
    QTest::newRow("scan.JPG") << "scan.JPG" << jpegBytes(img) << QSize(10, 4);
    QTest::newRow("png named .dat") << "picture.dat" << [&] {
        QByteArray png;
        QBuffer b(&png);
        b.open(QIODevice::WriteOnly);
        img.save(&b, "PNG");
        return png;
    }() << QSize(10, 4);
}

void TestPictures_::libraryDecodesByContent()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QSize, size);
    const QString path = write(name, bytes);
    const Picture p = ImageLibrary::load(path);
    QVERIFY(p.ok());
    QCOMPARE(p.image.size(), size);
    QCOMPARE(ImageLibrary::NViewLibLoad(path, 0).size(), size);
    if (name.endsWith(u".pcx")) {
        QVERIFY(isReddish(p.image.pixel(0, 0)));
        QVERIFY(isBluish(p.image.pixel(9, 3)));
    }
    if (name.endsWith(u".GIF")) {
        QCOMPARE(p.image.pixel(0, 0) & 0xffffff, 0xff0000u);
        QCOMPARE(p.image.pixel(1, 0) & 0xffffff, 0x0000ffu);
    }
}

void TestPictures_::hostileFilesAreRefused_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    // A JPEG frame header claiming 60000 x 60000: patch the SOF0 of a real one.
    QByteArray jpeg = jpegBytes(halves(16, 16));
    const qsizetype sof = jpeg.indexOf(QByteArray("\xff\xc0", 2));
    QVERIFY(sof > 0);
    jpeg[sof + 5] = char(0xea);
    jpeg[sof + 6] = char(0x60);
    jpeg[sof + 7] = char(0xea);
    jpeg[sof + 8] = char(0x60);
    // A placeable metafile whose frame is 32000 units square at one unit an inch.
    QByteArray wmf = wmfBytes();
    qToLittleEndian<quint16>(32000, wmf.data() + 10);
    qToLittleEndian<quint16>(32000, wmf.data() + 12);
    qToLittleEndian<quint16>(1, wmf.data() + 14);
    quint16 sum = 0;
    for (int i = 0; i < 20; i += 2)
        sum ^= qFromLittleEndian<quint16>(wmf.constData() + i);
    qToLittleEndian<quint16>(sum, wmf.data() + 20);
    QTest::newRow("wmf of 2304000 inches") << "vast.wmf" << wmf;
    QTest::newRow("png 30000x30000") << "bomb.png" << pngHeaderClaiming(30000, 30000);
    QTest::newRow("jpeg 60000x60000") << "bomb.jpg" << jpeg;
    QTest::newRow("pcx 65535x65535") << "bomb.pcx" << pcxBomb();
    QTest::newRow("gif holding text") << "photo.gif" << QByteArray("GIF89a but not really");
    QTest::newRow("empty file") << "empty.pcx" << QByteArray();
}

void TestPictures_::hostileFilesAreRefused()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    const QString path = write(name, bytes);
    const Picture lib = ImageLibrary::load(path);
    QCOMPARE(int(lib.status), int(PictureStatus::Rejected));
    QVERIFY(lib.image.isNull());
    const Picture own = PictureLoader::load(path);
    QCOMPARE(int(own.status), int(PictureStatus::Rejected));
    if (name.endsWith(u".jpg")) {
        QCOMPARE(int(JpegDecoder::decodeScaled(path, QSize(100, 100)).status),
            int(PictureStatus::Rejected));
        QCOMPARE(int(JpegDecoder::decodeRegion(path, QRect(0, 0, 100, 100)).status),
            int(PictureStatus::Rejected));
    }
}

void TestPictures_::exifOrientationStandsUpright_data()
{
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QSize>("shown");
    QTest::addColumn<QPoint>("redAt"); // where the stored left (red) half shows
    QTest::addColumn<QPoint>("blueAt");
    QTest::newRow("1 as stored") << 1 << QSize(64, 32) << QPoint(4, 16) << QPoint(60, 16);
    QTest::newRow("3 upside down") << 3 << QSize(64, 32) << QPoint(60, 16) << QPoint(4, 16);
    // 6: the camera was turned clockwise; the stored left edge becomes the top.
    QTest::newRow("6 quarter turn") << 6 << QSize(32, 64) << QPoint(16, 4) << QPoint(16, 60);
    QTest::newRow("8 quarter turn back") << 8 << QSize(32, 64) << QPoint(16, 60) << QPoint(16, 4);
}

void TestPictures_::exifOrientationStandsUpright()
{
    QFETCH(int, orientation);
    QFETCH(QSize, shown);
    QFETCH(QPoint, redAt);
    QFETCH(QPoint, blueAt);
    const QString path = write(QStringLiteral("phone%1.jpg").arg(orientation),
        jpegWithOrientation(halves(64, 32), orientation));
    for (const Picture &p :
        { JpegDecoder::decode(path), PictureLoader::load(path), ImageLibrary::load(path) }) {
        QVERIFY(p.ok());
        QCOMPARE(p.image.size(), shown);
        QCOMPARE(p.shownSize, shown);
        QVERIFY(isReddish(p.image.pixel(redAt)));
        QVERIFY(isBluish(p.image.pixel(blueAt)));
    }
    const Picture thumb = JpegDecoder::decodeScaled(path, QSize(8, 8));
    QVERIFY(thumb.ok());
    QCOMPARE(thumb.image.size(), shown / 4); // 1/4 is the smallest giving 8 x 8
    QCOMPARE(thumb.shownSize, shown);
}

void TestPictures_::exifParserIgnoresDamage()
{
    QByteArray seg = exifSegment(6).mid(4); // the payload
    QCOMPARE(
        exifOrientation(reinterpret_cast<const uchar *>(seg.constData()), size_t(seg.size())), 6);
    // Cut short anywhere, or an IFD offset pointing far away: no orientation, no overread.
    const qsizetype valueEnd = 6 + 8 + 2 + 10; // "Exif\0\0", TIFF header, count, entry to its value
    for (qsizetype n = 0; n < valueEnd; ++n) {
        const QByteArray cut = seg.left(n);
        QCOMPARE(
            exifOrientation(reinterpret_cast<const uchar *>(cut.constData()), size_t(cut.size())),
            1);
    }
    QByteArray far = seg;
    far[6 + 7] = char(0x7f);
    QCOMPARE(
        exifOrientation(reinterpret_cast<const uchar *>(far.constData()), size_t(far.size())), 1);
    QByteArray bad = seg;
    bad[6 + 8 + 2 + 9] = 9; // orientation 9 does not exist
    QCOMPARE(
        exifOrientation(reinterpret_cast<const uchar *>(bad.constData()), size_t(bad.size())), 1);
}

void TestPictures_::scaledDecodeUsesDctReduction()
{
    const QString path = write(QStringLiteral("big.jpg"), jpegBytes(halves(800, 600), 80));
    QCOMPARE(JpegDecoder::decodeScaled(path, QSize(100, 75)).image.size(), QSize(100, 75));
    QCOMPARE(JpegDecoder::decodeScaled(path, QSize(101, 75)).image.size(), QSize(200, 150));
    QCOMPARE(JpegDecoder::decodeScaled(path, QSize(300, 10)).image.size(), QSize(400, 300));
    QCOMPARE(JpegDecoder::decodeScaled(path, QSize(500, 10)).image.size(), QSize(800, 600));
}

void TestPictures_::regionMatchesWholeDecode_data()
{
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QRect>("region");
    QTest::newRow("top-left, upright") << 1 << QRect(0, 0, 150, 120);
    QTest::newRow("inner, upright") << 1 << QRect(37, 21, 50, 40);
    QTest::newRow("top-left, turned 6") << 6 << QRect(0, 0, 150, 120);
    QTest::newRow("inner, turned 8") << 8 << QRect(13, 50, 70, 33);
    QTest::newRow("inner, mirrored 2") << 2 << QRect(5, 6, 70, 33);
    QTest::newRow("clipped at the edge") << 3 << QRect(150, 100, 500, 500);
}

void TestPictures_::regionMatchesWholeDecode()
{
    QFETCH(int, orientation);
    QFETCH(QRect, region);
    // A picture with detail everywhere, so a shifted region cannot match by chance.
    QImage img(240, 180, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixel(x, y, qRgb((x * 7) & 255, (y * 5) & 255, ((x + y) * 3) & 255));
    const QString path = write(
        QStringLiteral("detail%1.jpg").arg(orientation), jpegWithOrientation(img, orientation));
    const Picture whole = JpegDecoder::decode(path);
    QVERIFY(whole.ok());
    const QRect clipped = region.intersected(whole.image.rect());
    const Picture part = JpegDecoder::decodeRegion(path, region);
    QVERIFY(part.ok());
    QCOMPARE(part.image.size(), clipped.size());
    QCOMPARE(part.shownSize, whole.image.size());
    // The same decoder over the same blocks gives the same pixels, give or take rounding.
    const QImage expected = whole.image.copy(clipped);
    int worst = 0;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb a = expected.pixel(x, y), b = part.image.pixel(x, y);
            worst = std::max({ worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                std::abs(qBlue(a) - qBlue(b)) });
        }
    QVERIFY2(worst <= 8, qPrintable(QStringLiteral("worst channel difference %1").arg(worst)));
}

void TestPictures_::cacheFollowsFileChanges()
{
    ThumbnailCache cache(1 << 20);
    const QString path = write(QStringLiteral("cached.jpg"), jpegBytes(halves(8, 8)));
    QVERIFY(!cache.find(path, QStringLiteral("a")));
    cache.insert(path, QStringLiteral("a"), { 1, QImage(10, 10, QImage::Format_RGB32), QRect() });
    QVERIFY(cache.find(path, QStringLiteral("a")));
    QVERIFY(!cache.find(path, QStringLiteral("b")));
    // Rewritten with other content: size changes, so the entry is stale.
    write(QStringLiteral("cached.jpg"), jpegBytes(halves(64, 64)));
    QVERIFY(!cache.find(path, QStringLiteral("a")));
    // The bound holds: 300 entries of 40 KB in a 1 MB cache.
    for (int i = 0; i < 300; ++i)
        cache.insert(
            path, QString::number(i), { 1, QImage(100, 100, QImage::Format_RGB32), QRect() });
    QVERIFY(cache.bytesUsed() <= cache.maxBytes());
    QVERIFY(cache.count() < 30);
}

void TestPictures_::cacheSeesARewriteOfTheSameSize()
{
    ThumbnailCache cache(1 << 20);
    const QByteArray first = jpegBytes(halves(16, 16));
    QByteArray second = first;
    second[second.size() / 2] = char(second[second.size() / 2] ^ 0x55);
    const QString path = write(QStringLiteral("same.jpg"), first);
    const QDateTime then(QDate(2021, 5, 1), QTime(12, 0), Qt::UTC);
    auto stamp = [&](const QDateTime &t) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(t, QFileDevice::FileModificationTime));
    };
    stamp(then);
    cache.insert(path, QStringLiteral("a"), { 1, QImage(4, 4, QImage::Format_RGB32), QRect() });
    QVERIFY(cache.find(path, QStringLiteral("a")));
    // Same number of bytes, a minute later: decoded again.
    write(QStringLiteral("same.jpg"), second);
    stamp(then.addSecs(60));
    QCOMPARE(QFileInfo(path).size(), qint64(first.size()));
    QVERIFY(!cache.find(path, QStringLiteral("a")));
}

void TestPictures_::scaledDecodeScalesForTheTurnedSize_data()
{
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QSize>("atLeast");
    QTest::addColumn<QSize>("expected");
    // Stored 800 x 200. Turned (6), it shows 200 x 800: half of that is the smallest enough.
    QTest::newRow("upright") << 1 << QSize(300, 100) << QSize(400, 100);
    QTest::newRow("turned a quarter") << 6 << QSize(100, 300) << QSize(100, 400);
    QTest::newRow("turned, an eighth") << 8 << QSize(25, 100) << QSize(25, 100);
}

void TestPictures_::scaledDecodeScalesForTheTurnedSize()
{
    QFETCH(int, orientation);
    QFETCH(QSize, atLeast);
    QFETCH(QSize, expected);
    const QString path = write(QStringLiteral("long%1.jpg").arg(orientation),
        jpegWithOrientation(halves(800, 200), orientation));
    const Picture p = JpegDecoder::decodeScaled(path, atLeast);
    QVERIFY(p.ok());
    QCOMPARE(p.image.size(), expected);
}

// More pixels than any decoder allocates, fewer than a header may claim: never decoded whole,
// but a thumbnail is made by the reduced decode.
void TestPictures_::pictureBetweenThePixelLimits()
{
    const QSize size(8192, 7900);
    QVERIFY(qint64(size.width()) * size.height() > PictureLimits::MaxDecodedPixels);
    QVERIFY(qint64(size.width()) * size.height() <= PictureLimits::MaxSourcePixels);
    QImage grey(size, QImage::Format_Grayscale8);
    grey.fill(140);
    const QString path = write(QStringLiteral("panorama.jpg"), jpegBytes(grey, 20));
    grey = QImage();
    QCOMPARE(int(JpegDecoder::decode(path).status), int(PictureStatus::Rejected));
    const Picture thumb = JpegDecoder::decodeScaled(path, QSize(512, 480));
    QVERIFY(thumb.ok());
    QCOMPARE(thumb.image.size(), QSize(1024, 988));
    QCOMPARE(thumb.shownSize, size);
}

QTEST_GUILESS_MAIN(TestPictures_)
#include "tst_pictures.moc"
