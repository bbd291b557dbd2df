#pragma once

#include <functional>
#include <vector>

#include <QString>

#include "format/RetagCommands.h"

class PlaylistModel;

// What a format would do to the first rows of a selection, shown in the format dialog as the
// format is typed: for each row the text the command reads or changes as it is now, and what the
// format makes of it. A preview changes no row and no file, reads no file and shows no message: a
// row whose tag has not been read yet says so, and the command itself still reports what it finds.
namespace FormatPreview {

struct Line {
    QString before;
    QString after;
};

// The lines for a format and the full-path choice; empty when there are no rows to show.
using Lines = std::function<std::vector<Line>(const QString& format, bool fullPath)>;

// The rows a preview shows: the first few of the selected ones, in display order.
RetagCommands::Rows firstRows(const RetagCommands::Rows& selected);

// A format that separates a text into fields: the file name's parsed part (or whole path) or the
// title, and the fields the format finds in it ("Artist: Beatles, The; Title: Hey Jude").
Lines fieldsOfFileName(const PlaylistModel& model, const RetagCommands::Rows& rows);
Lines fieldsOfTitle(const PlaylistModel& model, const RetagCommands::Rows& rows);
// A format composed from the tag in use as read: the title, or the file name, it gives.
Lines titleFromTag(const PlaylistModel& model, const RetagCommands::Rows& rows);
Lines fileNameFromTag(const PlaylistModel& model, const RetagCommands::Rows& rows);
// The second format of the two-step commands, the first one already chosen.
Lines titleFromFileName(
    const PlaylistModel& model, const RetagCommands::Rows& rows, const QString& separating, bool separatingFullPath);
Lines fileNameFromTitle(const PlaylistModel& model, const RetagCommands::Rows& rows, const QString& separating);

} // namespace FormatPreview
