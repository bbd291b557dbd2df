#include "journal/JournalRecords.h"

#include <zlib.h>

#include <QtEndian>

namespace Journal {

namespace {

constexpr char kMagic[8] = {'S', 'O', 'N', 'D', 'J', 'R', 'N', 'L'};
constexpr qsizetype kHeaderSize = sizeof kMagic + 4;
constexpr qsizetype kFrameSize = 8;
// No record is longer: a before-state larger than this is never inlined (see Journal.cpp).
constexpr quint32 kMaxRecord = quint32(1) << 30;

enum class Type : quint8 { Begin = 1, Step = 2, Done = 3, Refused = 4, Repair = 5, End = 6 };

// Appends one framed record to out: its length and checksum, patched in once the payload is
// written, then the payload.
class Writer {
public:
    Writer(QByteArray& out, Type type) : m_out(out), m_start(out.size())
    {
        m_out.append(kFrameSize, '\0');
        u8(quint8(type));
    }
    ~Writer()
    {
        const qsizetype length = m_out.size() - m_start - kFrameSize;
        char* frame = m_out.data() + m_start;
        qToLittleEndian(quint32(length), frame);
        qToLittleEndian(checksum(QByteArrayView(frame + kFrameSize, length)), frame + 4);
    }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    void u8(quint8 value) { m_out.append(char(value)); }
    void u32(quint32 value)
    {
        char data[4];
        qToLittleEndian(value, data);
        m_out.append(data, 4);
    }
    void u64(quint64 value)
    {
        char data[8];
        qToLittleEndian(value, data);
        m_out.append(data, 8);
    }
    void bytes(QByteArrayView value)
    {
        u32(quint32(value.size()));
        m_out.append(value.data(), value.size());
    }
    void text(const QString& value) { bytes(value.toUtf8()); }
    void fingerprint(const Fingerprint& value)
    {
        u64(value.device);
        u64(value.inode);
        u64(quint64(value.size));
        u64(quint64(value.modifiedNs));
        u32(value.checksum);
        u8(value.checked ? 1 : 0);
    }

private:
    QByteArray& m_out;
    qsizetype m_start;
};

// Reads a payload; any read past its end sets failed and gives zeros.
class Reader {
public:
    explicit Reader(QByteArrayView bytes) : m_bytes(bytes) { }
    bool failed() const { return m_failed || m_at != m_bytes.size(); }
    quint8 u8() { return take(1) ? quint8(m_bytes[m_at - 1]) : 0; }
    quint32 u32() { return take(4) ? qFromLittleEndian<quint32>(m_bytes.data() + m_at - 4) : 0; }
    quint64 u64() { return take(8) ? qFromLittleEndian<quint64>(m_bytes.data() + m_at - 8) : 0; }
    QByteArray bytes()
    {
        const quint32 length = u32();
        if (!take(length))
            return {};
        return m_bytes.sliced(m_at - length, length).toByteArray();
    }
    QString text() { return QString::fromUtf8(bytes()); }
    Fingerprint fingerprint()
    {
        Fingerprint value;
        value.device = u64();
        value.inode = u64();
        value.size = qint64(u64());
        value.modifiedNs = qint64(u64());
        value.checksum = u32();
        value.checked = u8() != 0;
        return value;
    }

private:
    bool take(qint64 count)
    {
        if (m_failed || count > m_bytes.size() - m_at) {
            m_failed = true;
            return false;
        }
        m_at += count;
        return true;
    }
    QByteArrayView m_bytes;
    qint64 m_at = 0;
    bool m_failed = false;
};

bool isStepKind(quint8 value)
{
    return value >= quint8(StepKind::Tail) && value <= quint8(StepKind::Whole);
}

// Reads one payload into batch; false when it is not a record this format knows.
bool decodeRecord(QByteArrayView payload, BatchRecords& batch, bool first)
{
    Reader in(payload);
    const quint8 type = in.u8();
    if (first != (type == quint8(Type::Begin)))
        return false;
    switch (Type(type)) {
    case Type::Begin: {
        // A damaged begin record leaves the batch's begin as it was: its id and label are not shown.
        BeginRecord begin;
        begin.id = in.u64();
        begin.timeMs = qint64(in.u64());
        begin.role = in.u8();
        begin.reverts = in.u64();
        begin.origin = in.u64();
        begin.label = in.text();
        if (in.failed() || begin.role < 1 || begin.role > 3)
            return false;
        batch.begin = std::move(begin);
        return true;
    }
    case Type::Step: {
        StepRecord step;
        step.index = in.u32();
        const quint8 kind = in.u8();
        step.kind = StepKind(kind);
        step.path = in.bytes();
        step.target = in.bytes();
        step.device = in.u64();
        step.inode = in.u64();
        step.size = qint64(in.u64());
        step.before = in.bytes();
        step.aux = qint64(in.u64());
        step.revertsBatch = in.u64();
        step.revertsStep = in.u32();
        // Steps are numbered from 0 in the order they are written.
        if (in.failed() || !isStepKind(kind) || step.index != quint32(batch.steps.size()))
            return false;
        batch.steps.append(std::move(step));
        return true;
    }
    case Type::Done: {
        DoneRecord done;
        done.index = in.u32();
        done.after = in.fingerprint();
        if (in.failed() || done.index >= quint32(batch.steps.size()))
            return false;
        batch.done.append(done);
        return true;
    }
    case Type::Refused: {
        RefusedRecord refused;
        refused.batch = in.u64();
        refused.step = in.u32();
        refused.path = in.bytes();
        refused.reason = in.text();
        if (in.failed())
            return false;
        batch.refused.append(std::move(refused));
        return true;
    }
    case Type::Repair: {
        RepairRecord repair;
        repair.index = in.u32();
        const quint8 outcome = in.u8();
        repair.outcome = RepairRecord::Outcome(outcome);
        repair.after = in.fingerprint();
        repair.text = in.text();
        if (in.failed() || outcome > quint8(RepairRecord::Outcome::Problem)
            || repair.index >= quint32(batch.steps.size()))
            return false;
        batch.repairs.append(std::move(repair));
        return true;
    }
    case Type::End: {
        EndRecord end;
        end.recovered = in.u8() != 0;
        if (in.failed())
            return false;
        batch.end = end;
        return true;
    }
    }
    return false;
}

} // namespace

quint32 checksum(QByteArrayView bytes)
{
    uLong value = crc32(0L, nullptr, 0);
    qsizetype at = 0;
    // zlib takes lengths as uInt: long regions go in pieces.
    while (at < bytes.size()) {
        const qsizetype piece = std::min<qsizetype>(bytes.size() - at, qsizetype(1) << 30);
        value = crc32(value, reinterpret_cast<const Bytef*>(bytes.data() + at), uInt(piece));
        at += piece;
    }
    return quint32(value);
}

QByteArray fileHeader()
{
    QByteArray header(kMagic, sizeof kMagic);
    char version[4];
    qToLittleEndian(quint32(FormatVersion), version);
    header.append(version, 4);
    return header;
}

void encode(const BeginRecord& record, QByteArray& out)
{
    Writer write(out, Type::Begin);
    write.u64(record.id);
    write.u64(quint64(record.timeMs));
    write.u8(record.role);
    write.u64(record.reverts);
    write.u64(record.origin);
    write.text(record.label);
}

void encode(const StepRecord& record, QByteArray& out)
{
    Writer write(out, Type::Step);
    write.u32(record.index);
    write.u8(quint8(record.kind));
    write.bytes(record.path);
    write.bytes(record.target);
    write.u64(record.device);
    write.u64(record.inode);
    write.u64(quint64(record.size));
    write.bytes(record.before);
    write.u64(quint64(record.aux));
    write.u64(record.revertsBatch);
    write.u32(record.revertsStep);
}

void encode(const DoneRecord& record, QByteArray& out)
{
    Writer write(out, Type::Done);
    write.u32(record.index);
    write.fingerprint(record.after);
}

void encode(const RefusedRecord& record, QByteArray& out)
{
    Writer write(out, Type::Refused);
    write.u64(record.batch);
    write.u32(record.step);
    write.bytes(record.path);
    write.text(record.reason);
}

void encode(const RepairRecord& record, QByteArray& out)
{
    Writer write(out, Type::Repair);
    write.u32(record.index);
    write.u8(quint8(record.outcome));
    write.fingerprint(record.after);
    write.text(record.text);
}

void encode(const EndRecord& record, QByteArray& out)
{
    Writer write(out, Type::End);
    write.u8(record.recovered ? 1 : 0);
}

BatchRecords decodeBatch(QByteArrayView bytes)
{
    BatchRecords batch;
    if (bytes.size() < kHeaderSize || QByteArrayView(kMagic, sizeof kMagic) != bytes.first(sizeof kMagic)) {
        batch.problem = QStringLiteral("not a batch file of this program");
        return batch;
    }
    const quint32 version = qFromLittleEndian<quint32>(bytes.data() + sizeof kMagic);
    if (version != FormatVersion) {
        batch.problem = QStringLiteral("written in format %1, which this version cannot read").arg(version);
        return batch;
    }
    qsizetype at = kHeaderSize;
    bool first = true;
    while (bytes.size() - at >= kFrameSize) {
        const quint32 length = qFromLittleEndian<quint32>(bytes.data() + at);
        const quint32 sum = qFromLittleEndian<quint32>(bytes.data() + at + 4);
        if (length > kMaxRecord || length > quint64(bytes.size() - at - kFrameSize))
            break;
        const QByteArrayView payload = bytes.sliced(at + kFrameSize, length);
        if (checksum(payload) != sum || !decodeRecord(payload, batch, first))
            break;
        first = false;
        at += kFrameSize + length;
        batch.validLength = at;
    }
    batch.readable = !first;
    if (first)
        batch.problem = QStringLiteral("its first record is damaged");
    else if (at != bytes.size() && batch.end)
        batch.problem = QStringLiteral("damaged after its end");
    return batch;
}

} // namespace Journal
