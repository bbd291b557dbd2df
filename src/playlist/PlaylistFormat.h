#pragma once

#include <functional>
#include <optional>
#include <unordered_map>
#include <utility>
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
    // The playlist wrote the path relative to its own folder; saving with paths as they are keeps
    // it relative to the folder it is saved in.
    bool relative = false;

    friend bool operator==(const PlaylistEntry&, const PlaylistEntry&) = default;
};

enum class PlaylistKind { M3U, PLS };

// What reading may learn from outside the text. Lines that were not valid UTF-8 arrive as
// NativePath's decoding gives them (each stray byte a character of its own).
struct PlaylistLookups {
    // Whether a file exists at a path; without it nothing is looked up, and a path is taken as
    // written (a line that was not UTF-8 then as windows-1252).
    std::function<bool(const QString& path)> exists;
    // An ".m3u8" file is UTF-8 throughout: a line that is not is read as UTF-8 with U+FFFD for
    // what did not decode, never as windows-1252.
    bool utf8Only = false;
};

struct ParsedPlaylist {
    enum class Outcome {
        Complete, // the whole text was read
        InvalidFormat, // not a playlist (see recognizePlaylist); no entries
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

// Which format parsePlaylist reads a text in, empty when the text is not a playlist. The first line
// decides: "#EXTM3U" or "[playlist]" in any case, the whole line, is the header of its format. A
// file whose name ends in ".pls" (any case) must have the PLS header. Any other first line is the
// first line of a plain M3U (a list of paths, "#" lines are comments) when the text is text: its
// first kTextProbeLength characters hold no control character but tab, LF, CR and form feed, no
// U+FFFD (bytes that did not decode) and no noncharacter, and its first line, a path, is shorter
// than kRecognitionLength characters. An empty text is an empty playlist. Only the first
// kRecognitionLength characters are looked at, so a file's start decides without reading it whole.
std::optional<PlaylistKind> recognizePlaylist(QStringView text, const QString& playlistPath);
constexpr qsizetype kRecognitionLength = 32 * 1024;
constexpr qsizetype kTextProbeLength = 4 * 1024;

// Reads decoded playlist text in the format recognizePlaylist gives (InvalidFormat when none). Paths
// are resolved against the folder of playlistPath (PathTools::combinePath). Lines end at CR LF, CR
// or LF. Any text gives a result in time linear in its length (and one look-up per path that is
// not UTF-8 or holds a "\").
//
// Names are bytes here: a path line that was not UTF-8 is kept as its own bytes when a file of
// that name exists, so that the entry names that file; otherwise it is read as windows-1252. A
// path written with "\" (a playlist made on Windows) that names no file is looked up again with
// "\" read as "/"; the entry keeps the path as written unless that finds the file. Drive paths
// ("C:\...") are kept as written.
ParsedPlaylist parsePlaylist(QStringView text, const QString& playlistPath, const PlaylistLookups& lookups = {});

// Reads a playlist a piece at a time, for a file too large to decode whole at once: the pieces,
// given in order, give exactly the entries parsePlaylist gives for their whole text. A piece must
// end at a line end (after an LF, or at the end of the text), so that no line or CR LF is split.
class PlaylistReader {
public:
    PlaylistReader(PlaylistKind kind, const QString& playlistPath, PlaylistLookups lookups = {});

    // Reads the lines of the next piece. False once the reading has ended (a line the format needs
    // was broken, or a PLS list ended); later pieces are then not looked at.
    bool addText(QStringView text);
    // The text has ended: an entry still waiting for more lines is kept.
    void finish();

    ParsedPlaylist::Outcome outcome() const { return m_outcome; }
    // The entries read since they were last taken.
    std::vector<PlaylistEntry> takeEntries() { return std::exchange(m_entries, {}); }

private:
    enum class PlsState { Header, Idle, AfterFile, AfterTitle };

    bool addM3uLine(QStringView line);
    bool addPlsLine(QStringView line);
    void endPlsEntry(QStringView length);
    // The length text, one shared text for each length: a playlist repeats few lengths many times.
    QString sharedLength(QStringView length);
    // An entry for a path line, resolved as parsePlaylist describes.
    PlaylistEntry entryFor(QStringView line);
    // A line's text: a line that was not UTF-8 read again as windows-1252 (or, for UTF-8 only
    // playlists, with U+FFFD). Titles are text: one made from a file name that is bytes goes
    // through here too.
    QString textOf(QStringView line) const;
    bool exists(const QString& path) const { return m_lookups.exists && m_lookups.exists(path); }

    PlaylistKind m_kind;
    QString m_folder;
    PlaylistLookups m_lookups;
    ParsedPlaylist::Outcome m_outcome = ParsedPlaylist::Outcome::Complete;
    bool m_ended = false;
    std::vector<PlaylistEntry> m_entries;
    // M3U: the "#EXTINF:" line waiting for its path.
    bool m_described = false;
    QString m_title;
    QString m_length;
    // PLS: where the entry being read stands.
    PlsState m_plsState = PlsState::Header;
    PlaylistEntry m_pending;
    std::unordered_map<quint64, QString> m_lengths;
};

// The format a playlist is saved in, from the end of its name (".m3u", ".m3u8" or ".pls", any case);
// empty for any other name.
std::optional<PlaylistKind> kindForSaving(const QString& path);
// True for an ".m3u8" name (any case): such a playlist is UTF-8 throughout.
bool isUtf8Only(const QString& path);

// The playlist text of the entries in their order, every line ended by CR LF; paths and titles
// are written exactly as held. parsePlaylist gives the entries back when their paths are
// absolute, no text holds a line break and no length is empty (nor, for M3U, holds a ",").
QString renderPlaylist(PlaylistKind kind, const std::vector<PlaylistEntry>& entries);
