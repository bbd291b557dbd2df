#include "format/FieldStore.h"

#include <QDir>

#include <gtest/gtest.h>

#include "format/Composition.h"
#include "support/RecordingMessages.h"
#include "support/TestFiles.h"
#include "tags/GenreTable.h"
#include "tags/Id3v2Fields.h"

using namespace Qt::StringLiterals;

TEST(FieldStore, ReadsTrackNumbersRoundingHalvesToEven)
{
    const struct {
        QString value;
        std::optional<int> expected;
    } cases[] = {{u"23"_s, 23}, {u"2.5"_s, 2}, {u"3.5"_s, 4}, {u"254.5"_s, 254}, {u".5"_s, 0}, {u".51"_s, 1},
        {u"2.5000000000000000000000001"_s, 3}, {u"2.4999999999999999999999999"_s, 2}, {u"3."_s, 3}, {u""_s, 0},
        {u"abc"_s, 0}, {u"."_s, 0}, {u"23abc"_s, 23}, {u"1 2"_s, 1}, {u"1e3"_s, 1}, {u" \t\0+7"_s, 7}, {u"255"_s, 255},
        {u"-0.4"_s, 0}, {u"-0.5"_s, 0}, {u"-0.6"_s, std::nullopt}, {u"-1"_s, std::nullopt}, {u"256"_s, std::nullopt},
        {u"300"_s, std::nullopt}, {u"255.5"_s, std::nullopt}, {u"٣"_s, 0}, // digits of other scripts are not read
        {QString(100000, u'9'), std::nullopt}, {QString(100000, u'0') + u"42"_s, 42},
        {u"1."_s + QString(100000, u'0') + u"1"_s, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value.left(40).toStdString());
        EXPECT_EQ(trackNumberOf(c.value), c.expected);
    }
}

TEST(FieldStore, StoresParsedValuesIntoARecord)
{
    RecordingMessages messages;
    BatchGenres genres;
    const QString all = u"<a>|<t>|<u>|<y>|<c>|<k>|<g>"_s;
    MP3TagInfo record = sampleRecord();
    // The record applies its widths; the genre is looked up without regard to case.
    ASSERT_EQ(storeFields({u"Album"_s, QString(40, u'x'), u"c"_s, u"rock & roll"_s, u"T"_s, u"3.5"_s, u"19689"_s},
                  record, genres),
        Stored::Yes);
    EXPECT_EQ(ApplyFormat(all, record), QString(30, u'x') + u"|T|Album|1968|c|4|Rock & Roll"_s);
    ASSERT_EQ(storeFields({}, record, genres), Stored::Yes);
    EXPECT_EQ(ApplyFormat(all, record), u"|||||0|"_s + GenreName(GenreTable::UnknownGenre));

    // A track that does not fit leaves the whole record alone.
    record = sampleRecord();
    EXPECT_EQ(storeFields({u"A"_s, u"A"_s, u"A"_s, u"Blues"_s, u"A"_s, u"300"_s, u"A"_s}, record, genres),
        Stored::TrackOutOfRange);
    EXPECT_EQ(ApplyFormat(all, record), ApplyFormat(all, sampleRecord()));
    EXPECT_TRUE(messages.shown().empty());
}

TEST(FieldStore, StoresTheTrackOfATwoDigitTokenAsANamedField)
{
    RecordingMessages messages;
    BatchGenres genres;
    const ParsedFields fields = parseFields(u"03 - Title"_s, u"<kk> - <t>"_s);
    MP3TagInfo record = sampleRecord();
    ASSERT_EQ(storeNamedFields(fields, u"<kk> - <t>"_s, record, genres), Stored::Yes);
    EXPECT_EQ(ApplyFormat(u"<kk>|<k>|<t>|<a>"_s, record), u"03|3|Title|Beatles, The"_s);
    Id3v2Fields tag;
    tag.track = u"9"_s;
    storeNamedFields(fields, u"<kk> - <t>"_s, tag);
    EXPECT_EQ(tag.track + u'|' + tag.title, u"03|Title"_s);
    EXPECT_TRUE(messages.shown().empty());
}

TEST(FieldStore, GuessesNoGenreNumberWithoutTheGenreList)
{
    // Without the list every name would get 12 and the empty name 0: the genre is marked as
    // missing instead, whenever its number is needed, and the list is tried once a batch.
    // An empty format stands for a whole new record.
    for (const QString& format : {QString(), u"<a> - <g>"_s, u"<a> - <t>"_s}) {
        SCOPED_TRACE(format.toStdString());
        const Stored expected = format.contains(u"<t>"_s) ? Stored::Yes : Stored::GenreListMissing;
        RecordingMessages messages;
        TestFiles files; // holds no Genres.lst
        GenreTable table(files.folder());
        BatchGenres genres(table);
        const ParsedFields fields{{}, u"A"_s, {}, u"Blues"_s, u"T"_s, u"1"_s, {}};
        for (int row = 0; row < 2; ++row) {
            MP3TagInfo record;
            EXPECT_EQ(format.isEmpty() ? storeFields(fields, record, genres)
                                       : storeNamedFields(fields, format, record, genres),
                expected);
        }
        EXPECT_EQ(messages.shown().size(), expected == Stored::Yes ? 0u : 1u);
    }
}

TEST(FieldStore, ParsesWhatTheSampleComposesAndEveryFieldWithOneMessageForEachWithoutRoom)
{
    RecordingMessages messages;
    const MP3TagInfo sample = sampleRecord();
    EXPECT_FALSE(sample.IgnoreLength());
    EXPECT_EQ(sample.tag(), u"TAG"_s);
    EXPECT_TRUE(fullPathExampleFormat().startsWith(QDir::homePath() + u'/'));
    for (const QString& format : {u"<k>. <a> - <t> (<y>) [<g>] {<u>} <c>"_s,
             u"<kk> - <a> - <t> (<y>) [<g>] {<u>} <c>"_s, fullPathExampleFormat()}) {
        SCOPED_TRACE(format.toStdString());
        const QString text = ApplyFormat(format, sample);
        MP3TagInfo record;
        BatchGenres genres;
        ASSERT_EQ(storeFields(parseFields(text, format), record, genres), Stored::Yes);
        EXPECT_EQ(ApplyFormat(format, record), text);
    }
    ASSERT_TRUE(messages.shown().empty());
    const ParsedFields fields = parseFields(u"x--"_s, u"<k>-<a>-<t>"_s);
    EXPECT_EQ(fields.track, u"x"_s);
    EXPECT_EQ(fields.artist + fields.title + fields.album + fields.genre, QString());
    EXPECT_EQ(messages.texts(), QStringList(2, u"Got confused with x--, skipping."_s));
}
