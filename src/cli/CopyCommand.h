#pragma once

#include <QStringList>

// sondrel-cli copy: copies (or moves) a playlist's files, or the files given, into a folder, with
// a playlist of them there if asked. Returns ExitOk or ExitUsage.
int runCopy(const QStringList& arguments);
