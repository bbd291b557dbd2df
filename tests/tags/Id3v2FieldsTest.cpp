#include "tags/Id3v2Fields.h"

#include <QFileInfo>
#include <QProcess>
#include <QStringEncoder>

#include <gtest/gtest.h>

#include "base/FileOps.h"
#include "support/TestFiles.h"
#include "tags/Id3v2Edit.h"
#include "tags/MP3Tag.h"

using namespace Qt::StringLiterals;

namespace {

QByteArray bigEndian(quint32 value, int width)
{
    QByteArray bytes;
    for (int i = width - 1; i >= 0; --i)
        bytes += char((value >> (8 * i)) & 0xFF);
    return bytes;
}

QByteArray syncsafe(quint32 value)
{
    QByteArray bytes;
    for (int i = 3; i >= 0; --i)
        bytes += char((value >> (7 * i)) & 0x7F);
    return bytes;
}

// A frame of the version: its identifier, size and (after 2.2) two flag bytes, then the payload.
QByteArray frame(int version, const QByteArray& id, const QByteArray& payload)
{
    if (version == 2)
        return id + bigEndian(quint32(payload.size()), 3) + payload;
    return id + (version == 4 ? syncsafe(quint32(payload.size())) : bigEndian(quint32(payload.size()), 4))
        + QByteArray(2, '\0') + payload;
}

QByteArray latin1(const char* text)
{
    return QByteArray(1, '\0') + text;
}

QByteArray tag(int version, unsigned char flags, const QByteArray& body)
{
    return "ID3" + QByteArray(1, char(version)) + QByteArray(1, '\0') + QByteArray(1, char(flags))
        + syncsafe(quint32(body.size())) + body;
}

// The reading as one line: state, version, size and the fields, so that a failure shows them all.
std::string describe(const Id3v2Reading& reading)
{
    if (reading.state != Id3v2Reading::State::Read)
        return reading.state == Id3v2Reading::State::None ? "none" : "unreadable: " + reading.problem.toStdString();
    const Id3v2Fields& f = reading.fields;
    return QStringList(
        {u"2.%1 %2"_s.arg(f.version).arg(f.size), f.title, f.artist, f.album, f.year, f.track, f.genre, f.comment})
        .join(u'|')
        .toStdString();
}

QString genreName(int number)
{
    return number == 17 ? u"Rock"_s : QString();
}

} // namespace

TEST(Id3v2Fields, ReadsTheFieldsOfEachVersionAndRefusesWhatIsNoTag)
{
    const QByteArray fields23 = frame(3, "TIT2", latin1("Song")) + frame(3, "TPE1", latin1("Artist"))
        + frame(3, "TALB", latin1("Album")) + frame(3, "TYER", latin1("1999")) + frame(3, "TRCK", latin1("3/12"))
        + frame(3, "TCON", latin1("(17)")) + frame(3, "COMM", latin1("eng") + "desc" + QByteArray(1, '\0') + "Note");
    const QByteArray utf16 = "\x01\xFF\xFE" + QByteArray(QStringEncoder(QStringEncoder::Utf16LE).encode(u"Été ♪"_s));
    const QByteArray extended = bigEndian(6, 4) + QByteArray(6, '\0'); // size, flags, padding size
    struct Case {
        const char* name;
        QByteArray area;
        std::string read;
    } const cases[] = {
        {"2.3, every field", tag(3, 0, fields23 + QByteArray(100, '\0')),
            "2.3 " + std::to_string(10 + fields23.size() + 100) + "|Song|Artist|Album|1999|3/12|Rock|Note"},
        {"2.4, UTF-8 and a genre number",
            tag(4, 0,
                frame(4, "TIT2", "\x03\xC3\x89t\xC3\xA9") + frame(4, "TDRC", latin1("2001-05"))
                    + frame(4, "TCON", latin1("17"))),
            "2.4 57|Été|||2001-05||Rock|"},
        {"2.3, UTF-16", tag(3, 0, frame(3, "TPE1", utf16)), "2.3 33||Été ♪|||||"},
        {"2.3 with an extended header", tag(3, 0x40, extended + frame(3, "TIT2", latin1("X"))), "2.3 32|X||||||"},
        {"2.3 unsynchronised", tag(3, 0x80, frame(3, "TIT2", latin1("\xFF")).insert(12, '\0')), "2.3 23|ÿ||||||"},
        {"2.2", tag(2, 0, frame(2, "TT2", latin1("Old")) + frame(2, "TP1", latin1("Band"))), "2.2 31|Old|Band|||||"},
        {"genre text and unknown numbers", tag(4, 0, frame(4, "TCON", latin1("200"))), "2.4 24||||||200|"},
        {"no tag", "TAG" + QByteArray(125, 'x'), "none"},
        {"bytes after the frames", tag(3, 0, frame(3, "TIT2", latin1("Song")) + "junk"),
            "unreadable: the tag holds bytes that are not frames"},
        {"a frame past the tag's end", tag(3, 0, frame(3, "TIT2", latin1("Song")).chopped(2)),
            "unreadable: the tag holds bytes that are not frames"},
        {"a tag past the end", tag(3, 0, frame(3, "TIT2", latin1("Song"))).chopped(1),
            "unreadable: the tag runs past the end of the file"},
        {"a header that is none", "ID3\x05" + QByteArray(20, '\0'), "unreadable: the tag's header is not valid"},
        {"an extended header past the tag", tag(3, 0x40, bigEndian(60, 4)),
            "unreadable: the extended header runs past the end of the tag"},
        {"a compressed 2.2 tag", tag(2, 0x40, QByteArray(8, '\0')), "unreadable: the tag is compressed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(describe(Id3v2::parseArea(c.area, genreName)), c.read);
    }
}

TEST(Id3v2Fields, ReadsOnlyWhatTheFileHolds)
{
    const TestFiles files;
    const QByteArray song = tag(4, 0, frame(4, "TIT2", latin1("Song")));
    const std::pair<QByteArray, std::string> cases[] = {
        {song + TestBytes::audio(200), "2.4 25|Song||||||"},
        {song.first(20), "unreadable: the tag runs past the end of the file"}, // declares more than the file
        {TestBytes::audio(200), "none"},
        {"ID3", "unreadable: the tag's header is not valid"},
    };
    for (const auto& [bytes, read] : cases) {
        SCOPED_TRACE(read);
        const Result<FileOps::Handle> file
            = FileOps::openExisting(files.write(u"song.mp3"_s, bytes), FileOps::Access::Read);
        ASSERT_TRUE(file);
        EXPECT_EQ(describe(Id3v2::readFrom(*file)), read);
    }
}

TEST(Id3v2Fields, WritesOnlyTheFieldsThatChangeAndKeepsEveryOtherFrame)
{
    const QByteArray privateFrame = frame(3, "PRIV", "owner" + QByteArray(1, '\0') + "\x01\x02\xFF");
    const QByteArray tag23 = tag(3, 0,
        frame(3, "TIT2", latin1("Song")) + privateFrame
            + frame(3, "COMM", latin1("deu") + "desc" + QByteArray(1, '\0') + "Alt") + QByteArray(50, '\0'));
    const auto with = [](const std::function<void(Id3v2Fields&)>& change) {
        Id3v2Fields fields;
        change(fields);
        return fields;
    };
    const Id3v2Fields song23 = with([](Id3v2Fields& f) {
        f.title = u"Song"_s;
        f.comment = u"Alt"_s;
    });
    struct Case {
        const char* name;
        QByteArray area;
        Id3v2Fields wanted;
        int newTagVersion;
        std::string written; // outcome, versions, and the new tag as read back (but its padding)
        QByteArray holds; // bytes the new tag must hold
    } const cases[] = {
        {"a new 2.4 tag in ISO-8859-1", {}, with([](Id3v2Fields& f) { f.title = u"Café"_s; }), 4,
            "changed 0>4 2.4|Café||||||", "TIT2\0\0\0\x06\0\0\0Caf\xE9"},
        {"a new 2.4 tag in UTF-8", {}, with([](Id3v2Fields& f) { f.artist = u"♪"_s; }), 4, "changed 0>4 2.4||♪|||||",
            "TPE1\0\0\0\x05\0\0\x03\xE2\x99\xAA"},
        {"a new 2.3 tag in UTF-16", {}, with([](Id3v2Fields& f) { f.album = u"♪"_s; }), 3, "changed 0>3 2.3|||♪||||",
            "TALB\0\0\0\x05\0\0\x01\xFF\xFE\x6A\x26"},
        {"a 2.3 year", {}, with([](Id3v2Fields& f) { f.year = u"1999"_s; }), 3, "changed 0>3 2.3||||1999|||", "TYER"},
        {"nothing to write", {}, {}, 4, "unchanged", {}},
        {"the same fields", tag23, song23, 4, "unchanged", {}},
        {"a field of a 2.3 tag", tag23, with([&](Id3v2Fields& f) {
             f = song23;
             f.artist = u"Band"_s;
         }),
            4, "changed 3>3 2.3|Song|Band|||||Alt", privateFrame},
        {"an emptied title", tag23, with([](Id3v2Fields& f) { f.comment = u"Alt"_s; }), 4, "changed 3>3 2.3|||||||Alt",
            privateFrame},
        {"the first comment, in its language", tag23, with([&](Id3v2Fields& f) {
             f = song23;
             f.comment = u"New"_s;
         }),
            4, "changed 3>3 2.3|Song||||||New", "COMM\0\0\0\x0C\0\0\0deudesc\0New"},
        {"a 2.2 tag", tag(2, 0, frame(2, "TT2", latin1("Old"))), with([](Id3v2Fields& f) { f.title = u"New"_s; }), 4,
            "changed 2>3 2.3|New||||||", {}},
        {"an unreadable tag", tag(3, 0, "junk"), with([](Id3v2Fields& f) { f.title = u"New"_s; }), 4,
            "unreadable: the tag holds bytes that are not frames", {}},
        // Tags whose rewrite would not keep what they hold are left as they are.
        {"a text frame twice", tag(3, 0, frame(3, "TALB", latin1("A")) + frame(3, "TALB", latin1("B"))),
            with([](Id3v2Fields& f) { f.title = u"New"_s; }), 4, "unreadable: the tag holds a text frame twice", {}},
        {"an encrypted frame", tag(4, 0, frame(4, "TALB", latin1("A")).replace(9, 1, "\x04")),
            with([](Id3v2Fields& f) { f.title = u"New"_s; }), 4,
            "unreadable: the tag holds an encrypted, compressed or grouped frame", {}},
        {"a 2.3 genre of two texts, which the parser joins", tag(3, 0, frame(3, "TCON", QByteArray("\0A\0B", 4))),
            with([](Id3v2Fields& f) {
                f.title = u"New"_s;
                f.genre = u"A B"_s;
            }),
            4, "unreadable: the tag would not keep its fields as they are", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Id3v2::Edit edit = Id3v2::edited(c.area, c.wanted, c.newTagVersion, genreName);
        std::string written;
        switch (edit.outcome) {
        case Id3v2::Edit::Outcome::Unchanged: written = "unchanged"; break;
        case Id3v2::Edit::Outcome::Unreadable: written = "unreadable: " + edit.problem.toStdString(); break;
        case Id3v2::Edit::Outcome::Changed:
            const std::string read = describe(Id3v2::parseArea(edit.tag, genreName));
            written = "changed " + std::to_string(edit.fromVersion) + ">" + std::to_string(edit.toVersion) + " "
                + read.substr(0, 3) + read.substr(read.find('|'));
        }
        EXPECT_EQ(written, c.written);
        EXPECT_TRUE(edit.tag.contains(c.holds));
    }
}

// An independent implementation (Debian's python3-mutagen, installed by CI) and the program agree
// both ways: each tag it writes (each version and text encoding, unsynchronised, with an extended
// header, with a picture) reads here with the same values, and after the program writes new title
// and artist texts it reads those, the fields not written, and the other frames, unchanged.
TEST(Id3v2Fields, AgreesWithAnotherTaggerBothWays)
{
    const char* const script = R"(import sys, hashlib
from mutagen.id3 import ID3, TIT2, TPE1, TALB, TDRC, TRCK, TCON, COMM, APIC, TXXX
def syncsafe(n): return bytes((n >> s) & 0x7F for s in (21, 14, 7, 0))
def size_of(b): return (b[0] << 21) | (b[1] << 14) | (b[2] << 7) | b[3]
def make(path, version, enc, picture, unsync, extended):
    audio = b"\xff\xfb\x90\x00" + bytes(400)
    open(path, "wb").write(audio)
    title = "Title" if enc == 0 else "T\u00eftle \u266a"
    tag = ID3()
    tag.add(TIT2(encoding=enc, text=title))
    tag.add(TPE1(encoding=enc, text="Artist"))
    tag.add(TALB(encoding=enc, text="Album \u00e9"))
    tag.add(TDRC(encoding=enc, text="2001"))
    tag.add(TRCK(encoding=enc, text="3/12"))
    tag.add(TCON(encoding=enc, text="17"))
    tag.add(COMM(encoding=enc, lang="eng", desc="", text="Note"))
    tag.add(TXXX(encoding=enc, desc="extra", text="kept"))
    if picture:
        tag.add(APIC(encoding=0, mime="image/png", type=3, desc="", data=bytes(range(256)) * 20))
    tag.save(path, v2_version=version, padding=lambda info: 0)
    data = open(path, "rb").read()
    flags, body = data[5], data[10:10 + size_of(data[6:10])]
    if extended:
        body = (b"\x00\x00\x00\x06\x00\x00\x00\x00\x00\x00" if version == 3 else syncsafe(6) + b"\x01\x00") + body
        flags |= 0x40
    if unsync:
        out = bytearray()
        for i, byte in enumerate(body):
            out.append(byte)
            if byte == 0xFF and (i + 1 == len(body) or body[i + 1] == 0 or body[i + 1] >= 0xE0):
                out.append(0)
        body, flags = bytes(out), flags | 0x80
    open(path, "wb").write(data[:5] + bytes([flags]) + syncsafe(len(body)) + body + audio)
def show(path):
    tag = ID3(path)
    texts = [str(tag.get(k, "")) for k in ("TIT2", "TPE1", "TALB", "TDRC", "TRCK")]
    texts += [tag["TCON"].genres[0], str(tag["COMM::eng"]), str(tag["TXXX:extra"])]
    pictures = tag.getall("APIC")
    texts.append(hashlib.sha1(pictures[0].data).hexdigest()[:8] if pictures else "-")
    print("2.%d|" % tag.version[1] + "|".join(texts))
if sys.argv[1] == "make":
    make(sys.argv[2], *(int(a) for a in sys.argv[3:]))
else:
    show(sys.argv[2])
)";
    const auto python = [&](const QStringList& arguments) {
        QProcess process;
        process.start(u"/usr/bin/python3"_s, QStringList{u"-c"_s, QString::fromUtf8(script)} + arguments);
        process.waitForFinished();
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed().toStdString();
    };
    if (QProcess::execute(u"/usr/bin/python3"_s, {u"-c"_s, u"import mutagen"_s}) != 0)
        GTEST_SKIP() << "python3-mutagen is not installed";
    const struct {
        int version;
        int encoding; // 0 Latin-1, 1 UTF-16 with BOM, 2 UTF-16BE, 3 UTF-8
        bool picture, unsynchronised, extended;
    } cases[] = {{3, 0, false, false, false}, {3, 1, true, false, false}, {3, 1, true, true, false},
        {3, 0, false, false, true}, {3, 1, true, true, true}, {4, 3, false, false, false}, {4, 1, false, false, true},
        {4, 2, true, false, false}};
    const TestFiles files;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "2." << c.version << " encoding " << c.encoding << " picture " << c.picture
                                        << " unsynchronised " << c.unsynchronised << " extended " << c.extended);
        const QString path = files.path(u"song.mp3"_s);
        python({u"make"_s, path, QString::number(c.version), QString::number(c.encoding), QString::number(c.picture),
            QString::number(c.unsynchronised), QString::number(c.extended)});
        MP3Tag tag;
        tag.init(path);
        ASSERT_TRUE(tag.ReadTag(MP3Tag::Reading::AllTags));
        const Id3v2Reading& reading = tag.Id3v2Tag();
        ASSERT_EQ(reading.state, Id3v2Reading::State::Read) << reading.problem.toStdString();
        Id3v2Fields f = reading.fields;
        EXPECT_EQ(f.version, c.version);
        EXPECT_EQ(f.size + 404, QFileInfo(path).size());
        const QString title = c.encoding == 0 ? u"Title"_s : u"T\u00EFtle \u266A"_s;
        EXPECT_EQ(QStringList({f.title, f.artist, f.album, f.year, f.track, f.genre, f.comment}),
            QStringList({title, u"Artist"_s, u"Album \u00E9"_s, u"2001"_s, u"3/12"_s, u"Rock"_s, u"Note"_s}));

        f.title = c.encoding == 0 ? u"New"_s : u"N\u00EBw \U0001F3B5"_s;
        f.artist = u"Other"_s;
        ASSERT_TRUE(tag.writeId3v2(f, 4));
        const std::string picture = c.picture ? "d647a462" : "-";
        EXPECT_EQ(python({u"show"_s, path}),
            "2." + std::to_string(c.version) + "|" + f.title.toStdString()
                + "|Other|Album \u00E9|2001|3/12|Rock|Note|kept|" + picture);
        EXPECT_TRUE(TestFiles::read(path).endsWith(QByteArray("\xFF\xFB\x90", 3) + QByteArray(401, '\0')));
    }
}
