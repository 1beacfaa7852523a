// Times the spreadsheet's fill on activation over 100,000 records, in both record scopes, and
// measures the heap it holds beyond the store; then types into its Find box, timing each
// keystroke from the key to the narrowed grid and count.
#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
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
#include "spreadsheet/spreadsheetmodel.h"
#include "spreadsheet/tsnapshot.h"
#include "store/quickfind.h"

namespace {

constexpr int RecordCount = 100000;
constexpr int Runs = 9;

size_t heapInUse()
{
    return mallinfo2().uordblks;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    RecordStore store;
    ActivationCoordinator activation;
    QtDialogs dialogs;
    IniSettingsStore settings(dir.filePath(QStringLiteral("Larkspur.ini")));
    SystemClock clock;
    QtProgramFolder folder(dir.filePath(QStringLiteral("program")));
    QtHelpViewer help(folder.path());
    PdfPrinter printer(dir.filePath(QStringLiteral("out.pdf")));
    WindowRegistry windows(store, dialogs, help, activation, folder.path());
    QtDesktopShell shell;
    AppContext ctx { store, dialogs, settings, clock, folder, help, printer, activation, windows,
        shell };

    TView view(ctx);
    windows.setWindow(WindowKind::Record, &view);
    activation.activate(&view); // the first activation, which starts a database of its own
    store.clear();
    store.databaseOpen = true;
    for (int i = 0; i < RecordCount; ++i) {
        ItemRecord r;
        r.setName(QStringLiteral("Item %1").arg(i + 1));
        r.setDescription(2, QStringLiteral("Chair : Furniture"));
        r.setDetail(1, QStringLiteral("%1.00").arg(i % 500));
        r.setDetail(2, QStringLiteral("2020/01/01"));
        r.setDetail(3, QStringLiteral("2020"));
        r.OnSearchList = i % 2 == 0;
        r.WasOnSearchList = i % 4 == 0;
        store.append(std::move(r));
    }
    store.currentIndex = RecordCount / 2;
    view.GetRecord(store.currentIndex);

    TSnapShot snap(ctx);
    windows.setWindow(WindowKind::Spreadsheet, &snap);
    snap.show();

    for (RecordScope scope : { RecordScope::AllRecords, RecordScope::SearchList }) {
        store.scope = scope;
        std::vector<double> times;
        size_t before = 0;
        size_t after = 0;
        for (int run = 0; run < Runs; ++run) {
            activation.activate(&view);
            before = heapInUse();
            QElapsedTimer t;
            t.start();
            activation.activate(&snap); // FormActivate: the fill
            times.push_back(t.nsecsElapsed() / 1e6);
            after = heapInUse();
        }
        const long long held = (long long)after - (long long)before;
        std::printf("%-12s rows %6d  fill median %.2f ms (min %.2f, max %.2f)\n",
            scope == RecordScope::AllRecords ? "all records" : "search list",
            snap.model()->rowCount(), median(times), *std::min_element(times.begin(), times.end()),
            *std::max_element(times.begin(), times.end()));
        std::printf("%-12s row index %zu bytes (%.2f bytes/record); heap change over a fill %lld "
                    "bytes (%.2f bytes/record)\n",
            "", snap.model()->indexBytes(), double(snap.model()->indexBytes()) / RecordCount, held,
            double(held) / RecordCount);
    }
    // Typing into the Find box: a key event as the keyboard sends it, until the window has done
    // everything the key asked (the grid refilled, the count shown).
    store.scope = RecordScope::AllRecords;
    activation.activate(&view);
    activation.activate(&snap);
    while (!store.findIndex().prepare(store, 15)) // as the idle time after reading a file does
        QCoreApplication::processEvents();
    auto *box = snap.findChild<QLineEdit *>(QStringLiteral("QuickFind"));
    const QString typed = QStringLiteral("item 1234");
    std::vector<double> keys;
    for (const QChar c : typed) {
        QKeyEvent press(QEvent::KeyPress, c == u' ' ? Qt::Key_Space : Qt::Key_unknown,
            Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, press.key(), Qt::NoModifier, QString(c));
        QElapsedTimer t;
        t.start();
        QCoreApplication::sendEvent(box, &press);
        QCoreApplication::sendEvent(box, &release);
        QCoreApplication::processEvents();
        keys.push_back(t.nsecsElapsed() / 1e6);
        std::printf("typed %-10s rows %6d  %.2f ms\n", qPrintable(u'"' + box->text() + u'"'),
            snap.model()->rowCount(), keys.back());
    }
    std::printf("keystrokes: slowest %.2f ms, median %.2f ms\n",
        *std::max_element(keys.begin(), keys.end()), median(keys));
    return 0;
}
