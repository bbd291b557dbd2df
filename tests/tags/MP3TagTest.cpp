#include "tags/MP3Tag.h"

#include <fcntl.h>
#include <functional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include "base/SystemCalls.h"
#include "support/HangGuard.h"
#include "support/ProgramMessages.h"
#include "support/RecordingMessages.h"
#include "support/TestFiles.h"
#include "tags/TagColumns.h"

using namespace Qt::StringLiterals;
using TestBytes::audio;
using TestBytes::id3v1;
using TestBytes::id3v2Header;

namespace {

using ProgramMessages::notFound;
using ProgramMessages::notRecognized;
using ProgramMessages::readError;

MP3Tag readTag(const QString& path)
{
    MP3Tag tag;
    tag.init(path);
    tag.ReadTag();
    return tag;
}

void setMode(const QString& path, mode_t mode)
{
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
}

// The bytes of a regular file; null for anything else.
QByteArray regularBytes(const QString& path)
{
    struct stat info { };
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return {};
    return TestFiles::read(path);
}

const QByteArray kTag = id3v1({"Song", "Band", "Album", "1999", "Fine", 3, 17});

QByteArray v2(const char (&size)[5], unsigned char flags = 0)
{
    return id3v2Header(3, flags, QByteArray(size, 4));
}

} // namespace

// Every shape of file is read, then written, stripped of its ID3v1 tag or stripped of its ID3v2
// tag. The messages are the program's own, a removal keeps the file's mode and leaves no other
// file behind, a file that should not change keeps its bytes, and doing it again changes nothing.
TEST(MP3Tag, ReadsWritesAndRemovesTagsOfEveryShapeOfFile)
{
    enum class Read { Yes, NotFound, ReadError };
    enum class V2 { Nothing, Cut, NotRecognized, ReadError }; // removing the ID3v2 tag
    enum class Place { Song, Hidden, Missing, Pipe, ReadOnly }; // ReadOnly: every change is refused
    struct Case {
        const char* name;
        QByteArray bytes;
        const char* quickTag = "(none)";
        V2 v2 = V2::Nothing;
        qint64 cut = 0; // V2::Cut: the tag's whole length
        Read read = Read::Yes;
        Place place = Place::Song;
    };
    const QByteArray both = v2("\0\0\0\0") + audio(300) + kTag;
    const Case cases[] = {
        {"plain", audio(1000)},
        {"tagged", audio(1000) + kTag, "Band - Song"},
        {"only a tag", kTag, "Band - Song"},
        {"empty artist", audio(10) + id3v1({"Song", "", "", "", "", 0, 0}), " - Song"},
        {"lower-case marker", audio(1) + "tag" + kTag.mid(3)},
        // Files too short for a tag; the first bytes still tell of an ID3v2 tag.
        {"0 bytes", "", "(error)", V2::Nothing, 0, Read::ReadError},
        {"127 bytes from ID3", v2("\0\0\0\0") + audio(117), "(error)", V2::Nothing, 0, Read::ReadError},
        // The ID3v2 tag goes only when audio follows it and its size is inside the file.
        {"both tags", both, "Band - Song", V2::Cut, 10},
        {"128 bytes: ID3v2 tag and audio", v2("\0\0\0\0") + audio(118), "(none)", V2::Cut, 10},
        {"ID3 without audio", v2("\0\0\0\0") + QByteArray(119, 'x'), "(none)", V2::NotRecognized},
        {"padding after the tag", v2("\0\0\0\x05") + "hello" + QByteArray(20, '\0') + audio(100), "(none)",
            V2::NotRecognized},
        {"ID3 whose header is the tag", "ID3" + kTag, "Band - Song", V2::ReadError},
        {"size that overflows", v2("\x80\0\0\0") + audio(300) + kTag, "Band - Song", V2::ReadError},
        {"size reaching exactly the end", v2("\0\0\x02\x2C") + audio(300), "(none)", V2::ReadError},
        {"size one short of the end", v2("\0\0\x02\x2B") + audio(299) + "\xFF", "(none)", V2::Cut, 309},
        {"footer inside", v2("\0\0\0\0", 16) + "3DI" + QByteArray(7, '\0') + audio(300), "(none)", V2::Cut, 20},
        // What is not a visible regular file is not found.
        {".hidden.mp3", both, "(error)", V2::Nothing, 0, Read::NotFound, Place::Hidden},
        {"missing", both, "(error)", V2::Nothing, 0, Read::NotFound, Place::Missing},
        {"a named pipe", both, "(error)", V2::Nothing, 0, Read::NotFound, Place::Pipe},
        {"read-only, even for root", both, "Band - Song", V2::Nothing, 0, Read::Yes, Place::ReadOnly},
    };
    enum class Operation { Write, RemoveV1, RemoveV2 };
    for (const Case& c : cases) {
        for (const Operation operation : {Operation::Write, Operation::RemoveV1, Operation::RemoveV2}) {
            SCOPED_TRACE(testing::Message() << c.name << ", operation " << int(operation));
            const HangGuard guard(c.name);
            TestFiles files;
            RecordingMessages messages;
            const QString path = files.path(c.place == Place::Hidden ? u".hidden.mp3"_s : u"song.mp3"_s);
            if (c.place == Place::Pipe)
                ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
            else if (c.place != Place::Missing)
                files.write(QFileInfo(path).fileName(), c.bytes);
            const QByteArray before = regularBytes(path);
            if (!before.isNull())
                setMode(path, c.place == Place::ReadOnly ? 0444 : 0604);
            const QStringList entries = files.entries();

            MP3Tag tag = readTag(path);
            EXPECT_EQ(TagColumns::quickTag(tag), QString::fromUtf8(c.quickTag));
            EXPECT_EQ(TagColumns::hasId2(tag),
                c.read != Read::Yes            ? u"(error)"_s
                    : before.startsWith("ID3") ? u"Yes"_s
                                               : u"No"_s);
            EXPECT_EQ(tag.FileError(), c.read != Read::Yes);
            QStringList expected;
            if (c.read == Read::NotFound)
                expected.append(notFound(path));
            if (c.read == Read::ReadError) {
                expected.append(readError(path));
                EXPECT_EQ(tag.HasID2Tag(), before.startsWith("ID3"));
                EXPECT_EQ(messages.shown().front().title, u"Error:"_s);
                EXPECT_EQ(messages.shown().front().icon, Messages::Icon::Exclamation);
                EXPECT_EQ(messages.shown().front().buttons, Messages::Buttons::Ok);
            }
            EXPECT_EQ(messages.texts(), expected);

            const auto apply = [&] {
                if (operation == Operation::Write) {
                    tag.setSongName(u"New"_s);
                    tag.writeTag();
                } else {
                    operation == Operation::RemoveV1 ? tag.setHasID1Tag(false) : tag.setHasID2Tag(false);
                }
            };
            apply();
            QByteArray after = before;
            const bool tagged = before.size() >= 128 && before.right(128).startsWith("TAG");
            if (c.read != Read::Yes) {
            } else if (c.place == Place::ReadOnly) {
                expected.append(readError(path));
            } else if (operation == Operation::Write) {
                // The old tag's other fields are kept; a new tag holds only the title.
                QByteArray newTag = tagged ? before.right(128) : id3v1({});
                newTag.replace(3, 30, QByteArray("New").leftJustified(30, '\0'));
                after = (tagged ? before.chopped(128) : before) + newTag;
                EXPECT_TRUE(tag.HasID1Tag());
            } else if (operation == Operation::RemoveV1) {
                if (tagged)
                    after.chop(128);
                EXPECT_FALSE(tag.HasID1Tag());
            } else if (c.v2 == V2::Cut) {
                after.remove(0, c.cut);
                EXPECT_FALSE(tag.HasID2Tag());
            } else if (c.v2 != V2::Nothing) {
                expected.append(c.v2 == V2::NotRecognized ? notRecognized(path) : readError(path));
                EXPECT_EQ(tag.FileError(), c.v2 == V2::ReadError);
            }
            EXPECT_EQ(messages.texts(), expected);
            EXPECT_TRUE(regularBytes(path) == after) << "the file's bytes are not as expected";
            EXPECT_EQ(files.entries(), entries) << "a file was left behind or went";
            if (!before.isNull()) {
                EXPECT_EQ(TestFiles::modeOf(path), c.place == Place::ReadOnly ? 0444u : 0604u);
            }
            apply();
            EXPECT_TRUE(regularBytes(path) == after) << "doing it again changed the file";
        }
    }
}

// The text fields lose their outer blanks but keep inner ones; track and genre are bytes. A file
// without a tag read after one with a tag keeps the record.
TEST(MP3Tag, ReadsTheRecordTrimmedAndKeepsItWhenAFileHasNoTag)
{
    TestFiles files;
    MP3Tag tag;
    EXPECT_EQ(tag.Track(), QString(QChar(0)));
    tag.init(files.write(u"a.mp3"_s,
        audio(200) + id3v1({QByteArray("a\0b", 3), QByteArray(30, ' '), "Word", " 68\t", "\tc  ", 5, 200})));
    tag.ReadTag();
    tag.init(files.write(u"plain.mp3"_s, audio(300)));
    tag.ReadTag();
    EXPECT_FALSE(tag.HasID1Tag());
    EXPECT_EQ(tag.SongName(), u"a"_s + QChar(0) + u"b"_s);
    EXPECT_EQ(tag.Artist(), QString());
    EXPECT_EQ(tag.Album(), u"Word"_s);
    EXPECT_EQ(tag.Year(), u"68"_s);
    EXPECT_EQ(tag.Comment(), u"c"_s);
    EXPECT_EQ(tag.Track(), QString(QChar(5)));
    EXPECT_EQ(tag.Genre(), QString(QChar(200)));
}

TEST(MP3Tag, BeforeAReadRemovesNothingAndAWriteSetsTheFlagOnlyWhenItAppends)
{
    for (const QByteArray& before : {audio(1000), audio(1000) + kTag}) {
        const bool appends = !before.endsWith(kTag);
        SCOPED_TRACE(appends);
        TestFiles files;
        RecordingMessages messages;
        const QString path = files.write(u"song.mp3"_s, v2("\0\0\0\0") + before);
        MP3Tag tag;
        tag.init(path);
        tag.setHasID1Tag(false);
        tag.setHasID2Tag(false);
        EXPECT_EQ(TestFiles::read(path), v2("\0\0\0\0") + before);
        tag.setSongName(u"Hello"_s);
        tag.writeTag();
        EXPECT_EQ(TestFiles::read(path).right(128), id3v1({"Hello", "", "", "", "", 0, 0}));
        EXPECT_EQ(tag.HasID1Tag(), appends);
        EXPECT_EQ(tag.RawInfo().tag(), u"TAG"_s);
        EXPECT_TRUE(messages.shown().empty());
    }
}

TEST(MP3Tag, LeavesAFileThatChangedOrWentSinceItWasReadAlone)
{
    TestFiles files;
    RecordingMessages messages;
    const QString path = files.write(u"song.mp3"_s, v2("\0\0\0\0") + audio(100) + kTag);
    MP3Tag tag = readTag(path);
    files.write(u"song.mp3"_s, audio(1000));
    tag.setHasID2Tag(false); // no "ID3" any more: silently nothing
    tag.setHasID1Tag(false); // no "TAG" any more: nothing, and the flag stays
    EXPECT_EQ(TestFiles::read(path), audio(1000));
    EXPECT_TRUE(tag.HasID1Tag());
    EXPECT_TRUE(tag.HasID2Tag());
    EXPECT_TRUE(messages.shown().empty());

    // A file deleted since is not made again.
    ASSERT_TRUE(QFile::remove(path));
    tag.writeTag();
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(messages.texts(), QStringList({readError(path)}));
    EXPECT_TRUE(tag.FileError());
}

TEST(MP3Tag, LeavesAFileAnotherRunIsChangingAndSaysSo)
{
    // Another run holds the file locked for longer than the wait; then the name is given to a new
    // file while the ID3v2 removal is about to put its result in place. Neither counts as a failure
    // of the file: a later change goes ahead.
    TestFiles files;
    const QByteArray bytes = v2("\0\0\0\0") + audio(100) + kTag;
    const QString path = files.write(u"song.mp3"_s, bytes);
    {
        RecordingMessages messages;
        const int theirs = ::open(QFile::encodeName(path).constData(), O_RDWR);
        ASSERT_EQ(::flock(theirs, LOCK_EX), 0);
        MP3Tag tag;
        tag.init(path);
        tag.changeTag([&tag] { tag.writeTag(); });
        ::close(theirs);
        EXPECT_EQ(messages.texts(), QStringList({ProgramMessages::busy(path)}));
        EXPECT_FALSE(tag.FileError());
    }
    RecordingMessages messages;
    MP3Tag tag = readTag(path);
    SystemCalls::Faults::start();
    SystemCalls::Faults::runBefore(SystemCalls::Call::Inspect, [&] {
        const QString next = files.write(u"next.mp3"_s, audio(1000));
        ASSERT_EQ(::rename(QFile::encodeName(next).constData(), QFile::encodeName(path).constData()), 0);
    });
    tag.setHasID2Tag(false);
    SystemCalls::Faults::clear();
    EXPECT_EQ(TestFiles::read(path), audio(1000));
    EXPECT_EQ(messages.texts(),
        QStringList(
            {u"Error with "_s + path + u":  The file changed while it was being written and was left as it is."_s}));
    EXPECT_FALSE(tag.FileError());
    EXPECT_EQ(files.entries(), QStringList({u"song.mp3"_s}));
}

TEST(MP3Tag, NamesTheCopyAFailedId3v2RemovalCouldNotRemove)
{
    // A folder that takes new files but lets none be renamed or removed (append-only).
    TestFiles files;
    RecordingMessages messages;
    const QString path = files.write(u"song.mp3"_s, v2("\0\0\0\0") + audio(100) + kTag);
    MP3Tag tag = readTag(path);
    SystemCalls::Faults::start();
    SystemCalls::Faults::runBefore(SystemCalls::Call::Rename, [] {
        const int next = int(SystemCalls::Faults::calls().size()) + 1;
        SystemCalls::Faults::failAt(next, EPERM);
        SystemCalls::Faults::failAt(next + 1, EPERM);
    });
    tag.setHasID2Tag(false);
    SystemCalls::Faults::clear();
    const QStringList left = files.entries().filter(u".sondrel-"_s);
    ASSERT_EQ(left.size(), 1);
    EXPECT_EQ(messages.texts(),
        QStringList({readError(path) + u"\r\n\r\nThe temporary file "_s + files.path(left.front())
            + u" could not be removed and holds a copy of the audio."_s}));
    EXPECT_EQ(TestFiles::read(path), v2("\0\0\0\0") + audio(100) + kTag);
}

// A file that could not be read (missing at first, or one the user may not read) is reported once;
// from then on the object leaves it alone without a word, even once it could be read.
TEST(MP3Tag, ReportsAFailedFileOnceAndLeavesItAloneFromThenOn)
{
    for (const bool missing : {true, false}) {
        SCOPED_TRACE(missing ? "missing at first" : "unreadable");
        if (!missing && ::geteuid() == 0)
            continue; // root may read a file of any mode; CI runs this again as user nobody
        TestFiles files;
        RecordingMessages messages;
        const QString path = files.path(u"song.mp3"_s);
        if (!missing) {
            files.write(u"song.mp3"_s, audio(300) + kTag);
            setMode(path, 0200);
        }
        MP3Tag tag = readTag(path);
        EXPECT_EQ(tag.failure(), missing ? Failure::Kind::Missing : Failure::Kind::Io);
        setMode(files.write(u"song.mp3"_s, audio(300) + kTag), 0644);
        tag.ReadTag();
        tag.setSongName(u"Changed"_s);
        tag.writeTag();
        tag.setHasID1Tag(false);
        EXPECT_EQ(TestFiles::read(path), audio(300) + kTag);
        EXPECT_FALSE(tag.HasID1Tag());
        EXPECT_EQ(messages.texts(), QStringList({missing ? notFound(path) : readError(path)}));
    }
}
