#pragma once

#include <QString>

// Reading a format string backwards: the value of one token in a text. The literal pieces before
// the token are matched from the left of the text, those after it from the right; other tokens only
// separate pieces. Positions are 1-based, 0 meaning not found, and of any size.

// The value of the token's first occurrence in the format (for the track, of the first "<k>" or
// "<kk>": both read the number as written, leading zeros and all); empty when the format lacks it
// (an empty token is never found) or the text does not fit. When the pieces are found but leave no
// room for the field, the message "Got confused with " + text + ", skipping." is shown first.
QString ParseToken(const QString& text, const QString& format, const QString& token);

QString ParseTitle(const QString& text, const QString& format);
QString ParseArtist(const QString& text, const QString& format);
QString ParseAlbum(const QString& text, const QString& format);
QString ParseYear(const QString& text, const QString& format);
QString ParseComment(const QString& text, const QString& format);
QString ParseTrack(const QString& text, const QString& format);
QString ParseGenre(const QString& text, const QString& format);

// The stretch with every occurrence of each token ("<kk>" as well as the seven) replaced by "|".
QString TokensToBars(const QString& stretch);
// The position of the field's first character after the pieces of pattern, matched from the left:
// 1 for the empty pattern, else one leading "|" is dropped, the rest split at every "|", and each
// piece found at its first occurrence at or after the end of the one before; 0 when one is missing.
// An empty piece matches where the search stands as long as text remains behind that point.
qsizetype FieldStart(const QString& text, const QString& pattern);
// The mirror image: the position of the field's last character before the pieces of pattern,
// matched from the right (one trailing "|" dropped, each piece at its last occurrence ending at or
// before the start of the one after). The text's length for the empty pattern; 0 when a piece is
// missing, and also when the first piece begins the text.
qsizetype FieldEnd(const QString& text, const QString& pattern);
