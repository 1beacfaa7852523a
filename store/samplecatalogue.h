// The sample household that a first start opens: where it is shipped and how a user gets a copy.
#pragma once

#include <QString>

namespace SampleCatalogue {

// The shipped sample's folder inside the program's data folder (household.dat and pictures/).
QString shippedFolder(const QString &dataFolder);
// Where the user's copy goes: ~/.local/share/Larkspur/sample.
QString userFolder();

struct CopyResult
{
    bool ok = false;
    QString path; // the copy's database file
    QString message; // why it failed
};

// Replaces the folder `to` with a fresh copy of the sample in `from`, its relative picture paths
// made to point at the copied pictures. Built beside `to` and moved into place at the end, so a
// failed copy leaves the old folder as it was.
CopyResult copy(const QString &from, const QString &to);

} // namespace SampleCatalogue
