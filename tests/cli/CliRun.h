#pragma once

#include <gtest/gtest.h>

#include <QProcess>
#include <QStringList>

// Only a guard against a program that hangs (on a named pipe, say); no test measures time.
constexpr int kHangGuardMs = 30000;

struct CliRun {
    int exitCode = -1;
    QByteArray out, err;
};

// Runs sondrel-cli with the arguments and the input on stdin.
inline CliRun cli(const QStringList& arguments, const QByteArray& input = {})
{
    QProcess process;
    process.start(QString::fromUtf8(SONDREL_CLI), arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(kHangGuardMs)) {
        process.kill();
        ADD_FAILURE() << "sondrel-cli hangs on: " << arguments.join(u' ').toStdString();
    }
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}
