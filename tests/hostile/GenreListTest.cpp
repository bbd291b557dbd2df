// Genre lists of any bytes and any size, and Genres.lst being something other than a file: the
// list loads with a defined set of names or is refused with the genre-list message, and the file
// is never changed.

#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "Hostile.h"
#include "support/RecordingMessages.h"
#include "support/TestFiles.h"
#include "tags/GenreTable.h"

using namespace Qt::StringLiterals;
using namespace Hostile;

namespace {

QByteArray lines(int count, const char* ending = "\n")
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes += "G" + QByteArray::number(i) + ending;
    return bytes;
}

struct GenreCase {
    const char* name;
    std::function<void(const TestFiles&, const QString& list)> make;
    bool loads;
    qsizetype names; // what FillGenreList gives
    std::optional<QString> first; // the name of genre 0; nothing: not checked
    std::optional<QString> last = {}; // the name of the last genre listed
};

std::function<void(const TestFiles&, const QString&)> content(const QByteArray& bytes)
{
    return [bytes](const TestFiles& files, const QString&) { files.write(u"Genres.lst"_s, bytes); };
}

std::function<void(const TestFiles&, const QString&)> special(std::function<bool(const QString&)> make)
{
    return [make](const TestFiles&, const QString& list) { EXPECT_TRUE(make(list)); };
}

} // namespace

TEST(HostileGenreLists, EveryListLoadsWithDefinedNamesOrIsRefused)
{
    const qsizetype limit = GenreTable::MaxFileSize;
    const GenreCase cases[] = {
        {"empty", content(""), true, 0, QString()},
        {"no line ending", content("Blues"), true, 1, u"Blues"_s, u"Blues"_s},
        {"CR only", content("A\rB\rC"), true, 3, u"A"_s, u"C"_s},
        {"NUL bytes inside names", content(QByteArray("Ro\0ck\n\0\0\n", 9)), true, 2, QString(u"Ro\0ck"_s),
            QString(2, QChar(0))},
        {"only NUL bytes", content(QByteArray(1000, '\0')), true, 1, QString(1000, QChar(0)), QString(1000, QChar(0))},
        {"a 0xFF run", content(QByteArray(1000, '\xFF')), true, 1, QString(1000, QChar(0xFF)),
            QString(1000, QChar(0xFF))},
        {"UTF-16 with an odd byte count", content(QByteArray("\xFF\xFEX\0Y", 5)), true, 1, u"X\uFFFD"_s, u"X\uFFFD"_s},
        {"a UTF-16 mark and one byte", content("\xFF\xFEX"), true, 1, u"\uFFFD"_s, u"\uFFFD"_s},
        {"256 lines", content(lines(256)), true, 256, u"G0"_s, u"G255"_s},
        {"256 lines ended by CR", content(lines(256, "\r")), true, 256, u"G0"_s, u"G255"_s},
        {"257 lines", content(lines(257)), false, 256, u"G0"_s, u"G255"_s},
        {"100,000 empty lines", content(QByteArray(100'000, '\n')), false, 256, QString(), QString()},
        {"random bytes", content(noise(64 * 1024)), false, 256, std::nullopt},
        {"one line of exactly the largest size", content(QByteArray(limit, 'g')), true, 1, QString(limit, u'g'),
            QString(limit, u'g')},
        {"one byte over the largest size", content(QByteArray(limit + 1, 'g')), false, 256, QString()},
        {"a folder", special(makeFolder), false, 256, QString()},
        {"a named pipe", special(makeFifo), false, 256, QString()},
        {"a link to /dev/zero", special([](const QString& p) { return makeLink(u"/dev/zero"_s, p); }), false, 256,
            QString()},
        {"a dangling link", special([](const QString& p) { return makeLink(p + u".gone"_s, p); }), false, 256,
            QString()},
        {"a link loop", special([](const QString& p) { return makeLink(p, p); }), false, 256, QString()},
    };
    for (const GenreCase& c : cases) {
        SCOPED_TRACE(c.name);
        const HangGuard guard(c.name);
        TestFiles files;
        const QString list = files.path(u"Genres.lst"_s);
        c.make(files, list);
        const Snapshot original = Snapshot::of(list);
        RecordingMessages messages;
        GenreTable table(files.folder());
        QStringList names;
        table.FillGenreList(names);
        EXPECT_EQ(table.isLoaded(), c.loads);
        EXPECT_EQ(messages.texts(), c.loads ? QStringList() : QStringList({genreListFailure(files.folder())}));
        EXPECT_EQ(names.size(), c.names);
        EXPECT_TRUE(!c.first || names.value(0) == *c.first) << "genre 0 differs";
        EXPECT_TRUE(!c.last || names.value(names.size() - 1) == *c.last) << "the last genre differs";
        EXPECT_TRUE(Snapshot::of(list) == original) << "the genre list changed";
    }
}

TEST(HostileGenreLists, AListTheUserMayNotReadIsRefused)
{
    if (runsAsRoot())
        GTEST_SKIP() << "root may read a file of mode 000; CI runs this case again as user nobody";
    TestFiles files;
    RecordingMessages messages;
    const QString list = files.write(u"Genres.lst"_s, "Blues\r\n");
    ASSERT_TRUE(setMode(list, 0));
    GenreTable table(files.folder());
    EXPECT_EQ(table.GenreNumber(u"Blues"_s), GenreTable::UnknownGenre);
    EXPECT_EQ(messages.texts(), QStringList({genreListFailure(files.folder())}));
    ASSERT_TRUE(setMode(list, 0644));
    EXPECT_EQ(TestFiles::read(list), "Blues\r\n");
}
