#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

// Far beyond anything a test input needs on a loaded machine, sanitizers included. Only a guard
// against a program that hangs (on a named pipe, say); no test measures time.
constexpr auto kHangLimit = std::chrono::seconds(120);
constexpr int kHangLimitMs = int(std::chrono::milliseconds(kHangLimit).count());

// Ends the test binary with a message when the scope has not ended within kHangLimit, so that an
// input on which the program hangs fails the run instead of stopping it.
class HangGuard {
public:
    explicit HangGuard(std::string what);
    ~HangGuard();
    HangGuard(const HangGuard&) = delete;
    HangGuard& operator=(const HangGuard&) = delete;

private:
    std::string m_what;
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::thread m_watch;
};
