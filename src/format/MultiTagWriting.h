#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "format/MultiTagEdit.h"
#include "playlist/EntryList.h"

class PlaylistModel;

// Editing the tags of several entries at once, without a window: which entries take part, the
// texts they share, and the pass that writes the user's changes to each file.
namespace MultiTagWriting {

// A file that was not written as asked, and why, in the words of its messages.
struct Problem {
    QString file;
    QString reason;
};

// The entries whose tags are in hand, and the ones left out.
struct Selection {
    std::vector<std::shared_ptr<MP3Node>> entries;
    std::vector<Problem> leftOut;
};

// Reads the tags of every entry that has not been read (or whose ID3v2 tag's fields are not in
// hand), reporting their rows together; an entry whose file is missing or failed to read, now or
// before, is left out. The reads' messages are not shown: they are the reasons of those left out.
Selection prepare(PlaylistModel& model, const std::vector<std::shared_ptr<MP3Node>>& entries);

// What the prepared entries' tags share. An ID3v2 tag that cannot be read counts for nothing (a
// file without an ID3v2 tag counts with empty fields); id3v2Readable says how many did count.
struct Loaded {
    MultiTagEdit::CommonTexts id3v1;
    MultiTagEdit::CommonTexts id3v2;
    qsizetype id3v2Readable = 0;
};
Loaded load(const std::vector<std::shared_ptr<MP3Node>>& entries);

struct Outcome {
    qsizetype written = 0; // files whose bytes changed
    qsizetype done = 0; // entries gone through
    bool cancelled = false;
    std::vector<Problem> problems;
};

// Writes the edits to each entry's file in turn: the file is read again and, in the same open,
// its ID3v1 record takes the ID3v1 edits (MultiTagEdit::applyToId3v1) and its ID3v2 tag the ID3v2
// edits (a file without one gets one of newTagVersion, 3 or 4); a tag is written only when a field
// of it changes. A file whose ID3v2 tag cannot be read keeps it, and is a problem when there are
// ID3v2 edits. The messages of the writes are not shown: they become the problems of their files.
// Each entry's row shows its file as it is afterwards; the rows are reported together.
// keepGoing(done, entry) runs before each entry; false stops the pass there.
Outcome write(PlaylistModel& model, const std::vector<std::shared_ptr<MP3Node>>& entries,
    const MultiTagEdit::Edits& id3v1, const MultiTagEdit::Edits& id3v2, int newTagVersion,
    const std::function<bool(qsizetype done, const MP3Node& entry)>& keepGoing = {});

// The one message that names the files not written as asked and why: empty when there are none.
QString report(const std::vector<Problem>& problems, qsizetype selected);

} // namespace MultiTagWriting
