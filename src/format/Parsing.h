#pragma once

#include <QString>

// Reading a format string backwards: the value of one token in a text. The literal pieces before
// the token are matched from the left of the text, those after it from the right; other tokens only
// separate pieces. Positions are 1-based, 0 meaning not found, and of any size.

// The value of the token's first occurrence in the format; empty when the format lacks it or the
// text does not fit. When the pieces are found but leave no room for the field, the message
// "Got confused with " + text + ", skipping." is shown first.
QString ParseToken(const QString& text, const QString& format, const QString& token);

QString ParseTitle(const QString& text, const QString& format);
QString ParseArtist(const QString& text, const QString& format);
QString ParseAlbum(const QString& text, const QString& format);
QString ParseYear(const QString& text, const QString& format);
QString ParseComment(const QString& text, const QString& format);
QString ParseTrack(const QString& text, const QString& format);
QString ParseGenre(const QString& text, const QString& format);

// The stretch with every occurrence of each of the seven tokens replaced by "|".
QString TokensToBars(const QString& stretch);
// The position of the field's first character after the pieces of pattern, matched from the left.
qsizetype FieldStart(const QString& text, const QString& pattern);
// The position of the field's last character before the pieces of pattern, matched from the right.
qsizetype FieldEnd(const QString& text, const QString& pattern);
