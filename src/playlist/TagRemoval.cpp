#include "playlist/TagRemoval.h"

#include <algorithm>

#include "journal/Journal.h"
#include "playlist/PlaylistModel.h"

void removeTags(PlaylistModel& model, const std::vector<std::shared_ptr<MP3Node>>& entries, TagKind kind,
    const std::function<void(qsizetype done, const MP3Node& entry)>& beforeEach)
{
    qsizetype done = 0;
    qsizetype first = model.size();
    qsizetype last = -1;
    if (kind == TagKind::Id3v1) {
        QStringList tails;
        for (const std::shared_ptr<MP3Node>& entry : entries)
            if (entry->mp3Tag().TagRead() && entry->mp3Tag().HasID1Tag())
                tails.append(entry->mp3Tag().path());
        Journal::expectTailChanges(tails);
    }
    for (const std::shared_ptr<MP3Node>& entry : entries) {
        if (beforeEach)
            beforeEach(done, *entry);
        // Only a tag that a read has shown is removed; the file is read again, and the tag removed
        // if it is still there, in one open that no other Sondrel run breaks into. A row whose tag
        // was not shown is read.
        MP3Tag& tag = entry->mp3Tag();
        const bool id3v1 = kind == TagKind::Id3v1;
        if (tag.TagRead() && (id3v1 ? tag.HasID1Tag() : tag.HasID2Tag()))
            tag.changeTag(
                [&tag, id3v1] { id3v1 ? tag.setHasID1Tag(false) : tag.setHasID2Tag(false); }, MP3Tag::Reading::AllTags);
        else
            tag.ReadTag(MP3Tag::Reading::AllTags);
        entry->showTag();
        if (const qsizetype position = model.positionOf(entry->item()); position >= 0) {
            first = std::min(first, position);
            last = std::max(last, position);
        }
        ++done;
    }
    // The rows re-read are reported together; the window's painting is suspended meanwhile anyway.
    model.tagColumnsChanged(first, last);
}
