// Playlists made of anything: binary bytes, huge lines, millions of empty lines, broken encodings,
// PLS numbers of every kind, playlists that are not regular files, rows naming files that are bad in
// every way, and destinations a playlist cannot be saved to. Each case ends with its defined result
// and the playlist's bytes untouched.

#include <gtest/gtest.h>

#include <functional>

#include <QFile>

#include "Hostile.h"
#include "playlist/PlaylistFiles.h"
#include "playlist/PlaylistModel.h"
#include "playlist/TagReading.h"
#include "support/RecordingMessages.h"
#include "support/TestFiles.h"

using namespace Qt::StringLiterals;
using namespace Hostile;
namespace {

// What a load did, as the tables name it: read whole, refused as not a playlist, or ended early.
enum class LoadResult { Loaded, InvalidFormat, EndedEarly };

LoadResult load(PlaylistModel& model, const QString& path, std::optional<Iterator>& reader)
{
    const Result<void> loaded = PlaylistFiles::loadPlaylist(model, path, reader);
    if (loaded)
        return LoadResult::Loaded;
    return loaded.failure().kind == Failure::Kind::Unrecognized ? LoadResult::InvalidFormat : LoadResult::EndedEarly;
}

} // namespace
using TestBytes::audio;

namespace {

constexpr qsizetype kMiB = 1 << 20;

QByteArray utf16(const QString& text, bool little)
{
    QByteArray bytes;
    for (const QChar c : text) {
        const char high = char(c.unicode() >> 8);
        const char low = char(c.unicode() & 0xFF);
        bytes += little ? low : high;
        bytes += little ? high : low;
    }
    return bytes;
}

QByteArray repeated(const QByteArray& piece, qsizetype count)
{
    return piece.repeated(count);
}

QStringList columnOf(const PlaylistModel& model, int column)
{
    QStringList texts;
    for (qsizetype i = 0; i < model.size(); ++i)
        texts.append(model.text(i, column));
    return texts;
}

// A file name in the test folder, as the rows of an M3U list name it.
struct InFolder {
    QString name;
};

struct PlaylistCase {
    const char* name;
    std::function<QString(const TestFiles&)> make; // makes the playlist, returns its path
    LoadResult result;
    bool invalidMessage;
    qsizetype entries; // -1: any number; what matters is the result and what it left alone
    QStringList paths = {}; // the first rows' files ("~/" stands for the test folder)
    QStringList titles = {}; // the first rows' titles
};

std::function<QString(const TestFiles&)> playlist(const char* name, const QByteArray& content)
{
    return [name, content](const TestFiles& files) { return files.write(QString::fromUtf8(name), content); };
}

std::function<QString(const TestFiles&)> special(std::function<bool(const QString&)> make)
{
    return [make](const TestFiles& files) {
        const QString path = files.path(u"list.m3u"_s);
        EXPECT_TRUE(make(path));
        return path;
    };
}

QString inFolder(const TestFiles& files, const QString& path)
{
    return path.startsWith(u"~/") ? files.path(path.sliced(2)) : path;
}

const std::vector<PlaylistCase>& playlistCases()
{
    static const QByteArray m3u = "#EXTM3U\r\n";
    static const QByteArray pls = "[playlist]\r\n";
    static const std::vector<PlaylistCase> cases = {
        // Binary playlists.
        {"random bytes", playlist("noise.m3u", noise(kMiB)), LoadResult::InvalidFormat, true, 0},
        {"NUL bytes", playlist("nul.m3u", QByteArray(kMiB, '\0')), LoadResult::InvalidFormat, true, 0},
        {"a 0xFF run", playlist("ff.m3u", QByteArray(kMiB, '\xFF')), LoadResult::InvalidFormat, true, 0},
        {"a UTF-16 mark and a 0xFF run", playlist("ff16.m3u", "\xFF\xFE" + QByteArray(kMiB, '\xFF')),
            LoadResult::InvalidFormat, true, 0},
        {"a plain M3U, then random bytes past its start",
            playlist("plain.m3u", "/m/a.mp3\r\n#" + QByteArray(5000, 'x') + "\r\n" + noise(kMiB)), LoadResult::Loaded,
            false, -1, {u"/m/a.mp3"_s}},
        {"an M3U header and random bytes", playlist("noise2.m3u", m3u + noise(kMiB)), LoadResult::Loaded, false, -1},
        {"a PLS header and random bytes", playlist("noise.pls", pls + noise(kMiB)), LoadResult::Loaded, false, -1},
        {"an M3U header and a line of NULs", playlist("nulline.m3u", m3u + QByteArray(1000, '\0')), LoadResult::Loaded,
            false, 1, {u"~/"_s + QString(1000, QChar(0))}, {QString(1000, QChar(0))}},
        // Huge playlists.
        {"a first line of 8 MiB without a line end", playlist("long.m3u", "#EXTM3U" + QByteArray(8 * kMiB, ' ')),
            LoadResult::InvalidFormat, true, 0},
        {"a first line of 8 MiB", playlist("long2.m3u", QByteArray(8 * kMiB, 'x') + "\r\n" + m3u),
            LoadResult::InvalidFormat, true, 0},
        {"a line of 8 MiB", playlist("long3.m3u", m3u + QByteArray(8 * kMiB, 'p')), LoadResult::Loaded, false, 1,
            {u"~/"_s + QString(8 * kMiB, u'p')}},
        {"an empty playlist", playlist("empty.m3u", ""), LoadResult::Loaded, false, 0},
        {"5 million LF", playlist("lf.m3u", m3u + repeated("\n", 5'000'000)), LoadResult::Loaded, false, 0},
        {"5 million CR", playlist("cr.m3u", m3u + repeated("\r", 5'000'000)), LoadResult::Loaded, false, 0},
        {"3 million CR LF after a PLS header", playlist("crlf.pls", pls + repeated("\r\n", 3'000'000)),
            LoadResult::Loaded, false, 0},
        {"a million descriptions without a file", playlist("extinf.m3u", m3u + repeated("#EXTINF:1,t\n", 1'000'000)),
            LoadResult::Loaded, false, 0},
        {"a million PLS File lines", playlist("many.pls", pls + repeated("File1=/m/a.mp3\n", 1'000'000)),
            LoadResult::Loaded, false, 1'000'000, {u"/m/a.mp3"_s}, {u"a"_s}},
        // Encodings.
        {"M3U in windows-1252", playlist("1252.m3u", m3u + "#EXTINF:5,Caf\xE9\r\ncaf\xE9\x80.mp3\r\n"),
            LoadResult::Loaded, false, 1, {u"~/caf\u00E9\u20AC.mp3"_s}, {u"Caf\u00E9"_s}},
        {"UTF-8 cut off at the end", playlist("cut.m3u", m3u + "/m/\xC3\xA9.mp3\r\n/m/\xC3"), LoadResult::Loaded, false,
            2, {u"/m/\u00C3\u00A9.mp3"_s, u"/m/\u00C3"_s}},
        {"an encoded surrogate", playlist("surrogate.m3u", m3u + "/m/\xED\xA0\x80.mp3"), LoadResult::Loaded, false, 1,
            {u"/m/\u00ED\u00A0\u20AC.mp3"_s}},
        {"PLS with undefined windows-1252 bytes", playlist("1252.pls", pls + "File1=/m/\x81\x8D\x8F\x90\x9D.mp3\n"),
            LoadResult::Loaded, false, 1, {u"/m/\u0081\u008D\u008F\u0090\u009D.mp3"_s}},
        {"UTF-16 LE with an odd byte count",
            playlist("odd16le.m3u", "\xFF\xFE" + utf16(u"#EXTM3U\n/m/a.mp3"_s, true) + "x"), LoadResult::Loaded, false,
            1, {u"/m/a.mp3\uFFFD"_s}},
        {"UTF-16 BE with an odd byte count",
            playlist("odd16be.pls", "\xFE\xFF" + utf16(u"[playlist]\nFile1=/m/b.mp3"_s, false) + "x"),
            LoadResult::Loaded, false, 1, {u"/m/b.mp3\uFFFD"_s}},
        {"UTF-16 with a lone surrogate",
            playlist("lone16.m3u", "\xFF\xFE" + utf16(u"#EXTM3U\n/m/a"_s + QChar(0xD800) + u".mp3"_s, true)),
            LoadResult::Loaded, false, 1, {u"/m/a\uFFFD.mp3"_s}},
        {"UTF-16 ending in half a surrogate pair",
            playlist("half16.m3u", "\xFE\xFF" + utf16(u"#EXTM3U\n/m/a"_s + QChar(0xD800), false)), LoadResult::Loaded,
            false, 1, {u"/m/a\uFFFD"_s}},
        {"only a UTF-16 mark", playlist("bom.m3u", "\xFF\xFE"), LoadResult::Loaded, false, 0},
        {"a UTF-16 mark and one byte", playlist("bom1.m3u", "\xFF\xFE#"), LoadResult::InvalidFormat, true, 0},
        // PLS numbers: missing, repeated, huge, negative; and lines without a value.
        {"PLS numbers of every kind",
            playlist("numbers.pls",
                pls
                    + "File=/m/a.mp3\nFile1=/m/b.mp3\nFile1=/m/c.mp3\nFile99999999999999999999999=/m/d.mp3\n"
                      "File-1=/m/e.mp3\nFile\nTitle1=T\nLength1=99999999999999999999\nTitle2=orphan\n"),
            LoadResult::Loaded, false, 6,
            {u"/m/a.mp3"_s, u"/m/b.mp3"_s, u"/m/c.mp3"_s, u"/m/d.mp3"_s, u"/m/e.mp3"_s, u"File"_s},
            {u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s, u"T"_s}},
        {"PLS with a huge entry count first",
            playlist("count.pls", pls + "NumberOfEntries=99999999999999999999\nFile1=/m/a.mp3\n"), LoadResult::Loaded,
            false, 0},
        {"M3U description without a comma", playlist("comma.m3u", m3u + "/m/a.mp3\n#EXTINF:99999999999\n/m/b.mp3\n"),
            LoadResult::EndedEarly, false, 1, {u"/m/a.mp3"_s}},
        // 100,000-character titles and paths.
        {"M3U title and path of 100,000 characters",
            playlist("long.m3u", m3u + "#EXTINF:1," + QByteArray(100'000, 'T') + "\r\n/" + QByteArray(100'000, 'p')),
            LoadResult::Loaded, false, 1, {u"/"_s + QString(100'000, u'p')}, {QString(100'000, u'T')}},
        {"PLS path of 100,000 characters", playlist("long.pls", pls + "File1=" + QByteArray(100'000, '/')),
            LoadResult::Loaded, false, 1, {QString(100'000, u'/')}},
        // Playlists that are not regular files.
        {"a folder", special(makeFolder), LoadResult::EndedEarly, false, 0},
        {"a named pipe", special(makeFifo), LoadResult::EndedEarly, false, 0},
        {"/dev/zero", [](const TestFiles&) { return u"/dev/zero"_s; }, LoadResult::EndedEarly, false, 0},
        {"/dev/null", [](const TestFiles&) { return u"/dev/null"_s; }, LoadResult::EndedEarly, false, 0},
        {"a link to /dev/zero", special([](const QString& path) { return makeLink(u"/dev/zero"_s, path); }),
            LoadResult::EndedEarly, false, 0},
        {"a dangling link", special([](const QString& path) { return makeLink(path + u".gone"_s, path); }),
            LoadResult::EndedEarly, false, 0},
        {"a link loop", special([](const QString& path) { return makeLink(path, path); }), LoadResult::EndedEarly,
            false, 0},
    };
    return cases;
}

} // namespace

TEST(HostilePlaylists, EveryPlaylistLoadsWithADefinedResultAndStaysAsItWas)
{
    for (const PlaylistCase& c : playlistCases()) {
        SCOPED_TRACE(c.name);
        const HangGuard guard(c.name);
        TestFiles files;
        RecordingMessages messages;
        const QString path = c.make(files);
        const QStringList before = entriesOf(files.folder());
        const Snapshot original = Snapshot::of(path);
        PlaylistModel model;
        std::optional<Iterator> reader;
        EXPECT_EQ(load(model, path, reader), c.result);
        EXPECT_EQ(messages.texts(), c.invalidMessage ? QStringList({u"Invalid format."_s}) : QStringList());
        if (c.entries >= 0) {
            EXPECT_EQ(model.size(), c.entries);
        }
        const QStringList paths = columnOf(model, FileNameColumn).mid(0, c.paths.size());
        QStringList expectedPaths;
        for (const QString& p : c.paths)
            expectedPaths.append(inFolder(files, p));
        EXPECT_TRUE(paths == expectedPaths) << "the rows' files differ";
        EXPECT_TRUE(columnOf(model, TitleColumn).mid(0, c.titles.size()) == c.titles) << "the rows' titles differ";
        EXPECT_TRUE(Snapshot::of(path) == original) << "the playlist changed";
        EXPECT_EQ(entriesOf(files.folder()), before);
    }
}

TEST(HostilePlaylists, AnUnreadablePlaylistEndsEarlyWithoutAMessage)
{
    if (runsAsRoot())
        GTEST_SKIP() << "root may read a file of mode 000; CI runs this case again as user nobody";
    TestFiles files;
    RecordingMessages messages;
    const QString path = files.write(u"locked.m3u"_s, "#EXTM3U\r\n/m/a.mp3\r\n");
    ASSERT_TRUE(setMode(path, 0));
    PlaylistModel model;
    std::optional<Iterator> reader;
    EXPECT_EQ(load(model, path, reader), LoadResult::EndedEarly);
    EXPECT_EQ(model.size(), 0);
    EXPECT_TRUE(messages.shown().empty());
    ASSERT_TRUE(setMode(path, 0644));
    EXPECT_EQ(TestFiles::read(path), "#EXTM3U\r\n/m/a.mp3\r\n");
}

namespace {

// The rows of a playlist naming bad files; its tags are read as background reading does, each
// failure stopping a tick, until the reader runs out.
struct RowCase {
    const char* name;
    std::function<QString(const TestFiles&)> make; // makes the row's file, returns the row's path
    bool vanishes; // the file is removed after the row was made
    const char* quickTag;
    bool notFound;
};

QString rowFile(const TestFiles& files, const char* name, std::function<bool(const QString&)> make)
{
    const QString path = files.path(QString::fromUtf8(name));
    EXPECT_TRUE(make(path));
    return path;
}

} // namespace

TEST(HostilePlaylists, RowsNamingBadFilesShowAnErrorAndTouchNothing)
{
    TestFiles files;
    const QByteArray tag = TestBytes::id3v1({"Song", "Band", "", "", "", 0, 0});
    const RowCase cases[] = {
        {"a good file", [](const TestFiles& f) { return f.write(u"good.mp3"_s, audio(300)); }, false, "(none)", false},
        {"a file that vanished", [](const TestFiles& f) { return f.write(u"gone.mp3"_s, audio(300)); }, true, "(error)",
            true},
        {"a folder", [](const TestFiles& f) { return rowFile(f, "folder.mp3", makeFolder); }, false, "(error)", true},
        {"a named pipe", [](const TestFiles& f) { return rowFile(f, "pipe.mp3", makeFifo); }, false, "(error)", true},
        {"/dev/zero", [](const TestFiles&) { return u"/dev/zero"_s; }, false, "(error)", true},
        {"a dangling link",
            [](const TestFiles& f) {
                return rowFile(f, "dangling.mp3", [](const QString& p) { return makeLink(p + u".x"_s, p); });
            },
            false, "(error)", true},
        {"a link loop",
            [](const TestFiles& f) { return rowFile(f, "loop.mp3", [](const QString& p) { return makeLink(p, p); }); },
            false, "(error)", true},
        {"a path of 100,000 characters", [](const TestFiles& f) { return f.folder() + u'/' + QString(100'000, u'q'); },
            false, "(error)", true},
        {"a tagged file after them", [tag](const TestFiles& f) { return f.write(u"tagged.mp3"_s, audio(300) + tag); },
            false, "Band - Song", false},
    };
    std::vector<PlaylistEntry> entries;
    std::vector<QString> vanishing;
    for (const RowCase& c : cases) {
        const QString path = c.make(files);
        entries.push_back({path, titleOfFile(path), unknownLength()});
        if (c.vanishes)
            vanishing.push_back(path);
    }
    const QStringList before = entriesOf(files.folder());
    PlaylistModel model;
    model.appendEntries(entries);
    for (const QString& path : vanishing)
        ASSERT_TRUE(QFile::remove(path));
    QStringList left = before;
    for (const QString& path : vanishing)
        left.removeOne(path.section(u'/', -1));

    RecordingMessages messages;
    std::optional<Iterator> reader = model.nodeList().getIterator();
    const HangGuard guard("reading the rows' tags");
    int ticks = 0;
    while (readTagsTick(model, reader, std::chrono::hours(1)).keepGoing && ticks < 100)
        ++ticks;
    QStringList expected;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_EQ(model.text(qsizetype(i), QuickTagColumn), QString::fromUtf8(cases[i].quickTag));
        if (cases[i].notFound)
            expected.append(notFound(entries[i].path));
    }
    EXPECT_EQ(messages.texts(), expected);
    EXPECT_EQ(entriesOf(files.folder()), left);
    EXPECT_EQ(TestFiles::read(files.path(u"good.mp3"_s)), audio(300));
}

TEST(HostilePlaylists, SavingWhereNoPlaylistCanGoIsReportedAndChangesNothing)
{
    struct Case {
        const char* name;
        std::function<bool(const QString&)> make;
        const char* reason; // the system's words
    } const cases[] = {
        {"a folder", makeFolder, "Is a directory"},
        {"a named pipe", makeFifo, "Not a regular file"},
        {"a dangling link", [](const QString& path) { return makeLink(path + u".gone"_s, path); },
            "No such file or directory"},
        {"a link loop", [](const QString& path) { return makeLink(path, path); }, "Too many levels of symbolic links"},
    };
    PlaylistModel model;
    model.appendEntries({{u"/m/a.mp3"_s, u"A"_s, u"1"_s}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const HangGuard guard(c.name);
        TestFiles files;
        RecordingMessages messages;
        const QString path = files.path(u"out.m3u"_s);
        ASSERT_TRUE(c.make(path));
        const QStringList before = entriesOf(files.folder());
        EXPECT_FALSE(PlaylistFiles::savePlaylist(model, path));
        EXPECT_EQ(messages.texts(),
            QStringList(
                {u"Could not save the playlist to "_s + path + u": "_s + QString::fromUtf8(c.reason) + u"."_s}));
        EXPECT_EQ(entriesOf(files.folder()), before);
    }
}

TEST(HostilePlaylists, SavesAndReloadsTitlesAndPathsOfAHundredThousandCharacters)
{
    TestFiles files;
    RecordingMessages messages;
    const PlaylistEntry entry{u"/"_s + QString(100'000, u'p') + u".mp3"_s, QString(100'000, u'T'), u"7"_s};
    PlaylistModel model;
    model.appendEntries({entry});
    for (const char* name : {"long.m3u", "long.pls"}) {
        SCOPED_TRACE(name);
        const QString path = files.path(QString::fromUtf8(name));
        ASSERT_TRUE(PlaylistFiles::savePlaylist(model, path));
        PlaylistModel loaded;
        std::optional<Iterator> reader;
        EXPECT_EQ(load(loaded, path, reader), LoadResult::Loaded);
        EXPECT_TRUE(loaded.entriesInRowOrder() == std::vector<PlaylistEntry>({entry}));
    }
    // Saving under a name longer than the system allows is refused and leaves nothing behind.
    const QString tooLong = files.folder() + u'/' + QString(100'000, u'n') + u".m3u"_s;
    EXPECT_FALSE(PlaylistFiles::savePlaylist(model, tooLong));
    EXPECT_EQ(
        messages.texts(), QStringList({u"Could not save the playlist to "_s + tooLong + u": File name too long."_s}));
    EXPECT_EQ(entriesOf(files.folder()), QStringList({u"long.m3u"_s, u"long.pls"_s}));
}

// The system takes a path as a C string: a name holding a NUL byte would reach the file named by
// the part before the NUL, and a row "song.mp3<NUL>.x" would read, retag and cut song.mp3.
TEST(HostilePlaylists, ARowWhoseNameHoldsANulNamesNoFile)
{
    TestFiles files;
    const QByteArray tag = TestBytes::id3v1({"Song", "Band", "", "", "", 0, 0});
    const QString song = files.write(u"song.mp3"_s, audio(300) + tag);
    const QString list = files.write(u"list.m3u"_s, QByteArray("#EXTM3U\r\nsong.mp3\0.x\r\n", 22));
    RecordingMessages messages;
    PlaylistModel model;
    std::optional<Iterator> reader;
    ASSERT_EQ(load(model, list, reader), LoadResult::Loaded);
    ASSERT_EQ(model.size(), 1);
    const QString row = song + QChar(0) + u".x"_s;
    EXPECT_TRUE(model.text(0, FileNameColumn) == row);
    readTagsTick(model, reader, std::chrono::hours(1));
    EXPECT_EQ(model.text(0, QuickTagColumn), u"(error)"_s);
    EXPECT_TRUE(messages.texts() == QStringList({notFound(row)}));
    model.findItem(0)->mp3Tag().setHasID1Tag(false);
    EXPECT_EQ(TestFiles::read(song), audio(300) + tag);
}
