#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "base/Messages.h"

// What the benchmark programs share: their clock, the median of their rounds and a quiet
// Messages object that counts what the library would have shown.

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
