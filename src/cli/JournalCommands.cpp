#include "cli/JournalCommands.h"

#include <optional>

#include "base/Messages.h"
#include "cli/CommandLine.h"
#include "cli/Json.h"
#include "journal/JournalHistory.h"

namespace {

QString roleName(Journal::Batch::Role role)
{
    switch (role) {
    case Journal::Batch::Role::Command: return QStringLiteral("command");
    case Journal::Batch::Role::Undo: return QStringLiteral("undo");
    case Journal::Batch::Role::Redo: return QStringLiteral("redo");
    }
    return {};
}

// Undoes or redoes batch ID, or the newest that can be; prints what it did and names each file it
// left alone on stderr.
int runRevert(const QStringList& arguments, bool redo)
{
    const QString verb = redo ? QStringLiteral("redo") : QStringLiteral("undo");
    CommandLine line(verb + QStringLiteral(" [--dry-run] [ID]"),
        redo ? QStringLiteral("Redoes the batch ID that an undo undid, or the one undone last. Each file must still be "
                              "as the undo left it; a file changed since, gone, or whose name is taken is left alone "
                              "and named on stderr, and the rest is redone. Prints each file put back (a renamed "
                              "one as its name before and after, separated by a tab), then what was done.")
             : QStringLiteral("Undoes the batch ID (see history), or the newest one that can be undone: every file "
                              "it changed gets its old bytes and its old name back. Each file must still be as the "
                              "batch left it; a file changed since, gone, or whose old name is taken is left alone "
                              "and named on stderr, and the rest is undone. The undo is itself a batch, which redo "
                              "undoes. Prints each file put back (a renamed one as its name before and after, "
                              "separated by a tab), then what was done."));
    line.addFlag(QStringLiteral("dry-run"), QStringLiteral("Change nothing; say what would be put back."));
    if (const std::optional<int> done = line.parse(arguments))
        return *done;
    if (line.arguments().size() > 1)
        return line.usageError(QStringLiteral("unexpected argument: ") + line.arguments().at(1));
    std::optional<quint64> id;
    if (!line.arguments().isEmpty()) {
        bool ok = false;
        id = line.arguments().first().toULongLong(&ok);
        if (!ok || *id == 0)
            return line.usageError(QStringLiteral("ID is a batch number from sondrel-cli history"));
    } else if (const auto newest = redo ? Journal::newestRedoable() : Journal::newestUndoable()) {
        id = newest->id;
    } else {
        writeOut(redo ? "Nothing to redo.\n" : "Nothing to undo.\n");
        return ExitOk;
    }
    const bool dryRun = line.isSet(QStringLiteral("dry-run"));
    const Result<Journal::Outcome> outcome = redo ? Journal::redo(*id, dryRun) : Journal::undo(*id, dryRun);
    if (!outcome) {
        Messages::error(outcome.failure().reason + u'.');
        return ExitOk;
    }
    for (const auto& [from, to] : outcome->renamed)
        writeOut((from + u'\t' + to + u'\n').toUtf8());
    for (const QString& path : outcome->changed)
        writeOut((path + u'\n').toUtf8());
    writeOut(QStringLiteral("%1 batch %2: %3 of %4 files %5.\n")
                 .arg(dryRun ? QStringLiteral("Would %1").arg(verb)
                             : (redo ? QStringLiteral("Redid") : QStringLiteral("Undid")))
                 .arg(*id)
                 .arg(outcome->restored)
                 .arg(outcome->restored + outcome->refused.size())
                 .arg(dryRun ? QStringLiteral("would be put back") : QStringLiteral("put back"))
                 .toUtf8());
    for (const QString& refused : outcome->refused)
        Messages::error(refused + QStringLiteral(": left as it is."));
    return ExitOk;
}

} // namespace

int runHistory(const QStringList& arguments)
{
    CommandLine line(QStringLiteral("history [--json]"),
        QStringLiteral("Prints the batches of changes the undo history keeps, oldest first, a line each: id, time, "
                       "state (done, undone, partly undone, interrupted, running, unreadable), files changed and "
                       "label, separated by tabs."));
    line.addFlag(QStringLiteral("json"),
        QStringLiteral("Print one JSON object a line instead, with the keys id, time, label, role (command, undo, "
                       "redo), reverts, files, state and problem."));
    if (const std::optional<int> done = line.parse(arguments))
        return *done;
    const bool json = line.isSet(QStringLiteral("json"));
    for (const Journal::BatchSummary& batch : Journal::history()) {
        const QString time = batch.time.toString(Qt::ISODate);
        const QString state = Journal::stateName(batch.state);
        if (!json) {
            writeOut(QStringLiteral("%1\t%2\t%3\t%4\t%5\n")
                         .arg(batch.id)
                         .arg(time, state)
                         .arg(batch.files)
                         .arg(batch.label)
                         .toUtf8());
            continue;
        }
        JsonLine object;
        object.add("id", qint64(batch.id))
            .add("time", time)
            .add("label", batch.label)
            .add("role", roleName(batch.role))
            .add("reverts", qint64(batch.reverts))
            .add("files", batch.files)
            .add("state", state)
            .add("problem", batch.problem);
        writeOut(object.line());
    }
    return ExitOk;
}

int runUndo(const QStringList& arguments)
{
    return runRevert(arguments, false);
}

int runRedo(const QStringList& arguments)
{
    return runRevert(arguments, true);
}
