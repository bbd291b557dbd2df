#pragma once

#include <QStringList>

// The undo history's commands of sondrel-cli: history, undo and redo. Each takes its arguments
// (the command name first) and returns ExitOk or ExitUsage; the caller turns shown error messages
// into ExitErrorShown.
int runHistory(const QStringList& arguments);
int runUndo(const QStringList& arguments);
int runRedo(const QStringList& arguments);
