#pragma once

#include <QString>

class QMainWindow;
class PlaylistModel;

// Edit > Find Missing Files: finds the rows whose files are missing, asks where to look
// (SearchFolders), walks those folders with progress and Cancel, shows what was found
// (RelinkPreview) and gives the rows the user keeps their new paths, their tags read again. A
// cancel at any step changes nothing.
void findMissingFiles(QMainWindow& window, PlaylistModel& model, const QString& playlistPath);
