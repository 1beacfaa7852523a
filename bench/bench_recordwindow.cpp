// Times showing (GetRecord) and storing (SaveRecord) a record with 100-line memos in the record
// window. Run with QT_QPA_PLATFORM=offscreen or on a display.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include <QApplication>
#include <QTemporaryDir>

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
#include "recordwindow/tview.h"

#include <QPlainTextEdit>
#include <QTabWidget>

namespace {

ItemRecord richRecord(int i, bool longLines)
{
    ItemRecord r;
    r.setName(QStringLiteral("Item number %1 with a fairly long descriptive name").arg(i));
    r.setDetails({ QStringLiteral("Two years"), QStringLiteral("$1,250.00"), QStringLiteral("2024/05/17"),
        QStringLiteral("2024"), QStringLiteral("1234567"), QStringLiteral("SN-%1").arg(i), QString(), QString(),
        QStringLiteral("$999.99"), QStringLiteral("01") });
    for (int k = 1; k <= 10; ++k)
        r.setDescription(k, QStringLiteral("Leaf %1 : Branch : Top").arg(k));
    QStringList lines;
    for (int line = 0; line < 100; ++line) {
        QString text = QStringLiteral("Line %1 of the memo with some words to wrap and store again").arg(line);
        if (longLines) // a paragraph the box wraps onto three lines
            text = text + u' ' + text + u' ' + text;
        lines << text;
    }
    r.setKeywords(lines);
    r.setHistory(lines);
    r.setNotes(lines);
    return r;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    RecordStore store;
    ActivationCoordinator activation;
    QtDialogs dialogs;
    IniSettingsStore settings(dir.filePath(QStringLiteral("Larkspur.ini")));
    SystemClock clock;
    QtProgramFolder folder(dir.path());
    QtHelpViewer help(dir.path());
    PdfPrinter printer(dir.filePath(QStringLiteral("out.pdf")));
    WindowRegistry windows(store, dialogs, help, activation, dir.path());
    QtDesktopShell shell;
    AppContext ctx { store, dialogs, settings, clock, folder, help, printer, activation, windows, shell };
    TView view(ctx);
    view.show();
    activation.activate(&view);
    const bool longLines = argc > 1 && QByteArray(argv[1]) == "--wrapping";
    store.clear();
    for (int i = 0; i < 50; ++i)
        store.append(richRecord(i, longLines));
    view.GetRecord(0);
    // The memos are on screen, as when the user works on the Detail page.
    if (auto *book = view.findChild<QTabWidget *>(QStringLiteral("RecordBook")))
        book->setCurrentIndex(1);
    QApplication::processEvents();

    if (auto *notes = view.findChild<QPlainTextEdit *>(QStringLiteral("Memo3")))
        std::printf("notes box viewport width %d px\n", notes->viewport()->width());
    using Clock = std::chrono::steady_clock;
    std::vector<double> shows, stores;
    for (int round = 0; round < 3; ++round)
        for (int i = 0; i < store.count(); ++i) {
            auto t0 = Clock::now();
            view.GetRecord(i);
            auto t1 = Clock::now();
            view.SaveRecord(i);
            auto t2 = Clock::now();
            shows.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
            stores.push_back(std::chrono::duration<double, std::milli>(t2 - t1).count());
        }
    std::printf("%s\n", longLines ? "paragraphs that wrap onto about three lines" : "lines that fit the box");
    std::printf("GetRecord, 3 x 100-line memos: median %.2f ms, max %.2f ms\n", median(shows),
        *std::max_element(shows.begin(), shows.end()));
    std::printf("SaveRecord, 3 x 100-line memos: median %.2f ms, max %.2f ms\n", median(stores),
        *std::max_element(stores.begin(), stores.end()));
    std::printf("memo lines stored for 100 paragraphs: %lld\n", static_cast<long long>(store.at(0).notes().size()));
    return 0;
}
