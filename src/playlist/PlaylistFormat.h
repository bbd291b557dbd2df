#pragma once

#include <optional>
#include <vector>

#include <QString>
#include <QStringView>

// The M3U and PLS playlist formats as text: reading maps lines to entries, writing maps entries to
// lines. No file is touched here; loading and saving files is PlaylistFiles' job.

// One entry of a playlist: the three texts a playlist file holds for it.
struct PlaylistEntry {
    QString path;
    QString title;
    QString length; // seconds as the playlist gave them, "???" when unknown

    friend bool operator==(const PlaylistEntry&, const PlaylistEntry&) = default;
};

enum class PlaylistKind { M3U, PLS };

struct ParsedPlaylist {
    enum class Outcome {
        Complete, // the whole text was read
        InvalidFormat, // the first line is neither header; no entries
        EndedEarly, // a line the format needs was missing or broken; the entries before it stay
    };
    Outcome outcome = Outcome::Complete;
    std::vector<PlaylistEntry> entries;
};

// The length text of an entry whose playlist gave none.
inline QString unknownLength()
{
    return QStringLiteral("???");
}

// The title a file gets when its playlist gives none: its file name without folder and extension.
QString titleOfFile(const QString& path);

// Reads decoded playlist text. The format comes from the first line. M3U paths are resolved
// against the folder of playlistPath; PLS paths are taken as written. Lines end at CR LF, CR or
// LF. Any text gives a result in time linear in its length.
ParsedPlaylist parsePlaylist(QStringView text, const QString& playlistPath);

// The format a playlist is saved in, from the last four characters of its name (".m3u" or ".pls",
// any case); empty for any other name.
std::optional<PlaylistKind> kindForSaving(const QString& path);

// The playlist text of the entries in their order, every line ended by CR LF; paths and titles
// are written exactly as held. parsePlaylist gives the entries back when their paths are
// absolute, no text holds a line break and no length is empty (nor, for M3U, holds a ",").
QString renderPlaylist(PlaylistKind kind, const std::vector<PlaylistEntry>& entries);
