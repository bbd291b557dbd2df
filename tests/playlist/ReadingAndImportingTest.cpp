#include <sys/stat.h>

#include <QFile>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "PlaylistTestRows.h"
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
