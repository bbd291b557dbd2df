#include "playlist/TagReading.h"

#include <algorithm>

#include "base/Messages.h"
#include "playlist/PlaylistModel.h"

namespace {

// Passes every message on, but first runs a step: the rows a tick has read so far are shown
// before a message about the next file stops the program in its message box.
class MessagesAfter : public Messages {
public:
    MessagesAfter(Messages& inner, std::function<void()> first) : m_inner(inner), m_first(std::move(first)) { }

    Answer show(const QString& text, const QString& title, Icon icon, Buttons buttons) override
    {
        m_first();
        return m_inner.show(text, title, icon, buttons);
    }
    void beep() override { m_inner.beep(); }

private:
    Messages& m_inner;
    std::function<void()> m_first;
};

// Hands every message of a read to the collector, with the path of the file being read; a
// question, which no read asks, is passed on.
class MessagesCollected : public Messages {
public:
    MessagesCollected(Messages& inner, const ReadProblem& collect) : m_inner(inner), m_collect(collect) { }

    Answer show(const QString& text, const QString& title, Icon icon, Buttons buttons) override
    {
        if (buttons != Buttons::Ok)
            return m_inner.show(text, title, icon, buttons);
        m_collect(path, text);
        return Answer::Ok;
    }
    void beep() override { }

    QString path;

private:
    Messages& m_inner;
    const ReadProblem& m_collect;
};

} // namespace

TickResult readTagsTick(PlaylistModel& model, std::optional<Iterator>& reader, std::chrono::nanoseconds budget,
    const std::function<void(qsizetype readSoFar)>& shownSoFar, const ReadProblem& collect)
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
    const auto reportRead = [&] {
        model.tagColumnsChanged(first, last);
        first = model.size();
        last = -1;
    };
    MessagesAfter messages(Messages::current(), [&] {
        reportRead();
        if (shownSoFar)
            shownSoFar(result.read);
    });
    MessagesCollected collected(Messages::current(), collect);
    const MessagesScope scope(collect ? static_cast<Messages&>(collected) : messages);
    do {
        if (!reader->MoveNext()) {
            result.keepGoing = false;
            break;
        }
        MP3Node& entry = *reader->current();
        const bool failedBefore = entry.mp3Tag().FileError();
        collected.path = entry.file();
        entry.ReadTag();
        ++result.read;
        const qsizetype position = model.positionOf(entry.item());
        if (position >= 0) {
            first = std::min(first, position);
            last = std::max(last, position);
        }
        if (entry.mp3Tag().FileError() && !failedBefore && !collect)
            break; // that read showed its message
    } while (Clock::now() < deadline);
    reportRead();
    return result;
}
