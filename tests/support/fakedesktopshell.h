// Records what the program asked the desktop to open.
#pragma once

#include <QStringList>

#include "platform/desktopshell.h"

class FakeDesktopShell : public DesktopShell
{
public:
    QStringList opened;
    bool answer = true;
    bool open(const QString &fileOrAddress) override
    {
        opened << fileOrAddress;
        return answer;
    }
};
