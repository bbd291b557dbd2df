#pragma once

#include <optional>

#include <QString>

#include "format/Composition.h"
#include "tags/MP3TagInfo.h"

struct Id3v2Fields;

// The seven values a parse finds in a text, raw, in the order the fields are filled.
using ParsedFields = FieldTexts;

// Parses the seven fields of the text with the format, in the order album, artist, comment, genre,
// title, track, year: the order in which a parse's messages appear.
ParsedFields parseFields(const QString& text, const QString& format);

// The track number of a parsed value: the number at its start (leading NUL, tab and space skipped;
// an optional sign, ASCII digits and an optional "." with more digits, no exponent; anything else
// ends the number, and no digits give 0), rounded to the nearest whole number with halves going to
// the even one, decided on the exact decimal digits. Empty when that number is outside 0 to 255,
// which one byte cannot hold; it is never wrapped.
std::optional<int> trackNumberOf(const QString& value);

class BatchGenres;

// What storing parsed values into a record did.
enum class Stored {
    Yes,
    TrackOutOfRange, // the track does not fit in 0 to 255: the record is unchanged
    // The genre's number was needed and the genre list could not be loaded (its message said so):
    // the record is filled, but its genre is only a stand-in (12) that must not be written.
    GenreListMissing,
};

// Stores parsed values into a record: texts as they are (the record applies its widths), the track
// as the character of its number, the genre as the character of the number of its name.
Stored storeFields(const ParsedFields& fields, MP3TagInfo& record, BatchGenres& genres);

// The same for the fields whose token the format holds (the track's "<k>" or "<kk>"); the others
// keep what the record holds.
// The track is checked, and the genre list needed, only when the format holds their tokens.
Stored storeNamedFields(const ParsedFields& fields, const QString& format, MP3TagInfo& record, BatchGenres& genres);

// The same into an ID3v2 tag's fields, which hold any text: each field whose token the format holds
// takes its parsed value whole (the track "3/12" as it is, a genre name or number as it is; the
// reader shows a genre number as its name), the others keep theirs. Needs no genre list.
void storeNamedFields(const ParsedFields& fields, const QString& format, Id3v2Fields& tag);

// The example record of the format-string dialog: Artist "Beatles, The", SongName "Hey Jude",
// Album "White Album, The", Year "1968", Comment "Not a bad song", track 23, the genre named
// "Rock & Roll", marker "TAG".
MP3TagInfo sampleRecord();

// The example of a whole-path format: the user's home folder + "/Music/<a> - <t>.mp3" (on Windows
// "C:\Music\<a> - <t>.mp3").
QString fullPathExampleFormat();
