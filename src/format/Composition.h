#pragma once

#include <array>
#include <vector>

#include <QString>

class MP3TagInfo;
struct Id3v2Fields;

// Format strings: a text in which tokens stand for the fields of a tag record; every other
// character is literal. Tokens are lower case and compared exactly, the longest first.
//
//   <a> artist   <t> song title   <u> album   <y> year   <c> comment   (the field's text, trimmed)
//   <k> track    (the field's character code in decimal)   <g> genre (the genre name of that code)
//   <kk> track with at least two digits ("03"); it names the same field as <k>
namespace FormatTokens {

inline const QString Artist = QStringLiteral("<a>");
inline const QString Title = QStringLiteral("<t>");
inline const QString Album = QStringLiteral("<u>");
inline const QString Year = QStringLiteral("<y>");
inline const QString Comment = QStringLiteral("<c>");
inline const QString Track = QStringLiteral("<k>");
inline const QString TrackTwoDigits = QStringLiteral("<kk>");
inline const QString Genre = QStringLiteral("<g>");

} // namespace FormatTokens

// Where the format first names the token's field: the token's own first occurrence, or for the
// track the first "<k>" or "<kk>", whichever comes first. position is -1 when the format does not
// name the field (an empty token names none); size is the length of the token found there.
struct TokenPlace {
    qsizetype position = -1;
    qsizetype size = 0;
};
TokenPlace firstPlaceOf(const QString& format, const QString& token);

// A track value as "<kk>" shows it: a single digit from 1 to 9 gets a leading "0"; any other value
// (an unknown track, which reads "0" or "", two or more digits, a text that is not a number) is as
// "<k>" shows it.
QString twoDigitTrack(const QString& track);

// The seven values a format string names, as texts: what composing puts in place of each token,
// and what parsing finds for each. The order is the one in which a parse fills them.
struct FieldTexts {
    QString album, artist, comment, genre, title, track, year;
};

// One of the seven fields as the commands name it: its token, its name in a preview ("Title",
// "Artist", "Album", "Year", "Comment", "Track" or "Genre"), its value in FieldTexts and its text
// in an ID3v2 tag.
struct FormatField {
    const QString& token;
    const char16_t* name;
    QString FieldTexts::*text;
    QString Id3v2Fields::*id3v2;
};
// The seven, in the order a preview lists them.
const std::array<FormatField, 7>& formatFields();

// The values of an ID3v1 record as a format shows them: texts trimmed of NUL, tab and space at
// either end, the track as its character's code in decimal, the genre as the name of its code (a
// code the genre list does not name, or any code when the list cannot be loaded, gives "").
// Looks the genre up whatever the format, so that a missing genre list says so for any format.
FieldTexts id3v1Texts(const MP3TagInfo& record);
// The values of an ID3v2 tag as a format shows them: every text whole, as the tag holds it (the
// genre a name where the tag gives a genre number), but the track, which is its number as written
// without the total ("03" of "03/12").
FieldTexts id3v2Texts(const Id3v2Fields& fields);

// A composed text and which of its characters came from the record's values.
struct ComposedText {
    QString text;
    std::vector<bool> fromValue; // one flag a character of text
};

// The text the format gives for the record, in one pass from left to right: each token of the
// format is replaced by its value, and the text a value puts in is never searched for tokens, so a
// tag holding "<t>" composes to "<t>". Nothing in the values is removed or escaped.
ComposedText composeFormat(const QString& format, const FieldTexts& values);
QString ApplyFormat(const QString& format, const FieldTexts& values);
// The same with the values of an ID3v1 record (id3v1Texts).
ComposedText composeFormat(const QString& format, const MP3TagInfo& record);
QString ApplyFormat(const QString& format, const MP3TagInfo& record);

// True when the values of a composed path would change its folders rather than only fill in
// names: a value holds a separator or is "." or "..", or a path component that a value helps to
// form is "." or "..".
// The folders of a composed path come from the format's own text only.
bool valuesShapeFolders(const ComposedText& composed);
