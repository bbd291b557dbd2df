#include "base/PathTools.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace PathTools;

namespace {

struct PathCase {
    const char16_t* input;
    const char16_t* windows; // the result for the Windows-style text
    const char16_t* posixInput;
    const char16_t* posix; // the result for its Posix counterpart
};

void expectBothStyles(
    const char* what, const std::vector<PathCase>& cases, QString (*function)(const QString&, PathStyle))
{
    for (const PathCase& c : cases) {
        SCOPED_TRACE(std::string(what) + ": " + QString::fromUtf16(c.input).toStdString());
        EXPECT_EQ(function(QString::fromUtf16(c.input), PathStyle::Windows), QString::fromUtf16(c.windows));
        EXPECT_EQ(function(QString::fromUtf16(c.posixInput), PathStyle::Posix), QString::fromUtf16(c.posix));
    }
}

} // namespace

TEST(PathTools, SplitsAndJoinsFoldersInBothStyles)
{
    expectBothStyles("addBackslash",
        {
            {u"", u"", u"", u""},
            {u"C:\\", u"C:\\", u"/", u"/"},
            {u"C:\\Music", u"C:\\Music\\", u"/music", u"/music/"},
        },
        addBackslash);
    expectBothStyles("folderOf",
        {
            {u"C:\\Music\\a.mp3", u"C:\\Music\\", u"/music/a.mp3", u"/music/"},
            {u"a.mp3", u"", u"a.mp3", u""},
            {u"C:\\", u"C:\\", u"/", u"/"},
        },
        folderOf);
    expectBothStyles("fileNameOf",
        {
            {u"C:\\Music\\a.mp3", u"a.mp3", u"/music/a.mp3", u"a.mp3"},
            {u"C:\\Music\\", u"", u"/music/", u""},
            {u"a.mp3", u"a.mp3", u"a.mp3", u"a.mp3"},
            {u"", u"", u"", u""},
            // Each style has one separator: the other is an ordinary character.
            {u"a/b.mp3", u"a/b.mp3", u"a\\b.mp3", u"a\\b.mp3"},
        },
        fileNameOf);
}

TEST(PathTools, CombinesPlaylistPathsWithTheFolder)
{
    struct Case {
        const char16_t* folder;
        const char16_t* path;
        PathStyle style;
        const char16_t* expected;
    } const cases[] = {
        {u"C:\\Lists", u"a.mp3", PathStyle::Windows, u"C:\\Lists\\a.mp3"},
        // A leading separator is relative to the folder, not to the drive.
        {u"C:\\Lists", u"\\Rock\\b.mp3", PathStyle::Windows, u"C:\\Lists\\Rock\\b.mp3"},
        {u"C:\\Lists", u"D:\\c.mp3", PathStyle::Windows, u"D:\\c.mp3"},
        {u"C:\\Lists\\", u"\\\\server\\share\\a.mp3", PathStyle::Windows, u"C:\\Lists\\\\server\\share\\a.mp3"},
        {u"C:\\Lists", u"C:a.mp3", PathStyle::Windows, u"C:\\Lists\\C:a.mp3"},
        {u"", u"\\a.mp3", PathStyle::Windows, u"a.mp3"},
        {u"", u"a.mp3", PathStyle::Windows, u"a.mp3"},
        {u"/lists", u"a.mp3", PathStyle::Posix, u"/lists/a.mp3"},
        {u"/lists/", u"rock/b.mp3", PathStyle::Posix, u"/lists/rock/b.mp3"},
        // On Posix a leading separator is absolute.
        {u"/lists", u"/music/c.mp3", PathStyle::Posix, u"/music/c.mp3"},
        {u"/lists", u"C:\\c.mp3", PathStyle::Posix, u"C:\\c.mp3"},
        {u"/lists", u"C:c.mp3", PathStyle::Posix, u"/lists/C:c.mp3"},
        {u"", u"a.mp3", PathStyle::Posix, u"a.mp3"},
        // "." and ".." are resolved as text in what is combined; absolute paths stay as written.
        {u"C:\\Lists", u".\\a.mp3", PathStyle::Windows, u"C:\\Lists\\a.mp3"},
        {u"C:\\Lists\\Sub", u"..\\Music\\.\\a.mp3", PathStyle::Windows, u"C:\\Lists\\Music\\a.mp3"},
        {u"C:\\Lists", u"\\..\\..\\..\\a.mp3", PathStyle::Windows, u"C:\\a.mp3"},
        {u"C:\\Lists", u"D:\\x\\..\\a.mp3", PathStyle::Windows, u"D:\\x\\..\\a.mp3"},
        {u"/m", u"./x.mp3", PathStyle::Posix, u"/m/x.mp3"},
        {u"/lists/sub/", u"../music/x.mp3", PathStyle::Posix, u"/lists/music/x.mp3"},
        {u"/lists", u"../../../x.mp3", PathStyle::Posix, u"/x.mp3"},
        {u"/m", u"a/./b/..//../c.mp3", PathStyle::Posix, u"/m/c.mp3"},
        {u"/m/../n/", u"..x/.y.mp3", PathStyle::Posix, u"/n/..x/.y.mp3"},
        {u"lists", u"./a/../../../x.mp3", PathStyle::Posix, u"../x.mp3"},
        {u"", u"./x.mp3", PathStyle::Posix, u"./x.mp3"}, // nothing to combine with
        {u"/lists", u"/m/./x.mp3", PathStyle::Posix, u"/m/./x.mp3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QString::fromUtf16(c.folder).toStdString() + " + " + QString::fromUtf16(c.path).toStdString());
        EXPECT_EQ(combinePath(QString::fromUtf16(c.folder), QString::fromUtf16(c.path), c.style),
            QString::fromUtf16(c.expected));
    }
}

TEST(PathTools, MakesPathsRelativeToAFolder)
{
    struct Case {
        const char16_t* folder;
        const char16_t* path;
        PathStyle style;
        const char16_t* expected;
    } const cases[] = {
        {u"/m/lists", u"/m/a/x.mp3", PathStyle::Posix, u"../a/x.mp3"},
        {u"/m/lists/", u"/m/lists/x.mp3", PathStyle::Posix, u"x.mp3"},
        {u"/m", u"/m/a/b/x.mp3", PathStyle::Posix, u"a/b/x.mp3"},
        {u"/", u"/x.mp3", PathStyle::Posix, u"x.mp3"},
        {u"/a/b/c", u"/x.mp3", PathStyle::Posix, u"../../../x.mp3"},
        // A folder named like the file is still climbed out of.
        {u"/m/x.mp3", u"/m/x.mp3", PathStyle::Posix, u"../x.mp3"},
        {u"/m/lists/../a", u"/m/a/./x.mp3", PathStyle::Posix, u"x.mp3"},
        {u"lists", u"/m/x.mp3", PathStyle::Posix, u"/m/x.mp3"},
        {u"/m", u"x.mp3", PathStyle::Posix, u"x.mp3"},
        {u"/m", u"C:\\x.mp3", PathStyle::Posix, u"C:\\x.mp3"},
        {u"C:\\Lists", u"c:\\Music\\x.mp3", PathStyle::Windows, u"..\\Music\\x.mp3"},
        {u"C:\\Lists", u"D:\\x.mp3", PathStyle::Windows, u"D:\\x.mp3"},
    };
    for (const Case& c : cases) {
        const QString folder = QString::fromUtf16(c.folder);
        const QString path = QString::fromUtf16(c.path);
        SCOPED_TRACE(folder.toStdString() + " -> " + path.toStdString());
        const QString relative = relativePath(folder, path, c.style);
        EXPECT_EQ(relative, QString::fromUtf16(c.expected));
        // Read back against the folder, it names the same file.
        if (isAbsolute(folder, c.style) && isAbsolute(path, c.style) && relative != path) {
            EXPECT_EQ(combinePath(resolveDots(folder, c.style), relative, c.style).toLower(),
                resolveDots(path, c.style).toLower());
        }
    }
}

TEST(PathTools, FindsExtensionsAndLastOccurrences)
{
    EXPECT_EQ(stripExtension(u"song"_s), u"song"_s);
    EXPECT_EQ(stripExtension(u".mp3"_s), QString());
    EXPECT_EQ(stripExtension(u"a.b.mp3"_s), u"a.b"_s);
    EXPECT_EQ(stripExtension(u"C:\\My.Music\\song"_s), u"C:\\My"_s);
    EXPECT_EQ(extensionOf(u"a.b.mp3"_s), u"mp3"_s);
    EXPECT_EQ(extensionOf(u".mp3"_s), u"mp3"_s); // a name that is all extension, as stripExtension has it
    EXPECT_EQ(extensionOf(u"song."_s), QString());
    EXPECT_EQ(extensionOf(u"song"_s), QString());

    EXPECT_EQ(findLast(u"a\\b\\c"_s, u"\\"_s), 4);
    EXPECT_EQ(findLast(u"abc"_s, u"x"_s), 0);
    EXPECT_EQ(findLast(u"ab"_s, u"abc"_s), 0);
    EXPECT_EQ(findLast(u"abab"_s, u"ab"_s), 3);
    EXPECT_EQ(findLast(u"abc"_s, QString()), 4);
    EXPECT_EQ(findLast(QString(), QString()), 1);
    // A NUL is found only where the text holds one, never just behind its end.
    EXPECT_EQ(findLast(u"&"_s, u"\0"_s), 0);
    EXPECT_EQ(findLast(u"ab"_s, u"b\0"_s), 0);
    EXPECT_EQ(findLast(u"a\0b"_s, u"\0"_s), 2);
}

TEST(PathTools, TrimsOnlyOuterBlanks)
{
    const QChar nul(0);
    struct Case {
        QString text;
        QString expected;
    } const cases[] = {
        {QString(30, nul), QString()},
        {QString(30, u' '), QString()},
        {u"\ta b"_s + nul + nul, u"a b"_s},
        {u"a"_s + nul + u"b"_s, u"a"_s + nul + u"b"_s},
        {u"  Hey Jude\t"_s, u"Hey Jude"_s},
        {QString(), QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(trimBlanks(c.text), c.expected);
    }
}
