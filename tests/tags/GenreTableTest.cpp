#include "tags/GenreTable.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

#include <gtest/gtest.h>

#include "support/ProgramMessages.h"
#include "support/RecordingMessages.h"
#include "support/TestFiles.h"

using namespace Qt::StringLiterals;

namespace {

QByteArray numberedLines(int count)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes += "Genre " + QByteArray::number(i) + "\r\n";
    return bytes;
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
        {"no final line end", "Blues\r\nRock", {u"Blues"_s, u"Rock"_s}},
        {"bare CR and LF", "Blues\rRock\nJazz", {u"Blues"_s, u"Rock"_s, u"Jazz"_s}},
        {"empty lines are names", "\r\n\r\nRock\r\n", {QString(), QString(), u"Rock"_s}},
        {"marker line ends the list", "Blues\r\n\\endoflist\\\r\nRock\r\n", {u"Blues"_s}},
        {"windows-1252", "Caf\xE9\r\n\x80uro\r\n", {u"Caf\u00E9"_s, u"\u20ACuro"_s}},
        {"UTF-8 with byte-order mark",
            "\xEF\xBB\xBF"
            "Caf\xC3\xA9\r\n",
            {u"Caf\u00E9"_s}},
        {"binary", QByteArray("\x01\x00\xFF\r\n", 5), {QString(QChar(1)) + QChar(0) + QChar(0xFF)}},
        {"UTF-16 with an odd byte count", QByteArray("\xFF\xFEX\0Y", 5), {u"X\uFFFD"_s}},
        {"a UTF-16 mark and one byte", "\xFF\xFEX", {u"\uFFFD"_s}},
        {"one line of the largest size", QByteArray(GenreTable::MaxFileSize, 'g'),
            {QString(GenreTable::MaxFileSize, u'g')}},
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

TEST(GenreTable, CountsAllSlotsWhenTheListIsNearlyFull)
{
    struct Case {
        int lines;
        qsizetype counted;
    } const cases[] = {{254, 254}, {255, 256}, {256, 256}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        RecordingMessages messages;
        Table table(numberedLines(c.lines));
        QStringList list;
        table.genres.FillGenreList(list);
        EXPECT_EQ(list.size(), c.counted);
        EXPECT_EQ(table.genres.GenreName(255), c.lines == 256 ? u"Genre 255"_s : QString());
        EXPECT_TRUE(messages.shown().empty());
    }
}

TEST(GenreTable, ReportsAFailedLoadAtEveryLookupAndGoesOnWithWhatItHas)
{
    struct Case {
        const char* what;
        std::function<void(Table&)> make;
        qsizetype counted; // slots FillGenreList gives after the failure
        QString nameOfGenre0; // what the failed load left in slot 0
        bool unreadable = false; // root reads it
    } const cases[] = {
        {"missing", [](Table&) {}, 256, QString()},
        {"a named pipe", [](Table& t) { ::mkfifo(QFile::encodeName(t.files.path(u"Genres.lst"_s)).constData(), 0644); },
            256, QString()},
        {"257 lines", [](Table& t) { t.files.write(u"Genres.lst"_s, numberedLines(257)); }, 256, u"Genre 0"_s},
        {"over a megabyte",
            [](Table& t) { t.files.write(u"Genres.lst"_s, QByteArray(GenreTable::MaxFileSize + 1, 'x')); }, 256,
            QString()},
        {"100,000 empty lines", [](Table& t) { t.files.write(u"Genres.lst"_s, QByteArray(100'000, '\n')); }, 256,
            QString()},
        {"a link to /dev/zero", [](Table& t) { QFile::link(u"/dev/zero"_s, t.files.path(u"Genres.lst"_s)); }, 256,
            QString()},
        {"unreadable",
            [](Table& t) { ::chmod(QFile::encodeName(t.files.write(u"Genres.lst"_s, "Blues\r\n")).constData(), 0); },
            256, QString(), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.unreadable && ::geteuid() == 0)
            continue; // CI runs this row again as user nobody
        RecordingMessages messages;
        Table table;
        c.make(table);
        QStringList list;
        table.genres.FillGenreList(list);
        EXPECT_EQ(list.size(), c.counted);
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
