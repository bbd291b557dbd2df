#include "playlist/RowCommands.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractItemModelTester>
#include <QDir>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "PlaylistTestRows.h"
#include "support/RecordingMessages.h"
#include "support/TestFiles.h"

using namespace Qt::StringLiterals;
using RowCommands::AfterDelete;

TEST(RowCommands, SelectsAllNoneAndInverse)
{
    PlaylistModel model;
    fillTitles(model, {u"1"_s, u"2"_s, u"3"_s, u"4"_s});
    RowCommands::selectInverse(model);
    EXPECT_EQ(selectedNumbers(model), (std::vector<int>{1, 2, 3, 4}));
    selectRows(model, {2, 3});
    RowCommands::selectInverse(model);
    EXPECT_EQ(selectedNumbers(model), (std::vector<int>{1, 4}));
    RowCommands::selectInverse(model);
    EXPECT_EQ(selectedNumbers(model), (std::vector<int>{2, 3}));
    RowCommands::selectNone(model);
    EXPECT_EQ(selectedNumbers(model), std::vector<int>{});
    RowCommands::selectAll(model);
    EXPECT_EQ(selectedNumbers(model), (std::vector<int>{1, 2, 3, 4}));
}

TEST(RowCommands, KeepsDuplicatesSelectedButTheLastOfEachGroup)
{
    struct Case {
        const char* what;
        QStringList titles;
        std::initializer_list<int> selected;
        int column;
        std::vector<int> kept;
    } const cases[] = {
        {"three alike", {u"x"_s, u"t"_s, u"y"_s, u"z"_s, u"t"_s, u"w"_s, u"v"_s, u"u"_s, u"t"_s}, {2, 5, 9},
            TitleColumn, {2, 5}},
        {"case only", {u"Song"_s, u"SONG"_s}, {1, 2}, TitleColumn, {1}},
        {"trailing space", {u"Song"_s, u"Song "_s}, {1, 2}, TitleColumn, {}},
        {"twin not selected", {u"a"_s, u"a"_s, u"a"_s}, {1, 3}, TitleColumn, {1}},
        {"only an unselected twin", {u"a"_s, u"a"_s}, {1}, TitleColumn, {}},
        {"two groups", {u"a"_s, u"b"_s, u"a"_s, u"b"_s, u"c"_s}, {1, 2, 3, 4, 5}, TitleColumn, {1, 2}},
        // Unread tags all show the same placeholder and form one group.
        {"unread quicktags", {u"a"_s, u"b"_s, u"c"_s}, {1, 2, 3}, QuickTagColumn, {1, 2}},
        {"file names differ", {u"a"_s, u"a"_s}, {1, 2}, FileNameColumn, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PlaylistModel model;
        fillTitles(model, c.titles);
        selectRows(model, c.selected);
        RowCommands::keepDuplicatesSelected(model, c.column);
        EXPECT_EQ(selectedNumbers(model), c.kept);
    }
}

TEST(RowCommands, KeepsMissingOnlyWhatTheSystemSaysIsNotThere)
{
    // A file is missing when the system says there is none, or it is not an ordinary file; a look
    // that fails for another reason keeps the row (deselects it) and names the file in one message.
    TestFiles files;
    RecordingMessages messages;
    const QString present = files.write(u"present.mp3"_s, "x");
    const QString gone = files.path(u"gone.mp3"_s);
    QDir(files.folder()).mkdir(u"folder.mp3"_s);
    QDir(files.folder()).mkdir(u"closed"_s);
    const QString closed = files.write(u"closed/a.mp3"_s, "x");
    ASSERT_EQ(::chmod(QFile::encodeName(files.path(u"closed"_s)).constData(), 0), 0);
    const QString loop = files.path(u"loop.mp3"_s);
    ASSERT_TRUE(QFile::link(loop, loop));
    ASSERT_TRUE(QFile::link(gone, files.path(u"dangling.mp3"_s)));
    PlaylistModel model;
    model.appendEntries({{present, {}, {}}, {gone, {}, {}}, {files.write(u".hidden.mp3"_s, "x"), {}, {}},
        {files.path(u"folder.mp3"_s), {}, {}}, {present + u"/a.mp3"_s, {}, {}}, {files.path(u"dangling.mp3"_s), {}, {}},
        {loop, {}, {}}, {closed, {}, {}}, {gone, {}, {}}});
    RowCommands::keepMissingFilesSelected(model);
    EXPECT_EQ(selectedNumbers(model), std::vector<int>{}); // nothing selected: nothing changes
    selectRows(model, {2, 9}); // only missing files: the selection is left alone
    QSignalSpy selectionChanges(model.selectionModel(), &QItemSelectionModel::selectionChanged);
    RowCommands::keepMissingFilesSelected(model);
    EXPECT_EQ(selectionChanges.count(), 0);
    EXPECT_EQ(selectedNumbers(model), (std::vector<int>{2, 9}));
    selectRows(model, {1, 2, 3, 4, 5, 6, 7, 8});
    RowCommands::keepMissingFilesSelected(model);
    EXPECT_EQ(selectedNumbers(model), (std::vector<int>{2, 3, 4, 5, 6}));
    ASSERT_EQ(messages.shown().size(), 1u);
    const QString text = messages.shown()[0].text;
    EXPECT_TRUE(text.contains(u"\r\n"_s + loop + u": "_s));
    EXPECT_EQ(text.contains(u"\r\n"_s + closed + u": "_s), ::geteuid() != 0); // root searches any folder
    EXPECT_FALSE(text.contains(gone));
    ::chmod(QFile::encodeName(files.path(u"closed"_s)).constData(), 0755);
}

TEST(RowCommands, DeletesSelectedRowsAndMovesTheReaderOn)
{
    struct Case {
        const char* what;
        std::initializer_list<int> selected;
        int readerOn; // the 1-based entry the reader stands on, 0 for a reader not started
        AfterDelete after;
        QStringList titles;
        QString nextRead; // the entry the reader's next step reads, empty when none
    } const cases[] = {
        // The entry after a deleted one is read next, not skipped.
        {"reader moves on", {2}, 2, AfterDelete::ReaderKept, {u"1"_s, u"3"_s, u"4"_s}, u"3"_s},
        {"adjacent rows", {2, 3}, 2, AfterDelete::ReaderKept, {u"1"_s, u"4"_s}, u"4"_s},
        {"reader elsewhere", {1, 4}, 2, AfterDelete::ReaderKept, {u"2"_s, u"3"_s}, u"3"_s},
        // On the last entry there is nowhere to go: a new reader starts before the first entry.
        {"last entry", {4}, 4, AfterDelete::ReaderRestarted, {u"1"_s, u"2"_s, u"3"_s}, u"1"_s},
        {"everything", {1, 2, 3, 4}, 1, AfterDelete::PlaylistReset, {}, QString()},
        {"nothing selected", {}, 0, AfterDelete::ReaderKept, {u"1"_s, u"2"_s, u"3"_s, u"4"_s}, u"1"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PlaylistModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
        fillTitles(model, {u"1"_s, u"2"_s, u"3"_s, u"4"_s});
        std::optional<Iterator> reader = model.nodeList().getIterator();
        for (int i = 0; i < c.readerOn; ++i)
            reader->MoveNext();
        selectRows(model, c.selected);
        EXPECT_EQ(RowCommands::deleteSelected(model, reader), c.after);
        EXPECT_EQ(columnOf(model, TitleColumn), c.titles);
        EXPECT_EQ(model.nodeList().size(), model.size());
        EXPECT_TRUE(rowsAndEntriesAgree(model));
        EXPECT_EQ(reader.has_value(), c.after != AfterDelete::PlaylistReset);
        const bool moves = reader && reader->MoveNext();
        EXPECT_EQ(moves ? reader->current()->item()->text(TitleColumn) : QString(), c.nextRead);
        EXPECT_EQ(selectedNumbers(model), std::vector<int>{});
    }
}

TEST(RowCommands, ListsFilesWithoutRegardToCase)
{
    PlaylistModel model;
    model.appendEntries({{u"/Music/A.mp3"_s, {}, {}}});
    RowCommands::FileListing listing(model);
    EXPECT_TRUE(listing.isFileListed(u"/music/a.MP3"_s));
    EXPECT_FALSE(listing.isFileListed(u"/music/a.mp3 "_s));
    listing.add(u"/music/B.mp3"_s);
    EXPECT_TRUE(listing.isFileListed(u"/MUSIC/b.mp3"_s));
}
