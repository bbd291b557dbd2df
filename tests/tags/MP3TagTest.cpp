#include "tags/MP3Tag.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

#include "base/SystemCalls.h"
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

mode_t modeOf(const QString& path)
{
    struct stat info { };
    ::stat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 07777;
}

QStringList entriesOf(const TestFiles& files)
{
    return QDir(files.folder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

const QByteArray kBeatles = id3v1({"Hey Jude", "Beatles, The", "White Album, The", "1968", "Not a bad song", 23, 78});
// A tag of 257 bytes (size bytes 00 00 02 01), its header included 267 bytes long.
const QByteArray kId3v2 = id3v2Header(3, 0, QByteArray("\x00\x00\x02\x01", 4)) + QByteArray(257, 'f');

} // namespace

TEST(MP3Tag, ReadsWhatEachKindOfFileHolds)
{
    // Files too short for a tag and paths that are not regular files are in the hostile-input suite.
    TestFiles files;

    enum Outcome { Read, NotFound, ReadError };
    struct Case {
        const char* name;
        QByteArray bytes; // null: missing
        Outcome outcome;
        const char* quickTag;
        const char* hasId2;
    } const cases[] = {
        {"tagged.mp3", audio(1000) + kBeatles, Read, "Beatles, The - Hey Jude", "No"},
        {"both.mp3", kId3v2 + audio(500) + kBeatles, Read, "Beatles, The - Hey Jude", "Yes"},
        {"plain.mp3", audio(1000), Read, "(none)", "No"},
        {"only-tag.mp3", kBeatles, Read, "Beatles, The - Hey Jude", "No"},
        {"lower-case.mp3", audio(1000) + "tag" + kBeatles.mid(3), Read, "(none)", "No"},
        {"empty-artist.mp3", audio(10) + id3v1({"Song", "", "", "", "", 0, 0}), Read, " - Song", "No"},
        {".hidden.mp3", audio(1000) + kBeatles, NotFound, "(error)", "(error)"},
        {"missing.mp3", QByteArray(), NotFound, "(error)", "(error)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = c.bytes.isNull() ? files.path(QString::fromUtf8(c.name))
                                              : files.write(QString::fromUtf8(c.name), c.bytes);
        RecordingMessages messages;
        const MP3Tag tag = readTag(path);
        EXPECT_EQ(TagColumns::quickTag(tag), QString::fromUtf8(c.quickTag));
        EXPECT_EQ(TagColumns::hasId2(tag), QString::fromUtf8(c.hasId2));
        EXPECT_EQ(tag.FileError(), c.outcome != Read);
        const QStringList expected = c.outcome == Read ? QStringList()
            : c.outcome == NotFound                    ? QStringList({notFound(path)})
                                                       : QStringList({readError(path)});
        EXPECT_EQ(messages.texts(), expected);
    }
}

TEST(MP3Tag, ReportsAFileTooShortForATagButKeepsItsFirstBytesVerdict)
{
    TestFiles files;
    RecordingMessages messages;
    const QString path = files.write(u"short.mp3"_s, "ID3" + audio(100));
    const MP3Tag tag = readTag(path);
    EXPECT_TRUE(tag.HasID2Tag());
    EXPECT_TRUE(tag.FileError());
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].title, u"Error:"_s);
    EXPECT_EQ(messages.shown()[0].icon, Messages::Icon::Exclamation);
    EXPECT_EQ(messages.shown()[0].buttons, Messages::Buttons::Ok);

    MP3Tag writer;
    writer.init(path);
    writer.writeTag();
    EXPECT_EQ(TestFiles::read(path), "ID3" + audio(100));
    EXPECT_EQ(messages.texts().last(), readError(path));
}

TEST(MP3Tag, TrimsTextFieldsButKeepsInnerCharacters)
{
    TestFiles files;
    const QByteArray title = QByteArray("a\0b", 3);
    const MP3Tag tag = readTag(
        files.write(u"a.mp3"_s, audio(200) + id3v1({title, QByteArray(30, ' '), "Word", " 68\t", "\tc  ", 5, 200})));
    EXPECT_EQ(tag.SongName(), u"a"_s + QChar(0) + u"b"_s);
    EXPECT_EQ(tag.Artist(), QString());
    EXPECT_EQ(tag.Album(), u"Word"_s);
    EXPECT_EQ(tag.Year(), u"68"_s);
    EXPECT_EQ(tag.Comment(), u"c"_s);
    EXPECT_EQ(tag.Track(), QString(QChar(5)));
    EXPECT_EQ(tag.Genre(), QString(QChar(200)));
}

TEST(MP3Tag, KeepsTheRecordWhenTheFileHasNoTag)
{
    TestFiles files;
    MP3Tag tag;
    EXPECT_EQ(tag.Track(), QString(QChar(0)));
    tag.init(files.write(u"tagged.mp3"_s, audio(300) + kBeatles));
    tag.ReadTag();
    tag.init(files.write(u"plain.mp3"_s, audio(300)));
    tag.ReadTag();
    EXPECT_FALSE(tag.HasID1Tag());
    EXPECT_EQ(tag.SongName(), u"Hey Jude"_s);
}

TEST(MP3Tag, WritesTheTagInPlaceOrAppendsIt)
{
    TestFiles files;
    RecordingMessages messages;
    struct Case {
        const char* name;
        QByteArray before;
        QByteArray after;
        bool appends;
    } const cases[] = {
        {"append", audio(1000), audio(1000) + id3v1({"Hello", "", "", "", "", 7, 17}), true},
        {"overwrite", audio(1000) + kBeatles, audio(1000) + id3v1({"Hello", "", "", "", "", 7, 17}), false},
        {"tag only", kBeatles, id3v1({"Hello", "", "", "", "", 7, 17}), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = files.write(QString::fromUtf8(c.name), c.before);
        MP3Tag tag;
        tag.init(path);
        tag.setSongName(u"Hello"_s);
        tag.setTrack(QString(QChar(7)));
        tag.setGenre(QString(QChar(17)));
        tag.writeTag();
        EXPECT_EQ(TestFiles::read(path), c.after);
        // Only appending sets the flag; an overwritten tag was there already and a read says so.
        EXPECT_EQ(tag.HasID1Tag(), c.appends);
        EXPECT_EQ(tag.RawInfo().tag(), u"TAG"_s);
        tag.writeTag(); // writing again changes nothing more
        EXPECT_EQ(TestFiles::read(path), c.after);
    }
    EXPECT_TRUE(messages.shown().empty());
}

TEST(MP3Tag, RemovesTheId3v1TagByCuttingTheFile)
{
    TestFiles files;
    RecordingMessages messages;
    struct Case {
        const char* name;
        QByteArray before;
        QByteArray after;
    } const cases[] = {
        {"tagged", audio(1000) + kBeatles, audio(1000)},
        {"only a tag", kBeatles, QByteArray("")},
        {"id3v2 kept", kId3v2 + audio(10) + kBeatles, kId3v2 + audio(10)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = files.write(QString::fromUtf8(c.name), c.before);
        setMode(path, 0604);
        MP3Tag tag = readTag(path);
        tag.setHasID1Tag(false);
        EXPECT_EQ(TestFiles::read(path), c.after);
        EXPECT_FALSE(tag.HasID1Tag());
        EXPECT_EQ(modeOf(path), mode_t(0604));
        tag.setHasID1Tag(false);
        EXPECT_EQ(TestFiles::read(path), c.after);
    }
    EXPECT_TRUE(messages.shown().empty());
}

TEST(MP3Tag, RemovesTheId3v2TagOnlyWhenAudioFollows)
{
    const QByteArray footerTag = id3v2Header(4, 16, QByteArray("\x00\x00\x02\x01", 4)) + QByteArray(267, 'f');
    struct Case {
        const char* name;
        QByteArray before;
        QByteArray after;
        bool removed;
        bool notRecognized;
        bool readError;
    } const cases[] = {
        {"plain header", kId3v2 + audio(100) + kBeatles, audio(100) + kBeatles, true, false, false},
        {"footer", footerTag + audio(100), audio(100), true, false, false},
        {"padding after the tag", kId3v2 + QByteArray(20, '\0') + audio(100), QByteArray(), false, true, false},
        {"size at the end of the file", kId3v2, QByteArray(), false, false, true},
        {"size past the end", id3v2Header(3, 0, QByteArray("\x00\x7F\x7F\x7F", 4)) + audio(300), QByteArray(), false,
            false, true},
        {"first size byte overflows", id3v2Header(3, 0, QByteArray("\x80\x00\x00\x00", 4)) + audio(300), QByteArray(),
            false, false, true},
        {"third size byte overflows", id3v2Header(3, 0, QByteArray("\x00\x00\x80\x00", 4)) + audio(300), QByteArray(),
            false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestFiles files;
        RecordingMessages messages;
        const QString path = files.write(u"song.mp3"_s, c.before);
        setMode(path, 0640);
        MP3Tag tag = readTag(path);
        ASSERT_TRUE(tag.HasID2Tag());
        tag.setHasID2Tag(false);
        EXPECT_EQ(TestFiles::read(path), c.removed ? c.after : c.before);
        EXPECT_EQ(tag.HasID2Tag(), !c.removed);
        EXPECT_EQ(tag.FileError(), c.readError);
        EXPECT_EQ(modeOf(path), mode_t(0640));
        EXPECT_EQ(entriesOf(files), QStringList({u"song.mp3"_s})); // no temporary file left
        QStringList expected;
        if (c.notRecognized)
            expected.append(notRecognized(path));
        if (c.readError)
            expected.append(readError(path));
        EXPECT_EQ(messages.texts(), expected);
    }
}

TEST(MP3Tag, LeavesAFileThatChangedSinceItWasReadAlone)
{
    TestFiles files;
    RecordingMessages messages;
    const QString path = files.write(u"song.mp3"_s, kId3v2 + audio(100) + kBeatles);
    MP3Tag tag = readTag(path);
    files.write(u"song.mp3"_s, audio(1000));
    tag.setHasID2Tag(false); // no "ID3" any more: silently nothing
    tag.setHasID1Tag(false); // no "TAG" any more: nothing, and the flag stays
    EXPECT_EQ(TestFiles::read(path), audio(1000));
    EXPECT_TRUE(tag.HasID1Tag());
    EXPECT_TRUE(tag.HasID2Tag());
    EXPECT_TRUE(messages.shown().empty());
}

TEST(MP3Tag, LeavesAFileAnotherRunIsChangingAndSaysSo)
{
    // Another run holds the file locked for longer than the wait; then the name is given to a new
    // file while the ID3v2 removal is about to put its result in place. Neither counts as a failure
    // of the file: a later change goes ahead.
    TestFiles files;
    const QByteArray bytes = kId3v2 + audio(100) + kBeatles;
    const QString path = files.write(u"song.mp3"_s, bytes);
    {
        RecordingMessages messages;
        const int theirs = ::open(QFile::encodeName(path).constData(), O_RDWR);
        ASSERT_EQ(::flock(theirs, LOCK_EX), 0);
        MP3Tag tag;
        tag.init(path);
        tag.changeTag([&tag] { tag.writeTag(); });
        ::close(theirs);
        EXPECT_EQ(messages.texts(), QStringList({path + u" is being changed by another Sondrel process"_s}));
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
    EXPECT_EQ(entriesOf(files), QStringList({u"song.mp3"_s}));
}

TEST(MP3Tag, NamesTheCopyAFailedId3v2RemovalCouldNotRemove)
{
    // A folder that takes new files but lets none be renamed or removed (append-only).
    TestFiles files;
    RecordingMessages messages;
    const QString path = files.write(u"song.mp3"_s, kId3v2 + audio(100) + kBeatles);
    MP3Tag tag = readTag(path);
    SystemCalls::Faults::start();
    SystemCalls::Faults::runBefore(SystemCalls::Call::Rename, [] {
        const int next = int(SystemCalls::Faults::calls().size()) + 1;
        SystemCalls::Faults::failAt(next, EPERM);
        SystemCalls::Faults::failAt(next + 1, EPERM);
    });
    tag.setHasID2Tag(false);
    SystemCalls::Faults::clear();
    const QStringList left = entriesOf(files).filter(u".sondrel-"_s);
    ASSERT_EQ(left.size(), 1);
    EXPECT_EQ(messages.texts(),
        QStringList({readError(path) + u"\r\n\r\nThe temporary file "_s + files.path(left.front())
            + u" could not be removed and holds a copy of the audio."_s}));
    EXPECT_EQ(TestFiles::read(path), kId3v2 + audio(100) + kBeatles);
}

TEST(MP3Tag, NeverCreatesOrChangesAFileItMayNotWrite)
{
    struct Case {
        const char* what;
        std::function<void(MP3Tag&)> operation;
    } const cases[] = {
        {"writeTag", [](MP3Tag& tag) { tag.writeTag(); }},
        {"remove ID3v1", [](MP3Tag& tag) { tag.setHasID1Tag(false); }},
        {"remove ID3v2", [](MP3Tag& tag) { tag.setHasID2Tag(false); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestFiles files;
        const QByteArray bytes = kId3v2 + audio(100) + kBeatles;

        RecordingMessages vanishedMessages;
        const QString vanished = files.write(u"vanished.mp3"_s, bytes);
        MP3Tag gone = readTag(vanished);
        ASSERT_TRUE(QFile::remove(vanished));
        c.operation(gone);
        EXPECT_FALSE(QFile::exists(vanished));
        EXPECT_EQ(vanishedMessages.texts(), QStringList({readError(vanished)}));
        EXPECT_TRUE(gone.FileError());

        RecordingMessages readOnlyMessages;
        const QString readOnly = files.write(u"read-only.mp3"_s, bytes);
        setMode(readOnly, 0444);
        MP3Tag locked = readTag(readOnly);
        c.operation(locked);
        EXPECT_EQ(TestFiles::read(readOnly), bytes);
        EXPECT_EQ(modeOf(readOnly), mode_t(0444));
        EXPECT_EQ(readOnlyMessages.texts(), QStringList({readError(readOnly)}));
        EXPECT_EQ(entriesOf(files), QStringList({u"read-only.mp3"_s}));
    }
}

TEST(MP3Tag, DoesNothingBeforeARead)
{
    TestFiles files;
    RecordingMessages messages;
    const QByteArray bytes = kId3v2 + audio(100) + kBeatles;
    const QString path = files.write(u"song.mp3"_s, bytes);
    MP3Tag tag;
    tag.init(path);
    tag.setHasID1Tag(false);
    tag.setHasID2Tag(false);
    EXPECT_EQ(TestFiles::read(path), bytes);
    EXPECT_TRUE(messages.shown().empty());
}

TEST(MP3Tag, SkipsAFailedFileSilentlyFromThenOn)
{
    TestFiles files;
    RecordingMessages messages;
    const QString path = files.path(u"late.mp3"_s);
    MP3Tag tag = readTag(path);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(tag.failure(), Failure::Kind::Missing);

    // The file appears, but the object stays failed: no read, no write, no message.
    files.write(u"late.mp3"_s, audio(300) + kBeatles);
    tag.ReadTag();
    tag.setSongName(u"Changed"_s);
    tag.writeTag();
    tag.setHasID1Tag(false);
    EXPECT_EQ(TestFiles::read(path), audio(300) + kBeatles);
    EXPECT_FALSE(tag.HasID1Tag());
    EXPECT_EQ(messages.shown().size(), 1u);
}

TEST(MP3Tag, ReportsAFileItMayNotReadAsAReadError)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may read a file of mode 000";
    TestFiles files;
    RecordingMessages messages;
    const QString path = files.write(u"locked.mp3"_s, audio(300) + kBeatles);
    setMode(path, 0);
    const MP3Tag tag = readTag(path);
    EXPECT_EQ(tag.failure(), Failure::Kind::Io);
    EXPECT_EQ(messages.texts(), QStringList({readError(path)}));
}
