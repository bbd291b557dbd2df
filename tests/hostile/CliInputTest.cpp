// sondrel-cli as a process given bad input where the command line is the way in: paths that are
// not regular files, names that are not UTF-8, texts of 100,000 characters, file lists that never
// end. Each run finishes with its exact output, messages and exit status, and leaves the files as
// they should be.

#include <gtest/gtest.h>

#include <functional>

#include <fcntl.h>
#include <unistd.h>

#include <QFile>

#include "Hostile.h"
#include "base/NativePath.h"
#include "support/TestFiles.h"

using namespace Qt::StringLiterals;
using namespace Hostile;
using TestBytes::audio;
using TestBytes::id3v1;

namespace {

const QByteArray kTag = id3v1({"Song", "Band", "Album", "1999", "Fine", 3, 17});

QByteArray bytesOf(const QString& path)
{
    return QFile::encodeName(path);
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

QByteArray notFoundLine(const QByteArray& path)
{
    return cliError(notFound(NativePath::decode(path)));
}

} // namespace

TEST(HostileCli, InfoReportsEveryPathThatIsNotARegularFileWithoutWaiting)
{
    TestFiles files;
    const QByteArray folder = bytesOf(files.folder());
    ASSERT_TRUE(makeFolder(files.path(u"folder.mp3"_s)));
    ASSERT_TRUE(makeFifo(files.path(u"pipe.mp3"_s)));
    ASSERT_TRUE(makeLink(files.path(u"gone"_s), files.path(u"dangling.mp3"_s)));
    ASSERT_TRUE(makeLink(files.path(u"loop.mp3"_s), files.path(u"loop.mp3"_s)));
    ASSERT_TRUE(makeLink(u"/dev/zero"_s, files.path(u"zero.mp3"_s)));
    const QList<QByteArray> paths = {
        "/dev/zero", "/dev/null", folder + "/folder.mp3", folder + "/pipe.mp3", folder + "/dangling.mp3",
        folder + "/loop.mp3", folder + "/zero.mp3",
        folder + "/missing-\x80\xFF.mp3", // not UTF-8
        folder + "/" + QByteArray(100'000, 'p'), // far beyond the longest path the system takes
    };
    const CliRun run = cli(QList<QByteArray>{"info"} + paths);
    QByteArray out, err;
    for (const QByteArray& path : paths) {
        out += path + "\t(error)\t(error)\n";
        err += notFoundLine(path);
    }
    EXPECT_TRUE(run.out == out) << run.out.left(500).toStdString();
    EXPECT_TRUE(run.err == err) << run.err.left(500).toStdString();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(entriesOf(files.folder()),
        QStringList({u"dangling.mp3"_s, u"folder.mp3"_s, u"loop.mp3"_s, u"pipe.mp3"_s, u"zero.mp3"_s}));
}

TEST(HostileCli, WriteReachesNamesThatAreNotUtf8AndCutsLongTexts)
{
    TestFiles files;
    const QByteArray folder = bytesOf(files.folder());
    QByteArray highBytes;
    for (int byte = 0x80; byte <= 0xFF; ++byte)
        highBytes += char(byte);
    const QByteArray longText(100'000, 'L');
    struct Case {
        const char* what;
        QByteArray name; // in the folder, as the system's bytes
        QList<QByteArray> options;
        QByteArray content;
        QByteArray expected;
    } const cases[] = {
        {"bytes 0x80 to 0xFF in a name", highBytes + ".mp3", {"--title", "High"}, audio(300),
            audio(300) + id3v1({"High", "", "", "", "", 0, 0})},
        {"the bytes of an encoded lone surrogate", "\xED\xB2\x80.mp3", {"--artist", "Lone"}, audio(300) + kTag,
            audio(300) + id3v1({"Song", "Lone", "Album", "1999", "Fine", 3, 17})},
        {"texts of 100,000 characters", "long.mp3",
            {"--title", longText, "--artist", longText, "--album", longText, "--year", longText, "--comment", longText},
            audio(300) + kTag, audio(300) + id3v1({longText, longText, longText, longText, longText, 3, 17})},
        {"a genre name of 100,000 characters", "genre.mp3", {"--genre", longText}, audio(300) + kTag,
            audio(300) + id3v1({"Song", "Band", "Album", "1999", "Fine", 3, 12})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QByteArray path = folder + '/' + c.name;
        ASSERT_TRUE(writeNative(path, c.content));
        const CliRun run = cli(QList<QByteArray>{"write"} + c.options + QList<QByteArray>{path});
        EXPECT_EQ(run.err, QByteArray());
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_TRUE(readNative(path) == c.expected) << "the file is not as expected";
        const CliRun info = cli({"info", path});
        EXPECT_TRUE(info.out.startsWith(path + '\t')) << info.out.left(300).toStdString();
        ::unlink(path.constData()); // names the temporary folder's own clean-up cannot spell
    }
}

TEST(HostileCli, RefusesBadArgumentsAndBadListsAndTouchesNoFile)
{
    TestFiles files;
    const QByteArray song = bytesOf(files.write(u"song.mp3"_s, audio(300) + kTag));
    ASSERT_TRUE(makeFolder(files.path(u"folder"_s)));
    const QByteArray folder = bytesOf(files.path(u"folder"_s));
    const QByteArray longText(100'000, '9');
    const QByteArray latin1Name = bytesOf(files.folder()) + "/caf\xE9.mp3";
    ASSERT_TRUE(writeNative(latin1Name, audio(300) + kTag));
    struct Case {
        const char* what;
        QList<QByteArray> arguments;
        QByteArray input; // on stdin
        int exitCode;
        QByteArray out;
        QByteArray err;
    } const cases[] = {
        {"a track of 100,000 digits", {"write", "--track", longText, song}, {}, 2, {},
            "usage: sondrel-cli write [--title T] [--artist A] [--album U] [--year Y] [--comment C] [--track N] "
            "[--genre N|NAME] [--files-from LIST] FILE...\nsondrel-cli: --track takes a number from 0 to 255\n"},
        {"a genre number of 100,000 digits", {"write", "--genre", longText, song}, {}, 2, {},
            "usage: sondrel-cli write [--title T] [--artist A] [--album U] [--year Y] [--comment C] [--track N] "
            "[--genre N|NAME] [--files-from LIST] FILE...\nsondrel-cli: --genre takes a number from 0 to 255 or a "
            "genre name\n"},
        {"an empty file list", {"info", "--files-from", "/dev/null"}, {}, 0, {}, {}},
        {"a folder as the file list", {"write", "--title", "X", "--files-from", folder}, {}, 1, {},
            cliError(
                u"Could not read the file list "_s + QString::fromUtf8(folder) + u": file to open is a directory."_s)},
        {"a list of file names that never ends", {"write", "--title", "X", "--files-from", "/dev/zero"}, {}, 1, {},
            cliError(u"Could not read the file list /dev/zero: it is longer than 256 MiB."_s)},
        {"a list of only line ends on stdin", {"write", "--title", "X", "--files-from", "-"}, QByteArray(1 << 20, '\n'),
            0, {}, {}},
        {"a format of 100,000 characters", {"compose", QByteArray(100'000, 'f') + "<t>", "--title", "T"}, {}, 0,
            QByteArray(100'000, 'f') + "T\n", {}},
        {"a text of 100,000 characters", {"parse", "<a> - <t>", QByteArray(50'000, 'a') + " - " + "t"}, {}, 0,
            "{\"artist\":\"" + QByteArray(50'000, 'a')
                + "\",\"title\":\"t\",\"album\":\"\",\"year\":\"\",\"comment\":\"\",\"track\":\"\",\"genre\":\"\"}\n",
            {}},
        {"a binary playlist", {"playlist", bytesOf(files.write(u"noise.m3u"_s, noise(4096)))}, {}, 1, {},
            cliError(u"Invalid format."_s, u"Error"_s)},
        // A playlist that is not UTF-8 is read as windows-1252, so its names are taken as text in that
        // code page: the file whose name is the bytes themselves is not reached.
        {"a windows-1252 playlist naming a file whose name is not UTF-8",
            {"playlist", bytesOf(files.write(u"latin1.m3u"_s, "#EXTM3U\r\ncaf\xE9.mp3\r\n"))}, {}, 1,
            files.path(u"caf\u00E9.mp3"_s).toUtf8() + "\tcaf\xC3\xA9\t(error)\t(error)\t???\n",
            cliError(notFound(files.path(u"caf\u00E9.mp3"_s)))},
        {"/dev/zero as a playlist", {"playlist", "/dev/zero"}, {}, 1, {},
            cliError(u"Could not read the whole playlist /dev/zero."_s)},
        {"a playlist saved under a name of 100,000 characters",
            {"convert", bytesOf(files.write(u"list.m3u"_s, "#EXTM3U\r\nsong.mp3\r\n")),
                folder + '/' + QByteArray(100'000, 'n') + ".pls"},
            {}, 1, {},
            cliError(u"Could not save the playlist to "_s + files.path(u"folder/"_s) + QString(100'000, u'n')
                + u".pls: File name too long."_s)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const CliRun run = cli(c.arguments, c.input);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_TRUE(run.out == c.out) << run.out.left(300).toStdString();
        EXPECT_TRUE(run.err == c.err) << run.err.left(300).toStdString();
        EXPECT_EQ(TestFiles::read(QString::fromUtf8(song)), audio(300) + kTag);
        EXPECT_EQ(entriesOf(files.path(u"folder"_s)), QStringList());
    }
    EXPECT_EQ(readNative(latin1Name), audio(300) + kTag);
    ::unlink(latin1Name.constData()); // a name the temporary folder's own clean-up cannot spell
}
