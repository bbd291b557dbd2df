#pragma once

#include <array>
#include <optional>
#include <vector>

#include <QString>

#include "tags/MP3TagInfo.h"

struct Id3v2Fields;

// Editing the tags of several files at once: the texts the files share, field by field, and one
// file's tag with the fields the user changed.
namespace MultiTagEdit {

// The seven fields of a tag, in the editor's order.
enum Field { SongName, Artist, Album, Year, Comment, Track, Genre };
constexpr std::size_t FieldCount = 7;

// One tag's fields as the editor shows them.
using Texts = std::array<QString, FieldCount>;

// An ID3v1 record's fields: texts trimmed of NUL, tab and space at either end, the track and the
// genre as their character's code in decimal ("0" for an empty field).
Texts id3v1Texts(const MP3TagInfo& record);
// An ID3v2 tag's fields, whole, as the tag holds them.
Texts id3v2Texts(const Id3v2Fields& fields);

// A field over a set of tags: the text they all hold, or differs when two of them hold different
// texts (text is then empty).
struct Common {
    QString text;
    bool differs = false;
};
using CommonTexts = std::array<Common, FieldCount>;

// The common texts of tags, in one pass. No tags: every field empty and not differing.
CommonTexts commonTexts(const std::vector<Texts>& tags);

// The user's changes: for each field the new text, or nothing where every file keeps its own.
using Edits = std::array<std::optional<QString>, FieldCount>;
bool hasEdits(const Edits& edits);

// Why edits cannot be stored into an ID3v1 record, in the words the editor shows: a track that is
// not a number from 0 to 255 (trackNumberOf) or a genre that is not a number from 0 to 255.
// Nothing when they can.
std::optional<QString> id3v1Problem(const Edits& edits);

// Stores the edited fields into an ID3v1 record, which keeps its other fields byte for byte: a
// text as the record's code page holds it (a character windows-1252 cannot hold becomes "?", the
// record applies its width), the track as the character of its number (trackNumberOf), the genre
// (a number in decimal) as the character of that number. Edits id3v1Problem refuses change
// nothing. Returns whether the record's fields differ from what they were.
bool applyToId3v1(MP3TagInfo& record, const Edits& edits);

// Stores the edited fields into an ID3v2 tag's fields, whole; the others keep theirs. Returns
// whether a field differs from what it was.
bool applyToId3v2(Id3v2Fields& fields, const Edits& edits);

} // namespace MultiTagEdit
