#include "ui/Form1.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>

#include <gtest/gtest.h>

#include "playlist/RowCommands.h"
#include "support/WindowFixture.h"
#include "ui/ImportFiles.h"
#include "ui/PlaylistView.h"
#include "ui/ProblemsPanel.h"
#include "ui/WindowSettings.h"

using namespace Qt::StringLiterals;
using Answer = Messages::Answer;

namespace {

QByteArray m3u(const QStringList& paths)
{
    return "#EXTM3U\r\n" + paths.join(u"\r\n"_s).toUtf8() + "\r\n";
}

} // namespace

// Every menu command, triggered with its dialogs and questions cancelled, leaves the window taking
// commands: no command's early return leaves it busy, frozen or with its commands off.
TEST(Form1, EveryMenuCommandGivesTheWindowBack)
{
    WindowFixture w;
    // Cancels every dialog the window waits for (its file dialogs are scripted to cancel).
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, &w.form, [&w] {
        for (QDialog* dialog : w.form.findChildren<QDialog*>()) {
            if (dialog->isVisible())
                dialog->reject();
        }
    });
    closer.start(10);
    QStringList triggered;
    for (QAction* menu : w.form.menuBar()->actions()) {
        for (QAction* item : menu->menu()->actions()) {
            if (item->isSeparator() || item->objectName() == u"mnuExit")
                continue;
            SCOPED_TRACE(item->objectName().toStdString());
            if (w.model().size() == 0)
                w.addFiles({u"a.mp3"_s});
            w.trigger("mnuSelectAll");
            item->trigger();
            w.readToTheEnd();
            EXPECT_TRUE(w.takesCommands());
            // Undo and Redo are enabled only while there is something to undo or redo.
            if (item->objectName() != u"mnuUndo" && item->objectName() != u"mnuRedo") {
                EXPECT_TRUE(item->isEnabled());
            }
            triggered.append(item->objectName());
        }
    }
    EXPECT_TRUE(triggered.contains(u"mnuCopyFiles"_s));
    w.messages.scriptAnswers({Answer::Discard});
    w.trigger("mnuExit");
    EXPECT_FALSE(w.form.isVisible());
}

// Within a menu, the rows' context menu too, no two items share an access key, and every item of
// Edit, Actions and the context menu has one.
TEST(Form1, MenuItemsHaveDistinctAccessKeys)
{
    WindowFixture w(false);
    w.addFiles({u"a.mp3"_s});
    QList<QMenu*> menus;
    for (QAction* menu : w.form.menuBar()->actions())
        menus.append(menu->menu());
    const std::unique_ptr<QMenu> rows(w.form.rowMenuAt(w.playlist->visualRect(w.model().index(0, 0)).center()));
    menus.append(rows.get());
    for (const QMenu* menu : menus) {
        SCOPED_TRACE(menu->objectName().toStdString());
        const bool everyItem
            = menu->objectName() == u"mnuEdit" || menu->objectName() == u"mnuActions" || menu == rows.get();
        QSet<QKeySequence> keys;
        for (const QAction* item : menu->actions()) {
            if (item->isSeparator())
                continue;
            const QKeySequence key = QKeySequence::mnemonic(item->text());
            EXPECT_TRUE(!everyItem || !key.isEmpty()) << item->text().toStdString();
            EXPECT_TRUE(key.isEmpty() || !keys.contains(key)) << item->text().toStdString();
            keys.insert(key);
        }
    }
}

// With Collect Read Errors on, files that fail show no box: the Problems panel lists them and
// opens by itself, and reading goes on.
TEST(Form1, CollectsReadErrorsInTheProblemsPanel)
{
    WindowFixture w;
    w.action("mnuCollectReadErrors")->setChecked(true);
    auto* panel = w.form.findChild<ProblemsPanel*>(u"problemsPanel"_s);
    EXPECT_FALSE(panel->isVisibleTo(&w.form));
    w.form.importChosenFiles({w.files.path(u"gone.mp3"_s), w.files.path(u"lost.mp3"_s)}, false);
    w.addFiles({u"a.mp3"_s});
    w.readToTheEnd();
    EXPECT_TRUE(w.messages.texts().isEmpty());
    EXPECT_EQ(panel->count(), 2);
    EXPECT_TRUE(panel->isVisibleTo(&w.form));
    EXPECT_EQ(w.column(QuickTagColumn), QStringList({u"(error)"_s, u"(error)"_s, u"Band - a"_s}));
    // Options > Show Problems closes and opens it again.
    w.trigger("mnuShowProblems");
    EXPECT_FALSE(panel->isVisibleTo(&w.form));
    w.trigger("mnuShowProblems");
    EXPECT_TRUE(panel->isVisibleTo(&w.form));
    w.action("mnuCollectReadErrors")->trigger();
    EXPECT_FALSE(WindowSettings::collectReadErrors());
}

TEST(Form1, ReadsTagsInTheOrderFilesWereAddedAndReportsAFailureOnce)
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
    WindowFixture w;
    StatusAtMessage messages;
    messages.status = w.form.findChild<QLabel*>(u"statusText"_s);
    w.addFiles({u"c.mp3"_s});
    w.readToTheEnd();
    w.form.importChosenFiles({w.files.path(u"gone.mp3"_s)}, false);
    w.addFiles({u"a.mp3"_s});
    // Sorting does not change the reading order; the same header again flips the order.
    w.clickHeader(TitleColumn);
    EXPECT_EQ(w.column(TitleColumn), QStringList({u"a"_s, u"c"_s, u"gone"_s}));
    EXPECT_TRUE(w.playlist->header()->isSortIndicatorShown());
    w.readToTheEnd();
    EXPECT_EQ(w.column(QuickTagColumn), QStringList({u"Band - a"_s, u"Band - c"_s, u"(error)"_s}));
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_TRUE(messages.shown()[0].text.startsWith(u"Error with "_s + w.files.path(u"gone.mp3"_s)));
    EXPECT_TRUE(messages.seen[0].endsWith(u"Reading tags: 1 of 3"_s)) << messages.seen[0].toStdString();
    w.clickHeader(TitleColumn);
    EXPECT_EQ(w.column(TitleColumn), QStringList({u"gone"_s, u"c"_s, u"a"_s}));
    // Read Tags Now afterwards reads nothing again.
    w.trigger("mnuReadTagsNow");
    w.readToTheEnd();
    EXPECT_EQ(messages.shown().size(), 1u);
    // Added rows clear the sort mark; New Playlist during reading stops it.
    w.addFiles({u"d.mp3"_s});
    EXPECT_FALSE(w.playlist->header()->isSortIndicatorShown());
    ASSERT_TRUE(w.timer->isActive());
    messages.scriptAnswers({Answer::Discard});
    w.trigger("mnuNewPlaylist");
    EXPECT_EQ(w.model().size(), 0);
    EXPECT_FALSE(w.form.readIterator().has_value());
    w.readToTheEnd();
}

TEST(Form1, MovesAndDeletesSelectedRowsFromTheKeyboardAndTheArrows)
{
    WindowFixture w(false);
    w.addFiles({u"1.mp3"_s, u"2.mp3"_s, u"3.mp3"_s, u"4.mp3"_s, u"5.mp3"_s});
    EXPECT_FALSE(w.timer->isActive()); // Auto-Read Tags is off: reading waits for Read Tags Now
    EXPECT_EQ(w.model().text(0, QuickTagColumn), u"..."_s);
    w.selectRows({1, 2});
    QTest::mouseClick(w.form.findChild<QToolButton*>(u"UpDown1Up"_s), Qt::LeftButton);
    EXPECT_EQ(w.column(TitleColumn), QStringList({u"2"_s, u"3"_s, u"1"_s, u"4"_s, u"5"_s}));
    QTest::mouseClick(w.form.findChild<QToolButton*>(u"UpDown1Down"_s), Qt::LeftButton);
    EXPECT_EQ(w.column(TitleColumn), QStringList({u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s}));
    // Ctrl+Down and Ctrl+Up on the list do the same.
    w.playlist->setFocus();
    QTest::keyClick(w.playlist, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(w.column(TitleColumn), QStringList({u"1"_s, u"4"_s, u"2"_s, u"3"_s, u"5"_s}));
    QTest::keyClick(w.playlist, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(w.column(TitleColumn), QStringList({u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s}));

    // Del with the reader standing on a deleted entry: reading goes on with the rest.
    w.trigger("mnuReadTagsNow");
    w.readToTheEnd();
    EXPECT_EQ(w.model().text(0, QuickTagColumn), u"Band - 1"_s);
    w.form.importChosenFiles({w.files.write(u"6.mp3"_s, TestBytes::audio(300))}, false);
    w.selectRows({1, 2});
    w.playlist->setFocus();
    QTest::keyClick(w.playlist, Qt::Key_Delete);
    EXPECT_EQ(w.column(TitleColumn), QStringList({u"1"_s, u"4"_s, u"5"_s, u"6"_s}));
    w.trigger("mnuReadTagsNow");
    w.readToTheEnd();
    EXPECT_EQ(w.model().text(3, QuickTagColumn), u"(none)"_s);

    // Deleting every row leaves an empty playlist, marked modified.
    w.trigger("mnuSelectAll");
    w.trigger("mnuDeleteSelected");
    EXPECT_EQ(w.model().size(), 0);
    EXPECT_FALSE(w.form.readIterator().has_value());
    EXPECT_TRUE(w.form.isModified());
}

TEST(Form1, ImportsFilesPickedOrMissingOnlyOnceAndBeepsOnADoubleClickWithoutSelection)
{
    WindowFixture w;
    const QStringList paths = w.addFiles({u"a.mp3"_s});
    w.dialogs.imports = {{paths[0].toUpper(), paths[0], w.files.path(u"b.mp3"_s)}, {paths[0]}};
    w.trigger("mnuImportMissingFiles"); // b only
    w.trigger("mnuImportFiles"); // a again

    w.trigger("mnuSelectNone");
    Q_EMIT w.playlist->doubleClicked(w.playlist->model()->index(0, 0));
    EXPECT_EQ(w.messages.beeps(), 1);

    // The window's own Import Files dialog, waited for with the window's commands off: Import adds
    // the files picked, Cancel nothing.
    w.form.setFileDialogs(nullptr);
    const QString before = QDir::currentPath();
    QDir::setCurrent(w.files.folder()); // the dialog opens on the current folder
    for (const char* button : {"Command1", "Command2"}) {
        w.whenShown<ImportFiles>([&w, button](ImportFiles& dialog) {
            EXPECT_FALSE(w.takesCommands());
            dialog.findChild<QListWidget*>(u"File1"_s)->selectAll();
            QTest::mouseClick(dialog.findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
        });
        w.trigger("mnuImportFiles");
        EXPECT_EQ(w.column(FileNameColumn), QStringList({paths[0], w.files.path(u"b.mp3"_s), paths[0], paths[0]}));
        EXPECT_TRUE(w.takesCommands());
        EXPECT_EQ(w.form.focusWidget(), w.playlist);
    }
    QDir::setCurrent(before);
}

// Open, change, Save, Save As, reopen: the files hold exactly what the window showed.
TEST(Form1, OpensSavesAndSavesAsThroughTheFileDialogs)
{
    WindowFixture w;
    const QString song = w.files.write(u"song.mp3"_s, TestBytes::audio(300));
    const QString other = w.files.write(u"other.mp3"_s, TestBytes::audio(300));
    const QString a = w.files.write(u"a.m3u"_s, m3u({song}));
    const QByteArray bBytes = "[playlist]\r\nFile1=" + other.toUtf8() + "\r\nNumberOfEntries=1\r\n";
    const QString b = w.files.write(u"b.pls"_s, bBytes);
    const QString c = w.files.path(u"c.m3u"_s);
    const QString binary = w.files.write(u"binary.pls"_s, QByteArray("\x00\x01\x02\xff", 4));

    w.dialogs.playlists = {a, b};
    w.trigger("mnuOpenPlaylist");
    EXPECT_EQ(w.form.playlistFileName(), a);
    EXPECT_EQ(w.form.windowTitle(), u"a.m3u - Sondrel"_s);
    // An imported playlist joins the rows; Save still writes the playlist's own file.
    w.trigger("mnuImportPlaylist");
    EXPECT_EQ(w.form.windowTitle(), u"a.m3u* - Sondrel"_s);
    w.trigger("mnuSavePlaylist");
    EXPECT_EQ(TestFiles::read(b), bBytes);
    const QByteArray saved = TestFiles::read(a);
    EXPECT_TRUE(saved.contains(song.toUtf8()) && saved.contains(other.toUtf8()));
    EXPECT_FALSE(w.form.isModified());

    // Reading tags changes no saved column; sorting does. Save As writes the new order elsewhere.
    w.readToTheEnd();
    EXPECT_FALSE(w.form.isModified());
    w.clickHeader(FileNameColumn);
    w.clickHeader(FileNameColumn);
    EXPECT_TRUE(w.form.isModified());
    w.dialogs.playlists = {c};
    w.trigger("mnuSavePlaylistAs");
    EXPECT_EQ(w.form.playlistFileName(), c);
    EXPECT_EQ(TestFiles::read(a), saved);
    EXPECT_EQ(w.column(FileNameColumn), QStringList({song, other}));
    w.dialogs.playlists = {c};
    w.trigger("mnuOpenPlaylist");
    EXPECT_EQ(w.column(FileNameColumn), QStringList({song, other}));
    const QByteArray cBytes = TestFiles::read(c);
    w.trigger("mnuSavePlaylist");
    EXPECT_EQ(TestFiles::read(c), cBytes);
    // Each dialog opens on the last name chosen; Save As on the playlist's own file.
    using Asked = std::pair<QString, QString>;
    EXPECT_EQ(w.dialogs.asked,
        std::vector<Asked>({{u"Open a Playlist"_s, {}}, {u"Import a Playlist"_s, a}, {u"Save Playlist As"_s, a},
            {u"Open a Playlist"_s, c}}));

    // A file that does not load never becomes the file Save writes to: Save asks for a name.
    w.dialogs.playlists = {binary, std::nullopt};
    w.trigger("mnuOpenPlaylist");
    EXPECT_EQ(w.form.playlistFileName(), QString());
    EXPECT_EQ(w.form.windowTitle(), u"Sondrel"_s); // nothing was read, so nothing is unsaved
    w.trigger("mnuSavePlaylist");
    EXPECT_EQ(w.dialogs.asked.back().first, u"Save Playlist As"_s);
    EXPECT_EQ(TestFiles::read(c), cBytes);
    EXPECT_EQ(TestFiles::read(binary), QByteArray("\x00\x01\x02\xff", 4));
    EXPECT_TRUE(w.takesCommands());
}

TEST(Form1, AsksToSaveChangesBeforeTheyWouldBeLost)
{
    struct Case {
        const char* name;
        const char* action;
        Answer answer;
        std::optional<QString> saveAs; // the Save As answer when the playlist has no file
        bool listKept;
        int entriesSaved; // in the saved file afterwards
    } const cases[] = {
        {"new, cancel", "mnuNewPlaylist", Answer::Cancel, {}, true, 0},
        {"new, discard", "mnuNewPlaylist", Answer::Discard, {}, false, 0},
        {"new, save as", "mnuNewPlaylist", Answer::Save, u"new.m3u"_s, false, 1},
        {"new, save as cancelled", "mnuNewPlaylist", Answer::Save, {}, true, 0},
        {"open, cancel", "mnuOpenPlaylist", Answer::Cancel, {}, true, 0},
        {"exit, cancel", "mnuExit", Answer::Cancel, {}, true, 0},
        {"exit, discard", "mnuExit", Answer::Discard, {}, false, 0},
        {"exit, save as", "mnuExit", Answer::Save, u"new.m3u"_s, false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WindowFixture w(false);
        w.trigger("mnuNewPlaylist"); // unmodified: no question
        EXPECT_TRUE(w.messages.shown().empty());
        const QString song = w.addFiles({u"song.mp3"_s})[0];
        w.messages.scriptAnswers({c.answer});
        if (c.saveAs)
            w.dialogs.playlists = {w.files.path(*c.saveAs)};
        w.trigger(c.action);
        ASSERT_EQ(w.messages.shown().size(), 1u);
        EXPECT_EQ(w.messages.shown()[0].text, u"Save changes to Untitled?"_s);
        EXPECT_EQ(w.messages.shown()[0].buttons, Messages::Buttons::SaveDiscardCancel);
        const bool exiting = QString::fromLatin1(c.action) == u"mnuExit"_s;
        EXPECT_EQ(exiting ? w.form.isVisible() : w.model().size() == 1, c.listKept);
        EXPECT_EQ(TestFiles::read(w.files.path(u"new.m3u"_s)).count(song.toUtf8()), c.entriesSaved);
    }
}

// The header's menu hides any column but "File Name"; hidden columns, the ID3v2 version for new
// tags and the tag in use come back in the next window, and the tag in use picks the field columns.
TEST(Form1, RemembersColumnsAndTagOptionsAcrossRuns)
{
    {
        WindowFixture w(false);
        QMenu* menu = static_cast<PlaylistView*>(w.playlist)->headerMenu(CommentColumn);
        EXPECT_EQ(menu->findChild<QAction*>(u"mnuColumn0"_s), nullptr); // File Name always stays
        menu->findChild<QAction*>(u"mnuColumn%1"_s.arg(AlbumColumn))->trigger();
        EXPECT_TRUE(w.playlist->isColumnHidden(AlbumColumn));
        delete menu;
        EXPECT_TRUE(w.action("mnuNewTagVersion24")->isChecked());
        EXPECT_TRUE(w.action("mnuFormatStringsUseID3v1")->isChecked());
        w.trigger("mnuNewTagVersion23");
        w.trigger("mnuFormatStringsUseID3v2");
        EXPECT_EQ(w.model().formatStringsUse(), TagChoice::Id3v2);
        EXPECT_EQ(w.model().newTagVersion(), 3);
    }
    WindowFixture again(false);
    EXPECT_TRUE(again.playlist->isColumnHidden(AlbumColumn));
    EXPECT_FALSE(again.playlist->isColumnHidden(FileNameColumn));
    EXPECT_TRUE(again.action("mnuNewTagVersion23")->isChecked());
    EXPECT_EQ(again.model().formatStringsUse(), TagChoice::Id3v2);
    EXPECT_EQ(again.model().newTagVersion(), 3);
    // Back to the defaults, for the tests that run after this one in the same process.
    again.trigger("mnuNewTagVersion24");
    again.trigger("mnuFormatStringsUseID3v1");
    again.playlist->setColumnHidden(AlbumColumn, false);
}

// Select Mismatched Rows reads the tags not read yet and selects exactly the rows whose file name,
// title and tag disagree, the first of them current; with none, it says so and selects nothing.
TEST(Form1, SelectsTheMismatchedRowsOrSaysThatEveryRowAgrees)
{
    WindowFixture w(false);
    const auto tagged = [&w](const QString& name, const char* title, const char* artist) {
        return w.files.write(name, TestBytes::audio(300) + TestBytes::id3v1({title, artist, "", "", "", 0, 0}));
    };
    w.form.importChosenFiles(
        {tagged(u"Band - Song.mp3"_s, "Song", "Band"), tagged(u"Band - Hit.mp3"_s, "Other", "Band"),
            w.files.write(u"Untagged.mp3"_s, TestBytes::audio(300)), tagged(u"x_y.mp3"_s, "Y", "X"),
            tagged(u"Tune.mp3"_s, "Tune 2", "")},
        false);
    w.selectRows({0});
    w.trigger("mnuSelectMismatched");
    EXPECT_EQ(RowCommands::selectedRows(w.model()), std::vector<bool>({false, true, false, false, true}));
    EXPECT_EQ(w.playlist->currentIndex().row(), 1);
    EXPECT_TRUE(w.form.findChild<QLabel*>(u"statusText"_s)->text().contains(u"2 selected"_s));
    EXPECT_TRUE(w.messages.texts().isEmpty());
    // No file has an ID3v2 tag: with that tag in use, names and titles alone are compared.
    w.model().setFormatStringsUse(TagChoice::Id3v2);
    w.trigger("mnuSelectMismatched");
    EXPECT_FALSE(w.model().selectionModel()->hasSelection());
    EXPECT_EQ(w.messages.texts(), QStringList({u"Every row's file name, title and tag agree."_s}));
    EXPECT_TRUE(w.takesCommands());
}

TEST(Form1, FitsTheScreenAndResetsItsLayout)
{
    WindowFixture w(false);
    // The playlist's five columns fit the window as it first opens.
    w.trigger("mnuResetLayout");
    const QSize available = w.form.screen()->availableGeometry().size();
    EXPECT_LE(w.form.width(), available.width());
    EXPECT_LE(w.form.height(), available.height());
    // At its designed size, which a 1280x800 screen leaves it, the playlist's five columns show whole.
    w.form.resize(1100, 650);
    QTest::qWait(1);
    int five = 0;
    for (int column = FileNameColumn; column <= LengthColumn; ++column)
        five += w.playlist->columnWidth(column);
    EXPECT_LE(five, w.playlist->viewport()->width());

    // Moved, hidden and narrowed columns come back.
    w.playlist->header()->moveSection(w.playlist->header()->visualIndex(TitleColumn), PlaylistColumnCount - 1);
    w.playlist->setColumnHidden(QuickTagColumn, true);
    w.playlist->setColumnWidth(LengthColumn, 3);
    w.trigger("mnuResetLayout");
    for (int column = 0; column < PlaylistColumnCount; ++column) {
        EXPECT_EQ(w.playlist->header()->visualIndex(column), column);
        EXPECT_FALSE(w.playlist->isColumnHidden(column));
    }
    EXPECT_GT(w.playlist->columnWidth(LengthColumn), 3);

    // The whole path on hover, however it is shortened.
    const QStringList paths = w.addFiles({u"a.mp3"_s});
    EXPECT_EQ(w.model().index(0, FileNameColumn).data(Qt::ToolTipRole).toString(), paths[0]);
    EXPECT_FALSE(w.model().index(0, TitleColumn).data(Qt::ToolTipRole).isValid());
}

TEST(Form1, TheRowsContextMenuOffersTheCommandsAndTheFile)
{
    WindowFixture w(false);
    const QStringList paths = w.addFiles({u"a.mp3"_s, u"b.mp3"_s});
    w.selectRows({0});
    // On a row that is not selected: that row alone becomes the selection.
    QMenu* menu = w.form.rowMenuAt(w.playlist->visualRect(w.model().index(1, 0)).center());
    EXPECT_EQ(RowCommands::selectedRows(w.model()), std::vector<bool>({false, true}));
    QStringList names;
    for (const QAction* action : menu->actions()) {
        if (!action->isSeparator())
            names.append(action->objectName());
    }
    EXPECT_EQ(names.first(), u"mnuEditTag"_s);
    EXPECT_TRUE(names.contains(u"mnuFileNameEqualsTag"_s) && names.contains(u"mnuCopyFiles"_s));
    EXPECT_EQ(names.mid(names.size() - 4),
        QStringList(
            {u"mnuDeleteSelected"_s, u"mnuFindMissingFiles"_s, u"mnuOpenContainingFolder"_s, u"mnuCopyPath"_s}));
    menu->findChild<QAction*>(u"mnuCopyPath"_s)->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), paths[1]);
    EXPECT_TRUE(menu->findChild<QAction*>(u"mnuOpenContainingFolder"_s)->isEnabled());
    delete menu;
    // Below the rows: no file to open or copy.
    menu = w.form.rowMenuAt(QPoint(5, w.playlist->viewport()->height() - 2));
    EXPECT_FALSE(menu->findChild<QAction*>(u"mnuCopyPath"_s)->isEnabled());
    delete menu;
}

TEST(Form1, RecentPlaylistsReopenAndGreyTheMissingOnes)
{
    WindowFixture w(false);
    WindowSettings::setRecentPlaylists({});
    const QString a = w.files.write(u"a.m3u"_s, "#EXTM3U\r\n/m/a.mp3\r\n");
    const QString b = w.files.write(u"b & c.m3u"_s, "#EXTM3U\r\n/m/b.mp3\r\n/m/c.mp3\r\n");
    for (const QString& path : {a, b, a}) {
        w.dialogs.playlists.push_back(path);
        w.trigger("mnuOpenPlaylist");
    }
    EXPECT_EQ(WindowSettings::recentPlaylists(), QStringList({a, b}));
    auto* menu = w.form.findChild<QMenu*>(u"mnuRecentPlaylists"_s);
    const auto items = [menu] {
        Q_EMIT menu->aboutToShow();
        return menu->actions();
    };
    // The newest first; an "&" in a name is shown, not taken as an access key.
    EXPECT_EQ(items()[1]->text(), QString(b).replace(u'&', u"&&"_s));
    items()[1]->trigger();
    EXPECT_EQ(w.model().size(), 2);
    EXPECT_EQ(WindowSettings::recentPlaylists(), QStringList({b, a}));
    // A playlist that went is greyed until Remove Missing Playlists takes it away.
    ASSERT_TRUE(QFile::remove(a));
    EXPECT_FALSE(items()[1]->isEnabled());
    menu->findChild<QAction*>(u"mnuRemoveMissingPlaylists"_s)->trigger();
    EXPECT_EQ(WindowSettings::recentPlaylists(), QStringList({b}));
    WindowSettings::setRecentPlaylists({});
}
