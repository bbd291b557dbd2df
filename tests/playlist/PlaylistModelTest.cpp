#include "playlist/PlaylistModel.h"

#include <algorithm>
#include <functional>

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "PlaylistTestRows.h"
#include "playlist/PlaylistDocument.h"

using namespace Qt::StringLiterals;

namespace {

struct TestedModel {
    PlaylistModel model;
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::Fatal};
};

} // namespace

TEST(PlaylistModel, AppendsInOneInsertWithUnreadTags)
{
    TestedModel t;
    QSignalSpy inserted(&t.model, &QAbstractItemModel::rowsInserted);
    fillTitles(t.model, {u"One"_s, u"Two"_s, u"Three"_s}, {u"215"_s});
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(t.model.rowCount(), 3);
    EXPECT_EQ(t.model.data(t.model.index(0, QuickTagColumn)).toString(), u"..."_s);
    EXPECT_EQ(t.model.data(t.model.index(1, LengthColumn)).toString(), u"???"_s);
    EXPECT_EQ(t.model.data(t.model.index(0, LengthColumn), Qt::TextAlignmentRole).value<Qt::Alignment>(),
        Qt::AlignRight | Qt::AlignVCenter);
    QStringList captions;
    for (int column = 0; column < t.model.columnCount(); ++column)
        captions.append(t.model.headerData(column, Qt::Horizontal).toString());
    EXPECT_EQ(captions,
        QStringList({u"File Name"_s, u"Title"_s, u"ID3v1 QuickTag"_s, u"Has ID3v2?"_s, u"Length (s)"_s,
            u"ID3v2 QuickTag"_s, u"Album"_s, u"Track"_s, u"Year"_s, u"Genre"_s, u"Comment"_s}));
    EXPECT_EQ(t.model.headerData(LengthColumn, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>(),
        Qt::AlignRight | Qt::AlignVCenter);
    EXPECT_TRUE(rowsAndEntriesAgree(t.model));
    EXPECT_EQ(t.model.nodeList().size(), 3);
}

TEST(PlaylistModel, GivesEachRowTheIconKeyOfItsFile)
{
    TestedModel t;
    const auto keysOf = [&] {
        QStringList keys;
        for (int row = 0; row < t.model.rowCount(); ++row)
            keys.append(t.model.data(t.model.index(row, FileNameColumn), PlaylistModel::IconKeyRole).toString());
        return keys;
    };
    const auto append = [&](const QStringList& paths) {
        std::vector<PlaylistEntry> entries;
        for (const QString& path : paths)
            entries.push_back({path, u"t"_s, u"1"_s});
        t.model.appendEntries(entries);
    };
    append({u"/a.mp3"_s, u"/b.wav"_s, u"/c.mp3"_s, u"/d.exe"_s, u"/e.EXE"_s});
    append({u"/f.wav"_s, u"/g"_s, u"/h.Ico"_s, u"/my.music/i"_s});
    EXPECT_EQ(keysOf(),
        QStringList(
            {u"MP3"_s, u"WAV"_s, u"MP3"_s, u"/D.EXE"_s, u"/E.EXE"_s, u"WAV"_s, u""_s, u"/H.ICO"_s, u"MUSIC/I"_s}));
    EXPECT_FALSE(t.model.data(t.model.index(0, TitleColumn), PlaylistModel::IconKeyRole).isValid());
    // A sort moves the keys with their rows; a new playlist starts a new table of keys.
    t.model.sort(FileNameColumn, Qt::DescendingOrder);
    EXPECT_EQ(keysOf(),
        QStringList(
            {u"MUSIC/I"_s, u"/H.ICO"_s, u""_s, u"WAV"_s, u"/E.EXE"_s, u"/D.EXE"_s, u"MP3"_s, u"WAV"_s, u"MP3"_s}));
    t.model.clear();
    append({u"/x.ogg"_s, u"/y.mp3"_s});
    EXPECT_EQ(keysOf(), QStringList({u"OGG"_s, u"MP3"_s}));
}

TEST(PlaylistModel, SortsByClickedColumnsAsTextAndKeepsRowsWhole)
{
    TestedModel t;
    fillTitles(t.model, {u"b"_s, u"C"_s, u"a"_s, u"b"_s}, {u"9"_s, u"10"_s, u"???"_s, u"5"_s});
    selectRows(t.model, {2}); // "C"
    QSignalSpy layouts(&t.model, &QAbstractItemModel::layoutChanged);
    int sortState = 0;
    struct Step {
        int column;
        int sortState;
        QStringList titles;
    } const steps[] = {
        {TitleColumn, 2, {u"a"_s, u"b"_s, u"b"_s, u"C"_s}},
        {TitleColumn, -2, {u"C"_s, u"b"_s, u"b"_s, u"a"_s}},
        {FileNameColumn, 1, {u"b"_s, u"C"_s, u"a"_s, u"b"_s}},
        {LengthColumn, 5, {u"b"_s, u"b"_s, u"C"_s, u"a"_s}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.sortState);
        RowCommands::sortByColumn(t.model, sortState, step.column);
        EXPECT_EQ(sortState, step.sortState);
        EXPECT_EQ(columnOf(t.model, TitleColumn), step.titles);
        EXPECT_EQ(t.model.text(qsizetype(step.titles.indexOf(u"C"_s)), LengthColumn), u"10"_s);
        EXPECT_EQ(selectedNumbers(t.model), std::vector<int>{int(step.titles.indexOf(u"C"_s)) + 1});
        EXPECT_TRUE(rowsAndEntriesAgree(t.model));
    }
    EXPECT_EQ(layouts.count(), 4);
    // Equal texts keep the order they had: the length sort put 4.mp3 before 1.mp3.
    RowCommands::sortByColumn(t.model, sortState, TitleColumn);
    EXPECT_EQ(t.model.text(1, FileNameColumn), u"/music/4.mp3"_s);
    // The entries keep the order they were added in.
    EXPECT_EQ(t.model.nodeList().head()->file(), u"/music/1.mp3"_s);
}

TEST(PlaylistModel, SortsLengthsAsNumbersAndOtherTextsAfterThem)
{
    const QString huge = u"1"_s + QString(400, u'0');
    const QString tiny = u"0."_s + QString(300, u'0') + u"1"_s;
    const QStringList ascending = {u"-"_s + huge, u"-1"_s, u"0"_s, tiny, u".5"_s, u"+1.5"_s, u"5"_s, u" 7 "_s,
        u"007.5"_s, u"60"_s, u"300"_s, u"1000"_s, u"12345678901234567"_s, huge, u""_s, u"1.2.3"_s, u"1e3"_s, u"???"_s,
        u"Inf"_s, u"nan"_s, u"NaN1"_s, u"x"_s};
    for (const Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
        SCOPED_TRACE(order == Qt::AscendingOrder ? "ascending" : "descending");
        PlaylistModel model;
        QStringList shuffled = ascending;
        std::reverse(shuffled.begin(), shuffled.end());
        std::rotate(shuffled.begin(), shuffled.begin() + 7, shuffled.end());
        fillTitles(model, shuffled, shuffled);
        model.sort(LengthColumn, order);
        QStringList expected = ascending;
        if (order == Qt::DescendingOrder)
            std::reverse(expected.begin(), expected.end());
        EXPECT_EQ(columnOf(model, LengthColumn), expected);
        // Equal lengths, as numbers or as texts, keep the order they had.
        PlaylistModel equal;
        fillTitles(equal, {u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s}, {u"5"_s, u"5.0"_s, u"x"_s, u"X"_s, u"05"_s});
        equal.sort(LengthColumn, order);
        EXPECT_EQ(columnOf(equal, TitleColumn),
            order == Qt::AscendingOrder ? QStringList({u"a"_s, u"b"_s, u"e"_s, u"c"_s, u"d"_s})
                                        : QStringList({u"c"_s, u"d"_s, u"a"_s, u"b"_s, u"e"_s}));
    }
}

// Selected rows move one place (Move Up/Down) or to a drop position, in blocks, as one layout
// change; rows that cannot move change nothing.
TEST(PlaylistModel, MovesSelectedRowsOnePlaceOrToADropPosition)
{
    using RowCommands::Direction;
    const auto step = [](Direction direction) {
        return [direction](PlaylistModel& model) { RowCommands::moveSelectedRows(model, direction); };
    };
    const auto to = [](qsizetype position) {
        return [position](PlaylistModel& model) { RowCommands::moveSelectedRowsTo(model, position); };
    };
    struct Case {
        const char* what;
        std::initializer_list<int> selected;
        std::function<void(PlaylistModel&)> move;
        QStringList titles;
        std::vector<int> selectedAfter;
    } const cases[] = {
        {"two up", {2, 3}, step(Direction::Up), {u"2"_s, u"3"_s, u"1"_s, u"4"_s, u"5"_s}, {1, 2}},
        {"bottom down", {4, 5}, step(Direction::Down), {u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s}, {4, 5}},
        {"top up", {1}, step(Direction::Up), {u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s}, {1}},
        {"blocks up", {1, 3, 4}, step(Direction::Up), {u"1"_s, u"3"_s, u"4"_s, u"2"_s, u"5"_s}, {1, 2, 3}},
        {"blocks down", {1, 3, 5}, step(Direction::Down), {u"2"_s, u"1"_s, u"4"_s, u"3"_s, u"5"_s}, {2, 4, 5}},
        {"none", {}, step(Direction::Down), {u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s}, {}},
        {"to the top", {3, 5}, to(0), {u"3"_s, u"5"_s, u"1"_s, u"2"_s, u"4"_s}, {1, 2}},
        {"to the end", {1, 3}, to(5), {u"2"_s, u"4"_s, u"5"_s, u"1"_s, u"3"_s}, {4, 5}},
        {"past the end", {2}, to(99), {u"1"_s, u"3"_s, u"4"_s, u"5"_s, u"2"_s}, {5}},
        {"into the middle", {1, 5}, to(3), {u"2"_s, u"3"_s, u"1"_s, u"5"_s, u"4"_s}, {3, 4}},
        {"onto a selected row", {2, 3, 5}, to(3), {u"1"_s, u"2"_s, u"3"_s, u"5"_s, u"4"_s}, {2, 3, 4}},
        {"where they are", {2, 3}, to(2), {u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s}, {2, 3}},
        {"none dropped", {}, to(0), {u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestedModel t;
        fillTitles(t.model, {u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s});
        selectRows(t.model, c.selected);
        QSignalSpy layouts(&t.model, &QAbstractItemModel::layoutChanged);
        c.move(t.model);
        EXPECT_EQ(columnOf(t.model, TitleColumn), c.titles);
        EXPECT_EQ(selectedNumbers(t.model), c.selectedAfter);
        const bool moved = c.titles != QStringList({u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s});
        EXPECT_EQ(layouts.count(), moved ? 1 : 0);
        EXPECT_TRUE(rowsAndEntriesAgree(t.model));
    }
}

TEST(PlaylistModel, InsertsRowsAtAPosition)
{
    // Rows inserted at a position come in one insert; the rows around them keep their identity and
    // the new entries follow the old ones in reading order.
    TestedModel t;
    fillTitles(t.model, {u"1"_s, u"2"_s, u"3"_s});
    const PlaylistRow* third = t.model.rowAt(2);
    QSignalSpy inserted(&t.model, &QAbstractItemModel::rowsInserted);
    t.model.insertEntries(1, {{u"/a.mp3"_s, u"a"_s, {}}, {u"/b.mp3"_s, u"b"_s, {}}});
    t.model.insertEntries(-1, {{u"/c.mp3"_s, u"c"_s, {}}});
    EXPECT_EQ(inserted.count(), 2);
    EXPECT_EQ(columnOf(t.model, TitleColumn), QStringList({u"1"_s, u"a"_s, u"b"_s, u"2"_s, u"3"_s, u"c"_s}));
    EXPECT_EQ(t.model.positionOf(third), 4);
    EXPECT_EQ(t.model.nodeList().tail()->file(), u"/c.mp3"_s);
    EXPECT_EQ(t.model.nodeList().head()->nextNode()->nextNode()->nextNode()->file(), u"/a.mp3"_s);
    EXPECT_TRUE(rowsAndEntriesAgree(t.model));
}

TEST(PlaylistModel, RemovesRowsInOneBatch)
{
    struct Case {
        std::vector<qsizetype> positions;
        QStringList titles;
        int removals;
        int resets;
    } const cases[] = {
        {{1, 2}, {u"1"_s, u"4"_s, u"5"_s}, 1, 0},
        {{0, 2, 4}, {u"2"_s, u"4"_s}, 0, 1},
        {{}, {u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s}, 0, 0},
    };
    for (const Case& c : cases) {
        TestedModel t;
        fillTitles(t.model, {u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s});
        QSignalSpy removed(&t.model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy reset(&t.model, &QAbstractItemModel::modelReset);
        // Entries held elsewhere, as by iterators, outlive their removed rows.
        std::vector<std::shared_ptr<MP3Node>> held;
        for (const qsizetype position : c.positions)
            held.push_back(t.model.findItem(position));
        t.model.removeRows(c.positions);
        EXPECT_EQ(columnOf(t.model, TitleColumn), c.titles);
        EXPECT_EQ(removed.count(), c.removals);
        EXPECT_EQ(reset.count(), c.resets);
        EXPECT_EQ(t.model.nodeList().size(), t.model.size());
        EXPECT_TRUE(rowsAndEntriesAgree(t.model));
        for (std::size_t i = 0; i < held.size(); ++i) {
            EXPECT_EQ(t.model.positionOf(held[i]->item()), -1);
            EXPECT_FALSE(t.model.nodeList().holds(*held[i]));
            EXPECT_EQ(held[i]->file(), u"/music/"_s + QString::number(c.positions[i] + 1) + u".mp3"_s);
        }
    }
}

TEST(PlaylistDocument, MarksModifiedWhatASavedPlaylistHoldsButNotTheTags)
{
    // A change to one column of one row, through the model as the commands make it.
    const std::pair<int, bool> columns[] = {{FileNameColumn, true}, {TitleColumn, true}, {QuickTagColumn, false},
        {HasId2Column, false}, {LengthColumn, true}, {Id3v2QuickTagColumn, false}, {CommentColumn, false}};
    for (const auto& [column, marks] : columns) {
        SCOPED_TRACE(column);
        PlaylistModel model;
        fillTitles(model, {u"a"_s, u"b"_s});
        PlaylistDocument document(model);
        document.setSaved(u"/lists/a.m3u"_s);
        EXPECT_EQ(document.caption(), u"a.m3u - Sondrel"_s);
        model.setText(1, column, u"new"_s);
        EXPECT_EQ(document.isModified(), marks);
        EXPECT_EQ(document.caption(), marks ? u"a.m3u* - Sondrel"_s : u"a.m3u - Sondrel"_s);
    }
}
