// Start-up: the composition root that makes the store, the adapters and the windows.
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QTimer>

#include "album/talbumview.h"
#include "app/activation.h"
#include "app/appcontext.h"
#include "app/windowregistry.h"
#include "graph/tgraphdisplay.h"
#include "htmlreport/thtmlreport.h"
#include "insurancepack/tinsurancepack.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/desktopshell.h"
#include "platform/helpviewer.h"
#include "platform/printer.h"
#include "platform/programfolder.h"
#include "platform/settingsstore.h"
#include "recordwindow/tview.h"
#include "reports/tprintbox.h"
#include "search/tsearch.h"
#include "spreadsheet/tsnapshot.h"
#include "store/recordstore.h"
#include "store/samplecatalogue.h"

namespace {

void describe(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral("A catalogue of the things you own."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("Database file (.dat) to open."),
        QStringLiteral("[FILE.dat]"));
}

void nameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("Larkspur Cataloguer"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LARKSPUR_VERSION));
}

// --help and --version answer without a display, before a window system is needed.
bool onlyAsksForText(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray a(argv[i]);
        if (a == "--") // what follows is a file name
            return false;
        if (a == "-h" || a == "--help" || a == "--help-all" || a == "-?" || a == "-v"
            || a == "--version")
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    // Past a file-size limit a write must fail, so the old file is put back and the reason told,
    // rather than the process dying half-way through a file.
    std::signal(SIGXFSZ, SIG_IGN);
    if (onlyAsksForText(argc, argv)) {
        QCoreApplication core(argc, argv);
        nameApplication();
        QCommandLineParser parser;
        describe(parser);
        parser.process(core); // prints and exits
        return 0;
    }
    // Nothing in the settings yet: a first start, which shows the sample household.
    const bool firstStart = !QFileInfo::exists(IniSettingsStore::defaultPath());

    QApplication app(argc, argv);
    nameApplication();
    QApplication::setQuitOnLastWindowClosed(false);

    QCommandLineParser parser;
    describe(parser);
    parser.process(app);

    RecordStore store;
    ActivationCoordinator activation;
    QtDialogs dialogs;
    dialogs.setModalObserver(&activation);
    IniSettingsStore settings(IniSettingsStore::defaultPath());
    SystemClock clock;
    QtProgramFolder folder;
    QtHelpViewer help(folder.path());
    QtPrinter printer;
    printer.dialogParent = [&dialogs] { return dialogs.parentWindow(); };
    WindowRegistry windows(store, dialogs, help, activation, folder.path());
    QtDesktopShell shell;
    AppContext ctx { store, dialogs, settings, clock, folder, help, printer, activation, windows, shell };

    TView view(ctx);
    if (!parser.positionalArguments().isEmpty()) {
        view.setStartupFile(parser.positionalArguments().constFirst());
    } else if (firstStart) {
        const SampleCatalogue::CopyResult sample = SampleCatalogue::copy(
            SampleCatalogue::shippedFolder(folder.dataPath()), SampleCatalogue::userFolder());
        if (sample.ok)
            view.setStartupSample(sample.path, sample.kept);
        else // not worth a box on a first start: the program starts empty as it otherwise would
            qWarning("Sample catalogue: %s", qUtf8Printable(sample.message));
    }
    QObject::connect(&view, &TView::quitRequested, &app, &QApplication::quit, Qt::QueuedConnection);
    windows.setWindow(WindowKind::Record, &view);
    TSearch search(ctx);
    windows.setWindow(WindowKind::Search, &search);
    TSnapShot snap(ctx); // created after the record window (and the search window)
    windows.setWindow(WindowKind::Spreadsheet, &snap);
    windows.setFactory(WindowKind::ReportDesigner, [&ctx] { return new TPrintBox(ctx); });
    windows.setFactory(WindowKind::Graph, [&ctx] { return new TGraphDisplay(ctx); });
    windows.setFactory(WindowKind::Album, [&ctx] { return new TAlbumView(ctx); });
    windows.setFactory(WindowKind::HtmlReport, [&ctx] { return new THTMLReport(ctx); });
    windows.setFactory(WindowKind::InsurancePack, [&ctx] { return new TInsurancePack(ctx); });
    view.show();
    QTimer::singleShot(0, &view, [&] { activation.activate(&view); });
    // For benchmarks: with LARKSPUR_FIRST_RECORD_EXIT set, the first record is painted, the time
    // since start and the record's name go to stderr and the program ends at once.
    if (qEnvironmentVariableIsSet("LARKSPUR_FIRST_RECORD_EXIT")) {
        QTimer::singleShot(0, &view, [&] {
            view.repaint();
            const auto *name = view.findChild<QLineEdit *>(QStringLiteral("RecordName"));
            std::fprintf(stderr, "first record shown after %.3f s: %s\n",
                double(sinceStart.nsecsElapsed()) / 1e9,
                name ? qPrintable(name->text()) : "(no record window)");
            std::fflush(stderr);
            std::_Exit(0);
        });
    }
    return app.exec();
}
