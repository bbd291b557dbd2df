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
