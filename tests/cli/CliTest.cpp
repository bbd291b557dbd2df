// Runs sondrel-cli as a process on real files: what it prints, its exit status, the bytes it leaves.
// The byte rules of the tags themselves are tested on the library; here the command line's contract.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include "support/CliRun.h"
#include "support/HangGuard.h"
#include "support/ProgramMessages.h"
#include "support/TestFiles.h"

using namespace Qt::StringLiterals;
using TestBytes::audio;
using TestBytes::id3v1;

namespace {

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
const QByteArray kTagInfo = "\tBand - Caf\xC3\xA9 \xE2\x82\xAC\tNo\n"; // what info prints after the path

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
        tagged.toUtf8() + kTagInfo + v2.toUtf8() + "\t(none)\tYes\n" + shortFile.toUtf8() + "\t(error)\t(error)\n"
            + missing.toUtf8() + "\t(error)\t(error)\n");
    EXPECT_EQ(text.err, cliError(ProgramMessages::readError(shortFile)) + cliError(ProgramMessages::notFound(missing)));
    EXPECT_EQ(text.exitCode, 1);

    const CliRun json = cli(QStringList{u"info"_s, u"--json"_s} + all);
    const QList<QByteArray> lines = json.out.split('\n');
    ASSERT_EQ(lines.size(), 5);
    // Keys in their documented order.
    EXPECT_EQ(lines[0],
        "{\"path\":\"" + tagged.toUtf8()
            + "\",\"id3v1\":true,\"id3v2\":false,\"title\":\"Caf\xC3\xA9 \xE2\x82\xAC\",\"artist\":\"Band\","
              "\"album\":\"Album\",\"year\":\"1999\",\"comment\":\"Nice\",\"track\":7,\"genre\":17,\"error\":null,"
              "\"id3v2tag\":null}");
    const char* const ends[] = {("null,\"id3v2tag\":{\"version\":\"2.3\",\"size\":10,\"title\":\"\",\"artist\":\"\","
                                 "\"album\":\"\",\"year\":\"\",\"track\":\"\",\"genre\":\"\",\"comment\":\"\"}}"),
        "\"read error\",\"id3v2tag\":null}", "\"not found\",\"id3v2tag\":null}"};
    for (int i = 1; i < 4; ++i)
        EXPECT_TRUE(lines[i].endsWith(QByteArray(",\"error\":") + ends[i - 1])) << lines[i].toStdString();

    // Quotes, backslashes and control characters are escaped.
    const QString odd
        = files.write(u"q \"x\" \\.mp3"_s, id3v1({"a\"b\\c", QByteArray("A\0B", 3), "\x01", "", "", 0, 0}));
    EXPECT_EQ(cli({u"info"_s, u"--json"_s, odd}).out,
        "{\"path\":\"" + QFile::encodeName(files.folder())
            + "/q \\\"x\\\" \\\\.mp3\",\"id3v1\":true,\"id3v2\":false,"
              "\"title\":\"a\\\"b\\\\c\",\"artist\":\"A\\u0000B\",\"album\":\"\\u0001\",\"year\":\"\",\"comment\":\"\","
              "\"track\":0,\"genre\":0,\"error\":null,\"id3v2tag\":null}\n");
}

TEST(Cli, WriteSetsOnlyTheGivenFields)
{
    TestFiles files;
    const QString tagged = files.write(u"tagged.mp3"_s, audio(300) + kTag);
    const QString plain = files.write(u"plain.mp3"_s, audio(300));
    const CliRun run = cli({u"write"_s, u"--title"_s, u"Hey Jude \U0001F600"_s, u"--album"_s, u"LP"_s, u"--track"_s,
        u"255"_s, u"--genre"_s, u"rock & ROLL"_s, tagged, plain});
    EXPECT_EQ(run.err, QByteArray()); // and so the exit status is 0
    EXPECT_EQ(TestFiles::read(tagged), audio(300) + id3v1({"Hey Jude ?", "Band", "LP", "1999", "Nice", 255, 78}));
    EXPECT_EQ(TestFiles::read(plain), audio(300) + id3v1({"Hey Jude ?", "", "LP", "", "", 255, 78}));
}

TEST(Cli, AnswersEachCallWithItsOutputMessagesAndStatusAndTouchesNoFile)
{
    TestFiles files;
    const QByteArray song = QFile::encodeName(files.write(u"song.mp3"_s, audio(300) + kTag));
    const QByteArray list = QFile::encodeName(files.write(u"list.m3u"_s, "song.mp3\r\n"));
    const QByteArray invalid = QFile::encodeName(files.write(u"bad.pls"_s, "song.mp3\r\n"));
    const QByteArray empty = QFile::encodeName(files.write(u"empty.m3u"_s, ""));
    const QString nowhere = files.path(u"nowhere.txt"_s);
    const QByteArray digits(100'000, '9');
    const QByteArray usage = "usage: sondrel-cli ";
    const QByteArray noFields = "{\"artist\":\"\",\"title\":\"\",\"album\":\"\",\"year\":\"\",\"comment\":\"\","
                                "\"track\":\"\",\"genre\":\"\"}\n";
    const QByteArray writeUsage = "usage: sondrel-cli write [--id3v1] [--id3v2] [--v23|--v24] [--title T] "
                                  "[--artist A] [--album U] [--year Y] [--comment C] [--track N] [--genre N|NAME] "
                                  "[--files-from LIST] FILE...\n";
    // Every file in the folder with its bytes.
    const auto snapshot = [&files] {
        QByteArrayList all;
        for (const QString& name : QDir(files.folder()).entryList(QDir::Files, QDir::Name))
            all << name.toUtf8() << TestFiles::read(files.path(name));
        return all;
    };
    const QByteArrayList before = snapshot();
    struct Case {
        QList<QByteArray> arguments;
        int exitCode;
        QByteArray err; // usage errors (exit status 2): how stderr begins
        QByteArray out = {};
        QByteArray input = {}; // on stdin
    } const cases[] = {{{}, 2, usage}, {{"frobnicate"}, 2, usage}, {{"info"}, 2, usage},
        {{"info", "--colour", song}, 2, usage}, {{"genres", "extra"}, 2, usage}, {{"remove", song}, 2, usage},
        {{"write", "--track", "256", song}, 2, usage}, {{"write", "--track", "-1", song}, 2, usage},
        {{"write", "--track", digits, song}, 2, writeUsage + "sondrel-cli: --track takes a number from 0 to 255\n"},
        {{"write", "--genre", digits, song}, 2,
            writeUsage + "sondrel-cli: --genre takes a number from 0 to 255 or a genre name\n"},
        {{"parse", "<a>"}, 2, usage}, {{"name-from-tag", "x.mp3"}, 2, usage}, {{"prune", list}, 2, usage},
        {{"info", "--files-from", "/dev/null"}, 0, {}},
        {{"write", "--title", "X", "--files-from", "-"}, 0, {}, {}, QByteArray(1 << 20, '\n')},
        {{"write", "--title", "X", "--files-from", "/dev/zero"}, 1,
            cliError(u"Could not read the file list /dev/zero: it is longer than 256 MiB."_s)},
        {{"info", "--files-from", QFile::encodeName(nowhere)}, 1,
            cliError(u"Could not read the file list "_s + nowhere + u": "_s + qt_error_string(ENOENT) + u"."_s)},
        {{"playlist", "/dev/zero"}, 1, cliError(u"Could not read the whole playlist /dev/zero."_s)},
        // A file that is not a playlist is said to be one message, and is never saved over.
        {{"convert", invalid, QFile::encodeName(files.path(u"out.pls"_s))}, 1, "Error\tInvalid format.\n"},
        {{"prune", "--missing", invalid}, 1, "Error\tInvalid format.\n"},
        {{"convert", list, QFile::encodeName(files.path(u"out.xspf"_s))}, 1,
            cliError(u"Unknown format, please specify m3u or pls when you save."_s)},
        {{"prune", "--missing", "--dry-run", empty}, 0, {}, "Removed 0 rows, 0 remain.\n"}, // an empty playlist
        {{"compose", "--sample", "<k>. <a> - <t> (<y>) [<g>]"}, 0, {},
            "23. Beatles, The - Hey Jude (1968) [Rock & Roll]\n"},
        {{"compose", "<a>/<t>/<k>", "--artist", " Band ", "--track", "7"}, 0, {}, "Band//7\n"},
        {{"compose", "<kk> - <t>", "--title", "T", "--track", "7"}, 0, {}, "07 - T\n"},
        {{"parse", "<a>", ""}, 1, "Error:\tGot confused with , skipping.\n", noFields},
        // Texts of 100,000 characters are taken whole.
        {{"compose", QByteArray(100'000, 'f') + "<t>", "--title", "T"}, 0, {}, QByteArray(100'000, 'f') + "T\n"},
        {{"parse", "<a> - <t>", QByteArray(50'000, 'a') + " - t"}, 0, {},
            "{\"artist\":\"" + QByteArray(50'000, 'a')
                + "\",\"title\":\"t\",\"album\":\"\",\"year\":\"\",\"comment\":\"\",\"track\":\"\",\"genre\":\"\"}\n"},
        {{"convert", list, QFile::encodeName(files.folder()) + '/' + QByteArray(100'000, 'n') + ".pls"}, 1,
            cliError(u"Could not save the playlist to "_s + files.path(QString(100'000, u'n')) + u".pls: "_s
                + qt_error_string(ENAMETOOLONG) + u"."_s)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(QByteArrayList(c.arguments).join(' ').left(100).toStdString());
        const CliRun run = cli(c.arguments, c.input);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_TRUE(run.out == c.out) << run.out.left(300).toStdString();
        EXPECT_TRUE(c.exitCode == 2 ? run.err.startsWith(c.err) : run.err == c.err) << run.err.left(300).toStdString();
        EXPECT_EQ(snapshot(), before);
    }
    for (const QStringList& help : {QStringList{u"--help"_s}, QStringList{u"write"_s, u"--help"_s}}) {
        const CliRun run = cli(help);
        EXPECT_TRUE(run.exitCode == 0 && run.out.startsWith("Usage: sondrel-cli ")) << run.out.toStdString();
    }
}

TEST(Cli, GenresListsTheShippedNamesAndTakesFilesFromAList)
{
    const CliRun genres = cli({u"genres"_s});
    EXPECT_EQ(genres.exitCode, 0);
    const QList<QByteArray> lines = genres.out.split('\n');
    ASSERT_EQ(lines.size(), 193);
    EXPECT_EQ(lines[0] + '|' + lines[78] + '|' + lines[191], "0\tBlues|78\tRock & Roll|191\tPsybient");

    TestFiles files;
    const QString a = files.write(u"a.mp3"_s, audio(300));
    const QString b = files.write(u"b.mp3"_s, audio(300) + kTag);
    // Arguments first, then the list; CR LF and empty lines in a list are fine.
    const CliRun fromStdin
        = cli({u"info"_s, u"--files-from"_s, u"-"_s, b}, "\r\n" + a.toUtf8() + "\r\n\n" + b.toUtf8());
    EXPECT_EQ(fromStdin.out, b.toUtf8() + kTagInfo + a.toUtf8() + "\t(none)\tNo\n" + b.toUtf8() + kTagInfo);
    EXPECT_EQ(fromStdin.exitCode, 0);
    const QString list = files.write(u"list.txt"_s, b.toUtf8() + "\n");
    EXPECT_EQ(cli({u"info"_s, u"--files-from"_s, list}).out, b.toUtf8() + kTagInfo);
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
        EXPECT_TRUE(readNative(path) == audio(300) + id3v1({"Song", "", "", "", longText, 0, 0}));
        const CliRun info = cli(QList<QByteArray>{"info", "--files-from", "-"}, path + '\n');
        EXPECT_EQ(info.out, path + "\t - Song\tNo\n");
        EXPECT_EQ(info.exitCode, 0);
        if (name.startsWith("caf")) {
            EXPECT_TRUE(cli(QList<QByteArray>{"info", "--json", path}).out.contains("/caf\\udce9.mp3\""));
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
    const QString song = files.path(u"Other - Blues.mp3"_s);
    struct Case {
        QList<QByteArray> arguments; // the file is appended
        QByteArray bytes; // the file before
        bool written;
    } const cases[] = {{{"write", "--genre", "Blues"}, tagged, false},
        {{"write", "--genre", "17"}, tagged, true}, // a number needs no list
        {{"tag-from-name", "--format", "<a> - <t>"}, audio(300), false}}; // a new tag holds a genre
    for (const Case& c : cases) {
        SCOPED_TRACE(QByteArrayList(c.arguments).join(' ').toStdString());
        files.write(u"Other - Blues.mp3"_s, c.bytes);
        const CliRun run = runProgram(program, c.arguments + QList<QByteArray>{QFile::encodeName(song)});
        EXPECT_EQ(TestFiles::read(song) != c.bytes, c.written);
        EXPECT_EQ(run.exitCode, c.written ? 0 : 1);
        // The list's message, once.
        EXPECT_EQ(run.err.startsWith("Error:\tCould not load genre list") && run.err.count('\n') == 1, !c.written)
            << run.err.toStdString();
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
    } const races[] = {{{u"remove"_s, u"--id3v2"_s}, {u"remove"_s, u"--id3v1"_s}, {song}, song + kTag, v2 + song},
        {{u"write"_s, u"--title"_s, u"New"_s}, {u"remove"_s, u"--id3v1"_s}, {v2 + song, v2 + song + newTag},
            v2 + song + retitled, v2 + song}};
    constexpr int kRounds = 100, kAtOnce = 4; // rounds of each race; races run side by side
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
                QProcess& first = *runs[2 * std::size_t(i)];
                QProcess& second = *runs[2 * std::size_t(i) + 1];
                ASSERT_TRUE(first.waitForFinished(kHangLimitMs) && second.waitForFinished(kHangLimitMs));
                const QByteArray now = TestFiles::read(paths[i]);
                if (first.exitCode() == 0 && second.exitCode() == 0) {
                    EXPECT_TRUE(race.both.contains(now)) << now.size() << " bytes";
                } else {
                    // Only one may give up, and only for the other.
                    const bool firstGaveUp = first.exitCode() != 0;
                    EXPECT_EQ((firstGaveUp ? first : second).readAllStandardError(),
                        cliError(ProgramMessages::busy(paths[i])));
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
        QString path = files.write(name, "partial copy");
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
    EXPECT_EQ(files.entries(),
        QStringList({u".sondrel-AFolder0"_s, u".sondrel-Ab3dEf9!"_s, u".sondrel-HeldByIt"_s, u".sondrel-NewerOne"_s,
            u".sondrel-short"_s, u"sondrel-Ab3dEf9h"_s, u"song.mp3"_s}));
}

TEST(Cli, WritesAndCopiesId3v2Tags)
{
    TestFiles files;
    const QByteArray title = "A title of thirty-four characters!";
    const QByteArray v23 = TestBytes::id3v2Header(3, 0, QByteArray("\0\0\0\x2D", 4)) + "TIT2" + QByteArray(3, '\0')
        + "\x23" + QByteArray(3, '\0') + title;
    const QByteArray garbage = TestBytes::id3v2Header(3, 0, QByteArray("\0\0\0\x04", 4)) + "junk";
    const QByteArray v22 = TestBytes::id3v2Header(2, 0, QByteArray("\0\0\0\x0A", 4)) + "TT2" + QByteArray(2, '\0')
        + "\x04" + QByteArray(1, '\0') + "Old";
    const QByteArray copied = R"({"version":"2.3","title":")" + title
        + R"(","artist":"","album":"","year":"","track":"","genre":"","comment":""}})";
    const QStringList copy = {u"copy-tag"_s, u"--from"_s, u"id3v2"_s, u"--to"_s, u"id3v1"_s};
    struct Case {
        const char* name;
        QByteArray bytes; // of song.mp3, before the audio
        QStringList arguments; // song.mp3 follows
        int exitCode;
        QByteArray out; // after song.mp3's path
        QByteArray id3v2tag; // the info line's id3v2tag afterwards, but its size
        QByteArray id3v1Title = {}; // the ID3v1 title afterwards, when the file has that tag
    } const cases[] = {
        {"a new 2.4 tag, the ID3v1 tag left alone", {},
            {u"write"_s, u"--id3v2"_s, u"--title"_s, u"T"_s, u"--track"_s, u"3/12"_s, u"--genre"_s, u"17"_s}, 0, {},
            R"({"version":"2.4","title":"T","artist":"","album":"","year":"","track":"3/12","genre":"Rock","comment":""}})"},
        {"a new 2.3 tag and the ID3v1 tag", {},
            {u"write"_s, u"--id3v1"_s, u"--id3v2"_s, u"--v23"_s, u"--artist"_s, u"\u266A"_s}, 0, {},
            R"({"version":"2.3","title":"","artist":"♪","album":"","year":"","track":"","genre":"","comment":""}})",
            ""},
        {"a field of a tag, the others kept", v23, {u"write"_s, u"--id3v2"_s, u"--artist"_s, u"B"_s}, 0, {},
            R"({"version":"2.3","title":")" + title
                + R"(","artist":"B","album":"","year":"","track":"","genre":"","comment":""}})"},
        {"a copy that would lose, tried", v23, copy + QStringList{u"--dry-run"_s}, 0,
            "\tTitle\t" + title + '\t' + title.left(30) + '\n', copied},
        {"a copy into ID3v1", v23, copy, 0, "\tTitle\t" + title + '\t' + title.left(30) + '\n', copied, title.left(30)},
        {"a tag that is not frames", garbage, {u"write"_s, u"--id3v2"_s, u"--title"_s, u"T"_s}, 1, {},
            R"({"error":"the tag holds bytes that are not frames"}})"},
        {"two versions", {}, {u"write"_s, u"--id3v2"_s, u"--v23"_s, u"--v24"_s}, 2, {}, "null}"},
        {"a 2.2 tag, written as 2.3 after a word", v22, {u"write"_s, u"--id3v2"_s, u"--artist"_s, u"B"_s}, 0, {},
            R"({"version":"2.3","title":"Old","artist":"B","album":"","year":"","track":"","genre":"","comment":""}})"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString song = files.write(u"song.mp3"_s, c.bytes + audio(300));
        const CliRun run = cli(c.arguments + QStringList{song});
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err.toStdString();
        if (c.bytes == v22) {
            EXPECT_EQ(
                run.err, cliError(song + u" has an ID3v2.2 tag, which is written as ID3v2.3."_s, u"Information"_s));
        }
        EXPECT_EQ(run.out, c.out.isEmpty() ? QByteArray() : QFile::encodeName(song) + c.out);
        const QByteArray info = QString::fromUtf8(cli({u"info"_s, u"--json"_s, song}).out)
                                    .remove(QRegularExpression(u"\"size\":\\d+,"_s))
                                    .toUtf8();
        EXPECT_TRUE(info.endsWith(",\"id3v2tag\":" + c.id3v2tag + '\n')) << info.toStdString();
        EXPECT_EQ(info.contains("\"id3v1\":true"), !c.id3v1Title.isNull());
        EXPECT_TRUE(info.contains("\"title\":\"" + c.id3v1Title + "\"")) << info.toStdString();
    }

    // Without a genre list, genre numbers stay numbers, and the list's message comes once.
    ASSERT_TRUE(QDir(files.folder()).mkdir(u"bin"_s));
    const QString program = files.path(u"bin/sondrel-cli"_s);
    ASSERT_TRUE(QFile::copy(cliPath(), program));
    const QByteArray genre = TestBytes::id3v2Header(3, 0, QByteArray("\0\0\0\x0F", 4)) + "TCON" + QByteArray(3, '\0')
        + "\x05" + QByteArray(3, '\0') + "(17)";
    const QByteArray first = QFile::encodeName(files.write(u"first.mp3"_s, genre + audio(300)));
    const QByteArray second = QFile::encodeName(files.write(u"second.mp3"_s, genre + audio(300)));
    const CliRun run = runProgram(program, {"info", "--json", first, second});
    EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
    EXPECT_EQ(run.out.count("\"genre\":\"17\""), 2) << run.out.toStdString();
}
