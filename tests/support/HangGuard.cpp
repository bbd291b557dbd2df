#include "support/HangGuard.h"

#include <cstdio>
#include <cstdlib>

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
