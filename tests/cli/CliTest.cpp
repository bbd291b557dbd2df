// Runs sondrel-cli as a process on real files: what it prints, its exit status, the bytes it leaves.
// The byte rules of the tags themselves are tested on the library; here the command line's contract.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

#include "support/CliRun.h"
#include "support/HangGuard.h"
#include "support/ProgramMessages.h"
#include "support/TestFiles.h"

using namespace Qt::StringLiterals;
using TestBytes::audio;
using TestBytes::id3v1;

namespace {

QByteArray notFound(const QString& path)
{
    return cliError(ProgramMessages::notFound(path));
}

QByteArray readError(const QString& path)
{
    return cliError(ProgramMessages::readError(path));
}

// Writes a file under a name given as the system's bytes.
bool writeNative(const QByteArray& path, const QByteArray& content)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, content.constData(), size_t(content.size())) == content.size();
    ::close(fd);
    return written;
}

QByteArray readNative(const QByteArray& path)
{
    QFile file;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return "<unreadable>";
    return file.readAll();
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
    const QString pipe = files.path(u"pipe.mp3"_s);
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
    const QStringList all = {tagged, v2, shortFile, missing, pipe, u"/dev/zero"_s};

    const CliRun text = cli(QStringList{u"info"_s} + all);
    EXPECT_EQ(text.out,
        tagged.toUtf8() + "\tBand - Caf\xC3\xA9 \xE2\x82\xAC\tNo\n" + v2.toUtf8() + "\t(none)\tYes\n"
            + shortFile.toUtf8() + "\t(error)\t(error)\n" + missing.toUtf8() + "\t(error)\t(error)\n" + pipe.toUtf8()
            + "\t(error)\t(error)\n/dev/zero\t(error)\t(error)\n");
    EXPECT_EQ(text.err, readError(shortFile) + notFound(missing) + notFound(pipe) + notFound(u"/dev/zero"_s));
    EXPECT_EQ(text.exitCode, 1);

    const CliRun json = cli(QStringList{u"info"_s, u"--json"_s} + all);
    const QList<QByteArray> lines = json.out.split('\n');
    ASSERT_EQ(lines.size(), 7);
    // Keys in their documented order.
    EXPECT_EQ(lines[0],
        "{\"path\":\"" + tagged.toUtf8()
            + "\",\"id3v1\":true,\"id3v2\":false,\"title\":\"Caf\xC3\xA9 \xE2\x82\xAC\",\"artist\":\"Band\","
              "\"album\":\"Album\",\"year\":\"1999\",\"comment\":\"Nice\",\"track\":7,\"genre\":17,\"error\":null}");
    const char* const errors[] = {nullptr, nullptr, "read error", "not found", "not found", "not found"};
    for (int i = 1; i < 6; ++i) {
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

TEST(Cli, RefusesBadArgumentsAndBadListsAndTouchesNoFile)
{
    TestFiles files;
    const QByteArray song = QFile::encodeName(files.write(u"song.mp3"_s, audio(300) + kTag));
    const QByteArray list = QFile::encodeName(files.write(u"list.m3u"_s, "song.mp3\r\n"));
    const QByteArray digits(100'000, '9');
    const QByteArray usage = "usage: sondrel-cli ";
    const QByteArray writeUsage = "usage: sondrel-cli write [--title T] [--artist A] [--album U] [--year Y] "
                                  "[--comment C] [--track N] [--genre N|NAME] [--files-from LIST] FILE...\n";
    struct Case {
        QList<QByteArray> arguments;
        int exitCode;
        QByteArray err; // usage errors (exit status 2): how stderr begins
        QByteArray out = {};
        QByteArray input = {}; // on stdin
    } const cases[] = {
        {{}, 2, usage},
        {{"frobnicate"}, 2, usage},
        {{"info"}, 2, usage},
        {{"info", "--colour", song}, 2, usage},
        {{"genres", "extra"}, 2, usage},
        {{"remove", song}, 2, usage},
        {{"write", "--title"}, 2, usage},
        {{"write", "--title", "X", "--track", "256", song}, 2, usage},
        {{"write", "--title", "X", "--track", "-1", song}, 2, usage},
        {{"write", "--title", "X", "--track", "seven", song}, 2, usage},
        {{"write", "--track", digits, song}, 2, writeUsage + "sondrel-cli: --track takes a number from 0 to 255\n"},
        {{"write", "--genre", "256", song}, 2, usage},
        {{"write", "--genre", digits, song}, 2,
            writeUsage + "sondrel-cli: --genre takes a number from 0 to 255 or a genre name\n"},
        {{"compose"}, 2, usage},
        {{"parse", "<a>"}, 2, usage},
        {{"name-from-tag", "x.mp3"}, 2, usage},
        {{"prune", list}, 2, usage},
        {{"convert", list}, 2, usage},
        {{"info", "--files-from", "/dev/null"}, 0, {}},
        {{"write", "--title", "X", "--files-from", "-"}, 0, {}, {}, QByteArray(1 << 20, '\n')},
        {{"write", "--title", "X", "--files-from", "/dev/zero"}, 1,
            cliError(u"Could not read the file list /dev/zero: it is longer than 256 MiB."_s)},
        {{"playlist", "/dev/zero"}, 1, cliError(u"Could not read the whole playlist /dev/zero."_s)},
        // Texts of 100,000 characters are taken whole.
        {{"compose", QByteArray(100'000, 'f') + "<t>", "--title", "T"}, 0, {}, QByteArray(100'000, 'f') + "T\n"},
        {{"parse", "<a> - <t>", QByteArray(50'000, 'a') + " - t"}, 0, {},
            "{\"artist\":\"" + QByteArray(50'000, 'a')
                + "\",\"title\":\"t\",\"album\":\"\",\"year\":\"\",\"comment\":\"\",\"track\":\"\",\"genre\":\"\"}\n"},
        {{"convert", list, QFile::encodeName(files.folder()) + '/' + QByteArray(100'000, 'n') + ".pls"}, 1,
            cliError(u"Could not save the playlist to "_s + files.path(QString(100'000, u'n')) + u".pls: "_s
                + qt_error_string(ENAMETOOLONG) + u"."_s)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QByteArrayList(c.arguments).join(' ').left(100).toStdString());
        const CliRun run = cli(c.arguments, c.input);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_TRUE(run.out == c.out) << run.out.left(300).toStdString();
        if (c.exitCode == 2) {
            EXPECT_TRUE(run.err.startsWith(c.err)) << run.err.left(300).toStdString();
        } else {
            EXPECT_TRUE(run.err == c.err) << run.err.left(300).toStdString();
        }
        EXPECT_EQ(TestFiles::read(QFile::decodeName(song)), audio(300) + kTag);
        EXPECT_EQ(QDir(files.folder()).entryList(QDir::Files).size(), 2);
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
    QByteArray highBytes;
    for (int byte = 0x80; byte <= 0xFF; ++byte)
        highBytes += char(byte);
    const QByteArray longText(100'000, 'L');
    // Bytes 0x80 to 0xFF, the bytes of an encoded lone surrogate, and a windows-1252 name.
    for (const QByteArray& name : {highBytes + ".mp3", QByteArray("\xED\xB2\x80.mp3"), QByteArray("caf\xE9.mp3")}) {
        SCOPED_TRACE(name.toPercentEncoding().toStdString());
        const QByteArray path = QFile::encodeName(files.folder()) + '/' + name;
        ASSERT_TRUE(writeNative(path, audio(300)));
        const CliRun write = cli(QList<QByteArray>{"write", "--title", "Song", "--comment", longText, path});
        EXPECT_EQ(write.err, QByteArray());
        EXPECT_EQ(write.exitCode, 0);
        EXPECT_TRUE(readNative(path) == audio(300) + id3v1({"Song", "", "", "", longText, 0, 0}));
        const CliRun info = cli(QList<QByteArray>{"info", "--files-from", "-"}, path + '\n');
        EXPECT_EQ(info.out, path + "\t - Song\tNo\n");
        EXPECT_EQ(info.exitCode, 0);
        if (name.startsWith("caf")) {
            EXPECT_TRUE(cli(QList<QByteArray>{"info", "--json", path}).out.contains("/caf\\udce9.mp3\""));
            // A playlist that is not UTF-8 is read as windows-1252: its name for the file is that
            // text, not these bytes.
            const CliRun playlist
                = cli(QList<QByteArray>{"playlist", QFile::encodeName(files.write(u"list.m3u"_s, "caf\xE9.mp3\r\n"))});
            EXPECT_EQ(playlist.err, cliError(ProgramMessages::notFound(files.path(u"caf\u00E9.mp3"_s))));
        }
        ::unlink(path.constData()); // names the temporary folder's own clean-up cannot spell
    }
}

TEST(Cli, OutputThatCannotBeWrittenIsAnError)
{
    if (!QFile::exists(u"/dev/full"_s))
        GTEST_SKIP() << "no /dev/full here";
    QProcess process;
    process.setStandardOutputFile(u"/dev/full"_s);
    process.start(cliPath(), {u"genres"_s});
    ASSERT_TRUE(process.waitForFinished(kHangLimitMs));
    EXPECT_EQ(process.readAllStandardError(), "Error:\tCould not write the output: No space left on device.\n");
    EXPECT_EQ(process.exitCode(), 1);
}

TEST(Cli, WritesNoGuessedGenreWithoutTheGenreList)
{
    // A copy of the program with no genre list beside it or in its data folder.
    TestFiles files;
    const QString program = files.path(u"sondrel-cli"_s);
    ASSERT_TRUE(QFile::copy(cliPath(), program));
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
        QList<QByteArray> arguments;
        for (const QString& argument : c.arguments + QStringList{file})
            arguments.append(argument.toUtf8());
        const CliRun run = runProgram(program, arguments);
        const QByteArray& err = run.err;
        EXPECT_EQ(TestFiles::read(file) != c.bytes, c.written);
        EXPECT_EQ(run.exitCode, c.written ? 0 : 1);
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
                    runs.back()->start(cliPath(), *arguments + QStringList{paths.last()});
                }
            }
            for (int i = 0; i < kAtOnce; ++i) {
                SCOPED_TRACE(testing::Message() << "round " << round + i);
                QProcess& first = *runs[std::size_t(2 * i)];
                QProcess& second = *runs[std::size_t(2 * i + 1)];
                ASSERT_TRUE(first.waitForFinished(kHangLimitMs) && second.waitForFinished(kHangLimitMs));
                const QByteArray busy = cliError(ProgramMessages::busy(paths[i]));
                const QByteArray firstErrors = first.readAllStandardError();
                const QByteArray secondErrors = second.readAllStandardError();
                const QByteArray now = TestFiles::read(paths[i]);
                if (first.exitCode() == 0 && second.exitCode() == 0) {
                    EXPECT_TRUE(race.both.contains(now)) << now.size() << " bytes";
                } else {
                    // Only one may give up, and only for the other.
                    const bool firstGaveUp = first.exitCode() != 0;
                    EXPECT_EQ((firstGaveUp ? firstErrors : secondErrors), busy);
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
