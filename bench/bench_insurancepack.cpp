// The insurance pack's fixtures; bench/insurance_pack.py times `larkspur-tool insurance-pack`
// on them, one fresh process per run.
//
//   bench_insurancepack photos FOLDER [RECORDS] [DISTINCT]
//       FOLDER/photos/: DISTINCT (50) twelve-megapixel photo-like JPEGs (soft light, objects,
//       texture and sensor grain, about 3 MB each; every fifth stored turned with EXIF
//       orientation 6 or 8), copied to 3 x RECORDS (1,000) distinct files;
//       FOLDER/photos.dat: RECORDS records with three photos each.
//   bench_insurancepack plain FOLDER [RECORDS]
//       FOLDER/plain.dat: RECORDS (100,000) records without photos.
#include <cstdio>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QProcess>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <QtConcurrent/QtConcurrentMap>

#include "store/datafile.h"
#include "store/recordstore.h"

namespace {

const char *const Rooms[]
    = { "Kitchen", "Living Room", "Bedroom", "Garage", "Attic", "Study", "Hall", "Bathroom" };
const char *const Things[] = { "Table lamp", "Armchair", "Television", "Bicycle", "Guitar",
    "Camera", "Clock", "Rug", "Laptop", "Mixer" };

// Noise at one scale: a small random image scaled up smoothly.
QImage noiseLayer(QRandomGenerator &rng, int w, int h, int cell)
{
    QImage small(w / cell + 2, h / cell + 2, QImage::Format_RGB32);
    for (int y = 0; y < small.height(); ++y)
        for (int x = 0; x < small.width(); ++x) {
            const int v = int(rng.bounded(256));
            small.setPixel(x, y, qRgb(v, v, v));
        }
    return small.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// A 4000 x 3000 picture with what makes camera photos compress as they do: large soft areas,
// edges, texture at a few scales and a little grain in every pixel.
QImage photo(int seed)
{
    QRandomGenerator rng(quint32(seed * 7919 + 1));
    const int w = 4000, h = 3000;
    QImage img(w, h, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient wall(0, 0, 0, h);
    wall.setColorAt(0, QColor::fromHsv(int(rng.bounded(360)), 40, 230));
    wall.setColorAt(0.65, QColor::fromHsv(int(rng.bounded(360)), 60, 150));
    wall.setColorAt(1, QColor::fromHsv(int(rng.bounded(360)), 80, 70));
    p.fillRect(img.rect(), wall);
    for (int i = 0; i < 14; ++i) {
        const QRectF r(rng.bounded(w) - 400, rng.bounded(h) - 300, 300 + rng.bounded(1600),
            300 + rng.bounded(1200));
        QRadialGradient g(r.center(), r.width() / 1.5);
        const QColor c = QColor::fromHsv(int(rng.bounded(360)), 60 + int(rng.bounded(150)),
            60 + int(rng.bounded(190)));
        g.setColorAt(0, c.lighter(150));
        g.setColorAt(1, c.darker(180));
        p.setBrush(g);
        p.setPen(QPen(c.darker(300), 6));
        if (i % 2)
            p.drawEllipse(r);
        else
            p.drawRoundedRect(r, 40, 40);
    }
    p.setPen(Qt::black);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(220);
    p.setFont(f);
    p.drawText(QRect(0, 60, w, 300), Qt::AlignCenter, QStringLiteral("\u2191 UP  photo %1").arg(seed));
    p.end();
    // Texture (fabric, wood, carpet) at two scales and grain in every pixel.
    const QImage coarse = noiseLayer(rng, w, h, 24);
    const QImage fine = noiseLayer(rng, w, h, 3);
    for (int y = 0; y < h; ++y) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        const auto *c = reinterpret_cast<const QRgb *>(coarse.constScanLine(y));
        const auto *t = reinterpret_cast<const QRgb *>(fine.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            const int d = (qRed(c[x]) - 128) / 6 + (qRed(t[x]) - 128) / 10
                + int(rng.bounded(7)) - 3;
            line[x] = qRgb(std::clamp(qRed(line[x]) + d, 0, 255),
                std::clamp(qGreen(line[x]) + d, 0, 255), std::clamp(qBlue(line[x]) + d, 0, 255));
        }
    }
    return img;
}

int makePhotos(const QString &folder, int records, int distinct)
{
    const QString seeds = folder + QStringLiteral("/seeds");
    const QString photos = folder + QStringLiteral("/photos");
    if (!QDir().mkpath(seeds) || !QDir().mkpath(photos))
        return 1;
    QList<int> todo;
    for (int s = 0; s < distinct; ++s)
        todo << s;
    // Each seed upright as shown; every fifth stored turned, with the EXIF orientation that
    // turns it back.
    QtConcurrent::blockingMap(todo, [&](int s) {
        const QString path = seeds + QStringLiteral("/seed%1.jpg").arg(s, 3, 10, QLatin1Char('0'));
        if (QFile::exists(path))
            return;
        QImage img = photo(s);
        if (s % 5 == 1)
            img = img.transformed(QTransform().rotate(-90)); // orientation 6: turn right to show
        else if (s % 5 == 3)
            img = img.transformed(QTransform().rotate(90)); // orientation 8: turn left to show
        img.save(path + QStringLiteral(".tmp"), "JPEG", 92);
        QFile::rename(path + QStringLiteral(".tmp"), path);
    });
    QStringList args;
    for (int s = 0; s < distinct; ++s) {
        args << QStringLiteral("-overwrite_original")
             << QStringLiteral("-DateTimeOriginal=2025:06:%1 10:%2:00")
                    .arg(s % 28 + 1, 2, 10, QLatin1Char('0'))
                    .arg(s % 60, 2, 10, QLatin1Char('0'));
        if (s % 5 == 1 || s % 5 == 3)
            args << QStringLiteral("-Orientation#=%1").arg(s % 5 == 1 ? 6 : 8);
        args << seeds + QStringLiteral("/seed%1.jpg").arg(s, 3, 10, QLatin1Char('0'))
             << QStringLiteral("-execute");
    }
    QProcess exiftool;
    exiftool.start(QStringLiteral("exiftool"), args);
    if (!exiftool.waitForFinished(600000) || exiftool.exitCode() != 0) {
        std::fprintf(stderr, "exiftool failed: %s\n", exiftool.readAllStandardError().constData());
        return 1;
    }

    RecordStore store;
    store.captions.description[8] = QStringLiteral("Location");
    for (int n = 0; n < records; ++n) {
        ItemRecord r;
        r.setName(QStringLiteral("%1 %2").arg(QString::fromLatin1(Things[n % 10])).arg(n));
        r.setRecordCode(QStringLiteral("H%1").arg(n, 5, 10, QLatin1Char('0')));
        r.setDescription(8, QString::fromLatin1(Rooms[n % 8]));
        r.setDescription(2, QStringLiteral("Maker %1").arg(n % 37));
        r.setDetail(1, QStringLiteral("$%1.00").arg(50 + n % 400));
        r.setDetail(8, QStringLiteral("$%1.00").arg(80 + n % 500));
        r.setDetail(9, QStringLiteral("1"));
        r.setDetail(5, QStringLiteral("SN-%1").arg(n * 7919));
        r.setNotes({ QStringLiteral("Bought new; receipt in the file box.") });
        for (int k = 1; k <= 3; ++k) {
            // Copies, not links: the pack reads 3,000 real files, as from a photo folder.
            const int i = n * 3 + k - 1;
            const QString target
                = photos + QStringLiteral("/IMG_%1.jpg").arg(i, 5, 10, QLatin1Char('0'));
            if (!QFile::exists(target)
                && !QFile::copy(seeds + QStringLiteral("/seed%1.jpg").arg(i % distinct, 3, 10,
                                            QLatin1Char('0')),
                    target))
                return 1;
            r.setPictureFile(k, target);
            r.setPictureTitle(k, QStringLiteral("View %1").arg(k));
        }
        store.append(std::move(r));
    }
    return DataFile::writeDatabase(folder + QStringLiteral("/photos.dat"), store).ok ? 0 : 1;
}

int makePlain(const QString &folder, int records)
{
    QDir().mkpath(folder);
    RecordStore store;
    store.captions.description[8] = QStringLiteral("Location");
    for (int n = 0; n < records; ++n) {
        ItemRecord r;
        r.setName(QStringLiteral("%1 %2").arg(QString::fromLatin1(Things[n % 10])).arg(n));
        r.setRecordCode(QStringLiteral("P%1").arg(n, 6, 10, QLatin1Char('0')));
        // 200 rooms of 500 records, and some without a room.
        if (n % 97)
            r.setDescription(8, QStringLiteral("%1 %2").arg(QString::fromLatin1(Rooms[n % 8])).arg(n % 25));
        r.setDescription(2, QStringLiteral("Maker %1").arg(n % 37));
        r.setDetail(1, QStringLiteral("$%1.50").arg(n % 900));
        r.setDetail(8, QStringLiteral("$%1.00").arg(n % 1200));
        r.setDetail(9, QString::number(1 + n % 3));
        r.setDetail(2, QStringLiteral("2019/%1/01").arg(n % 12 + 1, 2, 10, QLatin1Char('0')));
        r.setKeywords({ QStringLiteral("household") });
        r.setNotes({ QStringLiteral("Insured with the house.") });
        store.append(std::move(r));
    }
    return DataFile::writeDatabase(folder + QStringLiteral("/plain.dat"), store).ok ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv); // fonts for the painted photos
    const QStringList a = app.arguments();
    if (a.size() >= 3 && a[1] == QLatin1String("photos"))
        return makePhotos(a[2], a.size() > 3 ? a[3].toInt() : 1000, a.size() > 4 ? a[4].toInt() : 50);
    if (a.size() >= 3 && a[1] == QLatin1String("plain"))
        return makePlain(a[2], a.size() > 3 ? a[3].toInt() : 100000);
    std::fprintf(stderr,
        "usage: bench_insurancepack photos FOLDER [RECORDS] [DISTINCT] | plain FOLDER [RECORDS]\n");
    return 2;
}
