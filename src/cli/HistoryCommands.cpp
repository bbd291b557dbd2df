#include "cli/HistoryCommands.h"

#include <QSet>
#include <QStringBuilder>

#include "base/Messages.h"
#include "base/NativePath.h"
#include "cli/CommandJournal.h"
#include "cli/CommandLine.h"
#include "cli/Json.h"
#include "journal/JournalHistory.h"

namespace {

// Whether the batch's time was read: a batch whose first record is damaged has none.
bool hasTime(const QDateTime& time)
{
    return time.isValid() && time.toMSecsSinceEpoch() > 0;
}

QString timeText(const QDateTime& time)
{
    // Local time to the second with its offset from UTC, as a person reads it and a script sorts it.
    if (!hasTime(time))
        return {};
    const QDateTime local = time.toLocalTime();
    return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODate);
}

QString roleName(Journal::Batch::Role role)
{
    switch (role) {
    case Journal::Batch::Role::Command: return QStringLiteral("command");
    case Journal::Batch::Role::Undo: return QStringLiteral("undo");
    case Journal::Batch::Role::Redo: return QStringLiteral("redo");
    }
    return {};
}

QByteArray historyLine(const Journal::BatchSummary& batch)
{
    // An unreadable batch may have no label: its problem says what it is.
    const QString& label = batch.label.isEmpty() ? batch.problem : batch.label;
    return NativePath::encode(QString(QString::number(batch.id) % u'\t' % timeText(batch.time) % u'\t'
        % Journal::stateName(batch.state) % u'\t' % QString::number(batch.files) % u'\t' % tabField(label) % u'\n'));
}

QByteArray historyJson(const Journal::BatchSummary& batch)
{
    JsonLine json;
    json.add("id", qint64(batch.id));
    if (hasTime(batch.time))
        json.add("time", timeText(batch.time));
    else
        json.addNull("time");
    json.add("label", batch.label)
        .add("role", roleName(batch.role))
        .add("reverts", qint64(batch.reverts))
        .add("files", batch.files)
        .add("state", Journal::stateName(batch.state));
    if (batch.problem.isEmpty())
        json.addNull("problem");
    else
        json.add("problem", batch.problem);
    return json.line();
}

enum class Direction { Undo, Redo };

// The batch that ID names, or the newest one there is to undo or redo; empty, after a usage
// error or a message, when there is none.
std::optional<Journal::BatchSummary> batchToRevert(const CommandLine& line, Direction direction, int* exitCode)
{
    if (line.arguments().isEmpty()) {
        std::optional<Journal::BatchSummary> newest
            = direction == Direction::Undo ? Journal::newestUndoable() : Journal::newestRedoable();
        if (!newest)
            Messages::inform(
                direction == Direction::Undo ? QStringLiteral("Nothing to undo.") : QStringLiteral("Nothing to redo."));
        return newest;
    }
    bool ok = false;
    const quint64 id = line.arguments().first().toULongLong(&ok);
    if (!ok || id == 0) {
        *exitCode = line.usageError(QStringLiteral("ID is the number of a batch, as sondrel-cli history shows it"));
        return std::nullopt;
    }
    // An id the history lacks is left to the journal, which says so.
    Journal::BatchSummary named;
    named.id = id;
    for (const Journal::BatchSummary& batch : Journal::history())
        if (batch.id == id)
            named = batch;
    return named;
}

// Prints what an undo or redo put back: a heading, each file whose bytes changed, and each
// rename as "before<TAB>after", as name-from-tag prints its renames.
void printOutcome(const Journal::BatchSummary& batch, const Journal::Outcome& outcome, Direction direction, bool dryRun)
{
    const bool undo = direction == Direction::Undo;
    const QString verb = dryRun ? (undo ? QStringLiteral("Would undo") : QStringLiteral("Would redo"))
                                : (undo ? QStringLiteral("Undid") : QStringLiteral("Redid"));
    const QString count
        = outcome.restored == 1 ? QStringLiteral("1 change") : QStringLiteral("%1 changes").arg(outcome.restored);
    QString text = verb % QStringLiteral(" batch ") % QString::number(batch.id) % QStringLiteral(" (")
        % tabField(batch.label) % QStringLiteral("): ") % count % (dryRun ? QStringLiteral(" would be") : QString())
        % (undo ? QStringLiteral(" put back.\n") : QStringLiteral(" made again.\n"));
    // A file with both of its tags changed is one line.
    QSet<QString> shown;
    for (const QString& path : outcome.changed)
        if (!shown.contains(path)) {
            shown.insert(path);
            text += path % u'\n';
        }
    for (const auto& [before, after] : outcome.renamed)
        text += before % u'\t' % after % u'\n';
    writeOut(NativePath::encode(text));
}

int runRevert(const QStringList& arguments, Direction direction)
{
    const bool undo = direction == Direction::Undo;
    CommandLine line(undo ? QStringLiteral("undo [--dry-run] [--journal-limit N|SIZE] [ID]")
                          : QStringLiteral("redo [--dry-run] [--journal-limit N|SIZE] [ID]"),
        undo ? QStringLiteral("Puts back the files that batch ID of the undo history changed (by default the newest "
                              "batch there is to undo), and prints the batch, then each file put back and each "
                              "rename undone as \"name before<TAB>name after\". A file changed since, gone, or "
                              "whose old name is taken is left alone and named on stderr (the exit status is then "
                              "1); the rest of the batch is undone. The undo is a batch of its own.")
             : QStringLiteral("Makes again the changes of batch ID that an undo put back (by default the batch of "
                              "the newest undo, unless a command has changed files since), and prints what it "
                              "changed as undo does. A file changed since the undo is left alone and named on "
                              "stderr. The redo is a batch of its own."));
    line.addFlag(
        QStringLiteral("dry-run"), QStringLiteral("Check every file and say how many would change; change nothing."));
    CommandJournal::addOptions(line, false);
    line.takesArguments(1, 0);
    if (const std::optional<int> done = line.parse(arguments))
        return *done;
    int exitCode = ExitOk;
    if (!CommandJournal::start(line, &exitCode, false))
        return exitCode;
    const std::optional<Journal::BatchSummary> batch = batchToRevert(line, direction, &exitCode);
    if (!batch)
        return exitCode;
    const bool dryRun = line.isSet(QStringLiteral("dry-run"));
    const Result<Journal::Outcome> outcome = undo ? Journal::undo(batch->id, dryRun) : Journal::redo(batch->id, dryRun);
    if (!outcome) {
        const Failure& failure = outcome.failure();
        // A refusal has no path; a journal that cannot be written names its folder or file.
        Messages::error(
            failure.path.isEmpty() ? failure.reason + u'.' : CommandJournal::notWrittenText(failure, false));
        return ExitErrorShown;
    }
    printOutcome(*batch, *outcome, direction, dryRun);
    for (const QString& refused : outcome->refused)
        Messages::error(refused + u'.');
    return ExitOk;
}

} // namespace

int runHistory(const QStringList& arguments)
{
    CommandLine line(QStringLiteral("history [--json]"),
        QStringLiteral("Prints the batches of the undo history, oldest first, one a line: id, time, state (done, "
                       "undone, partly undone, interrupted, running or unreadable), the number of files changed "
                       "and the label, which names the command, separated by tabs. Undo and redo are batches too, "
                       "labelled \"Undo \" or \"Redo \" and the label of the batch they act on."));
    line.addFlag(QStringLiteral("json"),
        QStringLiteral("Print one JSON object a line: id, time, label, role (command, undo or redo), reverts (the "
                       "batch an undo or redo acts on, 0 for a command), files, state and problem (why an "
                       "unreadable batch cannot be read, else null)."));
    if (const std::optional<int> done = line.parse(arguments))
        return *done;
    CommandJournal::recover();
    const bool json = line.isSet(QStringLiteral("json"));
    for (const Journal::BatchSummary& batch : Journal::history())
        writeOut(json ? historyJson(batch) : historyLine(batch));
    return ExitOk;
}

int runUndo(const QStringList& arguments)
{
    return runRevert(arguments, Direction::Undo);
}

int runRedo(const QStringList& arguments)
{
    return runRevert(arguments, Direction::Redo);
}
