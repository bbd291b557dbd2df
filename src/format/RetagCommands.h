#pragma once

#include <vector>

#include <QString>

#include "format/Composition.h"

class PlaylistModel;

// The row work of the six commands that convert between a row's file name, its title and its
// file's tag, without a window: the window's menu commands choose the format strings in their
// dialogs and then call these with the selected rows. Rows are positions in display order.
//
// The tag is the one the model's formatStringsUse() names. Its ID3v1 tag holds fields of fixed
// widths, the track and genre as numbers; its ID3v2 tag holds every value whole, the track and the
// genre as texts (see RetagPlan.h for writing). The two-step commands carry their values from the
// parse to the composition as that tag would hold them.
//
// A text that does not fit the format gives empty values (the parse may say so) and is processed
// with them. A parsed track number outside 0 to 255 is never wrapped: that row is left unchanged
// with a message, and the command goes on.
namespace RetagCommands {

using Rows = std::vector<qsizetype>;

// Says that a row was left unchanged because its parsed track number does not fit in one byte.
void reportTrackOutOfRange(const QString& track, const QString& file);

// The text a command parses for a row's file: its name without folder and extension, or the whole
// path.
QString parsedPartOf(const QString& path, bool fullPath);

// Tag = File Name, planned and written in one go (see RetagPlan.h).
void tagFromFileName(PlaylistModel& model, const Rows& rows, const QString& format, bool fullPath);
// Title = Tag: the title composed from the file's tag, read first when it has not been read yet. A
// row whose file has no such tag, or whose tag could not be read, keeps its title. The file is not
// written.
void titleFromTag(PlaylistModel& model, const Rows& rows, const QString& format);
// Title = File Name: the file name parsed with the separating format, composed with the other.
void titleFromFileName(
    PlaylistModel& model, const Rows& rows, const QString& separating, bool fullPath, const QString& recombining);
// The titles Title = File Name would give the rows, in their order, changing nothing; a row whose
// parsed track does not fit keeps its title (after the message).
std::vector<QString> titlesFromFileName(
    const PlaylistModel& model, const Rows& rows, const QString& separating, bool fullPath, const QString& recombining);

// One rename of a File Name command, worked out before anything moves.
struct PlannedRename {
    enum class Problem {
        None,
        // A NUL; without the full-path choice also a separator, ".", "..", a leading "." or nothing; with
        // it, a tag value that holds a separator or makes a folder name "." or ".." (see reason).
        RefusedName,
        TargetExists, // another file already has the new name
        SameTargetInBatch, // an earlier row of the same batch gets the same new name
        // The row is left alone, without a question when the plan is carried out:
        TrackOutOfRange, // the two-step command parsed a track number one byte cannot hold
        NoTag, // File Name = Tag: the file has no ID3v1 tag to compose from
        NoId3v2Tag, // the same for the ID3v2 tag, when that tag is in use
        TagUnreadable, // File Name = Tag: the tag in use could not be read (a message said why)
        NotAFile, // not a regular file after following links: a folder, a dangling link... (see reason)
    };
    qsizetype row = -1;
    QString from, to; // whole paths; to is from for a row left alone
    QString oldShown, newShown; // as the messages name them: bare names, or whole paths with fullPath
    Problem problem = Problem::None;
    QString reason; // NotAFile: why, in the system's words; RefusedName: why, when a tag value was refused
};

// The rename of one row to a composed name: with fullPath the composition is the new path (relative
// to the file's folder unless absolute), otherwise the new name in the file's folder with the old
// extension. A name the system or the program would not take is marked RefusedName; nothing is
// looked up on the disk.
PlannedRename planRename(qsizetype row, const QString& old, const ComposedText& composition, bool fullPath);

// File Name = Tag and File Name = Title as plans: the new name of every row and what would stop it.
// Planning shows the messages of composing and parsing, once per row; carrying the plan out shows
// none of them again. File Name = Tag reads a tag that has not been read yet, and composes only
// from a tag that is there.
//
// A plan to be previewed also marks every rename that would fail on the disk as it is (a taken
// name, a source that is not a file); a plan carried out at once leaves that to the renames, which
// refuse the same things, and saves two look-ups a file.
enum class Lookups { MarkFailures, LeaveToRenames };
std::vector<PlannedRename> planFileNameFromTag(PlaylistModel& model, const Rows& rows, const QString& format,
    bool fullPath, Lookups lookups = Lookups::MarkFailures);
std::vector<PlannedRename> planFileNameFromTitle(
    const PlaylistModel& model, const Rows& rows, const QString& separating, const QString& recombining, bool fullPath);

// What stops a planned rename, in a few words for a preview; empty for none.
QString problemText(const PlannedRename& plan);
// True for the rows a plan leaves alone without trying (the skipped ones).
bool isSkipped(const PlannedRename& plan);

struct RenameReport {
    std::vector<PlannedRename> renamed; // the renames done, in row order
};

// Carries out planned renames one after another. A skipped row stays as it is, silently (the plan
// showed why). A rename that fails asks "Skip and continue?": Yes leaves that row as it was and
// goes on, No stops. A renamed row shows its new path and its entry follows the file. The files
// are renamed by whole paths, never replacing an existing file.
RenameReport renameAsPlanned(PlaylistModel& model, const std::vector<PlannedRename>& plans);
// Plans and carries out in one go.
RenameReport fileNameFromTag(PlaylistModel& model, const Rows& rows, const QString& format, bool fullPath);
RenameReport fileNameFromTitle(
    PlaylistModel& model, const Rows& rows, const QString& separating, const QString& recombining, bool fullPath);

} // namespace RetagCommands
