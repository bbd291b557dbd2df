#pragma once

#include <functional>

#include <QString>

class PlaylistModel;

// How a copy pass reports its progress and learns of a cancel.
struct CopyHooks {
    // Runs before each selected row with the number of rows done so far (the window shows progress
    // and lets events run there); false stops the pass before that row.
    std::function<bool(qsizetype done)> beforeRow;
    // Asked while a long file is copied; false stops that file, unchanged and not reported, and
    // the pass with it.
    std::function<bool()> keepGoing;
};

// Copies (or, with deleteOriginals, moves) the files of the selected rows, in display order, into
// folder under their own file names. A copy replaces a file of that name in the folder; a move
// never replaces one. After a move the row's "File Name" and its entry name the new path; the
// other columns keep their texts. A file that cannot be copied or moved is reported with the reason
// and the question whether to skip it and go on; No ends the pass. The rows changed are reported
// to the model together at the end. Returns the number of rows done (skipped ones included).
qsizetype copySelectedFiles(
    PlaylistModel& model, const QString& folder, bool deleteOriginals, const CopyHooks& hooks = {});
