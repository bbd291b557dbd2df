// The tag file object against every kind of bad file: too short, odd ID3v2 headers, things that are
// not regular files, names the system refuses, files the user may not read or write. Each case is
// read, written and stripped of either tag; the messages are the program's own, and a file that
// should not change keeps its bytes.

#include <gtest/gtest.h>

#include <functional>

#include <QFile>

#include "Hostile.h"
#include "support/RecordingMessages.h"
#include "support/TestFiles.h"
#include "tags/Id3v2.h"
#include "tags/MP3Tag.h"
#include "tags/TagColumns.h"

using namespace Qt::StringLiterals;
using namespace Hostile;
using TestBytes::audio;
using TestBytes::id3v1;
using TestBytes::id3v2Header;

namespace {

const QByteArray kTag = id3v1({"Song", "Band", "Album", "1999", "Fine", 3, 17});

QByteArray v2(const char (&size)[5], unsigned char flags = 0)
{
    return id3v2Header(3, flags, QByteArray(size, 4));
}

enum class ReadOutcome { Read, NotFound, ReadError };

// What removing the ID3v2 tag of a file that was read does.
struct V2Removal {
    enum Kind { Nothing, Cut, NotRecognized, ReadError } kind = Nothing;
    qint64 at = 0; // Cut: the tag's whole length
};

struct TagCase {
    const char* name;
    // Makes the thing to read in the folder and returns its path.
    std::function<QString(const TestFiles&)> make;
    ReadOutcome read;
    const char* quickTag;
    const char* hasId2;
    V2Removal v2 = {};
};

std::function<QString(const TestFiles&)> bytes(const QByteArray& content)
{
    return [content](const TestFiles& files) { return files.write(u"song.mp3"_s, content); };
}

std::function<QString(const TestFiles&)> made(std::function<bool(const QString&)> make)
{
    return [make](const TestFiles& files) {
        const QString path = files.path(u"song.mp3"_s);
        EXPECT_TRUE(make(path));
        return path;
    };
}

std::function<QString(const TestFiles&)> fixed(const QString& path)
{
    return [path](const TestFiles&) { return path; };
}

MP3Tag readTag(const QString& path)
{
    MP3Tag tag;
    tag.init(path);
    tag.ReadTag();
    return tag;
}

QStringList expectedReadMessages(ReadOutcome outcome, const QString& path)
{
    switch (outcome) {
    case ReadOutcome::Read: return {};
    case ReadOutcome::NotFound: return {notFound(path)};
    case ReadOutcome::ReadError: return {readError(path)};
    }
    return {};
}

// The file after writing the title "New": the old tag's other fields kept, or a new tag appended
// whose other fields are those the reader left in the record (none: all empty).
QByteArray afterWrite(const QByteArray& before, bool tagged)
{
    QByteArray tag = tagged ? before.right(128) : id3v1({});
    tag.replace(3, 30, QByteArray("New").leftJustified(30, '\0'));
    return (tagged ? before.chopped(128) : before) + tag;
}

const std::vector<TagCase>& tagCases()
{
    static const std::vector<TagCase> cases = {
        // Files of every length around the tag's 128 bytes, with and without the markers.
        {"0 bytes", bytes(""), ReadOutcome::ReadError, "(error)", "(error)"},
        {"1 byte", bytes("I"), ReadOutcome::ReadError, "(error)", "(error)"},
        {"1 byte 0xFF", bytes("\xFF"), ReadOutcome::ReadError, "(error)", "(error)"},
        {"2 bytes ID", bytes("ID"), ReadOutcome::ReadError, "(error)", "(error)"},
        {"3 bytes ID3", bytes("ID3"), ReadOutcome::ReadError, "(error)", "(error)"},
        {"3 bytes TAG", bytes("TAG"), ReadOutcome::ReadError, "(error)", "(error)"},
        {"127 bytes from ID3", bytes(v2("\0\0\0\0") + audio(117)), ReadOutcome::ReadError, "(error)", "(error)"},
        {"127 bytes from TAG", bytes(kTag.left(127)), ReadOutcome::ReadError, "(error)", "(error)"},
        {"127 bytes ending in a tag's tail", bytes(kTag.mid(1)), ReadOutcome::ReadError, "(error)", "(error)"},
        {"128 bytes: only a tag", bytes(kTag), ReadOutcome::Read, "Band - Song", "No"},
        {"128 bytes: nothing", bytes(QByteArray(128, '\0')), ReadOutcome::Read, "(none)", "No"},
        {"128 bytes: ID3v2 tag and audio", bytes(v2("\0\0\0\0") + audio(118)), ReadOutcome::Read, "(none)", "Yes",
            {V2Removal::Cut, 10}},
        {"128 bytes: lower-case tag", bytes("tag" + kTag.mid(3)), ReadOutcome::Read, "(none)", "No"},
        {"129 bytes: a byte and a tag", bytes("\xFF" + kTag), ReadOutcome::Read, "Band - Song", "No"},
        {"129 bytes: ID3 without audio", bytes(v2("\0\0\0\0") + QByteArray(119, 'x')), ReadOutcome::Read, "(none)",
            "Yes", {V2Removal::NotRecognized}},
        {"131 bytes: ID3 whose header is the tag", bytes("ID3" + kTag), ReadOutcome::Read, "Band - Song", "Yes",
            {V2Removal::ReadError}},
        {"138 bytes: an empty ID3v2 tag and a tag", bytes(v2("\0\0\0\0") + kTag), ReadOutcome::Read, "Band - Song",
            "Yes", {V2Removal::NotRecognized}},
        // ID3v2 sizes that cannot be taken, or that point past the file.
        {"size with the first byte's high bit", bytes(v2("\x80\0\0\0") + audio(300) + kTag), ReadOutcome::Read,
            "Band - Song", "Yes", {V2Removal::ReadError}},
        {"size with the third byte's high bit", bytes(v2("\0\0\x80\0") + audio(300) + kTag), ReadOutcome::Read,
            "Band - Song", "Yes", {V2Removal::ReadError}},
        {"size of four 0xFF bytes", bytes(v2("\xFF\xFF\xFF\xFF") + audio(300)), ReadOutcome::Read, "(none)", "Yes",
            {V2Removal::ReadError}},
        {"size whose second and fourth high bits are dropped", bytes(v2("\0\x80\0\x80") + audio(300)),
            ReadOutcome::Read, "(none)", "Yes", {V2Removal::Cut, 10}},
        {"largest size", bytes(v2("\x7F\x7F\x7F\x7F") + audio(300)), ReadOutcome::Read, "(none)", "Yes",
            {V2Removal::ReadError}},
        {"size reaching exactly the end", bytes(v2("\0\0\x02\x2C") + audio(300)), ReadOutcome::Read, "(none)", "Yes",
            {V2Removal::ReadError}},
        {"size one short of the end", bytes(v2("\0\0\x02\x2B") + audio(299) + "\xFF"), ReadOutcome::Read, "(none)",
            "Yes", {V2Removal::Cut, 309}},
        {"footer beyond the end", bytes(v2("\0\0\x02\x22", 16) + audio(300)), ReadOutcome::Read, "(none)", "Yes",
            {V2Removal::ReadError}},
        {"footer inside", bytes(v2("\0\0\0\0", 16) + "3DI" + QByteArray(7, '\0') + audio(300)), ReadOutcome::Read,
            "(none)", "Yes", {V2Removal::Cut, 20}},
        {"tag followed by text", bytes(v2("\0\0\0\x05") + "hello" + QByteArray(200, 'x')), ReadOutcome::Read, "(none)",
            "Yes", {V2Removal::NotRecognized}},
        // Things at the path that are not regular files, and paths the system refuses.
        {"a folder", made(makeFolder), ReadOutcome::NotFound, "(error)", "(error)"},
        {"a named pipe", made(makeFifo), ReadOutcome::NotFound, "(error)", "(error)"},
        {"/dev/null", fixed(u"/dev/null"_s), ReadOutcome::NotFound, "(error)", "(error)"},
        {"/dev/zero", fixed(u"/dev/zero"_s), ReadOutcome::NotFound, "(error)", "(error)"},
        {"a link to /dev/zero", made([](const QString& path) { return makeLink(u"/dev/zero"_s, path); }),
            ReadOutcome::NotFound, "(error)", "(error)"},
        {"a dangling link", made([](const QString& path) { return makeLink(path + u".gone"_s, path); }),
            ReadOutcome::NotFound, "(error)", "(error)"},
        {"a link to itself", made([](const QString& path) { return makeLink(path, path); }), ReadOutcome::NotFound,
            "(error)", "(error)"},
        {"a loop of two links",
            made([](const QString& path) { return makeLink(path + u".b"_s, path) && makeLink(path, path + u".b"_s); }),
            ReadOutcome::NotFound, "(error)", "(error)"},
        {"below a file", [](const TestFiles& files) { return files.write(u"file.mp3"_s, kTag) + u"/song.mp3"_s; },
            ReadOutcome::NotFound, "(error)", "(error)"},
        {"a name longer than the system allows",
            [](const TestFiles& files) { return files.path(QString(300, u'n') + u".mp3"_s); }, ReadOutcome::NotFound,
            "(error)", "(error)"},
        {"a path of 100,000 characters",
            [](const TestFiles& files) { return files.folder() + QString(50000, u'/') + QString(50000, u'p'); },
            ReadOutcome::NotFound, "(error)", "(error)"},
        {"an empty path", fixed(QString()), ReadOutcome::NotFound, "(error)", "(error)"},
        {"a link to a tagged file",
            [](const TestFiles& files) {
                const QString path = files.path(u"song.mp3"_s);
                EXPECT_TRUE(makeLink(files.write(u"target.mp3"_s, v2("\0\0\0\0") + audio(300) + kTag), path));
                return path;
            },
            ReadOutcome::Read, "Band - Song", "Yes", {V2Removal::Cut, 10}},
    };
    return cases;
}

enum class Operation { Write, RemoveV1, RemoveV2 };

const char* nameOf(Operation operation)
{
    switch (operation) {
    case Operation::Write: return "write";
    case Operation::RemoveV1: return "remove ID3v1";
    case Operation::RemoveV2: return "remove ID3v2";
    }
    return "";
}

void apply(MP3Tag& tag, Operation operation)
{
    switch (operation) {
    case Operation::Write:
        tag.setSongName(u"New"_s);
        tag.writeTag();
        break;
    case Operation::RemoveV1: tag.setHasID1Tag(false); break;
    case Operation::RemoveV2: tag.setHasID2Tag(false); break;
    }
}

} // namespace

TEST(HostileTagFiles, ReadWriteAndRemoveGiveTheMessageOrResultOfEachFile)
{
    for (const TagCase& c : tagCases()) {
        for (const Operation operation : {Operation::Write, Operation::RemoveV1, Operation::RemoveV2}) {
            SCOPED_TRACE(std::string(c.name) + ", " + nameOf(operation));
            const HangGuard guard(c.name);
            TestFiles files;
            RecordingMessages messages;
            const QString path = c.make(files);
            const QStringList before = entriesOf(files.folder());
            const Snapshot original = Snapshot::of(path);

            MP3Tag tag = readTag(path);
            EXPECT_EQ(TagColumns::quickTag(tag), QString::fromUtf8(c.quickTag));
            EXPECT_EQ(TagColumns::hasId2(tag), QString::fromUtf8(c.hasId2));
            QStringList expectedMessages = expectedReadMessages(c.read, path);
            EXPECT_EQ(messages.texts(), expectedMessages);

            apply(tag, operation);
            Snapshot expected = original;
            if (c.read == ReadOutcome::Read) {
                const bool tagged = original.bytes.endsWith(kTag);
                if (operation == Operation::Write)
                    expected.bytes = afterWrite(original.bytes, tagged);
                else if (operation == Operation::RemoveV1 && tagged)
                    expected.bytes.chop(128);
                else if (operation == Operation::RemoveV2 && c.v2.kind == V2Removal::Cut)
                    expected.bytes.remove(0, c.v2.at);
                else if (operation == Operation::RemoveV2 && c.v2.kind == V2Removal::NotRecognized)
                    expectedMessages.append(notRecognized(path));
                else if (operation == Operation::RemoveV2 && c.v2.kind == V2Removal::ReadError)
                    expectedMessages.append(readError(path));
            }
            EXPECT_EQ(messages.texts(), expectedMessages);
            EXPECT_TRUE(Snapshot::of(path) == expected) << "the file's bytes are not as expected";
            EXPECT_EQ(entriesOf(files.folder()), before) << "a file was left behind or went";
        }
    }
}

TEST(HostileTagFiles, AFileTheUserMayNotReadOrWriteIsReportedAndKept)
{
    if (runsAsRoot())
        GTEST_SKIP() << "root may read and write files of any mode; CI runs these cases again as user nobody";
    const QByteArray content = v2("\0\0\0\0") + audio(300) + kTag;
    struct Case {
        const char* what;
        unsigned mode;
        ReadOutcome read;
        const char* quickTag;
        const char* hasId2;
    } const cases[] = {
        {"mode 000", 0, ReadOutcome::ReadError, "(error)", "(error)"},
        {"write-only", 0200, ReadOutcome::ReadError, "(error)", "(error)"},
        {"read-only", 0444, ReadOutcome::Read, "Band - Song", "Yes"},
    };
    for (const Case& c : cases) {
        for (const Operation operation : {Operation::Write, Operation::RemoveV1, Operation::RemoveV2}) {
            SCOPED_TRACE(std::string(c.what) + ", " + nameOf(operation));
            TestFiles files;
            RecordingMessages messages;
            const QString path = files.write(u"song.mp3"_s, content);
            ASSERT_TRUE(setMode(path, c.mode));
            MP3Tag tag = readTag(path);
            EXPECT_EQ(TagColumns::quickTag(tag), QString::fromUtf8(c.quickTag));
            EXPECT_EQ(TagColumns::hasId2(tag), QString::fromUtf8(c.hasId2));
            apply(tag, operation);
            // A failed read is reported once; a file that was read but may not be written is
            // reported when the change is tried.
            EXPECT_EQ(messages.texts(), QStringList({readError(path)}));
            ASSERT_TRUE(setMode(path, 0644));
            EXPECT_EQ(TestFiles::read(path), content);
            EXPECT_EQ(entriesOf(files.folder()), QStringList({u"song.mp3"_s}));
        }
    }
}

TEST(HostileTagFiles, AnId3v2HeaderCutShortHasNoLength)
{
    const QByteArray header = v2("\0\0\0\0");
    for (qsizetype size = 0; size < Id3v2::HeaderSize; ++size) {
        SCOPED_TRACE(size);
        EXPECT_EQ(Id3v2::tagLength(header.left(size)), std::nullopt);
    }
    EXPECT_EQ(Id3v2::tagLength(header), 10);
}
