#include "playlist/TagReading.h"

#include <algorithm>

#include "playlist/PlaylistModel.h"

TickResult readTagsTick(PlaylistModel& model, std::optional<Iterator>& reader, std::chrono::nanoseconds budget)
{
    using Clock = std::chrono::steady_clock;
    TickResult result;
    if (!reader) {
        result.keepGoing = false;
        return result;
    }
    const Clock::time_point deadline = Clock::now() + budget;
    qsizetype first = model.size();
    qsizetype last = -1;
    do {
        if (!reader->MoveNext()) {
            result.keepGoing = false;
            break;
        }
        MP3Node& entry = *reader->current();
        const bool failedBefore = entry.mp3Tag().FileError();
        entry.ReadTag();
        ++result.read;
        const qsizetype position = model.positionOf(entry.item());
        if (position >= 0) {
            first = std::min(first, position);
            last = std::max(last, position);
        }
        if (entry.mp3Tag().FileError() && !failedBefore)
            break; // that read showed its message
    } while (Clock::now() < deadline);
    model.tagColumnsChanged(first, last);
    return result;
}
