// Find Missing Files and the paths a saved playlist writes, in the window on real files.

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

#include "support/WindowFixture.h"
#include "ui/FileDialogs.h"
#include "ui/RelinkPreview.h"
#include "ui/SearchFolders.h"
#include "ui/WindowSettings.h"

using namespace Qt::StringLiterals;

TEST(FindMissingFiles, RelinksTheRowsTheUserKeepsAndNothingOnCancel)
{
    for (const bool relink : {true, false}) {
        SCOPED_TRACE(relink ? "Relink" : "Cancel");
        WindowFixture w(false);
        const QStringList paths = w.addFiles({u"a.mp3"_s, u"dup.mp3"_s, u"gone.mp3"_s});
        // a moved; dup moved twice over, to x and y; gone is gone.
        QDir folder(w.files.folder());
        ASSERT_TRUE(folder.mkpath(u"moved/x"_s) && folder.mkpath(u"moved/y"_s));
        ASSERT_TRUE(folder.rename(u"a.mp3"_s, u"moved/a.mp3"_s));
        ASSERT_TRUE(QFile::copy(paths[1], w.files.path(u"moved/x/dup.mp3"_s)));
        ASSERT_TRUE(folder.rename(u"dup.mp3"_s, u"moved/y/dup.mp3"_s));
        ASSERT_TRUE(folder.remove(u"gone.mp3"_s));
        // Read while missing, the rows' files failed: a relinked row reads its new file all the same.
        for (qsizetype row = 0; row < w.model().size(); ++row)
            w.model().findItem(row)->ReadTag();
        w.whenShown<SearchFolders>([&w](SearchFolders& dialog) {
            dialog.findChild<QListWidget*>(u"searchFolders"_s)->clear();
            dialog.addFolder(w.files.path(u"moved"_s));
            dialog.findChild<QPushButton*>(u"searchButton"_s)->click();
        });
        w.whenShown<RelinkPreview>([relink](RelinkPreview& preview) {
            const QList<QComboBox*> choices = preview.findChildren<QComboBox*>();
            ASSERT_EQ(choices.size(), 1); // dup's two candidates, and "Leave as it is"
            EXPECT_EQ(choices[0]->count(), 3);
            choices[0]->setCurrentIndex(1);
            relink ? preview.findChild<QPushButton*>(u"relinkButton"_s)->click() : preview.reject();
        });
        w.trigger("mnuFindMissingFiles");
        EXPECT_EQ(w.column(FileNameColumn),
            relink ? QStringList({w.files.path(u"moved/a.mp3"_s), w.files.path(u"moved/y/dup.mp3"_s), paths[2]})
                   : paths);
        // Relinked rows show their files' tags.
        EXPECT_EQ(w.model().text(0, QuickTagColumn), relink ? u"Band - a"_s : u"(error)"_s);
        EXPECT_TRUE(w.takesCommands());
    }
}

TEST(FindMissingFiles, SaysSoWhenNothingIsMissing)
{
    WindowFixture w(false);
    w.addFiles({u"a.mp3"_s});
    w.trigger("mnuFindMissingFiles");
    EXPECT_EQ(w.messages.texts(), QStringList{u"No row of the playlist names a file that is missing."_s});
}

TEST(SavePlaylist, WritesPathsInTheFormChosenInTheSaveDialog)
{
    WindowFixture w(false);
    w.addFiles({u"a.mp3"_s});
    ASSERT_TRUE(QDir(w.files.folder()).mkdir(u"lists"_s));
    const QString saved = w.files.path(u"lists/list.m3u"_s);
    // The save dialog offers the forms and remembers the one chosen.
    WindowFileDialogs real(w.form);
    QTimer::singleShot(0, &w.form, [&] {
        auto* dialog = w.form.findChild<QFileDialog*>(u"dlgSavePlaylist"_s);
        ASSERT_NE(dialog, nullptr);
        auto* paths = dialog->findChild<QComboBox*>(u"cboPlaylistPaths"_s);
        ASSERT_NE(paths, nullptr);
        EXPECT_EQ(paths->currentText(), u"As they are"_s);
        paths->setCurrentIndex(paths->findText(u"Relative to the playlist"_s));
        dialog->selectFile(saved);
        QMetaObject::invokeMethod(dialog, &QDialog::accept);
    });
    EXPECT_EQ(real.playlistToSave(u"Save Playlist As"_s, w.files.folder()), saved);
    EXPECT_EQ(WindowSettings::playlistPaths(), PathForm::Relative);
    // Save and Save As write in the form remembered.
    w.dialogs.playlists.push_back(saved);
    w.trigger("mnuSavePlaylistAs");
    EXPECT_EQ(TestFiles::read(saved), "#EXTM3U\r\n#EXTINF:,a\r\n../a.mp3\r\n");
    WindowSettings::setPlaylistPaths(PathForm::AsTheyAre);
}
