#include "ui/Form1.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include "support/RecordingMessages.h"
#include "ui/ImportFiles.h"
#include "support/TestFiles.h"

using namespace Qt::StringLiterals;

namespace {

QStringList columnOf(const PlaylistModel& model, int column)
{
    QStringList texts;
    for (qsizetype i = 0; i < model.size(); ++i)
        texts.append(model.text(i, column));
    return texts;
}

struct Window {
    RecordingMessages messages;
    TestFiles files;
    Form1 form;
    QTreeView* playlist = form.findChild<QTreeView*>(u"Playlist"_s);
    QTimer* timer = form.findChild<QTimer*>(u"Timer1"_s);

    // Shown and active, so that header clicks land and shortcuts reach the window.
    Window()
    {
        form.show();
        form.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
    }

    QAction* action(const char* name) const { return form.findChild<QAction*>(QString::fromLatin1(name)); }
    // Lets background reading run until it stops (or a generous guard passes: a hang fails the test).
    void readToTheEnd() const
    {
        QElapsedTimer guard;
        guard.start();
        while (timer->isActive() && guard.elapsed() < 20000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        EXPECT_FALSE(timer->isActive());
    }
    QStringList addFiles(const QStringList& names)
    {
        QStringList paths;
        for (const QString& name : names)
            paths.append(files.write(
                name, TestBytes::audio(300) + TestBytes::id3v1({name.toUtf8().left(1), "Band", "", "", "", 0, 0})));
        form.importChosenFiles(paths, false);
        return paths;
    }
    void selectRows(std::initializer_list<int> rows) const
    {
        playlist->selectionModel()->clearSelection();
        for (const int row : rows)
            playlist->selectionModel()->select(
                playlist->model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
};

} // namespace

TEST(Form1, CarriesTheWholeMenuTree)
{
    Window w;
    EXPECT_EQ(w.form.windowTitle(), u"Sondrel"_s);
    struct Item {
        const char* name;
        const char16_t* caption;
        QKeySequence shortcut;
        bool enabled;
    } const items[] = {
        {"mnuNewPlaylist", u"&New Playlist", QKeySequence(u"Ctrl+N"_s), true},
        {"mnuOpenPlaylist", u"&Open Playlist...", QKeySequence(u"Ctrl+O"_s), true},
        {"mnuSavePlaylist", u"&Save Playlist", QKeySequence(u"Ctrl+S"_s), true},
        {"mnuSavePlaylistAs", u"Save Playlist &As...", {}, true},
        {"mnuImportFiles", u"Import &Files...", {}, true},
        {"mnuImportMissingFiles", u"Import &Missing Files...", {}, true},
        {"mnuImportPlaylist", u"Import &Playlist...", {}, true},
        {"mnuExit", u"E&xit", {}, true},
        {"mnuSelectAll", u"Select &All", QKeySequence(u"Ctrl+A"_s), true},
        {"mnuSelectInverse", u"Select &Inverse", QKeySequence(u"Ctrl+I"_s), true},
        {"mnuSelectNone", u"Select &None", QKeySequence(u"Ctrl+D"_s), true},
        {"mnuDeleteSelected", u"&Delete Selected", QKeySequence(u"Del"_s), true},
        {"mnuAutoReadTags", u"&Auto-Read Tags", {}, true},
        {"mnuReadTagsNow", u"&Read Tags Now", {}, true},
        {"mnuStopReadingTags", u"&Stop Reading Tags", {}, true},
        {"mnuTagEqualsFileName", u"Tag = File Name...", {}, true},
        {"mnuFileNameEqualsTag", u"File Name = Tag...", {}, true},
        {"mnuTagEqualsTitle", u"Tag = Title...", {}, true},
        {"mnuTitleEqualsTag", u"Title = Tag...", {}, true},
        {"mnuFileNameEqualsTitle", u"File Name = Title...", {}, true},
        {"mnuTitleEqualsFileName", u"Title = File Name...", {}, true},
        {"mnuRemoveID3v1Tags", u"Remove ID3v1 Tags...", {}, true},
        {"mnuRemoveID3v2Tags", u"Remove ID3v2 Tags...", {}, true},
        {"mnuKeepMissingFilesSelected", u"Keep Missing Files Selected", {}, true},
        {"mnuCopyFiles", u"Copy Files...", {}, true},
        {"mnuKeepDuplicatesSelectedByFileName", u"Keep Duplicates Selected (by File Name)", {}, true},
        {"mnuKeepDuplicatesSelectedByTitle", u"Keep Duplicates Selected (by Title)", {}, true},
        {"mnuKeepDuplicatesSelectedByQuickTag", u"Keep Duplicates Selected (by QuickTag)", {}, true},
        {"mnuContents", u"&Contents...", QKeySequence(u"F1"_s), true},
        {"mnuAboutTagEditor", u"&About Sondrel...", {}, true},
    };
    // The items in menu order, separators apart.
    QStringList inOrder;
    QStringList separators;
    for (QAction* menu : w.form.menuBar()->actions()) {
        for (QAction* item : menu->menu()->actions())
            (item->isSeparator() ? separators : inOrder).append(item->objectName());
    }
    EXPECT_EQ(separators,
        QStringList({u"mnuSep1"_s, u"mnuSep2"_s, u"mnuSep3"_s, u"mnuSep4"_s, u"mnuSep5"_s, u"mnuSep6"_s, u"mnuSep7"_s,
            u"mnuSep8"_s, u"mnuSep9"_s, u"mnuSep10"_s}));
    QStringList expected;
    for (const Item& item : items) {
        SCOPED_TRACE(item.name);
        expected.append(QString::fromLatin1(item.name));
        QAction* action = w.action(item.name);
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->text(), QString::fromUtf16(item.caption));
        EXPECT_EQ(action->shortcut(), item.shortcut);
        EXPECT_EQ(action->isEnabled(), item.enabled);
    }
    EXPECT_EQ(inOrder, expected);
    EXPECT_TRUE(w.action("mnuAutoReadTags")->isChecked());
    QStringList captions;
    for (QAction* menu : w.form.menuBar()->actions())
        captions.append(menu->text());
    EXPECT_EQ(captions, QStringList({u"&File"_s, u"&Edit"_s, u"&Options"_s, u"&Actions"_s, u"&Help"_s}));
}

TEST(Form1, ReadsTagsInTheOrderFilesWereAddedAndReportsAFailureOnce)
{
    Window w;
    const QStringList paths = w.addFiles({u"c.mp3"_s, u"a.mp3"_s});
    w.form.importChosenFiles({w.files.path(u"gone.mp3"_s)}, false);
    // Sorting does not change the reading order.
    QTest::mouseClick(w.playlist->header()->viewport(), Qt::LeftButton, {},
        QPoint(w.playlist->header()->sectionViewportPosition(TitleColumn) + 5, 5));
    EXPECT_EQ(columnOf(w.form.model(), TitleColumn), QStringList({u"a"_s, u"c"_s, u"gone"_s}));
    w.readToTheEnd();
    EXPECT_EQ(columnOf(w.form.model(), QuickTagColumn), QStringList({u"Band - a"_s, u"Band - c"_s, u"(error)"_s}));
    ASSERT_EQ(w.messages.shown().size(), 1u);
    EXPECT_TRUE(w.messages.shown()[0].text.startsWith(u"Error with "_s + w.files.path(u"gone.mp3"_s)));

    // The same header again flips the order.
    QTest::mouseClick(w.playlist->header()->viewport(), Qt::LeftButton, {},
        QPoint(w.playlist->header()->sectionViewportPosition(TitleColumn) + 5, 5));
    EXPECT_EQ(columnOf(w.form.model(), TitleColumn), QStringList({u"gone"_s, u"c"_s, u"a"_s}));

    // Read Tags Now afterwards reads nothing again.
    w.action("mnuReadTagsNow")->trigger();
    w.readToTheEnd();
    EXPECT_EQ(w.messages.shown().size(), 1u);
}

TEST(Form1, WaitsForReadTagsNowWhenAutoReadIsOff)
{
    Window w;
    w.action("mnuAutoReadTags")->trigger();
    EXPECT_FALSE(w.action("mnuAutoReadTags")->isChecked());
    w.addFiles({u"a.mp3"_s});
    EXPECT_FALSE(w.timer->isActive());
    EXPECT_EQ(w.form.model().text(0, QuickTagColumn), u"..."_s);
    w.action("mnuReadTagsNow")->trigger();
    w.readToTheEnd();
    EXPECT_EQ(w.form.model().text(0, QuickTagColumn), u"Band - a"_s);
}

TEST(Form1, NewPlaylistDuringReadingStopsIt)
{
    Window w;
    w.addFiles({u"a.mp3"_s, u"b.mp3"_s});
    ASSERT_TRUE(w.timer->isActive());
    w.messages.scriptAnswers({Messages::Answer::Discard});
    w.action("mnuNewPlaylist")->trigger();
    EXPECT_EQ(w.form.model().size(), 0);
    EXPECT_FALSE(w.form.readIterator().has_value());
    w.readToTheEnd(); // the next tick finds no reader and turns the timer off
}

TEST(Form1, MovesAndDeletesSelectedRowsFromTheKeyboardAndTheArrows)
{
    Window w;
    w.action("mnuAutoReadTags")->trigger();
    w.addFiles({u"1.mp3"_s, u"2.mp3"_s, u"3.mp3"_s, u"4.mp3"_s, u"5.mp3"_s});
    w.selectRows({1, 2});
    QTest::mouseClick(w.form.findChild<QToolButton*>(u"UpDown1Up"_s), Qt::LeftButton);
    EXPECT_EQ(columnOf(w.form.model(), TitleColumn), QStringList({u"2"_s, u"3"_s, u"1"_s, u"4"_s, u"5"_s}));
    QTest::mouseClick(w.form.findChild<QToolButton*>(u"UpDown1Down"_s), Qt::LeftButton);
    EXPECT_EQ(columnOf(w.form.model(), TitleColumn), QStringList({u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s}));

    // Del with the reader standing on a deleted entry: reading goes on with the rest.
    w.action("mnuReadTagsNow")->trigger();
    w.readToTheEnd();
    w.form.importChosenFiles({w.files.write(u"6.mp3"_s, TestBytes::audio(300))}, false);
    w.selectRows({1, 2});
    w.playlist->setFocus();
    QTest::keyClick(w.playlist, Qt::Key_Delete);
    EXPECT_EQ(columnOf(w.form.model(), TitleColumn), QStringList({u"1"_s, u"4"_s, u"5"_s, u"6"_s}));
    w.action("mnuReadTagsNow")->trigger();
    w.readToTheEnd();
    EXPECT_EQ(w.form.model().text(3, QuickTagColumn), u"(none)"_s);

    // Deleting every row leaves a new, empty playlist.
    w.action("mnuSelectAll")->trigger();
    w.action("mnuDeleteSelected")->trigger();
    EXPECT_EQ(w.form.model().size(), 0);
    EXPECT_FALSE(w.form.readIterator().has_value());
}

TEST(Form1, ImportsMissingFilesOnlyOnceAndBeepsOnADoubleClickWithoutSelection)
{
    Window w;
    const QStringList paths = w.addFiles({u"a.mp3"_s});
    w.form.importChosenFiles({paths[0].toUpper(), paths[0], w.files.path(u"b.mp3"_s)}, true);
    EXPECT_EQ(w.form.model().size(), 2);
    w.form.importChosenFiles({paths[0]}, false);
    EXPECT_EQ(w.form.model().size(), 3);

    w.action("mnuSelectNone")->trigger();
    Q_EMIT w.playlist->doubleClicked(w.playlist->model()->index(0, 0));
    EXPECT_EQ(w.messages.beeps(), 1);
}

TEST(Form1, ImportsTheFilesPickedInTheDialog)
{
    Window w;
    w.form.findChild<QAction*>(u"mnuAutoReadTags"_s)->trigger();
    const QString a = w.files.write(u"a.mp3"_s, TestBytes::audio(300));
    w.files.write(u"b.mp3"_s, TestBytes::audio(300));
    const QString before = QDir::currentPath();
    QDir::setCurrent(w.files.folder()); // the dialog opens on the current folder
    // Operates the dialog from inside the window's wait for it: picks files and presses a button.
    const auto pick = [&](const char* button, bool all) {
        QTimer::singleShot(0, &w.form, [&w, button, all] {
            auto* dialog = w.form.findChild<ImportFiles*>();
            ASSERT_NE(dialog, nullptr);
            EXPECT_FALSE(w.playlist->isEnabled()); // the window waits for the dialog
            auto* list = dialog->findChild<QListWidget*>(u"File1"_s);
            if (all)
                list->selectAll();
            else
                list->item(0)->setSelected(true);
            QTest::mouseClick(dialog->findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
        });
    };
    pick("Command1", false);
    w.action("mnuImportFiles")->trigger();
    EXPECT_EQ(columnOf(w.form.model(), FileNameColumn), QStringList({a}));
    pick("Command1", true);
    w.action("mnuImportMissingFiles")->trigger();
    EXPECT_EQ(columnOf(w.form.model(), TitleColumn), QStringList({u"a"_s, u"b"_s}));
    pick("Command2", true);
    w.action("mnuImportFiles")->trigger();
    EXPECT_EQ(w.form.model().size(), 2);
    EXPECT_TRUE(w.playlist->isEnabled());
    EXPECT_EQ(w.form.focusWidget(), w.playlist);
    QDir::setCurrent(before);
}

namespace {

// Answers the next file dialog with path (cancels it when path is empty), from inside its wait.
void answerFileDialog(const QString& path)
{
    QTimer::singleShot(0, [path] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        if (path.isEmpty()) {
            dialog->reject();
            return;
        }
        dialog->selectFile(path);
        static_cast<QDialog*>(dialog)->accept(); // public on the base, as the Open button calls it
    });
}

QByteArray m3u(const QStringList& paths)
{
    return "#EXTM3U\r\n" + paths.join(u"\r\n"_s).toUtf8() + "\r\n";
}

} // namespace

TEST(Form1, SavesOnlyToThePlaylistItOpenedOrSavedAndMarksChanges)
{
    Window w;
    const QString song = w.files.write(u"song.mp3"_s, TestBytes::audio(300));
    const QString a = w.files.write(u"a.m3u"_s, m3u({song}));
    const QByteArray bBytes = "[playlist]\r\nFile1=" + song.toUtf8() + "\r\nNumberOfEntries=1\r\n";
    const QString b = w.files.write(u"b.pls"_s, bBytes);
    const QString binary = w.files.write(u"binary.pls"_s, QByteArray("\x00\x01\x02\xff", 4));

    // Opened from the command line: the file is remembered, the caption names it.
    w.form.openPlaylist(a);
    EXPECT_EQ(w.form.playlistFileName(), a);
    EXPECT_FALSE(w.form.isModified());
    EXPECT_EQ(w.form.windowTitle(), u"a.m3u - Sondrel"_s);

    // An imported playlist joins the rows; Save still writes the playlist's own file.
    answerFileDialog(b);
    w.action("mnuImportPlaylist")->trigger();
    EXPECT_EQ(w.form.model().size(), 2);
    EXPECT_TRUE(w.form.isModified());
    EXPECT_EQ(w.form.windowTitle(), u"a.m3u* - Sondrel"_s);
    w.action("mnuSavePlaylist")->trigger();
    EXPECT_EQ(TestFiles::read(b), bBytes);
    EXPECT_EQ(TestFiles::read(a).count(song.toUtf8()), 2);
    EXPECT_FALSE(w.form.isModified());

    // Reading tags changes no saved column; sorting does.
    w.readToTheEnd();
    EXPECT_FALSE(w.form.isModified());
    QTest::mouseClick(w.playlist->header()->viewport(), Qt::LeftButton, {},
        QPoint(w.playlist->header()->sectionViewportPosition(TitleColumn) + 5, 5));
    EXPECT_TRUE(w.form.isModified());
    w.action("mnuSavePlaylist")->trigger();

    // A file that does not load never becomes the file Save writes to: Save asks for a name.
    const QByteArray aBytes = TestFiles::read(a);
    answerFileDialog(binary);
    w.action("mnuOpenPlaylist")->trigger();
    EXPECT_EQ(w.form.playlistFileName(), QString());
    answerFileDialog({});
    w.action("mnuSavePlaylist")->trigger();
    EXPECT_EQ(TestFiles::read(a), aBytes);
    EXPECT_EQ(TestFiles::read(binary), QByteArray("\x00\x01\x02\xff", 4));
}

TEST(Form1, AsksToSaveChangesBeforeTheyWouldBeLost)
{
    using Answer = Messages::Answer;
    struct Case {
        const char* name;
        const char* action;
        Answer answer;
        bool listKept;
        int entriesSaved; // in a.m3u afterwards
    } const cases[] = {
        {"new, cancel", "mnuNewPlaylist", Answer::Cancel, true, 1},
        {"new, discard", "mnuNewPlaylist", Answer::Discard, false, 1},
        {"new, save", "mnuNewPlaylist", Answer::Save, false, 2},
        {"exit, cancel", "mnuExit", Answer::Cancel, true, 1},
        {"exit, discard", "mnuExit", Answer::Discard, false, 1},
        {"exit, save", "mnuExit", Answer::Save, false, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Window w;
        const QString song = w.files.write(u"song.mp3"_s, TestBytes::audio(300));
        const QString a = w.files.write(u"a.m3u"_s, m3u({song}));
        w.form.openPlaylist(a);
        w.action("mnuNewPlaylist")->trigger(); // unmodified: no question
        EXPECT_TRUE(w.messages.shown().empty());
        EXPECT_EQ(w.form.model().size(), 0);
        w.form.openPlaylist(a);
        w.form.importChosenFiles({song}, false);
        w.messages.scriptAnswers({c.answer});
        w.action(c.action)->trigger();
        ASSERT_EQ(w.messages.shown().size(), 1u);
        EXPECT_EQ(w.messages.shown()[0].text, u"Save changes to a.m3u?"_s);
        EXPECT_EQ(w.messages.shown()[0].buttons, Messages::Buttons::SaveDiscardCancel);
        const bool exiting = QString::fromLatin1(c.action) == u"mnuExit"_s;
        EXPECT_EQ(exiting ? w.form.isVisible() : w.form.model().size() == 2, c.listKept);
        EXPECT_EQ(TestFiles::read(a).count(song.toUtf8()), c.entriesSaved);
    }
}

TEST(Form1, ImportClearsTheSortMarkAndReadingProgressKeepsUpWithAMessage)
{
    // Notes what the status bar says at the moment a message is shown.
    struct StatusAtMessage : RecordingMessages {
        QLabel* status = nullptr;
        QStringList seen;
        Answer show(const QString& text, const QString& title, Icon icon, Buttons buttons) override
        {
            seen.append(status->text());
            return RecordingMessages::show(text, title, icon, buttons);
        }
    };
    Window w;
    StatusAtMessage messages;
    messages.status = w.form.findChild<QLabel*>(u"statusText"_s);
    w.addFiles({u"1.mp3"_s, u"2.mp3"_s});
    QTest::mouseClick(w.playlist->header()->viewport(), Qt::LeftButton, {},
        QPoint(w.playlist->header()->sectionViewportPosition(TitleColumn) + 5, 5));
    EXPECT_TRUE(w.playlist->header()->isSortIndicatorShown());
    w.readToTheEnd();

    w.addFiles({u"3.mp3"_s, u"4.mp3"_s});
    EXPECT_FALSE(w.playlist->header()->isSortIndicatorShown());
    w.form.importChosenFiles({w.files.path(u"gone.mp3"_s)}, false);
    w.readToTheEnd();
    ASSERT_EQ(messages.seen.size(), 1);
    EXPECT_TRUE(messages.seen[0].endsWith(u"Reading tags: 4 of 5"_s)) << messages.seen[0].toStdString();
}
