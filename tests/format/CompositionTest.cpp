#include "format/Composition.h"

#include <gtest/gtest.h>

#include "format/FieldStore.h"
#include "support/RecordingMessages.h"
#include "tags/GenreTable.h"
#include "tags/MP3TagInfo.h"

using namespace Qt::StringLiterals;

namespace {

struct Case {
    QString format;
    QString expected;
};

void expectComposes(const MP3TagInfo& record, std::initializer_list<Case> cases)
{
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format.toStdString());
        EXPECT_EQ(ApplyFormat(c.format, record), c.expected);
    }
}

// A record that keeps its values whole; Track and Genre read as one character each.
MP3TagInfo freeRecord(const QString& artist, const QString& title)
{
    MP3TagInfo record;
    record.setIgnoreLength(true);
    record.setArtist(artist);
    record.setSongName(title);
    record.setTrack(QString(QChar(7)));
    record.setGenre(QString(QChar(0)));
    return record;
}

} // namespace

TEST(ApplyFormat, PutsTheSampleValuesInPlaceOfTheirTokens)
{
    RecordingMessages messages;
    expectComposes(sampleRecord(),
        {
            {u"<a> - <t>"_s, u"Beatles, The - Hey Jude"_s},
            {u"<k>. <a> - <t> (<y>)"_s, u"23. Beatles, The - Hey Jude (1968)"_s},
            {u"<g>"_s, u"Rock & Roll"_s},
            {u"<u>|<c>"_s, u"White Album, The|Not a bad song"_s},
            {u"<k><k><y>"_s, u"23231968"_s},
            {u"<A> < a> <a"_s, u"<A> < a> <a"_s},
            {u"<<a>>"_s, u"<Beatles, The>"_s},
            {u""_s, u""_s},
            {u"\0<y>\0"_s,
                u"\0"
                "1968\0"_s},
            {u"Бітлз — <y> 日本 🎵"_s, u"Бітлз — 1968 日本 🎵"_s},
        });
    EXPECT_TRUE(messages.shown().empty());
}

TEST(ApplyFormat, TrimsTextFieldsAndWritesNumbersPlainly)
{
    RecordingMessages messages;
    MP3TagInfo padded;
    padded.setArtist(u" Beatles "_s);
    padded.setSongName(u"\tA\0B "_s);
    padded.setTrack(QString(QChar(255)));
    ASSERT_EQ(padded.Artist().size(), MP3TagInfo::ArtistWidth);
    expectComposes(padded,
        {
            {u"[<a>]"_s, u"[Beatles]"_s},
            {u"[<t>]"_s, u"[A\0B]"_s}, // inner blanks stay
            {u"<k>"_s, u"255"_s},
        });

    const MP3TagInfo empty; // every field NUL
    expectComposes(empty, {{u"<a> - <t>"_s, u" - "_s}, {u"<k>"_s, u"0"_s}, {u"<u><y><c>"_s, u""_s}});
    EXPECT_EQ(ApplyFormat(u"<g>"_s, empty), GenreName(0));
    EXPECT_FALSE(GenreName(0).isEmpty());

    // A genre beyond the list, and a record with no track character at all.
    MP3TagInfo free = freeRecord(QString(), QString());
    free.setGenre(QString(QChar(250)));
    free.setTrack(QString());
    expectComposes(free, {{u"<g>|<k>"_s, u"|0"_s}});
    EXPECT_TRUE(messages.shown().empty());
}

TEST(ApplyFormat, NeverReadsAValueAsAFormat)
{
    const struct {
        const char16_t* artist;
        const char16_t* title;
        const char16_t* format;
        const char16_t* expected;
    } cases[] = {
        {u"<t>", u"Hey Jude", u"<a>", u"<t>"}, {u"A", u"<a>", u"<t>", u"<a>"}, {u"<a>", u"T", u"<a><a>", u"<a><a>"},
        {u"<t><t>", u"x", u"<a>", u"<t><t>"}, {u"<k>:<g>", u"", u"<a>", u"<k>:<g>"},
        {u"<", u"T", u"<a>t>", u"<t>"}, // a token formed by a value and the literal behind it
        {u"a", u"t>", u"<<t>", u"<t>"}, // ... or by the literal before it
    };
    RecordingMessages messages;
    for (const auto& c : cases) {
        SCOPED_TRACE(QString::fromUtf16(c.format).toStdString());
        const MP3TagInfo record = freeRecord(QString::fromUtf16(c.artist), QString::fromUtf16(c.title));
        EXPECT_EQ(ApplyFormat(QString::fromUtf16(c.format), record), QString::fromUtf16(c.expected));
    }
}

TEST(ApplyFormat, ComposesLongFormatsWhole)
{
    const QString filler(100000, u'x');
    QString format = filler + u"<a>"_s;
    for (int i = 0; i < 30000; ++i)
        format += u"<t>"_s;
    const QString result = ApplyFormat(format, freeRecord(u"A"_s, u"<t>|"_s));
    EXPECT_EQ(result.size(), filler.size() + 1 + 30000 * 4);
    EXPECT_TRUE(result.startsWith(filler + u"A<t>|<t>|"_s));
}
