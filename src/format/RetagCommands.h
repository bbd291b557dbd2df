#pragma once

#include <vector>

#include <QString>

class PlaylistModel;

// The row work of the six commands that convert between a row's file name, its title and its
// file's ID3v1 tag, without a window: the window's menu commands choose the format strings in
// their dialogs and then call these with the selected rows. Rows are positions in display order.
//
// A text that does not fit the format gives empty values (the parse may say so) and is processed
// with them. A parsed track number outside 0 to 255 is never wrapped: that row is left unchanged
// with a message, and the command goes on.
namespace RetagCommands {

using Rows = std::vector<qsizetype>;

// Tag = File Name: parses each row's file name (without folder and extension, or the whole path
// with fullPath) into the seven fields, writes the tag and reads it back into the row.
void tagFromFileName(PlaylistModel& model, const Rows& rows, const QString& format, bool fullPath);
// Tag = Title: the same from the row's title.
void tagFromTitle(PlaylistModel& model, const Rows& rows, const QString& format);
// Title = Tag: the title composed from the tag as last read; the file is neither read nor written.
void titleFromTag(PlaylistModel& model, const Rows& rows, const QString& format);
// Title = File Name: the file name parsed with the separating format, composed with the other.
void titleFromFileName(
    PlaylistModel& model, const Rows& rows, const QString& separating, bool fullPath, const QString& recombining);

// One rename of a File Name command, worked out before anything moves.
struct PlannedRename {
    enum class Problem {
        None,
        RefusedName, // a NUL; without the full-path choice also a separator, ".", "..", a leading "." or nothing
        TargetExists, // another file already has the new name
        SameTargetInBatch, // an earlier row of the same batch gets the same new name
        TrackOutOfRange, // the two-step command parsed a track number one byte cannot hold
    };
    qsizetype row = -1;
    QString from, to; // whole paths
    QString oldShown, newShown; // as the messages name them: bare names, or whole paths with fullPath
    Problem problem = Problem::None;
};

// File Name = Tag and File Name = Title as plans: the new name of every row and what would stop it.
std::vector<PlannedRename> planFileNameFromTag(
    const PlaylistModel& model, const Rows& rows, const QString& format, bool fullPath);
std::vector<PlannedRename> planFileNameFromTitle(
    const PlaylistModel& model, const Rows& rows, const QString& separating, const QString& recombining, bool fullPath);

// What stops a planned rename, in a few words for a preview; empty for none.
QString problemText(PlannedRename::Problem problem);

struct RenameReport {
    std::vector<PlannedRename> renamed; // the renames done, in row order
    bool stopped = false; // the user answered No to a failure
};

// Carries out the renames one after another. A rename that fails asks "Skip and continue?": Yes
// leaves that row as it was and goes on, No stops. A renamed row shows its new path and its entry
// follows the file. The files are renamed by whole paths, never replacing an existing file.
RenameReport fileNameFromTag(PlaylistModel& model, const Rows& rows, const QString& format, bool fullPath);
RenameReport fileNameFromTitle(
    PlaylistModel& model, const Rows& rows, const QString& separating, const QString& recombining, bool fullPath);

} // namespace RetagCommands
