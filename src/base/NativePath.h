#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// File names on Linux are bytes, usually but not always UTF-8. Every path the program gets from
// the system (arguments, file lists) is decoded here and every path it hands to the system is
// encoded here, so that any name, valid UTF-8 or not, reaches the file it names.
//
// Valid UTF-8 decodes as usual. Each byte of a sequence that is not valid UTF-8 becomes the lone
// low surrogate U+DC80 + (byte - 0x80) (bytes below 0x80 are always valid), which no decoded text
// contains, and encoding turns it back into that byte.
namespace NativePath {

QString decode(QByteArrayView bytes);
QByteArray encode(QStringView path);

// True when the text holds a character that stands for a byte that was not UTF-8.
bool holdsUndecodedBytes(QStringView text);

} // namespace NativePath
