#include "format/Composition.h"

#include <gtest/gtest.h>

#include "format/FieldStore.h"
#include "support/RecordingMessages.h"
#include "tags/MP3TagInfo.h"

using namespace Qt::StringLiterals;

namespace {

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

TEST(ApplyFormat, PutsEachFieldInPlaceOfItsTokenTrimmedOrAsANumber)
{
    MP3TagInfo padded;
    padded.setArtist(u" Beatles "_s);
    padded.setSongName(u"\tA\0B "_s);
    padded.setTrack(QString(QChar(255)));
    const MP3TagInfo empty; // every field NUL
    // A genre beyond the list, and a record with no track character at all.
    MP3TagInfo free = freeRecord(QString(), QString());
    free.setGenre(QString(QChar(250)));
    free.setTrack(QString());
    const MP3TagInfo sample = sampleRecord();
    const struct {
        const MP3TagInfo& record;
        QString format;
        QString expected;
    } cases[] = {{sample, u"<a> - <t>"_s, u"Beatles, The - Hey Jude"_s},
        {sample, u"<k>. <a> - <t> (<y>)"_s, u"23. Beatles, The - Hey Jude (1968)"_s},
        {sample, u"<g>"_s, u"Rock & Roll"_s}, {sample, u"<u>|<c>"_s, u"White Album, The|Not a bad song"_s},
        {sample, u"<k><k><y>"_s, u"23231968"_s}, {sample, u"<A> < a> <a"_s, u"<A> < a> <a"_s},
        {sample, u"<<a>>"_s, u"<Beatles, The>"_s}, {sample, u""_s, u""_s},
        {sample, u"\0<y>\0"_s, u"\0"_s + u"1968"_s + QChar(0)},
        {sample, u"Бітлз — <y> 日本 🎵"_s, u"Бітлз — 1968 日本 🎵"_s}, {padded, u"[<a>]"_s, u"[Beatles]"_s},
        {padded, u"[<t>]"_s, u"[A\0B]"_s}, // inner blanks stay
        {padded, u"<k>"_s, u"255"_s}, {empty, u"<a> - <t>"_s, u" - "_s}, {empty, u"<k>"_s, u"0"_s},
        {empty, u"<u><y><c>"_s, u""_s}, {empty, u"<g>"_s, u"Blues"_s}, {free, u"<g>|<k>"_s, u"|0"_s},
        // <kk>: two digits at least, the longest token first; an unknown track is as <k> shows it.
        {sample, u"<kk> - <t>"_s, u"23 - Hey Jude"_s}, {padded, u"<kk>"_s, u"255"_s}, {empty, u"<kk>"_s, u"0"_s},
        {free, u"<kk>"_s, u"0"_s}, {freeRecord({}, {}), u"<kk> - <k>"_s, u"07 - 7"_s},
        {freeRecord({}, {}), u"<<kk>><kkk><KK><k>k>"_s, u"<07><kkk><KK>7k>"_s}};
    RecordingMessages messages;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format.toStdString());
        EXPECT_EQ(ApplyFormat(c.format, c.record), c.expected);
    }
    EXPECT_TRUE(messages.shown().empty());
}

TEST(ApplyFormat, PadsATrackOfOneDigitForTheTwoDigitToken)
{
    const struct {
        QString track, twoDigits;
    } cases[] = {{u"3"_s, u"03"_s}, {u"9"_s, u"09"_s}, {u"12"_s, u"12"_s}, {u"123"_s, u"123"_s}, {u"03"_s, u"03"_s},
        {u"0"_s, u"0"_s}, {u""_s, u""_s}, {u"A"_s, u"A"_s}, {u"٣"_s, u"٣"_s}, {u" 3"_s, u" 3"_s}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.track.toStdString());
        FieldTexts values;
        values.track = c.track;
        values.title = u"<kk>"_s; // a value is never read as a format
        EXPECT_EQ(ApplyFormat(u"<kk>|<k>|<t>"_s, values), c.twoDigits + u'|' + c.track + u"|<kk>"_s);
    }
}

TEST(ApplyFormat, NeverReadsAValueAsAFormat)
{
    QString longFormat = QString(100000, u'x') + u"<a>"_s;
    for (int i = 0; i < 30000; ++i)
        longFormat += u"<t>"_s;
    const struct {
        QString artist, title, format, expected;
    } cases[] = {{u"<t>"_s, u"Hey Jude"_s, u"<a>"_s, u"<t>"_s}, {u"A"_s, u"<a>"_s, u"<t>"_s, u"<a>"_s},
        {u"<a>"_s, u"T"_s, u"<a><a>"_s, u"<a><a>"_s}, {u"<t><t>"_s, u"x"_s, u"<a>"_s, u"<t><t>"_s},
        {u"<k>:<g>"_s, u""_s, u"<a>"_s, u"<k>:<g>"_s},
        {u"<"_s, u"T"_s, u"<a>t>"_s, u"<t>"_s}, // a token formed by a value and the literal behind it
        {u"a"_s, u"t>"_s, u"<<t>"_s, u"<t>"_s}, // ... or by the literal before it
        // A long format is composed whole.
        {u"A"_s, u"<t>|"_s, longFormat, QString(100000, u'x') + u"A"_s + u"<t>|"_s.repeated(30000)}};
    RecordingMessages messages;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format.left(40).toStdString());
        EXPECT_EQ(ApplyFormat(c.format, freeRecord(c.artist, c.title)), c.expected);
    }
}
