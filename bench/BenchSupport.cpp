#include "BenchSupport.h"

#include <algorithm>

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
