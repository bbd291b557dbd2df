#pragma once

#include <vector>

#include <QString>

#include "format/RetagCommands.h"
#include "tags/Id3v2Fields.h"
#include "tags/MP3TagInfo.h"
#include "tags/TagColumns.h"

// Tag = File Name and Tag = Title as a plan: the whole batch worked out before any file is
// written, so that a preview shows exactly what is then written.
//
// Each row's tag is read again first, so that a command merges into the file's current tag. The
// fields whose token the format holds take the parsed values; every other field keeps its bytes.
// A file without an ID3v1 tag gets a new one, in which the fields the format does not name are
// empty, the track 0 and the genre that of the empty name (12, "Other", with the usual list).
//
// With the ID3v2 tag in use (the model's formatStringsUse()) the fields take the parsed texts whole
// (the track "3/12", a genre name or number as parsed), and only the fields the plan changes are
// written, into the tag as the file holds it when it is written: every other field and frame
// stays. A file without an ID3v2 tag gets one of the model's newTagVersion() holding the fields
// the format names; a file whose ID3v2 tag cannot be read is left alone, with the not-recognized
// message.
namespace RetagCommands {

// One field that a plan changes, as a preview shows it: the values trimmed of NULs, tabs and
// spaces at either end, the track as its number, the genre as its number and, once the genre
// list is loaded, its name in parentheses; ID3v2 values as the tag holds them. A file without a
// tag shows empty old values.
struct FieldChange {
    QString field; // "Title", "Artist", "Album", "Year", "Comment", "Track" or "Genre"
    QString before;
    QString after;
};

struct PlannedRetag {
    enum class Problem {
        None,
        TagUnreadable, // the file failed (the read said why): nothing is written
        TrackOutOfRange, // the parsed track number does not fit in one byte (a message said so)
        // The genre needs its number (the format names it, or the tag is new) and the genre list
        // could not be loaded (one message a batch said so): no number is guessed.
        GenreListMissing,
    };
    qsizetype row = -1;
    QString file;
    TagChoice tag = TagChoice::Id3v1; // the tag that is written
    MP3TagInfo record; // ID3v1: the whole tag that is written
    Id3v2Fields id3v2; // ID3v2: the fields as planned; those named in changes are written
    bool newTag = false; // the file has no such tag: the record is appended, or an ID3v2 tag made
    std::vector<FieldChange> changes; // in the order above; never empty for a row to write
    Problem problem = Problem::None;
};

// The plans of the rows that would change and of the rows left alone for a problem, in row order;
// a row whose tag would stay as it is has no plan. The parse's messages come here, once per row.
// The rows read are reported to the views as changed tag columns.
std::vector<PlannedRetag> planTagFromFileName(
    PlaylistModel& model, const Rows& rows, const QString& format, bool fullPath);
std::vector<PlannedRetag> planTagFromTitle(PlaylistModel& model, const Rows& rows, const QString& format);

// Why a row is left alone, in a few words for a preview; empty for none.
QString problemText(PlannedRetag::Problem problem);

// Writes the planned tags (rows with a problem are left alone), reads each file back into its row
// and reports the rows' tag columns as changed, in one signal. A batch that shows no rows (the
// command-line program) may skip reading the files back: a failed write reports itself either way.
enum class AfterWriting { ReadBack, KeepAsWritten };
void retagAsPlanned(
    PlaylistModel& model, const std::vector<PlannedRetag>& plans, AfterWriting after = AfterWriting::ReadBack);

} // namespace RetagCommands
