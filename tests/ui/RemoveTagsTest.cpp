// Remove ID3v1 Tags and Remove ID3v2 Tags in the window, on real files.

#include <gtest/gtest.h>

#include "support/WindowFixture.h"

using namespace Qt::StringLiterals;
using Answer = Messages::Answer;
using TestBytes::audio;

namespace {

const QByteArray kTag = TestBytes::id3v1({"Song", "Band", "", "", "", 0, 0});
const QByteArray kId3v2 = TestBytes::id3v2Header(3, 0, QByteArray("\0\0\0\x05", 4)) + "xxxxx";

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
        // An ID3v2 tag that audio does not follow is left, with a message.
        {"ID3v2 without audio after it", "mnuRemoveID3v2Tags", Answer::Yes, true, true,
            kId3v2 + QByteArray(10, '\0') + audio(300), kId3v2 + QByteArray(10, '\0') + audio(300), u"(none)"_s, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WindowFixture w(false);
        const QString path = w.files.write(u"song.mp3"_s, c.before);
        w.form.importChosenFiles({path}, false);
        if (c.readFirst)
            w.model().findItem(0)->ReadTag();
        if (c.selectAll)
            w.trigger("mnuSelectAll");
        w.messages.scriptAnswers({c.answer});
        w.trigger(c.command);
        EXPECT_EQ(TestFiles::read(path), c.after);
        EXPECT_EQ(w.messages.shown().at(0).title, u"Remove Tags?"_s);
        EXPECT_TRUE(w.messages.shown().at(0).text.contains(QString::fromLatin1(c.command).mid(9, 5)));
        if (c.answer == Answer::Yes && c.selectAll) {
            EXPECT_EQ(w.model().text(0, QuickTagColumn), c.quickTagAfter);
        }
        EXPECT_EQ(w.messages.beeps(), c.beeps);
        EXPECT_EQ(w.form.windowTitle(), u"Untitled* - Sondrel"_s); // the pass's progress caption is gone
        EXPECT_TRUE(w.action("mnuDeleteSelected")->isEnabled());
        EXPECT_TRUE(w.takesCommands());
        if (QByteArray(c.command).contains("ID3v2") && c.after == c.before) {
            EXPECT_EQ(w.messages.texts().last(),
                u"ID3v2 Tag format not recognized for "_s + path + u", skipping to avoid damage."_s);
        }
        if (!c.readFirst) {
            w.messages.scriptAnswers({Answer::Yes});
            w.trigger(c.command);
            EXPECT_EQ(TestFiles::read(path), audio(300));
        }
    }
}
