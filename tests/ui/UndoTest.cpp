// Edit > Undo, Redo and History in the window, on real files: a command's changes go back to the
// byte and the rows follow; without Keep Undo History nothing is recorded.

#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "journal/Journal.h"
#include "support/FileTree.h"
#include "support/WindowFixture.h"
#include "ui/MultiTagEditor.h"

using namespace Qt::StringLiterals;
using Answer = Messages::Answer;

namespace {

// A window whose undo history starts empty, in a folder of its own.
struct UndoWindow : WindowFixture {
    QTemporaryDir state;
    UndoWindow() : WindowFixture(false)
    {
        Journal::Settings settings = Journal::settings();
        settings.folder = state.path();
        settings.enabled = true;
        Journal::configure(settings);
        action("mnuKeepUndoHistory")->setChecked(true);
    }
    ~UndoWindow() { Journal::configure({}); }

    // Opens Edit as a user does, so that Undo and Redo name what they would do.
    QString caption(const char* name)
    {
        form.findChild<QMenu*>(u"mnuEdit"_s)->aboutToShow();
        return action(name)->isEnabled() ? action(name)->text() : QString();
    }
};

} // namespace

TEST(Undo, PutsBackWhatACommandChangedAndTheRowsFollow)
{
    struct Case {
        const char* command;
        const char* undoCaption;
        bool move; // Copy Files with Delete Originals into the folder "moved"
    } const cases[] = {
        {"mnuRemoveID3v1Tags", "&Undo Remove ID3v1 Tags, 2 files", false},
        {"mnuCopyFiles", "&Undo Move Files, 2 files", true},
        {"mnuEditTag", "&Undo Edit Tags, 2 files", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        UndoWindow w;
        const QStringList paths = w.addFiles({u"a.mp3"_s, u"b.mp3"_s});
        for (qsizetype row = 0; row < w.model().size(); ++row)
            w.model().findItem(row)->ReadTag();
        QDir(w.files.folder()).mkdir(u"moved"_s);
        const QStringList names = w.column(FileNameColumn);
        const FileTree before = fileTreeOf(w.files.folder());
        w.dialogs.destinations = {FileDialogs::CopyDestination{w.files.path(u"moved"_s), true, {}}};
        w.messages.scriptAnswers({Answer::Yes});
        w.trigger("mnuSelectAll");
        if (std::string_view(c.command) == "mnuEditTag") {
            w.whenShown<MultiTagEditor>([](MultiTagEditor& dialog) {
                dialog.findChild<QLineEdit*>(u"SongName"_s)->setText(u"Both"_s);
                dialog.findChild<QPushButton*>(u"Command1"_s)->click();
            });
        }
        w.trigger(c.command);
        const QStringList changedNames = w.column(FileNameColumn);
        const QStringList changedTags = w.column(QuickTagColumn);
        ASSERT_NE(fileTreeOf(w.files.folder()), before);
        EXPECT_EQ(w.caption("mnuUndo"), QString::fromLatin1(c.undoCaption));

        w.trigger("mnuUndo");
        EXPECT_EQ(fileTreeOf(w.files.folder()), before);
        EXPECT_EQ(w.column(FileNameColumn), names);
        EXPECT_EQ(w.column(QuickTagColumn), (QStringList{u"Band - a"_s, u"Band - b"_s}));
        EXPECT_EQ(w.caption("mnuUndo"), QString());
        EXPECT_EQ(w.caption("mnuRedo"), QString::fromLatin1(c.undoCaption).replace(u"&Undo"_s, u"&Redo"_s));

        w.trigger("mnuRedo");
        EXPECT_EQ(w.column(FileNameColumn), changedNames);
        EXPECT_EQ(w.column(QuickTagColumn), changedTags);
        EXPECT_TRUE(w.messages.texts().filter(u"left as they are"_s).isEmpty());
        EXPECT_TRUE(w.takesCommands());
    }
}

TEST(Undo, HistoryUndoesBackToTheChosenCommand)
{
    UndoWindow w;
    const QStringList paths = w.addFiles({u"a.mp3"_s});
    w.model().findItem(0)->ReadTag();
    const QByteArray before = TestFiles::read(paths[0]);
    w.trigger("mnuSelectAll");
    for (const char* command : {"mnuCopyID3v1TagsToID3v2", "mnuRemoveID3v1Tags"}) {
        w.messages.scriptAnswers({Answer::Yes});
        w.trigger(command);
    }
    ASSERT_NE(TestFiles::read(paths[0]), before);
    QTimer::singleShot(0, &w.form, [&w] {
        auto* dialog = w.form.findChild<QDialog*>(u"HistoryDialog"_s);
        ASSERT_NE(dialog, nullptr);
        auto* list = dialog->findChild<QTreeWidget*>(u"lstHistory"_s);
        ASSERT_EQ(list->topLevelItemCount(), 2);
        EXPECT_EQ(list->topLevelItem(0)->text(1), u"Remove ID3v1 Tags, 1 file"_s);
        list->setCurrentItem(list->topLevelItem(1));
        dialog->findChild<QPushButton*>(u"cmdUndoToHere"_s)->click();
        EXPECT_EQ(list->topLevelItem(0)->text(3), u"done"_s); // the newest: the second undo
        dialog->reject();
    });
    w.trigger("mnuHistory");
    EXPECT_EQ(TestFiles::read(paths[0]), before);
}

TEST(Undo, NothingIsRecordedWithoutKeepUndoHistory)
{
    UndoWindow w;
    const QStringList paths = w.addFiles({u"a.mp3"_s});
    w.model().findItem(0)->ReadTag();
    w.action("mnuKeepUndoHistory")->trigger(); // unchecks it
    EXPECT_FALSE(Journal::settings().enabled);
    w.trigger("mnuSelectAll");
    w.messages.scriptAnswers({Answer::Yes});
    w.trigger("mnuRemoveID3v1Tags");
    EXPECT_EQ(TestFiles::read(paths[0]), TestBytes::audio(300));
    w.action("mnuKeepUndoHistory")->trigger();
    EXPECT_EQ(w.caption("mnuUndo"), QString());
}
