// Measures the memory a playlist costs a row: the whole process `sondrel-cli playlist --no-tags` on
// generated M3U playlists of 100,000 and 1,000,000 rows, beside the playlist file's own bytes per
// row. The figure is the child's peak resident memory (ru_maxrss from wait4), less the peak of the
// same command on an empty playlist, divided by the rows: what loading, keeping and printing a row
// costs at the worst moment, start-up and libraries left out. The floor is the file's bytes per row:
// a program must hold the texts the file gives it. The target is less than 250 bytes a row above it.
//
// A child's ru_maxrss also counts the memory of the process it was spawned from, as that memory
// stood when the child began (it shares or copies the parent's pages until it loads its program).
// The benchmark holds its sample, a gigabyte at 1,000,000 rows, so the children are spawned by a
// small helper process forked before any sample is made.
//
// Each size runs three times and the smallest peak counts (other work on the machine can only add).
// The untimed first run of each size checks that every row was printed.

#include <algorithm>
#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <QCoreApplication>
#include <QFile>

#include "BenchSupport.h"
#include "PlaylistSample.h"

namespace {

constexpr double kTargetAboveFile = 250;
constexpr int kRuns = 3;

struct Peak {
    long kib = 0;
    std::string error;
};

// The helper's ends of its two pipes: requests in ("PLAYLIST\tOUT\n"), answers out ("KIB ERROR\n").
int g_requests = -1;
int g_answers = -1;

std::string readLine(int fd)
{
    std::string line;
    char c = 0;
    while (::read(fd, &c, 1) == 1 && c != '\n')
        line += c;
    return line;
}

void writeAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
        if (wrote <= 0)
            return;
        done += std::size_t(wrote);
    }
}

// The helper: runs one command a request until its request pipe closes.
[[noreturn]] void serveRequests(int requests, int answers)
{
    for (std::string request = readLine(requests); !request.empty(); request = readLine(requests)) {
        const std::size_t tab = request.find('\t');
        const std::string out = request.substr(tab + 1);
        const ProcessRun child
            = runProcess(SONDREL_CLI_PATH, {SONDREL_CLI_PATH, "playlist", "--no-tags", request.substr(0, tab)},
                "sondrel-cli playlist --no-tags", out, out == "/dev/null" ? std::string() : out + ".stderr");
        writeAll(answers, std::to_string(child.maxResidentKiB) + " " + child.error + "\n");
    }
    ::_exit(0);
}

// Starts the helper; false when it cannot be made.
bool startHelper()
{
    int requests[2];
    int answers[2];
    if (::pipe(requests) != 0 || ::pipe(answers) != 0)
        return false;
    const pid_t pid = ::fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        ::close(requests[1]);
        ::close(answers[0]);
        serveRequests(requests[0], answers[1]);
    }
    ::close(requests[0]);
    ::close(answers[1]);
    g_requests = requests[1];
    g_answers = answers[0];
    return true;
}

// One run through the helper: the child's peak, or why it failed.
Peak runThroughHelper(const std::string& playlist, const std::string& out)
{
    writeAll(g_requests, playlist + "\t" + out + "\n");
    const std::string answer = readLine(g_answers);
    const std::size_t space = answer.find(' ');
    if (answer.empty() || space == std::string::npos)
        return {0, "the helper process gave no answer"};
    return {std::stol(answer.substr(0, space)), answer.substr(space + 1)};
}

// The smallest peak of kRuns runs of `sondrel-cli playlist --no-tags` on the playlist; the first run
// prints to outPath and must print `rows` lines.
Peak smallestPeak(const QString& playlist, const QString& outPath, qsizetype rows)
{
    const std::string native = QFile::encodeName(playlist).toStdString();
    const std::string out = QFile::encodeName(outPath).toStdString();
    Peak peak;
    for (int run = 0; run < kRuns; ++run) {
        const Peak child = runThroughHelper(native, run == 0 ? out : "/dev/null");
        if (!child.error.empty())
            return child;
        if (run == 0) {
            QFile printed(outPath);
            const QByteArray bytes = printed.open(QIODevice::ReadOnly) ? printed.readAll() : QByteArray();
            if (bytes.count('\n') != rows)
                return {0,
                    "sondrel-cli playlist --no-tags printed " + std::to_string(bytes.count('\n')) + " rows of "
                        + std::to_string(rows)};
        }
        peak.kib = run == 0 ? child.kib : std::min(peak.kib, child.kib);
    }
    return peak;
}

} // namespace

int main(int argc, char** argv)
{
    if (!startHelper()) {
        std::fprintf(stderr, "cannot start the helper process\n");
        return 1;
    }
    QCoreApplication application(argc, argv);
    const PlaylistSample& small = PlaylistSample::withRows(1);
    if (!small.ok()) {
        std::fprintf(stderr, "%s\n", qPrintable(small.error()));
        return 1;
    }
    const QString empty = small.scratchPath(QStringLiteral("empty.m3u"));
    QFile emptyFile(empty);
    if (!emptyFile.open(QIODevice::WriteOnly) || emptyFile.write("#EXTM3U\r\n") != 9) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(empty));
        return 1;
    }
    emptyFile.close();
    const Peak base = smallestPeak(empty, small.scratchPath(QStringLiteral("empty.txt")), 0);
    if (!base.error.empty()) {
        std::fprintf(stderr, "%s\n", base.error.c_str());
        return 1;
    }
    std::printf("sondrel-cli playlist --no-tags, peak resident memory (ru_maxrss, smallest of %d runs)\n", kRuns);
    std::printf("    empty playlist: %s KiB\n", withCommas(double(base.kib)).c_str());
    bool met = true;
    for (const int rows : {100000, 1000000}) {
        const PlaylistSample& sample = PlaylistSample::withRows(rows);
        if (!sample.ok()) {
            std::fprintf(stderr, "%s\n", qPrintable(sample.error()));
            return 1;
        }
        const Peak peak = smallestPeak(
            sample.playlistPath(PlaylistKind::M3U), sample.scratchPath(QStringLiteral("rows.txt")), rows);
        if (!peak.error.empty()) {
            std::fprintf(stderr, "%s\n", peak.error.c_str());
            return 1;
        }
        const double perRow = double(peak.kib - base.kib) * 1024 / rows;
        const double filePerRow = double(sample.playlistBytes(PlaylistKind::M3U).size()) / rows;
        const bool rowMet = perRow - filePerRow < kTargetAboveFile;
        met = met && rowMet;
        std::printf("    %s rows: peak %s KiB, %.0f bytes a row; floor (the M3U file) %.0f bytes a row; "
                    "%.0f bytes a row above it (target < %.0f) %s\n",
            withCommas(rows).c_str(), withCommas(double(peak.kib)).c_str(), perRow, filePerRow, perRow - filePerRow,
            kTargetAboveFile, rowMet ? "met" : "NOT MET");
    }
    std::printf("    %s\n", met ? "all met" : "NOT MET");
    return 0;
}
