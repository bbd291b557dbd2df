#include <gtest/gtest.h>

#include <QSignalSpy>

#include "PlaylistTestRows.h"
#include "playlist/Importing.h"
#include "playlist/TagReading.h"
#include "support/RecordingMessages.h"
#include "support/TestFiles.h"

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

TEST(TagReading, ReadsInEntryOrderAndStopsAtEachNewFailure)
{
    TestFiles files;
    RecordingMessages messages;
    PlaylistModel model;
    model.appendEntries({{files.path(u"a.mp3"_s), u"c"_s, {}}, {files.path(u"b.mp3"_s), u"b"_s, {}},
        {files.write(u"c.mp3"_s, TestBytes::audio(300)), u"a"_s, {}}});
    int sortState = 0;
    RowCommands::sortByColumn(model, sortState, TitleColumn); // rows now c.mp3, b.mp3, a.mp3
    std::optional<Iterator> reader = model.nodeList().getIterator();
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

    // Each missing file shows its message and ends its tick; the entries go in the order they were added.
    EXPECT_EQ(readTagsTick(model, reader, 1s).read, 1);
    EXPECT_EQ(readTagsTick(model, reader, 1s).read, 1);
    const TickResult last = readTagsTick(model, reader, 1s);
    EXPECT_EQ(last.read, 1);
    EXPECT_FALSE(last.keepGoing);
    EXPECT_EQ(changed.count(), 3);
    EXPECT_EQ(messages.shown().size(), 2u);
    EXPECT_TRUE(messages.shown()[0].text.contains(u"a.mp3"_s));
    EXPECT_TRUE(messages.shown()[1].text.contains(u"b.mp3"_s));
    EXPECT_EQ(columnOf(model, QuickTagColumn), QStringList({u"(none)"_s, u"(error)"_s, u"(error)"_s}));

    // Read Tags Now later reads nothing again; entries added since are read.
    EXPECT_EQ(readTagsTick(model, reader, 1s).read, 0);
    importFiles(model, {files.write(u"d.mp3"_s, TestBytes::audio(300))}, false, reader);
    EXPECT_EQ(readTagsTick(model, reader, 1s).read, 1);
    std::optional<Iterator> none;
    EXPECT_FALSE(readTagsTick(model, none, 1s).keepGoing);
}

TEST(Importing, AddsFilesWithTheirTitlesAndSkipsListedOnesWhenAsked)
{
    PlaylistModel model;
    std::optional<Iterator> reader = model.nodeList().getIterator(); // made over an empty list
    EXPECT_EQ(importFiles(model, {u"/m/A.mp3"_s, u"/m/a.b.mp3"_s, u"/m/noext"_s}, false, reader), 3);
    EXPECT_EQ(columnOf(model, TitleColumn), QStringList({u"A"_s, u"a.b"_s, u"noext"_s}));
    EXPECT_EQ(columnOf(model, LengthColumn), QStringList({u"???"_s, u"???"_s, u"???"_s}));
    ASSERT_TRUE(reader->MoveNext()); // replaced: it reaches the new entries
    EXPECT_EQ(reader->current()->file(), u"/m/A.mp3"_s);

    // Missing only: another letter case is listed, another spelling is not, and a file given twice
    // in one import is added once.
    EXPECT_EQ(importFiles(model, {u"/M/a.MP3"_s, u"/m/./A.mp3"_s, u"/m/new.mp3"_s, u"/m/NEW.mp3"_s}, true, reader), 2);
    EXPECT_EQ(importFiles(model, {u"/m/A.mp3"_s}, false, reader), 1);
    EXPECT_EQ(columnOf(model, FileNameColumn),
        QStringList({u"/m/A.mp3"_s, u"/m/a.b.mp3"_s, u"/m/noext"_s, u"/m/./A.mp3"_s, u"/m/new.mp3"_s, u"/m/A.mp3"_s}));
    EXPECT_EQ(reader->current()->file(), u"/m/A.mp3"_s); // an existing reader keeps its place
}

TEST(RowIcons, KeysByTypeOrByFileForTypesWithTheirOwnIcon)
{
    struct Case {
        QString path;
        QString key;
    } const cases[] = {
        {u"/a/song.mp3"_s, u"MP3"_s},
        {u"/b/other.MP3"_s, u"MP3"_s},
        {u"/c/setup.exe"_s, u"/C/SETUP.EXE"_s},
        {u"/c/icon.Ico"_s, u"/C/ICON.ICO"_s},
        {u"/my.music/song"_s, u"MUSIC/SONG"_s},
        {u"/music/song"_s, QString()},
    };
    IconKeys keys; // remembers the last type: a run of paths must still get each its own key
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        EXPECT_EQ(iconKeyOf(c.path), c.key);
        EXPECT_EQ(keys.keyOf(c.path), c.key);
    }
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
    EXPECT_EQ(witness.changesWhenShown, 1);
    EXPECT_EQ(columnOf(model, QuickTagColumn), QStringList({u"(none)"_s, u"(none)"_s, u"(error)"_s}));
}
