#include "playlist/TagRemoval.h"

#include <algorithm>

#include "playlist/PlaylistModel.h"

void removeTags(PlaylistModel& model, const std::vector<std::shared_ptr<MP3Node>>& entries, TagKind kind,
    const std::function<void(qsizetype done, const MP3Node& entry)>& beforeEach)
{
    qsizetype done = 0;
    qsizetype first = model.size();
    qsizetype last = -1;
    for (const std::shared_ptr<MP3Node>& entry : entries) {
        if (beforeEach)
            beforeEach(done, *entry);
        if (kind == TagKind::Id3v1)
            entry->mp3Tag().setHasID1Tag(false);
        else
            entry->mp3Tag().setHasID2Tag(false);
        entry->ReadTag();
        if (const qsizetype position = model.positionOf(entry->item()); position >= 0) {
            first = std::min(first, position);
            last = std::max(last, position);
        }
        ++done;
    }
    // The rows re-read are reported together; the window's painting is suspended meanwhile anyway.
    model.tagColumnsChanged(first, last);
}
