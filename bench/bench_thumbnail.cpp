// A 12-megapixel photo's album thumbnail against a bare libjpeg-turbo scaled decode of the same
// file, each in a fresh process (start to exit), as a user meets it. Run without arguments; the
// driver writes the photo, then runs itself once per measurement:
//   bench_thumbnail make FILE | program FILE | oldread FILE | bare FILE
// "oldread" is the thumbnail path with the former file reading (a buffer of the 256 MB limit).
#include <algorithm>
#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "album/albumlayout.h"
#include "album/albumpictures.h"
#include "platform/jpegdecoder.h"

namespace {

using Clock = std::chrono::steady_clock;

// The default window's cell at 3 x 3, stretched (Auto-Size): the decode the album does most.
const QSize Cell = Album::cellSize(QSize(353, 376), 3, 3);

QImage photo(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    QRandomGenerator rng { 7 };
    for (int y = 0; y < h; ++y) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int n = int(rng.bounded(16));
            line[x] = qRgb((x * 255 / w + n) & 255, (y * 255 / h + n) & 255,
                ((x + y) * 128 / (w + h) + n) & 255);
        }
    }
    return img;
}

struct BareError
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

bool decodeEighth(const std::vector<unsigned char> &data, std::vector<unsigned char> &image,
    int &outW, int &outH)
{
    jpeg_decompress_struct cinfo {};
    BareError err {};
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = [](j_common_ptr c) {
        std::longjmp(reinterpret_cast<BareError *>(c->err)->jump, 1);
    };
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.scale_num = 1;
    cinfo.scale_denom = 8;
    cinfo.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&cinfo);
    image.resize(size_t(cinfo.output_width) * cinfo.output_height * 4);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = image.data() + size_t(cinfo.output_scanline) * cinfo.output_width * 4;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    outW = int(cinfo.output_width);
    outH = int(cinfo.output_height);
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

// What a program that only wants a thumbnail does: read the file, decode at 1/8.
bool bareDecode(const char *path, int &outW, int &outH)
{
    FILE *f = std::fopen(path, "rb");
    if (!f)
        return false;
    std::fseek(f, 0, SEEK_END);
    const long size = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    std::vector<unsigned char> data(static_cast<size_t>(size));
    const size_t got = std::fread(data.data(), 1, data.size(), f);
    std::fclose(f);
    if (got != data.size())
        return false;
    std::vector<unsigned char> image;
    return decodeEighth(data, image, outW, outH);
}

// The thumbnail path as it was: the same decode after reading into a buffer of the limit.
bool oldReadThumbnail(const QString &path, QSize &out)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.read(PictureLimits::MaxFileBytes + 1);
    JpegDecoder::Header header;
    if (!JpegDecoder::readHeader(bytes, header))
        return false;
    const Album::CellGeometry g = Album::cellGeometry(header.shownSize(), Cell, true, false);
    const Picture pic = JpegDecoder::decodeScaledData(bytes, g.dest.size());
    if (!pic.ok())
        return false;
    out = pic.image.scaled(g.dest.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation).size();
    return true;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3) {
        const QString mode = QString::fromLocal8Bit(argv[1]);
        const QString file = QString::fromLocal8Bit(argv[2]);
        if (mode == u"make") {
            QGuiApplication app(argc, argv);
            return photo(4000, 3000).save(file, "JPEG", 90) ? 0 : 1;
        }
        const auto t0 = Clock::now();
        bool ok = false;
        QSize size;
        if (mode == u"bare") {
            int w = 0, h = 0;
            ok = bareDecode(argv[2], w, h);
            size = QSize(w, h);
        } else if (mode == u"program") {
            const AlbumPictures::Cell c = AlbumPictures::decodeCell(file, Cell, true, false);
            ok = c.kind == AlbumPictures::Kind::Picture;
            size = c.image.size();
        } else if (mode == u"oldread") {
            ok = oldReadThumbnail(file, size);
        }
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        std::printf("%.3f %dx%d\n", ms, size.width(), size.height());
        return ok ? 0 : 1;
    }

    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("photo12mp.jpg"));
    const QString self = QCoreApplication::applicationFilePath();
    if (QProcess::execute(self, { QStringLiteral("make"), file }) != 0) {
        std::fprintf(stderr, "cannot write the photo\n");
        return 1;
    }
    std::printf("12-megapixel photo, %.1f MB; thumbnail for a %dx%d cell; 9 fresh processes each, "
                "interleaved\n",
        double(QFile(file).size()) / (1 << 20), Cell.width(), Cell.height());
    const QStringList modes { QStringLiteral("bare"), QStringLiteral("program"),
        QStringLiteral("oldread") };
    std::vector<std::vector<double>> decode(3), process(3);
    for (int run = 0; run < 9; ++run) {
        for (int m = 0; m < 3; ++m) {
            QProcess p;
            QElapsedTimer t;
            t.start();
            p.start(self, { modes[m], file });
            p.waitForFinished(-1);
            const double wall = double(t.nsecsElapsed()) / 1e6;
            const QByteArray out = p.readAllStandardOutput();
            if (p.exitCode() != 0) {
                std::fprintf(stderr, "%s failed\n", qPrintable(modes[m]));
                return 1;
            }
            decode[size_t(m)].push_back(out.split(' ').value(0).toDouble());
            process[size_t(m)].push_back(wall);
        }
    }
    for (int m = 0; m < 3; ++m)
        std::printf("%-8s thumbnail median %7.2f ms (min %6.2f)   process median %7.1f ms   "
                    "%.2f x bare\n",
            qPrintable(modes[m]), median(decode[size_t(m)]),
            *std::min_element(decode[size_t(m)].begin(), decode[size_t(m)].end()),
            median(process[size_t(m)]), median(decode[size_t(m)]) / median(decode[0]));
    return 0;
}
