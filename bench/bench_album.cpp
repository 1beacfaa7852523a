// Times an album page of 9 cells of 12-megapixel JPEGs, cold (nothing decoded yet) and warm
// (from the decoded-picture cache), stretched (Auto-Size) and at their own size, and pages
// through 10,000 records to show the cache's memory bound. Run with QT_QPA_PLATFORM=offscreen.
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

#include <sys/resource.h>

#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "album/albumlayout.h"
#include "album/albumpictures.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t0)
{
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

long peakRssMb()
{
    rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024;
}

// A photo-like picture: smooth gradients with noise, which compresses like a real photo.
QImage photo(int w, int h, int seed)
{
    QImage img(w, h, QImage::Format_RGB32);
    QRandomGenerator rng { quint32(seed) };
    for (int y = 0; y < h; ++y) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int n = int(rng.bounded(16)); // sensor noise: files the size of real photos
            line[x] = qRgb((x * 255 / w + n + seed * 20) & 255, (y * 255 / h + n) & 255,
                ((x + y) * 128 / (w + h) + n) & 255);
        }
    }
    return img;
}

// Draws one page as the album's grid does; returns the seconds it took.
double drawPage(AlbumPictures &pictures, const std::vector<QString> &files, QSize cell,
    bool autoSize, QImage &canvas)
{
    const auto t0 = Clock::now();
    QPainter p(&canvas);
    for (size_t i = 0; i < files.size(); ++i) {
        const QRect r(1 + int(i % 3) * (cell.width() + 2), 1 + int(i / 3) * (cell.height() + 2),
            cell.width(), cell.height());
        const AlbumPictures::Cell c = pictures.cellPicture(files[i], cell, autoSize, true);
        p.setClipRect(r);
        if (!c.image.isNull())
            p.drawImage(r.topLeft() + c.dest.topLeft(), c.image);
        p.drawText(QRect(r.left(), r.top(), r.width(), 20),
            Album::cellLabel(int(i), QStringLiteral("Camera")));
    }
    return secondsSince(t0);
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    std::printf("writing 9 photos of 4000 x 3000 ...\n");
    std::vector<QString> files;
    qint64 bytes = 0;
    for (int i = 0; i < 9; ++i) {
        const QString path = dir.filePath(QStringLiteral("photo%1.jpg").arg(i));
        photo(4000, 3000, i).save(path, "JPEG", 90);
        bytes += QFileInfo(path).size();
        files.push_back(path);
    }
    std::printf("average file %.1f MB (a 12-megapixel phone photo is typically 3 to 5 MB)\n",
        double(bytes) / 9 / (1 << 20));
    // The default window's grid at 3 x 3: 353 x 376 gives cells of 116 x 123.
    const QSize cell = Album::cellSize(QSize(353, 376), 3, 3);
    QImage canvas(353, 376, QImage::Format_RGB32);
    for (bool autoSize : { true, false }) {
        AlbumPictures pictures;
        const std::clock_t cpu0 = std::clock();
        const double cold = drawPage(pictures, files, cell, autoSize, canvas);
        const double coldCpu = double(std::clock() - cpu0) / CLOCKS_PER_SEC;
        double warm = 1e9;
        for (int i = 0; i < 20; ++i)
            warm = std::min(warm, drawPage(pictures, files, cell, autoSize, canvas));
        std::printf("%-22s cold %.3f s (CPU %.3f s)   warm %.4f s   cache %lld bytes\n",
            autoSize ? "9 cells, Auto-Size:" : "9 cells, own size:", cold, coldCpu, warm,
            static_cast<long long>(pictures.cache().bytesUsed()));
    }
    // The same at full screen, 9 x 9 cells of 1280 x 1024 less the panel.
    {
        const QSize big = Album::cellSize(QSize(1115, 930), 3, 3);
        QImage wide(1115, 930, QImage::Format_RGB32);
        AlbumPictures pictures;
        const double cold = drawPage(pictures, files, big, true, wide);
        const double warm = drawPage(pictures, files, big, true, wide);
        std::printf("9 large cells (%dx%d), Auto-Size: cold %.3f s   warm %.4f s\n", big.width(),
            big.height(), cold, warm);
    }

    // Paging through 10,000 records whose pictures are 400 distinct 640 x 480 photos.
    std::vector<QString> many;
    for (int i = 0; i < 400; ++i) {
        const QString path = dir.filePath(QStringLiteral("small%1.jpg").arg(i));
        photo(640, 480, i).save(path, "JPEG", 85);
        many.push_back(path);
    }
    AlbumPictures pictures;
    qint64 most = 0;
    const auto t0 = Clock::now();
    const QSize small = Album::cellSize(QSize(1115, 930), 9, 9);
    for (int page = 0; page < 10000 / 81 + 1; ++page) {
        for (int c = 0; c < 81; ++c) {
            const int record = page * 81 + c;
            if (record >= 10000)
                break;
            // Every record its own file name, as a catalogue of 10,000 photos has.
            const QString &file = many[size_t(record % 400)];
            pictures.cellPicture(file + QString(), small, record % 2 == 0, false);
        }
        most = std::max(most, pictures.cache().bytesUsed());
    }
    std::printf("10,000 records at 9 x 9 (%dx%d cells): %.2f s, cache peak %.1f MB of %.0f MB "
                "bound, %lld entries at the end; peak RSS %ld MB\n",
        small.width(), small.height(), secondsSince(t0), double(most) / (1 << 20),
        double(pictures.cache().maxBytes()) / (1 << 20),
        static_cast<long long>(pictures.cache().count()), peakRssMb());
    return 0;
}
