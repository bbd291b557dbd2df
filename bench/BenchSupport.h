#pragma once

#include <chrono>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include <QByteArray>

#include <benchmark/benchmark.h>

#include "base/Messages.h"

// What the benchmark programs share: their clock, the median of their rounds, a quiet Messages
// object that counts what the library would have shown, and running a program as a whole process.

using Clock = std::chrono::steady_clock;

double msBetween(Clock::time_point from, Clock::time_point to);
double millisecondsSince(Clock::time_point start);

// Milliseconds since it was made.
class Stopwatch {
public:
    double ms() const { return millisecondsSince(m_start); }

private:
    Clock::time_point m_start = Clock::now();
};

// The middle value, or the mean of the two middle ones for an even count; 0 for none.
double median(std::vector<double> values);

// Counts the messages the library shows and answers No to every question; a valid sample should
// give none.
class CountingMessages : public Messages {
public:
    Answer show(const QString& text, const QString& title, Icon icon, Buttons buttons) override;
    void beep() override { }
    int shown() const { return m_shown; }
    // Empty when nothing was shown since shown() was `before`, else "N messages shown".
    std::string shownSince(int before) const;

private:
    int m_shown = 0;
};

// A subject against its floor on a number of files, with a target for floor / subject, kept for
// the summary printed after the benchmarks.
struct FileComparison {
    std::string title;
    std::string subjectName;
    std::string floorNote;
    double target = 0; // 0: shown for comparison, with no target
    int files = 0;
    long long bytes = 0; // when given, the figures are also printed in MB/s
    std::vector<double> subjectMs;
    std::vector<double> floorMs;

    // The medians as the benchmark's counters: SUBJECT_ms, floor_ms, ratio and target.
    void setCounters(benchmark::State& state) const;
    // The summary lines: medians, ratio against the target, time a file, MB/s when bytes is given.
    void print(std::FILE* out) const;
};

// The value rounded to a whole number, with a comma between groups of three digits.
std::string withCommas(double value);

// Where the summary goes: stdout, or stderr when the arguments ask the benchmark library to write
// JSON or CSV to stdout. Read before benchmark::Initialize, which takes its arguments away.
std::FILE* summaryStream(int argc, char** argv);

// Runs the benchmarks the arguments select, then prints the summary with printSummary: 0, or 1
// when an argument is not one of the benchmark library's.
int runBenchmarks(int& argc, char** argv, void (*printSummary)(std::FILE* out));

// One run of a program as a child process.
struct ProcessRun {
    // From the spawn to the reaped exit.
    double ms = 0;
    // CPU time the child spent in itself and in the system, from wait4.
    double userMs = 0;
    double systemMs = 0;
    // The child's peak resident memory in KiB (ru_maxrss), from wait4.
    long maxResidentKiB = 0;
    // Empty, or why the run failed: "cannot start PROGRAM: REASON", "NAME failed (wait status N)" or
    // "NAME wrote to stderr; see ERRPATH".
    std::string error;
};

// Runs program with arguments (arguments[0] is the program's own name) through posix_spawn and
// waits for it. Its stdout goes to outPath and its stderr to errPath, each truncated first, or
// stays this process's own when the path is empty. An exit status but 0 is an error, and so is
// anything written to errPath. name is what the errors call the program.
ProcessRun runProcess(const std::string& program, std::vector<std::string> arguments, const std::string& name,
    const std::string& outPath = {}, const std::string& errPath = {});

// The two passes of one round of a subject beside its floor. A pass has its time and an error, empty
// when its answer was the expected one.
template <class Pass> struct RoundPasses {
    Pass subject;
    Pass floor;

    // The subject's error, else the floor's.
    const std::string& error() const { return !subject.error.empty() ? subject.error : floor.error; }
};

// Runs subject and floor once each: the subject first in even rounds, the floor first in odd ones,
// so that neither always runs in what the other leaves behind.
template <class Subject, class Floor> auto alternate(int round, Subject&& subject, Floor&& floor)
{
    using Pass = decltype(subject());
    if (round % 2 == 0) {
        Pass subjectPass = subject();
        Pass floorPass = floor();
        return RoundPasses<Pass>{std::move(subjectPass), std::move(floorPass)};
    }
    Pass floorPass = floor();
    Pass subjectPass = subject();
    return RoundPasses<Pass>{std::move(subjectPass), std::move(floorPass)};
}

// For the untimed warm-up passes, run in the order given: false, with the benchmark skipped with
// the first error, when one of them failed.
template <class Pass> bool warmUpOrSkip(benchmark::State& state, std::initializer_list<Pass> passes)
{
    for (const Pass& pass : passes) {
        if (!pass.error.empty()) {
            state.SkipWithError(pass.error.c_str());
            return false;
        }
    }
    return true;
}

// Warms up with one untimed pass of subject and then of floor, which checks their answers, then
// runs both once each iteration, alternating which goes first; the benchmark's own time is the
// subject's. The rounds' medians become the benchmark's counters. False when a pass failed (the
// benchmark is then skipped with its error) or no round ran.
template <class Subject, class Floor>
bool measureEachIteration(benchmark::State& state, FileComparison& comparison, Subject subject, Floor floor)
{
    if (!warmUpOrSkip(state, {subject(), floor()}))
        return false;
    int round = 0;
    for (auto _ : state) {
        const auto passes = alternate(round, subject, floor);
        if (!passes.error().empty()) {
            state.SkipWithError(passes.error().c_str());
            break;
        }
        comparison.subjectMs.push_back(passes.subject.ms);
        comparison.floorMs.push_back(passes.floor.ms);
        state.SetIterationTime(passes.subject.ms / 1000);
        ++round;
    }
    if (comparison.subjectMs.empty())
        return false;
    comparison.setCounters(state);
    return true;
}

// A new folder in /tmp, named from a mkdtemp pattern such as "/tmp/sondrel-x-XXXXXX", removed with
// everything in it when this goes. path() is empty when it could not be made.
class ScratchFolder {
public:
    explicit ScratchFolder(std::string pattern);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// The plain POSIX floor of replacing the ID3v2 tag at the front of the file at path by newTag
// (empty: the tag is cut off): the old tag's length from its header (and, with readTag, the old tag
// read, as a writer that edits it must), newTag and the bytes after the old tag into a new file
// beside it, fsync, rename over. buffer is scratch space of at least the tag's size.
bool replaceId3v2Tag(const std::string& path, const QByteArray& newTag, bool readTag, std::vector<char>& buffer);

// Writes a new file (never an existing one) with the bytes, all of them; false on any failure.
bool writeNewFile(const QByteArray& path, const QByteArray& bytes);
