#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "PlaylistTestRows.h"
#include "base/NativePath.h"
#include "playlist/Importing.h"
#include "playlist/TagReading.h"
#include "support/ProgramMessages.h"
#include "support/RecordingMessages.h"
#include "support/TestFiles.h"

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

TEST(TagReading, ReadsInEntryOrderAndStopsAtEachNewFailure)
{
    TestFiles files;
    RecordingMessages messages;
    const QString pipe = files.path(u"pipe.mp3"_s);
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
    // The system would take the name only up to the NUL, and read song.mp3.
    const QString nul = files.write(u"song.mp3"_s, TestBytes::audio(300)) + QChar(0) + u".x"_s;
    PlaylistModel model;
    model.appendEntries({{pipe, u"d"_s, {}}, {u"/dev/zero"_s, u"c"_s, {}}, {nul, u"b"_s, {}},
        {files.write(u"a.mp3"_s, TestBytes::audio(300)), u"a"_s, {}}});
    int sortState = 0;
    RowCommands::sortByColumn(model, sortState, TitleColumn); // rows now in the reverse order
    std::optional<Iterator> reader = model.nodeList().getIterator();
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

    // Each file that cannot be read shows its message and ends its tick; the entries go in the
    // order they were added.
    for (int tick = 0; tick < 3; ++tick) {
        const TickResult result = readTagsTick(model, reader, 1s);
        EXPECT_EQ(result.read, 1);
        EXPECT_TRUE(result.keepGoing);
    }
    const TickResult last = readTagsTick(model, reader, 1s);
    EXPECT_EQ(last.read, 1);
    EXPECT_FALSE(last.keepGoing);
    EXPECT_EQ(changed.count(), 2 * 4); // a tick reports the tag columns on each side of Length
    EXPECT_EQ(messages.texts(),
        QStringList({ProgramMessages::notFound(pipe), ProgramMessages::notFound(u"/dev/zero"_s),
            ProgramMessages::notFound(nul)}));
    EXPECT_EQ(columnOf(model, QuickTagColumn), QStringList({u"(none)"_s, u"(error)"_s, u"(error)"_s, u"(error)"_s}));

    // Read Tags Now later reads nothing again; entries added since are read.
    EXPECT_EQ(readTagsTick(model, reader, 1s).read, 0);
    importFiles(model, {files.write(u"d.mp3"_s, TestBytes::audio(300))}, false, reader);
    EXPECT_EQ(readTagsTick(model, reader, 1s).read, 1);
    std::optional<Iterator> none;
    EXPECT_FALSE(readTagsTick(model, none, 1s).keepGoing);
}

// Collected, the failures show no message and stop no tick: each comes with its file's path.
TEST(TagReading, CollectsFailuresWithTheirPathsAndReadsOn)
{
    TestFiles files;
    RecordingMessages messages;
    const QString gone = files.path(u"gone.mp3"_s);
    PlaylistModel model;
    model.appendEntries(
        {{gone, {}, {}}, {u"/dev/zero"_s, {}, {}}, {files.write(u"a.mp3"_s, TestBytes::audio(300)), {}, {}}});
    std::optional<Iterator> reader = model.nodeList().getIterator();
    QStringList collected;
    const TickResult tick = readTagsTick(
        model, reader, 1s, {}, [&](const QString& path, const QString& text) { collected.append(path + u'|' + text); });
    EXPECT_EQ(tick.read, 3);
    EXPECT_TRUE(messages.texts().isEmpty());
    EXPECT_EQ(collected,
        QStringList({gone + u'|' + ProgramMessages::notFound(gone),
            u"/dev/zero|"_s + ProgramMessages::notFound(u"/dev/zero"_s)}));
    EXPECT_EQ(columnOf(model, QuickTagColumn), QStringList({u"(error)"_s, u"(error)"_s, u"(none)"_s}));
}

TEST(Importing, AddsFilesWithTheirTitlesAndSkipsListedOnesWhenAsked)
{
    PlaylistModel model;
    std::optional<Iterator> reader = model.nodeList().getIterator(); // made over an empty list
    EXPECT_EQ(importFiles(model, {u"/m/A.mp3"_s, u"/m/a.b.mp3"_s, u"/m.x/noext"_s}, false, reader), 3);
    EXPECT_EQ(columnOf(model, TitleColumn), QStringList({u"A"_s, u"a.b"_s, u"noext"_s}));
    EXPECT_EQ(columnOf(model, LengthColumn), QStringList({u"???"_s, u"???"_s, u"???"_s}));
    ASSERT_TRUE(reader->MoveNext()); // replaced: it reaches the new entries
    EXPECT_EQ(reader->current()->file(), u"/m/A.mp3"_s);

    // Missing only: another letter case is listed, another spelling is not, and a file given twice
    // in one import is added once.
    EXPECT_EQ(importFiles(model, {u"/M/a.MP3"_s, u"/m/./A.mp3"_s, u"/m/new.mp3"_s, u"/m/NEW.mp3"_s}, true, reader), 2);
    EXPECT_EQ(importFiles(model, {u"/m/A.mp3"_s}, false, reader), 1);
    EXPECT_EQ(columnOf(model, FileNameColumn),
        QStringList(
            {u"/m/A.mp3"_s, u"/m/a.b.mp3"_s, u"/m.x/noext"_s, u"/m/./A.mp3"_s, u"/m/new.mp3"_s, u"/m/A.mp3"_s}));
    EXPECT_EQ(reader->current()->file(), u"/m/A.mp3"_s); // an existing reader keeps its place
}

TEST(Importing, CollectsTheMp3FilesUnderFoldersInFileManagerOrder)
{
    TestFiles files;
    const QByteArray root = QFile::encodeName(files.folder());
    const auto folder = [&](const char* name) { ASSERT_EQ(::mkdir((root + '/' + name).constData(), 0755), 0); };
    const auto file = [&](const QByteArray& name) {
        const int fd = ::open((root + '/' + name).constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        ASSERT_GE(fd, 0) << name.constData();
        ::close(fd);
    };
    for (const char* name : {"top", "top/Disc 10", "top/disc 2", "top/.hidden", "top/b", "top/locked", "other"})
        folder(name);
    for (const char* name : {"top/10 x.mp3", "top/2 x.MP3", "top/B.mp3", "top/a.mp3", "top/c.txt", "top/.h.mp3",
             "top/Disc 10/1.mp3", "top/disc 2/1.mp3", "top/.hidden/1.mp3", "top/b/1.mp3", "top/locked/1.mp3",
             "top/\xE9.mp3", "other/o.mp3", "loose.mp3"})
        file(name);
    // A loop back to the top and a second way into "disc 2": each folder is walked once.
    ASSERT_EQ(::symlink("..", (root + "/top/b/up").constData()), 0);
    ASSERT_EQ(::symlink("disc 2", (root + "/top/z").constData()), 0);
    ASSERT_EQ(::chmod((root + "/top/locked").constData(), 0), 0);
    const bool root_reads = ::geteuid() == 0;
    const auto path = [&](const QByteArray& name) { return NativePath::decode(root + '/' + name); };

    const ImportParts parts = collectImports(
        {path("top"), path("loose.mp3"), path("list.M3U8"), path("other"), path("top/c.txt"), path("top/a.mp3")});
    ::chmod((root + "/top/locked").constData(), 0755);
    ASSERT_TRUE(parts.complete);
    ASSERT_EQ(parts.parts.size(), 3u);
    QStringList first{path("top/2 x.MP3"), path("top/10 x.mp3"), path("top/a.mp3"), path("top/B.mp3"),
        path("top/\xE9.mp3"), path("top/b/1.mp3"), path("top/disc 2/1.mp3"), path("top/Disc 10/1.mp3")};
    if (root_reads)
        first.append(path("top/locked/1.mp3"));
    first.append(path("loose.mp3"));
    EXPECT_EQ(parts.parts[0].files, first);
    EXPECT_TRUE(NativePath::holdsUndecodedBytes(parts.parts[0].files[4]));
    EXPECT_EQ(parts.parts[1].playlist, path("list.M3U8"));
    EXPECT_EQ(parts.parts[2].files, QStringList({path("other/o.mp3"), path("top/a.mp3")}));
    EXPECT_EQ(parts.unreadableFolders.size(), root_reads ? 0 : 1);

    // Stopped: not complete.
    EXPECT_FALSE(collectImports({path("top")}, [](qsizetype found) { return found == 0; }).complete);
    const ImportParts gone = collectImports({path("gone")});
    EXPECT_TRUE(gone.parts.empty());
    EXPECT_EQ(gone.unreadableFolders.size(), 1);
    ::unlink((root + "/top/\xE9.mp3").constData()); // the temporary folder's removal would not see it
}

TEST(TagReading, ShowsTheRowsAlreadyReadBeforeAFailureMessage)
{
    TestFiles files;
    PlaylistModel model;
    model.appendEntries({{files.write(u"a.mp3"_s, TestBytes::audio(300)), {}, {}},
        {files.write(u"b.mp3"_s, TestBytes::audio(300)), {}, {}}, {files.path(u"gone.mp3"_s), {}, {}}});
    std::optional<Iterator> reader = model.nodeList().getIterator();
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    // While the message is up, the two rows read before it already show their tags.
    struct Witness : RecordingMessages {
        QSignalSpy* spy = nullptr;
        int changesWhenShown = -1;
        Answer show(const QString& text, const QString& title, Icon icon, Buttons buttons) override
        {
            changesWhenShown = int(spy->count());
            return RecordingMessages::show(text, title, icon, buttons);
        }
    } witness;
    witness.spy = &changed;
    readTagsTick(model, reader, 1s);
    EXPECT_EQ(witness.changesWhenShown, 2); // the tag columns on each side of Length
    EXPECT_EQ(columnOf(model, QuickTagColumn), QStringList({u"(none)"_s, u"(none)"_s, u"(error)"_s}));
}
