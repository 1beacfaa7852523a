// Where the default category files, help pages and temporary pages live.
#pragma once

#include <QString>

class ProgramFolder
{
public:
    virtual ~ProgramFolder() = default;
    virtual QString path() const = 0;
    QString filePath(const QString &name) const;
};

// The executable's folder when it is writable; otherwise a per-user data folder seeded from the
// installed copy on first use.
class QtProgramFolder : public ProgramFolder
{
public:
    QtProgramFolder();
    explicit QtProgramFolder(QString fixedPath);
    QString path() const override { return m_path; }

private:
    QString m_path;
};
