// A complete AppContext over temporary files and the fakes, for window tests.
#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/activation.h"
#include "app/appcontext.h"
#include "app/windowregistry.h"
#include "platform/printer.h"
#include "platform/programfolder.h"
#include "platform/settingsstore.h"
#include "store/recordstore.h"
#include "tests/support/fakeclock.h"
#include "tests/support/fakedesktopshell.h"
#include "tests/support/fakedialogs.h"
#include "tests/support/fakehelpviewer.h"

struct AppTest
{
    QTemporaryDir dir;
    RecordStore store;
    FakeDialogs dialogs;
    IniSettingsStore settings { dir.filePath(QStringLiteral("Larkspur.ini")) };
    FakeClock clock;
    QtProgramFolder folder { dir.filePath(QStringLiteral("program")) };
    FakeHelpViewer help;
    PdfPrinter printer { dir.filePath(QStringLiteral("printout.pdf")) };
    ActivationCoordinator activation;
    WindowRegistry windows { store, dialogs, help, activation, folder.path() };
    FakeDesktopShell shell;
    AppContext ctx { store, dialogs, settings, clock, folder, help, printer, activation, windows, shell };

    AppTest()
    {
        // Recovery files and kept versions go to the user's data folder: this test's own.
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(QStringLiteral("data"))));
        QDir().mkpath(folder.path());
        dialogs.setModalObserver(&activation);
    }

    QString path(const QString &name) const { return dir.filePath(name); }

    // Writes a default category file into the program folder (text given with \n line ends).
    void writeDefaultCategory(int k, const QString &text) const
    {
        QFile f(folder.filePath(QStringLiteral("description%1.def").arg(k)));
        if (f.open(QIODevice::WriteOnly)) {
            QString t = text;
            t.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
            f.write(t.toLatin1());
        }
    }
};
