// Every way the program changes a user's file, run once for every system call it makes, with that
// call failing in each of the ways a disk or a file system fails, and once more with the process
// ending at that call as a crash would. Whatever happens, the files hold exactly their old or
// their new bytes, no temporary file stays (after a crash: none under a visible name), a failure
// is shown to the user with its reason, and the same operation afterwards succeeds.

#include <algorithm>
#include <cerrno>
#include <functional>
#include <optional>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include "FileTree.h"
#include "base/SystemCalls.h"
#include "format/RetagCommands.h"
#include "playlist/Copying.h"
#include "playlist/PlaylistFiles.h"
#include "playlist/PlaylistModel.h"
#include "playlist/RowCommands.h"
#include "playlist/TagRemoval.h"
#include "support/ProgramMessages.h"
#include "support/RecordingMessages.h"
#include "support/TestFiles.h"
#include "tags/MP3Tag.h"

using namespace Qt::StringLiterals;
using SystemCalls::Call;
namespace Faults = SystemCalls::Faults;

namespace {

const int kErrors[] = {EIO, ENOSPC, EACCES, EXDEV, ENOENT};

// A fault planned on the first call of a kind in every run, to steer the operation onto the path
// the program takes on such a system (a move between volumes, a file system without the
// no-replace rename).
struct Steer {
    Call call;
    int error;
};

struct WritePath {
    const char* name;
    // Makes the files the operation works on, in folder.
    std::function<void(const TestFiles&)> prepare;
    // Runs the operation as the program does, on the files in folder.
    std::function<void(const TestFiles&)> run;
    // The message a failure shows, given the error that caused it.
    std::function<QString(const TestFiles&, int error)> failureMessage;
    std::optional<Steer> steer = std::nullopt;
};

using ProgramMessages::readError;

const QByteArray kOldTag = TestBytes::id3v1({"Old Title", "Old Artist", "Old Album", "1999", "old", 3, 17});
const QByteArray kAudio = TestBytes::audio(3000);

QByteArray id3v2Tagged()
{
    return TestBytes::id3v2Header(3, 0, QByteArray("\0\0\0\x14", 4)) + QByteArray(20, '\0') + kAudio + kOldTag;
}

// The tag of folder/song.mp3, read, changed by change, as the tag editor and the retag commands do.
void changeTag(const TestFiles& files, const std::function<void(MP3Tag&)>& change)
{
    MP3Tag tag;
    tag.init(files.path(u"song.mp3"_s));
    tag.ReadTag();
    change(tag);
}

// The same through one open for the read and the change, as the command-line program does.
void changeInOneOpen(const TestFiles& files, const std::function<void(MP3Tag&)>& change)
{
    MP3Tag tag;
    tag.init(files.path(u"song.mp3"_s));
    tag.changeTag([&] { change(tag); });
}

void writeNewArtist(const TestFiles& files)
{
    changeTag(files, [](MP3Tag& tag) {
        tag.setArtist(u"New Artist"_s);
        tag.writeTag();
    });
}

QString songReadError(const TestFiles& files, int)
{
    return readError(files.path(u"song.mp3"_s));
}

// The window's removal pass over a playlist of folder/song.mp3, its tags read.
void removeTag(const TestFiles& files, TagKind kind)
{
    PlaylistModel model;
    model.appendEntries({{files.path(u"song.mp3"_s), {}, u"???"_s}});
    const std::shared_ptr<MP3Node> entry = model.findItem(0);
    entry->ReadTag();
    removeTags(model, {entry}, kind);
}

// song.mp3 as a symbolic link to a file in a folder of its own: a replacement lands on that file
// and the link stays.
void prepareLinkedSong(const TestFiles& files)
{
    ASSERT_TRUE(QDir(files.folder()).mkdir(u"store"_s));
    files.write(u"store/song.mp3"_s, id3v2Tagged());
    ASSERT_TRUE(QFile::link(files.path(u"store/song.mp3"_s), files.path(u"song.mp3"_s)));
}

// folder/song.mp3 with an ID3v2 tag and an extended attribute that its replacement keeps.
void prepareSongWithAttribute(const TestFiles& files)
{
    const QString song = files.write(u"song.mp3"_s, id3v2Tagged());
    ::setxattr(QFile::encodeName(song).constData(), "user.rating", "5", 1, 0);
}

// A playlist of the folder's files, all of them selected.
void loadRows(PlaylistModel& model, const TestFiles& files, const QStringList& names, const QString& title = {})
{
    std::vector<PlaylistEntry> entries;
    for (const QString& name : names)
        entries.push_back({files.path(name), title, u"???"_s});
    model.appendEntries(entries);
    RowCommands::selectAll(model);
}

void prepareSource(const TestFiles& files)
{
    ASSERT_TRUE(QDir(files.folder()).mkdir(u"player"_s));
    files.write(u"a.mp3"_s, kAudio + kOldTag);
}

// Copies or moves a.mp3 into player/, answering a taken name with answer.
void copyOrMove(const TestFiles& files, bool move, CollisionAnswer answer = CollisionAnswer::Skip)
{
    PlaylistModel model;
    loadRows(model, files, {u"a.mp3"_s});
    CopyHooks hooks;
    hooks.askAll = [answer](const CollisionQuestion&) { return answer; };
    copySelectedFiles(model, files.path(u"player"_s), move, hooks);
}

QString copyFailure(const TestFiles& files, bool move, int error)
{
    return (move ? u"Could not move "_s : u"Could not copy "_s) + files.path(u"a.mp3"_s) + u" to "_s
        + files.path(u"player/a.mp3"_s) + u": "_s + qt_error_string(error) + u".  Skip and continue?"_s;
}

void prepareOlderCopy(const TestFiles& files)
{
    prepareSource(files);
    files.write(u"player/a.mp3"_s, kAudio);
}

void renameByTitle(const TestFiles& files)
{
    PlaylistModel model;
    loadRows(model, files, {u"a.mp3"_s}, u"Hey Jude"_s);
    RetagCommands::fileNameFromTitle(model, {0}, u"<t>"_s, u"<t>"_s, false);
}

QString renameFailure(const TestFiles&, int)
{
    return u"Error renaming a.mp3 to Hey Jude.mp3.  Skip and continue?"_s;
}

void savePlaylistAs(const TestFiles& files, const QString& name)
{
    PlaylistModel model;
    model.appendEntries({{u"/Music/a.mp3"_s, u"A"_s, u"215"_s}, {u"/Music/b.mp3"_s, u"B"_s, u"???"_s}});
    PlaylistFiles::savePlaylist(model, files.path(name));
}

QString saveFailure(const TestFiles& files, const QString& name, int error)
{
    return u"Could not save the playlist to "_s + files.path(name) + u": "_s + qt_error_string(error) + u"."_s;
}

const WritePath kWritePaths[] = {
    {"WriteTagOverOldTag", [](const TestFiles& f) { f.write(u"song.mp3"_s, kAudio + kOldTag); }, writeNewArtist,
        songReadError},
    {"WriteTagAppended", [](const TestFiles& f) { f.write(u"song.mp3"_s, kAudio); }, writeNewArtist, songReadError},
    {"ReadAndWriteTagInOneOpen", [](const TestFiles& f) { f.write(u"song.mp3"_s, kAudio + kOldTag); },
        [](const TestFiles& f) {
            changeInOneOpen(f, [](MP3Tag& tag) {
                tag.setArtist(u"New Artist"_s);
                tag.writeTag();
            });
        },
        songReadError},
    {"RemoveId3v2TagInOneOpen", [](const TestFiles& f) { f.write(u"song.mp3"_s, id3v2Tagged()); },
        [](const TestFiles& f) { changeInOneOpen(f, [](MP3Tag& tag) { tag.setHasID2Tag(false); }); }, songReadError},
    {"RemoveId3v1Tag", [](const TestFiles& f) { f.write(u"song.mp3"_s, kAudio + kOldTag); },
        [](const TestFiles& f) { removeTag(f, TagKind::Id3v1); }, songReadError},
    {"RemoveId3v2Tag", [](const TestFiles& f) { f.write(u"song.mp3"_s, id3v2Tagged()); },
        [](const TestFiles& f) { removeTag(f, TagKind::Id3v2); }, songReadError},
    {"RemoveId3v2TagThroughLink", prepareLinkedSong, [](const TestFiles& f) { removeTag(f, TagKind::Id3v2); },
        songReadError},
    {"RemoveId3v2TagKeepingAttributes", prepareSongWithAttribute,
        [](const TestFiles& f) { removeTag(f, TagKind::Id3v2); }, songReadError},
    {"RenameFromTitle", [](const TestFiles& f) { f.write(u"a.mp3"_s, kAudio); }, renameByTitle, renameFailure},
    {"RenameWithoutNoReplaceRename", [](const TestFiles& f) { f.write(u"a.mp3"_s, kAudio); }, renameByTitle,
        renameFailure, Steer{Call::Rename, EINVAL}},
    {"SavePlaylistOverOld", [](const TestFiles& f) { f.write(u"list.m3u"_s, "#EXTM3U\r\nold.mp3\r\n"); },
        [](const TestFiles& f) { savePlaylistAs(f, u"list.m3u"_s); },
        [](const TestFiles& f, int error) { return saveFailure(f, u"list.m3u"_s, error); }},
    {"SaveNewPlaylist", [](const TestFiles&) {}, [](const TestFiles& f) { savePlaylistAs(f, u"new.pls"_s); },
        [](const TestFiles& f, int error) { return saveFailure(f, u"new.pls"_s, error); }},
    {"Copy", prepareSource, [](const TestFiles& f) { copyOrMove(f, false); },
        [](const TestFiles& f, int error) { return copyFailure(f, false, error); }},
    {"CopyOverOlderCopy", prepareOlderCopy, [](const TestFiles& f) { copyOrMove(f, false, CollisionAnswer::Replace); },
        [](const TestFiles& f, int error) { return copyFailure(f, false, error); }},
    {"Move", prepareSource, [](const TestFiles& f) { copyOrMove(f, true); },
        [](const TestFiles& f, int error) { return copyFailure(f, true, error); }},
    {"MoveAcrossVolumes", prepareSource, [](const TestFiles& f) { copyOrMove(f, true); },
        [](const TestFiles& f, int error) { return copyFailure(f, true, error); }, Steer{Call::Rename, EXDEV}},
};

void PrintTo(const WritePath& path, std::ostream* out)
{
    *out << path.name;
}

// Plans the faults of one run: the steering fault, then the one under test.
void planFaults(const std::optional<int>& steerAt, const std::optional<Steer>& steer)
{
    Faults::start();
    if (steerAt)
        Faults::failAt(*steerAt, steer->error);
}

struct Reference {
    FileTree before;
    FileTree after;
    QList<Call> calls;
    std::optional<int> steerAt; // the number of the call that the steering fault fails
};

// The operation run without a fault under test: what it changes and which calls it makes.
Reference referenceRun(const WritePath& path)
{
    Reference reference;
    const TestFiles files;
    path.prepare(files);
    reference.before = fileTreeOf(files.folder());
    {
        // A first run on other files fills what the process keeps from one operation to the next
        // (the genre list), so that every later run makes the same calls. Calls before the first of
        // the steered kind are the same with or without the steering.
        const TestFiles scratch;
        path.prepare(scratch);
        const RecordingMessages messages;
        Faults::start();
        path.run(scratch);
        const qsizetype at = path.steer ? Faults::calls().indexOf(path.steer->call) : -1;
        Faults::clear();
        if (at >= 0)
            reference.steerAt = int(at) + 1;
    }
    const RecordingMessages messages;
    planFaults(reference.steerAt, path.steer);
    path.run(files);
    reference.calls = Faults::calls();
    Faults::clear();
    reference.after = fileTreeOf(files.folder());
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(u'\n').toStdString();
    return reference;
}

// True when every file of now is as in before or as in after, and now holds all of before or all
// of after.
bool isMixOf(const FileTree& now, const FileTree& before, const FileTree& after)
{
    const auto holds = [&now](const FileTree& whole) {
        return std::ranges::all_of(whole, [&now](const auto& file) {
            const auto found = now.find(file.first);
            return found != now.end() && found->second == file.second;
        });
    };
    const auto isOldOrNew = [&](const auto& file) {
        const auto old = before.find(file.first);
        const auto updated = after.find(file.first);
        return (old != before.end() && old->second == file.second)
            || (updated != after.end() && updated->second == file.second);
    };
    return std::ranges::all_of(now, isOldOrNew) && (holds(before) || holds(after));
}

class WritePathFaults : public testing::TestWithParam<WritePath> { };

TEST_P(WritePathFaults, LeavesOldOrNewBytesAndReportsEveryFailure)
{
    const WritePath& path = GetParam();
    const Reference reference = referenceRun(path);
    ASSERT_NE(reference.before, reference.after) << "the operation changes nothing";
    if (path.steer) {
        ASSERT_TRUE(reference.steerAt.has_value()) << "the steered call is never made";
    }

    int failedRuns = 0;
    for (int number = 1; number <= reference.calls.size(); ++number) {
        if (number == reference.steerAt)
            continue;
        for (const int error : kErrors) {
            SCOPED_TRACE(testing::Message()
                << "call " << number << " (" << SystemCalls::nameOf(reference.calls[number - 1]) << ") fails with "
                << qt_error_string(error).toStdString());
            const TestFiles files;
            path.prepare(files);
            {
                const RecordingMessages messages;
                planFaults(reference.steerAt, path.steer);
                Faults::failAt(number, error);
                path.run(files);
                Faults::clear();
                const FileTree now = fileTreeOf(files.folder());
                if (now == reference.before) {
                    ++failedRuns;
                    ASSERT_FALSE(messages.shown().empty()) << "a failure that nobody is told of";
                    EXPECT_EQ(messages.shown().front().text, path.failureMessage(files, error));
                } else {
                    ASSERT_EQ(now, reference.after) << "neither the old nor the new files";
                    // Done, and said to be done; only a read of the changed file (the row is read
                    // again) may fail after it and say so.
                    const Call call = reference.calls[number - 1];
                    if (call != Call::Open && call != Call::Read) {
                        EXPECT_TRUE(messages.shown().empty()) << messages.texts().join(u'\n').toStdString();
                    }
                }
            }
            // The program goes on: the same operation, without the fault, does its work.
            const RecordingMessages messages;
            planFaults(reference.steerAt, path.steer);
            path.run(files);
            Faults::clear();
            EXPECT_EQ(fileTreeOf(files.folder()), reference.after) << "the operation fails after the fault is gone";
        }
    }
    // Faults that change nothing anyone could see are possible (a folder flush); none at all is not.
    EXPECT_GT(failedRuns, 0);
}

TEST_P(WritePathFaults, CrashAtAnyCallLeavesOldOrNewBytes)
{
    const WritePath& path = GetParam();
    const Reference reference = referenceRun(path);
    for (int number = 1; number <= reference.calls.size(); ++number) {
        SCOPED_TRACE(testing::Message() << "crash at call " << number << " ("
                                        << SystemCalls::nameOf(reference.calls[number - 1]) << ")");
        const TestFiles files;
        path.prepare(files);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const RecordingMessages messages;
            planFaults(reference.steerAt, path.steer);
            Faults::crashAt(number);
            path.run(files);
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), Faults::CrashStatus) << "the run never reached the call";
        // A crash may leave the hidden temporary file it was writing. Every visible file holds its
        // old or its new bytes, and all the old files or all the new ones are there: a move cut
        // short leaves the file in both places, never in neither.
        const FileTree now = withoutTemporaries(fileTreeOf(files.folder()));
        EXPECT_TRUE(isMixOf(now, reference.before, withoutTemporaries(reference.after))) << testing::PrintToString(now);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryWritePath, WritePathFaults, testing::ValuesIn(kWritePaths),
    [](const testing::TestParamInfo<WritePath>& test) { return std::string(test.param.name); });

} // namespace
