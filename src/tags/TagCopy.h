#pragma once

#include <functional>
#include <optional>
#include <vector>

#include <QString>

#include "tags/Id3v2Fields.h"
#include "tags/MP3TagInfo.h"

class MP3Tag;

// Copying a file's tag into its other tag. An ID3v2 tag holds whatever the narrower ID3v1 tag holds,
// so that way nothing is lost; the other way every field that ID3v1 cannot hold as it is says what
// it becomes, so that the user sees it before anything is written.
namespace TagCopy {

// A field that the copy cannot keep as it is: its name ("Title", "Artist", "Album", "Year",
// "Comment", "Track", "Genre"), its text before and the text it becomes.
struct Loss {
    QString field;
    QString before;
    QString after;

    bool operator==(const Loss&) const = default;
};

struct Id3v1Copy {
    MP3TagInfo record; // fixed widths, marker "TAG"
    std::vector<Loss> losses;
};

// The ID3v1 record that holds an ID3v2 tag's fields as nearly as it can: a text longer than its
// field is cut; a character that windows-1252 cannot hold becomes "?"; a track "3/12" becomes 3,
// and one that is not a number from 0 to 255 is left out (0); a genre becomes the number of its
// name, a name not in the list 12, and no genre 255. genreNumber gives a name's number, or nothing
// when the genre list cannot be loaded: then, for a tag with a genre, there is no copy.
std::optional<Id3v1Copy> toId3v1(const Id3v2Fields& fields,
    const std::function<std::optional<int>(const QString&)>& genreNumber, const std::function<QString(int)>& genreName);

// The ID3v2 fields of an ID3v1 tag as the tag object reads it: texts trimmed, the track as its
// number ("" for 0), the genre as its name, or as its number when the list has no name for it
// (none for 255, which means no genre).
Id3v2Fields toId3v2(const MP3Tag& tag, const std::function<QString(int)>& genreName);

} // namespace TagCopy
