#include "playlist/PlaylistFiles.h"

#include <QDir>
#include <QStringDecoder>
#include <QStringList>

#include "base/FileOps.h"
#include "base/Messages.h"
#include "base/NativePath.h"
#include "base/PathTools.h"
#include "base/TextLines.h"
#include "journal/Journal.h"
#include "playlist/PlaylistFormat.h"
#include "playlist/PlaylistModel.h"
#include "playlist/PlaylistPaths.h"

namespace PlaylistFiles {

namespace {

// Enough bytes for recognizePlaylist's characters in any encoding (at most four bytes each, and a
// byte-order mark): a file that is not a playlist is refused from its start, however large.
constexpr qint64 kProbeBytes = 4 * kRecognitionLength + 4;

// How many bytes a piece of a large playlist holds at least: the rows are made a piece at a time,
// so that neither the file's bytes nor its decoded text is ever held whole.
constexpr qint64 kPieceBytes = 1024 * 1024;

// A UTF-16 byte-order mark: such a file is decoded whole (TextLines::decode); it is rare and never
// large.
bool startsWithUtf16Mark(QByteArrayView bytes)
{
    return bytes.size() >= 2
        && ((bytes[0] == '\xFF' && bytes[1] == '\xFE') || (bytes[0] == '\xFE' && bytes[1] == '\xFF'));
}

enum class PieceOutcome { Read, InvalidFormat, ReadFailed };

// A piece of the file as text. Valid UTF-8 decodes as such; a piece that is not keeps each byte
// that did not decode as a character of its own (NativePath), so that the reader can tell a name
// that is bytes from text in windows-1252, line by line. Only the first piece drops a leading
// byte-order mark, as decoding the whole text would.
QString decodePiece(QByteArrayView piece, bool first)
{
    QStringDecoder decoder(QStringDecoder::Utf8,
        first ? QStringDecoder::Flag::Stateless
              : QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder.decode(piece);
    if (!decoder.hasError())
        return text;
    if (first && piece.startsWith("\xEF\xBB\xBF"))
        piece = piece.sliced(3);
    return NativePath::decode(piece);
}

// Reads the file from its start in pieces that end after an LF (or at its end), decodes each
// (decodePiece), parses it and stages its rows in the model. The first piece holds at least
// kProbeBytes bytes or the whole file, so that its text decides the format as the whole text would.
PieceOutcome readInPieces(PlaylistModel& model, const FileOps::Handle& file, const QString& path,
    const PlaylistLookups& lookups, ParsedPlaylist::Outcome* outcome)
{
    const qint64 size = file.size();
    std::optional<PlaylistReader> reader;
    QByteArray pending;
    qint64 offset = 0;
    while (offset < size || !pending.isEmpty()) {
        if (offset < size) {
            const qint64 count = std::min(kPieceBytes, size - offset);
            const auto bytes = file.readAt(offset, count);
            if (!bytes)
                return PieceOutcome::ReadFailed;
            pending += *bytes;
            offset += count;
        }
        // The piece ends after its last LF; the rest waits for the next read.
        qsizetype end = pending.size();
        if (offset < size) {
            end = pending.lastIndexOf('\n') + 1;
            if (end == 0 || (!reader && end < kProbeBytes))
                continue;
        }
        const QString text = decodePiece(QByteArrayView(pending).first(end), !reader);
        if (!reader) {
            const std::optional<PlaylistKind> kind = recognizePlaylist(text, path);
            if (!kind)
                return PieceOutcome::InvalidFormat;
            reader.emplace(*kind, path, lookups);
        }
        const bool more = reader->addText(text);
        model.stageEntries(reader->takeEntries());
        pending.remove(0, end);
        if (!more)
            break;
    }
    if (!reader) { // an empty file: an empty playlist
        *outcome = ParsedPlaylist::Outcome::Complete;
        return PieceOutcome::Read;
    }
    reader->finish();
    model.stageEntries(reader->takeEntries());
    *outcome = reader->outcome();
    return PieceOutcome::Read;
}

// A failure to load the playlist at path, of the given kind.
Failure playlistFailure(const QString& path, Failure::Kind kind)
{
    Failure failure;
    failure.kind = kind;
    failure.action = Failure::Action::LoadPlaylist;
    failure.path = path;
    return failure;
}

// A file that is not a playlist, after saying so (this message's title has no colon).
Failure refuse(const QString& path)
{
    Failure failure = playlistFailure(path, Failure::Kind::Unrecognized);
    Messages::current().show(
        Messages::textOf(failure), QStringLiteral("Error"), Messages::Icon::Exclamation, Messages::Buttons::Ok);
    return failure;
}

// An ".m3u8" playlist holds UTF-8 only: paths that are bytes cannot be written to it. True when no
// entry's path is such; otherwise says which rows and returns false.
bool refuseBytesInUtf8(const std::vector<PlaylistEntry>& entries, const QString& path)
{
    constexpr qsizetype kRowsNamed = 10;
    QStringList rows;
    qsizetype count = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!NativePath::holdsUndecodedBytes(entries[i].path))
            continue;
        if (++count <= kRowsNamed)
            rows.append(QString::number(i + 1));
    }
    if (count == 0)
        return true;
    QString list = rows.join(QStringLiteral(", "));
    if (count > kRowsNamed)
        list += QStringLiteral(" and %1 more").arg(count - kRowsNamed);
    Messages::current().show(QStringLiteral("%1 was not saved: an .m3u8 playlist holds only UTF-8 text, and the file "
                                            "names of rows %2 are not UTF-8. Save it as .m3u or .pls to keep them.")
                                 .arg(path, list),
        QStringLiteral("Error"), Messages::Icon::Exclamation, Messages::Buttons::Ok);
    return false;
}

} // namespace

Result<void> loadPlaylist(
    PlaylistModel& model, const QString& path, std::optional<Iterator>& reader, qsizetype position)
{
    const Result<FileOps::Handle> opened = FileOps::openExisting(path, FileOps::Access::Read);
    if (!opened)
        return opened.failure().as(Failure::Action::LoadPlaylist);
    const FileOps::Handle& file = *opened;
    const Failure endedEarly = playlistFailure(path, Failure::Kind::Io);
    const qint64 size = file.size();
    auto bytes = file.readAt(0, std::min(size, kProbeBytes));
    if (!bytes)
        return endedEarly;
    if (!recognizePlaylist(TextLines::decode(*bytes), path))
        return refuse(path);
    ParsedPlaylist::Outcome outcome = ParsedPlaylist::Outcome::Complete;
    PlaylistLookups lookups;
    lookups.exists = [](const QString& entry) { return FileOps::isOrdinaryFile(entry); };
    lookups.utf8Only = isUtf8Only(path);
    if (startsWithUtf16Mark(*bytes)) {
        if (size > kProbeBytes) {
            bytes = file.readAt(0, size);
            if (!bytes)
                return endedEarly;
        }
        const ParsedPlaylist parsed = parsePlaylist(TextLines::decode(*bytes), path, lookups);
        model.stageEntries(parsed.entries);
        outcome = parsed.outcome;
    } else {
        bytes.reset();
        const PieceOutcome read = readInPieces(model, file, path, lookups, &outcome);
        if (read != PieceOutcome::Read)
            model.discardStaged();
        if (read == PieceOutcome::ReadFailed)
            return endedEarly;
        if (read == PieceOutcome::InvalidFormat)
            outcome = ParsedPlaylist::Outcome::InvalidFormat;
    }
    // The whole text may decode otherwise than its start did, and then be no text after all.
    if (outcome == ParsedPlaylist::Outcome::InvalidFormat) {
        model.discardStaged();
        return refuse(path);
    }
    model.insertStaged(position);
    if (outcome != ParsedPlaylist::Outcome::Complete)
        return endedEarly;
    // A reader made over an empty list would never reach these entries: it is replaced.
    if (!reader || reader->startsNowhere())
        reader = model.nodeList().getIterator();
    return {};
}

Result<void> savePlaylist(const PlaylistModel& model, const QString& path, PathForm form)
{
    const std::optional<PlaylistKind> kind = kindForSaving(path);
    Result<void> saved = playlistFailure(path, Failure::Kind::Unrecognized);
    if (kind) {
        std::vector<PlaylistEntry> entries = model.entriesInRowOrder();
        VolumeCheck volumes(PathTools::folderOf(path).isEmpty() ? QStringLiteral(".") : PathTools::folderOf(path));
        formPaths(entries, path, form, QDir::currentPath(), volumes);
        if (isUtf8Only(path) && !refuseBytesInUtf8(entries, path))
            return playlistFailure(path, Failure::Kind::Unrecognized).as(Failure::Action::SavePlaylist);
        // Names that are not UTF-8 are written as their own bytes, so that they name the same files.
        saved = Journal::writeAtomically(path, NativePath::encode(renderPlaylist(*kind, entries)));
    }
    if (saved)
        return saved;
    const Failure failure = saved.failure().as(Failure::Action::SavePlaylist);
    Messages::error(failure);
    return failure;
}

} // namespace PlaylistFiles
