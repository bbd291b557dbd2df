#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QInputDialog>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSettings>

#include <gtest/gtest.h>

#include "support/WindowFixture.h"
#include "ui/ChooseFolder.h"
#include "ui/CollisionDialog.h"
#include "ui/CopyProgress.h"

using namespace Qt::StringLiterals;

namespace {

// The window with files in a "source" folder and an empty "target" folder beside it, background
// reading off so that only the copy pass touches the files.
struct CopyWindow : WindowFixture {
    QString source = files.folder() + u"/source"_s;
    QString target = files.folder() + u"/target"_s;
    QStringList paths;

    explicit CopyWindow(int count) : WindowFixture(false)
    {
        EXPECT_TRUE(QDir().mkpath(source));
        EXPECT_TRUE(QDir().mkpath(target));
        for (int i = 0; i < count; ++i)
            paths.append(files.write(u"source/%1.mp3"_s.arg(i), TestBytes::audio(300 + i)));
        form.importChosenFiles(paths, false);
    }
    // Copies (or moves) the selected rows' files to folder.
    void copyTo(const QString& folder, bool deleteOriginals)
    {
        dialogs.destinations = {FileDialogs::CopyDestination{folder, deleteOriginals, {}}};
        trigger("mnuCopyFiles");
    }
    QStringList targetFiles() const { return QDir(target).entryList(QDir::Files, QDir::Name); }
};

} // namespace

// The window's own destination dialog: OK copies there (or moves), the other ways out copy nothing.
TEST(CopyFiles, TheDestinationDialogHandsBackTheFolderOnlyOnOK)
{
    const char* const ways[] = {"OKButton", "CancelButton", "close box", "Escape"};
    for (const char* way : ways) {
        SCOPED_TRACE(way);
        CopyWindow w(2);
        w.form.setFileDialogs(nullptr);
        w.selectRows({0, 1});
        w.whenShown<ChooseFolder>([&w, way](ChooseFolder& dialog) {
            EXPECT_EQ(dialog.windowTitle(), u"Choose a Destination Folder");
            EXPECT_FALSE(w.takesCommands()); // the window waits for the dialog
            dialog.openFolder(w.target);
            dialog.findChild<QCheckBox*>(u"Check1"_s)->setChecked(true);
            if (auto* button = dialog.findChild<QPushButton*>(QString::fromLatin1(way)))
                QTest::mouseClick(button, Qt::LeftButton);
            else if (way == std::string_view("Escape"))
                QTest::keyClick(&dialog, Qt::Key_Escape);
            else
                dialog.close();
        });
        w.trigger("mnuCopyFiles");
        const bool ok = way == std::string_view("OKButton");
        EXPECT_EQ(w.targetFiles().size(), ok ? 2 : 0);
        EXPECT_EQ(QFile::exists(w.paths[0]), !ok); // moved: Delete Originals was ticked
        EXPECT_TRUE(w.takesCommands());
        EXPECT_EQ(w.form.focusWidget(), w.playlist);
        EXPECT_TRUE(w.messages.shown().empty());
    }
}

// The progress counts the selected rows, one step each; Cancel or the close box during the pass
// lets the row in hand finish and stops before the next.
TEST(CopyFiles, StepsOncePerSelectedRowAndCancelStopsBeforeTheNext)
{
    const char* const ways[] = {"none", "CancelButton", "close box"};
    for (const char* way : ways) {
        SCOPED_TRACE(way);
        CopyWindow w(4);
        w.selectRows({0, 2, 3});
        int maximum = -1, last = -1;
        w.whenShown<CopyProgress>([&](CopyProgress& progress) {
            EXPECT_EQ(progress.windowTitle(), u"Copy Progress");
            EXPECT_FALSE(w.takesCommands());
            auto* bar = progress.findChild<QProgressBar*>(u"ProgressBar1"_s);
            maximum = bar->maximum();
            QObject::connect(bar, &QProgressBar::valueChanged, &progress, [&last](int value) { last = value; });
            if (auto* button = progress.findChild<QPushButton*>(QString::fromLatin1(way)))
                QTest::mouseClick(button, Qt::LeftButton);
            else if (way != std::string_view("none"))
                progress.close();
        });
        w.copyTo(w.target, true);
        const bool all = way == std::string_view("none");
        EXPECT_EQ(maximum, 3);
        EXPECT_EQ(last, all ? 3 : 1);
        EXPECT_EQ(w.targetFiles(), all ? QStringList({u"0.mp3"_s, u"2.mp3"_s, u"3.mp3"_s}) : QStringList({u"0.mp3"_s}));
        // A move takes the row and its entry to the new path; rows not selected stay.
        EXPECT_EQ(w.model().text(0, FileNameColumn), w.target + u"/0.mp3"_s);
        EXPECT_EQ(w.model().findItem(0)->file(), w.target + u"/0.mp3"_s);
        EXPECT_EQ(w.model().findItem(0)->item(), w.model().rowAt(0));
        EXPECT_EQ(w.model().text(1, FileNameColumn), w.paths[1]);
        EXPECT_EQ(QFile::exists(w.paths[2]), !all);
        EXPECT_TRUE(w.messages.shown().empty());
        EXPECT_TRUE(w.takesCommands());
        EXPECT_EQ(w.form.focusWidget(), w.playlist);
    }
}

// The question about a taken name is asked once, its buttons give their answers, and a move is
// never offered Replace.
TEST(CopyFiles, ATakenNameIsAskedAboutOnceAndAMoveIsNeverOfferedReplace)
{
    const QByteArray already = "already here";
    const struct {
        bool move;
        const char* button; // none: Enter, which must never replace
        QByteArray zero; // target/0.mp3 afterwards
        bool keptBoth; // source/0.mp3 went to "target/0 (2).mp3"
    } cases[] = {
        {false, "cmdReplace", TestBytes::audio(300), false},
        {true, "cmdKeepBoth", already, true},
        {true, "cmdSkip", already, false},
        {false, nullptr, already, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button ? c.button : "Enter");
        CopyWindow w(2);
        const QString taken = w.files.write(u"target/0.mp3"_s, already);
        w.selectRows({0, 1});
        int asked = 0;
        w.whenShown<CollisionDialog>([&](CollisionDialog& question) {
            ++asked;
            EXPECT_EQ(question.findChild<QPushButton*>(u"cmdReplace"_s) != nullptr, !c.move);
            if (c.button)
                QTest::mouseClick(question.findChild<QPushButton*>(QString::fromLatin1(c.button)), Qt::LeftButton);
            else
                QTest::keyClick(&question, Qt::Key_Return);
        });
        w.copyTo(w.target, c.move);
        EXPECT_EQ(asked, 1);
        EXPECT_TRUE(w.messages.shown().empty());
        EXPECT_EQ(TestFiles::read(taken), c.zero);
        EXPECT_EQ(QFile::exists(w.target + u"/0 (2).mp3"_s), c.keptBoth);
        EXPECT_EQ(TestFiles::read(w.target + u"/1.mp3"_s), TestBytes::audio(301));
    }
}

// "Also write a playlist there" writes one named after the open playlist, in the format chosen; the
// dialog remembers both, and starts on the playlist's own format until a format was chosen.
TEST(CopyFiles, AlsoWritesAPlaylistThereAndRemembersTheChoice)
{
    // The choices are remembered in the tests' own settings; the other tests expect none.
    const auto forget = [] { QSettings(u"Sondrel"_s, u"Sondrel"_s).remove(u"copy"_s); };
    forget();
    const auto forgetAtTheEnd = qScopeGuard(forget);
    const struct {
        const char* name;
        QString savedAs; // the open playlist's file, empty for one never saved
        bool ticked; // the box as the dialog opens
        QString format; // the format shown as the dialog opens
        QString choose; // the format chosen before OK
        QString written;
    } runs[] = {
        {"first time: the playlist's own format", u"Mix.pls"_s, false, u"PLS"_s, u"M3U"_s, u"Mix.m3u"_s},
        {"remembered", u"Road.pls"_s, true, u"M3U"_s, u"PLS"_s, u"Road.pls"_s},
        {"never saved", {}, true, u"PLS"_s, u"PLS"_s, u"Playlist.pls"_s},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.name);
        CopyWindow w(2);
        if (!run.savedAs.isEmpty()) {
            w.dialogs.playlists = {w.files.path(run.savedAs)};
            w.trigger("mnuSavePlaylistAs");
        }
        w.form.setFileDialogs(nullptr);
        w.selectRows({1, 0});
        w.whenShown<ChooseFolder>([&w, &run](ChooseFolder& dialog) {
            auto* box = dialog.findChild<QCheckBox*>(u"chkWritePlaylist"_s);
            auto* format = dialog.findChild<QComboBox*>(u"cboPlaylistFormat"_s);
            EXPECT_EQ(box->isChecked(), run.ticked);
            EXPECT_EQ(format->isEnabled(), run.ticked);
            EXPECT_EQ(format->currentText(), run.format);
            box->setChecked(true);
            EXPECT_TRUE(format->isEnabled());
            format->setCurrentText(run.choose);
            dialog.openFolder(w.target);
            QTest::mouseClick(dialog.findChild<QPushButton*>(u"OKButton"_s), Qt::LeftButton);
        });
        w.trigger("mnuCopyFiles");
        EXPECT_EQ(w.targetFiles(), QStringList({u"0.mp3"_s, u"1.mp3"_s, run.written}));
        // The rows in display order, by their names relative to the folder.
        const QByteArray playlist = TestFiles::read(w.target + u"/"_s + run.written);
        EXPECT_GE(playlist.indexOf("0.mp3\r\n"), 0) << playlist.toStdString();
        EXPECT_LT(playlist.indexOf("0.mp3\r\n"), playlist.indexOf("1.mp3\r\n"));
        EXPECT_FALSE(playlist.contains(w.target.toUtf8()));
        EXPECT_TRUE(w.messages.shown().empty());
        EXPECT_TRUE(w.takesCommands());
    }
}

TEST(CopyFiles, TheDestinationPathFollowsTheHighlightAndOKTakesWhatItShows)
{
    RecordingMessages messages;
    TestFiles files;
    const QString root = files.folder();
    for (int i = 0; i < 8; ++i)
        ASSERT_TRUE(QDir(root).mkpath(u"a/%1"_s.arg(i, 2, 10, QChar(u'0'))));
    for (const QChar name : u"bcdefghijklm"_s)
        ASSERT_TRUE(QDir(root).mkpath(QString(name)));
    ChooseFolder dialog;
    dialog.show();
    dialog.openFolder(root);
    auto* path = dialog.findChild<QLineEdit*>(u"txtDestination"_s);
    auto* folders = dialog.findChild<QTreeView*>(u"Dir1"_s);
    ASSERT_TRUE(path && folders);
    EXPECT_EQ(path->text(), root);
    const auto* model = qobject_cast<const QFileSystemModel*>(folders->model());
    const QString realRoot = QFileInfo(root).canonicalFilePath();
    const auto shown = [&](const QString& name) { return model->index(realRoot + u"/"_s + name); };
    // The model reads and sorts folders in the background: wait until a folder's rows are all there.
    const auto listed = [&](const QModelIndex& parent, int count, const QString& last) {
        return QTest::qWaitFor([&] {
            return model->rowCount(parent) == count && model->fileName(model->index(count - 1, 0, parent)) == last;
        });
    };
    ASSERT_TRUE(listed(model->index(realRoot), 13, u"m"_s));

    // The keyboard highlights the first folder; a click on a folder unfolds it.
    folders->setFocus();
    QTest::keyClick(folders, Qt::Key_Down);
    EXPECT_EQ(path->text(), realRoot + u"/a"_s);
    QTest::mouseClick(folders->viewport(), Qt::LeftButton, {}, folders->visualRect(shown(u"a"_s)).center());
    ASSERT_TRUE(listed(shown(u"a"_s), 8, u"07"_s));
    // A click leaves the list where it is: it neither scrolls nor folds the other folders away.
    folders->scrollTo(shown(u"c"_s), QAbstractItemView::PositionAtCenter);
    const QPoint atC = folders->visualRect(shown(u"c"_s)).center();
    ASSERT_TRUE(folders->viewport()->rect().contains(atC));
    const int scrolled = folders->verticalScrollBar()->value();
    QTest::mouseClick(folders->viewport(), Qt::LeftButton, {}, atC);
    QTest::qWait(50);
    EXPECT_EQ(folders->verticalScrollBar()->value(), scrolled);
    EXPECT_TRUE(folders->isExpanded(shown(u"a"_s)));
    EXPECT_EQ(path->text(), realRoot + u"/c"_s);
    // Enter in the list opens the folder and leaves the dialog open.
    QTest::keyClick(folders, Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());

    // New Folder makes a folder inside the highlighted one and highlights it; bad names are refused.
    const struct {
        QString name;
        bool refused;
    } names[] = {{u"new"_s, false}, {u"new"_s, true}, {u""_s, true}, {u".."_s, true}, {u"x/y"_s, true}};
    for (const auto& n : names) {
        SCOPED_TRACE(n.name.toStdString());
        messages.clear();
        QTimer::singleShot(0, &dialog, [&dialog, &n] {
            auto* ask = dialog.findChild<QInputDialog*>(u"NewFolderName"_s);
            ASSERT_NE(ask, nullptr);
            ask->setTextValue(n.name);
            ask->accept();
        });
        QTest::mouseClick(dialog.findChild<QPushButton*>(u"cmdNewFolder"_s), Qt::LeftButton);
        EXPECT_EQ(messages.shown().size(), n.refused ? 1U : 0U);
        if (!n.refused) {
            EXPECT_TRUE(QFileInfo(realRoot + u"/c/new"_s).isDir());
            EXPECT_EQ(path->text(), realRoot + u"/c/new"_s);
            EXPECT_EQ(folders->currentIndex(), shown(u"c/new"_s));
            folders->setCurrentIndex(shown(u"c"_s));
        }
    }
    EXPECT_EQ(QDir(root + u"/c"_s).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList({u"new"_s}));

    // A typed path that is not a folder is refused and the dialog stays; Enter takes a good one.
    messages.clear();
    path->setText(root + u"/missing"_s);
    QTest::mouseClick(dialog.findChild<QPushButton*>(u"OKButton"_s), Qt::LeftButton);
    EXPECT_EQ(messages.shown().size(), 1U);
    EXPECT_TRUE(dialog.isVisible());
    path->setText(root + u"/b"_s);
    QTest::keyClick(path, Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.DestinationFolder(), root + u"/b"_s);
}
