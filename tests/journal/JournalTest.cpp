// The undo journal on real files: every kind of change undone and redone to the byte, the files an
// undo must leave alone, a batch cut short by a crash, a damaged journal, and the journal's limits.

#include "journal/Journal.h"

#include <cstdio>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "journal/JournalHistory.h"
#include "journal/JournalRecords.h"
#include "support/FileTree.h"
#include "support/RecordingMessages.h"
#include "support/TestFiles.h"
#include "tags/Id3v2.h"
#include "tags/MP3Tag.h"

using namespace Qt::StringLiterals;

namespace {

const QByteArray kOldTag = TestBytes::id3v1({"Old Title", "Old Artist", "Old Album", "1999", "old", 3, 17});
const QByteArray kAudio = TestBytes::audio(3000);
const QByteArray kId3v2 = TestBytes::id3v2Tag(3, {{"TIT2", u"Old Title"_s}, {"TPE1", u"Old Artist"_s}});
const QByteArray kPaddedId3v2 = *Id3v2::paddedTo(kId3v2, kId3v2.size() + 256);

// A journal of its own in a temporary folder for each test, and the files it changes in another.
class JournalTest : public testing::Test {
protected:
    void SetUp() override
    {
        Journal::Settings settings;
        settings.folder = m_state.path() + u"/journal"_s;
        Journal::configure(settings);
    }
    void TearDown() override { Journal::configure({}); }

    // Runs change as one batch.
    void inBatch(const std::function<void()>& change)
    {
        Journal::Batch batch(u"Test, 1 file"_s);
        ASSERT_TRUE(batch.ready());
        change();
    }

    QString path(const QString& name) const { return m_files.path(name); }

    QTemporaryDir m_state;
    TestFiles m_files;
    RecordingMessages m_messages;
};

// Replaces the file at path with bytes under a new inode, as a new batch file would be.
void replaceFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path + u".new"_s);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    ASSERT_EQ(std::rename(QFile::encodeName(file.fileName()).constData(), QFile::encodeName(path).constData()), 0);
}

void changeTag(const QString& path, const std::function<void(MP3Tag&)>& change)
{
    MP3Tag tag;
    tag.init(path);
    tag.changeTag([&] { change(tag); }, MP3Tag::Reading::AllTags);
}

void writeArtist(MP3Tag& tag)
{
    tag.setArtist(u"New Artist"_s);
    tag.writeTag();
}

void writeId3v2Title(MP3Tag& tag)
{
    tag.changeId3v2([](Id3v2Fields& fields) { fields.title = u"New Title"_s; }, 4);
}

struct UndoCase {
    const char* name;
    std::vector<std::pair<QString, QByteArray>> files; // name -> bytes, before
    std::function<void(const TestFiles&)> change;
};

const UndoCase kUndoCases[] = {
    {"Id3v1WrittenInPlace", {{u"song.mp3"_s, kAudio + kOldTag}},
        [](const TestFiles& f) { changeTag(f.path(u"song.mp3"_s), writeArtist); }},
    {"Id3v1Appended", {{u"song.mp3"_s, kAudio}},
        [](const TestFiles& f) { changeTag(f.path(u"song.mp3"_s), writeArtist); }},
    {"Id3v1Removed", {{u"song.mp3"_s, kAudio + kOldTag}},
        [](const TestFiles& f) { changeTag(f.path(u"song.mp3"_s), [](MP3Tag& tag) { tag.setHasID1Tag(false); }); }},
    {"Id3v2Removed", {{u"song.mp3"_s, kId3v2 + kAudio}},
        [](const TestFiles& f) { changeTag(f.path(u"song.mp3"_s), [](MP3Tag& tag) { tag.setHasID2Tag(false); }); }},
    {"Id3v2WrittenInPlace", {{u"song.mp3"_s, kPaddedId3v2 + kAudio + kOldTag}},
        [](const TestFiles& f) { changeTag(f.path(u"song.mp3"_s), writeId3v2Title); }},
    {"Id3v2WrittenWhole", {{u"song.mp3"_s, kAudio + kOldTag}},
        [](const TestFiles& f) { changeTag(f.path(u"song.mp3"_s), writeId3v2Title); }},
    {"BothTagsOfOneFile", {{u"song.mp3"_s, kId3v2 + kAudio + kOldTag}},
        [](const TestFiles& f) {
            changeTag(f.path(u"song.mp3"_s), writeArtist);
            changeTag(f.path(u"song.mp3"_s), writeId3v2Title);
        }},
    {"ManyTailsPreparedAhead", {{u"a.mp3"_s, kAudio + kOldTag}, {u"b.mp3"_s, kAudio}, {u"c.mp3"_s, kAudio + kOldTag}},
        [](const TestFiles& f) {
            const QStringList paths{f.path(u"a.mp3"_s), f.path(u"b.mp3"_s), f.path(u"c.mp3"_s)};
            Journal::expectTailChanges(paths);
            for (const QString& path : paths)
                changeTag(path, writeArtist);
        }},
    {"Renamed", {{u"a.mp3"_s, kAudio}},
        [](const TestFiles& f) { ASSERT_TRUE(Journal::renameNoReplace(f.path(u"a.mp3"_s), f.path(u"b.mp3"_s))); }},
    {"RenamesPreparedAhead", {{u"a.mp3"_s, kAudio}, {u"b.mp3"_s, kAudio + kOldTag}},
        [](const TestFiles& f) {
            const QList<std::pair<QString, QString>> renames{
                {f.path(u"a.mp3"_s), f.path(u"x.mp3"_s)}, {f.path(u"b.mp3"_s), f.path(u"a.mp3"_s)}};
            Journal::expectRenames(renames);
            for (const auto& [from, to] : renames)
                ASSERT_TRUE(Journal::renameNoReplace(from, to));
        }},
    {"Moved", {{u"a.mp3"_s, kAudio}, {u"player/.keep"_s, {}}},
        [](const TestFiles& f) { ASSERT_TRUE(Journal::moveFile(f.path(u"a.mp3"_s), f.path(u"player/a.mp3"_s))); }},
    {"Copied", {{u"a.mp3"_s, kAudio}, {u"player/.keep"_s, {}}},
        [](const TestFiles& f) {
            ASSERT_TRUE(Journal::copyWithoutReplacing(f.path(u"a.mp3"_s), f.path(u"player/a.mp3"_s)));
        }},
    {"CopiedOverOlderCopy", {{u"a.mp3"_s, kAudio + kOldTag}, {u"player/a.mp3"_s, kAudio}},
        [](const TestFiles& f) { ASSERT_TRUE(Journal::copyFile(f.path(u"a.mp3"_s), f.path(u"player/a.mp3"_s))); }},
    {"PlaylistSavedOverOld", {{u"list.m3u"_s, "#EXTM3U\r\nold.mp3\r\n"}},
        [](const TestFiles& f) { ASSERT_TRUE(Journal::writeAtomically(f.path(u"list.m3u"_s), "new.mp3\r\n")); }},
    {"PlaylistSavedNew", {},
        [](const TestFiles& f) { ASSERT_TRUE(Journal::writeAtomically(f.path(u"list.m3u"_s), "new.mp3\r\n")); }},
};

class UndoKinds : public JournalTest, public testing::WithParamInterface<UndoCase> { };

TEST_P(UndoKinds, UndoPutsBackEveryByteAndRedoMakesTheChangeAgain)
{
    for (const auto& [name, bytes] : GetParam().files) {
        QDir(m_files.folder()).mkpath(QFileInfo(path(name)).path());
        m_files.write(name, bytes);
    }
    const FileTree before = fileTreeOf(m_files.folder());
    inBatch([&] { GetParam().change(m_files); });
    const FileTree after = fileTreeOf(m_files.folder());
    ASSERT_NE(before, after);
    EXPECT_TRUE(m_messages.shown().empty()) << m_messages.texts().join(u'\n').toStdString();

    for (int round = 0; round < 2; ++round) {
        const auto undoable = Journal::newestUndoable();
        ASSERT_TRUE(undoable);
        const Result<Journal::Outcome> undone = Journal::undo(undoable->id);
        ASSERT_TRUE(undone) << undone.failure().reason.toStdString();
        EXPECT_TRUE(undone->refused.isEmpty()) << undone->refused.join(u'\n').toStdString();
        EXPECT_EQ(fileTreeOf(m_files.folder()), before);
        EXPECT_EQ(Journal::history().front().state, Journal::BatchState::Undone);

        const auto redoable = Journal::newestRedoable();
        ASSERT_TRUE(redoable);
        EXPECT_EQ(redoable->id, undoable->id);
        const Result<Journal::Outcome> redone = Journal::redo(redoable->id);
        ASSERT_TRUE(redone);
        EXPECT_TRUE(redone->refused.isEmpty()) << redone->refused.join(u'\n').toStdString();
        EXPECT_EQ(fileTreeOf(m_files.folder()), after);
        EXPECT_EQ(Journal::history().front().state, Journal::BatchState::Done);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryKind, UndoKinds, testing::ValuesIn(kUndoCases),
    [](const testing::TestParamInfo<UndoCase>& test) { return std::string(test.param.name); });

struct Refusal {
    const char* name;
    // What happens to the renamed b.mp3 (or its old name a.mp3) after the batch.
    std::function<void(const TestFiles&)> meanwhile;
    const char* reason;
    const char* refusedFile;
};

const Refusal kRefusals[] = {
    {"ChangedSince", [](const TestFiles& f) { changeTag(f.path(u"b.mp3"_s), writeArtist); }, "it has changed since",
        "b.mp3"},
    {"OldNameTaken", [](const TestFiles& f) { f.write(u"a.mp3"_s, "another file"); }, "its old name is taken", "b.mp3"},
    {"Gone", [](const TestFiles& f) { QFile::remove(f.path(u"b.mp3"_s)); }, "it is no longer there", "b.mp3"},
};

class UndoRefusals : public JournalTest, public testing::WithParamInterface<Refusal> { };

// One file of the batch cannot be put back; it is named with the reason and left as it is, and the
// rest of the batch is undone.
TEST_P(UndoRefusals, LeaveTheFileAndUndoTheRest)
{
    m_files.write(u"a.mp3"_s, kAudio + kOldTag);
    m_files.write(u"c.mp3"_s, kAudio + kOldTag);
    inBatch([&] {
        ASSERT_TRUE(Journal::renameNoReplace(path(u"a.mp3"_s), path(u"b.mp3"_s)));
        changeTag(path(u"c.mp3"_s), writeArtist);
    });
    GetParam().meanwhile(m_files);
    const FileTree meanwhile = fileTreeOf(m_files.folder());

    const Result<Journal::Outcome> undone = Journal::undo(Journal::newestUndoable()->id);
    ASSERT_TRUE(undone);
    EXPECT_EQ(undone->refused,
        QStringList{
            path(QString::fromLatin1(GetParam().refusedFile)) + u": "_s + QString::fromLatin1(GetParam().reason)});
    EXPECT_EQ(undone->restored, 1);
    EXPECT_EQ(TestFiles::read(path(u"c.mp3"_s)), kAudio + kOldTag);
    FileTree expected = meanwhile;
    expected.erase(u"c.mp3"_s);
    FileTree now = fileTreeOf(m_files.folder());
    now.erase(u"c.mp3"_s);
    EXPECT_EQ(now, expected);
    EXPECT_EQ(Journal::history().front().state, Journal::BatchState::PartlyUndone);
}

INSTANTIATE_TEST_SUITE_P(EveryReason, UndoRefusals, testing::ValuesIn(kRefusals),
    [](const testing::TestParamInfo<Refusal>& test) { return std::string(test.param.name); });

// Batches that change the same files are undone one after another, newest first, and redone in
// turn: an undo's own change of a file does not count as a change by someone else.
TEST_F(JournalTest, BatchesOverTheSameFilesAreUndoneAndRedoneInTurn)
{
    const QString song = m_files.write(u"song.mp3"_s, kAudio + kOldTag);
    std::vector<QByteArray> states{TestFiles::read(song)};
    for (const auto& change : {writeArtist, writeId3v2Title, writeArtist}) {
        inBatch([&] {
            changeTag(song, [&](MP3Tag& tag) {
                tag.setArtist(QString::number(states.size()));
                change(tag);
            });
        });
        states.push_back(TestFiles::read(song));
    }
    for (auto state = states.rbegin() + 1; state != states.rend(); ++state) {
        ASSERT_TRUE(Journal::undo(Journal::newestUndoable()->id));
        EXPECT_EQ(TestFiles::read(song), *state);
    }
    for (auto state = states.begin() + 1; state != states.end(); ++state) {
        ASSERT_TRUE(Journal::redo(Journal::newestRedoable()->id));
        EXPECT_EQ(TestFiles::read(song), *state);
    }
}

// Files named relative to the current folder are undone from any other folder.
TEST_F(JournalTest, RelativeNamesAreRecordedWhole)
{
    m_files.write(u"a.mp3"_s, kAudio + kOldTag);
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_files.folder()));
    inBatch([&] {
        changeTag(u"a.mp3"_s, writeArtist);
        ASSERT_TRUE(Journal::renameNoReplace(u"a.mp3"_s, u"b.mp3"_s));
    });
    ASSERT_TRUE(QDir::setCurrent(m_state.path()));
    const Result<Journal::Outcome> undone = Journal::undo(Journal::newestUndoable()->id);
    QDir::setCurrent(before);
    ASSERT_TRUE(undone);
    EXPECT_TRUE(undone->refused.isEmpty()) << undone->refused.join(u'\n').toStdString();
    EXPECT_EQ(TestFiles::read(path(u"a.mp3"_s)), kAudio + kOldTag);
}

// A process that ends while a tag is half written leaves a batch without an end; the next start
// puts the torn bytes back and shows the batch as interrupted, with the finished changes undoable.
TEST_F(JournalTest, RecoveryPutsBackATornWriteAndKeepsFinishedChanges)
{
    const QString torn = m_files.write(u"torn.mp3"_s, kAudio + kOldTag);
    const QString finished = m_files.write(u"finished.mp3"_s, kAudio + kOldTag);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        Journal::Batch batch(u"Cut short"_s);
        changeTag(finished, writeArtist);
        Journal::Step step;
        {
            Result<FileOps::Handle> file = FileOps::openForChange(torn);
            step = Journal::beginTailChange(torn, *file, kOldTag);
            file->writeAt(file->size() - 100, "half a tag");
        }
        ::_exit(0); // no end record, no done record for torn.mp3
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);

    const Journal::Recovery recovery = Journal::recover();
    EXPECT_EQ(recovery.batches, 1);
    EXPECT_EQ(recovery.repaired, QStringList{torn});
    EXPECT_EQ(TestFiles::read(torn), kAudio + kOldTag);
    EXPECT_EQ(Journal::history().front().state, Journal::BatchState::Interrupted);
    EXPECT_EQ(Journal::recover().batches, 0);

    ASSERT_TRUE(Journal::undo(Journal::newestUndoable()->id));
    EXPECT_EQ(TestFiles::read(finished), kAudio + kOldTag);
}

// A batch file cut at any byte, or with any byte changed, never stops the history from being read
// and never makes an undo write anything but a recorded before-state.
TEST_F(JournalTest, DamagedBatchFilesAreReadUpToTheDamage)
{
    const QString song = m_files.write(u"song.mp3"_s, kAudio + kOldTag);
    inBatch([&] { changeTag(song, writeArtist); });
    const QString batchFile = Journal::folder() + u"/0000000000000001.batch"_s;
    const QByteArray whole = TestFiles::read(batchFile);
    const QByteArray changed = TestFiles::read(song);
    for (qsizetype cut = 0; cut < whole.size(); ++cut) {
        for (const QByteArray& damaged : {whole.first(cut), QByteArray(whole).replace(cut, 1, "\x5a")}) {
            replaceFile(batchFile, damaged);
            const QList<Journal::BatchSummary> history = Journal::history();
            ASSERT_EQ(history.size(), 1);
            if (auto undoable = Journal::newestUndoable()) {
                (void)Journal::undo(undoable->id);
                const QByteArray now = TestFiles::read(song);
                ASSERT_TRUE(now == changed || now == kAudio + kOldTag) << "cut at " << cut;
            }
            m_files.write(u"song.mp3"_s, changed);
            for (const QString& name : QDir(Journal::folder()).entryList({u"*.batch"_s}))
                if (name != QFileInfo(batchFile).fileName())
                    QFile::remove(Journal::folder() + u'/' + name);
        }
    }
    replaceFile(batchFile, Journal::fileHeader().replace(8, 1, "\x02"));
    EXPECT_EQ(Journal::history().front().state, Journal::BatchState::Unreadable);
    // A begin record whose frame is whole but whose fields are not shows nothing of them.
    Journal::BeginRecord begin;
    begin.label = u"Half read"_s;
    begin.timeMs = 1;
    begin.role = 9;
    replaceFile(batchFile, Journal::fileHeader() + Journal::encode(begin));
    const Journal::BatchSummary unreadable = Journal::history().front();
    EXPECT_EQ(unreadable.state, Journal::BatchState::Unreadable);
    EXPECT_TRUE(unreadable.label.isEmpty() && !unreadable.time.isValid());
}

TEST_F(JournalTest, KeepsTheNewestBatchesWithinItsLimit)
{
    Journal::Settings settings = Journal::settings();
    settings.maxBatches = 3;
    Journal::configure(settings);
    const QString song = m_files.write(u"song.mp3"_s, kAudio + kOldTag);
    for (int i = 0; i < 5; ++i)
        inBatch([&] {
            changeTag(song, [i](MP3Tag& tag) {
                tag.setTrack(QChar(i + 1));
                tag.writeTag();
            });
        });
    const QList<Journal::BatchSummary> history = Journal::history();
    ASSERT_EQ(history.size(), 3);
    EXPECT_EQ(history.front().id, 3u);
}

// Without a journal that can be written, a batch does not start; turned off, nothing is recorded.
TEST_F(JournalTest, BatchNeedsAWritableJournalUnlessTurnedOff)
{
    const QString song = m_files.write(u"song.mp3"_s, kAudio);
    Journal::Settings settings = Journal::settings();
    settings.folder = song + u"/journal"_s;
    Journal::configure(settings);
    EXPECT_FALSE(Journal::Batch(u"Refused"_s).ready());
    settings.enabled = false;
    Journal::configure(settings);
    inBatch([&] { changeTag(song, writeArtist); });
    EXPECT_TRUE(Journal::history().isEmpty());
}

} // namespace
