#pragma once

#include <optional>

#include <QByteArray>
#include <QStringList>

#include "format/RetagFlow.h"
#include "journal/Journal.h"
#include "playlist/PlaylistFormat.h"
#include "playlist/PlaylistPaths.h"
#include "tags/TagColumns.h"

// The window's remembered choices, kept between runs in the user's settings of Sondrel (QSettings,
// organisation and application "Sondrel"). A value missing or not understood reads as the default.
namespace WindowSettings {

// The playlist's columns: which are shown, their widths and order (PlaylistView::columnState).
// The playlists last opened or saved, newest first, at most 10.
QStringList recentPlaylists();
void setRecentPlaylists(const QStringList& paths);

// The window's place and size (QWidget::saveGeometry); empty until the window first closes.
QByteArray windowGeometry();
void setWindowGeometry(const QByteArray& geometry);

QByteArray playlistColumns();
void setPlaylistColumns(const QByteArray& state);

// Options > "ID3v2 Version for New Tags": the minor version, 3 or 4 (the default).
int newTagVersion();
void setNewTagVersion(int version);

// Options > "Format Strings Use": ID3v1 by default.
TagChoice formatStringsUse();
void setFormatStringsUse(TagChoice tag);

// Options > "Keep Undo History" (on by default) and the history's bounds ("Undo History
// Limit..."): the newest batches kept (100) and their size in MiB (512), over the journal's
// settings now (its folder stays).
Journal::Settings undoHistory();
void setUndoHistory(const Journal::Settings& journal);

// Copy Files > "Also write a playlist there" (off by default) and the format last chosen for that
// playlist (nothing until one was chosen).
// How Save Playlist and Save Playlist As write paths, as last chosen in the save dialog.
PathForm playlistPaths();
void setPlaylistPaths(PathForm form);

bool copyWritesPlaylist();
void setCopyWritesPlaylist(bool write);
std::optional<PlaylistKind> copyPlaylistKind();
void setCopyPlaylistKind(PlaylistKind kind);

// The format last confirmed for a question of the Actions commands (RetagQuestions::FormatQuestion's
// asker), with its full-path choice; nothing until one was.
std::optional<RetagQuestions::ChosenFormat> lastFormat(const QString& asker);
void setLastFormat(const QString& asker, const RetagQuestions::ChosenFormat& chosen);

// Options > "Collect Read Errors" (off by default).
bool collectReadErrors();
void setCollectReadErrors(bool collect);

} // namespace WindowSettings
