#pragma once

#include <memory>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include "playlist/PlaylistFormat.h"

// The playlist benchmark's sample for one row count: the entries, an M3U and a PLS file listing
// them, made once per process in a temporary folder and removed when it ends.
//
// Paths are absolute, <folder>/music/artist N/album M/track K.mp3, and none of the files exists:
// the temporary folder holds no "music" folder. Exactly every fifth entry repeats the title of the
// entry two before it (every other one of those upper-cased), and every fiftieth entry lists the
// file of the entry before it again, with its title and length; so a little over 20 % of the titles
// are repeats. Some artist names and title words are not ASCII, so reading decodes real UTF-8.
//
// withFiles makes a sample of the same entries, in a folder of its own, whose listed files exist:
// 300 bytes of MP3-like audio each (after the ID3v2 tag, where there is one), written in entry
// order. Nine files in ten (all but those of entries 3, 13, 23, ...) end with a 128-byte ID3v1 tag
// holding the entry's title and artist, so that their QuickTag reads as quickTags() says; the
// others read "(none)". One file in five (entries 1, 6, 11, ...) starts with a 1 KiB ID3v2.3 tag
// holding the same title and artist, an album, year, track "n/10", a genre name and a comment,
// so that its ID3v2 QuickTag reads as quickTags() says too. An entry that lists the file before
// it again shares that file and its tags.
class PlaylistSample {
public:
    // The sample with this many rows, made on first use. None of the listed files exists.
    static const PlaylistSample& withRows(int rows);
    // The sample with this many rows whose listed files exist, made on first use.
    static const PlaylistSample& withFiles(int rows);

    // False when the folder or a file could not be made; error() says why.
    bool ok() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }

    int rows() const { return int(m_entries.size()); }
    const std::vector<PlaylistEntry>& entries() const { return m_entries; }
    // The paths of the entries as the system takes them, in the same order.
    const std::vector<QByteArray>& nativePaths() const { return m_nativePaths; }
    // What the ID3v1 QuickTag column would show once the tags are read: "artist - title".
    const std::vector<QString>& quickTags() const { return m_quickTags; }
    // With files: whether each entry's file ends with an ID3v1 tag, and whether it starts with an
    // ID3v2 tag, in entry order. Empty for a sample without files.
    const std::vector<bool>& id1Tagged() const { return m_id1Tagged; }
    const std::vector<bool>& id2Tagged() const { return m_id2Tagged; }

    // The playlist files and their exact bytes: what the program writes for these entries.
    QString playlistPath(PlaylistKind kind) const { return kind == PlaylistKind::M3U ? m_m3uPath : m_plsPath; }
    const QByteArray& playlistBytes(PlaylistKind kind) const
    {
        return kind == PlaylistKind::M3U ? m_m3uBytes : m_plsBytes;
    }
    // A path inside the temporary folder for files the benchmark itself writes.
    QString scratchPath(const QString& name) const { return m_dir->filePath(name); }

private:
    PlaylistSample(int rows, bool withFiles);
    // Writes the file of every entry, with the folders they need.
    void makeFiles();

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_error;
    std::vector<PlaylistEntry> m_entries;
    std::vector<QByteArray> m_nativePaths;
    std::vector<QString> m_quickTags;
    std::vector<bool> m_id1Tagged;
    std::vector<bool> m_id2Tagged;
    QString m_m3uPath;
    QString m_plsPath;
    QByteArray m_m3uBytes;
    QByteArray m_plsBytes;
};

// The playlist text of the entries in UTF-8, every line ended by CR LF, built in one QString and
// converted once: the lines the program writes, with nothing else done. Every length must be known.
QByteArray playlistLines(PlaylistKind kind, const std::vector<PlaylistEntry>& entries);
