#include "playlist/RowFilter.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include "PlaylistTestRows.h"

using namespace Qt::StringLiterals;

namespace {

// Four rows whose file names, titles and lengths hold the words the cases look for.
void fillSample(PlaylistModel& model)
{
    model.appendEntries({
        {u"/music/Beatles/Help.mp3"_s, u"Help!"_s, u"138"_s},
        {u"/music/Björk/Jóga.mp3"_s, u"Jóga"_s, u"305"_s},
        {u"/music/ÖLÜ/song.mp3"_s, u"STRASSE Straße"_s, u"60"_s},
        {u"/music/misc/track.mp3"_s, u"Help Me Rhonda"_s, u"???"_s},
    });
}

std::vector<int> shownNumbers(const PlaylistModel& model, const RowFilter& filter)
{
    std::vector<int> numbers;
    for (qsizetype row = 0; row < model.size(); ++row) {
        if (filter.isShown(row))
            numbers.push_back(int(row) + 1);
    }
    return numbers;
}

} // namespace

TEST(RowFilter, ShowsTheRowsHoldingEveryWordInAnyColumnWithoutCase)
{
    struct Case {
        QString typed;
        std::vector<int> shown;
    } const cases[] = {
        {u""_s, {1, 2, 3, 4}},
        {u" \t "_s, {1, 2, 3, 4}},
        {u"help"_s, {1, 4}},
        {u"HeLP"_s, {1, 4}},
        {u"help rhonda"_s, {4}},
        {u"\trhonda\n  HELP "_s, {4}},
        {u"beatles help!"_s, {1}}, // one word in the file name, the other in the title
        {u"rhonda beatles"_s, {}},
        {u"BJÖRK"_s, {2}},
        {u"jÓga 305"_s, {2}}, // the length column counts too
        {u"ölü"_s, {3}},
        {u"straße"_s, {3}},
        {u"mp3help"_s, {}}, // a word never runs from the file name into the title
        {u"60"_s, {3}},
        {u"zzz"_s, {}},
    };
    PlaylistModel model;
    fillSample(model);
    RowFilter filter(model);
    // Typed one after another, so that narrowing and widening from the case before are both tried.
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        filter.setText(c.typed);
        EXPECT_EQ(shownNumbers(model, filter), c.shown);
        EXPECT_EQ(filter.shownCount(), qsizetype(c.shown.size()));
        EXPECT_EQ(filter.isActive(), !c.typed.trimmed().isEmpty());
    }
}

TEST(RowFilter, FollowsTheRowsAndKeepsTheSelectionToShownRows)
{
    PlaylistModel model;
    fillSample(model);
    RowFilter filter(model);
    QSignalSpy shownChanged(&filter, &RowFilter::shownChanged);
    RowCommands::selectAll(model);
    filter.setText(u"help"_s);
    EXPECT_EQ(selectedNumbers(model), (std::vector<int>{1, 4})); // the hidden rows were deselected
    RowCommands::selectInverse(model);
    EXPECT_EQ(selectedNumbers(model), std::vector<int>{});
    RowCommands::selectAll(model);
    EXPECT_EQ(selectedNumbers(model), (std::vector<int>{1, 4}));

    // A row whose title changes is matched again, and leaves the selection when it is hidden.
    shownChanged.clear();
    model.rowAt(3)->setText(TitleColumn, u"Rhonda"_s);
    model.rowsChanged(3, 3);
    EXPECT_EQ(shownNumbers(model, filter), std::vector<int>{1});
    EXPECT_EQ(selectedNumbers(model), std::vector<int>{1});
    ASSERT_EQ(shownChanged.size(), 1);
    EXPECT_EQ(shownChanged.front(), (QVariantList{qsizetype(3), qsizetype(3)}));

    // Rows added are matched; a sort moves the shown state with the rows.
    fillTitles(model, {u"help me"_s, u"other"_s});
    EXPECT_EQ(shownNumbers(model, filter), (std::vector<int>{1, 5}));
    model.sort(TitleColumn);
    EXPECT_EQ(columnOf(model, TitleColumn).filter(u"help"_s, Qt::CaseInsensitive).size(), filter.shownCount());
    for (qsizetype row = 0; row < model.size(); ++row)
        EXPECT_EQ(filter.isShown(row), model.text(row, TitleColumn).contains(u"help"_s, Qt::CaseInsensitive));

    // Delete Selected on Select All takes the shown rows only.
    RowCommands::selectAll(model);
    std::optional<Iterator> reader;
    RowCommands::deleteSelected(model, reader);
    EXPECT_EQ(model.size(), 4);
    EXPECT_EQ(filter.shownCount(), 0);
    EXPECT_EQ(columnOf(model, TitleColumn).filter(u"help"_s, Qt::CaseInsensitive), QStringList());

    // No filter: every row shown, and the selection free again.
    filter.setText(u"  "_s);
    EXPECT_EQ(filter.shownCount(), 4);
    RowCommands::selectAll(model);
    EXPECT_EQ(selectedNumbers(model), (std::vector<int>{1, 2, 3, 4}));
}
