#include "playlist/EntryList.h"

#include <gtest/gtest.h>

#include <QStringList>

#include "playlist/PlaylistRow.h"
#include "support/RecordingMessages.h"
#include "support/TestFiles.h"

using namespace Qt::StringLiterals;

namespace {

// Rows for entries, each knowing its entry as the model's rows do.
struct Rows {
    std::vector<std::unique_ptr<PlaylistRow>> rows;
    PlaylistRow* add(MP3List& list, const QString& file)
    {
        rows.push_back(std::make_unique<PlaylistRow>());
        rows.back()->entry = list.addNode(file, rows.back().get());
        return rows.back().get();
    }
};

// The files of the entries reachable from head, and checks that tail is the last of them.
QStringList filesOf(const MP3List& list)
{
    QStringList files;
    MP3Node* last = nullptr;
    for (MP3Node* node = list.head().get(); node; node = node->nextNode().get()) {
        files.append(node->file());
        last = node;
    }
    EXPECT_EQ(last, list.tail().get());
    EXPECT_EQ(files.size(), list.size());
    return files;
}

} // namespace

TEST(MP3List, AppendsAndRemovesKeepingHeadAndTail)
{
    struct Case {
        const char* what;
        std::vector<int> removed; // indexes of the rows a, b, c removed in turn
        QStringList remaining;
    } const cases[] = {
        {"first", {0}, {u"b"_s, u"c"_s, u"d"_s}},
        {"middle", {1}, {u"a"_s, u"c"_s, u"d"_s}},
        {"last", {2}, {u"a"_s, u"b"_s, u"d"_s}},
        {"all", {0, 1, 2}, {u"d"_s}},
        {"twice", {1, 1}, {u"a"_s, u"c"_s, u"d"_s}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MP3List list;
        Rows rows;
        for (const QString& file : {u"a"_s, u"b"_s, u"c"_s})
            rows.add(list, file);
        for (const int index : c.removed)
            list.remove(rows.rows[std::size_t(index)].get());
        // An entry appended afterwards is reachable from head.
        rows.add(list, u"d"_s);
        EXPECT_EQ(filesOf(list), c.remaining);
    }
}

TEST(MP3List, IgnoresRowsOfOtherListsAndNoRow)
{
    MP3List list, other;
    Rows rows;
    rows.add(list, u"a"_s);
    PlaylistRow* foreign = rows.add(other, u"x"_s);
    list.remove(foreign);
    list.remove(nullptr);
    EXPECT_EQ(filesOf(list), QStringList({u"a"_s}));
    EXPECT_EQ(filesOf(other), QStringList({u"x"_s}));
}

TEST(Iterator, StaysOnTheLastEntryAndPicksUpNewOnes)
{
    MP3List list;
    Rows rows;
    Iterator early = list.getIterator();
    for (const QString& file : {u"a"_s, u"b"_s, u"c"_s})
        rows.add(list, file);
    EXPECT_FALSE(early.MoveNext()); // made over an empty list: never reaches later entries

    Iterator it = list.getIterator();
    QStringList seen;
    while (it.MoveNext())
        seen.append(it.current()->file());
    EXPECT_EQ(seen, QStringList({u"a"_s, u"b"_s, u"c"_s}));
    EXPECT_EQ(it.current()->file(), u"c"_s);
    rows.add(list, u"d"_s);
    ASSERT_TRUE(it.MoveNext());
    EXPECT_EQ(it.current()->file(), u"d"_s);

    it.Reset();
    ASSERT_TRUE(it.MoveNext());
    EXPECT_EQ(it.current()->file(), u"b"_s); // Reset stands on the start: the next step is the second

    // Standing on an entry that is removed, the next step goes to the entry that followed it.
    list.remove(rows.rows[1].get());
    rows.rows[1].reset();
    ASSERT_TRUE(it.MoveNext());
    EXPECT_EQ(it.current()->file(), u"c"_s);
}

TEST(MP3List, DropsAMillionEntriesWithoutDeepRecursion)
{
    auto list = std::make_unique<MP3List>();
    for (int i = 0; i < 1'000'000; ++i)
        list->addNode(QString(), nullptr);
    Iterator held = list->getIterator();
    held.MoveNext();
    list.reset(); // the entries go one by one, the held head last
    EXPECT_NE(held.current()->nextNode(), nullptr); // what an iterator holds stays usable
    held = Iterator();
}

TEST(MP3Node, ReadTagWritesOnlyTheTwoTagColumns)
{
    TestFiles files;
    RecordingMessages messages;
    const QString song
        = files.write(u"song.mp3"_s, TestBytes::audio(200) + TestBytes::id3v1({"Song", "", "", "", "", 0, 0}));
    const QString other
        = files.write(u"other.mp3"_s, TestBytes::id3v2Header(3, 0, QByteArray(4, '\0')) + TestBytes::audio(200));
    MP3List list;
    PlaylistRow row;
    row.texts = {song, u"Title"_s, u"..."_s, u"..."_s, u"215"_s};
    row.entry = list.addNode(song, &row);
    row.entry->ReadTag();
    EXPECT_EQ(row.texts, (std::array<QString, 5>{song, u"Title"_s, u" - Song"_s, u"No"_s, u"215"_s}));

    // After a new path the entry reads the new file.
    row.entry->reInit(other, &row);
    row.entry->ReadTag();
    EXPECT_EQ(row.texts[QuickTagColumn], u"(none)"_s);
    EXPECT_EQ(row.texts[HasId2Column], u"Yes"_s);

    row.entry->reInit(files.path(u"gone.mp3"_s), &row);
    row.entry->ReadTag();
    EXPECT_EQ(row.texts[QuickTagColumn], u"(error)"_s);
    EXPECT_EQ(row.texts[HasId2Column], u"(error)"_s);
}
