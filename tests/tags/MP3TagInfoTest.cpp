#include "tags/MP3TagInfo.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(MP3TagInfo, KeepsFixedWidthsUnlessLengthIsIgnored)
{
    MP3TagInfo record;
    EXPECT_EQ(record.SongName(), QString(30, QChar(0)));
    EXPECT_EQ(record.Track(), QString(QChar(0)));

    const QString forty = QString(40, u'x');
    record.setSongName(forty);
    EXPECT_EQ(record.SongName(), forty.left(30));
    record.setYear(u"19"_s);
    EXPECT_EQ(record.Year(), u"19"_s + QString(2, QChar(0)));
    record.setTag(u"TAGS"_s);
    EXPECT_EQ(record.tag(), u"TAG"_s);

    record.setIgnoreLength(true);
    record.setComment(forty);
    EXPECT_EQ(record.Comment(), forty);
    record.setYear(u"1968"_s);
    EXPECT_EQ(record.Year(), u"1968"_s);
    record.setArtist(QString());
    EXPECT_EQ(record.Artist(), QString());
    record.setTag(u"TAGS"_s);
    EXPECT_EQ(record.tag(), u"TAG"_s); // the marker keeps its width whatever the switch says

    // A long value stored while the switch was on reads cut once it is off again.
    record.setIgnoreLength(false);
    EXPECT_EQ(record.Comment(), forty.left(29));
}
