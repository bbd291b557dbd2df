#include "cli/CommandJournal.h"

#include <algorithm>
#include <limits>

#include "base/Messages.h"
#include "base/Result.h"
#include "cli/CommandLine.h"
#include "journal/JournalHistory.h"

namespace CommandJournal {

namespace {

const QString kNoJournal = QStringLiteral("no-journal");
const QString kJournalLimit = QStringLiteral("journal-limit");
// A run cut short in a group of changes may leave hundreds of files put back: the message after
// it names the first few and counts the rest, so that it stays one message.
constexpr qsizetype kNamed = 5;

} // namespace

void addOptions(CommandLine& line, bool turnsOff)
{
    if (turnsOff)
        line.addFlag(kNoJournal,
            QStringLiteral("Keep no undo history of this run: its changes cannot be undone, and a journal that "
                           "cannot be written does not stop it."));
    line.addValue(kJournalLimit, QStringLiteral("N|SIZE"),
        QStringLiteral("Keep the newest N batches in the undo history (100 unless given), or no more than SIZE "
                       "bytes of them, such as 512M or 2G (512M unless given)."));
}

std::optional<Journal::Settings> withLimit(const QString& limit, Journal::Settings settings)
{
    static const QString suffixes = QStringLiteral("KMGT");
    const qsizetype suffix = limit.isEmpty() ? -1 : suffixes.indexOf(limit.back().toUpper());
    const QString digits = suffix < 0 ? limit : limit.chopped(1);
    // Digits only: no sign, no spaces, no base prefix.
    if (digits.isEmpty() || !std::all_of(digits.cbegin(), digits.cend(), [](QChar c) { return c.isDigit(); }))
        return std::nullopt;
    bool ok = false;
    const qint64 number = digits.toLongLong(&ok);
    if (!ok || number <= 0)
        return std::nullopt;
    if (suffix < 0) {
        if (number > std::numeric_limits<int>::max())
            return std::nullopt;
        settings.maxBatches = int(number);
        return settings;
    }
    const int shift = 10 * int(suffix + 1);
    if (number > (std::numeric_limits<qint64>::max() >> shift))
        return std::nullopt;
    settings.maxBytes = number << shift;
    return settings;
}

bool start(const CommandLine& line, int* exitCode, bool turnsOff)
{
    Journal::Settings settings = Journal::settings();
    settings.enabled = !turnsOff || !line.isSet(kNoJournal);
    if (line.isSet(kJournalLimit)) {
        const std::optional<Journal::Settings> limited = withLimit(line.value(kJournalLimit), settings);
        if (!limited) {
            *exitCode = line.usageError(
                QStringLiteral("--journal-limit takes a number of batches, or a size such as 512M or 2G"));
            return false;
        }
        settings = *limited;
    }
    Journal::configure(settings);
    recover();
    return true;
}

void recover()
{
    const Journal::Recovery found = Journal::recover();
    if (found.batches == 0 && found.repaired.isEmpty() && found.problems.isEmpty())
        return;
    QString text = QStringLiteral("An earlier run was cut short");
    if (found.batches > 0)
        text += (found.batches == 1 ? QStringLiteral("; its batch")
                                    : QStringLiteral("; its %1 batches").arg(found.batches))
            + QStringLiteral(" now shows as interrupted in sondrel-cli history");
    text += u'.';
    const auto named = [](const QStringList& all, const QString& separator) {
        QString listed = all.first(std::min(kNamed, all.size())).join(separator);
        if (all.size() > kNamed)
            listed += QStringLiteral(" and %1 more").arg(all.size() - kNamed);
        return listed + u'.';
    };
    if (!found.repaired.isEmpty())
        text += QStringLiteral(" Put back as they were before it: ") + named(found.repaired, QStringLiteral(", "));
    if (!found.problems.isEmpty())
        text += QStringLiteral(" Could not be put back: ") + named(found.problems, QStringLiteral("; "));
    Messages::inform(text);
}

QString filesText(qsizetype count)
{
    return count == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(count);
}

QString notWrittenText(const Failure& failure, bool offerNoJournal)
{
    return QStringLiteral("The undo history could not be written, so no file was changed: ")
        + (failure.path.isEmpty() ? failure.reason : failure.path + QStringLiteral(": ") + failure.reason)
        + (offerNoJournal ? QStringLiteral("; use --no-journal to change files without it.") : QStringLiteral("."));
}

std::unique_ptr<Journal::Batch> openBatch(const CommandLine& line, const QStringList& arguments, qsizetype files)
{
    auto batch = std::make_unique<Journal::Batch>(QStringLiteral("sondrel-cli ")
        + line.commandAsTyped(arguments, {kJournalLimit}) + QStringLiteral(", ") + filesText(files));
    if (const Result<void> ready = batch->ready(); !ready) {
        Messages::error(notWrittenText(ready.failure(), true));
        return nullptr;
    }
    return batch;
}

} // namespace CommandJournal
