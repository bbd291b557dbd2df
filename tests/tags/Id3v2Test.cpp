#include "tags/Id3v2.h"

#include <gtest/gtest.h>

#include "support/TestFiles.h"

TEST(Id3v2Header, GivesTheTagLengthOrRefusesSizesThatOverflow)
{
    struct Case {
        unsigned char flags;
        QByteArray size;
        std::optional<qint64> length;
    } const cases[] = {
        {0, QByteArray("\x00\x00\x02\x01", 4), 267},
        {16, QByteArray("\x00\x00\x02\x01", 4), 277},
        {0xEF, QByteArray("\x00\x00\x00\x00", 4), 10}, // only bit 4 of the flags counts
        {0, QByteArray("\x7F\x7F\x7F\x7F", 4), 0x0FFFFFFF + 10},
        {0, QByteArray("\x00\x80\x00\x80", 4), 10}, // top bits of the second and fourth bytes dropped
        {0, QByteArray("\x80\x00\x00\x00", 4), std::nullopt},
        {0, QByteArray("\x00\x00\x80\x00", 4), std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size.toHex().toStdString() + " flags " + std::to_string(c.flags));
        EXPECT_EQ(Id3v2::tagLength(TestBytes::id3v2Header(3, c.flags, c.size)), c.length);
    }
    EXPECT_EQ(Id3v2::tagLength("ID3\x03\x00\x00\x00\x00"), std::nullopt); // header cut short
}

TEST(Id3v2Header, DetectsTheMarkerExactly)
{
    EXPECT_TRUE(Id3v2::startsWithMarker("ID3\x04"));
    EXPECT_FALSE(Id3v2::startsWithMarker("id3\x04"));
    EXPECT_FALSE(Id3v2::startsWithMarker("ID"));
}
