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

#include "base/SystemCalls.h"
#include "format/RetagCommands.h"
#include "journal/Journal.h"
#include "journal/JournalHistory.h"
#include "playlist/Copying.h"
#include "playlist/PlaylistFiles.h"
#include "playlist/PlaylistModel.h"
#include "playlist/RowCommands.h"
#include "playlist/TagRemoval.h"
#include "support/FileTree.h"
#include "support/ProgramMessages.h"
#include "support/RecordingMessages.h"
#include "support/TestFiles.h"
#include "tags/MP3Tag.h"

using namespace Qt::StringLiterals;
using SystemCalls::Call;
namespace Faults = SystemCalls::Faults;

namespace {

const int kErrors[] = {EIO, ENOSPC, EACCES, EXDEV, ENOENT};

using Step = std::function<void(const TestFiles&)>;
using Message = std::function<QString(const TestFiles&, int error)>;

struct WritePath {
    const char* name;
    Step prepare; // makes the files the operation works on
    Step run; // runs the operation as the program does
    Message failureMessage = {}; // the message a failure shows; when not given, a read error of song.mp3
    // A fault planned on the first call of a kind in every run, to steer the operation onto the
    // path the program takes on such a system (a move between volumes, a file system without the
    // no-replace rename); none when the error is 0.
    Call steerCall = Call::Open;
    int steerError = 0;
};

const QByteArray kOldTag = TestBytes::id3v1({"Old Title", "Old Artist", "Old Album", "1999", "old", 3, 17});
const QByteArray kAudio = TestBytes::audio(3000);
const QByteArray kId3v2Tagged
    = TestBytes::id3v2Header(3, 0, QByteArray("\0\0\0\x14", 4)) + QByteArray(20, '\0') + kAudio + kOldTag;

Step writing(const QString& name, const QByteArray& bytes)
{
    return [=](const TestFiles& files) { files.write(name, bytes); };
}

// Changes the tag of song.mp3 as the tag editor and the retag commands do: read, then changed; or,
// as the command-line program does, read and changed through one open.
Step changingTag(bool oneOpen, const std::function<void(MP3Tag&)>& change)
{
    return [=](const TestFiles& files) {
        MP3Tag tag;
        tag.init(files.path(u"song.mp3"_s));
        if (oneOpen) {
            tag.changeTag([&] { change(tag); }, MP3Tag::Reading::AllTags);
            return;
        }
        tag.ReadTag();
        change(tag);
    };
}

void writeNewArtist(MP3Tag& tag)
{
    tag.setArtist(u"New Artist"_s);
    tag.writeTag();
}

void writeId3v2Title(MP3Tag& tag)
{
    tag.changeId3v2([](Id3v2Fields& fields) { fields.title = u"New Title"_s; }, 4);
}

// The window's removal pass over a playlist of song.mp3, its tags read.
Step removingTag(TagKind kind)
{
    return [kind](const TestFiles& files) {
        PlaylistModel model;
        model.appendEntries({{files.path(u"song.mp3"_s), {}, u"???"_s}});
        const std::shared_ptr<MP3Node> entry = model.findItem(0);
        entry->ReadTag();
        removeTags(model, {entry}, kind);
    };
}

// song.mp3 as a symbolic link to a file in a folder of its own, with an extended attribute: a
// replacement lands on that file, keeps the attribute, and the link stays.
void prepareLinkedSong(const TestFiles& files)
{
    ASSERT_TRUE(QDir(files.folder()).mkdir(u"store"_s));
    const QString song = files.write(u"store/song.mp3"_s, kId3v2Tagged);
    ::setxattr(QFile::encodeName(song).constData(), "user.rating", "5", 1, 0);
    ASSERT_TRUE(QFile::link(song, files.path(u"song.mp3"_s)));
}

// a.mp3 and the folder player/, holding an older copy of it when given.
Step preparingSource(const QByteArray& olderCopy = {})
{
    return [olderCopy](const TestFiles& files) {
        ASSERT_TRUE(QDir(files.folder()).mkdir(u"player"_s));
        files.write(u"a.mp3"_s, kAudio + kOldTag);
        if (!olderCopy.isEmpty())
            files.write(u"player/a.mp3"_s, olderCopy);
    };
}

// Copies or moves a.mp3 into player/, answering a taken name with answer, and the message a failure
// of that shows.
Step copyingOrMoving(bool move, CollisionAnswer answer = CollisionAnswer::Skip)
{
    return [=](const TestFiles& files) {
        PlaylistModel model;
        model.appendEntries({{files.path(u"a.mp3"_s), {}, u"???"_s}});
        RowCommands::selectAll(model);
        CopyHooks hooks;
        hooks.askAll = [answer](const CollisionQuestion&) { return answer; };
        copySelectedFiles(model, files.path(u"player"_s), move, hooks);
    };
}

Message copyFailure(bool move)
{
    return [move](const TestFiles& files, int error) {
        return (move ? u"Could not move "_s : u"Could not copy "_s) + files.path(u"a.mp3"_s) + u" to "_s
            + files.path(u"player/a.mp3"_s) + u": "_s + qt_error_string(error) + u".  Skip and continue?"_s;
    };
}

void renameByTitle(const TestFiles& files)
{
    PlaylistModel model;
    model.appendEntries({{files.path(u"a.mp3"_s), u"Hey Jude"_s, u"???"_s}});
    RowCommands::selectAll(model);
    RetagCommands::fileNameFromTitle(model, {0}, u"<t>"_s, u"<t>"_s, false);
}

QString renameFailure(const TestFiles&, int)
{
    return u"Error renaming a.mp3 to Hey Jude.mp3.  Skip and continue?"_s;
}

// Saves a playlist of two entries as name, and the message a failure of that shows.
Step savingPlaylistAs(const QString& name)
{
    return [name](const TestFiles& files) {
        PlaylistModel model;
        model.appendEntries({{u"/Music/a.mp3"_s, u"A"_s, u"215"_s}, {u"/Music/b.mp3"_s, u"B"_s, u"???"_s}});
        PlaylistFiles::savePlaylist(model, files.path(name));
    };
}

Message saveFailure(const QString& name)
{
    return [name](const TestFiles& files, int error) {
        return u"Could not save the playlist to "_s + files.path(name) + u": "_s + qt_error_string(error) + u"."_s;
    };
}

const WritePath kWritePaths[] = {
    {"WriteTagOverOldTag", writing(u"song.mp3"_s, kAudio + kOldTag), changingTag(false, writeNewArtist)},
    {"WriteTagAppended", writing(u"song.mp3"_s, kAudio), changingTag(false, writeNewArtist)},
    {"ReadAndWriteTagInOneOpen", writing(u"song.mp3"_s, kAudio + kOldTag), changingTag(true, writeNewArtist)},
    {"RemoveId3v2TagInOneOpen", writing(u"song.mp3"_s, kId3v2Tagged),
        changingTag(true, [](MP3Tag& tag) { tag.setHasID2Tag(false); })},
    {"WriteId3v2TagInOneOpen", writing(u"song.mp3"_s, kId3v2Tagged), changingTag(true, writeId3v2Title)},
    {"WriteNewId3v2Tag", writing(u"song.mp3"_s, kAudio + kOldTag), changingTag(true, writeId3v2Title)},
    {"RemoveId3v1Tag", writing(u"song.mp3"_s, kAudio + kOldTag), removingTag(TagKind::Id3v1)},
    {"RemoveId3v2Tag", writing(u"song.mp3"_s, kId3v2Tagged), removingTag(TagKind::Id3v2)},
    {"RemoveId3v2TagThroughLinkKeepingAttributes", prepareLinkedSong, removingTag(TagKind::Id3v2)},
    {"RenameFromTitle", writing(u"a.mp3"_s, kAudio), renameByTitle, renameFailure},
    {"RenameWithoutNoReplaceRename", writing(u"a.mp3"_s, kAudio), renameByTitle, renameFailure, Call::Rename, EINVAL},
    {"SavePlaylistOverOld", writing(u"list.m3u"_s, "#EXTM3U\r\nold.mp3\r\n"), savingPlaylistAs(u"list.m3u"_s),
        saveFailure(u"list.m3u"_s)},
    {"SaveNewPlaylist", [](const TestFiles&) {}, savingPlaylistAs(u"new.pls"_s), saveFailure(u"new.pls"_s)},
    {"Copy", preparingSource(), copyingOrMoving(false), copyFailure(false)},
    {"CopyOverOlderCopy", preparingSource(kAudio), copyingOrMoving(false, CollisionAnswer::Replace),
        copyFailure(false)},
    {"Move", preparingSource(), copyingOrMoving(true), copyFailure(true)},
    {"MoveAcrossVolumes", preparingSource(), copyingOrMoving(true), copyFailure(true), Call::Rename, EXDEV},
};

void PrintTo(const WritePath& path, std::ostream* out)
{
    *out << path.name;
}

// Runs the operation on files with the steering fault planned at steerAt and the faults plan plans;
// the calls it made.
QList<Call> runPlanned(
    const WritePath& path, const TestFiles& files, const std::optional<int>& steerAt,
    const std::function<void()>& plan = [] {})
{
    Faults::start();
    if (steerAt)
        Faults::failAt(*steerAt, path.steerError);
    plan();
    path.run(files);
    QList<Call> calls = Faults::calls();
    Faults::clear();
    return calls;
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
        const qsizetype at = path.steerError ? Faults::calls().indexOf(path.steerCall) : -1;
        Faults::clear();
        if (at >= 0)
            reference.steerAt = int(at) + 1;
    }
    const RecordingMessages messages;
    reference.calls = runPlanned(path, files, reference.steerAt);
    reference.after = fileTreeOf(files.folder());
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(u'\n').toStdString();
    return reference;
}

// True when every file of now is as in before or as in after, and now holds all of before or all
// of after.
bool isMixOf(const FileTree& now, const FileTree& before, const FileTree& after)
{
    const auto in = [](const FileTree& tree, const auto& file) {
        const auto found = tree.find(file.first);
        return found != tree.end() && found->second == file.second;
    };
    const auto holds = [&](const FileTree& whole) {
        return std::ranges::all_of(whole, [&](const auto& file) { return in(now, file); });
    };
    return std::ranges::all_of(now, [&](const auto& file) { return in(before, file) || in(after, file); })
        && (holds(before) || holds(after));
}

class WritePathFaults : public testing::TestWithParam<WritePath> { };

TEST_P(WritePathFaults, LeavesOldOrNewBytesAndReportsEveryFailure)
{
    const WritePath& path = GetParam();
    const Reference reference = referenceRun(path);
    ASSERT_NE(reference.before, reference.after) << "the operation changes nothing";
    if (path.steerError) {
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
                runPlanned(path, files, reference.steerAt, [&] { Faults::failAt(number, error); });
                const FileTree now = fileTreeOf(files.folder());
                if (now == reference.before) {
                    ++failedRuns;
                    ASSERT_FALSE(messages.shown().empty()) << "a failure that nobody is told of";
                    EXPECT_EQ(messages.shown().front().text,
                        path.failureMessage ? path.failureMessage(files, error)
                                            : ProgramMessages::readError(files.path(u"song.mp3"_s)));
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
            runPlanned(path, files, reference.steerAt);
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
            runPlanned(path, files, reference.steerAt, [number] { Faults::crashAt(number); });
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

// The same write paths with the undo journal recording them in a folder of its own, whose calls
// the faults count too: a change whose undo cannot be recorded is not made, and whatever fails or
// crashes, once the next start has recovered, an undo brings every file back to its old bytes.
class JournaledWritePathFaults : public testing::TestWithParam<WritePath> {
protected:
    void SetUp() override
    {
        m_path = GetParam();
        const Step run = m_path.run;
        m_path.run = [run](const TestFiles& files) {
            Journal::Batch batch(u"Test"_s);
            if (const Result<void> ready = batch.ready(); !ready) {
                Messages::error(ready.failure());
                return;
            }
            run(files);
        };
    }
    void TearDown() override { Journal::configure({}); }

    // An empty journal for the next run.
    void freshJournal()
    {
        Journal::Settings settings;
        settings.folder = m_state.path() + u'/' + QString::number(++m_runs);
        Journal::configure(settings);
    }

    // Recovers as the next start does, undoes what the journal holds, and expects the old files.
    static void expectUndoneToOld(const TestFiles& files, const FileTree& before)
    {
        const RecordingMessages messages;
        Journal::recover();
        if (const auto undoable = Journal::newestUndoable()) {
            const Result<Journal::Outcome> undone = Journal::undo(undoable->id);
            ASSERT_TRUE(undone) << undone.failure().reason.toStdString();
            EXPECT_TRUE(undone->refused.isEmpty()) << undone->refused.join(u'\n').toStdString();
        }
        EXPECT_EQ(withoutTemporaries(fileTreeOf(files.folder())), withoutTemporaries(before));
    }

    QTemporaryDir m_state;
    int m_runs = 0;
    WritePath m_path;
};

TEST_P(JournaledWritePathFaults, FailureAtAnyCallLeavesOldOrNewAndUndoBringsBackOld)
{
    freshJournal();
    const Reference reference = referenceRun(m_path);
    for (int number = 1; number <= reference.calls.size(); ++number) {
        if (number == reference.steerAt)
            continue;
        for (const int error : {EIO, ENOSPC}) {
            SCOPED_TRACE(testing::Message()
                << "call " << number << " (" << SystemCalls::nameOf(reference.calls[number - 1]) << ") fails with "
                << qt_error_string(error).toStdString());
            const TestFiles files;
            m_path.prepare(files);
            freshJournal();
            {
                const RecordingMessages messages;
                runPlanned(m_path, files, reference.steerAt, [&] { Faults::failAt(number, error); });
                const FileTree now = fileTreeOf(files.folder());
                if (now == reference.before) {
                    EXPECT_FALSE(messages.shown().empty()) << "a failure that nobody is told of";
                } else {
                    ASSERT_EQ(now, reference.after) << "neither the old nor the new files";
                }
            }
            expectUndoneToOld(files, reference.before);
        }
    }
}

TEST_P(JournaledWritePathFaults, CrashAtAnyCallIsUndoneAfterRecovery)
{
    freshJournal();
    const Reference reference = referenceRun(m_path);
    for (int number = 1; number <= reference.calls.size(); ++number) {
        SCOPED_TRACE(testing::Message() << "crash at call " << number << " ("
                                        << SystemCalls::nameOf(reference.calls[number - 1]) << ")");
        const TestFiles files;
        m_path.prepare(files);
        freshJournal();
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const RecordingMessages messages;
            runPlanned(m_path, files, reference.steerAt, [number] { Faults::crashAt(number); });
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), Faults::CrashStatus) << "the run never reached the call";
        expectUndoneToOld(files, reference.before);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryWritePath, JournaledWritePathFaults, testing::ValuesIn(kWritePaths),
    [](const testing::TestParamInfo<WritePath>& test) { return std::string(test.param.name); });

} // namespace
