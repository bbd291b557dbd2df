#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include "base/FileOps.h"
#include "base/Result.h"
#include "journal/JournalRecords.h"

// The journal's folder and its batch files, shared by the writer and the history. Internal to
// the journal.
namespace Journal {

// Where the journal is, and a way into it.
namespace Store {

struct BatchFile {
    quint64 id = 0;
    QString path;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    quint64 inode = 0;
};

// Makes the folder (and its missing parents) with mode 0700; refuses one owned by another user.
Result<void> ensureFolder(const QString& folder);
// The batch files in folder, oldest (lowest id) first.
QList<BatchFile> list(const QString& folder);
QString batchPath(const QString& folder, quint64 id);
// The whole file, or nothing when it cannot be read.
std::optional<QByteArray> readAll(const QString& path);
// True when the file ends in an end record: its batch finished, or was recovered.
bool hasEnded(const QString& path);
// True when another open batch (of this or another process) holds the file's lock.
bool isLive(const QString& path);

// The file at path as it is now, fingerprinted as a step of kind leaves it (aux as in StepRecord);
// size -1 when nothing is there; nothing when it cannot be read.
std::optional<Fingerprint> fingerprintAt(const QString& path, StepKind kind, qint64 aux);
std::optional<Fingerprint> fingerprintOf(const FileOps::Handle& file, StepKind kind, qint64 aux);
// The open file with the given bytes as its region.
std::optional<Fingerprint> fingerprintWith(const FileOps::Handle& file, QByteArrayView region);

// The first count bytes of a file's region as a step of kind names it.
qint64 tailLength(qint64 size);

} // namespace Store

// Writes one batch file: records gather in a buffer and reach the disk, flushed, at flush().
class BatchWriter {
public:
    // Creates the batch's file under the folder's lock, with a new id, and flushes its begin record;
    // drops the oldest batches beyond the limits.
    static Result<std::unique_ptr<BatchWriter>> open(BeginRecord begin);
    ~BatchWriter();

    quint64 id() const { return m_id; }
    // Adds a step and returns its index; it is durable after the next flush().
    quint32 add(StepRecord step);
    // Adds a step and flushes it: the change may start when this succeeds.
    Result<quint32> addDurably(StepRecord step);
    void done(quint32 index, const Fingerprint& after);
    void add(const RefusedRecord& refused);
    // Writes and flushes what gathered; a failure stops every later step of the batch.
    Result<void> flush();
    // Writes what gathered and has a thread of the batch flush it meanwhile: the ticket to wait
    // for before a change whose step was among it may start.
    Result<qint64> flushInBackground();
    Result<void> waitUntilDurable(qint64 ticket);
    const StepRecord& step(quint32 index) const { return m_steps[index]; }
    int doneCount() const { return m_doneCount; }

    // True once a change was refused for a journal that cannot be written, and said so.
    bool failureReported = false;
    // Prepared tail changes (Batch::expectTailChanges), keyed by path.
    QStringList expectedTails;
    qsizetype nextTail = 0;
    struct PreparedTail {
        FileOps::Handle file;
        quint32 index = 0;
        QByteArray tail;
        qint64 ticket = 0;
    };
    std::unordered_map<QString, PreparedTail> preparedTails;
    QHash<int, quint32> handedTails; // fd -> step index, for beginTailChange
    // Prepared renames (Batch::expectRenames).
    QList<std::pair<QString, QString>> expectedRenames;
    qsizetype nextRename = 0;
    QHash<QString, std::pair<quint32, qint64>> preparedRenames; // from + NUL + to -> step index, ticket

private:
    BatchWriter() = default;
    Failure failure(const QString& reason) const;
    Result<void> writePending();
    void stopFlusher();

    quint64 m_id = 0;
    QString m_path;
    int m_fd = -1;
    qint64 m_written = 0;
    QByteArray m_pending;
    QList<StepRecord> m_steps; // without their before-states once written
    int m_doneCount = 0;
    std::optional<Failure> m_failed;

    // The background flush: the bytes written up to m_flushWanted are to be flushed; those up to
    // m_flushed are on the disk; m_flushError is the system's error of a flush that failed.
    std::thread m_flusher;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    qint64 m_flushWanted = 0;
    qint64 m_flushed = 0;
    int m_flushError = 0;
    bool m_stopping = false;
};

} // namespace Journal
