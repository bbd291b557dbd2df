#pragma once

#include <QStringList>

// The playlist commands of sondrel-cli. Each takes its arguments (the command name first) and
// returns ExitOk or ExitUsage; the caller turns shown error messages into ExitErrorShown.
int runPlaylist(const QStringList& arguments);
int runConvert(const QStringList& arguments);
int runPrune(const QStringList& arguments);
