#pragma once

#include <optional>

#include <QString>

#include "base/Result.h"
#include "playlist/EntryList.h"
#include "playlist/PlaylistPaths.h"

class PlaylistModel;

// Loading a playlist file into the model and saving the model's rows to one. The window adds what
// only a window has (the busy pointer, painting, icons, starting the reading timer).
namespace PlaylistFiles {

// Appends the playlist's entries to the model, one row and one entry each, both tag columns unread.
// The format comes from the file's start (recognizePlaylist): a header, or text that is a plain M3U.
// After a load that read the whole file, a reader is made when there is none (or the one there was
// made over an empty list and would never reach the new entries).
// Success when every entry was read; an empty file is an empty playlist. Only a file read whole
// may become the one that Save writes to: saving over a file that failed to load would replace
// what was not read. A failure's action is LoadPlaylist, and its kind
// - Unrecognized: not a playlist (binary bytes, a ".pls" without its header); "Invalid format."
//   was shown and nothing added;
// - anything else: the file could not be opened or read, or broke off; the entries before stay,
//   and nothing was shown.
// With a position, the rows go before the row there instead (see PlaylistModel::insertEntries).
Result<void> loadPlaylist(
    PlaylistModel& model, const QString& path, std::optional<Iterator>& reader, qsizetype position = -1);

// Writes the rows in display order to path, in the format its extension names, replacing the file
// in one step, with the paths in the given form (formPaths). Names that are not UTF-8 are written
// as their bytes; an ".m3u8" playlist refuses them, naming the rows. An unknown extension
// (Unrecognized), a refusal or a failed write is reported, with the failure as the result (its
// action SavePlaylist), and an existing file is left as it was.
Result<void> savePlaylist(const PlaylistModel& model, const QString& path, PathForm form = PathForm::AsTheyAre);

} // namespace PlaylistFiles
