#pragma once

#include <QString>
#include <QStringList>

// The folder that holds the running program's executable, without a trailing separator.
QString programFolder();

// The folders where the program looks for its own data files (the genre list, the help page), in
// order: the program's own folder, which is where a build folder keeps them, and then the installed
// data folder, SONDREL_DATA_FROM_BIN (../share/sondrel under the usual layout) taken relative to the
// program's folder, so that an installed program finds its files wherever its prefix is.
QStringList dataFolders(const QString& programFolder);

// The first of dataFolders(programFolder) that holds fileName as a file. When none does, the first
// folder, so that a message about the missing file names the place that was tried first.
QString dataFolderOf(const QString& fileName, const QString& programFolder);
// The same for the running program.
QString dataFolderOf(const QString& fileName);
