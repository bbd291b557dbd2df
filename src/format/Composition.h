#pragma once

#include <vector>

#include <QString>

class MP3TagInfo;

// Format strings: a text in which seven three-character tokens stand for the fields of a tag
// record; every other character is literal. Tokens are lower case and compared exactly.
//
//   <a> artist   <t> song title   <u> album   <y> year   <c> comment   (the field's text, trimmed)
//   <k> track    (the field's character code in decimal)   <g> genre (the genre name of that code)
namespace FormatTokens {

inline const QString Artist = QStringLiteral("<a>");
inline const QString Title = QStringLiteral("<t>");
inline const QString Album = QStringLiteral("<u>");
inline const QString Year = QStringLiteral("<y>");
inline const QString Comment = QStringLiteral("<c>");
inline const QString Track = QStringLiteral("<k>");
inline const QString Genre = QStringLiteral("<g>");

} // namespace FormatTokens

// A composed text and which of its characters came from the record's values.
struct ComposedText {
    QString text;
    std::vector<bool> fromValue; // one flag a character of text
};

// The text the format gives for the record, in one pass from left to right: each token of the
// format is replaced by its value, and the text a value puts in is never searched for tokens, so a
// tag holding "<t>" composes to "<t>". Nothing in the values is removed or escaped.
ComposedText composeFormat(const QString& format, const MP3TagInfo& record);
QString ApplyFormat(const QString& format, const MP3TagInfo& record);

// True when the values of a composed path would change its folders rather than only fill in
// names: a value holds a separator or is "." or "..", or a path component that a value helps to
// form is "." or "..".
// The folders of a composed path come from the format's own text only.
bool valuesShapeFolders(const ComposedText& composed);
