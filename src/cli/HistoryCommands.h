#pragma once

#include <QStringList>

// The commands of the undo history: history lists its batches, undo and redo act on one.
int runHistory(const QStringList& arguments);
int runUndo(const QStringList& arguments);
int runRedo(const QStringList& arguments);
