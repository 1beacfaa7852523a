// The Insurance Pack window making a pack of 80 photos of 24 megapixels, each run a fresh process:
// how long Make Pack keeps the window from answering (the click's own time, and the longest gap
// between ticks of a 1 ms timer until the pack is done), and the pack's whole time.
//   worker  the window as it is: the pack composed on a worker thread
//   inline  the same composer called on the interface thread, handing the event loop a turn at
//           each progress report (what the window did before)
// Run without arguments (QT_QPA_PLATFORM=offscreen or under a display); the driver writes the
// photos, then runs itself:  bench_packwindow make DIR | run DIR worker|inline
#include <algorithm>
#include <chrono>
#include <cstdio>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QImage>
#include <QLineEdit>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/activation.h"
#include "app/appcontext.h"
#include "app/windowregistry.h"
#include "insurancepack/packcomposer.h"
#include "insurancepack/tinsurancepack.h"
#include "platform/clock.h"
#include "platform/desktopshell.h"
#include "platform/dialogs.h"
#include "platform/helpviewer.h"
#include "platform/printer.h"
#include "platform/programfolder.h"
#include "platform/settingsstore.h"

namespace {

using SteadyClock = std::chrono::steady_clock;
constexpr int Photos = 80;
constexpr int Distinct = 8; // written once each, then copied: every photo its own file
constexpr int Runs = 3;

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

// The boxes of the real program, but the last one is answered at once.
class BenchDialogs : public QtDialogs
{
public:
    bool informationWithAction(const QString &, const QString &) override { return false; }
    void error(const QString &text) override
    {
        std::fprintf(stderr, "error: %s\n", qPrintable(text));
    }
};

int runOnce(int argc, char **argv, const QString &dir, bool inlineMode)
{
    QApplication app(argc, argv);
    QTemporaryDir home;
    RecordStore store;
    ActivationCoordinator activation;
    BenchDialogs dialogs;
    IniSettingsStore settings(home.filePath(QStringLiteral("Larkspur.ini")));
    SystemClock clock;
    QtProgramFolder folder(home.path());
    QtHelpViewer help(home.path());
    PdfPrinter printer(home.filePath(QStringLiteral("out.pdf")));
    WindowRegistry windows(store, dialogs, help, activation, home.path());
    QtDesktopShell shell;
    AppContext ctx { store, dialogs, settings, clock, folder, help, printer, activation, windows,
        shell };
    for (int i = 0; i < Photos; i += 4) {
        ItemRecord r;
        r.setName(QStringLiteral("Thing %1").arg(i / 4 + 1));
        r.setDescription(8, QStringLiteral("Room %1").arg(i % 3));
        r.setDetail(1, QStringLiteral("%1.00").arg(100 + i));
        for (int k = 0; k < 4; ++k)
            r.setPicture(k + 1, { photoPath(dir, i + k), QStringLiteral("View %1").arg(k), false });
        store.append(std::move(r));
    }
    const QString out = home.filePath(QStringLiteral("pack"));

    double longest = 0;
    auto last = SteadyClock::now();
    SteadyClock::time_point start;
    // Every stall past a tenth of a second, when it began, for stderr.
    QList<std::pair<double, double>> stalls;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const auto now = SteadyClock::now();
        const double gap = std::chrono::duration<double, std::milli>(now - last).count();
        longest = std::max(longest, gap);
        if (gap > 100)
            stalls.append({ std::chrono::duration<double, std::milli>(last - start).count(), gap });
        last = now;
    });

    TInsurancePack window(ctx);
    window.findChild<QLineEdit *>(QStringLiteral("PackFolder"))->setText(out);
    window.show();
    QApplication::processEvents();
    last = SteadyClock::now();
    tick.start();
    start = SteadyClock::now();
    double click = 0, progressShown = -1;
    bool ok = false;
    if (inlineMode) {
        InsurancePack::Options options;
        options.groupBy = 8;
        const InsurancePack::Result r
            = InsurancePack::make(store, QStringLiteral("Untitled.dat"), out, options, [&](int) {
                  if (progressShown < 0)
                      progressShown = msSince(start);
                  QApplication::processEvents();
              });
        click = msSince(start);
        QApplication::processEvents(); // the tick sees the stretch after the last report
        ok = r.ok;
    } else {
        QEventLoop loop;
        QObject::connect(&window, &TInsurancePack::packFinished, &loop, [&](bool written) {
            ok = written;
            loop.quit();
        });
        QTest::mouseClick(
            window.findChild<QPushButton *>(QStringLiteral("MakePackBtn")), Qt::LeftButton);
        click = msSince(start);
        if (auto *p = window.findChild<QProgressDialog *>(QStringLiteral("PackProgress"));
            p && p->isVisible())
            progressShown = click;
        loop.exec();
    }
    const double total = msSince(start);
    // A click that blocks is a gap the timer could not see.
    longest = std::max(longest, inlineMode ? progressShown : click);
    std::printf("%.1f %.1f %.1f %.1f %d\n", click, progressShown, longest, total, ok ? 1 : 0);
    for (const auto &[at, gap] : stalls)
        std::fprintf(stderr, "stall of %.0f ms at %.0f ms\n", gap, at);
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && QByteArray(argv[1]) == "run")
        return runOnce(
            argc, argv, QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]) == "inline");
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
    if (argc != 1) {
        std::fprintf(stderr, "usage: bench_packwindow | make DIR | run DIR worker|inline\n");
        return 2;
    }
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    std::printf("writing %d photos of 6000 x 4000...\n", Photos);
    std::fflush(stdout);
    if (QProcess::execute(
            QCoreApplication::applicationFilePath(), { QStringLiteral("make"), dir.path() })
        != 0)
        return 1;
    std::printf("%d photos of 24 MP in 20 records, a fresh process per run (milliseconds):\n"
                "mode    click  progress-shown  longest-gap  whole-pack\n",
        Photos);
    for (const char *mode : { "worker", "inline" }) {
        for (int run = 0; run < Runs; ++run) {
            QProcess p;
            p.start(QCoreApplication::applicationFilePath(),
                { QStringLiteral("run"), dir.path(), QString::fromLatin1(mode) });
            p.waitForFinished(-1);
            const QList<QByteArray> f = p.readAllStandardOutput().trimmed().split(' ');
            const QByteArray stallLines = p.readAllStandardError();
            if (p.exitCode() != 0 || f.size() != 5) {
                std::printf("%s: run failed: %s\n", mode, stallLines.constData());
                return 1;
            }
            std::printf("%-6s %6s %15s %12s %11s\n", mode, f[0].constData(), f[1].constData(),
                f[2].constData(), f[3].constData());
            for (const QByteArray &line : stallLines.split('\n'))
                if (line.startsWith("stall"))
                    std::printf("         %s\n", line.constData());
            std::fflush(stdout);
        }
    }
    return 0;
}
