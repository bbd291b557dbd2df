#include "playlist/PlaylistFiles.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QFile>

#include "PlaylistTestRows.h"
#include "base/TextLines.h"
#include "playlist/PlaylistFormat.h"
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

TEST(PlaylistFiles, LoadsEntriesOrEndsWithTheRightResult)
{
    // Binary playlists and playlists that are not regular files are in the hostile-input suite.
    TestFiles files;
    {
        // A gigabyte without a line end: refused from its first bytes, not read whole.
        QFile huge(files.path(u"huge.m3u"_s));
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(1) << 30));
    }
    struct Case {
        const char* name;
        QByteArray bytes; // null: made above, or missing
        LoadResult result;
        QStringList files;
        bool invalidMessage;
    } const cases[] = {
        {"relative.m3u", "#EXTM3U\r\n#EXTINF:215,T\r\nsong.mp3\r\n", LoadResult::Loaded, {u"song.mp3"_s}, false},
        {"lf.pls", "[playlist]\nFile1=/m/a.mp3\nTitle1=A\nNumberOfEntries=1\nVersion=2\n", LoadResult::Loaded,
            {u"/m/a.mp3"_s}, false},
        {"utf16.m3u", QByteArray("\xFF\xFE#\0E\0X\0T\0M\0\x33\0U\0\n\0/\0a\0\n\0", 24), LoadResult::Loaded, {u"/a"_s},
            false},
        {"broken.m3u", "#EXTM3U\r\n/m/a.mp3\r\n#EXTINF:1\r\n/m/b.mp3\r\n", LoadResult::EndedEarly, {u"/m/a.mp3"_s},
            false},
        {"headerless.m3u", "/m/a.mp3\r\n./b.mp3\r\n", LoadResult::Loaded, {u"/m/a.mp3"_s, u"b.mp3"_s}, false},
        {"empty.m3u", "", LoadResult::Loaded, {}, false},
        {"empty.pls", "", LoadResult::Loaded, {}, false},
        {"binary.m3u", QByteArray("/m/a.mp3\r\n\0\x01", 12), LoadResult::InvalidFormat, {}, true},
        {"headerless.pls", "/m/a.mp3\r\n", LoadResult::InvalidFormat, {}, true},
        {"huge.m3u", QByteArray(), LoadResult::InvalidFormat, {}, true},
        {"missing.m3u", QByteArray(), LoadResult::EndedEarly, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString name = QString::fromUtf8(c.name);
        const QString path = c.bytes.isNull() ? files.path(name) : files.write(name, c.bytes);
        RecordingMessages messages;
        PlaylistModel model;
        std::optional<Iterator> reader;
        EXPECT_EQ(load(model, path, reader), c.result);
        QStringList expected;
        for (const QString& file : c.files)
            expected.append(file.startsWith(u'/') ? file : files.path(file));
        EXPECT_EQ(columnOf(model, FileNameColumn), expected);
        EXPECT_EQ(reader.has_value(), c.result == LoadResult::Loaded);
        EXPECT_EQ(messages.texts(), c.invalidMessage ? QStringList({u"Invalid format."_s}) : QStringList());
        if (c.invalidMessage) {
            EXPECT_EQ(messages.shown()[0].title, u"Error"_s);
        }
    }
}

TEST(PlaylistFiles, SavesRowsInDisplayOrderAndReadsThemBack)
{
    TestFiles files;
    RecordingMessages messages;
    PlaylistModel model;
    model.appendEntries({{u"/m/b.mp3"_s, u"B, the"_s, u"215"_s}, {u"/m/a.mp3"_s, u"A"_s, u"???"_s}});
    int sortState = 0;
    RowCommands::sortByColumn(model, sortState, FileNameColumn);

    ASSERT_TRUE(PlaylistFiles::savePlaylist(model, files.path(u"list.M3U"_s)));
    EXPECT_EQ(TestFiles::read(files.path(u"list.M3U"_s)),
        "#EXTM3U\r\n#EXTINF:,A\r\n/m/a.mp3\r\n#EXTINF:215,B, the\r\n/m/b.mp3\r\n");
    ASSERT_TRUE(PlaylistFiles::savePlaylist(model, files.path(u"list.pls"_s)));
    EXPECT_EQ(TestFiles::read(files.path(u"list.pls"_s)),
        "[playlist]\r\nFile1=/m/a.mp3\r\nTitle1=A\r\nFile2=/m/b.mp3\r\nTitle2=B, the\r\nLength2=215\r\n"
        "NumberOfEntries=2\r\nVersion=2\r\n");

    // Long paths and drive paths from another system come back as they were written.
    model.appendEntries(
        {{u"/m/"_s + QString(10000, u'x'), u"Long"_s, u"1"_s}, {u"C:\\Music\\d.mp3"_s, u"D"_s, u"2"_s}});
    for (const QString& name : {u"again.m3u"_s, u"again.pls"_s}) {
        ASSERT_TRUE(PlaylistFiles::savePlaylist(model, files.path(name)));
        PlaylistModel again;
        std::optional<Iterator> reader;
        ASSERT_EQ(load(again, files.path(name), reader), LoadResult::Loaded);
        EXPECT_EQ(again.entriesInRowOrder(), model.entriesInRowOrder());
    }
    EXPECT_TRUE(messages.shown().empty());
}

TEST(PlaylistFiles, ReportsASaveItCannotDoAndKeepsTheOldFile)
{
    TestFiles files;
    RecordingMessages messages;
    PlaylistModel model;
    model.appendEntries({{u"/m/a.mp3"_s, u"A"_s, u"1"_s}});

    EXPECT_FALSE(PlaylistFiles::savePlaylist(model, files.path(u"list.m3u8"_s)));
    EXPECT_FALSE(QFile::exists(files.path(u"list.m3u8"_s)));
    const QString old = files.write(u"old.pls"_s, "keep me");
    ::chmod(QFile::encodeName(old).constData(), 0444);
    EXPECT_FALSE(PlaylistFiles::savePlaylist(model, old));
    EXPECT_EQ(TestFiles::read(old), "keep me");
    ASSERT_EQ(messages.shown().size(), 2u);
    EXPECT_EQ(messages.shown()[0].text, u"Unknown format, please specify m3u or pls when you save."_s);
    EXPECT_TRUE(messages.shown()[1].text.startsWith(u"Could not save the playlist to "_s + old + u": "_s));
    EXPECT_TRUE(messages.shown()[1].text.endsWith(u'.'));
    EXPECT_EQ(messages.shown()[1].title, u"Error:"_s);
}

TEST(PlaylistFiles, LoadsALargeFileInPiecesAsItsWholeText)
{
    // Each file spans several pieces of the reading; the entries must be those of the whole text.
    const auto m3u = [](int entries, const QByteArray& word, const QByteArray& ending) {
        QByteArray bytes = "\xEF\xBB\xBF#EXTM3U\r\n";
        for (int i = 0; i < entries; ++i) {
            const QByteArray n = QByteArray::number(i);
            bytes += "#EXTINF:" + QByteArray::number(i % 7 * 100) + "," + word + n + "\r\n/m/" + n + ".mp3\r\n";
        }
        return bytes + ending;
    };
    QByteArray pls = "[playlist]\n";
    for (int i = 0; i < 60000; ++i) {
        const QByteArray n = QByteArray::number(i);
        pls += "File" + n + "=/m/" + n + ".mp3\r\n" + (i % 3 ? "Title" + n + "=T " + n + "\r\n" : QByteArray())
            + (i % 5 ? "Length" + n + "=" + n + "\r\n" : QByteArray());
    }
    struct Case {
        const char* name;
        QByteArray bytes;
        LoadResult result;
    } const cases[] = {
        {"pieces.pls", pls + "NumberOfEntries=1\r\nFile9=/after/end.mp3\r\n", LoadResult::Loaded},
        {"utf8.m3u", m3u(60000, "caf\xC3\xA9 ", "\xEF\xBB\xBF/m/mark.mp3\r"), LoadResult::Loaded},
        {"late-1252.m3u", m3u(60000, "caf\xC3\xA9 ", "/m/caf\xE9.mp3\n"), LoadResult::Loaded},
        {"ends-early.m3u", m3u(60000, "t", "#EXTINF:12\r\n/m/x.mp3\r\n"), LoadResult::EndedEarly},
    };
    TestFiles files;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = files.write(QString::fromUtf8(c.name), c.bytes);
        const ParsedPlaylist whole = parsePlaylist(TextLines::decode(c.bytes), path);
        ASSERT_GT(whole.entries.size(), 50000u);
        RecordingMessages messages;
        PlaylistModel model;
        std::optional<Iterator> reader;
        EXPECT_EQ(load(model, path, reader), c.result);
        EXPECT_TRUE(model.entriesInRowOrder() == whole.entries);
        EXPECT_EQ(model.nodeList().size(), model.size());
    }
}
