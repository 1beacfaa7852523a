// larkspur-tool versions, and the earlier version every command keeps before it replaces a file.
#pragma once

#include <QString>
#include <QStringList>

int versionsCommand(const QStringList &args);
// Keeps the database at path as an earlier version before a command writes over it; a copy
// that cannot be kept is told on standard error and the command goes on.
void keepEarlierVersion(const QString &path);
