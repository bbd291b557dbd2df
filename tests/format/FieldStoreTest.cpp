#include "format/FieldStore.h"

#include <QDir>

#include <gtest/gtest.h>

#include "format/Composition.h"
#include "support/RecordingMessages.h"
#include "support/TestFiles.h"
#include "tags/GenreTable.h"

using namespace Qt::StringLiterals;

TEST(FieldStore, ReadsTrackNumbersRoundingHalvesToEven)
{
    const struct {
        QString value;
        std::optional<int> expected;
    } cases[] = {
        {u"23"_s, 23},
        {u"2.5"_s, 2},
        {u"3.5"_s, 4},
        {u"254.5"_s, 254},
        {u".5"_s, 0},
        {u".51"_s, 1},
        {u"2.5000000000000000000000001"_s, 3},
        {u"2.4999999999999999999999999"_s, 2},
        {u"3."_s, 3},
        {u""_s, 0},
        {u"abc"_s, 0},
        {u"."_s, 0},
        {u"23abc"_s, 23},
        {u"1 2"_s, 1},
        {u"1e3"_s, 1},
        {u" \t\0+7"_s, 7},
        {u"255"_s, 255},
        {u"-0.4"_s, 0},
        {u"-0.5"_s, 0},
        {u"-0.6"_s, std::nullopt},
        {u"-1"_s, std::nullopt},
        {u"256"_s, std::nullopt},
        {u"300"_s, std::nullopt},
        {u"255.5"_s, std::nullopt},
        {u"٣"_s, 0}, // digits of other scripts are not read
        {QString(100000, u'9'), std::nullopt},
        {QString(100000, u'0') + u"42"_s, 42},
        {u"1."_s + QString(100000, u'0') + u"1"_s, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value.left(40).toStdString());
        EXPECT_EQ(trackNumberOf(c.value), c.expected);
    }
}

TEST(FieldStore, StoresParsedValuesIntoARecord)
{
    RecordingMessages messages;
    BatchGenres genres;
    MP3TagInfo record = sampleRecord();
    ASSERT_EQ(storeFields({u"Album"_s, QString(40, u'x'), u"c"_s, u"rock & roll"_s, u"T"_s, u"3.5"_s, u"19689"_s},
                  record, genres),
        Stored::Yes);
    EXPECT_EQ(record.Album(), MP3TagInfo::PadField(u"Album"_s, MP3TagInfo::AlbumWidth));
    EXPECT_EQ(record.Artist(), QString(30, u'x')); // the record applies its widths
    EXPECT_EQ(record.Comment(), MP3TagInfo::PadField(u"c"_s, MP3TagInfo::CommentWidth));
    EXPECT_EQ(record.Genre(), QString(QChar(GenreNumber(u"Rock & Roll"_s))));
    EXPECT_EQ(record.SongName(), MP3TagInfo::PadField(u"T"_s, MP3TagInfo::SongNameWidth));
    EXPECT_EQ(record.Track(), QString(QChar(4)));
    EXPECT_EQ(record.Year(), u"1968"_s);

    ASSERT_EQ(storeFields({}, record, genres), Stored::Yes);
    EXPECT_EQ(record.Genre(), QString(QChar(GenreTable::UnknownGenre)));
    EXPECT_EQ(record.Track(), QString(QChar(0)));

    // A track that does not fit leaves the whole record alone.
    const MP3TagInfo before = sampleRecord();
    record = before;
    EXPECT_EQ(storeFields({u"A"_s, u"A"_s, u"A"_s, u"Blues"_s, u"A"_s, u"300"_s, u"A"_s}, record, genres),
        Stored::TrackOutOfRange);
    EXPECT_EQ(ApplyFormat(u"<a><t><u><y><c><k><g>"_s, record), ApplyFormat(u"<a><t><u><y><c><k><g>"_s, before));
    EXPECT_TRUE(messages.shown().empty());
}

TEST(FieldStore, GuessesNoGenreNumberWithoutTheGenreList)
{
    // Without the list every name would get 12 and the empty name 0: the genre is marked as
    // missing instead, whenever its number is needed, and the list is tried once a batch.
    struct Case {
        const char* what;
        QString format; // empty: a whole new record
        Stored stored;
    } const cases[] = {
        {"a new record", QString(), Stored::GenreListMissing},
        {"a format naming the genre", u"<a> - <g>"_s, Stored::GenreListMissing},
        {"a format without the genre", u"<a> - <t>"_s, Stored::Yes},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingMessages messages;
        TestFiles files; // holds no Genres.lst
        GenreTable table(files.folder());
        BatchGenres genres(table);
        const ParsedFields fields{{}, u"A"_s, {}, u"Blues"_s, u"T"_s, u"1"_s, {}};
        for (int row = 0; row < 2; ++row) {
            MP3TagInfo record;
            EXPECT_EQ(c.format.isEmpty() ? storeFields(fields, record, genres)
                                         : storeNamedFields(fields, c.format, record, genres),
                c.stored);
        }
        EXPECT_EQ(messages.shown().size(), c.stored == Stored::Yes ? 0u : 1u);
    }
}

TEST(FieldStore, ParsesWhatTheSampleComposesBackIntoTheSameText)
{
    RecordingMessages messages;
    const MP3TagInfo sample = sampleRecord();
    EXPECT_FALSE(sample.IgnoreLength());
    EXPECT_EQ(sample.tag(), u"TAG"_s);
    for (const QString& format : {u"<a> - <t>"_s, u"<k>. <a> - <t> (<y>) [<g>] {<u>} <c>"_s, fullPathExampleFormat()}) {
        SCOPED_TRACE(format.toStdString());
        const QString text = ApplyFormat(format, sample);
        MP3TagInfo record;
        BatchGenres genres;
        ASSERT_EQ(storeFields(parseFields(text, format), record, genres), Stored::Yes);
        EXPECT_EQ(ApplyFormat(format, record), text);
    }
    EXPECT_TRUE(fullPathExampleFormat().startsWith(QDir::homePath() + u'/'));
    EXPECT_TRUE(messages.shown().empty());
}

TEST(FieldStore, ParsesEveryFieldWithOneMessageForEachFieldWithoutRoom)
{
    RecordingMessages messages;
    const ParsedFields fields = parseFields(u"x--"_s, u"<k>-<a>-<t>"_s);
    EXPECT_EQ(fields.track, u"x"_s);
    EXPECT_EQ(fields.artist + fields.title + fields.album + fields.genre, QString());
    EXPECT_EQ(messages.texts(), QStringList(2, u"Got confused with x--, skipping."_s));
}
