#include "support/CliRun.h"

#include <chrono>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include "base/NativePath.h"
#include "support/HangGuard.h"
#include "support/TestFiles.h"

extern char** environ;

using namespace Qt::StringLiterals;

QString cliPath()
{
    const QString beside = QFileInfo(QFile::symLinkTarget(u"/proc/self/exe"_s)).absolutePath() + u"/sondrel-cli"_s;
    return QFileInfo::exists(beside) ? beside : QString::fromUtf8(SONDREL_CLI);
}

QByteArray cliError(const QString& text, const QString& title)
{
    QString line = title + u'\t' + text;
    line.replace(u"\r\n"_s, u"\n"_s);
    return NativePath::encode(line) + '\n';
}

CliRun cli(const QList<QByteArray>& arguments, const QByteArray& input)
{
    return runProgram(cliPath(), arguments, input);
}

CliRun cli(const QStringList& arguments, const QByteArray& input)
{
    QList<QByteArray> bytes;
    for (const QString& argument : arguments)
        bytes.append(argument.toUtf8());
    return cli(bytes, input);
}

CliRun runProgram(const QString& path, const QList<QByteArray>& arguments, const QByteArray& input)
{
    // Standard input, output and error are files, so that no pipe can fill up and stall the run.
    CliRun run;
    const TestFiles io;
    const QByteArray in = QFile::encodeName(io.write(u"in"_s, input));
    const QByteArray out = QFile::encodeName(io.path(u"out"_s));
    const QByteArray err = QFile::encodeName(io.path(u"err"_s));
    const QByteArray program = QFile::encodeName(path);
    std::vector<char*> argv = {const_cast<char*>(program.constData())};
    for (const QByteArray& argument : arguments)
        argv.push_back(const_cast<char*>(argument.constData()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in.constData(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, program.constData(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        ADD_FAILURE() << "cannot start " << program.constData();
        return run;
    }
    const auto deadline = std::chrono::steady_clock::now() + kHangLimit;
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            ADD_FAILURE() << "sondrel-cli hangs on: " << QByteArrayList(arguments).join(' ').left(200).toStdString();
            return run;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = TestFiles::read(io.path(u"out"_s));
    run.err = TestFiles::read(io.path(u"err"_s));
    return run;
}
