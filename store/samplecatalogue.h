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
    // Where the earlier copy went when the user had changed it (saved into it, added files):
    // "sample (earlier copy)" beside it; empty when there was none or it was unchanged.
    QString kept;
};

// Puts a fresh copy of the sample in `from` at the folder `to`, its relative picture paths made
// to point at the copied pictures. Built beside `to` and moved into place at the end, so a failed
// copy leaves the old folder as it was. An earlier copy is replaced only while it holds exactly
// what a fresh copy holds; anything else there is the user's and is kept under a new name.
CopyResult copy(const QString &from, const QString &to);

} // namespace SampleCatalogue
