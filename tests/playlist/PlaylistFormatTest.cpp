#include "playlist/PlaylistFormat.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

using Outcome = ParsedPlaylist::Outcome;

// The entries as "path|title|length" joined by " ; ", so that a failure prints readable text.
std::string describe(const std::vector<PlaylistEntry>& entries)
{
    QStringList parts;
    for (const PlaylistEntry& e : entries)
        parts.append(e.path + u'|' + e.title + u'|' + e.length);
    return parts.join(u" ; "_s).toStdString();
}

struct ParseCase {
    QString text;
    Outcome outcome;
    QString entries;
    QString playlistPath = u"/lists/a.m3u"_s;
};

void checkParses(const ParseCase& c)
{
    SCOPED_TRACE(c.text.left(100).toStdString());
    const ParsedPlaylist parsed = parsePlaylist(c.text, c.playlistPath);
    EXPECT_EQ(parsed.outcome, c.outcome);
    EXPECT_EQ(describe(parsed.entries), c.entries.toStdString());
}

} // namespace

TEST(PlaylistFormat, ChoosesTheFormatByTheWholeFirstLine)
{
    const QString longLine(kRecognitionLength, u'p');
    const QString lateControl = QString(kTextProbeLength, u'x') + QChar(1); // past the characters looked at
    const ParseCase cases[] = {
        {u"#ExtM3u\r\n/m/a.mp3"_s, Outcome::Complete, u"/m/a.mp3|a|???"_s},
        {u"#EXTM3U"_s, Outcome::Complete, {}},
        {u"[PlayList]\nFile1=/m/a.mp3"_s, Outcome::Complete, u"/m/a.mp3|a|???"_s, u"/lists/a.PLS"_s},
        // Text without a header is a plain M3U: paths, "#" lines are comments.
        {u"/m/a.mp3\r\n# note\r\n\r\n./b.mp3"_s, Outcome::Complete, u"/m/a.mp3|a|??? ; /lists/b.mp3|b|???"_s},
        {u"#EXTM3U \r\n/m/a.mp3"_s, Outcome::Complete, u"/m/a.mp3|a|???"_s}, // not the header: a comment
        {u"#EXTINF:5,T\n/m/a\tb.mp3\f"_s, Outcome::Complete, u"/m/a\tb.mp3\f|T|5"_s},
        {u"[playlist]x"_s, Outcome::Complete, u"/lists/[playlist]x|[playlist]x|???"_s},
        {QString(), Outcome::Complete, {}},
        {QString(1000, u'#'), Outcome::Complete, {}},
        {longLine.first(kRecognitionLength - 1), Outcome::Complete,
            u"/lists/"_s + longLine.first(kRecognitionLength - 1) + u"|"_s + longLine.first(kRecognitionLength - 1)
                + u"|???"_s},
        {u"/m/a.mp3\n"_s + lateControl, Outcome::Complete,
            u"/m/a.mp3|a|??? ; /lists/"_s + lateControl + u"|"_s + lateControl + u"|???"_s},
        // Not a playlist: binary bytes, a path longer than any, a PLS file without its header.
        {u"/m/a.mp3\0"_s, Outcome::InvalidFormat, {}},
        {u"/m/a.mp3\n\x1B"_s, Outcome::InvalidFormat, {}},
        {u"/m/a\uFFFD.mp3"_s, Outcome::InvalidFormat, {}},
        {u"/m/a\uFFFF.mp3"_s, Outcome::InvalidFormat, {}},
        {longLine, Outcome::InvalidFormat, {}},
        {u"/m/a.mp3"_s, Outcome::InvalidFormat, {}, u"/lists/a.Pls"_s},
        {u"#EXTM3U\r\n/m/a.mp3"_s, Outcome::Complete, u"/m/a.mp3|a|???"_s, u"/lists/a.pls"_s},
    };
    for (const ParseCase& c : cases)
        checkParses(c);
}

TEST(PlaylistFormat, ReadsM3uEntriesWithTheirExtInfLines)
{
    const ParseCase cases[] = {
        {u"#EXTM3U\r\n#EXTINF:215,Artist, Title\r\n/m/a.mp3"_s, Outcome::Complete, u"/m/a.mp3|Artist, Title|215"_s},
        {u"#EXTM3U\r\n#EXTINF:,x\r\n/m/a.mp3"_s, Outcome::Complete, u"/m/a.mp3|x|???"_s},
        {u"#EXTM3U\r\n#EXTINF: 7 ,\r\n/m/a.mp3"_s, Outcome::Complete, u"/m/a.mp3|| 7 "_s}, // untrimmed
        {u"#EXTM3U\r\n#EXTINF:215,T\r\n/m/a.mp3\r\n/m/b.c.mp3"_s, Outcome::Complete,
            u"/m/a.mp3|T|215 ; /m/b.c.mp3|b.c|???"_s},
        {u"#EXTM3U\r\nsong.mp3\r\n/music/b.mp3\r\n../m/./c.mp3\r\n/m/./d.mp3"_s, Outcome::Complete,
            u"/lists/song.mp3|song|??? ; /music/b.mp3|b|??? ; /m/c.mp3|c|??? ; /m/./d.mp3|d|???"_s},
        {u"#EXTM3U\r\n#EXTINF:1,A\r\n\r\n# note\r\n/m/a.mp3"_s, Outcome::Complete, u"/m/a.mp3|A|1"_s},
        {u"#EXTM3U\r\n#EXTINF:1,A\r\n#EXTINF:2,B\r\n/m/a.mp3"_s, Outcome::Complete, u"/m/a.mp3|B|2"_s},
        {u"#EXTM3U\r\n#extinf:1,A\r\n/m/a.mp3"_s, Outcome::Complete, u"/m/a.mp3|a|???"_s}, // only capitals
        {u"#EXTM3U\r\n/m/a.mp3\r\n#EXTINF:1\r\n/m/b.mp3"_s, Outcome::EndedEarly, u"/m/a.mp3|a|???"_s},
        {u"#EXTM3U\r\n/m/a.mp3\r\n#EXTINF:1,A"_s, Outcome::Complete, u"/m/a.mp3|a|???"_s},
        {u"#EXTM3U\r/m/a.mp3\n/m/b.mp3\r\n/m/c.mp3\n\r/m/d"_s, Outcome::Complete,
            u"/m/a.mp3|a|??? ; /m/b.mp3|b|??? ; /m/c.mp3|c|??? ; /m/d|d|???"_s},
        {u"#EXTM3U\n#EXTINF:1,A\0B\n/m/a\0b.mp3\n"_s, Outcome::Complete, u"/m/a\0b.mp3|A\0B|1"_s},
    };
    for (const ParseCase& c : cases)
        checkParses(c);
}

TEST(PlaylistFormat, ReadsPlsEntriesFromFileTitleAndLengthLines)
{
    const ParseCase cases[] = {
        // Relative paths are relative to the playlist's folder, as in M3U.
        {u"[playlist]\r\nFile1=song.mp3\r\nTitle1=Song\r\nLength1=12"_s, Outcome::Complete,
            u"/lists/song.mp3|Song|12"_s},
        {u"[playlist]\r\nNumberOfEntries=1\r\nFile1=/m/a.mp3"_s, Outcome::Complete, {}},
        {u"[playlist]\r\nFile1=/m/a.mp3\r\nTitle1=A\r\nFile2=/m/b.mp3\r\nTitle2=B\r\nLength2=5\r\nNumberOfEntries=2"_s,
            Outcome::Complete, u"/m/a.mp3|A|??? ; /m/b.mp3|B|5"_s},
        {u"[playlist]\r\nFile1=/m/a.mp3\r\nLength1=3\r\nVersion=2"_s, Outcome::Complete, u"/m/a.mp3|a|3"_s},
        {u"[playlist]\r\nFile1=/m/a.mp3\r\nFile2=/m/b.mp3"_s, Outcome::Complete, u"/m/a.mp3|a|??? ; /m/b.mp3|b|???"_s},
        {u"[playlist]\r\nTitle1=Orphan\r\nLength1=9\r\nFile1=/m/a.mp3"_s, Outcome::Complete, u"/m/a.mp3|a|???"_s},
        {u"[playlist]\r\nfile1=/m/a.mp3\r\nFILE2=/m/b.mp3\r\n\r\nVersion=2"_s, Outcome::Complete, {}},
        {u"[playlist]\r\nFile1=/m/a.mp3\r\nTitle1=\r\nLength1="_s, Outcome::Complete, u"/m/a.mp3||???"_s},
        {u"[playlist]\r\nFile1=/m/a=b.mp3\r\nTitle1=x=y"_s, Outcome::Complete, u"/m/a=b.mp3|x=y|???"_s},
        {u"[playlist]\r\nFile/m/a.mp3\r\nTitle"_s, Outcome::Complete, u"/lists/File/m/a.mp3|Title|???"_s}, // no "="
        {u"[playlist]\r\nFile1=/m/a.mp3\r\nTitle1=A\r\nNumberOfEntries=1\r\nFile2=/m/b.mp3"_s, Outcome::Complete,
            u"/m/a.mp3|A|???"_s},
        {u"[playlist]\rFile1=/m/a.mp3\nTitle1=A\r\nLength1=1\n\rFile2=/m/b.mp3\r"_s, Outcome::Complete,
            u"/m/a.mp3|A|1 ; /m/b.mp3|b|???"_s},
        {u"[playlist]\nFile1=/m/a\0b.mp3\nTitle1=A\0B"_s, Outcome::Complete, u"/m/a\0b.mp3|A\0B|???"_s},
    };
    for (const ParseCase& c : cases)
        checkParses(c);
}

TEST(PlaylistFormat, WritesEveryLineWithCrLf)
{
    const std::vector<PlaylistEntry> two = {{u"/m/a.mp3"_s, u"A, B"_s, u"215"_s}, {u"b.mp3"_s, u"B"_s, u"???"_s}};
    struct Case {
        PlaylistKind kind;
        std::vector<PlaylistEntry> entries;
        QString text;
    } const cases[] = {
        {PlaylistKind::M3U, {}, u"#EXTM3U\r\n"_s},
        {PlaylistKind::PLS, {}, u"[playlist]\r\nNumberOfEntries=0\r\nVersion=2\r\n"_s},
        {PlaylistKind::M3U, two, u"#EXTM3U\r\n#EXTINF:215,A, B\r\n/m/a.mp3\r\n#EXTINF:,B\r\nb.mp3\r\n"_s},
        {PlaylistKind::PLS, two,
            u"[playlist]\r\nFile1=/m/a.mp3\r\nTitle1=A, B\r\nLength1=215\r\nFile2=b.mp3\r\nTitle2=B\r\n"
            u"NumberOfEntries=2\r\nVersion=2\r\n"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(renderPlaylist(c.kind, c.entries).toStdString(), c.text.toStdString());
    }
}

TEST(PlaylistFormat, ReadsBackWhatItWrites)
{
    const std::vector<PlaylistEntry> lists[] = {
        {},
        {{u"/m/a.mp3"_s, u"Artist, Title, More"_s, u"215"_s}, {u"/m/b.mp3"_s, u"b"_s, u"???"_s}},
        {{u"/m/a=b.mp3"_s, u"x=y"_s, u"1"_s}, {u"/m/#c.mp3"_s, u"#EXTINF:1,z"_s, u"-1"_s}},
        {{u"/m/File.mp3"_s, u""_s, u"???"_s}, {u"/m/Title.mp3"_s, u"Length=3"_s, u"NumberOfEntries"_s}},
        {{u"/m/\u00E9t\u00E9 \U0001F3B5.mp3"_s, u"\u00C9t\u00E9\0!"_s, u"1.5"_s}},
    };
    for (const std::vector<PlaylistEntry>& entries : lists) {
        for (const PlaylistKind kind : {PlaylistKind::M3U, PlaylistKind::PLS}) {
            SCOPED_TRACE(describe(entries) + (kind == PlaylistKind::M3U ? " as M3U" : " as PLS"));
            const ParsedPlaylist parsed = parsePlaylist(renderPlaylist(kind, entries), u"/lists/a.m3u"_s);
            EXPECT_EQ(parsed.outcome, Outcome::Complete);
            EXPECT_EQ(describe(parsed.entries), describe(entries));
        }
    }
}

TEST(PlaylistFormat, ChoosesTheSavingFormatByTheLastFourCharacters)
{
    struct Case {
        QString path;
        std::optional<PlaylistKind> kind;
    } const cases[] = {
        {u"/l/a.m3u"_s, PlaylistKind::M3U},
        {u"/l/a.M3U"_s, PlaylistKind::M3U},
        {u".m3u"_s, PlaylistKind::M3U},
        {u"/l/a.PlS"_s, PlaylistKind::PLS},
        {u"/l/a.M3U8"_s, PlaylistKind::M3U},
        {u"/l/a.m3u9"_s, std::nullopt},
        {u"/l/a.txt"_s, std::nullopt},
        {u"/l/a.m3u "_s, std::nullopt},
        {u"m3u"_s, std::nullopt},
        {QString(), std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        EXPECT_EQ(kindForSaving(c.path), c.kind);
    }
}
