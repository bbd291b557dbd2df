#pragma once

#include <QStringList>

// The tag commands of sondrel-cli. Each takes its arguments (the command name first) and returns
// ExitOk or ExitUsage; the caller turns shown error messages into ExitErrorShown.
int runInfo(const QStringList& arguments);
int runWrite(const QStringList& arguments);
int runRemove(const QStringList& arguments);
int runGenres(const QStringList& arguments);
