// Where the default category files, help pages and temporary pages live.
#pragma once

#include <QString>

class ProgramFolder
{
public:
    virtual ~ProgramFolder() = default;
    virtual QString path() const = 0;
    // The data as installed (read only in a system installation); the sample is copied from here.
    virtual QString dataPath() const { return path(); }
    QString filePath(const QString &name) const;
};

// The executable's folder when it is writable; otherwise (and always for an installation under
// share/, which the program never writes to) a per-user data folder seeded from the installed copy.
class QtProgramFolder : public ProgramFolder
{
public:
    QtProgramFolder();
    explicit QtProgramFolder(QString fixedPath);
    QString path() const override { return m_path; }
    QString dataPath() const override { return m_installed.isEmpty() ? m_path : m_installed; }

    // The folder to use: the installed folder when it is writable, else the per-user folder,
    // which gets the installed copy's data files it does not have yet. Falls back to the
    // installed folder (read only) when the per-user folder cannot be made.
    static QString resolve(
        const QString &installedFolder, bool installedWritable, const QString &userFolder);
    // True when a file can be created in the folder.
    static bool isWritableFolder(const QString &folder);
    // Copies the default category files and the help/ folder from one folder to another, leaving
    // files that are already there alone. False when a file could not be copied.
    static bool seedDataFiles(const QString &fromFolder, const QString &toFolder);

    // Beside the executable in the build tree; ../share/larkspur once installed.
    static QString installedDataFolder(const QString &executableFolder);

private:
    QString m_path;
    QString m_installed;
};
