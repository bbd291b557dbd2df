#include "tags/TagColumns.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include "PlaylistTestRows.h"
#include "playlist/PlaylistDocument.h"
#include "playlist/PlaylistModel.h"
#include "playlist/TagReading.h"
#include "support/RecordingMessages.h"
#include "support/TestFiles.h"
#include "tags/GenreTable.h"

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using TestBytes::audio;
using TestBytes::id3v1;
using TestBytes::id3v2Tag;

namespace {

const QByteArray kId3v1 = id3v1({"Song", "Band", "Disc", "1999", "Note", 7, 17});
const QByteArray kId3v2 = id3v2Tag(3,
    {{"TIT2", u"Sång"_s}, {"TPE1", u"Bänd Ω"_s}, {"TALB", u"Long Album"_s}, {"TRCK", u"3/12"_s}, {"TYER", u"2004"_s},
        {"TCON", u"Jazz"_s}, {"COMM", u"A note"_s}});
// A tag whose body is neither frames nor padding: unreadable.
const QByteArray kGarbage = TestBytes::id3v2Header(3, 0, QByteArray("\0\0\0\x14", 4)) + QByteArray(20, 'x');
const QByteArray kId3v22 = id3v2Tag(2, {{"TT2", u"Old"_s}, {"TP1", u"Two"_s}, {"TCO", u"(17)"_s}});

} // namespace

// The tag columns, from "ID3v1 QuickTag" to "Comment" (Length between them is the playlist's own),
// for rows not yet read, read with either tag or both, with a tag that cannot be read, and gone.
TEST(TagColumns, ShowEachTagOfTheRowAndTheFieldsOfTheTagInUse)
{
    RecordingMessages messages;
    ASSERT_TRUE(programGenres().isLoaded() || programGenres().LoadGenres()); // genre 17 is "Rock"
    TestFiles files;
    const struct {
        const char* name;
        QByteArray bytes; // empty: no file
        bool read;
        TagChoice fields;
        QStringList texts;
    } cases[] = {
        {"unread", kId3v2 + audio(300) + kId3v1, false, TagChoice::Id3v2,
            {u"..."_s, u"..."_s, u"???"_s, u"..."_s, {}, {}, {}, {}, {}}},
        {"ID3v1 alone, ID3v1 fields", audio(300) + kId3v1, true, TagChoice::Id3v1,
            {u"Band - Song"_s, u"No"_s, u"???"_s, u"(none)"_s, u"Disc"_s, u"7"_s, u"1999"_s, u"Rock"_s, u"Note"_s}},
        {"ID3v1 alone, ID3v2 fields", audio(300) + kId3v1, true, TagChoice::Id3v2,
            {u"Band - Song"_s, u"No"_s, u"???"_s, u"(none)"_s, {}, {}, {}, {}, {}}},
        {"both, ID3v2 fields", kId3v2 + audio(300) + kId3v1, true, TagChoice::Id3v2,
            {u"Band - Song"_s, u"Yes"_s, u"???"_s, u"Bänd Ω - Sång"_s, u"Long Album"_s, u"3/12"_s, u"2004"_s, u"Jazz"_s,
                u"A note"_s}},
        {"ID3v2 alone, ID3v1 fields", kId3v2 + audio(300), true, TagChoice::Id3v1,
            {u"(none)"_s, u"Yes"_s, u"???"_s, u"Bänd Ω - Sång"_s, {}, {}, {}, {}, {}}},
        {"a 2.2 tag", kId3v22 + audio(300), true, TagChoice::Id3v2,
            {u"(none)"_s, u"Yes"_s, u"???"_s, u"Two - Old"_s, {}, {}, {}, u"Rock"_s, {}}},
        {"garbage ID3v2", kGarbage + audio(300) + kId3v1, true, TagChoice::Id3v2,
            {u"Band - Song"_s, u"Yes"_s, u"???"_s, u"(error)"_s, {}, {}, {}, {}, {}}},
        {"gone", {}, true, TagChoice::Id3v1, {u"(error)"_s, u"(error)"_s, u"???"_s, u"(error)"_s, {}, {}, {}, {}, {}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PlaylistModel model;
        const QString path = c.bytes.isEmpty() ? files.path(u"gone.mp3"_s) : files.write(u"song.mp3"_s, c.bytes);
        model.appendEntries({{path, u"Title"_s, u"???"_s}});
        model.setFormatStringsUse(c.fields);
        std::optional<Iterator> reader = model.nodeList().getIterator();
        if (c.read)
            readTagsTick(model, reader, 1s);
        QStringList texts;
        for (int column = QuickTagColumn; column < PlaylistColumnCount; ++column)
            texts.append(model.text(0, column));
        EXPECT_EQ(texts, c.texts);
    }
}

// Track and Year sort as numbers (a track's total ignored), the texts that are none after them;
// neither a read nor a change of the tag in use marks the playlist modified.
TEST(TagColumns, SortByNumbersAndChangeTheTagInUseWithoutModifyingThePlaylist)
{
    RecordingMessages messages;
    TestFiles files;
    PlaylistModel model;
    const std::pair<const char*, QString> tracks[] = {{"a", u"10/12"_s}, {"b", u"x"_s}, {"c", u"2"_s}, {"d", u"9/9"_s}};
    for (const auto& [name, track] : tracks) {
        const QString path = files.write(QString::fromLatin1(name),
            id3v2Tag(4, {{"TRCK", track}, {"TALB", QString::fromLatin1(name)}}) + audio(300)
                + id3v1({name, "", "", "", "", 0, 0}));
        model.appendEntries({{path, QString::fromLatin1(name), {}}});
    }
    PlaylistDocument document(model);
    std::optional<Iterator> reader = model.nodeList().getIterator();
    readTagsTick(model, reader, 1s);
    const QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.setFormatStringsUse(TagChoice::Id3v2);
    EXPECT_EQ(changed.size(), 1);
    EXPECT_FALSE(document.isModified());
    model.sort(TrackColumn, Qt::AscendingOrder);
    EXPECT_EQ(columnOf(model, TitleColumn), QStringList({u"c"_s, u"d"_s, u"a"_s, u"b"_s}));
    model.sort(AlbumColumn, Qt::DescendingOrder);
    EXPECT_EQ(columnOf(model, TitleColumn), QStringList({u"d"_s, u"c"_s, u"b"_s, u"a"_s}));
    model.setFormatStringsUse(TagChoice::Id3v1);
    EXPECT_EQ(columnOf(model, AlbumColumn), QStringList({{}, {}, {}, {}}));
    EXPECT_TRUE(messages.texts().isEmpty());
}
