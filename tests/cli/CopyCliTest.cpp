// sondrel-cli copy as a process: a playlist's files or given files copied or moved to a folder,
// the names they share reported before anything is copied, the playlist written beside them, and
// the run undone as one batch. The copy pass's own rules are tested on the library.

#include <map>

#include <QDir>

#include <gtest/gtest.h>

#include "support/CliRun.h"
#include "support/TestFiles.h"

using namespace Qt::StringLiterals;

namespace {

using Folder = std::map<QString, QByteArray>;

Folder contentsOf(const QString& path)
{
    Folder contents;
    const QDir dir(path);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden))
        contents[name] = TestFiles::read(dir.filePath(name));
    return contents;
}

} // namespace

// Sources a/x.mp3 "A", b/x.mp3 "B" and y.mp3 "Y", listed in that order by list.m3u.
TEST(CopyCli, CopiesReportsSharedNamesFirstWritesThePlaylistAndUndoes)
{
    const QString playlist = u"list.m3u"_s; // in the arguments: the playlist
    const QByteArray m3u = "#EXTM3U\r\n#EXTINF:,First\r\nx.mp3\r\n#EXTINF:,Second\r\nx (2).mp3\r\n"
                           "#EXTINF:,Why\r\ny.mp3\r\n";
    const struct {
        const char* name;
        QStringList options;
        bool filesGiven; // the three files instead of the playlist
        int exitCode;
        Folder destination; // "old" for a file already there
        QStringList sourcesLeft;
        QByteArray err; // a part of stderr
    } cases[] = {
        {"keep both, with a playlist", {u"--on-collision"_s, u"keep-both"_s, u"--playlist"_s, u"Road.m3u"_s}, false, 0,
            {{u"Road.m3u"_s, m3u}, {u"x.mp3"_s, "A"}, {u"x (2).mp3"_s, "B"}, {u"y.mp3"_s, "Y"}},
            {u"a/x.mp3"_s, u"b/x.mp3"_s, u"y.mp3"_s}, "b/x.mp3  (an earlier file has its name)"},
        {"without a choice none of the shared names is copied", {u"--playlist"_s, u"Road.pls"_s}, false, 1,
            {{u"Road.pls"_s,
                 "[playlist]\r\nFile1=x.mp3\r\nTitle1=First\r\nFile2=y.mp3\r\nTitle2=Why\r\nNumberOfEntries=2\r\n"
                 "Version=2\r\n"},
                {u"x.mp3"_s, "A"}, {u"y.mp3"_s, "Y"}},
            {u"a/x.mp3"_s, u"b/x.mp3"_s, u"y.mp3"_s}, "None of them is copied"},
        {"move files, skipping a shared name", {u"--move"_s, u"--on-collision"_s, u"skip"_s}, true, 0,
            {{u"x.mp3"_s, "A"}, {u"y.mp3"_s, "Y"}}, {u"b/x.mp3"_s}, "They are skipped."},
        {"a playlist already there stops the run", {u"--playlist"_s, u"old.m3u"_s}, false, 1, {{u"old.m3u"_s, "old"}},
            {u"a/x.mp3"_s, u"b/x.mp3"_s, u"y.mp3"_s}, "nothing was copied"},
        {"a move never replaces", {u"--move"_s, u"--on-collision"_s, u"replace"_s}, false, 2, {},
            {u"a/x.mp3"_s, u"b/x.mp3"_s, u"y.mp3"_s}, "a move never replaces a file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TestFiles files;
        for (const QString& folder : {u"dest"_s, u"a"_s, u"b"_s})
            ASSERT_TRUE(QDir(files.folder()).mkpath(folder));
        const QString dest = files.path(u"dest"_s);
        files.write(u"dest/old.m3u"_s, "old");
        const Folder before = contentsOf(dest);
        const QStringList sources
            = {files.write(u"a/x.mp3"_s, "A"), files.write(u"b/x.mp3"_s, "B"), files.write(u"y.mp3"_s, "Y")};
        files.write(playlist,
            "#EXTM3U\r\n#EXTINF:,First\r\na/x.mp3\r\n#EXTINF:,Second\r\nb/x.mp3\r\n#EXTINF:,Why\r\ny.mp3\r\n");

        const CliRun run = cli(QStringList{u"copy"_s, u"--to"_s, dest} + c.options
            + (c.filesGiven ? sources : QStringList{files.path(playlist)}));

        EXPECT_EQ(run.exitCode, c.exitCode) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(c.err)) << run.err.toStdString();
        EXPECT_FALSE(run.err.contains('\r')); // no progress when stderr is not a terminal
        Folder expected = c.destination;
        expected.emplace(u"old.m3u"_s, "old");
        EXPECT_EQ(contentsOf(dest), expected);
        QStringList left;
        for (const QString& source : sources) {
            if (QFile::exists(source))
                left.append(source.mid(files.folder().size() + 1));
        }
        EXPECT_EQ(left, c.sourcesLeft);
        // Each file copied, a line: source, tab, the path it got.
        EXPECT_EQ(run.out.count('\n'), qsizetype(c.destination.size()) - (c.options.contains(u"--playlist"_s) ? 1 : 0))
            << run.out.toStdString();
        if (c.exitCode == 2 || c.destination.size() <= 1)
            continue;

        // The run is one batch: undo puts the folder and the sources back.
        const CliRun undo = cli({u"undo"_s});
        EXPECT_EQ(undo.exitCode, 0) << undo.err.toStdString();
        EXPECT_TRUE(undo.out.startsWith("Undid batch ")) << undo.out.toStdString();
        EXPECT_TRUE(undo.out.contains(", 3 files): ")) << undo.out.toStdString();
        EXPECT_EQ(contentsOf(dest), before);
        for (const QString& source : sources)
            EXPECT_TRUE(QFile::exists(source)) << source.toStdString();
    }
}
