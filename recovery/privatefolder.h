// The program's own folders under the per-user data folder, readable by the user alone.
#pragma once

#include <QString>

namespace PrivateFolder {

// GenericDataLocation/Larkspur/<name>, e.g. "recovery" or "versions".
QString under(const QString &name);
// Makes the folder (and its parents) and narrows it to the user alone; false when it cannot.
bool make(const QString &path);
// Gives a file the permission bits of another file (read and write bits only), never wider
// than mode; false when it cannot.
bool setMode(const QString &path, unsigned mode);

} // namespace PrivateFolder
