// Measures the memory a playlist costs a row: the whole process `sondrel-cli playlist --no-tags` on
// generated M3U playlists of 100,000 and 1,000,000 rows, beside the playlist file's own bytes per
// row. The figure is the child's peak resident memory (ru_maxrss from wait4), less the peak of the
// same command on an empty playlist, divided by the rows: what loading, keeping and printing a row
// costs at the worst moment, start-up and libraries left out. The floor is the file's bytes per row:
// a program must hold the texts the file gives it. The target is less than 250 bytes a row above it.
//
// Each size runs three times and the smallest peak counts (other work on the machine can only add).
// The untimed first run of each size checks that every row was printed.

#include <algorithm>
#include <cstdio>
#include <string>
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

// The smallest peak of kRuns runs of `sondrel-cli playlist --no-tags` on the playlist; the first run
// prints to outPath and must print `rows` lines.
Peak smallestPeak(const QString& playlist, const QString& outPath, qsizetype rows)
{
    const std::string native = QFile::encodeName(playlist).toStdString();
    const std::string out = QFile::encodeName(outPath).toStdString();
    const std::string err = out + ".stderr";
    Peak peak;
    for (int run = 0; run < kRuns; ++run) {
        const ProcessRun child = runProcess(SONDREL_CLI_PATH, {SONDREL_CLI_PATH, "playlist", "--no-tags", native},
            "sondrel-cli playlist --no-tags", run == 0 ? out : "/dev/null", err);
        if (!child.error.empty())
            return {0, child.error};
        if (run == 0) {
            QFile printed(outPath);
            const QByteArray bytes = printed.open(QIODevice::ReadOnly) ? printed.readAll() : QByteArray();
            if (bytes.count('\n') != rows)
                return {0, "sondrel-cli playlist --no-tags printed " + std::to_string(bytes.count('\n')) + " rows of "
                        + std::to_string(rows)};
        }
        peak.kib = run == 0 ? child.maxResidentKiB : std::min(peak.kib, child.maxResidentKiB);
    }
    return peak;
}

} // namespace

int main(int argc, char** argv)
{
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
        const Peak peak
            = smallestPeak(sample.playlistPath(PlaylistKind::M3U), sample.scratchPath(QStringLiteral("rows.txt")), rows);
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
