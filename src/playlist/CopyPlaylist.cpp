#include "playlist/CopyPlaylist.h"

#include "base/FileOps.h"
#include "base/Messages.h"
#include "base/NativePath.h"
#include "base/PathTools.h"
#include "journal/Journal.h"
#include "playlist/PlaylistModel.h"

using namespace Qt::StringLiterals;

namespace {

const QString kTitle = u"Copy Files"_s;

QString extensionFor(PlaylistKind kind)
{
    return kind == PlaylistKind::PLS ? u".pls"_s : u".m3u"_s;
}

// Something (a file, a folder, a dangling link) already has the path's name.
bool isTaken(const QString& path)
{
    return FileOps::isNameTaken(QString(), path);
}

} // namespace

QString copyPlaylistName(const QString& playlistPath, PlaylistKind kind)
{
    const QString name = PathTools::fileNameOf(playlistPath);
    if (name.isEmpty())
        return u"Playlist"_s + extensionFor(kind);
    // A leading dot starts no extension: ".m3u" is a name of its own.
    const qsizetype dot = name.lastIndexOf(u'.');
    return (dot > 0 ? name.left(dot) : name) + extensionFor(kind);
}

std::vector<PlaylistEntry> copiedEntries(
    const PlaylistModel& model, const std::vector<CopiedFile>& copied, const QString& folder)
{
    std::vector<PlaylistEntry> entries;
    entries.reserve(copied.size());
    for (const CopiedFile& file : copied) {
        entries.push_back({PathTools::relativePath(folder, file.target), model.text(file.position, TitleColumn),
            model.text(file.position, LengthColumn)});
    }
    return entries;
}

bool mayWriteCopyPlaylist(const QString& folder, CopyPlaylist& playlist)
{
    const QString path = PathTools::addBackslash(folder) + playlist.name;
    if (playlist.replace || !isTaken(path))
        return true;
    const Messages::Answer answer = Messages::current().show(u"\""_s + playlist.name + u"\" is already in "_s + folder
            + u". Replace it with the playlist of the files copied now?\r\n\r\nNo copies the files without "
              u"writing a playlist."_s,
        kTitle, Messages::Icon::Question, Messages::Buttons::YesNo);
    playlist.replace = answer == Messages::Answer::Yes;
    return playlist.replace;
}

bool writeCopyPlaylist(const PlaylistModel& model, const std::vector<CopiedFile>& copied, const QString& folder,
    const CopyPlaylist& playlist)
{
    const QString path = PathTools::addBackslash(folder) + playlist.name;
    if (copied.empty()) {
        Messages::inform(u"No file was copied, so no playlist was written to "_s + folder + u'.');
        return false;
    }
    if (!playlist.replace && isTaken(path)) {
        Messages::error(u"\""_s + playlist.name + u"\" is already in "_s + folder
            + u", so the playlist of the copied files was not written."_s);
        return false;
    }
    const QString text = renderPlaylist(playlist.kind, copiedEntries(model, copied, folder));
    if (const Result<void> written = Journal::writeAtomically(path, NativePath::encode(text)); !written) {
        Messages::error(written.failure().as(Failure::Action::SavePlaylist));
        return false;
    }
    return true;
}

CopyOutcome copyWithPlaylist(PlaylistModel& model, const QString& folder, bool deleteOriginals, const CopyHooks& hooks,
    std::optional<CopyPlaylist> playlist)
{
    if (playlist && !mayWriteCopyPlaylist(folder, *playlist))
        playlist.reset();
    CopyOutcome outcome = copySelectedFiles(model, folder, deleteOriginals, hooks);
    if (playlist && outcome.finished)
        writeCopyPlaylist(model, outcome.copied, folder, *playlist);
    else if (playlist && !outcome.copied.empty())
        Messages::inform(u"The copying stopped before its end, so no playlist was written to "_s + folder + u'.');
    return outcome;
}
