#include "audio/bass/null_output.h"

#include <time.h>

#include <cstdint>

namespace sonterra::bass {

namespace {

constexpr int kPeriodFrames = 256;
constexpr std::int64_t kNsPerSecond = 1'000'000'000;

std::int64_t nowNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * kNsPerSecond + ts.tv_nsec;
}

void sleepUntilNs(std::int64_t deadline)
{
    timespec ts{};
    ts.tv_sec = deadline / kNsPerSecond;
    ts.tv_nsec = deadline % kNsPerSecond;
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) != 0) {
    }
}

} // namespace

NullOutput::NullOutput(int rate)
    : Output(rate, kPeriodFrames), scratch_(static_cast<std::size_t>(kPeriodFrames) * kChannels)
{
    thread_ = std::thread([this] { run(); });
}

NullOutput::~NullOutput()
{
    stop_.store(true);
    thread_.join();
}

void NullOutput::run()
{
    // Periods are counted from the start, so the pace never drifts; after a
    // stall of the whole machine it starts counting afresh instead of racing.
    std::int64_t start = nowNs();
    std::int64_t periods = 0;
    while (!stop_.load(std::memory_order_relaxed)) {
        {
            std::lock_guard lock(mutex_);
            mix(scratch_.data(), kPeriodFrames);
        }
        ++periods;
        const std::int64_t next = start + periods * kPeriodFrames * kNsPerSecond / rate();
        const std::int64_t now = nowNs();
        if (now - next > kNsPerSecond / 10) {
            start = now;
            periods = 0;
            continue;
        }
        sleepUntilNs(next);
    }
}

} // namespace sonterra::bass
