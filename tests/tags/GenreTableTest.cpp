#include "tags/GenreTable.h"

#include <gtest/gtest.h>

#include "support/ProgramMessages.h"
#include "support/RecordingMessages.h"
#include "support/TestFiles.h"

using namespace Qt::StringLiterals;

namespace {

QStringList numberedNames(int count)
{
    QStringList names;
    for (int i = 0; i < count; ++i)
        names.append(u"Genre "_s + QString::number(i));
    return names;
}

QByteArray numberedLines(int count)
{
    return (numberedNames(count).join(u"\r\n"_s) + u"\r\n"_s).toUtf8();
}

const auto loadFailure = ProgramMessages::genreListFailure;

struct Table {
    TestFiles files;
    GenreTable genres{files.folder()};
    explicit Table(const QByteArray& contents) { files.write(u"Genres.lst"_s, contents); }
    Table() = default;
    QString folder() const { return files.folder(); }
};

} // namespace

TEST(GenreTable, LooksUpNamesAndNumbersInsideTheList)
{
    RecordingMessages messages;
    Table table("Blues\r\nRock\r\nrock\r\n");
    EXPECT_EQ(table.genres.GenreName(1), u"Rock"_s);
    EXPECT_EQ(table.genres.GenreName(3), QString()); // the end marker's slot
    EXPECT_EQ(table.genres.GenreName(300), QString());
    EXPECT_EQ(table.genres.GenreName(-1), QString());
    EXPECT_EQ(table.genres.GenreNumber(u"ROCK"_s), 1); // case-free, and the first of two equal names
    EXPECT_EQ(table.genres.GenreNumber(u"Jazz"_s), GenreTable::UnknownGenre);
    EXPECT_EQ(table.genres.GenreNumber(u" Rock"_s), GenreTable::UnknownGenre); // no trimming
    EXPECT_EQ(table.genres.GenreNumber(u"\\endoflist\\"_s), GenreTable::UnknownGenre);
    QStringList list{u"first"_s};
    table.genres.FillGenreList(list);
    EXPECT_EQ(list, QStringList({u"first"_s, u"Blues"_s, u"Rock"_s, u"rock"_s}));
    EXPECT_TRUE(messages.shown().empty());
}

TEST(GenreTable, ReadsEveryShapeOfList)
{
    struct Case {
        const char* what;
        QByteArray contents;
        QStringList names;
    } const cases[] = {
        {"empty file", "", {}},
        {"empty lines are names", "\r\n\r\nRock\r\n", {QString(), QString(), u"Rock"_s}},
        {"marker line ends the list", "Blues\r\n\\endoflist\\\r\nRock\r\n", {u"Blues"_s}},
        {"windows-1252", "Caf\xE9\r\n\x80uro\r\n", {u"Caf\u00E9"_s, u"\u20ACuro"_s}},
        {"one line of the largest size", QByteArray(GenreTable::MaxFileSize, 'g'),
            {QString(GenreTable::MaxFileSize, u'g')}},
        // A list without its end marker fills every slot; 255 names leave the last one empty.
        {"254 names", numberedLines(254), numberedNames(254)},
        {"255 names", numberedLines(255), numberedNames(255) << QString()},
        {"256 names", numberedLines(256), numberedNames(256)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingMessages messages;
        Table table(c.contents);
        QStringList list;
        table.genres.FillGenreList(list);
        EXPECT_EQ(list, c.names);
        EXPECT_TRUE(messages.shown().empty());
    }
}

TEST(GenreTable, ReportsAFailedLoadAtEveryLookupAndGoesOnWithWhatItHas)
{
    struct Case {
        const char* what;
        QByteArray contents; // null: no list at all
        QString nameOfGenre0; // what the failed load left in slot 0
    } const cases[] = {
        {"missing", QByteArray(), QString()},
        {"257 lines", numberedLines(257), u"Genre 0"_s},
        {"over a megabyte", QByteArray(GenreTable::MaxFileSize + 1, 'x'), QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingMessages messages;
        Table table;
        if (!c.contents.isNull())
            table.files.write(u"Genres.lst"_s, c.contents);
        QStringList list;
        table.genres.FillGenreList(list);
        EXPECT_EQ(list.size(), 256); // every slot counts while no list is loaded
        EXPECT_EQ(table.genres.GenreName(0), c.nameOfGenre0);
        EXPECT_FALSE(table.genres.isLoaded());
        ASSERT_EQ(messages.shown().size(), 2u); // tried again by the second lookup
        EXPECT_EQ(messages.shown()[0].text, loadFailure(table.folder()));
        EXPECT_EQ(messages.shown()[0].title, u"Error:"_s);
        EXPECT_EQ(messages.shown()[0].icon, Messages::Icon::Exclamation);
    }
}

TEST(GenreTable, EmptyNameIsGenreZeroWhenTheListIsMissing)
{
    RecordingMessages messages;
    Table table;
    EXPECT_EQ(table.genres.GenreNumber(QString()), 0);
    // A list that appears later is loaded by the next lookup.
    table.files.write(u"Genres.lst"_s, "Blues\r\n");
    EXPECT_EQ(table.genres.GenreNumber(QString()), GenreTable::UnknownGenre);
    EXPECT_TRUE(table.genres.isLoaded());
    EXPECT_EQ(messages.shown().size(), 1u);
}

TEST(GenreTable, ShipsTheWellKnownNamesWithCrLfEndings)
{
    // The names and their numbers are checked through sondrel-cli genres.
    GenreTable shipped(QStringLiteral(SONDREL_DATA_DIR));
    QStringList list;
    shipped.FillGenreList(list);
    EXPECT_EQ(list.size(), 192);
    EXPECT_EQ(list.removeDuplicates(), 0);
    EXPECT_EQ(TestFiles::read(QStringLiteral(SONDREL_DATA_DIR "/Genres.lst")).count("\r\n"), 192);
}
