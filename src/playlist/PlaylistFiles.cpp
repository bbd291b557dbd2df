#include "playlist/PlaylistFiles.h"

#include <QStringDecoder>

#include "base/CodePage.h"
#include "base/FileOps.h"
#include "base/Messages.h"
#include "base/TextLines.h"
#include "journal/Journal.h"
#include "playlist/PlaylistFormat.h"
#include "playlist/PlaylistModel.h"

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

enum class PieceOutcome { Read, NotUtf8, InvalidFormat, ReadFailed };

// Reads the file from its start in pieces that end after an LF (or at its end), decodes each as
// UTF-8 (or, with utf8 false, as windows-1252), parses it and stages its rows in the model. The
// first piece holds at least kProbeBytes bytes or the whole file, so that its text decides the
// format as the whole text would. NotUtf8 as soon as a piece is not valid UTF-8.
PieceOutcome readInPieces(
    PlaylistModel& model, const FileOps::Handle& file, const QString& path, bool utf8, ParsedPlaylist::Outcome* outcome)
{
    const qint64 size = file.size();
    // Each piece on its own, so that a piece that ends inside a character is an error: only the
    // first one drops a leading byte-order mark, as decoding the whole text would.
    QStringDecoder first(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QStringDecoder later(
        QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
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
        const QByteArrayView piece = QByteArrayView(pending).first(end);
        QStringDecoder& decoder = reader ? later : first;
        const QString text = utf8 ? decoder.decode(piece) : CodePage::toUnicode(piece);
        if (utf8 && decoder.hasError())
            return PieceOutcome::NotUtf8;
        if (!reader) {
            const std::optional<PlaylistKind> kind = recognizePlaylist(text, path);
            if (!kind)
                return PieceOutcome::InvalidFormat;
            reader.emplace(*kind, path);
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

} // namespace

Result<void> loadPlaylist(PlaylistModel& model, const QString& path, std::optional<Iterator>& reader)
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
    if (startsWithUtf16Mark(*bytes)) {
        if (size > kProbeBytes) {
            bytes = file.readAt(0, size);
            if (!bytes)
                return endedEarly;
        }
        const ParsedPlaylist parsed = parsePlaylist(TextLines::decode(*bytes), path);
        model.stageEntries(parsed.entries);
        outcome = parsed.outcome;
    } else {
        bytes.reset();
        // Bytes that are not all valid UTF-8 are windows-1252 throughout: the reading starts again.
        PieceOutcome read = readInPieces(model, file, path, true, &outcome);
        if (read == PieceOutcome::NotUtf8) {
            model.discardStaged();
            read = readInPieces(model, file, path, false, &outcome);
        }
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
    model.appendStaged();
    if (outcome != ParsedPlaylist::Outcome::Complete)
        return endedEarly;
    // A reader made over an empty list would never reach these entries: it is replaced.
    if (!reader || reader->startsNowhere())
        reader = model.nodeList().getIterator();
    return {};
}

Result<void> savePlaylist(const PlaylistModel& model, const QString& path)
{
    const std::optional<PlaylistKind> kind = kindForSaving(path);
    Result<void> saved = kind
        ? Journal::writeAtomically(path, renderPlaylist(*kind, model.entriesInRowOrder()).toUtf8())
        : playlistFailure(path, Failure::Kind::Unrecognized);
    if (saved)
        return saved;
    const Failure failure = saved.failure().as(Failure::Action::SavePlaylist);
    Messages::error(failure);
    return failure;
}

} // namespace PlaylistFiles
