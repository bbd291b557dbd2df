// Copy ID3v2 Tags to ID3v1 and Copy ID3v1 Tags to ID3v2 in the window, on real files.

#include <QFile>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "support/ProgramMessages.h"
#include "support/WindowFixture.h"
#include "ui/LossDialog.h"

using namespace Qt::StringLiterals;
using TestBytes::audio;
using TestBytes::id3v1;
using TestBytes::id3v2Tag;

namespace {

const QByteArray kLong = id3v2Tag(3, {{"TIT2", u"A title of more than thirty characters"_s}, {"TPE1", u"Bänd Ω"_s}});
const QByteArray kShort = id3v2Tag(4, {{"TIT2", u"Short"_s}, {"TPE1", u"Band"_s}, {"TRCK", u"4"_s}});
const QByteArray kGarbage = TestBytes::id3v2Header(3, 0, QByteArray("\0\0\0\x14", 4)) + QByteArray(20, 'x');
const QByteArray kOld = id3v1({"Old", "Group", "", "", "", 2, 0});

} // namespace

// Into ID3v1: one dialog lists what each file would lose; Cancel writes nothing, Copy writes every
// file with a readable ID3v2 tag. A file without one is skipped, an unreadable one skipped with its
// message, and one that vanished after the list was made is reported and not made again. Into
// ID3v2: a file without an ID3v1 tag is skipped, the others get the version the option names.
TEST(TagCopy, ListsTheLossesOnceAndCopiesOnlyWhatTheUserAccepts)
{
    enum Answer { NoDialog, Cancel, Copy };
    const struct {
        const char* name;
        const char* command;
        const char* version; // the option chosen first
        Answer answer;
        QStringList quickTags; // the rows' "ID3v1 QuickTag" (to ID3v1) or "ID3v2 QuickTag" after
    } cases[] = {
        {"to ID3v1, Cancel", "mnuCopyID3v2TagsToID3v1", "mnuNewTagVersion24", Cancel,
            {u"Group - Old"_s, u"(none)"_s, u"Group - Old"_s, u"Group - Old"_s, u"(none)"_s}},
        {"to ID3v1, Copy", "mnuCopyID3v2TagsToID3v1", "mnuNewTagVersion24", Copy,
            {u"Bänd ? - A title of more than thirty ch"_s, u"Band - Short"_s, u"Group - Old"_s, u"Group - Old"_s,
                u"(error)"_s}},
        {"to ID3v2", "mnuCopyID3v1TagsToID3v2", "mnuNewTagVersion23", NoDialog,
            {u"Group - Old"_s, u"Band - Short"_s, u"Group - Old"_s, u"(error)"_s, u"(error)"_s}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WindowFixture w(false);
        const QByteArray bytes[] = {kLong + audio(300) + kOld, kShort + audio(300), audio(300) + kOld,
            kGarbage + audio(300) + kOld, kShort + audio(300)};
        QStringList paths;
        for (const QByteArray& file : bytes)
            paths.append(w.files.write(u"%1.mp3"_s.arg(paths.size()), file));
        w.form.importChosenFiles(paths, false);
        w.trigger("mnuReadTagsNow");
        w.readToTheEnd();
        w.trigger(c.version);
        w.trigger("mnuSelectAll");
        QFile::remove(paths[4]); // gone since it was read
        int listed = -1;
        if (c.answer != NoDialog) {
            w.whenShown<LossDialog>([&](LossDialog& dialog) {
                listed = dialog.findChild<QTreeWidget*>(u"lstLosses"_s)->topLevelItemCount();
                dialog.findChild<QPushButton*>(c.answer == Copy ? u"cmdCopy"_s : u"cmdCancel"_s)->click();
            });
        }
        w.trigger(c.command);
        const bool toId3v1 = c.answer != NoDialog;
        EXPECT_EQ(listed, toId3v1 ? 2 : -1); // the title cut, and the artist's "Ω" as "?", of one file
        EXPECT_EQ(w.column(toId3v1 ? QuickTagColumn : Id3v2QuickTagColumn), c.quickTags);
        QStringList expected = {ProgramMessages::notRecognized(paths[3]), ProgramMessages::notFound(paths[4])};
        if (c.answer == Cancel)
            expected.clear();
        EXPECT_EQ(w.messages.texts(), expected);
        EXPECT_FALSE(QFile::exists(paths[4]));
        EXPECT_EQ(TestFiles::read(paths[2]).startsWith("ID3"), !toId3v1);
        if (!toId3v1) {
            EXPECT_EQ(TestFiles::read(paths[2]).at(3), 3);
        }
        EXPECT_TRUE(w.takesCommands());
    }
}
