#include "journal/Journal.h"

#include <sys/stat.h>

#include <QDateTime>
#include <QDir>
#include <QMutex>

#include "base/Messages.h"
#include "base/NativePath.h"
#include "journal/JournalStore.h"

namespace Journal {

namespace {

// Files opened and recorded at once ahead of their changes: few enough to stay far below any
// limit on open files, enough that one flush serves hundreds of changes.
constexpr qsizetype kTailGroup = 256;
constexpr qsizetype kRenameGroup = 1024;
// The largest file whose bytes a step keeps (a playlist, or a file a copy replaces).
constexpr qint64 kMaxKept = qint64(256) << 20;

QMutex& settingsLock()
{
    static QMutex lock;
    return lock;
}

Settings& current()
{
    static Settings instance;
    return instance;
}

Batch*& openBatch()
{
    static Batch* batch = nullptr;
    return batch;
}

BatchWriter* writer()
{
    Batch* batch = openBatch();
    return batch ? batch->writer() : nullptr;
}

Failure journalFailure(const QString& path, const QString& reason)
{
    Failure why;
    why.action = Failure::Action::Write;
    why.path = path;
    why.reason = QStringLiteral("The undo history could not be written: ") + reason;
    return why;
}

// A path as a step keeps it: absolute, so that an undo run from another folder finds the file.
QByteArray recordedPath(const QString& path)
{
    if (path.isEmpty() || !QDir::isRelativePath(path))
        return NativePath::encode(path);
    return NativePath::encode(QDir::currentPath() + u'/' + path);
}

StepRecord stepOf(StepKind kind, const QString& path, const QString& target = {})
{
    StepRecord step;
    step.kind = kind;
    step.path = recordedPath(path);
    step.target = recordedPath(target);
    return step;
}

void identify(StepRecord& step, const FileOps::Handle& file)
{
    step.device = file.device();
    step.inode = file.inode();
    step.size = file.size();
}

// A change refused because the batch cannot record any more: said once a batch, and returned.
// (A file whose own before-state cannot be read is refused with journalFailure, which its
// change's own message then gives as the reason.)
Failure refused(const QString& path, const QString& reason)
{
    Failure why = journalFailure(path, reason);
    reportNotRecorded(why);
    return why;
}

Step durableStep(BatchWriter* batch, StepRecord step)
{
    const QString path = NativePath::decode(step.path);
    Result<quint32> index = batch->addDurably(std::move(step));
    if (!index)
        return Step(refused(path, index.failure().reason));
    return Step(batch, *index);
}

// Opens, locks and records the next group of expected tail changes, starting at path's place.
void prepareTailGroup(BatchWriter& batch, const QString& path)
{
    const qsizetype start = batch.expectedTails.indexOf(path, batch.nextTail);
    if (start < 0)
        return;
    qsizetype at = start;
    for (qsizetype taken = 0; at < batch.expectedTails.size() && taken < kTailGroup; ++at) {
        const QString& next = batch.expectedTails[at];
        if (batch.preparedTails.count(next) > 0)
            continue;
        // Not waiting for a lock: a file that another process is changing, or that this group
        // holds already under another name, is left to its change, which opens it then.
        Result<FileOps::Handle> file = FileOps::openForChange(next, FileOps::Waiting::No);
        if (!file)
            continue;
        const qint64 size = file->size();
        std::optional<QByteArray> tail = file->readAt(size - Store::tailLength(size), Store::tailLength(size));
        if (!tail)
            continue;
        StepRecord step = stepOf(StepKind::Tail, next);
        step.device = file->device();
        step.inode = file->inode();
        step.size = size;
        step.before = *tail;
        const quint32 index = batch.add(std::move(step));
        batch.preparedTails.emplace(next, BatchWriter::PreparedTail{std::move(file).value(), index, std::move(*tail)});
        ++taken;
    }
    batch.nextTail = at;
    // The group is flushed while the changes of the one before are made.
    const Result<qint64> ticket = batch.flushInBackground();
    for (auto& [name, prepared] : batch.preparedTails)
        if (prepared.ticket == 0)
            prepared.ticket = ticket ? *ticket : -1;
}

QString renameKey(const QString& from, const QString& to)
{
    return from + QChar(0) + to;
}

void prepareRenameGroup(BatchWriter& batch, const QString& from, const QString& to)
{
    qsizetype start = batch.nextRename;
    while (start < batch.expectedRenames.size() && batch.expectedRenames[start] != std::pair(from, to))
        ++start;
    if (start == batch.expectedRenames.size())
        return;
    const qsizetype end = std::min(start + kRenameGroup, batch.expectedRenames.size());
    QList<quint32> indexes;
    for (qsizetype at = start; at < end; ++at) {
        const auto& [source, target] = batch.expectedRenames[at];
        indexes.append(batch.add(stepOf(StepKind::Rename, source, target)));
    }
    batch.nextRename = end;
    // Flushed while the renames of the group before are made.
    const Result<qint64> ticket = batch.flushInBackground();
    for (qsizetype at = start; at < end; ++at) {
        const auto& [source, target] = batch.expectedRenames[at];
        batch.preparedRenames.insert(renameKey(source, target), {indexes[at - start], ticket ? *ticket : -1});
    }
}

// A move, rename or copy recorded around the FileOps call that makes it.
Result<void> journaled(StepRecord step, const std::function<Result<void>()>& change, const QString& fingerprinted)
{
    BatchWriter* batch = writer();
    if (!batch)
        return change();
    const StepKind kind = step.kind;
    Step recorded = durableStep(batch, std::move(step));
    if (!recorded)
        return recorded.failure();
    Result<void> made = change();
    if (made) {
        if (const auto after = Store::fingerprintAt(fingerprinted, kind, 0))
            batch->done(recorded.index(), *after);
    }
    return made;
}

} // namespace

QString defaultFolder()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    // Only an absolute folder counts as the state home; a relative or empty one means the default.
    if (state.isEmpty() || !QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/sondrel");
}

void configure(const Settings& settings)
{
    QMutexLocker locker(&settingsLock());
    current() = settings;
}

Settings settings()
{
    QMutexLocker locker(&settingsLock());
    return current();
}

QString folder()
{
    const Settings now = settings();
    return now.folder.isEmpty() ? defaultFolder() : now.folder;
}

Batch::Batch(const QString& label, Role role, quint64 reverts)
{
    m_outer = openBatch();
    openBatch() = this;
    // An undo or redo opens its batch inside no other; a command inside another command's batch
    // (a dialog that runs a second command) records into the outer batch.
    if (m_outer || !settings().enabled)
        return;
    BeginRecord begin;
    begin.timeMs = QDateTime::currentMSecsSinceEpoch();
    begin.role = quint8(role);
    begin.reverts = reverts;
    begin.origin = reverts;
    begin.label = label;
    Result<std::unique_ptr<BatchWriter>> opened = BatchWriter::open(begin);
    if (opened)
        m_writer = std::move(opened).value();
    else
        m_failure = opened.failure();
}

Batch::~Batch()
{
    m_writer.reset();
    openBatch() = m_outer;
}

Result<void> Batch::ready() const
{
    if (m_failure)
        return *m_failure;
    return {};
}

quint64 Batch::id() const
{
    if (m_writer)
        return m_writer->id();
    return m_outer ? m_outer->id() : 0;
}

BatchWriter* Batch::writer() const
{
    if (m_writer)
        return m_writer.get();
    return m_outer ? m_outer->writer() : nullptr;
}

void Batch::expectTailChanges(const QStringList& paths)
{
    if (BatchWriter* batch = writer()) {
        batch->expectedTails = paths;
        batch->nextTail = 0;
    }
}

void Batch::expectRenames(const QList<std::pair<QString, QString>>& renames)
{
    if (BatchWriter* batch = writer()) {
        batch->expectedRenames = renames;
        batch->nextRename = 0;
    }
}

void reportNotRecorded(const Failure& failure)
{
    // Once the journal cannot be written, no later change of the batch is made either: one
    // message says so, not one a file.
    BatchWriter* batch = writer();
    if (batch && std::exchange(batch->failureReported, true))
        return;
    Messages::error(failure.path + QStringLiteral(" was not changed")
        + (batch ? QStringLiteral(", nor any file after it") : QString()) + QStringLiteral(". ") + failure.reason
        + u'.');
}

Batch* Batch::current()
{
    return openBatch();
}

void expectTailChanges(const QStringList& paths)
{
    if (Batch* batch = Batch::current())
        batch->expectTailChanges(paths);
}

void expectRenames(const QList<std::pair<QString, QString>>& renames)
{
    if (Batch* batch = Batch::current())
        batch->expectRenames(renames);
}

bool isRecording()
{
    return writer() != nullptr;
}

std::optional<Prepared> takePrepared(const QString& path)
{
    BatchWriter* batch = writer();
    if (!batch || batch->expectedTails.isEmpty())
        return std::nullopt;
    auto found = batch->preparedTails.find(path);
    if (found == batch->preparedTails.end()) {
        prepareTailGroup(*batch, path);
        found = batch->preparedTails.find(path);
    }
    if (found == batch->preparedTails.end())
        return std::nullopt;
    BatchWriter::PreparedTail prepared = std::move(found->second);
    batch->preparedTails.erase(found);
    // The next group is opened and recorded ahead, so that its flush overlaps these changes.
    if (batch->preparedTails.size() < size_t(kTailGroup / 2) && batch->nextTail < batch->expectedTails.size())
        prepareTailGroup(*batch, batch->expectedTails[batch->nextTail]);
    // A step that cannot be made durable is not handed over: the change asks for its own, which
    // fails as the flush did.
    if (prepared.ticket < 0 || !batch->waitUntilDurable(prepared.ticket))
        return std::nullopt;
    batch->handedTails.insert(prepared.file.fd(), prepared.index);
    return Prepared{std::move(prepared.file), std::move(prepared.tail)};
}

Step::Step(Step&& other) noexcept
    : m_writer(std::exchange(other.m_writer, nullptr)), m_index(other.m_index), m_failure(std::move(other.m_failure))
{ }

Step& Step::operator=(Step&& other) noexcept
{
    m_writer = std::exchange(other.m_writer, nullptr);
    m_index = other.m_index;
    m_failure = std::move(other.m_failure);
    return *this;
}

void Step::done(const FileOps::Handle& file)
{
    if (!m_writer)
        return;
    const StepRecord& step = m_writer->step(m_index);
    if (const auto after = Store::fingerprintOf(file, step.kind, step.aux))
        m_writer->done(m_index, *after);
    m_writer = nullptr;
}

void Step::done(const FileOps::Handle& file, QByteArrayView lastBytes)
{
    if (!m_writer)
        return;
    if (const auto after = Store::fingerprintWith(file, lastBytes))
        m_writer->done(m_index, *after);
    m_writer = nullptr;
}

void Step::done()
{
    if (!m_writer)
        return;
    const StepRecord& step = m_writer->step(m_index);
    const QString path = NativePath::decode(step.target.isEmpty() ? step.path : step.target);
    if (const auto after = Store::fingerprintAt(path, step.kind, step.aux))
        m_writer->done(m_index, *after);
    m_writer = nullptr;
}

Step beginTailChange(const QString& path, const FileOps::Handle& file, QByteArrayView lastBytes)
{
    BatchWriter* batch = writer();
    if (!batch)
        return Step();
    // A file prepared ahead is already recorded as it is now: its lock has been held since.
    if (const auto handed = batch->handedTails.find(file.fd()); handed != batch->handedTails.end()) {
        const quint32 index = handed.value();
        batch->handedTails.erase(handed);
        if (batch->step(index).size == file.size())
            return Step(batch, index);
    }
    StepRecord step = stepOf(StepKind::Tail, path);
    identify(step, file);
    step.before = lastBytes.last(std::min<qsizetype>(lastBytes.size(), Store::tailLength(file.size()))).toByteArray();
    return durableStep(batch, std::move(step));
}

Step beginFrontChange(const QString& path, const FileOps::Handle& file, const QByteArray& oldHead, qint64 newHeadLength)
{
    BatchWriter* batch = writer();
    if (!batch)
        return Step();
    StepRecord step = stepOf(StepKind::Front, path);
    identify(step, file);
    step.before = oldHead;
    step.aux = newHeadLength;
    return durableStep(batch, std::move(step));
}

Result<void> renameNoReplace(const QString& from, const QString& to)
{
    BatchWriter* batch = writer();
    if (!batch)
        return FileOps::renameNoReplace(from, to);
    const QString key = renameKey(from, to);
    if (!batch->preparedRenames.contains(key) && !batch->expectedRenames.isEmpty())
        prepareRenameGroup(*batch, from, to);
    const auto prepared = batch->preparedRenames.find(key);
    if (prepared == batch->preparedRenames.end())
        return journaled(
            stepOf(StepKind::Rename, from, to), [&] { return FileOps::renameNoReplace(from, to); }, to);
    const auto [index, ticket] = prepared.value();
    batch->preparedRenames.erase(prepared);
    if (batch->preparedRenames.size() < kRenameGroup / 2 && batch->nextRename < batch->expectedRenames.size()) {
        const auto& [nextFrom, nextTo] = batch->expectedRenames[batch->nextRename];
        prepareRenameGroup(*batch, nextFrom, nextTo);
    }
    if (ticket < 0)
        return refused(from, QStringLiteral("it could not be written"));
    if (const Result<void> durable = batch->waitUntilDurable(ticket); !durable)
        return refused(from, durable.failure().reason);
    Result<void> made = FileOps::renameNoReplace(from, to);
    if (made) {
        if (const auto after = Store::fingerprintAt(to, StepKind::Rename, 0))
            batch->done(index, *after);
    }
    return made;
}

Result<void> moveFile(const QString& source, const QString& target, const std::function<bool()>& keepGoing)
{
    return journaled(
        stepOf(StepKind::Move, source, target), [&] { return FileOps::moveFile(source, target, keepGoing); }, target);
}

// A file about to be replaced whole, or created, with what it held: nothing when no file was at
// the name, a failure when its bytes cannot be read or are more than a step keeps.
Result<StepRecord> wholeStep(const QString& path)
{
    StepRecord step = stepOf(StepKind::Whole, path);
    const Result<FileOps::Handle> old = FileOps::openExisting(path, FileOps::Access::Read);
    if (!old) {
        struct stat info { };
        if (::lstat(NativePath::encode(path).constData(), &info) != 0 && errno == ENOENT)
            return step;
        // A regular file that cannot be read would be replaced without its bytes kept. Anything
        // else at the name (a folder, a dangling link) the change itself refuses.
        if (old.failure().kind != Failure::Kind::Missing && old.failure().kind != Failure::Kind::NotRegular)
            return journalFailure(path, old.failure().reason);
        return step;
    }
    if (old->size() > kMaxKept)
        return journalFailure(path, QStringLiteral("the file it replaces is too large to keep"));
    const std::optional<QByteArray> bytes = old->readAt(0, old->size());
    if (!bytes)
        return journalFailure(path, qt_error_string(errno));
    identify(step, *old);
    step.before = *bytes;
    return step;
}

Result<void> replacing(const QString& path, const std::function<Result<void>()>& change)
{
    if (!writer())
        return change();
    Result<StepRecord> step = wholeStep(path);
    if (!step)
        return step.failure();
    return journaled(std::move(step).value(), change, path);
}

Result<void> copyFile(const QString& source, const QString& target, const std::function<bool()>& keepGoing)
{
    return replacing(target, [&] { return FileOps::copyFile(source, target, keepGoing); });
}

Result<void> copyWithoutReplacing(const QString& source, const QString& target, const std::function<bool()>& keepGoing)
{
    return replacing(target, [&] { return FileOps::copyWithoutReplacing(source, target, keepGoing); });
}

Result<void> writeAtomically(const QString& path, const QByteArray& bytes)
{
    return replacing(path, [&] { return FileOps::writeAtomically(path, bytes); });
}

} // namespace Journal
