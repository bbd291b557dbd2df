#pragma once

#include <chrono>
#include <string>
#include <vector>

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

// One run of a program as a child process.
struct ProcessRun {
    // From the spawn to the reaped exit.
    double ms = 0;
    // CPU time the child spent in itself and in the system, from wait4.
    double userMs = 0;
    double systemMs = 0;
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
