#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "playlist/EntryList.h"
#include "tags/TagCopy.h"

class BatchGenres;
class PlaylistModel;

// Copying each file's tag into its other tag over a batch of entries (Actions > "Copy ID3v2 Tags
// to ID3v1" and "Copy ID3v1 Tags to ID3v2"), without a window.
namespace TagCopying {

enum class Direction { ToId3v1, ToId3v2 };

// What one file's ID3v1 tag would lose.
struct FileLosses {
    std::shared_ptr<MP3Node> entry;
    std::vector<TagCopy::Loss> losses;
};

// For copying ID3v2 into ID3v1: every entry whose ID3v1 tag could not hold its ID3v2 fields as
// they are, with what it would lose, in the order given. Entries whose tags have not been read
// with their ID3v2 fields are read first (and their rows reported); entries without a readable
// ID3v2 tag lose nothing, as they are skipped. Empty when the genre list cannot be loaded.
std::vector<FileLosses> id3v1Losses(
    PlaylistModel& model, const std::vector<std::shared_ptr<MP3Node>>& entries, BatchGenres& genres);

// Copies each entry's tag into its other tag: the file is read again, and written, in one open.
// An entry without the tag to copy is skipped silently; an ID3v2 tag that cannot be read is
// skipped with the not-recognized message; a file that has gone is reported and never made. A
// file without an ID3v2 tag gets one of newTagVersion (3 or 4). Every entry's row shows its file
// as it is afterwards; the rows are reported together. beforeEach(done, entry) runs before each
// entry (the window shows progress there and lets events run). Returns the files written.
qsizetype copyTags(PlaylistModel& model, const std::vector<std::shared_ptr<MP3Node>>& entries, Direction direction,
    int newTagVersion, BatchGenres& genres,
    const std::function<void(qsizetype done, const MP3Node& entry)>& beforeEach = {});

} // namespace TagCopying
