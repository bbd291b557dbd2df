#pragma once

#include <optional>

#include <QString>

class CommandLine;
class MP3TagInfo;

// The tag field options that write and compose share: --title, --artist, --album, --year, --comment,
// --track and --genre. Only the fields given are set.
class TagFieldOptions {
public:
    static void addTo(CommandLine& line);
    // The options given; empty, after a usage error whose exit status is in *exitCode, when a track
    // or genre is not a number from 0 to 255 (a genre may also be a name from the genre list), and
    // empty with ExitErrorShown, after the genre list's message, for a genre name when the list
    // cannot be loaded.
    static std::optional<TagFieldOptions> read(const CommandLine& line, int* exitCode);

    void applyTo(MP3TagInfo& record) const;

private:
    std::optional<QString> m_title, m_artist, m_album, m_year, m_comment;
    std::optional<int> m_track, m_genre;
};
