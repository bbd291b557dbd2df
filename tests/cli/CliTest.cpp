// Runs sondrel-cli as a process on real files: what it prints, its exit status, the bytes it leaves.
// The byte rules of the tags themselves are tested on the library; here the command line's contract.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include "CliRun.h"
#include "support/TestFiles.h"

using namespace Qt::StringLiterals;
using TestBytes::audio;
using TestBytes::id3v1;

namespace {

QByteArray notFound(const QString& path)
{
    return "Error:\tError with " + path.toUtf8()
        + ":  File not found.  This file will be skipped automatically until you close the program.\n";
}

QByteArray readError(const QString& path)
{
    return "Error:\tError with " + path.toUtf8()
        + ":  Read error.  This file will be skipped automatically until you close the program.\n\n"
          "Suggestions:\n1) Close any programs that may be accessing this file.\n"
          "2) Remove any special characters from the filename.\n";
}

const QByteArray kTag = id3v1({"Caf\xE9 \x80", "Band", "Album", "1999", "Nice", 7, 17});

} // namespace

TEST(Cli, InfoPrintsALineAFileAndTheMessagesInOrder)
{
    TestFiles files;
    const QString tagged = files.write(u"tagged.mp3"_s, audio(300) + kTag);
    const QString v2 = files.write(u"v2.mp3"_s, TestBytes::id3v2Header(3, 0, QByteArray(4, '\0')) + audio(300));
    const QString shortFile = files.write(u"short.mp3"_s, audio(127));
    const QString missing = files.path(u"missing.mp3"_s);
    const QStringList all = {tagged, v2, shortFile, missing};

    const CliRun text = cli(QStringList{u"info"_s} + all);
    EXPECT_EQ(text.out,
        tagged.toUtf8() + "\tBand - Caf\xC3\xA9 \xE2\x82\xAC\tNo\n" + v2.toUtf8() + "\t(none)\tYes\n"
            + shortFile.toUtf8() + "\t(error)\t(error)\n" + missing.toUtf8() + "\t(error)\t(error)\n");
    EXPECT_EQ(text.err, readError(shortFile) + notFound(missing));
    EXPECT_EQ(text.exitCode, 1);

    const CliRun json = cli(QStringList{u"info"_s, u"--json"_s} + all);
    const QList<QByteArray> lines = json.out.split('\n');
    ASSERT_EQ(lines.size(), 5);
    // Keys in their documented order.
    EXPECT_EQ(lines[0],
        "{\"path\":\"" + tagged.toUtf8()
            + "\",\"id3v1\":true,\"id3v2\":false,\"title\":\"Caf\xC3\xA9 \xE2\x82\xAC\",\"artist\":\"Band\","
              "\"album\":\"Album\",\"year\":\"1999\",\"comment\":\"Nice\",\"track\":7,\"genre\":17,\"error\":null}");
    const char* const errors[] = {nullptr, nullptr, "read error", "not found"};
    for (int i = 1; i < 4; ++i) {
        SCOPED_TRACE(lines[i].toStdString());
        const QJsonObject object = QJsonDocument::fromJson(lines[i]).object();
        EXPECT_EQ(object.value(u"path"_s).toString(), all[i]);
        EXPECT_EQ(object.value(u"id3v2"_s).toBool(), i == 1);
        EXPECT_EQ(object.value(u"error"_s).toString(), QString::fromUtf8(errors[i]));
    }
    EXPECT_EQ(json.exitCode, 1);
}

TEST(Cli, InfoEscapesTextsForJson)
{
    TestFiles files;
    const QString path
        = files.write(u"q \"x\" \\.mp3"_s, id3v1({"a\"b\\c", QByteArray("A\0B", 3), "\x01", "", "", 0, 0}));
    const QJsonObject object = QJsonDocument::fromJson(cli({u"info"_s, u"--json"_s, path}).out).object();
    EXPECT_EQ(object.value(u"path"_s).toString(), path);
    EXPECT_EQ(object.value(u"title"_s).toString(), u"a\"b\\c"_s);
    EXPECT_EQ(object.value(u"artist"_s).toString(), u"A"_s + QChar(0) + u"B"_s);
    EXPECT_EQ(object.value(u"album"_s).toString(), QString(QChar(1)));
}

TEST(Cli, WriteSetsOnlyTheGivenFields)
{
    TestFiles files;
    const QString tagged = files.write(u"tagged.mp3"_s, audio(300) + kTag);
    const QString plain = files.write(u"plain.mp3"_s, audio(300));
    const CliRun run = cli({u"write"_s, u"--title"_s, u"Hey Jude \U0001F600"_s, u"--track"_s, u"255"_s, u"--genre"_s,
        u"rock & ROLL"_s, tagged, plain});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, QByteArray());
    EXPECT_EQ(TestFiles::read(tagged), audio(300) + id3v1({"Hey Jude ?", "Band", "Album", "1999", "Nice", 255, 78}));
    EXPECT_EQ(TestFiles::read(plain), audio(300) + id3v1({"Hey Jude ?", "", "", "", "", 255, 78}));

    EXPECT_EQ(cli({u"write"_s, u"--genre"_s, u"No Such Genre"_s, u"--year"_s, u"19689"_s, plain}).exitCode, 0);
    EXPECT_EQ(TestFiles::read(plain), audio(300) + id3v1({"Hey Jude ?", "", "", "1968", "", 255, 12}));
}

TEST(Cli, UsageErrorsTouchNoFile)
{
    TestFiles files;
    const QString path = files.write(u"song.mp3"_s, audio(300) + kTag);
    const QStringList cases[] = {
        {},
        {u"frobnicate"_s},
        {u"info"_s},
        {u"info"_s, u"--colour"_s, path},
        {u"genres"_s, u"extra"_s},
        {u"remove"_s, path},
        {u"write"_s, u"--title"_s},
        {u"write"_s, u"--title"_s, u"X"_s, u"--track"_s, u"256"_s, path},
        {u"write"_s, u"--title"_s, u"X"_s, u"--track"_s, u"-1"_s, path},
        {u"write"_s, u"--title"_s, u"X"_s, u"--track"_s, u"seven"_s, path},
        {u"write"_s, u"--title"_s, u"X"_s, u"--genre"_s, u"256"_s, path},
    };
    for (const QStringList& arguments : cases) {
        SCOPED_TRACE(arguments.join(u' ').toStdString());
        const CliRun run = cli(arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.err.startsWith("usage: sondrel-cli ")) << run.err.toStdString();
        EXPECT_EQ(TestFiles::read(path), audio(300) + kTag);
    }
    for (const QStringList& help : {QStringList{u"--help"_s}, QStringList{u"write"_s, u"--help"_s}}) {
        const CliRun run = cli(help);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_TRUE(run.out.startsWith("Usage: sondrel-cli ")) << run.out.toStdString();
    }
}

TEST(Cli, RemoveCutsEitherTagOrBoth)
{
    TestFiles files;
    const QByteArray v2 = TestBytes::id3v2Header(4, 0, QByteArray("\0\0\0\x05", 4)) + "xxxxx";
    const QString both = files.write(u"both.mp3"_s, v2 + audio(300) + kTag);
    const QString v1Only = files.write(u"v1.mp3"_s, v2 + audio(300) + kTag);
    const CliRun run = cli({u"remove"_s, u"--id3v1"_s, u"--id3v2"_s, both});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(TestFiles::read(both), audio(300));
    EXPECT_EQ(cli({u"remove"_s, u"--id3v1"_s, v1Only}).exitCode, 0);
    EXPECT_EQ(TestFiles::read(v1Only), v2 + audio(300));

    // A tag followed by something other than audio is left alone, and that counts as an error.
    const QByteArray padded = v2 + QByteArray(4, '\0') + audio(300);
    const QString path = files.write(u"padded.mp3"_s, padded);
    const CliRun refused = cli({u"remove"_s, u"--id3v2"_s, path});
    EXPECT_EQ(
        refused.err, "Error:\tID3v2 Tag format not recognized for " + path.toUtf8() + ", skipping to avoid damage.\n");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(TestFiles::read(path), padded);
}

TEST(Cli, GenresListsTheShippedNames)
{
    const CliRun run = cli({u"genres"_s});
    EXPECT_EQ(run.exitCode, 0);
    const QList<QByteArray> lines = run.out.split('\n');
    ASSERT_EQ(lines.size(), 193);
    EXPECT_EQ(lines[0], "0\tBlues");
    EXPECT_EQ(lines[78], "78\tRock & Roll");
    EXPECT_EQ(lines[191], "191\tPsybient");
}

TEST(Cli, TakesFilesFromAList)
{
    TestFiles files;
    const QString a = files.write(u"a.mp3"_s, audio(300));
    const QString b = files.write(u"b.mp3"_s, audio(300) + kTag);
    const QString list = files.write(u"list.txt"_s, b.toUtf8() + "\n");
    // Arguments first, then the list; CR LF and empty lines in a list are fine.
    const CliRun fromStdin
        = cli({u"info"_s, u"--files-from"_s, u"-"_s, b}, "\r\n" + a.toUtf8() + "\r\n\n" + b.toUtf8());
    EXPECT_EQ(fromStdin.out,
        b.toUtf8() + "\tBand - Caf\xC3\xA9 \xE2\x82\xAC\tNo\n" + a.toUtf8() + "\t(none)\tNo\n" + b.toUtf8()
            + "\tBand - Caf\xC3\xA9 \xE2\x82\xAC\tNo\n");
    EXPECT_EQ(fromStdin.exitCode, 0);
    EXPECT_EQ(cli({u"info"_s, u"--files-from"_s, list}).out, b.toUtf8() + "\tBand - Caf\xC3\xA9 \xE2\x82\xAC\tNo\n");

    const CliRun noList = cli({u"info"_s, u"--files-from"_s, files.path(u"nowhere.txt"_s)});
    EXPECT_TRUE(noList.err.startsWith("Error:\tCould not read the file list ")) << noList.err.toStdString();
    EXPECT_EQ(noList.exitCode, 1);
}

TEST(Cli, ReachesFileNamesThatAreNotUtf8)
{
    TestFiles files;
    const QByteArray name = QFile::encodeName(files.folder()) + "/caf\xE9.mp3";
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, audio(300).constData(), 300), 300);
    ::close(fd);
    const auto run = [&](const QStringList& arguments) {
        const CliRun done = cli(arguments, name + '\n');
        EXPECT_EQ(done.err, QByteArray());
        EXPECT_EQ(done.exitCode, 0);
        return done.out;
    };
    run({u"write"_s, u"--title"_s, u"Song"_s, u"--files-from"_s, u"-"_s});
    EXPECT_EQ(run({u"info"_s, u"--files-from"_s, u"-"_s}), name + "\t - Song\tNo\n");
    EXPECT_TRUE(run({u"info"_s, u"--json"_s, u"--files-from"_s, u"-"_s}).contains("/caf\\udce9.mp3\""));
    ::unlink(name.constData()); // a name the temporary folder's own clean-up cannot spell
}

TEST(Cli, OutputThatCannotBeWrittenIsAnError)
{
    if (!QFile::exists(u"/dev/full"_s))
        GTEST_SKIP() << "no /dev/full here";
    QProcess process;
    process.setStandardOutputFile(u"/dev/full"_s);
    process.start(QString::fromUtf8(SONDREL_CLI), {u"genres"_s});
    ASSERT_TRUE(process.waitForFinished(kHangGuardMs));
    EXPECT_EQ(process.readAllStandardError(), "Error:\tCould not write the output: No space left on device.\n");
    EXPECT_EQ(process.exitCode(), 1);
}

TEST(Cli, WritesNoGuessedGenreWithoutTheGenreList)
{
    // A copy of the program with no genre list beside it or in its data folder.
    TestFiles files;
    const QString program = files.path(u"sondrel-cli"_s);
    ASSERT_TRUE(QFile::copy(QString::fromUtf8(SONDREL_CLI), program));
    const QByteArray tagged = audio(300) + id3v1({"Song", "Band", "", "", "", 0, 7});
    struct Case {
        QStringList arguments; // the file is appended
        QByteArray bytes; // the file before
        bool written;
    } const cases[] = {
        {{u"write"_s, u"--genre"_s, u"Blues"_s}, tagged, false},
        {{u"write"_s, u"--genre"_s, u"17"_s}, tagged, true}, // a number needs no list
        {{u"tag-from-name"_s, u"--format"_s, u"<a> - <t>"_s}, audio(300), false}, // a new tag holds a genre
        {{u"tag-from-name"_s, u"--format"_s, u"<a> - <g>"_s}, tagged, false},
        {{u"tag-from-name"_s, u"--format"_s, u"<a> - <t>"_s}, tagged, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        const QString file = files.write(u"Other - Blues.mp3"_s, c.bytes);
        QProcess process;
        process.start(program, c.arguments + QStringList{file});
        ASSERT_TRUE(process.waitForFinished(kHangGuardMs));
        const QByteArray err = process.readAllStandardError();
        EXPECT_EQ(TestFiles::read(file) != c.bytes, c.written);
        EXPECT_EQ(process.exitCode(), c.written ? 0 : 1);
        EXPECT_EQ(err.count('\n'), c.written ? 0 : 1) << err.toStdString(); // the list's message, once
        EXPECT_EQ(err.startsWith("Error:\tCould not load genre list"), !c.written);
    }
}

TEST(Cli, TwoRunsChangingOneFileNeverMixTheirChanges)
{
    // Two runs started together on one file, round after round: each change is made whole, one
    // after the other, so the file ends as both changes in either order leave it. A run that waited
    // too long for the other says so and fails, and then the file holds the other's change alone.
    const QByteArray v2 = TestBytes::id3v2Header(3, 0, QByteArray("\0\0\0\x14", 4)) + QByteArray(20, 'x');
    const QByteArray song = audio(256 * 1024);
    const QByteArray retitled = id3v1({"New", "Band", "Album", "1999", "Nice", 7, 17});
    const QByteArray newTag = id3v1({"New", "", "", "", "", 0, 0});
    struct Race {
        QStringList first, second;
        QList<QByteArray> both; // what the file may end as when both runs succeed
        QByteArray firstAlone, secondAlone;
    } const races[] = {
        {{u"remove"_s, u"--id3v2"_s}, {u"remove"_s, u"--id3v1"_s}, {song}, song + kTag, v2 + song},
        {{u"write"_s, u"--title"_s, u"New"_s}, {u"remove"_s, u"--id3v1"_s}, {v2 + song, v2 + song + newTag},
            v2 + song + retitled, v2 + song},
    };
    constexpr int kRounds = 100; // of each race
    constexpr int kAtOnce = 4; // races run side by side
    TestFiles files;
    for (const Race& race : races) {
        SCOPED_TRACE(race.first.join(u' ').toStdString() + " beside " + race.second.join(u' ').toStdString());
        for (int round = 0; round < kRounds; round += kAtOnce) {
            std::vector<std::unique_ptr<QProcess>> runs;
            QStringList paths;
            for (int i = 0; i < kAtOnce; ++i) {
                paths.append(files.write(u"song%1.mp3"_s.arg(i), v2 + song + kTag));
                for (const QStringList* arguments : {&race.first, &race.second}) {
                    runs.push_back(std::make_unique<QProcess>());
                    runs.back()->start(QString::fromUtf8(SONDREL_CLI), *arguments + QStringList{paths.last()});
                }
            }
            for (int i = 0; i < kAtOnce; ++i) {
                SCOPED_TRACE(testing::Message() << "round " << round + i);
                QProcess& first = *runs[std::size_t(2 * i)];
                QProcess& second = *runs[std::size_t(2 * i + 1)];
                ASSERT_TRUE(first.waitForFinished(kHangGuardMs) && second.waitForFinished(kHangGuardMs));
                const QByteArray busy = paths[i].toUtf8() + " is being changed by another Sondrel process\n";
                const QByteArray firstErrors = first.readAllStandardError();
                const QByteArray secondErrors = second.readAllStandardError();
                const QByteArray now = TestFiles::read(paths[i]);
                if (first.exitCode() == 0 && second.exitCode() == 0) {
                    EXPECT_TRUE(race.both.contains(now)) << now.size() << " bytes";
                } else {
                    // Only one may give up, and only for the other.
                    const bool firstGaveUp = first.exitCode() != 0;
                    EXPECT_EQ((firstGaveUp ? firstErrors : secondErrors), "Error:\t" + busy);
                    EXPECT_EQ((firstGaveUp ? second : first).exitCode(), 0);
                    EXPECT_EQ(now, firstGaveUp ? race.secondAlone : race.firstAlone);
                }
            }
        }
    }
}

TEST(Cli, RemovesTemporaryFilesThatEndedRunsLeftBehind)
{
    // Beside the song, what runs of the program that were killed left behind, and what looks like
    // it but is not: the next run that writes in the folder removes only the former.
    TestFiles files;
    const auto make = [&](const QString& name, qint64 age) {
        const QString path = files.write(name, "partial copy");
        const struct timespec when = {::time(nullptr) - age, 0};
        const struct timespec times[2] = {when, when};
        ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0);
        return path;
    };
    make(u".sondrel-Ab3dEf9h"_s, 3600);
    const QString held = make(u".sondrel-HeldByIt"_s, 3600); // a run still writing it holds it locked
    make(u".sondrel-NewerOne"_s, -3600); // changed after this run began
    make(u".sondrel-short"_s, 3600);
    make(u"sondrel-Ab3dEf9h"_s, 3600);
    make(u".sondrel-Ab3dEf9!"_s, 3600);
    ASSERT_TRUE(QDir(files.folder()).mkdir(u".sondrel-AFolder0"_s));
    const int holder = ::open(QFile::encodeName(held).constData(), O_RDONLY);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    const QByteArray v2 = TestBytes::id3v2Header(3, 0, QByteArray("\0\0\0\x05", 4)) + "xxxxx";
    const QString song = files.write(u"song.mp3"_s, v2 + audio(300));
    EXPECT_EQ(cli({u"remove"_s, u"--id3v2"_s, song}).exitCode, 0);
    ::close(holder);
    EXPECT_EQ(TestFiles::read(song), audio(300));
    QStringList left = QDir(files.folder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    left.sort();
    EXPECT_EQ(left,
        QStringList({u".sondrel-AFolder0"_s, u".sondrel-Ab3dEf9!"_s, u".sondrel-HeldByIt"_s, u".sondrel-NewerOne"_s,
            u".sondrel-short"_s, u"sondrel-Ab3dEf9h"_s, u"song.mp3"_s}));
}
