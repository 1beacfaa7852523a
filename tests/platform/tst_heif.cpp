// HEIF pictures: recognised by every brand phones and cameras write, and decoded row by row at
// the decoder's own stride.
#include <memory>

#include <libheif/heif.h>

#include <QTest>

#include "platform/imagelibrary.h"
#include "tests/support/heifpictures.h"
#include "tests/support/testpictures.h"

using namespace Qt::StringLiterals;

namespace {

// The stride libheif decodes a picture of these bytes at, as RGBA.
int decoderStride(const QByteArray &bytes)
{
    std::unique_ptr<heif_context, void (*)(heif_context *)> ctx(
        heif_context_alloc(), heif_context_free);
    heif_context_read_from_memory_without_copy(
        ctx.get(), bytes.constData(), size_t(bytes.size()), nullptr);
    heif_image_handle *handle = nullptr;
    heif_context_get_primary_image_handle(ctx.get(), &handle);
    heif_image *image = nullptr;
    heif_decode_image(handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, nullptr);
    int stride = 0;
    heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
    heif_image_release(image);
    heif_image_handle_release(handle);
    return stride;
}

bool reddish(QRgb c)
{
    return qRed(c) > 160 && qBlue(c) < 96;
}
bool bluish(QRgb c)
{
    return qBlue(c) > 160 && qRed(c) < 96;
}

} // namespace

class TestHeif : public QObject
{
    Q_OBJECT
private slots:
    void recognisedByBrand_data();
    void recognisedByBrand();
    void rowsAtTheDecodersStride();
};

void TestHeif::recognisedByBrand_data()
{
    QTest::addColumn<QByteArray>("brand");
    QTest::addColumn<bool>("recognised");
    QTest::newRow("heic") << QByteArray("heic") << true;
    QTest::newRow("mif1 (still image, as many cameras write)") << QByteArray("mif1") << true;
    QTest::newRow("msf1 (image sequence)") << QByteArray("msf1") << true;
    QTest::newRow("isom (a video)") << QByteArray("isom") << false;
}

// Named .jpg, so only the content can tell what it is.
void TestHeif::recognisedByBrand()
{
    QFETCH(QByteArray, brand);
    QFETCH(bool, recognised);
    QByteArray bytes = heifBytes(TestPictures::halves(32, 16));
    QCOMPARE(bytes.mid(4, 4), QByteArray("ftyp"));
    bytes.replace(8, 4, brand);
    const Picture got = ImageLibrary::loadData(bytes, u"jpg"_s);
    QCOMPARE(got.ok(), recognised);
    if (recognised)
        QCOMPARE(got.image.size(), QSize(32, 16));
}

// A width whose rows the decoder pads: copied at width × 4 bytes a row, each row would start a
// little further left than the last, and the halves' border would slant.
void TestHeif::rowsAtTheDecodersStride()
{
    const int w = 33, h = 40;
    const QByteArray bytes = heifBytes(TestPictures::halves(w, h));
    const int stride = decoderStride(bytes);
    QVERIFY2(stride > w * 4, qPrintable(u"stride %1 for width %2"_s.arg(stride).arg(w)));
    const Picture got = ImageLibrary::decodeHeif(bytes);
    QVERIFY(got.ok());
    QCOMPARE(got.image.size(), QSize(w, h));
    for (int y = 0; y < h; ++y) {
        QVERIFY2(reddish(got.image.pixel(0, y)) && reddish(got.image.pixel(w / 2 - 3, y)),
            qPrintable(u"row %1"_s.arg(y)));
        QVERIFY2(bluish(got.image.pixel(w / 2 + 3, y)) && bluish(got.image.pixel(w - 1, y)),
            qPrintable(u"row %1"_s.arg(y)));
    }
}

QTEST_MAIN(TestHeif)
#include "tst_heif.moc"
