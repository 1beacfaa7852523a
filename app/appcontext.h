// The composition root's bundle: the store and the platform adapters every window is given.
#pragma once

#include <memory>

#include "store/edithistory.h"
#include "store/recordstore.h"

class ActivationCoordinator;
class Clock;
class DesktopShell;
class Dialogs;
class HelpViewer;
class Printer;
class ProgramFolder;
class SettingsStore;
class WindowRegistry;

struct AppContext
{
    RecordStore &store;
    Dialogs &dialogs;
    SettingsStore &settings;
    Clock &clock;
    ProgramFolder &folder;
    HelpViewer &help;
    Printer &printer;
    ActivationCoordinator &activation;
    WindowRegistry &windows;
    DesktopShell &shell;
    // The open database's undo history, one for all windows.
    std::shared_ptr<EditHistory> history = std::make_shared<EditHistory>();
};
