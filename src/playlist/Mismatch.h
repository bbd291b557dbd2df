#pragma once

#include <optional>
#include <vector>

#include <QString>
#include <QStringView>

#include "tags/TagColumns.h"

class MP3Tag;
class PlaylistModel;

// Select Mismatched Rows: the rows whose file name (without folder and extension), title and tag
// (artist - title of the tag the model's formatStringsUse() names) do not all say the same thing,
// compared as comparableText gives them. With the format-string commands this is how a collection
// is put in order: select what disagrees, fix it, select again.
//
// Only what is known is compared. The file name and the title always are (a title is never
// unknown: a playlist that gives none gets the file name). The tag is compared only when it is
// known to say something: it has been read, the file did not fail, it is there (an ID3v2 tag also
// readable) and it holds an artist or a title. A row without such a tag is compared on its file
// name and title alone: the tag columns already show that its tag is missing, and counting every
// untagged file as a mismatch would bury the rows that can be fixed from what they hold.
namespace Mismatch {

// The text as it is compared: case-folded; every "_" and "-" (and so every " - ") taken as a space;
// every run of whitespace one space; no space at either end. "AC_DC -  Back in Black" gives
// "ac dc back in black". Linear in the text.
QString comparableText(QStringView text);

// The tag's artist " - " title as the format strings compose "<a> - <t>" from the same values
// (ID3v1 fields trimmed of NUL, tab and space at either end, ID3v2 fields whole); nothing when the
// tag is not known to say anything (see above). Reads nothing.
std::optional<QString> tagText(const MP3Tag& tag, TagChoice use);

// Whether a row's texts agree: the file name without folder and extension, the title, and the tag's
// text, nothing when it is not compared.
bool textsAgree(QStringView fileName, QStringView title, const std::optional<QString>& tag);

// The positions of the rows whose texts do not agree, ascending, found in one pass. With Read, a
// row whose tags have not been read is read first, as the format-string commands read it (a file
// that fails says so once), and the rows read are reported to the views as changed tag columns
// once. With Leave such a row is compared on its file name and title.
enum class UnreadTags { Read, Leave };
std::vector<qsizetype> mismatchedRows(PlaylistModel& model, UnreadTags unread);

// Selects exactly the mismatched rows (reading unread tags first), in one call to the selection
// model, and returns their positions.
std::vector<qsizetype> selectMismatchedRows(PlaylistModel& model);

} // namespace Mismatch
