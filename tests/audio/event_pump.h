#pragma once
// Runs this thread's event loop for a while, as the program's message loop would.

#include <QCoreApplication>
#include <chrono>
#include <functional>
#include <thread>

namespace sonterra::test {

using SteadyClock = std::chrono::steady_clock;
using std::chrono::milliseconds;

inline void pumpFor(milliseconds span) {
    const auto end = SteadyClock::now() + span;
    while (SteadyClock::now() < end) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        std::this_thread::sleep_for(milliseconds(1));
    }
}

// True when done() came true before the timeout.
inline bool pumpUntil(const std::function<bool()>& done, milliseconds timeout) {
    const auto end = SteadyClock::now() + timeout;
    while (!done()) {
        if (SteadyClock::now() >= end)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        std::this_thread::sleep_for(milliseconds(1));
    }
    return true;
}

inline double msSince(SteadyClock::time_point start) {
    return std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
}

} // namespace sonterra::test
