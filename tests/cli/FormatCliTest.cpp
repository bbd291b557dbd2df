// sondrel-cli's format-string commands as a process.

#include <QDir>

#include <gtest/gtest.h>

#include "support/CliRun.h"
#include "support/TestFiles.h"

using namespace Qt::StringLiterals;
using TestBytes::audio;
using TestBytes::id3v1;

TEST(FormatCli, ComposesAndParses)
{
    struct Case {
        QStringList arguments;
        QByteArray out;
        QByteArray err;
    } const cases[] = {
        {{u"compose"_s, u"--sample"_s, u"<k>. <a> - <t> (<y>) [<g>]"_s},
            "23. Beatles, The - Hey Jude (1968) [Rock & Roll]\n", ""},
        {{u"compose"_s, u"<a>/<t>/<k>"_s, u"--artist"_s, u" Band "_s, u"--track"_s, u"7"_s}, "Band//7\n", ""},
        {{u"compose"_s, u"--sample"_s, u"--title"_s, u"Let It Be"_s, u"<t>"_s}, "Let It Be\n", ""},
        {{u"parse"_s, u"<a> - <t>"_s, u"Beatles, The - Hey Jude - Live"_s},
            "{\"artist\":\"Beatles, The - Hey Jude\",\"title\":\"Hey Jude - Live\",\"album\":\"\",\"year\":\"\","
            "\"comment\":\"\",\"track\":\"\",\"genre\":\"\"}\n",
            ""},
        {{u"parse"_s, u"<a>"_s, QString()},
            "{\"artist\":\"\",\"title\":\"\",\"album\":\"\",\"year\":\"\",\"comment\":\"\",\"track\":\"\",\"genre\":"
            "\"\"}\n",
            "Error:\tGot confused with , skipping.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        const CliRun run = cli(c.arguments);
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(run.exitCode, c.err.isEmpty() ? 0 : 1);
    }
}

TEST(FormatCli, TagsFromNamesAndRenamesFromTags)
{
    TestFiles files;
    const QString song = files.write(u"Beatles, The - Hey Jude.mp3"_s, audio(300));
    EXPECT_EQ(cli({u"tag-from-name"_s, u"--format"_s, u"<a> - <t>"_s, song}).exitCode, 0);
    EXPECT_EQ(TestFiles::read(song), audio(300) + id3v1({"Hey Jude", "Beatles, The", "", "", "", 0, 12}));

    const QString same1 = files.write(u"1.mp3"_s, audio(300) + id3v1({"Song", "Same", "", "", "", 0, 0}));
    const QString same2 = files.write(u"2.mp3"_s, audio(300) + id3v1({"Song", "Same", "", "", "", 0, 0}));
    const QString other = files.write(u"3.mp3"_s, audio(300) + id3v1({"Other", "Band", "", "", "", 0, 0}));
    const QStringList batch = {u"name-from-tag"_s, u"--format"_s, u"<a> - <t>"_s, same1, same2, other};
    const QString target = files.path(u"Same - Song.mp3"_s);

    // The plan shows every collision before anything moves.
    const CliRun plan = cli(QStringList(batch) << u"--dry-run"_s);
    EXPECT_EQ(plan.out,
        same1.toUtf8() + "\t" + target.toUtf8() + "\n" + same2.toUtf8() + "\t" + target.toUtf8()
            + "\tfails: an earlier file gets the same name\n" + other.toUtf8() + "\t"
            + files.path(u"Band - Other.mp3"_s).toUtf8() + "\n");
    EXPECT_EQ(plan.exitCode, 0);
    EXPECT_TRUE(QFile::exists(same1));

    // A failure stops the batch; with --keep-going the rest goes on.
    const CliRun stopped = cli(batch);
    EXPECT_EQ(stopped.out, same1.toUtf8() + "\t" + target.toUtf8() + "\n");
    EXPECT_EQ(stopped.err, "Error:\tError renaming 2.mp3 to Same - Song.mp3.  Skip and continue?\n");
    EXPECT_EQ(stopped.exitCode, 1);
    EXPECT_TRUE(QFile::exists(other));
    const CliRun kept = cli({u"name-from-tag"_s, u"--keep-going"_s, u"--format"_s, u"<a> - <t>"_s, same2, other});
    EXPECT_EQ(kept.out, other.toUtf8() + "\t" + files.path(u"Band - Other.mp3"_s).toUtf8() + "\n");
    EXPECT_EQ(kept.exitCode, 1);
    EXPECT_EQ(QDir(files.folder()).entryList(QDir::Files, QDir::Name),
        QStringList({u"2.mp3"_s, u"Band - Other.mp3"_s, u"Beatles, The - Hey Jude.mp3"_s, u"Same - Song.mp3"_s}));
}

TEST(FormatCli, PreviewsRetagsAndReportsFilesWithoutATag)
{
    TestFiles files;
    const QByteArray tagged = audio(300) + id3v1({"Old", "Beatles, The", "Album", "1968", "", 23, 17});
    const QString song = files.write(u"Beatles, The - Hey Jude.mp3"_s, tagged);
    const QString bare = files.write(u"Kinks, The - Lola.mp3"_s, audio(300));
    const QStringList retag = {u"tag-from-name"_s, u"--format"_s, u"<a> - <t>"_s, song, bare};

    // A line per field that would change: file, field, old and new value; nothing written.
    const CliRun plan = cli(QStringList(retag) << u"--dry-run"_s);
    EXPECT_EQ(plan.out,
        song.toUtf8() + "\tTitle\tOld\tHey Jude\n" + bare.toUtf8() + "\tTitle\t\tLola\n" + bare.toUtf8()
            + "\tArtist\t\tKinks, The\n" + bare.toUtf8() + "\tTrack\t\t0\n" + bare.toUtf8()
            + "\tGenre\t\t12 (Other)\n");
    EXPECT_EQ(plan.exitCode, 0);
    EXPECT_EQ(TestFiles::read(song), tagged);
    EXPECT_EQ(TestFiles::read(bare), audio(300));

    // Without a tag to compose from, a file keeps its name; the others are renamed.
    const CliRun renamed = cli({u"name-from-tag"_s, u"--format"_s, u"<t>"_s, bare, song});
    EXPECT_EQ(renamed.out, song.toUtf8() + "\t" + files.path(u"Old.mp3"_s).toUtf8() + "\n");
    EXPECT_EQ(renamed.err, "Error:\t" + bare.toUtf8() + " was not renamed: no ID3v1 tag.\n");
    EXPECT_EQ(renamed.exitCode, 1);
    EXPECT_EQ(QDir(files.folder()).entryList(QDir::Files, QDir::Name),
        QStringList({u"Kinks, The - Lola.mp3"_s, u"Old.mp3"_s}));
}

TEST(FormatCli, RenamesIntoTheFormatsFoldersOnly)
{
    struct Case {
        QByteArray artist;
        bool renamed;
    } const cases[] = {
        {"../outside", false},
        {"/tmp", false},
        {"..", false},
        {"Band", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.artist.toStdString());
        TestFiles files;
        ASSERT_TRUE(QDir(files.folder()).mkpath(u"music/sub"_s));
        const QString song
            = files.write(u"music/sub/a.mp3"_s, audio(300) + id3v1({"Song", c.artist, "", "", "", 0, 0}));
        const QString format = files.folder() + u"/music/sub/<a> - <t>.mp3"_s;
        const CliRun run = cli({u"name-from-tag"_s, u"--full-path"_s, u"--keep-going"_s, u"--format"_s, format, song});
        EXPECT_EQ(QFile::exists(song), !c.renamed);
        EXPECT_EQ(run.exitCode, c.renamed ? 0 : 1);
        EXPECT_EQ(QDir(files.folder() + u"/music/sub"_s).entryList(QDir::Files).size(), 1);
        EXPECT_EQ(QDir(files.folder() + u"/music"_s).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
            QStringList{u"sub"_s});
    }
}
