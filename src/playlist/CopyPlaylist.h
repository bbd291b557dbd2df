#pragma once

#include <optional>
#include <vector>

#include <QString>

#include "playlist/Copying.h"
#include "playlist/PlaylistFormat.h"

class PlaylistModel;

// The playlist a copy pass leaves beside the files it copied, so that the files and their order
// work on a player as they are: the copied rows in display order, each under the name it got in
// the folder, its path written relative to the folder, with the row's title and length.
struct CopyPlaylist {
    // The playlist's file name in the destination folder (no folder part).
    QString name;
    PlaylistKind kind = PlaylistKind::M3U;
    // A file that already has the name is replaced only when this is set.
    bool replace = false;
};

// The name of the playlist that goes with the files of the playlist at playlistPath: its file name
// with its last extension swapped for kind's (".m3u" or ".pls"), so "Road Trip.m3u" gives
// "Road Trip.pls" for PLS; "Playlist.m3u" or "Playlist.pls" for a playlist never saved.
QString copyPlaylistName(const QString& playlistPath, PlaylistKind kind);

// The entries of the copied rows, in the order given (display order), each path relative to
// folder (an absolute path).
std::vector<PlaylistEntry> copiedEntries(
    const PlaylistModel& model, const std::vector<CopiedFile>& copied, const QString& folder);

// Asked before a pass, while nothing is copied yet: true when the playlist may be written into
// folder. When something already has its name, the user is asked whether to replace it; Yes
// sets playlist.replace, No gives false and the files are copied without a playlist.
bool mayWriteCopyPlaylist(const QString& folder, CopyPlaylist& playlist);

// Writes the playlist of the copied files into folder, through the undo journal, in the system's
// encoding for paths (a file name that is not UTF-8 keeps its bytes). Nothing is written when no
// file was copied, and a message says so; something already under the playlist's name is replaced
// only when playlist.replace is set, and a message says when it is not, or when the write fails.
// True when the playlist was written.
bool writeCopyPlaylist(const PlaylistModel& model, const std::vector<CopiedFile>& copied, const QString& folder,
    const CopyPlaylist& playlist);

// Copy Files with its playlist: copySelectedFiles, and with a playlist given, first
// mayWriteCopyPlaylist (before anything is copied) and after a pass that finished
// writeCopyPlaylist. A pass that was cancelled or stopped at a failure writes no playlist, and
// says so when it had copied something.
CopyOutcome copyWithPlaylist(PlaylistModel& model, const QString& folder, bool deleteOriginals, const CopyHooks& hooks,
    std::optional<CopyPlaylist> playlist);
