#pragma once

#include <optional>

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include "base/Messages.h"
#include "base/Result.h"

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
    // The command takes from least to most arguments (a playlist, say), read with arguments().
    void takesArguments(int most, int least)
    {
        m_argumentCount = most;
        m_leastArguments = least;
    }
    void takesArguments(int count) { takesArguments(count, count); }
    QStringList arguments() const { return m_parser.positionalArguments(); }

    // Parses the command's arguments (the command name first). The exit status when the command
    // is done: --help was answered, or the arguments are wrong; nothing when it is to run.
    std::optional<int> parse(const QStringList& arguments);

    bool isSet(const QString& name) const { return m_parser.isSet(name); }
    QString value(const QString& name) const { return m_parser.value(name); }
    // Every value of an option given more than once, in order.
    QStringList values(const QString& name) const { return m_parser.values(name); }

    // The longest --files-from list taken: a million paths of 256 bytes.
    static constexpr qsizetype MaxFileListSize = qsizetype(256) << 20;

    // The files to work on: the arguments, then the lines of the --files-from list. A failure
    // (action ReadFileList), after its message, when the list cannot be read or is longer than
    // MaxFileListSize.
    Result<QStringList> files() const;

    // The command and its options as they were typed, values included, without the files and
    // other arguments and without the options named in leftOut: how the undo history names a run.
    QString commandAsTyped(const QStringList& arguments, const QStringList& leftOut = {}) const;

    // Prints the usage line and the reason on stderr; returns ExitUsage.
    int usageError(const QString& reason) const;

private:
    QString m_synopsis;
    QCommandLineParser m_parser;
    bool m_takesFiles = false;
    int m_argumentCount = 0;
    int m_leastArguments = 0;
    // The options that take a value, by name.
    QStringList m_valueOptions;
};

// A text as one field of a tab-separated line: backslash, tab, CR and LF escaped as \\, \t, \r
// and \n.
QString tabField(QString text);

// The paths of a file list: one a line, LF or CR LF, empty lines skipped.
QStringList pathsOfList(const QByteArray& bytes);

// The messages of the running command: stderr lines, questions answered No unless a command's
// option says otherwise, error messages counted for the exit status.
StderrMessages& commandMessages();

// Writes to stdout, which main gives a large buffer: results of 100,000 files go out in few writes.
void writeOut(const QByteArray& bytes);
