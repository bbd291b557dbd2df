#include "playlist/PlaylistFiles.h"

#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QStringEncoder>

#include <gtest/gtest.h>

#include "PlaylistTestRows.h"
#include "base/NativePath.h"
#include "base/TextLines.h"
#include "playlist/PlaylistFormat.h"
#include "playlist/PlaylistPaths.h"
#include "support/RecordingMessages.h"
#include "support/TestFiles.h"

using namespace Qt::StringLiterals;
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

namespace {

QByteArray utf16(const QString& text)
{
    return "\xFF\xFE" + QByteArray(QStringEncoder(QStringEncoder::Utf16LE).encode(text));
}

QString fifo(const TestFiles& files)
{
    QString path = files.path(u"pipe.m3u"_s);
    EXPECT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
    return path;
}

// The names in a folder, hidden ones included: what a failed save must not leave behind.
QStringList namesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
}

} // namespace

TEST(PlaylistFiles, LoadsEntriesOrEndsWithTheRightResult)
{
    const auto file = [](const char* name, const QByteArray& bytes) {
        return [=](const TestFiles& files) { return files.write(QString::fromUtf8(name), bytes); };
    };
    struct Case {
        const char* name;
        std::function<QString(const TestFiles&)> make; // makes the playlist, returns its path
        LoadResult result;
        QStringList files; // relative ones are in the test folder
        bool needsNonRoot = false; // root reads a file of mode 000
    } const cases[] = {
        {"relative", file("a.m3u", "#EXTM3U\r\n#EXTINF:215,T\r\nsong.mp3\r\n"), LoadResult::Loaded, {u"song.mp3"_s}},
        {"broken", file("a.m3u", "#EXTM3U\r\n/m/a.mp3\r\n#EXTINF:1\r\n/m/b.mp3\r\n"), LoadResult::EndedEarly,
            {u"/m/a.mp3"_s}},
        {"empty PLS", file("a.pls", ""), LoadResult::Loaded, {}},
        // A line longer than a piece of the reading waits for its end.
        {"a line of 3 MiB", file("a.m3u", "#EXTM3U\n/" + QByteArray(3 << 20, 'p')), LoadResult::Loaded,
            {u"/"_s + QString(3 << 20, u'p')}},
        // Not a playlist: refused from the file's start with a message.
        {"binary", file("a.m3u", QByteArray("/m/a.mp3\r\n\0\x01", 12)), LoadResult::InvalidFormat, {}},
        {"a gigabyte without a line end",
            [](const TestFiles& files) {
                QFile huge(files.path(u"huge.m3u"_s));
                EXPECT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(1) << 30));
                return huge.fileName();
            },
            LoadResult::InvalidFormat, {}},
        // Not readable: ends early, silently.
        {"missing", [](const TestFiles& files) { return files.path(u"gone.m3u"_s); }, LoadResult::EndedEarly, {}},
        {"a named pipe", fifo, LoadResult::EndedEarly, {}},
        {"/dev/zero", [](const TestFiles&) { return u"/dev/zero"_s; }, LoadResult::EndedEarly, {}},
        {"unreadable",
            [](const TestFiles& files) {
                QString path = files.write(u"locked.m3u"_s, "#EXTM3U\r\n/m/a.mp3\r\n");
                EXPECT_EQ(::chmod(QFile::encodeName(path).constData(), 0), 0);
                return path;
            },
            LoadResult::EndedEarly, {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.needsNonRoot && ::geteuid() == 0)
            continue; // CI runs these cases again as user nobody
        TestFiles files;
        RecordingMessages messages;
        const QString path = c.make(files);
        PlaylistModel model;
        std::optional<Iterator> reader;
        EXPECT_EQ(load(model, path, reader), c.result);
        QStringList expected;
        for (const QString& name : c.files)
            expected.append(name.startsWith(u'/') ? name : files.path(name));
        EXPECT_TRUE(columnOf(model, FileNameColumn) == expected);
        EXPECT_EQ(reader.has_value(), c.result == LoadResult::Loaded);
        const bool invalid = c.result == LoadResult::InvalidFormat;
        EXPECT_EQ(messages.texts(), invalid ? QStringList({u"Invalid format."_s}) : QStringList());
        if (invalid) {
            EXPECT_EQ(messages.shown()[0].title, u"Error"_s);
        }
    }
}

TEST(PlaylistFiles, LoadsALargeFileInPiecesAsItsWholeText)
{
    // Each file spans several pieces of the reading; the entries must be those of the whole text.
    const auto m3u = [](const QByteArray& word, const QByteArray& ending) {
        QByteArray bytes = "\xEF\xBB\xBF#EXTM3U\r\n";
        for (int i = 0; i < 60000; ++i) {
            const QByteArray n = QByteArray::number(i);
            bytes += "#EXTINF:" + QByteArray::number(i % 7 * 100) + "," + word + n + "\r\n/m/" + n + ".mp3\r\n";
        }
        return bytes + ending;
    };
    QByteArray pls = "[playlist]\n";
    QString wide = u"#EXTM3U\n"_s;
    for (int i = 0; i < 60000; ++i) {
        const QByteArray n = QByteArray::number(i);
        pls += "File" + n + "=/m/" + n + ".mp3\r\n" + (i % 3 ? "Title" + n + "=T " + n + "\r\n" : QByteArray())
            + (i % 5 ? "Length" + n + "=" + n + "\r\n" : QByteArray());
        wide += u"/m/"_s + QString::fromLatin1(n) + u'\n';
    }
    struct Case {
        const char* name;
        QByteArray bytes;
        LoadResult result;
    } const cases[] = {
        {"pieces.pls", pls + "NumberOfEntries=1\r\nFile9=/after/end.mp3\r\n", LoadResult::Loaded},
        {"utf8.m3u", m3u("caf\xC3\xA9 ", "\xEF\xBB\xBF/m/mark.mp3\r"), LoadResult::Loaded},
        {"late-1252.m3u", m3u("caf\xC3\xA9 ", "/m/caf\xE9.mp3\n"), LoadResult::Loaded},
        {"ends-early.m3u", m3u("t", "#EXTINF:12\r\n/m/x.mp3\r\n"), LoadResult::EndedEarly},
        {"utf16.m3u", utf16(wide + u"/m/last"_s), LoadResult::Loaded},
    };
    TestFiles files;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = files.write(QString::fromUtf8(c.name), c.bytes);
        // Lines that are not UTF-8 are read one by one, the rest of the file as UTF-8.
        const bool inUtf16 = c.bytes.startsWith("\xFF\xFE");
        const QByteArray unmarked = c.bytes.startsWith("\xEF\xBB\xBF") ? c.bytes.sliced(3) : c.bytes;
        const ParsedPlaylist whole
            = parsePlaylist(inUtf16 ? TextLines::decode(c.bytes) : NativePath::decode(unmarked), path);
        ASSERT_GT(whole.entries.size(), 50000u);
        RecordingMessages messages;
        PlaylistModel model;
        std::optional<Iterator> reader;
        EXPECT_EQ(load(model, path, reader), c.result);
        EXPECT_TRUE(model.entriesInRowOrder() == whole.entries);
        EXPECT_EQ(model.nodeList().size(), model.size());
    }
}

TEST(PlaylistFiles, SavesRowsInDisplayOrder)
{
    TestFiles files;
    RecordingMessages messages;
    PlaylistModel model;
    model.appendEntries({{u"/m/b.mp3"_s, u"B\u00E9"_s, u"215"_s}, {u"/m/a.mp3"_s, u"A"_s, u"???"_s}});
    int sortState = 0;
    RowCommands::sortByColumn(model, sortState, FileNameColumn);
    ASSERT_TRUE(PlaylistFiles::savePlaylist(model, files.path(u"list.M3U"_s)));
    EXPECT_EQ(TestFiles::read(files.path(u"list.M3U"_s)),
        "#EXTM3U\r\n#EXTINF:,A\r\n/m/a.mp3\r\n#EXTINF:215,B\xC3\xA9\r\n/m/b.mp3\r\n");
    ASSERT_TRUE(PlaylistFiles::savePlaylist(model, files.path(u"list.pls"_s)));
    EXPECT_TRUE(TestFiles::read(files.path(u"list.pls"_s)).startsWith("[playlist]\r\nFile1=/m/a.mp3\r\n"));
    EXPECT_TRUE(messages.shown().empty());
}

TEST(PlaylistFiles, ReportsASaveItCannotDoAndKeepsWhatWasThere)
{
    struct Case {
        const char* name;
        std::function<QString(const TestFiles&)> make; // the path saved to
        QString reason; // empty: the extension names no format
    } const cases[] = {
        {"unknown extension", [](const TestFiles& f) { return f.path(u"list.m3u7"_s); }, QString()},
        {"read-only",
            [](const TestFiles& f) {
                QString old = f.write(u"old.pls"_s, "keep me");
                EXPECT_EQ(::chmod(QFile::encodeName(old).constData(), 0444), 0);
                return old;
            },
            u"Permission denied"_s},
        {"a named pipe", fifo, u"Not a regular file"_s},
        {"a name too long", [](const TestFiles& f) { return f.path(QString(1000, u'n') + u".m3u"_s); },
            u"File name too long"_s},
    };
    PlaylistModel model;
    model.appendEntries({{u"/m/a.mp3"_s, u"A"_s, u"1"_s}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestFiles files;
        RecordingMessages messages;
        const QString path = c.make(files);
        const QStringList before = namesIn(files.folder());
        EXPECT_FALSE(PlaylistFiles::savePlaylist(model, path));
        EXPECT_EQ(messages.texts(),
            QStringList(c.reason.isEmpty()
                    ? u"Unknown format, please specify m3u or pls when you save."_s
                    : u"Could not save the playlist to "_s + path + u": "_s + c.reason + u"."_s));
        EXPECT_EQ(messages.shown()[0].title, u"Error:"_s);
        EXPECT_EQ(namesIn(files.folder()), before);
        if (c.reason == u"Permission denied"_s) {
            EXPECT_EQ(TestFiles::read(path), "keep me");
        }
    }
}

namespace {

// Makes an empty file under a name given as bytes, and returns its path as the program holds it.
QString touchBytes(const TestFiles& files, const QByteArray& name)
{
    const QByteArray path = NativePath::encode(files.folder()) + '/' + name;
    const int fd = ::open(path.constData(), O_CREAT | O_WRONLY, 0644);
    EXPECT_GE(fd, 0);
    ::close(fd);
    return NativePath::decode(path);
}

QStringList pathsOf(const PlaylistModel& model)
{
    QStringList paths;
    for (const PlaylistEntry& entry : model.entriesInRowOrder())
        paths.append(entry.path);
    return paths;
}

} // namespace

TEST(PlaylistFiles, NamesTheSameFilesByteForByteAfterSavingAndLoading)
{
    TestFiles files;
    const QString latin = touchBytes(files, "caf\xE9.mp3"); // not UTF-8
    const QString utf8 = touchBytes(files, "caf\xC3\xA9.mp3");
    const QString mixed = touchBytes(files, "\xC3\xA9t\xE9.mp3");
    PlaylistModel model;
    model.appendEntries({{latin, u"A"_s, u"1"_s}, {utf8, u"B"_s, u"2"_s}, {mixed, u"C"_s, u"???"_s}});
    for (const char* name : {"list.m3u", "list.pls"}) {
        SCOPED_TRACE(name);
        const QString path = files.path(QString::fromLatin1(name));
        ASSERT_TRUE(PlaylistFiles::savePlaylist(model, path));
        EXPECT_TRUE(TestFiles::read(path).contains("caf\xE9.mp3\r\n"));
        PlaylistModel loaded;
        std::optional<Iterator> reader;
        EXPECT_EQ(load(loaded, path, reader), LoadResult::Loaded);
        EXPECT_EQ(pathsOf(loaded), pathsOf(model));
    }
    // UTF-8 only: refused, naming the rows, and nothing written.
    RecordingMessages messages;
    const QString m3u8 = files.path(u"list.m3u8"_s);
    EXPECT_FALSE(PlaylistFiles::savePlaylist(model, m3u8));
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts()[0].contains(u"rows 1, 3 are not UTF-8"_s)) << messages.texts()[0].toStdString();
    EXPECT_FALSE(QFile::exists(m3u8));

    // A line that is not UTF-8 and names no file is windows-1252 text, as playlists from that
    // system are; in an .m3u8 it is UTF-8 with what did not decode replaced.
    const struct {
        const char* name;
        QByteArray bytes;
        QStringList paths;
    } cases[] = {
        {"old.m3u", "#EXTM3U\r\n#EXTINF:1,Caf\xE9\r\n/x/caf\xE9.mp3\r\ncaf\xC3\xA9.mp3\r\ncaf\xE9.mp3\r\n",
            {u"/x/café.mp3"_s, utf8, latin}},
        {"old.m3u8", "/x/caf\xE9.mp3\r\n", {u"/x/caf\uFFFD.mp3"_s}},
        {"old.pls", "[playlist]\r\nFile1=caf\xE9.mp3\r\nTitle1=\xE9\r\n", {latin}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PlaylistModel loaded;
        std::optional<Iterator> reader;
        EXPECT_EQ(load(loaded, files.write(QString::fromLatin1(c.name), c.bytes), reader), LoadResult::Loaded);
        EXPECT_EQ(pathsOf(loaded), c.paths);
    }
}

TEST(PlaylistFiles, FindsTheFilesOfPlaylistsMadeOnWindows)
{
    TestFiles files;
    ASSERT_TRUE(QDir(files.folder()).mkpath(u"Music/Artist"_s));
    const QString song = files.write(u"Music/Artist/song.mp3"_s, "x");
    const QString folder = files.folder() + u'/';
    const QByteArray lines = "Music\\Artist\\song.mp3\r\n\\Music\\Artist\\song.mp3\r\nMusic\\gone.mp3\r\n"
                             "C:\\Music\\Artist\\song.mp3\r\n";
    QByteArray pls = "[playlist]\r\n";
    int n = 0;
    for (const QByteArray& line : lines.split('\n')) {
        if (!line.isEmpty())
            pls += "File" + QByteArray::number(++n) + "=" + line + "\n";
    }
    // Found with "\" read as "/"; not found: kept as written, the drive path too.
    const QStringList expected = {song, song, folder + u"Music\\gone.mp3"_s, u"C:\\Music\\Artist\\song.mp3"_s};
    for (const auto& [name, bytes] : {std::pair{"win.m3u", lines}, std::pair{"win.pls", pls}}) {
        SCOPED_TRACE(name);
        PlaylistModel model;
        std::optional<Iterator> reader;
        EXPECT_EQ(load(model, files.write(QString::fromLatin1(name), bytes), reader), LoadResult::Loaded);
        EXPECT_EQ(pathsOf(model), expected);
        // Saved again with paths as they are: the found ones relative, as written.
        ASSERT_TRUE(PlaylistFiles::savePlaylist(model, files.path(u"again.m3u"_s)));
        EXPECT_TRUE(TestFiles::read(files.path(u"again.m3u"_s)).contains("\r\nMusic/Artist/song.mp3\r\n"));
    }
}

TEST(PlaylistFiles, FormsPathsAsWrittenRelativeOrAbsolute)
{
    TestFiles files;
    const QString lists = files.path(u"lists/"_s);
    ASSERT_TRUE(QDir().mkpath(lists));
    // Another volume, where the machine has one: a file there stays absolute.
    struct stat here { };
    struct stat shm { };
    const bool otherVolume = ::stat(QFile::encodeName(files.folder()).constData(), &here) == 0
        && ::stat("/dev/shm", &shm) == 0 && here.st_dev != shm.st_dev;
    const QString far = otherVolume ? u"/dev/shm/x.mp3"_s : files.path(u"x.mp3"_s);
    const std::vector<PlaylistEntry> entries
        = {{files.path(u"m/a.mp3"_s), {}, {}, true}, {files.path(u"m/./b.mp3"_s), {}, {}, false},
            {u"rel/c.mp3"_s, {}, {}, true}, {u"C:\\\\d.mp3"_s, {}, {}, true}, {far, {}, {}, false}};
    const QString cwd = files.path(u"cwd"_s);
    const struct {
        PathForm form;
        QStringList paths;
    } cases[] = {
        {PathForm::AsTheyAre,
            {u"../m/a.mp3"_s, files.path(u"m/./b.mp3"_s), u"../cwd/rel/c.mp3"_s, u"C:\\\\d.mp3"_s, far}},
        {PathForm::Relative,
            {u"../m/a.mp3"_s, u"../m/b.mp3"_s, u"../cwd/rel/c.mp3"_s, u"C:\\\\d.mp3"_s,
                otherVolume ? far : u"../x.mp3"_s}},
        {PathForm::Absolute,
            {files.path(u"m/a.mp3"_s), files.path(u"m/b.mp3"_s), files.path(u"cwd/rel/c.mp3"_s), u"C:\\\\d.mp3"_s,
                far}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.form));
        std::vector<PlaylistEntry> formed = entries;
        VolumeCheck volumes(lists);
        formPaths(formed, lists + u"list.m3u"_s, c.form, cwd, volumes);
        QStringList paths;
        for (const PlaylistEntry& entry : formed)
            paths.append(entry.path);
        EXPECT_EQ(paths, c.paths);
    }
}
