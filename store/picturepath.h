// Change Picture Path without a window: the file-name part of a stored path and the new join.
#pragma once

#include <QString>

class RecordStore;

namespace PicturePath {

// What follows the last "/", "\" or ":" of a stored path (files from older catalogues use "\").
QString fileNamePart(const QString &path);
// The folder typed by the user joined with a file name: nothing added when the folder already
// ends with "/" or "\"; otherwise "\" for a folder written with "\" only, else "/".
QString join(const QString &folder, const QString &fileName);
// Points every filled picture slot of every record into `folder`; returns how many changed.
int moveAll(RecordStore &store, const QString &folder);

} // namespace PicturePath
