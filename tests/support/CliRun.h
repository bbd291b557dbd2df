#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// sondrel-cli run as a process with the arguments (as the system's bytes, so that names that are
// not UTF-8 reach it) and the input on stdin. A run that outlives the hang limit is killed and
// fails the test. The program is the one beside the test binary, so that a copy of the build
// folder runs its own.
struct CliRun {
    int exitCode = -1;
    QByteArray out, err;
};
CliRun cli(const QList<QByteArray>& arguments, const QByteArray& input = {});
CliRun cli(const QStringList& arguments, const QByteArray& input = {});
// The same with another copy of the program.
CliRun runProgram(const QString& program, const QList<QByteArray>& arguments, const QByteArray& input = {});
QString cliPath();

// The line sondrel-cli prints on stderr for a message, a file name in it as its own bytes.
QByteArray cliError(const QString& text, const QString& title = QStringLiteral("Error:"));
