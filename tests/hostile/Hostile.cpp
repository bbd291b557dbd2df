#include "Hostile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include "base/NativePath.h"

extern char** environ;

using namespace Qt::StringLiterals;

namespace Hostile {

namespace {

// Far beyond anything these inputs need on a loaded machine, sanitizers included.
constexpr auto kHangLimit = std::chrono::seconds(120);

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

} // namespace

HangGuard::HangGuard(std::string what) : m_what(std::move(what))
{
    m_watch = std::thread([this] {
        std::unique_lock lock(m_mutex);
        if (!m_done.wait_for(lock, kHangLimit, [this] { return m_finished; })) {
            std::fprintf(stderr, "\nHANG: the program did not finish with %s; stopping the tests.\n", m_what.c_str());
            std::fflush(stderr);
            std::_Exit(124);
        }
    });
}

HangGuard::~HangGuard()
{
    {
        std::lock_guard lock(m_mutex);
        m_finished = true;
    }
    m_done.notify_one();
    m_watch.join();
}

bool runsAsRoot()
{
    return ::geteuid() == 0;
}

bool makeFolder(const QString& path)
{
    return QDir().mkdir(path);
}

bool makeFifo(const QString& path)
{
    return ::mkfifo(native(path).constData(), 0644) == 0;
}

bool makeLink(const QString& target, const QString& path)
{
    return ::symlink(native(target).constData(), native(path).constData()) == 0;
}

bool setMode(const QString& path, unsigned mode)
{
    return ::chmod(native(path).constData(), mode_t(mode)) == 0;
}

QByteArray noise(qsizetype count)
{
    QRandomGenerator random(20261207);
    QByteArray bytes(count, Qt::Uninitialized);
    for (char& byte : bytes)
        byte = char(random.bounded(256));
    return bytes;
}

Snapshot Snapshot::of(const QString& path)
{
    struct stat info { };
    Snapshot snapshot;
    if (::stat(native(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return snapshot;
    snapshot.regular = true;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        snapshot.bytes = file.readAll();
    return snapshot;
}

QStringList entriesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

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
    CliRun run;
    const QByteArray program = native(cliPath());
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.constData()));
    for (const QByteArray& argument : arguments)
        argv.push_back(const_cast<char*>(argument.constData()));
    argv.push_back(nullptr);

    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "no pipes";
        return run;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, program.constData(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    if (spawned != 0) {
        ::close(in[1]);
        ::close(out[0]);
        ::close(err[0]);
        ADD_FAILURE() << "cannot start " << program.constData();
        return run;
    }
    ::fcntl(in[1], F_SETFL, O_NONBLOCK);
    ::signal(SIGPIPE, SIG_IGN);
    qsizetype written = 0;
    int toChild = in[1];
    if (input.isEmpty()) {
        ::close(toChild);
        toChild = -1;
    }
    const auto deadline = std::chrono::steady_clock::now() + kHangLimit;
    int open = 2;
    while (open > 0 && std::chrono::steady_clock::now() < deadline) {
        pollfd fds[3] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}, {toChild, POLLOUT, 0}};
        if (::poll(fds, toChild >= 0 ? 3 : 2, 1000) < 0)
            continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char buffer[65536];
            const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                (i == 0 ? run.out : run.err).append(buffer, got);
            } else {
                ::close(i == 0 ? out[0] : err[0]);
                (i == 0 ? out[0] : err[0]) = -1;
                --open;
            }
        }
        if (toChild >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
            const ssize_t put = ::write(toChild, input.constData() + written, size_t(input.size() - written));
            if (put > 0)
                written += put;
            if (put < 0 || written == input.size()) {
                ::close(toChild);
                toChild = -1;
            }
        }
    }
    if (toChild >= 0)
        ::close(toChild);
    for (int fd : {out[0], err[0]}) {
        if (fd >= 0)
            ::close(fd);
    }
    if (open > 0) {
        ::kill(pid, SIGKILL);
        ADD_FAILURE() << "sondrel-cli hangs on: " << QByteArrayList(arguments).join(' ').left(200).toStdString();
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.finished = open == 0 && WIFEXITED(status);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

} // namespace Hostile
