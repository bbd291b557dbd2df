#include "format/Parsing.h"

#include <QStringList>

#include <gtest/gtest.h>

#include "format/Composition.h"
#include "format/FieldStore.h"
#include "support/RecordingMessages.h"

using namespace Qt::StringLiterals;

namespace {

struct Case {
    QString format;
    QString text;
    QStringList values; // token followed by its value, for each token whose value is not empty
    int confused = 0; // how many of the seven parses show the message
};

// Parses all seven tokens and checks the values and the messages.
void expectParses(std::initializer_list<Case> cases)
{
    using namespace FormatTokens;
    for (const Case& c : cases) {
        SCOPED_TRACE((c.format + u" / "_s + c.text).toStdString());
        RecordingMessages messages;
        QStringList values;
        // The track's token also finds "<kk>"; its value is listed after "<k>".
        for (const QString& token : {Artist, Title, Album, Year, Comment, Track, Genre}) {
            const QString value = ParseToken(c.text, c.format, token);
            if (!value.isEmpty())
                values.append(token + value);
        }
        EXPECT_EQ(values, c.values);
        EXPECT_EQ(messages.texts(), QStringList(c.confused, u"Got confused with "_s + c.text + u", skipping."_s));
    }
}

} // namespace

TEST(ParseToken, ReadsEachFieldBetweenTheLiteralTextAroundIt)
{
    const QString at = u"<a> - <t>"_s;
    const QString kat = u"<k>. <a> - <t>"_s;
    expectParses({{at, u"Beatles, The - Hey Jude"_s, {u"<a>Beatles, The"_s, u"<t>Hey Jude"_s}},
        {at, u"Beatles, The - Hey Jude - Live"_s, {u"<a>Beatles, The - Hey Jude"_s, u"<t>Hey Jude - Live"_s}},
        {at, u"Beatles"_s, {}}, {at, u"Beatles - "_s, {u"<a>Beatles"_s}, 1}, {at, u" - Hey Jude"_s, {u"<t>Hey Jude"_s}},
        {at, u" - "_s, {}, 1}, {at, QString(), {}}, {at, u"-"_s, {}}, // shorter than the separator
        {at, u"Бітлз - 日本🎵"_s, {u"<a>Бітлз"_s, u"<t>日本🎵"_s}}, {at, u"A\0B - \r\n"_s, {u"<a>A\0B"_s, u"<t>\r\n"_s}},
        {u"C:\\Music\\<a> - <t>.mp3"_s, u"C:\\Music\\Beatles, The - Hey Jude.mp3"_s,
            {u"<a>Beatles, The"_s, u"<t>Hey Jude"_s}},
        {kat, u"23. Beatles, The - Hey Jude"_s, {u"<a>Beatles, The"_s, u"<t>Hey Jude"_s, u"<k>23"_s}},
        {u"<a> - <u> - <k> - <t>"_s, u"Beatles, The - White Album, The - 23 - Hey Jude"_s,
            {u"<a>Beatles, The"_s, u"<t>Hey Jude"_s, u"<u>White Album, The"_s, u"<k>23"_s}},
        // One separator for two: the title has no room, and neither side finds a second separator.
        {u"<a> - <t> - <u>"_s, u"Beatles, The - Hey Jude"_s, {}, 1},
        {u"[<y>] <a> - <t>"_s, u"Live [1968] Beatles, The - Hey Jude"_s,
            {u"<a>Beatles, The"_s, u"<t>Hey Jude"_s, u"<y>1968"_s}},
        {u"<a> - <t>.mp3"_s, u"Beatles, The - Hey Jude.mp3.bak"_s, {u"<a>Beatles, The"_s, u"<t>Hey Jude"_s}},
        {kat, u"01. A - A"_s, {u"<a>A"_s, u"<t>A"_s, u"<k>01"_s}},
        {kat, u"01. Beatles - "_s, {u"<a>Beatles"_s, u"<k>01"_s}, 1}, {u"<a>aa<t>"_s, u"aaa"_s, {u"<a>a"_s, u"<t>a"_s}},
        {u"<a>ab<t>"_s, u"ab"_s, {}, 1}, {u"<a>\0<t>"_s, u"x\0y\0z"_s, {u"<a>x\0y"_s, u"<t>y\0z"_s}}});
}

TEST(ParseToken, ReadsTheTrackOfEitherTrackTokenAsWritten)
{
    // The first of "<k>" and "<kk>" gives the track; the other only separates pieces.
    expectParses({{u"<kk> - <t>"_s, u"03 - Title"_s, {u"<t>Title"_s, u"<k>03"_s}},
        {u"<kk>. <a>"_s, u"x. A"_s, {u"<a>A"_s, u"<k>x"_s}}, {u"<kk>-<k>"_s, u"1-2"_s, {u"<k>1"_s}},
        {u"<k>-<kk>"_s, u"1-02"_s, {u"<k>1"_s}}, {u"<kkk> <t>"_s, u"<kkk> T"_s, {u"<t>T"_s}},
        {u"<kk><t>"_s, u"07"_s, {u"<t>07"_s, u"<k>07"_s}}, {u"<a>"_s, u"<kk>"_s, {u"<a><kk>"_s}}});
    // Composing and parsing "<kk> - <t>" gives the values back; "<k>" is unchanged.
    for (const QString& track : {u"3"_s, u"12"_s, u"123"_s}) {
        SCOPED_TRACE(track.toStdString());
        FieldTexts values;
        values.track = track;
        values.title = u"Title"_s;
        const QString padded = ApplyFormat(u"<kk> - <t>"_s, values);
        EXPECT_EQ(trackNumberOf(ParseTrack(padded, u"<kk> - <t>"_s)), track.toInt());
        EXPECT_EQ(ParseTitle(padded, u"<kk> - <t>"_s), u"Title"_s);
        EXPECT_EQ(ParseTrack(ApplyFormat(u"<k> - <t>"_s, values), u"<k> - <t>"_s), track);
    }
}

TEST(ParseToken, TreatsOtherTokensAndBarsAsSeparators)
{
    expectParses(
        {{u"<a>"_s, u"Beatles, The - Hey Jude"_s, {u"<a>Beatles, The - Hey Jude"_s}}, {u"<a>"_s, QString(), {}, 1},
            {u"<a> - <a>"_s, u"X - Y - Z"_s, {u"<a>X - Y"_s}}, {u"<A> - <t>"_s, u"<A> - Hey"_s, {u"<t>Hey"_s}},
            {u"<A> - <t>"_s, u"A - Hey"_s, {}}, {u"<a><t>"_s, u"AB"_s, {u"<a>AB"_s, u"<t>AB"_s}},
            {u"<a><t>"_s, QString(), {}}, {u"<a> - <t><u>"_s, u"X - YZ"_s, {u"<a>X"_s, u"<t>YZ"_s, u"<u>YZ"_s}},
            {u"<a>|<t>"_s, u"A|B"_s, {u"<a>A|B"_s, u"<t>A|B"_s}}, {u"|||"_s, u"x"_s, {}}});
    EXPECT_EQ(ParseToken(u"x"_s, u"<a>"_s, QString()), QString());
}

TEST(Parsing, FindsFieldBoundsFromPatterns)
{
    const struct {
        const char16_t* text;
        const char16_t* pattern;
        qsizetype start, end;
    } cases[] = {{u"abc", u"", 1, 3}, {u"", u"", 1, 0},
        {u"abc", u"|", 1, 3}, // an empty piece matches while text remains on its side
        {u"", u"|", 0, 0}, {u"ab", u"ab", 3, 0}, {u"a", u"abc", 0, 0}, {u"xaxa", u"a|a", 5, 1}, {u"aaa", u"aa|a", 4, 0},
        {u"aaaa", u"a|aa", 4, 1}, {u"abc", u"|b|", 3, 1}, {u"ab", u"|b|", 0, 1}, {u"ab", u"|a", 2, 0},
        {u"b|a|", u"||", 1, 4}};
    for (const auto& c : cases) {
        const QString text = QString::fromUtf16(c.text), pattern = QString::fromUtf16(c.pattern);
        SCOPED_TRACE((text + u" / "_s + pattern).toStdString());
        EXPECT_EQ(FieldStart(text, pattern), c.start);
        EXPECT_EQ(FieldEnd(text, pattern), c.end);
    }
}

TEST(Parsing, TurnsTheSevenTokensIntoBars)
{
    EXPECT_EQ(TokensToBars(u"<a> - <t>|<u><y><c><k><g><kk>"_s), u"| - ||||||||"_s);
    EXPECT_EQ(TokensToBars(u"<<kk>> <kkk> <k k>"_s), u"<|> <kkk> <k k>"_s);
    EXPECT_EQ(TokensToBars(u"<A> <x> < a> <a <> <<a>>"_s), u"<A> <x> < a> <a <> <|>"_s);
}

TEST(ParseToken, ReadsLongTextsWhole)
{
    const QString longText(100000, u'x');
    const QString separators = u"a - "_s.repeated(25000);
    expectParses({{u"<k>. <a> - <t> [<y>]"_s, u"07. "_s + longText + u" - Hey Jude [1968]"_s,
                      {u"<a>"_s + longText, u"<t>Hey Jude"_s, u"<y>1968"_s, u"<k>07"_s}},
        // Many near-matches of the separator, and many separators.
        {u"<a> - <t>"_s, QString(100000, u'-'), {}},
        {u"<a> - <t>"_s, separators, {u"<a>"_s + separators.chopped(3), u"<t>"_s + separators.sliced(4)}},
        {u"<a> - "_s.repeated(1000) + u"<t>"_s, separators,
            {u"<a>"_s + separators.left(96001), u"<t>"_s + separators.sliced(4000)}}});
}
