#pragma once

#include <chrono>
#include <functional>
#include <optional>

#include "playlist/EntryList.h"

class PlaylistModel;

// Background reading of the tags, one tick at a time, without a timer: the window's timer calls
// readTagsTick and stops when it says so; a test or the command-line program can call it directly.
//
// Entries are read in entry order (the order they were added), whatever the rows' order, through
// the reader: an iterator that stays on the last entry when it runs out, so a later tick reads only
// entries appended since.
struct TickResult {
    qsizetype read = 0; // entries read in this tick
    bool keepGoing = true; // false: no reader, or it has run out; the timer goes off
};

// Reads entries until the budget is spent, an entry's read has shown a message (a failed file is
// reported once; the tick stops there so that messages do not pile up), or the reader runs out.
// The rows read are reported to the views in one change. Before a message is shown, the rows read
// so far are reported and shownSoFar (when given) learns how many entries this tick has read, so
// that progress shown beside the message is not behind the rows.
//
// With collect given, a read's messages are not shown: each goes to collect with the path of the
// file whose read gave it, and reading goes on to the next entry within the budget.
using ReadProblem = std::function<void(const QString& path, const QString& text)>;
TickResult readTagsTick(PlaylistModel& model, std::optional<Iterator>& reader, std::chrono::nanoseconds budget,
    const std::function<void(qsizetype readSoFar)>& shownSoFar = {}, const ReadProblem& collect = {});
