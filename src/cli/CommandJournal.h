#pragma once

#include <memory>
#include <optional>

#include <QString>
#include <QStringList>

#include "journal/Journal.h"

class CommandLine;
struct Failure;

// How sondrel-cli keeps its undo history: the options that steer it, the repair of what an
// earlier run left cut short, and one batch for each run that changes users' files.
namespace CommandJournal {

// Adds --journal-limit, and --no-journal when turnsOff (a command that changes files; undo and
// redo are journaled always).
void addOptions(CommandLine& line, bool turnsOff = true);

// Sets the journal up from the options addOptions added and repairs what an earlier run cut
// short. False, after a usage error whose exit status is in *exitCode, for a limit that is
// neither a count nor a size.
bool start(const CommandLine& line, int* exitCode, bool turnsOff = true);

// Puts back what runs that were cut short left torn, and says once, as information, what it
// found: a later command then reads the files as they were before.
void recover();

// The bound --journal-limit sets on settings: a count of batches ("50"), or a size in bytes
// with a suffix K, M, G or T, powers of 1024 ("512M"). Empty for any other text.
std::optional<Journal::Settings> withLimit(const QString& limit, Journal::Settings settings);

// "1 file", "3 files".
QString filesText(qsizetype count);

// Opens the batch of a run that changes files, labelled "sondrel-cli " + the command as typed +
// ", N files". Null, after an error message, when the undo history cannot be written: then no
// file may change.
std::unique_ptr<Journal::Batch> openBatch(const CommandLine& line, const QStringList& arguments, qsizetype files);

// The message for an undo history that cannot be written: the folder or file and the system's
// reason, as Batch::ready() gives them, and the way around it.
QString notWrittenText(const Failure& failure, bool offerNoJournal);

} // namespace CommandJournal
