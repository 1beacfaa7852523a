// The album window filling a 9 x 9 page of 24-megapixel JPEGs, each run a fresh process (start to
// exit): time to the grid's first paint, to every cell's picture, and the longest stall of the
// event loop meanwhile. Cold runs follow a drop of the page cache (as root; otherwise noted).
// Run without arguments (QT_QPA_PLATFORM=offscreen or under a display); the driver writes the
// photos, then runs itself:  bench_albumwindow make DIR | run DIR
#include <algorithm>
#include <chrono>
#include <cstdio>

#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include "album/talbumview.h"
#include "app/activation.h"
#include "app/appcontext.h"
#include "app/windowregistry.h"
#include "platform/clock.h"
#include "platform/desktopshell.h"
#include "platform/dialogs.h"
#include "platform/helpviewer.h"
#include "platform/printer.h"
#include "platform/programfolder.h"
#include "platform/settingsstore.h"

namespace {

using SteadyClock = std::chrono::steady_clock;
constexpr int Photos = 81;
constexpr int Distinct = 6; // written once each, then copied: every cell its own file

double msSince(SteadyClock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(SteadyClock::now() - t0).count();
}

QImage photo(int w, int h, int seed)
{
    QImage img(w, h, QImage::Format_RGB32);
    QRandomGenerator rng { quint32(seed) };
    for (int y = 0; y < h; ++y) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int n = int(rng.bounded(8));
            line[x] = qRgb((x * 255 / w + n + seed * 40) & 255, (y * 255 / h + n) & 255,
                ((x + y) * 128 / (w + h) + n) & 255);
        }
    }
    return img;
}

QString photoPath(const QString &dir, int i)
{
    return dir + QStringLiteral("/photo%1.jpg").arg(i, 2, 10, QChar(u'0'));
}

class PaintWatch : public QObject
{
public:
    SteadyClock::time_point t0;
    double firstPaint = -1;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint && firstPaint < 0)
            firstPaint = msSince(t0);
        return false;
    }
};

int runOnce(int argc, char **argv, const QString &dir, bool stretch, bool serial,
    const QString &printTo, SteadyClock::time_point start)
{
    QApplication app(argc, argv);
    QTemporaryDir home;
    RecordStore store;
    ActivationCoordinator activation;
    QtDialogs dialogs;
    IniSettingsStore settings(home.filePath(QStringLiteral("Larkspur.ini")));
    settings.writeInteger(QStringLiteral("AlbumW:"), 1280);
    settings.writeInteger(QStringLiteral("AlbumH:"), 1000);
    SystemClock clock;
    QtProgramFolder folder(home.path());
    QtHelpViewer help(home.path());
    PdfPrinter printer(home.filePath(QStringLiteral("out.pdf")));
    WindowRegistry windows(store, dialogs, help, activation, home.path());
    QtDesktopShell shell;
    AppContext ctx { store, dialogs, settings, clock, folder, help, printer, activation, windows,
        shell };
    for (int i = 0; i < Photos; ++i) {
        ItemRecord r;
        r.setName(QStringLiteral("Photo %1").arg(i + 1));
        r.setPictureFile(1, photoPath(dir, i));
        store.append(std::move(r));
    }
    store.currentIndex = 0;
    QWidget record; // stand-ins for the windows the album's toolbar reaches
    QWidget spreadsheet;
    windows.setWindow(WindowKind::Record, &record);
    windows.setWindow(WindowKind::Spreadsheet, &spreadsheet);
    windows.setFactory(WindowKind::Album, [&ctx, stretch] {
        auto *a = new TAlbumView(ctx);
        a->findChild<QLineEdit *>(QStringLiteral("Rows"))->setText(QStringLiteral("9"));
        a->findChild<QLineEdit *>(QStringLiteral("Cols"))->setText(QStringLiteral("9"));
        a->findChild<QCheckBox *>(QStringLiteral("AutoSize"))->setChecked(stretch);
        return a;
    });
    PaintWatch watch;
    watch.t0 = start;
    double ready = -1;
    double longest = 0;
    auto last = SteadyClock::now();
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const auto now = SteadyClock::now();
        longest = std::max(longest, std::chrono::duration<double, std::milli>(now - last).count());
        last = now;
    });
    auto *album = qobject_cast<TAlbumView *>(windows.openWindow(WindowKind::Album));
    album->grid()->installEventFilter(&watch);
    if (serial) {
        // As the window did before decoding moved to threads: every cell decoded in turn on the
        // interface thread, which answers nothing meanwhile.
        const auto t = SteadyClock::now();
        for (int r = 0; r < album->down(); ++r)
            for (int c = 0; c < album->across(); ++c)
                album->cellPicture(c, r);
        const double blocked = msSince(t);
        std::printf("%.1f %.1f %.1f\n", blocked, msSince(start), blocked);
        delete album;
        return 0;
    }
    // A loop of its own: quitting the application would close (and so delete) the window.
    QEventLoop loop;
    auto finish = [&] {
        if (ready < 0 && album->pageComplete() && album->across() == 9 && album->down() == 9) {
            ready = msSince(start);
            loop.quit();
        }
    };
    QObject::connect(album, &TAlbumView::pageReady, &app, finish);
    album->show();
    last = SteadyClock::now();
    tick.start();
    finish();
    if (ready < 0)
        loop.exec();
    std::printf("%.1f %.1f %.1f\n", watch.firstPaint, ready, longest);
    if (!printTo.isEmpty()) {
        // The printout of the filled page, for looking at; the confirmation box is closed.
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [] {
            if (QWidget *box = QApplication::activeModalWidget())
                box->close();
        });
        closer.start(200);
        album->PrintClick();
        QFile::remove(printTo);
        QFile::copy(home.filePath(QStringLiteral("out.pdf")), printTo);
    }
    delete album;
    return 0;
}

bool dropCaches()
{
    if (geteuid() != 0)
        return false;
    ::sync();
    QFile f(QStringLiteral("/proc/sys/vm/drop_caches"));
    return f.open(QIODevice::WriteOnly) && f.write("3\n") == 2;
}

} // namespace

int main(int argc, char **argv)
{
    const auto start = SteadyClock::now();
    if ((argc == 4 || argc == 5) && QByteArray(argv[1]) == "run")
        return runOnce(argc, argv, QString::fromLocal8Bit(argv[2]),
            QByteArray(argv[3]).startsWith("auto"), QByteArray(argv[3]).endsWith("serial"),
            argc == 5 ? QString::fromLocal8Bit(argv[4]) : QString(), start);
    if (argc == 3 && QByteArray(argv[1]) == "make") {
        QGuiApplication app(argc, argv);
        const QString dir = QString::fromLocal8Bit(argv[2]);
        for (int i = 0; i < Distinct; ++i)
            if (!photo(6000, 4000, i).save(photoPath(dir, i), "JPEG", 85))
                return 1;
        for (int i = Distinct; i < Photos; ++i)
            if (!QFile::copy(photoPath(dir, i % Distinct), photoPath(dir, i)))
                return 1;
        return 0;
    }

    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString self = QCoreApplication::applicationFilePath();
    if (QProcess::execute(self, { QStringLiteral("make"), dir.path() }) != 0) {
        std::fprintf(stderr, "cannot write the photos\n");
        return 1;
    }
    std::printf("81 files of 6000 x 4000 (24 megapixels), %.1f MB each; %d threads\n",
        double(QFile(photoPath(dir.path(), 0)).size()) / (1 << 20),
        QThread::idealThreadCount());
    for (const char *mode : { "auto", "own", "auto-serial" })
    for (const bool cold : { true, true, true, false, false, false }) {
        if (QByteArray(mode).endsWith("serial") && cold)
            continue;
        const bool dropped = cold && dropCaches();
        QProcess p;
        QElapsedTimer t;
        t.start();
        p.start(self, { QStringLiteral("run"), dir.path(), QString::fromLatin1(mode) });
        p.waitForFinished(-1);
        const QList<QByteArray> f = p.readAllStandardOutput().trimmed().split(' ');
        if (p.exitCode() != 0 || f.size() != 3) {
            std::fprintf(stderr, "run failed: %s\n", p.readAllStandardError().constData());
            return 1;
        }
        std::printf("%-9s %-27s first paint %7.1f ms   all 81 cells %7.1f ms   longest stall %6.1f ms   "
                    "process %7.1f ms\n",
            QByteArray(mode) == "auto" ? "Auto-Size" : QByteArray(mode) == "own" ? "own size" : "serial", cold ? (dropped ? "cold (page cache dropped):" : "cold (cache NOT dropped):")
                 : "warm:",
            f[0].toDouble(), f[1].toDouble(), f[2].toDouble(), double(t.nsecsElapsed()) / 1e6);
    }
    return 0;
}
