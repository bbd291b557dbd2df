#pragma once

#include <optional>

#include <QByteArray>
#include <QByteArrayView>

// The ID3v2 tag at the front of a file. The program does not read its frames: it tells whether a
// file starts with one and can cut it off. Pure byte functions over the 10-byte header:
//
//   offset 0, 3 bytes: "ID3"; 3, 2: version (every version is handled alike); 5, 1: flags, bit 4
//   (value 16) meaning a 10-byte footer follows the tag; 6, 4: the tag size, syncsafe big-endian,
//   counting the bytes after the header, footer excluded.
namespace Id3v2 {

constexpr qsizetype MarkerSize = 3;
constexpr qsizetype HeaderSize = 10;
constexpr qsizetype FooterSize = 10;
constexpr unsigned char FooterFlag = 16;
// The first byte of an MPEG audio frame: removal requires it right after the tag.
constexpr unsigned char AudioFrameStart = 255;

inline QByteArrayView marker()
{
    return "ID3";
}

// True when the bytes begin with exactly "ID3".
bool startsWithMarker(QByteArrayView bytes);

// Seven bits of each byte of a big-endian 32-bit value: bits 7, 15, 23 and 31 are dropped.
quint32 DecodeSyncsafe(quint32 raw);

// The number of bytes the whole tag takes at the front of the file (header, size and footer), from
// its 10-byte header. Empty when the size cannot be taken: the size is formed from its four bytes
// in signed arithmetic, where a first byte of 128 or more overflows the 32-bit value and a third
// byte of 128 or more overflows its 16-bit product, and such a tag is never cut.
std::optional<qint64> tagLength(QByteArrayView header);

// The tag (a rendered tag starting with its 10-byte header) padded with zero bytes to exactly
// length bytes, its header's size saying so: the tag then fits an old tag's place byte for byte.
// Nothing when it is longer, has a footer (which must stay last), or length is not a size a
// header can hold.
std::optional<QByteArray> paddedTo(const QByteArray& tag, qint64 length);

} // namespace Id3v2
