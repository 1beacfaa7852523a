// The composition root's bundle: the store and the platform adapters every window is given.
#pragma once

#include "store/recordstore.h"

class ActivationCoordinator;
class Clock;
class Dialogs;
class ProgramFolder;
class SettingsStore;

struct AppContext
{
    RecordStore &store;
    Dialogs &dialogs;
    SettingsStore &settings;
    Clock &clock;
    ProgramFolder &folder;
    ActivationCoordinator &activation;
};
