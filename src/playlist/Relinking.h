#pragma once

#include <functional>
#include <utility>
#include <vector>

#include <QString>
#include <QStringList>

#include "playlist/FileIndex.h"

class PlaylistModel;

// Finding the files of rows whose files are missing, after the music moved: to another folder,
// disk or machine, or from a playlist made on Windows.
namespace Relinking {

// How a candidate was found, best first.
enum class Match {
    NameAndFolders, // the same file name, under the same nearest folder names
    Name, // the same file name
    NameIgnoringCase, // the same file name but for case
    Tag, // the same ID3v1 artist and title
};
QString describe(Match match);

struct Candidate {
    QString path;
    Match how;

    friend bool operator==(const Candidate&, const Candidate&) = default;
};

// A row whose file is missing, with what is known of the file.
struct MissingRow {
    qsizetype position = 0;
    QString path;
    // The row's "ID3v1 QuickTag" when the tag was read before the file went; empty when not known.
    QString quickTag;
};

// What the search found for a missing row: one candidate relinks it, several are for the user to
// choose from (best first), none leaves the row as it is.
struct Finding {
    MissingRow row;
    std::vector<Candidate> candidates;
};

// Where to look when the user names no folder: the folder of the playlist (when it has a path) and
// the user's music folder (when there is one), as absolute paths, each once.
QStringList defaultSearchFolders(const QString& playlistPath);

// The rows whose files do not exist, in display order. A file that cannot be looked at (a refused
// folder, a link loop) may be there: its row is not counted as missing.
std::vector<MissingRow> missingRows(const PlaylistModel& model);

// The ID3v1 "artist - title" of a file, as the QuickTag column shows it; empty when the file has no
// ID3v1 tag or cannot be read. Says nothing.
QString quickTagOfFile(const QString& path);

// Looks for each row's file in the index. By name first: the file name of the old path (after its
// last "/" or "\", so that Windows paths count), exactly, then without case. Several files of that
// name: those under the most of the old path's nearest folder names (up to three) are kept, and
// one alone is taken; otherwise, when the row's tag is known, the ones with that tag; otherwise
// all of them are offered, at most 20. No file of that name: when the row's tag is known, the files
// with that tag and the same extension (tagOf reads a file's tag; each file is read at most once).
// A row costs a few hash look-ups however many files share its name, plus the reading of tags
// where they are needed.
std::vector<Finding> findFiles(const std::vector<MissingRow>& rows, const FileIndex& index,
    const std::function<QString(const QString& path)>& tagOf = quickTagOfFile);

// Gives each row its new path (position, path), keeping its title and length; what was read from
// the old path, and its failure, is forgotten. With readTags, the rows' tags are read from their new
// files, otherwise they show as unread. The model is told once.
void relink(PlaylistModel& model, const std::vector<std::pair<qsizetype, QString>>& paths, bool readTags);

} // namespace Relinking
