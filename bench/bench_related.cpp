// Times the related-records list over 100,000 records: the matching alone, and showing a record
// while the "Related Records" page is on display (matching plus filling the list).
// Run with QT_QPA_PLATFORM=offscreen or on a display.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include <QApplication>
#include <QComboBox>
#include <QTabWidget>
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
#include "recordwindow/weblinks.h"

namespace {

constexpr int RecordCount = 100000;

template<typename F> double medianMs(F &&run)
{
    std::vector<double> times;
    for (int i = 0; i < 7; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
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
    AppContext ctx { store, dialogs, settings, clock, folder, help, printer, activation, windows,
        shell };
    TView view(ctx);
    view.show();
    activation.activate(&view);
    store.clear();
    for (int i = 0; i < RecordCount; ++i) {
        ItemRecord r;
        r.setName(QStringLiteral("Item number %1").arg(i));
        // Half the records share the type (in varying letter case), the rest are unique.
        r.setDescription(2, i % 2
            ? QStringLiteral("Other %1 : Things").arg(i)
            : (i % 4 ? QStringLiteral("Lamp : Lighting") : QStringLiteral("lamp : lighting")));
        r.ForSale = i % 3 == 0;
        store.append(std::move(r));
    }
    view.GetRecord(0);

    const double typeMatch = medianMs([&] { relatedRecords(store, 0, 1); });
    const double statusMatch = medianMs([&] { relatedRecords(store, 0, RelatedStatusField); });
    std::printf("matching, %d records: type %.1f ms, status %.1f ms\n", RecordCount, typeMatch,
        statusMatch);

    auto *book = view.findChild<QTabWidget *>(QStringLiteral("RecordBook"));
    book->setCurrentWidget(view.findChild<QWidget *>(QStringLiteral("RelatedPage")));
    auto *selection = view.findChild<QComboBox *>(QStringLiteral("RelatedRecordSelection"));
    selection->setCurrentIndex(1);
    const double showType = medianMs([&] { view.GetRecord(0); });
    selection->setCurrentIndex(RelatedStatusField);
    const double showStatus = medianMs([&] { view.GetRecord(0); });
    std::printf("showing a record with the list: type (50,000 listed) %.1f ms, status (99,999 "
                "listed) %.1f ms\n",
        showType, showStatus);
    return 0;
}
