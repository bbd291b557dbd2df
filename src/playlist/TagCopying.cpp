#include "playlist/TagCopying.h"

#include <algorithm>

#include "base/Messages.h"
#include "journal/Journal.h"
#include "playlist/ChangedRows.h"
#include "playlist/PlaylistModel.h"
#include "tags/GenreTable.h"

namespace {

std::optional<TagCopy::Id3v1Copy> id3v1CopyOf(const Id3v2Fields& fields, BatchGenres& genres)
{
    return TagCopy::toId3v1(
        fields, [&](const QString& name) { return genres.numberOf(name); }, Id3v2::programGenreName);
}

// Copies the tag just read, within the open that read it; true when a tag was written.
bool copyReadTag(MP3Tag& tag, TagCopying::Direction direction, int newTagVersion, BatchGenres& genres)
{
    if (direction == TagCopying::Direction::ToId3v2) {
        if (!tag.HasID1Tag())
            return false;
        return bool(tag.writeId3v2(TagCopy::toId3v2(tag, Id3v2::programGenreName), newTagVersion));
    }
    const Id3v2Reading& reading = tag.Id3v2Tag();
    if (reading.state == Id3v2Reading::State::Unreadable)
        tag.reportUnreadableId3v2();
    if (reading.state != Id3v2Reading::State::Read)
        return false;
    const std::optional<TagCopy::Id3v1Copy> copy = id3v1CopyOf(reading.fields, genres);
    if (!copy)
        return false; // the genre list's message said why
    tag.RawInfo() = copy->record;
    return bool(tag.writeTag());
}

} // namespace

namespace TagCopying {

std::vector<FileLosses> id3v1Losses(
    PlaylistModel& model, const std::vector<std::shared_ptr<MP3Node>>& entries, BatchGenres& genres)
{
    std::vector<FileLosses> found;
    ChangedRows changed(model);
    for (const std::shared_ptr<MP3Node>& entry : entries) {
        const MP3Tag& tag = entry->mp3Tag();
        if (!tag.TagRead() || (tag.HasID2Tag() && tag.Id3v2Tag().state == Id3v2Reading::State::None)) {
            entry->ReadTag();
            changed.add(*entry);
        }
        if (tag.Id3v2Tag().state != Id3v2Reading::State::Read)
            continue;
        std::optional<TagCopy::Id3v1Copy> copy = id3v1CopyOf(tag.Id3v2Tag().fields, genres);
        if (!copy)
            return {};
        if (!copy->losses.empty())
            found.push_back({entry, std::move(copy->losses)});
    }
    return found;
}

qsizetype copyTags(PlaylistModel& model, const std::vector<std::shared_ptr<MP3Node>>& entries, Direction direction,
    int newTagVersion, BatchGenres& genres, const std::function<void(qsizetype done, const MP3Node& entry)>& beforeEach)
{
    qsizetype done = 0;
    qsizetype written = 0;
    ChangedRows changed(model);
    if (direction == Direction::ToId3v1) {
        QStringList tails;
        for (const std::shared_ptr<MP3Node>& entry : entries)
            tails.append(entry->mp3Tag().path());
        Journal::expectTailChanges(tails);
    }
    for (const std::shared_ptr<MP3Node>& entry : entries) {
        if (beforeEach)
            beforeEach(done, *entry);
        MP3Tag& tag = entry->mp3Tag();
        tag.changeTag([&] { written += copyReadTag(tag, direction, newTagVersion, genres); }, MP3Tag::Reading::AllTags);
        // A write replaces what the read found; the row shows the file as it is now.
        entry->ReadTag();
        changed.add(*entry);
        ++done;
    }
    return written;
}

} // namespace TagCopying
