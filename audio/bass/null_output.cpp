#include "audio/bass/null_output.h"

#include <chrono>
#include <cstdint>

namespace sonterra::bass {

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kPeriodFrames = 256;

} // namespace

NullOutput::NullOutput(int rate)
    : Output(rate, kPeriodFrames), scratch_(static_cast<std::size_t>(kPeriodFrames) * kChannels) {
    thread_ = std::thread([this] { run(); });
}

NullOutput::~NullOutput() {
    stop_.store(true);
    thread_.join();
}

void NullOutput::run() {
    // Periods are counted from the start, so the pace never drifts; after a
    // stall of the whole machine it starts counting afresh instead of racing.
    auto start = Clock::now();
    std::int64_t periods = 0;
    while (!stop_.load(std::memory_order_relaxed)) {
        {
            std::lock_guard lock(mutex_);
            mix(scratch_.data(), kPeriodFrames);
        }
        ++periods;
        const auto next =
            start + std::chrono::nanoseconds(periods * kPeriodFrames * 1'000'000'000LL / rate());
        const auto now = Clock::now();
        if (now - next > std::chrono::milliseconds(100)) {
            start = now;
            periods = 0;
            continue;
        }
        std::this_thread::sleep_until(next);
    }
}

} // namespace sonterra::bass
