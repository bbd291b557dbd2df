// The undo journal's batch files: any bytes read as the records before the first damaged one, and
// the history over a folder holding them is read without a crash.
//
// Input: a whole batch file. Properties: the records read end at or before the input's end; the
// bytes up to that point read as the same records, and with an end record added they read as a
// batch that ended; a file whose header or first record is damaged reads as unreadable, with a
// reason. On a folder: the input is the only batch of a journal, and its history is one batch,
// unreadable exactly when the records say so.

#include <QFile>
#include <QTemporaryDir>

#include "FuzzSupport.h"
#include "journal/Journal.h"
#include "journal/JournalHistory.h"
#include "journal/JournalRecords.h"

namespace {

bool sameRecords(const Journal::BatchRecords& a, const Journal::BatchRecords& b)
{
    return a.readable == b.readable && a.steps.size() == b.steps.size() && a.done.size() == b.done.size()
        && a.refused.size() == b.refused.size() && a.repairs.size() == b.repairs.size()
        && a.end.has_value() == b.end.has_value() && a.begin.id == b.begin.id && a.begin.label == b.begin.label;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Fuzz::SilentMessages messages;
    static MessagesScope scope(messages);
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    const Journal::BatchRecords records = Journal::decodeBatch(bytes);
    FUZZ_CHECK(records.validLength <= bytes.size());
    FUZZ_CHECK(records.readable || !records.problem.isEmpty());
    const QByteArrayView good = bytes.first(records.validLength);
    FUZZ_CHECK(sameRecords(Journal::decodeBatch(good), records));
    if (records.readable && !records.end) {
        const Journal::BatchRecords ended
            = Journal::decodeBatch(good.toByteArray() + Journal::encode(Journal::EndRecord{}));
        FUZZ_CHECK(ended.end.has_value() && ended.steps.size() == records.steps.size());
    }
    for (const Journal::DoneRecord& done : records.done)
        FUZZ_CHECK(done.index < quint32(records.steps.size()));

    static QTemporaryDir state;
    Journal::Settings settings;
    settings.folder = state.path();
    Journal::configure(settings);
    QFile file(state.path() + QStringLiteral("/0000000000000001.batch"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(bytes.data(), bytes.size());
    file.close();
    const QList<Journal::BatchSummary> history = Journal::history();
    FUZZ_CHECK(history.size() == 1);
    FUZZ_CHECK((history.front().state == Journal::BatchState::Unreadable) == !records.readable);
    return 0;
}
