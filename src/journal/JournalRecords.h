#pragma once

#include <optional>

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

// The bytes of a batch file, as pure functions: records are framed (length, checksum, payload) so
// that a file cut at any byte, or holding any bytes at all, reads as the records before the first
// damaged one. The layout is described in docs/journal.md.
namespace Journal {

// The format this program writes; a file of a newer one is not read.
constexpr quint16 FormatVersion = 1;

// What a step changed, and therefore how it is put back.
enum class StepKind : quint8 {
    Tail = 1, // the last bytes of a file (an ID3v1 tag written, appended or removed)
    Front = 2, // the first bytes of a file replaced by a head of another length (an ID3v2 tag)
    Rename = 3, // a file given another name in its folder
    Move = 4, // a file moved to another name, perhaps on another volume
    Copy = 5, // a file copied to a name where nothing was
    Uncopy = 6, // a copy removed again (an undone Copy)
    Whole = 7, // a small file (a playlist) replaced whole or created; its old bytes are kept
};

// What a file looked like after a change: enough to tell whether it is still as the change left it.
struct Fingerprint {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = -1; // -1: no file
    qint64 modifiedNs = 0;
    quint32 checksum = 0; // of the region the change wrote (see docs/journal.md)
    bool checked = true; // false when the region could not be read: the checksum says nothing
    friend bool operator==(const Fingerprint&, const Fingerprint&) = default;
};

struct BeginRecord {
    quint64 id = 0;
    qint64 timeMs = 0;
    quint8 role = 1; // Batch::Role
    quint64 reverts = 0; // the batch an undo or redo acted on
    quint64 origin = 0; // the command batch at the start of that chain
    QString label;
};

// A change about to be made, with its before-state. Written, and flushed, before the change.
struct StepRecord {
    quint32 index = 0;
    StepKind kind = StepKind::Tail;
    QByteArray path; // the file changed (Rename/Move/Copy: the source)
    QByteArray target; // Rename/Move/Copy: the new name; Uncopy: the copy's source
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = -1; // the file's size before; -1 when no file was there
    QByteArray before; // Tail: its last bytes; Front: the head replaced; Whole: the old bytes
    qint64 aux = 0; // Front: the new head's length
    quint64 revertsBatch = 0; // for a step of an undo or redo: the step it reverts
    quint32 revertsStep = 0;
};

struct DoneRecord {
    quint32 index = 0;
    Fingerprint after;
};

// A step of another batch that an undo or redo left alone, and why.
struct RefusedRecord {
    quint64 batch = 0;
    quint32 step = 0;
    QByteArray path;
    QString reason;
};

// What recovery found of a step a crash cut short.
struct RepairRecord {
    enum class Outcome : quint8 { NotMade = 0, Made = 1, PutBack = 2, Problem = 3 };
    quint32 index = 0;
    Outcome outcome = Outcome::NotMade;
    Fingerprint after; // Made: the file as it is
    QString text;
};

struct EndRecord {
    bool recovered = false; // written by recovery, not by the batch itself
};

QByteArray fileHeader();
// Each record appended to out, framed.
void encode(const BeginRecord& record, QByteArray& out);
void encode(const StepRecord& record, QByteArray& out);
void encode(const DoneRecord& record, QByteArray& out);
void encode(const RefusedRecord& record, QByteArray& out);
void encode(const RepairRecord& record, QByteArray& out);
void encode(const EndRecord& record, QByteArray& out);
// One record framed on its own.
template <class Record> QByteArray encode(const Record& record)
{
    QByteArray out;
    encode(record, out);
    return out;
}

// A batch file read back: every record up to the first damaged one.
struct BatchRecords {
    bool readable = false; // header and begin record read
    QString problem; // why not, or what was damaged
    BeginRecord begin;
    QList<StepRecord> steps;
    QList<DoneRecord> done;
    QList<RefusedRecord> refused;
    QList<RepairRecord> repairs;
    std::optional<EndRecord> end;
    qint64 validLength = 0; // bytes up to the end of the last good record
};

BatchRecords decodeBatch(QByteArrayView bytes);

// The checksum used in fingerprints and record frames.
quint32 checksum(QByteArrayView bytes);

} // namespace Journal
