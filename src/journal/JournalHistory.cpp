#include "journal/JournalHistory.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QHash>
#include <QSet>

#include "base/NativePath.h"
#include "base/SystemCalls.h"
#include "journal/JournalStore.h"

namespace Journal {

namespace {

using StepKey = QPair<quint64, quint32>;

// One batch as the history sees it. Read whole (for an undo): its records without the bytes of
// their before-states, and each made step's file after it. Kept for the history: its begin and end,
// which steps were made, and which steps of other batches they revert.
struct Known {
    Store::BatchFile file;
    BatchRecords records;
    bool live = false;
    std::vector<quint32> made;
    std::vector<std::pair<quint32, StepKey>> reverting;
    QHash<quint32, Fingerprint> after; // read whole only
};

Batch::Role roleOf(const Known& batch)
{
    return Batch::Role(batch.records.begin.role);
}

void collectAfter(Known& batch, bool whole)
{
    for (const DoneRecord& done : batch.records.done)
        batch.after.insert(done.index, done.after);
    for (const RepairRecord& repair : batch.records.repairs)
        if (repair.outcome == RepairRecord::Outcome::Made)
            batch.after.insert(repair.index, repair.after);
    batch.made.reserve(std::size_t(batch.after.size()));
    for (auto made = batch.after.cbegin(); made != batch.after.cend(); ++made)
        batch.made.push_back(made.key());
    std::sort(batch.made.begin(), batch.made.end());
    for (const StepRecord& step : batch.records.steps)
        if (step.revertsBatch != 0 && batch.after.contains(step.index))
            batch.reverting.push_back({step.index, {step.revertsBatch, step.revertsStep}});
    if (whole)
        return;
    // A history of 100 batches of 10,000 files each stays small in memory.
    BatchRecords& records = batch.records;
    records.steps = {};
    records.done = {};
    records.refused = {};
    records.repairs = {};
    batch.after = {};
}

// Batch files read once and kept while their size and time stay the same: the history is asked
// for each time a menu opens.
struct CacheEntry {
    qint64 size = -1;
    qint64 modifiedNs = 0;
    quint64 inode = 0;
    Known known;
};

QHash<QString, CacheEntry>& cache()
{
    static QHash<QString, CacheEntry> entries;
    return entries;
}

// Every batch kept; for an undo or redo, whole and read now, those from batch from on (a change is
// only ever reverted by a later batch, and only later batches can have changed its files since).
QList<Known> loadAll(bool whole = false, quint64 from = 0)
{
    QList<Known> batches;
    QHash<QString, CacheEntry> kept;
    for (const Store::BatchFile& file : Store::list(folder())) {
        if (file.id < from)
            continue;
        CacheEntry entry = whole ? CacheEntry() : cache().value(file.path);
        if (entry.size != file.size || entry.modifiedNs != file.modifiedNs || entry.inode != file.inode) {
            entry = CacheEntry{file.size, file.modifiedNs, file.inode, Known{}};
            entry.known.file = file;
            const std::optional<QByteArray> bytes = Store::readAll(file.path);
            entry.known.records = bytes
                ? decodeBatch(*bytes)
                : BatchRecords{false, QStringLiteral("it cannot be read"), {}, {}, {}, {}, {}, {}, 0};
            for (StepRecord& step : entry.known.records.steps)
                step.before.clear();
            collectAfter(entry.known, whole);
        }
        entry.known.live = !entry.known.records.end && Store::isLive(file.path);
        batches.append(entry.known);
        if (!whole)
            kept.insert(file.path, entry);
    }
    if (!whole)
        cache() = std::move(kept);
    return batches;
}

// For each step that was reverted, the step that reverted it.
QHash<StepKey, StepKey> revertedBy(const QList<Known>& batches)
{
    QHash<StepKey, StepKey> by;
    for (const Known& batch : batches) {
        if (!batch.records.readable)
            continue;
        for (const auto& [index, reverted] : batch.reverting)
            by.insert(reverted, {batch.records.begin.id, index});
    }
    return by;
}

// The last step in the chain of reverts that starts at key, and how many reverts lead there: an
// odd number means the change is undone now.
std::pair<StepKey, int> chainEnd(const QHash<StepKey, StepKey>& by, StepKey key)
{
    int depth = 0;
    for (auto next = by.find(key); next != by.end() && depth < 100000; next = by.find(key)) {
        key = next.value();
        ++depth;
    }
    return {key, depth};
}

struct Tally {
    int made = 0;
    int undone = 0;
};

Tally tally(const Known& batch, const QHash<StepKey, StepKey>& by)
{
    Tally counts;
    for (const quint32 index : batch.made) {
        ++counts.made;
        if (chainEnd(by, {batch.records.begin.id, index}).second % 2 == 1)
            ++counts.undone;
    }
    return counts;
}

BatchSummary summarize(const Known& batch, const QHash<StepKey, StepKey>& by)
{
    BatchSummary summary;
    const BeginRecord& begin = batch.records.begin;
    summary.id = batch.file.id;
    // A batch whose begin record cannot be read has no time.
    if (begin.timeMs > 0)
        summary.time = QDateTime::fromMSecsSinceEpoch(begin.timeMs);
    summary.label = begin.label;
    summary.role = roleOf(batch);
    summary.reverts = begin.reverts;
    if (!batch.records.readable) {
        summary.state = BatchState::Unreadable;
        summary.problem = batch.records.problem;
        return summary;
    }
    const Tally counts = tally(batch, by);
    summary.files = counts.made;
    if (batch.live)
        summary.state = BatchState::Running;
    else if (summary.role == Batch::Role::Command && counts.undone > 0)
        summary.state = counts.undone == counts.made ? BatchState::Undone : BatchState::PartlyUndone;
    else if (!batch.records.end || batch.records.end->recovered)
        summary.state = BatchState::Interrupted;
    return summary;
}

bool undoable(const Known& batch, const QHash<StepKey, StepKey>& by)
{
    if (!batch.records.readable || batch.live || roleOf(batch) != Batch::Role::Command)
        return false;
    const Tally counts = tally(batch, by);
    return counts.undone < counts.made;
}

bool redoable(const Known& batch, const QHash<StepKey, StepKey>& by)
{
    return batch.records.readable && !batch.live && roleOf(batch) == Batch::Role::Command
        && tally(batch, by).undone > 0;
}

Failure refusal(const QString& reason)
{
    Failure why;
    why.action = Failure::Action::Write;
    why.reason = reason;
    return why;
}

// A step to revert: its record, with its before-state, and the file as the step left it.
struct Target {
    StepKey key;
    StepRecord step;
    Fingerprint after;
};

QString nameOf(const QByteArray& path)
{
    return NativePath::decode(path);
}

// The name at which the file a step left is found now.
QByteArray whereNow(const StepRecord& step)
{
    return step.kind == StepKind::Rename || step.kind == StepKind::Move ? step.target : step.path;
}

// Whether the file is as the step left it. A file that a later change of this program (an undo of
// a later batch, say) left as it is now is compared by its bytes, and by identity and time with
// what that change left: nothing else has changed it since.
bool isAsLeft(const Fingerprint& now, const Fingerprint& expected, const Fingerprint* leftByUs)
{
    const bool bytes = !expected.checked || (now.checked && now.checksum == expected.checksum);
    const auto sameAs = [&](const Fingerprint& identity) {
        return now.device == identity.device && now.inode == identity.inode && now.modifiedNs == identity.modifiedNs
            && now.size == expected.size && bytes;
    };
    return sameAs(expected) || (leftByUs && sameAs(*leftByUs));
}

// One revert on its way: checked and recorded, then made once the group's records are durable.
struct Pending {
    const Target* target = nullptr;
    StepRecord record; // the revert's own step
    FileOps::Handle file; // Tail and Front: the file, locked
    qint64 currentHead = 0;
    quint32 index = 0;
};

class Reverter {
public:
    // leftByJournal: each file as the latest recorded change left it.
    Reverter(bool dryRun, Outcome& outcome, QHash<QByteArray, Fingerprint> leftByJournal)
        : m_dryRun(dryRun), m_outcome(outcome), m_leftByJournal(std::move(leftByJournal))
    { }

    void run(const QList<Target>& targets, BatchWriter* writer)
    {
        m_writer = writer;
        std::vector<Pending> group;
        QSet<QByteArray> names;
        for (const Target& target : targets) {
            const QByteArray now = whereNow(target.step);
            if (group.size() >= 256 || names.contains(now) || names.contains(target.step.path)) {
                finish(group);
                group.clear();
                names.clear();
            }
            names.insert(now);
            names.insert(target.step.path);
            if (std::optional<Pending> pending = check(target))
                group.push_back(std::move(*pending));
        }
        finish(group);
    }

private:
    void refuse(const Target& target, const QString& reason)
    {
        const QString path = nameOf(whereNow(target.step));
        m_outcome.refused.append(path + QStringLiteral(": ") + reason);
        if (m_writer && !m_dryRun)
            m_writer->add(RefusedRecord{target.key.first, target.key.second, whereNow(target.step), reason});
    }

    // Checks that the file is as the step left it and records the revert (not yet flushed).
    std::optional<Pending> check(const Target& target)
    {
        const StepRecord& step = target.step;
        const QString now = nameOf(whereNow(step));
        Pending pending;
        pending.target = &target;
        std::optional<Fingerprint> found;
        if (step.kind == StepKind::Tail || step.kind == StepKind::Front) {
            Result<FileOps::Handle> file
                = m_dryRun ? FileOps::openExisting(now, FileOps::Access::Read) : FileOps::openForChange(now);
            if (!file) {
                refuse(target,
                    file.failure().kind == Failure::Kind::Missing ? QStringLiteral("it is no longer there")
                                                                  : file.failure().reason);
                return std::nullopt;
            }
            pending.file = std::move(file).value();
            found = Store::fingerprintOf(pending.file, step.kind, step.aux);
        } else {
            found = Store::fingerprintAt(now, step.kind, step.aux);
        }
        if (!found) {
            refuse(target, QStringLiteral("it cannot be read"));
            return std::nullopt;
        }
        const auto byRun = m_leftByRun.constFind(whereNow(step));
        const auto byJournal = m_leftByJournal.constFind(whereNow(step));
        if (!isAsLeft(*found, target.after, byRun == m_leftByRun.constEnd() ? nullptr : &byRun.value())
            && !isAsLeft(
                *found, target.after, byJournal == m_leftByJournal.constEnd() ? nullptr : &byJournal.value())) {
            refuse(target,
                found->size < 0 ? QStringLiteral("it is no longer there") : QStringLiteral("it has changed since"));
            return std::nullopt;
        }
        if ((step.kind == StepKind::Rename || step.kind == StepKind::Move)
            && FileOps::isNameTaken(now, nameOf(step.path))) {
            refuse(target, QStringLiteral("its old name is taken"));
            return std::nullopt;
        }
        // The revert's own before-state: the file as it is now.
        StepRecord& record = pending.record;
        record.kind = step.kind;
        record.revertsBatch = target.key.first;
        record.revertsStep = target.key.second;
        record.device = found->device;
        record.inode = found->inode;
        record.size = found->size;
        switch (step.kind) {
        case StepKind::Tail: {
            record.path = step.path;
            const auto tail
                = pending.file.readAt(found->size - Store::tailLength(found->size), Store::tailLength(found->size));
            if (!tail) {
                refuse(target, QStringLiteral("it cannot be read"));
                return std::nullopt;
            }
            record.before = *tail;
            break;
        }
        case StepKind::Front: {
            record.path = step.path;
            const auto head = pending.file.readAt(0, step.aux);
            if (!head) {
                refuse(target, QStringLiteral("it cannot be read"));
                return std::nullopt;
            }
            record.before = *head;
            record.aux = step.before.size();
            break;
        }
        case StepKind::Rename:
        case StepKind::Move:
            record.path = step.target;
            record.target = step.path;
            break;
        case StepKind::Whole: {
            record.path = step.path;
            if (found->size >= 0) {
                const std::optional<QByteArray> bytes = Store::readAll(now);
                if (!bytes) {
                    refuse(target, QStringLiteral("it cannot be read"));
                    return std::nullopt;
                }
                record.before = *bytes;
            }
            break;
        }
        default: refuse(target, QStringLiteral("this change cannot be undone")); return std::nullopt;
        }
        if (m_writer && !m_dryRun)
            pending.index = m_writer->add(pending.record);
        return pending;
    }

    void finish(std::vector<Pending>& group)
    {
        if (group.empty())
            return;
        if (m_dryRun) {
            m_outcome.restored += int(group.size());
            return;
        }
        if (const Result<void> flushed = m_writer->flush(); !flushed) {
            for (const Pending& pending : group)
                refuse(*pending.target,
                    QStringLiteral("the undo history could not be written: ") + flushed.failure().reason);
            return;
        }
        for (Pending& pending : group)
            apply(pending);
    }

    void apply(Pending& pending)
    {
        const StepRecord& step = pending.target->step;
        const QString path = nameOf(step.path);
        Result<void> made;
        switch (step.kind) {
        case StepKind::Tail: {
            const qint64 keep = step.size - step.before.size();
            if (!pending.file.writeAt(keep, step.before) || !pending.file.resize(step.size))
                made = refusal(qt_error_string(errno));
            break;
        }
        case StepKind::Front:
            if (step.aux == step.before.size()) {
                if (!pending.file.writeAt(0, step.before))
                    made = refusal(qt_error_string(errno));
            } else {
                made = FileOps::replaceWithTail(path, pending.file, step.aux, step.before);
            }
            break;
        case StepKind::Rename: made = FileOps::renameNoReplace(nameOf(step.target), path); break;
        case StepKind::Move: made = FileOps::moveFile(nameOf(step.target), path); break;
        case StepKind::Whole:
            made = step.size < 0 ? removeFile(path, pending.record) : FileOps::writeAtomically(path, step.before);
            break;
        default: break;
        }
        if (!made) {
            m_outcome.refused.append(path + QStringLiteral(": ") + made.failure().reason);
            return;
        }
        std::optional<Fingerprint> after = step.kind == StepKind::Tail && pending.file.isOpen()
            ? Store::fingerprintOf(pending.file, StepKind::Tail, 0)
            : Store::fingerprintAt(path, step.kind, pending.record.aux);
        if (after) {
            m_writer->done(pending.index, *after);
            m_leftByRun.insert(step.path, *after);
        }
        ++m_outcome.restored;
        if (step.kind == StepKind::Rename || step.kind == StepKind::Move)
            m_outcome.renamed.append({nameOf(step.target), path});
        else
            m_outcome.changed.append(path);
    }

    // Removes a file the step created, while it is still the file that was checked.
    static Result<void> removeFile(const QString& path, const StepRecord& checked)
    {
        const QByteArray native = NativePath::encode(path);
        struct stat info { };
        if (::lstat(native.constData(), &info) != 0)
            return refusal(qt_error_string(errno));
        if (info.st_dev != checked.device || info.st_ino != checked.inode)
            return refusal(QStringLiteral("it has changed since"));
        if (SystemCalls::unlink(native.constData()) != 0)
            return refusal(qt_error_string(errno));
        return {};
    }

    bool m_dryRun;
    Outcome& m_outcome;
    BatchWriter* m_writer = nullptr;
    // Each file as a revert of this run left it, and as the latest recorded change of any batch did.
    QHash<QByteArray, Fingerprint> m_leftByRun;
    QHash<QByteArray, Fingerprint> m_leftByJournal;
};

// The targets of an undo (or redo) of command batch id: every step made whose chain of reverts
// has an even (odd) length, newest first, each as the last step of its chain left it.
Result<QList<Target>> targetsOf(const QList<Known>& batches, quint64 id, bool redo, QString* label)
{
    const QHash<StepKey, StepKey> by = revertedBy(batches);
    const auto batch = std::find_if(batches.begin(), batches.end(), [id](const Known& b) { return b.file.id == id; });
    if (batch == batches.end())
        return refusal(QStringLiteral("There is no batch %1 in the undo history").arg(id));
    if (!batch->records.readable)
        return refusal(QStringLiteral("Batch %1 cannot be read: %2").arg(id).arg(batch->records.problem));
    if (redo ? !redoable(*batch, by) : !undoable(*batch, by))
        return refusal(QStringLiteral("Batch %1 cannot be %2").arg(id).arg(redo ? u"redone" : u"undone"));
    *label = batch->records.begin.label;
    QHash<quint64, BatchRecords> whole; // batch files read with their before-states
    QHash<quint64, const Known*> byId;
    for (const Known& known : batches)
        byId.insert(known.file.id, &known);
    std::vector<quint32> indexes = batch->made;
    std::sort(indexes.begin(), indexes.end(), std::greater<>());
    QList<Target> targets;
    for (const quint32 index : indexes) {
        const auto [end, depth] = chainEnd(by, {id, index});
        if ((depth % 2 == 1) != redo)
            continue;
        const Known* owner = byId.value(end.first);
        if (!owner)
            continue;
        if (!whole.contains(end.first)) {
            const std::optional<QByteArray> bytes = Store::readAll(owner->file.path);
            whole.insert(end.first, bytes ? decodeBatch(*bytes) : BatchRecords{});
        }
        const BatchRecords& records = whole[end.first];
        if (end.second >= quint32(records.steps.size()) || !owner->after.contains(end.second))
            continue;
        targets.append(Target{end, records.steps[end.second], owner->after.value(end.second)});
    }
    // The changes are reverted in the opposite order to the one they were made in: a redo reverts
    // an undo's steps, which were made newest first, starting with its last.
    std::sort(targets.begin(), targets.end(), [](const Target& a, const Target& b) { return a.key > b.key; });
    return targets;
}

// Each file, by the name it has now, as the latest recorded change left it.
QHash<QByteArray, Fingerprint> lastChanges(const QList<Known>& batches)
{
    QHash<QByteArray, Fingerprint> latest;
    for (const Known& batch : batches) {
        if (!batch.records.readable)
            continue;
        for (auto done = batch.after.cbegin(); done != batch.after.cend(); ++done) {
            if (done.key() >= quint32(batch.records.steps.size()))
                continue;
            const QByteArray name = whereNow(batch.records.steps[done.key()]);
            const auto known = latest.constFind(name);
            if (done->size >= 0 && (known == latest.cend() || known->modifiedNs <= done->modifiedNs))
                latest.insert(name, *done);
        }
    }
    return latest;
}

Result<Outcome> revertBatch(quint64 id, bool redo, bool dryRun)
{
    recover();
    const QList<Known> batches = loadAll(true, id);
    QString label;
    const Result<QList<Target>> targets = targetsOf(batches, id, redo, &label);
    if (!targets)
        return targets.failure();
    Outcome outcome;
    Reverter reverter(dryRun, outcome, lastChanges(batches));
    if (dryRun) {
        reverter.run(*targets, nullptr);
        return outcome;
    }
    Batch batch((redo ? QStringLiteral("Redo ") : QStringLiteral("Undo ")) + label,
        redo ? Batch::Role::Redo : Batch::Role::Undo, id);
    if (const Result<void> ready = batch.ready(); !ready)
        return refusal(QStringLiteral("The undo history could not be written to %1 (%2), so no file was changed")
                           .arg(ready.failure().path, ready.failure().reason));
    if (!batch.writer())
        return refusal(QStringLiteral("The undo history is turned off"));
    reverter.run(*targets, batch.writer());
    return outcome;
}

// True when target is the file at path under a second name, or a whole copy of it.
bool isLeftoverOf(const QString& path, const QString& target)
{
    struct stat source { };
    struct stat copy { };
    if (::stat(NativePath::encode(path).constData(), &source) != 0
        || ::stat(NativePath::encode(target).constData(), &copy) != 0)
        return false;
    if (source.st_dev == copy.st_dev && source.st_ino == copy.st_ino)
        return true;
    if (source.st_size != copy.st_size)
        return false;
    const std::optional<QByteArray> sourceBytes = Store::readAll(path);
    return sourceBytes && sourceBytes == Store::readAll(target);
}

// What became of a step a crash cut short, putting back a write in place that was torn.
RepairRecord repairStep(const StepRecord& step, Recovery& recovery)
{
    RepairRecord repair;
    repair.index = step.index;
    const QString path = nameOf(step.path);
    auto made = [&](const QString& at, qint64 aux) {
        if (const auto after = Store::fingerprintAt(at, step.kind, aux); after && after->size >= 0) {
            repair.outcome = RepairRecord::Outcome::Made;
            repair.after = *after;
        }
        return repair;
    };
    switch (step.kind) {
    case StepKind::Tail:
    case StepKind::Front: {
        Result<FileOps::Handle> file = FileOps::openForChange(path);
        if (!file) {
            repair.outcome = RepairRecord::Outcome::Problem;
            repair.text = file.failure().reason;
            recovery.problems.append(path + QStringLiteral(": ") + repair.text);
            return repair;
        }
        struct stat info { };
        ::fstat(file->fd(), &info);
        const bool sameFile = info.st_dev == step.device && info.st_ino == step.inode;
        if (!sameFile)
            return step.kind == StepKind::Front ? made(path, step.aux) : repair; // replaced whole: the change was made
        const qint64 size = file->size();
        const bool tail = step.kind == StepKind::Tail;
        const qint64 at = tail ? step.size - step.before.size() : 0;
        const auto region = file->readAt(at, step.before.size());
        if (size == step.size && region == step.before)
            return repair; // not made
        // A tag appended whole, or cut off, is a change made in one step. A write in place that
        // has no done record may have been cut short anywhere: its old bytes go back.
        bool finished = false;
        if (tail) {
            const auto last = file->readAt(size - Store::tailLength(size), Store::tailLength(size));
            finished = (size == step.size + 128 && last && last->startsWith("TAG"))
                || (size == step.size - 128 && step.before.startsWith("TAG"));
        }
        if (finished) {
            if (const auto after = Store::fingerprintOf(*file, step.kind, step.aux)) {
                repair.outcome = RepairRecord::Outcome::Made;
                repair.after = *after;
            }
            return repair;
        }
        // Torn: neither the old bytes nor a whole new tag. The old bytes go back.
        if (file->writeAt(at, step.before) && (!tail || file->resize(step.size))) {
            repair.outcome = RepairRecord::Outcome::PutBack;
            recovery.repaired.append(path);
        } else {
            repair.outcome = RepairRecord::Outcome::Problem;
            repair.text = qt_error_string(errno);
            recovery.problems.append(path + QStringLiteral(": ") + repair.text);
        }
        return repair;
    }
    case StepKind::Rename:
    case StepKind::Move: {
        const QString target = nameOf(step.target);
        const bool atTarget = FileOps::isOrdinaryFile(target);
        if (atTarget && !FileOps::isOrdinaryFile(path))
            return made(target, 0);
        // Cut short with the file under both names: a rename that links the new name first and
        // then drops the old one, or a move between volumes that copied and had not yet removed
        // the source. The new name goes, so the file is where it was.
        if (atTarget && isLeftoverOf(path, target)) {
            if (SystemCalls::unlink(NativePath::encode(target).constData()) == 0) {
                repair.outcome = RepairRecord::Outcome::PutBack;
                recovery.repaired.append(path);
            }
        }
        return repair;
    }
    case StepKind::Whole: {
        const std::optional<QByteArray> bytes = Store::readAll(path);
        if (step.size < 0 ? bytes.has_value() : (bytes && *bytes != step.before))
            return made(path, 0);
        return repair;
    }
    default: return repair;
    }
}

// Finishes one batch that was cut short, holding its lock so that no other recovery does too.
bool recoverBatch(const Store::BatchFile& file, Recovery& recovery)
{
    const QByteArray native = NativePath::encode(file.path);
    const int fd = ::open(native.constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    bool recovered = false;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        const std::optional<QByteArray> bytes = Store::readAll(file.path);
        const BatchRecords records = bytes ? decodeBatch(*bytes) : BatchRecords{};
        if (records.readable && !records.end) {
            QSet<quint32> settled;
            for (const DoneRecord& done : records.done)
                settled.insert(done.index);
            QByteArray tail;
            for (const StepRecord& step : records.steps)
                if (!settled.contains(step.index))
                    tail += encode(repairStep(step, recovery));
            tail += encode(EndRecord{true});
            // A torn last record is cut off first, so that the new records are read after it.
            if (SystemCalls::ftruncate(fd, records.validLength) == 0) {
                qint64 at = 0;
                while (at < tail.size()) {
                    const ssize_t wrote = SystemCalls::pwrite(
                        fd, tail.constData() + at, size_t(tail.size() - at), off_t(records.validLength + at));
                    if (wrote <= 0 && errno != EINTR)
                        break;
                    at += std::max<ssize_t>(wrote, 0);
                }
                recovered = at == tail.size() && SystemCalls::fsync(fd) == 0;
            }
        }
    }
    ::close(fd);
    return recovered;
}

} // namespace

QString stateName(BatchState state)
{
    switch (state) {
    case BatchState::Done: return QStringLiteral("done");
    case BatchState::Undone: return QStringLiteral("undone");
    case BatchState::PartlyUndone: return QStringLiteral("partly undone");
    case BatchState::Interrupted: return QStringLiteral("interrupted");
    case BatchState::Running: return QStringLiteral("running");
    case BatchState::Unreadable: return QStringLiteral("unreadable");
    }
    return {};
}

QList<BatchSummary> history()
{
    const QList<Known> batches = loadAll();
    const QHash<StepKey, StepKey> by = revertedBy(batches);
    QList<BatchSummary> summaries;
    summaries.reserve(batches.size());
    for (const Known& batch : batches)
        summaries.append(summarize(batch, by));
    return summaries;
}

std::optional<BatchSummary> newestUndoable()
{
    const QList<Known> batches = loadAll();
    const QHash<StepKey, StepKey> by = revertedBy(batches);
    for (auto batch = batches.rbegin(); batch != batches.rend(); ++batch)
        if (undoable(*batch, by))
            return summarize(*batch, by);
    return std::nullopt;
}

std::optional<BatchSummary> newestRedoable()
{
    const QList<Known> batches = loadAll();
    const QHash<StepKey, StepKey> by = revertedBy(batches);
    for (auto batch = batches.rbegin(); batch != batches.rend(); ++batch) {
        if (!batch->records.readable)
            continue;
        const Batch::Role role = roleOf(*batch);
        // A command made after an undo ends what can be redone, as in every editor.
        if (role == Batch::Role::Command)
            return std::nullopt;
        if (role != Batch::Role::Undo)
            continue;
        const quint64 origin = batch->records.begin.reverts;
        const auto command
            = std::find_if(batches.begin(), batches.end(), [origin](const Known& b) { return b.file.id == origin; });
        if (command != batches.end() && redoable(*command, by))
            return summarize(*command, by);
    }
    return std::nullopt;
}

QList<quint64> undoneBackTo(quint64 id)
{
    const QList<Known> batches = loadAll();
    const QHash<StepKey, StepKey> by = revertedBy(batches);
    QList<quint64> ids;
    for (auto batch = batches.rbegin(); batch != batches.rend() && batch->file.id >= id; ++batch)
        if (undoable(*batch, by))
            ids.append(batch->file.id);
    return ids;
}

Result<Outcome> undo(quint64 id, bool dryRun)
{
    return revertBatch(id, false, dryRun);
}

Result<Outcome> redo(quint64 id, bool dryRun)
{
    return revertBatch(id, true, dryRun);
}

Recovery recover()
{
    Recovery recovery;
    if (!settings().enabled)
        return recovery;
    for (const Store::BatchFile& file : Store::list(folder())) {
        // Only a batch without an end and without a writer needs it; the end is the last
        // record, so a look at a file's last bytes passes over the others.
        if (Store::hasEnded(file.path) || Store::isLive(file.path))
            continue;
        const std::optional<QByteArray> bytes = Store::readAll(file.path);
        if (!bytes)
            continue;
        const BatchRecords records = decodeBatch(*bytes);
        if (!records.readable || records.end)
            continue;
        if (recoverBatch(file, recovery))
            ++recovery.batches;
    }
    return recovery;
}

} // namespace Journal
