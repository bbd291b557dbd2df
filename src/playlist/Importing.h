#pragma once

#include <functional>
#include <optional>
#include <vector>

#include <QStringList>

#include "playlist/EntryList.h"

class PlaylistModel;

// Adds the files at the end of the playlist in the order given, one row and one entry each: the
// title is the file name without folder and extension, both tag columns unread, the length "???".
// With missingOnly, a file whose path some row already lists (compared after lower-casing, rows
// added by this import included) is left out. Afterwards there is a reader that will reach the new
// entries: one that exists goes on from where it stands. Returns how many rows were added.
// With a position, the rows go before the row there instead (see PlaylistModel::insertEntries).
qsizetype importFiles(PlaylistModel& model, const QStringList& paths, bool missingOnly, std::optional<Iterator>& reader,
    qsizetype position = -1);

// True for a name ending in ".mp3", any case: the files a folder's import takes.
bool isMp3Name(QStringView path);
// True for a name ending in ".m3u", ".m3u8" or ".pls", any case: a playlist dropped on the list.
bool isPlaylistName(QStringView path);

// What some paths (chosen folders, or what was dropped on the list) add to the playlist, in their
// order: an MP3 file is taken as it is, a folder gives every MP3 file under it in FolderWalk's
// order (no folder twice), a playlist file is taken apart, for its entries; anything else is left
// out. Each part is either files or one playlist.
struct ImportParts {
    struct Part {
        QStringList files;
        QString playlist;
    };
    std::vector<Part> parts;
    // The folders that could not be read and were skipped, each with the system's reason.
    QStringList unreadableFolders;
    // False when keepGoing stopped the walk; parts then hold what was found so far.
    bool complete = true;
};
// keepGoing is asked before each folder is read, with the number of files found so far.
ImportParts collectImports(const QStringList& paths, const std::function<bool(qsizetype filesFound)>& keepGoing = {});
