#include "playlist/PlaylistPaths.h"

#include <sys/stat.h>

#include "base/NativePath.h"
#include "base/PathTools.h"

namespace {

QString absoluteOf(const QString& path, const QString& workingFolder)
{
    return PathTools::isAbsolute(path)
        ? PathTools::resolveDots(path)
        : PathTools::combinePath(workingFolder, path.isEmpty() ? QStringLiteral(".") : path);
}

} // namespace

VolumeCheck::VolumeCheck(const QString& playlistFolder) : m_playlistVolume(volumeOf(playlistFolder))
{ }

qint64 VolumeCheck::volumeOf(const QString& folder)
{
    const auto known = m_volumes.constFind(folder);
    if (known != m_volumes.constEnd())
        return *known;
    struct stat info { };
    qint64 volume = -1;
    if (::stat(NativePath::encode(folder).constData(), &info) == 0) {
        volume = qint64(info.st_dev);
    } else {
        // A file that is missing now is judged by the folder that would hold it.
        const QString above = PathTools::folderOf(folder.endsWith(u'/') ? folder.chopped(1) : folder);
        if (!above.isEmpty() && above != folder)
            volume = volumeOf(above);
    }
    m_volumes.insert(folder, volume);
    return volume;
}

bool VolumeCheck::sameVolume(const QString& absolutePath)
{
    const qint64 volume = volumeOf(PathTools::folderOf(absolutePath));
    return volume == -1 || m_playlistVolume == -1 || volume == m_playlistVolume;
}

void formPaths(std::vector<PlaylistEntry>& entries, const QString& playlistPath, PathForm form,
    const QString& workingFolder, VolumeCheck& volumes)
{
    const QString folder = PathTools::folderOf(absoluteOf(playlistPath, workingFolder));
    // The files of one folder share its relative form, and usually follow each other: the form is
    // worked out again only when the folder changes.
    QString lastFolder;
    QString lastForm;
    bool lastOnVolume = false;
    for (PlaylistEntry& entry : entries) {
        if (PathTools::isAbsolute(entry.path, PathStyle::Windows))
            continue; // names nothing here; kept for Find Missing Files
        const bool relative = form == PathForm::Relative || (form == PathForm::AsTheyAre && entry.relative);
        if (!relative && form == PathForm::AsTheyAre && PathTools::isAbsolute(entry.path))
            continue; // written exactly as held
        QString absolute = absoluteOf(entry.path, workingFolder);
        const qsizetype nameAt = absolute.lastIndexOf(u'/') + 1;
        const QStringView fileFolder = QStringView(absolute).first(nameAt);
        if (relative && (lastFolder.isNull() || fileFolder != lastFolder)) {
            lastFolder = fileFolder.toString();
            // The folder's form is that of a file in it, less the file's name.
            const QString inFolder = lastFolder + u'f';
            lastOnVolume = volumes.sameVolume(inFolder);
            lastForm = lastOnVolume ? PathTools::relativePath(folder, inFolder).chopped(1) : QString();
        }
        entry.relative = relative && lastOnVolume;
        entry.path = entry.relative ? lastForm + absolute.sliced(nameAt) : std::move(absolute);
    }
}
