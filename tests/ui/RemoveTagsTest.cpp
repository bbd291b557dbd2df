// Remove ID3v1 Tags and Remove ID3v2 Tags in the window, on real files.

#include <gtest/gtest.h>

#include <QAction>

#include "support/RecordingMessages.h"
#include "support/TestFiles.h"
#include "ui/Form1.h"

using namespace Qt::StringLiterals;
using Answer = Messages::Answer;
using TestBytes::audio;
using TestBytes::id3v1;
using TestBytes::id3v2Header;

namespace {

const QByteArray kTag = id3v1({"Song", "Band", "", "", "", 0, 0});
const QByteArray kId3v2 = id3v2Header(3, 0, QByteArray("\0\0\0\x05", 4)) + "xxxxx";

QString question(const char* kind)
{
    return u"This will permanently remove the "_s + QString::fromLatin1(kind)
        + u" tags from all selected files.  Are you sure you want to do this?"_s;
}

} // namespace

TEST(RemoveTags, StripsTheSelectedFilesAndShowsThemAsTheyAreNow)
{
    struct Case {
        const char* what;
        const char* command;
        Answer answer;
        bool selectAll;
        bool readFirst; // the background reader has read the files before the command
        QByteArray before, after;
        QString quickTagAfter;
        int beeps;
    } const cases[] = {
        {"ID3v1", "mnuRemoveID3v1Tags", Answer::Yes, true, true, kId3v2 + audio(300) + kTag, kId3v2 + audio(300),
            u"(none)"_s, 1},
        {"ID3v2", "mnuRemoveID3v2Tags", Answer::Yes, true, true, kId3v2 + audio(300) + kTag, audio(300) + kTag,
            u"Band - Song"_s, 1},
        {"answered No", "mnuRemoveID3v1Tags", Answer::No, true, true, audio(300) + kTag, audio(300) + kTag,
            u"Band - Song"_s, 0},
        {"nothing selected", "mnuRemoveID3v1Tags", Answer::Yes, false, true, audio(300) + kTag, audio(300) + kTag,
            u"Band - Song"_s, 1},
        // A tag not read yet is kept; the re-read shows it, and the next run removes it.
        {"tag not read yet", "mnuRemoveID3v1Tags", Answer::Yes, true, false, audio(300) + kTag, audio(300) + kTag,
            u"Band - Song"_s, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingMessages messages;
        TestFiles files;
        Form1 form;
        form.findChild<QAction*>(u"mnuAutoReadTags"_s)->trigger();
        const QString path = files.write(u"song.mp3"_s, c.before);
        form.importChosenFiles({path}, false);
        if (c.readFirst)
            form.model().findItem(0)->ReadTag();
        if (c.selectAll)
            form.findChild<QAction*>(u"mnuSelectAll"_s)->trigger();
        messages.scriptAnswers({c.answer});
        form.findChild<QAction*>(QString::fromLatin1(c.command))->trigger();
        EXPECT_EQ(TestFiles::read(path), c.after);
        EXPECT_EQ(messages.shown().at(0).text,
            question(QString::fromLatin1(c.command).contains(u"ID3v1"_s) ? "ID3v1" : "ID3v2"));
        EXPECT_EQ(messages.shown().at(0).title, u"Remove Tags?"_s);
        if (c.answer == Answer::Yes && c.selectAll) {
            EXPECT_EQ(form.model().text(0, QuickTagColumn), c.quickTagAfter);
        }
        EXPECT_EQ(messages.beeps(), c.beeps);
        EXPECT_EQ(form.windowTitle(), u"Untitled* - Sondrel"_s); // the pass's progress caption is gone
        EXPECT_TRUE(form.findChild<QAction*>(u"mnuDeleteSelected"_s)->isEnabled());
        if (!c.readFirst) {
            messages.scriptAnswers({Answer::Yes});
            form.findChild<QAction*>(QString::fromLatin1(c.command))->trigger();
            EXPECT_EQ(TestFiles::read(path), audio(300));
        }
    }
}

TEST(RemoveTags, LeavesAnId3v2TagThatAudioDoesNotFollow)
{
    RecordingMessages messages;
    TestFiles files;
    Form1 form;
    const QByteArray bytes = kId3v2 + QByteArray(10, '\0') + audio(300);
    const QString path = files.write(u"padded.mp3"_s, bytes);
    form.importChosenFiles({path}, false);
    form.model().findItem(0)->ReadTag();
    form.findChild<QAction*>(u"mnuSelectAll"_s)->trigger();
    messages.scriptAnswers({Answer::Yes});
    form.findChild<QAction*>(u"mnuRemoveID3v2Tags"_s)->trigger();
    EXPECT_EQ(TestFiles::read(path), bytes);
    EXPECT_EQ(
        messages.texts().last(), u"ID3v2 Tag format not recognized for "_s + path + u", skipping to avoid damage."_s);
    EXPECT_EQ(form.model().text(0, HasId2Column), u"Yes"_s);
}
