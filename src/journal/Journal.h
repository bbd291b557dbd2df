#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include "base/FileOps.h"
#include "base/Result.h"

// The undo journal: before a user's file changes, what it takes to put it back is durable on disk
// (write-ahead), so that every batch of changes can be undone later, also after a restart, and a
// batch that a crash cut short is repaired at the next start (see JournalHistory.h).
//
// A batch is one command as the user saw it. A command opens a Batch before its first change and
// keeps it until its last; the journaled operations below record into the batch that is open.
// Without an open batch, or with journaling turned off, they are exactly the FileOps calls they
// wrap. One batch is open at a time in a process.
//
// Durability is by group commit: a batch told what it will change (expectTailChanges,
// expectRenames) records the before-states of many files and flushes them once; a change the
// batch was not told of is recorded and flushed on its own. The after-state of each change is
// recorded after it and reaches the disk with the next flush.
namespace Journal {

struct Settings {
    // False turns journaling off on purpose: nothing is recorded and nothing can be undone.
    bool enabled = true;
    // Where batches are kept; empty for defaultFolder().
    QString folder;
    // The newest batches kept; the oldest are dropped whole once either bound is passed.
    int maxBatches = 100;
    qint64 maxBytes = qint64(512) * 1024 * 1024;
};

// $XDG_STATE_HOME/sondrel, or ~/.local/state/sondrel without it.
QString defaultFolder();
// The process's settings; a batch reads them when it opens.
void configure(const Settings& settings);
Settings settings();
// The folder batches are kept in under the current settings.
QString folder();

class BatchWriter;

// One batch of changes, open for the object's life.
class Batch {
public:
    enum class Role : unsigned char { Command = 1, Undo = 2, Redo = 3 };

    // Opens a batch labelled as the user knows the command ("File Name = Tag, 120 files"). The
    // journal's folder is made (mode 0700) when missing, and the batch's file is created and
    // flushed: when that fails, ready() says why and no change may start. An undo or redo names
    // the command batch it acts on (reverts). A batch opened while another is open records into
    // the other.
    explicit Batch(const QString& label, Role role = Role::Command, quint64 reverts = 0);
    ~Batch();
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

    // Success when changes may start: the batch is open, or journaling is off. A failure names
    // the journal's folder or file and says in the system's words why it cannot be written; the
    // command must then change no file.
    Result<void> ready() const;
    // The batch's id; 0 when journaling is off.
    quint64 id() const;

    // Tells the batch which files' last bytes (ID3v1 tags) it will change, in the order it will
    // change them. Ahead of each change the batch opens and locks a group of the files, records
    // their last bytes and flushes once; the change then takes the open file (takePrepared).
    void expectTailChanges(const QStringList& paths);
    // Tells the batch which renames it will make, in order, so that their before-states are
    // flushed in groups.
    void expectRenames(const QList<std::pair<QString, QString>>& renames);

    // The batch open in this process, if any.
    static Batch* current();
    // Where its records go: its own writer, or the outer batch's; nothing with journaling off.
    BatchWriter* writer() const;

private:
    std::unique_ptr<BatchWriter> m_writer;
    std::optional<Failure> m_failure;
    Batch* m_outer = nullptr;
};

// The same for the open batch, if any: for core loops that know their files but not their batch.
void expectTailChanges(const QStringList& paths);
void expectRenames(const QList<std::pair<QString, QString>>& renames);

// True when changes are being recorded: a batch is open and journaling is on.
bool isRecording();

// A file opened and locked ahead of its change by expectTailChanges, with its last bytes (up to
// 128) as they were read then and recorded.
struct Prepared {
    FileOps::Handle file;
    QByteArray tail;
};
// The prepared file for path when the open batch prepared it, handed over once.
std::optional<Prepared> takePrepared(const QString& path);

// Shows the message for a change that was not made because its undo could not be recorded.
void reportNotRecorded(const Failure& failure);

// One recorded change of one file: made before the change (its before-state then durable), told
// when the change is done. A step that is dropped without done() records nothing more: the
// change is taken as not made.
class Step {
public:
    Step() = default;
    explicit Step(Failure failure) : m_failure(std::move(failure)) { }
    Step(BatchWriter* writer, quint32 index) : m_writer(writer), m_index(index) { }
    Step(Step&& other) noexcept;
    Step& operator=(Step&& other) noexcept;
    Step(const Step&) = delete;
    Step& operator=(const Step&) = delete;
    ~Step() = default;

    // False when the before-state could not be recorded: the change must not be made.
    explicit operator bool() const { return !m_failure; }
    const Failure& failure() const { return *m_failure; }
    quint32 index() const { return m_index; }

    // The change was made; the open file (or the file now at path) is fingerprinted as it is now.
    void done(const FileOps::Handle& file);
    void done();
    // The same for a tail change whose caller knows the file's last bytes now (what it wrote).
    void done(const FileOps::Handle& file, QByteArrayView lastBytes);

private:
    BatchWriter* m_writer = nullptr;
    quint32 m_index = 0;
    std::optional<Failure> m_failure;
};

// Before the last bytes of an open file change (an ID3v1 tag written, appended or removed):
// records its size and its last min(128, size) bytes, lastBytes, as read under its lock.
Step beginTailChange(const QString& path, const FileOps::Handle& file, QByteArrayView lastBytes);
// Before the front of an open file is replaced (an ID3v2 tag written or removed): records its
// first oldHead.size() bytes, which the change replaces, and how long the new head will be.
Step beginFrontChange(
    const QString& path, const FileOps::Handle& file, const QByteArray& oldHead, qint64 newHeadLength);

// The FileOps changes of files and names, recorded in the open batch.
[[nodiscard]] Result<void> renameNoReplace(const QString& from, const QString& to);
[[nodiscard]] Result<void> moveFile(
    const QString& source, const QString& target, const std::function<bool()>& keepGoing = {});
[[nodiscard]] Result<void> copyFile(
    const QString& source, const QString& target, const std::function<bool()>& keepGoing = {});
[[nodiscard]] Result<void> copyWithoutReplacing(
    const QString& source, const QString& target, const std::function<bool()>& keepGoing = {});
// A playlist or another small file replaced whole (or created): its old bytes are recorded.
[[nodiscard]] Result<void> writeAtomically(const QString& path, const QByteArray& bytes);

} // namespace Journal
