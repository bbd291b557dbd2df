#include "playlist/EntryList.h"

#include <algorithm>

#include <QStringList>

#include <gtest/gtest.h>

#include "playlist/PlaylistRow.h"
#include "support/RecordingMessages.h"
#include "support/TestFiles.h"

using namespace Qt::StringLiterals;

namespace {

// Entries appended to lists, each also held here, as an iterator would hold it, so that a removed
// one stays usable.
struct Rows {
    std::vector<std::shared_ptr<MP3Node>> rows;
    MP3Node* add(MP3List& list, const QString& file)
    {
        rows.push_back(list.addNode(file));
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
        // Entries of another list, and no entry, are ignored.
        MP3List other;
        list.remove(rows.add(other, u"x"_s));
        list.remove(nullptr);
        EXPECT_EQ(filesOf(other), QStringList({u"x"_s}));
        // An entry appended afterwards is reachable from head.
        rows.add(list, u"d"_s);
        EXPECT_EQ(filesOf(list), c.remaining);
        // Each entry still in the list is found by its handle; a removed one has none.
        for (const auto& node : rows.rows)
            EXPECT_EQ(list.handleOf(*node), list.holds(*node) ? node : nullptr);
    }
}

TEST(MP3List, SplicesAnotherListOnInOrder)
{
    struct Case {
        const char* what;
        QStringList first;
        QStringList second;
    } const cases[] = {
        {"onto entries", {u"a"_s, u"b"_s}, {u"c"_s, u"d"_s}},
        {"onto nothing", {}, {u"c"_s}},
        {"nothing on", {u"a"_s}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MP3List list, other;
        Rows rows;
        for (const QString& file : c.first)
            rows.add(list, file);
        Iterator atEnd = list.getIterator();
        while (atEnd.MoveNext()) { }
        for (const QString& file : c.second)
            rows.add(other, file);
        list.splice(other);
        EXPECT_EQ(filesOf(list), c.first + c.second);
        EXPECT_EQ(filesOf(other), QStringList());
        EXPECT_TRUE(std::ranges::all_of(rows.rows, [&](const auto& node) { return list.holds(*node); }));
        // A cursor that stood on the last entry goes on into the spliced ones.
        if (!c.first.isEmpty() && !c.second.isEmpty()) {
            ASSERT_TRUE(atEnd.MoveNext());
            EXPECT_EQ(atEnd.current()->file(), c.second.front());
        }
        // Removing the last spliced entry leaves a tail that further entries follow.
        if (!rows.rows.empty())
            list.remove(rows.rows.back().get());
        rows.add(list, u"z"_s);
        EXPECT_EQ(filesOf(list).last(), u"z"_s);
    }
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
        list->addNode(QString());
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
    PlaylistRow& row = *list.addNode(song)->item();
    row.setText(TitleColumn, u"Title"_s);
    row.setText(LengthColumn, u"215"_s);
    const auto texts = [&] {
        QStringList all;
        for (int column = 0; column <= LengthColumn; ++column)
            all.append(row.text(column));
        return all;
    };
    EXPECT_EQ(texts(), QStringList({song, u"Title"_s, u"..."_s, u"..."_s, u"215"_s}));

    // After a new path the file name column shows it and the entry reads the new file.
    struct Step {
        QString file;
        QString quickTag;
        QString hasId2;
    } const steps[] = {
        {song, u" - Song"_s, u"No"_s},
        {other, u"(none)"_s, u"Yes"_s},
        {files.path(u"gone.mp3"_s), u"(error)"_s, u"(error)"_s},
    };
    for (const Step& step : steps) {
        row.reInit(step.file);
        row.ReadTag();
        EXPECT_EQ(texts(), QStringList({step.file, u"Title"_s, step.quickTag, step.hasId2, u"215"_s}));
    }
    // One tag column written alone leaves the other as it was.
    row.setText(QuickTagColumn, u"..."_s);
    EXPECT_EQ(texts(), QStringList({files.path(u"gone.mp3"_s), u"Title"_s, u"..."_s, u"(error)"_s, u"215"_s}));
}
