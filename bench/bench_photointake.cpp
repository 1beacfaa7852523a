// New records from photos, as the user meets it: one fresh process reads a folder of 5,000
// twelve-megapixel JPEGs, shows the preview with the thumbnails of the rows on screen, then
// scrolls through the list a page at a time.
//
//   bench_photointake make FOLDER [COUNT]   writes the photos (8 noisy 4000x3000 JPEGs with
//                                           their own EXIF dates, hard-linked under new names)
//   bench_photointake run FOLDER            prints the times; run it once per measurement
#include <cstdio>

#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTableView>

#include "intake/photointakewindow.h"
#include "store/recordstore.h"

namespace {

int make(const QString &folder, int count)
{
    const QString seeds = folder + QStringLiteral("-seeds");
    QDir().mkpath(seeds);
    QStringList args;
    for (int s = 0; s < 8; ++s) {
        QImage img(4000, 3000, QImage::Format_RGB32);
        QRandomGenerator rng(quint32(s + 1));
        for (int y = 0; y < img.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
            for (int x = 0; x < img.width(); ++x)
                line[x] = qRgb(x * 255 / 4000, y * 255 / 3000, int(rng.bounded(256)));
        }
        const QString path = seeds + QStringLiteral("/seed%1.jpg").arg(s);
        if (!img.save(path, "JPEG", 90))
            return 1;
        args << QStringLiteral("-overwrite_original")
             << QStringLiteral("-DateTimeOriginal=2026:12:08 10:%1:00").arg(s * 5, 2, 10, QLatin1Char('0'))
             << path << QStringLiteral("-execute");
    }
    QProcess exiftool;
    exiftool.start(QStringLiteral("exiftool"), args);
    if (!exiftool.waitForFinished(600000) || exiftool.exitCode() != 0)
        return 1;
    for (int i = 0; i < count; ++i) {
        const QString dir = folder + QStringLiteral("/Room %1").arg(i / 100);
        QDir().mkpath(dir);
        const QString target = dir + QStringLiteral("/IMG_%1.jpg").arg(i, 5, 10, QLatin1Char('0'));
        // Hard links keep each file real-size without the disk space.
        if (!QFile::exists(target)
            && ::link(qPrintable(seeds + QStringLiteral("/seed%1.jpg").arg(i % 8)), qPrintable(target)) != 0)
            return 1;
    }
    return 0;
}

void waitForThumbnails(PhotoIntakeModel *m)
{
    while (m->thumbnailsPending())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

int run(const QString &folder, qint64 startedMs)
{
    QElapsedTimer t;
    t.start();
    RecordStore store;
    PhotoIntakeWindow w(store);
    if (!w.read(folder, {}))
        return 1;
    const qint64 readMs = t.elapsed();
    w.resize(900, 800);
    w.show();
    QCoreApplication::processEvents();
    const qint64 listMs = t.elapsed();
    waitForThumbnails(w.model());
    const qint64 thumbsMs = t.elapsed();
    std::printf("photos %zu, rows %d, read %lld ms, list shown %lld ms, thumbnails on screen %lld ms"
                " (%d made), process start to list %lld ms\n",
        w.scan().photos.size(), w.model()->rowCount(), readMs, listMs, thumbsMs,
        w.model()->thumbnailsMade(), startedMs + listMs);
    // Scrolling: how long the UI thread is busy for each page step (thumbnails follow off it).
    QScrollBar *bar = w.view()->verticalScrollBar();
    qint64 worst = 0, total = 0;
    int steps = 0;
    for (int v = 0; v < bar->maximum() && steps < 200; v += bar->pageStep(), ++steps) {
        QElapsedTimer s;
        s.start();
        bar->setValue(v);
        w.view()->viewport()->repaint();
        QCoreApplication::processEvents();
        const qint64 e = s.nsecsElapsed() / 1000;
        worst = std::max(worst, e);
        total += e;
    }
    std::printf("scroll: %d page steps, mean %.2f ms, worst %.2f ms a step; thumbnails made %d\n",
        steps, steps ? double(total) / steps / 1000 : 0.0, double(worst) / 1000, w.model()->thumbnailsMade());
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 3 && args[1] == QLatin1String("make"))
        return make(args[2], args.size() > 3 ? args[3].toInt() : 5000);
    if (args.size() == 3 && args[1] == QLatin1String("run"))
        return run(args[2], sinceStart.elapsed());
    if (args.size() == 3 && args[1] == QLatin1String("show")) {
        // The preview left open, for looking at it.
        RecordStore store;
        store.categoryTexts[8] = QStringLiteral("House\r\n\tKitchen\r\n\tBedroom\r\nGarage\r\n\tShelf\r\n");
        PhotoIntakeWindow w(store);
        if (!w.read(args[2], {}))
            return 1;
        w.resize(900, 700);
        return w.exec() == QDialog::Accepted ? 0 : 1;
    }
    std::fprintf(stderr, "usage: bench_photointake make FOLDER [COUNT] | run FOLDER | show FOLDER\n");
    return 2;
}
