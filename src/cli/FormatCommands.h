#pragma once

#include <QStringList>

// The format-string commands of sondrel-cli. Each takes its arguments (the command name first) and
// returns ExitOk or ExitUsage; the caller turns shown error messages into ExitErrorShown.
int runCompose(const QStringList& arguments);
int runParse(const QStringList& arguments);
int runTagFromName(const QStringList& arguments);
int runNameFromTag(const QStringList& arguments);
