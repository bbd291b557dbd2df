#include "tags/Id3v1.h"

#include <gtest/gtest.h>

#include "support/TestFiles.h"
#include "tags/MP3TagInfo.h"

using namespace Qt::StringLiterals;

TEST(Id3v1Tag, EncodesEachFieldAtItsOffset)
{
    MP3TagInfo record;
    record.setSongName(u"Hey Jude"_s);
    record.setArtist(u"Beatles, The"_s);
    record.setAlbum(u"White Album, The"_s);
    record.setYear(u"1968"_s);
    record.setComment(u"Not a bad song"_s);
    record.setTrack(QString(QChar(7)));
    record.setGenre(QString(QChar(17)));

    const QByteArray tag = Id3v1::marker().toByteArray() + Id3v1::encodeBody(record);
    EXPECT_EQ(tag, TestBytes::id3v1({"Hey Jude", "Beatles, The", "White Album, The", "1968", "Not a bad song", 7, 17}));
}

TEST(Id3v1Tag, CommentOfTwentyNineCharactersFillsTheByteBeforeTheTrack)
{
    struct Case {
        QString comment;
        char byte125;
    } const cases[] = {
        {QString(28, u'c'), '\0'},
        {QString(29, u'c'), 'c'},
        {QString(35, u'c'), 'c'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.comment.size());
        MP3TagInfo record;
        record.setComment(c.comment);
        record.setTrack(QString(QChar(9)));
        const QByteArray body = Id3v1::encodeBody(record);
        EXPECT_EQ(body.at(125 - Id3v1::MarkerWidth), c.byte125);
        EXPECT_EQ(body.at(Id3v1::TrackOffset - Id3v1::MarkerWidth), 9);
    }
}

TEST(Id3v1Tag, DecodingThenEncodingGivesTheSameBytes)
{
    // Every byte value in every field, the high controls of the code page included.
    QByteArray tag = "TAG";
    for (int i = 0; i < 125; ++i)
        tag += char((i * 37 + 128) % 256);
    MP3TagInfo record;
    Id3v1::decode(tag, record);
    EXPECT_EQ(record.tag(), u"TAG"_s);
    EXPECT_EQ(Id3v1::encodeBody(record), tag.mid(Id3v1::MarkerWidth));
}

TEST(Id3v1Tag, ReadsNumbersAsBytesNotCharacters)
{
    MP3TagInfo record;
    Id3v1::decode(TestBytes::id3v1({"", "", "", "", "", 128, 255}), record);
    // Byte 128 is track 128, not the euro sign the code page would give.
    EXPECT_EQ(record.Track(), QString(QChar(128)));
    EXPECT_EQ(record.Genre(), QString(QChar(255)));
}

TEST(Id3v1Tag, WritesWhatTheCodePageCannotHoldAsQuestionMarksAndBigNumbersAsZero)
{
    MP3TagInfo record;
    record.setSongName(u"Caf\u00E9 \u4E2D\u20AC"_s);
    record.setTrack(QString(QChar(300)));
    record.setGenre(QString());
    const QByteArray body = Id3v1::encodeBody(record);
    EXPECT_EQ(body.left(7), QByteArray("Caf\xE9 ?\x80"));
    EXPECT_EQ(body.at(Id3v1::TrackOffset - Id3v1::MarkerWidth), 0);
    EXPECT_EQ(body.at(Id3v1::GenreOffset - Id3v1::MarkerWidth), 0);
}
