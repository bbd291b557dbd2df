#include "playlist/PlaylistFiles.h"

#include "base/FileOps.h"
#include "base/Messages.h"
#include "base/TextLines.h"
#include "playlist/PlaylistFormat.h"
#include "playlist/PlaylistModel.h"

namespace PlaylistFiles {

namespace {

// Enough to hold any header line: a longer first line is not a header, so a huge file that is not
// a playlist is refused without being read whole.
constexpr qint64 kHeaderProbe = 64 * 1024;

bool beginsWithHeader(const FileOps::Handle& file, const QString& path)
{
    const auto probe = file.readAt(0, std::min(file.size(), kHeaderProbe));
    if (!probe)
        return false;
    const QStringList lines = TextLines::split(TextLines::decode(*probe), 2);
    // Without a line end inside the probe, the first line goes on past it.
    if (lines.size() < 2 && file.size() > kHeaderProbe)
        return false;
    return !lines.isEmpty() && parsePlaylist(lines.first(), path).outcome != ParsedPlaylist::Outcome::InvalidFormat;
}

} // namespace

LoadResult loadPlaylist(PlaylistModel& model, const QString& path, std::optional<Iterator>& reader)
{
    const FileOps::Handle file = FileOps::openExisting(path, FileOps::Access::Read);
    if (!file.isOpen())
        return LoadResult::EndedEarly;
    if (file.size() == 0)
        return LoadResult::EndedEarly; // not even a first line to read
    if (!beginsWithHeader(file, path)) {
        Messages::current().show(QStringLiteral("Invalid format."), QStringLiteral("Error"),
            Messages::Icon::Exclamation, Messages::Buttons::Ok);
        return LoadResult::InvalidFormat;
    }
    const auto bytes = file.readAt(0, file.size());
    if (!bytes)
        return LoadResult::EndedEarly;
    const ParsedPlaylist parsed = parsePlaylist(TextLines::decode(*bytes), path);
    model.appendEntries(parsed.entries);
    if (parsed.outcome != ParsedPlaylist::Outcome::Complete)
        return LoadResult::EndedEarly;
    // A reader made over an empty list would never reach these entries: it is replaced.
    if (!reader || reader->startsNowhere())
        reader = model.nodeList().getIterator();
    return LoadResult::Loaded;
}

bool savePlaylist(const PlaylistModel& model, const QString& path)
{
    const std::optional<PlaylistKind> kind = kindForSaving(path);
    if (!kind) {
        Messages::error(QStringLiteral("Unknown format, please specify m3u or pls when you save."));
        return false;
    }
    QString reason;
    if (!FileOps::writeAtomically(path, renderPlaylist(*kind, model.entriesInRowOrder()).toUtf8(), &reason)) {
        Messages::error(QStringLiteral("Could not save the playlist to ") + path + QStringLiteral(": ") + reason
            + QStringLiteral("."));
        return false;
    }
    return true;
}

} // namespace PlaylistFiles
