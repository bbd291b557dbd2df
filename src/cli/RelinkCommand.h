#pragma once

#include <QStringList>

// sondrel-cli relink: finds the files of a playlist's missing rows in the folders given and points
// the rows at them. Returns ExitOk or ExitUsage; the caller turns shown errors into ExitErrorShown.
int runRelink(const QStringList& arguments);
