#pragma once

#include <optional>

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include "base/Messages.h"
#include "base/Result.h"
#include "journal/Journal.h"

// Exit statuses of sondrel-cli.
constexpr int ExitOk = 0;
constexpr int ExitErrorShown = 1;
constexpr int ExitUsage = 2;

// The options of one command: parsing, --help, usage errors, and the list of files a command works
// on, given as arguments or through --files-from.
class CommandLine {
public:
    // synopsis: the command's usage after "sondrel-cli ", e.g. "info [--json] FILE...".
    CommandLine(QString synopsis, const QString& description);

    void addFlag(const QString& name, const QString& description);
    void addValue(const QString& name, const QString& valueName, const QString& description);
    // Adds --files-from; files() then takes paths from the list too.
    void takesFiles();
    // The command takes exactly count arguments (a playlist, say), read with arguments().
    void takesArguments(int count) { m_argumentCount = count; }
    QStringList arguments() const { return m_parser.positionalArguments(); }

    // Parses the command's arguments (the command name first). The exit status when the command
    // is done: --help was answered, or the arguments are wrong; nothing when it is to run.
    std::optional<int> parse(const QStringList& arguments);

    bool isSet(const QString& name) const { return m_parser.isSet(name); }
    QString value(const QString& name) const { return m_parser.value(name); }

    // The longest --files-from list taken: a million paths of 256 bytes.
    static constexpr qsizetype MaxFileListSize = qsizetype(256) << 20;

    // The files to work on: the arguments, then the lines of the --files-from list. A failure
    // (action ReadFileList), after its message, when the list cannot be read or is longer than
    // MaxFileListSize.
    Result<QStringList> files() const;

    // Prints the usage line and the reason on stderr; returns ExitUsage.
    int usageError(const QString& reason) const;

    // The options given, as typed ("--id3v2 --format <a> - <t>"), for the label of the command's
    // batch in the undo history.
    QString optionsText() const;

private:
    QString m_synopsis;
    QCommandLineParser m_parser;
    QStringList m_valueNames;
    bool m_takesFiles = false;
    int m_argumentCount = 0;
};

// The undo journal's batch of one command that changes files, labelled "sondrel-cli COMMAND
// OPTIONS, N files". When the journal cannot be written the error is shown and ready() is false:
// the command then changes nothing.
class CommandBatch {
public:
    CommandBatch(const CommandLine& line, const QString& command, qsizetype files);
    bool ready() const { return m_ready; }

private:
    Journal::Batch m_batch;
    bool m_ready = true;
};

// The paths of a file list: one a line, LF or CR LF, empty lines skipped.
QStringList pathsOfList(const QByteArray& bytes);

// The messages of the running command: stderr lines, questions answered No unless a command's
// option says otherwise, error messages counted for the exit status.
StderrMessages& commandMessages();

// Writes to stdout, which main gives a large buffer: results of 100,000 files go out in few writes.
void writeOut(const QByteArray& bytes);
