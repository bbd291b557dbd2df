#include "BenchSupport.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>

extern char** environ;

namespace {

// The undo history of the programs a benchmark runs goes to a folder of its own, removed at exit:
// a benchmark never writes into the user's home.
struct PrivateStateHome {
    PrivateStateHome() { qputenv("XDG_STATE_HOME", QFile::encodeName(folder.path())); }
    QTemporaryDir folder;
};
const PrivateStateHome g_stateHome;

} // namespace

double msBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

double millisecondsSince(Clock::time_point start)
{
    return msBetween(start, Clock::now());
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

Messages::Answer CountingMessages::show(const QString&, const QString&, Icon, Buttons)
{
    ++m_shown;
    return Answer::No;
}

std::string CountingMessages::shownSince(int before) const
{
    const int count = m_shown - before;
    return count == 0 ? std::string() : std::to_string(count) + " messages shown";
}

void FileComparison::setCounters(benchmark::State& state) const
{
    const double subject = median(subjectMs);
    const double floor = median(floorMs);
    state.counters[subjectName + "_ms"] = subject;
    state.counters["floor_ms"] = floor;
    state.counters["ratio"] = floor / subject;
    state.counters["target"] = target;
}

void FileComparison::print(std::FILE* out) const
{
    const double subject = median(subjectMs);
    const double floor = median(floorMs);
    const double ratio = floor / subject;
    if (target > 0)
        std::fprintf(out, "%s: %s %.1f ms, floor %.1f ms, ratio %.2f (target >= %.1f) %s\n", title.c_str(),
            subjectName.c_str(), subject, floor, ratio, target, ratio >= target ? "met" : "NOT MET");
    else
        std::fprintf(out, "%s: %s %.1f ms, floor %.1f ms, ratio %.2f (no target)\n", title.c_str(), subjectName.c_str(),
            subject, floor, ratio);
    std::fprintf(out, "    %d files, %zu rounds; %.2f us a file vs %.2f us; floor: %s\n", files, subjectMs.size(),
        subject * 1000 / files, floor * 1000 / files, floorNote.c_str());
    if (bytes > 0)
        std::fprintf(out, "    %.0f MB/s vs %.0f MB/s\n", double(bytes) / 1e3 / subject, double(bytes) / 1e3 / floor);
}

std::string withCommas(double value)
{
    const std::string digits = std::to_string(std::llround(value));
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            text += ',';
        text += digits[i];
    }
    return text;
}

std::FILE* summaryStream(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument.starts_with("--benchmark_format=") && argument != "--benchmark_format=console")
            return stderr;
    }
    return stdout;
}

int runBenchmarks(int& argc, char** argv, void (*printSummary)(std::FILE* out))
{
    std::FILE* summary = summaryStream(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printSummary(summary);
    std::fflush(summary);
    return 0;
}

ProcessRun runProcess(const std::string& program, std::vector<std::string> arguments, const std::string& name,
    const std::string& outPath, const std::string& errPath)
{
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!outPath.empty())
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (!errPath.empty())
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);

    ProcessRun run;
    pid_t pid = 0;
    const Stopwatch watch;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    int status = 0;
    struct rusage usage { };
    const bool reaped = spawned == 0 && ::wait4(pid, &status, 0, &usage) == pid;
    run.ms = watch.ms();
    const auto milliseconds
        = [](const timeval& time) { return double(time.tv_sec) * 1000.0 + double(time.tv_usec) / 1000.0; };
    run.userMs = milliseconds(usage.ru_utime);
    run.systemMs = milliseconds(usage.ru_stime);
    run.maxResidentKiB = usage.ru_maxrss;
    posix_spawn_file_actions_destroy(&actions);

    struct stat errInfo { };
    if (spawned != 0)
        run.error = "cannot start " + program + ": " + std::strerror(spawned);
    else if (!reaped || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        run.error = name + " failed (wait status " + std::to_string(status) + ")";
    else if (!errPath.empty() && (::stat(errPath.c_str(), &errInfo) != 0 || errInfo.st_size != 0))
        run.error = name + " wrote to stderr; see " + errPath;
    return run;
}

bool writeNewFile(const QByteArray& path, const QByteArray& bytes)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            ::close(fd);
            return false;
        }
        data += written;
        left -= written;
    }
    return ::close(fd) == 0;
}

ScratchFolder::ScratchFolder(std::string pattern)
{
    if (::mkdtemp(pattern.data()))
        m_path = pattern;
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ignored;
    if (!m_path.empty())
        std::filesystem::remove_all(m_path, ignored);
}

bool replaceId3v2Tag(const std::string& path, const QByteArray& newTag, bool readTag, std::vector<char>& buffer)
{
    const int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    unsigned char header[10];
    bool ok = ::pread(in, header, sizeof header, 0) == sizeof header && std::memcmp(header, "ID3", 3) == 0;
    const off_t length = 10 + ((header[6] << 21) | (header[7] << 14) | (header[8] << 7) | header[9]);
    if (readTag)
        ok = ok && std::size_t(length) <= buffer.size() && ::pread(in, buffer.data(), std::size_t(length), 0) == length;
    const std::string temporary = path + ".part";
    const int out = ok ? ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644) : -1;
    ok = out >= 0 && ::write(out, newTag.constData(), std::size_t(newTag.size())) == newTag.size();
    for (off_t offset = length; ok;) {
        const ssize_t got = ::pread(in, buffer.data(), buffer.size(), offset);
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        ok = ::write(out, buffer.data(), std::size_t(got)) == got;
        offset += got;
    }
    ok = ok && ::fsync(out) == 0;
    if (out >= 0)
        ok = ::close(out) == 0 && ok;
    ok = ok && ::rename(temporary.c_str(), path.c_str()) == 0;
    ::close(in);
    return ok;
}
