#include "tags/TagCopy.h"

#include <gtest/gtest.h>

#include "support/TestFiles.h"
#include "tags/MP3Tag.h"

using namespace Qt::StringLiterals;

namespace {

QString genreName(int number)
{
    return number == 17 ? u"Rock"_s : number == 12 ? u"Other"_s : QString();
}

std::optional<int> genreNumber(const QString& name)
{
    return name.compare(u"rock"_s, Qt::CaseInsensitive) == 0 ? 17 : 12;
}

std::string describe(const std::vector<TagCopy::Loss>& losses)
{
    std::string text;
    for (const TagCopy::Loss& loss : losses)
        text += (loss.field + u':' + loss.before + u'>' + loss.after + u';').toStdString();
    return text;
}

} // namespace

TEST(TagCopy, ToId3v1ListsEveryFieldItCannotHold)
{
    const auto fields = [](const std::function<void(Id3v2Fields&)>& change) {
        Id3v2Fields f;
        f.title = u"Title"_s;
        f.genre = u"Rock"_s;
        change(f);
        return f;
    };
    struct Case {
        const char* name;
        Id3v2Fields from;
        std::string losses;
        std::string record; // title|year|comment|track|genre as the record holds them
    } const cases[] = {
        {"everything fits", fields([](Id3v2Fields& f) { f.track = u"7"_s; }), "", "Title|||7|17"},
        {"a long title", fields([](Id3v2Fields& f) { f.title = QString(31, u'x'); }),
            "Title:" + std::string(31, 'x') + ">" + std::string(30, 'x') + ";", std::string(30, 'x') + "|||0|17"},
        {"a character windows-1252 lacks", fields([](Id3v2Fields& f) { f.title = u"A ♪ €"_s; }), "Title:A ♪ €>A ? €;",
            "A ? €|||0|17"},
        {"a full date", fields([](Id3v2Fields& f) { f.year = u"1999-05-01"_s; }), "Year:1999-05-01>1999;",
            "Title|1999||0|17"},
        {"a track of a total", fields([](Id3v2Fields& f) { f.track = u"3/12"_s; }), "Track:3/12>3;", "Title|||3|17"},
        {"a track one byte cannot hold", fields([](Id3v2Fields& f) { f.track = u"300"_s; }), "Track:300>;",
            "Title|||0|17"},
        {"a track that is no number", fields([](Id3v2Fields& f) { f.track = u"A1"_s; }), "Track:A1>;", "Title|||0|17"},
        {"a genre not in the list", fields([](Id3v2Fields& f) { f.genre = u"Shoegaze"_s; }), "Genre:Shoegaze>Other;",
            "Title|||0|12"},
        {"a genre in another case", fields([](Id3v2Fields& f) { f.genre = u"ROCK"_s; }), "", "Title|||0|17"},
        {"no genre", fields([](Id3v2Fields& f) { f.genre.clear(); }), "", "Title|||0|255"},
        {"a long comment", fields([](Id3v2Fields& f) { f.comment = QString(30, u'c'); }),
            "Comment:" + std::string(30, 'c') + ">" + std::string(29, 'c') + ";",
            "Title||" + std::string(29, 'c') + "|0|17"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<TagCopy::Id3v1Copy> copy = TagCopy::toId3v1(c.from, genreNumber, genreName);
        ASSERT_TRUE(copy);
        EXPECT_EQ(describe(copy->losses), c.losses);
        MP3TagInfo record = copy->record;
        record.setIgnoreLength(true);
        const auto number
            = [](const QString& field) { return std::to_string(field.isEmpty() ? 0 : field[0].unicode()); };
        EXPECT_EQ((QStringList{record.SongName(), record.Year(), record.Comment()}.join(u'|')).toStdString() + "|"
                + number(record.Track()) + "|" + number(record.Genre()),
            c.record);
        EXPECT_EQ(record.tag(), u"TAG"_s);
    }
}

TEST(TagCopy, ToId3v1WithoutTheGenreListCopiesNoGenre)
{
    Id3v2Fields fields;
    fields.genre = u"Rock"_s;
    EXPECT_FALSE(TagCopy::toId3v1(
        fields, [](const QString&) { return std::nullopt; }, genreName));
    fields.genre.clear();
    EXPECT_TRUE(TagCopy::toId3v1(
        fields, [](const QString&) { return std::nullopt; }, genreName));
}

TEST(TagCopy, ToId3v2TakesTheTagAsItReads)
{
    const TestFiles files;
    const std::pair<TestBytes::Id3v1Fields, std::string> cases[] = {
        {{"Song  ", "Band", "Album", "1999", "Note", 5, 17}, "Song|Band|Album|1999|5|Rock|Note"},
        {{"Song", "", "", "", "", 0, 255}, "Song||||||"},
        {{"Song", "", "", "", "", 0, 200}, "Song|||||200|"},
    };
    for (const auto& [tagFields, expected] : cases) {
        SCOPED_TRACE(expected);
        MP3Tag tag;
        tag.init(files.write(u"song.mp3"_s, TestBytes::audio(200) + TestBytes::id3v1(tagFields)));
        ASSERT_TRUE(tag.ReadTag());
        const Id3v2Fields f = TagCopy::toId3v2(tag, genreName);
        EXPECT_EQ(
            QStringList({f.title, f.artist, f.album, f.year, f.track, f.genre, f.comment}).join(u'|').toStdString(),
            expected);
    }
}
