#pragma once

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

// The text the format gives for the record: each token replaced by its value, the tokens in the
// order a, t, u, y, c, k, g, each over the whole working text (so a value put in for an earlier
// token is searched for the later ones). Nothing in the values is removed or escaped.
QString ApplyFormat(const QString& format, const MP3TagInfo& record);
