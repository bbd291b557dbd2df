#pragma once

#include <optional>

#include <QStringList>

#include "playlist/Importing.h"

class QMainWindow;

// Collects what some paths add to the playlist (collectImports: folders walked for their MP3
// files) while a progress dialog over the window counts the files found; nothing when the user
// pressed its Cancel. The window's commands are off meanwhile.
std::optional<ImportParts> collectWithProgress(QMainWindow& window, const QStringList& paths);
