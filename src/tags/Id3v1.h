#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class MP3TagInfo;

// The ID3v1 tag: the last 128 bytes of a file, marked by "TAG". Pure byte functions; reading and
// writing files is MP3Tag's job.
//
// Text fields are NUL-padded bytes of the tag code page. The comment is 29 bytes and the track
// number sits in byte 126, so a comment of up to 28 characters leaves byte 125 at 0 (the common
// form with a track number) and a 29-character comment fills it. A tag written elsewhere with a
// 30-byte comment has its last comment byte read as the track number.
namespace Id3v1 {

constexpr qint64 Size = 128;
constexpr qsizetype MarkerOffset = 0;
constexpr qsizetype MarkerWidth = 3;
constexpr qsizetype SongNameOffset = 3;
constexpr qsizetype ArtistOffset = 33;
constexpr qsizetype AlbumOffset = 63;
constexpr qsizetype YearOffset = 93;
constexpr qsizetype CommentOffset = 97;
constexpr qsizetype TrackOffset = 126;
constexpr qsizetype GenreOffset = 127;
// The part of the tag that follows the marker.
constexpr qsizetype BodySize = Size - MarkerWidth;

inline QByteArrayView marker()
{
    return "TAG";
}

// The marker as the record holds it.
QString markerText();

// True when the 3 bytes are exactly "TAG".
bool isMarker(QByteArrayView bytes);

// Stores every field of a 128-byte tag into the record, NULs and padding included.
void decode(QByteArrayView tag, MP3TagInfo& record);

// The 125 bytes that follow the marker: each field as the record yields it, NUL-padded to its
// width. A character the code page cannot hold is written as "?"; a track or genre character
// above 255 is written as 0.
QByteArray encodeBody(const MP3TagInfo& record);

} // namespace Id3v1
