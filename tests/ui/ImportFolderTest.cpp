#include <fcntl.h>
#include <unistd.h>

#include <QMimeData>
#include <QSignalSpy>
#include <QUrl>

#include <gtest/gtest.h>

#include "base/NativePath.h"
#include "support/WindowFixture.h"

using namespace Qt::StringLiterals;

namespace {

// Writes an empty file at a name given as bytes, in the test's folder; returns its path.
QString writeNamed(const TestFiles& files, const QByteArray& name)
{
    const QByteArray path = NativePath::encode(files.folder()) + '/' + name;
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    EXPECT_GE(fd, 0) << name.constData();
    ::close(fd);
    return NativePath::decode(path);
}

// Drags the data onto the list and drops it at a point of its viewport, and lets the window act on
// it; whether the list took the drop.
bool drop(WindowFixture& w, const QMimeData& data, const QPoint& at)
{
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w.playlist->viewport(), &enter);
    QDragMoveEvent move(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w.playlist->viewport(), &move);
    EXPECT_TRUE(enter.isAccepted() && move.isAccepted());
    QDropEvent event(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w.playlist->viewport(), &event);
    QCoreApplication::processEvents();
    return event.isAccepted();
}

// The names that are not UTF-8, which the temporary folder's own removal would not see.
void removeNamed(const TestFiles& files, std::initializer_list<const char*> names)
{
    for (const char* name : names)
        ::unlink((NativePath::encode(files.folder()) + '/' + name).constData());
}

// Points on the upper and lower half of a row, and one below every row.
QPoint above(WindowFixture& w, int row)
{
    return w.playlist->visualRect(w.form.model().index(row, 0)).topLeft() + QPoint(4, 1);
}
QPoint below(WindowFixture& w, int row)
{
    return w.playlist->visualRect(w.form.model().index(row, 0)).bottomLeft() + QPoint(4, -1);
}
QPoint underTheRows(const WindowFixture& w)
{
    return {4, w.playlist->viewport()->height() - 2};
}

} // namespace

TEST(ImportFolder, ImportsTheMp3FilesUnderAFolderAfterTheRows)
{
    WindowFixture w(false);
    ASSERT_EQ(::mkdir(NativePath::encode(w.files.path(u"tree"_s)).constData(), 0755), 0);
    ASSERT_EQ(::mkdir(NativePath::encode(w.files.path(u"tree/sub"_s)).constData(), 0755), 0);
    const QString first = writeNamed(w.files, "tree/sub/1.mp3");
    const QString undecodable = writeNamed(w.files, "tree/\xE9.mp3");
    const QString plain = writeNamed(w.files, "tree/a.MP3");
    writeNamed(w.files, "tree/b.txt");
    w.addFiles({u"old.mp3"_s});

    w.dialogs.folders = {std::nullopt, w.files.path(u"tree"_s), w.files.path(u"nothing"_s)};
    w.trigger("mnuImportFolder"); // cancelled: nothing
    EXPECT_EQ(w.model().size(), 1);
    w.trigger("mnuImportFolder");
    EXPECT_EQ(w.column(FileNameColumn), QStringList({w.files.path(u"old.mp3"_s), plain, undecodable, first}));
    EXPECT_TRUE(w.form.isModified());
    EXPECT_TRUE(w.messages.texts().isEmpty());
    // A folder that cannot be read adds nothing and says so.
    w.trigger("mnuImportFolder");
    EXPECT_EQ(w.model().size(), 4);
    ASSERT_EQ(w.messages.texts().size(), 1);
    EXPECT_TRUE(w.messages.texts()[0].contains(w.files.path(u"nothing"_s)));
    EXPECT_TRUE(w.takesCommands());
    removeNamed(w.files, {"tree/\xE9.mp3"});
}

TEST(ImportFolder, DropsImportFilesFoldersAndPlaylistsWhereTheyFallAndMoveRows)
{
    WindowFixture w(false);
    w.addFiles({u"1.mp3"_s, u"2.mp3"_s, u"3.mp3"_s});
    ASSERT_EQ(::mkdir(NativePath::encode(w.files.path(u"dropped"_s)).constData(), 0755), 0);
    const QString inFolder = writeNamed(w.files, "dropped/in.mp3");
    const QString undecodable = writeNamed(w.files, "\xE9.mp3");
    const QString listed = writeNamed(w.files, "listed.mp3");
    const QString playlist = w.files.write(u"list.m3u"_s, listed.toUtf8() + "\r\n");
    const QString text = writeNamed(w.files, "notes.txt");
    const auto titles = [&] { return w.column(TitleColumn); };

    // Files, a folder and a playlist dropped on the lower half of the first row go after it, in
    // the order dropped; what is none of them is left out.
    QMimeData paths;
    paths.setUrls({QUrl::fromLocalFile(w.files.path(u"dropped"_s)), QUrl::fromLocalFile(playlist),
        QUrl(u"file://"_s + QString::fromLatin1(QByteArray(NativePath::encode(undecodable)).toPercentEncoding("/"))),
        QUrl::fromLocalFile(text)});
    EXPECT_TRUE(drop(w, paths, below(w, 0)));
    EXPECT_EQ(titles(), QStringList({u"1"_s, u"in"_s, u"listed"_s, NativePath::decode("\xE9"), u"2"_s, u"3"_s}));
    EXPECT_EQ(w.model().text(3, FileNameColumn), undecodable);
    EXPECT_EQ(w.model().text(1, FileNameColumn), inFolder);
    QMimeData onTop;
    onTop.setUrls({QUrl::fromLocalFile(listed)});
    EXPECT_TRUE(drop(w, onTop, above(w, 0)));
    EXPECT_TRUE(drop(w, onTop, underTheRows(w)));
    EXPECT_EQ(titles().first(), u"listed"_s);
    EXPECT_EQ(titles().last(), u"listed"_s);
    EXPECT_EQ(w.model().size(), 8);

    // Selected rows dragged within the list move there together, the same rows in one layout
    // change; rows dragged from another list move nothing.
    const PlaylistRow* moved = w.model().rowAt(5); // "2"
    w.selectRows({5, 6});
    std::unique_ptr<QMimeData> rows(w.model().mimeData(w.playlist->selectionModel()->selectedRows()));
    ASSERT_TRUE(rows);
    QSignalSpy layouts(&w.model(), &QAbstractItemModel::layoutChanged);
    EXPECT_TRUE(drop(w, *rows, above(w, 1)));
    EXPECT_EQ(titles(),
        QStringList(
            {u"listed"_s, u"2"_s, u"3"_s, u"1"_s, u"in"_s, u"listed"_s, NativePath::decode("\xE9"), u"listed"_s}));
    EXPECT_EQ(w.model().positionOf(moved), 1);
    EXPECT_EQ(layouts.count(), 1);
    PlaylistModel other;
    std::unique_ptr<QMimeData> foreign(other.mimeData({QModelIndex()}));
    EXPECT_FALSE(drop(w, *foreign, above(w, 0)));
    EXPECT_EQ(w.model().positionOf(moved), 1);
    EXPECT_EQ(w.model().size(), 8);
    removeNamed(w.files, {"\xE9.mp3"});
}
