// Runs sondrel-cli as a process on real files and checks what it prints, its exit status and the
// bytes it leaves in the files.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include "support/TestFiles.h"

using namespace Qt::StringLiterals;
using TestBytes::Id3v1Fields;

namespace {

// Only a guard against a program that hangs (on a named pipe, say); no test measures time.
constexpr int kHangGuardMs = 30000;

struct Result {
    int exitCode = -1;
    QString out, err;
};

Result runCli(const QStringList& arguments, const QByteArray& input = {})
{
    Result run;
    QProcess process;
    process.start(QString::fromUtf8(SONDREL_CLI), arguments);
    if (!process.waitForStarted(kHangGuardMs)) {
        ADD_FAILURE() << "sondrel-cli did not start: " << process.errorString().toStdString();
        return run;
    }
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(kHangGuardMs)) {
        process.kill();
        process.waitForFinished(kHangGuardMs);
        ADD_FAILURE() << "sondrel-cli hangs on: " << arguments.join(u' ').toStdString();
        return run;
    }
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

enum class Message { None, NotFound, ReadError, Unrecognized, AnyError };

QString messageText(Message message, const QString& path)
{
    const QString skipped = u"  This file will be skipped automatically until you close the program."_s;
    switch (message) {
    case Message::None: return {};
    case Message::NotFound: return u"Error:\tError with "_s + path + u":  File not found."_s + skipped + u'\n';
    case Message::ReadError:
        return u"Error:\tError with "_s + path + u":  Read error."_s + skipped
            + u"\n\nSuggestions:\n1) Close any programs that may be accessing this file.\n"
              u"2) Remove any special characters from the filename.\n"_s;
    case Message::Unrecognized:
        return u"Error:\tID3v2 Tag format not recognized for "_s + path + u", skipping to avoid damage.\n"_s;
    case Message::AnyError: return u"Error:\t"_s;
    }
    return {};
}

// The message on stderr and the exit status that goes with it.
void expectMessage(const Result& run, Message message, const QString& path)
{
    const QString expected = messageText(message, path);
    if (message == Message::AnyError) {
        EXPECT_TRUE(run.err.startsWith(expected) && run.err.contains(path)) << run.err.toStdString();
    } else {
        EXPECT_EQ(run.err.toStdString(), expected.toStdString());
    }
    EXPECT_EQ(run.exitCode, message == Message::None ? 0 : 1);
}

enum class Kind { File, Folder, Pipe, DanglingLink, Missing, LinkToFile };

// Makes the named entry; a link to a file points to "target.mp3", which holds the bytes.
QString make(const TestFiles& files, const QString& name, Kind kind, const QByteArray& bytes, int mode = 0644)
{
    const QString path = files.path(name);
    switch (kind) {
    case Kind::File: files.write(name, bytes); break;
    case Kind::Folder: EXPECT_TRUE(QDir().mkdir(path)); break;
    case Kind::Pipe: EXPECT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0644), 0); break;
    case Kind::DanglingLink: EXPECT_TRUE(QFile::link(files.path(u"gone.mp3"_s), path)); break;
    case Kind::Missing: break;
    case Kind::LinkToFile:
        files.write(u"target.mp3"_s, bytes);
        EXPECT_TRUE(QFile::link(files.path(u"target.mp3"_s), path));
        break;
    }
    if (kind == Kind::File || kind == Kind::LinkToFile) {
        EXPECT_EQ(::chmod(QFile::encodeName(path).constData(), mode_t(mode)), 0);
    }
    return path;
}

int modeOf(const QString& path)
{
    struct stat info { };
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

void expectBytes(const QByteArray& actual, const QByteArray& expected)
{
    EXPECT_EQ(actual.size(), expected.size());
    EXPECT_EQ(actual.right(128).toHex(' ').toStdString(), expected.right(128).toHex(' ').toStdString());
    EXPECT_TRUE(actual == expected) << "the file holds other bytes";
}

const QByteArray kSong = TestBytes::audio(300);
const Id3v1Fields kFields{"Song", "Band", "Album", "1999", "Nice", 7, 17};
const QString kFieldsJson
    = uR"("id3v1":true,"id3v2":false,"title":"Song","artist":"Band","album":"Album","year":"1999","comment":"Nice","track":7,"genre":17,"error":null)"_s;

QString emptyJson(bool id3v2, const QString& error)
{
    return u"\"id3v1\":false,\"id3v2\":"_s + (id3v2 ? u"true"_s : u"false"_s)
        + uR"(,"title":"","artist":"","album":"","year":"","comment":"","track":0,"genre":0,"error":)"_s + error;
}

// A file for info; the texts are left empty for a file that fails.
struct InfoCase {
    QString name;
    Kind kind;
    QByteArray bytes;
    Message message = Message::None;
    QString quick = {}, v2 = {}, json = {};
};

TEST(Cli, InfoDescribesEveryKindOfFile)
{
    const QByteArray v2Header = TestBytes::id3v2Header(3, 0, QByteArray("\0\0\0\x0a", 4)) + QByteArray(10, '\0');
    const QByteArray tagged = kSong + TestBytes::id3v1(kFields);
    const QString band = u"Band - Song"_s, none = u"(none)"_s, no = u"No"_s;
    const InfoCase cases[] = {
        {u"tag after audio.mp3"_s, Kind::File, tagged, Message::None, band, no, kFieldsJson},
        {u"blanks.mp3"_s, Kind::File, TestBytes::id3v1({" \tPadded \t", "\t A B ", "  ", " 99 ", "x\ty ", 0, 0}),
            Message::None, u"A B - Padded"_s, no,
            uR"("id3v1":true,"id3v2":false,"title":"Padded","artist":"A B","album":"","year":"99","comment":"x\ty","track":0,"genre":0,"error":null)"_s},
        {u"code page and escapes.mp3"_s, Kind::File,
            kSong
                + TestBytes::id3v1(
                    {"Caf\xE9 \x80", "\x93Q\x94 \\ \"x\"", QByteArray("A\0B", 3), "", "\xFF\x01", 255, 255}),
            Message::None, u"“Q” \\ \"x\" - Café €"_s, no,
            uR"("id3v1":true,"id3v2":false,"title":"Café €","artist":"“Q” \\ \"x\"","album":"A\u0000B","year":"","comment":"ÿ\u0001","track":255,"genre":255,"error":null)"_s},
        {u"both tags.mp3"_s, Kind::File, v2Header + tagged, Message::None, band, u"Yes"_s,
            QString(kFieldsJson).replace(u"\"id3v2\":false"_s, u"\"id3v2\":true"_s)},
        {u"ID3v2 only.mp3"_s, Kind::File, v2Header + kSong, Message::None, none, u"Yes"_s, emptyJson(true, u"null"_s)},
        {u"no tag.mp3"_s, Kind::File, kSong, Message::None, none, no, emptyJson(false, u"null"_s)},
        {u"tag only.mp3"_s, Kind::File, TestBytes::id3v1(kFields), Message::None, band, no, kFieldsJson},
        {u"lower-case marker.mp3"_s, Kind::File, kSong + "tag" + TestBytes::id3v1(kFields).mid(3), Message::None, none,
            no, emptyJson(false, u"null"_s)},
        {u"link.mp3"_s, Kind::LinkToFile, tagged, Message::None, band, no, kFieldsJson},
        {u"Ünï \"q\" \\ x.mp3"_s, Kind::File, tagged, Message::None, band, no, kFieldsJson},
        {u"0 bytes.mp3"_s, Kind::File, {}, Message::ReadError},
        {u"2 bytes.mp3"_s, Kind::File, TestBytes::audio(2), Message::ReadError},
        {u"3 bytes.mp3"_s, Kind::File, TestBytes::audio(3), Message::ReadError},
        {u"127 bytes of a tag.mp3"_s, Kind::File, TestBytes::id3v1(kFields).left(127), Message::ReadError},
        {u"folder.mp3"_s, Kind::Folder, {}, Message::NotFound},
        {u"named pipe.mp3"_s, Kind::Pipe, {}, Message::NotFound},
        {u"dangling link.mp3"_s, Kind::DanglingLink, {}, Message::NotFound},
        {u".hidden.mp3"_s, Kind::File, tagged, Message::NotFound},
        {u"missing.mp3"_s, Kind::Missing, {}, Message::NotFound},
    };
    TestFiles files;
    QStringList allPaths;
    QString allLines, allMessages;
    for (const InfoCase& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        const QString path = make(files, c.name, c.kind, c.bytes);
        const bool failed = c.message != Message::None;
        const QString error = c.message == Message::NotFound ? uR"("not found")"_s : uR"("read error")"_s;
        const QString fields = failed ? emptyJson(false, error) : c.json;
        const QString line = path + (failed ? u"\t(error)\t(error)\n"_s : u'\t' + c.quick + u'\t' + c.v2 + u'\n');
        const Result text = runCli({u"info"_s, path});
        EXPECT_EQ(text.out.toStdString(), line.toStdString());
        expectMessage(text, c.message, path);

        const Result json = runCli({u"info"_s, u"--json"_s, path});
        expectMessage(json, c.message, path);
        QJsonParseError parse{};
        const QJsonObject object = QJsonDocument::fromJson(json.out.toUtf8(), &parse).object();
        EXPECT_EQ(parse.error, QJsonParseError::NoError) << json.out.toStdString();
        EXPECT_EQ(object.value(u"path"_s).toString().toStdString(), path.toStdString());
        // Keys in their order: the path first, then the fields.
        EXPECT_TRUE(json.out.startsWith(u"{\"path\":\""_s)) << json.out.toStdString();
        EXPECT_EQ(
            json.out.mid(json.out.indexOf(u",\"id3v1\":"_s) + 1).toStdString(), (fields + u"}\n"_s).toStdString());

        allPaths += path;
        allLines += line;
        allMessages += messageText(c.message, path);
    }
    // All at once: one line a file in order, every message, and a failure does not stop the rest.
    const Result all = runCli(QStringList{u"info"_s} + allPaths);
    EXPECT_EQ(all.out.toStdString(), allLines.toStdString());
    EXPECT_EQ(all.err.toStdString(), allMessages.toStdString());
    EXPECT_EQ(all.exitCode, 1);
}

// One run of write or remove on one file; "after" is what the file must hold afterwards.
struct FileCase {
    const char* label;
    QStringList options;
    QByteArray before;
    QByteArray after;
    Message message = Message::None;
    Kind kind = Kind::File;
    QString name = u"song.mp3"_s;
    int mode = 0644;
    bool viaStdin = false;
};

void runOnFile(const QString& command, const FileCase& c)
{
    SCOPED_TRACE(c.label);
    TestFiles files;
    const QString path = make(files, c.name, c.kind, c.before, c.mode);
    const QString real = c.kind == Kind::LinkToFile ? files.path(u"target.mp3"_s) : path;
    QStringList arguments = QStringList{command} + c.options;
    QByteArray input;
    if (c.viaStdin) {
        arguments << u"--files-from"_s << u"-"_s;
        input = (path + u"\r\n"_s).toUtf8();
    } else {
        arguments << path;
    }
    const Result run = runCli(arguments, input);
    EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    expectMessage(run, c.message, path);
    if (c.kind == Kind::Missing) {
        EXPECT_FALSE(QFileInfo::exists(path));
        return;
    }
    expectBytes(TestFiles::read(real), c.after);
    EXPECT_EQ(modeOf(real), c.mode);
    EXPECT_EQ(QFileInfo(path).isSymLink(), c.kind == Kind::LinkToFile);
    // Nothing is left beside the file, such as a half-made copy.
    const QStringList entries
        = QDir(files.path(u"."_s)).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    EXPECT_EQ(entries.size(), c.kind == Kind::LinkToFile ? 2 : 1) << entries.join(u' ').toStdString();
}

TEST(Cli, WriteSetsTheGivenFieldsOnly)
{
    const Id3v1Fields old{
        "Old title", "\x80\x81\x8D\x8F\x90\x9D\xE9\xFF", "Old album", "1980", "Old comment", 255, 200};
    const QByteArray tagged = kSong + TestBytes::id3v1(old);
    const auto changed = [&](auto change) {
        Id3v1Fields fields = old;
        change(fields);
        return kSong + TestBytes::id3v1(fields);
    };
    const QByteArray v2 = TestBytes::id3v2Header(3, 0, QByteArray("\0\0\0\x02", 4)) + "ab" + kSong;
    const QString long36 = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"_s;
    const QByteArray bytes36 = long36.toLatin1();
    const FileCase cases[] = {
        {"every field appended to a file without a tag",
            {u"--title"_s, u"Title"_s, u"--artist"_s, u"Artist"_s, u"--album"_s, u"Album"_s, u"--year"_s, u"2001"_s,
                u"--comment"_s, u"Comment"_s, u"--track"_s, u"5"_s, u"--genre"_s, u"17"_s},
            kSong, kSong + TestBytes::id3v1({"Title", "Artist", "Album", "2001", "Comment", 5, 17})},
        {"one field over a tag; the other bytes stay", {u"--title"_s, u"New"_s}, tagged,
            changed([](auto& f) { f.title = "New"; })},
        {"an empty value clears the field", {u"--comment"_s, u""_s}, tagged, changed([](auto& f) { f.comment = ""; })},
        {"a 29-character comment keeps the track", {u"--comment"_s, long36.left(29)}, tagged,
            changed([&](auto& f) { f.comment = bytes36.left(29); })},
        {"long values are cut",
            {u"--title"_s, long36, u"--artist"_s, long36.left(31), u"--year"_s, u"20245"_s, u"--comment"_s, long36},
            kSong, kSong + TestBytes::id3v1({bytes36.left(30), bytes36.left(30), "", "2024", bytes36.left(29), 0, 0})},
        {"windows-1252 characters, ? for the rest", {u"--title"_s, u"Café € “x”"_s, u"--artist"_s, u"日本 Ω"_s}, tagged,
            changed([](auto& f) {
                f.title = "Caf\xE9 \x80 \x93x\x94";
                f.artist = "?? ?";
            })},
        {"a character outside the 16-bit range is one ?", {u"--album"_s, u"a😀b"_s}, tagged,
            changed([](auto& f) { f.album = "a?b"; })},
        {"track and genre 0", {u"--track"_s, u"0"_s, u"--genre"_s, u"0"_s}, tagged,
            changed([](auto& f) { f.track = f.genre = 0; })},
        {"track and genre 255", {u"--track"_s, u"255"_s, u"--genre"_s, u"255"_s}, kSong,
            kSong + TestBytes::id3v1({"", "", "", "", "", 255, 255})},
        {"genre name in any case", {u"--genre"_s, u"rOCK & rOLL"_s}, tagged, changed([](auto& f) { f.genre = 78; })},
        {"unknown genre name", {u"--genre"_s, u"Polka Dot Disco"_s}, tagged, changed([](auto& f) { f.genre = 12; })},
        {"a file with an ID3v2 tag gets the tag at the end", {u"--year"_s, u"1970"_s}, v2,
            v2 + TestBytes::id3v1({"", "", "", "1970", "", 0, 0})},
        {"a tag and nothing else is overwritten", {u"--title"_s, u"New"_s}, TestBytes::id3v1(old),
            TestBytes::id3v1({"New", old.artist, old.album, old.year, old.comment, 255, 200})},
        {"the file of a link", {u"--title"_s, u"New"_s}, tagged, changed([](auto& f) { f.title = "New"; }),
            Message::None, Kind::LinkToFile, u"link.mp3"_s},
        {"files from stdin", {u"--title"_s, u"New"_s}, tagged, changed([](auto& f) { f.title = "New"; }), Message::None,
            Kind::File, u"song.mp3"_s, 0644, true},
        {"read-only file", {u"--title"_s, u"New"_s}, tagged, tagged, Message::ReadError, Kind::File, u"song.mp3"_s,
            0444},
        {"127 bytes", {u"--title"_s, u"New"_s}, kSong.left(127), kSong.left(127), Message::ReadError},
        {"hidden file", {u"--title"_s, u"New"_s}, tagged, tagged, Message::NotFound, Kind::File, u".song.mp3"_s},
        {"missing file is not made", {u"--title"_s, u"New"_s}, {}, {}, Message::NotFound, Kind::Missing},
    };
    for (const FileCase& c : cases)
        runOnFile(u"write"_s, c);
}

TEST(Cli, RemoveCutsTagsAndNothingElse)
{
    const QByteArray tag = TestBytes::id3v1(kFields);
    // An ID3v2 tag of the given raw size bytes and flags, filled out to its length.
    const auto v2 = [](const char* size, unsigned char flags, qsizetype fill) {
        return TestBytes::id3v2Header(4, flags, QByteArray(size, 4)) + QByteArray(fill, 'x');
    };
    const QByteArray small = v2("\0\0\0\x14", 0, 20);
    const QStringList id3v1{u"--id3v1"_s}, id3v2{u"--id3v2"_s}, both{u"--id3v2"_s, u"--id3v1"_s};
    const FileCase cases[] = {
        {"ID3v1", id3v1, kSong + tag, kSong},
        {"ID3v1 that is the whole file", id3v1, tag, {}},
        {"no ID3v1", id3v1, kSong, kSong},
        {"ID3v2", id3v2, small + kSong, kSong},
        {"ID3v2 with a footer", id3v2, v2("\0\0\0\x14", 16, 30) + kSong, kSong},
        {"ID3v2 size in seven-bit bytes", id3v2, v2("\0\0\x01\x02", 0, 130) + kSong, kSong},
        {"ID3v2 size in all four bytes", id3v2, v2("\0\x01\x01\x01", 0, 16513) + kSong, kSong},
        {"ID3v2 keeps the ID3v1", id3v2, small + kSong + tag, kSong + tag},
        {"both tags", both, small + kSong + tag, kSong},
        {"no ID3v2", id3v2, kSong + tag, kSong + tag},
        {"ID3v2 not followed by audio", id3v2, small + QByteArray(300, '\x01'), small + QByteArray(300, '\x01'),
            Message::Unrecognized},
        {"ID3v2 longer than the file", id3v2, v2("\0\0\x7f\x7f", 0, 0) + kSong, v2("\0\0\x7f\x7f", 0, 0) + kSong,
            Message::AnyError},
        {"ID3v2 keeps the file's mode", id3v2, small + kSong, kSong, Message::None, Kind::File, u"song.mp3"_s, 0640},
        {"ID3v2 through a link", id3v2, small + kSong, kSong, Message::None, Kind::LinkToFile, u"link.mp3"_s},
        {"files from stdin", both, small + kSong + tag, kSong, Message::None, Kind::File, u"song.mp3"_s, 0644, true},
        {"read-only, ID3v1", id3v1, kSong + tag, kSong + tag, Message::ReadError, Kind::File, u"song.mp3"_s, 0444},
        {"read-only, ID3v2", id3v2, small + kSong, small + kSong, Message::ReadError, Kind::File, u"song.mp3"_s, 0444},
        {"127 bytes", id3v1, tag.left(127), tag.left(127), Message::ReadError},
        {"hidden file", id3v1, kSong + tag, kSong + tag, Message::NotFound, Kind::File, u".song.mp3"_s},
    };
    for (const FileCase& c : cases)
        runOnFile(u"remove"_s, c);
}

TEST(Cli, HelpAndUsageErrorsTouchNoFile)
{
    TestFiles files;
    const QByteArray before = kSong + TestBytes::id3v1(kFields);
    const QString path = files.write(u"song.mp3"_s, before);
    const QString w = u"write"_s, usage = u"usage: sondrel-cli "_s, help = u"Usage: sondrel-cli "_s;
    // Help goes to stdout with status 0; a usage error to stderr with status 2.
    const std::pair<QStringList, QString> cases[] = {
        {{u"--help"_s}, help + u"COMMAND"_s},
        {{u"info"_s, u"--help"_s, path}, help + u"info "_s},
        {{w, u"--title"_s, u"X"_s, u"--help"_s, path}, help + u"write "_s},
        {{u"remove"_s, u"--id3v1"_s, u"--help"_s, path}, help + u"remove "_s},
        {{u"genres"_s, u"--help"_s}, help + u"genres"_s},
        {{}, usage},
        {{u"frobnicate"_s, path}, usage},
        {{u"info"_s}, usage},
        {{u"info"_s, u"--bogus"_s, path}, usage},
        {{u"genres"_s, u"extra"_s}, usage},
        {{u"remove"_s, path}, usage},
        {{w, u"--title"_s}, usage},
        {{w, u"--track"_s, u"256"_s, path}, usage},
        {{w, u"--track"_s, u"-1"_s, path}, usage},
        {{w, u"--track"_s, u"seven"_s, path}, usage},
        {{w, u"--title"_s, u"X"_s, u"--genre"_s, u"256"_s, path}, usage},
    };
    for (const auto& [arguments, start] : cases) {
        SCOPED_TRACE(arguments.join(u' ').toStdString());
        const Result run = runCli(arguments);
        const bool isHelp = start.startsWith(help);
        EXPECT_EQ(run.exitCode, isHelp ? 0 : 2);
        // With no arguments at all the overview serves as the usage text, hence any case.
        EXPECT_TRUE((isHelp ? run.out : run.err).startsWith(start, Qt::CaseInsensitive))
            << run.out.toStdString() << run.err.toStdString();
        EXPECT_TRUE((isHelp ? run.err : run.out).isEmpty()) << run.out.toStdString() << run.err.toStdString();
        EXPECT_TRUE(TestFiles::read(path) == before);
    }
}

TEST(Cli, GenresListsTheShippedNames)
{
    const Result run = runCli({u"genres"_s});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    EXPECT_FALSE(run.out.contains(u'\r'));
    const QStringList lines = run.out.split(u'\n');
    ASSERT_EQ(lines.size(), 193);
    const std::pair<int, QString> known[]
        = {{0, u"Blues"_s}, {12, u"Other"_s}, {17, u"Rock"_s}, {78, u"Rock & Roll"_s}};
    for (const auto& [number, name] : known)
        EXPECT_EQ(lines.at(number).toStdString(), (QString::number(number) + u'\t' + name).toStdString());
}

TEST(Cli, InfoTakesFilesFromAList)
{
    TestFiles files;
    const QString a = files.write(u"a.mp3"_s, kSong + TestBytes::id3v1({"a", "A", "", "", "", 0, 0}));
    const QString b = files.write(u"b b.mp3"_s, kSong);
    const QString c = files.write(u"c.mp3"_s, kSong + TestBytes::id3v1(kFields));
    const QString missing = files.path(u"missing.mp3"_s);
    const QString list = files.write(u"list.txt"_s, (b + u'\n' + a + u'\n').toUtf8());
    const QString lineA = a + u"\tA - a\tNo\n"_s, lineB = b + u"\t(none)\tNo\n"_s, lineC = c + u"\tBand - Song\tNo\n"_s;
    struct Case {
        const char* label;
        QStringList arguments;
        QString input, out, errStart;
    };
    const Case cases[] = {
        {"stdin with CR LF, empty lines and no last line feed, after the arguments",
            {u"info"_s, c, u"--files-from"_s, u"-"_s}, u"\r\n"_s + a + u"\r\n\r\n\n"_s + b, lineC + lineA + lineB, {}},
        {"a list file", {u"info"_s, u"--files-from"_s, list}, {}, lineB + lineA, {}},
        {"an empty list", {u"info"_s, u"--files-from"_s, u"-"_s}, {}, {}, {}},
        {"a list naming a missing file", {u"info"_s, u"--files-from"_s, u"-"_s}, missing + u'\n' + a,
            missing + u"\t(error)\t(error)\n"_s + lineA, messageText(Message::NotFound, missing)},
        {"a list that does not exist", {u"info"_s, u"--files-from"_s, files.path(u"nolist.txt"_s)}, {}, {},
            u"Error:\t"_s},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.label);
        const Result run = runCli(row.arguments, row.input.toUtf8());
        EXPECT_EQ(run.out.toStdString(), row.out.toStdString());
        EXPECT_TRUE(run.err.startsWith(row.errStart)) << run.err.toStdString();
        EXPECT_EQ(run.err.isEmpty(), row.errStart.isEmpty()) << run.err.toStdString();
        EXPECT_EQ(run.exitCode, row.errStart.isEmpty() ? 0 : 1);
    }
}

} // namespace

TEST(Cli, ReachesFileNamesThatAreNotUtf8)
{
    TestFiles files;
    const QByteArray name = QFile::encodeName(files.folder()) + "/caf\xE9.mp3";
    {
        QFile file;
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_TRUE(file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle));
        file.write(TestBytes::audio(300));
    }
    const auto run = [&](const QStringList& arguments) {
        QProcess process;
        process.start(QString::fromUtf8(SONDREL_CLI), arguments);
        process.write(name + '\n');
        process.closeWriteChannel();
        EXPECT_TRUE(process.waitForFinished(kHangGuardMs));
        EXPECT_EQ(process.readAllStandardError(), QByteArray());
        EXPECT_EQ(process.exitCode(), 0);
        return process.readAllStandardOutput();
    };
    run({u"write"_s, u"--title"_s, u"Song"_s, u"--files-from"_s, u"-"_s});
    EXPECT_EQ(run({u"info"_s, u"--files-from"_s, u"-"_s}), name + "\t - Song\tNo\n");
    EXPECT_TRUE(run({u"info"_s, u"--json"_s, u"--files-from"_s, u"-"_s}).contains("/caf\\udce9.mp3\""));
}
