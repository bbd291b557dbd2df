#pragma once

#include <optional>
#include <utility>

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include "base/Result.h"
#include "journal/Journal.h"

// The batches the journal keeps, and undoing and redoing them. Undo and redo are batches
// themselves, journaled like any command: redoing a batch undoes the undo that undid it.
namespace Journal {

enum class BatchState {
    Done, // every recorded change was made, none undone
    Undone, // an undo put every changed file back
    PartlyUndone, // an undo put some files back and left others (changed since, name taken, gone)
    Interrupted, // the program ended before the batch did; recovery has put torn writes back
    Running, // another process is still writing it
    Unreadable, // damaged, or written by a newer version of the program
};

// The word the history shows for a state: "done", "undone", "partly undone", "interrupted",
// "running", "unreadable".
QString stateName(BatchState state);

struct BatchSummary {
    quint64 id = 0;
    QDateTime time;
    QString label;
    Batch::Role role = Batch::Role::Command;
    // The batch an undo or redo acted on; 0 for a command.
    quint64 reverts = 0;
    // Files changed by the batch.
    int files = 0;
    BatchState state = BatchState::Done;
    // Why an unreadable batch cannot be read.
    QString problem;
};

// Every batch kept, oldest first.
QList<BatchSummary> history();

// The newest command batch that can be undone (done, interrupted or partly undone), and the batch
// that redo would redo (the command whose undo is the newest not itself undone, unless a newer
// command has been made since).
std::optional<BatchSummary> newestUndoable();
std::optional<BatchSummary> newestRedoable();

// The command batches an undo back to batch id undoes, newest first: those from id on that can be
// undone.
QList<quint64> undoneBackTo(quint64 id);

// What an undo or a redo did, or (dry run) would do.
struct Outcome {
    // Files put back (or that would be).
    int restored = 0;
    // "path: reason" for each file left alone: changed since the batch, its old name taken, gone.
    QStringList refused;
    // Files that moved: (name before the undo, name after), so that rows can follow.
    QList<std::pair<QString, QString>> renamed;
    // Files whose bytes changed, by their names after the undo: their tags are read again.
    QStringList changed;
};

// Undoes batch id (a command, or the parts of it still done), newest change first. A file is put
// back only while it is in the state the batch left it (identity and fingerprint); a name to give
// back that is taken is refused, never replaced. The undo is journaled as its own batch, labelled
// "Undo " + the batch's label. A failure when the batch is unknown, unreadable, not undoable, or
// when the journal cannot be written.
Result<Outcome> undo(quint64 id, bool dryRun = false);
// Redoes command batch id, which an undo undid: the undo is undone, labelled "Redo " + label.
Result<Outcome> redo(quint64 id, bool dryRun = false);

// What the start-up repair found: batches a crash or a kill cut short.
struct Recovery {
    int batches = 0;
    // Files put back to their before-state because the change was cut short inside them.
    QStringList repaired;
    // "path: reason" for files the repair could not put back.
    QStringList problems;
};
// Finds the batches that no live process is writing and that have no end, puts back every file
// whose in-place change was cut short, and marks them interrupted. Run at each start.
Recovery recover();

} // namespace Journal
