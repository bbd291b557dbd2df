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
class PlaylistSample {
public:
    // The sample with this many rows, made on first use.
    static const PlaylistSample& withRows(int rows);

    // False when the folder or a file could not be made; error() says why.
    bool ok() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }

    int rows() const { return int(m_entries.size()); }
    const std::vector<PlaylistEntry>& entries() const { return m_entries; }
    // The paths of the entries as the system takes them, in the same order.
    const std::vector<QByteArray>& nativePaths() const { return m_nativePaths; }
    // What the ID3v1 QuickTag column would show once the tags are read: "artist - title".
    const std::vector<QString>& quickTags() const { return m_quickTags; }

    // The playlist files and their exact bytes: what the program writes for these entries.
    QString playlistPath(PlaylistKind kind) const { return kind == PlaylistKind::M3U ? m_m3uPath : m_plsPath; }
    const QByteArray& playlistBytes(PlaylistKind kind) const
    {
        return kind == PlaylistKind::M3U ? m_m3uBytes : m_plsBytes;
    }
    // A path inside the temporary folder for files the benchmark itself writes.
    QString scratchPath(const QString& name) const { return m_dir->filePath(name); }

private:
    explicit PlaylistSample(int rows);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_error;
    std::vector<PlaylistEntry> m_entries;
    std::vector<QByteArray> m_nativePaths;
    std::vector<QString> m_quickTags;
    QString m_m3uPath;
    QString m_plsPath;
    QByteArray m_m3uBytes;
    QByteArray m_plsBytes;
};

// The playlist text of the entries in UTF-8, every line ended by CR LF, built in one QString and
// converted once: the lines the program writes, with nothing else done. Every length must be known.
QByteArray playlistLines(PlaylistKind kind, const std::vector<PlaylistEntry>& entries);
