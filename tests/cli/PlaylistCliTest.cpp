// sondrel-cli's playlist commands as a process, on real playlists and files.

#include <unistd.h>

#include <QDir>

#include <gtest/gtest.h>

#include "support/CliRun.h"
#include "support/TestFiles.h"

using namespace Qt::StringLiterals;

namespace {

struct Collection {
    TestFiles files;
    QString a = files.write(u"a.mp3"_s, TestBytes::audio(300) + TestBytes::id3v1({"Song", "Band", "", "", "", 0, 0}));
    QString b = files.write(u"b.mp3"_s, TestBytes::audio(300));
    QString gone = files.path(u"gone.mp3"_s);
    // Three rows for a, one missing file, a copy of b's title.
    QString playlist = files.write(u"list.m3u"_s,
        "#EXTM3U\r\n#EXTINF:215,One\r\na.mp3\r\n#EXTINF:,Two\r\nb.mp3\r\ngone.mp3\r\n#EXTINF:7,TWO\r\n" + a.toUtf8()
            + "\r\n");
};

} // namespace

TEST(PlaylistCli, PrintsTheRowsWithOrWithoutTagsAndConverts)
{
    Collection c;
    const CliRun run = cli({u"playlist"_s, c.playlist});
    EXPECT_EQ(run.out,
        c.a.toUtf8() + "\tOne\tBand - Song\tNo\t215\n" + c.b.toUtf8() + "\tTwo\t(none)\tNo\t???\n" + c.gone.toUtf8()
            + "\tgone\t(error)\t(error)\t???\n" + c.a.toUtf8() + "\tTWO\tBand - Song\tNo\t7\n");
    EXPECT_TRUE(run.err.startsWith("Error:\tError with " + c.gone.toUtf8() + ":  File not found."));
    EXPECT_EQ(run.exitCode, 1);
    const CliRun json = cli({u"playlist"_s, u"--json"_s, u"--no-tags"_s, c.playlist});
    EXPECT_TRUE(json.out.startsWith("{\"file\":\"" + c.a.toUtf8()
        + "\",\"title\":\"One\",\"quicktag\":\"...\",\"id3v2\":\"...\",\"length\":\"215\"}\n"));
    EXPECT_EQ(json.exitCode, 0);
    // Converted into another folder, each path as the playlist wrote it, all relative, or all absolute.
    ASSERT_TRUE(QDir(c.files.path({})).mkdir(u"sub"_s));
    const QString pls = c.files.path(u"sub/out.pls"_s);
    const struct {
        const char* form;
        QByteArray first;
        QByteArray last;
    } forms[] = {{"keep", "../a.mp3", c.a.toUtf8()}, {"relative", "../a.mp3", "../a.mp3"},
        {"absolute", c.a.toUtf8(), c.a.toUtf8()}};
    for (const auto& form : forms) {
        SCOPED_TRACE(form.form);
        EXPECT_EQ(cli({u"convert"_s, u"--paths"_s, QString::fromLatin1(form.form), c.playlist, pls}).exitCode, 0);
        const QByteArray saved = TestFiles::read(pls);
        EXPECT_TRUE(saved.startsWith("[playlist]\r\nFile1=" + form.first + "\r\nTitle1=One\r\nLength1=215\r\n"));
        EXPECT_TRUE(saved.contains("File4=" + form.last + "\r\n"));
        EXPECT_EQ(cli({u"playlist"_s, u"--no-tags"_s, pls}).out, cli({u"playlist"_s, u"--no-tags"_s, c.playlist}).out);
    }
    EXPECT_EQ(cli({u"convert"_s, u"--paths"_s, u"near"_s, c.playlist, pls}).exitCode, 2);
}

TEST(PlaylistCli, PrunesMissingAndRepeatedRows)
{
    struct Case {
        QStringList options;
        QStringList removed; // the files printed, in order
        QStringList remainingTitles;
    } const cases[] = {{{u"--missing"_s}, {u"gone.mp3"_s}, {u"One"_s, u"Two"_s, u"TWO"_s}},
        {{u"--duplicates"_s, u"title"_s}, {u"b.mp3"_s}, {u"One"_s, u"gone"_s, u"TWO"_s}},
        {{u"--missing"_s, u"--duplicates"_s, u"quicktag"_s}, {u"gone.mp3"_s, u"a.mp3"_s}, {u"Two"_s, u"TWO"_s}}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.options.join(u' ').toStdString());
        Collection c;
        const QString out = c.files.path(u"out.m3u"_s);
        const CliRun dry = cli(QStringList{u"prune"_s, u"--dry-run"_s} + k.options + QStringList{c.playlist});
        const CliRun run = cli(QStringList{u"prune"_s, u"--output"_s, out} + k.options + QStringList{c.playlist});
        EXPECT_EQ(run.out, dry.out);
        QByteArray removed;
        for (const QString& name : k.removed)
            removed += c.files.path(name).toUtf8() + '\n';
        EXPECT_EQ(run.out,
            removed + "Removed " + QByteArray::number(k.removed.size()) + " rows, "
                + QByteArray::number(k.remainingTitles.size()) + " remain.\n");
        QStringList titles;
        for (const QByteArray& line : cli({u"playlist"_s, u"--no-tags"_s, out}).out.split('\n')) {
            if (!line.isEmpty())
                titles.append(QString::fromUtf8(line.split('\t').value(1)));
        }
        EXPECT_EQ(titles, k.remainingTitles);
    }
}

TEST(PlaylistCli, KeepsRowsWhoseFilesCannotBeCheckedAndFails)
{
    // A link loop cannot be followed: the file may be there, so its row stays and the run fails.
    TestFiles files;
    const QString loop = files.path(u"loop.mp3"_s);
    ASSERT_EQ(::symlink("loop.mp3", QFile::encodeName(loop).constData()), 0);
    const QString playlist = files.write(u"list.m3u"_s, "loop.mp3\r\ngone.mp3\r\n");
    const CliRun run = cli({u"prune"_s, u"--missing"_s, playlist});
    EXPECT_EQ(run.out, files.path(u"gone.mp3"_s).toUtf8() + "\nRemoved 1 rows, 1 remain.\n");
    EXPECT_TRUE(run.err.startsWith("Error:\tCould not check whether these files exist")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(loop.toUtf8() + ": "));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(TestFiles::read(playlist), "#EXTM3U\r\n#EXTINF:,loop\r\nloop.mp3\r\n");
}

// --mismatched prints, in the form of the whole listing, only the rows whose file name, title and
// tag (the one --tag names; none with --no-tags) disagree.
TEST(PlaylistCli, PrintsOnlyTheMismatchedRows)
{
    TestFiles files;
    files.write(u"Band - Song.mp3"_s,
        TestBytes::id3v2Tag(3, {{"TIT2", u"Other"_s}, {"TPE1", u"Band"_s}}) + TestBytes::audio(300)
            + TestBytes::id3v1({"Song", "Band", "", "", "", 0, 0}));
    files.write(u"Band - Hit.mp3"_s, TestBytes::audio(300) + TestBytes::id3v1({"Hit", "Band", "", "", "", 0, 0}));
    const QString playlist = files.write(u"list.m3u"_s,
        "#EXTM3U\r\n#EXTINF:5,band_song\r\nBand - Song.mp3\r\n#EXTINF:6,Band - Hit\r\nBand - Hit.mp3\r\n"
        "#EXTINF:7,Hit\r\nBand - Hit.mp3\r\n");
    const struct {
        QStringList options;
        std::vector<int> rows;
    } cases[] = {
        {{}, {2}},
        {{u"--tag"_s, u"id3v2"_s, u"--json"_s}, {0, 2}},
        {{u"--tag"_s, u"id3v2"_s, u"--no-tags"_s}, {2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options.join(u' ').toStdString());
        const CliRun all = cli(QStringList{u"playlist"_s} + c.options + QStringList{playlist});
        const CliRun mismatched
            = cli(QStringList{u"playlist"_s, u"--mismatched"_s} + c.options + QStringList{playlist});
        const QList<QByteArray> lines = all.out.split('\n');
        ASSERT_EQ(lines.size(), 4);
        QByteArray expected;
        for (const int row : c.rows)
            expected += lines[row] + '\n';
        EXPECT_EQ(mismatched.out, expected);
        EXPECT_EQ(mismatched.exitCode, 0);
    }
}

TEST(PlaylistCli, RelinksMovedFilesAndLeavesTheRestAsTheyWere)
{
    TestFiles files;
    ASSERT_TRUE(QDir(files.folder()).mkpath(u"new/a"_s) && QDir(files.folder()).mkpath(u"new/b"_s));
    const QString one = files.write(u"new/a/one.mp3"_s, "1");
    const QString twiceA = files.write(u"new/a/twice.mp3"_s, "2");
    const QString twiceB = files.write(u"new/b/twice.mp3"_s, "3");
    const QByteArray original = "#EXTM3U\r\n#EXTINF:,One\r\nold/one.mp3\r\n#EXTINF:,Twice\r\nold/twice.mp3\r\n"
                                "#EXTINF:,Gone\r\nold/gone.mp3\r\n";
    const QString playlist = files.write(u"list.m3u"_s, original);
    const QString search = files.path(u"new"_s);
    const QString old = files.path(u"old/"_s);

    const CliRun dry = cli({u"relink"_s, u"--dry-run"_s, u"--search"_s, search, playlist});
    EXPECT_EQ(dry.out,
        "relinked\t" + (old + u"one.mp3\t"_s + one).toUtf8() + "\tsame name\nseveral\t"
            + (old + u"twice.mp3\t"_s).toUtf8() + twiceA.toUtf8() + '\t' + twiceB.toUtf8() + "\nnot found\t"
            + (old + u"gone.mp3"_s).toUtf8()
            + "\nRelinked 1 of 3 missing rows; 1 with several candidates, 1 not found.\n");
    EXPECT_EQ(dry.exitCode, 0);
    EXPECT_EQ(TestFiles::read(playlist), original);

    // Saved with each path as written: relative ones stay relative.
    EXPECT_EQ(cli({u"relink"_s, u"--search"_s, search, playlist}).exitCode, 0);
    EXPECT_EQ(TestFiles::read(playlist),
        "#EXTM3U\r\n#EXTINF:,One\r\nnew/a/one.mp3\r\n#EXTINF:,Twice\r\nold/twice.mp3\r\n#EXTINF:,Gone\r\nold/"
        "gone.mp3\r\n");
    const CliRun picked = cli({u"relink"_s, u"--pick"_s, u"first"_s, u"--search"_s, search, playlist});
    EXPECT_TRUE(picked.out.startsWith("relinked\t" + (old + u"twice.mp3\t"_s + twiceA).toUtf8() + "\tsame name\n"));
    EXPECT_TRUE(TestFiles::read(playlist).contains("\r\nnew/a/twice.mp3\r\n"));
    // Each run is one batch of the undo history.
    EXPECT_EQ(cli({u"undo"_s}).exitCode, 0);
    EXPECT_EQ(cli({u"undo"_s}).exitCode, 0);
    EXPECT_EQ(TestFiles::read(playlist), original);
    EXPECT_EQ(cli({u"relink"_s, u"--pick"_s, u"best"_s, playlist}).exitCode, 2);
}
