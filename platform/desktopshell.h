// Opens a file or an address with the desktop's own handler (the web browser for pages).
#pragma once

#include <QString>

class DesktopShell
{
public:
    virtual ~DesktopShell() = default;
    // A local file path or an absolute address ("https://…"); false when the desktop refused it.
    virtual bool open(const QString &fileOrAddress) = 0;
};

class QtDesktopShell : public DesktopShell
{
public:
    bool open(const QString &fileOrAddress) override;
};
