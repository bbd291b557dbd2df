#pragma once

#include <optional>

#include <QString>

#include "tags/TagColumns.h"

class CommandLine;
class MP3TagInfo;
struct Id3v2Fields;

// The tag field options that write and compose share: --title, --artist, --album, --year, --comment,
// --track and --genre. Only the fields given are set.
class TagFieldOptions {
public:
    static void addTo(CommandLine& line);
    // The options given; empty, after a usage error whose exit status is in *exitCode, when a track
    // or genre is not a number from 0 to 255 (a genre may also be a name from the genre list), and
    // empty with ExitErrorShown, after the genre list's message, for a genre name when the list
    // cannot be loaded. Those rules are the ID3v1 tag's: for an ID3v2 tag alone (forId3v1 false)
    // the track and the genre are free texts.
    static std::optional<TagFieldOptions> read(const CommandLine& line, int* exitCode, bool forId3v1 = true);

    void applyTo(MP3TagInfo& record) const;
    // The track as given ("3/12"); the genre as given, or the name of a genre number.
    void applyTo(Id3v2Fields& fields) const;

private:
    std::optional<QString> m_title, m_artist, m_album, m_year, m_comment, m_trackText, m_genreText;
    std::optional<int> m_track, m_genre;
};

// The options that choose a tag: --tag id3v1|id3v2 for the commands that read or write either,
// and --v23|--v24 for the version of an ID3v2 tag made for a file without one.
namespace TagChoiceOptions {

void addTag(CommandLine& line, const QString& description);
// The tag --tag names, ID3v1 when it is not given; empty, after a usage error whose exit status is
// in *exitCode, for any other word.
std::optional<TagChoice> tagOf(const CommandLine& line, int* exitCode);

void addNewTagVersion(CommandLine& line);
// 3 for --v23, 4 for --v24 or neither; empty, after a usage error, for both.
std::optional<int> newTagVersionOf(const CommandLine& line, int* exitCode);

} // namespace TagChoiceOptions
