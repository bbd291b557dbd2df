#pragma once

#include <functional>
#include <optional>

#include <QByteArrayView>
#include <QString>

namespace FileOps {
class Handle;
}

// What the program shows of an ID3v2 tag: its version, the bytes it takes at the front of the
// file, and the seven fields it edits. Texts are as the tag holds them; the year is the recording
// time (TDRC, or TYER of a 2.3 tag), the track the frame's text ("3/12"), the genre a name where
// the tag refers to a genre number, the comment the text of the first comment frame.
struct Id3v2Fields {
    int version = 4; // the minor version: 2, 3 or 4
    qint64 size = 0; // header, frames, padding and footer
    QString title;
    QString artist;
    QString album;
    QString year;
    QString track;
    QString genre;
    QString comment;
};

// A file's ID3v2 tag as read: there is none, its fields, or it cannot be read (and then it is never
// rewritten), with what is wrong in a few words.
struct Id3v2Reading {
    enum class State { None, Read, Unreadable };
    State state = State::None;
    Id3v2Fields fields;
    QString problem;
};

namespace Id3v2 {

// The bytes the whole tag takes (header, body and footer) from its 10-byte header: versions 2.2 to
// 2.4 with a syncsafe size. Empty when the bytes start no such tag.
std::optional<qint64> areaLength(QByteArrayView header);

// The tag in area, the whole tag's bytes as areaLength counts them. Pure: nothing outside the
// bytes is read. A genre text that is a genre number alone, "(17)" or "17", becomes genreName's
// name for it when that is not empty. Any bytes give a defined result: a body that is not frames
// followed by zero padding (a frame that runs past the tag's end, bytes that are neither) makes the
// tag unreadable.
Id3v2Reading parseArea(QByteArrayView area, const std::function<QString(int)>& genreName);

// A genre text that is a genre number alone, bare or in parentheses, as that genre's name when
// genreName has one; otherwise the text: the genre as parseArea reads it back.
QString genreText(const QString& text, const std::function<QString(int)>& genreName);

// The name of a genre number in the program's genre table, for ID3v2 genres given as numbers. The
// table is loaded once: after a load that failed (its message shown once) there are no names, so
// reading thousands of tags never repeats the message.
QString programGenreName(int number);

// The tag at the front of an open file, read with one read for the header and one for the tag,
// never more bytes than the file holds; genre numbers through programGenreName. A tag that
// declares more bytes than the file has is unreadable. The tag's bytes go to area when given.
Id3v2Reading readFrom(const FileOps::Handle& file, QByteArray* area = nullptr);
// The same with the file's first bytes (up to 10) already read.
Id3v2Reading readFrom(const FileOps::Handle& file, QByteArrayView header, QByteArray* area = nullptr);
} // namespace Id3v2
