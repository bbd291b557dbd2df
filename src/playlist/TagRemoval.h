#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "playlist/EntryList.h"

class PlaylistModel;

enum class TagKind { Id3v1, Id3v2 };

// Removes one kind of tag from the files of the entries given, one after another, and reads each
// entry's tags again so that its row shows the file as it is now. The tag object removes a tag
// only when it has read the file, the file has not failed and the tag is there; it reports its own
// failures. beforeEach(done, entry) runs before each entry (the window shows progress there and
// lets events run). Entries, not row positions, are walked, so rows moving meanwhile do no harm.
void removeTags(PlaylistModel& model, const std::vector<std::shared_ptr<MP3Node>>& entries, TagKind kind,
    const std::function<void(qsizetype done, const MP3Node& entry)>& beforeEach = {});
