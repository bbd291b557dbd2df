#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

// Text files the program reads (playlists, the genre list) come from many systems.
namespace TextLines {

// The bytes as text: UTF-16 in the byte order of a leading UTF-16 byte-order mark (FF FE little
// endian, FE FF big endian; the mark is dropped, an odd last byte and a surrogate without its
// partner become U+FFFD); else UTF-8 when they are valid UTF-8 (a leading byte-order mark is
// dropped); otherwise windows-1252 with one character per byte.
QString decode(QByteArrayView bytes);

// The lines of a text. A line ends at CR LF, at CR alone or at LF alone; the last line needs no
// ending, so "a\r\n" is one line and "" is none. At most maxLines lines are returned; *more is
// set when the text holds further lines.
QStringList split(const QString& text, qsizetype maxLines = -1, bool* more = nullptr);

} // namespace TextLines
