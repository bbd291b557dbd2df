// Texts of 100,000 characters as format strings, as texts to parse and as field values: every one
// gives its whole result, and a record keeps only its fields' widths.

#include <gtest/gtest.h>

#include <functional>

#include "Hostile.h"
#include "format/Composition.h"
#include "format/FieldStore.h"
#include "format/Parsing.h"
#include "support/RecordingMessages.h"
#include "tags/GenreTable.h"
#include "tags/MP3TagInfo.h"

using namespace Qt::StringLiterals;
using namespace Hostile;

namespace {

constexpr qsizetype kLong = 100'000;

QString times(const QString& piece, qsizetype count)
{
    return piece.repeated(count);
}

MP3TagInfo recordOf(const QString& artist, const QString& title, bool ignoreLength)
{
    MP3TagInfo record;
    record.setIgnoreLength(ignoreLength);
    record.setArtist(artist);
    record.setSongName(title);
    return record;
}

} // namespace

TEST(HostileLongTexts, FormatsOfAHundredThousandCharactersComposeWhole)
{
    struct Case {
        const char* name;
        QString format;
        MP3TagInfo record;
        QString expected;
    } const cases[] = {
        {"no token", QString(kLong, u'x'), MP3TagInfo(), QString(kLong, u'x')},
        {"33,333 artist tokens", times(u"<a>"_s, kLong / 3), recordOf(u"X"_s, QString(), false),
            times(u"X"_s, kLong / 3)},
        {"a value of 100,000 characters cut to its field", u"<a>|<t>"_s,
            recordOf(QString(kLong, u'a'), QString(kLong, u't'), false), QString(30, u'a') + u'|' + QString(30, u't')},
        {"a value of 100,000 characters kept whole", u"<a>|<t>"_s,
            recordOf(QString(kLong, u'a'), QString(kLong, u't'), true),
            QString(kLong, u'a') + u'|' + QString(kLong, u't')},
        {"a value holding 20,000 tokens, never read as a format", u"<a>"_s,
            recordOf(times(u"<t>"_s, 20'000), u"T"_s, true), times(u"<t>"_s, 20'000)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const HangGuard guard(c.name);
        EXPECT_TRUE(ApplyFormat(c.format, c.record) == c.expected);
    }
}

TEST(HostileLongTexts, TextsAndFormatsOfAHundredThousandCharactersParseWhole)
{
    const QString a(kLong / 2, u'a');
    const QString t(kLong / 2, u't');
    struct Case {
        const char* name;
        QString text;
        QString format;
        QString title; // what the title token finds
        QString artist;
        QStringList messages;
    } const cases[] = {
        {"two halves", a + u" - "_s + t, u"<a> - <t>"_s, t, a, {}},
        {"a long literal before the token", QString(2 * kLong, u'x'), QString(kLong - 3, u'x') + u"<t>"_s,
            QString(kLong + 3, u'x'), QString(), {}},
        {"a long piece that is nearly there", QString(kLong, u'a'), QString(kLong / 2, u'a') + u"b<t>"_s, QString(),
            QString(), {}},
        // Each "x" after a token is matched from the right, one character each.
        {"25,000 separators", times(u"x"_s, kLong), u"<t>"_s + times(u"x<a>"_s, kLong / 4), QString(75'000, u'x'),
            QString(75'000, u'x'), {}},
        {"pieces that leave no room", u"xb"_s + QString(kLong, u'y') + u"a"_s, u"a<t>b"_s, QString(), QString(),
            {u"Got confused with xb"_s + QString(kLong, u'y') + u"a, skipping."_s}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const HangGuard guard(c.name);
        RecordingMessages messages;
        EXPECT_TRUE(ParseTitle(c.text, c.format) == c.title) << "the title differs";
        EXPECT_TRUE(ParseArtist(c.text, c.format) == c.artist) << "the artist differs";
        EXPECT_TRUE(messages.texts() == c.messages) << "the messages differ";
    }
}

TEST(HostileLongTexts, ParsedValuesOfAHundredThousandCharactersAreCutToTheirFields)
{
    ParsedFields fields;
    fields.title = QString(kLong, u't');
    fields.artist = QString(kLong, u'a');
    fields.album = QString(kLong, u'u');
    fields.year = QString(kLong, u'9');
    fields.comment = QString(kLong, u'c');
    fields.genre = QString(kLong, u'g');
    fields.track = QString(kLong, u'1');
    MP3TagInfo record;
    BatchGenres genres;
    // A track of 100,000 digits does not fit in a byte: nothing is stored.
    EXPECT_EQ(storeFields(fields, record, genres), Stored::TrackOutOfRange);
    EXPECT_EQ(record.SongName(), QString(30, QChar(0)));
    fields.track = u"7"_s + QString(kLong, u' ');
    ASSERT_EQ(storeFields(fields, record, genres), Stored::Yes);
    EXPECT_EQ(record.SongName(), QString(30, u't'));
    EXPECT_EQ(record.Artist(), QString(30, u'a'));
    EXPECT_EQ(record.Album(), QString(30, u'u'));
    EXPECT_EQ(record.Year(), QString(4, u'9'));
    EXPECT_EQ(record.Comment(), QString(29, u'c'));
    EXPECT_EQ(record.Track(), QString(QChar(7)));
    EXPECT_EQ(record.Genre(), QString(QChar(12))); // no genre has that name
}
