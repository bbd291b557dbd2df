// sondrel-cli's retag and rename commands as a process: the wiring of their flags, what they print
// and the exit status. The rules of parsing, composing and renaming are tested on the library.

#include <QDir>

#include <gtest/gtest.h>

#include "support/CliRun.h"
#include "support/TestFiles.h"

using namespace Qt::StringLiterals;
using TestBytes::audio;
using TestBytes::id3v1;

TEST(FormatCli, TagsFromNamesAndRenamesFromTags)
{
    TestFiles files;
    const QByteArray tagged = audio(300) + id3v1({"Old", "Beatles, The", "", "", "", 0, 12});
    const QString song = files.write(u"Beatles, The - Hey Jude.mp3"_s, tagged);
    // A dry run prints a line per field that would change: file, field, old and new value.
    const CliRun plan = cli({u"tag-from-name"_s, u"--dry-run"_s, u"--full-path"_s, u"--format"_s,
        files.folder() + u"/<a> - <t>.mp3"_s, song});
    EXPECT_EQ(plan.out, song.toUtf8() + "\tTitle\tOld\tHey Jude\n");
    EXPECT_EQ(TestFiles::read(song), tagged);
    EXPECT_EQ(cli({u"tag-from-name"_s, u"--format"_s, u"<a> - <t>"_s, song}).exitCode, 0);
    EXPECT_EQ(TestFiles::read(song), audio(300) + id3v1({"Hey Jude", "Beatles, The", "", "", "", 0, 12}));

    const QString same1 = files.write(u"1.mp3"_s, audio(300) + id3v1({"Song", "Same", "", "", "", 0, 0}));
    const QString same2 = files.write(u"2.mp3"_s, audio(300) + id3v1({"Song", "Same", "", "", "", 0, 0}));
    const QString other = files.write(u"3.mp3"_s, audio(300) + id3v1({"Other", "Band", "", "", "", 0, 0}));
    const QString bare = files.write(u"bare.mp3"_s, audio(300));
    const QStringList batch = {u"name-from-tag"_s, u"--format"_s, u"<a> - <t>"_s, same1, same2, other};
    const QByteArray target = files.path(u"Same - Song.mp3"_s).toUtf8();
    const QByteArray renamedOther = other.toUtf8() + "\t" + files.path(u"Band - Other.mp3"_s).toUtf8() + "\n";
    // The plan shows every collision before anything moves.
    const CliRun dryRun = cli(QStringList(batch) << u"--dry-run"_s);
    EXPECT_EQ(dryRun.out,
        same1.toUtf8() + "\t" + target + "\n" + same2.toUtf8() + "\t" + target
            + "\tfails: an earlier file gets the same name\n" + renamedOther);
    EXPECT_EQ(dryRun.exitCode, 0);
    // A failure stops the batch; with --keep-going the rest goes on. A file without a tag keeps its
    // name, and says so. With the whole path the format gives the folder too.
    const CliRun stopped = cli(batch);
    EXPECT_EQ(stopped.out, same1.toUtf8() + "\t" + target + "\n");
    EXPECT_EQ(stopped.err, "Error:\tError renaming 2.mp3 to Same - Song.mp3.  Skip and continue?\n");
    EXPECT_EQ(stopped.exitCode, 1);
    const CliRun kept = cli({u"name-from-tag"_s, u"--keep-going"_s, u"--full-path"_s, u"--format"_s,
        files.folder() + u"/<a> - <t>.mp3"_s, bare, same2, other});
    EXPECT_EQ(kept.out, renamedOther);
    EXPECT_EQ(kept.err,
        "Error:\t" + bare.toUtf8() + " was not renamed: no ID3v1 tag.\nError:\tError renaming " + same2.toUtf8()
            + " to " + target + ".  Skip and continue?\n");
    EXPECT_EQ(kept.exitCode, 1);
    EXPECT_EQ(QDir(files.folder()).entryList(QDir::Files, QDir::Name),
        QStringList({u"2.mp3"_s, u"Band - Other.mp3"_s, u"Beatles, The - Hey Jude.mp3"_s, u"Same - Song.mp3"_s,
            u"bare.mp3"_s}));
}

// --tag id3v2 reaches the ID3v2 tag in each command, and --v23 the version of a new one; the rules
// of that tag are tested on the library.
TEST(FormatCli, TakesTheId3v2TagWhenAsked)
{
    TestFiles files;
    const QByteArray v1 = id3v1({"V1", "Band", "", "", "", 0, 0});
    const QString bare = files.write(u"Kinks, The - Lola.mp3"_s, audio(300) + v1);
    const QByteArray broken
        = TestBytes::id3v2Header(3, 0, QByteArray("\0\0\0\x0a", 4)) + QByteArray("TIT2\0\0\0\x7f\0\0", 10) + audio(300);
    const QString unreadable = files.write(u"u.mp3"_s, broken);
    const QString renamed = files.path(u"3 Lola.mp3"_s);
    struct Case {
        QStringList arguments;
        QByteArray out;
        QByteArray err;
        int exitCode;
    } const cases[] = {
        {{u"tag-from-name"_s, u"--tag"_s, u"id3v2"_s, u"--v23"_s, u"--dry-run"_s, u"--format"_s, u"<a> - <t>"_s, bare},
            bare.toUtf8() + "\tTitle\t\tLola\n" + bare.toUtf8() + "\tArtist\t\tKinks, The\n", {}, 0},
        {{u"tag-from-name"_s, u"--tag"_s, u"id3v2"_s, u"--v23"_s, u"--format"_s, u"<a> - <t>"_s, bare}, {}, {}, 0},
        {{u"tag-from-name"_s, u"--v23"_s, u"--format"_s, u"<a>"_s, bare}, {}, "--v23 and --v24 go with --tag id3v2", 2},
        {{u"name-from-tag"_s, u"--tag"_s, u"id3v3"_s, u"--format"_s, u"<t>"_s, bare}, {}, "--tag takes id3v1 or id3v2",
            2},
        {{u"name-from-tag"_s, u"--tag"_s, u"id3v2"_s, u"--keep-going"_s, u"--format"_s, u"3 <t>"_s, unreadable, bare},
            bare.toUtf8() + "\t" + renamed.toUtf8() + "\n",
            "ID3v2 Tag format not recognized for " + unreadable.toUtf8(), 1},
        {{u"playlist"_s, u"--tag"_s, u"id3v2"_s, files.write(u"l.m3u"_s, "u.mp3\n3 Lola.mp3\n")},
            unreadable.toUtf8() + "\tu\t(error)\tYes\t???\n" + renamed.toUtf8()
                + "\t3 Lola\tKinks, The - Lola\tYes\t???\n",
            {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        const CliRun run = cli(c.arguments);
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.err.contains(c.err), true) << run.err.toStdString();
        EXPECT_EQ(run.err.isEmpty(), c.err.isEmpty()) << run.err.toStdString();
        EXPECT_EQ(run.exitCode, c.exitCode);
    }
    // The new tag is a 2.3 one in front of the file, the ID3v1 tag as it was; the unreadable tag stays.
    EXPECT_TRUE(TestFiles::read(renamed).startsWith("ID3\x03"));
    EXPECT_TRUE(TestFiles::read(renamed).endsWith(v1));
    EXPECT_EQ(TestFiles::read(unreadable), broken);
}
