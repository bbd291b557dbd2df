#include "playlist/PlaylistFiles.h"

#include "base/FileOps.h"
#include "base/Messages.h"
#include "base/TextLines.h"
#include "playlist/PlaylistFormat.h"
#include "playlist/PlaylistModel.h"

namespace PlaylistFiles {

namespace {

// Enough bytes for recognizePlaylist's characters in any encoding (at most four bytes each, and a
// byte-order mark): a file that is not a playlist is refused from its start, however large.
constexpr qint64 kProbeBytes = 4 * kRecognitionLength + 4;

LoadResult refuse()
{
    Messages::current().show(
        QStringLiteral("Invalid format."), QStringLiteral("Error"), Messages::Icon::Exclamation, Messages::Buttons::Ok);
    return LoadResult::InvalidFormat;
}

} // namespace

LoadResult loadPlaylist(PlaylistModel& model, const QString& path, std::optional<Iterator>& reader)
{
    const FileOps::Handle file = FileOps::openExisting(path, FileOps::Access::Read);
    if (!file.isOpen())
        return LoadResult::EndedEarly;
    const qint64 size = file.size();
    auto bytes = file.readAt(0, std::min(size, kProbeBytes));
    if (!bytes)
        return LoadResult::EndedEarly;
    if (!recognizePlaylist(TextLines::decode(*bytes), path))
        return refuse();
    if (size > kProbeBytes) {
        bytes = file.readAt(0, size);
        if (!bytes)
            return LoadResult::EndedEarly;
    }
    const ParsedPlaylist parsed = parsePlaylist(TextLines::decode(*bytes), path);
    // The whole text may decode otherwise than its start did, and then be no text after all.
    if (parsed.outcome == ParsedPlaylist::Outcome::InvalidFormat)
        return refuse();
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
