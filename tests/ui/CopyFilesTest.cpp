#include <functional>

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include "support/RecordingMessages.h"
#include "support/TestFiles.h"
#include "ui/ChooseFolder.h"
#include "ui/CopyProgress.h"
#include "ui/Form1.h"

using namespace Qt::StringLiterals;

namespace {

// The window with files in a "source" folder and an empty "target" folder beside it, background
// reading off so that only the copy pass touches the files.
struct CopyWindow {
    RecordingMessages messages;
    TestFiles files;
    Form1 form;
    QTreeView* playlist = form.findChild<QTreeView*>(u"Playlist"_s);
    QString source = files.folder() + u"/source"_s;
    QString target = files.folder() + u"/target"_s;
    QStringList paths;

    explicit CopyWindow(int count)
    {
        form.show();
        form.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
        form.findChild<QAction*>(u"mnuAutoReadTags"_s)->trigger();
        EXPECT_TRUE(QDir().mkpath(source));
        EXPECT_TRUE(QDir().mkpath(target));
        for (int i = 0; i < count; ++i)
            paths.append(files.write(u"source/%1.mp3"_s.arg(i), TestBytes::audio(300 + i)));
        form.importChosenFiles(paths, false);
    }

    void selectRows(std::initializer_list<int> rows) const
    {
        playlist->selectionModel()->clearSelection();
        for (const int row : rows)
            playlist->selectionModel()->select(
                playlist->model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    // Runs Copy Files: the destination dialog is operated by answer from inside the window's wait.
    void copyFiles(const std::function<void(ChooseFolder&)>& answer)
    {
        QTimer::singleShot(0, &form, [this, answer] {
            auto* dialog = form.findChild<ChooseFolder*>();
            ASSERT_NE(dialog, nullptr);
            EXPECT_FALSE(playlist->isEnabled()); // the window waits for the dialog
            answer(*dialog);
        });
        form.findChild<QAction*>(u"mnuCopyFiles"_s)->trigger();
    }
    // Copies (or moves) the selected rows' files to folder with OK.
    void copyTo(const QString& folder, bool deleteOriginals)
    {
        copyFiles([folder, deleteOriginals](ChooseFolder& dialog) {
            dialog.openFolder(folder);
            dialog.findChild<QCheckBox*>(u"Check1"_s)->setChecked(deleteOriginals);
            QTest::mouseClick(dialog.findChild<QPushButton*>(u"OKButton"_s), Qt::LeftButton);
        });
    }
    // Runs act on the progress dialog once it is there (from the events the pass lets run).
    void whenProgressShown(const std::function<void(CopyProgress&)>& act)
    {
        QTimer::singleShot(0, &form, [this, act] {
            if (auto* progress = form.findChild<CopyProgress*>())
                act(*progress);
            else
                whenProgressShown(act);
        });
    }

    QStringList targetFiles() const { return QDir(target).entryList(QDir::Files, QDir::Name); }
    QString fileNameText(int row) { return form.model().text(row, FileNameColumn); }
    bool commandsEnabled() { return playlist->isEnabled() && form.menuBar()->isEnabled(); }
};

} // namespace

TEST(CopyFiles, CancelOrTheCloseBoxInTheDestinationDialogCopiesNothing)
{
    const std::vector<std::pair<const char*, std::function<void(ChooseFolder&)>>> ways = {
        {"Cancel",
            [](ChooseFolder& d) { QTest::mouseClick(d.findChild<QPushButton*>(u"CancelButton"_s), Qt::LeftButton); }},
        {"close box", [](ChooseFolder& d) { d.close(); }},
        {"Escape", [](ChooseFolder& d) { QTest::keyClick(&d, Qt::Key_Escape); }},
    };
    for (const auto& [name, cancel] : ways) {
        SCOPED_TRACE(name);
        CopyWindow w(2);
        w.selectRows({0, 1});
        w.copyFiles([&w, &cancel](ChooseFolder& dialog) {
            EXPECT_EQ(dialog.windowTitle(), u"Choose a Destination Folder");
            dialog.openFolder(w.target);
            dialog.findChild<QCheckBox*>(u"Check1"_s)->setChecked(true);
            cancel(dialog);
            EXPECT_TRUE(dialog.DestinationFolder().isEmpty());
            EXPECT_FALSE(dialog.DeleteOriginalsChosen());
        });
        EXPECT_TRUE(w.targetFiles().isEmpty());
        EXPECT_TRUE(QFile::exists(w.paths[0]));
        EXPECT_TRUE(w.commandsEnabled());
        EXPECT_EQ(w.form.focusWidget(), w.playlist);
        EXPECT_TRUE(w.messages.shown().empty());
    }
}

TEST(CopyFiles, CopiesTheSelectedRowsFilesOnlyWithOneProgressStepEach)
{
    CopyWindow w(10);
    w.selectRows({1, 4, 7});
    int maximum = -1;
    int last = -1;
    w.whenProgressShown([&](CopyProgress& progress) {
        EXPECT_EQ(progress.windowTitle(), u"Copy Progress");
        EXPECT_FALSE(w.commandsEnabled());
        auto* bar = progress.findChild<QProgressBar*>(u"ProgressBar1"_s);
        maximum = bar->maximum();
        QObject::connect(bar, &QProgressBar::valueChanged, &progress, [&last](int value) { last = value; });
    });
    w.copyTo(w.target, false);
    EXPECT_EQ(maximum, 3);
    EXPECT_EQ(last, 3);
    EXPECT_EQ(w.targetFiles(), QStringList({u"1.mp3"_s, u"4.mp3"_s, u"7.mp3"_s}));
    for (int row = 0; row < 10; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(w.fileNameText(row), w.paths[row]);
        EXPECT_EQ(TestFiles::read(w.paths[row]), TestBytes::audio(300 + row));
    }
    EXPECT_EQ(TestFiles::read(w.target + u"/4.mp3"_s), TestBytes::audio(304));
    EXPECT_TRUE(w.messages.shown().empty());
    EXPECT_TRUE(w.commandsEnabled());
    EXPECT_EQ(w.form.focusWidget(), w.playlist);
}

TEST(CopyFiles, CopyReplacesAFileOfTheSameNameAndMoveNeverDoes)
{
    struct Case {
        const char* name;
        bool move;
        Messages::Answer answer;
        bool secondMoved;
    };
    const Case cases[] = {
        {"copy", false, Messages::Answer::No, false},
        {"move, skip and go on", true, Messages::Answer::Yes, true},
        {"move, stop", true, Messages::Answer::No, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CopyWindow w(2);
        const QString taken = w.files.write(u"target/0.mp3"_s, "already here");
        w.selectRows({0, 1});
        w.messages.scriptAnswers({c.answer});
        w.copyTo(w.target, c.move);
        if (!c.move) {
            EXPECT_TRUE(w.messages.shown().empty());
            EXPECT_EQ(TestFiles::read(taken), TestBytes::audio(300));
            EXPECT_EQ(TestFiles::read(w.paths[0]), TestBytes::audio(300));
            continue;
        }
        ASSERT_EQ(w.messages.shown().size(), 1U);
        const RecordingMessages::Shown& shown = w.messages.shown()[0];
        EXPECT_TRUE(shown.text.startsWith(u"Could not move "_s + w.paths[0] + u" to "_s + taken + u": "_s))
            << shown.text.toStdString();
        EXPECT_TRUE(shown.text.endsWith(u".  Skip and continue?"_s));
        EXPECT_EQ(shown.title, u"Error:");
        EXPECT_EQ(shown.icon, Messages::Icon::Exclamation);
        EXPECT_EQ(shown.buttons, Messages::Buttons::YesNo);
        EXPECT_EQ(TestFiles::read(taken), QByteArray("already here"));
        EXPECT_EQ(TestFiles::read(w.paths[0]), TestBytes::audio(300));
        EXPECT_EQ(w.fileNameText(0), w.paths[0]);
        EXPECT_EQ(QFile::exists(w.target + u"/1.mp3"_s), c.secondMoved);
        EXPECT_EQ(QFile::exists(w.paths[1]), !c.secondMoved);
        EXPECT_EQ(w.fileNameText(1), c.secondMoved ? w.target + u"/1.mp3"_s : w.paths[1]);
    }
}

TEST(CopyFiles, MoveTakesTheRowAndItsEntryToTheNewPath)
{
    CopyWindow w(3);
    w.selectRows({1});
    const QString title = w.form.model().text(1, TitleColumn);
    w.copyTo(w.target, true);
    const QString moved = w.target + u"/1.mp3"_s;
    EXPECT_EQ(w.fileNameText(1), moved);
    EXPECT_EQ(w.form.model().findItem(1)->file(), moved);
    EXPECT_EQ(w.form.model().findItem(1)->item(), w.form.model().rowAt(1));
    EXPECT_EQ(w.form.model().text(1, TitleColumn), title);
    EXPECT_FALSE(QFile::exists(w.paths[1]));
    EXPECT_EQ(TestFiles::read(moved), TestBytes::audio(301));
    EXPECT_EQ(w.fileNameText(0), w.paths[0]);
    EXPECT_EQ(w.fileNameText(2), w.paths[2]);
    EXPECT_TRUE(w.messages.shown().empty());
}

TEST(CopyFiles, AFileCopiedOntoItselfIsReportedAndLeftAlone)
{
    CopyWindow w(2);
    w.selectRows({0, 1});
    w.messages.scriptAnswers({Messages::Answer::Yes, Messages::Answer::Yes});
    w.copyTo(w.source, false);
    ASSERT_EQ(w.messages.shown().size(), 2U);
    EXPECT_EQ(w.messages.shown()[0].text,
        u"Could not copy "_s + w.paths[0] + u" to "_s + w.paths[0]
            + u": Source and target are the same file.  Skip and continue?"_s);
    EXPECT_EQ(TestFiles::read(w.paths[0]), TestBytes::audio(300));
    EXPECT_EQ(TestFiles::read(w.paths[1]), TestBytes::audio(301));
    EXPECT_EQ(QDir(w.source).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

TEST(CopyFiles, CancelDuringThePassFinishesTheRowInHandAndStopsBeforeTheNext)
{
    const std::vector<std::pair<const char*, std::function<void(CopyProgress&)>>> ways = {
        {"Cancel",
            [](CopyProgress& p) { QTest::mouseClick(p.findChild<QPushButton*>(u"CancelButton"_s), Qt::LeftButton); }},
        {"close box", [](CopyProgress& p) { p.close(); }},
    };
    for (const auto& [name, cancel] : ways) {
        SCOPED_TRACE(name);
        CopyWindow w(4);
        w.selectRows({0, 2, 3});
        w.whenProgressShown(cancel);
        w.copyTo(w.target, true);
        EXPECT_EQ(w.targetFiles(), QStringList({u"0.mp3"_s}));
        EXPECT_EQ(w.fileNameText(0), w.target + u"/0.mp3"_s);
        EXPECT_EQ(w.fileNameText(2), w.paths[2]);
        EXPECT_TRUE(QFile::exists(w.paths[2]));
        EXPECT_TRUE(w.messages.shown().empty());
        EXPECT_TRUE(w.commandsEnabled());
        EXPECT_EQ(w.form.focusWidget(), w.playlist);
    }
}
