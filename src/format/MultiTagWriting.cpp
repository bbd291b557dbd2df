#include "format/MultiTagWriting.h"

#include <algorithm>

#include "base/Messages.h"
#include "journal/Journal.h"
#include "playlist/ChangedRows.h"
#include "playlist/PlaylistModel.h"

using namespace Qt::StringLiterals;

namespace {

// Keeps the messages meant for the user (Ok-button messages) as the reasons of the file being
// worked on, instead of showing each; questions and beeps go on to the installed object.
class GatheredMessages : public Messages {
public:
    GatheredMessages() : m_inner(Messages::current()), m_scope(*this) { }

    Answer show(const QString& text, const QString& title, Icon icon, Buttons buttons) override
    {
        if (buttons != Buttons::Ok)
            return m_inner.show(text, title, icon, buttons);
        m_texts.append(text);
        return Answer::Ok;
    }
    void beep() override { m_inner.beep(); }

    // The messages gathered since the last call, as one reason; empty when there were none.
    QString take()
    {
        QString reason = m_texts.join(u"\r\n"_s);
        m_texts.clear();
        return reason;
    }

private:
    Messages& m_inner;
    MessagesScope m_scope;
    QStringList m_texts;
};

// Why a file that failed earlier is left out, as the message of that failure said it.
QString earlierFailure(const MP3Tag& tag)
{
    Failure failure;
    failure.kind = tag.failure().value_or(Failure::Kind::Io);
    failure.action = Failure::Action::Tag;
    failure.path = tag.path();
    return Messages::textOf(failure);
}

} // namespace

namespace MultiTagWriting {

Selection prepare(PlaylistModel& model, const std::vector<std::shared_ptr<MP3Node>>& entries)
{
    Selection selection;
    GatheredMessages messages;
    ChangedRows changed(model);
    for (const std::shared_ptr<MP3Node>& entry : entries) {
        const MP3Tag& tag = entry->mp3Tag();
        if (tag.FileError()) {
            selection.leftOut.push_back({entry->file(), earlierFailure(tag)});
            continue;
        }
        if (!tag.TagRead() || (tag.HasID2Tag() && tag.Id3v2Tag().state == Id3v2Reading::State::None)) {
            entry->ReadTag();
            changed.add(*entry);
        }
        const QString said = messages.take();
        if (tag.FileError() || !tag.TagRead())
            selection.leftOut.push_back({entry->file(), said.isEmpty() ? earlierFailure(tag) : said});
        else
            selection.entries.push_back(entry);
    }
    return selection;
}

Loaded load(const std::vector<std::shared_ptr<MP3Node>>& entries)
{
    std::vector<MultiTagEdit::Texts> id3v1;
    std::vector<MultiTagEdit::Texts> id3v2;
    id3v1.reserve(entries.size());
    id3v2.reserve(entries.size());
    for (const std::shared_ptr<MP3Node>& entry : entries) {
        const MP3Tag& tag = entry->mp3Tag();
        id3v1.push_back(MultiTagEdit::id3v1Texts(tag.RawInfo()));
        const Id3v2Reading& reading = tag.Id3v2Tag();
        if (reading.state != Id3v2Reading::State::Unreadable)
            id3v2.push_back(
                MultiTagEdit::id3v2Texts(reading.state == Id3v2Reading::State::Read ? reading.fields : Id3v2Fields()));
    }
    return {MultiTagEdit::commonTexts(id3v1), MultiTagEdit::commonTexts(id3v2), qsizetype(id3v2.size())};
}

Outcome write(PlaylistModel& model, const std::vector<std::shared_ptr<MP3Node>>& entries,
    const MultiTagEdit::Edits& id3v1, const MultiTagEdit::Edits& id3v2, int newTagVersion,
    const std::function<bool(qsizetype done, const MP3Node& entry)>& keepGoing)
{
    Outcome outcome;
    const bool editsId3v1 = MultiTagEdit::hasEdits(id3v1);
    const bool editsId3v2 = MultiTagEdit::hasEdits(id3v2);
    if (editsId3v1 && !editsId3v2) {
        // The tails are recorded in groups ahead; an ID3v2 change replaces the file and is
        // recorded on its own.
        QStringList tails;
        for (const std::shared_ptr<MP3Node>& entry : entries)
            tails.append(entry->file());
        Journal::expectTailChanges(tails);
    }
    GatheredMessages messages;
    ChangedRows changed(model);
    for (const std::shared_ptr<MP3Node>& entry : entries) {
        if (keepGoing && !keepGoing(outcome.done, *entry)) {
            outcome.cancelled = true;
            break;
        }
        MP3Tag& tag = entry->mp3Tag();
        bool failed = false;
        bool wrote = false;
        const Result<void> read = tag.changeTag(
            [&] {
                if (editsId3v1 && MultiTagEdit::applyToId3v1(tag.RawInfo(), id3v1)) {
                    const Result<void> written = tag.writeTag();
                    wrote |= bool(written);
                    failed |= !written;
                }
                if (!editsId3v2)
                    return;
                if (tag.Id3v2Tag().state == Id3v2Reading::State::Unreadable) {
                    tag.reportUnreadableId3v2();
                    failed = true;
                    return;
                }
                bool differs = false;
                const Result<void> written = tag.changeId3v2(
                    [&](Id3v2Fields& fields) { differs = MultiTagEdit::applyToId3v2(fields, id3v2); }, newTagVersion);
                wrote |= written && differs;
                failed |= !written;
            },
            MP3Tag::Reading::AllTags);
        // The tag object holds what the read and the writes left in the file; after a failure the
        // file is read again, so that the row shows it as it is now.
        QString said = messages.take();
        if (!read || failed) {
            entry->ReadTag();
            said += messages.take();
        } else {
            entry->showTag();
        }
        changed.add(*entry);
        ++outcome.done;
        outcome.written += wrote;
        if (!read || failed || !said.isEmpty())
            outcome.problems.push_back({entry->file(), said.isEmpty() ? earlierFailure(tag) : said});
    }
    return outcome;
}

QString report(const std::vector<Problem>& problems, qsizetype selected)
{
    if (problems.empty())
        return {};
    QString text = (selected == 1 ? u"The tags of %1 of the 1 selected file were not written as asked:"_s
                                  : u"The tags of %1 of the %L2 selected files were not written as asked:"_s)
                       .arg(problems.size())
                       .arg(selected);
    for (const Problem& problem : problems)
        text += u"\r\n\r\n"_s + problem.file + u":\r\n"_s + problem.reason;
    return text;
}

} // namespace MultiTagWriting
