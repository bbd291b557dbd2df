#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The 8-bit code page of tag fields: windows-1252, extended so that every byte is exactly one
// character and back. The five bytes that windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90,
// 0x9D) map to the control characters of the same code, so decoding then encoding any bytes
// gives the same bytes.
namespace CodePage {

QString toUnicode(QByteArrayView bytes);
// A character that windows-1252 cannot hold becomes one "?".
QByteArray fromUnicode(QStringView text);
// The same into out, at most capacity bytes; returns how many were written.
qsizetype fromUnicode(QStringView text, char* out, qsizetype capacity);

// One character as its byte: the inverse of toUnicode for a single character.
char toByte(QChar c);

} // namespace CodePage
