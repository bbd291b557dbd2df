#pragma once

#include <vector>

#include <QHash>
#include <QString>

#include "playlist/PlaylistFormat.h"

// How the paths of a playlist are written when it is saved.
enum class PathForm {
    // Each path as the playlist it came from wrote it: one written relative stays relative, now to
    // the folder the playlist is saved in, so that it names the same file from there; every other
    // path is written absolute.
    AsTheyAre,
    // Relative to the folder the playlist is saved in ("../" where needed); a file on another
    // volume stays absolute, as no relative path survives the volumes being mounted elsewhere.
    Relative,
    Absolute,
};

// Decides, for each path of a playlist being saved, whether its file is on the playlist's volume.
// Files of one folder share a volume, so the system is asked once a folder.
class VolumeCheck {
public:
    explicit VolumeCheck(const QString& playlistFolder);
    bool sameVolume(const QString& absolutePath);

private:
    // The volume of a folder, or of the nearest folder above it that exists; -1 when none does.
    qint64 volumeOf(const QString& folder);

    QHash<QString, qint64> m_volumes;
    qint64 m_playlistVolume;
};

// The entries' paths as a playlist saved at playlistPath writes them in the given form. Paths and the
// playlist's own path that are relative are taken against workingFolder (the current folder), so
// that a path the program reached from there names the same file from the playlist. Drive paths
// ("C:\...") are written as they are in every form. The other texts are kept.
void formPaths(std::vector<PlaylistEntry>& entries, const QString& playlistPath, PathForm form,
    const QString& workingFolder, VolumeCheck& volumes);
